#pragma once

#include <QWidget>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QTableView;

namespace quarrow {

class StockList;
class StockListModel;

// The panel PanelCodeName of the stock-code page: the all-stocks list ListStCodeName, the
// own stock list ListSelfStock and the commands between them. It shows the lists and says
// what the user did; the page decides what follows.
class StockListPanel : public QWidget {
    Q_OBJECT
public:
    StockListPanel(const StockList& stocks, QWidget* parent);

    // Runs a change of the all-stocks list while the views keep step; no row choice is
    // reported meanwhile.
    void reload(const std::function<void()>& change);
    // Makes the row current without reporting it as the user's choice.
    void selectRow(int row);
    // Scrolls the all-stocks list so that the row is its top one.
    void scrollToRow(int row);
    // The row of the all-stocks list the user stands on; -1 for none.
    int currentRow() const;
    // Shows the own list's items, the one selected before staying selected.
    void showOwnStocks(const QStringList& items);
    // The own list's current item; empty for none. selected: only when it is selected too.
    QString currentOwnStock(bool selected) const;

Q_SIGNALS:
    void stockRowChosen(int row);
    void ownStockClicked(const QString& item);
    void addListStockClicked();      // btnSelfStock: the list's stock to the own list
    void addResultStockClicked();    // lblAddToSelf: the result grid's stock to the own list
    void removeOwnStockClicked();    // btnDelSelfStock, lblDelSelfStock
    void addCurrentDoubleClicked();  // pnlAddToSelf: the current stock to the own list

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The prefixed code an own-list line stands for.
    static QString ownKey(const QListWidgetItem* item);

    const StockList& m_stocks;
    StockListModel* m_model = nullptr;
    QTableView* m_list = nullptr;  // ListStCodeName
    QListWidget* m_own = nullptr;  // ListSelfStock
    QWidget* m_addCurrent = nullptr;
    bool m_loading = false;
};

}  // namespace quarrow

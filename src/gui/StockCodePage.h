#pragma once

#include "quotefiles/StockPicker.h"

#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

class QAbstractItemModel;
class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStandardItemModel;
class QTableView;
class QToolButton;

namespace quarrow {

class DailyBarGrid;
class PageHost;
class ProgramServices;
class StockChart;
class StockListModel;

// The main window's widgets the page works with besides its own.
struct StockCodePageLinks {
    QLineEdit* code = nullptr;          // edtStockCode
    QLabel* name = nullptr;             // pnlStockName: caption the name, hint the prefixed code
    QSpinBox* lastDays = nullptr;       // valueLastDays of the mining page, the viewer's day count
    QPlainTextEdit* capture = nullptr;  // MemoPastFrom
};

// The page "股票代码和大笔买卖查询" (TabSheetStockCode): the all-stocks list with the own
// stock list beside it, the daily-bar viewer that opens over them, and the result grid
// dbGridTop5List, where the query page and the share-capital listing each show a model
// of their own. It keeps the toolbar's code box and name panel in step with the picker,
// the window's current stock.
class StockCodePage : public QWidget {
    Q_OBJECT
public:
    StockCodePage(ProgramServices& services, PageHost& host, StockCodePageLinks links, QWidget* parent);

    // The data menu's commands of the stock list and the share capital.
    void addMenuCommands(QMenu* menu);
    // Shows the list and the own list as start-up loaded them.
    void listsLoaded();

    // The current stock: the code box as it stands, the name panel's caption.
    QString currentCode() const;
    QString currentName() const;
    QTableView* resultGrid() const { return m_resultGrid; }
    // Shows the rows in the result grid; the grid's row changes come as resultRowChanged.
    void showInResultGrid(QAbstractItemModel* rows);
    // "共N条" under the result grid.
    void setResultCount(const QString& text);
    // Adds a known stock's six-digit code to the own stock list.
    void addStockToOwnList(const QString& code);
    DailyBarGrid* dailyGrid() const { return m_daily; }
    StockChart* dailyChart() const { return m_dailyChart; }
    // The data menu's commands that load the all-stocks list, which a run switches off.
    QList<QAction*> listCommands() const { return m_listCommands; }

public Q_SLOTS:
    void btnLoadCodeNameClick();
    void btnMyselfCodeNameClick();
    void menuSaveSelfCodeClick();
    void MenuLoadStockQTYClick();
    // The listing "调阅股本数据" of every stock's share capital, or only the current
    // stock's when the query page names it.
    void listShareCapital(bool currentStockOnly);
    void menuRefreshNameClick();
    void menuLoadStockCodesClick();

    void btnLoadDailyClick();
    // The operator query moved from a row of the stock pStCode: the open viewer follows
    // when the current stock is another one now.
    void LoadDailyData(const QString& pStCode);
    void btnCloseDailyClick();

    void pnlStockNameClick();
    void pnlStockNameDblClick();
    void btnSelfStockClick();
    void lblAddToSelfClick();
    void btnDelSelfStockClick();
    void ListSelfStockClick();
    void edtStockCodeExit();
    // Another part of the window (the mining run, the watch list) made a stock current.
    void showStock(const QString& code, const QString& name);
    // A row of the query's results became current: its stock goes into the code box, the
    // name panel and the open daily-bar viewer; rowName stands in for a stock the list lacks.
    void followStock(const QString& code, const QString& rowName = {});

Q_SIGNALS:
    // The picker chose a stock for the query page (with its saved documents or without).
    void stockChosenForQuery(bool withDocuments);
    // The current row of the result grid, in whichever model it shows.
    void resultRowChanged(const QModelIndex& current);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString quoteFolder() const;
    QString currentCodeText() const;
    // Runs a picker step on the code box's text and shows the current stock it leaves.
    void pick(const std::function<void()>& step);
    void showPicked();
    // Scrolls the all-stocks list so that the current stock is its top row.
    void scrollListToPicked();
    void reloadList(const std::function<void()>& load);
    void selectFirstStock();
    void addToOwnList(const QString& prefixedCode);
    void removeFromOwnList(const QString& prefixedCode);
    void refreshOwnList();
    // The prefixed code an own-list line stands for.
    static QString ownKey(const QListWidgetItem* item);
    void layOutDailyOnce();
    void drawDailyChart(const QString& prefixedCode, int days);
    void UpDownDaysChangingEx(int newPosition);

    ProgramServices& m_services;
    PageHost& m_host;
    StockCodePageLinks m_links;
    StockPicker m_picker;
    StockListModel* m_listModel = nullptr;
    QWidget* m_codeNamePanel = nullptr;  // PanelCodeName
    QTableView* m_list = nullptr;        // ListStCodeName
    QListWidget* m_own = nullptr;        // ListSelfStock
    DailyBarGrid* m_daily = nullptr;     // StrGridDaily
    StockChart* m_dailyChart = nullptr;  // the same bars drawn beside the grid
    QToolButton* m_closeDaily = nullptr;
    QSpinBox* m_upDownDays = nullptr;
    QTableView* m_resultGrid = nullptr;  // dbGridTop5List
    QLabel* m_resultCount = nullptr;
    QStandardItemModel* m_capitalRows = nullptr;  // the share-capital listing
    QList<QAction*> m_listCommands;
    int m_upDownPosition = 0;
    bool m_dailyLaidOut = false;
    bool m_loading = false;
    std::optional<bool> m_chosenForQuery;  // the picker chose the stock for the query page
};

}  // namespace quarrow

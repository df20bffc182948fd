#pragma once

#include "quotefiles/StockPicker.h"

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStandardItemModel;
class QTableView;
class QToolButton;

namespace quarrow {

class DailyBarGrid;
class StockChart;
class StockListModel;
class ProgramServices;

// The main window's widgets the page works with besides its own.
struct StockCodePageLinks {
    QLineEdit* code = nullptr;          // edtStockCode
    QLabel* name = nullptr;             // pnlStockName: caption the name, hint the prefixed code
    QSpinBox* lastDays = nullptr;       // valueLastDays, the viewer's day count
    QPlainTextEdit* capture = nullptr;  // MemoPastFrom
    // Switches the main page control, puts the function panel away, and selects the
    // current stock on the query page (with its saved documents or without).
    std::function<void(const QString& pageName)> showContentPage;
    std::function<void()> hideFunctionPanel;
    std::function<void(bool withDocuments)> showOnQueryPage;
    // The query page's result grid dbGridTop5List, shown on this page; the share-capital
    // list borrows it. None: the page makes a grid of its own.
    QTableView* resultGrid = nullptr;
};

// The page "股票代码和大笔买卖查询" (TabSheetStockCode): the all-stocks list with the own
// stock list beside it, the daily-bar viewer that opens over them, and the result grid
// of the queries. It keeps the toolbar's code box and name panel in step with the picker.
class StockCodePage : public QWidget {
    Q_OBJECT
public:
    StockCodePage(ProgramServices& services, StockCodePageLinks links, QWidget* parent);

    // The data menu's commands of the stock list and the share capital.
    void addMenuCommands(QMenu* menu);
    // Shows the list and the own list as start-up loaded them.
    void listsLoaded();

    StockPicker& picker() { return m_picker; }
    QTableView* resultGrid() const { return m_resultGrid; }
    DailyBarGrid* dailyGrid() const { return m_daily; }
    StockChart* dailyChart() const { return m_dailyChart; }

public Q_SLOTS:
    void btnLoadCodeNameClick();
    void btnMyselfCodeNameClick();
    void menuSaveSelfCodeClick();
    void MenuLoadStockQTYClick();
    void btnListStockQTYClick();
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString quoteFolder() const;
    QString currentCodeText() const;
    // Runs a picker step on the code box's text and shows the current stock it leaves.
    void pick(const std::function<void()>& step);
    void showPicked();
    void reloadList(const std::function<void()>& load);
    void selectFirstStock();
    void addToOwnList(const QString& prefixedCode);
    void removeFromOwnList(const QString& prefixedCode);
    void refreshOwnList();
    void layOutDailyOnce();
    void drawDailyChart(const QString& prefixedCode, int days);
    void UpDownDaysChangingEx(int newPosition);

    ProgramServices& m_services;
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
    QStandardItemModel* m_capitalRows = nullptr;
    int m_upDownPosition = 0;
    bool m_dailyLaidOut = false;
    bool m_loading = false;
};

}  // namespace quarrow

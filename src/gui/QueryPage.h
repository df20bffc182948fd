#pragma once

#include "app/JobOutcome.h"
#include "gui/FormCodeDepart.h"
#include "review/OperatorQuery.h"

#include <QPointer>
#include <QTableView>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace quarrow {

class ColumnRoom;
class DateBox;
class PageHost;
class ProgramServices;
class QueryResultModel;
class StockCodePage;
class WindowMemory;

// A date picker with the check mark that says whether its date filters the query.
class CheckedDatePicker : public QWidget {
    Q_OBJECT
public:
    CheckedDatePicker(const char* name, const QString& hint, bool checked, QWidget* parent);
    bool isChecked() const;
    void setChecked(bool on);
    QDate date() const;
    void setDate(const QDate& day);
    QCheckBox* checkBox() const { return m_check; }
    DateBox* edit() const { return m_edit; }

Q_SIGNALS:
    // The user clicked the picker: its check box or its date.
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCheckBox* m_check;
    DateBox* m_edit;
};

// The query page "调阅庄家操盘数据" (TabGetFromDB): the filters, the five query buttons,
// and the delete and the backup of the stored data. Its main result shows in the result
// grid dbGridTop5List of the stock-code page, from a model of its own. What the
// statements say comes from the review core; this only reads the controls and puts the
// rows where they belong.
class QueryPage : public QWidget {
    Q_OBJECT
public:
    // The current stock is the stock-code page's; drill-down windows are windows of their
    // own, owned by windowOwner.
    QueryPage(ProgramServices& services, PageHost& host, StockCodePage& stocks, QWidget* windowOwner,
              QWidget* parent);
    ~QueryPage() override;

    // The filter controls as they stand.
    OperatorQuery state() const;
    QTableView* resultGrid() const { return m_grid.data(); }
    QueryResultModel* resultModel() const { return m_model; }
    // The department list's items, item 0 first (the line between the departments and the
    // change descriptions is an empty item).
    QStringList departmentItems() const;
    // The query buttons a run switches off ("btnDepart_BuySale", "btnDepart_BuyOnly",
    // "btnDepart_SaleOnly").
    QList<QPushButton*> runCommands() const;

    // Sets both date pickers to the day (the main window opens on today).
    void setDates(const QDate& day);
    // Moves the dates out so that the range takes in every day from first to last.
    void widenDates(const QDate& first, const QDate& last);
    // Ticks "指定股票" as a click on it does (the picker chose the current stock).
    void chooseGivenStock();

    // The end of a mining run: every stored row of the checked dates in the main grid.
    void showStoredResults(const DateRange& days);

    // New department names were stored: the list may be reloaded.
    void enableDepartmentReload();
    // A run's end: the department list is read again when its reload command is on.
    void refreshDepartmentsIfNew();

    // The filters of the last session; the department once the list holds it.
    void restoreFilters();
    // Hands the filters as they stand to the window's memory.
    void rememberFilters() const;

    // The commands of a result grid's context menu: the department's history, the
    // stock's dragon-tiger rows, its closing data, adding it to the own stocks, copying
    // its code.
    void addGridCommands(QTableView& grid, ResultKind kind);

    void queryClick(QueryButton button);
    void btnRefreshDepartmentClick();
    void btnMainSaleTypeClick();
    void chkMainBuySaleClick();
    void chkStockCodeClick();
    void ListBoxDepartmentClick();
    // A row of a result became current: follow its stock and its department.
    void QueryStChangeAfterScroll(const QVariantList& row);
    TFormCodeDepart* dbGridTop5ListDblClick(const QModelIndex& cell);
    // The filtered delete of stored rows; the main grid then shows what is left.
    void btnDelMainBuySaleClick();
    // The backup of the database to a file the user chooses.
    void btnCopyDataClick();

Q_SIGNALS:
    // A result window was shown (tests and the window's owner may want it).
    void resultWindowOpened(TFormCodeDepart* window);

private:
    ResultWindowContext windowContext();
    // The page's window of the kind, made when there is none; reused for every query.
    TFormCodeDepart* resultWindow(QPointer<TFormCodeDepart>& slot, ResultKind kind);
    // Runs a statement in the page's window: shown with its rows, or put away with the
    // prompt that nothing came.
    void showInWindow(QPointer<TFormCodeDepart>& slot, ResultKind kind, const ComposedStatement& statement,
                      const QString& caption);
    void showMainResultCount();
    // After a query of the main grid that found nothing: names the newest stored day and
    // offers it when the dates leave it out.
    void offerNewestDay();
    void selectDepartmentText(const QString& text);

    ProgramServices& m_services;
    TDataBase& m_db;
    AppFrame& m_frame;
    PageHost& m_host;
    StockCodePage& m_stocks;
    QWidget* m_windowOwner;
    QCheckBox* m_stockGiven;
    CheckedDatePicker* m_from;
    CheckedDatePicker* m_to;
    QCheckBox* m_departmentGiven;
    QComboBox* m_departments;
    QPushButton* m_reloadDepartments;
    QCheckBox* m_mainBuySale;
    QSpinBox* m_threshold;
    QPushButton* m_thresholdKind;
    QLabel* m_unit;
    QCheckBox* m_sortOnAmount;
    QList<QPushButton*> m_queryButtons;
    QPushButton* m_delete;
    // Offered when a query of the main grid found nothing: the newest day the store holds.
    QPushButton* m_newestDay;
    QPointer<QTableView> m_grid;  // lives on the stock-code page
    ColumnRoom* m_columnRoom;     // the grid's
    QueryResultModel* m_model;
    QPointer<TFormCodeDepart> m_mainWindow;    // the main result of a given stock or department
    QPointer<TFormCodeDepart> m_tradesWindow;  // the block trades
    int m_kindTag = kSold;
    // "指定股票" is kept for the next start only when the user ticked it: picking a stock
    // ticks it too, and the pick is over when the window closes.
    bool m_stockTickedByUser = false;
    bool m_pickingStock = false;
    QString m_followedDepartment;
    QString m_departmentToRestore;
};

}  // namespace quarrow

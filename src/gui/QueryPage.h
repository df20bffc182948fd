#pragma once

#include "gui/FormCodeDepart.h"
#include "review/OperatorQuery.h"

#include <QPointer>
#include <QTableView>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;

namespace quarrow {

class PageHost;
class ProgramServices;
class QueryResultModel;
class StockCodePage;

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
    QDateEdit* edit() const { return m_edit; }

private:
    QCheckBox* m_check;
    QDateEdit* m_edit;
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
    // The department list's items, item 0 first.
    QStringList departmentItems() const;
    // The query buttons a run switches off ("btnDepart_BuySale", "btnDepart_BuyOnly",
    // "btnDepart_SaleOnly").
    QList<QPushButton*> runCommands() const;

    // Sets both date pickers to the day (the main window opens on today).
    void setDates(const QDate& day);
    // Moves the dates out so that the range takes in every day from first to last.
    void widenDates(const QDate& first, const QDate& last);
    // Ticks "指定股票" (the picker chose the current stock for the query).
    void setStockGiven(bool given);

    // The end of a mining run: every stored row of the checked dates in the main grid.
    void showStoredResults();

    // New department names were stored: the list may be reloaded.
    void enableDepartmentReload();

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
    // A drill-down window was opened (tests and the window's owner may want it).
    void resultWindowOpened(TFormCodeDepart* window);

private:
    TFormCodeDepart* newResultWindow(ResultKind kind);
    RowFollower follower();

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
    QPointer<QTableView> m_grid;  // lives on the stock-code page
    QueryResultModel* m_model;
    int m_kindTag = kSold;
    QString m_followedDepartment;
};

}  // namespace quarrow

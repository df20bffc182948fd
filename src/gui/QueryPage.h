#pragma once

#include "gui/FormCodeDepart.h"
#include "review/OperatorQuery.h"

#include <QPointer>
#include <QTableView>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;

namespace quarrow {

class AppFrame;
class QueryResultModel;
class TDataBase;

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

// What the query page asks of the main window around it.
struct QueryPageHooks {
    std::function<QString()> stockCode;       // edtStockCode
    std::function<QString()> stockName;       // pnlStockName
    std::function<void()> showResultPage;     // TabSheetStockCode, where the main grid sits
    std::function<void()> hideFunctionPanel;  // the results want the room
    // A result row became current: its stock goes into the code box.
    std::function<void(const QString& code)> followStock;
};

// The query page "调阅庄家操盘数据" (TabGetFromDB): the filters, the five query buttons
// and the main result grid dbGridTop5List, which the main window places on its result
// page. What the statements say comes from the review core; this only reads the controls
// and puts the rows where they belong.
class QueryPage : public QWidget {
    Q_OBJECT
public:
    // Drill-down windows are windows of their own, owned by windowOwner.
    QueryPage(TDataBase& db, AppFrame& frame, QueryPageHooks hooks, QWidget* windowOwner, QWidget* parent);
    ~QueryPage() override;

    // The filter controls as they stand.
    OperatorQuery state() const;
    QTableView* resultGrid() const { return m_grid.data(); }
    QueryResultModel* resultModel() const { return m_model; }
    // The department list's items, item 0 first.
    QStringList departmentItems() const;

    // Sets both date pickers to the day (the main window opens on today).
    void setDates(const QDate& day);

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

Q_SIGNALS:
    // A drill-down window was opened (tests and the window's owner may want it).
    void resultWindowOpened(TFormCodeDepart* window);

private:
    TFormCodeDepart* newResultWindow(ResultKind kind);
    RowFollower follower();

    TDataBase& m_db;
    AppFrame& m_frame;
    QueryPageHooks m_hooks;
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
    QPointer<QTableView> m_grid;  // lives on the main window's result page
    QueryResultModel* m_model;
    int m_kindTag = kSold;
    QString m_followedDepartment;
};

}  // namespace quarrow

#pragma once

#include "review/ComposedStatement.h"

#include <QDate>
#include <QString>

#include <array>

namespace quarrow {

// The five query buttons of the page; each puts its own row filter on the main statement.
enum class QueryButton { BuySale, BuyOnly, SaleOnly, BuySaleOnly, All };

struct QueryButtonInfo {
    QueryButton button;
    const char* objectName;  // the widget's name
    const char* cliName;     // quarrow-cli query --button NAME
    QString caption;
    QString rowFilter;  // the line it adds to the main statement
};

const std::array<QueryButtonInfo, 5>& queryButtons();
const QueryButtonInfo& queryButtonInfo(QueryButton button);

// The kinds of threshold btnMainSaleType cycles through; its tag is the kind's number.
enum ThresholdKind { kBoughtOrSold = 0, kBought = 1, kSold = 2, kAllData = 3 };

struct ThresholdKindLook {
    QString caption;
    quint32 fontRgb;  // 0xRRGGBB
};

// Caption and font colour of btnMainSaleType for a tag (taken modulo the four kinds).
const ThresholdKindLook& thresholdKindLook(int tag);
// One click on btnMainSaleType: 0 -> 1 -> 2 -> 3 -> 0.
inline int nextThresholdKind(int tag) {
    return (tag + 1) % 4;
}

// The filter controls of the operator query page: the state that composes the two
// statements. The window keeps its widgets and this in step; the command line fills it
// from its options.
struct OperatorQuery {
    static constexpr int kThresholdMax = 400000;  // SpEditBuySaleValue, in 10,000 shares
    static constexpr int kThresholdStep = 10;
    static constexpr int kThresholdInitial = 80;

    bool stockGiven = false;  // chkStockCode
    QString stockCode;        // edtStockCode
    bool fromTicked = true;   // DateFrom's check box
    QDate from;
    bool toTicked = false;  // DateTo's check box
    QDate to;
    bool departmentGiven = false;  // chkDepartment
    QString departmentItem;        // ListBoxDepartment's selected text; empty while item 0 is
    bool mainBuySale = false;      // chkMainBuySale
    int threshold = kThresholdInitial;
    int thresholdKind = kAllData;  // btnMainSaleType's tag
    bool sortOnAmount = false;     // chkSortOnAmt

    // The page as the main window opens it: both pickers on today, only the start ticked.
    static OperatorQuery initial(const QDate& today);

    // DateTo changed: an end before the start pulls the start along.
    void changeDateTo(const QDate& day);

    // Where the main result goes: 0 the main window's grid; otherwise a drill-down window,
    // 1 for a given stock, 2 for a given department, 3 for both.
    int targetBits() const;
    // The department line goes on the statements only for the top-5 rows with a real item.
    bool filtersOnDepartment() const;
};

// The two statements of one query click: the main result (viewStChange, or the
// main-force alerts of tblMainBuySale) and the block trades of viewStBigBuySale.
struct OperatorStatements {
    ComposedStatement main;
    ComposedStatement blockTrades;
};

// How the department filter reaches the rows. The program's own views carry each row's
// department keys beside the names, so the keys of the name pick the rows through the
// view at once. The views of the program's first release, which an existing Access file
// still has, show only the names: there the keys pick the table's rows, and the view's
// rows are those whose ID is among them.
enum class DepartmentFilterForm { ViewKeys, TableRows };

OperatorStatements composeOperatorQuery(const OperatorQuery& page, QueryButton button,
                                        DepartmentFilterForm form = DepartmentFilterForm::ViewKeys);

// The stock and date lines of the page with their values: the same on both statements of a
// query and on the filtered delete.
void addStockAndDateFilters(const OperatorQuery& page, ComposedStatement& statement);

// "KEYCOLUMN in (…)": the rows of the department bound as :StDept, reached through its keys
// (the trimmed names the department list shows), so an index serves the filter.
QString departmentKeyCondition(const QString& keyColumn);

// The department an item of ListBoxDepartment stands for: an item may carry "|" and a
// count after the name.
QString departmentOfItem(const QString& item);
// The first item from index 1 on that begins with the department; -1 when none does.
int departmentItemIndex(const QStringList& items, const QString& department);

// Caption of the drill-down window that takes the main result for the target bits.
QString resultCaption(int targetBits);

// Texts of the page.
inline const QString kNoDepartmentItem = QStringLiteral("(不指定营业部)");
inline const QString kNoRowsMessage =
    QStringLiteral("如果没有数据, 请改变数据挑选条件后再试一试. 如:修改日期范围、不指定营业部等");
inline const QString kGivenStockPrompt = QStringLiteral("指定股票为:");
inline const QString kDateFromHint = QStringLiteral("指定查阅数据的开始日期,需要使用此条件时,打勾");
inline const QString kDateToHint = QStringLiteral("指定查阅数据的结束日期,需要使用此条件时,打勾");

}  // namespace quarrow

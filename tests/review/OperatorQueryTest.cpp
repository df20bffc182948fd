#include "review/OperatorQuery.h"

#include "review/ReviewTestData.h"
#include "support/TestSupport.h"

#include <functional>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QString kTopFiveHead =
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDept as 营业部o涨跌说明,StBuy as "
    "买入o成交量,StSale as 卖出o成交额,StRate as 涨跌幅度,StMemo as 注释 From viewStChange";
const QString kSumsHead =
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,sum(StBuy) as 买入万股,sum(StSale) as "
    "卖出万股 "
    "From tblMainBuySale ";
const QString kAlertsHead =
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDept as 主力买卖,StBuy as 买入万股,StSale "
    "as "
    "卖出万股,StRate as 买卖价格,StMemo as 注释 From tblMainBuySale";
const QString kTradesHead =
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDeptBuy as 买方,StPrice as 成交价格,StQTY "
    "as "
    "成交万股,StAMT as 成交万元,StDeptSale as 卖方 From viewStBigBuySale where (StQTY>=";

}  // namespace

// Each case: the page's controls, the button clicked, the two statements line by line,
// the values bound (the same to both), and how many rows each selects from the sample.
TEST(OperatorQuery, ComposesBothStatementsLineByLineAndTheySelectTheirRows) {
    struct Case {
        const char* what;
        std::function<void(OperatorQuery&)> set;
        QueryButton button;
        QStringList main;
        QStringList trades;
        QList<BoundValue> values;
        int mainRows;
        int tradeRows;
        int targetBits = 0;
    };
    const QString keys = "select StDeptKey from tblStDepart where Trim(StDept)=:StDept";
    const QString dept = "and StDeptKey in (" + keys + ")";
    const QString tradeDept = "and (StDeptBuyKey in (" + keys + ") or StDeptSaleKey in (" + keys + "))";
    const QString groupDesc = " group by StCode,StName,StDate Order by StDate desc";
    const Case cases[] = {
        {"nothing ticked, sell-only, threshold of kind 0",
         [](OperatorQuery& p) { p.thresholdKind = kBoughtOrSold; },
         QueryButton::SaleOnly,
         {kTopFiveHead, "where (StBuy=0 and StSale>0)", "Order by ID"},
         {kTradesHead + "80)", "Order by ID"},
         {},
         2,
         2},
        {"only the end date: that day alone",
         [](OperatorQuery& p) {
             p.toTicked = true;
             p.to = QDate(2017, 3, 10);
         },
         QueryButton::All,
         {kTopFiveHead, "where (true)", "and StDate>:StDate and StDate<=:StDateTo", "Order by ID"},
         {kTradesHead + "0)", "and StDate>:StDate and StDate<=:StDateTo", "Order by ID"},
         {{":StDate", QDate(2017, 3, 9)}, {":StDateTo", QDate(2017, 3, 10)}},
         3,
         2},
        {"only the start date, buy-only",
         [](OperatorQuery& p) {
             p.fromTicked = true;
             p.from = QDate(2017, 3, 13);
         },
         QueryButton::BuyOnly,
         {kTopFiveHead, "where (StBuy>0 and StSale=0)", "and StDate>=:StDate", "Order by ID"},
         {kTradesHead + "0)", "and StDate>=:StDate", "Order by ID"},
         {{":StDate", QDate(2017, 3, 13)}},
         1,
         1},
        {"both dates, both sides, sorted by size",
         [](OperatorQuery& p) {
             p.fromTicked = p.toTicked = p.sortOnAmount = true;
             p.from = QDate(2017, 3, 10);
             p.to = QDate(2017, 3, 13);
         },
         QueryButton::BuySale,
         {kTopFiveHead, "where (StBuy>0 and StSale>0)", "and StDate>=:StDate and StDate<=:StDateTo",
          "Order by ABS(StRate) desc"},
         {kTradesHead + "0)", "and StDate>=:StDate and StDate<=:StDateTo", "Order by ABS(StQTY) desc"},
         {{":StDate", QDate(2017, 3, 10)}, {":StDateTo", QDate(2017, 3, 13)}},
         2,
         3},
        {"main-force sums, threshold 0: no having clause",
         [](OperatorQuery& p) {
             p.mainBuySale = true;
             p.threshold = 0;
             p.thresholdKind = kBoughtOrSold;
         },
         QueryButton::All,
         {kSumsHead, "where (true)", groupDesc},
         {kTradesHead + "0)"},
         {},
         3,
         4},
        {"main-force sums bought or sold over 60",
         [](OperatorQuery& p) {
             p.mainBuySale = true;
             p.threshold = 60;
             p.thresholdKind = kBoughtOrSold;
         },
         QueryButton::All,
         {kSumsHead, "where (true)",
          " group by StCode,StName,StDate having (sum(StBuy)>=60 or sum(StSale)>=60) Order by StDate DESC"},
         {kTradesHead + "60)"},
         {},
         2,
         2},
        {"main-force sums bought over 60",
         [](OperatorQuery& p) {
             p.mainBuySale = true;
             p.threshold = 60;
             p.thresholdKind = kBought;
         },
         QueryButton::All,
         {kSumsHead, "where (true)",
          " group by StCode,StName,StDate having (sum(StBuy)>=60) Order by StDate DESC"},
         {kTradesHead + "60)"},
         {},
         1,
         2},
        {"main-force sums sold over 60",
         [](OperatorQuery& p) {
             p.mainBuySale = true;
             p.threshold = 60;
             p.thresholdKind = kSold;
         },
         QueryButton::All,
         {kSumsHead, "where (true)",
          " group by StCode,StName,StDate having (sum(StSale)>=60) Order by StDate DESC"},
         {kTradesHead + "60)"},
         {},
         1,
         2},
        {"main-force data of all kinds with a department: no department line, yet a window",
         [](OperatorQuery& p) {
             p.mainBuySale = p.departmentGiven = true;
             p.departmentItem = kGuotai;
         },
         QueryButton::All,
         {kSumsHead, "where (true)", groupDesc},
         {kTradesHead + "0)"},
         {},
         3,
         4,
         2},
        {"single alerts of a given stock",
         [](OperatorQuery& p) {
             p.mainBuySale = p.stockGiven = true;
             p.stockCode = "600610";
         },
         QueryButton::All,
         {kAlertsHead, "where (true)", "and StCode=:StCode", " Order by ID"},
         {kTradesHead + "0)", "and StCode=:StCode"},
         {{":StCode", "600610"}},
         3,
         2,
         1},
        {"a department item with its count: the name alone, bought or sold in block trades",
         [](OperatorQuery& p) {
             p.departmentGiven = true;
             p.departmentItem = kGuotai + "|12";
         },
         QueryButton::All,
         {kTopFiveHead, "where (true)", dept, "Order by ID"},
         {kTradesHead + "0)", tradeDept, "Order by ID"},
         {{":StDept", kGuotai}},
         2,
         2,
         2},
        {"a department name with quotes, with a stock",
         [](OperatorQuery& p) {
             p.departmentGiven = p.stockGiven = true;
             p.departmentItem = kQuoted;
             p.stockCode = "000001";
         },
         QueryButton::All,
         {kTopFiveHead, "where (true)", "and StCode=:StCode", dept, "Order by ID"},
         {kTradesHead + "0)", "and StCode=:StCode", tradeDept, "Order by ID"},
         {{":StCode", "000001"}, {":StDept", kQuoted}},
         1,
         1,
         3},
        {"a stored name with blanks around it matches its trimmed item",
         [](OperatorQuery& p) {
             p.departmentGiven = true;
             p.departmentItem = kBlanked.trimmed();
         },
         QueryButton::BuySaleOnly,
         {kTopFiveHead, "where (StBuy=0 or StSale=0)", dept, "Order by ID"},
         {kTradesHead + "0)", tradeDept, "Order by ID"},
         {{":StDept", kBlanked.trimmed()}},
         1,
         0,
         2},
        {"item 0 with the department box ticked: no department line",
         [](OperatorQuery& p) { p.departmentGiven = true; },
         QueryButton::All,
         {kTopFiveHead, "where (true)", "Order by ID"},
         {kTradesHead + "0)", "Order by ID"},
         {},
         8,
         4,
         2},
    };
    TempHome home;
    TDataBase db(home.file("Quarrow.db"));
    ASSERT_TRUE(db.open());
    seedReviewRows(db);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OperatorQuery page = OperatorQuery::initial(QDate(2017, 3, 20));
        page.fromTicked = false;
        c.set(page);
        const OperatorStatements statements = composeOperatorQuery(page, c.button);
        EXPECT_EQ(statements.main.lines, c.main);
        EXPECT_EQ(statements.blockTrades.lines, c.trades);
        EXPECT_EQ(statements.main.values, c.values);
        EXPECT_EQ(statements.blockTrades.values, c.values);
        EXPECT_EQ(resultRows(db, statements.main).size(), c.mainRows);
        EXPECT_EQ(resultRows(db, statements.blockTrades).size(), c.tradeRows);
        EXPECT_EQ(page.targetBits(), c.targetBits);
    }
}

TEST(OperatorQuery, PageControlsStartAndStepAsTheWindowShowsThem) {
    const OperatorQuery page = OperatorQuery::initial(QDate(2017, 3, 20));
    EXPECT_TRUE(page.fromTicked);
    EXPECT_FALSE(page.toTicked);
    EXPECT_EQ(page.from, QDate(2017, 3, 20));
    EXPECT_EQ(page.threshold, 80);
    EXPECT_EQ(page.thresholdKind, kAllData);
    EXPECT_EQ(thresholdKindLook(page.thresholdKind).caption, "全部数据");
    EXPECT_EQ(thresholdKindLook(page.thresholdKind).fontRgb, 0x808000u);

    // Four clicks come back round to where they started.
    int tag = kBoughtOrSold;
    for (int click = 0; click < 4; ++click)
        tag = nextThresholdKind(tag);
    EXPECT_EQ(thresholdKindLook(tag).caption, "买卖超过");
    EXPECT_EQ(thresholdKindLook(tag).fontRgb, 0x800000u);

    // An end before the start pulls the start along; a later end leaves it.
    OperatorQuery dates = page;
    dates.changeDateTo(QDate(2017, 3, 25));
    EXPECT_EQ(dates.from, QDate(2017, 3, 20));
    dates.changeDateTo(QDate(2017, 3, 1));
    EXPECT_EQ(dates.from, QDate(2017, 3, 1));

    EXPECT_EQ(resultCaption(1), "股票操盘数据查询");
    EXPECT_EQ(resultCaption(2), "操盘庄家数据查询");
    EXPECT_EQ(resultCaption(3), "股票操盘庄家查询");
    EXPECT_EQ(departmentOfItem(kGuotai), kGuotai);
    const QStringList items{kNoDepartmentItem, "中信证券总部|3", kGuotai + "|12"};
    EXPECT_EQ(departmentItemIndex(items, kGuotai), 2);
    EXPECT_EQ(departmentItemIndex(items, "无此营业部"), -1);
}

TEST(OperatorQuery, TheDepartmentListHoldsEveryStoredNameTrimmedAndNothingRunsWhenClosed) {
    TempHome home;
    TDataBase db(home.file("Quarrow.db"));
    ASSERT_TRUE(db.open());
    seedReviewRows(db);
    ASSERT_TRUE(db.execute("insert into tblStDepart (StDeptKey,StDept) values (9,'   ')"));
    const auto names = loadDepartmentNames(db);
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(*names, (QStringList{kGuotai, kQuoted, kCitic, kDescription, kBlanked.trimmed()}));

    TDataBase closed(home.file("other.db"));
    EXPECT_FALSE(loadDepartmentNames(closed).has_value());
    const QueryRows rows(closed, composeOperatorQuery(OperatorQuery(), QueryButton::All).main);
    EXPECT_FALSE(rows.ok());
    EXPECT_EQ(rows.error(), "the database is not open");
}

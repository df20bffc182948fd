#include "review/DrillDown.h"

#include "review/ReviewTestData.h"
#include "support/TestSupport.h"

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QString kTopFiveHead =
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDept as 营业部o涨跌说明,StBuy as "
    "买入o成交量,StSale as 卖出o成交额,StRate as 涨跌幅度,StMemo as 注释 From viewStChange where ";
const QString kTradesHead =
    "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDeptBuy as 买方,StPrice as 成交价格,StQTY "
    "as "
    "成交万股,StAMT as 成交万元,StDeptSale as 卖方 From viewStBigBuySale where ";

// The rows of a statement with its values written into the text, correctly quoted: what
// the drill-down must select.
QStringList literalRows(TDataBase& db, const QString& sql) {
    ComposedStatement literal;
    literal.add(sql);
    return resultRows(db, literal);
}

}  // namespace

// A double-click narrows to the cell's stock, day or department; the value is bound, so a
// department named with quotes selects its rows like any other.
TEST(DrillDown, NarrowsByTheClickedColumnWithBoundValues) {
    const QVariantList topFiveRow{"600610", "中毅达", "2017-03-10", kGuotai, 100.0, 50.0, -9.5, "--"};
    const QVariantList quotedRow{"000001", "平安银行", QDate(2017, 3, 13), kQuoted, 40.0, 40.0, 5.25, "--"};
    const QVariantList tradeRow{"600610", "中毅达", "2017-03-09", kGuotai, 10.5, 100.0, 1050.0, kQuoted};
    struct Case {
        const char* what;
        ResultKind kind;
        int column;
        QVariantList row;
        QString condition;
        QList<BoundValue> values;
        QString literalCondition;
        int rows;
    };
    const Case cases[] = {
        {"code",
         ResultKind::TopFive,
         0,
         topFiveRow,
         "StCode=:StCode ",
         {{":StCode", "600610"}},
         "StCode='600610' ",
         5},
        {"stock name: the stock from that day on",
         ResultKind::TopFive,
         1,
         topFiveRow,
         "StCode=:StCode and StDate>=:StDate ",
         {{":StCode", "600610"}, {":StDate", QDate(2017, 3, 10)}},
         "StCode='600610' and StDate>=CDate('2017-03-10') ",
         2},
        {"trading day",
         ResultKind::TopFive,
         2,
         topFiveRow,
         "StDate=:StDate ",
         {{":StDate", QDate(2017, 3, 10)}},
         "StDate=CDate('2017-03-10') ",
         3},
        {"department",
         ResultKind::TopFive,
         3,
         topFiveRow,
         "StDept=:StDept ",
         {{":StDept", kGuotai}},
         "StDept='" + kGuotai + "' ",
         2},
        {"department with quotes",
         ResultKind::TopFive,
         3,
         quotedRow,
         "StDept=:StDept ",
         {{":StDept", kQuoted}},
         "StDept='O''Neil''s 营业部' ",
         3},
        {"day of a grid that holds dates",
         ResultKind::TopFive,
         2,
         quotedRow,
         "StDate=:StDate ",
         {{":StDate", QDate(2017, 3, 13)}},
         "StDate='2017-03-13' ",
         2},
        {"block trades of the stock",
         ResultKind::BlockTrades,
         0,
         tradeRow,
         "StCode=:StCode ",
         {{":StCode", "600610"}},
         "StCode='600610' ",
         2},
        {"block trades of that day",
         ResultKind::BlockTrades,
         2,
         tradeRow,
         "StDate=:StDate ",
         {{":StDate", QDate(2017, 3, 9)}},
         "StDate='2017-03-09' ",
         1},
        {"buyer",
         ResultKind::BlockTrades,
         3,
         tradeRow,
         "StDeptBuy=:StDept ",
         {{":StDept", kGuotai}},
         "StDeptBuy='" + kGuotai + "' ",
         1},
        {"seller with quotes",
         ResultKind::BlockTrades,
         7,
         tradeRow,
         "StDeptSale=:StDept ",
         {{":StDept", kQuoted}},
         "StDeptSale='O''Neil''s 营业部' ",
         1},
    };
    TempHome home;
    TDataBase db(home.file("Quarrow.db"));
    ASSERT_TRUE(db.open());
    seedReviewRows(db);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto statement = composeDrillDown(c.kind, c.column, c.row);
        ASSERT_TRUE(statement.has_value());
        const QString head = c.kind == ResultKind::TopFive ? kTopFiveHead : kTradesHead;
        EXPECT_EQ(statement->lines, QStringList{head + c.condition + "order by ID"});
        EXPECT_EQ(statement->values, c.values);
        const QStringList rows = resultRows(db, *statement);
        EXPECT_EQ(rows.size(), c.rows);
        EXPECT_EQ(rows, literalRows(db, head + c.literalCondition + "order by ID"));
    }
}

TEST(DrillDown, ColumnsThatNarrowNothingOpenNoWindow) {
    const QVariantList row{"600610", "中毅达", "2017-03-10", kGuotai, 1.0, 2.0, 3.0, "x"};
    for (const int column : {4, 5, 6, 7, 8})
        EXPECT_FALSE(composeDrillDown(ResultKind::TopFive, column, row).has_value()) << column;
    for (const int column : {4, 5, 6, 8})
        EXPECT_FALSE(composeDrillDown(ResultKind::BlockTrades, column, row).has_value()) << column;
    EXPECT_EQ(resultWindowLook(ResultKind::BlockTrades).caption, "股票大宗买卖数据");
    EXPECT_EQ(resultWindowLook(ResultKind::TopFive).caption, "股票+营业部查询数据");
}

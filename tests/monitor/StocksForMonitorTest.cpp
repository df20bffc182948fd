#include "monitor/StocksForMonitor.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"
#include "store/DataBase.h"

#include "support/TestSupport.h"

#include <vector>

using namespace quarrow;
using quarrow::test::TempHome;

namespace {

struct Market {
    Market() {
        EXPECT_TRUE(db.open());
        const struct {
            const char* code;
            const char* name;
            const char* capital;
        } rows[] = {{"000001", "平安银行", "1500000"},
                    {"600610", "东方不败", "23000"},
                    {"600000", "浦发银行", "70000"},
                    {"000002", "万科A", "50000.5"}};
        for (const auto& row : rows) {
            Statement insert = db.DBCommand(
                QStringLiteral("insert into tblStocks (StCode,StName,StAQuantity) values (:c,:n,:q)"));
            insert.bind(QStringLiteral(":c"), QString::fromUtf8(row.code))
                .bind(QStringLiteral(":n"), QString::fromUtf8(row.name))
                .bind(QStringLiteral(":q"), *Money::parse(QString::fromUtf8(row.capital)));
            EXPECT_TRUE(insert.exec());
            stocks.append((QString::fromUtf8(row.code).startsWith(QLatin1Char('6')) ? QStringLiteral("sh")
                                                                                    : QStringLiteral("sz")) +
                              QString::fromUtf8(row.code),
                          QString::fromUtf8(row.name));
        }
        stocks.append(QStringLiteral("sz300999"), QStringLiteral("新股"));  // not in tblStocks
    }
    QStringList values(const WatchSelection& selection) {
        StocksForMonitor watch(db, stocks, own);
        const int count = watch.rebuild(selection);
        QStringList out;
        for (const WatchRow& row : watch.rows())
            out << row.name + QLatin1Char('=') + row.value;
        out << QString::number(count);
        return out;
    }

    TempHome home;
    TDataBase db{home.file(QStringLiteral("Quarrow.db"))};
    StockList stocks;
    OwnStockList own{home.file(QStringLiteral("SelfStock.Txt"))};
};

}  // namespace

TEST(StocksForMonitor, RebuildPicksByCapitalThenOwnStocks) {
    Market market;
    ASSERT_EQ(market.own.add(QStringLiteral("sh600000")), OwnStockList::Change::Done);
    ASSERT_EQ(market.own.add(QStringLiteral("sz300999")), OwnStockList::Change::Done);
    const auto selection = [](bool below, bool upper, bool own) {
        WatchSelection s;
        s.below = below;
        s.upper = upper;
        s.includeOwn = own;
        return s;
    };
    const struct {
        WatchSelection selection;
        std::vector<const char*> values;  // name=value in order, then the count
    } cases[] = {
        // The page's initial state: at most 50000, own stocks after, marked "(*".
        {selection(true, false, true),
         {"东方不败=600610(23000)", "浦发银行=600000(*70000)", "新股=300999(*)", "3"}},
        // Both bounds at 50000 and 100000: 70000 lies between and is not taken.
        {selection(true, true, false), {"东方不败=600610(23000)", "平安银行=000001(1500000)", "2"}},
        {selection(false, true, false), {"平安银行=000001(1500000)", "1"}},
        // No capital box, no own stocks: every stock of the list.
        {selection(false, false, false),
         {"平安银行=000001(-)", "东方不败=600610(-)", "浦发银行=600000(-)", "万科A=000002(-)",
          "新股=300999(-)", "5"}},
        // No capital box with own stocks: only the own stocks.
        {selection(false, false, true), {"浦发银行=600000(*70000)", "新股=300999(*)", "2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        QStringList expected;
        for (const char* value : c.values)
            expected << QString::fromUtf8(value);
        EXPECT_EQ(market.values(c.selection), expected);
    }
}

TEST(StocksForMonitor, LooksUpTheFirstRowAndPicksOnlyWhenReady) {
    Market market;
    ASSERT_EQ(market.own.add(QStringLiteral("sh600610")), OwnStockList::Change::Done);
    StocksForMonitor watch(market.db, market.stocks, market.own);
    EXPECT_FALSE(watch.pick(0));  // nothing built yet
    watch.rebuild(WatchSelection());
    EXPECT_EQ(watch.valueOf(QStringLiteral("东方不败")), QStringLiteral("600610(23000)"));
    EXPECT_EQ(watch.valueOf(QStringLiteral("浦发银行")), QString());
    const auto pick = watch.pick(0);
    ASSERT_TRUE(pick);
    EXPECT_EQ(pick->code, QStringLiteral("600610"));
    EXPECT_EQ(pick->marketKey, QStringLiteral("sh600610"));
    EXPECT_EQ(pick->name, QStringLiteral("东方不败"));
}

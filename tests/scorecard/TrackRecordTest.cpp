#include "ScorecardTestData.h"
#include "quotefiles/DailyBarSearch.h"
#include "scorecard/TrackRecord.h"
#include "support/TestSupport.h"

#include <cmath>

namespace quarrow::test {
namespace {

class TrackRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeScorecardBars(quote());
        ASSERT_TRUE(db.open());
        storeScorecardRows(db);
    }
    QString quote() const { return home.file(QStringLiteral("quote")); }
    TrackRecord compute(const TrackRecordOptions& options = {}) {
        TrackRecord record = TrackRecord::compute(db, quote(), options);
        EXPECT_TRUE(record.ok()) << record.error().toStdString();
        return record;
    }

    TempHome home;
    TDataBase db{home.file(QStringLiteral("Quarrow.db"))};
};

struct Horizon {
    int count;
    double average, median, riseShare;
};

TEST_F(TrackRecordTest, ReturnsAfterEachDepartmentsTradesAreWorkedOutOnBarDays) {
    struct Case {
        QString department;
        TradeSide side;
        int appearances, trades;
        double total;
        Horizon horizons[5];  // 1, 2, 3, 5, 10 trading days
    };
    const Case cases[] = {
        // sz000001 from 1100: 990, 1000, 1050, 1150, 1250; sz000002 from 2000 across its
        // suspension: 2200, 1800, then no more bars.
        {kJia,
         TradeSide::Buy,
         2,
         2,
         800,
         {{2, 0, 0, 50},
          {2, -9.5455, -9.5455, 0},
          {1, -4.5455, -4.5455, 0},
          {1, 4.5455, 4.5455, 100},
          {1, 13.6364, 13.6364, 100}}},
        {kJia,
         TradeSide::Sell,
         2,
         0,
         0,
         {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
        // Listed twice on one day: one appearance with the larger figure; from 1200 the
        // tenth bar after lies past the file's end.
        {kYi,
         TradeSide::Buy,
         1,
         1,
         150,
         {{1, -4.1667, -4.1667, 0},
          {1, -8.3333, -8.3333, 0},
          {1, -16.6667, -16.6667, 0},
          {1, 8.3333, 8.3333, 100},
          {0, 0, 0, 0}}},
        // Sold only; an unchanged close is no rise.
        {kBing,
         TradeSide::Sell,
         1,
         1,
         400,
         {{1, 5, 5, 100}, {1, 20, 20, 100}, {1, 15, 15, 100}, {1, 0, 0, 0}, {1, 50, 50, 100}}},
        {kBing,
         TradeSide::Buy,
         1,
         0,
         0,
         {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
        // No daily-bar file: the trade counts, no horizon is reached.
        {kDing,
         TradeSide::Buy,
         1,
         1,
         80,
         {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
    };
    const TrackRecord record = compute();
    EXPECT_EQ(record.departments().size(), 4u) << "the anomaly row is no department";
    EXPECT_EQ(record.stats().filesOpened, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.department.toStdString() + (c.side == TradeSide::Buy ? " buy" : " sell"));
        const DepartmentRecord* department = record.findByName(c.department);
        ASSERT_NE(department, nullptr);
        EXPECT_EQ(department->appearances, c.appearances);
        const SideFigures& side = department->side(c.side);
        EXPECT_EQ(side.trades, c.trades);
        EXPECT_EQ(side.total, Money::fromDouble(c.total));
        ASSERT_EQ(side.horizons.size(), 5);
        for (int h = 0; h < 5; ++h) {
            SCOPED_TRACE(h);
            EXPECT_EQ(side.horizons[h].count, c.horizons[h].count);
            if (c.horizons[h].count == 0)
                continue;
            EXPECT_NEAR(side.horizons[h].average, c.horizons[h].average, 1e-3);
            EXPECT_NEAR(side.horizons[h].median, c.horizons[h].median, 1e-3);
            EXPECT_NEAR(side.horizons[h].riseShare, c.horizons[h].riseShare, 1e-9);
        }
    }

    const std::vector<DepartmentTrade> trades = record.tradesOf(record.findByName(kJia)->key);
    ASSERT_EQ(trades.size(), 2u);
    EXPECT_EQ(trades[1].code, QStringLiteral("000002"));
    EXPECT_NEAR(*trades[1].returns[1], -10, 1e-4);
    EXPECT_FALSE(trades[1].returns[2]) << "the bars end before the third trading day";
}

TEST_F(TrackRecordTest, FiltersAndRankingChooseTheDepartments) {
    struct Case {
        const char* what;
        TrackRecordOptions options;
        Ranking ranking;
        QStringList expected;
    };
    const auto options = [](QDate from, QDate to, Market market) {
        TrackRecordOptions o;
        o.from = from;
        o.to = to;
        o.market = market;
        return o;
    };
    const auto only = [](const QStringList& names) {
        TrackRecordOptions o;
        for (const QString& name : names)
            o.departments << CalcDeptKey(name);
        return o;
    };
    const auto ranking = [](TradeSide side, int minCount, RankOrder order, int horizon, int top) {
        return Ranking{side, minCount, order, horizon, top};
    };
    const Case cases[] = {
        {"all buyers by count, ties by name", {}, {}, {kJia, kDing, kYi}},
        {"sellers", {}, ranking(TradeSide::Sell, 1, RankOrder::Count, 0, 0), {kBing}},
        {"at least two buys", {}, ranking(TradeSide::Buy, 2, RankOrder::Count, 0, 0), {kJia}},
        {"by average after 3 days; no bars ranks last",
         {},
         ranking(TradeSide::Buy, 1, RankOrder::Average, 2, 0),
         {kJia, kYi, kDing}},
        {"by share of rises after 5 days, ties by name, top 1",
         {},
         ranking(TradeSide::Buy, 1, RankOrder::RiseShare, 3, 1),
         {kYi}},
        {"from 03-03", options(QDate(2017, 3, 3), {}, Market::All), {}, {kYi}},
        {"up to 03-06, sellers",
         options({}, QDate(2017, 3, 6), Market::All),
         ranking(TradeSide::Sell, 1, RankOrder::Count, 0, 0),
         {kBing}},
        {"Shanghai", options({}, {}, Market::Shanghai), {}, {kDing}},
        {"Shenzhen", options({}, {}, Market::Shenzhen), {}, {kJia, kYi}},
        {"two departments by key", only({kYi, kDing}), {}, {kDing, kYi}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TrackRecord record = compute(c.options);
        QStringList names;
        for (const DepartmentRecord* department : rankDepartments(record, c.ranking))
            names << department->name;
        EXPECT_EQ(names, c.expected);
    }
    // A department's record is its own trades' alone: the same with or without the others.
    const TrackRecord whole = compute();
    const TrackRecord part = compute(only({kYi}));
    const auto figures = [](const TrackRecord& record) {
        const SideFigures& buys = record.findByName(kYi)->buys;
        return std::make_tuple(buys.trades, buys.total, buys.horizons.first().average,
                               buys.horizons.last().count);
    };
    EXPECT_EQ(figures(part), figures(whole));
}

// Many days of a stock come from one read of their stretch, a few from a search each: the
// returns are the same either way, and are what the closes say.
TEST(StockReturnsTest, OneReadAndASearchADayGiveTheSameReturns) {
    TempHome home;
    QList<DailyBar> bars;
    for (QDate day(2017, 1, 2); bars.size() < 30; day = day.addDays(1)) {
        if (day.dayOfWeek() <= 5)
            bars << makeBar(day.year() * 10000 + day.month() * 100 + day.day(), 1000,
                            1000 + 10 * bars.size());
    }
    writeBars(home.path(), QStringLiteral("sz000001"), bars);
    std::vector<qint32> days;
    for (qsizetype i = 0; i < bars.size(); i += 3)
        days.push_back(bars[i].Date);
    days.insert(days.begin() + 2, 20170107);  // a Saturday: no bar
    days.push_back(bars.last().Date);
    const QList<int> horizons{1, 3, 5};
    const StockReturns together = stockReturns(home.path(), QStringLiteral("000001"), days, horizons);
    ASSERT_GE(days.size(), 8u) << "enough days for one read";
    for (size_t d = 0; d < days.size(); ++d) {
        SCOPED_TRACE(days[d]);
        const StockReturns alone = stockReturns(home.path(), QStringLiteral("000001"), {days[d]}, horizons);
        const auto bar =
            std::find_if(bars.begin(), bars.end(), [&](const DailyBar& b) { return b.Date == days[d]; });
        for (qsizetype h = 0; h < horizons.size(); ++h) {
            const float one = together.values[d * 3 + static_cast<size_t>(h)];
            const qsizetype later = bar == bars.end() ? bars.size() : (bar - bars.begin()) + horizons[h];
            if (later >= bars.size()) {
                EXPECT_TRUE(std::isnan(one) && std::isnan(alone.values[static_cast<size_t>(h)]));
                continue;
            }
            EXPECT_FLOAT_EQ(one, static_cast<float>((bars[later].Close / double(bar->Close) - 1.0) * 100.0));
            EXPECT_EQ(one, alone.values[static_cast<size_t>(h)]);
        }
    }
    EXPECT_LE(together.reads, 20) << "one read of the stretch and the searches for its ends";
}

TEST(DailyBarSearchTest, FindsDaysBySeekingAFewRecords) {
    TempHome home;
    // Weekdays only, so the dates are not an exact line through the file.
    QList<DailyBar> bars;
    QDate day(2000, 1, 3);
    while (bars.size() < 5000) {
        if (day.dayOfWeek() <= 5)
            bars << makeBar(day.year() * 10000 + day.month() * 100 + day.day(), 100, 100);
        day = day.addDays(1);
    }
    writeBars(home.path(), QStringLiteral("sz000001"), bars);
    struct Case {
        qint32 day;
        qint64 index;  // -1: no bar that day
    };
    const Case cases[] = {
        {bars[0].Date, 0},       {bars[1].Date, 1}, {bars[2500].Date, 2500},         {bars[4998].Date, 4998},
        {bars[4999].Date, 4999}, {20000101, -1},    {20000108, -1} /* a Saturday */, {30000101, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.day);
        DailyBarSearch search(QuotePaths::dailyBarFile(home.path(), QStringLiteral("sz000001")));
        EXPECT_EQ(search.indexOf(c.day), c.index);
        EXPECT_LE(search.reads(), 16) << "a search seeks; it does not read through the file";
    }
}

}  // namespace
}  // namespace quarrow::test

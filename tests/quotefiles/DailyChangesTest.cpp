#include "quotefiles/DailyChanges.h"

#include "QuoteTestFiles.h"
#include "quotefiles/FileOP.h"
#include "support/TestSupport.h"

#include <QHash>

using namespace quarrow;
using namespace quarrow::test;

namespace {

Money percent(const char* text) {
    return *Money::parse(QString::fromLatin1(text));
}

}  // namespace

TEST(CalcDailysChanges, SumsTheLastNCloseToCloseChanges) {
    TempHome home;
    // 1000 → 1100 (+10 %) → 990 (−10 %) → 1089 (+10 %) → 1200 (+10.1928… %)
    writeBars(home.path(), QStringLiteral("sh600000"),
              barsWithCloses({1000, 1100, 990, 1089, 1200}, 1000, 777));
    const TStockChange change = CalcDailysChanges(home.path(), QStringLiteral("sh600000"), 3);
    EXPECT_EQ(change.StDays, 3);
    // −10 + 10 + 10.1928 (1111/1089 × 100 = 10.192837…)
    EXPECT_EQ(change.StChang, percent("10.1928"));
    EXPECT_EQ(change.StDateLast, 20170305);
    EXPECT_EQ(change.StQTYLast, 777);
}

TEST(CalcDailysChanges, AShortHistoryStartsFromItsFirstOpen) {
    TempHome home;
    writeBars(home.path(), QStringLiteral("sz300001"), barsWithCloses({1440, 1584}, 1000));
    const TStockChange change = CalcDailysChanges(home.path(), QStringLiteral("sz300001"), 3);
    EXPECT_EQ(change.StDays, 2);
    EXPECT_EQ(change.StChang, percent("54"));  // +44 % from the open, +10 % the next day
    EXPECT_EQ(change.StDateLast, 20170302);

    // Exactly N bars is still short: N + 1 are needed for a base close.
    writeBars(home.path(), QStringLiteral("sz300002"), barsWithCloses({1100, 1210, 1331}, 1000));
    const TStockChange three = CalcDailysChanges(home.path(), QStringLiteral("sz300002"), 3);
    EXPECT_EQ(three.StDays, 3);
    EXPECT_EQ(three.StChang, percent("30"));
}

TEST(CalcDailysChanges, NothingToReadGivesZeros) {
    TempHome home;
    writeBars(home.path(), QStringLiteral("sh600000"), barsWithCloses({1000, 1100}, 1000));
    writeBars(home.path(), QStringLiteral("sh600001"), {});
    EXPECT_EQ(CalcDailysChanges(home.path(), QStringLiteral("sh600000"), 0), TStockChange());
    EXPECT_EQ(CalcDailysChanges(home.path(), QStringLiteral("sh600000"), -4), TStockChange());
    EXPECT_EQ(CalcDailysChanges(home.path(), QStringLiteral("sh699999"), 3), TStockChange());
    EXPECT_EQ(CalcDailysChanges(home.path(), QStringLiteral("sh600001"), 3), TStockChange());
}

TEST(CalcDailysChanges, AZeroBaseAddsNothingAndTheNextChangeStartsFromItsClose) {
    TempHome home;
    writeBars(home.path(), QStringLiteral("sh600000"), barsWithCloses({1000, 0, 500, 550}, 1000));
    const TStockChange change = CalcDailysChanges(home.path(), QStringLiteral("sh600000"), 3);
    // 1000 → 0 is −100 %; 0 → 500 has no base; 500 → 550 is +10 %.
    EXPECT_EQ(change.StChang, percent("-90"));
}

TEST(CalcDailysChanges, EachChangeIsRoundedToFourDecimalsHalfToEven) {
    EXPECT_EQ(percentChange(1001, 1000), percent("0.1"));
    EXPECT_EQ(percentChange(1, 3), percent("-66.6667"));
    EXPECT_EQ(percentChange(2, 3), percent("-33.3333"));
    // 1/3200 is 0.03125 % → 0.0312 (ties to even); 3/3200 is 0.09375 % → 0.0938
    EXPECT_EQ(percentChange(3201, 3200), percent("0.0312"));
    EXPECT_EQ(percentChange(3203, 3200), percent("0.0938"));
    EXPECT_EQ(percentChange(3199, 3200), percent("-0.0312"));
    EXPECT_EQ(divideRoundHalfEven(5, 2), 2);
    EXPECT_EQ(divideRoundHalfEven(7, 2), 4);
    EXPECT_EQ(divideRoundHalfEven(-5, 2), -2);
    EXPECT_EQ(divideRoundHalfEven(5, -2), -2);

    // Three rises of 1/3 % each: rounding every addition gives 3 × 0.3333.
    TempHome home;
    writeBars(home.path(), QStringLiteral("sh600000"), barsWithCloses({300, 301, 302, 303}, 300));
    const TStockChange change = CalcDailysChanges(home.path(), QStringLiteral("sh600000"), 3);
    EXPECT_EQ(change.StChang, percentChange(301, 300) + percentChange(302, 301) + percentChange(303, 302));
}

TEST(CalcDailysChanges, ATruncatedFileIsReadUpToItsLastWholeBar) {
    TempHome home;
    QFile source(dataPath(QStringLiteral("quotefiles/truncated.day")));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    writeBytes(QuotePaths::dailyBarFile(home.path(), QStringLiteral("sz000001")), source.readAll());
    const TStockChange change = CalcDailysChanges(home.path(), QStringLiteral("sz000001"), 1);
    EXPECT_EQ(change.StDays, 1);
    EXPECT_EQ(change.StDateLast, 20170316);
    EXPECT_EQ(change.StChang, percent("10"));  // 1100 → 1210
    EXPECT_EQ(change.StQTYLast, 3000000);
}

TEST(IndexSummaries, EachMarketTakesItsOwnIndex) {
    TempHome home;
    writeBars(home.path(), shanghaiIndexCode(), barsWithCloses({1000, 1010}, 1000));
    writeBars(home.path(), shenzhenIndexCode(), barsWithCloses({1000, 1020}, 1000));
    const IndexSummaries indexes = IndexSummaries::compute(home.path(), 1);
    EXPECT_EQ(indexes.forStock(QStringLiteral("sz000001")).StChang, percent("2"));
    EXPECT_EQ(indexes.forStock(QStringLiteral("sh600000")).StChang, percent("1"));
    EXPECT_EQ(indexes.forStock(QStringLiteral("xx123456")).StChang, percent("1"));
}

TEST(DailyBarPaths, EveryQuoteFileIsBuiltBelowTheFolderWithOurSeparator) {
    const QString withSlash = QuotePaths::dailyBarFile(QStringLiteral("/q/"), QStringLiteral("sz000001"));
    const QString without = QuotePaths::dailyBarFile(QStringLiteral("/q"), QStringLiteral("sz000001"));
    EXPECT_EQ(withSlash, without);
#ifndef Q_OS_WIN
    EXPECT_EQ(without, QStringLiteral("/q/Vipdoc/sz/lday/sz000001.day"));
    EXPECT_EQ(QuotePaths::nameTableFile(QStringLiteral("/q"), QStringLiteral("sh")),
              QStringLiteral("/q/T0002/hq_cache/shm.tnf"));
    EXPECT_EQ(QuotePaths::baseDbfFile(QStringLiteral("/q")), QStringLiteral("/q/T0002/hq_cache/base.dbf"));
#endif
}

// Files of real quote programs, published in open-source repositories (see realdata/SOURCES.txt).
class RealDailyBars : public ::testing::Test {
protected:
    static QString realFolder(const QString& name) {
        return QFileInfo(QStringLiteral(QUARROW_REALDATA "/") + name).absoluteFilePath();
    }
    void SetUp() override {
        if (!QFileInfo::exists(realFolder(QString())))
            GTEST_SKIP() << "the real data files are not present";
    }
};

TEST_F(RealDailyBars, ReadTheDaysAndPricesTheyHold) {
    struct Expect {
        const char* file;
        qint64 records;
        qint32 first;
        qint32 last;
    };
    for (const Expect& e : {Expect{"mootdx/sz000001.day", 4995, 20000214, 20210514},
                            Expect{"mootdx/sh000001.day", 5156, 20000214, 20210514},
                            Expect{"mootdx/sh881478.day", 1747, 20150902, 20221110},
                            Expect{"tradingmaster/sh600400.day", 245, 20140102, 20150116},
                            Expect{"tradingmaster/sh000001.day", 255, 20140102, 20150116}}) {
        TFileOP file(realFolder(QString::fromLatin1(e.file)), DailyBar::kSize, 'r');
        ASSERT_TRUE(file.Opend()) << e.file;
        EXPECT_EQ(file.RecordCount(), e.records) << e.file;
        DailyBar bar;
        ASSERT_TRUE(readDailyBar(file, bar));
        EXPECT_EQ(bar.Date, e.first) << e.file;
        qint32 previousDate = bar.Date;
        bool ordered = true;
        bool pricesHold = true;
        while (readDailyBar(file, bar)) {
            ordered = ordered && bar.Date > previousDate;
            pricesHold = pricesHold && bar.Low <= bar.Open && bar.Open <= bar.High && bar.Low <= bar.Close &&
                         bar.Close <= bar.High && bar.Low > 0 && bar.Volume >= 0;
            previousDate = bar.Date;
        }
        EXPECT_EQ(previousDate, e.last) << e.file;
        EXPECT_TRUE(ordered) << e.file;
        EXPECT_TRUE(pricesHold) << e.file;
    }
}

TEST_F(RealDailyBars, TwoSourcesOfTheShanghaiIndexAgreeOnEveryCommonDay) {
    // The same index series from two installations: the days of the short one all appear
    // in the long one with the same volume and a close at most one hundredth apart.
    const auto readAll = [](const QString& path) {
        QHash<qint32, DailyBar> bars;
        TFileOP file(path, DailyBar::kSize, 'r');
        DailyBar bar;
        while (readDailyBar(file, bar))
            bars.insert(bar.Date, bar);
        return bars;
    };
    const auto longSeries = readAll(realFolder(QStringLiteral("mootdx/sh000001.day")));
    const auto shortSeries = readAll(realFolder(QStringLiteral("tradingmaster/sh000001.day")));
    ASSERT_EQ(shortSeries.size(), 255);
    for (auto it = shortSeries.cbegin(); it != shortSeries.cend(); ++it) {
        ASSERT_TRUE(longSeries.contains(it.key())) << it.key();
        const DailyBar& other = longSeries.value(it.key());
        EXPECT_EQ(other.Volume, it->Volume) << it.key();
        EXPECT_LE(std::abs(other.Close - it->Close), 1) << it.key();
    }
}

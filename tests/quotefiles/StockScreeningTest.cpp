#include "quotefiles/StockScreening.h"

#include "QuoteTestFiles.h"
#include "store/DataBase.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

using namespace quarrow;
using namespace quarrow::test;

namespace {

// A quote folder whose two indexes end on 20170304 and a database with share capital.
class Screening : public ::testing::Test {
protected:
    void SetUp() override {
        // Indexes: flat except a +10 % day on the Shenzhen side.
        writeBars(home.path(), shanghaiIndexCode(), barsWithCloses({1000, 1000, 1000, 1000}, 1000));
        writeBars(home.path(), shenzhenIndexCode(), barsWithCloses({1000, 1000, 1000, 1100}, 1000));
        ASSERT_TRUE(db.open());
    }

    void storeCapital(const QString& code, const char* tradable) {
        Statement insert = db.DBCommand(
            QStringLiteral("insert into tblStocks (StCode,StName,StAQuantity) values (:StCode,'x',:Q)"));
        insert.bind(QStringLiteral(":StCode"), code);
        if (tradable)
            insert.bind(QStringLiteral(":Q"), *Money::parse(QString::fromLatin1(tradable)));
        else
            insert.bindNull(QStringLiteral(":Q"));
        ASSERT_TRUE(insert.exec()) << insert.error().toStdString();
    }

    ScreenResult screen(const QString& code, int percent, TDataBase* database, int days = 3) {
        StockScreener screener(home.path(), database, frame);
        return screener.ScreenStock(code, QStringLiteral("测试股"), days, percent,
                                    IndexSummaries::compute(home.path(), days));
    }

    TempHome home;
    TDataBase db{home.file(QStringLiteral("Quarrow.db"))};
    RecordingFrame frame;
};

}  // namespace

TEST_F(Screening, ALargeDeviationIsPickedAndLoggedInRed) {
    writeBars(home.path(), QStringLiteral("sh600610"), barsWithCloses({1000, 1000, 1100, 1235}, 1000));
    const ScreenResult result = screen(QStringLiteral("sh600610"), 20, &db);
    EXPECT_TRUE(result.picked);
    EXPECT_EQ(result.measure, ScreenMeasure::Deviation);
    ASSERT_EQ(frame.logs.size(), 1);
    // +10 % and +12.2727 %, against a flat index
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\tsh600610测试股涨跌幅度22.2727%:>20%"), LogColor::Red))
        << frame.logTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Screening, TheIndexChangeIsSubtractedAndAnExactTieIsPickedInGreen) {
    // Shenzhen index +10 %; the stock falls 10 %: deviation exactly −20.
    writeBars(home.path(), QStringLiteral("sz000001"), barsWithCloses({1000, 1000, 1000, 900}, 1000));
    const ScreenResult result = screen(QStringLiteral("sz000001"), 20, &db);
    EXPECT_TRUE(result.picked);
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\tsz000001测试股涨跌幅度-20%:>20%"), LogColor::Green));

    // The same −10 % on the flat Shanghai side is only −10 and has no capital row.
    frame.logs.clear();
    writeBars(home.path(), QStringLiteral("sh600000"), barsWithCloses({1000, 1000, 1000, 900}, 1000));
    const ScreenResult shanghai = screen(QStringLiteral("sh600000"), 20, &db);
    EXPECT_FALSE(shanghai.picked);
    EXPECT_EQ(shanghai.value, *Money::parse(QStringLiteral("-10")));
    EXPECT_TRUE(frame.logs.isEmpty());
}

TEST_F(Screening, BelowTheThresholdTheLastDaysTurnoverDecides) {
    // 1,000 × 10,000 tradable shares; 2,000,000 traded on the last day = 20 %.
    storeCapital(QStringLiteral("600100"), "1000");
    writeBars(home.path(), QStringLiteral("sh600100"),
              barsWithCloses({1000, 1010, 1000, 1005}, 1000, 2000000));
    const ScreenResult result = screen(QStringLiteral("sh600100"), 20, &db);
    EXPECT_TRUE(result.picked);
    EXPECT_EQ(result.measure, ScreenMeasure::Turnover);
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\tsh600100测试股换手率20%:>20%"), LogColor::Red));

    // The turnover is rounded to four decimals: 1,999,999 shares is 19.99999 % → 20.
    frame.logs.clear();
    writeBars(home.path(), QStringLiteral("sh600100"),
              barsWithCloses({1000, 1010, 1000, 1005}, 1000, 1999999));
    EXPECT_TRUE(screen(QStringLiteral("sh600100"), 20, &db).picked);
    writeBars(home.path(), QStringLiteral("sh600100"),
              barsWithCloses({1000, 1010, 1000, 1005}, 1000, 1999989));
    EXPECT_FALSE(screen(QStringLiteral("sh600100"), 20, &db).picked);
}

TEST_F(Screening, NoCapitalNoVolumeOrNoDatabaseIsNotPickedByTurnover) {
    storeCapital(QStringLiteral("600200"), "0");
    storeCapital(QStringLiteral("600201"), "1000");
    storeCapital(QStringLiteral("600202"), nullptr);
    writeBars(home.path(), QStringLiteral("sh600200"),
              barsWithCloses({1000, 1050, 1000, 1050}, 1000, 5000000));
    writeBars(home.path(), QStringLiteral("sh600201"), barsWithCloses({1000, 1050, 1000, 1000}, 1000, 0));
    writeBars(home.path(), QStringLiteral("sh600202"),
              barsWithCloses({1000, 1050, 1000, 1050}, 1000, 5000000));
    writeBars(home.path(), QStringLiteral("sh600203"),
              barsWithCloses({1000, 1050, 1000, 1050}, 1000, 5000000));

    const ScreenResult zeroCapital = screen(QStringLiteral("sh600200"), 20, &db);
    EXPECT_FALSE(zeroCapital.picked);
    EXPECT_EQ(zeroCapital.value, Money());
    EXPECT_FALSE(screen(QStringLiteral("sh600201"), 20, &db).picked);  // suspended: no volume
    EXPECT_FALSE(screen(QStringLiteral("sh600202"), 20, &db).picked);  // capital never stored
    const ScreenResult noRow = screen(QStringLiteral("sh600203"), 20, &db);
    EXPECT_FALSE(noRow.picked);
    EXPECT_EQ(noRow.value, noRow.stock.StChang);  // the deviation stands

    // A stock that the turnover would pick is not, when the database is closed.
    storeCapital(QStringLiteral("600300"), "100");
    writeBars(home.path(), QStringLiteral("sh600300"),
              barsWithCloses({1000, 1000, 1000, 1000}, 1000, 5000000));
    EXPECT_TRUE(screen(QStringLiteral("sh600300"), 20, &db).picked);
    db.close();
    EXPECT_FALSE(screen(QStringLiteral("sh600300"), 20, &db).picked);
    EXPECT_FALSE(screen(QStringLiteral("sh600300"), 20, nullptr).picked);
}

TEST_F(Screening, OneScreenerOverManyStocksReadsEachStocksCapital) {
    // The share capital is read once per screener: a screening of the whole market must
    // come to what a screener per stock comes to.
    const struct {
        const char* code;
        const char* tradable;  // nullptr: never stored; "none": no row
        qint32 lastVolume;
    } stocks[] = {{"600400", "1000", 2000000},
                  {"600401", "0", 5000000},
                  {"600402", nullptr, 5000000},
                  {"600403", "none", 5000000},
                  {"600404", "1000", 100000}};
    for (const auto& stock : stocks) {
        if (QByteArray(stock.tradable ? stock.tradable : "") != "none")
            storeCapital(QString::fromLatin1(stock.code), stock.tradable);
        writeBars(home.path(), QStringLiteral("sh") + QString::fromLatin1(stock.code),
                  barsWithCloses({1000, 1010, 1000, 1005}, 1000, stock.lastVolume));
    }
    StockScreener screener(home.path(), &db, frame);
    const IndexSummaries indexes = IndexSummaries::compute(home.path(), 3);
    for (const auto& stock : stocks) {
        const QString key = QStringLiteral("sh") + QString::fromLatin1(stock.code);
        const ScreenResult together = screener.ScreenStock(key, QStringLiteral("测试股"), 3, 20, indexes);
        const ScreenResult alone = screen(key, 20, &db);
        EXPECT_EQ(together.picked, alone.picked) << stock.code;
        EXPECT_EQ(together.value, alone.value) << stock.code;
    }
    EXPECT_TRUE(screen(QStringLiteral("sh600400"), 20, &db).picked);
}

TEST_F(Screening, ReadingAndJudgingApartComeToWhatScreeningComesTo) {
    writeBars(home.path(), QStringLiteral("sh600610"), barsWithCloses({1000, 1000, 1100, 1235}, 1000));
    StockScreener screener(home.path(), &db, frame);
    const IndexSummaries indexes = IndexSummaries::compute(home.path(), 3);
    EXPECT_FALSE(screener.readStock(QStringLiteral("sh600611"), 3)) << "no daily-bar file";
    EXPECT_FALSE(screener.readStock(QStringLiteral("sh600611"), 0));
    EXPECT_TRUE(screener.readStock(QStringLiteral("sh600610"), 0));
    const std::optional<TStockChange> bars = screener.readStock(QStringLiteral("sh600610"), 3);
    ASSERT_TRUE(bars);
    const ScreenResult apart =
        screener.judgeStock(QStringLiteral("sh600610"), QStringLiteral("测试股"), *bars, 20, indexes);
    const ScreenResult whole = screen(QStringLiteral("sh600610"), 20, &db);
    EXPECT_TRUE(apart.picked);
    EXPECT_EQ(apart.value, whole.value);
    EXPECT_EQ(apart.stock, whole.stock);
    EXPECT_EQ(frame.countLogs(QStringLiteral("\tsh600610测试股涨跌幅度22.2727%:>20%")), 2);
}

TEST_F(Screening, AStockBehindItsIndexIsReportedAsStaleInTwoRedLines) {
    QList<DailyBar> bars = barsWithCloses({1000, 2000, 4000}, 1000);
    writeBars(home.path(), QStringLiteral("sz000002"), bars);
    const ScreenResult result = screen(QStringLiteral("sz000002"), 20, &db);
    EXPECT_TRUE(result.stale);
    EXPECT_FALSE(result.picked);
    ASSERT_EQ(frame.logs.size(), 2);
    EXPECT_TRUE(
        frame.hasLog(QStringLiteral("\t股票收盘数据和深证指数日期不符:20170303<>20170304"), LogColor::Red));
    EXPECT_TRUE(
        frame.hasLog(QStringLiteral("\t请操作证券行情分析系统,下载最新的股市收盘数据!"), LogColor::Red));

    frame.logs.clear();
    writeBars(home.path(), QStringLiteral("sh600002"), bars);
    screen(QStringLiteral("sh600002"), 20, &db);
    EXPECT_EQ(frame.logs.value(0).text,
              QStringLiteral("\t股票收盘数据和上证指数日期不符:20170303<>20170304"));
}

TEST_F(Screening, WithoutAnIndexFileEveryStockOfThatMarketIsStale) {
    QFile::remove(QuotePaths::dailyBarFile(home.path(), shenzhenIndexCode()));
    writeBars(home.path(), QStringLiteral("sz000002"), barsWithCloses({1000, 2000, 4000, 8000}, 1000));
    EXPECT_TRUE(screen(QStringLiteral("sz000002"), 20, &db).stale);
    EXPECT_EQ(frame.logs.value(0).text, QStringLiteral("\t股票收盘数据和深证指数日期不符:20170304<>0"));
}

TEST_F(Screening, NoDaysMeansNothingIsMeasuredAndNothingPicked) {
    storeCapital(QStringLiteral("600400"), "1");
    writeBars(home.path(), QStringLiteral("sh600400"),
              barsWithCloses({1000, 2000, 4000, 8000}, 1000, 900000));
    const ScreenResult result = screen(QStringLiteral("sh600400"), 20, &db, 0);
    EXPECT_FALSE(result.stale);
    EXPECT_FALSE(result.picked);
    EXPECT_EQ(result.stock, TStockChange());
    EXPECT_TRUE(frame.logs.isEmpty());
}

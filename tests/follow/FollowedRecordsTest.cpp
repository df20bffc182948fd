#include "follow/FollowedRecords.h"

#include "../scorecard/ScorecardTestData.h"
#include "quotefiles/QuotePaths.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <functional>

namespace quarrow::test {
namespace {

// The records kept between calls are always those the track record gives over the whole
// store, whatever happened to the rows, the bars or the file in between.
TEST(FollowedRecordsTest, KeptRecordsStayThoseOfTheWholeStore) {
    TempHome home;
    const QString quote = home.file(QStringLiteral("quote"));
    writeScorecardBars(quote);
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    storeScorecardRows(db);
    const QString cache = home.file(FollowedRecords::fileName());
    const QList<qint32> keys{CalcDeptKey(kJia), CalcDeptKey(kYi), CalcDeptKey(kBing), CalcDeptKey(kDing)};
    const auto insert = [&](const char* code, const QDate& day, const QString& name, double buy,
                            double sale) {
        Statement row = db.DBCommand(QStringLiteral(
            "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
            "values (:StCode,:StDate,:StDeptKey,:StBuy,:StSale,10,'涨跌幅大',:StKEY)"));
        row.bind(QStringLiteral(":StCode"), QString::fromLatin1(code))
            .bind(QStringLiteral(":StDate"), day)
            .bind(QStringLiteral(":StDeptKey"), CalcDeptKey(name))
            .bind(QStringLiteral(":StBuy"), Money::fromDouble(buy))
            .bind(QStringLiteral(":StSale"), Money::fromDouble(sale))
            .bind(QStringLiteral(":StKEY"),
                  CalcRecordKey(QString::fromLatin1(code), name, Money::fromDouble(buy),
                                Money::fromDouble(sale), day));
        ASSERT_TRUE(row.exec()) << row.error().toStdString();
    };

    struct Step {
        const char* what;
        std::function<void()> change;
        QString quoteFolder;
        int kept, read;
        qint64 rowsSince;
    };
    const QString elsewhere = home.file(QStringLiteral("other-quote"));
    // The quote program rewrites a daily-bar file in place (its closes adjusted, say): as
    // many bars as before, another time.
    const auto rewriteBars = [&](const QString& folder, int shift) {
        const QString code = QStringLiteral("sz000001");
        QList<DailyBar> bars;
        qint32 close = 1000;
        for (const qint32 day : {20170301, 20170302, 20170303, 20170306, 20170307, 20170308, 20170309,
                                 20170310, 20170313, 20170314, 20170315, 20170316, 20170317, 20170320}) {
            DailyBar bar;
            bar.Date = day;
            close += (day % 3 == 0 ? -1 : 1) * shift;
            bar.Open = bar.High = bar.Low = bar.Close = close;
            bars << bar;
        }
        writeBars(folder, code, bars);
        QFile file(QuotePaths::dailyBarFile(folder, code));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            file.setFileTime(QDateTime::currentDateTime().addSecs(shift), QFileDevice::FileModificationTime));
    };
    const QString target = home.file(QStringLiteral("elsewhere.txt"));
    const Step steps[] = {
        {"the first call reads each department whole", [] {}, quote, 0, 4, 0},
        {"the next one keeps them", [] {}, quote, 4, 0, 0},
        {"rows stored since join the kept trades; one of a stock and day already there keeps the larger "
         "figures",
         [&] {
             insert("000001", QDate(2017, 3, 7), kJia, 50, 0);
             insert("000001", QDate(2017, 3, 8), kYi, 400, 0);
             insert("000001", QDate(2017, 3, 6), kBing, 100, 0);  // 丙 now bought there too
         },
         quote, 4, 0, 3},
        {"bars that came since give missing returns",
         [&] {
             writeBars(quote, QStringLiteral("sz000002"),
                       {makeBar(20170301, 2000, 2000), makeBar(20170302, 2000, 2000),
                        makeBar(20170310, 2200, 2200), makeBar(20170313, 1800, 1800),
                        makeBar(20170314, 1900, 1900), makeBar(20170315, 2100, 2100)});
         },
         quote, 4, 0, 0},
        {"a department whose rows were deleted is read again",
         [&] { ASSERT_TRUE(db.execute(QStringLiteral("delete from tblStChange where StSale=400"))); }, quote,
         3, 1, 0},
        {"another quote folder reads everything again", [] {}, elsewhere, 0, 4, 0},
        {"so does a broken file",
         [&] {
             QFile file(cache);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
             file.write("QFRC not a cache");
         },
         elsewhere, 0, 4, 0},
        {"and a store emptied and filled again",
         [&] {
             ASSERT_TRUE(db.execute(QStringLiteral("delete from tblStChange")));
             storeScorecardRows(db);
         },
         elsewhere, 0, 4, 0},
        {"back to the first quote folder, whose bars were rewritten meanwhile",
         [&] { rewriteBars(quote, 60); }, quote, 0, 4, 0},
        {"a daily-bar file rewritten in place gives its stock's returns anew",
         [&] { rewriteBars(quote, 90); }, quote, 4, 0, 0},
        {"a cache file that claims more than it holds is dropped",
         [&] {
             // The count of codes stands after the three numbers of the head, the store's
             // and the quote folder's names (a length and UTF-16) and the highest ID.
             QFile file(cache);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             ASSERT_TRUE(file.seek(12 + 4 + 2 * db.fileName().size() + 4 + 2 * quote.size() + 8));
             ASSERT_EQ(file.write(QByteArray("\x7f\xff\xff\xff", 4)), 4);
         },
         quote, 0, 4, 0},
        {"a cache larger than any is dropped unread",
         [&] {
             QFile file(cache);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             ASSERT_TRUE(file.resize(FollowedRecords::kMaxFileBytes + 1));
         },
         quote, 0, 4, 0},
        {"a link in place of the cache is replaced, its target untouched",
         [&] {
             QFile(target).remove();
             {
                 QFile file(target);
                 ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                 file.write("the user's own");
             }
             ASSERT_TRUE(QFile::remove(cache));
             ASSERT_TRUE(QFile::link(target, cache));
         },
         quote, 0, 4, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        FollowedRecords records(db, step.quoteFolder, cache);
        QString error;
        const auto kept = records.of(keys, &error);
        ASSERT_TRUE(kept) << error.toStdString();
        EXPECT_EQ(records.stats().departmentsKept, step.kept);
        EXPECT_EQ(records.stats().departmentsRead, step.read);
        EXPECT_EQ(records.stats().rowsSince, step.rowsSince);
        EXPECT_FALSE(QFileInfo(cache).isSymLink());
        EXPECT_LE(QFileInfo(cache).size(), 4096);

        TrackRecordOptions options;
        options.horizons = kFollowedHorizons;
        const TrackRecord whole = TrackRecord::compute(db, step.quoteFolder, options);
        ASSERT_TRUE(whole.ok());
        for (const qint32 key : keys) {
            const DepartmentRecord* department = nullptr;
            for (const DepartmentRecord& candidate : whole.departments())
                department = candidate.key == key ? &candidate : department;
            const FollowedRecord record = kept->value(key);
            for (const TradeSide side : {TradeSide::Buy, TradeSide::Sell}) {
                SCOPED_TRACE(key);
                const SideRecord& got = record.side(side);
                EXPECT_EQ(got.count, department ? department->side(side).trades : 0);
                for (qsizetype h = 0; h < kFollowedHorizons.size(); ++h) {
                    const HorizonFigures expected =
                        department ? department->side(side).horizons.at(h) : HorizonFigures{};
                    ASSERT_EQ(got.average.value(h).has_value(), expected.count > 0);
                    if (expected.count > 0) {
                        EXPECT_NEAR(*got.average.value(h), expected.average, 1e-9);
                        EXPECT_NEAR(*got.riseShare.value(h), expected.riseShare, 1e-9);
                    }
                }
            }
        }
    }
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "the user's own");
}

}  // namespace
}  // namespace quarrow::test

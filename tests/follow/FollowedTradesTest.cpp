#include "follow/FollowedKeys.h"
#include "follow/FollowedReport.h"
#include "follow/FollowedTrades.h"

#include "app/TextCodec.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "report/StockExtraction.h"
#include "store/RecordKeys.h"
#include "support/FakeLauncher.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QSet>

namespace quarrow::test {
namespace {

void storeName(TDataBase& db, qint32 key, const QString& name) {
    Statement insert = db.DBCommand(
        QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (:StDeptKey,:StDept)"));
    insert.bind(QStringLiteral(":StDeptKey"), key).bind(QStringLiteral(":StDept"), name);
    ASSERT_TRUE(insert.exec()) << insert.error().toStdString();
}

TEST(FollowedKeysTest, NamesAreFollowedThroughTheKeysOfTheStoredNames) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    const auto key = [](const char* name) { return CalcDeptKey(QString::fromUtf8(name)); };
    storeName(db, key("甲营业部"), QStringLiteral("甲营业部"));
    // Stored with other blanks, as a server's page may print it: another key.
    storeName(db, key(" 乙 营业部 "), QStringLiteral(" 乙 营业部 "));
    // The store gives 丙's key another name: the department was renamed away.
    storeName(db, key("丙营业部"), QStringLiteral("戊营业部"));

    struct Case {
        const char* followed;
        QList<qint32> keys;
    };
    const Case cases[] = {
        {"甲营业部", {key("甲营业部")}},
        {" 乙营业部", {key("乙营业部"), key(" 乙 营业部 ")}},
        {"丙营业部", {}},
        {"戊营业部", {key("戊营业部"), key("丙营业部")}},
        {"未上榜营业部", {key("未上榜营业部")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.followed);
        QString error;
        const auto keys = FollowedKeys::resolve(db, {QString::fromUtf8(c.followed)}, &error);
        ASSERT_TRUE(keys) << error.toStdString();
        EXPECT_EQ(QSet<qint32>(keys->keys().begin(), keys->keys().end()),
                  QSet<qint32>(c.keys.begin(), c.keys.end()));
        for (const qint32 followed : c.keys)
            EXPECT_EQ(keys->followedName(followed), QString::fromUtf8(c.followed).trimmed());
    }
    const auto all =
        FollowedKeys::resolve(db, {QStringLiteral("乙营业部"), QStringLiteral("戊营业部")}, nullptr);
    ASSERT_TRUE(all);
    EXPECT_TRUE(all->followsName(QStringLiteral(" 乙 营业部 ")));
    EXPECT_TRUE(all->followsName(QStringLiteral("戊营业部")));
    EXPECT_FALSE(all->followsName(QStringLiteral("丙营业部")));
    EXPECT_EQ(all->departmentName(key("丙营业部")), QStringLiteral("戊营业部"));
}

class FollowedRunTest : public ::testing::Test {
protected:
    FollowedRunTest() { EXPECT_TRUE(db.open()); }

    // The report of 600610 as the quote program shows it, or the same page for another code.
    static QStringList report(const QString& code) {
        QStringList lines =
            TextCodec::splitLines(TextCodec::decode(dataFile(QStringLiteral("report/two_days.txt"))));
        for (QString& line : lines)
            line.replace(QStringLiteral("600610"), code);
        return lines;
    }

    // One run: the totals start a new log, as a batch's do, and the extraction stores.
    StoredRows run(const QString& code, bool allChanges) {
        totals.storedRows = StoredRows();
        ExtractionOptions options;
        options.code = code;
        options.name = QStringLiteral("股票") + code;
        options.allChanges = allChanges;
        StockExtraction extraction(services, totals);
        EXPECT_FALSE(extraction.run(report(code), options, ExtractionCaller::Reanalysis).storeFailed);
        return totals.storedRows;
    }

    QStringList describe(const FollowedTradeList& list) {
        EXPECT_TRUE(list.ok()) << list.error.toStdString();
        QStringList rows;
        for (const FollowedTrade& trade : list.trades)
            rows << QStringLiteral("%1 %2 %3 %4/%5")
                        .arg(trade.code, trade.day.toString(QStringLiteral("MM-dd")), trade.department,
                             trade.bought.toString(), trade.sold.toString());
        return rows;
    }

    TempHome home;
    TDataBase db{home.file(QStringLiteral("Quarrow.db"))};
    RecordingFrame frame{home.path()};
    VirtualClock clock{QDateTime(QDate(2017, 3, 21), QTime(16, 0))};
    FakeLauncher launcher;
    FixedNetworkState network{true};
    PortableArchiver archiver;
    ExtractionServices services{db, frame, clock, launcher, archiver, network, ProgramFolder(home.path())};
    ExtractionAccount totals;
};

TEST_F(FollowedRunTest, ARunReportsOnlyTheFollowedRowsItStoredItself) {
    const QString institutions = QStringLiteral("机构专用");
    const QString zhongxin = QStringLiteral("中信证券股份有限公司上海溧阳路证券营业部");
    const StoredRows first = run(QStringLiteral("600610"), true);
    // Another program stores a followed seat's row of the same day between the runs.
    Statement other = db.DBCommand(
        QStringLiteral("insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
                       "values ('600612','2017-03-16',:StDeptKey,77,0,10,'涨跌幅大',:StKEY)"));
    other.bind(QStringLiteral(":StDeptKey"), CalcDeptKey(institutions))
        .bind(QStringLiteral(":StKEY"), CalcRecordKey(QStringLiteral("600612"), institutions,
                                                      Money::fromUnits(77), Money(), QDate(2017, 3, 16)));
    ASSERT_TRUE(other.exec());
    const StoredRows second = run(QStringLiteral("600611"), false);
    const StoredRows again = run(QStringLiteral("600611"), false);  // every row is there already

    QString error;
    // The followed name is written with a blank the stored one does not have.
    const auto keys = FollowedKeys::resolve(
        db, {institutions, QStringLiteral("中信证券股份有限公司 上海溧阳路证券营业部")}, &error);
    ASSERT_TRUE(keys) << error.toStdString();
    FollowedTrades trades(db, QString());
    EXPECT_EQ(describe(trades.ofRun(*keys, first)),
              QStringList({QStringLiteral("600610 03-14 机构专用 0/1200"),
                           QStringLiteral("600610 03-16 机构专用 1500/0"),
                           QStringLiteral("600610 03-16 %1 800.5/12.3").arg(zhongxin)}));
    EXPECT_EQ(describe(trades.ofRun(*keys, second)),
              QStringList({QStringLiteral("600611 03-16 机构专用 1500/0"),
                           QStringLiteral("600611 03-16 %1 800.5/12.3").arg(zhongxin)}));
    EXPECT_TRUE(again.isEmpty());
    EXPECT_TRUE(describe(trades.ofRun(*keys, again)).isEmpty());
    // The days' rows hold every run's and the other program's.
    EXPECT_EQ(describe(trades.between(*keys, QDate(2017, 3, 16), QDate(2017, 3, 16))).size(), 5);
}

TEST(FollowedReportTest, TheChatSummaryKeepsToItsLines) {
    struct Case {
        int rows;
        int maxLines;
        int lines;
        QString last;
    };
    const Case cases[] = {
        {1, 40, 2, QStringLiteral("03-16 600610东方不败 机构专用 净买入10")},
        {39, 40, 40, QStringLiteral("03-16 600610东方不败 机构专用 净买入10")},
        {40, 40, 40, QStringLiteral("……另有2条")},
        {500, 40, 40, QStringLiteral("……另有462条")},
        {5, 1, 1, QStringLiteral("关注营业部动向: 5条")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        std::vector<FollowedTrade> trades(static_cast<size_t>(c.rows));
        for (FollowedTrade& trade : trades) {
            trade.code = QStringLiteral("600610");
            trade.name = QStringLiteral("东方不败");
            trade.day = QDate(2017, 3, 16);
            trade.department = QStringLiteral("机构专用");
            trade.bought = Money::fromUnits(10);
        }
        const QStringList lines = FollowedReport::chatLines(trades, c.maxLines);
        EXPECT_EQ(lines.size(), c.lines);
        EXPECT_EQ(lines.first(), QStringLiteral("关注营业部动向: %1条").arg(c.rows));
        EXPECT_EQ(lines.last(), c.last);
    }
}

}  // namespace
}  // namespace quarrow::test

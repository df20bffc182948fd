#include "follow/DayDigest.h"
#include "follow/DigestFormat.h"

#include "../quotefiles/QuoteTestFiles.h"
#include "store/RecordKeys.h"
#include "support/TestSupport.h"

namespace quarrow::test {
namespace {

const QDate kDay(2017, 3, 16);
const QString kRise = QStringLiteral("日涨幅偏离值达7%的证券");
const QString kThreeDays = QStringLiteral("连续三个交易日内收盘价格涨幅偏离值累计达到20%的证券");
const QString kTurnover = QStringLiteral("日换手率达20%的证券");
const QString kInstitutions = QStringLiteral("机构专用");
const QString kHostile = QStringLiteral("甲<script>alert(\"x\")</script>&营业部");

class DayDigestTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db.open());
        stock("600610", "东方不败");
        stock("000001", "平安银行");
        // 600610 is listed twice that day. Within one anomaly's list every line is a seat
        // of its own (two institutions' seats); a department in both lists is one trading.
        anomaly("600610", kRise, 10.02, "涨跌幅大");
        row("600610", kInstitutions, 1500, 0, 10.02, "涨跌幅大");
        row("600610", kInstitutions, 700, 0, 10.02, "涨跌幅大");
        row("600610", kHostile, 300, 20, 10.02, "涨跌幅大");
        row("600610", QStringLiteral("乙营业部"), 0, 900, 10.02, "涨跌幅大");
        anomaly("600610", kThreeDays, 25, "涨跌幅大");
        row("600610", kHostile, 500, 10, 25, "涨跌幅大");
        row("600610", kInstitutions, 1000, 0, 25, "涨跌幅大");
        anomaly("000001", kTurnover, 20, "换手率高");
        row("000001", kHostile, 0, 200, 20, "换手率高");
        row("000001", QStringLiteral("丙营业部"), 400, 0, 20, "换手率高");
        row("000001", kInstitutions, 0, 300, 20, "换手率高");
        for (int i = 1; i <= 12; ++i)
            row("000001", QStringLiteral("营业部%1").arg(i, 2, 10, QLatin1Char('0')), 10 * i, 0, 20,
                "换手率高");
        // Another day's row counts for nothing.
        insert("600610", QDate(2017, 3, 15), kInstitutions, CalcDeptKey(kInstitutions), 9999, 0, 1,
               "涨跌幅大");

        // 80 bars of 600610 up to 2017-03-20; 000001 has no daily-bar file.
        QList<DailyBar> bars;
        for (QDate day(2016, 11, 1); day <= QDate(2017, 3, 20); day = day.addDays(1)) {
            if (day.dayOfWeek() <= 5)
                bars << makeBar(day.year() * 10000 + day.month() * 100 + day.day(), 1000, 1000 + bars.size(),
                                1000);
        }
        writeBars(quote(), QStringLiteral("sh600610"), bars);
    }

    QString quote() const { return home.file(QStringLiteral("quote")); }

    void stock(const char* code, const char* name) {
        Statement insert =
            db.DBCommand(QStringLiteral("insert into tblStocks (StCode,StName) values (:c,:n)"));
        insert.bind(QStringLiteral(":c"), QString::fromLatin1(code))
            .bind(QStringLiteral(":n"), QString::fromUtf8(name));
        ASSERT_TRUE(insert.exec());
    }
    void insert(const char* code, const QDate& day, const QString& keyText, qint32 deptKey, double buy,
                double sale, double rate, const char* memo) {
        Statement insert = db.DBCommand(QStringLiteral(
            "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
            "values (:StCode,:StDate,:StDeptKey,:StBuy,:StSale,:StRate,:StMemo,:StKEY)"));
        insert.bind(QStringLiteral(":StCode"), QString::fromLatin1(code))
            .bind(QStringLiteral(":StDate"), day)
            .bind(QStringLiteral(":StDeptKey"), deptKey)
            .bind(QStringLiteral(":StBuy"), Money::fromDouble(buy))
            .bind(QStringLiteral(":StSale"), Money::fromDouble(sale))
            .bind(QStringLiteral(":StRate"), Money::fromDouble(rate))
            .bind(QStringLiteral(":StMemo"), QString::fromUtf8(memo))
            .bind(QStringLiteral(":StKEY"),
                  CalcRecordKey(QString::fromLatin1(code), keyText, Money::fromDouble(buy),
                                Money::fromDouble(sale), day));
        ASSERT_TRUE(insert.exec()) << insert.error().toStdString();
    }
    void storeName(const QString& name) {
        Statement insert = db.DBCommand(QStringLiteral(
            "insert or ignore into tblStDepart (StDeptKey,StDept) values (:StDeptKey,:StDept)"));
        insert.bind(QStringLiteral(":StDeptKey"), CalcDeptKey(name)).bind(QStringLiteral(":StDept"), name);
        ASSERT_TRUE(insert.exec());
    }
    // The anomaly row: its key is made from the figures line, its department key from the
    // description.
    void anomaly(const char* code, const QString& description, double rate, const char* memo) {
        insert(code, kDay, QStringLiteral("涨跌幅:%1% 成交量:100万股").arg(rate), CalcDeptKey(description),
               100, 200, rate, memo);
        storeName(description);
    }
    void row(const char* code, const QString& department, double buy, double sale, double rate,
             const char* memo) {
        insert(code, kDay, department, CalcDeptKey(department), buy, sale, rate, memo);
        storeName(department);
    }

    DayDigest build(const QStringList& followed, const QDate& day, bool charts) {
        QString error;
        const auto keys = FollowedKeys::resolve(db, followed, &error);
        EXPECT_TRUE(keys) << error.toStdString();
        const auto digest = DayDigestBuilder(db, quote()).build(*keys, day, charts, &error);
        EXPECT_TRUE(digest) << error.toStdString();
        return digest.value_or(DayDigest());
    }

    static QStringList nets(const std::vector<DigestNet>& list, bool byStock) {
        QStringList lines;
        for (const DigestNet& net : list)
            lines << QStringLiteral("%1 %2 %3/%4=%5")
                         .arg(byStock ? net.code : net.department)
                         .arg(net.stocks)
                         .arg(net.bought.toString(), net.sold.toString(), net.net().toString());
        return lines;
    }

    TempHome home;
    TDataBase db{home.file(QStringLiteral("Quarrow.db"))};
};

TEST_F(DayDigestTest, TheDaysNetFiguresAddSeatsWithinAListAndTakeTheLargerAcrossLists) {
    const DayDigest digest = build({QStringLiteral("丙营业部")}, QDate(), false);
    EXPECT_EQ(digest.day, kDay) << "the newest day by default";
    ASSERT_EQ(digest.listings.size(), 2u);
    EXPECT_EQ(digest.listings[0].code, QStringLiteral("000001"));
    EXPECT_EQ(digest.listings[0].reasons, QStringList{kTurnover});
    EXPECT_EQ(digest.listings[1].name, QStringLiteral("东方不败"));
    EXPECT_EQ(digest.listings[1].reasons,
              QStringList({kRise + QStringLiteral(" (+10.02%)"), kThreeDays + QStringLiteral(" (+25.00%)")}));
    EXPECT_EQ(digest.departments, 16);
    // 机构专用: 1500+700 in the first list of 600610 against 1000 in the second, and 300
    // sold on 000001. The hostile name: 500/20 on 600610 (the larger of each), 0/200 on 000001.
    EXPECT_EQ(
        nets(digest.buyers, false),
        QStringList({QStringLiteral("机构专用 2 2200/300=1900"), QStringLiteral("丙营业部 1 400/0=400"),
                     kHostile + QStringLiteral(" 2 500/220=280"), QStringLiteral("营业部12 1 120/0=120"),
                     QStringLiteral("营业部11 1 110/0=110"), QStringLiteral("营业部10 1 100/0=100"),
                     QStringLiteral("营业部09 1 90/0=90"), QStringLiteral("营业部08 1 80/0=80"),
                     QStringLiteral("营业部07 1 70/0=70"), QStringLiteral("营业部06 1 60/0=60")}));
    EXPECT_EQ(nets(digest.sellers, false), QStringList{QStringLiteral("乙营业部 1 0/900=-900")});
    EXPECT_EQ(nets(digest.institutions, true),
              QStringList({QStringLiteral("000001 1 0/300=-300"), QStringLiteral("600610 1 2200/0=2200")}));
    EXPECT_EQ(digest.institutionsTotal.bought, Money::fromUnits(2200));
    EXPECT_EQ(digest.institutionsTotal.sold, Money::fromUnits(300));
    ASSERT_EQ(digest.followed.size(), 1u);
    EXPECT_EQ(digest.followed[0].code, QStringLiteral("000001"));
    EXPECT_EQ(digest.followed[0].bought, Money::fromUnits(400));
    EXPECT_TRUE(digest.listings[1].bars.isEmpty()) << "no charts asked for";
}

TEST_F(DayDigestTest, TheHtmlDigestIsSelfContainedWithItsTextsEscapedAndTheDayMarked) {
    const DayDigest digest = build({kHostile}, kDay, true);
    const DigestListing& charted = digest.listings[1];
    ASSERT_EQ(charted.bars.size(), DayDigest::kChartBars);
    EXPECT_EQ(charted.bars.last().Date, 20170316) << "the sixty bars end on the day";
    EXPECT_TRUE(digest.listings[0].bars.isEmpty());

    const QString html = QString::fromUtf8(DigestFormat::html(digest));
    EXPECT_TRUE(html.contains(DigestFormat::escape(kHostile)));
    for (const char* absent :
         {"<script", "src=", "href", "url(", "@import", "http:", "https:", "<link", "<img"})
        EXPECT_FALSE(html.contains(QLatin1String(absent), Qt::CaseInsensitive)) << absent;
    EXPECT_EQ(html.count(QStringLiteral("<svg")), 1);
    EXPECT_EQ(html.count(QStringLiteral("class=\"day\"")), 1);
    EXPECT_EQ(DigestFormat::escape(QStringLiteral("a\x01<b>'\"&")),
              QStringLiteral("a\uFFFD&lt;b&gt;&#39;&quot;&amp;"));

    const QString text = DigestFormat::text(digest);
    EXPECT_TRUE(text.contains(QStringLiteral("digest of 2017-03-16")));
    EXPECT_TRUE(text.contains(kHostile)) << "the terminal gets the text as stored";
}

TEST_F(DayDigestTest, ADayWithoutRowsIsAnEmptyDigestAndAnEmptyStoreNone) {
    const DayDigest quiet = build({}, QDate(2017, 3, 17), true);
    EXPECT_TRUE(quiet.listings.empty());
    EXPECT_TRUE(quiet.buyers.empty());
    ASSERT_TRUE(db.execute(QStringLiteral("delete from tblStChange")));
    QString error;
    const auto keys = FollowedKeys::resolve(db, {}, &error);
    ASSERT_TRUE(keys);
    EXPECT_FALSE(DayDigestBuilder(db, quote()).build(*keys, QDate(), false, &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace quarrow::test

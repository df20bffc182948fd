// Extraction runs over hand-made dragon-tiger pages in tests/data/report/blind: every expected
// row, key, log line and colour below was worked out from the report layout by hand.

#include "app/TextCodec.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "report/StockExtraction.h"
#include "store/RecordKeys.h"
#include "support/FakeLauncher.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace quarrow {
inline void PrintTo(Money amount, std::ostream* os) {
    *os << amount.toString().toStdString();
}
}  // namespace quarrow

namespace quarrow::test {
namespace {

Money M(const char* text) {
    const std::optional<Money> value = Money::parse(QString::fromUtf8(text));
    EXPECT_TRUE(value.has_value()) << text;
    return value.value_or(Money());
}

QString U(const char* text) {
    return QString::fromUtf8(text);
}

QStringList reportLines(const QString& file) {
    return TextCodec::splitLines(TextCodec::decode(dataFile(QStringLiteral("report/blind/") + file)));
}

struct ChangeRow {
    QString code;
    QDate day;
    qint32 deptKey = 0;
    Money buy;
    Money sale;
    Money rate;
    QString memo;
    qint64 key = 0;
};

struct TradeRow {
    QString code;
    QDate day;
    qint32 buyerKey = 0;
    Money price;
    Money quantity;
    Money amount;
    qint32 sellerKey = 0;
    qint64 key = 0;
};

struct StockRow {
    bool found = false;
    QString name;
    QDate docDate;
    QDate lastDate;
    QDate bigLast;
};

// The anomaly row of one day: keyed by the figures text, filed under the description.
ChangeRow dayRow(const QString& code, const QDate& day, const char* description, const char* figures,
                 Money volume, Money amount, Money rate, const char* memo) {
    return {code,
            day,
            CalcDeptKey(U(description)),
            volume,
            amount,
            rate,
            U(memo),
            CalcRecordKey(code, U(figures), volume, amount, day)};
}

ChangeRow deptRow(const QString& code, const QDate& day, const char* name, const char* buy, const char* sale,
                  Money rate, const char* memo) {
    return {code,
            day,
            CalcDeptKey(U(name)),
            M(buy),
            M(sale),
            rate,
            U(memo),
            CalcRecordKey(code, U(name), M(buy), M(sale), day)};
}

TradeRow trade(const QString& code, const QDate& day, const char* buyer, const char* price,
               const char* quantity, const char* amount, const char* seller) {
    return {code,
            day,
            CalcDeptKey(U(buyer)),
            M(price),
            M(quantity),
            M(amount),
            CalcDeptKey(U(seller)),
            CalcRecordKey(code, U(buyer), M(quantity), M(amount), day)};
}

struct Logged {
    QString text;
    std::optional<LogColor> color;  // empty where the colour is of no concern
};

Logged L(const char* text) {
    return {U(text), std::nullopt};
}
Logged L(const char* text, LogColor color) {
    return {U(text), color};
}

void expectLog(const RecordingFrame& frame, const QList<Logged>& expected) {
    QStringList texts;
    for (const Logged& line : expected)
        texts << line.text;
    EXPECT_EQ(frame.logTexts(), texts);
    for (int i = 0; i < expected.size() && i < frame.logs.size(); ++i) {
        if (expected[i].color && frame.logs[i].text == expected[i].text) {
            EXPECT_EQ(static_cast<int>(frame.logs[i].color), static_cast<int>(*expected[i].color))
                << "colour of log line " << i << ": " << expected[i].text.toStdString();
        }
    }
}

class BlindReport : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(db.open()) << db.openError().toStdString(); }

    ExtractionResult extract(const QString& file, const char* code, const char* name, bool allChanges,
                             int percent = 0, ExtractionCaller caller = ExtractionCaller::Reanalysis) {
        return extractLines(reportLines(file), code, name, allChanges, percent, caller);
    }

    ExtractionResult extractLines(const QStringList& lines, const char* code, const char* name,
                                  bool allChanges, int percent = 0,
                                  ExtractionCaller caller = ExtractionCaller::Reanalysis) {
        ExtractionOptions options;
        options.code = U(code);
        options.name = U(name);
        options.allChanges = allChanges;
        options.percent = percent;
        options.rarFolder = rarFolder;
        return StockExtraction(services, totals).run(lines, options, caller);
    }

    QList<ChangeRow> changeRows() {
        QList<ChangeRow> rows;
        Statement query =
            db.QueryPublic(QStringLiteral("select StCode, StDate, StDeptKey, StBuy, StSale, StRate, StMemo, "
                                          "StKEY from tblStChange order by ID"));
        EXPECT_TRUE(query.exec()) << query.error().toStdString();
        while (query.next())
            rows.append({query.text(0), query.date(1), static_cast<qint32>(query.integer(2)), query.money(3),
                         query.money(4), query.money(5), query.text(6), query.integer(7)});
        return rows;
    }

    QList<TradeRow> tradeRows() {
        QList<TradeRow> rows;
        Statement query =
            db.QueryPublic(QStringLiteral("select StCode, StDate, StDeptBuy, StPrice, StQTY, StAMT, "
                                          "StDeptSale, StKEY from tblBigBuySale order by ID"));
        EXPECT_TRUE(query.exec()) << query.error().toStdString();
        while (query.next())
            rows.append({query.text(0), query.date(1), static_cast<qint32>(query.integer(2)), query.money(3),
                         query.money(4), query.money(5), static_cast<qint32>(query.integer(6)),
                         query.integer(7)});
        return rows;
    }

    StockRow stock(const char* code) {
        StockRow row;
        Statement query = db.QueryPublic(QStringLiteral(
            "select StName, StDocDate, StLastDate, StBigLast from tblStocks where StCode=:StCode"));
        query.bind(QStringLiteral(":StCode"), U(code));
        EXPECT_TRUE(query.exec()) << query.error().toStdString();
        if (query.next()) {
            row.found = true;
            row.name = query.text(0);
            row.docDate = query.isNull(1) ? QDate() : query.date(1);
            row.lastDate = query.isNull(2) ? QDate() : query.date(2);
            row.bigLast = query.isNull(3) ? QDate() : query.date(3);
        }
        return row;
    }

    // The name stored under a department key, or nothing.
    std::optional<QString> department(const QString& name) {
        Statement query =
            db.QueryPublic(QStringLiteral("select StDept from tblStDepart where StDeptKey=:StDeptKey"));
        query.bind(QStringLiteral(":StDeptKey"), CalcDeptKey(name));
        EXPECT_TRUE(query.exec()) << query.error().toStdString();
        if (!query.next())
            return std::nullopt;
        return query.text(0);
    }

    static void expectRows(const QList<ChangeRow>& actual, const QList<ChangeRow>& expected) {
        ASSERT_EQ(actual.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "tblStChange row " << i);
            EXPECT_EQ(actual[i].code, expected[i].code);
            EXPECT_EQ(actual[i].day, expected[i].day);
            EXPECT_EQ(actual[i].deptKey, expected[i].deptKey);
            EXPECT_EQ(actual[i].buy, expected[i].buy);
            EXPECT_EQ(actual[i].sale, expected[i].sale);
            EXPECT_EQ(actual[i].rate, expected[i].rate);
            EXPECT_EQ(actual[i].memo, expected[i].memo);
            EXPECT_EQ(actual[i].key, expected[i].key);
        }
    }

    static void expectTrades(const QList<TradeRow>& actual, const QList<TradeRow>& expected) {
        ASSERT_EQ(actual.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "tblBigBuySale row " << i);
            EXPECT_EQ(actual[i].code, expected[i].code);
            EXPECT_EQ(actual[i].day, expected[i].day);
            EXPECT_EQ(actual[i].buyerKey, expected[i].buyerKey);
            EXPECT_EQ(actual[i].price, expected[i].price);
            EXPECT_EQ(actual[i].quantity, expected[i].quantity);
            EXPECT_EQ(actual[i].amount, expected[i].amount);
            EXPECT_EQ(actual[i].sellerKey, expected[i].sellerKey);
            EXPECT_EQ(actual[i].key, expected[i].key);
        }
    }

    void expectCounters(int rows, int changes, int trades) {
        EXPECT_EQ(totals.savedRowCount, rows);
        EXPECT_EQ(totals.savedChangeCount, changes);
        EXPECT_EQ(totals.savedBigCount, trades);
        EXPECT_EQ(frame.statusPanel(StatusPanel::AnomalyStocks), QString::number(changes));
        EXPECT_EQ(frame.statusPanel(StatusPanel::BlockTrades), QString::number(trades));
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
    QString rarFolder = home.path() + QStringLiteral("/");
};

// ---- 600610: three anomaly days, both tables of each, two block trades --------------------

const QString kZhongYiDa = QStringLiteral("600610");
const QDate k0316(2017, 3, 16);
const QDate k0314(2017, 3, 14);
const QDate k0309(2017, 3, 9);
const char* const kFigures0316 = "涨幅偏离值:10.02%  成交量:2345.67万股  成交金额:28456.78万元";
// The turnover day's figures line is printed with blanks around it; they are trimmed away.
const char* const kFigures0314 = "换手率>20%成交量:5678.00万股  成交金额:61234.50万元";
// More than two decimals: the figures are read in their first two; the fourth figure is ignored,
// and the 换手率 on the figures line does not make it a turnover day.
const char* const kFigures0309 =
    "跌幅偏离值:-7.2581%  成交量:812.3456万股  成交金额:6543.21万元  换手率:3.45%";
const char* const kHuatai = "华泰证券股份有限公司深圳益田路荣超商务中心证券营业部";

QList<ChangeRow> newestDayRows() {
    const QString& c = kZhongYiDa;
    const char* up = "涨跌幅大";
    return {
        dayRow(c, k0316, "日涨幅偏离值达7%的证券", kFigures0316, M("2345.67"), M("28456.78"), M("10.02"), up),
        // the name's second half stands on the next line with "-" in both amounts
        deptRow(c, k0316, kHuatai, "2345.6789", "12.00", M("10.02"), up),
        // printed twice in the buy table: stored once
        deptRow(c, k0316, "机构专用", "1234.50", "0.00", M("10.02"), up),
        // "1,234.56" is no amount: read as 0
        deptRow(c, k0316, "国泰君安证券股份有限公司上海江苏路证券营业部", "0", "35.20", M("10.02"), up),
        // in both tables with the same figures: stored once
        deptRow(c, k0316, "中信证券股份有限公司杭州延安路证券营业部", "856.30", "120.45", M("10.02"), up),
        deptRow(c, k0316, "东方财富证券股份有限公司拉萨团结路第二证券营业部", "15.00", "1888.88", M("10.02"),
                up),
        // the short row after it repeats this one; "--" in both columns is logged, not stored
        deptRow(c, k0316, "中国银河证券股份有限公司绍兴证券营业部", "0.00", "966.10", M("10.02"), up),
    };
}

QList<ChangeRow> olderDayRows() {
    const QString& c = kZhongYiDa;
    const char* turnover = "换手率高";
    const char* down = "涨跌幅大";
    return {
        // two figures on a turnover day: volume and amount, rate 20.00
        dayRow(c, k0314, "换手率达20%的证券", kFigures0314, M("5678.00"), M("61234.50"), M("20.00"),
               turnover),
        deptRow(c, k0314, "机构专用", "1234.50", "0.00", M("20.00"), turnover),
        deptRow(c, k0314, "华鑫证券有限责任公司上海茅台路证券营业部", "4100.00", "3.10", M("20.00"),
                turnover),
        deptRow(c, k0314, "海通证券股份有限公司上海建国西路证券营业部", "1.50", "2200.00", M("20.00"),
                turnover),
        dayRow(c, k0309, "日跌幅偏离值达7%的证券", kFigures0309, M("812.34"), M("6543.21"), M("-7.25"), down),
        deptRow(c, k0309, "光大证券股份有限公司宁波解放南路证券营业部", "512.00", "0.00", M("-7.25"), down),
        deptRow(c, k0309, "机构专用", "0.00", "3210.99", M("-7.25"), down),
    };
}

QList<TradeRow> zhongYiDaTrades() {
    return {
        trade(kZhongYiDa, QDate(2017, 3, 15), "中信证券股份有限公司上海分公司", "11.20", "150.00", "1680.00",
              "机构专用"),
        trade(kZhongYiDa, QDate(2017, 3, 8), "机构专用", "10.85", "200.00", "2170.00",
              "国信证券股份有限公司深圳泰然九路证券营业部"),
    };
}

QList<Logged> newestDayLog() {
    const LogColor red = LogColor::Red;
    return {
        L("股票600610中毅达:2017-03-17最新动态"),
        L("\t振幅或换手率异常日期:2017-03-16"),
        L("\t涨幅偏离值:10.02%  成交量:2345.67万股  成交金额:28456.78万元", red),
        L("\t华泰证券股份有限公司深圳益田路荣超商务中心证券营业部\t2345.6789\t12.00", red),
        L("\t机构专用\t1234.50\t0.00", red),
        L("\t国泰君安证券股份有限公司上海江苏路证券营业部\t1,234.56\t35.20", red),
        L("\t中信证券股份有限公司杭州延安路证券营业部\t856.30\t120.45", red),
        L("\t东方财富证券股份有限公司拉萨团结路第二证券营业部\t15.00\t1888.88", red),
        L("\t招商证券股份有限公司深圳蛇口工业七路证券营业部\t--\t--", red),
        L("\t中国银河证券股份有限公司绍兴证券营业部\t0.00\t966.10", red),
    };
}

QList<Logged> zhongYiDaTradeLog() {
    return {
        L("\t600610大宗买卖数据"),
        L("\t2017-03-15\t中信证券股份有限公司上海分公司\t150.00\t1680.00\t机构专用", LogColor::Red),
        L("\t2017-03-08\t机构专用\t200.00\t2170.00\t国信证券股份有限公司深圳泰然九路证券营业部",
          LogColor::Red),
    };
}

TEST_F(BlindReport, AllDaysOfAFullReportAreStoredWithTheirTablesAndTrades) {
    const ExtractionResult result = extract(QStringLiteral("full_three_days.txt"), "600610", "中毅达", true);
    EXPECT_TRUE(result.ran);
    EXPECT_TRUE(result.reportRecognised);
    EXPECT_FALSE(result.documentWritten);
    EXPECT_EQ(result.reportDate, QStringLiteral("2017-03-17"));

    const LogColor red = LogColor::Red;
    const LogColor green = LogColor::Green;
    QList<Logged> log = newestDayLog();
    log << L("\t振幅或换手率异常日期:2017-03-14")
        << L("\t换手率>20%成交量:5678.00万股  成交金额:61234.50万元", red)
        << L("\t机构专用\t1234.50\t0.00", red)
        << L("\t华鑫证券有限责任公司上海茅台路证券营业部\t4100.00\t3.10", red)
        << L("\t海通证券股份有限公司上海建国西路证券营业部\t1.50\t2200.00", red)
        << L("\t振幅或换手率异常日期:2017-03-09")
        << L("\t跌幅偏离值:-7.2581%  成交量:812.3456万股  成交金额:6543.21万元  换手率:3.45%", green)
        << L("\t光大证券股份有限公司宁波解放南路证券营业部\t512.00\t0.00", green)
        << L("\t机构专用\t0.00\t3210.99", green);
    log << zhongYiDaTradeLog();
    expectLog(frame, log);

    expectRows(changeRows(), newestDayRows() + olderDayRows());
    expectTrades(tradeRows(), zhongYiDaTrades());

    // The newest day sets StLastDate; older days never lower it. StBigLast follows the first
    // trade entered, the newest one.
    const StockRow row = stock("600610");
    ASSERT_TRUE(row.found);
    EXPECT_EQ(row.name, QStringLiteral("中毅达"));
    EXPECT_EQ(row.lastDate, k0316);
    EXPECT_EQ(row.bigLast, QDate(2017, 3, 15));

    // 3 anomaly rows + 11 department rows; 2 trades.
    expectCounters(14, 3, 2);
    EXPECT_EQ(totals.dates.from, QDate(2017, 3, 8));
    EXPECT_EQ(totals.dates.to, k0316);
    EXPECT_TRUE(totals.departmentsAdded);
    EXPECT_EQ(totals.changeDate, k0309);
    EXPECT_EQ(services.anomalyMemo, QStringLiteral("涨跌幅大"));

    EXPECT_EQ(department(U(kHuatai)), U(kHuatai));
    EXPECT_EQ(department(U("日涨幅偏离值达7%的证券")), U("日涨幅偏离值达7%的证券"));
    EXPECT_EQ(department(U("换手率达20%的证券")), U("换手率达20%的证券"));
    EXPECT_EQ(department(U("中信证券股份有限公司上海分公司")), U("中信证券股份有限公司上海分公司"));
    EXPECT_EQ(department(U("国信证券股份有限公司深圳泰然九路证券营业部")),
              U("国信证券股份有限公司深圳泰然九路证券营业部"));
    EXPECT_EQ(department(U("招商证券股份有限公司深圳蛇口工业七路证券营业部")), std::nullopt);
    EXPECT_EQ(department(U("国金证券上海奉贤区金碧路")), std::nullopt);
    EXPECT_EQ(department(U("证券营业部")), std::nullopt);
}

TEST_F(BlindReport, RecordKeysOfStoredRowsMatchHandComputedValues) {
    extract(QStringLiteral("full_three_days.txt"), "600610", "中毅达", true);
    const QList<ChangeRow> rows = changeRows();
    ASSERT_EQ(rows.size(), 14);

    // CalcDeptKey("机构专用"): 机 0x673A << 16, then 构 0x6784, 专 0x4E13, 用 0x7528 unshifted
    //   = 0x673A0000 + 0x12ABF = 0x673B2ABF = 1731930815.
    EXPECT_EQ(rows[2].deptKey, 1731930815);
    // CalcRecordKey("600610", "机构专用", 1234.50, 0.00, 2017-03-16):
    //   600610 << 40                       =   660377678758543360
    //   0x673B2ABF << 32                   = 7438586209359626240
    //   byte sums: 0 << 8, raw 12345000 = 0xBC5EA8 -> 0xBC + 0x5E + 0xA8 = 450
    //   17 + 3 * 128 + 16 * 2048           = 33169
    //   raw amounts 0 + 12345000
    //   total                              = 8098963888130548219
    EXPECT_EQ(rows[2].key, Q_INT64_C(8098963888130548219));
    // The same department and amounts two days earlier: 2 * 2048 less.
    EXPECT_EQ(rows[8].key, Q_INT64_C(8098963888130548219) - 4096);
    // The anomaly row of 2017-03-16 is keyed by its figures text (worked out the same way, the
    // sum wrapping past 2^64): 2170718244558519890.
    EXPECT_EQ(rows[0].key, Q_INT64_C(2170718244558519890));

    const QList<TradeRow> trades = tradeRows();
    ASSERT_EQ(trades.size(), 2);
    // CalcRecordKey("600610", "中信证券股份有限公司上海分公司", 150.00, 1680.00, 2017-03-15).
    EXPECT_EQ(trades[0].key, Q_INT64_C(8894135430398087498));
}

TEST_F(BlindReport, WithoutAllChangesOnlyTheNewestDayButEveryNewerTradeIsStored) {
    extract(QStringLiteral("full_three_days.txt"), "600610", "中毅达", false);

    expectLog(frame, newestDayLog() + zhongYiDaTradeLog());
    expectRows(changeRows(), newestDayRows());
    // Both trades are newer than the StBigLast the block-trade step started with (none yet),
    // so the older one is kept too.
    expectTrades(tradeRows(), zhongYiDaTrades());
    StockRow row = stock("600610");
    EXPECT_EQ(row.lastDate, k0316);
    EXPECT_EQ(row.bigLast, QDate(2017, 3, 15));
    expectCounters(7, 1, 2);

    // The same report again: the day and the trades are recognised as stored.
    frame.logs.clear();
    extract(QStringLiteral("full_three_days.txt"), "600610", "中毅达", false);
    expectLog(frame, {
                         L("股票600610中毅达:2017-03-17最新动态"),
                         L("\t振幅或换手率异常日期:2017-03-16"),
                         L("\t>>>>>数据库中已经保存过 600610 的操盘数据", LogColor::Red),
                         L("\t600610大宗买卖数据"),
                         L("\t>>>>>数据库中已经保存过 600610 的大宗交易数据", LogColor::Red),
                     });
    EXPECT_EQ(changeRows().size(), 7);
    EXPECT_EQ(tradeRows().size(), 2);
    row = stock("600610");
    EXPECT_EQ(row.lastDate, k0316);
    EXPECT_EQ(row.bigLast, QDate(2017, 3, 15));
    expectCounters(7, 1, 2);
}

TEST_F(BlindReport, WithAllChangesASecondRunStopsAtTheFirstStoredRow) {
    extract(QStringLiteral("full_three_days.txt"), "600610", "中毅达", true);
    ASSERT_EQ(changeRows().size(), 14);
    frame.logs.clear();

    extract(QStringLiteral("full_three_days.txt"), "600610", "中毅达", true);
    expectLog(frame,
              {
                  L("股票600610中毅达:2017-03-17最新动态"),
                  L("\t振幅或换手率异常日期:2017-03-16"),
                  L("\t涨幅偏离值:10.02%  成交量:2345.67万股  成交金额:28456.78万元", LogColor::Red),
                  L("\t>>>>>保存600610出错!数据可能重复<<<<<", LogColor::Magenta),
                  L("\t600610大宗买卖数据"),
                  L("\t2017-03-15\t中信证券股份有限公司上海分公司\t150.00\t1680.00\t机构专用", LogColor::Red),
                  L("\t>>>>>保存600610出错!数据可能重复!<<<<<", LogColor::Magenta),
              });
    expectRows(changeRows(), newestDayRows() + olderDayRows());
    expectTrades(tradeRows(), zhongYiDaTrades());
    expectCounters(14, 3, 2);
    EXPECT_EQ(stock("600610").bigLast, QDate(2017, 3, 15));
}

TEST(BlindReportClosedDatabase, EveryTableLineIsStillLoggedButNoFiguresLine) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));  // never opened
    RecordingFrame frame(home.path());
    VirtualClock clock(QDateTime(QDate(2017, 3, 21), QTime(16, 0)));
    FakeLauncher launcher;
    FixedNetworkState network(true);
    PortableArchiver archiver;
    ExtractionServices services{db, frame, clock, launcher, archiver, network, ProgramFolder(home.path())};
    ExtractionAccount totals;
    ExtractionOptions options;
    options.code = QStringLiteral("600610");
    options.name = U("中毅达");
    options.allChanges = true;
    StockExtraction(services, totals)
        .run(reportLines(QStringLiteral("full_three_days.txt")), options, ExtractionCaller::Reanalysis);

    // Nothing enters the list of handled rows without a database, so repeated rows (and the
    // short row, which repeats the texts before it) are logged again.
    const QStringList expected = {
        U("股票600610中毅达:2017-03-17最新动态"),
        U("\t振幅或换手率异常日期:2017-03-16"),
        U("\t华泰证券股份有限公司深圳益田路荣超商务中心证券营业部\t2345.6789\t12.00"),
        U("\t机构专用\t1234.50\t0.00"),
        U("\t机构专用\t1234.50\t0.00"),
        U("\t国泰君安证券股份有限公司上海江苏路证券营业部\t1,234.56\t35.20"),
        U("\t中信证券股份有限公司杭州延安路证券营业部\t856.30\t120.45"),
        U("\t中信证券股份有限公司杭州延安路证券营业部\t856.30\t120.45"),
        U("\t东方财富证券股份有限公司拉萨团结路第二证券营业部\t15.00\t1888.88"),
        U("\t东方财富证券股份有限公司拉萨团结路第二证券营业部\t15.00\t1888.88"),
        U("\t招商证券股份有限公司深圳蛇口工业七路证券营业部\t--\t--"),
        U("\t中国银河证券股份有限公司绍兴证券营业部\t0.00\t966.10"),
        U("\t振幅或换手率异常日期:2017-03-14"),
        U("\t机构专用\t1234.50\t0.00"),
        U("\t华鑫证券有限责任公司上海茅台路证券营业部\t4100.00\t3.10"),
        U("\t华鑫证券有限责任公司上海茅台路证券营业部\t4100.00\t3.10"),
        U("\t海通证券股份有限公司上海建国西路证券营业部\t1.50\t2200.00"),
        U("\t振幅或换手率异常日期:2017-03-09"),
        U("\t光大证券股份有限公司宁波解放南路证券营业部\t512.00\t0.00"),
        U("\t机构专用\t0.00\t3210.99"),
        U("\t600610大宗买卖数据"),
        U("\t2017-03-15\t中信证券股份有限公司上海分公司\t150.00\t1680.00\t机构专用"),
        U("\t2017-03-08\t机构专用\t200.00\t2170.00\t国信证券股份有限公司深圳泰然九路证券营业部"),
    };
    EXPECT_EQ(frame.logTexts(), expected);
    EXPECT_EQ(totals.savedRowCount, 0);
    EXPECT_EQ(totals.savedChangeCount, 0);
    EXPECT_EQ(totals.savedBigCount, 0);
    EXPECT_FALSE(totals.departmentsAdded);
}

// ---- the stock code and the report's first lines ------------------------------------------

TEST_F(BlindReport, CodesThatAreNotSixDigitsAreRefused) {
    for (const char* code : {"60061a", "6006100", "60061", "", "60 610"}) {
        SCOPED_TRACE(code);
        frame.prompts.clear();
        const ExtractionResult result = extract(QStringLiteral("full_three_days.txt"), code, "中毅达", true);
        EXPECT_FALSE(result.ran);
        EXPECT_EQ(frame.prompts, QStringList{U("没有指定代码或者代码格式不对!")});
        EXPECT_TRUE(frame.logs.isEmpty());
    }
    EXPECT_TRUE(changeRows().isEmpty());
    EXPECT_TRUE(tradeRows().isEmpty());
    EXPECT_FALSE(stock("600610").found);
}

TEST_F(BlindReport, ACodeWithBlanksAroundItIsTrimmedAndUsed) {
    ExtractionOptions options;
    options.code = QStringLiteral("  600610 ");
    options.name = U("中毅达");
    StockExtraction(services, totals)
        .run(reportLines(QStringLiteral("full_three_days.txt")), options, ExtractionCaller::Reanalysis);
    EXPECT_EQ(options.code, QStringLiteral("600610"));
    EXPECT_TRUE(frame.prompts.isEmpty());
    expectRows(changeRows(), newestDayRows());
}

TEST_F(BlindReport, AReportOfAnotherStockIsNotParsed) {
    const ExtractionResult result = extract(QStringLiteral("full_three_days.txt"), "600611", "中毅达", true);
    EXPECT_FALSE(result.reportRecognised);
    expectLog(frame, {L("\t>>>>>抓取的☆龙虎榜单☆不是 600611 的报告(没有找到股票代码)!", LogColor::Red)});
    EXPECT_TRUE(changeRows().isEmpty());
    EXPECT_TRUE(tradeRows().isEmpty());
    EXPECT_FALSE(stock("600611").found);
    EXPECT_EQ(frame.statusPanel(StatusPanel::AnomalyStocks), QStringLiteral("0"));
    EXPECT_EQ(frame.statusPanel(StatusPanel::BlockTrades), QStringLiteral("0"));
}

TEST_F(BlindReport, TheFirstLineHoldingTheCodeDecidesEvenWithoutADate) {
    // Line 0 names the code without a date; the dated line below it is never looked at.
    const ExtractionResult result =
        extract(QStringLiteral("code_first_without_date.txt"), "601318", "中国平安", true);
    EXPECT_FALSE(result.reportRecognised);
    EXPECT_TRUE(frame.logs.isEmpty());
    EXPECT_TRUE(changeRows().isEmpty());
    EXPECT_FALSE(stock("601318").found);
    EXPECT_EQ(frame.statusPanel(StatusPanel::AnomalyStocks), QStringLiteral("0"));
    EXPECT_EQ(frame.statusPanel(StatusPanel::BlockTrades), QStringLiteral("0"));
}

// ---- 000581: GBK with CRLF, the code on line index 3, a heading one column too far --------

const QString kWeifu = QStringLiteral("000581");
const char* const kFigures0320 = "跌幅偏离值:-5.00%  成交量:3120.40万股  成交金额:89012.30万元";

QList<ChangeRow> weifuNewestRows() {
    const QDate day(2017, 3, 20);
    const char* down = "涨跌幅大";
    return {
        dayRow(kWeifu, day, "日跌幅偏离值达-5%的证券", kFigures0320, M("3120.40"), M("89012.30"), M("-5.00"),
               down),
        deptRow(kWeifu, day, "机构专用", "3300.00", "12.00", M("-5.00"), down),
        deptRow(kWeifu, day, "中泰证券股份有限公司无锡清扬路证券营业部", "2100.50", "0.00", M("-5.00"), down),
        deptRow(kWeifu, day, "深股通专用", "45.00", "5230.00", M("-5.00"), down),
    };
}

QList<Logged> weifuNewestLog() {
    const LogColor green = LogColor::Green;
    return {
        L("股票000581威孚高科:2017-03-20最新动态"),
        L("\t振幅或换手率异常日期:2017-03-20"),
        L("\t跌幅偏离值:-5.00%  成交量:3120.40万股  成交金额:89012.30万元", green),
        L("\t机构专用\t3300.00\t12.00", green),
        L("\t中泰证券股份有限公司无锡清扬路证券营业部\t2100.50\t0.00", green),
        L("\t深股通专用\t45.00\t5230.00", green),
    };
}

TEST_F(BlindReport, GbkReportWithCrLfIsDecodedIntoLines) {
    const QByteArray bytes = dataFile(QStringLiteral("report/blind/gbk_crlf_code_on_fourth_line.txt"));
    ASSERT_TRUE(bytes.contains("\r\n"));
    const QStringList lines = TextCodec::splitLines(TextCodec::decode(bytes));
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[0], U("☆龙虎榜单☆"));
    EXPECT_EQ(lines[3], U("000581 威孚高科  截止日期:2017-03-20 更新"));
    EXPECT_EQ(lines[7], U("☆【2.涨跌幅异动】"));
    for (const QString& line : lines)
        EXPECT_FALSE(line.contains(QLatin1Char('\r')));
}

TEST_F(BlindReport, ARateEqualToThePercentThresholdIsKept) {
    extract(QStringLiteral("gbk_crlf_code_on_fourth_line.txt"), "000581", "威孚高科", false, 5);
    expectLog(frame, weifuNewestLog() + QList<Logged>{L("\t000581大宗买卖数据")});
    expectRows(changeRows(), weifuNewestRows());
    // The block-trade heading is followed by "暂无数据", not by a rule: no trades.
    EXPECT_TRUE(tradeRows().isEmpty());
    const StockRow row = stock("000581");
    EXPECT_EQ(row.name, QStringLiteral("威孚高科"));
    EXPECT_EQ(row.lastDate, QDate(2017, 3, 20));
    expectCounters(4, 1, 0);
}

TEST_F(BlindReport, ADayBelowThePercentThresholdIsDroppedAfterTheDateCheck) {
    extract(QStringLiteral("gbk_crlf_code_on_fourth_line.txt"), "000581", "威孚高科", false, 6);
    expectLog(frame, {
                         L("股票000581威孚高科:2017-03-20最新动态"),
                         L("\t振幅或换手率异常日期:2017-03-20"),
                         L("\t000581大宗买卖数据"),
                     });
    EXPECT_TRUE(changeRows().isEmpty());
    // The stock row was made by the date check, which runs before the threshold.
    const StockRow row = stock("000581");
    ASSERT_TRUE(row.found);
    EXPECT_EQ(row.lastDate, QDate(2017, 3, 20));
    expectCounters(0, 0, 0);
}

TEST_F(BlindReport, WithAllChangesADroppedDayEndsTheWalkThroughTheDays) {
    // 2017-03-13 changed by 3.00 only: it ends the walk, so 2017-03-06 (8.00) is never read.
    extract(QStringLiteral("gbk_crlf_code_on_fourth_line.txt"), "000581", "威孚高科", true, 5);
    expectLog(frame, weifuNewestLog() +
                         QList<Logged>{L("\t振幅或换手率异常日期:2017-03-13"), L("\t000581大宗买卖数据")});
    expectRows(changeRows(), weifuNewestRows());
    EXPECT_EQ(stock("000581").lastDate, QDate(2017, 3, 20));
    expectCounters(4, 1, 0);
}

TEST_F(BlindReport, WithAllChangesAndNoThresholdEveryGbkDayIsStored) {
    extract(QStringLiteral("gbk_crlf_code_on_fourth_line.txt"), "000581", "威孚高科", true, 0);
    const char* up = "涨跌幅大";
    const QDate d13(2017, 3, 13);
    const QDate d06(2017, 3, 6);
    expectRows(changeRows(),
               weifuNewestRows() + QList<ChangeRow>{
                                       dayRow(kWeifu, d13, "日涨幅偏离值达7%的证券",
                                              "涨幅偏离值:3.00%  成交量:1200.00万股  成交金额:30000.00万元",
                                              M("1200.00"), M("30000.00"), M("3.00"), up),
                                       deptRow(kWeifu, d13, "机构专用", "1000.00", "0.00", M("3.00"), up),
                                       deptRow(kWeifu, d13, "华西证券股份有限公司无锡梁清路证券营业部",
                                               "0.00", "800.00", M("3.00"), up),
                                       dayRow(kWeifu, d06, "日涨幅偏离值达7%的证券",
                                              "涨幅偏离值:8.00%  成交量:2000.00万股  成交金额:52000.00万元",
                                              M("2000.00"), M("52000.00"), M("8.00"), up),
                                       deptRow(kWeifu, d06, "机构专用", "2000.00", "0.00", M("8.00"), up),
                                       deptRow(kWeifu, d06, "深股通专用", "0.00", "1500.00", M("8.00"), up),
                                   });
    expectCounters(10, 3, 0);
}

// ---- 600837: "暂无数据" in the anomaly section, block trades with long names --------------

const QString kHaitong = QStringLiteral("600837");

TEST_F(BlindReport, NoDataInTheAnomalySectionStillReadsTheBlockTrades) {
    extract(QStringLiteral("anomaly_no_data_block_trades.txt"), "600837", "海通证券", false);

    // The day printed after "暂无数据" is never read.
    const QList<Logged> expected = {
        L("股票600837海通证券:2017-03-17最新动态"),
        L("\t600837大宗买卖数据"),
        L("\t2017-03-16\t华泰证券股份有限公司上海武定路证券营业部\t500.00\t7510."
          "00\t中国国际金融股份有限公司上海分公司("
          "自营)",
          LogColor::Red),
        L("\t2017-03-16\t机构专用\t80.00\t1201.60\t机构专用", LogColor::Red),
        // "--" everywhere: price 0 gives green; no quantity or amount, so not stored
        L("\t2017-03-09\t光大证券股份有限公司佛山绿景路证券营业部\t--\t--\t机构专用", LogColor::Green),
        L("\t2017-03-02\t机构专用\t1,000.00\t14100.00\t中信建投证券股份有限公司北京东城分公司",
          LogColor::Red),
    };
    // What the totals line (its date column reads "合计") logs is the program's own affair;
    // it must not be stored, nor taken for a repeated row.
    QList<LoggedLine> head = frame.logs.mid(0, expected.size());
    RecordingFrame headOnly;
    headOnly.logs = head;
    expectLog(headOnly, expected);
    EXPECT_EQ(frame.countLogs(QStringLiteral("数据可能重复")), 0);
    EXPECT_EQ(frame.countLogs(QStringLiteral("已经保存过")), 0);

    EXPECT_TRUE(changeRows().isEmpty());
    expectTrades(tradeRows(),
                 {
                     trade(kHaitong, QDate(2017, 3, 16), "华泰证券股份有限公司上海武定路证券营业部", "15.02",
                           "500.00", "7510.00", "中国国际金融股份有限公司上海分公司(自营)"),
                     trade(kHaitong, QDate(2017, 3, 16), "机构专用", "15.02", "80.00", "1201.60", "机构专用"),
                     // "1,000.00" is no amount: quantity 0, the amount alone lets it in
                     trade(kHaitong, QDate(2017, 3, 2), "机构专用", "14.10", "0", "14100.00",
                           "中信建投证券股份有限公司北京东城分公司"),
                 });
    EXPECT_EQ(department(U("中国国际金融股份有限公司上海分公司(自营)")),
              U("中国国际金融股份有限公司上海分公司(自营)"));
    EXPECT_EQ(department(U("华泰证券股份有限公司上海武定路证券营业部")),
              U("华泰证券股份有限公司上海武定路证券营业部"));
    expectCounters(0, 0, 3);
    EXPECT_EQ(totals.dates.from, QDate(2017, 3, 2));
    EXPECT_EQ(totals.dates.to, QDate(2017, 3, 16));
    // Block trades alone never make a stock row.
    EXPECT_FALSE(stock("600837").found);
}

TEST_F(BlindReport, BlockTradesOfAStockWithoutARowAreCaughtByTheirKeysTheSecondTime) {
    extract(QStringLiteral("anomaly_no_data_block_trades.txt"), "600837", "海通证券", false);
    ASSERT_EQ(tradeRows().size(), 3);
    frame.logs.clear();

    extract(QStringLiteral("anomaly_no_data_block_trades.txt"), "600837", "海通证券", false);
    expectLog(
        frame,
        {
            L("股票600837海通证券:2017-03-17最新动态"),
            L("\t600837大宗买卖数据"),
            L("\t2017-03-16\t华泰证券股份有限公司上海武定路证券营业部\t500.00\t7510.00\t中国国际金融股份有"
              "限公司上海分公司(自营)",
              LogColor::Red),
            L("\t>>>>>保存600837出错!数据可能重复!<<<<<", LogColor::Magenta),
        });
    EXPECT_EQ(tradeRows().size(), 3);
    expectCounters(0, 0, 3);
}

// ---- 002230: block trades only, kept as documents by the mining run -----------------------

QString documentPath(const TempHome& home, const char* date) {
    return QDir(home.path()).filePath(QStringLiteral("002230/002230-") + U(date) + U("变动资料.txt"));
}

TEST_F(BlindReport, MiningRunsKeepTheDocumentAndStoreOnlyNewerTrades) {
    const QString missingArchiver = U("没有安装WinRar! 资料不能压缩保存,将占用很多磁盘存储空间");
    const QStringList oldReport = reportLines(QStringLiteral("block_trades_only_0310.txt"));
    ExtractionResult result =
        extractLines(oldReport, "002230", "科大讯飞", false, 0, ExtractionCaller::MiningRun);
    EXPECT_TRUE(result.documentWritten);
    EXPECT_EQ(frame.prompts, QStringList{missingArchiver});
    EXPECT_TRUE(launcher.calls.isEmpty());

    QFile document(documentPath(home, "2017-03-10"));
    ASSERT_TRUE(document.open(QIODevice::ReadOnly));
    EXPECT_EQ(TextCodec::splitLines(TextCodec::decodeGbk(document.readAll())), oldReport);
    document.close();

    expectLog(frame,
              {
                  L("股票002230科大讯飞:2017-03-10最新动态"),
                  L("\t002230大宗买卖数据"),
                  L("\t2017-03-10\t机构专用\t100.00\t2950.00\t招商证券股份有限公司北京建国路证券营业部",
                    LogColor::Red),
                  L("\t2017-03-03\t中信建投证券股份有限公司杭州庆春路证券营业部\t50.00\t1505.00\t机构专用",
                    LogColor::Red),
              });
    StockRow row = stock("002230");
    ASSERT_TRUE(row.found);
    EXPECT_EQ(row.name, QStringLiteral("科大讯飞"));
    EXPECT_EQ(row.docDate, QDate(2017, 3, 10));
    EXPECT_EQ(row.bigLast, QDate(2017, 3, 10));

    // A week later two trades are new; both are newer than the StBigLast the step began with.
    frame.logs.clear();
    result = extract(QStringLiteral("block_trades_only_0317.txt"), "002230", "科大讯飞", false, 0,
                     ExtractionCaller::MiningRun);
    EXPECT_TRUE(result.documentWritten);
    EXPECT_TRUE(QFile::exists(documentPath(home, "2017-03-17")));
    expectLog(frame,
              {
                  L("股票002230科大讯飞:2017-03-17最新动态"),
                  L("\t002230大宗买卖数据"),
                  L("\t2017-03-17\t机构专用\t40.00\t1248.00\t机构专用", LogColor::Red),
                  L("\t2017-03-15\t国泰君安证券股份有限公司合肥长江西路证券营业部\t60.00\t1848.00\t机构专用",
                    LogColor::Red),
                  L("\t>>>>>数据库中已经保存过 002230 的大宗交易数据", LogColor::Red),
              });
    const QString code = QStringLiteral("002230");
    expectTrades(tradeRows(),
                 {
                     trade(code, QDate(2017, 3, 10), "机构专用", "29.50", "100.00", "2950.00",
                           "招商证券股份有限公司北京建国路证券营业部"),
                     trade(code, QDate(2017, 3, 3), "中信建投证券股份有限公司杭州庆春路证券营业部", "30.10",
                           "50.00", "1505.00", "机构专用"),
                     trade(code, QDate(2017, 3, 17), "机构专用", "31.20", "40.00", "1248.00", "机构专用"),
                     trade(code, QDate(2017, 3, 15), "国泰君安证券股份有限公司合肥长江西路证券营业部",
                           "30.80", "60.00", "1848.00", "机构专用"),
                 });
    row = stock("002230");
    EXPECT_EQ(row.docDate, QDate(2017, 3, 17));
    EXPECT_EQ(row.bigLast, QDate(2017, 3, 17));
    expectCounters(0, 0, 4);

    // The same page once more: its document is left as it is and nothing is stored.
    {
        QFile mark(documentPath(home, "2017-03-17"));
        ASSERT_TRUE(mark.open(QIODevice::WriteOnly | QIODevice::Truncate));
        mark.write("kept");
    }
    frame.logs.clear();
    result = extract(QStringLiteral("block_trades_only_0317.txt"), "002230", "科大讯飞", false, 0,
                     ExtractionCaller::MiningRun);
    EXPECT_FALSE(result.documentWritten);
    QFile kept(documentPath(home, "2017-03-17"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("kept"));
    expectLog(frame, {
                         L("股票002230科大讯飞:2017-03-17最新动态"),
                         L("\t002230大宗买卖数据"),
                         L("\t>>>>>数据库中已经保存过 002230 的大宗交易数据", LogColor::Red),
                     });
    EXPECT_EQ(tradeRows().size(), 4);
    EXPECT_EQ(stock("002230").docDate, QDate(2017, 3, 17));
}

TEST_F(BlindReport, TheArchiverPacksTheNewDocumentInTheStockFolder) {
    const QString tools = home.file(QStringLiteral("rar"));
    ASSERT_TRUE(QDir().mkpath(tools));
    for (const char* name : {"rar", "RAR.exe"}) {
        QFile program(QDir(tools).filePath(U(name)));
        ASSERT_TRUE(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\n");
        program.close();
        program.setPermissions(program.permissions() | QFileDevice::ExeOwner);
    }
    rarFolder = tools + QStringLiteral("/");

    extract(QStringLiteral("block_trades_only_0310.txt"), "002230", "科大讯飞", false, 0,
            ExtractionCaller::MiningRun);
    EXPECT_TRUE(frame.prompts.isEmpty());
    ASSERT_EQ(launcher.calls.size(), 1);
    const FakeLauncher::Call& call = launcher.calls.first();
    EXPECT_EQ(QFileInfo(call.program).absolutePath(), QFileInfo(tools).absoluteFilePath());
    EXPECT_EQ(call.arguments.size(), 3);
    EXPECT_EQ(call.arguments.value(0), QStringLiteral("A"));
    EXPECT_EQ(call.arguments.value(1), QStringLiteral("002230"));
    EXPECT_EQ(QDir::cleanPath(call.arguments.value(2)), QDir::cleanPath(documentPath(home, "2017-03-10")));
    EXPECT_EQ(QDir::cleanPath(call.workingFolder), QDir::cleanPath(home.file(QStringLiteral("002230"))));
    EXPECT_EQ(call.wait_ms, 15000);
}

// ---- 300104: odd anomaly days --------------------------------------------------------------

const QString kLeshi = QStringLiteral("300104");
const char* const kFigures0321 = "换手率>20%换手率:25.3178%  成交量:9876.5432万股  成交金额:123456.78万元";

TEST_F(BlindReport, OddDaysAreReadAsTheirFiguresAllow) {
    extract(QStringLiteral("odd_days.txt"), "300104", "乐视网", true);

    const LogColor red = LogColor::Red;
    const LogColor green = LogColor::Green;
    expectLog(frame, {
                         L("股票300104乐视网:2017-03-21最新动态"),
                         L("\t振幅或换手率异常日期:2017-03-21"),
                         L("\t换手率>20%换手率:25.3178%  成交量:9876.5432万股  成交金额:123456.78万元", red),
                         L("\t机构专用\t5000.00\t0.00", red),
                         // a row with nothing in it never enters the list, so its twin is logged too
                         L("\t中国中投证券有限责任公司无锡清扬路证券营业部\t0.00\t0.00", red),
                         L("\t中国中投证券有限责任公司无锡清扬路证券营业部\t0.00\t0.00", red),
                         L("\t振幅或换手率异常日期:2017-03-17"),
                         L("\t成交量:1500.00万股", green),
                         L("\t华泰证券股份有限公司上海武定路证券营业部\t820.00\t5.00", green),
                         L("\t振幅或换手率异常日期:2017-02-30"),
                         L("\t本日无成交数据", green),
                         L("\t机构专用\t100.00\t200.00", green),
                         L("\t振幅或换手率异常日期:2017-02-20"),
                         L("\t涨幅偏离值:+9.98%  成交量:600.00万股  成交金额:6000.00万元", red),
                         L("\t300104大宗买卖数据"),
                         L("\t2017-03-20\t机构专用\t12.00\t0.00\t机构专用", green),
                     });

    const QDate d0321(2017, 3, 21);
    const QDate d0317(2017, 3, 17);
    // 2017-02-30 is no calendar day: the anomaly row takes today minus 9,125 days
    // (2017-03-21 - 9125 = 1992-03-27), its department rows take today.
    const QDate notADay(1992, 3, 27);
    const char* up = "涨跌幅大";
    expectRows(
        changeRows(),
        {
            // turnover day with three figures: the rate is the printed one
            dayRow(kLeshi, d0321, "换手率达20%的证券", kFigures0321, M("9876.54"), M("123456.78"), M("25.31"),
                   "换手率高"),
            deptRow(kLeshi, d0321, "机构专用", "5000.00", "0.00", M("25.31"), "换手率高"),
            // nothing after the date but one character: empty description, key 0;
            // one figure is the volume
            dayRow(kLeshi, d0317, "", "成交量:1500.00万股", M("1500.00"), Money(), Money(), up),
            deptRow(kLeshi, d0317, "华泰证券股份有限公司上海武定路证券营业部", "820.00", "5.00", Money(), up),
            dayRow(kLeshi, notADay, "日涨幅偏离值达7%的证券", "本日无成交数据", Money(), Money(), Money(),
                   up),
            deptRow(kLeshi, d0321, "机构专用", "100.00", "200.00", Money(), up),
            dayRow(kLeshi, QDate(2017, 2, 20), "日涨幅偏离值达7%的证券",
                   "涨幅偏离值:+9.98%  成交量:600.00万股  成交金额:6000.00万元", M("600.00"), M("6000.00"),
                   M("9.98"), up),
        });
    EXPECT_EQ(changeRows().value(2).deptKey, 0);
    EXPECT_EQ(department(QString()), QString());

    // a price of 0 is still a trade when a quantity was dealt
    expectTrades(tradeRows(),
                 {trade(kLeshi, QDate(2017, 3, 20), "机构专用", "0.00", "12.00", "0.00", "机构专用")});

    const StockRow row = stock("300104");
    EXPECT_EQ(row.lastDate, d0321);
    EXPECT_EQ(row.bigLast, QDate(2017, 3, 20));
    expectCounters(7, 4, 1);
    EXPECT_EQ(totals.dates.from, notADay);
    EXPECT_EQ(totals.dates.to, d0321);
}

TEST_F(BlindReport, ATurnoverDayPassesAnyThresholdButTheNextDayDoesNot) {
    extract(QStringLiteral("odd_days.txt"), "300104", "乐视网", true, 30);

    expectLog(frame, {
                         L("股票300104乐视网:2017-03-21最新动态"),
                         L("\t振幅或换手率异常日期:2017-03-21"),
                         L("\t换手率>20%换手率:25.3178%  成交量:9876.5432万股  成交金额:123456.78万元",
                           LogColor::Red),
                         L("\t机构专用\t5000.00\t0.00", LogColor::Red),
                         L("\t中国中投证券有限责任公司无锡清扬路证券营业部\t0.00\t0.00", LogColor::Red),
                         L("\t中国中投证券有限责任公司无锡清扬路证券营业部\t0.00\t0.00", LogColor::Red),
                         L("\t振幅或换手率异常日期:2017-03-17"),
                         L("\t300104大宗买卖数据"),
                         L("\t2017-03-20\t机构专用\t12.00\t0.00\t机构专用", LogColor::Green),
                     });
    const QDate d0321(2017, 3, 21);
    expectRows(changeRows(),
               {
                   dayRow(kLeshi, d0321, "换手率达20%的证券", kFigures0321, M("9876.54"), M("123456.78"),
                          M("25.31"), "换手率高"),
                   deptRow(kLeshi, d0321, "机构专用", "5000.00", "0.00", M("25.31"), "换手率高"),
               });
    EXPECT_EQ(tradeRows().size(), 1);
    expectCounters(2, 1, 1);
}

// ---- 601788: more buyers than the list of handled rows holds -------------------------------

const QStringList kSixteenBrokers = {
    QStringLiteral("东吴证券股份有限公司苏州西北街证券营业部"),
    QStringLiteral("兴业证券股份有限公司福州湖东路证券营业部"),
    QStringLiteral("长江证券股份有限公司武汉新华路证券营业部"),
    QStringLiteral("申万宏源证券有限公司上海闵行区东川路证券营业部"),
    QStringLiteral("方正证券股份有限公司长沙芙蓉中路证券营业部"),
    QStringLiteral("广发证券股份有限公司广州天河北路证券营业部"),
    QStringLiteral("安信证券股份有限公司深圳深南大道证券营业部"),
    QStringLiteral("财通证券股份有限公司温岭东辉北路证券营业部"),
    QStringLiteral("浙商证券股份有限公司绍兴解放北路证券营业部"),
    QStringLiteral("国元证券股份有限公司上海虹桥路证券营业部"),
    QStringLiteral("西藏东方财富证券股份有限公司拉萨东环路第二证券营业部"),
    QStringLiteral("华福证券有限责任公司厦门湖滨南路证券营业部"),
    QStringLiteral("天风证券股份有限公司上海浦明路证券营业部"),
};

TEST_F(BlindReport, ARepeatBeyondTheFifteenthHandledRowFallsToItsKey) {
    extract(QStringLiteral("sixteen_buyers.txt"), "601788", "光大证券", false);

    const LogColor red = LogColor::Red;
    QList<Logged> log = {
        L("股票601788光大证券:2017-03-20最新动态"),
        L("\t振幅或换手率异常日期:2017-03-20"),
        L("\t涨幅偏离值:10.01%  成交量:100.00万股  成交金额:1000.00万元", red),
        L("\t平安证券股份有限公司深圳金田路证券营业部\t3000.00\t1.00", red),
        // one continuation line is joined; the second is a row of its own with no amounts
        L("\t中国银河证券股份有限公司北京中关村大街\t1500.00\t0.00", red),
        L("\t证券营业部\t-\t-", red),
        // a quoted name keeps its blank
        L("\t华泰证券 上海分公司\t800.00\t0.00", red),
    };
    const QDate day(2017, 3, 20);
    const QString code = QStringLiteral("601788");
    const char* up = "涨跌幅大";
    const Money rate = M("10.01");
    QList<ChangeRow> rows = {
        dayRow(code, day, "日涨幅偏离值达7%的证券",
               "涨幅偏离值:10.01%  成交量:100.00万股  成交金额:1000.00万元", M("100.00"), M("1000.00"), rate,
               up),
        deptRow(code, day, "平安证券股份有限公司深圳金田路证券营业部", "3000.00", "1.00", rate, up),
        deptRow(code, day, "中国银河证券股份有限公司北京中关村大街", "1500.00", "0.00", rate, up),
        deptRow(code, day, "华泰证券 上海分公司", "800.00", "0.00", rate, up),
    };
    for (int i = 0; i < kSixteenBrokers.size(); ++i) {
        const QString buy = QStringLiteral("%1.00").arg(700 - 10 * i);
        const QString sale = QStringLiteral("%1.50").arg(i);
        log << Logged{QStringLiteral("\t") + kSixteenBrokers[i] + QStringLiteral("\t") + buy +
                          QStringLiteral("\t") + sale,
                      red};
        rows << ChangeRow{
            code,
            day,
            CalcDeptKey(kSixteenBrokers[i]),
            *Money::parse(buy),
            *Money::parse(sale),
            rate,
            U(up),
            CalcRecordKey(code, kSixteenBrokers[i], *Money::parse(buy), *Money::parse(sale), day)};
    }
    // The sixteenth buyer was stored but no longer entered, so its repeat in the sell table
    // is logged and rejected by its key; the first buyer's repeat is recognised.
    log << L("\t天风证券股份有限公司上海浦明路证券营业部\t580.00\t12.50", red)
        << L("\t>>>>>保存601788出错!数据可能重复!<<<<<", LogColor::Magenta)
        << L("\t中信证券股份有限公司上海溧阳路证券营业部\t0.00\t2600.00", red) << L("\t601788大宗买卖数据");
    rows << deptRow(code, day, "中信证券股份有限公司上海溧阳路证券营业部", "0.00", "2600.00", rate, up);

    expectLog(frame, log);
    expectRows(changeRows(), rows);
    expectCounters(18, 1, 0);
    EXPECT_EQ(department(U("华泰证券 上海分公司")), U("华泰证券 上海分公司"));
    EXPECT_EQ(department(U("证券营业部")), std::nullopt);
}

// ---- the button ----------------------------------------------------------------------------

TEST_F(BlindReport, TheButtonNeedsTheInternet) {
    network.setConnected(false);
    const ExtractionResult result = extract(QStringLiteral("full_three_days.txt"), "600610", "中毅达", false,
                                            0, ExtractionCaller::Button);
    EXPECT_FALSE(result.ran);
    ASSERT_EQ(frame.messages.size(), 1);
    EXPECT_EQ(frame.messages.first().text, U("网络不通,请连接好INTERNET网络!"));
    EXPECT_TRUE(frame.logs.isEmpty());
    EXPECT_TRUE(frame.prompts.isEmpty());
    EXPECT_TRUE(changeRows().isEmpty());
    EXPECT_FALSE(QDir(home.file(QStringLiteral("600610"))).exists());

    // The batches don't ask.
    extract(QStringLiteral("full_three_days.txt"), "600610", "中毅达", false, 0,
            ExtractionCaller::Reanalysis);
    EXPECT_EQ(frame.messages.size(), 1);
    EXPECT_EQ(changeRows().size(), 7);
}

TEST_F(BlindReport, TheButtonKeepsTheDocumentAndDatesTheStock) {
    const ExtractionResult result = extract(QStringLiteral("full_three_days.txt"), "600610", "中毅达", false,
                                            0, ExtractionCaller::Button);
    EXPECT_TRUE(result.documentWritten);
    EXPECT_TRUE(QFile::exists(
        QDir(home.path()).filePath(QStringLiteral("600610/600610-2017-03-17") + U("变动资料.txt"))));
    const StockRow row = stock("600610");
    ASSERT_TRUE(row.found);
    EXPECT_EQ(row.docDate, QDate(2017, 3, 17));
    EXPECT_EQ(row.lastDate, k0316);
    EXPECT_EQ(row.bigLast, QDate(2017, 3, 15));
    expectRows(changeRows(), newestDayRows());
    expectTrades(tradeRows(), zhongYiDaTrades());

    // A re-analysis of the same page leaves the document date alone.
    extract(QStringLiteral("full_three_days.txt"), "600610", "中毅达", false, 0,
            ExtractionCaller::Reanalysis);
    EXPECT_EQ(stock("600610").docDate, QDate(2017, 3, 17));
}

}  // namespace
}  // namespace quarrow::test

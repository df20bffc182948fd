// Every answer the program gives is the same whatever the store: its own SQLite file, or
// an ODBC source (unixODBC with the SQLite ODBC driver) over a file laid out as the
// program's own or as an Access file of the first release (CURRENCY, DATETIME, COUNTER
// columns and views without the department keys). Each store is filled through its own
// connection by the program's writers; the answers to one list of questions are compared
// row for row with the program's own file's: the summary, the query page and its
// drill-down, the track record, the followed departments and the digest, the stock table
// and the relay's watch list, keys past 32 bits, a download and a filtered delete.
// Skipped, with the reason, where the ODBC stand-in is missing.

#include "app/RunControl.h"
#include "app/Settings.h"
#include "app/TextCodec.h"
#include "demo/DemoTrades.h"
#include "download/DataDownload.h"
#include "download/PageContract.h"
#include "download/PageLoader.h"
#include "follow/DayDigest.h"
#include "follow/DigestFormat.h"
#include "follow/FollowedKeys.h"
#include "follow/FollowedTrades.h"
#include "monitor/StocksForMonitor.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"
#include "report/StockExtraction.h"
#include "review/DrillDown.h"
#include "review/FilteredDelete.h"
#include "review/ReviewTestData.h"
#include "scorecard/TrackRecord.h"
#include "store/ChangeReads.h"
#include "store/DepartmentNames.h"
#include "store/RecordKeys.h"
#include "store/StockTable.h"
#include "support/FakeLauncher.h"
#include "support/OdbcStandIn.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>

using namespace quarrow;
using namespace quarrow::test;

namespace {

enum class Kind { OwnFile, OdbcOwnLayout, OdbcAccessLayout };

std::string kindName(const ::testing::TestParamInfo<Kind>& info) {
    switch (info.param) {
        case Kind::OwnFile:
            return "OwnFile";
        case Kind::OdbcOwnLayout:
            return "OdbcOwnLayout";
        case Kind::OdbcAccessLayout:
            break;
    }
    return "OdbcAccessLayout";
}

// Keys past 32 bits, at both ends of 64.
const QList<qint64> kWideKeys{(qint64(1) << 31) + 7, (qint64(1) << 40) + 12345,
                              std::numeric_limits<qint64>::max() - 3, std::numeric_limits<qint64>::min() + 5};
const QDate kLastDay(2017, 3, 16);

// A quote folder of a few dozen stocks with their dragon-tiger pages, made once.
struct QuoteData {
    TempHome home;
    QString folder = home.file(QStringLiteral("quote"));
    QuoteFolderGenerator generator{[] {
        QuoteFolderOptions options;
        options.stockCount = 24;
        options.barCount = 160;
        return options;
    }()};
    GeneratedQuoteFolder plan = generator.plan();
    QuoteData() { EXPECT_TRUE(generator.write(folder)); }
};

QuoteData& quoteData() {
    static QuoteData data;
    return data;
}

// One store of a kind, filled by the program's writers through its own connection.
struct KindStore {
    explicit KindStore(Kind kind) {
        const QString file = home.file(QStringLiteral("store.db"));
        if (kind == Kind::OdbcOwnLayout) {
            TDataBase maker(file);
            EXPECT_TRUE(maker.open()) << maker.openError().toStdString();
        }
        if (kind == Kind::OdbcAccessLayout) {
            QString error;
            EXPECT_TRUE(makeAccessStandIn(file, &error)) << error.toStdString();
        }
        db = std::make_unique<TDataBase>(file);
        if (kind != Kind::OwnFile)
            db->useOdbc(standInConnection(file));
        EXPECT_TRUE(db->open()) << db->openError().toStdString();
    }

    void fill() {
        const QuoteData& quote = quoteData();
        ExtractionServices services{
            *db, frame, clock, launcher, archiver, network, ProgramFolder(home.path())};
        ExtractionAccount totals;
        for (const GeneratedQuoteStock& stock : quote.plan.stocks) {
            const std::optional<GeneratedReport> report = quote.generator.reportPage(quote.plan, stock);
            if (!report)
                continue;
            ExtractionOptions options;
            options.code = report->code;
            options.name = report->name;
            options.allChanges = true;
            StockExtraction(services, totals).run(report->lines, options, ExtractionCaller::Reanalysis);
        }
        QString error;
        ASSERT_TRUE(storeDemoTrades(*db, quote.plan, {300, 12, 7}, &error)) << error.toStdString();
        const QString name = QStringLiteral("中信证券股份有限公司上海溧阳路证券营业部");
        offerDepartment(*db, CalcDeptKey(name), name);
        for (const qint64 key : kWideKeys)
            ASSERT_TRUE(insertChangeRow(
                            *db, {QStringLiteral("600000"), kLastDay, CalcDeptKey(name), Money::fromUnits(3),
                                  Money(), Money::fromRaw(52500), QStringLiteral("涨跌幅大"), key, true})
                            .inserted());
        const AlertRow alert{QStringLiteral("600000"),
                             QStringLiteral("浦发银行"),
                             kLastDay,
                             QStringLiteral("10:31主力抛售"),
                             Money(),
                             Money::fromRaw(812345),
                             Money::fromRaw(123400),
                             QStringLiteral("0316600000 10:31抛81.2345")};
        ASSERT_TRUE(insertAlert(*db, alert).inserted());
        EXPECT_TRUE(insertAlert(*db, alert).duplicate());
        ASSERT_TRUE(
            insertListedStock(*db, {QStringLiteral("900901"), QStringLiteral("云赛B股"), QDate(1994, 1, 1),
                                    Money::fromRaw(1234567), Money::fromRaw(89), QDate(2017, 3, 1), kLastDay})
                .inserted());
    }

    TempHome home;
    std::unique_ptr<TDataBase> db;
    RecordingFrame frame{home.path()};
    VirtualClock clock{QDateTime(QDate(2017, 3, 21), QTime(16, 0))};
    FakeLauncher launcher;
    FixedNetworkState network{true};
    PortableArchiver archiver;
};

QStringList composedAnswer(TDataBase& db, const ComposedStatement& composed) {
    QueryRows rows(db, composed);
    return QStringList{rows.columnTitles().join(QLatin1Char('|'))} + resultRows(db, composed);
}

// The download's pages of a day after the stored ones: anomaly rows of a stock new to the
// store, of a known and of a new department, then a block trade; then nothing more.
class DayAfterPages final : public PageLoader {
public:
    PageResult load(const QUrl&, const std::function<bool()>&) override {
        const auto mark = [](const QString& first, const QString& second, const QString& third) {
            return QStringList{first, second, third, {}, {}, {}, {}, {}};
        };
        const QString day = Statement::dayText(kLastDay.addDays(1));
        const QList<QList<QStringList>> pages{
            {mark(PageContract::kHeader, "3", "1"),
             {"600999", "新股票", day, "机构专用", "1500.25", "0", "10.01", "涨跌幅大"},
             {"600999", "新股票", day, "模拟证券新营业部", "0", "812.5", "10.01", "涨跌幅大"},
             {"600000", "浦发银行", day, "机构专用", "33.3333", "0", "-5.5", "换手率高"},
             mark(PageContract::kEnd, {}, "3")},
            {mark(PageContract::kHeader, "1", "1"),
             {"600999", "新股票", day, "模拟证券新营业部", "12.34", "81.2", "1002.0", "机构专用"},
             mark(PageContract::kEnd, {}, "1")},
        };
        const QList<QStringList> nothing{mark(PageContract::kHeader, "0", "0"),
                                         mark(PageContract::kEnd, {}, "-1")};
        QString html = QStringLiteral("<html><body><table>");
        for (const QStringList& cells : pages.value(m_served++, nothing)) {
            html += QStringLiteral("<tr>");
            for (const QString& cell : cells)
                html += QStringLiteral("<td>") + cell.toHtmlEscaped();
        }
        return {PageResult::Status::Loaded, html + QStringLiteral("</table></body></html>"), {}};
    }

private:
    int m_served = 0;
};

QString money(const std::optional<Money>& value) {
    return value ? value->toString() : QStringLiteral("null");
}

// The questions, each answered as lines of text.
using Ask = std::function<QStringList(KindStore&)>;

QList<std::pair<const char*, Ask>> questions() {
    QList<std::pair<const char*, Ask>> list;
    list.append({"summary", [](KindStore& s) {
                     const StoreSummary summary = storeSummary(*s.db);
                     QStringList lines{QStringLiteral("%1 %2 %3 %4 %5")
                                           .arg(summary.stocks)
                                           .arg(summary.anomalyDays)
                                           .arg(summary.changeRows)
                                           .arg(summary.blockTrades)
                                           .arg(summary.departments)};
                     for (const StoreSummary::Department& d : summary.topBuyers)
                         lines << d.name + QStringLiteral(" %1 %2 %3")
                                               .arg(d.rows)
                                               .arg(d.bought.toString(), d.sold.toString());
                     return lines;
                 }});
    list.append(
        {"department list", [](KindStore& s) { return loadDepartmentNames(*s.db).value_or(QStringList()); }});
    list.append(
        {"query page", [](KindStore& s) {
             QStringList lines;
             OperatorQuery page;
             page.fromTicked = false;
             for (const QueryButtonInfo& button : queryButtons())
                 for (const bool sorted : {false, true}) {
                     page.sortOnAmount = sorted;
                     const OperatorStatements statements =
                         composeOperatorQueryFor(*s.db, page, button.button);
                     QStringList main = composedAnswer(*s.db, statements.main);
                     QStringList trades = composedAnswer(*s.db, statements.blockTrades);
                     // Rows of one size have no order among themselves.
                     if (sorted) {
                         std::sort(main.begin() + 1, main.end());
                         std::sort(trades.begin() + 1, trades.end());
                     }
                     lines << main << trades;
                 }
             page = OperatorQuery::initial(kLastDay.addDays(-20));
             page.toTicked = true;
             page.to = kLastDay;
             page.departmentGiven = true;
             page.departmentItem = QStringLiteral("机构专用");
             lines << composedAnswer(*s.db, composeOperatorQueryFor(*s.db, page, QueryButton::All).main);
             page.departmentGiven = false;
             page.mainBuySale = true;
             for (const int kind : {kBoughtOrSold, kBought, kSold, kAllData}) {
                 page.thresholdKind = kind;
                 page.threshold = kind == kAllData ? 0 : 50;
                 lines << composedAnswer(*s.db, composeOperatorQueryFor(*s.db, page, QueryButton::All).main);
             }
             return lines;
         }});
    list.append({"drill-down", [](KindStore& s) {
                     QStringList lines;
                     OperatorQuery page;
                     page.fromTicked = false;
                     const OperatorStatements statements =
                         composeOperatorQueryFor(*s.db, page, QueryButton::All);
                     for (const ResultKind kind : {ResultKind::TopFive, ResultKind::BlockTrades}) {
                         QueryRows rows(
                             *s.db, kind == ResultKind::TopFive ? statements.main : statements.blockTrades);
                         if (!rows.next())
                             return QStringList{QStringLiteral("no rows")};
                         const QVariantList row = rows.row();
                         for (const int column : {0, 1, 2, 3, 7})
                             if (const auto composed = composeDrillDown(kind, column, row))
                                 lines << composedAnswer(*s.db, *composed);
                     }
                     return lines;
                 }});
    list.append(
        {"track record", [](KindStore& s) {
             const TrackRecord record = TrackRecord::compute(*s.db, quoteData().folder, {});
             QStringList lines{record.error(), QString::number(record.stats().rows)};
             for (const DepartmentRecord& d : record.departments()) {
                 QString line =
                     d.name +
                     QStringLiteral(" %1 %2 %3").arg(d.appearances).arg(d.buys.trades).arg(d.sells.trades);
                 for (const HorizonFigures& h : d.buys.horizons)
                     line += QStringLiteral(" %1:%2").arg(h.count).arg(h.average, 0, 'f', 3);
                 lines << line;
             }
             return lines;
         }});
    list.append(
        {"followed and digest", [](KindStore& s) {
             const std::optional<FollowedKeys> keys = FollowedKeys::resolve(
                 *s.db, {QStringLiteral("机构专用"), QStringLiteral("模拟证券第3营业部")}, nullptr);
             if (!keys)
                 return QStringList{QStringLiteral("no keys")};
             const QString cache = s.home.file(QStringLiteral("FollowRecord.cache"));
             const FollowedTradeList trades =
                 FollowedTrades(*s.db, quoteData().folder, cache).between(*keys, QDate(2016, 1, 1), QDate());
             QStringList lines{trades.error};
             for (const FollowedTrade& t : trades.trades)
                 lines << QStringLiteral("%1 %2 %3 %4 %5 %6")
                              .arg(t.code, Statement::dayText(t.day), t.department, t.bought.toString(),
                                   t.sold.toString())
                              .arg(t.record ? t.record->count : -1);
             QString error;
             for (const QDate& day : {kLastDay, QDate()}) {
                 const std::optional<DayDigest> digest =
                     DayDigestBuilder(*s.db, quoteData().folder, cache).build(*keys, day, false, &error);
                 lines << (digest ? DigestFormat::text(*digest) : error);
             }
             return lines;
         }});
    list.append(
        {"stock table", [](KindStore& s) {
             QStringList lines;
             for (const CapitalRow& row : shareCapitalRows(*s.db, std::nullopt).value_or(QList<CapitalRow>()))
                 lines
                     << QStringList{row.code,     row.name, row.listed, money(row.total), money(row.tradable),
                                    row.refreshed}
                            .join(QLatin1Char('|'));
             for (const StockDay which :
                  {StockDay::Document, StockDay::LastChange, StockDay::LastBlockTrade}) {
                 lines << Statement::dayText(newestStockDay(*s.db, which).value_or(QDate()));
                 const StockDayRead read = readStockDay(*s.db, QStringLiteral("900901"), which);
                 lines << QStringLiteral("%1 %2").arg(read.stockKnown).arg(Statement::dayText(read.day));
             }
             lines << money(tradableShares(*s.db, QStringLiteral("900901")).shares);
             // The relay's watch list: the stocks by their tradable shares.
             StockList all;
             OwnStockList own(s.home.file(QStringLiteral("SelfStock.Txt")));
             StocksForMonitor watched(*s.db, all, own);
             for (const WatchSelection& selection :
                  {WatchSelection{true, 100, false, 0, false}, WatchSelection{true, 0, true, 1, false}}) {
                 lines << QString::number(watched.rebuild(selection));
                 for (const WatchRow& row : watched.rows())
                     lines << row.name + QLatin1Char('|') + row.value;
             }
             return lines;
         }});
    list.append({"wide keys", [](KindStore& s) {
                     QStringList lines;
                     for (const StoredChangeRow& row : changeRowsWithKeys(*s.db, kWideKeys).rows)
                         lines << QString::number(row.key);
                     lines.sort();
                     for (const qint64 key : kWideKeys)
                         lines << QString::number(
                             insertChangeRow(*s.db, {QStringLiteral("600000"), kLastDay, 1, Money(), Money(),
                                                     Money(), QString(), key})
                                 .duplicate());
                     return lines;
                 }});
    // Last: they change the store.
    list.append({"download", [](KindStore& s) {
                     RunControl run(s.frame, s.clock);
                     SimulatedShutdown shutdown;
                     DayAfterPages pages;
                     const DownloadOptions options{QStringLiteral("http://127.0.0.1:8686/StChange"),
                                                   QStringLiteral("http://127.0.0.1:8686/BigBuySale"),
                                                   QStringLiteral("user")};
                     QString preset;
                     Settings settings(s.home.file(QStringLiteral("quarrow.INI")), s.home.path(), s.clock);
                     const RunLease lease = run.lease(JobKind::Download);
                     const DownloadOutcome outcome =
                         DataDownload({*s.db, s.frame, s.clock, run, s.network, shutdown, pages, settings})
                             .run(lease, options, [&](const QString&, const QString&, const QString& asked) {
                                 preset = asked;
                                 return std::optional<QString>(Statement::dayText(kLastDay.addDays(1)));
                             });
                     QStringList lines{preset, QStringLiteral("%1 %2 %3")
                                                   .arg(outcome.changeStored)
                                                   .arg(outcome.bigStored)
                                                   .arg(outcome.departmentsAdded)};
                     for (const StoredChangeRow& row : changeRowsOfDay(*s.db, kLastDay.addDays(1)).rows)
                         lines << QStringList{row.code,
                                              row.name,
                                              row.department,
                                              row.bought.toString(),
                                              row.sold.toString(),
                                              row.rate.toString(),
                                              row.memo,
                                              QString::number(row.key)}
                                      .join(QLatin1Char('|'));
                     for (const StockDay which : {StockDay::LastChange, StockDay::LastBlockTrade})
                         lines << Statement::dayText(
                             readStockDay(*s.db, QStringLiteral("600999"), which).day);
                     return lines;
                 }});
    list.append({"filtered delete", [](KindStore& s) {
                     s.frame.answers = {MessageAnswer::Yes};
                     OperatorQuery page = OperatorQuery::initial(kLastDay);
                     page.toTicked = true;
                     page.to = kLastDay;
                     page.fromTicked = false;
                     const FilteredDeleteOutcome outcome = FilteredDelete(*s.db, s.frame).run(page);
                     const StoreSummary summary = storeSummary(*s.db);
                     return QStringList{QStringLiteral("end %1").arg(static_cast<int>(outcome.end)),
                                        QStringLiteral("%1 rows deleted").arg(outcome.rows),
                                        QStringLiteral("%1 rows and %2 anomaly days left")
                                            .arg(summary.changeRows)
                                            .arg(summary.anomalyDays)};
                 }});
    return list;
}

class StoreKinds : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        if (GetParam() != Kind::OwnFile && !odbcStandInMissing().isEmpty())
            GTEST_SKIP() << odbcStandInMissing().toStdString();
    }
};
// The ODBC stores, answering as the program's own file does.
class OdbcStores : public StoreKinds {};

}  // namespace

TEST_P(OdbcStores, EveryAnswerIsTheOwnFilesRowForRow) {
    KindStore own(Kind::OwnFile);
    KindStore store(GetParam());
    ASSERT_EQ(store.db->viaOdbc(), GetParam() != Kind::OwnFile);
    own.fill();
    store.fill();
    for (const auto& [name, ask] : questions()) {
        SCOPED_TRACE(name);
        const QStringList expected = ask(own);
        EXPECT_GT(expected.join(QString()).size(), 10) << "the question has an answer worth comparing";
        EXPECT_EQ(ask(store), expected);
    }
}

TEST_P(StoreKinds, AReportStoredTwiceIsStoredOnceAndARollbackLeavesNothing) {
    KindStore store(GetParam());
    const QStringList lines =
        TextCodec::splitLines(TextCodec::decode(dataFile(QStringLiteral("report/two_days.txt"))));
    ExtractionServices services{*store.db,
                                store.frame,
                                store.clock,
                                store.launcher,
                                store.archiver,
                                store.network,
                                ProgramFolder(store.home.path())};
    ExtractionAccount totals;
    ExtractionOptions options;
    options.code = QStringLiteral("600610");
    options.name = QStringLiteral("中毅达");
    EXPECT_TRUE(
        StockExtraction(services, totals).run(lines, options, ExtractionCaller::Reanalysis).reportRecognised);
    EXPECT_EQ(storeSummary(*store.db).changeRows, 5);
    EXPECT_EQ(readStockDay(*store.db, options.code, StockDay::LastChange).day, QDate(2017, 3, 16));
    store.frame.logs.clear();
    StockExtraction(services, totals).run(lines, options, ExtractionCaller::Reanalysis);
    EXPECT_TRUE(
        store.frame.hasLog(QStringLiteral("\t>>>>>数据库中已经保存过 600610 的操盘数据"), LogColor::Red));
    EXPECT_EQ(store.frame.countLogs(QStringLiteral("出错")), 0);
    EXPECT_EQ(storeSummary(*store.db).changeRows, 5);
    EXPECT_EQ(storeSummary(*store.db).blockTrades, 2);
    {
        Transaction transaction(*store.db);
        ASSERT_TRUE(transaction.began());
        ASSERT_TRUE(insertStock(*store.db, {QStringLiteral("600001"), QStringLiteral("邯郸钢铁"), {}, {}, {}})
                        .inserted());
        EXPECT_EQ(storeSummary(*store.db).stocks, 2);
    }
    EXPECT_EQ(storeSummary(*store.db).stocks, 1);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreKinds,
                         ::testing::Values(Kind::OwnFile, Kind::OdbcOwnLayout, Kind::OdbcAccessLayout),
                         kindName);
INSTANTIATE_TEST_SUITE_P(Stores, OdbcStores, ::testing::Values(Kind::OdbcOwnLayout, Kind::OdbcAccessLayout),
                         kindName);

// An Access file keeps the key in a currency column: the value is the key ÷ 10,000. Through
// the stand-in, whose "currency" is SQLite's floating point, the value holds fifteen
// digits, so a key whose currency value has no more round-trips there (an Access currency
// holds all nineteen); the file shows that the value went in divided, never the raw key.
TEST(AccessCurrencyKey, TheKeyTravelsAsTheCurrencyValueWhoseRawScaledIntegerItIs) {
    if (!odbcStandInMissing().isEmpty())
        GTEST_SKIP() << odbcStandInMissing().toStdString();
    TempHome home;
    const QString file = home.file(QStringLiteral("Quarrow.mdb.db"));
    QString error;
    ASSERT_TRUE(makeAccessStandIn(file, &error)) << error.toStdString();
    const qint64 key = (qint64(1) << 40) + 1;  // 109951162.7777 as currency
    {
        TDataBase db(file);
        db.useOdbc(standInConnection(file), StoreKind::Access);
        ASSERT_TRUE(db.open()) << db.openError().toStdString();
        EXPECT_EQ(db.valueRules().key, KeyForm::Currency);
        const ChangeRow row{
            QStringLiteral("600000"), kLastDay, 1, Money::fromUnits(2), Money(), Money(), {}, key};
        ASSERT_TRUE(insertChangeRow(db, row).inserted());
        EXPECT_TRUE(insertChangeRow(db, row).duplicate());
        const StoredChangeRows read = changeRowsWithKeys(db, {key});
        ASSERT_EQ(read.rows.size(), 1u) << read.error.toStdString();
        EXPECT_EQ(read.rows.front().key, key);
    }
    QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
    raw.setDatabaseName(file);
    ASSERT_TRUE(raw.open());
    {
        QSqlQuery stored(raw);
        ASSERT_TRUE(stored.exec(QStringLiteral("select StKEY from tblStChange")) && stored.next());
        EXPECT_DOUBLE_EQ(stored.value(0).toDouble(), 109951162.7777);
    }
    raw.close();
    raw = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
}

#include "download/DataDownload.h"

#include "app/Settings.h"

#include "download/PageContract.h"
#include "download/PageLoader.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"
#include "store/DataBase.h"
#include "store/RecordKeys.h"
#include "support/FaultInjection.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QUrlQuery>

#include <algorithm>
#include <deque>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// A row of a page: eight cells.
using Cells = QStringList;

QString page(const QList<Cells>& rows) {
    QString html = QStringLiteral("<html><body><table>");
    for (const Cells& row : rows) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row)
            html += QStringLiteral("<td>") + cell.toHtmlEscaped() + QStringLiteral("</td>");
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table></body></html>");
}

Cells header(int remaining, int firstId) {
    return {PageContract::kHeader, QString::number(remaining), QString::number(firstId), "", "", "", "", ""};
}

Cells end(int lastId) {
    return {PageContract::kEnd, "", QString::number(lastId), "", "", "", "", ""};
}

Cells change(const QString& code, const QString& day, const QString& dept, const QString& buy,
             const QString& sale = "0") {
    return {code, "名" + code, day, dept, buy, sale, "7.5", "涨跌幅大"};
}

Cells trade(const QString& code, const QString& day, const QString& qty) {
    return {code, "名" + code, day, "买方营业部", "10.5", qty, "52.5", "卖方营业部"};
}

// Pages handed out in the order asked for; every address asked for is kept. Once the
// pages run out, every page is empty.
class FakeLoader final : public PageLoader {
public:
    PageResult load(const QUrl& url, const std::function<bool()>& stopRequested) override {
        requests << url;
        if (onLoad)
            onLoad();
        if (pendingOn == requests.size()) {
            // The page never comes: only the stop command ends the wait.
            while (!stopRequested())
                pump->processEvents();
            return {PageResult::Status::Stopped, {}, {}};
        }
        if (pages.empty())
            return {PageResult::Status::Loaded, page({header(0, 0), end(-1)}), {}};
        if (pages.front().startsWith(QLatin1String("FAIL:"))) {
            PageResult failed{PageResult::Status::Failed, {}, pages.front().mid(5)};
            pages.pop_front();
            return failed;
        }
        PageResult result{PageResult::Status::Loaded, pages.front(), {}};
        pages.pop_front();
        return result;
    }

    // The query items of the n-th request (from 0) as "Date ID USER".
    void expect(const QUrl& url) override { expected << url; }

    QString query(int n) const {
        const QUrlQuery q(requests.value(n));
        return q.queryItemValue("Date") + " " + q.queryItemValue("ID") + " " +
               q.queryItemValue("USER", QUrl::FullyDecoded);
    }

    std::deque<QString> pages;
    QList<QUrl> requests;
    QList<QUrl> expected;  // the hints, in order
    int pendingOn = -1;    // the request (from 1) whose page never comes
    EventPump* pump = nullptr;
    std::function<void()> onLoad;
};

class NoShutdown final : public Shutdown {
public:
    ShutdownResult powerOff() override {
        ++calls;
        return {true, {}};
    }
    int calls = 0;
};

class DataDownloadTest : public ::testing::Test {
protected:
    DataDownloadTest() : db(home.file("Quarrow.db")), frame(home.path()), run(frame, clock), network(false) {
        EXPECT_TRUE(db.open());
        // Rows of a day after tomorrow are refused: the test pages are of March 2024.
        clock.setNow(QDateTime(QDate(2024, 6, 3), QTime(15, 0)));
        loader.pump = &frame;
        options.changePage = "http://127.0.0.1:8686/StChange";
        options.bigPage = "http://127.0.0.1:8686/BigBuySale";
        options.user = "a&b";
    }

    DownloadOutcome download(std::optional<QString> date = QStringLiteral("2024-03-01")) {
        DataDownload job({db, frame, clock, run, network, shutdown, loader, settings});
        const RunLease lease = run.lease(JobKind::Download);
        return job.run(lease, options, [&](const QString&, const QString&, const QString& preset) {
            presets << preset;
            return date;
        });
    }

    qint64 scalar(const QString& sql) {
        Statement query = db.QueryPublic(sql);
        EXPECT_TRUE(query.exec()) << query.error().toStdString();
        return query.next() ? query.integer(0) : -1;
    }

    QStringList column(const QString& sql) {
        Statement query = db.QueryPublic(sql);
        EXPECT_TRUE(query.exec()) << query.error().toStdString();
        QStringList values;
        while (query.next())
            values << query.text(0);
        return values;
    }

    void execute(const QString& sql) { ASSERT_TRUE(db.execute(sql)) << sql.toStdString(); }

    TempHome home;
    TDataBase db;
    RecordingFrame frame;
    VirtualClock clock;
    Settings settings{home.file("quarrow.INI"), home.path(), clock};
    RunControl run;
    FixedNetworkState network;  // not connected: the loopback pages need no network
    NoShutdown shutdown;
    FakeLoader loader;
    DownloadOptions options;
    QStringList presets;
};

TEST_F(DataDownloadTest, StoresBothPhasesWithTheMiningsKeysAndBookkeeping) {
    execute(
        "insert into tblStocks (StCode,StName,StLastDate,StBigLast) values "
        "('600001','甲','2024-02-10','2024-02-20')");
    loader.pages = {
        page({header(3, 1), change("600610", "2024-03-04", "中信证券上海分公司", "1200.5"),
              change("600610", "2024-03-04", "国泰君安总部", "0", "88"), end(2)}),
        page({header(0, 3), end(2)}),
        page({header(1, 1), trade("000001", "2024-03-05", "3"), end(1)}),
    };
    options.shutdownWhenDone = true;
    const DownloadOutcome outcome = download();
    EXPECT_EQ(shutdown.calls, 1);  // the block trades stored a row and no one stopped

    EXPECT_EQ(presets, QStringList{"2024-02-11"});
    // The user name comes from the settings, escaped; the block trades start the day after
    // the newest stored trade, whatever day was entered.
    EXPECT_EQ(loader.query(0), "2024-03-01 0 a&b");
    EXPECT_EQ(loader.query(1), "2024-03-04 3 a&b");
    EXPECT_EQ(loader.query(2), "2024-02-21 0 a&b");
    EXPECT_EQ(loader.requests.size(), 3);
    EXPECT_EQ(outcome.changeStored, 2);
    EXPECT_EQ(outcome.changeStocks, 1);
    EXPECT_EQ(outcome.bigStored, 1);
    EXPECT_EQ(outcome.dates.from, QDate(2024, 3, 5));
    EXPECT_TRUE(outcome.pageProblems.isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("select StKEY from tblStChange where StBuy=0")),
              CalcRecordKey("600610", "国泰君安总部", Money(), Money::fromUnits(88), QDate(2024, 3, 4)));
    EXPECT_EQ(scalar(QStringLiteral("select StKEY from tblBigBuySale")),
              CalcRecordKey("000001", "买方营业部", Money::fromUnits(3), Money::parse("52.5").value(),
                            QDate(2024, 3, 5)));
    EXPECT_EQ(column("select StCode||' '||StName||' '||StLastDate||' '||ifnull(StBigLast,'-') from tblStocks "
                     "order by StCode"),
              (QStringList{"000001 名000001 2024-03-05 2024-03-05", "600001 甲 2024-02-10 2024-02-20",
                           "600610 名600610 2024-03-04 -"}));
    EXPECT_EQ(scalar("select count(*) from tblStDepart"), 4);
    EXPECT_EQ(scalar("select count(*) from tblStChange where StArchived"), 2);
    EXPECT_TRUE(frame.hasLog(">>>>>服务器上可供下载的数据:3:ID=1", LogColor::Default));
    EXPECT_TRUE(frame.hasLog(">>>>>存入数据库的涨跌幅度异常数据数目:2", LogColor::Default));
    EXPECT_TRUE(frame.hasLog(">>>>>存入数据库的大宗买卖据数目:1", LogColor::Default));
    // The panel's caption counts stocks: both rows are of one.
    EXPECT_EQ(frame.statusPanel(StatusPanel::AnomalyStocks), "1");
    EXPECT_EQ(frame.statusPanel(StatusPanel::BlockTrades), "1");
    EXPECT_TRUE(std::any_of(frame.progressUpdates.begin(), frame.progressUpdates.end(),
                            [](const RunProgress& p) { return p.maximum == 3 && p.position == 2; }));
    EXPECT_TRUE(frame.commandsEnabled);
    EXPECT_FALSE(frame.progressShown);
}

TEST_F(DataDownloadTest, WrongRowsAreLoggedAndDoNotCountAgainstTheRowsLeft) {
    loader.pages = {
        // No end row: the next request continues after the valid rows.
        page({header(2, 10), change("60061", "2024-03-04", "部", "1"),
              change("600610", "2024-03-04", "部", "0"), change("600610", "2024-13-04", "部", "1"),
              change("600610", "2024-03-04", "", "1"), change("600610", "2024-03-04", "部", "abc", "2")}),
        page({header(1, 11), change("600611", "2024-03-05", "部", "1"), end(11)}),
    };
    const DownloadOutcome outcome = download();
    EXPECT_EQ(frame.countLogs("\t从服务器获取的页面上的数据不对!"), 4);
    EXPECT_EQ(loader.query(1), "2024-03-04 11 a&b");
    EXPECT_EQ(outcome.changeStored, 2);
    EXPECT_EQ(outcome.changeStocks, 2);
    // The bar counts the rows of every page: it ends full, not past its end.
    EXPECT_TRUE(std::any_of(frame.progressUpdates.begin(), frame.progressUpdates.end(),
                            [](const RunProgress& p) { return p.maximum == 6 && p.position == 6; }));
}

TEST_F(DataDownloadTest, TheDuplicateQuestionAndItsAnswersForAll) {
    struct Case {
        const char* name;
        QList<MessageAnswer> answers;
        int questions;
        int stored;
    };
    const Case cases[] = {
        {"No skips every row of that stock day", {MessageAnswer::No, MessageAnswer::No}, 2, 0},
        {"No to all is asked once", {MessageAnswer::NoToAll}, 1, 0},
        {"Yes to all is asked once", {MessageAnswer::YesToAll}, 1, 3},
        {"Yes stores that stock day only", {MessageAnswer::Yes, MessageAnswer::No}, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempHome caseHome;
        TDataBase caseDb(caseHome.file("Quarrow.db"));
        ASSERT_TRUE(caseDb.open());
        ASSERT_TRUE(
            caseDb.execute("insert into tblStocks (StCode,StName,StLastDate) values "
                           "('600610','甲','2024-03-09'),('600611','乙','2024-03-09')"));
        RecordingFrame caseFrame;
        caseFrame.answers = c.answers;
        RunControl caseRun(caseFrame, clock);
        loader.pages = {page({header(3, 1), change("600610", "2024-03-04", "部一", "1"),
                              change("600610", "2024-03-04", "部二", "2"),
                              change("600611", "2024-03-04", "部一", "3"), end(3)})};
        Settings caseSettings(caseHome.file("quarrow.INI"), caseHome.path(), clock);
        DataDownload job({caseDb, caseFrame, clock, caseRun, network, shutdown, loader, caseSettings});
        const RunLease lease = caseRun.lease(JobKind::Download);
        const DownloadOutcome outcome = job.run(
            lease, options,
            [](const QString&, const QString&, const QString&) { return QStringLiteral("2024-03-01"); });
        EXPECT_EQ(caseFrame.messages.size(), c.questions);
        EXPECT_EQ(caseFrame.messages.value(0).question, Question::DownloadRepeat);
        EXPECT_EQ(caseFrame.messages.value(0).text,
                  "数据库中可能已经保存过 600610日期2024-03-04的操盘数据,是否重复保存?");
        EXPECT_EQ(outcome.changeStored, c.stored);
        EXPECT_EQ(caseFrame.countLogs("\t数据库中已经保存过 600610日期2024-03-04 的操盘数据"), 1);
    }
}

// The next page is asked for while a page is stored, at the address the page leads to when
// every row is stored. A row turned away leaves the day where it was: the page then asked
// for is the one the stored rows lead to, whatever was expected.
TEST_F(DataDownloadTest, TheNextPageIsExpectedWhileAPageIsStored) {
    struct Case {
        const char* name;
        QList<MessageAnswer> answers;
        const char* secondRequest;
    };
    const Case cases[] = {
        {"every row stored", {}, "2024-03-04 3 a&b"},
        {"the stock day not stored again", {MessageAnswer::No}, "2024-03-01 3 a&b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempHome caseHome;
        TDataBase caseDb(caseHome.file("Quarrow.db"));
        ASSERT_TRUE(caseDb.open());
        ASSERT_TRUE(
            caseDb.execute("insert into tblStocks (StCode,StName,StLastDate) values ('600610','甲','"
                           "2024-03-04')"));
        RecordingFrame caseFrame;
        caseFrame.answers = c.answers;
        RunControl caseRun(caseFrame, clock);
        FakeLoader caseLoader;
        caseLoader.pages = {
            page({header(3, 1), change(c.answers.isEmpty() ? "600611" : "600610", "2024-03-04", "部一", "1"),
                  change(c.answers.isEmpty() ? "600611" : "600610", "2024-03-04", "部二", "2"), end(2)}),
            page({header(1, 3), change("600612", "2024-03-05", "部一", "1"), end(3)}),
        };
        Settings caseSettings(caseHome.file("quarrow.INI"), caseHome.path(), clock);
        DataDownload job({caseDb, caseFrame, clock, caseRun, network, shutdown, caseLoader, caseSettings});
        const RunLease lease = caseRun.lease(JobKind::Download);
        job.run(lease, options,
                [](const QString&, const QString&, const QString&) { return QStringLiteral("2024-03-01"); });
        EXPECT_EQ(caseLoader.query(1), c.secondRequest);
        ASSERT_FALSE(caseLoader.expected.isEmpty());
        EXPECT_EQ(QUrlQuery(caseLoader.expected.first()).queryItemValue("Date"), "2024-03-04");
        EXPECT_EQ(caseLoader.expected.first() == caseLoader.requests.value(1), c.answers.isEmpty());
        // Nothing is left on its way once the run is over.
        EXPECT_TRUE(caseLoader.expected.last().isEmpty());
    }
}

TEST_F(DataDownloadTest, AStockDayTakenUpAgainIsNotAskedAbout) {
    loader.pages = {
        page({header(4, 1), change("600610", "2024-03-04", "部一", "1"),
              change("600611", "2024-03-04", "部一", "1"), change("600610", "2024-03-04", "部二", "1"),
              change("600610", "2024-03-05", "部一", "1"), end(4)})};
    EXPECT_EQ(download().changeStored, 4);
    EXPECT_TRUE(frame.messages.isEmpty());
}

TEST_F(DataDownloadTest, StopWhileAPageIsPendingKeepsWhatWasStored) {
    loader.pages = {page({header(3, 1), change("600610", "2024-03-04", "部", "1"), end(1)})};
    loader.pendingOn = 2;
    frame.onProcessEvents = [&] {
        if (loader.requests.size() == 2)
            run.requestStop();
    };
    options.shutdownWhenDone = true;
    const DownloadOutcome outcome = download();
    EXPECT_TRUE(outcome.stopped());
    EXPECT_TRUE(frame.hasLog("\t从服务器获取数据被强行终止!", LogColor::Red));
    EXPECT_EQ(loader.requests.size(), 2);  // no block trades after a stop
    EXPECT_EQ(scalar("select count(*) from tblStChange"), 1);
    EXPECT_EQ(shutdown.calls, 0);
    EXPECT_FALSE(run.isActive());
}

TEST_F(DataDownloadTest, NothingIsAskedForWithoutAUsableDate) {
    frame.addLog("earlier", LogColor::Default);
    EXPECT_EQ(download(std::nullopt).reason, JobReason::Declined);
    EXPECT_EQ(frame.logLines(), QStringList{"earlier"});  // a cancel clears nothing

    EXPECT_EQ(download(QStringLiteral("2024-02-30")).reason, JobReason::InvalidInput);
    EXPECT_EQ(frame.logLines(), QStringList{"\t输入的日期不正确!"});
    EXPECT_TRUE(loader.requests.isEmpty());
    EXPECT_EQ(presets.value(0), "1980-01-01");  // an empty database: everything the server holds
}

TEST_F(DataDownloadTest, MalformedPagesEndTheirPhaseWithTheirMessage) {
    struct Case {
        QString html;
        const char* log;
    };
    const Case cases[] = {
        {page({header(1, 1)}) + page({header(1, 1)}), "\t服务器返回的页面表格不正确!"},
        {"<<<>>> not a page", "\t服务器返回的页面表格不正确!"},
        {"<table><tr><td>000000<td>1<td>1</table>", "\t从服务器获取的页面表格列数不对!"},
        // A server that keeps offering rows but sends none would be asked for ever.
        {page({header(5, 0), end(-1)}), "\t从服务器获取的页面上的数据不对!"},
    };
    for (const Case& c : cases) {
        loader.pages = {c.html};
        loader.requests.clear();
        frame.logs.clear();
        const DownloadOutcome outcome = download();
        EXPECT_TRUE(frame.hasLog(c.log, LogColor::Red)) << frame.logTexts().join("\n").toStdString();
        EXPECT_EQ(outcome.pageProblems.size(), 1) << c.log;
        EXPECT_TRUE(outcome.failed()) << c.log;
        // The block trades wait for a download whose abnormal moves go through.
        EXPECT_EQ(loader.requests.size(), 1) << c.log;
    }
}

TEST_F(DataDownloadTest, CodesAndDaysOutsideTheirRangeAreWrongData) {
    // Today is 2024-06-03 by the clock: a row of tomorrow is nobody's data yet, and would move
    // the next download's start past today.
    loader.pages = {page(
        {header(9, 1), change("60'610", "2024-03-04", "部", "1"), change("60061a", "2024-03-04", "部", "1"),
         change(QStringLiteral("６００６１０"), "2024-03-04", "部", "1"),
         change("600610", "1989-12-31", "部", "1"), change("600610", "2024-06-05", "部", "1"),
         change("600610", "9999-12-31", "部", "1"), change("600610", "1990-01-01", "部", "1"),
         change("600611", "2024-06-04", "部", "1"), end(2)})};
    const DownloadOutcome outcome = download();
    EXPECT_EQ(frame.countLogs("\t从服务器获取的页面上的数据不对!"), 7);
    EXPECT_EQ(outcome.changeStored, 1);
    EXPECT_EQ(column("select StCode||' '||StLastDate from tblStocks order by StCode"),
              (QStringList{"600610 1990-01-01"}));
}

TEST_F(DataDownloadTest, IdsThatDoNotMoveOnEndThePhaseAsWrongData) {
    struct Case {
        const char* name;
        QList<QString> pages;
        int requests;  // of the abnormal moves
    };
    const Case cases[] = {
        {"asked for ID 3, an end row pointing back to 0",
         {page({header(5, 1), change("600610", "2024-03-04", "部", "1"), end(2)}),
          page({header(4, 3), change("600611", "2024-03-04", "部", "1"), end(0)})},
         2},
        {"the same ID again on the second page",
         {page({header(5, 1), change("600610", "2024-03-04", "部", "1"), end(1)}),
          page({header(4, 2), end(1)})},
         2},
        {"an end row that is not a number",
         {page({header(5, 1),
                change("600610", "2024-03-04", "部", "1"),
                {PageContract::kEnd, "", "abc", "", "", "", "", ""}})},
         1},
        {"an end row at the largest ID",
         {page({header(5, 1),
                change("600610", "2024-03-04", "部", "1"),
                {PageContract::kEnd, "", "9223372036854775807", "", "", "", "", ""}})},
         1},
        {"no rows and no end row", {page({header(5, 0)})}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        loader.pages = std::deque<QString>(c.pages.begin(), c.pages.end());
        loader.requests.clear();
        frame.logs.clear();
        QFile::remove(home.file("quarrow.INI"));  // each case from the start, not where the last stopped
        const DownloadOutcome outcome = download();
        // A failed phase of abnormal moves leaves the block trades for the next download.
        EXPECT_EQ(loader.requests.size(), c.requests);
        EXPECT_EQ(outcome.pageProblems.size(), 1);
        EXPECT_TRUE(outcome.pageProblems.value(0).contains("which was asked for already"))
            << outcome.pageProblems.value(0).toStdString();
        EXPECT_TRUE(frame.hasLog("\t从服务器获取的页面上的数据不对!", LogColor::Red));
    }
}

TEST_F(DataDownloadTest, OutsideTextIsShownWithoutItsControlCharacters) {
    loader.pages = {page({{PageContract::kHeader, "0", "1\u202e2", "", "", "", "", ""}, end(0)}),
                    "FAIL:the server answered HTTP 500: \x1b]0;pwned\x07\u202eboom"};
    const DownloadOutcome outcome = download();
    EXPECT_TRUE(frame.hasLog(">>>>>服务器上可供下载的数据:0:ID=1\uFFFD2", LogColor::Default))
        << frame.logTexts().join("\n").toStdString();
    EXPECT_EQ(outcome.pageProblems,
              QStringList{"block trades: the server answered HTTP 500: \uFFFD]0;pwned\uFFFD\uFFFDboom"});
}

TEST_F(DataDownloadTest, APageRefusedOrStoppedWhileReadStoresNothing) {
    loader.pages = {page({header(1, 1), change("600610", "2024-03-04", "部", "1"), end(1)}) +
                    QString("<div>").repeated(1000)};
    DownloadOutcome outcome = download();
    EXPECT_TRUE(frame.hasLog("\t服务器返回的页面结构异常,没有读取!", LogColor::Red));
    EXPECT_EQ(outcome.pageProblems,
              QStringList{"abnormal moves: the page nests its elements more than 256 deep"});

    // Stop pressed while the page is being read: the download ends and the page is not stored.
    loader.pages = {page({header(1, 1), change("600610", "2024-03-04", "部", "1"), end(1)})};
    loader.requests.clear();
    bool loaded = false;
    loader.onLoad = [&] { loaded = true; };
    frame.onProcessEvents = [&] {
        if (loaded)
            run.requestStop();
    };
    outcome = download();
    EXPECT_TRUE(outcome.stopped());
    EXPECT_EQ(loader.requests.size(), 1);
    EXPECT_EQ(scalar("select count(*) from tblStChange"), 0);
}

TEST_F(DataDownloadTest, APageTheDatabaseRefusesIsRolledBackAndSaidSo) {
    TempHome faultHome;
    SqliteWriteFaults faults(-1);
    TDataBase faultDb(faultHome.file("Quarrow.db"));
    ASSERT_TRUE(faultDb.open());
    loader.pages = {page({header(3, 1), change("600610", "2024-03-04", "部", "1"), end(1)}),
                    page({header(2, 2), change("600611", "2024-03-05", "部", "1"), end(2)})};
    loader.onLoad = [&] {
        if (loader.requests.size() == 2)
            faults.allow(0);
    };
    DataDownload job({faultDb, frame, clock, run, network, shutdown, loader, settings});
    const RunLease lease = run.lease(JobKind::Download);
    const DownloadOutcome outcome =
        job.run(lease, options,
                [](const QString&, const QString&, const QString&) { return QStringLiteral("2024-03-01"); });
    faults.allow(-1);
    EXPECT_FALSE(outcome.storeError().isEmpty());
    EXPECT_EQ(outcome.changeStored, 1);  // the first page only
    EXPECT_EQ(outcome.changeStocks, 1) << "the stock of the page rolled back is not counted";
    ASSERT_EQ(outcome.storedRows.size(), 1) << "the run reports no row rolled back";
    EXPECT_EQ(outcome.storedRows.at(0).recordKey,
              CalcRecordKey("600610", "部", Money::fromUnits(1), Money(), QDate(2024, 3, 4)));
    EXPECT_EQ(frame.countLogs("\t存入数据库出错,本页的数据没有保存"), 1);
    EXPECT_EQ(loader.requests.size(), 2);  // the download ended
    Statement count = faultDb.QueryPublic("select count(*) from tblStChange");
    ASSERT_TRUE(count.exec() && count.next());
    EXPECT_EQ(count.integer(0), 1);
}

}  // namespace

namespace {

TEST(DownloadSettings, PagesAndUserComeFromTheSettingsFile) {
    TempHome home;
    VirtualClock clock;
    Settings settings(home.file("quarrow.INI"), home.path(), clock);
    EXPECT_EQ(settings.serverChangePage(), "http://127.0.0.1:8686/StChange");
    EXPECT_EQ(settings.serverBigPage(), "http://127.0.0.1:8686/BigBuySale");
    // The login name never goes out: the fixed name does, unless the user set one.
    EXPECT_EQ(settings.serverUser(), "Reed.Lantern");
    ASSERT_TRUE(settings.writeText("Server", "User", "张三"));
    ASSERT_TRUE(settings.writeText("Server", "StChangePage", "http://a.example/p.asp?k=1"));
    EXPECT_EQ(settings.serverUser(), "张三");
    EXPECT_EQ(
        PageContract::requestUrl(settings.serverChangePage(), QDate(2024, 3, 1), 7, settings.serverUser())
            .toString(QUrl::FullyEncoded),
        "http://a.example/p.asp?k=1&Date=2024-03-01&ID=7&USER=%E5%BC%A0%E4%B8%89");
}

}  // namespace

#include "app/Settings.h"
#include "demo/ReportGenerator.h"
#include "download/DataDownload.h"
#include "download/DxHtmlParser.h"
#include "download/PageLoader.h"
#include "download/PageTable.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"
#include "report/StockExtraction.h"
#include "server/PagePublisher.h"
#include "server/PageServer.h"
#include "server/PostgresTables.h"
#include "store/DataBase.h"
#include "store/RecordKeys.h"
#include "support/FakeLauncher.h"
#include "support/FaultInjection.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>

using namespace quarrow;
using namespace quarrow::test;

namespace {

class NoShutdown final : public Shutdown {
public:
    ShutdownResult powerOff() override { return {false, {}}; }
};

QStringList rowsOf(TDataBase& db, const QString& sql) {
    Statement query = db.QueryPublic(sql);
    EXPECT_TRUE(query.exec()) << query.error().toStdString();
    QStringList rows;
    while (query.next()) {
        QStringList cells;
        for (int c = 0; c < query.columnNames().size(); ++c)
            cells << query.text(c);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// A page as the download reads it: the rows' first three cells.
QStringList pageRows(const QByteArray& body) {
    TDxHtmlParser parser;
    parser.setHTML(QString::fromUtf8(body));
    TDxWebTable* table = parser.WebTables().table(0);
    QStringList rows;
    for (int r = 0; table && r < table->RowCount(); ++r)
        rows << table->CellText(0, r) + " " + table->CellText(1, r) + " " + table->CellText(2, r) + " " +
                    table->CellText(3, r);
    return rows;
}

// A PostgreSQL server of its own in a temporary folder, when this machine has the server
// programs and QtSql its driver; otherwise it says why not.
class LocalPostgres {
public:
    static constexpr const char* kPassword = "s3cret pass";
    LocalPostgres() {
        QDir versions(QStringLiteral("/usr/lib/postgresql"));
        for (const QString& version :
             versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed)) {
            if (QFileInfo(versions.filePath(version + "/bin/pg_ctl")).isExecutable()) {
                m_bin = versions.filePath(version + "/bin/");
                break;
            }
        }
        if (m_bin.isEmpty()) {
            m_skip = "no PostgreSQL server programs under /usr/lib/postgresql";
            return;
        }
        if (!QSqlDatabase::isDriverAvailable("QPSQL")) {
            m_skip = "QtSql has no PostgreSQL driver (libqt6sql6-psql)";
            return;
        }
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
        probe.close();
        // PostgreSQL refuses to run as root: root hands the folder to nobody.
        if (geteuid() == 0) {
            m_asUser = {"runuser", "-u", "nobody", "--"};
            QProcess::execute("chown", {"-R", "nobody", m_dir.path()});
        }
        const QString data = m_dir.filePath("data");
        // Local socket connections are trusted; TCP ones (the tests') need the password.
        QFile passwordFile(m_dir.filePath("pw"));
        passwordFile.open(QIODevice::WriteOnly);
        passwordFile.write(QByteArray(kPassword) + '\n');
        passwordFile.close();
        if (geteuid() == 0)
            QProcess::execute("chown", {"nobody", passwordFile.fileName()});
        if (run({m_bin + "initdb", "-D", data, "--auth-local=trust", "--auth-host=scram-sha-256", "-U",
                 "postgres", "--pwfile=" + passwordFile.fileName(), "--no-sync"}) != 0) {
            m_skip = "initdb failed";
            return;
        }
        const QString serverOptions = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                                          .arg(m_port)
                                          .arg(m_dir.path());
        if (run({m_bin + "pg_ctl", "-D", data, "-o", serverOptions, "-l", m_dir.filePath("log"), "-w", "-t",
                 "60", "start"}) != 0) {
            m_skip = "the PostgreSQL server did not start";
            return;
        }
        m_started = true;
    }
    ~LocalPostgres() {
        if (m_started)
            run({m_bin + "pg_ctl", "-D", m_dir.filePath("data"), "-m", "immediate", "-w", "stop"});
    }
    QString skipReason() const { return m_skip; }
    QString address() const {
        return QStringLiteral("postgresql://postgres@127.0.0.1:%1/postgres").arg(m_port);
    }

private:
    int run(const QStringList& command) {
        const QStringList full = m_asUser + command;
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        // The server's user may not enter the test's working folder (a checkout only its
        // owner can enter), but enters its own.
        process.setWorkingDirectory(m_dir.path());
        process.start(full.first(), full.mid(1));
        if (!process.waitForFinished(120000))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QTemporaryDir m_dir;
    QString m_bin;
    QStringList m_asUser;
    QString m_skip;
    quint16 m_port = 0;
    bool m_started = false;
};

class ServerTest : public ::testing::Test {
protected:
    ServerTest()
        : source(home.file("Source.db")), target(home.file("Target.db")), run(frame, clock), network(true) {
        EXPECT_TRUE(source.open());
        EXPECT_TRUE(target.open());
        clock.setNow(QDateTime(QDate(2024, 6, 3), QTime(15, 0)));
        frame.onProcessEvents = [] { QCoreApplication::processEvents(); };
    }

    // The database of a user who mines: generated reports of a few stocks, every anomaly day.
    void mine(int stocks) {
        FakeLauncher launcher;
        FixedNetworkState online(true);
        PortableArchiver archiver;
        RecordingFrame quiet;
        ExtractionServices services{
            source, quiet, clock, launcher, archiver, online, ProgramFolder(home.path())};
        ExtractionAccount totals;
        ReportGenerator generator(7);
        for (const GeneratedStock& stock : ReportGenerator::stocks(stocks)) {
            const GeneratedReport report = generator.generate(stock, QDate(2024, 3, 15), 3, 2);
            ExtractionOptions options{report.code, report.name, true, 0, {}};
            StockExtraction(services, totals).run(report.lines, options, ExtractionCaller::Reanalysis);
        }
    }

    DownloadOutcome download(quint16 port) {
        NetworkPageLoader loader(clock, frame);
        Settings settings(home.file("quarrow.INI"), home.path(), clock);
        DataDownload job({target, frame, clock, run, network, shutdown, loader, settings});
        const RunLease lease = run.lease(JobKind::Download);
        DownloadOptions options;
        options.changePage = QStringLiteral("http://127.0.0.1:%1/StChange").arg(port);
        options.bigPage = QStringLiteral("http://127.0.0.1:%1/BigBuySale").arg(port);
        options.user = "friend";
        return job.run(lease, options,
                       [](const QString&, const QString&, const QString& preset) { return preset; });
    }

    // The target holds what the source served: every row with its names, the record keys
    // where the page carries what they are made of, the stocks' bookkeeping days.
    void expectSameRows(const DownloadOutcome& outcome) {
        EXPECT_TRUE(outcome.pageProblems.isEmpty()) << outcome.pageProblems.join("; ").toStdString();
        EXPECT_FALSE(outcome.storeFailed());
        EXPECT_TRUE(frame.messages.isEmpty());  // an empty database asks nothing

        const QString changes =
            "select StCode,StName,StDate,StDept,StBuy,StSale,StRate,StMemo from viewStChange "
            "order by StDate,StCode,StDept,StBuy,StSale";
        const QString trades =
            "select StCode,StName,StDate,StDeptBuy,StDeptSale,StPrice,StQTY,StAMT "
            "from viewStBigBuySale order by StDate,StCode,StDeptBuy,StQTY";
        const QStringList minedChanges = rowsOf(source, changes);
        ASSERT_GT(minedChanges.size(), 40);
        EXPECT_EQ(rowsOf(target, changes), minedChanges);
        EXPECT_EQ(rowsOf(target, trades), rowsOf(source, trades));
        EXPECT_EQ(outcome.changeStored, minedChanges.size());
        // Block trades and department rows keep their record keys; a downloaded anomaly row
        // is keyed by its description, as the page carries no figures line.
        const QString keys = "select StKEY from tblBigBuySale union all select StKEY from tblStChange";
        const QStringList targetKeys = rowsOf(target, keys);
        int matching = 0;
        for (const QString& key : rowsOf(source, keys))
            matching += targetKeys.contains(key) ? 1 : 0;
        EXPECT_GT(matching, minedChanges.size() / 2);
        EXPECT_EQ(rowsOf(target, "select StCode,StName,StLastDate,StBigLast from tblStocks order by StCode"),
                  rowsOf(source, "select StCode,StName,StLastDate,StBigLast from tblStocks order by StCode"));
    }

    TempHome home;
    TDataBase source;
    TDataBase target;
    RecordingFrame frame;
    VirtualClock clock;
    RunControl run;
    FixedNetworkState network;
    NoShutdown shutdown;
};

TEST_F(ServerTest, PagesFollowTheContract) {
    ASSERT_TRUE(source.execute("insert into tblStocks (StCode,StName) values ('600610','中<纺>&机')"));
    ASSERT_TRUE(source.execute("insert into tblStDepart (StDeptKey,StDept) values (1,'部&一'),(2,'部二')"));
    // Stored out of day order: the IDs count by day first.
    ASSERT_TRUE(source.execute(
        "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) values "
        "('600610','2024-03-06',1,1,0,7,'m',1),('600610','2024-03-04',2,2,0,7,'m',2),"
        "('600610','2024-03-05',1,3,0,7,'m',3)"));
    PagePublisher publisher(source.fileName(), 2);
    QString error;
    ASSERT_TRUE(publisher.open(&error)) << error.toStdString();
    struct Case {
        const char* query;
        int status;
        QStringList rows;  // first four cells of each row, or the plain-text reason
    };
    const Case cases[] = {
        {"Date=2024-03-01&ID=0&USER=x",
         200,
         {"000000 3 1 ", "600610 中<纺>&机 2024-03-04 部二", "600610 中<纺>&机 2024-03-05 部&一",
          "xxxxxx  2 "}},
        {"Date=2024-03-05&ID=0",
         200,
         {"000000 2 2 ", "600610 中<纺>&机 2024-03-05 部&一", "600610 中<纺>&机 2024-03-06 部&一",
          "xxxxxx  3 "}},
        {"Date=2024-03-04&ID=3", 200, {"000000 1 3 ", "600610 中<纺>&机 2024-03-06 部&一", "xxxxxx  3 "}},
        {"Date=2024-03-04&ID=99", 200, {"000000 0 99 ", "xxxxxx  98 "}},
        {"Date=2024-3-32&ID=0", 400, {"Date must be a day written yyyy-mm-dd"}},
        {"Date=2024-03-04&ID=-1", 400, {"ID must be a whole number from 0"}},
        {"Date=2024-03-04&ID=1%27%20or%201", 400, {"ID must be a whole number from 0"}},
        {"Date=2024-03-04", 400, {"ID must be a whole number from 0"}},
    };
    for (const Case& c : cases) {
        const PageAnswer answer = publisher.answer("/StChange", QUrlQuery(QString::fromLatin1(c.query)));
        EXPECT_EQ(answer.status, c.status) << c.query;
        const QStringList rows = answer.status == 200 ? pageRows(answer.body)
                                                      : QStringList{QString::fromUtf8(answer.body).trimmed()};
        EXPECT_EQ(rows, c.rows) << c.query;
        // The download reads the server's pages without the full parse.
        EXPECT_EQ(readPageTable(QString::fromUtf8(answer.body)).direct, answer.status == 200) << c.query;
    }
    EXPECT_EQ(publisher.answer("/other", QUrlQuery()).status, 404);
    // A row the miner stores meanwhile is counted in its place once the ranking is brought
    // up to date; a commit elsewhere (the relay's alerts) and added rows are taken in
    // without reading the whole ranking again, rows deleted with it.
    auto refreshed = [&] {
        QString refreshError;
        EXPECT_TRUE(publisher.refresh(&refreshError)) << refreshError.toStdString();
        return pageRows(publisher.answer("/StChange", QUrlQuery("Date=2024-03-01&ID=0")).body).mid(0, 2);
    };
    ASSERT_TRUE(source.execute(
        "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) values "
        "('600610','2024-03-03',2,4,0,7,'m',4)"));
    EXPECT_EQ(refreshed(), (QStringList{"000000 4 1 ", "600610 中<纺>&机 2024-03-03 部二"}));
    ASSERT_TRUE(source.execute(
        "insert into tblMainBuySale (StCode,StDate,StMemo) values ('600610','2024-03-07','a')"));
    ASSERT_TRUE(source.execute(
        "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) values "
        "('600610','2024-03-02',2,5,0,7,'m',5)"));
    EXPECT_EQ(refreshed(), (QStringList{"000000 5 1 ", "600610 中<纺>&机 2024-03-02 部二"}));
    EXPECT_EQ(publisher.fullReloads(), 0);
    ASSERT_TRUE(source.execute("delete from tblStChange where StKEY = 5"));
    EXPECT_EQ(refreshed(), (QStringList{"000000 4 1 ", "600610 中<纺>&机 2024-03-03 部二"}));
    EXPECT_EQ(publisher.fullReloads(), 1);
    PageServer server(publisher);
    EXPECT_TRUE(server.respond("POST /StChange HTTP/1.1\r\nHost: x").startsWith("HTTP/1.1 405"));
    EXPECT_TRUE(
        server.respond("GET /StChange?Date=2024-03-04&ID=0 HTTP/1.0\nHost: x").startsWith("HTTP/1.1 200"));
    EXPECT_TRUE(server.respond("GET /StChange?Date=2024-03-04&ID=0 HTTP/1.1\r\nHost: x")
                    .startsWith("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8"));
}

// A page goes out a stretch at a time while the miner or a re-analysis stores rows: a row
// stored meanwhile among those still to be sent takes its place in the page, and none of
// the others is left out; the next page starts where this one ended.
TEST_F(ServerTest, APageWrittenOutWhileRowsAreStoredLeavesNoneOut) {
    ASSERT_TRUE(source.execute(
        "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) values "
        "('600610','2024-03-04',1,1,0,7,'r1',1),('600610','2024-03-05',1,1,0,7,'r2',2),"
        "('600610','2024-03-06',1,1,0,7,'r3',3),('600610','2024-03-07',1,1,0,7,'r4',4),"
        "('600610','2024-03-08',1,1,0,7,'r5',5),('600610','2024-03-09',1,1,0,7,'r6',6)"));
    PagePublisher publisher(source.fileName(), 6);
    QString error;
    ASSERT_TRUE(publisher.open(&error)) << error.toStdString();
    const auto memos = [](const QByteArray& body) {
        const PageTable table = readPageTable(QString::fromUtf8(body));
        QStringList texts;
        for (int r = 1; r + 1 < table.rowCount(); ++r)
            texts << table.cell(7, r);
        return texts << table.cell(2, table.rowCount() - 1);  // the end row's last ID
    };

    const std::unique_ptr<PageWriter> writer =
        publisher.writer("/StChange", QUrlQuery("Date=2024-03-01&ID=0"));
    QByteArray body;
    QByteArray part;
    for (int stretch = 0; stretch < 2; ++stretch) {  // the head, then r1 and r2
        ASSERT_TRUE(writer->next(2, &part));
        body += part;
    }
    ASSERT_TRUE(source.execute(
        "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) values "
        "('600610','2024-03-06',1,1,0,7,'late',7)"));
    for (int stretch = 0; stretch < 10 && writer->next(2, &part) && !part.isEmpty(); ++stretch)
        body += part;
    EXPECT_EQ(memos(body), (QStringList{"r1", "r2", "r3", "late", "r4", "r5", "6"}));

    ASSERT_TRUE(publisher.refresh(&error)) << error.toStdString();
    EXPECT_EQ(memos(publisher.answer("/StChange", QUrlQuery("Date=2024-03-01&ID=7")).body),
              (QStringList{"r6", "7"}));
}

TEST_F(ServerTest, DownloadedRowsEqualTheServedOnes) {
    mine(12);
    PagePublisher publisher(source.fileName(), 7);  // many pages
    QString error;
    ASSERT_TRUE(publisher.open(&error)) << error.toStdString();
    PageServer server(publisher);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0, &error)) << error.toStdString();

    expectSameRows(download(server.port()));
}

TEST_F(ServerTest, ServesFromPostgreSQL) {
    LocalPostgres postgres;
    if (!postgres.skipReason().isEmpty())
        GTEST_SKIP() << postgres.skipReason().toStdString();
    mine(8);
    PostgresTables::CopyCounts counts;
    QString error;
    // The password stays out of the address: without one the server refuses; it comes as
    // given (from --password-file) or from PGPASSWORD.
    EXPECT_FALSE(PostgresTables::copyFrom(source, postgres.address(), &counts, &error));
    TempHome secrets;
    QFile file(secrets.file("password"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(LocalPostgres::kPassword) + "\r\n");
    file.close();
    QString password;
    ASSERT_TRUE(PostgresTables::readPasswordFile(file.fileName(), &password, &error));
    ASSERT_TRUE(PostgresTables::copyFrom(source, postgres.address(), &counts, &error, password))
        << error.toStdString();
    // A second copy replaces the rows instead of adding to them.
    ASSERT_TRUE(PostgresTables::copyFrom(source, postgres.address(), &counts, &error, password))
        << error.toStdString();
    EXPECT_EQ(counts.changes, rowsOf(source, "select count(*) from tblStChange").value(0).toInt());
    qputenv("PGPASSWORD", LocalPostgres::kPassword);
    PagePublisher publisher(postgres.address(), 7);
    const bool opened = publisher.open(&error);
    qunsetenv("PGPASSWORD");
    ASSERT_TRUE(opened) << error.toStdString();
    PageServer server(publisher);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
    expectSameRows(download(server.port()));
}

// A server that answers every request with the same bytes, and then closes the connection
// or leaves it open.
class CannedServer {
public:
    enum class After { Close, StayOpen };
    explicit CannedServer(QByteArray answer, After after = After::Close) : m_answer(std::move(answer)) {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this, after] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, after] {
                ++requests;
                socket->readAll();
                socket->write(m_answer);
                if (after == After::Close)
                    socket->disconnectFromHost();
            });
        });
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
    }
    QString url() const {
        return QStringLiteral("http://127.0.0.1:%1/StChange?x=1").arg(m_server.serverPort());
    }
    quint16 port() const { return m_server.serverPort(); }
    int requests = 0;

private:
    QByteArray m_answer;
    QTcpServer m_server;
};

TEST_F(ServerTest, TheLoaderRefusesWhatAPageMustNotBeAndSaysWhy) {
    const QByteArray bomb = dataFile("download/gzip-bomb.gz");
    struct Case {
        QByteArray answer;
        const char* error;
        CannedServer::After after = CannedServer::After::Close;
    };
    QByteArray endless = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 40; ++i)
        endless += "40\r\n" + QByteArray(64, 'x') + "\r\n";
    const Case cases[] = {
        {"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.2:9/StChange\r\nContent-Length: 0\r\n\r\n",
         "the server sent the page to another host (127.0.0.2)"},
        {"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:9/StChange\r\nContent-Length: 0\r\n\r\n",
         "the server sent the page to another port of the same host (9)"},
        {"HTTP/1.1 302 Found\r\nLocation: https://127.0.0.1/StChange\r\nContent-Length: 0\r\n\r\n",
         "the server sent the page to another scheme (https)"},
        {"HTTP/1.1 302 Found\r\nLocation: /StChange?again\r\nContent-Length: 0\r\n\r\n",
         "the server redirected the page in a loop (back to http://127.0.0.1:PORT/StChange?again)"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + QByteArray(5000, 'x'),
         "the page is larger than 1000 bytes"},
        {endless, "the page is larger than 1000 bytes", CannedServer::After::StayOpen},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " + QByteArray::number(bomb.size()) +
             "\r\n\r\n" + bomb,
         "the page came compressed (gzip), which the download does not ask for; it was refused"},
        {"HTTP/1.1 400 Bad Request\r\nContent-Length: 25\r\n\r\nDate must be a day, sir\r\n",
         "the server answered HTTP 400: Date must be a day, sir"},
        {"HTTP/1.1 500 Oops\r\nContent-Length: 20\r\n\r\n\x1b[2J\x1b]0;title\x07ok\n",
         "the server answered HTTP 500: \xef\xbf\xbd[2J\xef\xbf\xbd]0;title\xef\xbf\xbdok"},
    };
    for (const Case& c : cases) {
        CannedServer server(c.answer, c.after);
        NetworkPageLoader loader(clock, frame, {1000, 60000});
        const PageResult result = loader.load(QUrl(server.url()), [] { return false; });
        EXPECT_EQ(result.status, PageResult::Status::Failed) << c.error;
        EXPECT_EQ(result.error, QString::fromUtf8(c.error).replace("PORT", QString::number(server.port())));
    }
}

// A head that announces more than the limit is refused when it comes: the body would never
// come, and the wait for it would last to the time limit.
TEST_F(ServerTest, ALengthPastTheLimitIsRefusedWithoutWaitingForTheBody) {
    CannedServer server("HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n\r\n<html>",
                        CannedServer::After::StayOpen);
    frame.onProcessEvents = [this] {
        QCoreApplication::processEvents();
        clock.advance(1000);
    };
    NetworkPageLoader loader(clock, frame, {1000, 60000});
    const qint64 before_ms = clock.elapsedMs();
    const PageResult result = loader.load(QUrl(server.url()), [] { return false; });
    EXPECT_EQ(result.error, "the page is larger than 1000 bytes");
    EXPECT_LT(clock.elapsedMs() - before_ms, 60000) << "refused at the head, not at the time limit";
}

TEST_F(ServerTest, AnExpectedPageIsAskedForOnce) {
    CannedServer server("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    NetworkPageLoader loader(clock, frame);
    loader.expect(QUrl(server.url()));
    const PageResult result = loader.load(QUrl(server.url()), [] { return false; });
    EXPECT_EQ(result.html, "ok");
    EXPECT_EQ(server.requests, 1);
    // Another address than the one expected is asked for itself.
    loader.expect(QUrl(server.url() + "&expected"));
    EXPECT_EQ(loader.load(QUrl(server.url() + "&asked"), [] { return false; }).html, "ok");
    EXPECT_GE(server.requests, 2);
}

TEST_F(ServerTest, StopOrTheClockEndsTheWaitForAPageThatNeverComes) {
    QTcpServer silent;  // takes the connection and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/StChange").arg(silent.serverPort()));
    NetworkPageLoader loader(clock, frame, {1000, 60000});
    EXPECT_EQ(loader.load(url, [] { return true; }).status, PageResult::Status::Stopped);

    frame.onProcessEvents = [this] { clock.advance(61000); };
    const PageResult late = loader.load(url, [] { return false; });
    EXPECT_EQ(late.status, PageResult::Status::Failed);
    EXPECT_EQ(late.error, "no page after 60 seconds");

    // On a virtual clock that stands still (quarrow-cli --virtual-clock) the limit is
    // still reached in real time.
    frame.onProcessEvents = [] { QCoreApplication::processEvents(); };
    NetworkPageLoader quick(clock, frame, {1000, 300});
    const qint64 before_ms = clock.elapsedMs();
    EXPECT_EQ(quick.load(url, [] { return false; }).error, "no page after 0.3 seconds");
    EXPECT_EQ(clock.elapsedMs(), before_ms);
}

namespace {

// What ends a download half way, at one page's request.
enum class Interruption { Stop, ServerLost, Kill, DiskFull };

// The real page loader, with the download cut off at the at-th page it asks for.
class InterruptingLoader final : public PageLoader {
public:
    InterruptingLoader(PageLoader& inner, int at, Interruption how, RunControl& run,
                       SqliteWriteFaults& faults)
        : m_inner(inner), m_at(at), m_how(how), m_run(run), m_faults(faults) {}
    PageResult load(const QUrl& url, const std::function<bool()>& stopRequested) override {
        if (url.path().endsWith(QLatin1String("StChange")))
            ++changeLoads;
        if (++loads == m_at) {
            switch (m_how) {
                case Interruption::Stop:
                    m_run.requestStop();
                    return {PageResult::Status::Stopped, {}, {}};
                case Interruption::ServerLost:
                    return {PageResult::Status::Failed, {}, QStringLiteral("Connection refused")};
                case Interruption::Kill:
                    // Nothing of the download runs after this: no end, no note of its own.
                    throw std::runtime_error("killed");
                case Interruption::DiskFull:
                    m_faults.allow(0);
                    break;
            }
        }
        return m_inner.load(url, stopRequested);
    }
    void expect(const QUrl& url) override { m_inner.expect(url); }
    int loads = 0;
    int changeLoads = 0;

private:
    PageLoader& m_inner;
    int m_at;
    Interruption m_how;
    RunControl& m_run;
    SqliteWriteFaults& m_faults;
};

}  // namespace

// A download stopped, killed, cut off from its server or refused by a full disk, in either
// phase, followed by a plain download: every row the server holds is stored once, and the
// plain download asks nothing about the stock day it was in the middle of.
TEST_F(ServerTest, AnInterruptedDownloadGoesOnWhereItStopped) {
    mine(6);
    PagePublisher publisher(source.fileName(), 3);  // many pages of either kind
    QString error;
    ASSERT_TRUE(publisher.open(&error)) << error.toStdString();
    PageServer server(publisher);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
    // The pages an uninterrupted download asks for, abnormal moves and block trades.
    int changePages = 0;
    int allPages = 0;
    {
        TempHome countHome;
        TDataBase counted(countHome.file("Quarrow.db"));
        ASSERT_TRUE(counted.open());
        Settings settings(countHome.file("quarrow.INI"), countHome.path(), clock);
        NetworkPageLoader pages(clock, frame);
        SqliteWriteFaults none(-1);
        InterruptingLoader counting(pages, -1, Interruption::Stop, run, none);
        DataDownload job({counted, frame, clock, run, this->network, shutdown, counting, settings});
        const RunLease lease = run.lease(JobKind::Download);
        DownloadOptions options;
        options.changePage = QStringLiteral("http://127.0.0.1:%1/StChange").arg(server.port());
        options.bigPage = QStringLiteral("http://127.0.0.1:%1/BigBuySale").arg(server.port());
        ASSERT_TRUE(
            job.run(lease, options, [](const QString&, const QString&, const QString& d) { return d; })
                .done());
        allPages = counting.loads;
        changePages = counting.changeLoads;
    }
    ASSERT_GT(allPages - changePages, 2);
    const QString changeRows =
        "select StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo from tblStChange order by 1,2,3,4,5,6,7";
    const QString tradeRows =
        "select StCode,StDate,StDeptBuy,StPrice,StQTY,StAMT,StDeptSale from tblBigBuySale order by "
        "1,2,3,4,5,6";
    for (const Interruption how :
         {Interruption::Stop, Interruption::ServerLost, Interruption::Kill, Interruption::DiskFull}) {
        for (const int at : {3, changePages + 2}) {  // in each phase
            SCOPED_TRACE(QStringLiteral("interruption %1 at page %2")
                             .arg(static_cast<int>(how))
                             .arg(at)
                             .toStdString());
            TempHome caseHome;
            SqliteWriteFaults faults(-1);
            TDataBase caseTarget(caseHome.file("Quarrow.db"));
            ASSERT_TRUE(caseTarget.open());
            Settings settings(caseHome.file("quarrow.INI"), caseHome.path(), clock);
            RecordingFrame caseFrame;
            caseFrame.onProcessEvents = [] { QCoreApplication::processEvents(); };
            RunControl caseRun(caseFrame, clock);
            DownloadOptions options;
            options.changePage = QStringLiteral("http://127.0.0.1:%1/StChange").arg(server.port());
            options.bigPage = QStringLiteral("http://127.0.0.1:%1/BigBuySale").arg(server.port());
            const auto preset = [](const QString&, const QString&, const QString& day) { return day; };
            {
                NetworkPageLoader pages(clock, caseFrame);
                InterruptingLoader loader(pages, at, how, caseRun, faults);
                DataDownload job(
                    {caseTarget, caseFrame, clock, caseRun, this->network, shutdown, loader, settings});
                const RunLease lease = caseRun.lease(JobKind::Download);
                try {
                    const DownloadOutcome cut = job.run(lease, options, preset);
                    EXPECT_FALSE(cut.done());
                } catch (const std::runtime_error&) {
                    EXPECT_EQ(how, Interruption::Kill);
                }
                faults.allow(-1);
            }
            NetworkPageLoader pages(clock, caseFrame);
            DataDownload plain(
                {caseTarget, caseFrame, clock, caseRun, this->network, shutdown, pages, settings});
            caseFrame.messages.clear();
            const RunLease lease = caseRun.lease(JobKind::Download);
            const DownloadOutcome outcome = plain.run(lease, options, preset);
            EXPECT_TRUE(outcome.done()) << outcome.reasonTextEnglish().toStdString();
            EXPECT_TRUE(caseFrame.messages.isEmpty()) << caseFrame.messages.value(0).text.toStdString();
            // Compared by count first: a failure then says little instead of every row.
            const QStringList stored = rowsOf(caseTarget, changeRows);
            const QStringList served = rowsOf(source, changeRows);
            ASSERT_EQ(stored.size(), served.size());
            EXPECT_TRUE(stored == served);
            EXPECT_TRUE(rowsOf(caseTarget, tradeRows) == rowsOf(source, tradeRows));
        }
    }
}

// A server that always offers more and brings nothing ends the phase after a bounded
// number of pages, as a failure.
TEST_F(ServerTest, AServerThatNeverBringsRowsEndsThePhase) {
    class Endless final : public PageLoader {
    public:
        PageResult load(const QUrl& url, const std::function<bool()>&) override {
            ++requests;
            const qint64 id = QUrlQuery(url).queryItemValue("ID").toLongLong();
            return {PageResult::Status::Loaded,
                    QStringLiteral("<table><tr><td>000000<td>1000000000000<td>%1<td><td><td><td><td>"
                                   "<tr><td>xxxxxx<td><td>%2<td><td><td><td><td></table>")
                        .arg(id)
                        .arg(id + 10),
                    {}};
        }
        void expect(const QUrl&) override {}
        int requests = 0;
    } endless;
    Settings settings(home.file("quarrow.INI"), home.path(), clock);
    DataDownload job({target, frame, clock, run, network, shutdown, endless, settings});
    const RunLease lease = run.lease(JobKind::Download);
    DownloadOptions options;
    options.changePage = "http://127.0.0.1:1/StChange";
    options.bigPage = "http://127.0.0.1:1/BigBuySale";
    const DownloadOutcome outcome =
        job.run(lease, options, [](const QString&, const QString&, const QString& day) { return day; });
    EXPECT_EQ(outcome.reason, JobReason::NoProgress);
    EXPECT_TRUE(outcome.failed());
    EXPECT_LE(endless.requests, 2 * DataDownload::kPagesWithoutProgress);
}

TEST_F(ServerTest, TheCommandLineDownloadsFromTheServer) {
    mine(3);
    PagePublisher publisher(source.fileName());
    QString error;
    ASSERT_TRUE(publisher.open(&error));
    PageServer server(publisher);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0, &error));
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(server.port());
    TempHome cliHome;
    // The server runs in this process, so the command must be waited for with events.
    auto cli = [&](const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral(QUARROW_CLI), QStringList{"--home", cliHome.path()} + arguments);
        EXPECT_TRUE(process.waitForStarted(60000));
        while (process.state() != QProcess::NotRunning)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return std::make_pair(process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()));
    };
    const auto first = cli({"download", "--server", url});
    EXPECT_EQ(first.first, 0) << first.second.toStdString();
    const int mined = rowsOf(source, "select count(*) from tblStChange").value(0).toInt();
    EXPECT_TRUE(first.second.contains(QStringLiteral("1980-01-01 on: %1 abnormal-move rows").arg(mined)))
        << first.second.toStdString();
    const auto again = cli({"download", "--server", url, "--from", "2024-01-01", "--no-to-all"});
    EXPECT_EQ(again.first, 0);
    EXPECT_TRUE(again.second.contains("0 abnormal-move rows, 0 block trades stored"))
        << again.second.toStdString();
    EXPECT_EQ(cli({"download", "--from", "2024-02-30"}).first, 2);
}

}  // namespace

// An Access file of the first release (the ODBC stand-in of unixODBC and the SQLite ODBC
// driver, with Access's column types and views) copied into the program's own store by
// import-db, killed half-way and run again; and a store in a folder the user may not write,
// which answers every question and refuses every write with one line.

#include "demo/DemoTrades.h"
#include "store/ChangeReads.h"
#include "store/DataBase.h"
#include "store/ReportRows.h"
#include "store/StockTable.h"
#include "support/CliProcess.h"
#include "support/OdbcStandIn.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

using namespace quarrow;
using namespace quarrow::test;

namespace {

QByteArray hashOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

QString textOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// What the store of a program folder answers: its figures, the query page, the followed
// departments and the day's digest.
QStringList answers(const QString& home, const QStringList& asUser = {}) {
    QStringList lines;
    for (const QStringList& command :
         {QStringList{"summary"}, QStringList{"query", "--format", "csv"},
          QStringList{"followed", "--since", "2016-01-01", "--format", "csv"}, QStringList{"digest"}}) {
        CliCall call;
        call.asUser = asUser;
        const CliRun run = runCli(QStringList{"--home", home} + command, call);
        EXPECT_EQ(run.status, 0) << command.join(' ').toStdString() << ": " << run.err.toStdString();
        // The store is named differently in each folder; everything else must be alike.
        QStringList out = run.out.split('\n');
        out.removeIf([](const QString& line) { return line.startsWith("database: "); });
        lines << out;
    }
    return lines;
}

qint64 changeRows(const QString& file) {
    TDataBase db(file);
    db.openForReadingOnly();
    if (!db.open())
        return 0;
    Statement count = db.QueryPublic(QStringLiteral("select count(*) from tblStChange"));
    return count.exec() && count.next() ? count.integer(0) : 0;
}

class CliStoreImport : public ::testing::Test {
protected:
    void SetUp() override {
        if (!odbcStandInMissing().isEmpty())
            GTEST_SKIP() << odbcStandInMissing().toStdString();
        source = data.file("Quarrow.mdb.db");
        QString error;
        ASSERT_TRUE(makeAccessStandIn(source, &error)) << error.toStdString();
        {
            // This file's alerts carry no unique index, as some of the first release's did not.
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            raw.setDatabaseName(source);
            ASSERT_TRUE(raw.open());
            ASSERT_TRUE(QSqlQuery(raw).exec(QStringLiteral("drop index MainDayMemo")));
            raw.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        TDataBase db(source);
        db.useOdbc(standInConnection(source));
        ASSERT_TRUE(db.open()) << db.openError().toStdString();
        QuoteFolderOptions options;
        options.stockCount = 40;
        options.barCount = 200;
        ASSERT_TRUE(storeDemoTrades(db, QuoteFolderGenerator(options).plan(), {24000, 30, 5}, &error))
            << error.toStdString();
        for (const char* code : {"600000", "000001"})
            ASSERT_TRUE(
                insertStock(db, {code, "模拟股票", QDate(2017, 3, 16), QDate(2017, 3, 16), {}}).inserted());
        rows = storeSummary(db).changeRows;
        // Two alerts of one day read alike.
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(insertAlert(db, {"600000", "浦发银行", QDate(2017, 3, 16), "10:31主力抛售", Money(),
                                         Money::fromUnits(81), Money::fromUnits(12), "0316600000 10:31抛81"})
                            .inserted());
    }

    // A program folder whose settings name the source, its followed list set.
    QString folderNamingTheSource(TempHome& home) {
        EXPECT_EQ(
            runCli({"--home", home.path(), "settings", "set", "Database", "ODBC", standInConnection(source)})
                .status,
            0);
        EXPECT_EQ(runCli({"--home", home.path(), "follow", "add", "模拟证券第3营业部"}).status, 0);
        return home.file("Quarrow.db");
    }

    TempHome data;
    QString source;
    qint64 rows = 0;  // tblStChange's
};

}  // namespace

TEST_F(CliStoreImport, AnImportKilledHalfWayAndRunAgainHoldsWhatTheSourceHoldsAndTheSettingsNameIt) {
    const QByteArray sourceBytes = hashOf(source);
    TempHome home;
    const QString target = folderNamingTheSource(home);
    const QStringList expected = answers(home.path());
    ASSERT_GT(expected.join(QString()).size(), 200);

    QProcess import;
    import.start(QStringLiteral(QUARROW_CLI), {"--home", home.path(), "import-db", "--yes"});
    ASSERT_TRUE(import.waitForStarted());
    qint64 copied = 0;
    while (import.state() == QProcess::Running && copied == 0) {
        QThread::msleep(5);
        copied = changeRows(target);
    }
    import.kill();
    import.waitForFinished();
    ASSERT_EQ(import.exitStatus(), QProcess::CrashExit) << "the import ended before it was killed";
    EXPECT_GT(copied, 0);
    EXPECT_LT(changeRows(target), rows) << "killed half-way";
    EXPECT_TRUE(textOf(home.file("quarrow.INI")).contains("ODBC=Driver=SQLite3")) << "nothing switched yet";

    const CliRun again = runCli({"--home", home.path(), "import-db", "--yes"});
    ASSERT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.contains(QStringLiteral("tblStChange: %1 rows in the source").arg(rows)))
        << again.out.toStdString();
    EXPECT_TRUE(again.out.contains("tblStocks: 2 rows in the source")) << again.out.toStdString();
    // Every table checked by its count and its keys: what the source holds was copied now or
    // by the killed run.
    const QRegularExpression checked(
        "^(tbl\\w+): (\\d+) rows in the source, (\\d+) copied, (\\d+) there already, every key found in "
        "the target$",
        QRegularExpression::MultilineOption);
    QStringList tables;
    for (auto it = checked.globalMatch(again.out); it.hasNext();) {
        const QRegularExpressionMatch table = it.next();
        tables << table.captured(1);
        EXPECT_EQ(table.captured(2).toLongLong(),
                  table.captured(3).toLongLong() + table.captured(4).toLongLong())
            << table.captured(0).toStdString();
    }
    EXPECT_EQ(tables,
              (QStringList{"tblStocks", "tblStDepart", "tblStChange", "tblBigBuySale", "tblMainBuySale"}))
        << again.out.toStdString();
    EXPECT_TRUE(again.out.contains("tblMainBuySale: 2 rows in the source")) << again.out.toStdString();
    EXPECT_EQ(hashOf(source), sourceBytes) << "the source is never written";

    // The settings name the program's own file now, the source's line kept as a comment.
    const QString settings = textOf(home.file("quarrow.INI"));
    EXPECT_TRUE(settings.contains(";ODBC=Driver=SQLite3;Database=" + source)) << settings.toStdString();
    EXPECT_FALSE(QRegularExpression("(^|\n)ODBC=").match(settings).hasMatch()) << settings.toStdString();
    const CliRun summary = runCli({"--home", home.path(), "summary"});
    EXPECT_TRUE(summary.out.contains("database: " + target)) << summary.out.toStdString();
    EXPECT_EQ(answers(home.path()), expected);

    // A third import finds every row there already, and the source's views still answer.
    const CliRun third =
        runCli({"--home", home.path(), "import-db", "--odbc", standInConnection(source), "--yes"});
    EXPECT_EQ(third.status, 0) << third.err.toStdString();
    EXPECT_TRUE(third.out.contains(
        QStringLiteral("tblStChange: %1 rows in the source, 0 copied, %1 there already").arg(rows)))
        << third.out.toStdString();
}

TEST_F(CliStoreImport, ImportWithoutASourceOrAConfirmationCopiesNothing) {
    TempHome home;
    const CliRun nothing = runCli({"--home", home.path(), "import-db", "--yes"});
    EXPECT_EQ(nothing.status, 2);
    EXPECT_TRUE(nothing.err.contains("--access FILE or --odbc STRING")) << nothing.err.toStdString();
    folderNamingTheSource(home);
    const CliRun unconfirmed = runCli({"--home", home.path(), "import-db"});
    EXPECT_EQ(unconfirmed.status, 1);
    EXPECT_TRUE(unconfirmed.err.contains("--yes")) << unconfirmed.err.toStdString();
    EXPECT_EQ(changeRows(home.file("Quarrow.db")), 0);
}

namespace {

// The write commands, each of which must be refused by a store the user may not write.
struct WriteCommand {
    const char* name;
    QStringList arguments;
};

QList<WriteCommand> writeCommands(const QString& report, const QString& quote, const QString& server) {
    // At 15:10 of a day every alert of the simulated monitor is on its lists.
    const QString afternoon = QStringLiteral("--virtual-clock=2017-03-16T15:10");
    return {
        {"extract", {"extract", "--code", "600610", "--all-changes", report}},
        {"mine", {"--virtual-clock", "--quote", quote, "mine", "--percent", "0", "--yes"}},
        {"reanalyse", {"--quote", quote, "reanalyse", "--restart", "--clear"}},
        {"download", {"download", "--from", "2017-01-01", "--server", server, "--yes-to-all"}},
        {"capture", {afternoon, "--quote", quote, "capture"}},
        {"import-capital", {"--quote", quote, "import-capital"}},
        {"refresh-names", {"--quote", quote, "refresh-names"}},
        {"delete", {"delete", "--yes"}},
        {"delete --alerts", {"delete", "--alerts", "--yes"}},
    };
}

// quarrow-server over a copy of a store, for the download; its address.
QString serve(QProcess& server, const QString& file) {
    server.start(QStringLiteral(QUARROW_SERVER), {"--database", file, "--port", "0"});
    QString banner;
    while (!banner.contains('\n') && server.waitForReadyRead(30000))
        banner += QString::fromUtf8(server.readAllStandardOutput());
    const QRegularExpressionMatch port = QRegularExpression(":(\\d+)/").match(banner);
    EXPECT_TRUE(port.hasMatch()) << banner.toStdString() << server.readAllStandardError().toStdString();
    return QStringLiteral("http://127.0.0.1:%1").arg(port.captured(1));
}

}  // namespace

// Root may write anywhere: the folder is then read by nobody, who may only read it. Every
// answer is the writable store's; every command that stores, deletes or clears says once
// that the store is read-only, fails, and leaves the file as it was.
TEST(CliReadOnlyStore, AStoreInAFolderTheUserMayNotWriteAnswersEverythingAndRefusesEachWrite) {
    TempHome home;
    const QString quote = home.file("quote");
    ASSERT_EQ(
        runCli({"--home", home.path(), "generate-quote", "--out", quote, "--stocks", "6", "--bars", "60"})
            .status,
        0);
    ASSERT_EQ(runCli({"--home", home.path(), "generate-corpus", "--stocks", "6", "--docs", "2"}).status, 0);
    const QString report = copyDataFile(QStringLiteral("report/two_days.txt"), home.path());
    ASSERT_EQ(runCli({"--home", home.path(), "extract", "--code", "600610", "--all-changes", report}).status,
              0);
    ASSERT_EQ(runCli({"--home", home.path(), "follow", "add", "机构专用"}).status, 0);
    const QStringList writable = answers(home.path());
    TempHome served;
    ASSERT_TRUE(QFile::copy(home.file("Quarrow.db"), served.file("Quarrow.db")));
    QProcess server;
    const QString url = serve(server, served.file("Quarrow.db"));

    QStringList asUser;
    if (geteuid() == 0) {
        asUser = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                               QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                               QFile::ExeGroup);
    } else {
        QFile::setPermissions(home.file("Quarrow.db"), QFile::ReadOwner | QFile::ReadOther);
        QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::ExeOwner);
    }
    const QByteArray before = hashOf(home.file("Quarrow.db"));
    EXPECT_EQ(answers(home.path(), asUser), writable);

    CliCall call;
    call.asUser = asUser;
    for (const WriteCommand& write : writeCommands(report, quote, url)) {
        SCOPED_TRACE(write.name);
        const CliRun run = runCli(QStringList{"--home", home.path()} + write.arguments, call);
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        const QStringList refusals = run.err.split('\n').filter(QStringLiteral("the database is read-only"));
        EXPECT_FALSE(refusals.isEmpty()) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QStringLiteral("完成!"))) << run.err.toStdString();
        EXPECT_EQ(hashOf(home.file("Quarrow.db")), before);
    }
    EXPECT_EQ(answers(home.path(), asUser), writable);
    server.kill();
    server.waitForFinished();
    QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// quarrow-cli when the database refuses to store: a failure is reported and ends the
// command with status 1, and the next run goes on from what was stored.

#include "support/CliProcess.h"
#include "support/FaultInjection.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace quarrow::test;

namespace {

CliRun runCli(const QString& home, const QStringList& arguments, const QStringList& asUser = {}) {
    CliCall call;
    call.asUser = asUser;
    return quarrow::test::runCli(QStringList{QStringLiteral("--home"), home} + arguments, call);
}

// Runs one statement on the program folder's database, as another program would.
void runSql(const QString& home, const QString& sql) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("outside"));
        db.setDatabaseName(home + QStringLiteral("/Quarrow.db"));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("outside"));
}

QString refuse(const char* when, const char* table) {
    return QStringLiteral("create trigger refuse before %1 on %2 begin select raise(abort, 'refused'); end")
        .arg(QLatin1String(when), QLatin1String(table));
}

}  // namespace

TEST(CliStoreFailure, ARefusedStoreFailsTheCommandAndTheNextRunStores) {
    TempHome home;
    const QString quote = home.file(QStringLiteral("quote"));
    ASSERT_EQ(runCli(home.path(), {"generate-quote", "--out", quote, "--stocks", "5", "--bars", "10"}).status,
              0);
    ASSERT_EQ(runCli(home.path(), {"--quote", quote, "import-capital"}).status, 0);
    const QString report = dataPath(QStringLiteral("report/two_days_gbk.txt"));

    struct Case {
        const char* name;
        QString trigger;
        QStringList arguments;
        QString message;  // the one line on standard error
    };
    const Case cases[] = {
        {"extract",
         refuse("insert", "tblStChange"),
         {"extract", "--code", "600610", "--all-changes", report},
         QStringLiteral("was not stored")},
        {"import-capital",
         refuse("update", "tblStocks"),
         {"--quote", quote, "import-capital"},
         QStringLiteral("the share capital was not stored")},
        {"refresh-names",
         refuse("update", "tblStocks"),
         {"--quote", quote, "refresh-names"},
         QStringLiteral("the names were not stored")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Stored names that differ from the list's, so that both imports have work to do.
        runSql(home.path(), QStringLiteral("delete from tblStocks where StCode='600610'"));
        runSql(home.path(), QStringLiteral("update tblStocks set StName='旧名'"));
        runSql(home.path(), c.trigger);
        const CliRun refused = runCli(home.path(), c.arguments);
        EXPECT_EQ(refused.status, 1);
        EXPECT_TRUE(refused.err.contains(c.message)) << refused.err.toStdString();
        EXPECT_FALSE(refused.out.contains(QStringLiteral("数据可能重复")));
        runSql(home.path(), QStringLiteral("drop trigger refuse"));
        const CliRun stored = runCli(home.path(), c.arguments);
        EXPECT_EQ(stored.status, 0) << stored.err.toStdString();
    }
}

TEST(CliStoreFailure, AFullDiskFailsTheReanalysisWhichResumesWhereItStopped) {
    TempHome home;
    ASSERT_EQ(
        runCli(home.path(), {"generate-corpus", "--stocks", "300", "--docs", "2", "--seed", "11"}).status, 0);
    CliRun full;
    {
        const FileSizeLimit disk(200000);
        full = runCli(home.path(), {"reanalyse", "--restart", "--keep"});
    }
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(
        full.err.trimmed().section(QLatin1Char('\n'), -1).contains(QStringLiteral("failed: the database")))
        << full.err.toStdString();
    EXPECT_FALSE(full.out.contains(QStringLiteral("全部股票文件分析完毕!")));

    const CliRun resumed = runCli(home.path(), {"reanalyse", "--resume"});
    EXPECT_EQ(resumed.status, 0) << resumed.err.toStdString();
    EXPECT_TRUE(resumed.out.contains(QStringLiteral("to 300 of 300)")))
        << resumed.out.right(300).toStdString();
}

TEST(CliStoreFailure, AStockFolderThatCannotBeListedCountsAsUnreadable) {
    TempHome home;
    ASSERT_EQ(runCli(home.path(), {"generate-corpus", "--stocks", "3", "--docs", "2", "--seed", "1"}).status,
              0);
    const QStringList asUser = asNobodyWhenRoot(home.path());
    const QString locked = QDir(home.path()).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs).value(0);
    ASSERT_FALSE(locked.isEmpty());
    ASSERT_TRUE(QFile::setPermissions(home.file(locked), QFileDevice::Permissions()));
    const CliRun run = runCli(home.path(), {"reanalyse", "--restart", "--keep"}, asUser);
    QFile::setPermissions(home.file(locked),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(run.out.contains(
        QStringLiteral("re-analysed 2 stocks (rows 1 to 3 of 3), 4 documents (1 unreadable)")))
        << run.out.right(300).toStdString() << run.err.toStdString();
}

TEST(CliStoreFailure, AReportStoredButNotKeptAsADocumentFailsTheCommand) {
    TempHome home;
    // The stock's folder is there but refuses the document; the database takes the rows.
    ASSERT_TRUE(QDir().mkpath(home.file("600610")));
    const QString report = copyDataFile("report/two_days.txt", home.path());
    const QStringList asUser = asNobodyWhenRoot(home.path());
    ASSERT_TRUE(QFile::setPermissions(home.file("600610"), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                               QFileDevice::ReadOther |
                                                               QFileDevice::ExeOther));
    const CliRun run = runCli(home.path(), {"extract", "--code", "600610", "--document", report}, asUser);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("was stored but not kept as a document")) << run.err.toStdString();
    EXPECT_TRUE(runCli(home.path(), {"summary"}).out.contains("change rows:      5\n"));
}

// The housekeeping commands as a script meets them: what they print, their exit status and
// what they leave in the program folder.

#include "review/ReviewTestData.h"
#include "store/DataBase.h"
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <functional>

using namespace quarrow;
using namespace quarrow::test;

namespace {

qint64 count(const QString& databaseFile, const QString& table) {
    TDataBase db(databaseFile);
    EXPECT_TRUE(db.open());
    Statement query = db.QueryPublic(QStringLiteral("select count(*) from ") + table);
    EXPECT_TRUE(query.exec());
    EXPECT_TRUE(query.next());
    return query.integer(0);
}

QString dbCopySetting(const QString& home) {
    const CliRun run = runCli({"--home", home, "settings", "get", "Folder", "DBCOPY"});
    return run.out.trimmed();
}

}  // namespace

// Each case: the command after --home HOME (BACKUPS stands for a folder of its own), a
// full disk or not, the status, a fragment of what it says, and what is left afterwards:
// top-5 rows, alerts, the backup file, the noted backup folder.
TEST(CliHousekeeping, CommandsReportWhatTheyDidAndFailuresAsFailures) {
    struct Case {
        const char* what;
        QStringList arguments;
        std::optional<rlim_t> fullDisk;
        int status;
        QString said;
        int changesLeft;
        int alertsLeft;
        bool backupMade;
        bool folderNoted;
    };
    const Case cases[] = {
        {"delete without --yes and no terminal to ask",
         {"delete", "--to", "2017-03-10"},
         {},
         1,
         "not confirmed",
         8,
         4,
         false,
         false},
        {"delete of one day",
         {"delete", "--to", "2017-03-10", "--yes"},
         {},
         0,
         "deleted 3 rows from tblStChange",
         5,
         4,
         false,
         false},
        {"delete of a department",
         {"delete", "--dept", kGuotai, "--yes"},
         {},
         0,
         "deleted 2 rows from tblStChange",
         6,
         4,
         false,
         false},
        {"delete of every alert",
         {"delete", "--alerts", "--yes"},
         {},
         0,
         "deleted 4 rows from tblMainBuySale",
         8,
         0,
         false,
         false},
        {"a department filter the alerts cannot take",
         {"delete", "--alerts", "--dept", kGuotai, "--yes"},
         {},
         2,
         "--dept does not apply",
         8,
         4,
         false,
         false},
        {"backup into a folder", {"backup", "BACKUPS"}, {}, 0, "integrity check: ok", 8, 4, true, true},
        {"backup onto the database itself",
         {"backup", "HOME/QUARROW.DB"},
         {},
         1,
         "the database file itself",
         8,
         4,
         false,
         false},
        // Replacing the log would lose the rows committed to it: it is the database too.
        {"backup onto the database's log",
         {"backup", "HOME/Quarrow.db-wal"},
         {},
         1,
         "the database file itself",
         8,
         4,
         false,
         false},
        {"backup onto a full disk",
         {"backup", "BACKUPS"},
         rlim_t(64 * 1024),
         1,
         "no backup made",
         8,
         4,
         false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        const QString databaseFile = home.file("Quarrow.db");
        {
            TDataBase db(databaseFile);
            ASSERT_TRUE(db.open());
            seedReviewRows(db);
            // Enough rows that the copy does not fit on the full disk.
            for (int i = 0; i < 3000; ++i)
                ASSERT_TRUE(
                    db.execute(QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (%1,'%2')")
                                   .arg(1000 + i)
                                   .arg(QString(60, QLatin1Char('d')))));
        }
        const QString backups = home.file("backups");
        QDir().mkpath(backups);
        QStringList arguments{"--home", home.path()};
        for (QString argument : c.arguments)
            arguments << argument.replace("BACKUPS", backups).replace("HOME", home.path());
        CliCall call;
        call.fileSizeLimit = c.fullDisk;
        const CliRun run = runCli(arguments, call);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_TRUE((run.out + run.err).contains(c.said)) << (run.out + run.err).toStdString();
        EXPECT_EQ(count(databaseFile, "tblStChange"), c.changesLeft);
        EXPECT_EQ(count(databaseFile, "tblMainBuySale"), c.alertsLeft);
        EXPECT_EQ(QDir(backups).entryList(QDir::Files | QDir::Hidden),
                  c.backupMade ? QStringList{"Quarrow.db"} : QStringList{});
        if (c.backupMade) {
            EXPECT_EQ(count(QDir(backups).filePath("Quarrow.db"), "tblStChange"), 8);
        }
        EXPECT_EQ(dbCopySetting(home.path()) == QDir::toNativeSeparators(backups + "/"), c.folderNoted)
            << dbCopySetting(home.path()).toStdString();
    }
}

// cleanup-docs walks the hand-kept stock list: a dry run names what would go and deletes
// nothing; the real run deletes the same documents.
TEST(CliHousekeeping, CleanupDocsDeletesWhatItsDryRunNamed) {
    TempHome home;
    {
        TDataBase db(home.file("Quarrow.db"));
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(db.execute("insert into tblStocks (StCode,StDocDate) values ('600610','2017-03-16')"));
        ASSERT_TRUE(db.execute("insert into tblStocks (StCode,StDocDate) values ('000001',null)"));
    }
    QFile table(home.file("STCodeName.txt"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("sh|ZYD|600610\r\nsz|PAYH|000001\r\n");
    table.close();
    const QStringList documents{"600610/600610-2017-03-09变动资料.txt",
                                "600610/600610-2017-03-16变动资料.txt", "600610/notes.txt",
                                "000001/000001-2017-03-09变动资料.txt"};
    for (const QString& document : documents) {
        QDir().mkpath(QFileInfo(home.file(document)).path());
        QFile file(home.file(document));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString old = QDir::toNativeSeparators(home.file(documents.first()));

    const CliRun dry = runCli({"--home", home.path(), "cleanup-docs", "--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
    EXPECT_EQ(dry.out, "would delete " + old + "\nwould delete 1 documents\n");
    for (const QString& document : documents)
        EXPECT_TRUE(QFile::exists(home.file(document))) << document.toStdString();

    const CliRun real = runCli({"--home", home.path(), "cleanup-docs"});
    EXPECT_EQ(real.status, 0) << real.err.toStdString();
    EXPECT_EQ(real.out, "deleted " + old + "\ndeleted 1 documents\n");
    for (const QString& document : documents)
        EXPECT_EQ(QFile::exists(home.file(document)), document != documents.first())
            << document.toStdString();
}

// A document the system refuses to delete, and a stock folder it refuses to list, are
// failures the command names; they are never counted as deleted.
TEST(CliHousekeeping, CleanupDocsReportsDocumentsItCouldNotDelete) {
    TempHome home;
    {
        TDataBase db(home.file("Quarrow.db"));
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(db.execute("insert into tblStocks (StCode,StDocDate) values ('600610','2017-03-16')"));
        ASSERT_TRUE(db.execute("insert into tblStocks (StCode,StDocDate) values ('000001','2017-03-16')"));
    }
    QFile table(home.file("STCodeName.txt"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("sh|ZYD|600610\r\nsz|PAYH|000001\r\n");
    table.close();
    for (const QString document :
         {"600610/600610-2017-03-09变动资料.txt", "000001/000001-2017-03-09变动资料.txt"}) {
        QDir().mkpath(QFileInfo(home.file(document)).path());
        QFile file(home.file(document));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    CliCall call;
    call.asUser = asNobodyWhenRoot(home.path());
    ASSERT_TRUE(QFile::setPermissions(
        home.file("600610"), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(home.file("000001"), {}));

    const CliRun run = runCli({"--home", home.path(), "cleanup-docs"}, call);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "deleted 0 documents\n");
    EXPECT_TRUE(run.err.contains("cannot delete " + home.file("600610/600610-2017-03-09变动资料.txt")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("cannot list the folder " + home.file("000001"))) << run.err.toStdString();
    QFile::setPermissions(home.file("600610"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(home.file("000001"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

#include "app/SafeFile.h"
#include "store/DataBase.h"
#include "store/DatabaseBackup.h"

#include "support/FaultInjection.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

using namespace quarrow;
using quarrow::test::ConcurrentWriter;
#ifndef _WIN32
using quarrow::test::FileSizeLimit;
#endif
using quarrow::test::TempHome;

namespace {

qint64 alerts(TDataBase& db) {
    Statement query = db.QueryPublic(QStringLiteral("select count(*) from tblMainBuySale"));
    EXPECT_TRUE(query.exec()) << query.error().toStdString();
    EXPECT_TRUE(query.next());
    return query.integer(0);
}

// A database of the program with some hundred kilobytes of alerts in it.
void fill(TDataBase& db, int rows) {
    ASSERT_TRUE(db.beginTransaction());
    for (int i = 0; i < rows; ++i) {
        Statement insert = db.DBCommand(
            QStringLiteral("insert into tblMainBuySale (StCode,StName,StDate,StDept,StMemo) values "
                           "('000001','平安银行','2017-03-10','主力卖出',:StMemo)"));
        // Each alert its own memo: a repeated memo is the same alert and is refused.
        insert.bind(QStringLiteral(":StMemo"), QString::number(i).rightJustified(40, QLatin1Char('x')));
        ASSERT_TRUE(insert.exec()) << insert.error().toStdString();
    }
    ASSERT_TRUE(db.commit());
}

QStringList filesIn(const QString& folder) {
    // Folders too: the unfinished copy is made in a folder of its own.
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

}  // namespace

// The copy is one snapshot: every transaction the other connection committed before it
// (still in the write-ahead log, which a copy of the file's bytes would miss) and none
// cut in half; it opens as a database of its own and passes SQLite's check.
TEST(DatabaseBackup, CopyTakenWhileAnotherConnectionWritesIsOneCheckedSnapshot) {
    TempHome home;
    const QString source = home.file(QStringLiteral("Quarrow.db"));
    TDataBase db(source);
    ASSERT_TRUE(db.open());
    fill(db, 2000);
    QDir().mkpath(home.file(QStringLiteral("copies")));
    const QString target = home.file(QStringLiteral("copies/Quarrow.db"));

    constexpr int kRowsPerCommit = 10;
    ConcurrentWriter writer(source, kRowsPerCommit);
    writer.waitForCommits(3);
    const int committedBefore = writer.commits();
    QString error;
    const bool copied = DatabaseBackup::copy(source, target, &error);
    writer.waitForCommits(committedBefore + 3);
    EXPECT_EQ(writer.stop(), QString());
    ASSERT_TRUE(copied) << error.toStdString();

    // Nothing but the copy itself is left in its folder: no log, no unfinished part.
    EXPECT_EQ(filesIn(home.file(QStringLiteral("copies"))), QStringList{QStringLiteral("Quarrow.db")});
    TDataBase copy(target);
    ASSERT_TRUE(copy.open()) << copy.openError().toStdString();
    QString report;
    EXPECT_TRUE(copy.integrityCheck(&report)) << report.toStdString();
    const qint64 written = alerts(copy) - 2000;
    EXPECT_EQ(written % kRowsPerCommit, 0) << written;
    EXPECT_GE(written, committedBefore * kRowsPerCommit);
}

// A full disk while copying: the failure is reported, the older backup at the path stays
// as it was and nothing of the attempt is left beside it.
#ifndef _WIN32
// A full disk made by a file size limit, which Windows does not have.
TEST(DatabaseBackup, FullDiskDuringCopyFailsAndLeavesOlderBackupUntouched) {
    TempHome home;
    const QString source = home.file(QStringLiteral("Quarrow.db"));
    TDataBase db(source);
    ASSERT_TRUE(db.open());
    fill(db, 3000);
    const QString folder = home.file(QStringLiteral("copies"));
    QDir().mkpath(folder);
    const QString target = QDir(folder).filePath(QStringLiteral("Quarrow.db"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the backup of last week");
    }

    QString error;
    bool copied = true;
    {
        FileSizeLimit fullDisk(96 * 1024);
        copied = DatabaseBackup::copy(source, target, &error);
    }
    EXPECT_FALSE(copied);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(filesIn(folder), QStringList{QStringLiteral("Quarrow.db")});
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("the backup of last week"));
}
#endif

// A backup killed half way leaves its part file, the size of the whole store; the next
// backup to the same file takes it away once nobody writes to it any more.
TEST(DatabaseBackup, TheNextBackupRemovesTheKilledOnesPartFiles) {
    TempHome home;
    const QString source = home.file(QStringLiteral("Quarrow.db"));
    TDataBase db(source);
    ASSERT_TRUE(db.open());
    fill(db, 10);
    const QString folder = home.file(QStringLiteral("copies"));
    QDir().mkpath(folder);
    const QString target = QDir(folder).filePath(QStringLiteral("Quarrow.db"));
    const QString killed = target + QStringLiteral(".0a1b2c3d.part");
    const QString young = target + QStringLiteral(".00000001.part");
    for (const QString& path : {killed, young, killed + QStringLiteral("-journal")}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("part");
        file.flush();
        if (path != young) {
            ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-SafeFile::kScrapAge_s - 60),
                                         QFileDevice::FileModificationTime));
        }
    }
    QString error;
    ASSERT_TRUE(DatabaseBackup::copy(source, target, &error)) << error.toStdString();
    EXPECT_EQ(filesIn(folder), (QStringList{QStringLiteral("Quarrow.db"), QFileInfo(young).fileName()}));
}

TEST(DatabaseBackup, SameFileIgnoresLetterCaseAndFollowsLinks) {
    TempHome home;
    const QString file = home.file(QStringLiteral("Quarrow.db"));
    QFile(file).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(file, home.file(QStringLiteral("link.db"))));
    struct Case {
        QString other;
        bool same;
    };
    const Case cases[] = {
        {file, true},
        {home.file(QStringLiteral("QUARROW.DB")), true},
        {home.file(QStringLiteral("sub/../Quarrow.db")), true},
    // A link made by QFile is a symbolic link here; on Windows it is a shortcut, a file
    // of its own that a copy would overwrite, not the database.
#ifdef _WIN32
        {home.file(QStringLiteral("link.db")), false},
#else
        {home.file(QStringLiteral("link.db")), true},
#endif
        {home.file(QStringLiteral("Quarrow.db.bak")), false},
        {home.file(QStringLiteral("copies/Quarrow.db")), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DatabaseBackup::isSameFile(c.other, file), c.same) << c.other.toStdString();
}

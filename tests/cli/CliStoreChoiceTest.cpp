// The command line works on the store the settings file names, as the desktop program does,
// and never on another file: an ODBC source (here the SQLite ODBC driver of unixODBC stands
// in for a user's Access file), an Access file, or the program's own SQLite file.

#include "store/DataBase.h"
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>

using namespace quarrow;
using namespace quarrow::test;

namespace {

qint64 countRows(const QString& databaseFile, const QString& table) {
    TDataBase db(databaseFile);
    EXPECT_TRUE(db.open());
    Statement query = db.QueryPublic(QStringLiteral("select count(*) from ") + table);
    EXPECT_TRUE(query.exec() && query.next());
    return query.integer(0);
}

QByteArray dataOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void setDatabase(const QString& home, const QString& key, const QString& value) {
    ASSERT_EQ(runCli({"--home", home, "settings", "set", "Database", key, value}).status, 0);
}

}  // namespace

TEST(CliStoreChoice, CommandsUseTheOdbcSourceTheSettingsNameAndBackupRefusesIt) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
        GTEST_SKIP() << "Qt's ODBC driver is not installed (Debian: libqt6sql6-odbc)";
    TempHome home;
    // The user's own database, elsewhere, with the program's tables already in it.
    const QString theirs = home.file("elsewhere/Theirs.db");
    ASSERT_TRUE(QDir().mkpath(home.file("elsewhere")));
    {
        TDataBase maker(theirs);
        ASSERT_TRUE(maker.open());
    }
    setDatabase(home.path(), "ODBC", "Driver=SQLite3;Database=" + theirs);
    const QString report = home.file("two_days.txt");
    ASSERT_TRUE(QFile::copy(dataPath("report/two_days.txt"), report));

    const CliRun extract = runCli({"--home", home.path(), "extract", "--code", "600610", report});
    if (extract.err.contains("IM002"))
        GTEST_SKIP() << "no SQLite3 ODBC driver registered (Debian: libsqliteodbc)";
    ASSERT_EQ(extract.status, 0) << extract.err.toStdString();
    EXPECT_EQ(countRows(theirs, "tblStChange"), 5);
    EXPECT_FALSE(QFile::exists(home.file("Quarrow.db"))) << "no other file is written";

    const CliRun query = runCli({"--home", home.path(), "query", "--format", "csv"});
    EXPECT_EQ(query.status, 0) << query.err.toStdString();
    EXPECT_TRUE(query.out.contains("600610"));

    const CliRun backup = runCli({"--home", home.path(), "backup", home.file("copy.db")});
    EXPECT_EQ(backup.status, 1);
    EXPECT_TRUE(backup.err.contains("ODBC source")) << backup.err.toStdString();
    EXPECT_FALSE(QFile::exists(home.file("copy.db")));
}

TEST(CliStoreChoice, AnAccessFileIsUsedOrRefusedNeverReplacedByTheProgramsOwnFile) {
    TempHome home;
    setDatabase(home.path(), "Access", "Quarrow.mdb");
    // Microsoft's Access driver is not on this system: the command fails on the Access file,
    // saying what to install and how to leave the driver behind, instead of creating and
    // using the program's own SQLite file.
    const CliRun summary = runCli({"--home", home.path(), "summary"});
    EXPECT_EQ(summary.status, 1);
    EXPECT_TRUE(summary.err.contains("Quarrow.mdb")) << summary.err.toStdString();
    EXPECT_TRUE(summary.err.contains("Microsoft Access Database Engine (64-bit)"))
        << summary.err.toStdString();
    EXPECT_TRUE(summary.err.contains("import-db")) << summary.err.toStdString();
    EXPECT_FALSE(QFile::exists(home.file("Quarrow.db")));

    // The backup of an Access file is a checked copy of its bytes.
    QByteArray bytes(300000, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 31 % 251);
    QFile mdb(home.file("Quarrow.mdb"));
    ASSERT_TRUE(mdb.open(QIODevice::WriteOnly));
    mdb.write(bytes);
    mdb.close();
    ASSERT_TRUE(QDir().mkpath(home.file("backups")));
    const CliRun backup = runCli({"--home", home.path(), "backup", home.file("backups")});
    EXPECT_EQ(backup.status, 0) << backup.err.toStdString();
    EXPECT_EQ(dataOf(home.file("backups/Quarrow.mdb")), bytes);
    const CliRun ontoItself = runCli({"--home", home.path(), "backup", home.file("Quarrow.mdb")});
    EXPECT_EQ(ontoItself.status, 1);
    EXPECT_EQ(dataOf(home.file("Quarrow.mdb")), bytes);
}

// A ".." after a linked folder is the link target's parent, as the system resolves it.
TEST(CliStoreChoice, BackupGoesWhereTheSystemResolvesThePath) {
    TempHome home;
    TempHome other;
    {
        TDataBase db(home.file("Quarrow.db"));
        ASSERT_TRUE(db.open());
    }
    ASSERT_TRUE(QDir().mkpath(other.file("inner")));
    ASSERT_TRUE(QFile::link(other.file("inner"), home.file("link")));
    // Read as text, HOME/link/../Quarrow.db is the database itself; the system reaches
    // OTHER/Quarrow.db.
    const CliRun backup = runCli({"--home", home.path(), "backup", home.file("link/../Quarrow.db")});
    EXPECT_EQ(backup.status, 0) << backup.err.toStdString();
    EXPECT_TRUE(QFile::exists(other.file("Quarrow.db")));
    EXPECT_TRUE(backup.out.contains(other.file("Quarrow.db"))) << backup.out.toStdString();
}

TEST(CliCommands, EveryCommandDescribesItselfAndAUsageErrorShowsItsSynopsis) {
    const CliRun overview = runCli({"--help"});
    ASSERT_EQ(overview.status, 0);
    QStringList names;
    for (const QString& line : overview.out.split('\n')) {
        if (line.startsWith("  ") && !line.startsWith("   ") && !line.startsWith("  --"))
            names << line.trimmed().section(' ', 0, 0);
    }
    EXPECT_GE(names.size(), 27) << overview.out.toStdString();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const CliRun help = runCli({name, "--help"});
        EXPECT_EQ(help.status, 0) << help.err.toStdString();
        EXPECT_TRUE(help.out.startsWith("usage: quarrow-cli")) << help.out.toStdString();
        EXPECT_TRUE(help.out.contains(" " + name)) << help.out.toStdString();
        const CliRun wrong = runCli({name, "--no-such-option"});
        EXPECT_EQ(wrong.status, 2);
        EXPECT_TRUE(wrong.err.contains("usage: quarrow-cli")) << wrong.err.toStdString();
    }
}

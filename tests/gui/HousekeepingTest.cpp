#include "app/Settings.h"
#include "gui/DateBox.h"
#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "gui/QueryResultModel.h"
#include "gui/WidgetFrame.h"
#include "platform/Clock.h"
#include "program/ProgramServices.h"
#include "review/ReviewTestData.h"
#include "store/ChangeReads.h"
#include "store/OdbcDrivers.h"
#include "store/ReportRows.h"
#include "support/OdbcStandIn.h"
#include "support/WindowDesk.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <limits>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

}  // namespace

// The three commands from the window: the delete asks by its identity and leaves the main
// grid showing what is left; the backup proposes the database's name in the folder of the
// last backup and notes the new one; the clean-up says in the status bar what it deleted.
TEST(MainFormHousekeeping, DeleteBackupAndCleanupRunFromTheirPages) {
    const auto document = [](const ProgramFolder& folder, const char* day) {
        return QDir(folder.stockFolder("600610")).filePath(QStringLiteral("600610-%1变动资料.txt").arg(day));
    };
    WindowDesk desk({.beforeWindow = [&](WindowDesk& seeded) {
        TDataBase db(seeded.folder.databaseFile());
        ASSERT_TRUE(db.open());
        seedReviewRows(db);
        ASSERT_TRUE(db.execute("update tblStocks set StDocDate='2017-03-16' where StCode='600610'"));
        QFile table(seeded.folder.filePath("STCodeName.txt"));
        ASSERT_TRUE(table.open(QIODevice::WriteOnly));
        table.write("sh|ZYD|600610\r\nsz|PAYH|000001\r\n");
        touch(document(seeded.folder, "2017-03-09"));
        touch(document(seeded.folder, "2017-03-16"));
    }});
    desk.defaultAnswer = MessageAnswer::Yes;
    QStringList proposed;
    QString chosen;
    desk.frame().setFileChooser([&](const QString& path) -> std::optional<QString> {
        proposed << path;
        return chosen;
    });
    desk.show();
    const auto click = [&](const char* name) { desk.child<QPushButton>(name)->click(); };

    // Every stored top-5 row in the main grid; then one day of them deleted.
    desk.child<QCheckBox>("DateFromChecked")->setChecked(false);
    click("btnDepart_Buy_Sale");
    QueryResultModel& grid = *desk.child<QueryPage>("TabGetFromDB")->resultModel();
    ASSERT_EQ(grid.rowCount(), 8);
    desk.child<QCheckBox>("DateToChecked")->setChecked(true);
    desk.child<DateBox>("DateToDate")->setDate(QDate(2017, 3, 10));
    desk.asked.clear();
    click("btnDelMainBuySale");
    ASSERT_EQ(desk.asked.size(), 1);
    EXPECT_EQ(desk.asked.first().question, Question::FilteredDelete);
    EXPECT_EQ(desk.promptText(), QStringLiteral("已删除3条数据"));
    EXPECT_EQ(grid.rowCount(), 5);

    const QString backups = desk.home.file("backups");
    QDir().mkpath(backups);
    chosen = QDir(backups).filePath("Quarrow.db");
    click("btnCopyData");
    EXPECT_TRUE(QFile::exists(chosen));
    EXPECT_EQ(desk.promptText(), QStringLiteral("数据库已备份到") + QDir::toNativeSeparators(chosen));
    // The database itself is no backup: nothing copied, the folder noted stays.
    chosen = desk.folder.databaseFile();
    click("btnCopyData");
    EXPECT_EQ(proposed, (QStringList{desk.folder.databaseFile(), QDir(backups).filePath("Quarrow.db")}));
    EXPECT_EQ(desk.promptText(), QStringLiteral("备份文件就是数据库文件本身,没有备份"));
    EXPECT_EQ(desk.services().settings().dbCopyFolder(), QDir::toNativeSeparators(backups + "/"));

    click("btnDelete");
    EXPECT_FALSE(QFile::exists(document(desk.folder, "2017-03-09")));
    EXPECT_TRUE(QFile::exists(document(desk.folder, "2017-03-16")));
    EXPECT_EQ(desk.child<QLabel>("statMainPanel10")->text(), QStringLiteral("共删除:1个文件"));
    EXPECT_TRUE(desk.child<QWidget>("btnGetAllFromTxtDocs")->isEnabled());
}

// The data menu's import: the ODBC source the settings name (an Access file of the first
// release, through the ODBC stand-in) is copied into the program's own file after the
// question of its identity, and the window says that the settings name it from the next
// start on.
TEST(MainFormHousekeeping, TheImportCopiesTheSettingsSourceAndSaysTheSettingsNowNameTheOwnStore) {
    if (!odbcStandInMissing().isEmpty())
        GTEST_SKIP() << odbcStandInMissing().toStdString();
    WindowDesk desk({.beforeWindow = [&](WindowDesk& seeded) {
        const QString source = seeded.home.file(QStringLiteral("Theirs.mdb.db"));
        QString error;
        ASSERT_TRUE(makeAccessStandIn(source, &error)) << error.toStdString();
        {
            TDataBase db(source);
            db.useOdbc(standInConnection(source));
            ASSERT_TRUE(db.open()) << db.openError().toStdString();
            for (qint64 key : {qint64(1) << 33, std::numeric_limits<qint64>::min() + 1})
                ASSERT_TRUE(insertChangeRow(db, {"600610", QDate(2017, 3, 16), 7, Money::fromUnits(5),
                                                 Money(), Money(), "涨跌幅大", key})
                                .inserted());
        }
        VirtualClock clock{WindowDesk::kStart};
        Settings settings(seeded.folder, clock);
        ASSERT_TRUE(settings.writeText("Database", "ODBC", standInConnection(source)));
    }});
    desk.show();
    desk.answers[Question::StoreImport] = MessageAnswer::Yes;
    desk.form->findChild<QAction*>(QStringLiteral("menuImportDb"))->trigger();
    ASSERT_FALSE(desk.asked.isEmpty());
    EXPECT_TRUE(desk.asked.last().text.contains(QStringLiteral("核对无误")))
        << desk.asked.last().text.toStdString();
    EXPECT_TRUE(desk.asked.last().text.contains(QStringLiteral("重新启动程序后生效")));
    TDataBase own(desk.folder.databaseFile());
    ASSERT_TRUE(own.open());
    EXPECT_EQ(storeSummary(own).changeRows, 2);
    EXPECT_TRUE(desk.services().store().viaOdbc())
        << "the window goes on with the source until it starts again";
}

// A store the program may only read: every query answers, and each write is refused with
// one line in Chinese alone. The tests may run as root, whom no folder's permissions stop,
// so the file says so itself: past 2, byte 18 of its header names a format SQLite may only
// read. And an Access file no driver reaches is told in Chinese, with what to install and
// the import, instead of being replaced by the program's own file.
TEST(MainFormHousekeeping, AStoreThatCannotBeWrittenOrReachedIsToldInChineseAndQueriesStillAnswer) {
    WindowDesk desk({.beforeWindow = [&](WindowDesk& seeded) {
        {
            TDataBase db(seeded.folder.databaseFile());
            ASSERT_TRUE(db.open());
            seedReviewRows(db);
            ASSERT_TRUE(db.execute("PRAGMA journal_mode=DELETE"));
        }
        QFile file(seeded.folder.databaseFile());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(18));
        ASSERT_EQ(file.write("\x03", 1), 1);
    }});
    const QByteArray before = bytesOf(desk.folder.databaseFile());
    desk.defaultAnswer = MessageAnswer::Yes;
    desk.show();
    const QString memo = desk.child<QPlainTextEdit>("MemoPrompt")->toPlainText();
    EXPECT_EQ(memo.count(QStringLiteral("是只读的:可以调阅数据")), 1) << memo.toStdString();

    desk.child<QCheckBox>("DateFromChecked")->setChecked(false);
    desk.child<QPushButton>("btnDepart_Buy_Sale")->click();
    QueryResultModel& grid = *desk.child<QueryPage>("TabGetFromDB")->resultModel();
    ASSERT_EQ(grid.rowCount(), 8);
    desk.asked.clear();
    desk.child<QPushButton>("btnDelMainBuySale")->click();
    ASSERT_EQ(desk.asked.size(), 2);
    EXPECT_EQ(desk.asked.last().text,
              QStringLiteral("删除数据出错,没有删除任何数据: 数据库是只读的:可以调阅数据,但不能保存新数据"));
    EXPECT_EQ(grid.rowCount(), 8);
    EXPECT_EQ(bytesOf(desk.folder.databaseFile()), before);

    if (accessDriverOf(installedOdbcDrivers()))
        return;  // the driver is there: the file would open
    WindowDesk access({.beforeWindow = [&](WindowDesk& seeded) {
        VirtualClock clock{WindowDesk::kStart};
        ASSERT_TRUE(Settings(seeded.folder, clock).writeText("Database", "Access", "Quarrow.mdb"));
    }});
    access.show();
    ASSERT_EQ(access.asked.size(), 1);
    const QString told = access.asked.first().text;
    EXPECT_TRUE(told.contains(QStringLiteral("\"Microsoft Access Database Engine\"(64位)")))
        << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("\"导入数据库\""))) << told.toStdString();
    EXPECT_FALSE(told.contains(QStringLiteral("driver"))) << "no English after the Chinese";
    EXPECT_FALSE(QFile::exists(access.folder.databaseFile()));
}

#include "app/PlatformOptions.h"
#include "app/Settings.h"
#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "gui/QueryResultModel.h"
#include "gui/WiredWindow.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "review/FilteredDelete.h"
#include "review/ReviewTestData.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace quarrow;

namespace {

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
    test::TempHome dir;
    const ProgramFolder folder(dir.path());
    {
        TDataBase db(folder.databaseFile());
        ASSERT_TRUE(db.open());
        test::seedReviewRows(db);
        ASSERT_TRUE(db.execute("update tblStocks set StDocDate='2017-03-16' where StCode='600610'"));
    }
    QFile table(folder.filePath("STCodeName.txt"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("sh|ZYD|600610\r\nsz|PAYH|000001\r\n");
    table.close();
    const QString oldDocument = QDir(folder.stockFolder("600610")).filePath("600610-2017-03-09变动资料.txt");
    const QString newDocument = QDir(folder.stockFolder("600610")).filePath("600610-2017-03-16变动资料.txt");
    touch(oldDocument);
    touch(newDocument);

    PlatformOptions options = programPlatformOptions(folder);
    options.virtualClockStart = QDateTime(QDate(2017, 3, 16), QTime(15, 30));
    const std::unique_ptr<Platform> platform = createPlatform(options);
    auto form = std::make_unique<WiredWindow>(folder, *platform);
    QList<Question> asked;
    form->frame().setAnswerer([&](const MessageRequest& request) -> std::optional<MessageAnswer> {
        asked << request.question;
        return request.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    });
    QStringList proposed;
    QString chosen;
    form->frame().setFileChooser([&](const QString& path) -> std::optional<QString> {
        proposed << path;
        return chosen;
    });
    form->show();
    const auto child = [&](const char* name) {
        QWidget* widget = form->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    };
    const auto click = [&](const char* name) { static_cast<QPushButton*>(child(name))->click(); };
    const auto prompt = [&] { return static_cast<QLabel*>(child("lblWarning"))->text(); };

    // Every stored top-5 row in the main grid; then one day of them deleted.
    static_cast<QCheckBox*>(child("DateFromChecked"))->setChecked(false);
    click("btnDepart_Buy_Sale");
    QueryResultModel& grid = *form->findChild<QueryPage*>("TabGetFromDB")->resultModel();
    ASSERT_EQ(grid.rowCount(), 8);
    static_cast<QCheckBox*>(child("DateToChecked"))->setChecked(true);
    static_cast<QDateEdit*>(child("DateToDate"))->setDate(QDate(2017, 3, 10));
    click("btnDelMainBuySale");
    EXPECT_EQ(asked, QList<Question>{Question::FilteredDelete});
    EXPECT_EQ(prompt(), QStringLiteral("已删除3条数据"));
    EXPECT_EQ(grid.rowCount(), 5);

    const QString backups = dir.file("backups");
    QDir().mkpath(backups);
    chosen = QDir(backups).filePath("Quarrow.db");
    click("btnCopyData");
    EXPECT_TRUE(QFile::exists(chosen));
    EXPECT_EQ(prompt(), QStringLiteral("数据库已备份到") + QDir::toNativeSeparators(chosen));
    // The database itself is no backup: nothing copied, the folder noted stays.
    chosen = folder.databaseFile();
    click("btnCopyData");
    EXPECT_EQ(proposed, (QStringList{folder.databaseFile(), QDir(backups).filePath("Quarrow.db")}));
    EXPECT_EQ(prompt(), QStringLiteral("备份文件就是数据库文件本身,没有备份"));
    EXPECT_EQ(form->services().settings().dbCopyFolder(), QDir::toNativeSeparators(backups + "/"));

    click("btnDelete");
    EXPECT_FALSE(QFile::exists(oldDocument));
    EXPECT_TRUE(QFile::exists(newDocument));
    EXPECT_EQ(static_cast<QLabel*>(child("statMainPanel10"))->text(), QStringLiteral("共删除:1个文件"));
    EXPECT_TRUE(child("btnGetAllFromTxtDocs")->isEnabled());
    form.reset();
}

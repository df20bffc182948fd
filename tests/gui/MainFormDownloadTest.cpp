#include "app/PlatformOptions.h"
#include "app/Settings.h"
#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "gui/WiredWindow.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "server/PagePublisher.h"
#include "server/PageServer.h"
#include "store/DataBase.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quarrow;

namespace {

TEST(MainFormDownload, DateDialogThenBothPhasesFromTheServer) {
    test::TempHome dir;
    const ProgramFolder folder(dir.path());
    TDataBase source(dir.file("Source.db"));
    ASSERT_TRUE(source.open());
    ASSERT_TRUE(source.execute("insert into tblStocks (StCode,StName) values ('600610','中纺机')"));
    ASSERT_TRUE(source.execute("insert into tblStDepart (StDeptKey,StDept) values (1,'买方'),(2,'卖方')"));
    ASSERT_TRUE(
        source.execute("insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
                       "values ('600610','2024-03-04',1,5,0,7,'涨跌幅大',1)"));
    ASSERT_TRUE(
        source.execute("insert into tblBigBuySale (StCode,StDate,StDeptBuy,StPrice,StQTY,StAMT,StDeptSale,"
                       "StKEY) values ('600610','2024-03-06',1,10,2,20,2,1)"));
    PagePublisher publisher(source.fileName());
    QString error;
    ASSERT_TRUE(publisher.open(&error)) << error.toStdString();
    PageServer server(publisher);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
    SystemClock clock;
    Settings settings(folder, clock);
    const QString address = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    ASSERT_TRUE(settings.writeText("Server", "StChangePage", address + "/StChange"));
    ASSERT_TRUE(settings.writeText("Server", "BigBuySalePage", address + "/BigBuySale"));

    PlatformOptions options = programPlatformOptions(folder);
    options.virtualClockStart = QDateTime(QDate(2017, 3, 16), QTime(15, 30));
    std::unique_ptr<Platform> platform = createPlatform(options);
    WiredWindow form(folder, *platform);
    form.frame().setAnswerer([](const MessageRequest&) { return MessageAnswer::Ok; });
    form.show();
    QCoreApplication::processEvents();

    QString preset;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        preset = dialog->textValue();
        dialog->setTextValue("2024-03-01");
        dialog->accept();
    });
    auto* command = form.findChild<QAbstractButton*>("btnGetFromServer");
    ASSERT_NE(command, nullptr);
    command->click();

    EXPECT_EQ(preset, "1980-01-01");
    const QString log = form.findChild<QTextEdit*>("MemoResult")->toPlainText();
    EXPECT_TRUE(log.contains(">>>>>存入数据库的涨跌幅度异常数据数目:1")) << log.toStdString();
    EXPECT_TRUE(log.contains(">>>>>存入数据库的大宗买卖据数目:1")) << log.toStdString();
    EXPECT_TRUE(form.findChild<QTextEdit*>("WebBrowser")->toPlainText().contains("xxxxxx"));
    EXPECT_TRUE(command->isEnabled());
    EXPECT_FALSE(form.findChild<QWidget*>("GroupBoxProgress")->isVisible());
    // The query page's range takes in the block trade.
    EXPECT_EQ(form.findChild<CheckedDatePicker*>("DateTo")->date(), QDate(2024, 3, 6));
}

}  // namespace

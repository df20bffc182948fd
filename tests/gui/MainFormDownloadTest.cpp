#include "app/Settings.h"
#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "platform/Clock.h"
#include "server/PagePublisher.h"
#include "server/PageServer.h"
#include "store/DataBase.h"
#include "support/WindowDesk.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

TEST(MainFormDownload, DateDialogThenBothPhasesFromTheServer) {
    TempHome serverHome;
    TDataBase source(serverHome.file("Source.db"));
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
    const QString address = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    WindowDesk desk({.beforeWindow = [&](WindowDesk& opening) {
        SystemClock clock;
        Settings settings(opening.folder, clock);
        ASSERT_TRUE(settings.writeText("Server", "StChangePage", address + "/StChange"));
        ASSERT_TRUE(settings.writeText("Server", "BigBuySalePage", address + "/BigBuySale"));
    }});
    desk.show();

    QString preset;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        preset = dialog->textValue();
        dialog->setTextValue("2024-03-01");
        dialog->accept();
    });
    auto* command = desk.child<QAbstractButton>("btnGetFromServer");
    command->click();

    EXPECT_EQ(preset, "1980-01-01");
    const QString log = desk.child<QTextEdit>("MemoResult")->toPlainText();
    EXPECT_TRUE(log.contains(">>>>>存入数据库的涨跌幅度异常数据数目:1")) << log.toStdString();
    EXPECT_TRUE(log.contains(">>>>>存入数据库的大宗买卖据数目:1")) << log.toStdString();
    EXPECT_TRUE(desk.child<QTextEdit>("WebBrowser")->toPlainText().contains("xxxxxx"));
    EXPECT_TRUE(command->isEnabled());
    EXPECT_FALSE(desk.child<QWidget>("GroupBoxProgress")->isVisible());
    // The query page's range takes in the block trade.
    EXPECT_EQ(desk.child<CheckedDatePicker>("DateTo")->date(), QDate(2024, 3, 6));
}

}  // namespace

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
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // The rows are of March 2024: a later day than tomorrow would be wrong data.
    WindowDesk desk({.clockStart = QDateTime(QDate(2024, 6, 3), QTime(15, 30)),
                     .beforeWindow = [&](WindowDesk& opening) {
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
    EXPECT_TRUE(desk.child<QPlainTextEdit>("WebBrowser")->toPlainText().contains("xxxxxx"));
    EXPECT_TRUE(command->isEnabled());
    EXPECT_FALSE(desk.child<QWidget>("GroupBoxProgress")->isVisible());
    // The query page's range takes in the block trade.
    EXPECT_LE(desk.child<CheckedDatePicker>("DateFrom")->date(), QDate(2024, 3, 6));
    EXPECT_GE(desk.child<CheckedDatePicker>("DateTo")->date(), QDate(2024, 3, 6));
}

// The page box shows what the server sent and loads nothing it names: an image whose
// source is a named pipe would open it. A writer waits on the pipe; no reader may come.
TEST(MainFormDownload, ThePageBoxLoadsNothingThePageNames) {
    QTemporaryDir dir;
    const QString pipe = dir.filePath("image.png");
    ASSERT_EQ(mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    std::atomic<bool> opened{false};
    std::thread writer([&] {
        const int fd = open(pipe.toLocal8Bit().constData(), O_WRONLY);
        opened = fd >= 0;
        if (fd >= 0)
            close(fd);
    });
    const QByteArray page =
        "<html><body><table><tr><td>000000<td>0<td>1<td><td><td><td><td>"
        "<tr><td>xxxxxx<td><td>0<td><td><td><td><td></table><img src=\"" +
        pipe.toUtf8() + "\"><img src=\"file://" + pipe.toUtf8() + "\"></body></html>";
    QTcpServer server;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        QTcpSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, page] {
            socket->readAll();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                          QByteArray::number(page.size()) + "\r\nConnection: close\r\n\r\n" + page);
            socket->disconnectFromHost();
        });
    });
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    const QString address = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
    WindowDesk desk({.beforeWindow = [&](WindowDesk& opening) {
        SystemClock clock;
        Settings settings(opening.folder, clock);
        ASSERT_TRUE(settings.writeText("Server", "StChangePage", address + "/StChange"));
        ASSERT_TRUE(settings.writeText("Server", "BigBuySalePage", address + "/BigBuySale"));
    }});
    desk.defaultAnswer = MessageAnswer::Ok;
    desk.show();
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    desk.child<QAbstractButton>("btnGetFromServer")->click();
    auto* view = desk.child<QPlainTextEdit>("WebBrowser");
    ASSERT_NE(view, nullptr);
    view->parentWidget()->show();
    view->show();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        view->repaint();
    }
    EXPECT_TRUE(view->toPlainText().contains("xxxxxx"));
    EXPECT_FALSE(opened);
    // Let the writer go.
    const int reader = open(pipe.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
    writer.join();
    close(reader);
}

}  // namespace

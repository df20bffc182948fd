// What a user meets on the way through the window: the data menu, the date boxes, the
// followed page after a run, the CSV export's proposal and the notices of the start.

#include "app/RunControl.h"
#include "app/TextCodec.h"
#include "gui/DateBox.h"
#include "gui/FollowCommands.h"
#include "gui/FollowedPage.h"
#include "gui/FormCodeDepart.h"
#include "gui/GridExport.h"
#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "gui/QueryResultModel.h"
#include "gui/WidgetFrame.h"
#include "program/ProgramServices.h"
#include "review/OperatorQuery.h"
#include "support/WindowDesk.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSet>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QStringList kDataMenuJobs{QStringLiteral("btnLoadCodeName"),  QStringLiteral("btnMyselfCodeName"),
                                QStringLiteral("menuSaveSelfCode"), QStringLiteral("MenuLoadStockQTY"),
                                QStringLiteral("menuRefreshName"),  QStringLiteral("menuTrackRecord"),
                                QStringLiteral("menuDigest"),       QStringLiteral("menuImportDb")};

// The report of 600610 with its two days, stored as the re-analysis stores it.
StoredRows storeTwoDays(ProgramServices& services) {
    const std::optional<StoredRows> rows = storeReport(
        services, QStringLiteral("600610"), QStringLiteral("中毅达"), QStringLiteral("report/two_days.txt"));
    EXPECT_TRUE(rows);
    return rows.value_or(StoredRows());
}

}  // namespace

// Each item of the data menu has an access key of its own and a caption without marks
// around it; the items that start work rest while any job holds the run control.
TEST(MainFormMenu, DataMenuKeysAreUniqueAndItsJobsRestWhileAJobRuns) {
    WindowDesk desk({.quoteStocks = 3});
    desk.show();
    auto* menu = desk.child<QMenu>(QStringLiteral("menuData"));
    QSet<QChar> keys;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const QString text = action->text();
        EXPECT_FALSE(text.contains(QLatin1Char('*'))) << text.toStdString();
        const qsizetype mark = text.indexOf(QStringLiteral("(&"));
        ASSERT_GE(mark, 0) << text.toStdString() << " has no access key";
        const QChar key = text.at(mark + 2).toUpper();
        EXPECT_FALSE(keys.contains(key)) << text.toStdString() << " repeats " << QString(key).toStdString();
        keys.insert(key);
    }
    RunControl& run = desk.services().run();
    for (const bool running : {true, false}) {
        SCOPED_TRACE(running);
        RunLease lease = running ? run.lease(JobKind::Relay) : RunLease();
        Q_EMIT menu->aboutToShow();
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            const bool job = kDataMenuJobs.contains(action->objectName());
            EXPECT_EQ(action->isEnabled(), !(running && job)) << action->objectName().toStdString();
        }
    }
}

// A date typed into a date box counts once Enter is pressed; a text that is no date puts
// the date back and the prompt line says the form a date takes.
TEST(MainFormDates, ATypedDateCountsAndAWrongOneSaysTheForm) {
    WindowDesk desk;
    desk.show();
    auto* box = desk.child<DateBox>(QStringLiteral("DateFromDate"));
    const QDate before(2017, 3, 16);
    const struct {
        const char* typed;
        QDate day;  // invalid: refused
    } cases[] = {
        {"2017-03-10", QDate(2017, 3, 10)},
        {"20170309", QDate(2017, 3, 9)},
        {"2017/3/8", QDate(2017, 3, 8)},
        {"2016-1-5", QDate(2016, 1, 5)},
        {"2017年3月7日", QDate(2017, 3, 7)},
        {"2017-02-30", QDate()},
        {"10-1", QDate()},
        {"abc", QDate()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        box->setDate(before);
        desk.frame().ShowPrompt(QString());
        box->lineEdit()->selectAll();
        // The test's keyboard types Latin keys only; the rest comes as an input method's would.
        const QString typed = QString::fromUtf8(c.typed);
        if (QLatin1StringView(c.typed).size() == typed.size())
            QTest::keyClicks(box->lineEdit(), typed);
        else
            box->lineEdit()->insert(typed);
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(box->date(), c.day.isValid() ? c.day : before);
        EXPECT_EQ(box->lineEdit()->text(), box->date().toString(QStringLiteral("yyyy-MM-dd")));
        EXPECT_EQ(desk.promptText().contains(QStringLiteral("yyyy-MM-dd")), !c.day.isValid())
            << desk.promptText().toStdString();
    }
    // The arrow keys step a day, as the box did before it took typing.
    QTest::keyClick(box->lineEdit(), Qt::Key_Up);
    EXPECT_EQ(box->date(), before.addDays(1));
}

// A run that stored rows of a followed department brings the page in front of the function
// panel it was started from; the page's day starts at the newest stored day, not today.
TEST(MainFormFollowed, ARunsFollowedRowsComeForwardFromTheNewestStoredDay) {
    const QDate today(2017, 3, 20);
    WindowDesk desk({.clockStart = QDateTime(today, QTime(15, 30))});
    desk.show();
    auto* since = desk.child<DateBox>(QStringLiteral("dateFollowedSince"));
    EXPECT_EQ(since->date(), today) << "nothing stored yet";
    ProgramServices& services = desk.services();
    const StoredRows rows = storeTwoDays(services);
    ASSERT_TRUE(desk.form->followedPage().commands().follow(QStringLiteral("机构专用")));
    desk.form->showFunctionPage(FunctionPage::Mining);

    services.afterRun(rows);
    EXPECT_EQ(desk.currentContentPage(), QStringLiteral("TabSheetFollowed"));
    EXPECT_FALSE(desk.child<QWidget>(QStringLiteral("PanelFunction"))->isVisible());
    EXPECT_EQ(since->date(), QDate(2017, 3, 16));

    desk.reopen();
    EXPECT_EQ(desk.child<DateBox>(QStringLiteral("dateFollowedSince"))->date(), QDate(2017, 3, 16));
}

// The CSV export proposes a file in the program folder's export folder, named for what the
// grid holds and the day.
TEST(MainFormExport, TheProposedFileNamesWhatTheGridHoldsAndTheDay) {
    WindowDesk desk;
    desk.show();
    storeTwoDays(desk.services());
    QueryPage* query = desk.form->findChild<QueryPage*>(QStringLiteral("TabGetFromDB"));
    OperatorQuery all = OperatorQuery::initial(WindowDesk::kStart.date());
    all.fromTicked = false;
    ASSERT_TRUE(query->resultModel()->open(desk.services().store(),
                                           composeOperatorQuery(all, QueryButton::All).main));
    TFormCodeDepart* window = query->dbGridTop5ListDblClick(query->resultGrid()->model()->index(0, 3));
    ASSERT_NE(window, nullptr);
    const QString exports = desk.folder.filePath(QStringLiteral("Export"));
    const struct {
        QTableView* grid;
        QString subject;
    } cases[] = {
        {query->resultGrid(), QStringLiteral("龙虎榜营业部数据")},
        {desk.form->followedPage().grid(), QStringLiteral("关注营业部动向")},
        {window->grid(), window->windowTitle()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subject.toStdString());
        const QString proposed = GridExport::proposedPath(*c.grid);
        EXPECT_EQ(QFileInfo(proposed).absolutePath(), exports);
        EXPECT_TRUE(QFileInfo(exports).isDir());
        const QString name = QFileInfo(proposed).fileName();
        EXPECT_TRUE(name.endsWith(QStringLiteral("-2017-03-16.csv"))) << name.toStdString();
        EXPECT_FALSE(name.contains(QLatin1Char('/')) || name.contains(QLatin1Char(':')));
        EXPECT_TRUE(name.startsWith(c.subject.left(4))) << name.toStdString();
    }
    window->close();
}

// What the start has to say (a list that cannot be read, a line of the followed list
// skipped) is neither covered by the greeting nor wiped from the prompt memo: the window
// opens on that page; a start with nothing to say greets on the main page.
TEST(MainFormStartUp, TheStartsNoticesStayWhereTheUserReadsThem) {
    WindowDesk desk({.quoteStocks = 3, .beforeWindow = [](WindowDesk& seeded) {
                         ASSERT_TRUE(QDir().mkpath(seeded.folder.filePath(QStringLiteral("SelfStock.Txt"))));
                         QFile followed(seeded.folder.filePath(QStringLiteral("FollowDept.Txt")));
                         ASSERT_TRUE(followed.open(QIODevice::WriteOnly));
                         followed.write(TextCodec::encodeGbk(QStringLiteral("机构专用\r\n") +
                                                             QString(200, u'营') + QStringLiteral("\r\n")));
                     }});
    EXPECT_TRUE(desk.promptText().startsWith(QStringLiteral("自选股列表读不出")))
        << desk.promptText().toStdString();
    desk.show();
    const QString memo = desk.child<QPlainTextEdit>(QStringLiteral("MemoPrompt"))->toPlainText();
    EXPECT_TRUE(memo.startsWith(QStringLiteral("欢迎使用Quarrow"))) << memo.toStdString();
    EXPECT_EQ(memo.count(QStringLiteral("自选股列表读不出")), 1) << memo.toStdString();
    EXPECT_TRUE(memo.contains(QStringLiteral("中有1行不是营业部名称"))) << memo.toStdString();
    EXPECT_EQ(desk.currentContentPage(), QStringLiteral("TabSheetPrompt"));
    saveScreenshot(*desk.form, QStringLiteral("start-notices.png"));

    // A line replaced meanwhile is a click away.
    desk.form->showContentPage(ContentPage::Main);
    sendMouse(desk.child<QLabel>(QStringLiteral("lblWarning")), QEvent::MouseButtonPress);
    EXPECT_EQ(desk.currentContentPage(), QStringLiteral("TabSheetPrompt"));

    WindowDesk quiet({.quoteStocks = 3});
    EXPECT_TRUE(quiet.promptText().startsWith(QStringLiteral("欢迎使用Quarrow")))
        << quiet.promptText().toStdString();
    EXPECT_EQ(quiet.currentContentPage(), QStringLiteral("TabSheetMain"));
}

// A swipe over the function pages shows the cursor file named like the program beside it
// (a Windows cursor, read by Qt's ICO plugin), else the resize arrows.
TEST(MainFormNavigation, TheSwipeShowsTheProgramsCursorFile) {
    for (const bool cursorFile : {true, false}) {
        SCOPED_TRACE(cursorFile);
        WindowDesk desk({.beforeWindow = [&](WindowDesk& seeded) {
            if (!cursorFile)
                return;
            const QString path =
                seeded.folder.filePath(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                                       QStringLiteral(".cur"));
            QImage arrow(32, 32, QImage::Format_ARGB32);
            arrow.fill(Qt::black);
            ASSERT_TRUE(arrow.save(path, "ICO"));
            // An icon file and a cursor file differ in their type word alone: 2 is a cursor.
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(2));
            ASSERT_EQ(file.write("\x02", 1), 1);
        }});
        desk.show();
        QWidget* pages = desk.child<QWidget>(QStringLiteral("PageFunction"));
        sendMouse(pages, QEvent::MouseButtonPress);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), cursorFile ? Qt::BitmapCursor : Qt::SizeHorCursor);
        sendMouse(pages, QEvent::MouseButtonRelease);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

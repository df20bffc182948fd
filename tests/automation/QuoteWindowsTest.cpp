#include "automation/QuoteWindows.h"
#include "platform/Clock.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimulatedLauncher.h"
#include "support/DesktopCallLog.h"
#include "support/FakeLauncher.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QFile>

#include <algorithm>
#include <iterator>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QString kHualin = QStringLiteral("华林证券网上交易");
const QString kDongfang = QStringLiteral("东方通达信");

struct Shell {
    WindowHandle quoteWindow(const QString& title) {
        const WindowHandle main =
            desktop.createWindow(kNoWindow, title, QStringLiteral("TdxW_MainFrame"), {0, 0, 800, 600}, tdx);
        desktop.createWindow(main, QString(), QStringLiteral("RICHEDIT"), {0, 0, 10, 10}, tdx);
        return main;
    }
    void choose(const QString& stockWindow, bool hualin) {
        windows.setSetup(
            {home.path(), stockWindow, QStringLiteral("TdxW.exe"), hualin, QStringLiteral("小明")});
    }

    TempHome home;
    VirtualClock clock;
    SimDesktop desktop{clock};
    std::uint32_t tdx = desktop.startProcess(QStringLiteral("TdxW.exe"));
    RecordingFrame frame;
    FakeLauncher real;
    SimulatedLauncher launcher{desktop, clock, real, [] { return kDongfang; }};
    QuoteWindows windows{desktop, clock, frame, launcher};
};

}  // namespace

// A closing Dongfang window always forgets the quote windows; a Hualin one only while
// Hualin is the chosen program.
TEST(QuoteWindows, ForgetsTheQuoteWindowsWhenTheShellSaysTheyClosed) {
    const struct {
        bool hualinSelected;
        QString closed;
        bool forgotten;
    } cases[] = {
        {true, kDongfang, true}, {false, kDongfang, true}, {true, kHualin, true}, {false, kHualin, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Shell shell;
        const WindowHandle hualin = shell.quoteWindow(kHualin + QStringLiteral(" V6"));
        const WindowHandle dongfang = shell.quoteWindow(kDongfang + QStringLiteral(" V6"));
        shell.desktop.deliverNotifications();
        shell.frame.promptMemo.clear();
        shell.choose(c.hualinSelected ? kHualin : kDongfang, c.hualinSelected);
        shell.windows.discover(false);
        ASSERT_TRUE(shell.windows.status().quoteChild);

        shell.desktop.destroyWindow(c.closed == kHualin ? hualin : dongfang);
        shell.desktop.deliverNotifications();
        EXPECT_EQ(shell.windows.quoteProgramKnown(), !c.forgotten);
        EXPECT_EQ(shell.windows.status() == WindowStatus(), c.forgotten);
        const QStringList memo{QStringLiteral("关闭[TdxW.exe]") + c.closed + QStringLiteral(" V6")};
        EXPECT_EQ(shell.frame.promptMemo, c.forgotten ? memo : QStringList());
    }
}

TEST(QuoteWindows, HandlesTheSameNotificationOnlyOnceInARow) {
    Shell shell;
    const WindowHandle quote = shell.quoteWindow(kDongfang);
    shell.choose(kDongfang, false);
    for (const int code : {2, 2, 1, 1, 2})
        shell.windows.shellNotification(code, quote);
    const QString closed = QStringLiteral("关闭[TdxW.exe]东方通达信");
    EXPECT_EQ(shell.frame.promptMemo,
              (QStringList{closed, QStringLiteral("启动[TdxW.exe]东方通达信"), closed}));
}

// Not running: started from the quote folder, with a 15 s pause on the clock while it comes
// up; not installed: the user is sent to the setup page.
TEST(QuoteWindows, DiscoveryStartsTheQuoteProgramOrAsksForItsFolder) {
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed);
        Shell shell;
        if (installed) {
            ASSERT_TRUE(QFile(shell.home.file(QStringLiteral("TdxW.exe"))).open(QIODevice::WriteOnly));
        }
        int setupPages = 0;
        shell.windows.openSetupPage = [&] { ++setupPages; };
        shell.choose(kDongfang, false);
        shell.windows.discover(true);
        EXPECT_EQ(shell.windows.status().quoteChild, installed);
        EXPECT_EQ(shell.clock.elapsedMs(), installed ? 15000 : 0);
        EXPECT_EQ(setupPages, installed ? 0 : 1);
        // The line that says the program is starting is replaced once the wait is over.
        const QStringList said =
            installed
                ? QStringList{QStringLiteral("正在启动东方通达信行情分析程序 "
                                             "启动完毕后,请执行一次\"盘后数据下载\"功能"),
                              QStringLiteral("东方通达信行情分析程序已启动,请执行一次\"盘后数据下载\"功能")}
                : QStringList{QStringLiteral("没有找到TdxW.exe,请先设置华林证券或东方证券"
                                             "行情分析软件的安装位置以及QQ昵称!")};
        EXPECT_EQ(shell.frame.prompts, said);
    }
}

// The clicks that open the monitor lie 40 by 33 and 47 by 435 of the quote program's
// pixels at 96 dpi from its window's corners; at another scaling as far as the window
// shows them.
TEST(QuoteWindows, OpensTheMonitorWithClicksAtTheQuoteWindowsScaling) {
    const struct {
        int dpi;
        CallLog cursor;
    } cases[] = {
        {96, {"cursor 760,567", "cursor 753,435"}},
        {120, {"cursor 750,559", "cursor 741,544"}},
        {144, {"cursor 740,550", "cursor 729,653"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        Shell shell;
        shell.quoteWindow(kDongfang);
        shell.desktop.setProcessDpi(shell.tdx, c.dpi);
        CallLog log;
        LoggingDesktop logging(shell.desktop, log);
        QuoteWindows windows(logging, shell.clock, shell.frame, shell.launcher);
        windows.setSetup({shell.home.path(), kDongfang, QStringLiteral("TdxW.exe"), false, QString()});
        windows.discover(false);
        EXPECT_FALSE(windows.OpenMonitorWindow());
        CallLog cursor;
        std::copy_if(log.begin(), log.end(), std::back_inserter(cursor),
                     [](const std::string& line) { return line.rfind("cursor ", 0) == 0; });
        EXPECT_EQ(cursor, c.cursor);
    }
}

#include "automation/StockWindows.h"
#include "platform/sim/SimDesktop.h"
#include "support/DesktopCallLog.h"
#include "support/TestSupport.h"

using namespace quarrow;
using namespace quarrow::test;

namespace {

// A monitor window with three "List1" lists (one nested a level deeper) and a quote window
// whose report view has a look-alike of the wrong case before it.
struct Desk {
    Desk() {
        monitor = desktop.createWindow(kNoWindow, QStringLiteral("主力监控总览"), QStringLiteral("#32770"),
                                       {100, 100, 500, 400}, 0);
        lists[0] = desktop.createWindow(monitor, QStringLiteral("List1"), QStringLiteral("SysListView32"),
                                        {110, 110, 200, 200}, 0);
        const WindowHandle panel =
            desktop.createWindow(monitor, QString(), QStringLiteral("Panel"), {110, 210, 490, 390}, 0);
        lists[1] = desktop.createWindow(panel, QStringLiteral("List1"), QStringLiteral("SysListView32"),
                                        {120, 220, 200, 300}, 0);
        lists[2] = desktop.createWindow(monitor, QStringLiteral("List1"), QStringLiteral("SysListView32"),
                                        {300, 110, 480, 200}, 0);
        quote = desktop.createWindow(kNoWindow, QStringLiteral("东方通达信 - 行情"), QStringLiteral("TdxW"),
                                     {0, 0, 800, 600}, 0);
        lookAlike = desktop.createWindow(quote, QStringLiteral("资讯"), QStringLiteral("RichEdit"),
                                         {10, 10, 400, 300}, 0);
        report = desktop.createWindow(quote, QString(), QStringLiteral("RICHEDIT"), {10, 310, 400, 590}, 0);
    }
    TStockWinInfo info(const char* main, const char* childTitle, const char* childClass, int index = 0) {
        return TStockWinInfo({log.desktop, log.clock, log.pump}, QString::fromUtf8(main).toStdU16String(),
                             QString::fromUtf8(childTitle).toStdU16String(),
                             QString::fromUtf8(childClass).toStdU16String(), index);
    }

    VirtualClock clock;
    SimDesktop desktop{clock};
    DesktopCallLog log{desktop, clock};
    WindowHandle monitor, quote, lookAlike, report;
    WindowHandle lists[3];
};

}  // namespace

TEST(TStockWinInfo, FindsItsChildByClassFirstThenByTitleAtTheGivenIndex) {
    Desk d;
    const struct {
        const char *main, *childTitle, *childClass;
        int index;
        WindowHandle expectedMain;
        WindowHandle expectedChild;
    } cases[] = {
        {"主力监控", "List1", "", 0, d.monitor, d.lists[0]},
        {"主力监控", "List1", "", 1, d.monitor, d.lists[0]},
        {"主力监控", "List1", "", 2, d.monitor, d.lists[1]},  // depth first: the nested one
        {"主力监控", "List1", "", 3, d.monitor, d.lists[2]},
        {"主力监控", "List1", "", 4, d.monitor, kNoWindow},
        {"东方通达信", "", "RICHEDIT", 0, d.quote, d.report},          // "RichEdit" is another class
        {"东方通达信", "资讯", "RICHEDIT", 0, d.quote, d.report},      // the class wins over the title
        {"东方通达信", "资讯", "RICHEDIT5", 0, d.quote, d.lookAlike},  // no class: the title
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.childTitle) + "/" + c.childClass + "/" + std::to_string(c.index));
        const TStockWinInfo info = d.info(c.main, c.childTitle, c.childClass, c.index);
        EXPECT_EQ(info.GetMainWindow(), c.expectedMain);
        EXPECT_EQ(info.GetChildWindow(), c.expectedChild);
    }
}

TEST(TStockWinInfo, SelectsNothingWithoutAMainTitleOrOnceTheWindowIsGone) {
    Desk d;
    TStockWinInfo nothing = d.info("", "List1", "RICHEDIT");
    TStockWinInfo quote = d.info("东方通达信", "", "RICHEDIT");
    EXPECT_EQ(nothing.GetMainWindow(), kNoWindow);
    EXPECT_EQ(nothing.GetChildWindow(), kNoWindow);
    d.log.take();
    EXPECT_FALSE(nothing.SelectMain());
    EXPECT_FALSE(nothing.SelectChild());
    nothing.MouseClickOnMain(1, 1);
    EXPECT_TRUE(d.log.take().empty());

    d.desktop.destroyWindow(d.quote);
    EXPECT_FALSE(quote.SelectMain());
    EXPECT_FALSE(quote.SelectChild());
    EXPECT_TRUE(d.log.take().empty());
}

// The first match from the foreground window down wins; one above it only after a wrap.
TEST(FindTopWindow, WalksTheZOrderFromTheForegroundWindow) {
    VirtualClock clock;
    SimDesktop desktop(clock);
    const auto make = [&](const QString& title) {
        return desktop.createWindow(kNoWindow, title, QStringLiteral("W"), {0, 0, 10, 10}, 0);
    };
    const WindowHandle lower = make(QStringLiteral("Match lower"));
    const WindowHandle middle = make(QStringLiteral("Match middle"));
    desktop.setForegroundWindow(middle);
    const WindowHandle above = make(QStringLiteral("Match above"));
    ASSERT_EQ(desktop.foregroundWindow(), middle);
    EXPECT_EQ(FindTopWindow(desktop, u"Match"), middle);
    EXPECT_EQ(FindTopWindow(desktop, u"above"), above);
    EXPECT_EQ(FindTopWindow(desktop, u"lower"), lower);
    EXPECT_EQ(FindTopWindow(desktop, u"match"), kNoWindow);  // case-sensitive
}

// Keys with a 10 ms pause after each event and one pump at the end; clicks where the
// window stood at the last refresh.
TEST(TStockWinInfo, SendsKeysAndClicksWithTheirPauses) {
    Desk d;
    TStockWinInfo quote = d.info("东方通达信", "", "RICHEDIT");
    d.log.take();
    quote.Press_Ctrl_Key(0x41);
    quote.Press_Keys(u"60");
    EXPECT_EQ(d.log.take(), (CallLog{"key+ 11", "sleep 10", "key+ 41", "sleep 10", "key- 41", "sleep 10",
                                     "key- 11", "sleep 10", "pump", "key+ 36", "sleep 10", "key- 36",
                                     "sleep 10", "key+ 30", "sleep 10", "key- 30", "sleep 10", "pump"}));

    const auto clickedAt = [&](int x, int y) {
        quote.MouseClickOnMain(x, y);
        for (const std::string& line : d.log.take()) {
            if (line.rfind("click ", 0) == 0)
                return line;
        }
        return std::string("no click");
    };
    EXPECT_EQ(clickedAt(40, 30), "click 40,30");
    d.desktop.moveWindow(d.quote, {200, 100, 1000, 700});
    EXPECT_EQ(clickedAt(40, 30), "click 40,30");
    EXPECT_EQ(quote.RefreshWinRect(), (WindowRect{200, 100, 1000, 700}));
    EXPECT_EQ(clickedAt(40, 30), "click 240,130");
}

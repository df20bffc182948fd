#include "automation/StockWindows.h"
#include "platform/sim/SimDesktop.h"
#include "support/DesktopCallLog.h"
#include "support/TestSupport.h"

using namespace quarrow;
using namespace quarrow::test;

namespace {

// A monitor window with three "List1" lists (the second nested a level deeper) and a quote
// window whose report view has a look-alike of another case before it.
struct Desk {
    WindowHandle make(WindowHandle parent, const char* title, const char* className) {
        return desktop.createWindow(parent, QString::fromUtf8(title), QString::fromUtf8(className),
                                    {100, 50, 500, 400}, 0);
    }
    TStockWinInfo info(const std::u16string& main, const std::u16string& title, const std::u16string& cls,
                       int index = 0) {
        return TStockWinInfo({log.desktop, log.clock, log.pump}, main, title, cls, index);
    }

    VirtualClock clock;
    SimDesktop desktop{clock};
    DesktopCallLog log{desktop, clock};
    WindowHandle monitor = make(kNoWindow, "主力监控总览", "#32770");
    WindowHandle list1 = make(monitor, "List1", "SysListView32");
    WindowHandle list2 = make(make(monitor, "", "Panel"), "List1", "SysListView32");
    WindowHandle list3 = make(monitor, "List1", "SysListView32");
    WindowHandle quote = make(kNoWindow, "东方通达信 - 行情", "TdxW");
    WindowHandle lookAlike = make(quote, "资讯", "RichEdit");
    WindowHandle report = make(quote, "", "RICHEDIT");
};

}  // namespace

TEST(TStockWinInfo, FindsItsChildByClassFirstThenByTitleAtTheGivenIndex) {
    Desk d;
    const struct {
        std::u16string main, childTitle, childClass;
        int index;
        WindowHandle expectedMain, expectedChild;
    } cases[] = {
        {u"", u"List1", u"RICHEDIT", 0, kNoWindow, kNoWindow},
        {u"主力监控", u"List1", u"", 0, d.monitor, d.list1},
        {u"主力监控", u"List1", u"", 1, d.monitor, d.list1},
        {u"主力监控", u"List1", u"", 2, d.monitor, d.list2},  // depth first
        {u"主力监控", u"List1", u"", 4, d.monitor, kNoWindow},
        {u"东方通达信", u"", u"RICHEDIT", 0, d.quote, d.report},  // "RichEdit" is another class
        {u"东方通达信", u"资讯", u"RICHEDIT", 0, d.quote, d.report},
        {u"东方通达信", u"资讯", u"RICHEDIT5", 0, d.quote, d.lookAlike},  // no class: by title
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        TStockWinInfo info = d.info(c.main, c.childTitle, c.childClass, c.index);
        EXPECT_EQ(info.GetMainWindow(), c.expectedMain);
        EXPECT_EQ(info.GetChildWindow(), c.expectedChild);
        EXPECT_EQ(info.SelectMain(), c.expectedMain != kNoWindow);
        EXPECT_EQ(info.SelectChild(), c.expectedChild != kNoWindow);
    }
    // Gone since the refresh: nothing is selected, nothing clicked.
    TStockWinInfo quote = d.info(u"东方通达信", u"", u"RICHEDIT");
    d.desktop.destroyWindow(d.quote);
    d.log.take();
    EXPECT_FALSE(quote.SelectMain());
    EXPECT_FALSE(quote.SelectChild());
    quote.MouseClickOnMain(1, 1);
    EXPECT_TRUE(d.log.take().empty());
}

// The first match from the foreground window down wins; one above it only after a wrap.
TEST(FindTopWindow, WalksTheZOrderFromTheForegroundWindow) {
    Desk d;
    const WindowHandle lower = d.make(kNoWindow, "Match lower", "W");
    const WindowHandle middle = d.make(kNoWindow, "Match middle", "W");
    d.desktop.setForegroundWindow(middle);
    const WindowHandle above = d.make(kNoWindow, "Match above", "W");
    ASSERT_EQ(d.desktop.foregroundWindow(), middle);
    EXPECT_EQ(FindTopWindow(d.desktop, u"Match"), middle);
    EXPECT_EQ(FindTopWindow(d.desktop, u"above"), above);
    EXPECT_EQ(FindTopWindow(d.desktop, u"lower"), lower);
    EXPECT_EQ(FindTopWindow(d.desktop, u"match"), kNoWindow);  // case-sensitive
}

// Keys with a 10 ms pause after each event and one pump at the end; clicks where the
// window stood at the last refresh.
TEST(TStockWinInfo, SendsKeysAndClicksWithTheirPauses) {
    Desk d;
    TStockWinInfo quote = d.info(u"东方通达信", u"", u"RICHEDIT");
    d.log.take();
    quote.Press_Ctrl_Key(0x41);
    quote.Press_Keys(u"60");
    EXPECT_EQ(d.log.take(), (CallLog{"key+ 11", "sleep 10", "key+ 41", "sleep 10", "key- 41", "sleep 10",
                                     "key- 11", "sleep 10", "pump", "key+ 36", "sleep 10", "key- 36",
                                     "sleep 10", "key+ 30", "sleep 10", "key- 30", "sleep 10", "pump"}));
    const auto clickedAt = [&] {
        quote.MouseClickOnMain(40, 30);
        const CallLog log = d.log.take();
        return *std::find_if(log.begin(), log.end(),
                             [](const std::string& l) { return l.rfind("click", 0) == 0; });
    };
    EXPECT_EQ(clickedAt(), "click 140,80");
    d.desktop.moveWindow(d.quote, {200, 100, 1000, 700});
    EXPECT_EQ(clickedAt(), "click 140,80");
    EXPECT_EQ(quote.RefreshWinRect(), (WindowRect{200, 100, 1000, 700}));
    EXPECT_EQ(clickedAt(), "click 240,130");
}

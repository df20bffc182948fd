#include "app/TextCodec.h"
#include "demo/QuoteFolderGenerator.h"
#include "platform/Shutdown.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimPlatform.h"
#include "platform/sim/SimQuoteProgram.h"
#include "platform/sim/SimSound.h"
#include "platform/sim/SimulatedLauncher.h"
#include "support/DesktopCallLog.h"
#include "support/FakeLauncher.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QString kTitle = QStringLiteral("华林证券网上交易");

QString text(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A quote folder with a report page for 600000 and 000002, none for 000001, and the user's
// hands on the keyboard: every key event takes 10 ms, as the automation's do.
struct QuoteDesk {
    explicit QuoteDesk(SimQuoteBehaviour behaviour = {}) {
        writeFile(home.file(QStringLiteral("sim/pages/600000.txt")),
                  "\xe2\x98\x86\xe9\xbe\x99\xe8\x99\x8e\xe6\xa6\x9c\xe5\x8d\x95\xe2\x98\x86 600000\r\nline "
                  "two\r\n");
        writeFile(home.file(QStringLiteral("sim/pages/000002.txt")),
                  "\xe2\x98\x86\xe9\xbe\x99\xe8\x99\x8e\xe6\xa6\x9c\xe5\x8d\x95\xe2\x98\x86 000002\r\n");
        writeFile(home.file(QStringLiteral("sim/names.txt")), "000001 \xe5\xb9\xb3\xe5\xae\x89\n");
        desktop.setQuoteBehaviour(behaviour);
        quote = &desktop.startQuoteProgram(home.path(), kTitle);
    }
    void key(std::uint8_t vk) {
        log.desktop.keyDown(vk);
        log.clock.sleep(10);
        log.desktop.keyUp(vk);
        log.clock.sleep(10);
    }
    void ctrl(std::uint8_t vk) {
        log.desktop.keyDown(VirtualKey::Control);
        log.desktop.keyDown(vk);
        log.desktop.keyUp(vk);
        log.desktop.keyUp(VirtualKey::Control);
    }
    void select(const QString& code) {
        desktop.setForegroundWindow(quote->mainWindow());
        for (QChar c : code)
            key(static_cast<std::uint8_t>(c.unicode()));
        waitForCodeInput();
        key(VirtualKey::Enter);
    }
    // The code-input window shows at most 150 ms after the first digit.
    void waitForCodeInput() {
        clock.advance(150);
        desktop.topWindow();
    }
    // Select all and copy, then what the clipboard holds ("-" for nothing).
    QString copy() {
        desktop.setFocus(quote->mainWindow());
        desktop.clearClipboard();
        ctrl('A');
        ctrl('C');
        const std::optional<std::u16string> clip = desktop.clipboardText();
        return clip ? text(*clip).section(QStringLiteral("\r\n"), 0, 0) : QStringLiteral("-");
    }

    TempHome home;
    VirtualClock clock;
    SimDesktop desktop{clock};
    DesktopCallLog log{desktop, clock};
    SimQuoteProgram* quote = nullptr;
};

bool hasDescendantOfClass(SimDesktop& desktop, WindowHandle window, const QString& className) {
    for (WindowHandle child : desktop.descendants(window)) {
        if (text(desktop.windowClass(child, 255)) == className)
            return true;
    }
    return false;
}

}  // namespace

// The windows the automation looks for, and the way a code is typed and selected.
TEST(SimQuoteProgram, ADigitOpensTheCodeInputWindowAndEnterSelectsTheCode) {
    QuoteDesk desk;
    SimDesktop& d = desk.desktop;
    const WindowHandle main = desk.quote->mainWindow();
    EXPECT_EQ(d.foregroundWindow(), main);
    EXPECT_TRUE(text(d.windowTitle(main, 255)).contains(kTitle));
    EXPECT_FALSE(text(d.windowTitle(main, 255)).contains(QStringLiteral("Tdx")));
    EXPECT_EQ(text(d.processName(d.windowProcessId(main), 100)), QStringLiteral("TdxW.exe"));
    const std::vector<WindowHandle> below = d.descendants(main);
    ASSERT_GT(below.size(), 1u);
    EXPECT_NE(text(d.windowClass(below.front(), 255)), QStringLiteral("RICHEDIT"));
    EXPECT_TRUE(hasDescendantOfClass(d, main, QStringLiteral("RICHEDIT")));
    EXPECT_EQ(&d.startQuoteProgram(desk.home.path(), QStringLiteral("other")), desk.quote);

    // The window takes its moment to show, a different one each time.
    desk.key('6');
    d.topWindow();
    EXPECT_EQ(desk.quote->codeInputWindow(), kNoWindow);
    desk.waitForCodeInput();
    const WindowHandle input = desk.quote->codeInputWindow();
    ASSERT_NE(input, kNoWindow);
    EXPECT_EQ(d.foregroundWindow(), input);
    EXPECT_TRUE(text(d.windowTitle(input, 255)).contains(QStringLiteral("Tdx")));
    EXPECT_EQ(text(d.windowClass(input, 255)), QStringLiteral("#32770"));
    EXPECT_TRUE(hasDescendantOfClass(d, input, QStringLiteral("Edit")));
    // Digits typed while the focus is back in the main window still go to the open box.
    d.setFocus(main);
    for (char c : std::string("00000"))
        desk.key(static_cast<std::uint8_t>(c));
    EXPECT_EQ(desk.quote->typedCode(), QStringLiteral("600000"));
    EXPECT_EQ(desk.quote->codeInputWindow(), input);

    d.setForegroundWindow(input);
    desk.key(VirtualKey::Enter);
    EXPECT_EQ(desk.quote->currentCode(), QStringLiteral("600000"));
    EXPECT_EQ(desk.quote->codeInputWindow(), kNoWindow);
    EXPECT_FALSE(d.windowRect(input));
    EXPECT_TRUE(d.windowTitle(input, 255).empty());
    EXPECT_EQ(d.foregroundWindow(), main);
    EXPECT_EQ(desk.quote->record().selectedCodes, QStringList{QStringLiteral("600000")});
}

// Ctrl+A, Ctrl+C put text on the clipboard only from a loaded information page that was
// selected after it loaded.
TEST(SimQuoteProgram, CopyYieldsThePageOnlyOnceItHasLoaded) {
    const QString report = QStringLiteral("☆龙虎榜单☆ 600000");
    const QString general = QStringLiteral("☆个股资料☆ ◇000001 平安◇");
    SimQuoteBehaviour slow;
    slow.slowCodes.insert(QStringLiteral("600000"), 2000);
    SimQuoteBehaviour never;
    never.neverLoads.insert(QStringLiteral("600000"));
    SimQuoteBehaviour nothing;
    nothing.copyNothing = true;
    const struct {
        const char* what;
        SimQuoteBehaviour behaviour;
        QString code;
        bool pressF10;
        int wait_ms;
        QString expected;
    } cases[] = {
        {"the chart copies as nothing", {}, QStringLiteral("600000"), false, 1000, QStringLiteral("-")},
        {"still loading", {}, QStringLiteral("600000"), true, 60, QStringLiteral("-")},
        {"loaded", {}, QStringLiteral("600000"), true, 150, report},
        {"no page file: the general page", {}, QStringLiteral("000001"), true, 150, general},
        {"a slow code still loading", slow, QStringLiteral("600000"), true, 1500, QStringLiteral("-")},
        {"a slow code loaded", slow, QStringLiteral("600000"), true, 2000, report},
        {"a page that never comes", never, QStringLiteral("600000"), true, 60000, QStringLiteral("-")},
        {"a clipboard that copies nothing", nothing, QStringLiteral("600000"), true, 1000,
         QStringLiteral("-")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QuoteDesk desk(c.behaviour);
        desk.select(c.code);
        if (c.pressF10)
            desk.key(VirtualKey::F10);
        desk.clock.advance(c.wait_ms - 20);  // the F10 key took 20 ms
        EXPECT_EQ(desk.copy(), c.expected);
    }
}

TEST(SimQuoteProgram, TheInformationPageStaysOpenFromStockToStock) {
    QuoteDesk desk;
    desk.select(QStringLiteral("600000"));
    desk.key(VirtualKey::F10);
    // Selected while it loads: the page that comes is not selected, so nothing is copied.
    desk.ctrl('A');
    desk.clock.advance(200);
    desk.ctrl('C');
    EXPECT_FALSE(desk.desktop.clipboardText());
    EXPECT_EQ(desk.copy(), QStringLiteral("☆龙虎榜单☆ 600000"));

    // Until the next stock's page has loaded, the view shows the stock before: that is
    // what a copy gets. A selection made then is gone once the new page shows.
    desk.select(QStringLiteral("000002"));
    EXPECT_EQ(desk.copy(), QStringLiteral("☆龙虎榜单☆ 600000"));
    desk.desktop.clearClipboard();
    desk.ctrl('A');
    desk.clock.advance(150);
    desk.ctrl('C');
    EXPECT_FALSE(desk.desktop.clipboardText());
    EXPECT_EQ(desk.copy(), QStringLiteral("☆龙虎榜单☆ 000002"));
    EXPECT_EQ(desk.quote->record().copies, 3);

    // An empty page selects nothing, and the copy leaves the clipboard as it was.
    writeFile(desk.home.file(QStringLiteral("sim/pages/000003.txt")), "");
    desk.select(QStringLiteral("000003"));
    desk.clock.advance(150);
    desk.desktop.setClipboardText(u"before");
    desk.ctrl('A');
    desk.ctrl('C');
    EXPECT_EQ(text(*desk.desktop.clipboardText()), QStringLiteral("before"));
}

TEST(SimQuoteProgram, AWrongPageComesFirstThenTheReport) {
    SimQuoteBehaviour behaviour;
    behaviour.wrongPageFirst.insert(QStringLiteral("600000"));
    QuoteDesk desk(behaviour);
    desk.select(QStringLiteral("600000"));
    desk.key(VirtualKey::F10);
    desk.clock.advance(200);
    EXPECT_TRUE(desk.copy().startsWith(QStringLiteral("☆个股资料☆")));
    desk.key(VirtualKey::F10);
    desk.clock.advance(200);
    EXPECT_EQ(desk.copy(), QStringLiteral("☆龙虎榜单☆ 600000"));
    // Once shown, the wrong page does not come again: a later selection shows the report.
    desk.select(QStringLiteral("600000"));
    desk.clock.advance(200);
    EXPECT_EQ(desk.copy(), QStringLiteral("☆龙虎榜单☆ 600000"));
}

TEST(SimQuoteProgram, ClipboardClearsFailAsManyTimesAsAsked) {
    SimQuoteBehaviour behaviour;
    behaviour.failingClipboardClears = 2;
    QuoteDesk desk(behaviour);
    EXPECT_EQ(desk.desktop.clearClipboard(), 5);
    EXPECT_EQ(desk.desktop.clearClipboard(), 5);
    EXPECT_EQ(desk.desktop.clearClipboard(), 0);
}

// The shell's notifications reach the listener when the program pumps its events, and the
// main window's end is one of them when the program vanishes.
TEST(SimQuoteProgram, NotificationsArriveOnPumpAndTheProgramCanVanish) {
    SimQuoteBehaviour behaviour;
    behaviour.vanishOnCodes.insert(QStringLiteral("000002"));
    behaviour.monitor = SimQuoteBehaviour::Monitor::Closed;  // its window would be announced too
    VirtualClock clock;
    SimDesktop desktop(clock);
    desktop.setQuoteBehaviour(behaviour);
    using Heard = std::vector<std::pair<WindowEvent, WindowHandle>>;
    Heard heard;
    std::vector<std::u16string> titles;  // as the listener reads them
    desktop.setWindowListener([&](WindowEvent event, WindowHandle window) {
        heard.emplace_back(event, window);
        titles.push_back(desktop.windowTitle(window, 250));
    });
    TempHome home;
    SimQuoteProgram& quote = desktop.startQuoteProgram(home.path(), kTitle);
    const WindowHandle main = quote.mainWindow();
    const std::uint32_t pid = quote.processId();
    EXPECT_TRUE(heard.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(heard, (Heard{{WindowEvent::Created, main}}));

    heard.clear();
    desktop.keyDown('0');
    clock.advance(150);  // the code-input window's moment
    desktop.topWindow();
    const WindowHandle input = quote.codeInputWindow();
    desktop.keyDown(VirtualKey::Enter);
    EXPECT_EQ(desktop.pendingNotifications(), 2u);
    desktop.deliverNotifications();
    EXPECT_EQ(heard, (Heard{{WindowEvent::Created, input}, {WindowEvent::Destroyed, input}}));
    QCoreApplication::processEvents();  // delivered once only
    EXPECT_EQ(heard.size(), 2u);

    heard.clear();
    for (char c : std::string("000002"))
        desktop.keyDown(static_cast<std::uint8_t>(c));
    clock.advance(150);
    desktop.keyDown(VirtualKey::Enter);
    EXPECT_EQ(desktop.quoteProgram(), nullptr);
    EXPECT_FALSE(desktop.windowRect(main));
    EXPECT_TRUE(desktop.processName(pid, 100).empty());
    QCoreApplication::processEvents();
    // The code-input window came and went, then the main window went.
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[2], std::make_pair(WindowEvent::Destroyed, main));
    // Told of a window about to go, the listener still reads its title; afterwards not.
    EXPECT_EQ(QString::fromStdU16String(titles.back()).left(kTitle.size()), kTitle);
    EXPECT_TRUE(desktop.windowTitle(main, 250).empty());
    EXPECT_NE(desktop.foregroundWindow(), main);

    // Started again, it is a new process with new windows.
    SimQuoteProgram& again = desktop.startQuoteProgram(home.path(), kTitle);
    EXPECT_NE(again.mainWindow(), main);
    EXPECT_NE(again.processId(), pid);
}

TEST(SimQuoteProgram, ItsBehaviourFileIsReadWhenItStarts) {
    TempHome home;
    writeFile(
        home.file(QStringLiteral("sim/behaviour.ini")),
        "# misbehaviour for the demo\n[behaviour]\nloadtime = 300\nSlowCodes = 600000:2000, 000001:900\n"
        "NeverLoads=600004 600005\nWrongPageFirst = 600006 ; the general page first\nCopyNothing=1\n"
        "FailingClipboardClears=3\nVanishOnCode=600010\nLoadTime=oops\n");
    VirtualClock clock;
    SimDesktop desktop(clock);
    const SimQuoteBehaviour& b = desktop.startQuoteProgram(home.path(), kTitle).behaviour();
    EXPECT_EQ(b.loadTime_ms, 300);
    EXPECT_EQ(b.slowCodes.value(QStringLiteral("600000")), 2000);
    EXPECT_EQ(b.slowCodes.value(QStringLiteral("000001")), 900);
    EXPECT_EQ(b.neverLoads, (QSet<QString>{QStringLiteral("600004"), QStringLiteral("600005")}));
    EXPECT_EQ(b.wrongPageFirst, QSet<QString>{QStringLiteral("600006")});
    EXPECT_TRUE(b.copyNothing);
    EXPECT_EQ(b.failingClipboardClears, 3);
    EXPECT_EQ(b.vanishOnCodes, QSet<QString>{QStringLiteral("600010")});
    EXPECT_EQ(desktop.clearClipboard(), 5);
}

// The automation's key sequence as the call log records it.
TEST(SimQuoteProgram, TheCallLogRecordsKeysWaitsAndClipboard) {
    QuoteDesk desk;
    desk.log.take();
    desk.key('1');
    desk.log.desktop.setCursorPos(100, 200);
    desk.log.desktop.leftClick();
    desk.log.desktop.setForegroundWindow(desk.quote->mainWindow());
    desk.log.desktop.clearClipboard();
    desk.log.desktop.clipboardText();
    desk.log.pump.processEvents();
    EXPECT_EQ(desk.log.take(),
              (CallLog{"key+ 31", "sleep 10", "key- 31", "sleep 10", "cursor 100,200", "click 100,200",
                       "foreground " + (kTitle + QStringLiteral(" - [分析图表]")).toStdString(), "clear",
                       "paste none", "pump"}));
}

// The generated quote folder through the program's own text rules: GBK and UTF-8 pages
// both copy as the report, a stock without a page shows the general one with its name.
TEST(SimQuoteProgram, ShowsTheGeneratedFolderAsTheRealOneWould) {
    TempHome home;
    QuoteFolderOptions options;
    options.stockCount = 40;
    options.barCount = 30;
    const QuoteFolderGenerator generator(options);
    ASSERT_TRUE(generator.write(home.path()));
    const GeneratedQuoteFolder plan = generator.plan();

    VirtualClock clock;
    SimDesktop desktop(clock);
    desktop.setPageDecoder([](const QByteArray& bytes) { return TextCodec::decode(bytes); });
    SimQuoteProgram& quote = desktop.startQuoteProgram(home.path(), kTitle);
    bool first = true;
    for (const GeneratedQuoteStock& stock : plan.stocks) {
        SCOPED_TRACE(stock.key.toStdString());
        const QString code = stock.key.mid(2);
        desktop.setForegroundWindow(quote.mainWindow());
        for (QChar c : code)
            desktop.keyDown(static_cast<std::uint8_t>(c.unicode()));
        clock.advance(150);  // the code-input window's moment
        desktop.keyDown(VirtualKey::Enter);
        if (first)
            desktop.keyDown(VirtualKey::F10);
        first = false;
        clock.advance(150);
        desktop.keyDown(VirtualKey::Control);
        desktop.keyDown('A');
        desktop.keyDown('C');
        desktop.keyUp(VirtualKey::Control);
        const std::optional<std::u16string> clip = desktop.clipboardText();
        ASSERT_TRUE(clip);
        const QStringList lines = text(*clip).split(QStringLiteral("\r\n"));
        if (stock.hasReportPage) {
            EXPECT_EQ(lines.mid(0, lines.size() - 1), generator.reportPage(plan, stock)->lines);
        } else {
            EXPECT_FALSE(lines.first().contains(QStringLiteral("☆龙虎榜单☆")));
            EXPECT_TRUE(lines.first().contains(code + QLatin1Char(' ') + stock.name));
        }
    }
}

// "TdxW.exe" starts the simulated program and its wait passes on the clock; other programs
// go to the real launcher.
TEST(SimulatedLauncher, StartsTheQuoteProgramAndWaitsOnTheClock) {
    TempHome home;
    writeFile(home.file(QStringLiteral("TdxW.exe")), "placeholder");
    VirtualClock clock;
    SimDesktop desktop(clock);
    FakeLauncher real;
    SimulatedLauncher launcher(desktop, clock, real, [] { return QStringLiteral("东方通达信"); });

    EXPECT_EQ(launcher.run(home.file(QStringLiteral("missing/TdxW.exe")), {}, home.path(), 15000,
                           WhenTimedOut::LeaveRunning),
              LaunchResult::FailedToStart);
    EXPECT_EQ(desktop.quoteProgram(), nullptr);

    EXPECT_EQ(launcher.run(home.path() + QStringLiteral("\\TdxW.exe"), {}, home.path(), 15000,
                           WhenTimedOut::LeaveRunning),
              LaunchResult::TimedOut);
    EXPECT_EQ(clock.elapsedMs(), 15000);
    ASSERT_NE(desktop.quoteProgram(), nullptr);
    EXPECT_EQ(QDir(desktop.quoteProgram()->folder()), QDir(home.path()));
    EXPECT_TRUE(text(desktop.windowTitle(desktop.quoteProgram()->mainWindow(), 255))
                    .startsWith(QStringLiteral("东方通达信")));
    EXPECT_TRUE(real.calls.isEmpty());

    writeFile(home.file(QStringLiteral("lower/tdxw.EXE")), "placeholder");
    EXPECT_EQ(
        launcher.run(home.file(QStringLiteral("lower/tdxw.EXE")), {}, home.path(), 500, WhenTimedOut::End),
        LaunchResult::TimedOut);
    EXPECT_EQ(desktop.quoteProgram(), nullptr);

    EXPECT_EQ(
        launcher.run(QStringLiteral("RAR.exe"), {QStringLiteral("A")}, home.path(), 15000, WhenTimedOut::End),
        LaunchResult::Finished);
    ASSERT_EQ(real.calls.size(), 1);
    EXPECT_EQ(real.calls[0].program, QStringLiteral("RAR.exe"));
}

// The simulated bundle: its options reach the clock, the launcher and the pages, and the
// system services it is not given are simulated.
TEST(SimPlatform, WiresItsOptionsThrough) {
    TempHome home;
    writeFile(home.file(QStringLiteral("TdxW.exe")), "placeholder");
    writeFile(home.file(QStringLiteral("sim/pages/999999.txt")), "bytes");
    const QDateTime start(QDate(2017, 3, 16), QTime(20, 0));
    PlatformOptions options;
    options.virtualClockStart = start;
    options.decodeText = [](const QByteArray& bytes) {
        return QStringLiteral("decoded ") + QString::fromLatin1(bytes);
    };
    options.quoteWindowTitle = [] { return QStringLiteral("东方通达信"); };
    const auto sim = std::make_unique<SimPlatform>(options);
    Platform* platform = sim.get();
    EXPECT_EQ(&platform->desktop(), &sim->simDesktop());
    EXPECT_NE(dynamic_cast<SimulatedShutdown*>(&platform->shutdown()), nullptr);
    EXPECT_EQ(platform->launcher().run(home.file(QStringLiteral("TdxW.exe")), {}, home.path(), 15000,
                                       WhenTimedOut::LeaveRunning),
              LaunchResult::TimedOut);
    EXPECT_EQ(platform->clock().now(), start.addSecs(15));
    SimQuoteProgram* quote = sim->simDesktop().quoteProgram();
    ASSERT_NE(quote, nullptr);
    EXPECT_TRUE(text(platform->desktop().windowTitle(quote->mainWindow(), 255))
                    .startsWith(QStringLiteral("东方通达信")));
    platform->desktop().setForegroundWindow(quote->mainWindow());
    platform->desktop().keyDown(VirtualKey::F10);  // the information page of the index it opens on
    platform->clock().sleep(150);
    EXPECT_EQ(quote->pageText(), QStringLiteral("decoded bytes"));
}

TEST(SimSound, RecordsCallsAndCompletesOnlyWhenTold) {
    TempHome home;
    writeFile(home.file(QStringLiteral("alarm.mp3")), "ID3");
    SimSound sound;
    std::vector<std::uint16_t> completed;
    sound.setCompletionListener([&](std::uint16_t device) { completed.push_back(device); });
    std::uint16_t device = 0;
    const int missing = sound.open(home.file(QStringLiteral("none.mp3")).toStdU16String(), &device);
    EXPECT_NE(missing, 0);
    EXPECT_FALSE(sound.errorText(missing).empty());
    ASSERT_EQ(sound.open(home.file(QStringLiteral("alarm.mp3")).toStdU16String(), &device), 0);
    EXPECT_NE(device, 0);
    std::uint32_t length = 0;
    EXPECT_EQ(sound.length(device, &length), 0);
    EXPECT_GT(length, 0u);
    EXPECT_EQ(sound.play(device), 0);
    SoundMode mode = SoundMode::Unknown;
    EXPECT_EQ(sound.mode(device, &mode), 0);
    EXPECT_EQ(mode, SoundMode::Playing);
    QCoreApplication::processEvents();
    EXPECT_TRUE(completed.empty());
    sound.finishPlaying(device);
    EXPECT_TRUE(completed.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(completed, std::vector<std::uint16_t>{device});
    EXPECT_EQ(sound.mode(device, &mode), 0);
    EXPECT_EQ(mode, SoundMode::Stopped);
    EXPECT_EQ(sound.close(device), 0);
    EXPECT_NE(sound.play(device), 0);

    EXPECT_TRUE(sound.openMidi());
    sound.sendMidi(0x403C90);
    sound.closeMidi();
    const std::vector<std::string> tail(sound.calls().end() - 3, sound.calls().end());
    EXPECT_EQ(tail, (std::vector<std::string>{"midi open", "midi send 403C90", "midi close"}));
}

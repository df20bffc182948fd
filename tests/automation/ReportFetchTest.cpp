#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "automation/ReportFetch.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimQuoteProgram.h"
#include "platform/sim/SimSound.h"
#include "support/DesktopCallLog.h"
#include "support/FakeLauncher.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <algorithm>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QString kTitle = QStringLiteral("东方通达信");

// The quote program with report pages for 600000 and 600006, an empty page for 600020 and
// none for 000001 (its general page shows), found by the program's windows.
struct Fetcher {
    explicit Fetcher(SimQuoteBehaviour behaviour = {}) {
        QDir().mkpath(home.file(QStringLiteral("sim/pages")));
        for (const QString& code :
             {QStringLiteral("600000"), QStringLiteral("600006"), QStringLiteral("600020")}) {
            QFile page(home.file(QStringLiteral("sim/pages/%1.txt").arg(code)));
            EXPECT_TRUE(page.open(QIODevice::WriteOnly));
            if (code != QLatin1String("600020"))
                page.write(QStringLiteral("☆龙虎榜单☆ %1\r\n第二行\r\n").arg(code).toUtf8());
        }
        desktop.setQuoteBehaviour(behaviour);
        quote = &desktop.startQuoteProgram(home.path(), kTitle);
        windows.setSetup({home.path(), kTitle, QStringLiteral("TdxW.exe"), false, QString()});
        windows.discover(false);
        log.take();
    }
    // The code selected with its information page showing, as a user leaves it.
    void showInformationPage(const char* code) {
        desktop.setForegroundWindow(quote->mainWindow());
        for (const char* c = code; *c; ++c)
            desktop.keyDown(static_cast<std::uint8_t>(*c));
        clock.advance(150);  // the code-input window's moment
        desktop.keyDown(VirtualKey::Enter);
        desktop.keyDown(VirtualKey::F10);
        clock.advance(200);
        log.take();
    }
    long count(const std::string& line) const { return std::count(log.log.begin(), log.log.end(), line); }
    // The log in short: no 10 ms key pauses, restores or focus changes, a key pressed and
    // released at once as its code alone.
    std::string keysAndWaits() const {
        std::string text;
        for (std::size_t i = 0; i < log.log.size(); ++i) {
            const std::string& line = log.log[i];
            if (line == "sleep 10" || line.rfind("restore ", 0) == 0 || line.rfind("focus ", 0) == 0)
                continue;
            const bool stroke = line.rfind("key+ ", 0) == 0 && i + 2 < log.log.size() &&
                                log.log[i + 2] == "key- " + line.substr(5);
            text += (text.empty() ? "" : " ") + (stroke ? line.substr(5) : line);
            i += stroke ? 3 : 0;
        }
        return text;
    }

    TempHome home;
    VirtualClock clock;
    SimDesktop desktop{clock};
    DesktopCallLog log{desktop, clock};
    RecordingFrame frame;
    FakeLauncher launcher;
    QuoteWindows windows{log.desktop, log.clock, frame, launcher};
    SimSound sound;
    FailureBeep beep{sound};
    ReportFetch fetcher{windows, frame, log.clock, log.desktop, beep};
    const ReportFetch::State& state() const { return fetcher.state(); }
    // Presets what an earlier fetch left.
    void preset(const std::function<void(ReportFetch::State&)>& change) {
        ReportFetch::State state = fetcher.state();
        change(state);
        fetcher.setState(state);
    }
    SimQuoteProgram* quote = nullptr;
};

}  // namespace

TEST(ReportFetch, TypesTheCodeOpensThePageAndCopiesItOnce) {
    Fetcher f;
    const std::string main =
        "foreground " +
        QString::fromStdU16String(f.desktop.windowTitle(f.quote->mainWindow(), 255)).toStdString();
    const FetchOutcome outcome = f.fetcher.fetch(QStringLiteral("600000"), FetchSender::MiningRun, 0);
    EXPECT_TRUE(outcome.captured);
    EXPECT_EQ(outcome.lines, (QStringList{QStringLiteral("☆龙虎榜单☆ 600000"), QStringLiteral("第二行")}));
    EXPECT_EQ(f.frame.capture, outcome.lines);
    EXPECT_EQ(f.state().fetchFailed, 0);
    EXPECT_EQ(f.keysAndWaits(),
              main + " 36 30 30 30 30 30 sleep 50 foreground Tdx 键盘精灵 0D sleep 200 " + main +
                  " clear 79 sleep 250 key+ 11 41 key- 11 key+ 11 43 key- 11 sleep 50 paste");
}

// The code is not typed again when the run typed it ahead (unscreened only), F10 is pressed
// only after a failure, and the button starts afresh.
TEST(ReportFetch, SkipsWhatTheQuoteProgramAlreadyShows) {
    const struct {
        FetchSender sender;
        const char* lastSelected;
        int percent;
        int fetchFailed;
        long digits;
        long f10;
    } cases[] = {
        {FetchSender::MiningRun, "600000", 0, 0, 0, 0}, {FetchSender::MiningRun, "600000", 20, 0, 1, 0},
        {FetchSender::MiningRun, "600000", 0, 1, 0, 1}, {FetchSender::MiningRun, "", 0, 0, 1, 0},
        {FetchSender::Button, "600000", 0, 0, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(&c - cases));
        Fetcher f;
        f.showInformationPage("600000");
        f.preset([&](ReportFetch::State& state) {
            state.lastSelectedCode = QLatin1String(c.lastSelected);
            state.fetchFailed = c.fetchFailed;
        });
        EXPECT_TRUE(f.fetcher.fetch(QStringLiteral("600000"), c.sender, c.percent).captured);
        EXPECT_EQ(f.count("key+ 36"), c.digits);
        EXPECT_EQ(f.count("key+ 0D"), c.digits);
        EXPECT_EQ(f.count("key+ 79"), c.f10);
        EXPECT_EQ(f.state().fetchFailed, 0);
        EXPECT_TRUE(f.state().lastSelectedCode.isEmpty());
    }
}

TEST(ReportFetch, AsksOnceWhenTheQuoteProgramShowsAnotherPage) {
    SimQuoteBehaviour wrongFirst;
    wrongFirst.wrongPageFirst.insert(QStringLiteral("600006"));
    const struct {
        const char* code;
        MessageAnswer answer;
        bool captured;
        int copies;
        int wrongPages;
    } cases[] = {
        {"600006", MessageAnswer::Yes, true, 2, 0},
        {"000001", MessageAnswer::Yes, false, 2, 3},  // the second miss asks nothing
        {"600006", MessageAnswer::No, false, 1, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.code) + (c.answer == MessageAnswer::Yes ? " Yes" : " No"));
        Fetcher f(wrongFirst);
        f.preset([](ReportFetch::State& state) { state.wrongPages = 2; });
        f.frame.answers = {c.answer, c.answer};
        const QString code = QLatin1String(c.code);
        EXPECT_EQ(f.fetcher.fetch(code, FetchSender::MiningRun, 0).captured, c.captured);
        EXPECT_EQ(f.quote->record().copies, c.copies);
        ASSERT_EQ(f.frame.messages.size(), 1);
        EXPECT_EQ(f.frame.messages[0].question, Question::FetchWrongPage);
        EXPECT_EQ(
            f.frame.countLogs(QStringLiteral("\t抓取的") + code + QStringLiteral("的报告不是☆龙虎榜单☆")),
            c.captured ? 1 : c.copies);
        EXPECT_EQ(f.state().wrongPages, c.wrongPages);
        EXPECT_EQ(f.state().fetchFailed, c.captured ? 0 : 1);
    }
}

TEST(ReportFetch, NothingCopiedInTwoAttemptsBeepsAndLogsTheFailure) {
    SimQuoteBehaviour nothing;
    nothing.copyNothing = true;
    Fetcher f(nothing);
    const FetchOutcome outcome = f.fetcher.fetch(QStringLiteral("600000"), FetchSender::MiningRun, 0);
    EXPECT_TRUE(outcome.attempted);
    EXPECT_FALSE(outcome.captured);
    EXPECT_EQ(f.count("key+ 79"), 2);
    EXPECT_EQ(f.count("sleep 250"), 1);
    EXPECT_EQ(f.count("sleep 350"), 1);
    // Each attempt copies again for as long as a slow page may take to show.
    EXPECT_GE(f.clock.elapsedMs(), 2 * 5000);
    EXPECT_GT(f.count("key+ 41"), 6);
    EXPECT_EQ(f.count("key+ 43"), f.count("key+ 41"));
    EXPECT_EQ(std::count(f.sound.calls().begin(), f.sound.calls().end(), "midi send 403C90"), 1);
    EXPECT_TRUE(f.frame.hasLog(QStringLiteral("\t600000☆龙虎榜单☆抓取失败!"), LogColor::Red));
    EXPECT_EQ(f.frame.statusPanel(StatusPanel::FetchTries), QStringLiteral("10"));
    EXPECT_EQ(f.state().fetchFailed, 1);
}

TEST(ReportFetch, RetriesAClipboardThatWillNotClearAtMostSixTimes) {
    for (const int failing : {3, 9}) {
        SCOPED_TRACE(failing);
        SimQuoteBehaviour behaviour;
        behaviour.failingClipboardClears = failing;
        Fetcher f(behaviour);
        QStringList panels;
        f.frame.onProcessEvents = [&] { panels << f.frame.statusPanel(StatusPanel::FetchTries); };
        EXPECT_TRUE(f.fetcher.fetch(QStringLiteral("600000"), FetchSender::MiningRun, 0).captured);
        const int errors = std::min(failing, 6);
        EXPECT_EQ(f.count("clear 5"), errors);
        EXPECT_EQ(f.count("clear"), failing < 6 ? 1 : 0);
        EXPECT_EQ(f.frame.countLogs(QStringLiteral("\tClipboard Error:5")), errors);
        EXPECT_TRUE(panels.contains(QStringLiteral("-X-")));
    }
}

TEST(ReportFetch, AQuoteProgramThatVanishesGetsNoFurtherKeysAndAnEmptyPageCopiesNothing) {
    SimQuoteBehaviour vanish;
    vanish.vanishOnCodes.insert(QStringLiteral("600010"));
    Fetcher f(vanish);
    EXPECT_FALSE(f.fetcher.fetch(QStringLiteral("600010"), FetchSender::MiningRun, 0).attempted);
    EXPECT_EQ(f.desktop.quoteProgram(), nullptr);
    // Nothing after the Enter that ended it but the wait for the code to load.
    EXPECT_TRUE(
        f.keysAndWaits().ends_with(" 36 30 30 30 31 30 sleep 50 foreground Tdx 键盘精灵 0D sleep 200"));

    // An empty page selects nothing: the clipboard keeps what it had, and nothing is captured.
    Fetcher empty;
    const FetchOutcome outcome = empty.fetcher.fetch(QStringLiteral("600020"), FetchSender::MiningRun, 0);
    EXPECT_FALSE(outcome.captured);
    EXPECT_TRUE(outcome.lines.isEmpty());
    EXPECT_EQ(empty.state().fetchFailed, 1);
}

// Some rich-text copies end every line twice; such a page is the same page. A blank line of
// a plain page stays one.
TEST(ReportFetch, PastedTextSplitsIntoTheLinesThePageHas) {
    const struct {
        QString text;
        QStringList lines;
    } cases[] = {
        {QStringLiteral("a\r\nb\r\n"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\r\r\nb\r\r\n"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\n\rb\n\r"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\r\n\r\nb"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {QStringLiteral("a\nb\rc"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(memoLines(c.text), c.lines) << c.text.toStdString();
}

// Watched, the question about a page that is not the report offers an answer for the rest of
// the run; nobody watching, it counts down to skipping the stock.
TEST(ReportFetch, TheWrongPageQuestionFitsWhoWatches) {
    const struct {
        bool unattended;
        MessageAnswer answer;
        MessageButtons buttons;
        int timeout_s;
        int asked;  // of two stocks that show another page
    } cases[] = {
        {false, MessageAnswer::NoToAll, MessageButtons::YesNoToAll, 0, 1},
        {false, MessageAnswer::No, MessageButtons::YesNoToAll, 0, 2},
        {true, MessageAnswer::No, MessageButtons::YesNo, kUnattendedQuestion_s, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Fetcher f;
        f.fetcher.beginRun(c.unattended);
        if (!c.unattended)
            f.frame.answers = {c.answer, c.answer};
        for (const QString& code : {QStringLiteral("000001"), QStringLiteral("000002")})
            EXPECT_FALSE(f.fetcher.fetch(code, FetchSender::MiningRun, 20).captured);
        ASSERT_EQ(f.frame.messages.size(), c.asked);
        EXPECT_EQ(f.frame.messages.first().buttons, c.buttons);
        EXPECT_EQ(f.frame.messages.first().timeout_s, c.timeout_s);
        EXPECT_EQ(f.state().wrongPages, 2);
    }
}

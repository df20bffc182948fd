// Mines a generated simulated market on the virtual clock, once unscreened and once
// screened, and prints per run: our own CPU time per stock (on the virtual clock the
// waits cost nothing, so the process CPU time is all ours), the simulated time per stock
// against the waits the fetch's steps ask for, the memory along the run, and what a real
// full-market run would take.
//
// usage: bench_mining [--stocks N] [--bars N] [--percent P] [--keep DIR]

#include "BenchSupport.h"

#include "app/ProgramFolder.h"
#include "app/Settings.h"
#include "app/SystemSetup.h"
#include "app/TextCodec.h"
#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "automation/ReportFetch.h"
#include "demo/QuoteFolderGenerator.h"
#include "mining/MiningRun.h"
#include "mining/MiningSchedule.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/NetworkState.h"
#include "platform/ProcessLauncher.h"
#include "platform/Shutdown.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimQuoteProgram.h"
#include "platform/sim/SimSound.h"
#include "platform/sim/SimulatedLauncher.h"
#include "quotefiles/ExchangeRules.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"
#include "quotefiles/StockListLoader.h"
#include "store/DataBase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

// The waits the fetch's steps ask for.
constexpr int kKeyPause_ms = 10;         // after every key event
constexpr int kAfterDigits_ms = 50;      // after a code's digits
constexpr int kAfterEnter_ms = 200;      // after Enter in the code-input window
constexpr int kFirstF10_ms = 250;        // after F10 on a fetch's first attempt
constexpr int kSecondF10_ms = 350;       // after F10 on its second
constexpr int kClipboardPoll_ms = 50;    // before each look at the clipboard
constexpr int kClipboardRetry_ms = 100;  // after a clear of the clipboard failed

using WaitCounts = std::map<int, long>;  // wait length in ms → how many

long long totalOf(const WaitCounts& waits) {
    long long sum = 0;
    for (const auto& [length, count] : waits)
        sum += static_cast<long long>(length) * count;
    return sum;
}

// The virtual clock with every wait noted by its length.
class CountingClock final : public Clock {
public:
    QDateTime now() const override { return m_clock.now(); }
    qint64 elapsedMs() const override { return m_clock.elapsedMs(); }
    void sleep(int delay_ms) override {
        ++waits[delay_ms];
        m_clock.sleep(delay_ms);
    }

    WaitCounts waits;

private:
    VirtualClock m_clock;
};

// What the automation did to the desktop, from which follow the waits the fetch's steps
// ask for, independently of the waits it made.
struct DesktopEvents {
    long keyEvents = 0;
    long codesTyped = 0;  // runs of digits
    long enters = 0;
    // The next stock's code typed (and entered) while the current report is stored, as
    // the run counts them: no waits of its own.
    long codesTypedAhead = 0;
    long reminderF10s = 0;  // the start's F10, before any fetch: no wait of its own
    long firstF10s = 0;
    long secondF10s = 0;
    long clipboardLooks = 0;
    long failedClears = 0;  // those waited after (not the last of a fetch's six)

    DesktopEvents since(const DesktopEvents& before) const {
        DesktopEvents d;
        d.keyEvents = keyEvents - before.keyEvents;
        d.codesTyped = codesTyped - before.codesTyped;
        d.enters = enters - before.enters;
        d.codesTypedAhead = codesTypedAhead - before.codesTypedAhead;
        d.reminderF10s = reminderF10s - before.reminderF10s;
        d.firstF10s = firstF10s - before.firstF10s;
        d.secondF10s = secondF10s - before.secondF10s;
        d.clipboardLooks = clipboardLooks - before.clipboardLooks;
        d.failedClears = failedClears - before.failedClears;
        return d;
    }

    WaitCounts requiredWaits() const {
        WaitCounts required;
        const auto add = [&](int length, long count) {
            if (count > 0)
                required[length] += count;
        };
        add(kKeyPause_ms, keyEvents);
        add(kAfterDigits_ms, codesTyped - codesTypedAhead);
        add(kClipboardPoll_ms, clipboardLooks);
        add(kAfterEnter_ms, enters - codesTypedAhead);
        add(kFirstF10_ms, firstF10s);
        add(kSecondF10_ms, secondF10s);
        add(kClipboardRetry_ms, failedClears);
        return required;
    }
};

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The simulated desktop with the automation's events counted.
class CountingDesktop final : public Desktop {
public:
    explicit CountingDesktop(SimDesktop& desktop) : m_desktop(desktop) {}

    DesktopEvents events;
    // What the simulated quote program spends answering the keys (reading and decoding its
    // page files, putting them on the clipboard): the quote program's CPU, not ours.
    double simulatorCpuSeconds = 0;

    WindowHandle foregroundWindow() override { return m_desktop.foregroundWindow(); }
    WindowHandle windowBelow(WindowHandle window) override { return m_desktop.windowBelow(window); }
    WindowHandle topWindow() override { return m_desktop.topWindow(); }
    std::u16string windowTitle(WindowHandle window, std::size_t maxChars) override {
        return m_desktop.windowTitle(window, maxChars);
    }
    std::u16string windowClass(WindowHandle window, std::size_t maxChars) override {
        return m_desktop.windowClass(window, maxChars);
    }
    std::vector<WindowHandle> descendants(WindowHandle window) override {
        return m_desktop.descendants(window);
    }
    std::optional<WindowRect> windowRect(WindowHandle window) override {
        return m_desktop.windowRect(window);
    }
    int windowDpi(WindowHandle window) override { return m_desktop.windowDpi(window); }
    bool inputReaches(WindowHandle window) override { return m_desktop.inputReaches(window); }
    void restoreWindow(WindowHandle window) override { m_desktop.restoreWindow(window); }
    void setForegroundWindow(WindowHandle window) override { m_desktop.setForegroundWindow(window); }
    void setFocus(WindowHandle window) override { m_desktop.setFocus(window); }

    void keyDown(std::uint8_t virtualKey) override {
        ++events.keyEvents;
        const bool digit = virtualKey >= '0' && virtualKey <= '9';
        if (digit && !m_lastDownWasDigit) {
            ++events.codesTyped;
        }
        m_lastDownWasDigit = digit;
        if (virtualKey == VirtualKey::Enter)
            ++events.enters;
        if (virtualKey == VirtualKey::F10) {
            // A fetch clears the clipboard before its first F10; its second F10 follows the
            // looks of a copy that failed.
            if (!m_clearedOnce)
                ++events.reminderF10s;
            else if (m_looksSinceClear == 0)
                ++events.firstF10s;
            else
                ++events.secondF10s;
        }
        const double start = threadCpuSeconds();
        m_desktop.keyDown(virtualKey);
        simulatorCpuSeconds += threadCpuSeconds() - start;
    }
    void keyUp(std::uint8_t virtualKey) override {
        ++events.keyEvents;
        m_desktop.keyUp(virtualKey);
    }
    void setCursorPos(int x, int y) override { m_desktop.setCursorPos(x, y); }
    void leftClick() override { m_desktop.leftClick(); }

    int clearClipboard() override {
        const int error = m_desktop.clearClipboard();
        if (error != 0) {
            if (++m_failuresInRow < 6)
                ++events.failedClears;
        } else {
            m_failuresInRow = 0;
            m_clearedOnce = true;
            m_looksSinceClear = 0;
        }
        return error;
    }
    bool setClipboardText(const std::u16string& text) override { return m_desktop.setClipboardText(text); }
    std::optional<std::u16string> clipboardText() override {
        ++events.clipboardLooks;
        ++m_looksSinceClear;
        return m_desktop.clipboardText();
    }

    std::uint32_t windowProcessId(WindowHandle window) override { return m_desktop.windowProcessId(window); }
    std::u16string processName(std::uint32_t processId, std::size_t maxChars) override {
        return m_desktop.processName(processId, maxChars);
    }
    void setWindowListener(WindowListener listener) override {
        m_desktop.setWindowListener(std::move(listener));
    }
    std::size_t listViewRowCount(WindowHandle listView) override {
        return m_desktop.listViewRowCount(listView);
    }
    std::vector<std::vector<std::u16string>> readListView(WindowHandle listView,
                                                          std::size_t maxRows) override {
        return m_desktop.readListView(listView, maxRows);
    }

private:
    SimDesktop& m_desktop;
    bool m_lastDownWasDigit = false;
    bool m_clearedOnce = false;
    long m_looksSinceClear = 0;
    int m_failuresInRow = 0;
};

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct CpuSplit {
    double user = 0;
    double system = 0;
};

CpuSplit cpuSplit() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) * 1e-6,
            static_cast<double>(usage.ru_stime.tv_sec) + static_cast<double>(usage.ru_stime.tv_usec) * 1e-6};
}

long peakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The heap in use as it stands: what the program holds, apart from mapped files and pages
// the allocator keeps.
long heapInUseKb() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
}

// The resident set as it stands (ru_maxrss only ever grows).
long residentKb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

QString clockText(double seconds) {
    const long long whole = static_cast<long long>(seconds + 0.5);
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

// One mining run with everything wired as the command line wires it, in a fresh program
// folder, the quote program already running as its user keeps it.
// A run's simulated time, nothing when it failed. percent < 0: screened by the exchanges'
// own listing rules.
std::optional<qint64> mine(const QString& quote, const QString& home, int percent) {
    QDir(home).removeRecursively();
    QDir().mkpath(home);
    const ProgramFolder folder(home);

    SilentFrame frame;
    frame.yesTo = {Question::MiningF10Reminder, Question::MiningFreshness};
    frame.pumpEvents = true;
    CountingClock clock;
    SimDesktop simDesktop(clock);
    simDesktop.setPageDecoder([](const QByteArray& bytes) { return TextCodec::decode(bytes); });
    CountingDesktop desktop(simDesktop);
    SimSound sound;
    SystemProcessLauncher realLauncher;
    SimulatedLauncher launcher(simDesktop, clock, realLauncher, [&folder, &clock] {
        return Settings(folder, clock).hualinSelected() ? QStringLiteral("华林证券网上交易")
                                                        : QStringLiteral("东方通达信");
    });
    FixedNetworkState network(true);
    PortableArchiver archiver;
    SimulatedShutdown shutdown;

    TDataBase db(folder.databaseFile());
    if (!db.open()) {
        std::fprintf(stderr, "bench_mining: %s\n", qPrintable(db.openError()));
        return std::nullopt;
    }
    StockList stocks;
    StockListLoader(frame).loadAtStartUp(quote, folder.filePath(handKeptTableName()), stocks);
    OwnStockList own(folder.filePath(ownStockFileName()));
    QString ownError;
    own.load(&ownError);

    Settings settings(folder, clock);
    SystemSetup setup(settings, frame, clock, archiver);
    setup.load();
    QuoteWindows windows(desktop, clock, frame, launcher);
    QuoteProgramSetup programSetup;
    programSetup.quoteFolder = quote;
    programSetup.stockWindow = setup.StockWindow();
    programSetup.stockApp = setup.StockApp();
    programSetup.hualinSelected = setup.quoteProgram() == QuoteProgram::Hualin;
    programSetup.qqName = settings.qqName();
    windows.setSetup(programSetup);
    FailureBeep beep(sound);
    ReportFetch fetch(windows, frame, clock, desktop, beep);

    // Started before the figures begin: its launch wait is the start's, not the stocks'.
    if (!windows.EnsureQuoteProgram()) {
        std::fprintf(stderr, "bench_mining: the simulated quote program did not start\n");
        return std::nullopt;
    }
    const int loadTime_ms =
        simDesktop.quoteProgram() ? simDesktop.quoteProgram()->behaviour().loadTime_ms : -1;
    clock.waits.clear();
    const qint64 virtualStart_ms = clock.elapsedMs();
    const DesktopEvents eventsBefore = desktop.events;

    ExtractionServices services{db, frame, clock, launcher, archiver, network, folder};
    RunControl run(frame, clock);
    MiningSchedule schedule;
    schedule.lastTradeDate = MiningSchedule::expectedTradeDate(clock.today());
    schedule.autoStartTime = settings.autoStartTime();
    MiningRun mining({services, settings, run, shutdown, windows, fetch, schedule, stocks, own, nullptr});
    MiningOptions options;
    options.percent = std::max(percent, 0);
    options.exchangeRules = percent < 0;
    options.quoteFolder = quote;
    options.rarFolder = settings.rarFolder();

    // The resident set at a tenth, a quarter, half, three quarters and the end of the walk.
    const int count = stocks.size();
    const QList<int> samplePoints = {count / 10, count / 4, count / 2, count * 3 / 4, count};
    std::map<int, std::pair<long, long>> memory;  // position → resident, heap in use
    frame.progressed = [&](const RunProgress& progress) {
        if (samplePoints.contains(progress.position) && !memory.count(progress.position))
            memory[progress.position] = {residentKb(), heapInUseKb()};
    };

    const long residentBefore = residentKb();
    const long heapBefore = heapInUseKb();
    const double simulatorBefore = desktop.simulatorCpuSeconds;
    const CpuSplit splitBefore = cpuSplit();
    const double cpuBefore = processCpuSeconds();
    const Stopwatch wall;
    const RunLease lease = run.lease(JobKind::Mining);
    const MiningOutcome outcome = mining.run(lease, options);
    const double cpu = processCpuSeconds() - cpuBefore;
    const double simulatorCpu = desktop.simulatorCpuSeconds - simulatorBefore;
    const double wallSeconds = wall.seconds();
    const CpuSplit splitAfter = cpuSplit();
    const qint64 simulated_ms = clock.elapsedMs() - virtualStart_ms;
    frame.progressed = {};

    if (!outcome.started()) {
        std::fprintf(stderr, "bench_mining: the run did not start (%s)\n",
                     qPrintable(outcome.reasonTextEnglish()));
        return std::nullopt;
    }
    const ExtractionAccount& totals = outcome.account;
    DesktopEvents events = desktop.events.since(eventsBefore);
    events.codesTypedAhead = outcome.typedAhead;
    const WaitCounts required = events.requiredWaits();
    const long long waited_ms = totalOf(clock.waits);
    const long long required_ms = totalOf(required);
    const double walked = std::max(count, 1);

    std::printf(
        "\n== %s (percent %d): %d stocks walked, %d screened, %d fetched, %d captured, %lld not "
        "captured, %d passes\n",
        percent == 0  ? "unscreened"
        : percent < 0 ? "exchange rules"
                      : "screened",
        percent, count, outcome.screened, outcome.fetched, outcome.captured,
        static_cast<long long>(outcome.notCaptured.size()), outcome.passes);
    std::printf("stored: %d anomaly days, %d block trades%s\n", totals.savedChangeCount, totals.savedBigCount,
                outcome.storeFailed() ? "  (STORE FAILED)" : "");
    std::printf(
        "process CPU:        %8.3f s  = %7.3f ms per stock  (user %.3f s, system %.3f s; wall %.3f s)\n", cpu,
        cpu * 1000.0 / walked, splitAfter.user - splitBefore.user, splitAfter.system - splitBefore.system,
        wallSeconds);
    std::printf("  the simulated quote program's: %.3f s = %.3f ms per stock\n", simulatorCpu,
                simulatorCpu * 1000.0 / walked);
    std::printf("our own CPU:        %8.3f s  = %7.3f ms per stock", cpu - simulatorCpu,
                (cpu - simulatorCpu) * 1000.0 / walked);
    if (outcome.fetched > 0)
        std::printf(" (%.3f ms per fetched stock)", (cpu - simulatorCpu) * 1000.0 / outcome.fetched);
    std::printf("\n");
    std::printf("simulated time:     %8.1f s  = %7.1f ms per stock", simulated_ms / 1000.0,
                simulated_ms / walked);
    if (outcome.fetched > 0)
        std::printf(" (%.1f ms per fetched stock)", static_cast<double>(simulated_ms) / outcome.fetched);
    std::printf("\nwaits made:         %8.1f s  = %7.1f ms per stock\n", waited_ms / 1000.0,
                waited_ms / walked);
    // Beyond the steps' own waits the fetch waits for the quote program only: a page that
    // has not loaded yet (the stock before still on its view) and the code-input window's
    // moment (at most 150 ms in the simulation).
    constexpr int kCodeInputMoment_ms = 150;
    const double beyond_ms =
        outcome.fetched > 0 ? static_cast<double>(waited_ms - required_ms) / outcome.fetched : 0.0;
    const bool withinLoads = simulated_ms == waited_ms && waited_ms >= required_ms &&
                             beyond_ms <= std::max(loadTime_ms, 0) + kCodeInputMoment_ms;
    std::printf("waits required:     %8.1f s  = %7.1f ms per stock  -> %s\n", required_ms / 1000.0,
                required_ms / walked,
                waited_ms == required_ms && simulated_ms == waited_ms ? "nothing waited beyond the steps"
                : withinLoads ? "beyond the steps only the quote program's page loads and windows"
                              : "MISMATCH");
    std::printf(
        "  waited for the quote program: %.1f ms per fetched stock (page load %d ms, code-input "
        "window at most %d ms)\n",
        beyond_ms, loadTime_ms, kCodeInputMoment_ms);
    std::printf(
        "  from %ld key events, %ld codes typed (%ld of them ahead), %ld Enters, %ld first and %ld second "
        "F10s, %ld clipboard looks, %ld failed clears\n",
        events.keyEvents, events.codesTyped, events.codesTypedAhead, events.enters, events.firstF10s,
        events.secondF10s, events.clipboardLooks, events.failedClears);
    std::printf("  %8s %10s %10s %12s %12s\n", "wait ms", "made", "required", "made ms", "required ms");
    WaitCounts lengths = clock.waits;
    for (const auto& [length, asked] : required)
        lengths.try_emplace(length, 0);
    for (const auto& [length, made] : lengths) {
        const long asked = required.count(length) ? required.at(length) : 0;
        std::printf("  %8d %10ld %10ld %12lld %12lld%s\n", length, made, asked,
                    static_cast<long long>(length) * made, static_cast<long long>(length) * asked,
                    made == asked ? "" : "  <-");
    }
    std::printf("memory: peak resident %ld kB (the whole process so far)\n", peakResidentKb());
    std::printf("  %10s %12s %12s\n", "at stock", "resident kB", "heap kB");
    std::printf("  %10s %12ld %12ld\n", "start", residentBefore, heapBefore);
    for (const auto& [position, kb] : memory)
        std::printf("  %10d %12ld %12ld\n", position, kb.first, kb.second);
    // Our part of a real run is this run's wall time without the simulator: our CPU and the
    // waits for the disk (the synced writes), which the virtual clock does not skip.
    const double ours_s = std::max(0.0, wallSeconds - simulatorCpu);
    const double fullMarket_s = static_cast<double>(simulated_ms) / 1000.0 + ours_s;
    // The fetch waits for each page as the quote program shows it, so the simulated time
    // holds the page loads already.
    std::printf(
        "real run of %d stocks: about %s (the waits and page loads, plus %.1f s of our CPU and disk "
        "waits)\n",
        count, qPrintable(clockText(fullMarket_s)), ours_s);
    return simulated_ms;
}

// The screening by the exchanges' rules alone, over every stock of the market: the stocks it
// picks and its processor time (the bar files read, the rules applied), the share capital
// from a table as the run has it from its one statement.
void screenByRules(const QString& quote, const StockList& stocks) {
    QHash<QString, double> capital;
    for (const StockEntry& stock : stocks.entries())
        capital.insert(stock.key.right(6), 50000);  // 500 million tradable shares
    ExchangeRuleScreener screener(
        quote, ExchangeRuleSet::defaults(),
        [&capital](const QString& code) -> std::optional<double> { return capital.value(code); },
        [](const QString&, LogColor) {});
    const double cpuBefore = processCpuSeconds();
    screener.loadIndexes();
    int picked = 0;
    for (const StockEntry& stock : stocks.entries()) {
        const auto verdict = screener.judge(stock.key, stock.name);
        picked += verdict && verdict->picked ? 1 : 0;
    }
    const double cpu_ms = (processCpuSeconds() - cpuBefore) * 1000.0;
    std::printf("exchange rules screening: %d of %d stocks picked on %d, %.1f ms of CPU\n", picked,
                stocks.size(), screener.day(), cpu_ms);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QuoteFolderOptions options;
    options.stockCount = argumentValue(arguments, QStringLiteral("--stocks"), 5000);
    options.barCount = argumentValue(arguments, QStringLiteral("--bars"), 750);

    QTemporaryDir temporary;
    const qsizetype keepAt = arguments.indexOf(QStringLiteral("--keep"));
    const QString root =
        keepAt >= 0 && keepAt + 1 < arguments.size() ? arguments.at(keepAt + 1) : temporary.path();
    const QString quote = root + QStringLiteral("/quote");

    std::printf("market: %d stocks, %d bars each, on the virtual clock\n", options.stockCount,
                options.barCount);
    const Stopwatch generating;
    QString error;
    if (!QuoteFolderGenerator(options).write(quote, &error)) {
        std::fprintf(stderr, "bench_mining: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("generating the quote folder: %.3f s\n", generating.seconds());

    {
        SilentFrame frame;
        StockList stocks;
        StockListLoader(frame).loadAtStartUp(quote, root + QStringLiteral("/none.txt"), stocks);
        screenByRules(quote, stocks);
    }
    // --percent P: that run alone (-1: by the exchanges' rules).
    const int only = argumentValue(arguments, QStringLiteral("--percent"), -2);
    const QList<int> percents = only >= -1 ? QList<int>{only} : QList<int>{0, 20, -1};
    std::map<int, qint64> simulated;
    for (const int percent : percents) {
        const std::optional<qint64> ms = mine(quote, root + QStringLiteral("/home-%1").arg(percent), percent);
        if (!ms)
            return 1;
        simulated[percent] = *ms;
    }
    if (simulated.count(0) && simulated.count(-1))
        std::printf(
            "evening run by the exchanges' rules: %s of simulated time against %s unscreened (%.3f)\n",
            qPrintable(clockText(simulated[-1] / 1000.0)), qPrintable(clockText(simulated[0] / 1000.0)),
            static_cast<double>(simulated[-1]) / std::max<qint64>(1, simulated[0]));
    return 0;
}

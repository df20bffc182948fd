// quarrow-cli watch, relay and capture: the main-force monitor from the command line.

#include "app/RunControl.h"
#include "app/Settings.h"
#include "app/SystemSetup.h"
#include "automation/QuoteWindows.h"
#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliQuoteSupport.h"
#include "monitor/MainForceRelay.h"
#include "monitor/StocksForMonitor.h"
#include "platform/Desktop.h"
#include "platform/NetworkState.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"

#ifdef QUARROW_SIMULATED_DESKTOP
#include "platform/sim/SimChatWindow.h"
#include "platform/sim/SimPlatform.h"
#endif

namespace quarrow {

namespace {

// The choice of the page "主力买卖QQ秀" as options; without them the page's initial state.
struct WatchOptions {
    QCommandLineOption below{QStringLiteral("below"),
                             QStringLiteral("Watch stocks of at most N (10,000 shares)."),
                             QStringLiteral("N")};
    QCommandLineOption above{QStringLiteral("above"),
                             QStringLiteral("Watch stocks of at least N (10,000 shares)."),
                             QStringLiteral("N")};
    QCommandLineOption noOwn{QStringLiteral("no-own"), QStringLiteral("Leave the own stocks out.")};
    QCommandLineOption all{QStringLiteral("all"), QStringLiteral("Watch every stock of the list.")};

    void addTo(QCommandLineParser& parser) const { parser.addOptions({below, above, noOwn, all}); }

    std::optional<WatchSelection> read(const QCommandLineParser& parser) const {
        WatchSelection selection;
        if (parser.isSet(all)) {
            if (parser.isSet(below) || parser.isSet(above)) {
                printError(QStringLiteral("--all excludes --below and --above"));
                return std::nullopt;
            }
            selection.below = selection.upper = selection.includeOwn = false;
            return selection;
        }
        selection.includeOwn = !parser.isSet(noOwn);
        if (parser.isSet(below) || parser.isSet(above)) {
            selection.below = parser.isSet(below);
            selection.upper = parser.isSet(above);
        }
        if (selection.below && parser.isSet(below)) {
            const auto bound = wholeNumberOption(parser, below, 100, 4000000);
            if (!bound)
                return std::nullopt;
            selection.belowBound = *bound;
        }
        if (selection.upper) {
            const auto bound = wholeNumberOption(parser, above, 10000, 2100000000);
            if (!bound)
                return std::nullopt;
            selection.upperBound = *bound;
        }
        return selection;
    }
};

// What watch, relay and capture share: the database, the stock lists and the watch list.
struct WatchSession {
    explicit WatchSession(CliContext& context)
        : db(context.home.databaseFile()),
          own(context.home.filePath(ownStockFileName())),
          watch(db, stocks, own) {}

    // False after saying why; the database may stay closed (the list then has no capital).
    bool load(CliContext& context, const QString& quoteFolder) {
        if (!openDatabaseOrReport(db))
            return false;
        if (runReadingQuoteFiles([&] {
                loadStartUpStockList(context, quoteFolder, stocks);
                return kExitOk;
            }) != kExitOk)
            return false;
        QString error;
        if (!own.load(&error)) {
            printError(QStringLiteral("cannot read the own stock list: %1").arg(error));
            return false;
        }
        return true;
    }

    TDataBase db;
    StockList stocks;
    OwnStockList own;
    StocksForMonitor watch;
};

// A run of the relay or the capture on the quote program's windows, paced by the clock.
struct RelaySession {
    RelaySession(CliContext& context, WatchSession& watchSession, const QString& quoteFolder)
        : settings(context.home, context.clock),
          setup(settings, context.frame, context.clock, context.platform.archiver()),
          windows(context.platform.desktop(), context.clock, context.frame, context.platform.launcher()),
          run(context.frame, context.clock),
          relay({watchSession.db, context.frame, context.clock, context.platform.network(),
                 context.platform.desktop(), windows, run, watchSession.watch},
                RelaySettings{}) {
        setup.load();
        QuoteProgramSetup quote;
        quote.quoteFolder = quoteFolder;
        quote.stockWindow = setup.StockWindow();
        quote.stockApp = setup.StockApp();
        quote.hualinSelected = setup.quoteProgram() == QuoteProgram::Hualin;
        quote.qqName = settings.readText(QStringLiteral("QQ"), QStringLiteral("QQName"), QString());
        windows.setSetup(quote);
    }

    // Ticks every half second of the clock until the run ends or minutes have passed;
    // Ctrl+C stops it as the Stop command does.
    void loop(CliContext& context, int minutes) {
        CliInterrupt interrupt([this](int) {
            interrupted = true;
            run.requestStop();
        });
        const qint64 end = context.clock.elapsedMs() + qint64(minutes) * 60 * 1000;
        while (relay.active() && context.clock.elapsedMs() < end) {
            context.clock.sleep(MainForceRelay::kTick_ms);
            context.frame.processEvents();
            relay.tick();
        }
        if (relay.active()) {
            run.requestStop();
            relay.tick();
        }
    }

    Settings settings;
    SystemSetup setup;
    QuoteWindows windows;
    RunControl run;
    MainForceRelay relay;
    bool interrupted = false;  // ended by Ctrl+C
};

void printWatchList(const StocksForMonitor& watch) {
    QString text;
    for (const WatchRow& row : watch.rows())
        text += row.name + QLatin1Char('\t') + row.value + QLatin1Char('\n');
    printOut(text);
}

void printTotals(const RelayTotals& totals) {
    printOut(QStringLiteral("%1 new monitor rows, %2 alerts of watched stocks: %3 stored, %4 already stored, "
                            "%5 refused; %6 chat lines sent in %7 batches\n")
                 .arg(totals.rowsHandled)
                 .arg(totals.alertsKept)
                 .arg(totals.alertsStored)
                 .arg(totals.duplicates)
                 .arg(totals.storeFailures)
                 .arg(totals.linesSent)
                 .arg(totals.batchesSent));
}

// What the chat window received, each line prefixed "chat: "; nothing on a real desktop,
// where the chat belongs to the messenger.
void printChat([[maybe_unused]] CliContext& context) {
#ifdef QUARROW_SIMULATED_DESKTOP
    auto* sim = dynamic_cast<SimPlatform*>(&context.platform);
    if (!sim || !sim->simDesktop().chatWindow())
        return;
    QString text;
    for (const QString& line : sim->simDesktop().chatWindow()->receivedLines())
        text += QStringLiteral("chat: ") + line + QLatin1Char('\n');
    printOut(text);
#endif
}

int failedOnStorage(const RelayTotals& totals) {
    if (totals.storeFailures == 0)
        return kExitOk;
    printError(
        QStringLiteral("the database refused %1 alerts; they are not stored").arg(totals.storeFailures));
    return kExitFailure;
}

}  // namespace

int runWatch(CliContext& context, const QStringList& arguments) {
    QCommandLineParser parser;
    const WatchOptions options;
    options.addTo(parser);
    if (!parseCommandLine(parser, arguments, "[--below N] [--above N] [--no-own] [--all]"))
        return kExitUsage;
    const auto selection = options.read(parser);
    if (!selection)
        return kExitUsage;
    const auto quoteFolder = cliQuoteFolderIfAny(context);
    if (!quoteFolder)
        return kExitUsage;
    WatchSession session(context);
    if (!session.load(context, *quoteFolder))
        return kExitFailure;
    const int count = session.watch.rebuild(*selection);
    if (!session.watch.lastError().isEmpty()) {
        printError(QStringLiteral("cannot read the share capital: %1").arg(session.watch.lastError()));
        return kExitFailure;
    }
    printWatchList(session.watch);
    printError(QStringLiteral("%1 stocks to watch").arg(count));
    return kExitOk;
}

int runRelay(CliContext& context, const QStringList& arguments) {
    static const char* synopsis =
        "[--nickname NAME] [--delay S] [--min-qty Q] [--any-time] [--minutes M] [--below N] [--above N] "
        "[--no-own] [--all]";
    QCommandLineParser parser;
    const QCommandLineOption nicknameOption(
        QStringLiteral("nickname"),
        QStringLiteral("Store NAME as the nickname whose chat window receives the lines."),
        QStringLiteral("NAME"));
    const QCommandLineOption delayOption(QStringLiteral("delay"),
                                         QStringLiteral("Seconds between passes (10 to 60)."),
                                         QStringLiteral("S"), QStringLiteral("10"));
    const QCommandLineOption qtyOption(QStringLiteral("min-qty"),
                                       QStringLiteral("Send only alerts above Q (10,000 shares)."),
                                       QStringLiteral("Q"), QStringLiteral("80"));
    const QCommandLineOption anyTimeOption(QStringLiteral("any-time"),
                                           QStringLiteral("Read the monitor outside trading hours too."));
    const QCommandLineOption minutesOption(QStringLiteral("minutes"),
                                           QStringLiteral("Minutes of the clock to relay for."),
                                           QStringLiteral("M"), QStringLiteral("10"));
    parser.addOptions({nicknameOption, delayOption, qtyOption, anyTimeOption, minutesOption});
    const WatchOptions watchOptions;
    watchOptions.addTo(parser);
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    const auto delay = wholeNumberOption(parser, delayOption, 10, 60);
    const auto qty = delay ? wholeNumberOption(parser, qtyOption, 0, 400000) : std::nullopt;
    const auto minutes = qty ? wholeNumberOption(parser, minutesOption, 0, 24 * 60) : std::nullopt;
    const auto selection = minutes ? watchOptions.read(parser) : std::nullopt;
    if (!selection)
        return kExitUsage;
    const auto quoteFolder = cliQuoteFolder(context);
    if (!quoteFolder)
        return kExitUsage;

    WatchSession watchSession(context);
    if (!watchSession.load(context, *quoteFolder))
        return kExitFailure;
    RelaySession session(context, watchSession, *quoteFolder);
    if (parser.isSet(nicknameOption)) {
        QString error;
        if (!commitNickname(session.settings, session.windows, parser.value(nicknameOption), &error)) {
            printError(QStringLiteral("cannot store the nickname in %1: %2")
                           .arg(session.settings.fileName(), error));
            return kExitFailure;
        }
    }
    const int count = watchSession.watch.rebuild(*selection);
    printError(QStringLiteral("%1 stocks to watch").arg(count));
    RelaySettings relaySettings;
    relaySettings.delay_s = *delay;
    relaySettings.sendQty = *qty;
    relaySettings.onTime = !parser.isSet(anyTimeOption);
    session.relay.setSettings(relaySettings);
    if (!session.relay.startRelay()) {
        printError(QStringLiteral("the relay did not start"));
        return kExitFailure;
    }
    session.loop(context, *minutes);
    printTotals(session.relay.totals());
    printChat(context);
    const int status = failedOnStorage(session.relay.totals());
    return status == kExitOk && session.interrupted ? kExitInterrupted : status;
}

int runCapture(CliContext& context, const QStringList& arguments) {
    QCommandLineParser parser;
    if (!parseCommandLine(parser, arguments, ""))
        return kExitUsage;
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("capture takes no arguments"));
        return kExitUsage;
    }
    const auto quoteFolder = cliQuoteFolder(context);
    if (!quoteFolder)
        return kExitUsage;
    WatchSession watchSession(context);
    if (!watchSession.load(context, *quoteFolder))
        return kExitFailure;
    RelaySession session(context, watchSession, *quoteFolder);
    if (!session.relay.startCapture()) {
        printError(QStringLiteral("the capture did not start"));
        return kExitFailure;
    }
    // Two passes, one interval apart; the loop ends with the capture.
    session.loop(context, 24 * 60);
    printTotals(session.relay.totals());
    const int status = failedOnStorage(session.relay.totals());
    return status == kExitOk && session.interrupted ? kExitInterrupted : status;
}

}  // namespace quarrow

// quarrow-cli watch, relay and capture: the main-force monitor from the command line.

#include "cli/CliCommands.h"
#include "cli/CliJob.h"
#include "program/ProgramServices.h"

namespace quarrow {

namespace {

// The choice of the page "主力买卖QQ秀" as options; without them the page's initial state.
std::vector<CliOption> watchOptions() {
    return {{QStringLiteral("below"), QStringLiteral("N"),
             QStringLiteral("Watch stocks of at most N (10,000 shares).")},
            {QStringLiteral("above"), QStringLiteral("N"),
             QStringLiteral("Watch stocks of at least N (10,000 shares).")},
            {QStringLiteral("no-own"), {}, QStringLiteral("Leave the own stocks out.")},
            {QStringLiteral("all"), {}, QStringLiteral("Watch every stock of the list.")}};
}

std::optional<WatchSelection> readWatchSelection(const CliCall& call) {
    const bool below = call.isSet(QStringLiteral("below"));
    const bool above = call.isSet(QStringLiteral("above"));
    WatchSelection selection;
    if (call.isSet(QStringLiteral("all"))) {
        if (below || above) {
            printError(QStringLiteral("--all excludes --below and --above"));
            return std::nullopt;
        }
        selection.below = selection.upper = selection.includeOwn = false;
        return selection;
    }
    selection.includeOwn = !call.isSet(QStringLiteral("no-own"));
    if (below || above) {
        selection.below = below;
        selection.upper = above;
    }
    if (selection.below && below) {
        const auto bound = call.wholeNumber(QStringLiteral("below"), 100, 4000000);
        if (!bound)
            return std::nullopt;
        selection.belowBound = *bound;
    }
    if (selection.upper) {
        const auto bound = call.wholeNumber(QStringLiteral("above"), 10000, 2100000000);
        if (!bound)
            return std::nullopt;
        selection.upperBound = *bound;
    }
    return selection;
}

// The watch list picked as the page picks it; false after saying why it could not be.
bool pickWatchList(ProgramServices& services, const WatchSelection& selection) {
    StocksForMonitor& watch = services.watchList();
    const int count = watch.rebuild(selection);
    if (!watch.lastError().isEmpty()) {
        printError(QStringLiteral("cannot read the share capital: %1").arg(watch.lastError()));
        return false;
    }
    printError(QStringLiteral("%1 stocks to watch").arg(count));
    return true;
}

void printTotals(const RelayTotals& totals) {
    printOut(
        QStringLiteral("%1 new monitor rows, %2 alerts of watched stocks: %3 stored, %4 already stored, "
                       "%5 refused; %6 rows with cells that are not an alert's; %7 chat lines sent in %8 "
                       "batches, %9 not sent\n")
            .arg(totals.rowsHandled)
            .arg(totals.alertsKept)
            .arg(totals.alertsStored)
            .arg(totals.duplicates)
            .arg(totals.storeFailures)
            .arg(totals.rowsRefused)
            .arg(totals.linesSent)
            .arg(totals.batchesSent)
            .arg(totals.linesUnsent));
}

// Exit 1 when the database refused an alert or a chat line did not reach the chat window:
// the relay did not do what it was started for.
int reportRelay(const RelayOutcome& outcome) {
    printTotals(outcome.totals);
    QString chat;
    for (const QString& line : outcome.sentLines)
        chat += QStringLiteral("chat: ") + line + QLatin1Char('\n');
    printOut(chat);
    if (outcome.storeFailed())
        printError(QStringLiteral("the database refused %1 alerts; they are not stored")
                       .arg(outcome.totals.storeFailures));
    // Chat lines that did not reach the chat window fail the relay: its closing line says how many.
    return exitStatusOf(outcome);
}

// Prints the stocks the relay watches: name, tab, code and mark.
int runWatch(CliCall& call) {
    const auto selection = readWatchSelection(call);
    if (!selection)
        return kExitUsage;
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    if (!pickWatchList(services, *selection))
        return kExitFailure;
    QString text;
    for (const WatchRow& row : services.watchList().rows())
        text += row.name + QLatin1Char('\t') + row.value + QLatin1Char('\n');
    printOut(text);
    return kExitOk;
}

// Relays the alerts of the watched stocks into the chat window for M minutes of the clock.
int runRelay(CliCall& call) {
    const auto delay = call.wholeNumber(QStringLiteral("delay"), 10, 60);
    const auto qty = delay ? call.wholeNumber(QStringLiteral("min-qty"), 0, 400000) : std::nullopt;
    const auto minutes = qty ? call.wholeNumber(QStringLiteral("minutes"), 0, 24 * 60) : std::nullopt;
    const auto selection = minutes ? readWatchSelection(call) : std::nullopt;
    if (!selection)
        return kExitUsage;
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    if (call.isSet(QStringLiteral("nickname"))) {
        QString error;
        if (!commitNickname(services.settings(), services.windows(), call.value(QStringLiteral("nickname")),
                            &error)) {
            printError(QStringLiteral("cannot store the nickname in %1: %2")
                           .arg(services.settings().fileName(), error));
            return kExitFailure;
        }
    }
    if (!pickWatchList(services, *selection))
        return kExitFailure;
    RelaySettings settings;
    settings.delay_s = *delay;
    settings.sendQty = *qty;
    settings.onTime = !call.isSet(QStringLiteral("any-time"));
    MainForceRelay relay = services.relay(settings);
    if (!services.jobs().startRelay(relay)) {
        printError(QStringLiteral("the relay did not start"));
        return exitStatusOf(relay.outcome());
    }
    const StopOnInterrupt interrupt(services.run(), call.frame(), SecondInterrupt::EndsAfterItem,
                                    QStringLiteral("stopping the relay"));
    return reportRelay(relay.runFor(qint64(*minutes) * 60 * 1000));
}

// Stores the alerts of both monitor lists once, for all stocks.
int runCapture(CliCall& call) {
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    MainForceRelay capture = services.relay(RelaySettings{});
    if (!services.jobs().startCapture(capture)) {
        printError(QStringLiteral("the capture did not start"));
        return exitStatusOf(capture.outcome());
    }
    const StopOnInterrupt interrupt(services.run(), call.frame(), SecondInterrupt::EndsAfterItem,
                                    QStringLiteral("stopping the capture"));
    // Two passes, one interval apart; the capture ends by itself.
    return reportRelay(capture.runFor(qint64(24) * 60 * 60 * 1000));
}

// The own stocks are watched too, so the watch list has work without the all-stocks list.
constexpr unsigned kWatchNeeds =
    kNeedsQuoteFolderIfAny | kNeedsStore | kNeedsOwnStocks | kNeedsStockList | kEmptyStockListAllowed;

}  // namespace

const CliCommand& watchCommand() {
    static const CliCommand command{
        .name = QStringLiteral("watch"),
        .summary = QStringLiteral("print the stocks the relay watches (name, tab, code and mark), picked as "
                                  "the QQ page picks them"),
        .options = watchOptions(),
        .needs = kWatchNeeds,
        .run = &runWatch,
    };
    return command;
}

const CliCommand& relayCommand() {
    static const CliCommand command = [] {
        CliCommand relay{
            .name = QStringLiteral("relay"),
            .summary = QStringLiteral("relay the quote program's main-force alerts of the watched stocks "
                                      "into the chat window for M "
                                      "minutes"),
            .options = {{QStringLiteral("nickname"), QStringLiteral("NAME"),
                         QStringLiteral("Store NAME as the nickname whose chat window receives the lines.")},
                        {QStringLiteral("delay"), QStringLiteral("S"),
                         QStringLiteral("Seconds between passes (10 to 60)."), QStringLiteral("10")},
                        {QStringLiteral("min-qty"), QStringLiteral("Q"),
                         QStringLiteral("Send only alerts above Q (10,000 shares)."), QStringLiteral("80")},
                        {QStringLiteral("any-time"),
                         {},
                         QStringLiteral("Read the monitor outside trading hours too.")},
                        {QStringLiteral("minutes"), QStringLiteral("M"),
                         QStringLiteral("Minutes of the clock to relay for."), QStringLiteral("10")}},
            .needs = kWatchNeeds | kNeedsQuoteProgram,
            .run = &runRelay,
        };
        for (const CliOption& option : watchOptions())
            relay.options.push_back(option);
        return relay;
    }();
    return command;
}

const CliCommand& captureCommand() {
    static const CliCommand command{
        .name = QStringLiteral("capture"),
        .summary = QStringLiteral("store the main-force alerts of both monitor lists once, for all stocks"),
        .needs = kWatchNeeds | kNeedsQuoteProgram,
        .run = &runCapture,
    };
    return command;
}

}  // namespace quarrow

// quarrow-cli screen and daily: the quote program's daily bars.

#include "cli/CliCommands.h"
#include "program/ProgramServices.h"
#include "quotefiles/DailyViewer.h"
#include "quotefiles/ExchangeRules.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/StockScreening.h"

#include <QFileInfo>

#include <cstdio>
#include <limits>

namespace quarrow {

namespace {

// Far more trading days than any quote folder holds.
constexpr int kMaxScreenDays = 100000;

// The mining run's pre-selection over the whole list (or the given stocks), printing its
// log lines and then "picked P of S".
// The stocks the exchanges' own listing rules pick on the last day of the index files: one
// line each with the rules that picked it, notes on standard error.
int screenByExchangeRules(ProgramServices& services, const QList<StockEntry>& stocks) {
    const QString quoteFolder = services.quoteFolder();
    TDataBase* db = services.store().DBOpened() ? &services.store() : nullptr;
    StockScreener shares(quoteFolder, db, services.frame());
    QStringList problems;
    const ExchangeRuleSet rules = ExchangeRuleSet::read(services.settings(), &problems);
    for (const QString& problem : problems)
        printError(problem);
    ExchangeRuleScreener screener(
        quoteFolder, rules, [&shares](const QString& code) { return shares.tradableSharesOf(code); },
        [](const QString& line, LogColor) {
            // The picked stocks are this command's output; the rest are notes.
            if (!line.contains(QStringLiteral(" 上榜规则: ")))
                printError(line.trimmed());
        });
    if (!screener.loadIndexes())
        return kExitFailure;
    int screened = 0;
    QString text;
    int picked = 0;
    for (const StockEntry& stock : stocks) {
        const std::optional<ExchangeScreenResult> verdict = screener.judge(stock.key, stock.name);
        if (!verdict)
            continue;
        ++screened;
        if (verdict->picked) {
            ++picked;
            text += stock.key + QLatin1Char('\t') + stock.name + QLatin1Char('\t') + verdict->rulesText() +
                    QLatin1Char('\n');
        }
    }
    printOut(text + QStringLiteral("picked %1 of %2 by the exchanges' rules on %3\n")
                        .arg(picked)
                        .arg(screened)
                        .arg(screener.day()));
    return kExitOk;
}

int runScreen(CliCall& call) {
    const std::optional<int> days = call.wholeNumber(QStringLiteral("days"), 1, kMaxScreenDays);
    const std::optional<int> percent =
        days ? call.wholeNumber(QStringLiteral("percent"), 1, 1000) : std::nullopt;
    if (!percent)
        return kExitUsage;
    const QStringList given = call.arguments();
    for (const QString& code : given) {
        if (!isPrefixedCode(code))
            return call.usageError(
                QStringLiteral("'%1' is not a prefixed stock code such as sh600000 or sz000001").arg(code));
    }
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    QString error;
    if (!services.loadStockList(&error)) {
        printError(error);
        return kExitFailure;
    }
    QList<StockEntry> stocks;
    if (given.isEmpty()) {
        if (services.stocks().isEmpty()) {
            printError(QStringLiteral(
                "no stocks: neither the quote program's name tables nor the hand-kept table list any"));
            return kExitFailure;
        }
        stocks = services.stocks().entries();
    } else {
        for (const QString& code : given)
            stocks.append({code, services.stocks().nameOf(code)});
    }
    if (call.isSet(QStringLiteral("exchange-rules")))
        return screenByExchangeRules(services, stocks);
    const QString quoteFolder = services.quoteFolder();
    const IndexSummaries indexes = IndexSummaries::compute(quoteFolder, *days);
    // Without the database the turnover cannot be measured; the deviation alone decides.
    TDataBase* db = services.store().DBOpened() ? &services.store() : nullptr;
    StockScreener screener(quoteFolder, db, call.frame());
    int screened = 0;
    int picked = 0;
    for (const StockEntry& stock : stocks) {
        if (!QFileInfo::exists(QuotePaths::dailyBarFile(quoteFolder, stock.key)))
            continue;
        ++screened;
        if (screener.ScreenStock(stock.key, stock.name, *days, *percent, indexes).picked)
            ++picked;
    }
    printOut(QStringLiteral("picked %1 of %2\n").arg(picked).arg(screened));
    return kExitOk;
}

// The daily-bar viewer's rows, newest first, cells separated by tabs.
int runDaily(CliCall& call) {
    const std::optional<int> days =
        call.wholeNumber(QStringLiteral("days"), 0, std::numeric_limits<int>::max());
    if (!days)
        return kExitUsage;
    const QString code = call.arguments().first();
    if (!isPrefixedCode(code))
        return call.usageError(QStringLiteral("give one prefixed stock code such as sh600000"));
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    // Rows go out in batches as they are read: --days 0 on a file of millions of bars must
    // not hold them all.
    constexpr int kRowsPerBatch = 4096;
    QString text;
    int batched = 0;
    const auto source =
        visitDailyRows(call.services().quoteFolder(), code, *days, [&](const DailyViewRow& row) {
            text += row.cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
            if (++batched == kRowsPerBatch) {
                printOut(text);
                text.clear();
                batched = 0;
            }
            return !std::ferror(stdout);  // nobody reads the rest: stop reading
        });
    if (!source) {
        printError(QStringLiteral("no daily bars for %1 in the quote folder").arg(code));
        return kExitFailure;
    }
    printOut(text);
    return kExitOk;
}

}  // namespace

const CliCommand& screenCommand() {
    static const CliCommand command{
        .name = QStringLiteral("screen"),
        .arguments = QStringLiteral("[PREFIXEDCODE...]"),
        .summary = QStringLiteral("screen the stocks against their index by price change and turnover"),
        .options = {{QStringLiteral("days"), QStringLiteral("N"), QStringLiteral("Trading days summed."),
                     QStringLiteral("3")},
                    {QStringLiteral("percent"), QStringLiteral("T"), QStringLiteral("Threshold in percent."),
                     QStringLiteral("20")},
                    {QStringLiteral("exchange-rules"),
                     {},
                     QStringLiteral("Pick by the exchanges' own listing rules on the index files' last day "
                                    "(the figures are in the settings' [ExchangeRules]).")}},
        .maxArguments = -1,
        .needs = kNeedsQuoteFolder | kNeedsStoreIfAny,
        .run = &runScreen,
    };
    return command;
}

const CliCommand& dailyCommand() {
    static const CliCommand command{
        .name = QStringLiteral("daily"),
        .arguments = QStringLiteral("PREFIXEDCODE"),
        .summary = QStringLiteral("print a stock's latest daily bars, newest first"),
        .options = {{QStringLiteral("days"), QStringLiteral("N"), QStringLiteral("Days shown; 0 for all."),
                     QStringLiteral("3")}},
        .minArguments = 1,
        .maxArguments = 1,
        .needs = kNeedsQuoteFolder,
        .run = &runDaily,
    };
    return command;
}

}  // namespace quarrow

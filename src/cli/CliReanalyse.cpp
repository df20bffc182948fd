#include "app/Settings.h"
#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliQuoteSupport.h"
#include "platform/NetworkState.h"
#include "platform/ProcessLauncher.h"
#include "platform/Shutdown.h"
#include "quotefiles/StockListLoader.h"
#include "report/ReanalysisBatch.h"
#include "report/StockFolderList.h"

namespace quarrow {

namespace {

std::optional<MessageAnswer> flagAnswer(bool yes, bool no) {
    if (yes)
        return MessageAnswer::Yes;
    if (no)
        return MessageAnswer::No;
    return std::nullopt;  // ask on a terminal, else the safe answer
}

// The rows the batch walks: the all-stocks list as the program loads it at start-up.
QList<StockRow> stockRows(const StockList& list) {
    QList<StockRow> rows;
    rows.reserve(list.size());
    for (const StockEntry& entry : list.entries())
        rows.append({entry.key, entry.name});
    return rows;
}

// The frame's log names each folder; this says it once, with where a stock list comes from.
void reportUnlisted(const QStringList& codes) {
    constexpr int shown = 10;
    QString list = codes.mid(0, shown).join(QStringLiteral(", "));
    if (codes.size() > shown)
        list += QStringLiteral(" and %1 more").arg(codes.size() - shown);
    printError(QStringLiteral("%1 stock folder(s) not on the stock list were not re-analysed: %2 (the list "
                              "comes from the quote program's name tables, else from %3)")
                   .arg(codes.size())
                   .arg(list, handKeptTableName()));
}

}  // namespace

// quarrow-cli reanalyse: the batch re-analysis of the saved report documents of every
// stock on the all-stocks list that has a folder in the program folder. The batch's
// questions are answered by the flags.
int runReanalyse(CliContext& context, const QStringList& arguments) {
    static const char* synopsis =
        "[--resume|--restart] [--clear|--keep] [--shutdown] [--all-changes] [--percent N]";
    QCommandLineParser parser;
    const QCommandLineOption resumeOption(
        QStringLiteral("resume"), QStringLiteral("Go on from the stock a batch of today stopped at."));
    const QCommandLineOption restartOption(QStringLiteral("restart"),
                                           QStringLiteral("Start from the first stock."));
    const QCommandLineOption clearOption(
        QStringLiteral("clear"),
        QStringLiteral("On a fresh start, clear the stored anomaly days and block trades."));
    const QCommandLineOption keepOption(QStringLiteral("keep"), QStringLiteral("Keep the stored data."));
    const QCommandLineOption shutdownOption(
        QStringLiteral("shutdown"), QStringLiteral("Switch the computer off when the batch ran to its end."));
    const QCommandLineOption allOption(QStringLiteral("all-changes"),
                                       QStringLiteral("Walk every anomaly day."));
    const QCommandLineOption percentOption(QStringLiteral("percent"), QStringLiteral("Least price change."),
                                           QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions(
        {resumeOption, restartOption, clearOption, keepOption, shutdownOption, allOption, percentOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    if (parser.isSet(resumeOption) && parser.isSet(restartOption)) {
        printError(QStringLiteral("--resume and --restart exclude each other"));
        return kExitUsage;
    }
    if (parser.isSet(clearOption) && parser.isSet(keepOption)) {
        printError(QStringLiteral("--clear and --keep exclude each other"));
        return kExitUsage;
    }
    const std::optional<int> percent = wholeNumberOption(parser, percentOption, 0, 1000);
    if (!percent)
        return kExitUsage;
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral(
            "reanalyse takes no file names (it reads the folder of every stock on the stock list)"));
        return kExitUsage;
    }

    const auto resumeAnswer = flagAnswer(parser.isSet(resumeOption), parser.isSet(restartOption));
    const auto clearAnswer = flagAnswer(parser.isSet(clearOption), parser.isSet(keepOption));
    context.frame.setAnswerPolicy([&](const MessageRequest& request) -> std::optional<MessageAnswer> {
        switch (request.question) {
            case Question::ReanalysisStart:
                return MessageAnswer::Yes;  // running the command is the confirmation
            case Question::ReanalysisResume:
                return resumeAnswer;
            case Question::ReanalysisClearHistory:
                return clearAnswer;
            default:
                break;
        }
        return std::nullopt;
    });

    const auto quoteFolder = cliQuoteFolderIfAny(context);
    if (!quoteFolder)
        return kExitUsage;
    // As with extract: a batch that can store nothing has no work to do.
    TDataBase db(context.home.databaseFile());
    if (!openDatabaseOrReport(db))
        return kExitFailure;
    StockList list;
    if (const int loaded = loadStockListOrReport(context, *quoteFolder, list); loaded != kExitOk)
        return loaded;
    const QList<StockRow> rows = stockRows(list);

    Settings settings(context.home, context.clock);
    ProcessLauncher& launcher = context.platform.launcher();
    NetworkState& network = context.platform.network();
    Shutdown& shutdown = context.platform.shutdown();
    const Archiver& archiver = context.platform.archiver();
    ExtractionServices services{db, context.frame, context.clock, launcher, archiver, network, context.home};
    ExtractionTotals totals;
    RunControl run(context.frame, context.clock);
    ReanalysisBatch batch(services, totals, settings, run, shutdown);

    ReanalysisOptions options;
    options.allChanges = parser.isSet(allOption);
    options.percent = *percent;
    options.rarFolder = settings.rarFolder();
    options.shutdownWhenDone = parser.isSet(shutdownOption);

    CliInterrupt interrupt([&](int count) {
        if (!run.isActive())
            return;
        run.requestStop();
        context.frame.ShowPrompt(
            count == 1 ? QStringLiteral("stopping after the current stock (Ctrl+C again ends the program as "
                                        "soon as it is stored)")
                       : QStringLiteral("ending the program as soon as the current stock is stored"));
    });
    const ReanalysisOutcome outcome = batch.run(rows, options);
    if (!outcome.ran)
        return kExitFailure;
    if (!outcome.unlistedFolders.isEmpty())
        reportUnlisted(outcome.unlistedFolders);

    if (outcome.endProgram && !outcome.storeFailed()) {
        printError(QStringLiteral("ended after row %1 of %2").arg(outcome.lastRow).arg(rows.size()));
        return kExitInterrupted;
    }
    printOut(QStringLiteral("re-analysed %1 stocks (rows %2 to %3 of %4), %5 documents (%6 unreadable); "
                            "stored %7 anomaly days, %8 block trades\n")
                 .arg(outcome.stocksAnalysed)
                 .arg(outcome.startRow)
                 .arg(outcome.lastRow)
                 .arg(rows.size())
                 .arg(outcome.documents)
                 .arg(outcome.unreadable)
                 .arg(totals.savedChangeCount)
                 .arg(totals.savedBigCount));
    if (outcome.storeFailed()) {
        printError(QStringLiteral("storing failed after row %1 (%2); the batch stopped there, and "
                                  "'quarrow-cli reanalyse --resume' goes on from that row today")
                       .arg(outcome.lastRow)
                       .arg(outcome.storeError));
        return kExitFailure;
    }
    if (!outcome.settingsError.isEmpty()) {
        printError(QStringLiteral("cannot note the batch's progress in %1 (%2); what was analysed is stored, "
                                  "but a resumed batch would start from an older stock")
                       .arg(settings.fileName(), outcome.settingsError));
        return kExitFailure;
    }
    if (outcome.stopped) {
        printError(QStringLiteral("stopped; 'quarrow-cli reanalyse --resume' goes on from row %1 today")
                       .arg(outcome.lastRow));
        return kExitInterrupted;
    }
    if (outcome.end.shutdownAttempted && !outcome.end.shutdown.requested)
        printError(outcome.end.shutdown.message);
    return kExitOk;
}

}  // namespace quarrow

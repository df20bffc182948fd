// quarrow-cli reanalyse: the batch re-analysis of the saved report documents of every stock
// on the all-stocks list that has a folder in the program folder.

#include "cli/CliCommands.h"
#include "cli/CliJob.h"
#include "program/ProgramServices.h"
#include "quotefiles/StockListLoader.h"

namespace quarrow {

namespace {

std::optional<MessageAnswer> flagAnswer(bool yes, bool no) {
    if (yes)
        return MessageAnswer::Yes;
    if (no)
        return MessageAnswer::No;
    return std::nullopt;  // ask on a terminal, else the safe answer
}

// The batch's questions are answered by the flags.
void answerReanalysisQuestions(CliCall& call) {
    const auto resumeAnswer =
        flagAnswer(call.isSet(QStringLiteral("resume")), call.isSet(QStringLiteral("restart")));
    const auto clearAnswer =
        flagAnswer(call.isSet(QStringLiteral("clear")), call.isSet(QStringLiteral("keep")));
    call.frame().setAnswerPolicy(
        [resumeAnswer, clearAnswer](const MessageRequest& request) -> std::optional<MessageAnswer> {
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

int reportReanalysis(ProgramServices& services, const ReanalysisOutcome& outcome, qsizetype rows) {
    if (!outcome.started())
        return exitStatusOf(outcome);
    if (!outcome.unlistedFolders.isEmpty())
        reportUnlisted(outcome.unlistedFolders);
    if (outcome.endProgram && !outcome.storeFailed()) {
        printError(QStringLiteral("ended after row %1 of %2").arg(outcome.lastRow).arg(rows));
        return exitStatusOf(outcome);
    }
    printOut(QStringLiteral("re-analysed %1 stocks (rows %2 to %3 of %4), %5 documents (%6 unreadable); "
                            "stored %7 anomaly days, %8 block trades\n")
                 .arg(outcome.stocksAnalysed)
                 .arg(outcome.startRow)
                 .arg(outcome.lastRow)
                 .arg(rows)
                 .arg(outcome.documents)
                 .arg(outcome.unreadable)
                 .arg(outcome.account.savedChangeCount)
                 .arg(outcome.account.savedBigCount));
    if (outcome.storeFailed())
        printError(
            QStringLiteral("the batch stopped after row %1, and 'quarrow-cli reanalyse --resume' goes on "
                           "from that row today")
                .arg(outcome.lastRow));
    else if (outcome.reason == JobReason::SettingsFailed)
        printError(
            QStringLiteral("what was analysed is stored, but %1 does not note how far the batch got: a "
                           "resumed batch would start from an older stock")
                .arg(services.settings().fileName()));
    else if (outcome.stopped())
        printError(QStringLiteral("stopped; 'quarrow-cli reanalyse --resume' goes on from row %1 today")
                       .arg(outcome.lastRow));
    return exitStatusOf(outcome);
}

int runReanalyse(CliCall& call) {
    const std::optional<int> percent = call.wholeNumber(QStringLiteral("percent"), 0, 1000);
    if (!percent)
        return kExitUsage;
    // As with extract: a batch that can store nothing has no work to do.
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    answerReanalysisQuestions(call);
    ReanalysisOptions options = services.reanalysisOptions();
    options.allChanges = call.isSet(QStringLiteral("all-changes"));
    options.percent = *percent;
    options.shutdownWhenDone = call.isSet(QStringLiteral("shutdown"));
    const StopOnInterrupt interrupt(services.run(), call.frame(), SecondInterrupt::EndsAfterItem,
                                    QStringLiteral("stopping after the current stock"));
    const ReanalysisOutcome outcome = services.jobs().reanalyse(options);
    const int status = reportReanalysis(services, outcome, services.stockRows().size());
    reportFollowedRows(services);
    return status;
}

}  // namespace

const CliCommand& reanalyseCommand() {
    static const CliCommand command{
        .name = QStringLiteral("reanalyse"),
        .summary =
            QStringLiteral("re-analyse the saved report documents of every listed stock into the database"),
        .options = {{QStringLiteral("resume"),
                     {},
                     QStringLiteral("Go on from the stock a batch of today stopped at.")},
                    {QStringLiteral("restart"), {}, QStringLiteral("Start from the first stock.")},
                    {QStringLiteral("clear"),
                     {},
                     QStringLiteral("On a fresh start, clear the stored anomaly days and block trades.")},
                    {QStringLiteral("keep"), {}, QStringLiteral("Keep the stored data.")},
                    {QStringLiteral("shutdown"),
                     {},
                     QStringLiteral("Switch the computer off when the batch ran to its end.")},
                    {QStringLiteral("all-changes"), {}, QStringLiteral("Walk every anomaly day.")},
                    {QStringLiteral("percent"), QStringLiteral("N"),
                     QStringLiteral("Least price change in percent."), QStringLiteral("0")}},
        .exclusive = {{QStringLiteral("resume"), QStringLiteral("restart")},
                      {QStringLiteral("clear"), QStringLiteral("keep")}},
        .needs = kNeedsQuoteFolderIfAny | kNeedsStore | kNeedsStockList,
        .run = &runReanalyse,
    };
    return command;
}

}  // namespace quarrow

// quarrow-cli mine, fetch and select: the commands that drive the quote program.

#include "cli/CliCommands.h"
#include "cli/CliJob.h"
#include "program/ProgramServices.h"

namespace quarrow {

namespace {

// Answers the run's questions from the flags: the start questions (F10, closing data) by
// --yes, the resume question by --resume or --restart. Anything else a terminal answers,
// or it gets No.
void answerMiningQuestions(CliCall& call) {
    TerminalFrame& frame = call.frame();
    const bool yes = call.isSet(QStringLiteral("yes"));
    const bool resume = call.isSet(QStringLiteral("resume"));
    const bool restart = call.isSet(QStringLiteral("restart"));
    frame.setAnswerPolicy(
        [&frame, yes, resume, restart](const MessageRequest& request) -> std::optional<MessageAnswer> {
            switch (request.question) {
                case Question::MiningF10Reminder:
                case Question::MiningFreshness:
                    if (yes)
                        return MessageAnswer::Yes;
                    if (!frame.canAsk()) {
                        frame.ShowPrompt(QStringLiteral("(--yes answers this question Yes)"));
                        return MessageAnswer::No;
                    }
                    return std::nullopt;
                case Question::MiningResume:
                    if (resume || restart)
                        return resume ? MessageAnswer::Yes : MessageAnswer::No;
                    return std::nullopt;
                default:
                    return std::nullopt;
            }
        });
}

std::optional<MiningOptions> readMiningOptions(const CliCall& call) {
    // The bounds the mining page's boxes have.
    const std::optional<int> percent = call.wholeNumber(QStringLiteral("percent"), 0, kPercentThresholdMax);
    const std::optional<int> days =
        percent ? call.wholeNumber(QStringLiteral("days"), 0, kLastDaysMax) : std::nullopt;
    if (!days)
        return std::nullopt;
    MiningOptions options;
    options.onlyOwnStocks = call.isSet(QStringLiteral("own"));
    options.autoRepeat = !call.isSet(QStringLiteral("no-auto-repeat"));
    options.shutdownWhenDone = call.isSet(QStringLiteral("shutdown"));
    options.allChanges = call.isSet(QStringLiteral("all-changes"));
    options.exchangeRules = call.isSet(QStringLiteral("exchange-rules"));
    options.percent = *percent;
    options.lastDays = *days;
    return options;
}

// The run's figures, then one line on how it ended; the exit status from that alone.
int reportMining(ProgramServices& services, const MiningOutcome& outcome) {
    if (!outcome.started())
        return exitStatusOf(outcome);
    const ExtractionAccount& account = outcome.account;
    printOut(QStringLiteral("mined %1 stocks in %2 passes: %3 fetched, %4 captured, %5 not captured; "
                            "stored %6 anomaly days, %7 block trades\n")
                 .arg(outcome.screened)
                 .arg(outcome.passes)
                 .arg(outcome.fetched)
                 .arg(outcome.captured)
                 .arg(outcome.notCaptured.size())
                 .arg(account.savedChangeCount)
                 .arg(account.savedBigCount));
    if (!outcome.notCaptured.isEmpty())
        printOut(QStringLiteral("not captured: %1\n").arg(outcome.notCaptured.join(QLatin1Char(' '))));
    if (!outcome.logFile.isEmpty())
        printOut(QStringLiteral("log: %1\n").arg(outcome.logFile));
    // Where the run can go on from, when it did not go through.
    const QString resume = QStringLiteral("'quarrow-cli mine --percent 0 --resume' goes on today");
    switch (outcome.reason) {
        case JobReason::QuoteProgramLost:
            printError(
                QStringLiteral("the quote program could not be started %1 times in a row; the run ended "
                               "there, and %2")
                    .arg(kQuoteProgramStarts)
                    .arg(resume));
            break;
        case JobReason::QuoteProgramRefusesInput:
            printError(QStringLiteral("start the quote program normally (or this program as administrator), "
                                      "then %1")
                           .arg(resume));
            break;
        case JobReason::StoreFailed:
            printError(QStringLiteral("the run stopped at the stock the database refused; %1 from the last "
                                      "stored stock")
                           .arg(resume));
            break;
        case JobReason::SettingsFailed:
            printError(
                QStringLiteral("cannot note the run's progress in %1").arg(services.settings().fileName()));
            break;
        default:
            break;
    }
    if (!outcome.logError.isEmpty() && outcome.reason != JobReason::LogFailed)
        printError(QStringLiteral("cannot write the run's log file: %1").arg(outcome.logError));
    return exitStatusOf(outcome);
}

// The mining run over the all-stocks list or the own stocks.
int runMine(CliCall& call) {
    std::optional<MiningOptions> chosen = readMiningOptions(call);
    if (!chosen)
        return kExitUsage;
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    answerMiningQuestions(call);
    MiningOptions options = services.miningOptions();
    chosen->quoteFolder = options.quoteFolder;
    chosen->rarFolder = options.rarFolder;
    // Without a terminal nobody answers; a run that switches the computer off is a night's.
    chosen->unattended = !call.frame().canAsk() || chosen->shutdownWhenDone;
    const StopOnInterrupt interrupt(services.run(), call.frame(), SecondInterrupt::EndsAtOnce,
                                    QStringLiteral("stopping after the current stock"));
    const MiningOutcome outcome = services.jobs().mine(*chosen);
    const int status = reportMining(services, outcome);
    reportFollowedRows(services);
    return status;
}

// fetch and select take one stock code.
std::optional<QString> codeArgument(const CliCall& call) {
    const QString given = call.arguments().first();
    const auto code = sixDigitCode(given);
    if (!code)
        printError(QStringLiteral("'%1' is not a stock code (six digits)").arg(given));
    return code;
}

int runFetch(CliCall& call) {
    const auto code = codeArgument(call);
    if (!code)
        return kExitUsage;
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    const FetchJobOutcome outcome = call.services().jobs().fetch(*code, FetchSender::Button, 0);
    if (outcome.done()) {
        QString text;
        for (const QString& line : outcome.fetched.lines)
            text += line + QLatin1Char('\n');
        printOut(text);
    }
    return exitStatusOf(outcome);
}

int runSelect(CliCall& call) {
    const auto code = codeArgument(call);
    if (!code)
        return kExitUsage;
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    if (!call.services().fetch().selectStock(*code)) {
        printError(QStringLiteral("%1 could not be typed into the quote program").arg(*code));
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

const CliCommand& mineCommand() {
    static const CliCommand command{
        .name = QStringLiteral("mine"),
        .summary = QStringLiteral("the mining run: screen the stocks, capture their dragon-tiger reports "
                                  "from the quote program and "
                                  "store them"),
        .options =
            {{QStringLiteral("own"), {}, QStringLiteral("Mine the own stocks only (an empty list: all).")},
             {QStringLiteral("percent"), QStringLiteral("T"),
              QStringLiteral("Least deviation or turnover in percent; 0 fetches every stock."),
              QStringLiteral("20")},
             {QStringLiteral("days"), QStringLiteral("N"), QStringLiteral("Days of daily changes summed."),
              QStringLiteral("3")},
             {QStringLiteral("exchange-rules"),
              {},
              QStringLiteral(
                  "Mine the stocks the exchanges' own listing rules pick (instead of --percent).")},
             {QStringLiteral("all-changes"), {}, QStringLiteral("Store every anomaly day.")},
             {QStringLiteral("no-auto-repeat"), {}, QStringLiteral("Ask before mining failed stocks again.")},
             {QStringLiteral("shutdown"), {}, QStringLiteral("Switch the computer off when the run ended.")},
             {QStringLiteral("resume"), {}, QStringLiteral("Go on from the stock today's run reached.")},
             {QStringLiteral("restart"), {}, QStringLiteral("Start from the first stock.")},
             {QStringLiteral("yes"),
              {},
              QStringLiteral("Answer the start questions (F10, closing data) Yes.")}},
        .exclusive = {{QStringLiteral("resume"), QStringLiteral("restart")},
                      {QStringLiteral("exchange-rules"), QStringLiteral("percent")}},
        .needs = kNeedsQuoteProgram | kNeedsStore | kNeedsStockList | kNeedsOwnStocks,
        .run = &runMine,
    };
    return command;
}

const CliCommand& fetchCommand() {
    static const CliCommand command{
        .name = QStringLiteral("fetch"),
        .arguments = QStringLiteral("CODE"),
        .summary = QStringLiteral("make the quote program show one stock's dragon-tiger report and print it"),
        .minArguments = 1,
        .maxArguments = 1,
        .needs = kNeedsQuoteProgram,
        .run = &runFetch,
    };
    return command;
}

const CliCommand& selectCommand() {
    static const CliCommand command{
        .name = QStringLiteral("select"),
        .arguments = QStringLiteral("CODE"),
        .summary = QStringLiteral("make the code the quote program's current stock"),
        .minArguments = 1,
        .maxArguments = 1,
        .needs = kNeedsQuoteProgram,
        .run = &runSelect,
    };
    return command;
}

}  // namespace quarrow

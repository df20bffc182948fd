// quarrow-cli download and publish: the operator data of a quarrow-server (or any server of
// the same pages) into the program folder's database, and the database into PostgreSQL for
// quarrow-server.

#include "cli/CliCommands.h"
#include "cli/CliJob.h"
#include "download/PageContract.h"
#include "download/PageLoader.h"
#include "program/ProgramServices.h"
#include "server/PostgresTables.h"

#include <QUrl>

namespace quarrow {

namespace {

std::optional<DownloadOptions> readDownloadOptions(CliCall& call) {
    const QString from = call.value(QStringLiteral("from"));
    if (call.isSet(QStringLiteral("from")) && !PageContract::parseDay(from).isValid()) {
        printError(QStringLiteral("--from takes a day written yyyy-mm-dd"));
        return std::nullopt;
    }
    DownloadOptions options = call.services().downloadOptions();
    if (call.isSet(QStringLiteral("server"))) {
        QString server = call.value(QStringLiteral("server"));
        while (server.endsWith(QLatin1Char('/')))
            server.chop(1);
        options.changePage = server + PageContract::kChangePath;
        options.bigPage = server + PageContract::kBigPath;
    }
    options.shutdownWhenDone = call.isSet(QStringLiteral("shutdown"));
    return options;
}

// The repeat question of every stock day that may be stored already, answered for the
// whole phase by the flags; a terminal is asked, anything else gets No.
void answerRepeatQuestion(CliCall& call) {
    TerminalFrame& frame = call.frame();
    const bool yesToAll = call.isSet(QStringLiteral("yes-to-all"));
    const bool noToAll = call.isSet(QStringLiteral("no-to-all"));
    frame.setAnswerPolicy(
        [&frame, yesToAll, noToAll](const MessageRequest& request) -> std::optional<MessageAnswer> {
            if (request.question != Question::DownloadRepeat)
                return std::nullopt;
            if (yesToAll)
                return MessageAnswer::YesToAll;
            if (noToAll)
                return MessageAnswer::NoToAll;
            if (!frame.canAsk())
                frame.ShowPrompt(QStringLiteral("(--yes-to-all or --no-to-all answers this question)"));
            return std::nullopt;
        });
}

int reportDownload(const DownloadOutcome& outcome, const QString& from) {
    if (!outcome.started())
        return exitStatusOf(outcome);
    printOut(QStringLiteral("downloaded from %1 on: %2 abnormal-move rows, %3 block trades stored%4\n")
                 .arg(from)
                 .arg(outcome.changeStored)
                 .arg(outcome.bigStored)
                 .arg(outcome.resumedPhases > 0
                          ? QStringLiteral(" (going on where the last download stopped)")
                          : QString()));
    // Each page problem ended its phase; the first is the outcome's reason.
    for (qsizetype i = 1; i < outcome.pageProblems.size(); ++i)
        printError(
            QStringLiteral("the server's page could not be read (%1)").arg(outcome.pageProblems.at(i)));
    if (outcome.storeFailed())
        printError(QStringLiteral("the page being stored was not kept, the pages before it were"));
    if (!outcome.done())
        printError(QStringLiteral("a plain 'quarrow-cli download' goes on where this one stopped"));
    return exitStatusOf(outcome);
}

int runDownload(CliCall& call) {
    const std::optional<DownloadOptions> options = readDownloadOptions(call);
    if (!options)
        return kExitUsage;
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    answerRepeatQuestion(call);
    NetworkPageLoader loader(services.clock(), call.frame());
    const StopOnInterrupt interrupt(services.run(), call.frame(), SecondInterrupt::EndsAfterItem,
                                    QStringLiteral("stopping the download"));
    QString from;
    const DownloadOutcome outcome = services.jobs().download(
        loader, *options,
        [&](const QString&, const QString&, const QString& preset) -> std::optional<QString> {
            from = call.isSet(QStringLiteral("from")) ? call.value(QStringLiteral("from")) : preset;
            return from;
        });
    const int status = reportDownload(outcome, from);
    reportFollowedRows(services);
    return status;
}

int runPublish(CliCall& call) {
    const QString address = call.value(QStringLiteral("to"));
    if (!PostgresTables::isAddress(address))
        return call.usageError(QStringLiteral("publish takes --to postgresql://user@host:port/name"));
    QString password;
    QString error;
    if (!PostgresTables::available(&error)) {
        printError(QStringLiteral("cannot publish: %1").arg(error));
        return kExitFailure;
    }
    if (call.isSet(QStringLiteral("password-file")) &&
        !PostgresTables::readPasswordFile(call.value(QStringLiteral("password-file")), &password, &error))
        return call.usageError(error);
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    PostgresTables::CopyCounts counts;
    const QString shown = QUrl(address).adjusted(QUrl::RemoveUserInfo).toString();
    if (!PostgresTables::copyFrom(call.services().store(), address, &counts, &error, password)) {
        printError(
            QStringLiteral("cannot publish to %1: %2; it holds what it held before").arg(shown, error));
        return kExitFailure;
    }
    printOut(
        QStringLiteral("published to %1: %2 stocks, %3 departments, %4 abnormal-move rows, %5 block trades\n")
            .arg(shown)
            .arg(counts.stocks)
            .arg(counts.departments)
            .arg(counts.changes)
            .arg(counts.blockTrades));
    return kExitOk;
}

}  // namespace

const CliCommand& downloadCommand() {
    static const CliCommand command{
        .name = QStringLiteral("download"),
        .summary =
            QStringLiteral("download operator data and block trades from a server such as quarrow-server"),
        .options = {{QStringLiteral("from"), QStringLiteral("yyyy-mm-dd"),
                     QStringLiteral(
                         "First day of the abnormal moves (default: the day after the newest stored).")},
                    {QStringLiteral("server"), QStringLiteral("URL"),
                     QStringLiteral("The server's address; its pages are URL/StChange and URL/BigBuySale.")},
                    {QStringLiteral("yes-to-all"),
                     {},
                     QStringLiteral("Store again every stock day that may be stored already.")},
                    {QStringLiteral("no-to-all"),
                     {},
                     QStringLiteral("Skip every stock day that may be stored already.")},
                    {QStringLiteral("shutdown"),
                     {},
                     QStringLiteral("Switch the computer off when the download stored rows.")}},
        .exclusive = {{QStringLiteral("yes-to-all"), QStringLiteral("no-to-all")}},
        .needs = kNeedsStore,
        .run = &runDownload,
    };
    return command;
}

const CliCommand& publishCommand() {
    static const CliCommand command{
        .name = QStringLiteral("publish"),
        .summary = QStringLiteral(
            "copy the operator data into PostgreSQL for quarrow-server --database postgresql://... "
            "(not on Windows)"),
        .options = {{QStringLiteral("to"), QStringLiteral("postgresql://user@host:port/name"),
                     QStringLiteral("The PostgreSQL database to fill. Its password comes from PGPASSWORD, "
                                    "--password-file or PostgreSQL's password file (PGPASSFILE, ~/.pgpass) "
                                    "rather than the address, which the process list shows.")},
                    {QStringLiteral("password-file"), QStringLiteral("FILE"),
                     QStringLiteral("A file whose first line is the PostgreSQL password.")}},
        .required = {QStringLiteral("to")},
        .needs = kNeedsStore,
        .run = &runPublish,
    };
    return command;
}

}  // namespace quarrow

// quarrow-cli download: the operator data of a quarrow-server (or any server of the same
// pages) into the program folder's database.

#include "app/Settings.h"
#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "download/DataDownload.h"
#include "download/PageContract.h"
#include "download/PageLoader.h"
#include "platform/Shutdown.h"

namespace quarrow {

int runDownload(CliContext& context, const QStringList& arguments) {
    static const char* synopsis =
        "[--from yyyy-mm-dd] [--server URL] [--yes-to-all|--no-to-all] [--shutdown]";
    QCommandLineParser parser;
    const QCommandLineOption fromOption(
        QStringLiteral("from"),
        QStringLiteral("First day of the abnormal moves (default: the day after the newest stored)."),
        QStringLiteral("yyyy-mm-dd"));
    const QCommandLineOption serverOption(
        QStringLiteral("server"),
        QStringLiteral("The server's address; its pages are URL/StChange and URL/BigBuySale."),
        QStringLiteral("URL"));
    const QCommandLineOption yesOption(
        QStringLiteral("yes-to-all"),
        QStringLiteral("Store again every stock day that may be stored already."));
    const QCommandLineOption noOption(QStringLiteral("no-to-all"),
                                      QStringLiteral("Skip every stock day that may be stored already."));
    const QCommandLineOption shutdownOption(
        QStringLiteral("shutdown"), QStringLiteral("Switch the computer off when the download stored rows."));
    parser.addOptions({fromOption, serverOption, yesOption, noOption, shutdownOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    if (parser.isSet(yesOption) && parser.isSet(noOption)) {
        printError(QStringLiteral("--yes-to-all and --no-to-all exclude each other"));
        return kExitUsage;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("download takes no arguments besides its options"));
        return kExitUsage;
    }
    if (parser.isSet(fromOption) && !PageContract::parseDay(parser.value(fromOption)).isValid()) {
        printError(QStringLiteral("--from takes a day written yyyy-mm-dd"));
        return kExitUsage;
    }

    Settings settings(context.home, context.clock);
    DownloadOptions options;
    options.changePage = settings.serverChangePage();
    options.bigPage = settings.serverBigPage();
    if (parser.isSet(serverOption)) {
        QString server = parser.value(serverOption);
        while (server.endsWith(QLatin1Char('/')))
            server.chop(1);
        options.changePage = server + PageContract::kChangePath;
        options.bigPage = server + PageContract::kBigPath;
    }
    options.user = settings.serverUser();
    options.shutdownWhenDone = parser.isSet(shutdownOption);

    TerminalFrame& frame = context.frame;
    const bool yesToAll = parser.isSet(yesOption);
    const bool noToAll = parser.isSet(noOption);
    frame.setAnswerPolicy([&](const MessageRequest& request) -> std::optional<MessageAnswer> {
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

    TDataBase db(context.home.databaseFile());
    if (!openDatabaseOrReport(db))
        return kExitFailure;
    RunControl run(frame, context.clock);
    NetworkPageLoader loader(context.clock, frame);
    DataDownload download(
        {db, frame, context.clock, run, context.platform.network(), context.platform.shutdown(), loader});
    CliInterrupt interrupt([&](int) {
        run.requestStop();
        frame.ShowPrompt(QStringLiteral("stopping the download"));
    });
    QString from;
    const DownloadOutcome outcome = download.run(
        options, [&](const QString&, const QString&, const QString& preset) -> std::optional<QString> {
            from = parser.isSet(fromOption) ? parser.value(fromOption) : preset;
            return from;
        });
    if (outcome.noNetwork) {
        printError(QStringLiteral("the computer has no network connection"));
        return kExitFailure;
    }
    if (!outcome.ran)
        return kExitFailure;
    printOut(QStringLiteral("downloaded from %1 on: %2 abnormal-move rows, %3 block trades stored\n")
                 .arg(from)
                 .arg(outcome.changeStored)
                 .arg(outcome.bigStored));
    int status = kExitOk;
    for (const QString& problem : outcome.pageProblems) {
        printError(QStringLiteral("the server's page could not be read (%1)").arg(problem));
        status = kExitFailure;
    }
    if (!outcome.storeError.isEmpty()) {
        printError(
            QStringLiteral("storing failed (%1); the page being stored was not kept, the pages before it "
                           "were")
                .arg(outcome.storeError));
        status = kExitFailure;
    }
    if (status == kExitOk && outcome.stopped)
        return kExitInterrupted;
    if (outcome.end.shutdownAttempted && !outcome.end.shutdown.requested)
        printError(outcome.end.shutdown.message);
    return status;
}

}  // namespace quarrow

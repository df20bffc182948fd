// quarrow-cli: the headless front end. It runs the same core as the desktop program,
// reporting through the terminal instead of windows.

#include "app/PlatformOptions.h"
#include "app/Version.h"
#include "cli/CliCommands.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace quarrow;

namespace {

void printUsage() {
    QString text = QStringLiteral(
        "usage: quarrow-cli [--home DIR] [--quote DIR] COMMAND [ARGS...]\n"
        "       quarrow-cli --help | --version\n\n"
        "global options:\n"
        "  --home DIR   program folder (settings, database, report documents);\n"
        "               default: $QUARROW_HOME, else the folder of the executable\n"
        "  --quote DIR  quote program folder for this call (the settings file is not changed)\n"
        "  --virtual-clock[=yyyy-mm-ddThh:mm]\n"
        "               every wait, and the simulated programs, on a virtual clock starting\n"
        "               at that moment (default now): a run costs our own CPU time only\n\n"
        "commands:\n");
    for (const CliCommand& command : cliCommands()) {
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(QString::fromUtf8(command.name), QString::fromUtf8(command.synopsis),
                         QString::fromUtf8(command.summary));
    }
    printOut(text);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quarrow-cli"));
    QCoreApplication::setApplicationVersion(versionText());

    QStringList arguments = QCoreApplication::arguments().mid(1);
    QString home;
    QString quote;
    std::optional<QDateTime> virtualStart;
    while (!arguments.isEmpty() && arguments.first().startsWith(QLatin1String("--"))) {
        const QString option = arguments.takeFirst();
        if (option == QLatin1String("--help")) {
            printUsage();
            return kExitOk;
        }
        if (option == QLatin1String("--version")) {
            printOut(QStringLiteral("quarrow-cli %1\n").arg(versionText()));
            return kExitOk;
        }
        if (option == QLatin1String("--virtual-clock") ||
            option.startsWith(QLatin1String("--virtual-clock="))) {
            const QString moment = option.section(QLatin1Char('='), 1);
            virtualStart = moment.isEmpty()
                               ? QDateTime::currentDateTime()
                               : QDateTime::fromString(moment, QStringLiteral("yyyy-MM-ddTHH:mm"));
            if (!virtualStart->isValid()) {
                printError(QStringLiteral("--virtual-clock takes a moment like 2017-03-16T15:30"));
                return kExitUsage;
            }
            continue;
        }
        if (option == QLatin1String("--home") || option == QLatin1String("--quote")) {
            if (arguments.isEmpty()) {
                printError(QStringLiteral("%1 needs a folder").arg(option));
                return kExitUsage;
            }
            (option == QLatin1String("--home") ? home : quote) = arguments.takeFirst();
            continue;
        }
        printError(QStringLiteral("unknown option %1 (see quarrow-cli --help)").arg(option));
        return kExitUsage;
    }
    if (arguments.isEmpty()) {
        printUsage();
        return kExitUsage;
    }

    for (const CliCommand& command : cliCommands()) {
        if (arguments.first() != QLatin1String(command.name))
            continue;
        const ProgramFolder folder = ProgramFolder::resolve(home);
        TerminalFrame frame(folder.path());
        PlatformOptions options = programPlatformOptions(folder);
        options.virtualClockStart = virtualStart;
        const std::unique_ptr<Platform> platform = createPlatform(options);
        CliContext context{folder, quote, frame, *platform, platform->clock()};
        const int status = command.run(context, arguments);
        // Output lost on a full disk or a closed pipe means the command did not do its job.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            const int code = errno;
            printError(
                QStringLiteral("cannot write the output: %1")
                    .arg(code ? QString::fromLocal8Bit(std::strerror(code)) : QStringLiteral("write error")));
            return kExitFailure;
        }
        return status;
    }
    printError(QStringLiteral("unknown command '%1' (see quarrow-cli --help)").arg(arguments.first()));
    return kExitUsage;
}

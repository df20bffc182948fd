// quarrow-cli: the headless front end. It runs the same core as the desktop program,
// reporting through the terminal instead of windows.

#include "app/PlatformOptions.h"
#include "app/Version.h"
#include "cli/CliCommand.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "quotefiles/FileOP.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace quarrow;

namespace {

struct GlobalOptions {
    QString home;
    QString quote;
    std::optional<QDateTime> virtualStart;
};

void printUsage() {
    QString text = QStringLiteral(
        "usage: quarrow-cli [--home DIR] [--quote DIR] COMMAND [ARGS...]\n"
        "       quarrow-cli COMMAND --help\n"
        "       quarrow-cli --help | --version\n\n"
        "global options:\n"
        "  --home DIR   program folder (settings, database, report documents);\n"
        "               default: $QUARROW_HOME, else the folder of the executable\n"
        "  --quote DIR  quote program folder for this call (the settings file is not changed)\n"
        "  --virtual-clock[=yyyy-mm-ddThh:mm]\n"
        "               every wait, and the simulated programs, on a virtual clock starting\n"
        "               at that moment (default now): a run costs our own CPU time only\n\n"
        "commands:\n");
    for (const CliCommand* command : cliCommands())
        text +=
            QStringLiteral("  %1\n      %2\n")
                .arg((command->name + QLatin1Char(' ') + command->synopsis()).trimmed(), command->summary);
    printOut(text);
}

// The options before the command. Nothing, with the exit status in *status, when the
// call ends here (help, version, a usage error).
std::optional<GlobalOptions> readGlobalOptions(QStringList& arguments, int* status) {
    GlobalOptions global;
    while (!arguments.isEmpty() && arguments.first().startsWith(QLatin1String("--"))) {
        const QString option = arguments.takeFirst();
        if (option == QLatin1String("--help")) {
            printUsage();
            *status = kExitOk;
            return std::nullopt;
        }
        if (option == QLatin1String("--version")) {
            printOut(QStringLiteral("quarrow-cli %1\n").arg(versionText()));
            *status = kExitOk;
            return std::nullopt;
        }
        if (option == QLatin1String("--virtual-clock") ||
            option.startsWith(QLatin1String("--virtual-clock="))) {
            const QString moment = option.section(QLatin1Char('='), 1);
            global.virtualStart = moment.isEmpty()
                                      ? QDateTime::currentDateTime()
                                      : QDateTime::fromString(moment, QStringLiteral("yyyy-MM-ddTHH:mm"));
            if (!global.virtualStart->isValid()) {
                printError(QStringLiteral("--virtual-clock takes a moment like 2017-03-16T15:30"));
                *status = kExitUsage;
                return std::nullopt;
            }
            continue;
        }
        if (option == QLatin1String("--home") || option == QLatin1String("--quote")) {
            if (arguments.isEmpty()) {
                printError(QStringLiteral("%1 needs a folder").arg(option));
                *status = kExitUsage;
                return std::nullopt;
            }
            (option == QLatin1String("--home") ? global.home : global.quote) = arguments.takeFirst();
            continue;
        }
        printError(QStringLiteral("unknown option %1 (see quarrow-cli --help)").arg(option));
        *status = kExitUsage;
        return std::nullopt;
    }
    if (arguments.isEmpty()) {
        printUsage();
        *status = kExitUsage;
        return std::nullopt;
    }
    return global;
}

bool asksForHelp(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            return false;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return true;
    }
    return false;
}

// Output lost on a full disk or a closed pipe means the command did not do its job.
int outputChecked(int status) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int code = errno;
        printError(
            QStringLiteral("cannot write the output: %1")
                .arg(code ? QString::fromLocal8Bit(std::strerror(code)) : QStringLiteral("write error")));
        return kExitFailure;
    }
    return status;
}

}  // namespace

int main(int argc, char* argv[]) {
    const Utf8Console console;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quarrow-cli"));
    QCoreApplication::setApplicationVersion(versionText());

    QStringList arguments = QCoreApplication::arguments().mid(1);
    int status = kExitOk;
    const std::optional<GlobalOptions> global = readGlobalOptions(arguments, &status);
    if (!global)
        return outputChecked(status);
    const CliCommand* command = findCliCommand(arguments.first());
    if (!command) {
        printError(QStringLiteral("unknown command '%1' (see quarrow-cli --help)").arg(arguments.first()));
        return kExitUsage;
    }
    if (asksForHelp(arguments)) {
        printOut(command->help());
        return outputChecked(kExitOk);
    }
    QCommandLineParser parser;
    if (!parseCliCommand(*command, arguments, parser))
        return kExitUsage;

    // The program is wired once, here: the outside world of this call, the terminal as
    // the frame, and the services over both.
    const ProgramFolder folder = ProgramFolder::resolve(global->home);
    TerminalFrame frame(folder.path());
    PlatformOptions options = programPlatformOptions(folder);
    options.virtualClockStart = global->virtualStart;
    const std::unique_ptr<Platform> platform = createPlatform(options);
    ProgramServices services(folder, *platform, frame);
    if (!global->quote.isEmpty())
        services.overrideQuoteFolder(global->quote);
    // Every start takes away what a killed command left of the program folder's files.
    services.removeScraps();
    // The desktop's half-second timer duties (the failure beep's countdown) run in the
    // event pumps, once for every half second the clock moved on.
    qint64 lastTick_ms = platform->clock().elapsedMs();
    frame.setPumpHook([&] {
        constexpr qint64 kTick_ms = 500;
        const qint64 now = platform->clock().elapsedMs();
        for (; now - lastTick_ms >= kTick_ms; lastTick_ms += kTick_ms)
            services.tick();
    });

    CliCall call(*command, parser, services, frame);
    try {
        status = command->run(call);
    } catch (const RecordFileError& error) {
        // A quote-program file that cannot be read ends the command with its reason.
        printError(error.message());
        status = kExitFailure;
    }
    frame.setPumpHook({});
    return outputChecked(status);
}

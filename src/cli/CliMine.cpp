// quarrow-cli mine, fetch and select: the commands that drive the quote program.

#include "app/Settings.h"
#include "app/SystemSetup.h"
#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "automation/ReportFetch.h"
#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliQuoteSupport.h"
#include "mining/MiningRun.h"
#include "mining/MiningSchedule.h"
#include "platform/Desktop.h"
#include "platform/NetworkState.h"
#include "platform/ProcessLauncher.h"
#include "platform/Shutdown.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"

#include <QFileInfo>

#include <cstdlib>
#include <memory>

namespace quarrow {

namespace {

// The desktop's timer ticks every half second; on the command line its duties run in
// the event pumps, once for every half second the clock moved on.
constexpr qint64 kTick_ms = 500;

// What the commands that drive the quote program share: its windows, the fetch with its
// state, the beep and the alarm, and the duties of the desktop's timer in the pumps.
class QuoteSession {
public:
    QuoteSession(CliContext& context, const QString& quoteFolder)
        : m_context(context),
          m_settings(context.home, context.clock),
          m_setup(m_settings, context.frame, context.clock, context.platform.archiver()),
          m_windows(context.platform.desktop(), context.clock, context.frame, context.platform.launcher()),
          m_beep(context.platform.sound()),
          m_fetch(m_windows, context.frame, context.clock, context.platform.desktop(), m_beep, m_state) {
        m_setup.load();
        QuoteProgramSetup setup;
        setup.quoteFolder = quoteFolder;
        setup.stockWindow = m_setup.StockWindow();
        setup.stockApp = m_setup.StockApp();
        setup.hualinSelected = m_setup.quoteProgram() == QuoteProgram::Hualin;
        setup.qqName = m_settings.qqName();
        m_windows.setSetup(setup);
        // Without "alarm.mp3" there is no player, and every alarm is skipped.
        const QString alarmFile = context.home.filePath(QStringLiteral("alarm.mp3"));
        if (QFileInfo(alarmFile).isFile()) {
            try {
                m_alarm = std::make_unique<TcmxMP3>(context.platform.sound(), alarmFile.toStdU16String());
                m_fetch.setAlarm(m_alarm.get());
            } catch (const eMciDeviceError& error) {
                printError(QStringLiteral("the alarm %1 cannot be played (%2); going on without it")
                               .arg(alarmFile, QString::fromUtf8(error.what())));
            }
        }
        m_lastTick_ms = context.clock.elapsedMs();
        context.frame.setPumpHook([this] { tick(); });
    }
    ~QuoteSession() { m_context.frame.setPumpHook({}); }

    Settings& settings() { return m_settings; }
    QuoteWindows& windows() { return m_windows; }
    ReportFetch& fetch() { return m_fetch; }
    FetchState& state() { return m_state; }
    TcmxMP3* alarm() { return m_alarm.get(); }

private:
    void tick() {
        const qint64 now = m_context.clock.elapsedMs();
        while (now - m_lastTick_ms >= kTick_ms) {
            m_lastTick_ms += kTick_ms;
            m_beep.tick();
        }
    }

    CliContext& m_context;
    Settings m_settings;
    SystemSetup m_setup;
    QuoteWindows m_windows;
    FailureBeep m_beep;
    FetchState m_state;
    ReportFetch m_fetch;
    std::unique_ptr<TcmxMP3> m_alarm;
    qint64 m_lastTick_ms = 0;
};

std::optional<QString> codeArgument(const QStringList& arguments, const char* synopsis) {
    QCommandLineParser parser;
    if (!parseCommandLine(parser, arguments, synopsis))
        return std::nullopt;
    const QStringList codes = parser.positionalArguments();
    if (codes.size() != 1) {
        printError(QStringLiteral("%1 takes one stock code").arg(arguments.first()));
        return std::nullopt;
    }
    const auto code = sixDigitCode(codes.first());
    if (!code)
        printError(QStringLiteral("'%1' is not a stock code (six digits)").arg(codes.first()));
    return code;
}

// The frame of fetch and select: one stock code, the quote folder, and a session with the
// quote program for the body.
int runOnOneStock(CliContext& context, const QStringList& arguments,
                  const std::function<int(QuoteSession& session, const QString& code)>& body) {
    const auto code = codeArgument(arguments, "CODE");
    if (!code)
        return kExitUsage;
    const auto quoteFolder = cliQuoteFolder(context);
    if (!quoteFolder)
        return kExitUsage;
    QuoteSession session(context, *quoteFolder);
    return body(session, *code);
}

}  // namespace

int runFetch(CliContext& context, const QStringList& arguments) {
    return runOnOneStock(context, arguments, [](QuoteSession& session, const QString& code) -> int {
        FetchOutcome outcome;
        try {
            outcome = session.fetch().fetch(code, FetchSender::Button, 0);
        } catch (const eMciDeviceError& error) {
            printError(
                QStringLiteral("the alarm's sound device failed: %1").arg(QString::fromUtf8(error.what())));
            return kExitFailure;
        }
        if (!outcome.captured) {
            printError(outcome.attempted
                           ? QStringLiteral("no dragon-tiger report of %1 was captured").arg(code)
                           : QStringLiteral("the quote program is not running"));
            return kExitFailure;
        }
        QString text;
        for (const QString& line : outcome.lines)
            text += line + QLatin1Char('\n');
        printOut(text);
        return kExitOk;
    });
}

int runSelect(CliContext& context, const QStringList& arguments) {
    return runOnOneStock(context, arguments, [](QuoteSession& session, const QString& code) -> int {
        if (!session.fetch().selectStock(code)) {
            printError(QStringLiteral("%1 could not be typed into the quote program").arg(code));
            return kExitFailure;
        }
        return kExitOk;
    });
}

int runMine(CliContext& context, const QStringList& arguments) {
    static const char* synopsis =
        "[--own] [--percent T] [--days N] [--all-changes] [--no-auto-repeat] [--shutdown] "
        "[--resume|--restart] "
        "[--yes]";
    QCommandLineParser parser;
    const QCommandLineOption ownOption(QStringLiteral("own"), QStringLiteral("Mine the own stocks only."));
    const QCommandLineOption percentOption(
        QStringLiteral("percent"),
        QStringLiteral("Least deviation or turnover in percent; 0 fetches every stock."), QStringLiteral("T"),
        QStringLiteral("20"));
    const QCommandLineOption daysOption(QStringLiteral("days"),
                                        QStringLiteral("Days of daily changes summed."), QStringLiteral("N"),
                                        QStringLiteral("3"));
    const QCommandLineOption allOption(QStringLiteral("all-changes"),
                                       QStringLiteral("Store every anomaly day."));
    const QCommandLineOption noRepeatOption(QStringLiteral("no-auto-repeat"),
                                            QStringLiteral("Ask before mining failed stocks again."));
    const QCommandLineOption shutdownOption(QStringLiteral("shutdown"),
                                            QStringLiteral("Switch the computer off when the run ended."));
    const QCommandLineOption resumeOption(QStringLiteral("resume"),
                                          QStringLiteral("Go on from the stock today's run reached."));
    const QCommandLineOption restartOption(QStringLiteral("restart"),
                                           QStringLiteral("Start from the first stock."));
    const QCommandLineOption yesOption(QStringLiteral("yes"),
                                       QStringLiteral("Answer the start questions (F10, closing data) Yes."));
    parser.addOptions({ownOption, percentOption, daysOption, allOption, noRepeatOption, shutdownOption,
                       resumeOption, restartOption, yesOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    if (parser.isSet(resumeOption) && parser.isSet(restartOption)) {
        printError(QStringLiteral("--resume and --restart exclude each other"));
        return kExitUsage;
    }
    const std::optional<int> percent = wholeNumberOption(parser, percentOption, 0, 1000);
    const std::optional<int> days = percent ? wholeNumberOption(parser, daysOption, 1, 250) : std::nullopt;
    if (!percent || !days)
        return kExitUsage;
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("mine takes no arguments besides its options"));
        return kExitUsage;
    }
    const auto quoteFolder = cliQuoteFolder(context);
    if (!quoteFolder)
        return kExitUsage;

    const bool yes = parser.isSet(yesOption);
    const bool resume = parser.isSet(resumeOption);
    const bool restart = parser.isSet(restartOption);
    TerminalFrame& frame = context.frame;
    frame.setAnswerPolicy([&](const MessageRequest& request) -> std::optional<MessageAnswer> {
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
                return std::nullopt;  // a terminal answers; anything else gets No
        }
    });

    TDataBase db(context.home.databaseFile());
    if (!openDatabaseOrReport(db))
        return kExitFailure;
    StockList stocks;
    if (const int loaded = loadStockListOrReport(context, *quoteFolder, stocks); loaded != kExitOk)
        return loaded;
    OwnStockList own(context.home.filePath(ownStockFileName()));
    QString ownError;
    if (!own.load(&ownError)) {
        printError(QStringLiteral("cannot read the own stock list: %1").arg(ownError));
        return kExitFailure;
    }

    QuoteSession session(context, *quoteFolder);
    Settings& settings = session.settings();
    ExtractionServices services{db,
                                frame,
                                context.clock,
                                context.platform.launcher(),
                                context.platform.archiver(),
                                context.platform.network(),
                                context.home};
    ExtractionTotals totals;
    RunControl run(frame, context.clock);
    MiningSchedule schedule;
    schedule.lastTradeDate = MiningSchedule::expectedTradeDate(context.clock.today());
    schedule.autoStartTime = settings.autoStartTime();
    MiningRun mining({services, totals, settings, run, context.platform.shutdown(), session.windows(),
                      session.fetch(), session.state(), schedule, stocks, own, session.alarm()});

    MiningOptions options;
    options.onlyOwnStocks = parser.isSet(ownOption);
    options.autoRepeat = !parser.isSet(noRepeatOption);
    options.shutdownWhenDone = parser.isSet(shutdownOption);
    options.allChanges = parser.isSet(allOption);
    options.percent = *percent;
    options.lastDays = *days;
    options.quoteFolder = *quoteFolder;
    options.rarFolder = settings.rarFolder();

    CliInterrupt interrupt([&](int count) {
        if (!run.isActive())
            return;
        if (count >= 2) {
            // Only the event pumps of a fetch or between stocks get here, never a stock
            // half stored: ending at once loses nothing but the current capture.
            printError(QStringLiteral("ended at once; every stored stock is complete"));
            std::fflush(stdout);
            std::_Exit(kExitInterrupted);
        }
        run.requestStop();
        frame.ShowPrompt(
            QStringLiteral("stopping after the current stock (Ctrl+C again ends the program at once)"));
    });
    const MiningOutcome outcome = mining.run(options);
    if (!outcome.ran) {
        printError(outcome.error.isEmpty() ? QStringLiteral("the mining run did not start") : outcome.error);
        return kExitFailure;
    }
    printOut(QStringLiteral("mined %1 stocks in %2 passes: %3 fetched, %4 captured, %5 not captured; "
                            "stored %6 anomaly days, %7 block trades\n")
                 .arg(outcome.screened)
                 .arg(outcome.passes)
                 .arg(outcome.fetched)
                 .arg(outcome.captured)
                 .arg(outcome.notCaptured.size())
                 .arg(totals.savedChangeCount)
                 .arg(totals.savedBigCount));
    if (!outcome.notCaptured.isEmpty())
        printOut(QStringLiteral("not captured: %1\n").arg(outcome.notCaptured.join(QLatin1Char(' '))));
    if (!outcome.logFile.isEmpty())
        printOut(QStringLiteral("log: %1\n").arg(outcome.logFile));
    int status = kExitOk;
    if (!outcome.error.isEmpty()) {
        printError(QStringLiteral("the run ended early: %1").arg(outcome.error));
        status = kExitFailure;
    }
    if (outcome.storeFailed()) {
        printError(QStringLiteral("storing failed (%1); the run stopped, and 'quarrow-cli mine --percent 0 "
                                  "--resume' goes on from the last stored stock today")
                       .arg(outcome.storeError));
        status = kExitFailure;
    }
    if (!outcome.logError.isEmpty()) {
        printError(QStringLiteral("cannot write the run's log file: %1").arg(outcome.logError));
        status = kExitFailure;
    }
    if (!outcome.settingsError.isEmpty()) {
        printError(QStringLiteral("cannot note the run's progress in %1 (%2)")
                       .arg(settings.fileName(), outcome.settingsError));
        status = kExitFailure;
    }
    if (status == kExitOk && outcome.stopped)
        return kExitInterrupted;
    if (outcome.end.shutdownAttempted && !outcome.end.shutdown.requested)
        printError(outcome.end.shutdown.message);
    return status;
}

}  // namespace quarrow

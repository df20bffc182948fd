#include "mining/MiningRun.h"

#include "app/ResumePoint.h"
#include "app/SafeFile.h"
#include "app/Settings.h"
#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "automation/ReportFetch.h"
#include "mining/MiningSchedule.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/StockList.h"
#include "quotefiles/StockScreening.h"
#include "report/StockExtraction.h"

#include <QDir>

#include <exception>

namespace quarrow {

namespace {

const QString kRunHint = QStringLiteral("从股票最新异常动态中,揪出三日累计振幅超过20%的股票操盘庄家");
const QString kFinished = QStringLiteral("全部股票分析完毕!");

// The log keeps the user's text; a byte-order mark tells Windows editors it is UTF-8.
QByteArray logBytes(const QStringList& lines) {
    QByteArray bytes("\xEF\xBB\xBF");
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace

MiningRun::MiningRun(MiningServices services)
    : m_services(services),
      m_frame(services.extraction.frame),
      m_resume(services.settings, services.extraction.frame, services.extraction.clock) {}

void MiningRun::log(const QString& line, LogColor color) {
    m_frame.addLog(line, color);
}

void MiningRun::settingsWriteFailed(MiningOutcome& outcome) {
    log(QStringLiteral("\t>>>>>设置文件写入失败:") + m_services.settings.lastError(), LogColor::Magenta);
    if (outcome.settingsError.isEmpty())
        outcome.settingsError = m_services.settings.lastError();
}

bool MiningRun::startChecks(const MiningOptions& options) {
    if (!m_services.extraction.network.isConnected()) {
        m_frame.ShowHelpPicture(QStringLiteral("网络不通,请连接好INTERNET网络!"), QString(), false);
        return false;
    }
    if (options.qqRelayRunning || m_services.run.isActive())
        return false;
    QuoteWindows& windows = m_services.windows;
    if (!windows.EnsureQuoteProgram())
        return false;
    TStockWinInfo* quote = windows.QuoteWin();
    if (!quote || quote->GetMainWindow() == kNoWindow) {
        m_frame.ShowHelpPicture(QStringLiteral("需要安装运行华林证券或东方证券行情分析软件"), QString(),
                                false);
        return false;
    }
    if (quote->SelectMain())
        quote->Press_Key(VirtualKey::F10);
    if (hooks.bringToFront)
        hooks.bringToFront();
    if (m_frame.ShowHelpPicture(
            QStringLiteral("请在证券行情软件上按F10后,选择☆龙虎榜单☆,\r然后再点击\"是\"继续."),
            QStringLiteral("最新提示.jpg"), true, Question::MiningF10Reminder) != MessageAnswer::Yes)
        return false;

    m_indexes = IndexSummaries::compute(options.quoteFolder, options.lastDays);
    if (options.percent > 0 && m_services.schedule.lastTradeDate != m_indexes.shanghai.StDateLast) {
        MessageRequest request;
        request.question = Question::MiningFreshness;
        request.title = QStringLiteral("提示!");
        request.text = QStringLiteral(
            "似乎没有下载今日收盘数据\r请操作证券行情分析软件,下载最新的股市收盘数据.\r是否继续?");
        request.buttons = MessageButtons::YesNo;
        if (m_frame.showMessage(request) != MessageAnswer::Yes)
            return false;
    }
    return true;
}

int MiningRun::chooseStart(const MiningOptions& options, bool ownMode, MiningOutcome& outcome) {
    // Only the unscreened walk of all stocks resumes: a screened run is quick to repeat.
    if (ownMode || options.percent != 0)
        return 0;
    const StockList& stocks = m_services.stocks;
    const int position = m_resume.chooseStart([&stocks](const QString& key) { return stocks.indexOf(key); },
                                              Question::MiningResume, QStringLiteral("抓取"));
    if (m_resume.freshStartFailed())
        settingsWriteFailed(outcome);
    return position;
}

MiningOutcome MiningRun::run(const MiningOptions& options) {
    MiningOutcome outcome;
    m_failed.clear();
    m_retried = false;
    try {
        if (!startChecks(options))
            return outcome;
    } catch (const std::exception& error) {
        // An index file that cannot be read, a sound device that fails: nothing has begun.
        m_frame.ShowHelpPicture(QString::fromUtf8(error.what()), QString(), false);
        outcome.error = QString::fromUtf8(error.what());
        return outcome;
    }
    outcome.ran = true;

    FetchState& state = m_services.fetchState;
    ExtractionTotals& totals = m_services.totals;
    if (hooks.showPromptPage)
        hooks.showPromptPage();
    state.fetchFailed = 1;
    // Between runs the quote program is the user's: a code typed ahead by the last run may
    // no longer be the one it shows.
    state.lastSelectedCode.clear();
    m_frame.clearLog();
    m_frame.ShowPrompt(kRunHint);
    m_frame.ShowPrompt(QStringLiteral("正在分析各只股票的信息,请勿操作使用计算机!"));

    totals.savedRowCount = 0;
    totals.savedChangeCount = 0;
    totals.savedBigCount = 0;
    totals.changeDate = QDate();
    bool ownMode = options.onlyOwnStocks;
    m_lastStockDate = m_services.settings.lastStockDate();
    const int start = chooseStart(options, ownMode, outcome);
    outcome.startPosition = start;

    m_services.schedule.runStarted(m_services.extraction.clock.today());
    if (hooks.stayOnTop)
        hooks.stayOnTop(true);
    m_services.run.start(0, 0);

    try {
        int first = start;
        bool automaticPass = false;
        do {
            m_failed.clear();
            // An empty own list walks all stocks.
            if (ownMode && m_services.ownStocks.items().isEmpty())
                ownMode = false;
            pass(options, ownMode, first, outcome);
            ++outcome.passes;
            first = 0;
            if (outcome.storeFailed)
                break;
            const bool wasAutomatic = automaticPass;
            automaticPass = false;
            if (!m_failed.isEmpty()) {
                if (retryDecision(options, wasAutomatic, outcome)) {
                    ownMode = true;
                    automaticPass = options.autoRepeat;
                }
            }
        } while (!m_failed.isEmpty() && m_services.run.state() != RunState::StopRequested);
    } catch (const std::exception& error) {
        // The run ends in good order: nothing left disabled or on top.
        outcome.error = QString::fromUtf8(error.what());
        log(QStringLiteral("\t>>>>>挖掘中止:") + outcome.error, LogColor::Red);
    }
    finish(options, outcome);
    return outcome;
}

void MiningRun::pass(const MiningOptions& options, bool ownMode, int first, MiningOutcome& outcome) {
    RunControl& run = m_services.run;
    const StockList& stocks = m_services.stocks;
    const QStringList& own = m_services.ownStocks.items();
    const int last = (ownMode ? static_cast<int>(own.size()) : stocks.size()) - 1;
    run.startPass(last + 1, first);
    m_frame.setStatusPanel(StatusPanel::FetchFailures, QStringLiteral("0"));

    ExtractionServices& services = m_services.extraction;
    StockScreener screener(options.quoteFolder, services.db.DBOpened() ? &services.db : nullptr, m_frame);
    StockExtraction extraction(services, m_services.totals);
    FetchState& state = m_services.fetchState;

    for (int p = first; p <= last; ++p) {
        if (!run.beforeItem())
            break;
        run.setPosition(p + 1);
        const QString key = ownMode ? own.at(p) : stocks.at(p).key;
        QString candidate;
        if (options.percent == 0 && p < last)
            candidate = (ownMode ? own.at(p + 1) : stocks.at(p + 1).key).right(6);

        const QString barFile = QuotePaths::dailyBarFile(options.quoteFolder, key);
        // A stock without a daily-bar file is passed over unseen; the read of its bars
        // tells that, with no look at the file of its own. A file that cannot be read ends
        // the run once the stock is shown, as it always did.
        std::optional<TStockChange> bars;
        std::exception_ptr unreadable;
        if (options.percent > 0) {
            try {
                bars = screener.readStock(key, options.lastDays);
            } catch (const RecordFileError&) {
                unreadable = std::current_exception();
            }
            if (!bars && !unreadable)
                continue;
        }
        const QString code = key.right(6);
        const QString name = stocks.nameOf(key);
        if (hooks.showStock)
            hooks.showStock(code, name);
        m_frame.setStatusPanel(StatusPanel::Message, barFile);
        log(services.clock.now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QStringLiteral(":分析") +
                code + name + QStringLiteral(">>>>>>>>>>>>>>>"),
            LogColor::Blue);
        ++outcome.screened;
        if (unreadable)
            std::rethrow_exception(unreadable);

        bool picked = true;
        if (options.percent > 0) {
            const ScreenResult screen = screener.judgeStock(key, name, *bars, options.percent, m_indexes);
            if (screen.stale)
                continue;
            picked = screen.picked;
        }
        m_frame.setStatusPanel(StatusPanel::Pending, QString::number(last - p));

        if (picked) {
            ++outcome.fetched;
            const FetchOutcome fetched =
                m_services.fetch.fetch(code, FetchSender::MiningRun, options.percent);
            // A fetch that never began (no quote program, a malformed code in a hand-edited
            // own list) leaves the last stock's mark as it was: only a capture counts, and a
            // program started again needs its information page opened.
            if (!fetched.attempted)
                state.fetchFailed = 1;
            if (!fetched.captured) {
                m_failed.append(key);
                m_frame.setStatusPanel(StatusPanel::FetchFailures, QString::number(m_failed.size()));
            } else {
                state.lastSelectedCode = candidate;
                // The quote program loads the next stock while this one is stored.
                if (!candidate.isEmpty() && options.percent == 0) {
                    if (m_services.fetch.typeCode(candidate))
                        ++outcome.typedAhead;
                    else
                        state.lastSelectedCode.clear();
                }
                ExtractionOptions extractionOptions;
                extractionOptions.code = code;
                extractionOptions.name = name;
                extractionOptions.allChanges = options.allChanges;
                extractionOptions.percent = options.percent;
                extractionOptions.rarFolder = options.rarFolder;
                const ExtractionResult result =
                    extraction.run(fetched.lines, extractionOptions, ExtractionCaller::MiningRun);
                if (result.storeFailed) {
                    // A database that refuses one stock refuses the next: the run stops,
                    // and the resume point stays at the last stock stored.
                    outcome.storeFailed = true;
                    outcome.storeError = result.storeError;
                    break;
                }
                ++outcome.captured;
                // Noted once stored, so a resumed run never passes over a lost report.
                if (!m_resume.note(key, ownMode ? p : p + 1))
                    settingsWriteFailed(outcome);
                const QDate changeDate = m_services.totals.changeDate;
                if (changeDate.isValid() && (!m_lastStockDate.isValid() || changeDate > m_lastStockDate))
                    m_lastStockDate = changeDate;
            }
        }
        run.itemFinished();
    }
}

bool MiningRun::retryDecision(const MiningOptions& options, bool automaticPass, MiningOutcome& outcome) {
    if (hooks.bringToFront)
        hooks.bringToFront();
    bool again = false;
    if (options.autoRepeat) {
        // A stock that already failed in an automatic retry is not tried automatically
        // again: a report that never comes would keep the run going for ever.
        again = !automaticPass;
    } else {
        MessageRequest request;
        request.question = Question::MiningRetryFailed;
        request.text = QStringLiteral("有") + QString::number(m_failed.size()) +
                       QStringLiteral("只股票未取到变动资料,是否重新挖掘!");
        request.buttons = MessageButtons::YesNo;
        again = m_frame.showMessage(request) == MessageAnswer::Yes;
    }
    if (again) {
        m_retried = true;
        m_frame.setStatusPanel(StatusPanel::FetchFailures, QString());
        m_services.ownStocks.replaceItems(m_failed);
        m_services.fetchState.lastSelectedCode.clear();
        m_services.fetchState.fetchFailed = 1;
        log(QStringLiteral("----------挖掘未成功的股票----------"), LogColor::Default);
        return true;
    }
    m_frame.addPromptMemo(QStringLiteral("\t未取到变动资料的股票:"));
    for (const QString& key : std::as_const(m_failed)) {
        m_frame.addPromptMemo(key);
        outcome.notCaptured.append(key);
    }
    m_failed.clear();
    return false;
}

void MiningRun::finish(const MiningOptions& options, MiningOutcome& outcome) {
    Settings& settings = m_services.settings;
    if (m_retried) {
        QString error;
        if (!m_services.ownStocks.load(&error)) {
            m_services.ownStocks.replaceItems({});
            log(QStringLiteral("\t>>>>>读取自选股出错:") + error, LogColor::Magenta);
        }
    }
    outcome.stopped = m_services.run.state() == RunState::StopRequested;
    outcome.endProgram = m_services.run.endProgramRequested();
    m_services.schedule.miningActive = false;
    const QString finalText = outcome.storeFailed ? QStringLiteral("数据库写入失败,挖掘中止!") : kFinished;
    if (outcome.storeFailed)
        log(QStringLiteral("\t>>>>>保存出错!数据库写入失败:") + outcome.storeError + QStringLiteral("<<<<<"),
            LogColor::Magenta);
    log(finalText, LogColor::Red);
    TcmxMP3* alarm = m_services.alarm;
    auto soundAlarm = [&](bool on) {
        if (!alarm)
            return;
        try {
            on ? alarm->Play() : alarm->Stop();
        } catch (const eMciDeviceError& error) {
            log(QStringLiteral("\t") + QString::fromUtf8(error.what()), LogColor::Red);
        }
    };
    soundAlarm(true);

    writeLogFile(outcome);
    if (m_services.extraction.db.DBOpened())
        listStocksWithoutShares();

    outcome.stockDate = m_lastStockDate;
    if (m_lastStockDate.isValid() &&
        !settings.writeDate(QStringLiteral("Last"), QStringLiteral("StockDate"), m_lastStockDate))
        settingsWriteFailed(outcome);
    outcome.end = m_services.run.finish(finalText, false, nullptr);
    if (hooks.stayOnTop)
        hooks.stayOnTop(false);
    if (hooks.showResults)
        hooks.showResults();

    if (options.shutdownWhenDone && !outcome.stopped && !outcome.storeFailed && outcome.error.isEmpty()) {
        outcome.end.shutdownAttempted = true;
        outcome.end.shutdown = m_services.shutdown.powerOff();
        if (!outcome.end.shutdown.requested)
            m_frame.ShowPrompt(outcome.end.shutdown.message);
    } else {
        if (hooks.refreshDepartments && m_services.totals.departmentsAdded)
            hooks.refreshDepartments();
        m_frame.ShowHelpPicture(QStringLiteral("数据挖掘任务完成!"), QString(), false);
    }
    soundAlarm(false);
}

void MiningRun::writeLogFile(MiningOutcome& outcome) {
    const QString path = m_services.extraction.folder.filePath(
        QStringLiteral("StockNews-") + m_services.extraction.clock.today().toString(Settings::kDateFormat) +
        QStringLiteral(".LOG"));
    QString error;
    if (!SafeFile::replace(path, logBytes(m_frame.logLines()), &error)) {
        outcome.logError = error;
        log(QStringLiteral("\t>>>>>保存日志文件") + QDir::toNativeSeparators(path) + QStringLiteral("出错:") +
                error,
            LogColor::Magenta);
        return;
    }
    outcome.logFile = path;
    m_frame.setStatusPanel(StatusPanel::Message, QDir::toNativeSeparators(path));
}

void MiningRun::listStocksWithoutShares() {
    TDataBase& db = m_services.extraction.db;
    Statement query = db.QueryPublic(QStringLiteral("select StCode from tblStocks where stAQuantity=0"));
    if (!query.exec())
        return;
    QStringList lines;
    while (query.next())
        lines.append(query.text(0));
    if (lines.isEmpty())
        return;
    lines.prepend(QStringLiteral("以下股票没有其") + QStringLiteral("流通A股(亿股)") +
                  QStringLiteral("的数据!"));
    m_frame.showCapture(lines);
}

}  // namespace quarrow

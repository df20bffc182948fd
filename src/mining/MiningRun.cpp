#include "mining/MiningRun.h"

#include "app/ResumePoint.h"
#include "app/SafeFile.h"
#include "app/Settings.h"
#include "app/StockCode.h"
#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "automation/ReportFetch.h"
#include "mining/MiningSchedule.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"
#include "quotefiles/ExchangeRules.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/StockList.h"
#include "quotefiles/StockScreening.h"
#include "report/StockExtraction.h"
#include "store/NotedCommitGroup.h"
#include "store/StockTable.h"

#include <QDir>

#include <exception>

#include <cerrno>

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

MiningRun::MiningRun(MiningServices services, MiningWindowHooks hooks)
    : m_services(services),
      m_hooks(std::move(hooks)),
      m_frame(services.extraction.frame),
      m_resume(services.settings, services.extraction.frame, services.extraction.clock),
      m_record(services.settings, services.extraction.clock) {}

void MiningRun::log(const QString& line, LogColor color) {
    m_frame.addLog(line, color);
}

void MiningRun::settingsWriteFailed(MiningOutcome& outcome) {
    // Said once: a settings file that refuses one write usually refuses the next ones too.
    if (outcome.settingsError.isEmpty())
        log(QStringLiteral("\t>>>>>设置文件写入失败:") + m_services.settings.lastError(), LogColor::Magenta);
    outcome.failSettings(m_services.settings.lastError());
}

MessageAnswer MiningRun::askToStart(const MiningOptions& options, MessageRequest request,
                                    const QString& picture) {
    request.buttons = MessageButtons::YesNo;
    if (options.unattended) {
        // The user set the run up to go by itself: it goes on unless someone says no.
        request.timeout_s = kUnattendedQuestion_s;
        request.timeoutAnswer = MessageAnswer::Yes;
    }
    return m_frame.showWithHelpPicture(request, picture);
}

bool MiningRun::startChecks(const MiningOptions& options, MiningOutcome& outcome) {
    if (!m_services.extraction.network.isConnected()) {
        m_frame.notify(QStringLiteral("网络不通,请连接好INTERNET网络!"));
        outcome.notStart(JobReason::NoNetwork);
        return false;
    }
    QuoteWindows& windows = m_services.windows;
    if (!windows.EnsureQuoteProgram()) {
        outcome.notStart(JobReason::NoQuoteProgram);
        return false;
    }
    TStockWinInfo* quote = windows.QuoteWin();
    if (!quote || quote->GetMainWindow() == kNoWindow) {
        m_frame.notify(QStringLiteral("需要安装运行华林证券或东方证券行情分析软件"));
        outcome.notStart(JobReason::NoQuoteProgram);
        return false;
    }
    if (windows.quoteProgramRefusesInput()) {
        outcome.notStart(JobReason::QuoteProgramRefusesInput);
        return false;
    }
    if (quote->SelectMain())
        quote->Press_Key(VirtualKey::F10);
    if (m_hooks.bringToFront)
        m_hooks.bringToFront();
    MessageRequest f10;
    f10.question = Question::MiningF10Reminder;
    f10.text = QStringLiteral("请在证券行情软件上按F10后,选择☆龙虎榜单☆,\r然后再点击\"是\"继续.");
    if (askToStart(options, f10, QStringLiteral("最新提示.jpg")) != MessageAnswer::Yes) {
        outcome.notStart(JobReason::Declined);
        return false;
    }

    m_indexes = IndexSummaries::compute(options.quoteFolder, options.lastDays);
    if (options.exchangeRules) {
        QStringList problems;
        m_rules = ExchangeRuleSet::read(m_services.settings, &problems);
        for (const QString& problem : problems)
            log(QStringLiteral("\t>>>>>") + problem, LogColor::Magenta);
    }
    const bool screened = options.percent > 0 || options.exchangeRules;
    if (screened && m_services.schedule.lastTradeDate != m_indexes.shanghai.StDateLast) {
        MessageRequest fresh;
        fresh.question = Question::MiningFreshness;
        fresh.title = AppFrame::kHintTitle;
        fresh.text = QStringLiteral(
            "似乎没有下载今日收盘数据\r请操作证券行情分析软件,下载最新的股市收盘数据.\r是否继续?");
        if (askToStart(options, fresh, QString()) != MessageAnswer::Yes) {
            outcome.notStart(JobReason::Declined);
            return false;
        }
    }
    return true;
}

int MiningRun::chooseStart(const MiningOptions& options, bool ownMode, MiningOutcome& outcome) {
    // Only the unscreened walk of all stocks resumes: a screened run is quick to repeat.
    if (ownMode || options.percent != 0 || options.exchangeRules)
        return 0;
    const StockList& stocks = m_services.stocks;
    const int position = m_resume.chooseStart([&stocks](const QString& key) { return stocks.indexOf(key); },
                                              Question::MiningResume, QStringLiteral("抓取"),
                                              options.unattended ? kUnattendedQuestion_s : 0);
    if (m_resume.freshStartFailed())
        settingsWriteFailed(outcome);
    if (position > 0) {
        // The stocks the day's runs could not capture are retried with this run's own.
        for (const QString& key : m_record.today()) {
            if (stocks.indexOf(key) >= 0 && !outcome.carriedFailures.contains(key))
                outcome.carriedFailures.append(key);
        }
        if (!outcome.carriedFailures.isEmpty())
            log(QStringLiteral("\t今日此前未取到变动资料的股票:") +
                    outcome.carriedFailures.join(QLatin1Char(' ')),
                LogColor::Red);
    }
    return position;
}

MiningOutcome MiningRun::run(const RunLease& lease, const MiningOptions& options) {
    MiningOutcome outcome;
    m_failed.clear();
    m_quoteProgramMisses = 0;
    m_retried = false;
    if (!lease) {
        outcome.notStart(JobReason::Busy);
        return outcome;
    }
    ReportFetch& fetch = m_services.fetch;
    QuoteWindows& windows = m_services.windows;
    fetch.beginRun(options.unattended);
    windows.setUnattended(options.unattended);
    const auto attended = [&] {
        fetch.endRun();
        windows.setUnattended(false);
    };
    try {
        if (!startChecks(options, outcome)) {
            attended();
            return outcome;
        }
    } catch (const std::exception& error) {
        // An index file that cannot be read: nothing has begun.
        m_frame.notify(QString::fromUtf8(error.what()));
        outcome.notStart(JobReason::Unexpected, QString::fromUtf8(error.what()));
        attended();
        return outcome;
    }
    outcome.begin();

    if (m_hooks.showPromptPage)
        m_hooks.showPromptPage();
    m_frame.clearLog();
    m_frame.ShowPrompt(kRunHint);
    m_frame.ShowPrompt(QStringLiteral("正在分析各只股票的信息,请勿操作使用计算机!"));

    const bool ownMode = options.onlyOwnStocks;
    m_lastStockDate = m_services.settings.lastStockDate();
    const int start = chooseStart(options, ownMode, outcome);
    outcome.startPosition = start;

    m_services.schedule.runStarted(m_services.extraction.clock.today());
    if (m_hooks.stayOnTop)
        m_hooks.stayOnTop(true);
    m_services.run.start(lease, 0, 0);

    try {
        passes(options, ownMode, start, outcome);
    } catch (const std::exception& error) {
        // The run ends in good order: nothing left disabled or on top.
        outcome.fail(JobReason::Unexpected, QString::fromUtf8(error.what()));
        log(QStringLiteral("\t>>>>>挖掘中止:") + outcome.detail, LogColor::Red);
    }
    // Whatever ended the run, the stocks it could not capture are listed, never lost.
    listNotCaptured(outcome);
    finish(lease, options, outcome);
    attended();
    return outcome;
}

void MiningRun::passes(const MiningOptions& options, bool ownMode, int start, MiningOutcome& outcome) {
    int first = start;
    bool automaticPass = false;
    for (;;) {
        m_failed.clear();
        // An empty own list walks all stocks, and says so on the page.
        if (ownMode && m_services.ownStocks.items().isEmpty()) {
            ownMode = false;
            if (m_hooks.ownListEmpty)
                m_hooks.ownListEmpty();
        }
        pass(options, ownMode, first, outcome);
        ++outcome.passes;
        if (outcome.passes == 1) {
            // What the day's earlier runs missed is tried again, unless this pass has just
            // stored it: only the record knows what is still missing.
            const QStringList missing = m_record.today();
            for (const QString& key : std::as_const(outcome.carriedFailures)) {
                if (missing.contains(key) && !m_failed.contains(key))
                    m_failed.append(key);
            }
        }
        first = 0;
        if (outcome.mustEnd() || m_failed.isEmpty())
            return;
        if (!retryDecision(options, automaticPass))
            return;
        ownMode = true;
        automaticPass = options.autoRepeat;
    }
}

void MiningRun::fetchFailed(const QString& key, MiningOutcome& outcome) {
    if (!m_failed.contains(key))
        m_failed.append(key);
    m_frame.setStatusPanel(StatusPanel::FetchFailures, QString::number(m_failed.size()));
    // Kept for the day: a run stopped or killed retries the stock when resumed.
    if (!m_record.add(key))
        settingsWriteFailed(outcome);
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
    StockExtraction extraction(services, outcome.account);
    outcome.passLength = last + 1;
    // The screening by the exchanges' own rules takes its index days once a pass.
    std::optional<ExchangeRuleScreener> rules;
    if (options.exchangeRules) {
        rules.emplace(
            options.quoteFolder, m_rules,
            [&screener](const QString& code) { return screener.tradableSharesOf(code); },
            [this](const QString& line, LogColor color) { log(line, color); });
        rules->loadIndexes();
    }
    const bool screened = options.percent > 0 || rules;

    for (int p = first; p <= last; ++p) {
        if (!run.beforeItem())
            break;
        run.setPosition(p + 1);
        outcome.reached = p + 1;
        const QString key = ownMode ? own.at(p) : stocks.at(p).key;
        QString candidate;
        if (!screened && p < last)
            candidate = (ownMode ? own.at(p + 1) : stocks.at(p + 1).key).right(6);
        // Only a stock code is typed into the quote program ahead of its turn, as the fetch
        // types only stock codes: a hand-edited own list may hold anything.
        if (!isStockCode(candidate))
            candidate.clear();

        const QString barFile = QuotePaths::dailyBarFile(options.quoteFolder, key);
        // A stock without a daily-bar file is passed over unseen; the read of its bars
        // tells that, with no look at the file of its own. A file that cannot be read ends
        // the run once the stock is shown, as it always did.
        std::optional<TStockChange> bars;
        std::optional<QList<DailyBar>> lastBars;
        std::exception_ptr unreadable;
        if (screened) {
            try {
                if (rules)
                    lastBars = rules->readStock(key);
                else
                    bars = screener.readStock(key, options.lastDays);
            } catch (const RecordFileError&) {
                unreadable = std::current_exception();
            }
            if (!bars && !lastBars && !unreadable)
                continue;
        }
        const QString code = key.right(6);
        const QString name = stocks.nameOf(key);
        if (m_hooks.showStock)
            m_hooks.showStock(code, name);
        m_frame.setStatusPanel(StatusPanel::Message, barFile);
        log(services.clock.now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QStringLiteral(":分析") +
                code + name + QStringLiteral(">>>>>>>>>>>>>>>"),
            LogColor::Blue);
        ++outcome.screened;
        if (unreadable)
            std::rethrow_exception(unreadable);

        bool picked = true;
        if (rules) {
            const ExchangeScreenResult verdict = rules->judgeStock(key, name, *lastBars);
            if (verdict.stale)
                continue;
            picked = verdict.picked;
        } else if (screened) {
            const ScreenResult screen = screener.judgeStock(key, name, *bars, options.percent, m_indexes);
            if (screen.stale)
                continue;
            picked = screen.picked;
        }
        m_frame.setStatusPanel(StatusPanel::Pending, QString::number(last - p));

        if (picked &&
            !storeStock(options, StockAtHand{key, name, ownMode ? p : p + 1, candidate}, extraction, outcome))
            break;
        // The time needed: what the first position took, times the pass's last position;
        // the time left: the time per position walked, times the positions after this one.
        run.itemFinished(p - first + 1, last, last - p - 1);
    }
}

bool MiningRun::storeStock(const MiningOptions& options, const StockAtHand& stock,
                           StockExtraction& extraction, MiningOutcome& outcome) {
    ReportFetch& fetch = m_services.fetch;
    ExtractionServices& services = m_services.extraction;
    const QString code = stock.key.right(6);
    ++outcome.fetched;
    // The exchanges' rules pick the stocks; every anomaly day of their reports counts.
    const int percent = options.exchangeRules ? 0 : options.percent;
    const FetchOutcome fetched = fetch.fetch(code, FetchSender::MiningRun, percent);
    if (fetched.inputRefused) {
        // Restarted as administrator during the run: no stock can be fetched from now on.
        fetch.markNotCaptured();
        fetchFailed(stock.key, outcome);
        outcome.fail(JobReason::QuoteProgramRefusesInput);
        log(QStringLiteral("\t>>>>>行情分析软件以管理员身份运行,挖掘中止<<<<<"), LogColor::Red);
        return false;
    }
    if (!fetched.attempted) {
        // No quote program (or a malformed code in a hand-edited own list): the last
        // stock's mark stays as it was, and a program started again needs its page opened.
        fetch.markNotCaptured();
        fetchFailed(stock.key, outcome);
        if (options.unattended && ++m_quoteProgramMisses >= kQuoteProgramStarts) {
            outcome.fail(JobReason::QuoteProgramLost,
                         QStringLiteral("%1 times in a row").arg(kQuoteProgramStarts));
            log(QStringLiteral("\t>>>>>行情分析软件无法启动,挖掘中止<<<<<"), LogColor::Red);
            return false;
        }
        return true;
    }
    m_quoteProgramMisses = 0;
    if (!fetched.captured) {
        fetchFailed(stock.key, outcome);
        return true;
    }
    fetch.setTypedAhead(stock.next);
    // The quote program loads the next stock while this one is stored.
    if (!stock.next.isEmpty() && percent == 0) {
        if (fetch.typeCode(stock.next))
            ++outcome.typedAhead;
        else
            fetch.setTypedAhead(QString());
    }
    ExtractionOptions extractionOptions;
    extractionOptions.code = code;
    extractionOptions.name = stock.name;
    extractionOptions.allChanges = options.allChanges;
    extractionOptions.percent = percent;
    extractionOptions.rarFolder = options.rarFolder;

    // Each stock is its own transaction, and the resume point moves past it only once its
    // rows are committed: a resumed run never passes over a stock that was lost.
    ExtractionAccount committed;
    NotedCommitGroup group(
        services.db, services.clock, 0,
        {.keep = [&] { committed = outcome.account; },
         .restore = [&] { outcome.account = committed; },
         .note =
             [&] {
                 if (!m_resume.note(stock.key, stock.position))
                     settingsWriteFailed(outcome);
                 const QDate changeDate = outcome.account.changeDate;
                 if (changeDate.isValid() && (!m_lastStockDate.isValid() || changeDate > m_lastStockDate))
                     m_lastStockDate = changeDate;
             }});
    // Another program holding the write lock past the busy timeout fails this stock only:
    // the retry pass comes back to it. A full disk or an I/O error ends the run.
    const auto storingFailed = [&](const QString& error) {
        if (services.db.transactionBusy()) {
            log(QStringLiteral("\t>>>>>数据库被其它程序锁定,") + code + QStringLiteral("稍后重试:") + error,
                LogColor::Magenta);
            fetchFailed(stock.key, outcome);
            return true;
        }
        outcome.failStore(error);
        return false;
    };
    if (!group.begin())
        return storingFailed(group.error());
    const bool namesBefore = outcome.account.departmentsAdded;
    const ExtractionResult result =
        extraction.run(fetched.lines, extractionOptions, ExtractionCaller::MiningRun);
    if (result.storeFailed) {
        group.fail(result.storeError);
        return storingFailed(group.error());
    }
    if (!result.reportRecognised || !result.documentError.isEmpty()) {
        // Another stock's page, a day still to come, or a report that could not be kept as
        // its document: no capture. Whatever of it was stored stays; the record keys keep
        // a later try from storing it twice.
        group.commit();
        fetch.markNotCaptured();
        fetchFailed(stock.key, outcome);
        return true;
    }
    if (!group.finishItem(true))
        return storingFailed(group.error());
    ++outcome.captured;
    if (!m_record.remove(stock.key))
        settingsWriteFailed(outcome);
    if (!namesBefore && outcome.account.departmentsAdded && m_hooks.departmentsAdded)
        m_hooks.departmentsAdded();
    return true;
}

bool MiningRun::retryDecision(const MiningOptions& options, bool automaticPass) {
    if (m_hooks.bringToFront)
        m_hooks.bringToFront();
    // A stopped run asks (the user may want the list), but retries nothing.
    const bool stopped = m_services.run.state() == RunState::StopRequested;
    bool again = false;
    if (options.autoRepeat) {
        // A stock that already failed in an automatic retry is not tried automatically
        // again: a report that never comes would keep the run going for ever.
        again = !automaticPass && !stopped;
    } else {
        MessageRequest request;
        request.question = Question::MiningRetryFailed;
        request.text = QStringLiteral("有") + QString::number(m_failed.size()) +
                       QStringLiteral("只股票未取到变动资料,是否重新挖掘!");
        request.buttons = MessageButtons::YesNo;
        if (options.unattended) {
            request.timeout_s = kUnattendedQuestion_s;
            request.timeoutAnswer = MessageAnswer::Yes;
        }
        again = m_frame.showMessage(request) == MessageAnswer::Yes && !stopped;
    }
    if (!again)
        return false;
    m_retried = true;
    m_frame.setStatusPanel(StatusPanel::FetchFailures, QString());
    m_services.ownStocks.replaceItems(m_failed);
    m_services.fetch.setTypedAhead(QString());
    m_services.fetch.markNotCaptured();
    log(QStringLiteral("----------挖掘未成功的股票----------"), LogColor::Default);
    return true;
}

void MiningRun::listNotCaptured(MiningOutcome& outcome) {
    if (m_failed.isEmpty())
        return;
    m_frame.addPromptMemo(QStringLiteral("\t未取到变动资料的股票:"));
    for (const QString& key : std::as_const(m_failed)) {
        m_frame.addPromptMemo(key);
        outcome.notCaptured.append(key);
    }
    m_failed.clear();
}

QString MiningRun::finalLine(const MiningOutcome& outcome) {
    switch (outcome.end) {
        case JobEnd::Done:
            return kFinished;
        case JobEnd::Stopped:
            return QStringLiteral("挖掘已停止:已分析到第%1只股票(共%2只)!")
                .arg(outcome.reached)
                .arg(outcome.passLength);
        case JobEnd::NotStarted:
        case JobEnd::Failed:
            break;
    }
    return QStringLiteral("挖掘中止:") + outcome.reasonText();
}

QString MiningRun::closingMessage(const MiningOutcome& outcome) {
    switch (outcome.end) {
        case JobEnd::Done:
            return QStringLiteral("数据挖掘任务完成!");
        case JobEnd::Stopped:
            return QStringLiteral(
                       "数据挖掘任务已停止,分析到第%1只股票(共%2只),没有全部完成。\r"
                       "今天再次挖掘时可以从停止处继续。")
                .arg(outcome.reached)
                .arg(outcome.passLength);
        case JobEnd::NotStarted:
        case JobEnd::Failed:
            break;
    }
    return QStringLiteral("数据挖掘任务没有完成:") + outcome.reasonText();
}

void MiningRun::finish(const RunLease& lease, const MiningOptions& options, MiningOutcome& outcome) {
    (void)lease;  // held to the last line: nothing starts while the box is up
    Settings& settings = m_services.settings;
    if (m_retried) {
        QString error;
        if (!m_services.ownStocks.load(&error)) {
            m_services.ownStocks.replaceItems({});
            log(QStringLiteral("\t>>>>>读取自选股出错:") + error, LogColor::Magenta);
        }
    }
    if (m_services.run.state() == RunState::StopRequested)
        outcome.stop();
    // A run that tried stocks and captured none did not do its work.
    if (outcome.done() && outcome.fetched > 0 && outcome.captured == 0)
        outcome.fail(JobReason::NothingCaptured, QStringLiteral("%1 stocks tried").arg(outcome.fetched));
    outcome.endProgram = m_services.run.endProgramRequested();
    m_services.schedule.miningActive = false;
    if (outcome.storeFailed())
        log(QStringLiteral("\t>>>>>保存出错!数据库写入失败:") + outcome.storeError() +
                QStringLiteral("<<<<<"),
            LogColor::Magenta);
    outcome.storedRows = outcome.account.storedRows;
    outcome.dates = outcome.account.dates;
    outcome.departmentsAdded = outcome.account.departmentsAdded;
    if (m_services.followedLine) {
        const QString line = m_services.followedLine(outcome.storedRows);
        if (!line.isEmpty())
            log(line, LogColor::Default);
    }
    TcmxMP3* alarm = m_services.alarm;
    auto soundAlarm = [&](bool on) {
        if (!alarm)
            return;
        try {
            on ? alarm->Play() : alarm->Stop();
        } catch (const eMciDeviceError& error) {
            log(QStringLiteral("\t") + QString::fromUtf8(error.what()), LogColor::Red);
            alarm = nullptr;
        }
    };

    // The notes that can still fail come before the last line, so it tells how the run
    // really ended: the day's newest stock day, the log file.
    outcome.stockDate = m_lastStockDate;
    if (m_lastStockDate.isValid() &&
        !settings.writeDate(QStringLiteral("Last"), QStringLiteral("StockDate"), m_lastStockDate))
        settingsWriteFailed(outcome);
    log(finalLine(outcome), LogColor::Red);
    soundAlarm(true);
    // A log that cannot be written fails the run; the window's log then says so after the
    // line the file would have ended with.
    if (!writeLogFile(outcome)) {
        outcome.fail(JobReason::LogFailed, outcome.logError);
        log(finalLine(outcome), LogColor::Red);
    }
    if (m_services.extraction.db.DBOpened())
        listStocksWithoutShares();

    outcome.closing = m_services.run.finish(finalLine(outcome), false, nullptr);
    if (m_hooks.stayOnTop)
        m_hooks.stayOnTop(false);
    if (m_hooks.showResults)
        m_hooks.showResults(outcome.dates);

    if (options.shutdownWhenDone && outcome.done()) {
        outcome.closing.shutdownAttempted = true;
        outcome.closing.shutdown = m_services.shutdown.powerOff();
        if (!outcome.closing.shutdown.requested)
            m_frame.ShowPrompt(outcome.closing.shutdown.message);
    } else {
        if (m_hooks.refreshDepartments)
            m_hooks.refreshDepartments();
        // Closing the program: the run stopped where the user wanted, nobody waits for a box.
        if (!outcome.endProgram) {
            MessageRequest done;
            done.text = closingMessage(outcome);
            // Nobody may be there to press OK: the box goes by itself then.
            if (options.unattended)
                done.timeout_s = kUnattendedQuestion_s;
            m_frame.showMessage(done);
        }
    }
    soundAlarm(false);
}

bool MiningRun::writeLogFile(MiningOutcome& outcome) {
    const QString path = m_services.extraction.folder.filePath(
        QStringLiteral("StockNews-") + m_services.extraction.clock.today().toString(Settings::kDateFormat) +
        QStringLiteral(".LOG"));
    // A second run of the day adds its lines after the first run's: both are the day's.
    QByteArray bytes;
    QString error;
    int readErrorCode = 0;
    if (!SafeFile::readRegular(path, &bytes, &error, &readErrorCode) && readErrorCode != ENOENT) {
        outcome.logError = error;
        log(QStringLiteral("\t>>>>>读取日志文件") + QDir::toNativeSeparators(path) + QStringLiteral("出错:") +
                error,
            LogColor::Magenta);
        return false;
    }
    const QByteArray lines = logBytes(m_frame.logLines());
    bytes = bytes.isEmpty() ? lines : bytes + lines.mid(3);  // one byte-order mark, at the start
    if (!SafeFile::replace(path, bytes, &error)) {
        outcome.logError = error;
        log(QStringLiteral("\t>>>>>保存日志文件") + QDir::toNativeSeparators(path) + QStringLiteral("出错:") +
                error,
            LogColor::Magenta);
        return false;
    }
    outcome.logFile = path;
    m_frame.setStatusPanel(StatusPanel::Message, QDir::toNativeSeparators(path));
    return true;
}

void MiningRun::listStocksWithoutShares() {
    TDataBase& db = m_services.extraction.db;
    const std::optional<QStringList> codes = stocksWithoutTradableShares(db);
    if (!codes)
        return;
    QStringList lines = *codes;
    if (lines.isEmpty())
        return;
    lines.prepend(QStringLiteral("以下股票没有其") + QStringLiteral("流通A股(亿股)") +
                  QStringLiteral("的数据!"));
    m_frame.showCapture(lines);
}

}  // namespace quarrow

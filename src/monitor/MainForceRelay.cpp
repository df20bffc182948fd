#include "monitor/MainForceRelay.h"

#include "app/AppFrame.h"
#include "app/RunControl.h"
#include "app/Settings.h"
#include "automation/QuoteWindows.h"
#include "monitor/StocksForMonitor.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/NetworkState.h"
#include "store/DataBase.h"
#include "store/ReportRows.h"

#include <algorithm>

namespace quarrow {

namespace {

const QString kMonitorPicture = QStringLiteral("主力监控总览.jpg");
const QString kChatPicture = QStringLiteral("QQ聊天窗口.jpg");
const QString kSellingPrompt = QStringLiteral("正在抓取主力抛售数据,请等待!");
const QString kBuyingPrompt = QStringLiteral("正在抓取主力买入数据,请等待!");
const QString kQuoteMissing = QStringLiteral("需要安装运行华林或东方证券行情分析软件");
const QString kStartedPrompt = QStringLiteral("已经启动QQ监视.如果要操作使用计算机，请关闭QQ监视功能");
const QString kStartedEarlyPrompt =
    QStringLiteral("已经启动QQ监视.但是尚未到股票交易时间!如果要操作使用计算机,请先关闭QQ监视功能");

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString monitorHelp() {
    return QStringLiteral("请打开行情软件的") + quoted(MonitorCapture::kTitle) + QStringLiteral("窗口!");
}

}  // namespace

MainForceRelay::MainForceRelay(RelayServices services, RelaySettingsSource settings, RelayHooks hooks)
    : m_s(services),
      m_settings(std::move(settings)),
      m_hooks(std::move(hooks)),
      m_monitor(services.windows, services.desktop, services.frame),
      m_chat(services.windows, services.desktop, services.clock, services.frame) {}

MainForceRelay::MainForceRelay(RelayServices services, RelaySettings settings, RelayHooks hooks)
    : MainForceRelay(services, RelaySettingsSource([settings] { return settings; }), std::move(hooks)) {}

MainForceRelay::~MainForceRelay() = default;
MainForceRelay::MainForceRelay(MainForceRelay&&) noexcept = default;

QString MainForceRelay::stoppedHint() {
    return QStringLiteral("将当前股票主力买卖动态数据发送给QQ,需要开启华林或东方行情软件中的") +
           quoted(QStringLiteral("主力买卖总览")) + QStringLiteral("窗口");
}

void MainForceRelay::changed() {
    if (m_hooks.stateChanged)
        m_hooks.stateChanged();
}

const StocksForMonitor& MainForceRelay::watchList() const {
    return m_captureOn && m_captureWatch ? *m_captureWatch : m_s.watch;
}

// The quote program must run for both modes; false (with what was said) when it does not.
bool MainForceRelay::startChecks() {
    m_notStarted = JobReason::NoQuoteProgram;
    if (!m_s.windows.EnsureQuoteProgram())
        return false;
    if (!m_s.windows.quoteProgramKnown()) {
        m_s.frame.ShowPrompt(kQuoteMissing);
        return false;
    }
    m_notStarted = JobReason::QuoteProgramRefusesInput;
    return !m_s.windows.quoteProgramRefusesInput();
}

bool MainForceRelay::startRelay(RunLease lease) {
    if (active())
        return false;
    // Another run holds the quote program.
    m_notStarted = JobReason::Busy;
    if (!lease)
        return false;
    m_notStarted = JobReason::NoNetwork;
    if (!m_s.network.isConnected()) {
        m_s.frame.ShowPrompt(QStringLiteral("网络不通,请连接好INTERNET网络!"));
        return false;
    }
    m_notStarted = JobReason::NothingToWatch;
    if (m_s.watch.isEmpty()) {
        m_s.frame.notify(QStringLiteral("没有挑选需要监视的股票!"));
        return false;
    }
    if (!startChecks())
        return false;
    if (m_hooks.showLogPage)
        m_hooks.showLogPage();
    m_notStarted = JobReason::NoMonitorWindow;
    if (!m_monitor.open()) {
        m_s.frame.ShowHelpPicture(monitorHelp(), kMonitorPicture, false);
        return false;
    }
    m_notStarted = JobReason::None;
    m_lease = std::move(lease);
    m_relayOn = true;
    m_captureOn = false;
    m_stoppedByUser = false;
    m_firstStoreError.clear();
    m_unsentAtStart = m_chat.counts().linesUnsent;
    m_storedUnsentAtStart = m_totals.storedUnsent;
    m_sellingList = true;
    m_monitor.showSelling();

    const QString name = nickname();
    if (!name.isEmpty()) {
        if (!m_s.windows.QQChatWin())
            m_s.windows.remakeQQChatWin();
        if (!m_chat.windowKnown())
            m_s.windows.QQChatWin()->Refresh();
        m_chatMissing = !m_chat.windowKnown();
        // The relay goes on all the same: the alerts are stored, and every pass looks for the
        // chat window again, so one opened later is used from then on.
        if (m_chatMissing)
            m_s.frame.ShowHelpPicture(QStringLiteral("请启动QQ并打开与") + quoted(name) +
                                          QStringLiteral("的QQ聊天窗口!\r在打开之前的主力买卖只保存,不发送;"
                                                         "打开后程序会自动发送新的主力买卖"),
                                      kChatPicture, false);
    } else {
        m_s.frame.notify(QStringLiteral("需要申请并设置一个向你发送聊天信息的QQ号!,以便发送主力买卖信息!"));
    }

    // The relay holds the quote program as a run does: the Stop command ends it, and no
    // other run starts meanwhile. It has no progress to show.
    m_s.run.start(m_lease, 0);
    m_s.frame.hideProgress();
    if (m_hooks.stayOnTop)
        m_hooks.stayOnTop(false);
    changed();
    const bool early = settings().onTime && !inMonitorTradingHours(m_s.clock.now());
    m_s.frame.ShowPrompt(early ? kStartedEarlyPrompt : kStartedPrompt);
    pass();
    m_passCounter = 0;
    return true;
}

bool MainForceRelay::startCapture(RunLease lease) {
    m_notStarted = JobReason::Busy;
    if (m_relayOn) {
        m_s.frame.notify(QStringLiteral("请先关闭QQ主力买卖监视功能!"));
        return false;
    }
    if (m_captureOn || !lease)
        return false;
    if (!startChecks())
        return false;
    m_notStarted = JobReason::NoMonitorWindow;
    if (!m_monitor.open()) {
        m_s.frame.ShowHelpPicture(monitorHelp(), kMonitorPicture, false);
        return false;
    }
    m_notStarted = JobReason::None;
    m_lease = std::move(lease);
    m_s.run.start(m_lease, 0);
    m_s.frame.hideProgress();
    if (m_hooks.showLogPage)
        m_hooks.showLogPage();
    m_sellingList = true;
    m_monitor.showSelling();
    // The capture reads every alert of both lists at any hour, for all stocks. It does so
    // with a list and counts of its own: the user's watch list, the trading-hours box and
    // what the relay has handled stay as they are for the next relay.
    m_captureWatch = std::make_unique<StocksForMonitor>(m_s.watch.withAllStocks());
    m_captureLists = MonitorLists();
    m_captureOn = true;
    m_stoppedByUser = false;
    m_firstStoreError.clear();
    changed();
    m_s.frame.ShowPrompt(kSellingPrompt);
    pass();
    m_passCounter = 0;
    return true;
}

void MainForceRelay::switchOff() {
    if (!active())
        return;
    const bool relay = m_relayOn;
    endSession();
    if (relay) {
        m_chat.dropPending(QStringLiteral("QQ监视已关闭"));
        const int unsent = m_chat.counts().linesUnsent - m_unsentAtStart;
        const int storedUnsent = m_totals.storedUnsent - m_storedUnsentAtStart;
        if (unsent > 0)
            m_s.frame.addLog(QStringLiteral("\t本次QQ监视有%1条信息没有发送到QQ").arg(unsent),
                             LogColor::Magenta);
        // A user who starts again should know why those alerts will not come now: they are
        // stored, and an alert stored already is not sent twice.
        if (storedUnsent > 0)
            m_s.frame.addLog(QStringLiteral("\t其中%1条主力买卖在没有QQ聊天窗口时已经保存到数据库,"
                                            "再次启动QQ监视时不会重复发送")
                                 .arg(storedUnsent),
                             LogColor::Magenta);
    }
    if (m_lease)
        m_s.run.finish(stoppedHint(), false, nullptr);
    else
        m_s.frame.ShowPrompt(stoppedHint());
    m_lease.release();
    changed();
}

void MainForceRelay::endSession() {
    m_relayOn = false;
    m_captureOn = false;
    m_captureWatch.reset();
}

bool MainForceRelay::tick() {
    if (!active())
        return false;
    if (m_s.run.stopTag() == 1) {
        m_stoppedByUser = true;
        switchOff();
        return false;
    }
    ++m_passCounter;
    if (static_cast<qint64>(m_passCounter) * kTick_ms > static_cast<qint64>(settings().delay_s) * 1000) {
        m_passCounter = 0;
        pass();
    }
    return true;
}

void MainForceRelay::lookForChatWindow() {
    const bool found = m_chat.lookForWindow();
    if (found && m_chatMissing)
        m_s.frame.addLog(QStringLiteral("\t已找到") + quoted(nickname()) +
                             QStringLiteral("的QQ聊天窗口,从现在起发送主力买卖"),
                         LogColor::Default);
    m_chatMissing = !found && !nickname().isEmpty();
}

bool MainForceRelay::pass() {
    ++m_totals.passes;
    m_chat.newPass();
    if (!m_monitor.ready())
        return false;
    if (m_relayOn)
        lookForChatWindow();

    const QDate today = m_s.clock.today();
    const QString dayPrefix = memoDayPrefix(today);
    // The capture reads at any hour.
    if (!m_captureOn && settings().onTime && !inMonitorTradingHours(m_s.clock.now()))
        return true;
    MonitorLists& lists = m_captureOn ? m_captureLists : m_relayLists;
    if (lists.day != today) {
        // The memos of a new day carry its date: yesterday's look-alikes are no rivals.
        lists.selling.seen.clear();
        lists.buying.seen.clear();
        lists.day = today;
    }
    const AlertSide side = m_sellingList ? AlertSide::Selling : AlertSide::Buying;
    MonitorListState& state = m_sellingList ? lists.selling : lists.buying;
    const std::optional<QStringList> lines = m_monitor.freshRows(state);
    if (!lines)
        return true;
    m_s.frame.showCapture(*lines);
    if (!lines->isEmpty()) {
        m_s.frame.clearLog();
        if (m_hooks.busyCursor)
            m_hooks.busyCursor(true);
        handleRows(*lines, side, dayPrefix, state);
        if (m_hooks.busyCursor)
            m_hooks.busyCursor(false);
    }
    switchLists();
    if (m_relayOn)
        m_chat.sendPending(true);
    return true;
}

// What one row of a pass is, worked out before any is handled.
struct MainForceRelay::RowWork {
    QStringList fields;
    QString value;  // the watch list's value of its stock; empty: not watched
    AlertReading reading;
    int occurrence = 1;
};

void MainForceRelay::handleRows(const QStringList& lines, AlertSide side, const QString& dayPrefix,
                                MonitorListState& state) {
    const StocksForMonitor& watch = watchList();
    std::vector<RowWork> rows(static_cast<std::size_t>(lines.size()));
    // Oldest first, so the number of a look-alike follows the list's own order and comes
    // out the same when the list is read again from its start.
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        RowWork& row = rows[static_cast<std::size_t>(i)];
        row.fields = splitMonitorRow(lines[i]);
        if (row.fields.size() < 3)
            continue;
        row.value = watch.valueOf(row.fields[1]);
        if (row.value.isEmpty())
            continue;
        row.reading = parseMonitorAlert(row.fields);
        if (row.reading.kind == RowKind::Alert) {
            const MonitorAlert& alert = row.reading.alert;
            row.occurrence = ++state.seen[alert.time + QLatin1Char('\t') + alert.name + QLatin1Char('\t') +
                                          alert.quantity.toString()];
        }
    }
    // Read once a pass, as the page shows them now.
    const RelaySettings settings = this->settings();
    int unsent = 0;
    int duplicates = 0;
    for (const RowWork& row : rows)
        handleRow(row, side, dayPrefix, settings, &unsent, &duplicates);
    // A monitor shown again (the relay started anew) brings back every alert of the day:
    // the first is said as always, the rest in one line.
    if (duplicates > 1)
        m_s.frame.addLog(
            QStringLiteral("\t另有%1条数据重复(已经保存过,此前读到时已处理)").arg(duplicates - 1),
            LogColor::Red);
    if (unsent > 0) {
        m_chat.countUnsent(unsent);
        m_totals.storedUnsent += unsent;
        m_s.frame.addLog(QStringLiteral("\t没有QQ聊天窗口,%1条主力买卖已保存但未发送").arg(unsent),
                         LogColor::Magenta);
    }
}

void MainForceRelay::handleRow(const RowWork& row, AlertSide side, const QString& dayPrefix,
                               const RelaySettings& settings, int* unsent, int* duplicates) {
    ++m_totals.rowsHandled;
    if (row.value.isEmpty() || row.reading.kind == RowKind::NotAnAlert)
        return;
    if (row.reading.kind == RowKind::Malformed) {
        ++m_totals.rowsRefused;
        m_s.frame.addLog(QStringLiteral("\t主力监控数据不对(%1),没有保存：%2")
                             .arg(row.reading.problem, rowExcerpt(row.fields)),
                         LogColor::Magenta);
        return;
    }
    const MonitorAlert& alert = row.reading.alert;
    const bool chat = m_relayOn && m_chat.windowKnown();
    const bool ownStock = row.value.contains(QStringLiteral("(*"));
    // What the chat takes: alerts above the threshold, and every alert of an own stock.
    const bool forChat = m_relayOn && !nickname().isEmpty() &&
                         (alert.quantity > Money::fromUnits(settings.sendQty) || ownStock);
    if (chat && !forChat)
        return;
    ++m_totals.alertsKept;
    const QString code = row.value.left(6);
    const QString memo = alertMemo(dayPrefix, code, alert, side, row.occurrence);
    const StoreResult stored =
        m_s.db.DBOpened() ? store(code, alert, side, memo, *duplicates == 0) : StoreResult::NotStored;
    if (stored == StoreResult::Duplicate)
        ++*duplicates;

    const bool selling = side == AlertSide::Selling;
    const QString logLine = alert.time + alert.name + row.value +
                            (selling ? QStringLiteral(">主力抛售:\t") : QStringLiteral("<主力买入:\t")) +
                            alert.priceVolume;
    m_s.frame.addLog(logLine, selling ? LogColor::Red : LogColor::Green);
    // An alert already stored was handled when it first came (a restarted monitor shows it
    // again): the chat has had it, or was told it did not.
    if (!forChat || stored == StoreResult::Duplicate)
        return;
    if (!chat) {
        ++*unsent;
        return;
    }
    m_chat.add((selling ? QStringLiteral("/qiang ") : QStringLiteral("/ruo ")) + logLine + QLatin1Char('\n'));
}

MainForceRelay::StoreResult MainForceRelay::store(const QString& code, const MonitorAlert& alert,
                                                  AlertSide side, const QString& memo, bool sayDuplicate) {
    const bool selling = side == AlertSide::Selling;
    const StoreWrite insert = insertAlert(
        m_s.db, {code, alert.name, m_s.clock.today(),
                 alert.time + (selling ? QStringLiteral("主力抛售") : QStringLiteral("主力买入")),
                 selling ? Money() : alert.quantity, selling ? alert.quantity : Money(), alert.price, memo});
    if (insert.inserted()) {
        ++m_totals.alertsStored;
        return StoreResult::Stored;
    }
    if (insert.duplicate()) {
        ++m_totals.duplicates;
        if (sayDuplicate)
            m_s.frame.addLog(QStringLiteral("\t数据重复：") + memo, LogColor::Red);
        return StoreResult::Duplicate;
    }
    // Not a repeat: the database refused the row, and the user must know it is not stored.
    ++m_totals.storeFailures;
    if (m_firstStoreError.isEmpty())
        m_firstStoreError = insert.error;
    m_s.frame.addLog(
        QStringLiteral("\t数据保存失败：") + memo + QStringLiteral(" (") + insert.error + QLatin1Char(')'),
        LogColor::Magenta);
    return StoreResult::Failed;
}

void MainForceRelay::switchLists() {
    if (m_sellingList) {
        m_monitor.showBuying();
        m_sellingList = false;
        m_s.frame.ShowPrompt(kBuyingPrompt);
    } else if (!m_captureOn) {
        m_monitor.showSelling();
        m_sellingList = true;
        m_s.frame.ShowPrompt(kSellingPrompt);
    } else {
        endCapture();
    }
}

void MainForceRelay::endCapture() {
    endSession();
    if (m_lease)
        m_s.run.finish(QStringLiteral("主力买卖数据抓取完毕!"), false, nullptr);
    else
        m_s.frame.ShowPrompt(QStringLiteral("主力买卖数据抓取完毕!"));
    m_lease.release();
    if (m_hooks.showQueryPage)
        m_hooks.showQueryPage();
    changed();
}

RelayOutcome MainForceRelay::runFor(qint64 duration_ms) {
    const qint64 end = m_s.clock.elapsedMs() + duration_ms;
    while (active() && m_s.clock.elapsedMs() < end) {
        m_s.clock.sleep(kTick_ms);
        m_s.frame.processEvents();
        tick();
    }
    // Out of time: ended as the Stop command would, without counting as the user's stop.
    if (active()) {
        const bool stoppedByUser = m_stoppedByUser;
        m_s.run.requestStop();
        tick();
        m_stoppedByUser = stoppedByUser;
    }
    return outcome();
}

RelayOutcome MainForceRelay::outcome() const {
    RelayOutcome outcome;
    if (m_totals.passes == 0) {
        outcome.notStart(m_notStarted == JobReason::None ? JobReason::Busy : m_notStarted);
    } else {
        outcome.begin();
        if (m_stoppedByUser)
            outcome.stop();
        if (m_totals.storeFailures > 0)
            outcome.failStore(m_firstStoreError);
        const RelayTotals counted = totals();
        if (counted.linesUnsent > 0)
            outcome.fail(JobReason::ChatNotReached, QStringLiteral("%1 of %2")
                                                        .arg(counted.linesUnsent)
                                                        .arg(counted.linesUnsent + counted.linesSent));
    }
    outcome.totals = totals();
    outcome.sentLines = m_chat.sentLines();
    return outcome;
}

RelayTotals MainForceRelay::totals() const {
    RelayTotals counted = m_totals;
    const ChatCounts& chat = m_chat.counts();
    counted.linesSent = chat.linesSent;
    counted.batchesSent = chat.batchesSent;
    counted.batchesKept = chat.batchesKept;
    counted.linesUnsent = chat.linesUnsent;
    return counted;
}

bool commitNickname(Settings& settings, QuoteWindows& windows, const QString& nickname, QString* error) {
    const bool stored = settings.writeText(QStringLiteral("QQ"), QStringLiteral("QQName"), nickname);
    if (!stored && error)
        *error = settings.lastError();
    QuoteProgramSetup setup = windows.setup();
    setup.qqName = nickname;
    windows.setSetup(setup);
    windows.remakeQQChatWin();
    return stored;
}

}  // namespace quarrow

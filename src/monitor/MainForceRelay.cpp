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

const QString kMonitorTitle = QStringLiteral("主力监控总览");
const QString kMonitorPicture = QStringLiteral("主力监控总览.jpg");
const QString kChatPicture = QStringLiteral("QQ聊天窗口.jpg");
const QString kSellingPrompt = QStringLiteral("正在抓取主力抛售数据,请等待!");
const QString kBuyingPrompt = QStringLiteral("正在抓取主力买入数据,请等待!");
const QString kQuoteMissing = QStringLiteral("需要安装运行华林或东方证券行情分析软件");
const QString kStartedPrompt = QStringLiteral("已经启动QQ监视.如果要操作使用计算机，请关闭QQ监视功能");
const QString kStartedEarlyPrompt =
    QStringLiteral("已经启动QQ监视.但是尚未到股票交易时间!如果要操作使用计算机,请先关闭QQ监视功能");
// The offsets in the monitor's first list that show its selling and its buying alerts.
constexpr int kListX = 35;
constexpr int kSellingY = 147;
constexpr int kBuyingY = 130;
constexpr int kBeforePaste_ms = 200;
constexpr int kBeforeEnter_ms = 250;
constexpr int kListReadAttempts = 3;

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString monitorHelp() {
    return QStringLiteral("请打开行情软件的") + quoted(kMonitorTitle) + QStringLiteral("窗口!");
}

}  // namespace

MainForceRelay::MainForceRelay(RelayServices services, RelaySettingsSource settings, RelayHooks hooks)
    : m_s(services), m_settings(std::move(settings)), m_hooks(std::move(hooks)) {}

MainForceRelay::MainForceRelay(RelayServices services, RelaySettings settings, RelayHooks hooks)
    : MainForceRelay(services, RelaySettingsSource([settings] { return settings; }), std::move(hooks)) {}

MainForceRelay::~MainForceRelay() = default;
MainForceRelay::MainForceRelay(MainForceRelay&&) noexcept = default;

QString MainForceRelay::stoppedHint() {
    return QStringLiteral("将当前股票主力买卖动态数据发送给QQ,需要开启华林或东方行情软件中的") +
           quoted(QStringLiteral("主力买卖总览")) + QStringLiteral("窗口");
}

QString MainForceRelay::nickname() const {
    return m_s.windows.setup().qqName;
}

void MainForceRelay::changed() {
    if (m_hooks.stateChanged)
        m_hooks.stateChanged();
}

bool MainForceRelay::chatWindowKnown() const {
    const TStockWinInfo* chat = m_s.windows.QQChatWin();
    return chat && chat->GetMainWindow() != kNoWindow;
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
    if (!m_s.windows.OpenMonitorWindow()) {
        m_s.frame.ShowHelpPicture(monitorHelp(), kMonitorPicture, false);
        return false;
    }
    m_notStarted = JobReason::None;
    m_lease = std::move(lease);
    m_relayOn = true;
    m_captureOn = false;
    m_stoppedByUser = false;
    m_firstStoreError.clear();
    m_pending.clear();
    m_unsentAtStart = m_totals.linesUnsent;
    m_sellingList = true;
    clickList(kSellingY);

    const QString name = nickname();
    if (!name.isEmpty()) {
        if (!m_s.windows.QQChatWin())
            m_s.windows.remakeQQChatWin();
        if (!chatWindowKnown())
            m_s.windows.QQChatWin()->Refresh();
        if (!chatWindowKnown())
            m_s.frame.ShowHelpPicture(
                QStringLiteral("请启动QQ并打开与") + quoted(name) + QStringLiteral("的QQ聊天窗口!"),
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
    if (!m_s.windows.OpenMonitorWindow()) {
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
    clickList(kSellingY);
    // The capture reads every alert of both lists at any hour, for all stocks. It does so
    // with a list and counts of its own: the user's watch list, the trading-hours box and
    // what the relay has handled stay as they are for the next relay.
    m_captureWatch = std::make_unique<StocksForMonitor>(m_s.watch.withAllStocks());
    m_captureLists = ListsRead();
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
        if (!m_pending.isEmpty())
            dropUnsent(m_pending.size(), QStringLiteral("QQ监视已关闭"));
        const int unsent = m_totals.linesUnsent - m_unsentAtStart;
        if (unsent > 0)
            m_s.frame.addLog(QStringLiteral("\t本次QQ监视有%1条信息没有发送到QQ").arg(unsent),
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

void MainForceRelay::clickList(int y) {
    TStockWinInfo* clicks = m_s.windows.MonitorListWin();
    if (!clicks)
        return;
    // The click goes where the list is now, not where it was at the last search, and as
    // far into it as the screen's scaling puts the row.
    clicks->RefreshWinRects();
    clicks->MouseClickOnChild(clicks->ChildPixels(kListX), clicks->ChildPixels(y));
}

void MainForceRelay::checkChatWindow() {
    const QString name = nickname();
    if (!m_s.windows.QQChatWin())
        m_s.windows.remakeQQChatWin();
    TStockWinInfo* chat = m_s.windows.QQChatWin();
    // An empty title would match every window.
    if (name.isEmpty() || FindTopWindow(m_s.desktop, name.toStdU16String()) == kNoWindow) {
        if (!name.isEmpty())
            m_s.frame.ShowPrompt(QStringLiteral("没有打开") + quoted(name) + QStringLiteral("的QQ聊天界面"));
        chat->MainWinClose();
    } else if (chat->GetMainWindow() == kNoWindow) {
        chat->Refresh();
    }
}

bool MainForceRelay::pass() {
    ++m_totals.passes;
    QuoteWindows& windows = m_s.windows;
    if (FindTopWindow(m_s.desktop, kMonitorTitle.toStdU16String()) == kNoWindow) {
        for (TStockWinInfo* win : {windows.MonitorListWin2(), windows.MonitorListWin()}) {
            if (win)
                win->MainWinClose();
        }
        if (!windows.OpenMonitorWindow()) {
            m_s.frame.ShowPrompt(kMonitorTitle + QStringLiteral("没有开启!"));
            return false;
        }
    } else if (!windows.MonitorListWin() || windows.MonitorListWin()->GetMainWindow() == kNoWindow ||
               !windows.MonitorListWin2()) {
        windows.OpenMonitorWindow();  // makes and finds both lists
    }
    if (m_relayOn)
        checkChatWindow();

    const QDate today = m_s.clock.today();
    const QString dayPrefix = memoDayPrefix(today);
    // The capture reads at any hour.
    if (!m_captureOn && settings().onTime && !inMonitorTradingHours(m_s.clock.now()))
        return true;
    TStockWinInfo* list = windows.MonitorListWin2();
    if (list && !list->SelectChild()) {
        // Known but gone: the monitor was closed and opened again since it was found.
        list->Refresh();
        if (TStockWinInfo* clicks = windows.MonitorListWin())
            clicks->Refresh();
    }
    if (!list || !list->SelectChild())
        return true;

    m_s.frame.showCapture({});
    ListsRead& lists = m_captureOn ? m_captureLists : m_relayLists;
    if (lists.day != today) {
        // The memos of a new day carry its date: yesterday's look-alikes are no rivals.
        lists.selling.seen.clear();
        lists.buying.seen.clear();
        lists.day = today;
    }
    const AlertSide side = m_sellingList ? AlertSide::Selling : AlertSide::Buying;
    ListState& state = m_sellingList ? lists.selling : lists.buying;
    const std::vector<std::vector<std::u16string>> rows = readFreshRows(list->GetChildWindow(), state);
    if (!rows.empty()) {
        QStringList lines;
        lines.reserve(static_cast<qsizetype>(rows.size()));
        for (const std::vector<std::u16string>& cells : rows) {
            QString line;
            for (std::size_t c = 0; c < cells.size(); ++c) {
                if (c > 0)
                    line += QLatin1Char('\t');
                line += QString::fromStdU16String(cells[c]);
            }
            lines << line;
        }
        m_s.frame.showCapture(lines);
        m_s.frame.clearLog();
        if (m_hooks.busyCursor)
            m_hooks.busyCursor(true);
        handleRows(lines, side, dayPrefix, state);
        if (m_hooks.busyCursor)
            m_hooks.busyCursor(false);
    }
    switchLists();
    if (m_relayOn)
        sendPending(true);
    return true;
}

// The rows the monitor added to a list since it was last read, newest first; only they are
// read and made text, so a pass costs what it brings, not what the day has gathered. The
// monitor puts its new rows on top: the row that was newest at the last read must now
// stand just below them. When it does not, or the list got shorter, the monitor began the
// list again (restarted, or a new day began) and all of it is new; what was stored before
// is recognised by its memo and not stored or sent twice.
std::vector<std::vector<std::u16string>> MainForceRelay::readFreshRows(WindowHandle listView,
                                                                       ListState& state) {
    for (int attempt = 1;; ++attempt) {
        const int length = static_cast<int>(m_s.desktop.listViewRowCount(listView));
        if (length < state.handled)
            state.reset();
        const int fresh = length - state.handled;
        if (fresh <= 0)
            return {};
        const bool anchored = state.handled > 0;
        std::vector<std::vector<std::u16string>> rows =
            m_s.desktop.readListView(listView, static_cast<std::size_t>(fresh + (anchored ? 1 : 0)));
        // Alerts that arrive while the rows are read push the fresh ones down: read again
        // while the count moves, so none is skipped.
        if (static_cast<int>(m_s.desktop.listViewRowCount(listView)) > length && attempt < kListReadAttempts)
            continue;
        const auto fresh_n = static_cast<std::size_t>(fresh);
        if (anchored && (rows.size() <= fresh_n || rows[fresh_n] != state.newest)) {
            state.reset();
            continue;
        }
        rows.resize(std::min(rows.size(), fresh_n));
        state.handled += static_cast<int>(rows.size());
        if (!rows.empty())
            state.newest = rows.front();
        return rows;
    }
}

// What one row of a pass is, worked out before any is handled.
struct MainForceRelay::RowWork {
    QStringList fields;
    QString value;  // the watch list's value of its stock; empty: not watched
    AlertReading reading;
    int occurrence = 1;
};

void MainForceRelay::handleRows(const QStringList& lines, AlertSide side, const QString& dayPrefix,
                                ListState& state) {
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
    for (const RowWork& row : rows)
        handleRow(row, side, dayPrefix, settings, &unsent);
    if (unsent > 0) {
        m_totals.linesUnsent += unsent;
        m_s.frame.addLog(QStringLiteral("\t没有QQ聊天窗口,%1条信息未发送").arg(unsent), LogColor::Magenta);
    }
}

void MainForceRelay::handleRow(const RowWork& row, AlertSide side, const QString& dayPrefix,
                               const RelaySettings& settings, int* unsent) {
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
    const bool chat = m_relayOn && chatWindowKnown();
    const bool ownStock = row.value.contains(QStringLiteral("(*"));
    // What the chat takes: alerts above the threshold, and every alert of an own stock.
    const bool forChat = m_relayOn && !nickname().isEmpty() &&
                         (alert.quantity > Money::fromUnits(settings.sendQty) || ownStock);
    if (chat && !forChat)
        return;
    ++m_totals.alertsKept;
    const QString code = row.value.left(6);
    const QString memo = alertMemo(dayPrefix, code, alert, side, row.occurrence);
    const StoreResult stored = m_s.db.DBOpened() ? store(code, alert, side, memo) : StoreResult::NotStored;

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
    addChatLine((selling ? QStringLiteral("/qiang ") : QStringLiteral("/ruo ")) + logLine +
                QLatin1Char('\n'));
}

MainForceRelay::StoreResult MainForceRelay::store(const QString& code, const MonitorAlert& alert,
                                                  AlertSide side, const QString& memo) {
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

void MainForceRelay::addChatLine(const QString& line) {
    m_pending.append({line, m_s.clock.now(), 0});
    if (m_pending.size() >= kBatchLines)
        sendPending(false);
}

// Sends the waiting lines in messages of at most 40 lines; in the middle of a pass only
// whole messages, at its end whatever waits.
void MainForceRelay::sendPending(bool all) {
    const QDateTime oldest = m_s.clock.now().addSecs(-kKeepUnsent_s);
    qsizetype stale = 0;
    while (stale < m_pending.size() && m_pending[stale].made < oldest)
        ++stale;
    if (stale > 0)
        dropUnsent(stale, QStringLiteral("等待超过%1分钟").arg(kKeepUnsent_s / 60));
    while (m_pending.size() >= kBatchLines || (all && !m_pending.isEmpty())) {
        const qsizetype count = std::min<qsizetype>(kBatchLines, m_pending.size());
        QStringList lines;
        lines.reserve(count);
        for (qsizetype i = 0; i < count; ++i)
            lines << m_pending[i].text;
        if (!sendMessage(lines)) {
            keepForNextPass();
            return;
        }
        m_pending.erase(m_pending.begin(), m_pending.begin() + count);
    }
}

bool MainForceRelay::sendMessage(const QStringList& lines) {
    TStockWinInfo* chat = m_s.windows.QQChatWin();
    if (!chat || !chat->SelectMain())
        return false;
    m_s.clock.sleep(kBeforePaste_ms);
    chat->Past_Keys(lines.join(QString()).toStdU16String());
    m_s.clock.sleep(kBeforeEnter_ms);
    chat->Press_Enter();
    m_totals.linesSent += static_cast<int>(lines.size());
    m_sentLines += lines;
    ++m_totals.batchesSent;
    return true;
}

// Nothing reached the chat, so nothing can arrive twice: the lines wait for the next pass,
// which looks for the window again (it may have been reopened). Lines that already waited
// a pass go: the window is not coming back soon, and old alerts are no news.
void MainForceRelay::keepForNextPass() {
    if (TStockWinInfo* chat = m_s.windows.QQChatWin())
        chat->MainWinClose();
    const int pass = m_totals.passes;
    QList<PendingLine> kept;
    qsizetype dropped = 0;
    for (PendingLine& line : m_pending) {
        if (line.failedInPass != 0 && line.failedInPass < pass) {
            ++dropped;
            continue;
        }
        if (line.failedInPass == 0)
            line.failedInPass = pass;
        kept.append(std::move(line));
    }
    m_pending = std::move(kept);
    if (dropped > 0) {
        m_totals.linesUnsent += static_cast<int>(dropped);
        m_s.frame.addLog(QStringLiteral("\tQQ聊天窗口无法选中,%1条信息未发送").arg(dropped),
                         LogColor::Magenta);
    }
    if (!m_pending.isEmpty())
        ++m_totals.batchesKept;
}

// The oldest `count` waiting lines go unsent.
void MainForceRelay::dropUnsent(qsizetype count, const QString& why) {
    m_pending.erase(m_pending.begin(), m_pending.begin() + count);
    m_totals.linesUnsent += static_cast<int>(count);
    m_s.frame.addLog(QStringLiteral("\t%1,%2条信息未发送").arg(why).arg(count), LogColor::Magenta);
}

bool MainForceRelay::sendLines(const QStringList& lines) {
    if (lines.isEmpty())
        return true;
    checkChatWindow();
    if (!chatWindowKnown())
        return false;
    // The relay's own lines still waiting go first, as at the end of a pass.
    sendPending(true);
    if (!m_pending.isEmpty())
        return false;
    QStringList message;
    for (const QString& line : lines.mid(0, kBatchLines))
        message << line + QLatin1Char('\n');
    return sendMessage(message);
}

void MainForceRelay::switchLists() {
    if (m_sellingList) {
        clickList(kBuyingY);
        m_sellingList = false;
        m_s.frame.ShowPrompt(kBuyingPrompt);
    } else if (!m_captureOn) {
        clickList(kSellingY);
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
        if (m_totals.linesUnsent > 0)
            outcome.fail(JobReason::ChatNotReached, QStringLiteral("%1 of %2")
                                                        .arg(m_totals.linesUnsent)
                                                        .arg(m_totals.linesUnsent + m_totals.linesSent));
    }
    outcome.totals = m_totals;
    outcome.sentLines = m_sentLines;
    return outcome;
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

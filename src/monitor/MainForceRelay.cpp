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

const QString kInsert = QStringLiteral(
    "insert into tblMainBuySale (StCode,StName,StDate,StDept,StBuy,StSale,StRate,StMemo) "
    "values (:StCode,:StName,:StDate,:StDept,:StBuy,:StSale,:StRate,:StMemo)");

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString monitorHelp() {
    return QStringLiteral("请打开行情软件的") + quoted(kMonitorTitle) + QStringLiteral("窗口!");
}

}  // namespace

MainForceRelay::MainForceRelay(RelayServices services, RelaySettings settings, RelayHooks hooks)
    : m_s(services), m_settings(settings), m_hooks(std::move(hooks)) {}

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

// The quote program must run for both modes; false (with what was said) when it does not.
bool MainForceRelay::startChecks() {
    if (!m_s.windows.EnsureQuoteProgram())
        return false;
    if (!m_s.windows.quoteProgramKnown()) {
        m_s.frame.ShowPrompt(kQuoteMissing);
        return false;
    }
    return true;
}

bool MainForceRelay::startRelay() {
    if (active())
        return false;
    if (!m_s.network.isConnected()) {
        m_s.frame.ShowPrompt(QStringLiteral("网络不通,请连接好INTERNET网络!"));
        return false;
    }
    if (m_s.watch.isEmpty()) {
        m_s.frame.notify(QStringLiteral("没有挑选需要监视的股票!"));
        return false;
    }
    if (!startChecks())
        return false;
    // Another run holds the quote program.
    if (m_s.run.isActive())
        return false;
    if (m_hooks.showLogPage)
        m_hooks.showLogPage();
    if (!m_s.windows.OpenMonitorWindow()) {
        m_s.frame.ShowHelpPicture(monitorHelp(), kMonitorPicture, false);
        return false;
    }
    m_relayOn = true;
    m_captureOn = false;
    m_stoppedByUser = false;
    m_firstStoreError.clear();
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
    m_s.run.start(0);
    m_s.frame.hideProgress();
    if (m_hooks.stayOnTop)
        m_hooks.stayOnTop(false);
    changed();
    const bool early = m_settings.onTime && !inMonitorTradingHours(m_s.clock.now());
    m_s.frame.ShowPrompt(early ? kStartedEarlyPrompt : kStartedPrompt);
    pass();
    m_passCounter = 0;
    return true;
}

bool MainForceRelay::startCapture() {
    if (m_relayOn) {
        m_s.frame.notify(QStringLiteral("请先关闭QQ主力买卖监视功能!"));
        return false;
    }
    if (m_captureOn || m_s.run.isActive())
        return false;
    if (!startChecks())
        return false;
    if (!m_s.windows.OpenMonitorWindow()) {
        m_s.frame.ShowHelpPicture(monitorHelp(), kMonitorPicture, false);
        return false;
    }
    m_s.run.start(0);
    m_s.frame.hideProgress();
    if (m_hooks.showLogPage)
        m_hooks.showLogPage();
    m_sellingList = true;
    clickList(kSellingY);
    // Every alert counts while capturing, whatever the hour.
    m_settings.onTime = false;
    m_s.watch.fillAll();
    if (m_hooks.watchListChanged)
        m_hooks.watchListChanged();
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
    m_relayOn = false;
    m_captureOn = false;
    if (m_s.run.isActive())
        m_s.run.finish(stoppedHint(), false, nullptr);
    else
        m_s.frame.ShowPrompt(stoppedHint());
    changed();
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
    if (static_cast<qint64>(m_passCounter) * kTick_ms > static_cast<qint64>(m_settings.delay_s) * 1000) {
        m_passCounter = 0;
        pass();
    }
    return true;
}

void MainForceRelay::clickList(int y) {
    TStockWinInfo* clicks = m_s.windows.MonitorListWin();
    if (!clicks)
        return;
    // The click goes where the list is now, not where it was at the last search.
    clicks->RefreshWinRects();
    clicks->MouseClickOnChild(kListX, y);
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

    const QString dayPrefix = memoDayPrefix(m_s.clock.today());
    if (m_settings.onTime && !inMonitorTradingHours(m_s.clock.now()))
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
    const AlertSide side = m_sellingList ? AlertSide::Selling : AlertSide::Buying;
    int& handled = m_sellingList ? m_saleCount : m_buyCount;
    const WindowHandle listView = list->GetChildWindow();
    int length = static_cast<int>(m_s.desktop.listViewRowCount(listView));
    // A list shorter than what was handled of it belongs to a restarted monitor whose
    // counts began again: all of it is new. What was stored before is recognised by its
    // memo and not stored twice.
    if (length < handled)
        handled = 0;
    if (length > handled) {
        // The monitor shows its newest rows first: only the first length - handled are
        // new, and only they are made text and shown in the capture memo, so a pass costs
        // what it brings, not what the day has gathered.
        // Alerts that arrive while the rows are read push the fresh ones down: read again
        // while the count moves, so none is skipped (one read twice is refused by its memo).
        std::vector<std::vector<std::u16string>> rows;
        for (int attempt = 1;; ++attempt) {
            rows = m_s.desktop.readListView(listView, static_cast<std::size_t>(length - handled));
            const int now = static_cast<int>(m_s.desktop.listViewRowCount(listView));
            if (now <= length || attempt == kListReadAttempts)
                break;
            length = now;
        }
        const int fresh = std::min(length - handled, static_cast<int>(rows.size()));
        QStringList lines;
        lines.reserve(fresh);
        for (int i = 0; i < fresh; ++i) {
            const std::vector<std::u16string>& cells = rows[static_cast<std::size_t>(i)];
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
        handled += fresh;
        for (const QString& line : lines)
            handleRow(line, side, dayPrefix);
        if (m_hooks.busyCursor)
            m_hooks.busyCursor(false);
    }
    switchLists();
    if (!m_captureOn && !m_batch.isEmpty())
        sendBatch();
    return true;
}

void MainForceRelay::handleRow(const QString& line, AlertSide side, const QString& dayPrefix) {
    ++m_totals.rowsHandled;
    const QStringList fields = splitMonitorRow(line);
    if (fields.size() < 3)
        return;
    const QString value = m_s.watch.valueOf(fields[1]);
    if (value.isEmpty())
        return;
    const std::optional<MonitorAlert> alert = parseMonitorAlert(fields);
    if (!alert)
        return;
    const bool chat = chatWindowKnown();
    const bool ownStock = value.contains(QStringLiteral("(*"));
    if (chat && alert->quantity <= Money::fromUnits(m_settings.sendQty) && !ownStock && !m_captureOn)
        return;
    ++m_totals.alertsKept;
    const QString code = value.left(6);
    const QString memo = alertMemo(dayPrefix, code, *alert, side);
    if (m_s.db.DBOpened())
        store(code, *alert, side, memo);

    const bool selling = side == AlertSide::Selling;
    const QString logLine = alert->time + alert->name + value +
                            (selling ? QStringLiteral(">主力抛售:\t") : QStringLiteral("<主力买入:\t")) +
                            alert->priceVolume;
    m_s.frame.addLog(logLine, selling ? LogColor::Red : LogColor::Green);
    if (m_captureOn || !chat)
        return;
    m_batch << (selling ? QStringLiteral("/qiang ") : QStringLiteral("/ruo ")) + logLine + QLatin1Char('\n');
    if (m_batch.size() >= kBatchLines)
        sendBatch();
}

void MainForceRelay::store(const QString& code, const MonitorAlert& alert, AlertSide side,
                           const QString& memo) {
    const bool selling = side == AlertSide::Selling;
    Statement insert = m_s.db.DBCommand(kInsert);
    insert.bind(QStringLiteral(":StCode"), code)
        .bind(QStringLiteral(":StName"), alert.name)
        .bind(QStringLiteral(":StDate"), m_s.clock.today())
        .bind(QStringLiteral(":StDept"),
              alert.time + (selling ? QStringLiteral("主力抛售") : QStringLiteral("主力买入")))
        .bind(QStringLiteral(":StRate"), alert.price)
        .bind(QStringLiteral(":StMemo"), memo);
    if (selling)
        insert.bind(QStringLiteral(":StBuy"), qint32(0)).bind(QStringLiteral(":StSale"), alert.quantity);
    else
        insert.bind(QStringLiteral(":StBuy"), alert.quantity).bind(QStringLiteral(":StSale"), qint32(0));
    if (insert.exec()) {
        ++m_totals.alertsStored;
    } else if (insert.failedOnUniqueKey()) {
        ++m_totals.duplicates;
        m_s.frame.addLog(QStringLiteral("\t数据重复：") + memo, LogColor::Red);
    } else {
        // Not a repeat: the database refused the row, and the user must know it is not stored.
        ++m_totals.storeFailures;
        if (m_firstStoreError.isEmpty())
            m_firstStoreError = insert.error();
        m_s.frame.addLog(QStringLiteral("\t数据保存失败：") + memo + QStringLiteral(" (") + insert.error() +
                             QLatin1Char(')'),
                         LogColor::Magenta);
    }
}

bool MainForceRelay::sendBatch() {
    TStockWinInfo* chat = m_s.windows.QQChatWin();
    if (!chat || !chat->SelectMain()) {
        // Nothing reached the chat, so nothing can arrive twice: the lines wait for the
        // next pass. The window is looked for again then (it may have been reopened).
        if (chat)
            chat->MainWinClose();
        ++m_totals.batchesKept;
        if (m_batch.size() > kMaxKeptLines) {
            const int dropped = static_cast<int>(m_batch.size()) - kMaxKeptLines;
            m_batch.erase(m_batch.begin(), m_batch.begin() + dropped);
            m_s.frame.addLog(QStringLiteral("\tQQ聊天窗口无法选中,%1条信息未发送").arg(dropped),
                             LogColor::Magenta);
        }
        return false;
    }
    m_s.clock.sleep(kBeforePaste_ms);
    chat->Past_Keys(m_batch.join(QString()).toStdU16String());
    m_s.clock.sleep(kBeforeEnter_ms);
    chat->Press_Enter();
    m_totals.linesSent += static_cast<int>(m_batch.size());
    m_sentLines += m_batch;
    ++m_totals.batchesSent;
    m_batch.clear();
    return true;
}

bool MainForceRelay::sendLines(const QStringList& lines) {
    if (lines.isEmpty())
        return true;
    checkChatWindow();
    if (!chatWindowKnown())
        return false;
    if (!m_batch.isEmpty() && !sendBatch())
        return false;
    for (const QString& line : lines.mid(0, kBatchLines))
        m_batch << line + QLatin1Char('\n');
    if (sendBatch())
        return true;
    m_batch.clear();
    return false;
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
    m_captureOn = false;
    if (m_s.run.isActive())
        m_s.run.finish(QStringLiteral("主力买卖数据抓取完毕!"), false, nullptr);
    else
        m_s.frame.ShowPrompt(QStringLiteral("主力买卖数据抓取完毕!"));
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
    outcome.ran = m_totals.passes > 0;
    outcome.stopped = m_stoppedByUser;
    if (m_totals.storeFailures > 0)
        outcome.failStore(m_firstStoreError);
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

#include "monitor/ChatSender.h"

#include "app/AppFrame.h"
#include "app/Settings.h"
#include "automation/QuoteWindows.h"
#include "automation/StockWindows.h"
#include "platform/Clock.h"

#include <algorithm>

namespace quarrow {

namespace {

constexpr int kBeforePaste_ms = 200;
constexpr int kBeforeEnter_ms = 250;

// The break a list's text puts after each of its lines, as the chat window takes it.
#ifdef Q_OS_WIN
const QString kListLineBreak = QStringLiteral("\r\n");
#else
const QString kListLineBreak = QStringLiteral("\n");
#endif

}  // namespace

ChatSender::ChatSender(QuoteWindows& windows, Desktop& desktop, Clock& clock, AppFrame& frame)
    : m_windows(windows), m_desktop(desktop), m_clock(clock), m_frame(frame) {}

QString ChatSender::nickname() const {
    return Settings::usableNickname(m_windows.setup().qqName);
}

bool ChatSender::windowKnown() const {
    const TStockWinInfo* chat = m_windows.QQChatWin();
    return chat && chat->GetMainWindow() != kNoWindow;
}

bool ChatSender::lookForWindow() {
    const QString name = nickname();
    if (!m_windows.QQChatWin())
        m_windows.remakeQQChatWin();
    TStockWinInfo* chat = m_windows.QQChatWin();
    // An empty title would match every window.
    if (name.isEmpty() || FindTopWindow(m_desktop, name.toStdU16String()) == kNoWindow) {
        if (!name.isEmpty())
            m_frame.ShowPrompt(QStringLiteral("没有打开\"") + name + QStringLiteral("\"的QQ聊天界面"));
        chat->MainWinClose();
        return false;
    }
    if (chat->GetMainWindow() == kNoWindow)
        chat->Refresh();
    return windowKnown();
}

void ChatSender::add(const QString& line) {
    m_pending.append({line, m_clock.now(), 0});
    if (m_pending.size() >= kBatchLines)
        sendPending(false);
}

void ChatSender::sendPending(bool all) {
    const QDateTime oldest = m_clock.now().addSecs(-kKeepUnsent_s);
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

bool ChatSender::sendMessage(const QStringList& lines) {
    TStockWinInfo* chat = m_windows.QQChatWin();
    if (!chat || !chat->SelectMain())
        return false;
    m_clock.sleep(kBeforePaste_ms);
    // The message is the list's text: each line ends with the list's own line break (a
    // chat line's line feed becomes it), so every alert stands on a line of its own.
    QString text;
    for (QString line : lines) {
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        text += line + kListLineBreak;
    }
    chat->Past_Keys(text.toStdU16String());
    m_clock.sleep(kBeforeEnter_ms);
    chat->Press_Enter();
    m_counts.linesSent += static_cast<int>(lines.size());
    m_sentLines += lines;
    ++m_counts.batchesSent;
    return true;
}

// Nothing reached the chat, so nothing can arrive twice: the lines wait for the next pass,
// which looks for the window again (it may have been reopened). Lines that already waited
// a pass go: the window is not coming back soon, and old alerts are no news.
void ChatSender::keepForNextPass() {
    if (TStockWinInfo* chat = m_windows.QQChatWin())
        chat->MainWinClose();
    QList<PendingLine> kept;
    qsizetype dropped = 0;
    for (PendingLine& line : m_pending) {
        if (line.failedInPass != 0 && line.failedInPass < m_pass) {
            ++dropped;
            continue;
        }
        if (line.failedInPass == 0)
            line.failedInPass = m_pass;
        kept.append(std::move(line));
    }
    m_pending = std::move(kept);
    if (dropped > 0) {
        m_counts.linesUnsent += static_cast<int>(dropped);
        m_frame.addLog(QStringLiteral("\tQQ聊天窗口无法选中,%1条信息未发送").arg(dropped), LogColor::Magenta);
    }
    if (!m_pending.isEmpty())
        ++m_counts.batchesKept;
}

// The oldest `count` waiting lines go unsent.
void ChatSender::dropUnsent(qsizetype count, const QString& why) {
    m_pending.erase(m_pending.begin(), m_pending.begin() + count);
    m_counts.linesUnsent += static_cast<int>(count);
    m_frame.addLog(QStringLiteral("\t%1,%2条信息未发送").arg(why).arg(count), LogColor::Magenta);
}

void ChatSender::dropPending(const QString& why) {
    if (!m_pending.isEmpty())
        dropUnsent(m_pending.size(), why);
}

bool ChatSender::sendLines(const QStringList& lines) {
    if (lines.isEmpty())
        return true;
    if (!lookForWindow())
        return false;
    // The relay's own lines still waiting go first, as at the end of a pass.
    sendPending(true);
    if (!m_pending.isEmpty())
        return false;
    QStringList message;
    for (const QString& line : lines.mid(0, kBatchLines))
        message << line;
    return sendMessage(message);
}

}  // namespace quarrow

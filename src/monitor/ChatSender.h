#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace quarrow {

class AppFrame;
class Clock;
class Desktop;
class QuoteWindows;

// What reached the chat window and what did not.
struct ChatCounts {
    int linesSent = 0;  // chat lines delivered with Enter
    int batchesSent = 0;
    int batchesKept = 0;  // messages the chat window could not take, kept for the next pass
    // Chat lines that never reached the chat window: it was missing or could not be
    // selected, a kept line found it gone again or waited too long, or the relay stopped.
    int linesUnsent = 0;
};

// The chat window of the nickname and the lines waiting for it: the relay's alerts and the
// followed departments' summary after a run go out the same way, pasted in messages of at
// most 40 lines and sent with Enter.
class ChatSender {
public:
    static constexpr int kBatchLines = 40;
    // A line the chat window could not take is tried once more at the next pass, and only
    // while it is this fresh: an alert is news for minutes, not hours.
    static constexpr int kKeepUnsent_s = 180;

    ChatSender(QuoteWindows& windows, Desktop& desktop, Clock& clock, AppFrame& frame);

    // The nickname whose chat window receives the lines; empty for none, the nickname box's
    // placeholder counting as none.
    QString nickname() const;
    bool windowKnown() const;
    // Looks for the chat window again, as every pass does: one opened after the relay began
    // is used from then on. True when it is there.
    bool lookForWindow();

    // A pass begins: lines kept from an earlier one that fail again are dropped.
    void newPass() { ++m_pass; }
    // A line waits for the chat window; a full message goes at once.
    void add(const QString& line);
    // Sends the waiting lines in messages of at most 40 lines: in the middle of a pass only
    // whole messages, at its end whatever waits.
    void sendPending(bool all);
    // Lines from elsewhere in the program, at most one message of them, after the relay's
    // own that still wait. False when the chat window cannot be had; they are not kept.
    bool sendLines(const QStringList& lines);
    // The relay stops: the lines still waiting go unsent, and are said so.
    void dropPending(const QString& why);
    // Alerts meant for the chat that found no chat window: counted as unsent.
    void countUnsent(int lines) { m_counts.linesUnsent += lines; }

    int pendingLines() const { return static_cast<int>(m_pending.size()); }
    const ChatCounts& counts() const { return m_counts; }
    const QStringList& sentLines() const { return m_sentLines; }

private:
    struct PendingLine {
        QString text;
        QDateTime made;
        int failedInPass = 0;  // the pass whose send did not reach the chat; 0 none yet
    };
    bool sendMessage(const QStringList& lines);
    void keepForNextPass();
    void dropUnsent(qsizetype count, const QString& why);

    QuoteWindows& m_windows;
    Desktop& m_desktop;
    Clock& m_clock;
    AppFrame& m_frame;
    QList<PendingLine> m_pending;
    QStringList m_sentLines;
    ChatCounts m_counts;
    int m_pass = 0;
};

}  // namespace quarrow

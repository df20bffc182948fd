#pragma once

#include "app/AppFrame.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace quarrow::test {

struct LoggedLine {
    QString text;
    LogColor color;
};

// A frame that remembers everything shown to the user and answers questions from a
// preset queue (once the queue is empty: No, or the answer a countdown would take).
class RecordingFrame final : public AppFrame {
public:
    explicit RecordingFrame(QString programFolder = QString()) : m_folder(std::move(programFolder)) {}

    MessageAnswer showMessage(const MessageRequest& request) override;
    void addLog(const QString& line, LogColor color) override { logs.append({line, color}); }
    void setStatusPanel(StatusPanel panel, const QString& text) override;
    QString statusPanel(StatusPanel panel) const { return statusPanels.value(int(panel)); }
    void clearLog() override { logClearedAt = logs.size(); }
    QStringList logLines() const override { return logTexts().mid(logClearedAt); }
    void addPromptMemo(const QString& line) override { promptMemo.append(line); }
    void showCapture(const QStringList& lines) override { capture = lines; }
    void processEvents() override {
        ++eventPumps;
        if (onProcessEvents)
            onProcessEvents();
    }
    void showProgress(const RunProgress& progress) override {
        progressShown = true;
        progressUpdates.append(progress);
    }
    void hideProgress() override { progressShown = false; }
    void enableCommands(bool on) override { commandsEnabled = on; }
    QString programFolder() const override { return m_folder; }

    // The logged texts only, and how many contain a fragment.
    QStringList logTexts() const;
    int countLogs(const QString& fragment) const;
    bool hasLog(const QString& text, LogColor color) const;

    QList<LoggedLine> logs;
    QStringList prompts;
    qsizetype logClearedAt = 0;
    QStringList promptMemo;
    QStringList capture;
    QList<MessageRequest> messages;
    QList<MessageAnswer> answers;  // consumed front first by Yes/No boxes
    QStringList statusPanels = QStringList(13, QString());
    int eventPumps = 0;
    // Runs inside every event pump: what the user does while a run works (clicks).
    std::function<void()> onProcessEvents;
    // Runs while a box is up, before it is answered: what happens meanwhile (a timer).
    std::function<void(const MessageRequest&)> onMessage;
    QList<RunProgress> progressUpdates;
    bool progressShown = false;
    bool commandsEnabled = true;

protected:
    void displayPrompt(const QString& oneLine) override { prompts.append(oneLine); }

private:
    QString m_folder;
};

}  // namespace quarrow::test

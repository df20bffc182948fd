#pragma once

#include "app/AppFrame.h"

#include <functional>
#include <optional>

namespace quarrow {

// The frame of the command line: log lines go to standard output (coloured only on a
// terminal), the prompt line and message boxes to standard error. Questions are answered
// by a policy the command sets from its flags; without one, an interactive terminal is
// asked and anything else gets the safe answer (No).
class TerminalFrame final : public AppFrame {
public:
    using AnswerPolicy = std::function<std::optional<MessageAnswer>(const MessageRequest&)>;

    explicit TerminalFrame(QString programFolder);

    MessageAnswer showMessage(const MessageRequest& request) override;
    void addLog(const QString& line, LogColor color) override;
    void setStatusPanel(StatusPanel panel, const QString& text) override;
    // The lines since the last clear are kept: a run saves them as its log file.
    void clearLog() override { m_log.clear(); }
    QStringList logLines() const override { return m_log; }
    // Notes for later go to standard error with the prompt line.
    void addPromptMemo(const QString& line) override { displayPrompt(line); }
    // The capture is kept for the command that wants to print it, never echoed.
    void showCapture(const QStringList& lines) override { m_capture = lines; }
    const QStringList& capture() const { return m_capture; }
    void processEvents() override;
    // The progress box becomes the progress line: items done, total, time remaining.
    void showProgress(const RunProgress& progress) override;
    void hideProgress() override { endProgressLine(); }
    void enableCommands(bool) override {}
    QString programFolder() const override { return m_programFolder; }

    // Return nothing from the policy to fall back to asking (or the safe answer).
    void setAnswerPolicy(AnswerPolicy policy) { m_policy = std::move(policy); }
    // Whether a question can be put to a person at a terminal.
    bool canAsk() const { return m_stdinIsTerminal; }
    // Runs in every event pump: the duties of the desktop's half-second timer.
    void setPumpHook(std::function<void()> hook) { m_pumpHook = std::move(hook); }
    // A one-line progress display on standard error, rewritten in place on a terminal.
    void showProgressLine(const QString& text);
    void endProgressLine();

protected:
    void displayPrompt(const QString& oneLine) override;

private:
    QString m_programFolder;
    AnswerPolicy m_policy;
    std::function<void()> m_pumpHook;
    QStringList m_capture;
    QStringList m_log;
    bool m_colourOut;
    bool m_stderrIsTerminal;
    bool m_stdinIsTerminal;
    bool m_progressShown = false;
    int m_lastTenth = -1;
};

}  // namespace quarrow

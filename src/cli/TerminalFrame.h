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
    void processEvents() override;
    // The progress box becomes the progress line: items done, total, time remaining.
    void showProgress(const RunProgress& progress) override;
    void hideProgress() override { endProgressLine(); }
    void enableCommands(bool) override {}
    QString programFolder() const override { return m_programFolder; }

    // Return nothing from the policy to fall back to asking (or the safe answer).
    void setAnswerPolicy(AnswerPolicy policy) { m_policy = std::move(policy); }
    // A one-line progress display on standard error, rewritten in place on a terminal.
    void showProgressLine(const QString& text);
    void endProgressLine();

protected:
    void displayPrompt(const QString& oneLine) override;

private:
    QString m_programFolder;
    AnswerPolicy m_policy;
    bool m_colourOut;
    bool m_stderrIsTerminal;
    bool m_stdinIsTerminal;
    bool m_progressShown = false;
    int m_lastTenth = -1;
};

}  // namespace quarrow

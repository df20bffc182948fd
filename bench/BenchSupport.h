#pragma once

#include "app/AppFrame.h"

#include <chrono>

namespace quarrow::bench {

// A frame that swallows everything: the benchmarks measure work, not terminal output.
class SilentFrame final : public AppFrame {
public:
    MessageAnswer showMessage(const MessageRequest&) override { return MessageAnswer::No; }
    void addLog(const QString&, LogColor) override { ++loggedLines; }
    void setStatusPanel(StatusPanel, const QString&) override {}
    void clearLog() override {}
    QStringList logLines() const override { return {}; }
    void addPromptMemo(const QString&) override {}
    void showCapture(const QStringList&) override {}
    void processEvents() override {}
    void showProgress(const RunProgress&) override {}
    void hideProgress() override {}
    void enableCommands(bool) override {}
    QString programFolder() const override { return {}; }
    long loggedLines = 0;

protected:
    void displayPrompt(const QString&) override {}
};

class Stopwatch {
public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace quarrow::bench

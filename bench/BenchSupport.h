#pragma once

#include "app/AppFrame.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace quarrow::bench {

// A frame that swallows everything: the benchmarks measure work, not terminal output. It
// answers Yes to the questions listed in yesTo and No to every other one.
class SilentFrame final : public AppFrame {
public:
    MessageAnswer showMessage(const MessageRequest& request) override {
        return yesTo.contains(request.question) ? MessageAnswer::Yes : MessageAnswer::No;
    }
    void addLog(const QString&, LogColor) override { ++loggedLines; }
    void setStatusPanel(StatusPanel, const QString&) override {}
    void clearLog() override {}
    QStringList logLines() const override { return {}; }
    void addPromptMemo(const QString&) override {}
    void showCapture(const QStringList&) override {}
    // Pumps Qt's events when asked, as the command line's frame does: the simulated
    // desktop delivers its window notifications through them.
    void processEvents() override {
        if (pumpEvents)
            QCoreApplication::processEvents();
    }
    void showProgress(const RunProgress& progress) override {
        if (progressed)
            progressed(progress);
    }
    void hideProgress() override {}
    void enableCommands(bool) override {}
    QString programFolder() const override { return {}; }
    long loggedLines = 0;
    QList<Question> yesTo;
    bool pumpEvents = false;
    // Called with every progress update of a batch, for figures taken along the way.
    std::function<void(const RunProgress&)> progressed;

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

// The number after an option such as "--stocks", else the fallback.
inline int argumentValue(const QStringList& arguments, const QString& name, int fallback) {
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toInt() : fallback;
}

// The process's peak resident memory so far.
inline long peakMemoryKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The processor time the process has used so far, user and system: on a machine shared
// with other work it varies less than the time on the clock.
inline double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The middle of a few measurements (the upper one of an even count): one round disturbed by
// the machine's other work does not move it.
inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The processor time of the calling thread alone: the critical path of a job whose helpers
// (the network's thread, a parse) run beside it.
inline double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The resident memory now (Linux), to compare early and late in a run.
inline long currentMemoryKb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

}  // namespace quarrow::bench

#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

class QProcess;

namespace quarrow {

enum class LaunchResult {
    Finished,      // the program ran and ended within the wait
    TimedOut,      // still running when the wait ran out (left running or ended, as asked)
    FailedToStart  // missing, not executable, or refused by the system
};

// What becomes of a program still running when its wait runs out. A tool doing a job for
// us (the archiver) is ended: one that hangs must not outlive the run or the program. A
// program the user looks at (an archive shown in the archive manager) is left running.
// The same choice says whether the program gets a window: a tool is started hidden, a
// program the user looks at with its normal window.
enum class WhenTimedOut { LeaveRunning, End };

// Starts outside programs (the archiver, the quote program, the updater).
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Runs program with arguments in workingFolder (hidden or not, by whenTimedOut), and waits at most
    // wait_ms from the call for it to start and end: one deadline, not one per step (0: do not wait at all,
    // and the program is never ended).
    virtual LaunchResult run(const QString& program, const QStringList& arguments,
                             const QString& workingFolder, int wait_ms, WhenTimedOut whenTimedOut) = 0;
};

// The real launcher on every platform, built on QProcess. The backend hands it the way its
// system starts a tool without a window (Windows gives a console program one of its own);
// without it a tool starts as any program does, which is right where no window comes.
class SystemProcessLauncher final : public ProcessLauncher {
public:
    using WindowHiding = std::function<void(QProcess&)>;
    explicit SystemProcessLauncher(WindowHiding hideWindow = {}) : m_hideWindow(std::move(hideWindow)) {}

    LaunchResult run(const QString& program, const QStringList& arguments, const QString& workingFolder,
                     int wait_ms, WhenTimedOut whenTimedOut) override;

private:
    WindowHiding m_hideWindow;
};

}  // namespace quarrow

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

// What becomes of a program still running when its wait runs out. A program the user
// looks at (an archive shown in the archive manager) is left running. A tool doing a job
// for us is either ended (End), or, when ending it halfway would spoil its work (the
// archiver writing an archive), only no longer waited for (LeaveHidden). The same choice
// says whether the program gets a window: a tool is started hidden, a program the user
// looks at with its normal window.
enum class WhenTimedOut { LeaveRunning, End, LeaveHidden };

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
    // What a program that outlives the wait (the quote program) is started with besides.
    using Detaching = std::function<void(QProcess&)>;
    explicit SystemProcessLauncher(WindowHiding hideWindow = {}, Detaching detach = {})
        : m_hideWindow(std::move(hideWindow)), m_detach(std::move(detach)) {}

    LaunchResult run(const QString& program, const QStringList& arguments, const QString& workingFolder,
                     int wait_ms, WhenTimedOut whenTimedOut) override;

private:
    WindowHiding m_hideWindow;
    Detaching m_detach;
};

}  // namespace quarrow

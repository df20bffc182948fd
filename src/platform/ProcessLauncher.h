#pragma once

#include <QString>
#include <QStringList>

namespace quarrow {

enum class LaunchResult {
    Finished,      // the program ran and ended within the wait
    TimedOut,      // still running when the wait ran out; it is left running
    FailedToStart  // missing, not executable, or refused by the system
};

// Starts outside programs (the archiver, the quote program, the updater).
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Runs program with arguments in workingFolder, window hidden, and waits at most wait_ms
    // (0: do not wait at all).
    virtual LaunchResult run(const QString& program, const QStringList& arguments,
                             const QString& workingFolder, int wait_ms) = 0;
};

// The real launcher on every platform, built on QProcess.
class SystemProcessLauncher final : public ProcessLauncher {
public:
    LaunchResult run(const QString& program, const QStringList& arguments, const QString& workingFolder,
                     int wait_ms) override;
};

}  // namespace quarrow

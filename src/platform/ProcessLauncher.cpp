#include "platform/ProcessLauncher.h"

#include <QDeadlineTimer>
#include <QProcess>

namespace quarrow {

namespace {
// How long an ended program gets to go away before we stop looking.
constexpr int kEndWait_ms = 2000;
}  // namespace

LaunchResult SystemProcessLauncher::run(const QString& program, const QStringList& arguments,
                                        const QString& workingFolder, int wait_ms,
                                        WhenTimedOut whenTimedOut) {
    if (wait_ms <= 0) {
        return QProcess::startDetached(program, arguments, workingFolder) ? LaunchResult::Finished
                                                                          : LaunchResult::FailedToStart;
    }
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setWorkingDirectory(workingFolder);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // A tool doing a job for us works unseen; a program the user looks at (the archive
    // shown in the archive manager, the quote program, the updater) opens its window as usual.
    if (whenTimedOut != WhenTimedOut::LeaveRunning && m_hideWindow)
        m_hideWindow(*process);
    if (whenTimedOut == WhenTimedOut::LeaveRunning && m_detach)
        m_detach(*process);
    const QDeadlineTimer deadline(wait_ms);
    process->start();
    if (!process->waitForStarted(static_cast<int>(deadline.remainingTime()))) {
        const bool neverStarted = process->state() == QProcess::NotRunning;
        process->kill();
        process->waitForFinished(kEndWait_ms);
        delete process;
        return neverStarted ? LaunchResult::FailedToStart : LaunchResult::TimedOut;
    }
    if (process->waitForFinished(static_cast<int>(deadline.remainingTime()))) {
        delete process;
        return LaunchResult::Finished;
    }
    if (whenTimedOut == WhenTimedOut::End) {
        process->kill();
        process->waitForFinished(kEndWait_ms);  // reaps it; a kill is not refused
        delete process;
        return LaunchResult::TimedOut;
    }
    // Owned by nobody once it outlives the wait: it deletes itself when it ends.
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return LaunchResult::TimedOut;
}

}  // namespace quarrow

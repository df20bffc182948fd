#include "platform/ProcessLauncher.h"

#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace quarrow {

LaunchResult SystemProcessLauncher::run(const QString& program, const QStringList& arguments,
                                        const QString& workingFolder, int wait_ms) {
    if (wait_ms <= 0) {
        return QProcess::startDetached(program, arguments, workingFolder) ? LaunchResult::Finished
                                                                          : LaunchResult::FailedToStart;
    }
    // Owned by nobody once it outlives the wait: a slow archiver is left to finish on its own.
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setWorkingDirectory(workingFolder);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    process->setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* args) {
        args->flags |= CREATE_NO_WINDOW;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_HIDE;
    });
#endif
    process->start();
    if (!process->waitForStarted(wait_ms)) {
        delete process;
        return LaunchResult::FailedToStart;
    }
    if (process->waitForFinished(wait_ms)) {
        delete process;
        return LaunchResult::Finished;
    }
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return LaunchResult::TimedOut;
}

}  // namespace quarrow

#include "platform/posix/PosixServices.h"

#include "platform/ProcessLauncher.h"

#include <QProcess>

namespace quarrow {

ShutdownResult PosixShutdown::powerOff() {
    const QString command = qEnvironmentVariable("QUARROW_SHUTDOWN_COMMAND").trimmed();
    if (command.isEmpty()) {
        return {false,
                QStringLiteral("shutdown not done: on this system the computer is switched off only by a "
                               "command set in QUARROW_SHUTDOWN_COMMAND")};
    }
    QStringList words = QProcess::splitCommand(command);
    const QString program = words.isEmpty() ? QString() : words.takeFirst();
    if (program.isEmpty())
        return {false, QStringLiteral("shutdown not done: QUARROW_SHUTDOWN_COMMAND names no program")};
    const LaunchResult result = m_launcher.run(program, words, QString(), 0, WhenTimedOut::LeaveRunning);
    if (result == LaunchResult::FailedToStart)
        return {false, QStringLiteral("shutdown command failed to start: %1").arg(command)};
    return {true, QStringLiteral("shutdown command started: %1").arg(command)};
}

}  // namespace quarrow

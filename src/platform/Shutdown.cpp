#include "platform/Shutdown.h"

#include "platform/ProcessLauncher.h"

#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace quarrow {

SystemShutdown::SystemShutdown(ProcessLauncher& launcher) : m_launcher(launcher) {}

ShutdownResult SystemShutdown::powerOff() {
#ifdef Q_OS_WIN
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return {false, QStringLiteral("shutdown refused: the process token cannot be opened")};
    TOKEN_PRIVILEGES privileges{};
    LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    const bool privileged = GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    if (!privileged)
        return {false, QStringLiteral("shutdown refused: no shutdown privilege")};
    if (!ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF,
                       SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED))
        return {false, QStringLiteral("shutdown refused by the system")};
    return {true, QStringLiteral("the computer is shutting down")};
#else
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
#endif
}

}  // namespace quarrow

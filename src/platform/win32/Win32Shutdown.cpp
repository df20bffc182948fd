#include "platform/win32/Win32Services.h"

#include <windows.h>

namespace quarrow {

// Takes the shutdown privilege and asks Windows to shut down and power off, without
// forcing programs that refuse.
ShutdownResult Win32Shutdown::powerOff() {
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
}

}  // namespace quarrow

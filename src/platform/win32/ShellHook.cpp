// The global shell hook for systems whose shell does not notify a registered window of
// top-level windows coming and going. The system loads this library into every program
// that creates or destroys such a window and calls the hook there, in that program; the
// hook posts the notification to our receiver window, in the shell's own form (the
// "SHELLHOOK" message, the code in the first parameter, the window in the second).

#include "platform/win32/ShellHookLibrary.h"

#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK QuarrowShellProc(int code, WPARAM wParam, LPARAM lParam);

LRESULT CALLBACK QuarrowShellProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HSHELL_WINDOWCREATED || code == HSHELL_WINDOWDESTROYED || code == HSHELL_WINDOWACTIVATED) {
        static const UINT message = RegisterWindowMessageW(L"SHELLHOOK");
        // Every receiver hears it: two programs with our desktop each keep their own windows.
        HWND receiver = nullptr;
        while ((receiver = FindWindowExW(nullptr, receiver, QUARROW_SHELL_RECEIVER_CLASS, nullptr)))
            PostMessageW(receiver, message, static_cast<WPARAM>(code), static_cast<LPARAM>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

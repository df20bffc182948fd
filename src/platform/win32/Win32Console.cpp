#include "platform/Console.h"

#include <windows.h>

namespace quarrow {

Utf8Console::Utf8Console() {
    // Only a console of our own has a code page to set; output redirected elsewhere has none.
    DWORD mode = 0;
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (!GetConsoleMode(out, &mode) && !GetConsoleMode(error, &mode))
        return;
    const UINT current = GetConsoleOutputCP();
    if (current != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        m_savedCodePage = current;
}

Utf8Console::~Utf8Console() {
    // The console outlives us: the shell that started us gets its code page back.
    if (m_savedCodePage != 0)
        SetConsoleOutputCP(m_savedCodePage);
}

}  // namespace quarrow

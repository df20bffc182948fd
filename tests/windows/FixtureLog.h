#pragma once

// The fixtures' record of what they were asked to do: one UTF-8 line per event, appended
// to a file in the working folder and closed at once, so the check reads it while the
// fixture runs. Line breaks inside an event are written as \r and \n.

#include "FixtureData.h"

#include <windows.h>

#include <string>

namespace fixture {

inline std::wstring escaped(const std::wstring& text) {
    std::wstring out;
    for (const wchar_t c : text) {
        if (c == L'\r')
            out += L"\\r";
        else if (c == L'\n')
            out += L"\\n";
        else
            out += c;
    }
    return out;
}

inline void logTo(const wchar_t* file, const std::wstring& event) {
    const std::wstring line = escaped(event) + L"\n";
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), bytes, nullptr,
                        nullptr);
    const HANDLE out = CreateFileW(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(out);
}

inline void log(const std::wstring& event) {
    logTo(kQuoteLog, event);
}

}  // namespace fixture

#include "platform/win32/Win32System.h"

#include <windows.h>

namespace quarrow {

std::u16string winRarPathFromRegistry() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"SOFTWARE\\Microsoft\\windows\\CurrentVersion\\App Paths\\WinRAR.exe", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    std::u16string path;
    wchar_t value[MAX_PATH + 1]{};
    DWORD bytes = MAX_PATH * sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, L"Path", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        for (const wchar_t* c = value; *c; ++c)
            path += static_cast<char16_t>(*c);
    }
    RegCloseKey(key);
    return path;
}

GlobalHotKey::GlobalHotKey(void* window, const std::u16string& atomName, unsigned modifiers,
                           std::uint8_t virtualKey)
    : m_window(window) {
    const std::wstring name(atomName.begin(), atomName.end());
    if (GlobalFindAtomW(name.c_str()) != 0)
        return;  // another copy of the program holds the key
    m_atom = GlobalAddAtomW(name.c_str());
    if (m_atom == 0)
        return;
    m_registered = RegisterHotKey(static_cast<HWND>(m_window), m_atom, modifiers, virtualKey) != FALSE;
}

GlobalHotKey::~GlobalHotKey() {
    if (m_registered)
        UnregisterHotKey(static_cast<HWND>(m_window), m_atom);
    if (m_atom != 0)
        GlobalDeleteAtom(m_atom);
}

}  // namespace quarrow

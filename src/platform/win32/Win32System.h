#pragma once

#include <cstdint>
#include <string>

namespace quarrow {

// Where the registry says WinRAR is installed: the "Path" value of its App Paths key under
// HKEY_LOCAL_MACHINE, read without creating the key; empty when there is none.
std::u16string winRarPathFromRegistry();

// A system-wide hot key for one of our windows, named by a global atom so that a second
// copy of the program finds the name taken and registers none. Released with the object.
class GlobalHotKey {
public:
    // window: the HWND that receives WM_HOTKEY with the atom as its id.
    GlobalHotKey(void* window, const std::u16string& atomName, unsigned modifiers, std::uint8_t virtualKey);
    ~GlobalHotKey();
    GlobalHotKey(const GlobalHotKey&) = delete;
    GlobalHotKey& operator=(const GlobalHotKey&) = delete;

    bool registered() const { return m_registered; }
    // The id WM_HOTKEY carries; 0 when there is no hot key.
    int id() const { return m_registered ? m_atom : 0; }

private:
    void* m_window;
    std::uint16_t m_atom = 0;
    bool m_registered = false;
};

}  // namespace quarrow

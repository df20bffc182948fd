#pragma once

#include "platform/Desktop.h"

#include <map>
#include <string>
#include <utility>

namespace quarrow {

// The real Windows desktop, in plain C++ and the Windows API: the desktop program links it,
// and so does the Wine check, which builds without Qt.
//
// Windows guards the foreground: a program may not simply take it from another. Wine lets
// any program do so; this class follows Windows' rules all the same (restore before the
// foreground, attach to the target's input before taking the foreground or the focus),
// so that what passes under Wine also holds on Windows.
class Win32Desktop final : public Desktop {
public:
    Win32Desktop();
    ~Win32Desktop() override;
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;

    WindowHandle foregroundWindow() override;
    WindowHandle windowBelow(WindowHandle window) override;
    WindowHandle topWindow() override;
    std::u16string windowTitle(WindowHandle window, std::size_t maxChars) override;
    std::u16string windowClass(WindowHandle window, std::size_t maxChars) override;
    std::vector<WindowHandle> descendants(WindowHandle window) override;
    std::optional<WindowRect> windowRect(WindowHandle window) override;
    int windowDpi(WindowHandle window) override;
    bool inputReaches(WindowHandle window) override;
    void restoreWindow(WindowHandle window) override;
    void setForegroundWindow(WindowHandle window) override;
    void setFocus(WindowHandle window) override;
    void keyDown(std::uint8_t virtualKey) override;
    void keyUp(std::uint8_t virtualKey) override;
    void setCursorPos(int x, int y) override;
    void leftClick() override;
    int clearClipboard() override;
    bool setClipboardText(const std::u16string& text) override;
    std::optional<std::u16string> clipboardText() override;
    std::uint32_t windowProcessId(WindowHandle window) override;
    std::u16string processName(std::uint32_t processId, std::size_t maxChars) override;
    void setWindowListener(WindowListener listener) override;
    std::size_t listViewRowCount(WindowHandle listView) override;
    std::vector<std::vector<std::u16string>> readListView(WindowHandle listView,
                                                          std::size_t maxRows) override;

    // How the shell's notifications reach us: the shell's own registration, or the global
    // shell hook of the hook library where the shell does not deliver them (Wine).
    enum class NotificationRoute { None, Shell, HookLibrary };
    NotificationRoute notificationRoute() const { return m_route; }

    // Called by the receiver window's procedure.
    void notification(unsigned code, WindowHandle window);
    unsigned shellHookMessage() const { return m_shellHookMessage; }

private:
    void ensureReceiver();
    void startNotifications();
    void stopNotifications();
    void remember(WindowHandle window, const std::u16string& title);

    void* m_receiver = nullptr;  // HWND: clipboard owner and notification receiver
    unsigned m_shellHookMessage = 0;
    NotificationRoute m_route = NotificationRoute::None;
    void* m_hookLibrary = nullptr;  // HMODULE
    void* m_hook = nullptr;         // HHOOK
    WindowListener m_listener;
    // Titles of top-level windows as last read: the shell's word that a window was
    // destroyed arrives when the window no longer answers, and the program still needs to
    // know whose window it was.
    std::map<WindowHandle, std::u16string> m_titles;
};

}  // namespace quarrow

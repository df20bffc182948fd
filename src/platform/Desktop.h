#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quarrow {

// A window of another program, as the desktop names it; 0 is no window.
using WindowHandle = std::uintptr_t;
constexpr WindowHandle kNoWindow = 0;

// The dots per inch of a screen at a scaling of 100%.
constexpr int kStandardDpi = 96;

// Every row of a list view, for Desktop::readListView.
constexpr std::size_t kAllRows = static_cast<std::size_t>(-1);

// Screen pixels.
struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// The shell's notifications about top-level windows, numbered as the shell numbers them.
enum class WindowEvent { Created = 1, Destroyed = 2, ActivatedShell = 3, Activated = 4 };

// The virtual-key codes the program sends. Digits and upper-case Latin letters are their
// own character codes.
namespace VirtualKey {
constexpr std::uint8_t Enter = 0x0D;
constexpr std::uint8_t Control = 0x11;
constexpr std::uint8_t F10 = 0x79;
}  // namespace VirtualKey

// The desktop the program shares with the quote program and the chat window: their
// windows, the keyboard and mouse, the clipboard and the processes behind the windows.
// Input is global, as a user's is: it reaches whatever window has the focus, so callers
// bring their target to the front first. Windows has the real desktop; Linux a simulated
// one with a simulated quote program and chat window.
//
// Plain C++ types throughout: the Windows implementation and the automation above it
// build without Qt.
class Desktop {
public:
    virtual ~Desktop() = default;

    // The z-order of the top-level windows: the foreground window, the one below a window
    // (kNoWindow below the last), and the topmost of all.
    virtual WindowHandle foregroundWindow() = 0;
    virtual WindowHandle windowBelow(WindowHandle window) = 0;
    virtual WindowHandle topWindow() = 0;

    // Title and class name, cut to maxChars; empty for a window that is gone.
    virtual std::u16string windowTitle(WindowHandle window, std::size_t maxChars) = 0;
    virtual std::u16string windowClass(WindowHandle window, std::size_t maxChars) = 0;
    // Every descendant of a window, depth-first in the order the system enumerates them.
    virtual std::vector<WindowHandle> descendants(WindowHandle window) = 0;
    // Nothing for a window that is gone.
    virtual std::optional<WindowRect> windowRect(WindowHandle window) = 0;
    // The dots per inch the window shows at, 96 at a scaling of 100%: a program that follows
    // the screen's scaling lays itself out at that many pixels an inch, and the system
    // stretches one that does not to the same size. A position measured in the program at
    // 96 dpi lies dpi / 96 times as far from the window's corner on the screen.
    virtual int windowDpi(WindowHandle window) = 0;
    // Whether the keys and clicks we synthesise reach the window's program. Windows drops
    // them without a word for a program that runs with higher rights than ours (one
    // started as administrator while we are not).
    virtual bool inputReaches(WindowHandle window) = 0;

    // Un-minimise, bring to the front, give the keyboard focus.
    virtual void restoreWindow(WindowHandle window) = 0;
    virtual void setForegroundWindow(WindowHandle window) = 0;
    virtual void setFocus(WindowHandle window) = 0;

    // Synthesised input; a key code is one byte.
    virtual void keyDown(std::uint8_t virtualKey) = 0;
    virtual void keyUp(std::uint8_t virtualKey) = 0;
    virtual void setCursorPos(int x, int y) = 0;
    // A left-button press and release as one event, where the cursor stands.
    virtual void leftClick() = 0;

    // The clipboard. Clearing can fail while another program holds it open: 0 on success,
    // else the system's error code.
    virtual int clearClipboard() = 0;
    virtual bool setClipboardText(const std::u16string& text) = 0;
    // The clipboard's text (plain or OEM text accepted), nothing when it holds none.
    virtual std::optional<std::u16string> clipboardText() = 0;

    // The process behind a window (0 when gone) and its executable's base name, cut to
    // maxChars; empty when the process is gone or cannot be opened.
    virtual std::uint32_t windowProcessId(WindowHandle window) = 0;
    virtual std::u16string processName(std::uint32_t processId, std::size_t maxChars) = 0;

    // The shell's window notifications, delivered while the program pumps its events. One
    // listener; setting another replaces it, an empty one stops the notifications.
    using WindowListener = std::function<void(WindowEvent event, WindowHandle window)>;
    virtual void setWindowListener(WindowListener listener) = 0;

    // How many rows another program's list view holds; 0 when the window is gone or is not
    // a list view.
    virtual std::size_t listViewRowCount(WindowHandle listView) = 0;
    // The first rows (at most maxRows) of another program's list view, each as its cells
    // from the first column; empty when the window is gone or is not a list view. Reading
    // another program's list costs a request per cell: read what is needed.
    virtual std::vector<std::vector<std::u16string>> readListView(WindowHandle listView,
                                                                  std::size_t maxRows) = 0;
};

}  // namespace quarrow

#pragma once

#include "platform/Desktop.h"
#include "platform/Pacing.h"

#include <cstdint>
#include <string>

namespace quarrow {

// The first top-level window, in z-order from the foreground window downward, whose
// title contains the text (case-sensitive). The walk wraps to the topmost window when it
// reaches the bottom and gives up after its 1000th wrap: kNoWindow.
WindowHandle FindTopWindow(Desktop& desktop, const std::u16string& title);

// What an automated window needs around it: the desktop it acts on, the pause between
// input events, and the program's own event pump after every action.
struct WindowServices {
    Desktop& desktop;
    Sleeper& sleeper;
    EventPump& pump;
};

// A window of another program that the program drives as a user would: found by the
// text its title contains, with one descendant found by class name (exact) or, failing
// that, by the text its title contains. Input is global, so every caller selects the
// window before it types or clicks into it.
class TStockWinInfo {
public:
    // Runs Refresh. childIndex picks among the matching descendants: 0 or 1 the first,
    // n ≥ 2 the n-th.
    TStockWinInfo(WindowServices services, std::u16string mainWin, std::u16string childWin,
                  std::u16string childClass, int childIndex = 0);

    const std::u16string StockMainWin;
    const std::u16string StockChildWin;
    const std::u16string StockChildClass;
    const int ChildIndex;

    // The windows found by the last refresh (kNoWindow when not found); not re-checked.
    WindowHandle GetMainWindow() const { return m_mainWin; }
    WindowHandle GetChildWindow() const { return m_childWin; }

    void Refresh();

    // Restores the window, brings it to the front and gives it the focus. False for a
    // window that was never found or is gone: typing into whatever else has the focus
    // would put stock codes into an unknown program.
    bool SelectMain();
    bool SelectChild();

    // Keyboard input, 10 ms after each key event and one event pump at the end.
    void Press_Key(std::uint8_t virtualKey);
    void Press_Enter();
    void Press_Ctrl_Key(std::uint8_t virtualKey);
    // Each character's code as its key (digits and upper-case letters are their own keys).
    void Press_Keys(const std::u16string& text);
    // Puts the text on the clipboard and pastes it with Ctrl+V.
    void Past_Keys(const std::u16string& text);

    // Clicks at (x, y) from the top left of the rectangle of the last refresh (not re-read:
    // a window that moved since is clicked where it was). Nothing when it cannot be selected.
    void MouseClickOnMain(int x, int y);
    void MouseClickOnChild(int x, int y);

    // Re-reads the main window's rectangle (when known) and returns it.
    WindowRect RefreshWinRect();
    // Re-reads both rectangles of the windows that are known.
    void RefreshWinRects();

    // Forgets both windows (closes nothing).
    void MainWinClose();

private:
    bool select(WindowHandle window);
    void click(const WindowRect& origin, int x, int y);
    void keyStroke(std::uint8_t virtualKey);
    WindowHandle findDescendant(WindowHandle main, bool byClass);

    WindowServices m_services;
    WindowHandle m_mainWin = kNoWindow;
    WindowHandle m_childWin = kNoWindow;
    WindowRect m_mainRect;
    WindowRect m_childRect;
};

}  // namespace quarrow

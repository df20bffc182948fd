#pragma once

#include "platform/Desktop.h"

#include <QObject>
#include <QString>

#include <bitset>
#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace quarrow {

class Clock;
class SimChatWindow;
class SimQuoteProgram;
struct SimQuoteBehaviour;

// A simulated program: it owns windows of the simulated desktop and hears the keys and
// clicks that reach them.
class SimProgram {
public:
    virtual ~SimProgram() = default;
    // focus: the window with the keyboard focus, one of the program's own.
    virtual void keyDown(WindowHandle focus, std::uint8_t virtualKey) = 0;
    virtual void keyUp(WindowHandle focus, std::uint8_t virtualKey) = 0;
    virtual void leftClick(WindowHandle window, int x, int y) = 0;
    // One of its list views is about to be read: a list that grows with time fills now.
    virtual void listViewRead(WindowHandle) {}
    // The desktop is about to be looked at or typed into: what was due by now (a window
    // that takes a moment to appear) happens now.
    virtual void timePassed() {}
};

// The desktop of a Linux run and of the tests: top-level windows in z-order with their
// descendants, the foreground and focus windows, the keyboard state, an in-memory
// clipboard, a table of processes and the shell's window notifications. Our own program
// has no window here: its windows are Qt's business, not the automation's.
//
// Notifications are queued and reach the listener as Qt queued events, so they arrive
// when the program pumps its events, as the shell's posted messages do on Windows;
// deliverNotifications() hands them over at once for code that runs no event loop.
class SimDesktop final : public Desktop {
public:
    explicit SimDesktop(Clock& clock);
    ~SimDesktop() override;
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    WindowHandle foregroundWindow() override;
    WindowHandle windowBelow(WindowHandle window) override;
    WindowHandle topWindow() override;
    std::u16string windowTitle(WindowHandle window, std::size_t maxChars) override;
    std::u16string windowClass(WindowHandle window, std::size_t maxChars) override;
    std::vector<WindowHandle> descendants(WindowHandle window) override;
    std::optional<WindowRect> windowRect(WindowHandle window) override;
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

    // --- The simulated programs' side, and the tests' ---

    Clock& clock() { return m_clock; }

    // A process that owns windows; ids are never reused.
    std::uint32_t startProcess(const QString& executableName);
    // Ends the process with every window it owns.
    void endProcess(std::uint32_t processId);

    // A top-level window (parent kNoWindow) goes on top of the z-order without taking
    // the foreground, and the shell announces it; a child goes after its siblings.
    WindowHandle createWindow(WindowHandle parent, const QString& title, const QString& className,
                              const WindowRect& rect, std::uint32_t processId, SimProgram* owner = nullptr);
    // With all its descendants; a top-level window's end is announced. The foreground
    // passes to the next window of the z-order.
    void destroyWindow(WindowHandle window);
    bool windowExists(WindowHandle window) const;
    WindowHandle topLevelOf(WindowHandle window) const;
    // Whether window is ancestor itself or one of its descendants.
    bool isWithin(WindowHandle window, WindowHandle ancestor) const;
    void setWindowTitle(WindowHandle window, const QString& title);
    void moveWindow(WindowHandle window, const WindowRect& rect);
    void minimizeWindow(WindowHandle window);
    bool isMinimized(WindowHandle window) const;
    // Trades the list view's rows with the caller's, so a simulated program can keep several
    // lists and show one without copying them.
    void swapListRows(WindowHandle listView, std::vector<std::vector<std::u16string>>& rows);

    bool isKeyDown(std::uint8_t virtualKey) const { return m_keysDown.test(virtualKey); }

    // The next count clipboard clears fail with error 5 (access denied), as when another
    // program holds the clipboard open.
    void failClipboardClears(int count) { m_failingClears = count; }

    // Notifications queued for the listener and not yet delivered.
    std::size_t pendingNotifications() const { return m_notifications.size(); }
    void deliverNotifications();

    // The quote program: started once (a second start while it runs is ignored) with its
    // installation folder and the title its main window carries. Behaviour set here is
    // what the program starts with, before its folder's sim/behaviour.ini has its say.
    SimQuoteProgram& startQuoteProgram(const QString& folder, const QString& title);
    // Nothing while it is not running.
    SimQuoteProgram* quoteProgram();
    void setQuoteBehaviour(const SimQuoteBehaviour& behaviour);
    // The quote program's text rules for its page files (BOM, UTF-8, else GBK); UTF-8
    // when none are given.
    void setPageDecoder(std::function<QString(const QByteArray&)> decode) { m_decode = std::move(decode); }

    // The chat window the relay types into, titled with the nickname. The quote program's
    // start opens it with the nickname given here (unless its behaviour says otherwise),
    // so that a simulated session has both programs the relay needs.
    void setChatNickname(std::function<QString()> nickname) { m_chatNickname = std::move(nickname); }
    // Opens a chat window (closing one that is open); closesAfter as SimChatWindow's.
    SimChatWindow& openChatWindow(const QString& nickname, int closesAfter = 0);
    // The chat window opened last, open or closed since; nothing before the first.
    SimChatWindow* chatWindow() { return m_chat.get(); }

private:
    struct Window {
        WindowHandle parent = kNoWindow;
        std::vector<WindowHandle> children;
        QString title;
        QString className;
        WindowRect rect;
        std::uint32_t processId = 0;
        SimProgram* owner = nullptr;
        bool minimized = false;
        WindowHandle lastFocus = kNoWindow;
        std::vector<std::vector<std::u16string>> listRows;
    };

    const Window* find(WindowHandle window) const;
    Window* find(WindowHandle window);
    void collect(WindowHandle window, std::vector<WindowHandle>& out) const;
    void activate(WindowHandle topLevel);
    void notify(WindowEvent event, WindowHandle window);
    SimProgram* ownerOf(WindowHandle window) const;
    // The simulated programs catch up with the clock before anyone looks.
    void letTimePass();

    Clock& m_clock;
    std::map<WindowHandle, Window> m_windows;
    std::vector<WindowHandle> m_zOrder;  // topmost first
    WindowHandle m_nextHandle = 0x10010;
    WindowHandle m_foreground = kNoWindow;
    WindowHandle m_focus = kNoWindow;
    std::map<std::uint32_t, QString> m_processes;
    std::uint32_t m_nextProcessId = 1200;
    std::bitset<256> m_keysDown;
    int m_cursorX = 0;
    int m_cursorY = 0;
    std::optional<std::u16string> m_clipboard;
    int m_failingClears = 0;
    WindowListener m_listener;
    std::deque<std::pair<WindowEvent, WindowHandle>> m_notifications;
    // Top-level windows destroyed whose notification is not delivered yet: the shell tells
    // of a window about to be destroyed, so its title and process still read then.
    std::map<WindowHandle, std::pair<QString, std::uint32_t>> m_dying;
    bool m_deliveryPosted = false;
    QObject m_eventTarget;  // queued deliveries die with the desktop
    std::unique_ptr<SimQuoteBehaviour> m_quoteBehaviour;
    std::function<QString(const QByteArray&)> m_decode;
    std::unique_ptr<SimQuoteProgram> m_quote;
    std::function<QString()> m_chatNickname;
    std::unique_ptr<SimChatWindow> m_chat;
};

}  // namespace quarrow

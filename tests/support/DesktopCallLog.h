#pragma once

#include "platform/Clock.h"
#include "platform/Desktop.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quarrow::test {

// One list of what the automation did to the desktop and the clock, in order, as short
// lines a test compares with the sequence it expects:
//   "key+ 31" / "key- 31"   key down / up, the virtual-key code in hex
//   "sleep 10"              a wait on the clock
//   "cursor 100,200"        the cursor moved there
//   "click 100,200"         a left click where the cursor stands
//   "restore <name>", "foreground <name>", "focus <name>"
//                           a window's title, or its class in brackets when it has none
//   "clear" / "clear 5"     the clipboard cleared / clearing failed with that code
//   "put <text>"            text put on the clipboard
//   "paste" / "paste none"  the clipboard read with / without text on it
//   "pump"                  the program let its events run (queued notifications arrive)
// Looks (titles, classes, rectangles, the z-order) are not logged: they change nothing.
using CallLog = std::vector<std::string>;

// Passes every call to the desktop it wraps and logs the ones that act.
class LoggingDesktop final : public Desktop {
public:
    LoggingDesktop(Desktop& desktop, CallLog& log) : m_desktop(desktop), m_log(log) {}

    WindowHandle foregroundWindow() override { return m_desktop.foregroundWindow(); }
    WindowHandle windowBelow(WindowHandle window) override { return m_desktop.windowBelow(window); }
    WindowHandle topWindow() override { return m_desktop.topWindow(); }
    std::u16string windowTitle(WindowHandle window, std::size_t maxChars) override {
        return m_desktop.windowTitle(window, maxChars);
    }
    std::u16string windowClass(WindowHandle window, std::size_t maxChars) override {
        return m_desktop.windowClass(window, maxChars);
    }
    std::vector<WindowHandle> descendants(WindowHandle window) override {
        return m_desktop.descendants(window);
    }
    std::optional<WindowRect> windowRect(WindowHandle window) override {
        return m_desktop.windowRect(window);
    }
    int windowDpi(WindowHandle window) override { return m_desktop.windowDpi(window); }
    bool inputReaches(WindowHandle window) override { return m_desktop.inputReaches(window); }
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
    std::uint32_t windowProcessId(WindowHandle window) override { return m_desktop.windowProcessId(window); }
    std::u16string processName(std::uint32_t processId, std::size_t maxChars) override {
        return m_desktop.processName(processId, maxChars);
    }
    void setWindowListener(WindowListener listener) override {
        m_desktop.setWindowListener(std::move(listener));
    }
    std::size_t listViewRowCount(WindowHandle listView) override {
        const std::size_t rows = m_desktop.listViewRowCount(listView);
        if (afterNextRowCount)
            std::exchange(afterNextRowCount, nullptr)();
        return rows;
    }
    std::vector<std::vector<std::u16string>> readListView(WindowHandle listView,
                                                          std::size_t maxRows) override {
        return m_desktop.readListView(listView, maxRows);
    }

    // Runs once, right after the next row count is taken: what happens on the desktop
    // between a count and the read that follows it.
    std::function<void()> afterNextRowCount;

private:
    std::string nameOf(WindowHandle window);

    Desktop& m_desktop;
    CallLog& m_log;
    int m_cursorX = 0;
    int m_cursorY = 0;
};

// A virtual clock that logs its sleeps.
class LoggingClock final : public Clock {
public:
    LoggingClock(VirtualClock& clock, CallLog& log) : m_clock(clock), m_log(log) {}
    QDateTime now() const override { return m_clock.now(); }
    qint64 elapsedMs() const override { return m_clock.elapsedMs(); }
    void sleep(int delay_ms) override {
        m_log.push_back("sleep " + std::to_string(delay_ms));
        m_clock.sleep(delay_ms);
    }

private:
    VirtualClock& m_clock;
    CallLog& m_log;
};

// Logs each pump and runs the Qt events waiting, so queued notifications arrive.
class LoggingPump final : public EventPump {
public:
    explicit LoggingPump(CallLog& log) : m_log(log) {}
    void processEvents() override;

private:
    CallLog& m_log;
};

// The log and the decorators together, for a test that drives a desktop on a clock.
struct DesktopCallLog {
    DesktopCallLog(Desktop& wrapped, VirtualClock& virtualClock)
        : desktop(wrapped, log), clock(virtualClock, log), pump(log) {}
    // The lines logged since the last take, which empties the log.
    CallLog take() { return std::exchange(log, {}); }

    CallLog log;
    LoggingDesktop desktop;
    LoggingClock clock;
    LoggingPump pump;
};

}  // namespace quarrow::test

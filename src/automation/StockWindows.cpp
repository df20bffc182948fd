#include "automation/StockWindows.h"

namespace quarrow {

namespace {

constexpr int kRestartLimit = 1000;
constexpr std::size_t kTitleChars = 255;
constexpr int kKeyPause_ms = 10;
constexpr std::uint8_t kPasteKey = 0x56;  // 'V'

}  // namespace

WindowHandle FindTopWindow(Desktop& desktop, const std::u16string& title) {
    WindowHandle window = desktop.foregroundWindow();
    int restarts = 0;
    for (;;) {
        if (window != kNoWindow) {
            const std::u16string text = desktop.windowTitle(window, kTitleChars);
            if (!text.empty() && text.find(title) != std::u16string::npos)
                return window;
            window = desktop.windowBelow(window);
        }
        if (window == kNoWindow) {
            if (++restarts >= kRestartLimit)
                return kNoWindow;
            window = desktop.topWindow();
            if (window == kNoWindow)
                return kNoWindow;  // an empty desktop has nothing to walk 1000 times
        }
    }
}

TStockWinInfo::TStockWinInfo(WindowServices services, std::u16string mainWin, std::u16string childWin,
                             std::u16string childClass, int childIndex)
    : StockMainWin(std::move(mainWin)),
      StockChildWin(std::move(childWin)),
      StockChildClass(std::move(childClass)),
      ChildIndex(childIndex),
      m_services(services) {
    Refresh();
}

void TStockWinInfo::Refresh() {
    m_mainWin = kNoWindow;
    m_childWin = kNoWindow;
    if (StockMainWin.empty())
        return;
    Desktop& desktop = m_services.desktop;
    const WindowHandle main = FindTopWindow(desktop, StockMainWin);
    if (main == kNoWindow)
        return;
    m_mainRect = desktop.windowRect(main).value_or(WindowRect{});
    m_mainWin = main;

    WindowHandle child = kNoWindow;
    if (!StockChildClass.empty())
        child = findDescendant(main, true);
    if (child == kNoWindow && !StockChildWin.empty())
        child = findDescendant(main, false);
    if (child != kNoWindow) {
        m_childWin = child;
        m_childRect = desktop.windowRect(child).value_or(WindowRect{});
    }
}

WindowHandle TStockWinInfo::findDescendant(WindowHandle main, bool byClass) {
    Desktop& desktop = m_services.desktop;
    int countdown = ChildIndex;
    for (const WindowHandle window : desktop.descendants(main)) {
        const bool matches =
            byClass ? desktop.windowClass(window, kTitleChars) == StockChildClass
                    : desktop.windowTitle(window, kTitleChars).find(StockChildWin) != std::u16string::npos;
        if (!matches)
            continue;
        if (--countdown <= 0)
            return window;
    }
    return kNoWindow;
}

bool TStockWinInfo::select(WindowHandle window) {
    if (window == kNoWindow)
        return false;
    Desktop& desktop = m_services.desktop;
    if (!desktop.windowRect(window))
        return false;  // gone since the last refresh
    desktop.restoreWindow(window);
    desktop.setForegroundWindow(window);
    desktop.setFocus(window);
    m_services.pump.processEvents();
    return true;
}

bool TStockWinInfo::SelectMain() {
    return select(m_mainWin);
}

bool TStockWinInfo::SelectChild() {
    return select(m_childWin);
}

void TStockWinInfo::keyStroke(std::uint8_t virtualKey) {
    m_services.desktop.keyDown(virtualKey);
    m_services.sleeper.sleep(kKeyPause_ms);
    m_services.desktop.keyUp(virtualKey);
    m_services.sleeper.sleep(kKeyPause_ms);
}

void TStockWinInfo::Press_Key(std::uint8_t virtualKey) {
    keyStroke(virtualKey);
    m_services.pump.processEvents();
}

void TStockWinInfo::Press_Enter() {
    Press_Key(VirtualKey::Enter);
}

void TStockWinInfo::Press_Ctrl_Key(std::uint8_t virtualKey) {
    Desktop& desktop = m_services.desktop;
    desktop.keyDown(VirtualKey::Control);
    m_services.sleeper.sleep(kKeyPause_ms);
    desktop.keyDown(virtualKey);
    m_services.sleeper.sleep(kKeyPause_ms);
    desktop.keyUp(virtualKey);
    m_services.sleeper.sleep(kKeyPause_ms);
    desktop.keyUp(VirtualKey::Control);
    m_services.sleeper.sleep(kKeyPause_ms);
    m_services.pump.processEvents();
}

void TStockWinInfo::Press_Keys(const std::u16string& text) {
    for (const char16_t c : text)
        keyStroke(static_cast<std::uint8_t>(c & 0xFF));
    m_services.pump.processEvents();
}

void TStockWinInfo::Past_Keys(const std::u16string& text) {
    m_services.desktop.clearClipboard();
    m_services.desktop.setClipboardText(text);
    m_services.sleeper.sleep(kKeyPause_ms);
    Press_Ctrl_Key(kPasteKey);
}

void TStockWinInfo::click(const WindowRect& origin, int x, int y) {
    m_services.desktop.setCursorPos(x + origin.left, y + origin.top);
    m_services.sleeper.sleep(kKeyPause_ms);
    m_services.desktop.leftClick();
    m_services.sleeper.sleep(kKeyPause_ms);
    m_services.pump.processEvents();
}

void TStockWinInfo::MouseClickOnMain(int x, int y) {
    if (SelectMain())
        click(m_mainRect, x, y);
}

void TStockWinInfo::MouseClickOnChild(int x, int y) {
    if (SelectChild())
        click(m_childRect, x, y);
}

WindowRect TStockWinInfo::RefreshWinRect() {
    if (m_mainWin != kNoWindow) {
        if (const auto rect = m_services.desktop.windowRect(m_mainWin))
            m_mainRect = *rect;
    }
    return m_mainRect;
}

void TStockWinInfo::RefreshWinRects() {
    RefreshWinRect();
    if (m_childWin != kNoWindow) {
        if (const auto rect = m_services.desktop.windowRect(m_childWin))
            m_childRect = *rect;
    }
}

void TStockWinInfo::MainWinClose() {
    m_mainWin = kNoWindow;
    m_childWin = kNoWindow;
}

}  // namespace quarrow

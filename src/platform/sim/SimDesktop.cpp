#include "platform/sim/SimDesktop.h"

#include "platform/Clock.h"
#include "platform/sim/SimChatWindow.h"
#include "platform/sim/SimQuoteProgram.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>

namespace quarrow {

namespace {

// What the shell answers while another program holds the clipboard open.
constexpr int kAccessDenied = 5;

std::u16string cut(const QString& text, std::size_t maxChars) {
    std::u16string result = text.toStdU16String();
    if (result.size() > maxChars)
        result.resize(maxChars);
    return result;
}

bool contains(const WindowRect& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

}  // namespace

SimDesktop::SimDesktop(Clock& clock)
    : m_clock(clock), m_quoteBehaviour(std::make_unique<SimQuoteBehaviour>()) {
    // The shell's own windows lie below everything, as on a real desktop: a title walk
    // meets them, a search must pass them by.
    const std::uint32_t shell = startProcess(QStringLiteral("explorer.exe"));
    createWindow(kNoWindow, QStringLiteral("Program Manager"), QStringLiteral("Progman"), {0, 0, 1920, 1080},
                 shell);
    createWindow(kNoWindow, QString(), QStringLiteral("Shell_TrayWnd"), {0, 1040, 1920, 1080}, shell);
}

SimDesktop::~SimDesktop() = default;

const SimDesktop::Window* SimDesktop::find(WindowHandle window) const {
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : &it->second;
}

SimDesktop::Window* SimDesktop::find(WindowHandle window) {
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : &it->second;
}

WindowHandle SimDesktop::foregroundWindow() {
    letTimePass();
    return m_foreground;
}

WindowHandle SimDesktop::windowBelow(WindowHandle window) {
    letTimePass();
    const Window* w = find(window);
    if (!w)
        return kNoWindow;
    const std::vector<WindowHandle>& level = w->parent == kNoWindow ? m_zOrder : find(w->parent)->children;
    const auto it = std::find(level.begin(), level.end(), window);
    return it == level.end() || it + 1 == level.end() ? kNoWindow : *(it + 1);
}

WindowHandle SimDesktop::topWindow() {
    letTimePass();
    return m_zOrder.empty() ? kNoWindow : m_zOrder.front();
}

std::u16string SimDesktop::windowTitle(WindowHandle window, std::size_t maxChars) {
    letTimePass();
    const Window* w = find(window);
    if (!w) {
        const auto dying = m_dying.find(window);
        return dying == m_dying.end() ? std::u16string() : cut(dying->second.first, maxChars);
    }
    return cut(w->title, maxChars);
}

std::u16string SimDesktop::windowClass(WindowHandle window, std::size_t maxChars) {
    letTimePass();
    const Window* w = find(window);
    return w ? cut(w->className, maxChars) : std::u16string();
}

void SimDesktop::collect(WindowHandle window, std::vector<WindowHandle>& out) const {
    for (WindowHandle child : find(window)->children) {
        out.push_back(child);
        collect(child, out);
    }
}

std::vector<WindowHandle> SimDesktop::descendants(WindowHandle window) {
    letTimePass();
    std::vector<WindowHandle> result;
    if (find(window))
        collect(window, result);
    return result;
}

std::optional<WindowRect> SimDesktop::windowRect(WindowHandle window) {
    letTimePass();
    const Window* w = find(window);
    if (!w)
        return std::nullopt;
    // Where Windows parks a minimised window.
    if (find(topLevelOf(window))->minimized)
        return WindowRect{-32000, -32000, -31840, -31972};
    return w->rect;
}

void SimDesktop::restoreWindow(WindowHandle window) {
    if (Window* w = find(topLevelOf(window)))
        w->minimized = false;
}

void SimDesktop::activate(WindowHandle topLevel) {
    Window* w = find(topLevel);
    if (!w)
        return;
    m_zOrder.erase(std::find(m_zOrder.begin(), m_zOrder.end(), topLevel));
    m_zOrder.insert(m_zOrder.begin(), topLevel);
    if (m_foreground == topLevel)
        return;
    if (Window* previous = find(m_foreground); previous && isWithin(m_focus, m_foreground))
        previous->lastFocus = m_focus;
    m_foreground = topLevel;
    // An activated window gets back the focus it had when it lost it.
    m_focus = isWithin(w->lastFocus, topLevel) ? w->lastFocus : topLevel;
}

void SimDesktop::setForegroundWindow(WindowHandle window) {
    letTimePass();
    activate(topLevelOf(window));
}

void SimDesktop::setFocus(WindowHandle window) {
    if (!find(window))
        return;
    activate(topLevelOf(window));
    m_focus = window;
}

void SimDesktop::letTimePass() {
    if (m_quote && m_quote->isRunning())
        m_quote->timePassed();
}

SimProgram* SimDesktop::ownerOf(WindowHandle window) const {
    const Window* w = find(window);
    return w ? w->owner : nullptr;
}

void SimDesktop::keyDown(std::uint8_t virtualKey) {
    letTimePass();
    m_keysDown.set(virtualKey);
    const WindowHandle target = find(m_focus) ? m_focus : m_foreground;
    if (SimProgram* program = ownerOf(target))
        program->keyDown(target, virtualKey);
}

void SimDesktop::keyUp(std::uint8_t virtualKey) {
    m_keysDown.reset(virtualKey);
    const WindowHandle target = find(m_focus) ? m_focus : m_foreground;
    if (SimProgram* program = ownerOf(target))
        program->keyUp(target, virtualKey);
}

void SimDesktop::setCursorPos(int x, int y) {
    m_cursorX = x;
    m_cursorY = y;
}

void SimDesktop::leftClick() {
    for (WindowHandle top : m_zOrder) {
        const Window* w = find(top);
        if (w->minimized || !contains(w->rect, m_cursorX, m_cursorY))
            continue;
        // The deepest window under the cursor takes the click.
        WindowHandle hit = top;
        for (bool deeper = true; deeper;) {
            deeper = false;
            for (WindowHandle child : find(hit)->children) {
                if (contains(find(child)->rect, m_cursorX, m_cursorY)) {
                    hit = child;
                    deeper = true;
                    break;
                }
            }
        }
        activate(top);
        if (SimProgram* program = w->owner)
            program->leftClick(hit, m_cursorX, m_cursorY);
        return;
    }
}

int SimDesktop::clearClipboard() {
    if (m_failingClears > 0) {
        --m_failingClears;
        return kAccessDenied;
    }
    m_clipboard.reset();
    return 0;
}

bool SimDesktop::setClipboardText(const std::u16string& text) {
    m_clipboard = text;
    return true;
}

std::optional<std::u16string> SimDesktop::clipboardText() {
    letTimePass();
    return m_clipboard;
}

std::uint32_t SimDesktop::windowProcessId(WindowHandle window) {
    const Window* w = find(window);
    if (!w) {
        const auto dying = m_dying.find(window);
        return dying == m_dying.end() ? 0 : dying->second.second;
    }
    return w->processId;
}

std::u16string SimDesktop::processName(std::uint32_t processId, std::size_t maxChars) {
    const auto it = m_processes.find(processId);
    return it == m_processes.end() ? std::u16string() : cut(it->second, maxChars);
}

void SimDesktop::setWindowListener(WindowListener listener) {
    m_listener = std::move(listener);
    if (!m_listener) {
        m_notifications.clear();
        m_dying.clear();
    }
}

std::size_t SimDesktop::listViewRowCount(WindowHandle listView) {
    if (SimProgram* program = ownerOf(listView))
        program->listViewRead(listView);
    const Window* w = find(listView);
    return w ? w->listRows.size() : 0;
}

std::vector<std::vector<std::u16string>> SimDesktop::readListView(WindowHandle listView,
                                                                  std::size_t maxRows) {
    if (SimProgram* program = ownerOf(listView))
        program->listViewRead(listView);
    const Window* w = find(listView);
    if (!w)
        return {};
    const auto end = w->listRows.begin() + static_cast<std::ptrdiff_t>(std::min(maxRows, w->listRows.size()));
    return {w->listRows.begin(), end};
}

std::uint32_t SimDesktop::startProcess(const QString& executableName) {
    const std::uint32_t id = m_nextProcessId;
    m_nextProcessId += 4;
    m_processes[id] = executableName;
    return id;
}

void SimDesktop::endProcess(std::uint32_t processId) {
    std::vector<WindowHandle> owned;
    for (WindowHandle top : m_zOrder) {
        if (find(top)->processId == processId)
            owned.push_back(top);
    }
    for (WindowHandle window : owned)
        destroyWindow(window);
    m_processes.erase(processId);
}

WindowHandle SimDesktop::createWindow(WindowHandle parent, const QString& title, const QString& className,
                                      const WindowRect& rect, std::uint32_t processId, SimProgram* owner) {
    if (parent != kNoWindow && !find(parent))
        return kNoWindow;
    const WindowHandle handle = m_nextHandle;
    m_nextHandle += 2;  // window handles are even
    Window& w = m_windows[handle];
    w.parent = parent;
    w.title = title;
    w.className = className;
    w.rect = rect;
    w.processId = processId;
    w.owner = owner;
    if (parent != kNoWindow) {
        find(parent)->children.push_back(handle);
    } else {
        m_zOrder.insert(m_zOrder.begin(), handle);
        notify(WindowEvent::Created, handle);
    }
    return handle;
}

void SimDesktop::destroyWindow(WindowHandle window) {
    Window* w = find(window);
    if (!w)
        return;
    const WindowHandle parent = w->parent;
    const bool hadFocus = isWithin(m_focus, window);
    std::vector<WindowHandle> gone{window};
    collect(window, gone);
    if (parent != kNoWindow) {
        std::vector<WindowHandle>& siblings = find(parent)->children;
        siblings.erase(std::find(siblings.begin(), siblings.end(), window));
    } else {
        m_zOrder.erase(std::find(m_zOrder.begin(), m_zOrder.end(), window));
    }
    if (parent == kNoWindow && m_listener)
        m_dying[window] = {w->title, w->processId};
    for (WindowHandle each : gone)
        m_windows.erase(each);
    if (parent == kNoWindow) {
        notify(WindowEvent::Destroyed, window);
        if (m_foreground == window) {
            m_foreground = kNoWindow;
            m_focus = kNoWindow;
            for (WindowHandle next : m_zOrder) {
                if (!find(next)->minimized) {
                    activate(next);
                    break;
                }
            }
        }
    } else if (hadFocus) {
        m_focus = topLevelOf(parent);
    }
}

bool SimDesktop::windowExists(WindowHandle window) const {
    return find(window) != nullptr;
}

WindowHandle SimDesktop::topLevelOf(WindowHandle window) const {
    const Window* w = find(window);
    if (!w)
        return kNoWindow;
    while (w->parent != kNoWindow) {
        window = w->parent;
        w = find(window);
    }
    return window;
}

bool SimDesktop::isWithin(WindowHandle window, WindowHandle ancestor) const {
    for (const Window* w = find(window); w; w = find(window = w->parent)) {
        if (window == ancestor)
            return true;
    }
    return false;
}

void SimDesktop::setWindowTitle(WindowHandle window, const QString& title) {
    if (Window* w = find(window))
        w->title = title;
}

void SimDesktop::moveWindow(WindowHandle window, const WindowRect& rect) {
    if (Window* w = find(window))
        w->rect = rect;
}

void SimDesktop::minimizeWindow(WindowHandle window) {
    if (Window* w = find(topLevelOf(window)))
        w->minimized = true;
}

bool SimDesktop::isMinimized(WindowHandle window) const {
    const Window* w = find(topLevelOf(window));
    return w && w->minimized;
}

void SimDesktop::swapListRows(WindowHandle listView, std::vector<std::vector<std::u16string>>& rows) {
    if (Window* w = find(listView))
        w->listRows.swap(rows);
}

void SimDesktop::notify(WindowEvent event, WindowHandle window) {
    // The shell posts only to a window registered for its notifications.
    if (!m_listener)
        return;
    m_notifications.emplace_back(event, window);
    if (m_deliveryPosted || !QCoreApplication::instance())
        return;
    m_deliveryPosted = true;
    QMetaObject::invokeMethod(
        &m_eventTarget, [this] { deliverNotifications(); }, Qt::QueuedConnection);
}

void SimDesktop::deliverNotifications() {
    m_deliveryPosted = false;
    while (!m_notifications.empty()) {
        const auto [event, window] = m_notifications.front();
        m_notifications.pop_front();
        // A copy: the listener may replace itself.
        if (const WindowListener listener = m_listener)
            listener(event, window);
        if (event == WindowEvent::Destroyed)
            m_dying.erase(window);
    }
}

SimQuoteProgram& SimDesktop::startQuoteProgram(const QString& folder, const QString& title) {
    if (m_quote && m_quote->isRunning())
        return *m_quote;
    QString root = folder;
    root.replace(QLatin1Char('\\'), QLatin1Char('/'));  // a folder written the Windows way
    const SimQuoteBehaviour behaviour =
        readSimQuoteBehaviour(QDir(root).filePath(QStringLiteral("sim/behaviour.ini")), *m_quoteBehaviour);
    m_quote = std::make_unique<SimQuoteProgram>(*this, root, title, behaviour, m_decode);
    const QString nickname = m_chatNickname ? m_chatNickname() : QString();
    if (behaviour.chatWindow && !nickname.isEmpty() && !(m_chat && m_chat->isOpen()))
        openChatWindow(nickname, behaviour.chatClosesAfter);
    return *m_quote;
}

SimChatWindow& SimDesktop::openChatWindow(const QString& nickname, int closesAfter) {
    if (m_chat)
        m_chat->close();
    m_chat = std::make_unique<SimChatWindow>(*this, nickname, closesAfter);
    return *m_chat;
}

SimQuoteProgram* SimDesktop::quoteProgram() {
    return m_quote && m_quote->isRunning() ? m_quote.get() : nullptr;
}

void SimDesktop::setQuoteBehaviour(const SimQuoteBehaviour& behaviour) {
    *m_quoteBehaviour = behaviour;
}

}  // namespace quarrow

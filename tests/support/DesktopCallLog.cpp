#include "support/DesktopCallLog.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>

namespace quarrow::test {

namespace {
std::string hex(std::uint8_t key) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(key));
    return text;
}
}  // namespace

std::string LoggingDesktop::nameOf(WindowHandle window) {
    const std::u16string title = m_desktop.windowTitle(window, 255);
    if (!title.empty())
        return QString::fromStdU16String(title).toStdString();
    // Built up in place: GCC 12 takes a prepend to a temporary for an overlapping copy.
    std::string name(1, '[');
    name += QString::fromStdU16String(m_desktop.windowClass(window, 255)).toStdString();
    name += ']';
    return name;
}

void LoggingDesktop::restoreWindow(WindowHandle window) {
    m_log.push_back("restore " + nameOf(window));
    m_desktop.restoreWindow(window);
}

void LoggingDesktop::setForegroundWindow(WindowHandle window) {
    m_log.push_back("foreground " + nameOf(window));
    m_desktop.setForegroundWindow(window);
}

void LoggingDesktop::setFocus(WindowHandle window) {
    m_log.push_back("focus " + nameOf(window));
    m_desktop.setFocus(window);
}

void LoggingDesktop::keyDown(std::uint8_t virtualKey) {
    m_log.push_back("key+ " + hex(virtualKey));
    m_desktop.keyDown(virtualKey);
}

void LoggingDesktop::keyUp(std::uint8_t virtualKey) {
    m_log.push_back("key- " + hex(virtualKey));
    m_desktop.keyUp(virtualKey);
}

void LoggingDesktop::setCursorPos(int x, int y) {
    m_cursorX = x;
    m_cursorY = y;
    m_log.push_back("cursor " + std::to_string(x) + "," + std::to_string(y));
    m_desktop.setCursorPos(x, y);
}

void LoggingDesktop::leftClick() {
    m_log.push_back("click " + std::to_string(m_cursorX) + "," + std::to_string(m_cursorY));
    m_desktop.leftClick();
}

int LoggingDesktop::clearClipboard() {
    const int error = m_desktop.clearClipboard();
    m_log.push_back(error == 0 ? std::string("clear") : "clear " + std::to_string(error));
    return error;
}

bool LoggingDesktop::setClipboardText(const std::u16string& text) {
    m_log.push_back("put " + QString::fromStdU16String(text).toStdString());
    return m_desktop.setClipboardText(text);
}

std::optional<std::u16string> LoggingDesktop::clipboardText() {
    std::optional<std::u16string> text = m_desktop.clipboardText();
    m_log.push_back(text ? "paste" : "paste none");
    return text;
}

void LoggingPump::processEvents() {
    m_log.push_back("pump");
    QCoreApplication::processEvents();
}

}  // namespace quarrow::test

#include "platform/sim/SimChatWindow.h"

#include <QRegularExpression>

namespace quarrow {

SimChatWindow::SimChatWindow(SimDesktop& desktop, const QString& nickname, int closesAfter)
    : m_desktop(desktop), m_closesAfter(closesAfter) {
    m_processId = m_desktop.startProcess(QStringLiteral("QQ.exe"));
    m_window = m_desktop.createWindow(kNoWindow, nickname, QStringLiteral("TXGuiFoundation"),
                                      {1300, 100, 1880, 700}, m_processId, this);
}

SimChatWindow::~SimChatWindow() = default;

void SimChatWindow::close() {
    if (!isOpen())
        return;
    m_window = kNoWindow;
    m_desktop.endProcess(m_processId);
}

QStringList SimChatWindow::receivedLines() const {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QStringList lines;
    for (const QString& message : m_messages)
        lines += message.split(lineBreak, Qt::SkipEmptyParts);
    return lines;
}

void SimChatWindow::keyDown(WindowHandle focus, std::uint8_t virtualKey) {
    if (!isOpen() || !m_desktop.isWithin(focus, m_window))
        return;
    if (virtualKey == 'V' && m_desktop.isKeyDown(VirtualKey::Control)) {
        m_input += QString::fromStdU16String(m_desktop.clipboardText().value_or(std::u16string()));
    } else if (virtualKey == VirtualKey::Enter && !m_input.isEmpty()) {
        m_messages.append(m_input);
        m_input.clear();
        if (m_closesAfter > 0 && m_messages.size() >= m_closesAfter)
            close();
    }
}

}  // namespace quarrow

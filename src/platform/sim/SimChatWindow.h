#pragma once

#include "platform/sim/SimDesktop.h"

#include <QString>
#include <QStringList>

namespace quarrow {

// A chat window of the messenger as the relay meets it: a top-level window titled with
// the nickname of the person chatted with, whose input takes what Ctrl+V pastes and
// sends it with Enter. It keeps every paste and every message sent, so a test or the demo
// reads back exactly what arrived.
class SimChatWindow final : public SimProgram {
public:
    // closesAfter: the window closes once it sent that many messages (0: never), as when
    // the user shuts the chat in the middle of a relay.
    SimChatWindow(SimDesktop& desktop, const QString& nickname, int closesAfter = 0);
    ~SimChatWindow() override;
    SimChatWindow(const SimChatWindow&) = delete;
    SimChatWindow& operator=(const SimChatWindow&) = delete;

    bool isOpen() const { return m_desktop.windowExists(m_window); }
    void close();

    // Each message sent (the input as it stood at Enter), and the lines of all messages
    // sent, in order, without empty ones.
    const QStringList& messages() const { return m_messages; }
    QStringList receivedLines() const;
    // What the input holds, not sent yet.
    QString input() const { return m_input; }

    void keyDown(WindowHandle focus, std::uint8_t virtualKey) override;
    void keyUp(WindowHandle, std::uint8_t) override {}
    void leftClick(WindowHandle, int, int) override {}

private:
    SimDesktop& m_desktop;
    int m_closesAfter;
    std::uint32_t m_processId = 0;
    WindowHandle m_window = kNoWindow;
    QString m_input;
    QStringList m_messages;
};

}  // namespace quarrow

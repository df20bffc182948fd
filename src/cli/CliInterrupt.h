#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace quarrow {

// Ctrl+C for the long commands. The signal (a console control event on Windows) only
// queues a note; the command sees it the next time it lets events through, exactly like
// a click reaches the desktop program's run, so nothing is interrupted half-way. While
// the object lives, Ctrl+C no longer ends the program by itself.
class CliInterrupt {
public:
    // Called with 1 for the first Ctrl+C, 2 for the second, and so on.
    explicit CliInterrupt(std::function<void(int count)> handler);
    ~CliInterrupt();
    CliInterrupt(const CliInterrupt&) = delete;
    CliInterrupt& operator=(const CliInterrupt&) = delete;

    // Runs the handler for one Ctrl+C (on the main thread, from the event loop).
    void interrupted() { m_handler(++m_count); }

private:
    void drain();

    std::function<void(int)> m_handler;
    std::unique_ptr<QObject> m_notifier;  // what wakes the event loop
    int m_count = 0;
    bool m_installed = false;
};

}  // namespace quarrow

#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace quarrow {

// Ctrl+C for the long commands. The signal only writes a byte into a pipe; the command
// sees it the next time it lets events through (between stocks), exactly like a click
// reaches the desktop program's run, so nothing is interrupted half-way. While the
// object lives, Ctrl+C no longer ends the program by itself.
class CliInterrupt {
public:
    // Called with 1 for the first Ctrl+C, 2 for the second, and so on.
    explicit CliInterrupt(std::function<void(int count)> handler);
    ~CliInterrupt();
    CliInterrupt(const CliInterrupt&) = delete;
    CliInterrupt& operator=(const CliInterrupt&) = delete;

private:
    void drain();

    std::function<void(int)> m_handler;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_count = 0;
    bool m_installed = false;
};

}  // namespace quarrow

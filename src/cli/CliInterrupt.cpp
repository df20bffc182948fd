#include "cli/CliInterrupt.h"

#include <QSocketNotifier>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace quarrow {

namespace {

int g_pipe[2] = {-1, -1};
struct sigaction g_previous {};

void onInterrupt(int) {
    const char byte = 1;
    // Nothing to do when the pipe is full: enough Ctrl+C are already waiting.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

}  // namespace

CliInterrupt::CliInterrupt(std::function<void(int count)> handler) : m_handler(std::move(handler)) {
    if (::pipe(g_pipe) != 0)
        return;  // without the pipe Ctrl+C keeps its usual meaning
    for (const int fd : g_pipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    auto notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [this] { drain(); });
    m_notifier = std::move(notifier);

    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_installed = ::sigaction(SIGINT, &action, &g_previous) == 0;
}

CliInterrupt::~CliInterrupt() {
    if (m_installed)
        ::sigaction(SIGINT, &g_previous, nullptr);
    m_notifier.reset();
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void CliInterrupt::drain() {
    char bytes[16];
    ssize_t got = 0;
    while ((got = ::read(g_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < got; ++i)
            interrupted();
    }
}

}  // namespace quarrow

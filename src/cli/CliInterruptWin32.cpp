#include "cli/CliInterrupt.h"

#include <QMetaObject>

#include <atomic>

#include <windows.h>

namespace quarrow {

namespace {

std::atomic<CliInterrupt*> g_interrupt{nullptr};
QObject* g_receiver = nullptr;

// Runs on a thread of its own that the console starts: it only queues the note for the
// main thread's event loop.
BOOL WINAPI onConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    CliInterrupt* interrupt = g_interrupt.load();
    if (!interrupt)
        return FALSE;
    QMetaObject::invokeMethod(
        g_receiver, [interrupt] { interrupt->interrupted(); }, Qt::QueuedConnection);
    return TRUE;
}

}  // namespace

CliInterrupt::CliInterrupt(std::function<void(int count)> handler) : m_handler(std::move(handler)) {
    m_notifier = std::make_unique<QObject>();
    g_receiver = m_notifier.get();
    g_interrupt = this;
    m_installed = SetConsoleCtrlHandler(onConsoleControl, TRUE) != FALSE;
}

CliInterrupt::~CliInterrupt() {
    if (m_installed)
        SetConsoleCtrlHandler(onConsoleControl, FALSE);
    g_interrupt = nullptr;
    m_notifier.reset();
    g_receiver = nullptr;
}

void CliInterrupt::drain() {}

}  // namespace quarrow

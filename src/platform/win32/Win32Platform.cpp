#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "platform/Shutdown.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Services.h"
#include "platform/win32/Win32Sound.h"
#include "platform/win32/Win32System.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace quarrow {

namespace {

// Ctrl+Alt+X under the atom a second copy of the program finds taken; WM_HOTKEY reaches the
// window's thread, where Qt hands every message to its native event filters.
class StopHotKey final : public QAbstractNativeEventFilter {
public:
    StopHotKey(std::uintptr_t window, std::function<void()> pressed)
        : m_key(reinterpret_cast<void*>(window), u"DIROHotkeyX", MOD_ALT | MOD_CONTROL, 0x58),
          m_pressed(std::move(pressed)) {
        if (m_key.registered())
            QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~StopHotKey() override {
        if (m_key.registered() && QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    StopHotKey(const StopHotKey&) = delete;
    StopHotKey& operator=(const StopHotKey&) = delete;

    bool registered() const { return m_key.registered(); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_HOTKEY || static_cast<int>(msg->wParam) != m_key.id())
            return false;
        if (m_pressed)
            m_pressed();
        return true;
    }

private:
    GlobalHotKey m_key;
    std::function<void()> m_pressed;
};

// The platform of a Windows run: the real desktop, sound, processes, network, power switch
// and archiver. A virtual clock still serves the demo and the tests that ask for one.
class Win32Platform final : public Platform {
public:
    explicit Win32Platform(const PlatformOptions& options) : m_launcher(startWithoutWindow) {
        if (options.virtualClockStart)
            m_clock = std::make_unique<VirtualClock>(*options.virtualClockStart);
        else
            m_clock = std::make_unique<SystemClock>();
    }

    Clock& clock() override { return *m_clock; }
    Desktop& desktop() override { return m_desktop; }
    Sound& sound() override { return m_sound; }
    ProcessLauncher& launcher() override { return m_launcher; }
    NetworkState& network() override { return m_network; }
    Shutdown& shutdown() override { return m_shutdown; }
    const Archiver& archiver() override { return m_archiver; }

    bool registerStopHotKey(std::uintptr_t nativeWindow, std::function<void()> pressed) override {
        m_hotKey.reset();
        if (nativeWindow == 0)
            return false;
        m_hotKey = std::make_unique<StopHotKey>(nativeWindow, std::move(pressed));
        return m_hotKey->registered();
    }

private:
    std::unique_ptr<Clock> m_clock;
    Win32Desktop m_desktop;
    Win32Sound m_sound;
    SystemProcessLauncher m_launcher;
    Win32NetworkState m_network;
    Win32Shutdown m_shutdown;
    Win32Archiver m_archiver;
    std::unique_ptr<StopHotKey> m_hotKey;  // released first: it names the window it serves
};

}  // namespace

std::unique_ptr<Platform> createPlatform(const PlatformOptions& options) {
    return std::make_unique<Win32Platform>(options);
}

}  // namespace quarrow

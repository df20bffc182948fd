#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "platform/Shutdown.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Sound.h"

namespace quarrow {

namespace {

// The platform of a Windows run: the real desktop, sound, processes, network and power
// switch. A virtual clock still serves the demo and the tests that ask for one.
class Win32Platform final : public Platform {
public:
    explicit Win32Platform(const PlatformOptions& options) : m_shutdown(m_launcher) {
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

private:
    std::unique_ptr<Clock> m_clock;
    Win32Desktop m_desktop;
    Win32Sound m_sound;
    SystemProcessLauncher m_launcher;
    SystemNetworkState m_network;
    SystemShutdown m_shutdown;
};

}  // namespace

std::unique_ptr<Platform> createPlatform(const PlatformOptions& options) {
    return std::make_unique<Win32Platform>(options);
}

}  // namespace quarrow

#include "platform/sim/SimPlatform.h"

#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimSound.h"
#include "platform/sim/SimulatedLauncher.h"

namespace quarrow {

SimPlatform::SimPlatform(const PlatformOptions& options) {
    if (options.virtualClockStart)
        m_clock = std::make_unique<VirtualClock>(*options.virtualClockStart);
    else
        m_clock = std::make_unique<SystemClock>();
    m_desktop = std::make_unique<SimDesktop>(*m_clock);
    m_desktop->setPageDecoder(options.decodeText);
    m_desktop->setChatNickname(options.chatNickname);
    m_sound = std::make_unique<SimSound>();
    m_realLauncher = std::make_unique<SystemProcessLauncher>();
    m_launcher =
        std::make_unique<SimulatedLauncher>(*m_desktop, *m_clock, *m_realLauncher, options.quoteWindowTitle);
    m_network = std::make_unique<SystemNetworkState>();
    m_shutdown = std::make_unique<SystemShutdown>(*m_realLauncher);
}

SimPlatform::~SimPlatform() = default;

Desktop& SimPlatform::desktop() {
    return *m_desktop;
}

Sound& SimPlatform::sound() {
    return *m_sound;
}

ProcessLauncher& SimPlatform::launcher() {
    return *m_launcher;
}

std::unique_ptr<Platform> createPlatform(const PlatformOptions& options) {
    return std::make_unique<SimPlatform>(options);
}

}  // namespace quarrow

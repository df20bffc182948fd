#include "platform/sim/SimPlatform.h"

#include "platform/Clock.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimSound.h"
#include "platform/sim/SimulatedLauncher.h"

namespace quarrow {

SimPlatform::SimPlatform(const PlatformOptions& options, SystemServices system)
    : m_system(std::move(system)) {
    if (options.virtualClockStart)
        m_clock = std::make_unique<VirtualClock>(*options.virtualClockStart);
    else
        m_clock = std::make_unique<SystemClock>();
    if (!m_system.launcher)
        m_system.launcher = std::make_unique<SystemProcessLauncher>();
    if (!m_system.network)
        m_system.network = std::make_unique<FixedNetworkState>(true);
    if (!m_system.shutdown)
        m_system.shutdown = std::make_unique<SimulatedShutdown>();
    m_desktop = std::make_unique<SimDesktop>(*m_clock);
    m_desktop->setPageDecoder(options.decodeText);
    m_desktop->setChatNickname(options.chatNickname);
    m_sound = std::make_unique<SimSound>();
    m_launcher = std::make_unique<SimulatedLauncher>(*m_desktop, *m_clock, *m_system.launcher,
                                                     options.quoteWindowTitle);
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

}  // namespace quarrow

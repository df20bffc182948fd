#pragma once

#include "platform/Archiver.h"
#include "platform/NetworkState.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "platform/Shutdown.h"

namespace quarrow {

class SimDesktop;
class SimSound;
class SimulatedLauncher;

// The services of the real system a simulated desktop runs beside. Whatever is left out
// is simulated: programs other than the quote program still start for real through
// QProcess, the network is always there and a shutdown is only counted.
struct SystemServices {
    std::unique_ptr<ProcessLauncher> launcher;
    std::unique_ptr<NetworkState> network;
    std::unique_ptr<Shutdown> shutdown;
};

// The simulated desktop with its quote program and chat window, the recording sound
// device and the archiver of a system without a registry, beside the system services it
// is given: the platform of Linux runs, the demo and the tests. Tests reach the simulated
// parts through their concrete types.
class SimPlatform final : public Platform {
public:
    explicit SimPlatform(const PlatformOptions& options, SystemServices system = {});
    ~SimPlatform() override;

    Clock& clock() override { return *m_clock; }
    Desktop& desktop() override;
    Sound& sound() override;
    ProcessLauncher& launcher() override;
    NetworkState& network() override { return *m_system.network; }
    Shutdown& shutdown() override { return *m_system.shutdown; }
    const Archiver& archiver() override { return m_archiver; }

    SimDesktop& simDesktop() { return *m_desktop; }

private:
    std::unique_ptr<Clock> m_clock;
    SystemServices m_system;
    std::unique_ptr<SimDesktop> m_desktop;
    std::unique_ptr<SimSound> m_sound;
    std::unique_ptr<SimulatedLauncher> m_launcher;  // hands other programs to the system's
    PortableArchiver m_archiver;
};

}  // namespace quarrow

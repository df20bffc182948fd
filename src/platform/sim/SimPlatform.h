#pragma once

#include "platform/Platform.h"

namespace quarrow {

class SimDesktop;
class SimSound;
class SystemProcessLauncher;
class SimulatedLauncher;

// The platform of a Linux run: the simulated desktop with its quote program, the recording
// sound device, real processes except the quote program, the system's network state and
// shutdown. Tests reach the simulated parts through their concrete types.
class SimPlatform final : public Platform {
public:
    explicit SimPlatform(const PlatformOptions& options);
    ~SimPlatform() override;

    Clock& clock() override { return *m_clock; }
    Desktop& desktop() override;
    Sound& sound() override;
    ProcessLauncher& launcher() override;
    NetworkState& network() override { return *m_network; }
    Shutdown& shutdown() override { return *m_shutdown; }

    SimDesktop& simDesktop() { return *m_desktop; }
    SimSound& simSound() { return *m_sound; }

private:
    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<SimDesktop> m_desktop;
    std::unique_ptr<SimSound> m_sound;
    std::unique_ptr<SystemProcessLauncher> m_realLauncher;
    std::unique_ptr<SimulatedLauncher> m_launcher;
    std::unique_ptr<NetworkState> m_network;
    std::unique_ptr<Shutdown> m_shutdown;
};

}  // namespace quarrow

#pragma once

#include "platform/NetworkState.h"
#include "platform/Shutdown.h"

namespace quarrow {

class ProcessLauncher;

// The network state as Qt's network information reports it; a connection is assumed
// when the system cannot tell.
class PosixNetworkState final : public NetworkState {
public:
    bool isConnected() const override;
};

// A desktop program does not switch a POSIX computer off on its own: only a command
// configured in QUARROW_SHUTDOWN_COMMAND (for example "systemctl poweroff") is run;
// without it the result says plainly that nothing was done.
class PosixShutdown final : public Shutdown {
public:
    explicit PosixShutdown(ProcessLauncher& launcher) : m_launcher(launcher) {}
    ShutdownResult powerOff() override;

private:
    ProcessLauncher& m_launcher;
};

}  // namespace quarrow

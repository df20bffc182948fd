#include "platform/ProcessLauncher.h"
#include "platform/posix/PosixServices.h"
#include "platform/sim/SimPlatform.h"

namespace quarrow {

// There is no quote program here: the simulated desktop stands in for it, beside the
// system's own processes, network state and power switch.
std::unique_ptr<Platform> createPlatform(const PlatformOptions& options) {
    SystemServices system;
    system.launcher = std::make_unique<SystemProcessLauncher>();
    system.network = std::make_unique<PosixNetworkState>();
    system.shutdown = std::make_unique<PosixShutdown>(*system.launcher);
    return std::make_unique<SimPlatform>(options, std::move(system));
}

}  // namespace quarrow

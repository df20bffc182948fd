#pragma once

#include <QString>
#include <QStringList>

namespace quarrow {

class ProcessLauncher;

// What became of a request to switch the computer off.
struct ShutdownResult {
    bool requested = false;  // the system accepted the request
    QString message;         // what to tell the user (why not, or what was run)
};

// Switching the computer off at the end of a run the user left unattended.
class Shutdown {
public:
    virtual ~Shutdown() = default;
    virtual ShutdownResult powerOff() = 0;
};

// Windows: takes the shutdown privilege and asks the system to shut down and power off.
// Elsewhere a computer is not switched off by a desktop program on its own: only a
// command configured in QUARROW_SHUTDOWN_COMMAND (for example "systemctl poweroff") is
// run; without it the result says plainly that nothing was done.
class SystemShutdown final : public Shutdown {
public:
    explicit SystemShutdown(ProcessLauncher& launcher);
    ShutdownResult powerOff() override;

private:
    ProcessLauncher& m_launcher;
};

// Counts the requests and switches nothing off: for tests and the simulated desktop.
class SimulatedShutdown final : public Shutdown {
public:
    ShutdownResult powerOff() override {
        ++requests;
        return {true, QStringLiteral("simulated shutdown")};
    }
    int requests = 0;
};

}  // namespace quarrow

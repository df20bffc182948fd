#pragma once

#include <QString>
#include <QStringList>

namespace quarrow {

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

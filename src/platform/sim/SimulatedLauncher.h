#pragma once

#include "platform/ProcessLauncher.h"

#include <functional>

namespace quarrow {

class Clock;
class SimDesktop;

// Starts the simulated quote program in place of "TdxW.exe" and hands every other program
// to the real launcher. The quote program never ends by itself, so its wait runs out on
// the clock: TimedOut, and it keeps running unless asked to be ended.
class SimulatedLauncher final : public ProcessLauncher {
public:
    // title: the quote program's window title at the time of the start.
    SimulatedLauncher(SimDesktop& desktop, Clock& clock, ProcessLauncher& real,
                      std::function<QString()> title);

    LaunchResult run(const QString& program, const QStringList& arguments, const QString& workingFolder,
                     int wait_ms, WhenTimedOut whenTimedOut) override;

private:
    SimDesktop& m_desktop;
    Clock& m_clock;
    ProcessLauncher& m_real;
    std::function<QString()> m_title;
};

}  // namespace quarrow

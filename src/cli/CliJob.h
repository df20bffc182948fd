#pragma once

#include "app/JobOutcome.h"
#include "cli/CliInterrupt.h"

#include <QString>

namespace quarrow {

class RunControl;
class TerminalFrame;

// The exit status of a long job, from how it ended alone: 0 done, 130 stopped (Ctrl+C),
// 1 not started or failed. A job that did not go through says so, and why, in one line
// on standard error; a shutdown the system refused is said and does not change the
// status: the work was done.
int exitStatusOf(const JobOutcome& outcome);

// What a second Ctrl+C does while the job finishes its current item.
enum class SecondInterrupt {
    EndsAfterItem,  // the program ends as soon as the current item is stored
    EndsAtOnce,     // the program ends at once: the item under way is only being fetched
};

// Ctrl+C for a long job: the first stops it after the current item, as the Stop command
// does, and says so on standard error; what a second one does depends on the job.
class StopOnInterrupt {
public:
    StopOnInterrupt(RunControl& run, TerminalFrame& frame,
                    SecondInterrupt second = SecondInterrupt::EndsAfterItem,
                    QString firstNote = QStringLiteral("stopping after the current item"));

private:
    CliInterrupt m_interrupt;
};

}  // namespace quarrow

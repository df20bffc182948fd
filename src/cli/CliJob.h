#pragma once

#include "app/JobOutcome.h"
#include "cli/CliInterrupt.h"

#include <QString>

namespace quarrow {

class RunControl;
class TerminalFrame;

// The exit status of a long job: 1 when it did not run, when the database or the
// settings file refused a write, or when the command met another failure of its own;
// else 130 when Ctrl+C ended it, else 0. A shutdown the system refused is said, and does
// not change the status: the work was done.
int exitStatusOf(const JobOutcome& outcome, bool otherFailure = false);

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

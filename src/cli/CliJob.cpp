#include "cli/CliJob.h"

#include "app/RunControl.h"
#include "cli/CliCommand.h"
#include "cli/TerminalFrame.h"

#include <cstdio>
#include <cstdlib>

namespace quarrow {

int exitStatusOf(const JobOutcome& outcome) {
    if (outcome.closing.shutdownAttempted && !outcome.closing.shutdown.requested)
        printError(outcome.closing.shutdown.message);
    switch (outcome.end) {
        case JobEnd::Done:
            return kExitOk;
        case JobEnd::Stopped:
            return kExitInterrupted;
        case JobEnd::NotStarted:
            // Declined on purpose (a question answered No) is said by the question itself.
            if (outcome.reason != JobReason::Declined)
                printError(QStringLiteral("did not start: ") + outcome.reasonTextEnglish());
            return kExitFailure;
        case JobEnd::Failed:
            printError(QStringLiteral("failed: ") + outcome.reasonTextEnglish());
            return kExitFailure;
    }
    return kExitFailure;
}

StopOnInterrupt::StopOnInterrupt(RunControl& run, TerminalFrame& frame, SecondInterrupt second,
                                 QString firstNote)
    : m_interrupt([&run, &frame, second, firstNote = std::move(firstNote)](int count) {
          if (!run.isActive())
              return;
          if (count >= 2 && second == SecondInterrupt::EndsAtOnce) {
              // Only the waits of a fetch or the gaps between items get here, never an item
              // half stored: ending at once loses nothing but the item under way.
              printError(QStringLiteral("ended at once; every stored item is complete"));
              std::fflush(stdout);
              std::_Exit(kExitInterrupted);
          }
          run.requestStop();
          frame.ShowPrompt(count == 1
                               ? firstNote + QStringLiteral(" (Ctrl+C again ends the program ") +
                                     (second == SecondInterrupt::EndsAtOnce
                                          ? QStringLiteral("at once)")
                                          : QStringLiteral("as soon as it is stored)"))
                               : QStringLiteral("ending the program as soon as the current item is stored"));
      }) {}

}  // namespace quarrow

#pragma once

#include "app/RunControl.h"

#include <QString>

namespace quarrow {

// What every long job (the mining run, the re-analysis, the download, the relay and the
// capture, the clean-up) reports when it ends, whatever else it counted. The front ends
// read these the same way: the window says what went wrong, the command line turns them
// into its exit status.
struct JobOutcome {
    bool ran = false;         // the start checks passed and the job did its walk
    bool stopped = false;     // a stop request ended it before its last item
    bool endProgram = false;  // asked to end the program as soon as the current item was done
    // The database refused a write (locked for longer than the busy timeout, a full disk,
    // an I/O error): the open item or group was rolled back and the job ended there.
    QString storeError;
    // The settings file refused a write (a resume point, a newest day): the stored rows are
    // fine, but what the program notes for next time is older than it should be.
    QString settingsError;
    RunControl::EndResult end;

    bool storeFailed() const { return !storeError.isEmpty(); }
    // Notes the database's refusal; an empty reason still counts as a refusal.
    void failStore(const QString& error) {
        storeError = error.isEmpty() ? QStringLiteral("the database refused the write") : error;
    }
    // Keeps the first refusal of the settings file: later ones usually repeat its reason.
    void failSettings(const QString& error) {
        if (settingsError.isEmpty())
            settingsError = error.isEmpty() ? QStringLiteral("the settings file refused the write") : error;
    }
};

}  // namespace quarrow

#pragma once

#include "app/JobOutcome.h"
#include "store/StoreLocation.h"

#include <QList>
#include <QString>

namespace quarrow {

class AppFrame;
class RunControl;
class Settings;

struct StoreImportOptions {
    StoreLocation source;  // the Access file or ODBC source to read; never written
    QString target;        // the program's own SQLite file, new or holding rows already
    // After a verified copy, the settings name the program's own file (the source's line
    // kept as a comment); off when the source was given for this import only.
    bool switchSettings = true;
};

// One table of the import: what the source holds, what was copied, what was there
// already, and after the check how many of the source's rows the target lacks.
struct TableImport {
    QString table;
    qint64 sourceRows = 0;
    qint64 copied = 0;
    qint64 present = 0;
    qint64 missing = 0;
};

// Not started when the user said no, another job was active or a store would not open;
// failed when the source could not be read (sourceError), the target refused (the
// database's refusal) or the check found rows missing; the tables say how far it got.
struct StoreImportOutcome : JobOutcome {
    QList<TableImport> tables;
    QString sourceError;
    bool verified = false;  // every table's rows and keys checked in the target
    bool settingsSwitched = false;
};

// Copies every table of a user's Access file (or any ODBC source with the program's
// tables) into the program's own SQLite store, row by row by key: a row already there is
// skipped, so a copy killed half-way is simply run again. Groups of rows are committed one
// by one; at the end every source row's key is looked for in the target, and only then do
// the settings name the program's own file.
class StoreImport {
public:
    StoreImport(AppFrame& frame, RunControl& run, Settings& settings);
    // Under the lease the job runner took for it.
    StoreImportOutcome run(const RunLease& lease, const StoreImportOptions& options);

    static constexpr int kGroupRows = 2000;

private:
    AppFrame& m_frame;
    RunControl& m_run;
    Settings& m_settings;
};

}  // namespace quarrow

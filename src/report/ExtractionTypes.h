#pragma once

#include "app/AppFrame.h"
#include "app/ProgramFolder.h"
#include "store/DataBase.h"
#include "store/Money.h"
#include "store/StoredRows.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace quarrow {

class Archiver;
class Clock;
class ProcessLauncher;
class NetworkState;

// The outside world an extraction reaches: database, user, time, processes with the
// archiver among them, network.
struct ExtractionServices {
    TDataBase& db;
    AppFrame& frame;
    Clock& clock;
    ProcessLauncher& launcher;
    const Archiver& archiver;
    NetworkState& network;
    ProgramFolder folder;
};

// Who asked for the extraction. The button needs the internet; the mining run keeps the
// report as a document; the re-analysis of saved documents only parses and stores.
enum class ExtractionCaller { Button, MiningRun, Reanalysis };

// What the user set for one extraction.
struct ExtractionOptions {
    QString code;             // edtStockCode
    QString name;             // pnlStockName
    bool allChanges = false;  // chkGetAllChanges: walk every anomaly day, not just the newest
    int percent = 0;          // ValuePercnt: least absolute price change in percent; 0 = any
    QString rarFolder;        // edtRarFolder: where the archiver lives
};

// What outlives one extraction: the counters of the status bar, the query page's date
// range, and the latest anomaly's day and kind. The batches reset the counters.
struct ExtractionTotals {
    int savedRowCount = 0;
    int savedChangeCount = 0;
    int savedBigCount = 0;
    QDate dateFrom;  // the query page's range, widened to every stored day
    QDate dateTo;
    bool departmentsAdded = false;          // new names were stored: the department list needs a reload
    QDate changeDate;                       // ChangeDate of the latest anomaly day read
    QString stMemo = QStringLiteral("--");  // kind of the latest anomaly, for the program's lifetime
    // The department rows stored since the batch began; a batch starts a new log.
    StoredRows storedRows;

    // Puts back what rows rolled back had counted: the counters, the date range, the stored
    // rows and the reload flag return to what they were when `committed` was taken.
    void forgetUncommitted(const ExtractionTotals& committed) {
        savedRowCount = committed.savedRowCount;
        savedChangeCount = committed.savedChangeCount;
        savedBigCount = committed.savedBigCount;
        dateFrom = committed.dateFrom;
        dateTo = committed.dateTo;
        departmentsAdded = committed.departmentsAdded;
        storedRows = committed.storedRows;
    }

    void widenDateRange(const QDate& day) {
        if (!day.isValid())
            return;
        if (!dateFrom.isValid() || dateFrom > day)
            dateFrom = day;
        if (!dateTo.isValid() || dateTo < day)
            dateTo = day;
    }
};

}  // namespace quarrow

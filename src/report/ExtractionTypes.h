#pragma once

#include "app/AppFrame.h"
#include "app/JobOutcome.h"
#include "app/ProgramFolder.h"
#include "store/DataBase.h"
#include "store/Money.h"
#include "store/StoredRows.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

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
    // The kind of the latest anomaly read ("涨跌幅大" or "换手率高"; "--" before the first),
    // which the department rows after it carry. It lasts as long as the program.
    QString anomalyMemo = QStringLiteral("--");
    // Shows the report page (TabSheetStockDoc) in the window; empty elsewhere.
    std::function<void()> showReportPage = {};
};

// Who asked for the extraction. The button needs the internet; the mining run keeps the
// report as a document; the re-analysis of saved documents only parses and stores.
enum class ExtractionCaller { Button, MiningRun, Reanalysis };

// The percent threshold's bounds, as the mining page's box and every command take it.
inline constexpr int kPercentThresholdMax = 1000;

// What the user set for one extraction.
struct ExtractionOptions {
    QString code;             // edtStockCode
    QString name;             // pnlStockName
    bool allChanges = false;  // chkGetAllChanges: walk every anomaly day, not just the newest
    int percent = 0;          // ValuePercnt: least absolute price change in percent; 0 = any
    QString rarFolder;        // edtRarFolder: where the archiver lives
};

// One run's own account of what it stored: the counters of the status bar, the days for
// the query page's range, whether new department names came, the newest anomaly day read
// and the department rows themselves. Every run (a batch, a manual extraction, a command)
// keeps its own, so no job can lose or double another's figures; a group the database
// refuses is taken back by putting the account back as it was at the last commit.
struct ExtractionAccount {
    int savedRowCount = 0;
    int savedChangeCount = 0;
    int savedBigCount = 0;
    DateRange dates;
    bool departmentsAdded = false;  // new names were stored: the department list needs a reload
    QDate changeDate;               // ChangeDate of the latest anomaly day read
    StoredRows storedRows;

    void widenDateRange(const QDate& day) { dates.widen(day); }
};

}  // namespace quarrow

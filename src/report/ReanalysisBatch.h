#pragma once

#include "app/JobOutcome.h"
#include "app/RunControl.h"
#include "report/ExtractionTypes.h"
#include "report/StockFolderList.h"

#include <QDate>
#include <QList>
#include <QStringList>

#include <functional>

namespace quarrow {

class Settings;
class Shutdown;

// What the user set for a re-analysis, from the main window or the command line.
struct ReanalysisOptions {
    bool allChanges = false;        // chkGetAllChanges
    int percent = 0;                // ValuePercnt
    QString rarFolder;              // edtRarFolder
    bool shutdownWhenDone = false;  // chkShutDown
};

// A group of stocks the database refused (locked, full, an I/O error) ends the batch:
// the counts and the stored counters then cover only committed stocks, and the resume
// point stays at the last of them. A settings file that refused the resume point or the
// newest day leaves the stored rows fine, but a resumed batch would start from an older
// stock.
struct ReanalysisOutcome : JobOutcome {
    ExtractionAccount account;  // what this batch stored
    int startRow = 0;           // 1-based row it started at
    int lastRow = 0;            // 1-based row of the last stock finished
    int stocksAnalysed = 0;     // stocks that had a folder
    int documents = 0;          // documents read and run through the extraction
    int unreadable = 0;         // documents and stock folders that could not be read
    // Six-digit stock folders whose code the list does not carry: reported, not analysed.
    QStringList unlistedFolders;
    QDate stockDate;                 // the StockDate kept at the end
    bool reloadDepartments = false;  // new department names: the department list needs a reload
    StoredRows storedRows;           // the department rows this batch stored
};

// What only the desktop window does around the batch; every hook may be left empty.
struct ReanalysisHooks {
    std::function<void()> showPromptPage;  // function panel hidden, TabSheetPrompt shown
    std::function<void()> showQueryPage;   // the function page TabGetFromDB, at the end
    std::function<void(bool)> stayOnTop;
};

// The batch re-analysis of saved report documents: walks the all-stocks list, runs every
// text document of each listed stock's folder through the extraction (nothing is saved as
// a document) and keeps "RunDate", "Code" (the row's prefixed key, as the mining run notes
// it), "Index" and "StockDate" so that a batch of the same day resumes where it, or the
// mining run, stopped. Stocks are committed in groups of about a second's work and
// noted only once committed; the stored dates and record keys turn away rows already
// stored, so a stock analysed twice (after a crash between storing it and noting it)
// stores nothing twice.
class ReanalysisBatch {
public:
    ReanalysisBatch(ExtractionServices& services, Settings& settings, RunControl& run, Shutdown& shutdown,
                    ReanalysisHooks hooks = {});

    // The whole batch over the rows of the all-stocks list (the desktop's
    // "btnGetAllFromTxtDocsClick"): the questions, the walk, the commits and the bookkeeping,
    // under the lease the job runner took for it.
    ReanalysisOutcome run(const RunLease& lease, const QList<StockRow>& rows,
                          const ReanalysisOptions& options);

private:
    // The resume point, "Last"/"RunDate", "Code" and "Index": the row to start at (asking
    // whether to go on from today's noted stock), and noting a finished row.
    int chooseStartRow(const QList<StockRow>& rows);
    void noteLastStock(const QString& key, int row);
    // Logs each stock folder the list does not carry, so none is passed over unseen.
    QStringList reportUnlistedFolders(const QList<StockRow>& rows);
    // Logs a refused write of the settings file and keeps its reason for the outcome.
    void settingsWriteFailed();
    void resetStoredDates();
    static QString finalLine(const ReanalysisOutcome& outcome);

    ExtractionServices& m_services;
    Settings& m_settings;
    RunControl& m_run;
    Shutdown& m_shutdown;
    ReanalysisHooks m_hooks;
    QString m_settingsError;  // the first refused write of the settings file in this batch
};

}  // namespace quarrow

#pragma once

#include "app/JobOutcome.h"
#include "app/ResumePoint.h"
#include "app/RunControl.h"
#include "quotefiles/DailyChanges.h"
#include "report/ExtractionTypes.h"

#include <QDate>
#include <QStringList>

#include <functional>

namespace quarrow {

class OwnStockList;
class QuoteWindows;
class ReportFetch;
class Settings;
class Shutdown;
class StockList;
class TcmxMP3;
struct FetchState;
struct MiningSchedule;

// What the user set on the mining page.
struct MiningOptions {
    bool onlyOwnStocks = false;     // chkOnlyMyStock
    bool autoRepeat = true;         // chkAutoRepeat
    bool shutdownWhenDone = false;  // chkShutDown
    bool allChanges = false;        // chkGetAllChanges
    int percent = 20;               // ValuePercnt: 0 fetches every stock unscreened
    int lastDays = 3;               // valueLastDays
    QString quoteFolder;
    QString rarFolder;
};

struct MiningOutcome : JobOutcome {
    int startPosition = 0;  // 0-based list position the first pass started at
    int passes = 0;
    int screened = 0;         // stocks looked at (daily bars read, or fetched unscreened)
    int fetched = 0;          // fetches tried
    int captured = 0;         // reports captured and parsed
    int typedAhead = 0;       // next codes typed into the quote program while a report was stored
    QStringList notCaptured;  // prefixed codes whose report never came
    QString logFile;          // where the run's log was written; empty when it could not be
    QString logError;
    QString error;  // an unexpected error (an unreadable file, a sound device) ended it
    QDate stockDate;
};

// What only the desktop window does around a run; every hook may be left empty.
struct MiningWindowHooks {
    std::function<void()> bringToFront;
    std::function<void(bool)> stayOnTop;
    std::function<void()> showPromptPage;  // function panel hidden, TabSheetPrompt shown
    std::function<void()> showResults;     // the operator query of the stored rows
    // The stock under way: its code in the code edit, its name in the name panel.
    std::function<void(const QString& code, const QString& name)> showStock;
    std::function<void()> refreshDepartments;  // when the department list may reload
};

struct MiningServices {
    ExtractionServices& extraction;
    ExtractionTotals& totals;
    Settings& settings;
    RunControl& run;
    Shutdown& shutdown;
    QuoteWindows& windows;
    ReportFetch& fetch;
    FetchState& fetchState;
    MiningSchedule& schedule;
    const StockList& stocks;
    OwnStockList& ownStocks;
    TcmxMP3* alarm = nullptr;
};

// The main batch: walks the whole stock list (or the own stocks), screens each stock by
// its recent daily bars, makes the quote program show the picked stocks' dragon-tiger
// reports, captures, parses and stores them, retries the stocks whose report did not
// come, and keeps where the day's run stands so that a second run resumes there.
class MiningRun {
public:
    explicit MiningRun(MiningServices services, MiningWindowHooks hooks = {});

    MiningOutcome run(const MiningOptions& options);

private:
    bool startChecks(const MiningOptions& options);
    int chooseStart(const MiningOptions& options, bool ownMode, MiningOutcome& outcome);
    // One pass over the range; false when the run must end (stop, a store failure).
    void pass(const MiningOptions& options, bool ownMode, int first, MiningOutcome& outcome);
    bool retryDecision(const MiningOptions& options, bool automaticPass, MiningOutcome& outcome);
    void finish(const MiningOptions& options, MiningOutcome& outcome);
    void writeLogFile(MiningOutcome& outcome);
    void listStocksWithoutShares();
    void settingsWriteFailed(MiningOutcome& outcome);
    void log(const QString& line, LogColor color);

    MiningServices m_services;
    MiningWindowHooks m_hooks;
    AppFrame& m_frame;
    QStringList m_failed;
    bool m_retried = false;
    QDate m_lastStockDate;
    IndexSummaries m_indexes;
    ResumePoint m_resume;
};

}  // namespace quarrow

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
    // Nobody watches the run (the automatic daily start, a run that switches the computer
    // off, a command line without a terminal): no question waits for an answer, and a
    // quote program that will not start ends the run instead of every stock's wait.
    bool unattended = false;
};

// How often in a row the quote program may fail to start in a run nobody watches before
// the run ends: each try costs the program's start-up wait.
inline constexpr int kQuoteProgramStarts = 3;

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
    QString error;  // an unexpected error (an unreadable file) ended it
    // The quote program could not be had kQuoteProgramStarts times in a row in a run
    // nobody watches: the run ended there.
    bool quoteProgramLost = false;
    // The quote program took no keys from us (it runs as administrator): the run ended there.
    bool quoteProgramRefusesInput = false;
    // Stocks an earlier run of today could not capture, listed when this one resumed it.
    QStringList carriedFailures;
    QDate stockDate;
    StoredRows storedRows;  // the department rows this run stored
};

// What only the desktop window does around a run; every hook may be left empty.
struct MiningWindowHooks {
    std::function<void()> bringToFront;
    std::function<void(bool)> stayOnTop;
    std::function<void()> showPromptPage;  // function panel hidden, TabSheetPrompt shown
    std::function<void()> showResults;     // the operator query of the stored rows
    // The stock under way: its code in the code edit, its name in the name panel.
    std::function<void(const QString& code, const QString& name)> showStock;
    // The run ended with new department names possibly stored: the window reloads its
    // department list when its reload command says there is something to reload.
    std::function<void()> refreshDepartments;
    // The own list was empty: the run walks all stocks, and the own-list box is cleared.
    std::function<void()> ownListEmpty;
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
    // The log's line about the followed departments' rows among those the run stored;
    // empty for no line.
    std::function<QString(const StoredRows&)> followedLine = {};
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
    // The stock a pass is at: its key, name and resume position, and the next stock's code
    // to type ahead (empty for none).
    struct StockAtHand {
        QString key;
        QString name;
        int position = 0;
        QString next;
    };

    bool startChecks(const MiningOptions& options);
    int chooseStart(const MiningOptions& options, bool ownMode, MiningOutcome& outcome);
    // One pass over the range; false when the run must end (stop, a store failure).
    void pass(const MiningOptions& options, bool ownMode, int first, MiningOutcome& outcome);
    // Fetches, parses and stores one picked stock; false when the run must end there (the
    // database refused it, or the quote program is gone for good).
    bool storeStock(const MiningOptions& options, const StockAtHand& stock, class StockExtraction& extraction,
                    MiningOutcome& outcome);
    bool retryDecision(const MiningOptions& options, bool automaticPass, MiningOutcome& outcome);
    // Lists the stocks without a report as not captured, on the prompt memo and in the outcome.
    void listNotCaptured(MiningOutcome& outcome);
    // One stock could not be captured: into the failed list, and kept for a resumed run.
    void fetchFailed(const QString& key);
    MessageAnswer askToStart(const MiningOptions& options, MessageRequest request, const QString& picture);
    void finish(const MiningOptions& options, MiningOutcome& outcome);
    void writeLogFile(MiningOutcome& outcome);
    void listStocksWithoutShares();
    void settingsWriteFailed(MiningOutcome& outcome);
    void log(const QString& line, LogColor color);

    MiningServices m_services;
    MiningWindowHooks m_hooks;
    AppFrame& m_frame;
    QStringList m_failed;
    QStringList m_failedToday;  // what the settings keep for a resumed run
    int m_quoteProgramMisses = 0;
    bool m_retried = false;
    QDate m_lastStockDate;
    IndexSummaries m_indexes;
    ResumePoint m_resume;
};

}  // namespace quarrow

#pragma once

#include "app/JobOutcome.h"
#include "app/ResumePoint.h"
#include "app/RunControl.h"
#include "mining/FailedStocks.h"
#include "quotefiles/DailyChanges.h"
#include "quotefiles/ExchangeRules.h"
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
struct MiningSchedule;

// What the user set on the mining page.
struct MiningOptions {
    bool onlyOwnStocks = false;     // chkOnlyMyStock
    bool autoRepeat = true;         // chkAutoRepeat
    bool shutdownWhenDone = false;  // chkShutDown
    bool allChanges = false;        // chkGetAllChanges
    int percent = 20;               // ValuePercnt: 0 fetches every stock unscreened
    int lastDays = 3;               // valueLastDays
    // chkExchangeRules: the stocks the exchanges' own listing rules pick, instead of the
    // threshold's screening; like any screened run it types nothing ahead and does not resume.
    bool exchangeRules = false;
    QString quoteFolder;
    QString rarFolder;
    // Nobody watches the run (the automatic daily start, a run that switches the computer
    // off, a command line without a terminal): no question waits for an answer, and a
    // quote program that will not start ends the run instead of every stock's wait.
    bool unattended = false;
};

// The largest number of days the mining page's box (valueLastDays) and mine --days take.
inline constexpr int kLastDaysMax = 9999;

// How often in a row the quote program may fail to start in a run nobody watches before
// the run ends: each try costs the program's start-up wait.
inline constexpr int kQuoteProgramStarts = 3;

struct MiningOutcome : JobOutcome {
    int startPosition = 0;  // 0-based list position the first pass started at
    int passes = 0;
    int screened = 0;    // stocks looked at (daily bars read, or fetched unscreened)
    int fetched = 0;     // fetches tried
    int captured = 0;    // reports captured, parsed and stored whole
    int typedAhead = 0;  // next codes typed into the quote program while a report was stored
    // Where the last pass stopped: its position (1-based) of its count.
    int reached = 0;
    int passLength = 0;
    QStringList notCaptured;  // prefixed codes whose report never came, once each
    QString logFile;          // where the run's log was written; empty when it could not be
    QString logError;
    // Stocks an earlier run of today could not capture, retried when this one resumed.
    QStringList carriedFailures;
    QDate stockDate;
    ExtractionAccount account;  // what this run stored
    StoredRows storedRows;      // the department rows this run stored (as in the account)
};

// What only the desktop window does around a run; every hook may be left empty.
struct MiningWindowHooks {
    std::function<void()> bringToFront;
    std::function<void(bool)> stayOnTop;
    std::function<void()> showPromptPage;  // function panel hidden, TabSheetPrompt shown
    // The operator query of the stored rows, over a range that takes in their days.
    std::function<void(const DateRange&)> showResults;
    // The stock under way: its code in the code edit, its name in the name panel.
    std::function<void(const QString& code, const QString& name)> showStock;
    // The run stored new department names: the department list's reload command is on.
    std::function<void()> departmentsAdded;
    // The run's end: the window reloads its department list when the reload command is on.
    std::function<void()> refreshDepartments;
    // The own list was empty: the run walks all stocks, and the own-list box is cleared.
    std::function<void()> ownListEmpty;
};

struct MiningServices {
    ExtractionServices& extraction;
    Settings& settings;
    RunControl& run;
    Shutdown& shutdown;
    QuoteWindows& windows;
    ReportFetch& fetch;
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

    // The whole run, under the lease the job runner took for it.
    MiningOutcome run(const RunLease& lease, const MiningOptions& options);

private:
    // The stock a pass is at: its key, name and resume position, and the next stock's code
    // to type ahead (empty for none).
    struct StockAtHand {
        QString key;
        QString name;
        int position = 0;
        QString next;
    };

    // The start questions and checks; the reason when the run does not start.
    bool startChecks(const MiningOptions& options, MiningOutcome& outcome);
    int chooseStart(const MiningOptions& options, bool ownMode, MiningOutcome& outcome);
    void passes(const MiningOptions& options, bool ownMode, int start, MiningOutcome& outcome);
    // One pass over the range; it ends early on a stop or a failure that ends the run.
    void pass(const MiningOptions& options, bool ownMode, int first, MiningOutcome& outcome);
    // Fetches, parses and stores one picked stock; false when the run must end there (the
    // database refused it, or the quote program is gone for good).
    bool storeStock(const MiningOptions& options, const StockAtHand& stock, class StockExtraction& extraction,
                    MiningOutcome& outcome);
    bool retryDecision(const MiningOptions& options, bool automaticPass);
    // Lists the stocks without a report as not captured, on the prompt memo and in the outcome.
    void listNotCaptured(MiningOutcome& outcome);
    // One stock could not be captured: into the failed list, and into the day's record.
    void fetchFailed(const QString& key, MiningOutcome& outcome);
    MessageAnswer askToStart(const MiningOptions& options, MessageRequest request, const QString& picture);
    void finish(const RunLease& lease, const MiningOptions& options, MiningOutcome& outcome);
    // The log's last line and the box the run ends with, from the way it ended alone.
    static QString finalLine(const MiningOutcome& outcome);
    static QString closingMessage(const MiningOutcome& outcome);
    bool writeLogFile(MiningOutcome& outcome);
    void listStocksWithoutShares();
    void settingsWriteFailed(MiningOutcome& outcome);
    void log(const QString& line, LogColor color);

    MiningServices m_services;
    MiningWindowHooks m_hooks;
    AppFrame& m_frame;
    QStringList m_failed;  // this pass's
    int m_quoteProgramMisses = 0;
    bool m_retried = false;
    QDate m_lastStockDate;
    IndexSummaries m_indexes;
    ExchangeRuleSet m_rules = ExchangeRuleSet::defaults();
    ResumePoint m_resume;
    FailedStocks m_record;
};

}  // namespace quarrow

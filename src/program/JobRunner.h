#pragma once

#include "app/JobOutcome.h"
#include "app/RunControl.h"
#include "automation/ReportFetch.h"
#include "download/DataDownload.h"
#include "mining/MiningRun.h"
#include "report/DocumentCleanup.h"
#include "report/ReanalysisBatch.h"
#include "report/StockExtraction.h"
#include "review/DatabaseCopy.h"
#include "review/FilteredDelete.h"
#include "scorecard/TrackRecord.h"
#include "store/StoreImport.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace quarrow {

class MainForceRelay;
class PageLoader;
class ProgramServices;
struct FollowedRunReport;

// One fetch of a stock's report (the toolbar's 获取龙虎榜单, the command line's fetch).
struct FetchJobOutcome : JobOutcome {
    FetchOutcome fetched;
};

// One extraction of the reports given (the toolbar's 提取操盘数据, the command line's
// extract): done when each was the stock's report, held data and was stored.
struct ExtractionJobOutcome : JobOutcome {
    QList<ExtractionResult> results;  // one per report, up to the one that ended the job
    ExtractionAccount account;
    StoredRows storedRows;
};

// The track record, computed under the lease like every other long job.
struct TrackRecordOutcome : JobOutcome {
    std::optional<TrackRecord> record;
};

// The one owner of every long job's life: it takes the run control's lease before the
// job's first question and holds it to the job's last line, runs the step after a job
// that stored rows (the followed departments' rows, their summary in the chat), and
// tells whoever listens how the job ended. No front end gates, resets or reports a job
// by hand: a second job, the automatic daily start among them, is refused while a lease
// is out, and each job's counters live in its own outcome.
class JobRunner {
public:
    explicit JobRunner(ProgramServices& services);
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // After every job, with the lease given back: the window widens the query's dates,
    // offers the department list's reload, restores itself.
    std::function<void(JobKind, const JobOutcome&)> jobEnded;
    // A job was refused because another one holds the lease.
    std::function<void(JobKind refused, JobKind holder)> jobRefused;

    MiningOutcome mine(const MiningOptions& options, MiningWindowHooks hooks = {});
    ReanalysisOutcome reanalyse(const ReanalysisOptions& options, ReanalysisHooks hooks = {});
    DownloadOutcome download(PageLoader& loader, const DownloadOptions& options,
                             const DownloadDateQuestion& askDate);
    // The relay and the capture hold their lease for as long as they are on.
    bool startRelay(MainForceRelay& relay);
    bool startCapture(MainForceRelay& relay);
    FetchJobOutcome fetch(const QString& code, FetchSender sender, int percent);
    // account: the counters the caller keeps for its extractions (the window's status bar
    // adds up the button's runs); a command's own.
    ExtractionJobOutcome extract(const QList<QStringList>& reports, ExtractionOptions options,
                                 ExtractionCaller caller, ExtractionAccount& account);
    FilteredDeleteOutcome deleteRows(const OperatorQuery& page);
    DocumentCleanupOutcome cleanUpDocuments(CleanupMode mode = CleanupMode::Delete);
    // chooseTarget is asked under the lease: the dialog is the job's first question.
    DatabaseCopyOutcome backUp(
        const std::function<std::optional<QString>(const QString& proposed)>& chooseTarget);
    TrackRecordOutcome trackRecord(const TrackRecordOptions& options);
    StoreImportOutcome importStore(const StoreImportOptions& options);

    // The automatic daily start at this moment: switched on, a trading day, its time come,
    // and no job holding the lease. When it is due the next start moves to tomorrow.
    bool takeAutoStart(const QDateTime& now);
    // When the next automatic run is due (invalid when it is switched off), and why not
    // sooner when that is the start-up day's rule.
    QDateTime nextAutoStart(const QDateTime& now);
    QString autoStartNote(const QDateTime& now);

    // What the step after the last job that stored rows found.
    const FollowedRunReport& lastFollowed() const;

private:
    template <class Outcome, class Job>
    Outcome run(JobKind kind, Job&& job);
    template <class Outcome>
    void after(Outcome& outcome);
    RunLease take(JobKind kind);

    ProgramServices& m_services;
    std::unique_ptr<FollowedRunReport> m_lastFollowed;
};

}  // namespace quarrow

#include "program/JobRunner.h"

#include "mining/MiningSchedule.h"
#include "monitor/MainForceRelay.h"
#include "platform/Clock.h"
#include "program/ProgramServices.h"

#include <exception>
#include <type_traits>

namespace quarrow {

namespace {

// How far ahead the next automatic start is looked for: holidays come in weeks at most.
constexpr int kAutoStartHorizon_days = 60;

}  // namespace

JobRunner::JobRunner(ProgramServices& services)
    : m_services(services), m_lastFollowed(std::make_unique<FollowedRunReport>()) {}

JobRunner::~JobRunner() = default;

const FollowedRunReport& JobRunner::lastFollowed() const {
    return *m_lastFollowed;
}

RunLease JobRunner::take(JobKind kind) {
    RunControl& control = m_services.run();
    const std::optional<JobKind> holder = control.holder();
    RunLease lease = control.lease(kind);
    if (!lease && holder) {
        m_services.frame().ShowPrompt(QStringLiteral("另一项任务正在进行,请等它结束后再试"));
        if (jobRefused)
            jobRefused(kind, *holder);
    }
    return lease;
}

template <class Outcome>
void JobRunner::after(Outcome& outcome) {
    // The followed departments' rows among what the job stored, and their summary in the
    // chat: part of the job, so no front end can forget it and nothing starts in between.
    if constexpr (requires { outcome.storedRows; }) {
        *m_lastFollowed = m_services.afterRun(outcome.storedRows);
    }
}

template <class Outcome, class Job>
Outcome JobRunner::run(JobKind kind, Job&& job) {
    Outcome outcome;
    RunLease lease = take(kind);
    if (!lease) {
        outcome.notStart(JobReason::Busy);
        return outcome;
    }
    *m_lastFollowed = FollowedRunReport();
    try {
        outcome = job(lease);
        after(outcome);
    } catch (const std::exception& error) {
        // Whatever the job left behind, the program must be usable again: giving the lease
        // back hides the progress box and switches the commands on.
        outcome.fail(JobReason::Unexpected, QString::fromUtf8(error.what()));
    }
    m_services.schedule().miningActive = false;
    lease.release();
    if (jobEnded)
        jobEnded(kind, outcome);
    return outcome;
}

MiningOutcome JobRunner::mine(const MiningOptions& options, MiningWindowHooks hooks) {
    return run<MiningOutcome>(JobKind::Mining, [&](const RunLease& lease) {
        MiningRun mining = m_services.miningRun(std::move(hooks));
        return mining.run(lease, options);
    });
}

ReanalysisOutcome JobRunner::reanalyse(const ReanalysisOptions& options, ReanalysisHooks hooks) {
    return run<ReanalysisOutcome>(JobKind::Reanalysis, [&](const RunLease& lease) {
        ReanalysisBatch batch = m_services.reanalysis(std::move(hooks));
        return batch.run(lease, m_services.stockRows(), options);
    });
}

DownloadOutcome JobRunner::download(PageLoader& loader, const DownloadOptions& options,
                                    const DownloadDateQuestion& askDate) {
    return run<DownloadOutcome>(JobKind::Download, [&](const RunLease& lease) {
        return m_services.download(loader).run(lease, options, askDate);
    });
}

bool JobRunner::startRelay(MainForceRelay& relay) {
    RunLease lease = take(JobKind::Relay);
    return lease && relay.startRelay(std::move(lease));
}

bool JobRunner::startCapture(MainForceRelay& relay) {
    RunLease lease = take(JobKind::Capture);
    return lease && relay.startCapture(std::move(lease));
}

FetchJobOutcome JobRunner::fetch(const QString& code, FetchSender sender, int percent) {
    return run<FetchJobOutcome>(JobKind::Fetch, [&](const RunLease&) {
        FetchJobOutcome outcome;
        outcome.fetched = m_services.fetch().fetch(code, sender, percent);
        if (outcome.fetched.inputRefused) {
            outcome.notStart(JobReason::QuoteProgramRefusesInput);
        } else if (!outcome.fetched.attempted) {
            outcome.notStart(JobReason::NoQuoteProgram);
        } else {
            outcome.begin();
            if (!outcome.fetched.captured)
                outcome.fail(JobReason::NothingCaptured, code);
        }
        return outcome;
    });
}

ExtractionJobOutcome JobRunner::extract(const QList<QStringList>& reports, ExtractionOptions options,
                                        ExtractionCaller caller, ExtractionAccount& account) {
    return run<ExtractionJobOutcome>(JobKind::Extraction, [&](const RunLease&) {
        ExtractionJobOutcome outcome;
        ExtractionAccount mine;
        StockExtraction extraction = m_services.extraction(mine);
        for (const QStringList& report : reports) {
            const ExtractionResult result = extraction.run(report, options, caller);
            outcome.results.append(result);
            if (!result.ran) {
                // The code itself was refused, or the button found no network.
                if (result.noNetwork)
                    outcome.notStart(JobReason::NoNetwork);
                else
                    outcome.notStart(JobReason::InvalidInput,
                                     QStringLiteral("'%1' is not a stock code").arg(options.code));
                break;
            }
            outcome.begin();
            if (result.storeFailed) {
                // The reports after it would meet the same refusal; what came before is stored.
                outcome.failStore(result.storeError);
                break;
            }
            if (!result.reportRecognised)
                outcome.fail(JobReason::NothingStored,
                             QStringLiteral("not the dragon-tiger report of %1").arg(options.code));
            else if (!result.holdsData())
                outcome.fail(JobReason::NothingStored, QStringLiteral("the report holds no data"));
            if (!result.documentError.isEmpty())
                outcome.fail(JobReason::FilesFailed, result.documentError);
        }
        outcome.account = mine;
        outcome.storedRows = mine.storedRows;
        outcome.dates = mine.dates;
        outcome.departmentsAdded = mine.departmentsAdded;
        // The caller's running counters take this run's in.
        account.savedRowCount += mine.savedRowCount;
        account.savedChangeCount += mine.savedChangeCount;
        account.savedBigCount += mine.savedBigCount;
        account.dates.widen(mine.dates);
        account.departmentsAdded = account.departmentsAdded || mine.departmentsAdded;
        if (mine.changeDate.isValid())
            account.changeDate = mine.changeDate;
        return outcome;
    });
}

FilteredDeleteOutcome JobRunner::deleteRows(const OperatorQuery& page) {
    return run<FilteredDeleteOutcome>(JobKind::FilteredDelete, [&](const RunLease&) {
        return FilteredDelete(m_services.store(), m_services.frame()).run(page);
    });
}

DocumentCleanupOutcome JobRunner::cleanUpDocuments(CleanupMode mode) {
    return run<DocumentCleanupOutcome>(JobKind::DocumentCleanup, [&](const RunLease& lease) {
        return m_services.documentCleanup().run(lease, m_services.stockRows(), mode);
    });
}

DatabaseCopyOutcome JobRunner::backUp(
    const std::function<std::optional<QString>(const QString& proposed)>& chooseTarget) {
    return run<DatabaseCopyOutcome>(JobKind::Backup, [&](const RunLease&) {
        DatabaseCopy copy = m_services.databaseCopy();
        DatabaseCopyOutcome outcome;
        if (!copy.supported()) {
            outcome.status = DatabaseCopyOutcome::Status::Unsupported;
            outcome.notStart(JobReason::InvalidInput, QStringLiteral("an ODBC source has no file to copy"));
            return outcome;
        }
        const std::optional<QString> chosen = chooseTarget(copy.proposedPath());
        if (!chosen) {
            outcome.notStart(JobReason::Declined);
            return outcome;
        }
        return copy.copyTo(*chosen);
    });
}

TrackRecordOutcome JobRunner::trackRecord(const TrackRecordOptions& options) {
    return run<TrackRecordOutcome>(JobKind::TrackRecord, [&](const RunLease&) {
        TrackRecordOutcome outcome;
        outcome.begin();
        outcome.record = m_services.trackRecord(options);
        if (!outcome.record->ok())
            outcome.fail(JobReason::StoreUnreadable, outcome.record->error());
        return outcome;
    });
}

StoreImportOutcome JobRunner::importStore(const StoreImportOptions& options) {
    return run<StoreImportOutcome>(JobKind::StoreImport, [&](const RunLease& lease) {
        return m_services.storeImport().run(lease, options);
    });
}

bool JobRunner::takeAutoStart(const QDateTime& now) {
    MiningSchedule& schedule = m_services.schedule();
    SystemSetup& setup = m_services.setup();
    if (!schedule.autoStartDue(now, setup.autoStartEnabled(), m_services.run().isActive(),
                               setup.calendar().IsTradingDay(now.date())))
        return false;
    schedule.runStarted(now.date());
    return true;
}

QDateTime JobRunner::nextAutoStart(const QDateTime& now) {
    const MiningSchedule& schedule = m_services.schedule();
    const SystemSetup& setup = m_services.setup();
    if (!setup.autoStartEnabled())
        return {};
    for (int ahead = 0; ahead <= kAutoStartHorizon_days; ++ahead) {
        const QDate day = now.date().addDays(ahead);
        if (!setup.calendar().IsTradingDay(day))
            continue;
        QDateTime moment(day, schedule.autoStartTime);
        moment = std::max({moment, now, schedule.nextAutoStart});
        if (moment.date() == day)
            return moment;
    }
    return {};
}

QString JobRunner::autoStartNote(const QDateTime& now) {
    const QDateTime next = nextAutoStart(now);
    if (!next.isValid())
        return m_services.setup().autoStartEnabled() ? QStringLiteral("近期没有交易日,不会自动挖掘")
                                                     : QString();
    QString note = QStringLiteral("下次自动挖掘: ") + next.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    const MiningSchedule& schedule = m_services.schedule();
    if (next.date() == now.date() && next.time() > schedule.autoStartTime) {
        // The day the program started: the first start was set before the time was read,
        // so nothing starts before 20:00 that day.
        note += QStringLiteral("(程序启动当天,自动挖掘不早于%1)")
                    .arg(schedule.nextAutoStart.time().toString(QStringLiteral("hh:mm")));
    } else if (schedule.nextAutoStart.date() > now.date()) {
        // A run of today moved the next start to tomorrow.
        note += QStringLiteral("(今天已经挖掘过)");
    }
    return note;
}

}  // namespace quarrow

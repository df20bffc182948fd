#pragma once

#include "app/AppFrame.h"
#include "platform/Shutdown.h"

#include <QString>

#include <functional>
#include <optional>

namespace quarrow {

class Clock;
class RunControl;

enum class RunState {
    Idle,           // no job holds the run control: commands enabled, no stop command
    Leased,         // a job holds it but does not walk its items: it asks, or it ends
    Running,        // commands disabled, the stop command enabled
    Paused,         // the run waits before its next item
    StopRequested,  // the run ends at its next check
};

// Every job that asks the user, drives the quote program or writes the store for more than
// a moment. The job runner takes the run control's lease for one of these before the job's
// first question and holds it to the job's last line.
enum class JobKind {
    Mining,
    Reanalysis,
    Download,
    Relay,
    Capture,
    Fetch,
    Extraction,
    FilteredDelete,
    DocumentCleanup,
    Backup,
    TrackRecord,
    StoreImport,
    QuoteLaunch,  // the quote program comes up: nothing may start until its window shows
};

// The right to run one job: while a lease is out no other job starts, the automatic daily
// start included. Moving it hands the right on; destroying it gives it back, so a job that
// returns early or throws never leaves the run control held.
class RunLease {
public:
    RunLease() = default;
    RunLease(RunLease&& other) noexcept;
    RunLease& operator=(RunLease&& other) noexcept;
    RunLease(const RunLease&) = delete;
    RunLease& operator=(const RunLease&) = delete;
    ~RunLease();

    explicit operator bool() const { return m_run != nullptr; }
    JobKind kind() const { return m_kind; }
    // Gives the right back now.
    void release();

private:
    friend class RunControl;
    RunLease(RunControl* run, JobKind kind, quint64 serial) : m_run(run), m_kind(kind), m_serial(serial) {}

    RunControl* m_run = nullptr;
    JobKind m_kind = JobKind::Mining;
    quint64 m_serial = 0;
};

// The one protocol every long run follows (the mining run, the re-analysis, the server
// download, the clean-up): commands off while it works, pause, resume and stop between
// items, a progress box with the time needed and left, an orderly end, and optionally
// switching the computer off when it ran to its end. Pause and stop arrive through the
// event pump (clicks in the window, Ctrl+C on the terminal) and are read only between
// items. Only the holder of the lease may start a run.
class RunControl {
public:
    RunControl(AppFrame& frame, Clock& clock);

    RunState state() const { return m_state; }
    // A job holds the lease: nothing else may start.
    bool isActive() const { return m_state != RunState::Idle; }
    // The job holding the lease, if any.
    std::optional<JobKind> holder() const;
    // The stop command (btnStop) is enabled while the run works or waits.
    bool stopEnabled() const { return m_state == RunState::Running || m_state == RunState::Paused; }
    // The tag of the stop command: 0 running, 1 stop requested, 2 paused.
    int stopTag() const;

    // The lease for a job; an empty one while another job holds it.
    RunLease lease(JobKind kind);

    // Starts the walk of the lease's job over maximum items whose first item is at
    // firstPosition (above 0 when a run resumes). False, and nothing changes, when the
    // lease is not the one out.
    bool start(const RunLease& lease, int maximum, int firstPosition = 0,
               ProgressLayout layout = ProgressLayout::Mining);
    // Another pass of the active run over maximum items from firstPosition (the retry of
    // the failed stocks): the progress bar and the time estimates start again.
    void startPass(int maximum, int firstPosition);
    void pause();
    void resume();
    // Stop after the current item. A stop asked for again while the first is pending
    // asks for more: the program should end as soon as the current item is stored. Asked
    // for while the job still asks its start questions, the walk begins stopped.
    void requestStop();
    bool endProgramRequested() const { return m_endProgram; }

    // Between two items: lets the user act, waits while paused, and tells whether the
    // run goes on (false once a stop was requested). beforeWaiting runs once when a pause
    // begins, so the run can put its pending work away (commit, note where it stands)
    // instead of holding it open for as long as the user pauses.
    bool beforeItem(const std::function<void()>& beforeWaiting = {});
    // The item at position (1-based) is under way: the progress bar moves to it.
    void setPosition(int position);
    // An item is finished, the walked-th of the pass: the time the pass needs (shown after
    // its first item) is the time so far times needFactor, the time left the time per item
    // walked times leftFactor. Each job names the factors its own figures follow.
    void itemFinished(int walked, int needFactor, int leftFactor);
    // The usual figures: the pass's items as the factor of the time needed, the items after
    // the current one as the factor of the time left (positions passed over count too).
    void itemFinished();
    RunProgress progress() const { return m_progress; }

    struct EndResult {
        bool stopped = false;            // ended by a stop request, not by running out of items
        bool shutdownAttempted = false;  // asked the system to switch off
        ShutdownResult shutdown;
    };
    // The orderly end of the walk: stop command off, progress box hidden, the final message
    // on the prompt line, commands back on; then, only when the run was not stopped and the
    // user wanted it, the computer is switched off. The lease stays held until the job's
    // last line.
    EndResult finish(const QString& finalMessage, bool shutdownWhenDone, Shutdown* shutdown);

    // hh:mm:ss, hours going past 24 when they must.
    static QString durationText(qint64 ms);

private:
    friend class RunLease;
    void takeBack(quint64 serial);

    AppFrame& m_frame;
    Clock& m_clock;
    RunState m_state = RunState::Idle;
    JobKind m_holder = JobKind::Mining;
    quint64 m_serial = 0;  // of the lease out, to tell it from a stale one
    bool m_endProgram = false;
    bool m_stopBeforeStart = false;
    RunProgress m_progress;
    int m_firstPosition = 0;
    qint64 m_startMs = 0;
};

}  // namespace quarrow

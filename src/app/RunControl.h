#pragma once

#include "app/AppFrame.h"
#include "platform/Shutdown.h"

#include <functional>

namespace quarrow {

class Clock;

enum class RunState {
    Idle,           // commands enabled, no stop command
    Starting,       // a job asks its start questions: no other job may start meanwhile
    Running,        // commands disabled, the stop command enabled
    Paused,         // the run waits before its next item
    StopRequested,  // the run ends at its next check
};

// The one protocol every long run follows (the mining run, the re-analysis, the server
// download): commands off while it works, pause, resume and stop between items, a
// progress box with the time needed and left, an orderly end, and optionally switching
// the computer off when it ran to its end. Pause and stop arrive through the event pump
// (clicks in the window, Ctrl+C on the terminal) and are read only between items.
class RunControl {
public:
    RunControl(AppFrame& frame, Clock& clock);

    RunState state() const { return m_state; }
    bool isActive() const { return m_state != RunState::Idle; }
    // The stop command (btnStop) is enabled while the run works or waits.
    bool stopEnabled() const { return m_state == RunState::Running || m_state == RunState::Paused; }
    // The tag of the stop command: 0 running, 1 stop requested, 2 paused.
    int stopTag() const;

    // Holds the run control for a job from its first question on, so that nothing (the
    // automatic daily start among others) starts a second job while the first asks. False
    // when another job holds it. The job then either start()s or releases it.
    bool reserve();
    void release();
    // Releases a reservation the job did not turn into a run, whichever way it returns.
    class Reservation {
    public:
        explicit Reservation(RunControl& run) : m_run(run), m_held(run.reserve()) {}
        ~Reservation() {
            if (m_held)
                m_run.release();
        }
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;
        explicit operator bool() const { return m_held; }

    private:
        RunControl& m_run;
        bool m_held;
    };

    // Starts a run over maximum items whose first item is at firstPosition (above 0 when
    // a run resumes). False, and nothing changes, when another job is active; a job that
    // reserved the run control starts from its reservation.
    bool start(int maximum, int firstPosition = 0, ProgressLayout layout = ProgressLayout::Mining);
    // Another pass of the active run over maximum items from firstPosition (the retry of
    // the failed stocks): the progress bar and the time estimates start again.
    void startPass(int maximum, int firstPosition);
    void pause();
    void resume();
    // Stop after the current item. A stop asked for again while the first is pending
    // asks for more: the program should end as soon as the current item is stored.
    void requestStop();
    bool endProgramRequested() const { return m_endProgram; }

    // Between two items: lets the user act, waits while paused, and tells whether the
    // run goes on (false once a stop was requested). beforeWaiting runs once when a pause
    // begins, so the run can put its pending work away (commit, note where it stands)
    // instead of holding it open for as long as the user pauses.
    bool beforeItem(const std::function<void()>& beforeWaiting = {});
    // The item at position (1-based) is under way: the progress bar moves to it.
    void setPosition(int position);
    // An item is finished: at the pass's first position the time the pass needs, at every
    // position the time left, both from the time per position walked (positions passed
    // over without work count too).
    void itemFinished();
    RunProgress progress() const { return m_progress; }

    struct EndResult {
        bool stopped = false;            // ended by a stop request, not by running out of items
        bool shutdownAttempted = false;  // asked the system to switch off
        ShutdownResult shutdown;
    };
    // The orderly end: stop command off, progress box hidden, the final message on the
    // prompt line, commands back on; then, only when the run was not stopped and the
    // user wanted it, the computer is switched off.
    EndResult finish(const QString& finalMessage, bool shutdownWhenDone, Shutdown* shutdown);

    // hh:mm:ss, hours going past 24 when they must.
    static QString durationText(qint64 ms);

private:
    AppFrame& m_frame;
    Clock& m_clock;
    RunState m_state = RunState::Idle;
    bool m_endProgram = false;
    RunProgress m_progress;
    int m_firstPosition = 0;
    qint64 m_startMs = 0;
};

}  // namespace quarrow

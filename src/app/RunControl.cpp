#include "app/RunControl.h"

#include "platform/Clock.h"

#include <utility>

namespace quarrow {

namespace {
// While paused the loop keeps the window alive; a short rest keeps it off the processor.
constexpr int kPausedRest_ms = 20;
}  // namespace

RunControl::RunControl(AppFrame& frame, Clock& clock) : m_frame(frame), m_clock(clock) {}

RunLease::RunLease(RunLease&& other) noexcept
    : m_run(std::exchange(other.m_run, nullptr)), m_kind(other.m_kind), m_serial(other.m_serial) {}

RunLease& RunLease::operator=(RunLease&& other) noexcept {
    if (this != &other) {
        release();
        m_run = std::exchange(other.m_run, nullptr);
        m_kind = other.m_kind;
        m_serial = other.m_serial;
    }
    return *this;
}

RunLease::~RunLease() {
    release();
}

void RunLease::release() {
    if (RunControl* run = std::exchange(m_run, nullptr))
        run->takeBack(m_serial);
}

int RunControl::stopTag() const {
    switch (m_state) {
        case RunState::StopRequested:
            return 1;
        case RunState::Paused:
            return 2;
        case RunState::Idle:
        case RunState::Leased:
        case RunState::Running:
            break;
    }
    return 0;
}

std::optional<JobKind> RunControl::holder() const {
    if (m_state == RunState::Idle)
        return std::nullopt;
    return m_holder;
}

RunLease RunControl::lease(JobKind kind) {
    if (isActive())
        return RunLease();
    m_state = RunState::Leased;
    m_holder = kind;
    m_endProgram = false;
    m_stopBeforeStart = false;
    return RunLease(this, kind, ++m_serial);
}

void RunControl::takeBack(quint64 serial) {
    if (serial != m_serial || m_state == RunState::Idle)
        return;
    // A job that threw before its orderly end leaves nothing disabled behind.
    if (m_state != RunState::Leased) {
        m_frame.hideProgress();
        m_frame.enableCommands(true);
    }
    m_state = RunState::Idle;
}

bool RunControl::start(const RunLease& lease, int maximum, int firstPosition, ProgressLayout layout) {
    if (!lease || lease.m_run != this || lease.m_serial != m_serial || m_state != RunState::Leased)
        return false;
    m_state = m_stopBeforeStart ? RunState::StopRequested : RunState::Running;
    m_stopBeforeStart = false;
    m_firstPosition = firstPosition;
    m_startMs = m_clock.elapsedMs();
    m_progress = RunProgress();
    m_progress.layout = layout;
    m_progress.maximum = maximum;
    m_progress.position = firstPosition;
    m_frame.enableCommands(false);
    m_frame.showProgress(m_progress);
    return true;
}

void RunControl::startPass(int maximum, int firstPosition) {
    m_firstPosition = firstPosition;
    m_startMs = m_clock.elapsedMs();
    const ProgressLayout layout = m_progress.layout;
    m_progress = RunProgress();
    m_progress.layout = layout;
    m_progress.maximum = maximum;
    m_progress.position = firstPosition;
    m_frame.showProgress(m_progress);
}

void RunControl::pause() {
    if (m_state == RunState::Running)
        m_state = RunState::Paused;
}

void RunControl::resume() {
    if (m_state == RunState::Paused)
        m_state = RunState::Running;
}

void RunControl::requestStop() {
    if (m_state == RunState::StopRequested || (m_state == RunState::Leased && m_stopBeforeStart)) {
        m_endProgram = true;
        return;
    }
    if (m_state == RunState::Leased) {
        m_stopBeforeStart = true;
        return;
    }
    if (stopEnabled())
        m_state = RunState::StopRequested;
}

bool RunControl::beforeItem(const std::function<void()>& beforeWaiting) {
    m_frame.processEvents();
    if (m_state == RunState::Paused && beforeWaiting)
        beforeWaiting();
    while (m_state == RunState::Paused) {
        m_clock.sleep(kPausedRest_ms);
        m_frame.processEvents();
    }
    return m_state == RunState::Running;
}

void RunControl::setPosition(int position) {
    m_progress.position = position;
    m_frame.showProgress(m_progress);
}

void RunControl::itemFinished(int walked, int needFactor, int leftFactor) {
    const qint64 elapsed = m_clock.elapsedMs() - m_startMs;
    walked = std::max(1, walked);
    if (walked == 1)
        m_progress.timeNeeded = durationText(elapsed * std::max(0, needFactor));
    // Items may take under a millisecond: multiply before dividing.
    m_progress.timeRemaining = durationText(elapsed * std::max(0, leftFactor) / walked);
    m_frame.showProgress(m_progress);
}

void RunControl::itemFinished() {
    itemFinished(m_progress.position - m_firstPosition, m_progress.maximum - m_firstPosition,
                 m_progress.maximum - m_progress.position);
}

RunControl::EndResult RunControl::finish(const QString& finalMessage, bool shutdownWhenDone,
                                         Shutdown* shutdown) {
    EndResult result;
    result.stopped = m_state == RunState::StopRequested;
    if (m_state != RunState::Idle)
        m_state = RunState::Leased;
    m_frame.hideProgress();
    m_frame.ShowPrompt(finalMessage);
    m_frame.enableCommands(true);
    if (shutdownWhenDone && !result.stopped && shutdown) {
        result.shutdownAttempted = true;
        result.shutdown = shutdown->powerOff();
    }
    return result;
}

QString RunControl::durationText(qint64 ms) {
    const qint64 seconds = std::max<qint64>(0, ms) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace quarrow

#pragma once

#include "platform/Pacing.h"

#include <QDate>
#include <QDateTime>

namespace quarrow {

// Every wait of the program (key delays, clipboard polls, launch waits) and every look at
// "today" goes through a Clock, so tests can run whole batches on virtual time.
class Clock : public Sleeper {
public:
    virtual QDateTime now() const = 0;
    // Monotonic milliseconds for measuring elapsed time; unaffected by clock changes.
    virtual qint64 elapsedMs() const = 0;

    QDate today() const { return now().date(); }
};

class SystemClock final : public Clock {
public:
    SystemClock();
    QDateTime now() const override;
    void sleep(int delay_ms) override;
    qint64 elapsedMs() const override;

private:
    qint64 m_startMs;
};

// A clock that only moves when told to; sleeping advances it instantly.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(QDateTime start = QDateTime(QDate(2017, 3, 16), QTime(15, 30)));
    // Worked out when asked: a run sleeps far more often than it looks at the time, and
    // moving a local date and time costs a time-zone lookup each time.
    QDateTime now() const override { return m_setAt.addMSecs(m_elapsedMs - m_setAtElapsedMs); }
    void sleep(int delay_ms) override { advance(delay_ms); }
    qint64 elapsedMs() const override { return m_elapsedMs; }

    void advance(qint64 delay_ms) {
        if (delay_ms > 0)
            m_elapsedMs += delay_ms;
    }
    void setNow(const QDateTime& now) {
        m_setAt = now;
        m_setAtElapsedMs = m_elapsedMs;
    }

private:
    QDateTime m_setAt;  // the moment last set, at m_setAtElapsedMs
    qint64 m_setAtElapsedMs = 0;
    qint64 m_elapsedMs = 0;
};

}  // namespace quarrow

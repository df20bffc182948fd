#include "platform/Clock.h"

#include <QElapsedTimer>
#include <QThread>

namespace quarrow {

namespace {
qint64 monotonicMs() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}
}  // namespace

SystemClock::SystemClock() : m_startMs(monotonicMs()) {}

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

void SystemClock::sleep(int delay_ms) {
    if (delay_ms > 0)
        QThread::msleep(static_cast<unsigned long>(delay_ms));
}

qint64 SystemClock::elapsedMs() const {
    return monotonicMs() - m_startMs;
}

VirtualClock::VirtualClock(QDateTime start) : m_setAt(std::move(start)) {}

}  // namespace quarrow

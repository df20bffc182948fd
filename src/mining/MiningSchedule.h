#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace quarrow {

// What the mining run shares with the window's automatic daily start: whether a run is
// under way, when the next automatic run may start, and the newest trading day the
// closing data should reach.
struct MiningSchedule {
    bool miningActive = false;           // MiningActive
    QDateTime nextAutoStart;             // NextAutoStart
    QTime autoStartTime = QTime(20, 0);  // AutoStartTime
    int lastTradeDate = 0;               // LastTradeDate, yyyymmdd

    // Today, moved back to the Friday on a weekend (holidays are not known here).
    static int expectedTradeDate(const QDate& today) {
        QDate day = today;
        if (day.dayOfWeek() == Qt::Sunday)
            day = day.addDays(-2);
        else if (day.dayOfWeek() == Qt::Saturday)
            day = day.addDays(-1);
        return day.year() * 10000 + day.month() * 100 + day.day();
    }

    // The program starts: the first automatic run may come today, but not before the
    // start time the schedule holds before the settings are read (20:00), so a program
    // started after the configured time does not mine at once.
    void programStarted(const QDate& today) { nextAutoStart = QDateTime(today, autoStartTime); }

    // Whether the automatic daily run starts at this moment: switched on, no run under way
    // (neither by the run control nor by an automatic start still getting up), a trading
    // day, and both the next start moment and today's start time reached.
    bool autoStartDue(const QDateTime& now, bool enabled, bool runActive, bool tradingDay) const {
        return enabled && !runActive && !miningActive && tradingDay && now >= nextAutoStart &&
               now.time() >= autoStartTime;
    }

    // A run starts: no automatic run follows on the same day.
    void runStarted(const QDate& today) {
        miningActive = true;
        nextAutoStart = QDateTime(today.addDays(1), autoStartTime);
    }
};

}  // namespace quarrow

#include "app/TradingCalendar.h"
#include "mining/MiningSchedule.h"

#include <gtest/gtest.h>

using namespace quarrow;

namespace {

const QDate kThursday(2017, 3, 16);

struct Tick {
    QDate day;
    QTime time;
    bool due;
};

bool due(const MiningSchedule& schedule, const QDate& day, const QTime& time, bool enabled = true,
         bool runActive = false) {
    const TradingCalendar calendar;
    return schedule.autoStartDue(QDateTime(day, time), enabled, runActive, calendar.IsTradingDay(day));
}

// Started at 10:00 with the start time 09:00: nothing before 20:00 that day; after the run
// started at 20:00, the next waits for 09:00 of the next trading day.
TEST(AutoStart, WaitsForEveningOnStartDayThenForStartTimeOfNextTradingDay) {
    MiningSchedule schedule;
    schedule.programStarted(kThursday);
    schedule.autoStartTime = QTime(9, 0);
    for (const Tick& tick : {Tick{kThursday, QTime(10, 0), false}, Tick{kThursday, QTime(19, 59, 59), false},
                             Tick{kThursday, QTime(20, 0), true}})
        EXPECT_EQ(due(schedule, tick.day, tick.time), tick.due) << tick.time.toString().toStdString();

    schedule.runStarted(kThursday);
    EXPECT_FALSE(due(schedule, kThursday, QTime(20, 0, 30))) << "a run under way";
    schedule.miningActive = false;  // the run ended
    const QDate friday = kThursday.addDays(1);
    const QDate saturday = kThursday.addDays(2);
    const QDate monday = kThursday.addDays(4);
    for (const Tick& tick : {Tick{kThursday, QTime(23, 0), false}, Tick{friday, QTime(8, 59, 59), false},
                             Tick{friday, QTime(9, 0), true}, Tick{saturday, QTime(9, 0), false},
                             Tick{monday, QTime(8, 0), false}, Tick{monday, QTime(9, 0), true}})
        EXPECT_EQ(due(schedule, tick.day, tick.time), tick.due)
            << tick.day.toString(Qt::ISODate).toStdString() << ' ' << tick.time.toString().toStdString();
}

TEST(AutoStart, NeverWhenSwitchedOffOrRunActiveAndNotAgainOnDayOfRunByHand) {
    MiningSchedule schedule;
    schedule.programStarted(kThursday);
    schedule.autoStartTime = QTime(9, 0);
    const QDate friday = kThursday.addDays(1);
    EXPECT_FALSE(due(schedule, friday, QTime(10, 0), false, false));
    EXPECT_FALSE(due(schedule, friday, QTime(10, 0), true, true));
    EXPECT_TRUE(due(schedule, friday, QTime(10, 0), true, false));

    // A run by hand on Friday morning: no automatic run on Friday evening.
    schedule.runStarted(friday);
    schedule.miningActive = false;
    EXPECT_FALSE(due(schedule, friday, QTime(21, 0)));
}

}  // namespace

#include "platform/Clock.h"

#include <gtest/gtest.h>

using namespace quarrow;

// The virtual clock works its time out when asked: the moment set last, plus what was
// slept since, across a change of day and with setNow in between.
TEST(VirtualClock, TimeIsTheMomentSetPlusTheSleepsSince) {
    VirtualClock clock(QDateTime(QDate(2017, 3, 16), QTime(23, 59, 59)));
    clock.sleep(1500);
    EXPECT_EQ(clock.now(), QDateTime(QDate(2017, 3, 17), QTime(0, 0, 0, 500)));
    clock.sleep(0);
    clock.sleep(-20);  // nothing: time never runs back
    clock.advance(500);
    EXPECT_EQ(clock.now(), QDateTime(QDate(2017, 3, 17), QTime(0, 0, 1)));
    EXPECT_EQ(clock.elapsedMs(), 2000);

    clock.setNow(QDateTime(QDate(2017, 3, 20), QTime(9, 0)));
    EXPECT_EQ(clock.now(), QDateTime(QDate(2017, 3, 20), QTime(9, 0)));
    clock.sleep(250);
    EXPECT_EQ(clock.now(), QDateTime(QDate(2017, 3, 20), QTime(9, 0, 0, 250)));
    EXPECT_EQ(clock.today(), QDate(2017, 3, 20));
    EXPECT_EQ(clock.elapsedMs(), 2250);  // monotonic: setting the time does not touch it
}

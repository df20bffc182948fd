#include "app/ProgramFolder.h"
#include "app/Settings.h"
#include "app/SystemSetup.h"
#include "app/TradingCalendar.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

class TradingCalendarTest : public ::testing::Test {
protected:
    QStringList sectionKeys(const QString& section, int upTo) {
        QStringList keys;
        for (int i = 1; i <= upTo; ++i) {
            const auto value = settings.file().read(section, QStringLiteral("MMDD%1").arg(i));
            if (value)
                keys << QStringLiteral("MMDD%1=%2").arg(i).arg(*value);
        }
        return keys;
    }

    TempHome home;
    VirtualClock clock;
    ProgramFolder folder{home.path()};
    Settings settings{folder, clock};
    RecordingFrame frame{home.path()};
    TradingCalendar calendar;
};

}  // namespace

TEST_F(TradingCalendarTest, MemoLinesInEveryWrittenFormGiveTheSameValue) {
    EXPECT_EQ(TradingCalendar::parseLine(QStringLiteral("1001")), 1001);
    EXPECT_EQ(TradingCalendar::parseLine(QStringLiteral("10-1")), 1001);
    EXPECT_EQ(TradingCalendar::parseLine(QStringLiteral("10/1")), 1001);
    EXPECT_EQ(TradingCalendar::parseLine(QStringLiteral(" 10 1")), 1001);
    EXPECT_EQ(TradingCalendar::parseLine(QStringLiteral("5-1")), 501);
    EXPECT_EQ(TradingCalendar::parseLine(QStringLiteral("国庆")), 0);
    EXPECT_EQ(TradingCalendar::parseLine(QString()), 0);
    // Values that name no day of the year are wrong lines too.
    EXPECT_EQ(TradingCalendar::parseLine(QStringLiteral("13-1")), 0);
    EXPECT_EQ(TradingCalendar::parseLine(QStringLiteral("2-30")), 0);
    EXPECT_EQ(TradingCalendar::parseLine(QStringLiteral("2017-10-1")), 0);
    EXPECT_EQ(TradingCalendar::parseLine(QStringLiteral("2-29")), 229);
}

TEST_F(TradingCalendarTest, TwentySixValidHolidaysKeepTheFirstTwentyFiveWithoutAMessage) {
    QStringList lines;
    for (int i = 0; i < 26; ++i)
        lines << QStringLiteral("%1-%2").arg(1 + i / 12).arg(1 + i % 12);
    const auto result = calendar.commit(TradingCalendar::List::Holiday, lines, settings, frame);
    EXPECT_EQ(result.stored, 25);
    EXPECT_EQ(result.wrongLine, 0);
    EXPECT_TRUE(frame.messages.isEmpty());
    EXPECT_EQ(calendar.HolidayList[24], 301);
    EXPECT_EQ(sectionKeys(QStringLiteral("Holiday"), 26).size(), 25);
    EXPECT_EQ(settings.file().read(QStringLiteral("Holiday"), QStringLiteral("MMDD25")),
              QStringLiteral("301"));
    EXPECT_FALSE(settings.file().read(QStringLiteral("Holiday"), QStringLiteral("MMDD26")).has_value());
}

TEST_F(TradingCalendarTest, ABadThirdLineKeepsTheFirstTwoAndEndsTheListThere) {
    // An older, longer list must not survive behind the new one.
    ASSERT_TRUE(calendar
                    .commit(TradingCalendar::List::Holiday,
                            {QStringLiteral("1-1"), QStringLiteral("1-2"), QStringLiteral("1-3"),
                             QStringLiteral("1-4"), QStringLiteral("1-5")},
                            settings, frame)
                    .written);
    const auto result = calendar.commit(
        TradingCalendar::List::Holiday,
        {QStringLiteral("10-1"), QStringLiteral("10/2"), QStringLiteral("十月三日"), QStringLiteral("10-4")},
        settings, frame);
    EXPECT_EQ(result.wrongLine, 3);
    ASSERT_EQ(frame.messages.size(), 1);
    // The line the user must fix, and the form a line takes.
    EXPECT_TRUE(frame.messages[0].text.startsWith(QStringLiteral("第3行日期输入错")));
    EXPECT_TRUE(frame.messages[0].text.contains(QStringLiteral("\"月-日\"")));
    EXPECT_EQ(
        sectionKeys(QStringLiteral("Holiday"), 25),
        (QStringList{QStringLiteral("MMDD1=1001"), QStringLiteral("MMDD2=1002"), QStringLiteral("MMDD3=0")}));
    EXPECT_EQ(calendar.memoLines(TradingCalendar::List::Holiday),
              (QStringList{QStringLiteral("10-1"), QStringLiteral("10-2")}));

    TradingCalendar reloaded;
    reloaded.load(settings);
    EXPECT_EQ(reloaded.memoLines(TradingCalendar::List::Holiday),
              (QStringList{QStringLiteral("10-1"), QStringLiteral("10-2")}));
}

TEST_F(TradingCalendarTest, ExceptionDaysWrittenAsExceptdayAreReadBackAsExceptDay) {
    calendar.commit(TradingCalendar::List::ExceptDay, {QStringLiteral("9-30"), QStringLiteral("10/8")},
                    settings, frame);
    {
        // Closed again before the next write: Windows replaces no file another handle holds.
        QFile file(settings.fileName());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().contains("[Exceptday]"));
    }
    EXPECT_EQ(settings.readInteger(QStringLiteral("ExceptDay"), QStringLiteral("MMDD2"), 0), 1008);

    TradingCalendar reloaded;
    reloaded.load(settings);
    EXPECT_EQ(reloaded.ExceptDayList[0], 930);
    EXPECT_EQ(reloaded.ExceptDayList[1], 1008);
    EXPECT_EQ(reloaded.ExceptDayList[2], 0);

    // Eleven lines: the list holds ten.
    QStringList eleven;
    for (int day = 1; day <= 11; ++day)
        eleven << QStringLiteral("6-%1").arg(day);
    EXPECT_EQ(calendar.commit(TradingCalendar::List::ExceptDay, eleven, settings, frame).stored, 10);
    EXPECT_TRUE(frame.messages.isEmpty());
}

TEST_F(TradingCalendarTest, HolidaysWinOverExceptionsAndWeekendsNeedAnException) {
    calendar.commit(TradingCalendar::List::Holiday,
                    {QStringLiteral("10-1"), QStringLiteral("10-2"), QStringLiteral("10-7")}, settings,
                    frame);
    calendar.commit(TradingCalendar::List::ExceptDay,
                    {QStringLiteral("9-30"), QStringLiteral("10-7"), QStringLiteral("9-28")}, settings,
                    frame);
    // 1 October on a Monday (2018), a Thursday (2015) and a Sunday (2017): never trading.
    for (const QDate day : {QDate(2018, 10, 1), QDate(2015, 10, 1), QDate(2017, 10, 1)})
        EXPECT_FALSE(calendar.IsTradingDay(day)) << day.toString(Qt::ISODate).toStdString();
    EXPECT_FALSE(calendar.IsTradingDay(QDate(2018, 10, 2)));
    EXPECT_TRUE(calendar.IsTradingDay(QDate(2017, 9, 30)));   // a Saturday listed as exception
    EXPECT_FALSE(calendar.IsTradingDay(QDate(2017, 10, 7)));  // a Saturday listed as both
    EXPECT_TRUE(calendar.IsTradingDay(QDate(2018, 9, 28)));   // an exception on a Friday changes nothing
    EXPECT_FALSE(calendar.IsTradingDay(QDate(2017, 3, 18)));  // plain Saturday
    EXPECT_FALSE(calendar.IsTradingDay(QDate(2017, 3, 19)));  // plain Sunday
    EXPECT_TRUE(calendar.IsTradingDay(QDate(2017, 3, 16)));   // plain Thursday
}

TEST_F(TradingCalendarTest, TheSetupAsksAboutTodayFromItsClock) {
    const PortableArchiver archiver;
    SystemSetup setup(settings, frame, clock, archiver);
    calendar.commit(TradingCalendar::List::Holiday, {QStringLiteral("3-16")}, settings, frame);
    setup.load();
    clock.setNow(QDateTime(QDate(2017, 3, 16), QTime(20, 0)));
    EXPECT_FALSE(setup.IsTradingDay(true));
    clock.setNow(QDateTime(QDate(2017, 3, 17), QTime(20, 0)));
    EXPECT_TRUE(setup.IsTradingDay(true));
    clock.setNow(QDateTime(QDate(2017, 3, 18), QTime(20, 0)));
    EXPECT_FALSE(setup.IsTradingDay(true));
}

#include "store/Money.h"

#include "support/TestSupport.h"

using namespace quarrow;

TEST(Money, ParsesReportFigures) {
    EXPECT_EQ(Money::parse(QStringLiteral("1234.56"))->raw(), 12345600);
    EXPECT_EQ(Money::parse(QStringLiteral("-9.98"))->raw(), -99800);
    EXPECT_EQ(Money::parse(QStringLiteral("+10.02"))->raw(), 100200);
    EXPECT_EQ(Money::parse(QStringLiteral(" 20 "))->raw(), 200000);
    EXPECT_EQ(Money::parse(QStringLiteral(".5"))->raw(), 5000);
}

TEST(Money, RoundsTheFifthDecimalHalfToEven) {
    EXPECT_EQ(Money::parse(QStringLiteral("0.00005"))->raw(), 0);
    EXPECT_EQ(Money::parse(QStringLiteral("0.00015"))->raw(), 2);
    EXPECT_EQ(Money::parse(QStringLiteral("0.000051"))->raw(), 1);
    EXPECT_EQ(Money::parse(QStringLiteral("-0.00016"))->raw(), -2);
}

TEST(Money, RefusesWhatIsNoNumber) {
    for (const char* text : {"", "-", "+", ".", "1.2.3", "12万", "abc", "1e5", "99999999999999999999"})
        EXPECT_FALSE(Money::parse(QString::fromUtf8(text)).has_value()) << text;
}

TEST(Money, FormatsAndReadsBackFromReal) {
    EXPECT_EQ(Money::parse(QStringLiteral("12.5"))->toFixed(2), QStringLiteral("12.50"));
    EXPECT_EQ(Money::fromRaw(-100).toString(), QStringLiteral("-0.01"));
    EXPECT_EQ(Money::fromRaw(-4).toFixed(2), QStringLiteral("0.00"));
    EXPECT_EQ(Money::fromUnits(20).toString(), QStringLiteral("20"));
    // A REAL column gives back 1234.56 as 1234.5599999...; reading rounds it to four decimals.
    EXPECT_EQ(Money::fromDouble(1234.56).raw(), 12345600);
    EXPECT_EQ(Money::fromDouble(0.1 + 0.2).raw(), 3000);
}

#include "store/RecordKeys.h"

#include "support/TestSupport.h"

using namespace quarrow;

TEST(CalcDeptKey, AsciiUnitsAreShiftedByTheirPosition) {
    EXPECT_EQ(CalcDeptKey(QString()), 0);
    EXPECT_EQ(CalcDeptKey(QStringLiteral("A")), 0x4100);
    EXPECT_EQ(CalcDeptKey(QStringLiteral("AAAA")), 0x41414141);
    // The fifth unit starts the cycle again: shifted by 8 once more.
    EXPECT_EQ(CalcDeptKey(QStringLiteral("AAAAA")), 0x41418241);
}

TEST(CalcDeptKey, WideUnitsAreShiftedOnlyAtTheCycleStart) {
    // 中 U+4E2D then 国 U+56FD.
    EXPECT_EQ(CalcDeptKey(QStringLiteral("中国")), 0x4E2D56FD);
    // An ASCII unit and a wide one at position 2: 0x41 << 8 plus 0x4E2D.
    EXPECT_EQ(CalcDeptKey(QStringLiteral("A中")), 0x8F2D);
}

TEST(CalcDeptKey, TopBitGivesANegativeKeyAndTheSumWraps) {
    // 龙 U+9F99, 虎 U+864E: 0x9F99864E as a signed 32-bit value.
    EXPECT_EQ(CalcDeptKey(QStringLiteral("龙虎")), -1617328562);
    // Two cycle starts of 0x9F990000 overflow 32 bits: 0x13F33DECB wraps to 0x3F33DECB.
    EXPECT_EQ(CalcDeptKey(QStringLiteral("龙龙龙龙龙")), 0x3F33DECB);
}

TEST(CalcRecordKey, PacksCodeTextAmountsAndDay) {
    const QDate day(2017, 3, 16);
    // 1.0000 is raw 10000 = 0x2710, byte sum 0x10 + 0x27 = 55; the day adds
    // 17 + 3 * 128 + 16 * 2048 = 33169.
    const quint64 expected = (600610ULL << 40) + (0x4100ULL << 32) + 55 + 33169 + 10000;
    EXPECT_EQ(static_cast<quint64>(CalcRecordKey(QStringLiteral("600610"), QStringLiteral("A"),
                                                 Money::fromUnits(1), Money(), day)),
              expected);
}

TEST(CalcRecordKey, SecondAmountByteSumIsShiftedAndNegativeAmountsWrap) {
    const QDate day(2000, 1, 1);  // 0 + 128 + 2048
    // -1.0000 is raw 0xFFFFFFFFFFFFD8F0: byte sum 0xF0 + 0xD8 + 6 * 0xFF = 1986.
    const quint64 minusOne = static_cast<quint64>(-10000LL);
    const quint64 expected = (1ULL << 40) + (1986ULL << 8) + 2176 + minusOne;
    EXPECT_EQ(static_cast<quint64>(
                  CalcRecordKey(QStringLiteral("000001"), QString(), Money(), Money::fromRaw(-10000), day)),
              expected);
}

TEST(CalcRecordKey, OnlyTheLow24BitsOfTheCodeCount) {
    const QDate day(2017, 3, 16);
    // 16777217 = 2^24 + 1 keeps only the 1.
    EXPECT_EQ(CalcRecordKey(QStringLiteral("16777217"), QStringLiteral("x"), Money(), Money(), day),
              CalcRecordKey(QStringLiteral("000001"), QStringLiteral("x"), Money(), Money(), day));
}

TEST(CalcRecordKey, SameRowSameKeyAndDaysDifferBy2048PerDay) {
    const QString code = QStringLiteral("600610");
    const QString dept = QStringLiteral("机构专用");
    const Money buy = *Money::parse(QStringLiteral("1234.56"));
    const Money sale = *Money::parse(QStringLiteral("12.30"));
    const qint64 key16 = CalcRecordKey(code, dept, buy, sale, QDate(2017, 3, 16));
    EXPECT_EQ(key16, CalcRecordKey(code, dept, buy, sale, QDate(2017, 3, 16)));
    EXPECT_EQ(key16 - CalcRecordKey(code, dept, buy, sale, QDate(2017, 3, 14)), 2 * 2048);
    EXPECT_NE(key16, CalcRecordKey(code, dept, sale, buy, QDate(2017, 3, 16)));
}

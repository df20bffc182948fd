#include "app/FigureFormat.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quarrow;

namespace {

// The edges of the one look every page gives its figures: where 万 turns into 亿, where a
// count turns into 万, the sign of what rounds to nothing and a price's decimals.
TEST(FigureFormat, FiguresReadTheSameWayEverywhere) {
    using namespace FigureFormat;
    const struct {
        std::function<QString()> format;
        QString text;
    } cases[] = {
        {[] { return tenThousands(8998.574); }, QStringLiteral("8,998.57万")},
        {[] { return tenThousands(9999.994); }, QStringLiteral("9,999.99万")},
        {[] { return tenThousands(10000); }, QStringLiteral("1.00亿")},
        {[] { return tenThousands(-14800, QStringLiteral("股")); }, QStringLiteral("-1.48亿股")},
        {[] { return units(9803.48, QStringLiteral("手")); }, QStringLiteral("9,803手")},
        {[] { return units(111629.6, QStringLiteral("手")); }, QStringLiteral("11.16万手")},
        {[] { return units(880031936.0, QStringLiteral("元")); }, QStringLiteral("8.80亿元")},
        {[] { return percent(-0.004); }, QStringLiteral("0.00%")},
        {[] { return percent(-2.345, 1); }, QStringLiteral("-2.3%")},
        {[] { return fixed(-0.0001, 2); }, QStringLiteral("0.00")},
        {[] { return price(12.3); }, QStringLiteral("12.30")},
        {[] { return price(1234.567); }, QStringLiteral("1,234.567")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.format(), c.text);
    EXPECT_TRUE(isTurnoverMemo(QStringLiteral("换手率高 ")));
    EXPECT_FALSE(isTurnoverMemo(QStringLiteral("涨跌幅大")));
    EXPECT_EQ(toneOf(0), Tone::Plain);
    EXPECT_EQ(toneOf(-0.01), Tone::Fall);
}

}  // namespace

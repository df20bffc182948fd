#include "report/ReportMarkers.h"

#include "support/TestSupport.h"

using namespace quarrow;

namespace {

QStringList figures(const QString& text) {
    return ReportMarkers::findFigures(text);
}

}  // namespace

TEST(ReportMarkers, FiguresNeedAPointAndTwoDecimals) {
    EXPECT_EQ(figures("涨跌幅:10.02% 成交量:1234.56万股 成交金额:5678.90万元"),
              (QStringList{"10.02", "1234.56", "5678.90"}));
    EXPECT_EQ(figures("换手率>20%成交量:-3.5 +7.25 -0.10"), (QStringList{"+7.25", "-0.10"}));
    // A longer fraction matches in its first two decimals; the rest is left over.
    EXPECT_EQ(figures("12.3456"), (QStringList{"12.34"}));
    EXPECT_EQ(figures("1,234.56"), (QStringList{"234.56"}));
    EXPECT_TRUE(figures("２０.００ 20% 20.").isEmpty());  // full-width digits are no figures
    EXPECT_EQ(figures("+-1.00 1.2.34 5.6x7.89+"), (QStringList{"-1.00", "2.34", "7.89"}));
    EXPECT_EQ(figures("1.23-4.56+7.89"), (QStringList{"1.23", "-4.56", "+7.89"}));
    EXPECT_EQ(ReportMarkers::findFigures("1.00 2.00 3.00 4.00", 3), (QStringList{"1.00", "2.00", "3.00"}));
}

TEST(ReportMarkers, LongRunsOfDigitsInADamagedLine) {
    const QString run(300000, QLatin1Char('7'));
    EXPECT_TRUE(figures(run + run).isEmpty());
    EXPECT_EQ(figures(QLatin1Char('-') + run + QStringLiteral(".125 ") + run),
              QStringList{QLatin1Char('-') + run + QStringLiteral(".12")});
}

TEST(ReportMarkers, DatesAreFourTwoTwoDigits) {
    const auto& pattern = ReportMarkers::datePattern();
    EXPECT_EQ(pattern.match("【交易日期】2017-03-16 日涨幅偏离值达7%的证券").captured(0), "2017-03-16");
    EXPECT_FALSE(pattern.match("2017-3-16").hasMatch());
    EXPECT_FALSE(pattern.match("2017/03/16").hasMatch());
    EXPECT_EQ(pattern.match("x20170-03-161").captured(0), "0170-03-16");
}

TEST(ReportMarkers, SectionHeadingsCountOnlyNearTheLineStart) {
    EXPECT_TRUE(ReportMarkers::atStart("【1.涨跌幅异动】", ReportMarkers::kChangeSection));
    // The point of ".大宗交易】" may stand at the fourth position, not the fifth.
    EXPECT_TRUE(ReportMarkers::atStart(" 【2.大宗交易】", ReportMarkers::kBigTradeSection));
    EXPECT_FALSE(ReportMarkers::atStart("  【2.大宗交易】", ReportMarkers::kBigTradeSection));
    EXPECT_FALSE(ReportMarkers::atStart("★本栏包括【1.涨跌幅异动】", ReportMarkers::kChangeSection));
    EXPECT_FALSE(ReportMarkers::atStart("", ReportMarkers::kChangeSection));
}

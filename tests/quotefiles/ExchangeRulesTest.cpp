#include "quotefiles/ExchangeRules.h"

#include "QuoteTestFiles.h"
#include "app/Settings.h"
#include "platform/Clock.h"
#include "quotefiles/DailyChanges.h"
#include "support/TestSupport.h"

#include <map>

using namespace quarrow;
using namespace quarrow::test;

namespace {

using Rules = QList<ExchangeRule>;
constexpr auto Move = ExchangeRule::DailyMove;
constexpr auto Wide = ExchangeRule::Amplitude;
constexpr auto Turn = ExchangeRule::Turnover;
constexpr auto Three = ExchangeRule::ThreeDays;

// Bars of 20170301 … with the given closes, each opening at the close before (the first at
// 1000), the day's range the open and the close.
QList<DailyBar> closes(const QList<qint32>& values, qint32 volume = 10000) {
    return barsWithCloses(values, 1000, volume);
}

// The last bar widened to the given high.
QList<DailyBar> withHigh(QList<DailyBar> bars, qint32 high) {
    bars.last().High = high;
    return bars;
}

struct Case {
    const char* what;
    const char* key;
    const char* name;
    QList<DailyBar> bars;
    Rules rules;                  // the rules that pick it; none: not picked
    const char* shown = nullptr;  // the rules' text, where it matters
};

}  // namespace

// Every rule of each board met by a margin or missed just below; the index's own change,
// the risk-warned sum, a close at the limit, and stocks that cannot be measured.
TEST(ExchangeRules, EachBoardsRulesPickTheStocksThatMeetThem) {
    TempHome home;
    // The last day is 20170304; Shanghai flat, Shenzhen up 1 %.
    writeBars(home.path(), shanghaiIndexCode(), closes({1000, 1000, 1000, 1000}));
    writeBars(home.path(), shenzhenIndexCode(), closes({1000, 1000, 1000, 1010}));
    const Case cases[] = {
        {"main: the day's deviation, a tie",
         "sh600001",
         "甲",
         closes({1000, 1000, 1000, 1070}),
         {Move},
         "偏离值 7.00%"},
        {"main: just below", "sh600002", "乙", closes({1000, 1000, 1000, 1069}), {}},
        {"main: the index's change comes off", "sz000001", "丙", closes({1000, 1000, 1000, 1079}), {}},
        {"main: above the index by 7", "sz000002", "丁", closes({1000, 1000, 1000, 1080}), {Move}},
        {"main: a wide day", "sh600003", "戊", withHigh(closes({1000, 1000, 1000, 1000}), 1150), {Wide}},
        {"main: not quite wide", "sh600004", "己", withHigh(closes({1000, 1000, 1000, 1000}), 1149), {}},
        {"main: turnover",
         "sh600005",
         "庚",
         closes({1000, 1000, 1000, 1000}, 2000000),
         {Turn},
         "换手率 20.00%"},
        {"main: turnover just below", "sh600006", "辛", closes({1000, 1000, 1000, 1000}, 1999000), {}},
        {"main: three days", "sh600007", "壬", closes({1000, 1069, 1143, 1217}), {Three}},
        {"main: three days below", "sh600008", "癸", closes({1000, 1066, 1136, 1199}), {}},
        {"risk-warned: its own three-day sum", "sh600009", "ST子", closes({1000, 1042, 1085, 1129}), {Three}},
        {"the same bars unwarned", "sh600010", "子", closes({1000, 1042, 1085, 1129}), {}},
        {"*ST is risk-warned too", "sz000003", "*ST丑", closes({1000, 1052, 1106, 1163}), {Three}},
        {"growth: its own change",
         "sz300001",
         "寅",
         closes({1000, 1000, 1000, 1150}),
         {Move},
         "涨跌幅 15.00%"},
        {"growth: a main board's deviation is not enough",
         "sz300002",
         "卯",
         closes({1000, 1000, 1000, 1090}),
         {}},
        {"growth: a close at the limit counts the limit",
         "sh688001",
         "辰",
         closes({1000, 1000, 1001, 1201}),
         {Move},
         "涨跌幅 20.00%"},
        {"growth: wide by its own figure only",
         "sz300003",
         "巳",
         withHigh(closes({1000, 1000, 1000, 1000}), 1200),
         {}},
        {"stale: a day behind its index", "sh600011", "午", closes({1000, 1000, 1070}), {}},
        {"no capital: the turnover cannot be measured",
         "sh600012",
         "未",
         closes({1000, 1000, 1000, 1000}, 9000000),
         {}},
        {"a new stock: one wide bar",
         "sh600013",
         "申",
         withHigh({makeBar(20170304, 1000, 1000)}, 1200),
         {Wide}},
        {"not a board of ours", "sh900901", "B股", closes({1000, 1000, 1000, 1500}), {}},
    };
    // Share capital in 10,000 shares: 1,000 makes 10 million tradable shares.
    std::map<QString, double> capital;
    for (const Case& c : cases) {
        writeBars(home.path(), QLatin1String(c.key), c.bars);
        if (QLatin1String(c.key) != QLatin1String("sh600012"))
            capital[QLatin1String(c.key).right(6)] = 1000;
    }
    QStringList log;
    ExchangeRuleScreener screener(
        home.path(), ExchangeRuleSet::defaults(),
        [&capital](const QString& code) -> std::optional<double> {
            const auto found = capital.find(code);
            return found == capital.end() ? std::nullopt : std::optional<double>(found->second);
        },
        [&log](const QString& line, LogColor) { log << line; });
    ASSERT_TRUE(screener.loadIndexes());
    EXPECT_EQ(screener.day(), 20170304);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        const std::optional<ExchangeScreenResult> verdict =
            screener.judge(QLatin1String(c.key), QString::fromUtf8(c.name));
        ASSERT_TRUE(verdict);
        Rules met;
        for (const RuleHit& hit : verdict->hits)
            met << hit.rule;
        EXPECT_EQ(met, c.rules);
        EXPECT_EQ(verdict->picked, !c.rules.isEmpty());
        if (c.shown) {
            EXPECT_EQ(verdict->rulesText(), QString::fromUtf8(c.shown));
        }
    }
    // What could not be measured is said.
    log.clear();
    EXPECT_TRUE(screener.judge(QStringLiteral("sh600011"), QStringLiteral("午"))->stale);
    EXPECT_TRUE(log.value(0).contains(QStringLiteral("日期不符"))) << log.join('\n').toStdString();
    log.clear();
    EXPECT_TRUE(screener.judge(QStringLiteral("sh600012"), QStringLiteral("未"))
                    ->unmeasured.join("")
                    .contains(QStringLiteral("流通股本")));
    EXPECT_TRUE(log.value(0).contains(QStringLiteral("流通股本")));
    EXPECT_FALSE(screener.judge(QStringLiteral("sh600099"), QStringLiteral("无")).has_value())
        << "no daily-bar file: passed over";
}

// The figures come from the settings file: a changed one holds, a broken one is the
// default with one line saying so.
TEST(ExchangeRules, TheFiguresAreTheSettingsOwn) {
    TempHome home;
    VirtualClock clock;
    Settings settings(home.file("quarrow.INI"), home.path(), clock);
    EXPECT_EQ(settings.effectiveText("ExchangeRules", "RiskThreeDays"), QStringLiteral("12"));
    ASSERT_TRUE(settings.writeText("ExchangeRules", "MainDeviation", "6.5"));
    ASSERT_TRUE(settings.writeText("ExchangeRules", "GrowthChange", "abc"));
    QStringList problems;
    const ExchangeRuleSet rules = ExchangeRuleSet::read(settings, &problems);
    EXPECT_EQ(rules.mainDeviation, *Money::parse("6.5"));
    EXPECT_EQ(rules.growthChange, Money::fromUnits(15));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems.first().contains(QStringLiteral("GrowthChange")));
}

#include "quotefiles/ExchangeRules.h"

#include "app/Settings.h"
#include "quotefiles/DailyBar.h"
#include "quotefiles/DailyChanges.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/QuotePaths.h"

#include <algorithm>
#include <cmath>

namespace quarrow {

namespace {

const QString kSection = QStringLiteral("ExchangeRules");
// The last day's change, and the three days before the last for their deviations.
constexpr qint64 kStockBars = 4;
// An index is read a little further back, so a day the stock traded and the index did not
// is not mistaken for one it did.
constexpr qint64 kIndexBars = 8;

// The last `count` bars of a daily-bar file, in one read; nothing when there is no file.
std::optional<QList<DailyBar>> lastBars(const QString& quoteFolder, const QString& prefixedCode,
                                        qint64 count) {
    TFileOP file(QuotePaths::dailyBarFile(quoteFolder, prefixedCode), DailyBar::kSize, 'r');
    if (!file.Opend())
        return std::nullopt;
    const qint64 records = file.RecordCount();
    QList<DailyBar> bars;
    if (records <= 0)
        return bars;
    const qint64 first = std::max<qint64>(0, records - count);
    char bytes[kIndexBars * DailyBar::kSize];
    file.SeekTo(first);
    const qint64 got = file.ReadRecords(bytes, std::min(count, records - first));
    for (qint64 i = 0; i < got; ++i)
        bars.append(DailyBar::fromBytes(bytes + i * DailyBar::kSize));
    return bars;
}

// The price a limit of the given percent allows from the previous close, to the fen, as
// the exchanges round it: half away from zero.
qint32 limitPrice(qint32 previousClose, Money limit, bool up) {
    const qint64 scale = 100 * Money::kScale;
    const qint64 factor = up ? scale + limit.raw() : scale - limit.raw();
    return static_cast<qint32>((static_cast<qint64>(previousClose) * factor + scale / 2) / scale);
}

// The close-to-close change, the limit's own percentage for a close at the limit.
Money dayChange(const DailyBar& bar, const DailyBar& previous, std::optional<Money> limit) {
    if (limit && previous.Close > 0) {
        if (bar.Close == limitPrice(previous.Close, *limit, true) && bar.Close != previous.Close)
            return *limit;
        if (bar.Close == limitPrice(previous.Close, *limit, false) && bar.Close != previous.Close)
            return Money() - *limit;
    }
    return percentChange(bar.Close, previous.Close);
}

QString percentText(Money value) {
    return value.toFixed(2) + QLatin1Char('%');
}

}  // namespace

Board boardOf(const QString& prefixedCode, const QString& name) {
    const QString code = prefixedCode.right(6);
    const QString head = code.left(3);
    static const QStringList main = {QStringLiteral("600"), QStringLiteral("601"), QStringLiteral("603"),
                                     QStringLiteral("605"), QStringLiteral("000"), QStringLiteral("001"),
                                     QStringLiteral("002"), QStringLiteral("003")};
    static const QStringList growth = {QStringLiteral("300"), QStringLiteral("301"), QStringLiteral("688"),
                                       QStringLiteral("689")};
    // The market must fit the code: sh000001 is the Shanghai index, not a stock.
    const QString market = prefixedCode.left(2);
    const bool shanghai = code.startsWith(QLatin1Char('6'));
    if ((market == QLatin1String("sh")) != shanghai)
        return Board::Other;
    if (growth.contains(head))
        return Board::Growth;
    if (!main.contains(head))
        return Board::Other;
    const QString trimmed = name.trimmed();
    if (trimmed.startsWith(QLatin1String("ST")) || trimmed.startsWith(QLatin1String("*ST")))
        return Board::RiskWarned;
    return Board::Main;
}

const QList<ExchangeRuleKey>& exchangeRuleKeys() {
    static const QList<ExchangeRuleKey> keys = {
        {"MainDeviation", &ExchangeRuleSet::mainDeviation},
        {"MainAmplitude", &ExchangeRuleSet::mainAmplitude},
        {"MainTurnover", &ExchangeRuleSet::mainTurnover},
        {"MainThreeDays", &ExchangeRuleSet::mainThreeDays},
        {"RiskThreeDays", &ExchangeRuleSet::riskThreeDays},
        {"GrowthChange", &ExchangeRuleSet::growthChange},
        {"GrowthAmplitude", &ExchangeRuleSet::growthAmplitude},
        {"GrowthTurnover", &ExchangeRuleSet::growthTurnover},
        {"GrowthThreeDays", &ExchangeRuleSet::growthThreeDays},
        {"MainLimit", &ExchangeRuleSet::mainLimit},
        {"RiskLimit", &ExchangeRuleSet::riskLimit},
        {"GrowthLimit", &ExchangeRuleSet::growthLimit},
    };
    return keys;
}

ExchangeRuleSet ExchangeRuleSet::defaults() {
    ExchangeRuleSet rules;
    for (const ExchangeRuleKey& entry : exchangeRuleKeys())
        rules.*entry.figure = Money::parse(exchangeRuleDefault(QLatin1String(entry.key))).value_or(Money());
    return rules;
}

ExchangeRuleSet ExchangeRuleSet::read(const Settings& settings, QStringList* problems) {
    ExchangeRuleSet rules = defaults();
    for (const ExchangeRuleKey& entry : exchangeRuleKeys()) {
        const QString key = QLatin1String(entry.key);
        const QString text = settings.readText(kSection, key, QString()).trimmed();
        if (text.isEmpty())
            continue;
        const std::optional<Money> figure = Money::parse(text);
        if (figure && *figure > Money()) {
            rules.*entry.figure = *figure;
        } else if (problems) {
            problems->append(QStringLiteral("[%1] %2=%3 不是正数,按默认值%4计算")
                                 .arg(kSection, key, text, (rules.*entry.figure).toString()));
        }
    }
    return rules;
}

QString RuleHit::text() const {
    switch (rule) {
        case ExchangeRule::DailyMove:
            break;
        case ExchangeRule::Amplitude:
            return QStringLiteral("振幅 ") + percentText(value);
        case ExchangeRule::Turnover:
            return QStringLiteral("换手率 ") + percentText(value);
        case ExchangeRule::ThreeDays:
            return QStringLiteral("三日累计偏离值 ") + percentText(value);
    }
    return QStringLiteral("偏离值 ") + percentText(value);
}

QString ExchangeScreenResult::rulesText() const {
    QStringList texts;
    for (const RuleHit& hit : hits) {
        // The growth boards' daily move is the stock's own change, not a deviation.
        texts << (hit.rule == ExchangeRule::DailyMove && board == Board::Growth
                      ? QStringLiteral("涨跌幅 ") + percentText(hit.value)
                      : hit.text());
    }
    return texts.join(QStringLiteral(", "));
}

ExchangeRuleScreener::ExchangeRuleScreener(QString quoteFolder, ExchangeRuleSet rules, SharesOf sharesOf,
                                           Log log)
    : m_quoteFolder(std::move(quoteFolder)),
      m_rules(rules),
      m_sharesOf(std::move(sharesOf)),
      m_log(std::move(log)) {}

bool ExchangeRuleScreener::loadIndex(const QString& code, IndexDays& index) {
    const QList<DailyBar> bars = lastBars(m_quoteFolder, code, kIndexBars).value_or(QList<DailyBar>());
    index = IndexDays();
    if (bars.isEmpty()) {
        m_log(QStringLiteral("\t指数") + code + QStringLiteral("没有日线数据,无法按交易所规则筛选"),
              LogColor::Red);
        return false;
    }
    index.lastDay = bars.last().Date;
    for (qsizetype i = 1; i < bars.size(); ++i) {
        if (bars[i - 1].Close > 0)
            index.changes.insert(bars[i].Date, percentChange(bars[i].Close, bars[i - 1].Close));
    }
    return true;
}

bool ExchangeRuleScreener::loadIndexes() {
    const bool shanghai = loadIndex(shanghaiIndexCode(), m_shanghai);
    const bool shenzhen = loadIndex(shenzhenIndexCode(), m_shenzhen);
    m_day = m_shanghai.lastDay;
    return shanghai && shenzhen;
}

std::optional<Money> ExchangeRuleScreener::turnover(const QString& code, qint32 volume) {
    const std::optional<double> shares = m_sharesOf ? m_sharesOf(code) : std::nullopt;
    const auto quantity = shares ? static_cast<qint64>(std::nearbyint(*shares)) : 0;
    if (quantity <= 0)
        return std::nullopt;
    if (volume <= 0)
        return Money();
    // volume / (quantity × 10,000) × 100 percent, to four decimals.
    return Money::fromRaw(divideRoundHalfEven(static_cast<qint64>(volume) * 100, quantity));
}

std::optional<QList<DailyBar>> ExchangeRuleScreener::readStock(const QString& prefixedCode) const {
    return lastBars(m_quoteFolder, prefixedCode, kStockBars);
}

std::optional<ExchangeScreenResult> ExchangeRuleScreener::judge(const QString& prefixedCode,
                                                                const QString& name) {
    const std::optional<QList<DailyBar>> bars = readStock(prefixedCode);
    if (!bars)
        return std::nullopt;
    return judgeStock(prefixedCode, name, *bars);
}

ExchangeScreenResult ExchangeRuleScreener::judgeStock(const QString& prefixedCode, const QString& name,
                                                      const QList<DailyBar>& bars) {
    ExchangeScreenResult result;
    result.board = boardOf(prefixedCode, name);
    if (result.board == Board::Other)
        return result;
    const bool shenzhen = prefixedCode.startsWith(QLatin1String("sz"));
    const IndexDays& index = shenzhen ? m_shenzhen : m_shanghai;
    if (bars.isEmpty() || bars.last().Date != index.lastDay) {
        result.stale = true;
        m_log((shenzhen ? QStringLiteral("\t股票收盘数据和深证指数日期不符:")
                        : QStringLiteral("\t股票收盘数据和上证指数日期不符:")) +
                  QString::number(bars.isEmpty() ? 0 : bars.last().Date) + QStringLiteral("<>") +
                  QString::number(index.lastDay),
              LogColor::Red);
        return result;
    }
    const bool growth = result.board == Board::Growth;
    const bool risk = result.board == Board::RiskWarned;
    const Money limit = growth ? m_rules.growthLimit : risk ? m_rules.riskLimit : m_rules.mainLimit;
    const auto meets = [&result](ExchangeRule rule, Money value, Money figure, bool bothWays) {
        if (value >= figure || (bothWays && value <= Money() - figure))
            result.hits.append({rule, value});
    };

    const DailyBar& last = bars.last();
    const qsizetype n = bars.size();
    // The deviation of the bar at i from its index on the same day, when both are known.
    const auto deviation = [&](qsizetype i) -> std::optional<Money> {
        const auto indexChange = index.changes.constFind(bars[i].Date);
        if (i < 1 || bars[i - 1].Close <= 0 || indexChange == index.changes.constEnd())
            return std::nullopt;
        return dayChange(bars[i], bars[i - 1], limit) - *indexChange;
    };

    if (n < 2 || bars[n - 2].Close <= 0) {
        result.unmeasured << QStringLiteral("没有前一交易日的数据(涨跌幅、三日累计偏离值)");
    } else if (growth) {
        meets(ExchangeRule::DailyMove, dayChange(last, bars[n - 2], limit), m_rules.growthChange, true);
    } else if (const std::optional<Money> today = deviation(n - 1)) {
        meets(ExchangeRule::DailyMove, *today, m_rules.mainDeviation, true);
    } else {
        result.unmeasured << QStringLiteral("指数没有当日的涨跌(偏离值)");
    }

    if (last.Low > 0)
        meets(ExchangeRule::Amplitude, percentChange(last.High, last.Low),
              growth ? m_rules.growthAmplitude : m_rules.mainAmplitude, false);

    if (const std::optional<Money> rate = turnover(prefixedCode.right(6), last.Volume))
        meets(ExchangeRule::Turnover, *rate, growth ? m_rules.growthTurnover : m_rules.mainTurnover, false);
    else
        result.unmeasured << QStringLiteral("没有流通股本(换手率)");

    if (n == kStockBars) {
        std::optional<Money> sum = Money();
        for (qsizetype i = n - 3; i < n && sum; ++i) {
            const std::optional<Money> day = deviation(i);
            sum = day ? std::optional<Money>(*sum + *day) : std::nullopt;
        }
        if (sum)
            meets(ExchangeRule::ThreeDays, *sum,
                  growth ? m_rules.growthThreeDays
                  : risk ? m_rules.riskThreeDays
                         : m_rules.mainThreeDays,
                  true);
        else if (n >= 2)
            result.unmeasured << QStringLiteral("三日中有指数没有的日子(三日累计偏离值)");
    } else if (n >= 2) {
        result.unmeasured << QStringLiteral("不足三个交易日(三日累计偏离值)");
    }

    result.picked = !result.hits.isEmpty();
    if (result.picked) {
        const bool up = result.hits.first().value > Money();
        m_log(QStringLiteral("\t") + prefixedCode + name + QStringLiteral(" 上榜规则: ") + result.rulesText(),
              up ? LogColor::Red : LogColor::Green);
    } else if (!result.unmeasured.isEmpty()) {
        m_log(QStringLiteral("\t") + prefixedCode + name + QStringLiteral(" 无法计算: ") +
                  result.unmeasured.join(QStringLiteral(", ")),
              LogColor::Default);
    }
    return result;
}

}  // namespace quarrow

#pragma once

#include "app/AppFrame.h"
#include "quotefiles/DailyBar.h"
#include "store/Money.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quarrow {

class Settings;

// The boards the exchanges list stocks by, each with rules of its own.
enum class Board {
    Main,        // 600, 601, 603, 605, 000, 001, 002, 003
    RiskWarned,  // a main-board stock whose name begins "ST" or "*ST"
    Growth,      // ChiNext 300, 301 and STAR 688, 689
    Other,       // anything else (B shares, the Beijing exchange): no rule of ours
};
Board boardOf(const QString& prefixedCode, const QString& name);

// The figures of the rules by which the exchanges publish a stock's dragon-tiger list, in
// percent. Kept in the settings file ("[ExchangeRules]") so a user can follow a change of
// the exchanges' rules without a new program.
struct ExchangeRuleSet {
    Money mainDeviation;  // the day's change against the index
    Money mainAmplitude;  // (high − low) ÷ low
    Money mainTurnover;   // volume ÷ tradable A shares
    Money mainThreeDays;  // the last three days' deviations summed
    Money riskThreeDays;  // the same for risk-warned stocks
    Money growthChange;   // the day's own change
    Money growthAmplitude;
    Money growthTurnover;
    Money growthThreeDays;
    // The daily price limits: a close at the limit counts as the limit's own change.
    Money mainLimit;
    Money riskLimit;
    Money growthLimit;

    // The exchanges' figures as the program knows them.
    static ExchangeRuleSet defaults();
    // The figures of the settings file; a missing key is its default, a broken one its
    // default and one line in *problems.
    static ExchangeRuleSet read(const Settings& settings, QStringList* problems);
};

// The settings file's keys of the rules with their defaults ("MainDeviation" = 7, …).
struct ExchangeRuleKey {
    const char* key;
    Money ExchangeRuleSet::*figure;
};
const QList<ExchangeRuleKey>& exchangeRuleKeys();

enum class ExchangeRule { DailyMove, Amplitude, Turnover, ThreeDays };

// One rule that picked a stock, with the figure that met it.
struct RuleHit {
    ExchangeRule rule;
    Money value;
    QString text() const;  // "涨跌幅 16.20%", "偏离值 -7.12%", "振幅 15.30%", …
};

struct ExchangeScreenResult {
    bool picked = false;
    bool stale = false;      // the last bar is of another day than the index's: nothing measured
    QList<RuleHit> hits;     // the rules met
    QStringList unmeasured;  // the rules the stock's data cannot be measured by, in words
    Board board = Board::Other;
    QString rulesText() const;  // the hits' texts, joined
};

// The screening by the exchanges' own listing rules: for the last day of the index files,
// a stock is picked when it meets any rule of its board (the daily move against its index,
// or for the growth boards its own change; the amplitude; the turnover; the three-day sum of
// deviations). Values are four-decimal fixed points, and a tie picks.
class ExchangeRuleScreener {
public:
    // The tradable A shares of a stock, in 10,000 shares: nothing when it has no row, 0 when
    // none is known.
    using SharesOf = std::function<std::optional<double>(const QString& code)>;

    // Where its lines go: the run's log, or the command line's standard error.
    using Log = std::function<void(const QString& line, LogColor color)>;

    ExchangeRuleScreener(QString quoteFolder, ExchangeRuleSet rules, SharesOf sharesOf, Log log);

    // The index files' last days; false (the reason on the log) when an index file is
    // missing or empty. Throws RecordFileError when a file cannot be read.
    bool loadIndexes();
    // The day the rules are applied to (YYYYMMDD of the Shanghai index's last bar).
    qint32 day() const { return m_day; }

    // A stock's last bars, nothing when it has no daily-bar file (its existence asked with
    // its open). Throws RecordFileError when the file cannot be read.
    std::optional<QList<DailyBar>> readStock(const QString& prefixedCode) const;
    // The verdict on those bars; picked, stale and unmeasurable stocks are logged.
    ExchangeScreenResult judgeStock(const QString& prefixedCode, const QString& name,
                                    const QList<DailyBar>& bars);
    // Both: nothing for a stock without a daily-bar file.
    std::optional<ExchangeScreenResult> judge(const QString& prefixedCode, const QString& name);

private:
    struct IndexDays {
        qint32 lastDay = 0;
        QHash<qint32, Money> changes;  // the day's close-to-close change, by day
    };
    bool loadIndex(const QString& code, IndexDays& index);
    std::optional<Money> turnover(const QString& code, qint32 volume);

    QString m_quoteFolder;
    ExchangeRuleSet m_rules;
    SharesOf m_sharesOf;
    Log m_log;
    IndexDays m_shanghai;
    IndexDays m_shenzhen;
    qint32 m_day = 0;
};

}  // namespace quarrow

#pragma once

#include "app/BulkAllocator.h"
#include "store/DataBase.h"
#include "store/Money.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace quarrow {

// The markets a stock code belongs to, as the quote program files them.
enum class Market { All, Shanghai, Shenzhen };
// What a department did on a day: bought (StBuy > 0) or sold (StSale > 0). A row with
// both counts on both sides.
enum class TradeSide { Buy, Sell };

inline const QList<int> kDefaultHorizons = {1, 2, 3, 5, 10};

struct TrackRecordOptions {
    QDate from;  // invalid: no start
    QDate to;    // invalid: no end
    Market market = Market::All;
    // Trading days after the day, ascending, each 1 … kMaxHorizon.
    QList<int> horizons = kDefaultHorizons;
    // Only these departments' trades (their keys); empty: every department. A department's
    // record depends on its own trades alone, so it comes out the same either way.
    QList<qint32> departments;
    // Only the rows stored after this ID (0: every row): what came since a record was kept.
    qint64 afterId = 0;

    static constexpr int kMaxHorizon = 250;
};

// What the stocks did a number of trading days after a department's trades.
struct HorizonFigures {
    int count = 0;         // trades whose stock has a bar that many trading days on
    double average = 0;    // close-to-close return in percent
    double median = 0;     // percent
    double riseShare = 0;  // percent of count that closed higher
};

struct SideFigures {
    int trades = 0;
    Money total;  // bought (or sold) over all these trades, as the reports print it
    QList<HorizonFigures> horizons;
};

struct DepartmentRecord {
    qint32 key = 0;
    QString name;
    int appearances = 0;  // stocks and days the department was listed on
    SideFigures buys;
    SideFigures sells;

    const SideFigures& side(TradeSide which) const { return which == TradeSide::Buy ? buys : sells; }
};

// One appearance of a department: a stock on a day, with what it bought and sold and the
// stock's returns after the day (nothing where the bars end first).
struct DepartmentTrade {
    QString code;
    QDate day;
    Money bought;
    Money sold;
    QList<std::optional<double>> returns;  // one per horizon, percent
};

struct TrackRecordStats {
    qint64 rows = 0;      // department rows read
    qint64 trades = 0;    // after merging a department's rows of one stock and day
    int stocks = 0;       // stocks with trades
    int filesOpened = 0;  // daily-bar files opened
    qint64 barReads = 0;  // reads from them
};

// The track record of every department: for each stored department row (anomaly rows
// left out), the close-to-close return of the stock from the day to 1, 2, 3, 5 and 10
// trading days (bars of the stock) later. The rows are gathered by stock, so each
// daily-bar file is opened once and searched by seeking.
class TrackRecord {
public:
    // Reads the rows and the bars. A database that is not open, a statement that fails or
    // a daily-bar file that cannot be read gives an empty record with the reason in error().
    static TrackRecord compute(TDataBase& db, const QString& quoteFolder, const TrackRecordOptions& options);

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    const QList<int>& horizons() const { return m_horizons; }
    const std::vector<DepartmentRecord>& departments() const { return m_departments; }
    const TrackRecordStats& stats() const { return m_stats; }
    // The department's trades, by stock and day; none for an unknown key.
    std::vector<DepartmentTrade> tradesOf(qint32 departmentKey) const;
    // The department whose trimmed name is this one; nullptr when none is.
    const DepartmentRecord* findByName(const QString& name) const;

private:
    struct Trade {
        qint32 stock = 0;  // index into m_codes
        qint32 day = 0;    // yyyymmdd
        qint32 department = 0;
        Money bought;
        Money sold;
    };

    void gather(const QString& quoteFolder);
    void summarise();
    float returnAt(size_t trade, qsizetype horizon) const {
        return m_returns[trade * static_cast<size_t>(m_horizons.size()) + static_cast<size_t>(horizon)];
    }

    static TrackRecord failed(const QString& error);

    QString m_error;
    QList<int> m_horizons;
    QStringList m_codes;
    std::vector<Trade, BulkAllocator<Trade>> m_trades;  // by stock, day, department
    // Per trade and horizon; NaN where the bars end first.
    std::vector<float, BulkAllocator<float>> m_returns;
    std::vector<DepartmentRecord> m_departments;
    // The trades of department d are m_departmentTrades[m_departmentStart[d] ...
    // m_departmentStart[d + 1]), in trade order: one array, not a growing list per department.
    std::vector<qint32, BulkAllocator<qint32>> m_departmentTrades;
    std::vector<size_t> m_departmentStart;
    QHash<qint32, size_t> m_departmentOf;  // key -> index into m_departments
    TrackRecordStats m_stats;
};

// The close-to-close returns of one stock in percent, from the bar of each day (yyyymmdd,
// ascending, each once) to the bar that many trading days later: days × horizons values,
// NaN where the day has no bar or the bars end first. The stock's daily-bar file is read by
// seeking; without one every value is NaN. Throws RecordFileError when it cannot be read.
struct StockReturns {
    std::vector<float> values;
    bool fileFound = false;
    qint64 reads = 0;
};
StockReturns stockReturns(const QString& quoteFolder, const QString& code, const std::vector<qint32>& days,
                          const QList<int>& horizons);

// How a ranking orders departments: by the average return or the share of rises at one
// horizon, or by the number of trades; the larger first.
enum class RankOrder { Average, RiseShare, Count };

struct Ranking {
    TradeSide side = TradeSide::Buy;
    int minCount = 1;  // trades on the side
    RankOrder order = RankOrder::Count;
    qsizetype horizon = 0;  // index into the horizons, for Average and RiseShare
    int top = 0;            // 0: all
};

std::vector<const DepartmentRecord*> rankDepartments(const TrackRecord& record, const Ranking& ranking);

// The market of a six-digit code: Shanghai from 600000 up, else Shenzhen.
Market marketOfCode(const QString& code);

}  // namespace quarrow

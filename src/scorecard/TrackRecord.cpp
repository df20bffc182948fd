#include "scorecard/TrackRecord.h"

#include "quotefiles/FileOP.h"

#include "app/Trim.h"
#include "quotefiles/DailyBarSearch.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/StockPicker.h"
#include "store/ChangeReads.h"
#include "store/DepartmentNames.h"
#include "store/RecordKeys.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <tuple>

namespace quarrow {

namespace {

constexpr float kNoReturn = std::numeric_limits<float>::quiet_NaN();
// Days of one stock from which its bars are read as one stretch.
constexpr size_t kDaysForOneRead = 8;

// 'yyyy-mm-dd' (and whatever follows) as yyyymmdd; 0 for anything else.
qint32 dayNumberOfText(QByteArrayView text) {
    if (text.size() < 10 || text.at(4) != '-' || text.at(7) != '-')
        return 0;
    qint32 value = 0;
    for (const int at : {0, 1, 2, 3, 5, 6, 8, 9}) {
        const int digit = text.at(at) - '0';
        if (digit < 0 || digit > 9)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

QDate dateOf(qint32 yyyymmdd) {
    return QDate(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

HorizonFigures figuresOf(std::span<float> returns) {
    HorizonFigures figures;
    figures.count = static_cast<int>(returns.size());
    if (returns.empty())
        return figures;
    double sum = 0;
    int rises = 0;
    for (const float value : returns) {
        sum += value;
        rises += value > 0 ? 1 : 0;
    }
    figures.average = sum / figures.count;
    figures.riseShare = 100.0 * rises / figures.count;
    const auto middle = returns.begin() + static_cast<std::ptrdiff_t>(returns.size() / 2);
    std::nth_element(returns.begin(), middle, returns.end());
    figures.median = *middle;
    if (returns.size() % 2 == 0)
        figures.median = (figures.median + *std::max_element(returns.begin(), middle)) / 2;
    return figures;
}

}  // namespace

Market marketOfCode(const QString& code) {
    return PrefixCode(code).startsWith(QLatin1String("sh")) ? Market::Shanghai : Market::Shenzhen;
}

TrackRecord TrackRecord::failed(const QString& error) {
    TrackRecord record;
    record.m_error = error.isEmpty() ? QStringLiteral("the track record could not be read") : error;
    return record;
}

TrackRecord TrackRecord::compute(TDataBase& db, const QString& quoteFolder,
                                 const TrackRecordOptions& options) {
    const auto fail = [](const QString& reason) { return failed(reason); };
    if (!db.DBOpened())
        return fail(QStringLiteral("the database is not open"));

    TrackRecord record;
    record.m_horizons = options.horizons;

    QHash<qint32, QString> names;
    QString namesError;
    const std::optional<QList<DepartmentName>> departments = departmentNames(db, &namesError);
    if (!departments)
        return fail(namesError);
    for (const DepartmentName& department : *departments)
        names.insert(department.key, trimBlanks(department.name));

    // The rows straight from SQLite: a Qt value per column and row took more than half the
    // time of a million rows.
    DepartmentRowScan rows(db, {options.from, options.to, options.afterId, options.departments});
    if (!rows.exec())
        return fail(rows.error());

    QHash<QByteArray, qint32> stockIndex;
    std::vector<bool> stockTaken;
    std::vector<std::optional<quint64>> codeNumbers;  // what each stock's code reads as, for its keys
    // Rows come in the order they were stored, a stock day's rows together: the code of the
    // row before is tried first.
    QByteArray lastCode;
    qint32 lastStock = -1;
    QHash<qint32, qint32> departmentIndex;
    while (rows.next()) {
        const QByteArrayView codeBytes = rows.code();
        if (lastStock < 0 || codeBytes != lastCode) {
            lastCode = codeBytes.toByteArray();
            auto stock = stockIndex.constFind(lastCode);
            if (stock == stockIndex.constEnd()) {
                const QString code = QString::fromUtf8(lastCode);
                stock = stockIndex.insert(lastCode, static_cast<qint32>(record.m_codes.size()));
                record.m_codes << code;
                stockTaken.push_back(options.market == Market::All || marketOfCode(code) == options.market);
                bool ok = false;
                const quint64 number = trimBlanks(code).toULongLong(&ok);
                codeNumbers.push_back(ok ? std::optional<quint64>(number) : std::nullopt);
            }
            lastStock = stock.value();
        }
        if (!stockTaken[static_cast<size_t>(lastStock)])
            continue;
        const qint32 day = dayNumberOfText(rows.day());
        const qint32 key = rows.departmentKey();
        const Money bought = rows.bought();
        const Money sold = rows.sold();
        // An anomaly row's key is made from its figures line, a department row's from the
        // name its department key stands for: only the latter is a department's trade.
        if (day == 0 || CalcRecordKeyOfDeptKey(codeNumbers[static_cast<size_t>(lastStock)], key, bought, sold,
                                               day) != rows.key())
            continue;
        ++record.m_stats.rows;
        auto department = departmentIndex.constFind(key);
        if (department == departmentIndex.constEnd()) {
            department = departmentIndex.insert(key, static_cast<qint32>(record.m_departments.size()));
            DepartmentRecord added;
            added.key = key;
            added.name = names.value(key);
            record.m_departments.push_back(added);
        }
        record.m_trades.push_back(Trade{lastStock, day, department.value(), bought, sold});
    }
    if (!rows.error().isEmpty())
        return fail(rows.error());

    // Two rows of one department, stock and day (its line in the buying and in the
    // selling table, or in the lists of two anomalies) are one appearance; their figures
    // describe the same trading, so the larger of each stands rather than a sum.
    // In order of stock, day and department: first by stock in one counting pass, then each
    // stock's few hundred trades by day and department, which takes a fraction of the
    // comparisons of one sort over a million.
    std::vector<size_t> stockStart(record.m_codes.size() + 1, 0);
    for (const Trade& trade : record.m_trades)
        ++stockStart[static_cast<size_t>(trade.stock) + 1];
    for (size_t i = 1; i < stockStart.size(); ++i)
        stockStart[i] += stockStart[i - 1];
    {
        std::vector<Trade, BulkAllocator<Trade>> byStock(record.m_trades.size());
        std::vector<size_t> next(stockStart.begin(), stockStart.end() - 1);
        for (const Trade& trade : record.m_trades)
            byStock[next[static_cast<size_t>(trade.stock)]++] = trade;
        record.m_trades = std::move(byStock);
    }
    auto& trades = record.m_trades;
    for (size_t i = 0; i + 1 < stockStart.size(); ++i) {
        std::sort(trades.begin() + static_cast<std::ptrdiff_t>(stockStart[i]),
                  trades.begin() + static_cast<std::ptrdiff_t>(stockStart[i + 1]),
                  [](const Trade& a, const Trade& b) {
                      return std::tie(a.day, a.department) < std::tie(b.day, b.department);
                  });
    }
    size_t kept = 0;
    for (size_t i = 0; i < trades.size(); ++i) {
        if (kept > 0 && trades[kept - 1].stock == trades[i].stock && trades[kept - 1].day == trades[i].day &&
            trades[kept - 1].department == trades[i].department) {
            trades[kept - 1].bought = std::max(trades[kept - 1].bought, trades[i].bought);
            trades[kept - 1].sold = std::max(trades[kept - 1].sold, trades[i].sold);
            continue;
        }
        trades[kept++] = trades[i];
    }
    trades.resize(kept);
    record.m_stats.trades = static_cast<qint64>(kept);

    try {
        record.gather(quoteFolder);
    } catch (const RecordFileError& error) {
        return fail(error.message());
    }
    record.summarise();
    return record;
}

StockReturns stockReturns(const QString& quoteFolder, const QString& code, const std::vector<qint32>& days,
                          const QList<int>& horizons) {
    StockReturns result;
    const auto horizonCount = static_cast<size_t>(horizons.size());
    result.values.assign(days.size() * horizonCount, kNoReturn);
    if (quoteFolder.isEmpty() || days.empty())
        return result;
    // A stock without a daily-bar file opens none: the open tells, without a look of its own.
    DailyBarSearch bars(QuotePaths::dailyBarFile(quoteFolder, PrefixCode(code)));
    if (!bars.opened())
        return result;
    result.fileFound = true;
    const int furthest = horizons.isEmpty() ? 0 : *std::max_element(horizons.begin(), horizons.end());
    // Many days of one stock (an institutions' seat trades most stocks again and again):
    // the stretch from the first to the last comes in one read, not a search a day.
    if (days.size() >= kDaysForOneRead) {
        const qint64 first = bars.lowerBound(days.front());
        const std::vector<DailyBar> span = bars.readSpan(first, bars.lowerBound(days.back()) + furthest);
        const auto dateLess = [](const DailyBar& bar, qint32 day) { return bar.Date < day; };
        for (size_t d = 0; d < days.size(); ++d) {
            const auto at = std::lower_bound(span.begin(), span.end(), days[d], dateLess);
            if (at == span.end() || at->Date != days[d] || at->Close <= 0)
                continue;
            const auto index = at - span.begin();
            for (size_t h = 0; h < horizonCount; ++h) {
                const qint64 later = index + horizons.at(static_cast<qsizetype>(h));
                // The stretch ends `furthest` bars after the last day, or with the file.
                if (later < static_cast<qint64>(span.size()))
                    result.values[d * horizonCount + h] = static_cast<float>(
                        (static_cast<double>(span[static_cast<size_t>(later)].Close) / at->Close - 1.0) *
                        100.0);
            }
        }
        result.reads = bars.reads();
        return result;
    }
    for (size_t d = 0; d < days.size(); ++d) {
        const qint64 index = bars.indexOf(days[d]);
        if (index < 0)
            continue;
        bars.load(index, index + furthest);
        const qint32 base = bars.bar(index).Close;
        for (size_t h = 0; h < horizonCount; ++h) {
            const qint64 at = index + horizons.at(static_cast<qsizetype>(h));
            if (base > 0 && at < bars.count())
                result.values[d * horizonCount + h] =
                    static_cast<float>((static_cast<double>(bars.bar(at).Close) / base - 1.0) * 100.0);
        }
    }
    result.reads = bars.reads();
    return result;
}

void TrackRecord::gather(const QString& quoteFolder) {
    const auto horizonCount = static_cast<size_t>(m_horizons.size());
    m_returns.assign(m_trades.size() * horizonCount, kNoReturn);
    std::vector<qint32> days;
    size_t first = 0;
    while (first < m_trades.size()) {
        size_t end = first;
        days.clear();
        while (end < m_trades.size() && m_trades[end].stock == m_trades[first].stock) {
            if (days.empty() || days.back() != m_trades[end].day)
                days.push_back(m_trades[end].day);
            ++end;
        }
        ++m_stats.stocks;
        const StockReturns returns =
            stockReturns(quoteFolder, m_codes.at(m_trades[first].stock), days, m_horizons);
        m_stats.filesOpened += returns.fileFound ? 1 : 0;
        m_stats.barReads += returns.reads;
        // The trades come by stock and day: the day's returns go to each of its trades.
        size_t d = 0;
        for (size_t t = first; t < end; ++t) {
            while (days[d] != m_trades[t].day)
                ++d;
            std::copy_n(returns.values.begin() + static_cast<std::ptrdiff_t>(d * horizonCount), horizonCount,
                        m_returns.begin() + static_cast<std::ptrdiff_t>(t * horizonCount));
        }
        first = end;
    }
}

void TrackRecord::summarise() {
    m_departmentOf.reserve(static_cast<qsizetype>(m_departments.size()));
    for (size_t d = 0; d < m_departments.size(); ++d)
        m_departmentOf.insert(m_departments[d].key, d);
    m_departmentStart.assign(m_departments.size() + 1, 0);
    for (const Trade& trade : m_trades)
        ++m_departmentStart[static_cast<size_t>(trade.department) + 1];
    for (size_t d = 1; d < m_departmentStart.size(); ++d)
        m_departmentStart[d] += m_departmentStart[d - 1];
    m_departmentTrades.resize(m_trades.size());
    {
        std::vector<size_t> next(m_departmentStart.begin(), m_departmentStart.end() - 1);
        for (size_t t = 0; t < m_trades.size(); ++t)
            m_departmentTrades[next[static_cast<size_t>(m_trades[t].department)]++] = static_cast<qint32>(t);
    }

    // Each department's returns by side and horizon, gathered in two passes over the trades
    // in their own order into one array, one range after the other: walking a department's
    // trades where they lie among a million took a cache miss for nearly every one. Within a
    // range the returns keep the order of the trades, so the sums come out as before.
    const auto horizonCount = static_cast<size_t>(m_horizons.size());
    const auto bucket = [horizonCount](size_t department, size_t side, size_t horizon) {
        return (department * 2 + side) * horizonCount + horizon;
    };
    std::vector<size_t> start(m_departments.size() * 2 * horizonCount + 1, 0);
    for (size_t t = 0; t < m_trades.size(); ++t) {
        const Trade& trade = m_trades[t];
        DepartmentRecord& department = m_departments[static_cast<size_t>(trade.department)];
        const float* returns = &m_returns[t * horizonCount];
        for (size_t side = 0; side < 2; ++side) {
            const Money amount = side == 0 ? trade.bought : trade.sold;
            if (!amount.isPositive())
                continue;
            SideFigures& figures = side == 0 ? department.buys : department.sells;
            ++figures.trades;
            figures.total = figures.total + amount;
            for (size_t h = 0; h < horizonCount; ++h)
                start[bucket(static_cast<size_t>(trade.department), side, h) + 1] +=
                    std::isnan(returns[h]) ? 0 : 1;
        }
    }
    for (size_t b = 1; b < start.size(); ++b)
        start[b] += start[b - 1];
    std::vector<float, BulkAllocator<float>> values(start.back());
    {
        std::vector<size_t> next(start.begin(), start.end() - 1);
        for (size_t t = 0; t < m_trades.size(); ++t) {
            const Trade& trade = m_trades[t];
            const float* returns = &m_returns[t * horizonCount];
            for (size_t side = 0; side < 2; ++side) {
                if (!(side == 0 ? trade.bought : trade.sold).isPositive())
                    continue;
                for (size_t h = 0; h < horizonCount; ++h) {
                    if (!std::isnan(returns[h]))
                        values[next[bucket(static_cast<size_t>(trade.department), side, h)]++] = returns[h];
                }
            }
        }
    }
    for (size_t d = 0; d < m_departments.size(); ++d) {
        DepartmentRecord& department = m_departments[d];
        department.appearances = static_cast<int>(m_departmentStart[d + 1] - m_departmentStart[d]);
        for (size_t side = 0; side < 2; ++side) {
            SideFigures& figures = side == 0 ? department.buys : department.sells;
            for (size_t h = 0; h < horizonCount; ++h) {
                const size_t b = bucket(d, side, h);
                figures.horizons << figuresOf(std::span(values).subspan(start[b], start[b + 1] - start[b]));
            }
        }
    }
}

std::vector<DepartmentTrade> TrackRecord::tradesOf(qint32 departmentKey) const {
    std::vector<DepartmentTrade> list;
    // Looked up, not searched for: the followed departments ask for thousands of them.
    const auto found = m_departmentOf.constFind(departmentKey);
    if (found == m_departmentOf.cend())
        return list;
    const size_t d = found.value();
    list.reserve(m_departmentStart[d + 1] - m_departmentStart[d]);
    for (size_t i = m_departmentStart[d]; i < m_departmentStart[d + 1]; ++i) {
        const qint32 t = m_departmentTrades[i];
        const Trade& trade = m_trades[static_cast<size_t>(t)];
        DepartmentTrade item{m_codes.at(trade.stock), dateOf(trade.day), trade.bought, trade.sold, {}};
        for (qsizetype h = 0; h < m_horizons.size(); ++h) {
            const float value = returnAt(static_cast<size_t>(t), h);
            item.returns << (std::isnan(value) ? std::nullopt : std::optional<double>(value));
        }
        list.push_back(item);
    }
    return list;
}

const DepartmentRecord* TrackRecord::findByName(const QString& name) const {
    const QString wanted = trimBlanks(name);
    for (const DepartmentRecord& department : m_departments) {
        if (department.name == wanted)
            return &department;
    }
    return nullptr;
}

std::vector<const DepartmentRecord*> rankDepartments(const TrackRecord& record, const Ranking& ranking) {
    std::vector<const DepartmentRecord*> ranked;
    for (const DepartmentRecord& department : record.departments()) {
        if (department.side(ranking.side).trades >= std::max(1, ranking.minCount))
            ranked.push_back(&department);
    }
    const auto score = [&](const DepartmentRecord* department) -> std::pair<double, int> {
        const SideFigures& side = department->side(ranking.side);
        if (ranking.order == RankOrder::Count || ranking.horizon < 0 ||
            ranking.horizon >= side.horizons.size())
            return {side.trades, 0};
        const HorizonFigures& figures = side.horizons.at(ranking.horizon);
        // A horizon no trade reached ranks below every figure.
        if (figures.count == 0)
            return {-std::numeric_limits<double>::infinity(), 0};
        return {ranking.order == RankOrder::Average ? figures.average : figures.riseShare, figures.count};
    };
    std::stable_sort(ranked.begin(), ranked.end(), [&](const DepartmentRecord* a, const DepartmentRecord* b) {
        const auto sa = score(a);
        const auto sb = score(b);
        if (sa != sb)
            return sa > sb;
        return a->name < b->name;
    });
    if (ranking.top > 0 && ranked.size() > static_cast<size_t>(ranking.top))
        ranked.resize(static_cast<size_t>(ranking.top));
    return ranked;
}

}  // namespace quarrow

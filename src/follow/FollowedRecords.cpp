#include "follow/FollowedRecords.h"

#include "app/SafeFile.h"
#include "quotefiles/FileOP.h"
#include "store/ChangeReads.h"

#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

namespace quarrow {

namespace {

constexpr quint32 kMagic = 0x51465243;  // "QFRC"
constexpr quint32 kVersion = 2;
constexpr int kHorizons = 3;

// One trade as the file keeps it: plain values, so a department's trades go in one block.
// Of the amounts only whether it bought and whether it sold count for the record.
struct Trade {
    enum Side : quint8 { Bought = 1, Sold = 2 };

    qint32 code = 0;  // index into the codes
    qint32 day = 0;   // yyyymmdd
    float returns[kHorizons] = {};
    quint8 sides = 0;
};

struct Department {
    qint64 rows = 0;  // its rows with an ID up to maxId, anomaly rows and empty ones included
    std::vector<Trade> trades;
};

struct Cache {
    QString store;
    QString quote;
    qint64 maxId = 0;
    QStringList codes;
    QHash<QString, qint32> codeIndex;
    QHash<qint32, Department> departments;

    qint32 codeOf(const QString& code) {
        const auto found = codeIndex.constFind(code);
        if (found != codeIndex.cend())
            return found.value();
        const auto index = static_cast<qint32>(codes.size());
        codes << code;
        codeIndex.insert(code, index);
        return index;
    }
};

qint32 dayNumber(const QDate& day) {
    return day.year() * 10000 + day.month() * 100 + day.day();
}

bool complete(const Trade& trade) {
    return std::none_of(std::begin(trade.returns), std::end(trade.returns),
                        [](float v) { return std::isnan(v); });
}

QByteArray serialise(const Cache& cache) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << kVersion << static_cast<quint32>(sizeof(Trade)) << cache.store << cache.quote
        << cache.maxId << cache.codes << static_cast<quint32>(cache.departments.size());
    for (auto it = cache.departments.cbegin(); it != cache.departments.cend(); ++it) {
        const std::vector<Trade>& trades = it.value().trades;
        out << it.key() << it.value().rows
            << QByteArray(reinterpret_cast<const char*>(trades.data()),
                          static_cast<qsizetype>(trades.size() * sizeof(Trade)));
    }
    return bytes;
}

// The file's cache when it is one for this store and quote folder; an empty one otherwise.
Cache load(const QString& file, const QString& store, const QString& quote) {
    Cache empty;
    empty.store = store;
    empty.quote = quote;
    QByteArray bytes;
    if (file.isEmpty() || !QFileInfo::exists(file) || !SafeFile::readRegular(file, &bytes, nullptr))
        return empty;
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    quint32 version = 0;
    quint32 tradeSize = 0;
    Cache cache;
    quint32 count = 0;
    in >> magic >> version >> tradeSize >> cache.store >> cache.quote >> cache.maxId >> cache.codes >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kVersion ||
        tradeSize != sizeof(Trade) || cache.store != store || cache.quote != quote || cache.maxId < 0)
        return empty;
    for (qsizetype i = 0; i < cache.codes.size(); ++i)
        cache.codeIndex.insert(cache.codes.at(i), static_cast<qint32>(i));
    for (quint32 d = 0; d < count; ++d) {
        qint32 key = 0;
        Department department;
        QByteArray block;
        in >> key >> department.rows >> block;
        if (in.status() != QDataStream::Ok || block.size() % static_cast<qsizetype>(sizeof(Trade)) != 0)
            return empty;
        department.trades.resize(static_cast<size_t>(block.size()) / sizeof(Trade));
        std::memcpy(department.trades.data(), block.constData(), static_cast<size_t>(block.size()));
        for (const Trade& trade : department.trades) {
            if (trade.code < 0 || trade.code >= cache.codes.size())
                return empty;
        }
        cache.departments.insert(key, std::move(department));
    }
    return cache;
}

Trade tradeOf(Cache& cache, const DepartmentTrade& read) {
    Trade trade;
    trade.code = cache.codeOf(read.code);
    trade.day = dayNumber(read.day);
    trade.sides = static_cast<quint8>((read.bought.isPositive() ? Trade::Bought : 0) |
                                      (read.sold.isPositive() ? Trade::Sold : 0));
    for (int h = 0; h < kHorizons; ++h) {
        const std::optional<double> value = read.returns.value(h);
        trade.returns[h] = value ? static_cast<float>(*value) : std::numeric_limits<float>::quiet_NaN();
    }
    return trade;
}

SideRecord summarise(const std::vector<Trade>& trades, TradeSide side) {
    SideRecord record;
    int counts[kHorizons] = {};
    int rises[kHorizons] = {};
    double sums[kHorizons] = {};
    for (const Trade& trade : trades) {
        if (!(trade.sides & (side == TradeSide::Buy ? Trade::Bought : Trade::Sold)))
            continue;
        ++record.count;
        for (int h = 0; h < kHorizons; ++h) {
            const float value = trade.returns[h];
            if (std::isnan(value))
                continue;
            ++counts[h];
            sums[h] += value;
            rises[h] += value > 0 ? 1 : 0;
        }
    }
    for (int h = 0; h < kHorizons; ++h) {
        record.average << (counts[h] > 0 ? std::optional<double>(sums[h] / counts[h]) : std::nullopt);
        record.riseShare << (counts[h] > 0 ? std::optional<double>(100.0 * rises[h] / counts[h])
                                           : std::nullopt);
    }
    return record;
}

}  // namespace

QString FollowedRecords::fileName() {
    return QStringLiteral("FollowRecord.cache");
}

FollowedRecords::FollowedRecords(TDataBase& db, QString quoteFolder, QString cacheFile)
    : m_db(db), m_quoteFolder(std::move(quoteFolder)), m_cacheFile(std::move(cacheFile)) {}

std::optional<QHash<qint32, FollowedRecord>> FollowedRecords::of(const QList<qint32>& wantedKeys,
                                                                 QString* error) {
    Q_ASSERT(kFollowedHorizons.size() == kHorizons);
    m_stats = {};
    const auto fail = [&](const QString& reason) -> std::optional<QHash<qint32, FollowedRecord>> {
        if (error)
            *error = reason.isEmpty() ? QStringLiteral("the track record could not be read") : reason;
        return std::nullopt;
    };
    QList<qint32> keys;
    for (const qint32 key : wantedKeys) {
        if (!keys.contains(key))
            keys << key;
    }
    QHash<qint32, FollowedRecord> records;
    if (keys.isEmpty())
        return records;

    QString readError;
    const std::optional<qint64> newest = newestChangeId(m_db, &readError);
    if (!newest)
        return fail(readError);
    const qint64 maxId = *newest;

    Cache cache = load(m_cacheFile, m_db.fileName(), m_quoteFolder);
    // Rows gone back below what the file knows: the store was emptied or replaced.
    if (cache.maxId > maxId)
        cache = load(QString(), m_db.fileName(), m_quoteFolder);
    bool changed = false;
    QString reason;

    // A kept department whose rows were deleted since is read again whole.
    QList<qint32> kept;
    for (const qint32 key : keys) {
        if (cache.departments.contains(key))
            kept << key;
    }
    const auto counted = departmentRowCounts(m_db, kept, 0, cache.maxId, &reason);
    if (!counted)
        return fail(reason);
    for (qsizetype i = kept.size() - 1; i >= 0; --i) {
        if (counted->value(kept.at(i)) != cache.departments.value(kept.at(i)).rows) {
            cache.departments.remove(kept.at(i));
            kept.removeAt(i);
            changed = true;
        }
    }
    m_stats.departmentsKept = static_cast<int>(kept.size());

    TrackRecordOptions options;
    options.horizons = kFollowedHorizons;
    try {
        // The rows of kept departments stored since: their trades join the kept ones; a row
        // of a stock and day already there adds its side, as the track record's larger
        // figures would.
        if (!kept.isEmpty() && maxId > cache.maxId) {
            options.departments = kept;
            options.afterId = cache.maxId;
            const TrackRecord since = TrackRecord::compute(m_db, m_quoteFolder, options);
            if (!since.ok())
                return fail(since.error());
            const auto added = departmentRowCounts(m_db, kept, cache.maxId, maxId, &reason);
            if (!added)
                return fail(reason);
            for (const qint32 key : std::as_const(kept)) {
                Department& department = cache.departments[key];
                department.rows += added->value(key);
                m_stats.rowsSince += added->value(key);
                for (const DepartmentTrade& read : since.tradesOf(key)) {
                    const Trade trade = tradeOf(cache, read);
                    const auto same = std::find_if(
                        department.trades.begin(), department.trades.end(),
                        [&](const Trade& t) { return t.code == trade.code && t.day == trade.day; });
                    if (same == department.trades.end()) {
                        department.trades.push_back(trade);
                    } else {
                        same->sides |= trade.sides;
                        std::copy(std::begin(trade.returns), std::end(trade.returns),
                                  std::begin(same->returns));
                    }
                }
            }
            changed = true;
        }

        QList<qint32> missing;
        for (const qint32 key : keys) {
            if (!cache.departments.contains(key))
                missing << key;
        }
        if (!missing.isEmpty()) {
            options.departments = missing;
            options.afterId = 0;
            const TrackRecord whole = TrackRecord::compute(m_db, m_quoteFolder, options);
            if (!whole.ok())
                return fail(whole.error());
            const auto counts = departmentRowCounts(m_db, missing, 0, maxId, &reason);
            if (!counts)
                return fail(reason);
            for (const qint32 key : std::as_const(missing)) {
                Department department;
                department.rows = counts->value(key);
                for (const DepartmentTrade& read : whole.tradesOf(key))
                    department.trades.push_back(tradeOf(cache, read));
                cache.departments.insert(key, std::move(department));
            }
            m_stats.departmentsRead = static_cast<int>(missing.size());
            changed = true;
        }
        if (cache.maxId != maxId)
            changed = true;
        cache.maxId = maxId;

        // Returns still missing: the bars after the newest days come day by day.
        std::map<qint32, std::vector<Trade*>> open;  // by stock
        for (const qint32 key : keys) {
            for (Trade& trade : cache.departments[key].trades) {
                if (!complete(trade))
                    open[trade.code].push_back(&trade);
            }
        }
        for (auto& [code, trades] : open) {
            std::vector<qint32> days;
            for (const Trade* trade : trades)
                days.push_back(trade->day);
            std::sort(days.begin(), days.end());
            days.erase(std::unique(days.begin(), days.end()), days.end());
            const StockReturns returns =
                stockReturns(m_quoteFolder, cache.codes.at(code), days, kFollowedHorizons);
            for (Trade* trade : trades) {
                const auto at = static_cast<size_t>(std::lower_bound(days.begin(), days.end(), trade->day) -
                                                    days.begin());
                for (int h = 0; h < kHorizons; ++h) {
                    const float value = returns.values[at * kHorizons + static_cast<size_t>(h)];
                    if (!std::isnan(value) && std::isnan(trade->returns[h])) {
                        trade->returns[h] = value;
                        changed = true;
                    }
                }
            }
            m_stats.tradesRefreshed += static_cast<int>(trades.size());
        }
    } catch (const RecordFileError& failure) {
        return fail(failure.message());
    }

    if (changed && !m_cacheFile.isEmpty()) {
        QString problem;
        if (SafeFile::replace(m_cacheFile, serialise(cache), &problem, SafeFile::Durability::Unsynced))
            m_stats.fileWritten = true;
        else
            m_stats.fileProblem = problem;
    }
    for (const qint32 key : keys) {
        const std::vector<Trade>& trades = cache.departments.constFind(key)->trades;
        records.insert(key,
                       FollowedRecord{summarise(trades, TradeSide::Buy), summarise(trades, TradeSide::Sell)});
    }
    return records;
}

}  // namespace quarrow

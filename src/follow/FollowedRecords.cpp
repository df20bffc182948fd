#include "follow/FollowedRecords.h"

#include "app/SafeFile.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/StockPicker.h"
#include "store/ChangeReads.h"

#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace quarrow {

namespace {

constexpr quint32 kMagic = 0x51465243;  // "QFRC"
constexpr quint32 kVersion = 3;
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

// A daily-bar file as it was when its bars were read: its returns stand while it is so.
struct BarStamp {
    qint64 size = -1;      // -1: there was no file
    qint64 modified = -1;  // since the epoch, in the system's unit

    bool operator==(const BarStamp&) const = default;
};

// Looked at for every stock of the followed departments at every call: the system's own
// call where there is one, to the nanosecond its file system keeps.
BarStamp stampOf(const QString& quoteFolder, const QString& code) {
    const QString path = QuotePaths::dailyBarFile(quoteFolder, PrefixCode(code));
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    return {info.size(), info.lastModified().toMSecsSinceEpoch()};
#else
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    return {static_cast<qint64>(status.st_size),
            static_cast<qint64>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
#endif
}

struct Cache {
    QString store;
    QString quote;
    qint64 maxId = 0;
    QStringList codes;
    std::vector<BarStamp> stamps;  // of each code; none before its bars were first read
    QHash<QString, qint32> codeIndex;
    QHash<qint32, Department> departments;

    qint32 codeOf(const QString& code) {
        const auto found = codeIndex.constFind(code);
        if (found != codeIndex.cend())
            return found.value();
        const auto index = static_cast<qint32>(codes.size());
        codes << code;
        stamps.push_back(BarStamp{});
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

void forgetReturns(Trade& trade) {
    std::fill(std::begin(trade.returns), std::end(trade.returns), std::numeric_limits<float>::quiet_NaN());
}

QByteArray serialise(const Cache& cache) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << kVersion << static_cast<quint32>(sizeof(Trade)) << cache.store << cache.quote
        << cache.maxId << static_cast<quint32>(cache.codes.size());
    for (qsizetype i = 0; i < cache.codes.size(); ++i) {
        const BarStamp& stamp = cache.stamps[static_cast<size_t>(i)];
        out << cache.codes.at(i) << stamp.size << stamp.modified;
    }
    out << static_cast<quint32>(cache.departments.size());
    for (auto it = cache.departments.cbegin(); it != cache.departments.cend(); ++it) {
        const std::vector<Trade>& trades = it.value().trades;
        out << it.key() << it.value().rows
            << QByteArray(reinterpret_cast<const char*>(trades.data()),
                          static_cast<qsizetype>(trades.size() * sizeof(Trade)));
    }
    return bytes;
}

// The file's cache when it is one for this store and quote folder; an empty one otherwise,
// with the reason in *dropped when there was a file. The file is derived data: one that is
// a link, too large or broken in any way is no cache, and the next write replaces it. Every
// count in it is weighed against the bytes that follow before anything is made of it, so a
// broken file costs no more memory than its own size.
Cache load(const QString& file, const QString& store, const QString& quote, QString* dropped) {
    Cache empty;
    empty.store = store;
    empty.quote = quote;
    const QFileInfo info(file);
    if (file.isEmpty() || (!info.exists() && !info.isSymLink()))
        return empty;
    if (info.isSymLink()) {
        *dropped = QStringLiteral("it is a link");
        return empty;
    }
    QByteArray bytes;
    if (!SafeFile::readRegular(file, &bytes, dropped, nullptr, FollowedRecords::kMaxFileBytes))
        return empty;
    *dropped = QStringLiteral("it is not a cache of this store and quote folder, or it is broken");
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    const auto left = [&] { return bytes.size() - in.device()->pos(); };
    quint32 magic = 0;
    quint32 version = 0;
    quint32 tradeSize = 0;
    Cache cache;
    quint32 count = 0;
    in >> magic >> version >> tradeSize;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kVersion ||
        tradeSize != sizeof(Trade))
        return empty;
    in >> cache.store >> cache.quote >> cache.maxId >> count;
    // A code takes at least its length and two stamps.
    if (in.status() != QDataStream::Ok || cache.store != store || cache.quote != quote || cache.maxId < 0 ||
        count > left() / 20)
        return empty;
    cache.codes.reserve(count);
    cache.stamps.reserve(count);
    for (quint32 c = 0; c < count; ++c) {
        QString code;
        BarStamp stamp;
        in >> code >> stamp.size >> stamp.modified;
        if (in.status() != QDataStream::Ok || cache.codeIndex.contains(code))
            return empty;
        cache.codeIndex.insert(code, static_cast<qint32>(c));
        cache.codes << code;
        cache.stamps.push_back(stamp);
    }
    in >> count;
    // A department takes at least its key, its count and its block's length.
    if (in.status() != QDataStream::Ok || count > left() / 16)
        return empty;
    for (quint32 d = 0; d < count; ++d) {
        qint32 key = 0;
        Department department;
        QByteArray block;
        in >> key >> department.rows >> block;
        if (in.status() != QDataStream::Ok || block.size() % static_cast<qsizetype>(sizeof(Trade)) != 0 ||
            cache.departments.contains(key))
            return empty;
        department.trades.resize(static_cast<size_t>(block.size()) / sizeof(Trade));
        std::memcpy(department.trades.data(), block.constData(), static_cast<size_t>(block.size()));
        for (const Trade& trade : department.trades) {
            if (trade.code < 0 || trade.code >= cache.codes.size())
                return empty;
        }
        cache.departments.insert(key, std::move(department));
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return empty;
    dropped->clear();
    return cache;
}

// The stocks of the departments whose daily-bar file changed since their bars were read
// (rewritten, grown, gone): every kept return of theirs, in any department, is worked out
// again. The bar after a day may have changed anywhere in the file, so a changed file
// cannot keep any of its returns.
int forgetChangedBars(Cache& cache, const QList<qint32>& keys) {
    std::vector<char> looked(cache.codes.size(), 0);
    std::vector<char> changed(cache.codes.size(), 0);
    int count = 0;
    for (const qint32 key : keys) {
        const auto department = cache.departments.constFind(key);
        if (department == cache.departments.cend())
            continue;
        for (const Trade& trade : department->trades) {
            const auto code = static_cast<size_t>(trade.code);
            if (looked[code])
                continue;
            looked[code] = 1;
            if (stampOf(cache.quote, cache.codes.at(trade.code)) != cache.stamps[code]) {
                changed[code] = 1;
                ++count;
            }
        }
    }
    if (count == 0)
        return 0;
    for (Department& department : cache.departments) {
        for (Trade& trade : department.trades) {
            if (changed[static_cast<size_t>(trade.code)])
                forgetReturns(trade);
        }
    }
    return count;
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
    {
        QSet<qint32> seen;
        for (const qint32 key : wantedKeys) {
            if (!seen.contains(key)) {
                seen.insert(key);
                keys << key;
            }
        }
    }
    QHash<qint32, FollowedRecord> records;
    if (keys.isEmpty())
        return records;

    QString readError;
    const std::optional<qint64> newest = newestChangeId(m_db, &readError);
    if (!newest)
        return fail(readError);
    const qint64 maxId = *newest;

    Cache cache = load(m_cacheFile, m_db.fileName(), m_quoteFolder, &m_stats.fileDropped);
    // Rows gone back below what the file knows: the store was emptied or replaced.
    if (cache.maxId > maxId) {
        QString none;
        cache = load(QString(), m_db.fileName(), m_quoteFolder, &none);
    }
    // A file that was no cache is replaced by one.
    bool changed = !m_stats.fileDropped.isEmpty();
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
    {
        QList<qint32> unchanged;
        for (const qint32 key : std::as_const(kept)) {
            if (counted->value(key) == cache.departments.value(key).rows) {
                unchanged << key;
            } else {
                cache.departments.remove(key);
                changed = true;
            }
        }
        kept = std::move(unchanged);
    }
    m_stats.departmentsKept = static_cast<int>(kept.size());
    m_stats.stocksRewritten = forgetChangedBars(cache, kept);
    changed = changed || m_stats.stocksRewritten > 0;

    // The rows are read here, the returns below, where the moment each stock's daily-bar
    // file is looked at is noted with them: no quote folder for the track record.
    TrackRecordOptions options;
    options.horizons = kFollowedHorizons;
    try {
        // The rows of kept departments stored since: their trades join the kept ones; a row
        // of a stock and day already there adds its side, as the track record's larger
        // figures would, and has its returns worked out again.
        if (!kept.isEmpty() && maxId > cache.maxId) {
            options.departments = kept;
            options.afterId = cache.maxId;
            const TrackRecord since = TrackRecord::compute(m_db, QString(), options);
            if (!since.ok())
                return fail(since.error());
            const auto added = departmentRowCounts(m_db, kept, cache.maxId, maxId, &reason);
            if (!added)
                return fail(reason);
            for (const qint32 key : std::as_const(kept)) {
                Department& department = cache.departments[key];
                department.rows += added->value(key);
                m_stats.rowsSince += added->value(key);
                const std::vector<DepartmentTrade> read = since.tradesOf(key);
                if (read.empty())
                    continue;
                QHash<qint64, size_t> where;  // stock and day -> trade
                const auto placeOf = [](qint32 code, qint32 day) {
                    return (qint64(code) << 32) | quint32(day);
                };
                for (size_t t = 0; t < department.trades.size(); ++t)
                    where.insert(placeOf(department.trades[t].code, department.trades[t].day), t);
                for (const DepartmentTrade& one : read) {
                    const Trade trade = tradeOf(cache, one);
                    const auto same = where.constFind(placeOf(trade.code, trade.day));
                    if (same == where.cend()) {
                        where.insert(placeOf(trade.code, trade.day), department.trades.size());
                        department.trades.push_back(trade);
                    } else {
                        Trade& there = department.trades[same.value()];
                        there.sides |= trade.sides;
                        forgetReturns(there);
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
            const TrackRecord whole = TrackRecord::compute(m_db, QString(), options);
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

        // Returns still missing: those of the rows just read, of stocks whose bars changed,
        // and those the bars after the newest days bring day by day.
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
            // Looked at before it is read: a file rewritten while it is read is told next time.
            const BarStamp stamp = stampOf(m_quoteFolder, cache.codes.at(code));
            if (stamp != cache.stamps[static_cast<size_t>(code)]) {
                cache.stamps[static_cast<size_t>(code)] = stamp;
                changed = true;
            }
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
        if (SafeFile::replace(m_cacheFile, serialise(cache), &problem, SafeFile::Durability::Unsynced,
                              SafeFile::Links::Replace))
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

#pragma once

#include "follow/FollowedTrades.h"
#include "scorecard/TrackRecord.h"
#include "store/DataBase.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace quarrow {

// A followed department's record on both sides, at the followed horizons.
struct FollowedRecord {
    SideRecord buys;
    SideRecord sells;

    const SideRecord& side(TradeSide which) const { return which == TradeSide::Buy ? buys : sells; }
};

// The track record of the followed departments, as TrackRecord works it out over the whole
// store, kept between calls in a file of the program folder. Reading every row of an
// institutions' seat and the bars after each takes seconds on a large store, while a run
// adds a day's rows: the file keeps each department's trades (merged as the track record
// merges them) with their returns, and a call reads only the rows stored since and the
// returns still missing (the bars after the newest days come day by day). A department
// whose rows were deleted since, a store whose rows went back, another store or another
// quote folder are read again whole; so is everything when the file cannot be read. The
// file notes each daily-bar file's size and time as it was when its bars were read, and a
// stock whose file changed since has its returns worked out again. The file is derived
// data: deleting it costs one slow call; a file that is a link, too large or broken is
// dropped and written anew (never through the link).
class FollowedRecords {
public:
    struct Stats {
        int departmentsKept = 0;  // taken from the file
        int departmentsRead = 0;  // read whole
        qint64 rowsSince = 0;     // rows of kept departments stored since the file was written
        int tradesRefreshed = 0;  // trades whose missing returns were looked for again
        int stocksRewritten = 0;  // stocks whose daily-bar file changed since their returns were kept
        bool fileWritten = false;
        QString fileDropped;  // why the file there was not taken as the cache
        QString fileProblem;  // the file could not be written (the figures are right all the same)
    };
    // Millions of trades; a larger file is not read.
    static constexpr qint64 kMaxFileBytes = 256 * 1024 * 1024;

    // An empty cacheFile keeps nothing between calls.
    FollowedRecords(TDataBase& db, QString quoteFolder, QString cacheFile);

    // The records of the departments; nothing, with the reason, when the rows or the bars
    // cannot be read.
    std::optional<QHash<qint32, FollowedRecord>> of(const QList<qint32>& keys, QString* error);
    const Stats& stats() const { return m_stats; }

    // The cache file's name, kept in the program folder.
    static QString fileName();

private:
    TDataBase& m_db;
    QString m_quoteFolder;
    QString m_cacheFile;
    Stats m_stats;
};

}  // namespace quarrow

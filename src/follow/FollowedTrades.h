#pragma once

#include "follow/FollowedKeys.h"
#include "scorecard/TrackRecord.h"
#include "store/ChangeReads.h"
#include "store/DataBase.h"
#include "store/Money.h"
#include "store/StoredRows.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace quarrow {

// The horizons a followed department's record is shown at: 1, 3 and 5 trading days.
inline const QList<int> kFollowedHorizons = {1, 3, 5};

// A department's record on one side, as the track record works it out over the whole
// store: its number of trades, and per horizon the average return and the share of rises
// in percent (nothing where no trade reached the horizon).
struct SideRecord {
    int count = 0;
    QList<std::optional<double>> average;
    QList<std::optional<double>> riseShare;
};

// One stored row of a followed department, with the department's record on the side of
// the row's net: the buying record for a net buy, the selling record for a net sell,
// none when the row nets to nothing.
struct FollowedTrade {
    qint64 id = 0;
    QString code;
    QString name;
    QDate day;
    qint32 departmentKey = 0;
    QString department;  // as stored, trimmed
    Money bought;
    Money sold;
    std::optional<SideRecord> record;

    Money net() const { return bought - sold; }
};

struct FollowedTradeList {
    std::vector<FollowedTrade> trades;  // oldest first, in the order they were stored
    QString error;                      // why the rows or the record could not be read

    bool ok() const { return error.isEmpty(); }
};

// Reads the rows of the followed departments and their records: those a run stored, or
// those of some days.
class FollowedTrades {
public:
    // The records are kept between calls in recordCache (see FollowedRecords); empty: not kept.
    FollowedTrades(TDataBase& db, QString quoteFolder, QString recordCache = {});

    // The followed departments' rows among those a run stored.
    FollowedTradeList ofRun(const FollowedKeys& keys, const StoredRows& rows);
    // Their rows from one day to another (an invalid `to`: no end).
    FollowedTradeList between(const FollowedKeys& keys, const QDate& from, const QDate& to);

    // The newest day with rows in the store; an invalid day when it holds none, nothing
    // when the statement failed.
    static std::optional<QDate> newestDay(TDataBase& db, QString* error = nullptr);

private:
    // Adds the rows of a select of the row columns; false when it failed.
    bool readRows(const StoredChangeRows& read, const FollowedKeys& keys, FollowedTradeList& list);
    void attachRecords(FollowedTradeList& list);

    TDataBase& m_db;
    QString m_quoteFolder;
    QString m_recordCache;
};

// The side a record is read from for a net amount: nothing for a net of zero.
std::optional<TradeSide> sideOfNet(Money net);

}  // namespace quarrow

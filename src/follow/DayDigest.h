#pragma once

#include "follow/FollowedKeys.h"
#include "follow/FollowedTrades.h"
#include "quotefiles/DailyBar.h"
#include "store/DataBase.h"
#include "store/Money.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quarrow {

// A stock listed on the day, with the reasons it was listed for and, when charts are
// asked for, its last sixty bars up to the day.
struct DigestListing {
    QString code;
    QString name;
    QStringList reasons;  // the anomalies' descriptions with their change figure
    QList<DailyBar> bars;
    QString chartProblem;  // why a daily-bar file could not be read
};

// What a department (or the institutions' seats on one stock) bought and sold that day.
struct DigestNet {
    qint32 key = 0;
    QString department;
    QString code;  // the stock, for the institutions' lines; empty for a department's sum
    QString name;
    int stocks = 0;
    Money bought;
    Money sold;

    Money net() const { return bought - sold; }
};

// The day's digest: the listed stocks, the departments that bought and sold most on
// balance, the institutions' seats, and the followed departments' trades.
struct DayDigest {
    static constexpr int kTopCount = 10;
    static constexpr int kChartBars = 60;

    QDate day;
    std::vector<DigestListing> listings;  // by code
    int departments = 0;                  // departments listed that day
    std::vector<DigestNet> buyers;        // the kTopCount largest net buyers, the largest first
    std::vector<DigestNet> sellers;       // the kTopCount largest net sellers, the largest first
    std::vector<DigestNet> institutions;  // the institutions' seats per stock, by code
    DigestNet institutionsTotal;
    std::vector<FollowedTrade> followed;
    bool charts = false;
};

// The name the exchanges list every institution's own seat under.
QString institutionSeatName();

// Works out the digest of one day from the stored rows, the followed list and, for the
// charts, the quote folder's daily bars.
//
// A department's figures on a stock are read as the report's lists give them: within the
// list of one anomaly (its kind and change figure) each line is a seat of its own and
// counts (the institutions' seats all share one name); a department in the lists of two
// anomalies of the day reports the same trading twice, and the larger figures stand, as
// in the track record.
class DayDigestBuilder {
public:
    // The followed departments' records are kept in recordCache (see FollowedRecords).
    DayDigestBuilder(TDataBase& db, QString quoteFolder, QString recordCache = {});

    // The digest of the day (an invalid day: the newest day in the store). Nothing, with
    // the reason, when the store cannot be read or holds no rows.
    std::optional<DayDigest> build(const FollowedKeys& followed, const QDate& day, bool charts,
                                   QString* error);

private:
    TDataBase& m_db;
    QString m_quoteFolder;
    QString m_recordCache;
};

}  // namespace quarrow

#include "follow/DayDigest.h"

#include "app/FigureFormat.h"
#include "app/Trim.h"
#include "follow/FollowedList.h"
#include "quotefiles/FileOP.h"
#include "scorecard/StockChartData.h"
#include "store/ChangeReads.h"
#include "store/RecordKeys.h"

#include <QHash>
#include <QMap>

#include <algorithm>
#include <tuple>

namespace quarrow {

namespace {

struct DayRow {
    QString code;
    qint32 key = 0;
    QString department;
    Money bought;
    Money sold;
    Money rate;
    QString memo;
};

// A department's figures on one stock.
struct StockFigures {
    Money bought;
    Money sold;
};

QString reasonOf(const DayRow& row) {
    QString reason = row.department.isEmpty() ? row.memo : row.department;
    // A turnover anomaly prints no change figure; the 20 stored for it says nothing.
    if (!FigureFormat::isTurnoverMemo(row.memo))
        reason += QStringLiteral(" (%1%2%)")
                      .arg(row.rate.isPositive() ? QStringLiteral("+") : QString(), row.rate.toFixed(2));
    return reason;
}

bool largerNetFirst(const DigestNet& a, const DigestNet& b) {
    if (a.net() != b.net())
        return a.net() > b.net();
    return a.department < b.department;
}

}  // namespace

QString institutionSeatName() {
    return QStringLiteral("机构专用");
}

DayDigestBuilder::DayDigestBuilder(TDataBase& db, QString quoteFolder, QString recordCache)
    : m_db(db), m_quoteFolder(std::move(quoteFolder)), m_recordCache(std::move(recordCache)) {}

std::optional<DayDigest> DayDigestBuilder::build(const FollowedKeys& followed, const QDate& wantedDay,
                                                 bool charts, QString* error) {
    const auto fail = [&](const QString& reason) -> std::optional<DayDigest> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    if (!m_db.DBOpened())
        return fail(QStringLiteral("the database is not open"));
    QDate day = wantedDay;
    if (!day.isValid()) {
        QString reason;
        const std::optional<QDate> newest = FollowedTrades::newestDay(m_db, &reason);
        if (!newest)
            return fail(reason);
        if (!newest->isValid())
            return fail(QStringLiteral("the database holds no rows"));
        day = *newest;
    }

    DayDigest digest;
    digest.day = day;
    digest.charts = charts;

    const StoredChangeRows rows = changeRowsOfDay(m_db, day);
    if (!rows.ok())
        return fail(rows.error);

    QMap<QString, DigestListing> listings;
    QHash<qint32, QString> departmentNames;
    // The lists of one anomaly: a stock, a department, the anomaly's kind and change.
    using ListKey = std::tuple<QString, qint32, QString, qint64>;
    QMap<ListKey, StockFigures> inList;
    for (const StoredChangeRow& stored : rows.rows) {
        DayRow row{stored.code,   stored.departmentKey, trimBlanks(stored.department),
                   stored.bought, stored.sold,          stored.rate,
                   stored.memo};
        DigestListing& listing = listings[row.code];
        listing.code = row.code;
        listing.name = stored.name;
        // An anomaly row's key is made from its figures line, a department row's from the
        // name its department key stands for.
        if (CalcRecordKeyOfDeptKey(row.code, row.key, row.bought, row.sold, day) != stored.key) {
            listing.reasons << reasonOf(row);
            continue;
        }
        departmentNames.insert(row.key, row.department);
        StockFigures& figures = inList[ListKey(row.code, row.key, row.memo, row.rate.raw())];
        figures.bought = figures.bought + row.bought;
        figures.sold = figures.sold + row.sold;
    }

    // One department on one stock: the larger figures of the anomalies' lists it is in.
    QMap<std::pair<QString, qint32>, StockFigures> onStock;
    for (auto it = inList.cbegin(); it != inList.cend(); ++it) {
        StockFigures& figures = onStock[{std::get<0>(it.key()), std::get<1>(it.key())}];
        figures.bought = std::max(figures.bought, it.value().bought);
        figures.sold = std::max(figures.sold, it.value().sold);
    }

    QHash<qint32, DigestNet> byDepartment;
    const QString institutions = institutionSeatName();
    digest.institutionsTotal.department = institutions;
    for (auto it = onStock.cbegin(); it != onStock.cend(); ++it) {
        const auto& [code, key] = it.key();
        const QString department = departmentNames.value(key);
        DigestNet& net = byDepartment[key];
        net.key = key;
        net.department = department;
        ++net.stocks;
        net.bought = net.bought + it.value().bought;
        net.sold = net.sold + it.value().sold;
        if (FollowedList::foldName(department) == institutions) {
            // The stocks come in order of code; one stock's institutions' seats may go by
            // several keys (names stored with other blanks).
            if (digest.institutions.empty() || digest.institutions.back().code != code) {
                DigestNet seats;
                seats.key = key;
                seats.department = institutions;
                seats.code = code;
                seats.name = listings.value(code).name;
                seats.stocks = 1;
                digest.institutions.push_back(seats);
                ++digest.institutionsTotal.stocks;
            }
            DigestNet& seats = digest.institutions.back();
            seats.bought = seats.bought + it.value().bought;
            seats.sold = seats.sold + it.value().sold;
            digest.institutionsTotal.bought = digest.institutionsTotal.bought + it.value().bought;
            digest.institutionsTotal.sold = digest.institutionsTotal.sold + it.value().sold;
        }
    }
    digest.departments = static_cast<int>(byDepartment.size());
    for (const DigestNet& net : std::as_const(byDepartment)) {
        if (net.net().isPositive())
            digest.buyers.push_back(net);
        else if (net.net() < Money())
            digest.sellers.push_back(net);
    }
    std::sort(digest.buyers.begin(), digest.buyers.end(), largerNetFirst);
    std::sort(digest.sellers.begin(), digest.sellers.end(), [](const DigestNet& a, const DigestNet& b) {
        if (a.net() != b.net())
            return a.net() < b.net();
        return a.department < b.department;
    });
    if (digest.buyers.size() > DayDigest::kTopCount)
        digest.buyers.resize(DayDigest::kTopCount);
    if (digest.sellers.size() > DayDigest::kTopCount)
        digest.sellers.resize(DayDigest::kTopCount);

    for (DigestListing& listing : listings) {
        if (charts) {
            try {
                listing.bars = barsAround(m_quoteFolder, listing.code, day, DayDigest::kChartBars - 1, 0);
            } catch (const RecordFileError& failure) {
                listing.chartProblem = failure.message();
            }
        }
        digest.listings.push_back(std::move(listing));
    }

    FollowedTradeList trades = FollowedTrades(m_db, m_quoteFolder, m_recordCache).between(followed, day, day);
    if (!trades.ok())
        return fail(trades.error);
    digest.followed = std::move(trades.trades);
    return digest;
}

}  // namespace quarrow

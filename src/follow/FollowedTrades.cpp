#include "follow/FollowedTrades.h"

#include "follow/FollowedRecords.h"
#include "store/ChangeReads.h"
#include "store/RecordKeys.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <numeric>

namespace quarrow {

namespace {

// Department keys given to one select at most: few enough for any engine's limit on
// parameters; a longer list is sorted out as the rows come.
constexpr qsizetype kKeysPerSelect = 500;

}  // namespace

std::optional<TradeSide> sideOfNet(Money net) {
    if (net.isPositive())
        return TradeSide::Buy;
    if (net < Money())
        return TradeSide::Sell;
    return std::nullopt;
}

FollowedTrades::FollowedTrades(TDataBase& db, QString quoteFolder, QString recordCache)
    : m_db(db), m_quoteFolder(std::move(quoteFolder)), m_recordCache(std::move(recordCache)) {}

std::optional<QDate> FollowedTrades::newestDay(TDataBase& db, QString* error) {
    return newestChangeDay(db, error);
}

bool FollowedTrades::readRows(const StoredChangeRows& read, const FollowedKeys& keys,
                              FollowedTradeList& list) {
    if (!read.ok()) {
        list.error = read.error;
        return false;
    }
    for (const StoredChangeRow& row : read.rows) {
        FollowedTrade trade;
        trade.departmentKey = row.departmentKey;
        if (!keys.follows(trade.departmentKey))
            continue;
        trade.code = row.code;
        trade.day = row.day;
        trade.bought = row.bought;
        trade.sold = row.sold;
        // An anomaly row's key is made from its figures line, not from the name its
        // department key stands for: it is the day's row, no department's.
        if (CalcRecordKeyOfDeptKey(trade.code, trade.departmentKey, trade.bought, trade.sold, trade.day) !=
            row.key)
            continue;
        trade.id = row.id;
        trade.name = row.name;
        trade.department = keys.departmentName(trade.departmentKey);
        list.trades.push_back(std::move(trade));
    }
    return true;
}

FollowedTradeList FollowedTrades::ofRun(const FollowedKeys& keys, const StoredRows& rows) {
    FollowedTradeList list;
    if (!m_db.DBOpened()) {
        list.error = QStringLiteral("the database is not open");
        return list;
    }
    QList<qint64> wanted;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (keys.follows(rows.at(i).departmentKey))
            wanted << rows.at(i).recordKey;
    }
    if (!readRows(changeRowsWithKeys(m_db, wanted), keys, list))
        return list;
    // Oldest first, as stored: the rows are put in order by their positions.
    std::vector<size_t> order(list.trades.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::tie(list.trades[a].day, list.trades[a].id) <
               std::tie(list.trades[b].day, list.trades[b].id);
    });
    std::vector<FollowedTrade> sorted;
    sorted.reserve(order.size());
    for (const size_t at : order)
        sorted.push_back(std::move(list.trades[at]));
    list.trades = std::move(sorted);
    attachRecords(list);
    return list;
}

FollowedTradeList FollowedTrades::between(const FollowedKeys& keys, const QDate& from, const QDate& to) {
    FollowedTradeList list;
    if (!m_db.DBOpened()) {
        list.error = QStringLiteral("the database is not open");
        return list;
    }
    if (keys.isEmpty())
        return list;
    // A list too long for the statement's parameters is sorted out as the rows come.
    const QList<qint32> filter = keys.keys().size() <= kKeysPerSelect ? keys.keys() : QList<qint32>();
    if (readRows(changeRowsBetween(m_db, from, to, filter), keys, list))
        attachRecords(list);
    return list;
}

void FollowedTrades::attachRecords(FollowedTradeList& list) {
    if (list.trades.empty())
        return;
    QList<qint32> departments;
    QSet<qint32> seen;
    for (const FollowedTrade& trade : list.trades) {
        if (!seen.contains(trade.departmentKey)) {
            seen.insert(trade.departmentKey);
            departments << trade.departmentKey;
        }
    }
    QString error;
    const auto records = FollowedRecords(m_db, m_quoteFolder, m_recordCache).of(departments, &error);
    if (!records) {
        list.error = error;
        return;
    }
    for (FollowedTrade& trade : list.trades) {
        const auto record = records->constFind(trade.departmentKey);
        const std::optional<TradeSide> side = sideOfNet(trade.net());
        if (record != records->cend() && side)
            trade.record = record->side(*side);
    }
}

}  // namespace quarrow

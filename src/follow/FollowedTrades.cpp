#include "follow/FollowedTrades.h"

#include "follow/FollowedRecords.h"
#include "store/RecordKeys.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <numeric>

namespace quarrow {

namespace {

// The columns every select of rows gives, in this order.
const QString kRowColumns = QStringLiteral(
    "select c.ID, c.StCode, s.StName, c.StDate, c.StDeptKey, c.StBuy, c.StSale, c.StKEY"
    " from tblStChange c left join tblStocks s on s.StCode = c.StCode");

// Record keys looked up in one statement: few enough for any engine's limit on parameters.
constexpr qsizetype kKeysPerSelect = 500;

// ":StKEY0042": names of one length, so none is the start of another.
QString parameterName(const QString& stem, qsizetype index) {
    return QStringLiteral(":%1%2").arg(stem).arg(index, 4, 10, QLatin1Char('0'));
}

QString parameterList(const QString& stem, qsizetype count) {
    QStringList names;
    for (qsizetype i = 0; i < count; ++i)
        names << parameterName(stem, i);
    return names.join(QLatin1Char(','));
}

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
    Statement select = db.QueryPublic(QStringLiteral("select max(StDate) from tblStChange"));
    if (!select.exec()) {
        if (error)
            *error = select.error();
        return std::nullopt;
    }
    return select.next() ? select.date(0) : QDate();
}

bool FollowedTrades::readRows(Statement& select, const FollowedKeys& keys, FollowedTradeList& list) {
    if (!select.exec()) {
        list.error = select.error();
        return false;
    }
    while (select.next()) {
        FollowedTrade trade;
        trade.departmentKey = static_cast<qint32>(select.integer(4));
        if (!keys.follows(trade.departmentKey))
            continue;
        trade.code = select.text(1);
        trade.day = select.date(3);
        trade.bought = select.money(5);
        trade.sold = select.money(6);
        // An anomaly row's key is made from its figures line, not from the name its
        // department key stands for: it is the day's row, no department's.
        if (CalcRecordKeyOfDeptKey(trade.code, trade.departmentKey, trade.bought, trade.sold, trade.day) !=
            select.integer(7))
            continue;
        trade.id = select.integer(0);
        trade.name = select.text(2);
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
    for (qsizetype first = 0; first < wanted.size(); first += kKeysPerSelect) {
        const qsizetype count = std::min(kKeysPerSelect, wanted.size() - first);
        Statement select = m_db.QueryPublic(
            kRowColumns +
            QStringLiteral(" where c.StKEY in (%1)").arg(parameterList(QStringLiteral("StKEY"), count)));
        for (qsizetype i = 0; i < count; ++i)
            select.bind(parameterName(QStringLiteral("StKEY"), i), wanted.at(first + i));
        if (!readRows(select, keys, list))
            return list;
    }
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
    QString sql = kRowColumns + QStringLiteral(" where c.StDate>=:StDate");
    if (to.isValid())
        sql += QStringLiteral(" and c.StDate<=:StDateTo");
    // The departments are sorted out on the rows of the days (+0 keeps their index out):
    // an institutions' seat has tens of thousands of rows, a day a few hundred.
    if (!filter.isEmpty())
        sql += QStringLiteral(" and c.StDeptKey+0 in (%1)")
                   .arg(parameterList(QStringLiteral("StDeptKey"), filter.size()));
    Statement select = m_db.QueryPublic(sql + QStringLiteral(" order by c.StDate, c.ID"));
    select.bind(QStringLiteral(":StDate"), from);
    if (to.isValid())
        select.bind(QStringLiteral(":StDateTo"), to);
    for (qsizetype i = 0; i < filter.size(); ++i)
        select.bind(parameterName(QStringLiteral("StDeptKey"), i), filter.at(i));
    if (readRows(select, keys, list))
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

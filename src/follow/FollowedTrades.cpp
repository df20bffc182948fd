#include "follow/FollowedTrades.h"

#include "store/RecordKeys.h"

#include <QHash>
#include <QSet>

#include <algorithm>

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

SideRecord sideRecordOf(const DepartmentRecord& department, TradeSide side, const QList<int>& horizons) {
    const SideFigures& figures = department.side(side);
    SideRecord record;
    record.count = figures.trades;
    for (qsizetype h = 0; h < horizons.size(); ++h) {
        const bool reached = h < figures.horizons.size() && figures.horizons.at(h).count > 0;
        record.average << (reached ? std::optional<double>(figures.horizons.at(h).average) : std::nullopt);
        record.riseShare << (reached ? std::optional<double>(figures.horizons.at(h).riseShare)
                                     : std::nullopt);
    }
    return record;
}

FollowedTrades::FollowedTrades(TDataBase& db, QString quoteFolder)
    : m_db(db), m_quoteFolder(std::move(quoteFolder)) {}

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
    std::sort(list.trades.begin(), list.trades.end(), [](const FollowedTrade& a, const FollowedTrade& b) {
        return std::tie(a.day, a.id) < std::tie(b.day, b.id);
    });
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
    if (!filter.isEmpty())
        sql += QStringLiteral(" and c.StDeptKey in (%1)")
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
    TrackRecordOptions options;
    options.horizons = kFollowedHorizons;
    options.departments = departments;
    const TrackRecord record = TrackRecord::compute(m_db, m_quoteFolder, options);
    if (!record.ok()) {
        list.error = record.error();
        return;
    }
    QHash<qint32, const DepartmentRecord*> byKey;
    for (const DepartmentRecord& department : record.departments())
        byKey.insert(department.key, &department);
    for (FollowedTrade& trade : list.trades) {
        const DepartmentRecord* department = byKey.value(trade.departmentKey);
        const std::optional<TradeSide> side = sideOfNet(trade.net());
        if (department && side)
            trade.record = sideRecordOf(*department, *side, kFollowedHorizons);
    }
}

}  // namespace quarrow

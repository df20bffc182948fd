#include "store/ChangeReads.h"

#include "store/DataBase.h"
#include "store/RowScan.h"

#include <QStringList>

namespace quarrow {

namespace {

// Values looked up in one statement: few enough for any engine's limit on parameters.
constexpr qsizetype kValuesPerSelect = 500;
// The track record's department filter may be longer: SQLite takes 999 parameters.
constexpr qsizetype kMaxDepartmentFilter = 900;

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

// The columns every select of rows gives, in this order.
const QString kRowColumns = QStringLiteral(
    "select c.ID, c.StCode, s.StName, c.StDate, c.StDeptKey, c.StBuy, c.StSale, c.StKEY"
    " from tblStChange c left join tblStocks s on s.StCode = c.StCode");

bool readRows(Statement& select, StoredChangeRows& list) {
    if (!select.exec()) {
        list.error = select.error();
        return false;
    }
    while (select.next()) {
        StoredChangeRow row;
        row.id = select.integer(0);
        row.code = select.text(1);
        row.name = select.text(2);
        row.day = select.date(3);
        row.departmentKey = static_cast<qint32>(select.integer(4));
        row.bought = select.money(5);
        row.sold = select.money(6);
        row.key = select.key(7);
        list.rows.push_back(std::move(row));
    }
    return true;
}

qint64 countOf(TDataBase& db, const QString& sql) {
    Statement query = db.QueryPublic(sql);
    return query.exec() && query.next() ? query.integer(0) : -1;
}

}  // namespace

std::optional<QDate> newestChangeDay(TDataBase& db, QString* error) {
    Statement select = db.QueryPublic(QStringLiteral("select max(StDate) from tblStChange"));
    if (!select.exec()) {
        if (error)
            *error = select.error();
        return std::nullopt;
    }
    return select.next() ? select.date(0) : QDate();
}

std::optional<qint64> newestChangeId(TDataBase& db, QString* error) {
    Statement newest = db.QueryPublic(QStringLiteral("select max(ID) from tblStChange"));
    if (!newest.exec()) {
        if (error)
            *error = newest.error();
        return std::nullopt;
    }
    return newest.next() ? newest.integer(0) : 0;
}

StoredChangeRows changeRowsWithKeys(TDataBase& db, const QList<qint64>& keys) {
    StoredChangeRows list;
    for (qsizetype first = 0; first < keys.size(); first += kValuesPerSelect) {
        const qsizetype count = std::min(kValuesPerSelect, keys.size() - first);
        Statement select = db.QueryPublic(
            kRowColumns +
            QStringLiteral(" where c.StKEY in (%1)").arg(parameterList(QStringLiteral("StKEY"), count)));
        for (qsizetype i = 0; i < count; ++i)
            select.bindKey(parameterName(QStringLiteral("StKEY"), i), keys.at(first + i));
        if (!readRows(select, list))
            return list;
    }
    return list;
}

StoredChangeRows changeRowsBetween(TDataBase& db, const QDate& from, const QDate& to,
                                   const QList<qint32>& departments) {
    StoredChangeRows list;
    const QList<qint32> filter = departments.size() <= kValuesPerSelect ? departments : QList<qint32>();
    QString sql = kRowColumns + QStringLiteral(" where c.StDate>=:StDate");
    if (to.isValid())
        sql += QStringLiteral(" and c.StDate<=:StDateTo");
    // The departments are sorted out on the rows of the days (+0 keeps their index out):
    // an institutions' seat has tens of thousands of rows, a day a few hundred.
    if (!filter.isEmpty())
        sql += QStringLiteral(" and c.StDeptKey+0 in (%1)")
                   .arg(parameterList(QStringLiteral("StDeptKey"), filter.size()));
    Statement select = db.QueryPublic(sql + QStringLiteral(" order by c.StDate, c.ID"));
    select.bind(QStringLiteral(":StDate"), from);
    if (to.isValid())
        select.bind(QStringLiteral(":StDateTo"), to);
    for (qsizetype i = 0; i < filter.size(); ++i)
        select.bind(parameterName(QStringLiteral("StDeptKey"), i), filter.at(i));
    readRows(select, list);
    return list;
}

StoredChangeRows changeRowsOfDay(TDataBase& db, const QDate& day) {
    StoredChangeRows list;
    Statement select =
        db.QueryPublic(QStringLiteral("select c.ID, c.StCode, s.StName, c.StDeptKey, d.StDept, c.StBuy, "
                                      "c.StSale, c.StRate, c.StMemo, c.StKEY"
                                      " from tblStChange c left join tblStocks s on s.StCode = c.StCode"
                                      " left join tblStDepart d on d.StDeptKey = c.StDeptKey"
                                      " where c.StDate=:StDate order by c.ID"));
    select.bind(QStringLiteral(":StDate"), day);
    if (!select.exec()) {
        list.error = select.error();
        return list;
    }
    while (select.next()) {
        StoredChangeRow row;
        row.id = select.integer(0);
        row.code = select.text(1);
        row.name = select.text(2);
        row.day = day;
        row.departmentKey = static_cast<qint32>(select.integer(3));
        row.department = select.text(4);
        row.bought = select.money(5);
        row.sold = select.money(6);
        row.rate = select.money(7);
        row.memo = select.text(8);
        row.key = select.key(9);
        list.rows.push_back(std::move(row));
    }
    return list;
}

std::optional<QHash<qint32, qint64>> departmentRowCounts(TDataBase& db, const QList<qint32>& keys,
                                                         qint64 after, qint64 upTo, QString* error) {
    QHash<qint32, qint64> counts;
    for (qsizetype first = 0; first < keys.size(); first += kValuesPerSelect) {
        const QList<qint32> slice = keys.mid(first, kValuesPerSelect);
        Statement select = db.QueryPublic(
            QStringLiteral("select StDeptKey, count(*) from tblStChange where StDeptKey in (%1) and "
                           "ID>:ID and ID<=:IDTo group by StDeptKey")
                .arg(parameterList(QStringLiteral("StDeptKey"), slice.size())));
        for (qsizetype i = 0; i < slice.size(); ++i)
            select.bind(parameterName(QStringLiteral("StDeptKey"), i), slice.at(i));
        select.bind(QStringLiteral(":ID"), after).bind(QStringLiteral(":IDTo"), upTo);
        if (!select.exec()) {
            if (error)
                *error = select.error();
            return std::nullopt;
        }
        while (select.next())
            counts.insert(static_cast<qint32>(select.integer(0)), select.integer(1));
    }
    return counts;
}

std::optional<QList<QDate>> stockChangeDays(TDataBase& db, const QString& code, const QDate& from,
                                            const QDate& to) {
    Statement query =
        db.QueryPublic(QStringLiteral("select distinct StDate from tblStChange where StCode=:StCode and "
                                      "StDate>=:StDate and StDate<=:StDateTo"));
    query.bind(QStringLiteral(":StCode"), code)
        .bind(QStringLiteral(":StDate"), from)
        .bind(QStringLiteral(":StDateTo"), to);
    if (!query.exec())
        return std::nullopt;
    QList<QDate> days;
    while (query.next())
        days << query.date(0);
    return days;
}

DepartmentRowScan::DepartmentRowScan(TDataBase& db, const DepartmentRowFilter& filter) {
    QString sql = QStringLiteral(
        "select StCode, StDate, StDeptKey, StBuy, StSale, StKEY from tblStChange where (StBuy>0 or "
        "StSale>0)");
    if (filter.from.isValid())
        sql += QStringLiteral(" and StDate>=:StDate");
    if (filter.to.isValid())
        sql += QStringLiteral(" and StDate<=:StDateTo");
    if (filter.afterId > 0)
        sql += QStringLiteral(" and ID>:ID");
    // A long list would pass the statement's limit on parameters; the whole record gives
    // every department's the same figures.
    const QList<qint32> departments =
        filter.departments.size() <= kMaxDepartmentFilter ? filter.departments : QList<qint32>();
    if (!departments.isEmpty())
        sql += QStringLiteral(" and StDeptKey in (%1)")
                   .arg(parameterList(QStringLiteral("StDeptKey"), departments.size()));
    m_scan = std::make_unique<RowScan>(db, sql);
    if (filter.from.isValid())
        m_scan->bind(QStringLiteral(":StDate"), filter.from);
    if (filter.to.isValid())
        m_scan->bind(QStringLiteral(":StDateTo"), filter.to);
    if (filter.afterId > 0)
        m_scan->bind(QStringLiteral(":ID"), filter.afterId);
    for (qsizetype d = 0; d < departments.size(); ++d)
        m_scan->bind(parameterName(QStringLiteral("StDeptKey"), d), qint64(departments.at(d)));
}

DepartmentRowScan::~DepartmentRowScan() = default;

bool DepartmentRowScan::exec() {
    return m_scan->exec();
}

bool DepartmentRowScan::next() {
    return m_scan->next();
}

QString DepartmentRowScan::error() const {
    return m_scan->error();
}

QByteArrayView DepartmentRowScan::code() const {
    return m_scan->utf8(0);
}

QByteArrayView DepartmentRowScan::day() const {
    return m_scan->utf8(1);
}

qint32 DepartmentRowScan::departmentKey() const {
    return static_cast<qint32>(m_scan->integer(2));
}

Money DepartmentRowScan::bought() const {
    return Money::fromDouble(m_scan->real(3));
}

Money DepartmentRowScan::sold() const {
    return Money::fromDouble(m_scan->real(4));
}

qint64 DepartmentRowScan::key() const {
    return m_scan->key(5);
}

StoreSummary storeSummary(TDataBase& db) {
    StoreSummary summary;
    summary.stocks = countOf(db, QStringLiteral("select count(*) from tblStocks"));
    summary.anomalyDays = countOf(
        db, QStringLiteral("select count(*) from (select distinct StCode, StDate from tblStChange) days"));
    summary.changeRows = countOf(db, QStringLiteral("select count(*) from tblStChange"));
    summary.blockTrades = countOf(db, QStringLiteral("select count(*) from tblBigBuySale"));
    summary.departments = countOf(db, QStringLiteral("select count(*) from tblStDepart"));
    Statement top = db.QueryPublic(
        QStringLiteral("select StDept, count(*), sum(StBuy), sum(StSale) from viewStChange"
                       // each anomaly day's first row is the day itself, not a department
                       " where ID not in (select min(ID) from tblStChange group by StCode, StDate)"
                       "  and StDept is not null"
                       " group by StDept order by sum(StBuy) desc"));
    // The first ten rows: engines spell a limit each their own way.
    summary.topBuyersRead = top.exec();
    while (summary.topBuyersRead && summary.topBuyers.size() < 10 && top.next())
        summary.topBuyers.append({top.text(0), top.integer(1), top.money(2), top.money(3)});
    return summary;
}

}  // namespace quarrow

#include "monitor/StocksForMonitor.h"

#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"
#include "store/DataBase.h"

namespace quarrow {

StocksForMonitor::StocksForMonitor(TDataBase& db, const StockList& stocks, const OwnStockList& own)
    : m_db(db), m_stocks(stocks), m_own(own) {}

QString StocksForMonitor::statusText(int count) {
    return QStringLiteral("共有%1只要监视股票").arg(count);
}

void StocksForMonitor::append(const QString& name, const QString& value) {
    if (!m_first.contains(name))
        m_first.insert(name, static_cast<int>(m_rows.size()));
    m_rows.append({name, value});
}

QString StocksForMonitor::valueOf(const QString& name) const {
    const auto it = m_first.constFind(name);
    return it == m_first.constEnd() ? QString() : m_rows.at(*it).value;
}

std::optional<WatchPick> StocksForMonitor::pick(int row) const {
    if (!m_ready || row < 0 || row >= m_rows.size())
        return std::nullopt;
    const WatchRow& chosen = m_rows.at(row);
    WatchPick pick;
    pick.code = chosen.value.left(6);
    pick.marketKey = (pick.code.toInt() < 600000 ? QStringLiteral("sz") : QStringLiteral("sh")) + pick.code;
    pick.name = chosen.name;
    return pick;
}

int StocksForMonitor::appendByCapital(const WatchSelection& selection) {
    QStringList sql{QStringLiteral("select StCode,StName,stAQuantity from tblStocks")};
    if (selection.below && selection.upper)
        sql << QStringLiteral("where stAQuantity<=:Below or stAQuantity>=:Upper");
    else if (selection.below)
        sql << QStringLiteral("where stAQuantity<=:Below");
    else
        sql << QStringLiteral("where stAQuantity>=:Upper");
    sql << QStringLiteral("order by StName");
    Statement query = m_db.QueryPublic(sql.join(QLatin1Char('\n')));
    if (selection.below)
        query.bind(QStringLiteral(":Below"), Money::fromUnits(selection.belowBound));
    if (selection.upper)
        query.bind(QStringLiteral(":Upper"), Money::fromUnits(selection.upperBound));
    if (!query.exec()) {
        m_error = query.error();
        return 0;
    }
    int count = 0;
    while (query.next()) {
        append(query.text(1),
               query.text(0) + QLatin1Char('(') + query.money(2).toString() + QLatin1Char(')'));
        ++count;
    }
    return count;
}

int StocksForMonitor::appendOwn() {
    for (const QString& key : m_own.items()) {
        const QString code = key.right(6);
        QString mark = QStringLiteral("(*)");
        if (m_db.DBOpened()) {
            Statement query =
                m_db.QueryPublic(QStringLiteral("select stAQuantity from tblStocks where StCode=:StCode"));
            query.bind(QStringLiteral(":StCode"), code);
            if (query.exec() && query.next())
                mark = QStringLiteral("(*") + query.money(0).toString() + QLatin1Char(')');
        }
        append(m_stocks.nameOf(key), code + mark);
    }
    return static_cast<int>(m_own.items().size());
}

int StocksForMonitor::rebuild(const WatchSelection& selection) {
    m_rows.clear();
    m_first.clear();
    m_error.clear();
    m_ready = false;
    int count = 0;
    if ((selection.below || selection.upper) && m_db.DBOpened())
        count = appendByCapital(selection);
    if (selection.includeOwn)
        count += appendOwn();
    else if (!selection.below && !selection.upper)
        count = fillAll();
    m_ready = true;
    return count;
}

int StocksForMonitor::fillAll() {
    m_rows.clear();
    m_first.clear();
    m_ready = false;
    for (const StockEntry& entry : m_stocks.entries())
        append(entry.name, entry.key.right(6) + QStringLiteral("(-)"));
    m_ready = true;
    return m_stocks.size();
}

StocksForMonitor StocksForMonitor::withAllStocks() const {
    StocksForMonitor all(m_db, m_stocks, m_own);
    all.fillAll();
    return all;
}

}  // namespace quarrow

#include "monitor/StocksForMonitor.h"

#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"
#include "store/DataBase.h"
#include "store/StockTable.h"

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
    const std::optional<QList<StockShares>> stocks = stocksByTradableShares(
        m_db, selection.below ? std::optional<Money>(Money::fromUnits(selection.belowBound)) : std::nullopt,
        selection.upper ? std::optional<Money>(Money::fromUnits(selection.upperBound)) : std::nullopt,
        &m_error);
    if (!stocks)
        return 0;
    for (const StockShares& stock : *stocks)
        append(stock.name, stock.code + QLatin1Char('(') + stock.tradable.toString() + QLatin1Char(')'));
    return static_cast<int>(stocks->size());
}

int StocksForMonitor::appendOwn() {
    for (const QString& key : m_own.items()) {
        const QString code = key.right(6);
        QString mark = QStringLiteral("(*)");
        if (m_db.DBOpened()) {
            const TradableRead read = tradableShares(m_db, code);
            if (read.shares)
                mark = QStringLiteral("(*") + read.shares->toString() + QLatin1Char(')');
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

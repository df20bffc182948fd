#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace quarrow {

class OwnStockList;
class StockList;
class TDataBase;

// How the user picks the stocks to watch on the page "主力买卖QQ秀".
struct WatchSelection {
    bool below = true;        // chkQQStockBelow: capital at most belowBound
    int belowBound = 50000;   // valueStockBelow, 10,000 shares
    bool upper = false;       // chkStockUpper: capital at least upperBound
    int upperBound = 100000;  // valueStockUpper, 10,000 shares
    bool includeOwn = true;   // chkIncludeMyStock
};

struct WatchRow {
    QString name;   // the key: the stock's name
    QString value;  // code and mark: "600610(23000)", "600610(*23000)", "600610(*)", "600610(-)"
};

// The stock a selected row makes current in the main window.
struct WatchPick {
    QString code;       // edtStockCode
    QString marketKey;  // the name panel's hint: "sz" below 600000, else "sh", then the code
    QString name;       // the name panel's caption
};

// The list of watched stocks (StocksForMonitor): the relay passes on only alerts whose
// stock name is a key here, and reads the stock's code and whether it is an own stock
// ("(*" in the value) from the first row of that name.
class StocksForMonitor {
public:
    StocksForMonitor(TDataBase& db, const StockList& stocks, const OwnStockList& own);

    // The rebuild of btnSetQQStock: the stocks by capital, then the own stocks, or all
    // stocks when no capital box is checked and own stocks are left out. Returns the count
    // shown in the status bar ("共有" N "只要监视股票").
    int rebuild(const WatchSelection& selection);
    // Every stock of the all-stocks list, marked "(-)"; returns their number.
    int fillAll();
    // A list of its own over the same stocks, filled with all of them: the capture's, which
    // leaves the user's choice as it is.
    StocksForMonitor withAllStocks() const;

    bool isEmpty() const { return m_rows.isEmpty(); }
    const QList<WatchRow>& rows() const { return m_rows; }
    // The value of the first row with this name; empty when none has it.
    QString valueOf(const QString& name) const;
    // A selected row, while the list is ready.
    std::optional<WatchPick> pick(int row) const;
    // Why the capital query failed at the last rebuild (plain English); empty when it ran.
    QString lastError() const { return m_error; }

    static QString statusText(int count);

private:
    void append(const QString& name, const QString& value);
    int appendByCapital(const WatchSelection& selection);
    int appendOwn();

    TDataBase& m_db;
    const StockList& m_stocks;
    const OwnStockList& m_own;
    QList<WatchRow> m_rows;
    QHash<QString, int> m_first;  // name -> first row
    bool m_ready = false;
    QString m_error;
};

}  // namespace quarrow

#pragma once

#include "store/Money.h"
#include "store/ReportRows.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quarrow {

class TDataBase;

// tblStocks: the bookkeeping days of each stock and its master data.

// The three days kept per stock.
enum class StockDay {
    Document,        // StDocDate: the newest report document saved
    LastChange,      // StLastDate: the newest anomaly day stored
    LastBlockTrade,  // StBigLast: the newest block trade stored
};

// A stock's day as read: whether the stock has a row at all, and its day (invalid when
// the row holds none).
struct StockDayRead {
    bool ok = false;
    bool stockKnown = false;
    QDate day;
    QString error;
};

// An update's outcome: the rows it changed, or why it failed.
struct StoreUpdate {
    bool ok = false;
    int rows = 0;
    QString error;
};

// A stock's first row: the days not known are left empty.
struct NewStock {
    QString code;
    QString name;
    QDate document;
    QDate lastChange;
    QDate lastBlockTrade;
};

StockDayRead readStockDay(TDataBase& db, const QString& code, StockDay which);
StoreUpdate setStockDay(TDataBase& db, const QString& code, StockDay which, const QDate& day);
// Moves the day forward to the given one, or sets it when the row holds none.
StoreUpdate raiseStockDay(TDataBase& db, const QString& code, StockDay which, const QDate& day);
// The same in the one case the program's own file settles in one statement: its day is in
// the form the program writes (where text order is day order) and older, or there is none.
// Every other case, and every other store, changes no row and leaves it to the caller.
StoreUpdate raiseStockDayQuickly(TDataBase& db, const QString& code, StockDay which, const QDate& day);
StoreWrite insertStock(TDataBase& db, const NewStock& stock);
// The newest of the day over all stocks (invalid when none holds one); nothing when the
// store cannot be read.
// notAfter: days after it are nobody's data (a row stored by mistake) and are passed over.
std::optional<QDate> newestStockDay(TDataBase& db, StockDay which, QString* error = nullptr,
                                    const QDate& notAfter = QDate());
// Before the saved documents are analysed again: every anomaly and block-trade day is
// forgotten (1980-01-01), so that no stored day keeps the documents' rows out.
StoreUpdate forgetStoredDays(TDataBase& db);
// The stored anomaly and block-trade rows deleted, and every document day forgotten, in
// one transaction.
StoreUpdate clearReportRows(TDataBase& db);

// The share capital of base.dbf: changes the stock's row when its name or figures differ
// (StNew 2); rows 0 when the stock has no row or the same data.
StoreUpdate updateShareCapital(TDataBase& db, const QString& code, const QString& name, Money total,
                               Money tradable, const QDate& figuresDay);
struct ListedStock {
    QString code;
    QString name;
    QDate listed;
    Money total;
    Money tradable;
    QDate figuresDay;
    QDate documentDay;
};
// A stock new to the store, with its master data (StNew 1).
StoreWrite insertListedStock(TDataBase& db, const ListedStock& stock);
// Stores the list's name where the stored one differs (StNew 3); rows 0 when it does not.
StoreUpdate renameStock(TDataBase& db, const QString& code, const QString& name);

// A stock's whole row, as another store holds it (an empty value stays empty).
struct StockRecord {
    QString code;
    QString name;
    QDate listed;
    std::optional<Money> amount;
    std::optional<Money> total;
    std::optional<Money> tradable;
    QDate refreshed;
    std::optional<qint32> state;  // StNew
    QDate document;
    QDate lastChange;
    QDate lastBlockTrade;
};
StoreWrite insertStockRecord(TDataBase& db, const StockRecord& stock);

// One line of the share-capital listing, its days as stored.
struct CapitalRow {
    QString code;
    QString name;
    QString listed;
    std::optional<Money> total;
    std::optional<Money> tradable;
    QString refreshed;
};
// The listing's column titles, in Chinese as the page shows them.
QStringList shareCapitalTitles();
// The listing of one stock (a code given) or of all, by code.
std::optional<QList<CapitalRow>> shareCapitalRows(TDataBase& db, const std::optional<QString>& code,
                                                  QString* error = nullptr);

// The tradable A shares (10,000 shares) of one stock: nothing when the stock has no row;
// 0 when the row holds none. Failed reads have the reason in error.
struct TradableRead {
    bool ok = false;
    std::optional<Money> shares;
    QString error;
};
TradableRead tradableShares(TDataBase& db, const QString& code);
// Every stock's tradable shares, by code (0 where the row holds none).
std::optional<QHash<QString, Money>> allTradableShares(TDataBase& db, QString* error = nullptr);
// The stocks at or below `below`, or at or above `upper` (either may be left out), by name.
struct StockShares {
    QString code;
    QString name;
    Money tradable;
};
std::optional<QList<StockShares>> stocksByTradableShares(TDataBase& db, std::optional<Money> below,
                                                         std::optional<Money> upper,
                                                         QString* error = nullptr);
// The codes whose tradable shares are 0 (not yet known).
std::optional<QStringList> stocksWithoutTradableShares(TDataBase& db, QString* error = nullptr);

}  // namespace quarrow

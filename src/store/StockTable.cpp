#include "store/StockTable.h"

#include "store/DataBase.h"
#include "store/RowScan.h"
#include "store/StoreWrites.h"

namespace quarrow {

namespace {

// Days that no stored day keeps out: older than any disclosure.
const QDate kForgottenDay(1980, 1, 1);

QString columnOf(StockDay which) {
    switch (which) {
        case StockDay::Document:
            return QStringLiteral("StDocDate");
        case StockDay::LastChange:
            return QStringLiteral("StLastDate");
        case StockDay::LastBlockTrade:
            break;
    }
    return QStringLiteral("StBigLast");
}

template <typename T>
std::optional<T> failedRead(const Statement& statement, QString* error) {
    if (error)
        *error = statement.error();
    return std::nullopt;
}

}  // namespace

StockDayRead readStockDay(TDataBase& db, const QString& code, StockDay which) {
    Statement select =
        db.QueryPublic(QStringLiteral("select %1 from tblStocks where StCode=:StCode").arg(columnOf(which)));
    select.bind(QStringLiteral(":StCode"), code);
    StockDayRead read;
    if (!select.exec()) {
        read.error = select.error();
        return read;
    }
    read.ok = true;
    read.stockKnown = select.next();
    if (read.stockKnown)
        read.day = select.date(0);
    return read;
}

StoreUpdate setStockDay(TDataBase& db, const QString& code, StockDay which, const QDate& day) {
    if (const std::optional<StoreUpdate> refused = refusedUpdate(db))
        return *refused;
    Statement update = db.QueryPublic(
        QStringLiteral("update tblStocks set %1=:StDate where (StCode=:StCode)").arg(columnOf(which)));
    update.bind(QStringLiteral(":StDate"), day).bind(QStringLiteral(":StCode"), code);
    return updateOf(update);
}

StoreUpdate raiseStockDay(TDataBase& db, const QString& code, StockDay which, const QDate& day) {
    if (const std::optional<StoreUpdate> refused = refusedUpdate(db))
        return *refused;
    // A stock row made without the day counts as older than any.
    Statement update = db.QueryPublic(
        QStringLiteral(
            "update tblStocks set %1=:StDate where (StCode=:StCode) and (%1 is null or %1<:StDateP)")
            .arg(columnOf(which)));
    update.bind(QStringLiteral(":StDate"), day)
        .bind(QStringLiteral(":StCode"), code)
        .bind(QStringLiteral(":StDateP"), day);
    return updateOf(update);
}

StoreUpdate raiseStockDayQuickly(TDataBase& db, const QString& code, StockDay which, const QDate& day) {
    if (db.viaOdbc())
        return {true, 0, {}};
    if (const std::optional<StoreUpdate> refused = refusedUpdate(db))
        return *refused;
    // GLOB is SQLite's own: it tells a day in the program's form from any other text.
    Statement update = db.QueryPublic(
        QStringLiteral("update tblStocks set %1=:StDate where (StCode=:StCode) and (%1 is null or "
                       "(%1 glob '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' and %1<:StDateP))")
            .arg(columnOf(which)));
    update.bind(QStringLiteral(":StDate"), day)
        .bind(QStringLiteral(":StCode"), code)
        .bind(QStringLiteral(":StDateP"), day);
    return updateOf(update);
}

StoreWrite insertStock(TDataBase& db, const NewStock& stock) {
    if (const std::optional<StoreWrite> refused = refusedWrite(db))
        return *refused;
    Statement insert =
        db.QueryPublic(QStringLiteral("insert into tblStocks (StCode,StName,StDocDate,StLastDate,StBigLast) "
                                      "values(:StCode,:StName,:StDocDate,:StLastDate,:StBigLast)"));
    insert.bind(QStringLiteral(":StCode"), stock.code)
        .bind(QStringLiteral(":StName"), stock.name)
        .bind(QStringLiteral(":StDocDate"), stock.document)
        .bind(QStringLiteral(":StLastDate"), stock.lastChange)
        .bind(QStringLiteral(":StBigLast"), stock.lastBlockTrade);
    return writeOf(insert);
}

std::optional<QDate> newestStockDay(TDataBase& db, StockDay which, QString* error, const QDate& notAfter) {
    Statement select = db.QueryPublic(
        notAfter.isValid()
            ? QStringLiteral("select max(%1) from tblStocks where %1<=:StDate").arg(columnOf(which))
            : QStringLiteral("select max(%1) from tblStocks").arg(columnOf(which)));
    if (notAfter.isValid())
        select.bind(QStringLiteral(":StDate"), notAfter);
    if (!select.exec())
        return failedRead<QDate>(select, error);
    return select.next() ? select.date(0) : QDate();
}

StoreUpdate forgetStoredDays(TDataBase& db) {
    if (const std::optional<StoreUpdate> refused = refusedUpdate(db))
        return *refused;
    Statement update =
        db.QueryPublic(QStringLiteral("update tblStocks set StLastDate=:StDate,StBigLast=:StDateP"));
    update.bind(QStringLiteral(":StDate"), kForgottenDay).bind(QStringLiteral(":StDateP"), kForgottenDay);
    return updateOf(update);
}

StoreUpdate clearReportRows(TDataBase& db) {
    if (const std::optional<StoreUpdate> refused = refusedUpdate(db))
        return *refused;
    Transaction transaction(db);
    if (!transaction.began())
        return {false, 0, db.transactionError()};
    StoreUpdate cleared{true, 0, {}};
    for (const QString& table : {QStringLiteral("tblStChange"), QStringLiteral("tblBigBuySale")}) {
        Statement remove = db.QueryPublic(QStringLiteral("delete from ") + table);
        const StoreUpdate removed = updateOf(remove);
        if (!removed.ok)
            return removed;
        cleared.rows += removed.rows;
    }
    Statement update = db.QueryPublic(QStringLiteral("update tblStocks set StDocDate=:StDate"));
    update.bind(QStringLiteral(":StDate"), kForgottenDay);
    if (const StoreUpdate forgotten = updateOf(update); !forgotten.ok)
        return forgotten;
    if (!transaction.commit())
        return {false, 0, db.transactionError()};
    return cleared;
}

StoreUpdate updateShareCapital(TDataBase& db, const QString& code, const QString& name, Money total,
                               Money tradable, const QDate& figuresDay) {
    if (const std::optional<StoreUpdate> refused = refusedUpdate(db))
        return *refused;
    // A row whose figures were never stored (NULL) counts as changed, which a plain "<>"
    // would pass over for good. SQLite says so with "is not"; other engines need the null
    // asked for by itself.
    const QString differs = db.viaOdbc()
                                ? QStringLiteral(
                                      "((StName<>:stName0)or(StName is null)or(stQuantity<>:stQTY0)or"
                                      "(stQuantity is null)or(stAQuantity<>:stAQTY0)or(stAQuantity is null))")
                                : QStringLiteral(
                                      "((StName is not :stName0)or(stQuantity is not :stQTY0)"
                                      "or(stAQuantity is not :stAQTY0))");
    Statement update =
        db.QueryPublic(QStringLiteral("update tblStocks set StName=:stName, "
                                      "stQuantity=:stQTY,stAQuantity=:stAQTY,StRefreshDate=:StDate,StNew=2 "
                                      "where (StCode=:StCode)and") +
                       differs);
    update.bind(QStringLiteral(":stName"), name)
        .bind(QStringLiteral(":stName0"), name)
        .bind(QStringLiteral(":stQTY"), total)
        .bind(QStringLiteral(":stQTY0"), total)
        .bind(QStringLiteral(":stAQTY"), tradable)
        .bind(QStringLiteral(":stAQTY0"), tradable)
        .bind(QStringLiteral(":StDate"), figuresDay)
        .bind(QStringLiteral(":StCode"), code);
    return updateOf(update);
}

StoreWrite insertListedStock(TDataBase& db, const ListedStock& stock) {
    if (const std::optional<StoreWrite> refused = refusedWrite(db))
        return *refused;
    Statement insert = db.DBCommand(QStringLiteral(
        "insert into tblStocks "
        "(StCode,StName,StIssueDate,StAmount,StQuantity,StAQuantity,StRefreshDate,StDocDate,StNew) "
        "values(:StCode,:StName,:StIssue,:StAmount,:StQuantity,:StAQuantity,:StRefresh,:StDocDate,1)"));
    insert.bind(QStringLiteral(":StCode"), stock.code)
        .bind(QStringLiteral(":StName"), stock.name)
        .bind(QStringLiteral(":StIssue"), stock.listed)
        .bind(QStringLiteral(":StAmount"), Money())
        .bind(QStringLiteral(":StQuantity"), stock.total)
        .bind(QStringLiteral(":StAQuantity"), stock.tradable)
        .bind(QStringLiteral(":StRefresh"), stock.figuresDay)
        .bind(QStringLiteral(":StDocDate"), stock.documentDay);
    return writeOf(insert);
}

StoreWrite insertStockRecord(TDataBase& db, const StockRecord& stock) {
    if (const std::optional<StoreWrite> refused = refusedWrite(db))
        return *refused;
    Statement insert = db.DBCommand(QStringLiteral(
        "insert into tblStocks "
        "(StCode,StName,StIssueDate,StAmount,StQuantity,StAQuantity,StRefreshDate,StNew,"
        "StDocDate,StLastDate,StBigLast) values(:StCode,:StName,:StIssue,:StAmount,:StQuantity,:StAQuantity,"
        ":StRefresh,:StNew,:StDocDate,:StLastDate,:StBigLast)"));
    const auto bindFigure = [&insert](const QString& name, const std::optional<Money>& figure) {
        if (figure)
            insert.bind(name, *figure);
        else
            insert.bindNull(name);
    };
    insert.bind(QStringLiteral(":StCode"), stock.code)
        .bind(QStringLiteral(":StName"), stock.name)
        .bind(QStringLiteral(":StIssue"), stock.listed)
        .bind(QStringLiteral(":StRefresh"), stock.refreshed)
        .bind(QStringLiteral(":StDocDate"), stock.document)
        .bind(QStringLiteral(":StLastDate"), stock.lastChange)
        .bind(QStringLiteral(":StBigLast"), stock.lastBlockTrade);
    bindFigure(QStringLiteral(":StAmount"), stock.amount);
    bindFigure(QStringLiteral(":StQuantity"), stock.total);
    bindFigure(QStringLiteral(":StAQuantity"), stock.tradable);
    if (stock.state)
        insert.bind(QStringLiteral(":StNew"), *stock.state);
    else
        insert.bindNull(QStringLiteral(":StNew"));
    return writeOf(insert);
}

StoreUpdate renameStock(TDataBase& db, const QString& code, const QString& name) {
    if (const std::optional<StoreUpdate> refused = refusedUpdate(db))
        return *refused;
    const QString differs = db.viaOdbc() ? QStringLiteral("((StName<>:StName1)or(StName is null))")
                                         : QStringLiteral("(StName is not :StName1)");
    Statement update = db.QueryPublic(
        QStringLiteral("update tblStocks set StName=:StName0,StNew=3 where (StCode=:StCode)and") + differs);
    update.bind(QStringLiteral(":StName0"), name)
        .bind(QStringLiteral(":StName1"), name)
        .bind(QStringLiteral(":StCode"), code);
    return updateOf(update);
}

namespace {

const QString kCapitalListing = QStringLiteral(
    "Select StCode as 代码, StName as 股票名称,StIssueDate as 上市日期,stQuantity as 总股本_万股,"
    "stAQuantity as 流通A股_万股,StRefreshDate as 更新日期 From tblStocks ");

}  // namespace

QStringList shareCapitalTitles() {
    QStringList titles;
    for (const SelectColumn& column : selectColumns(kCapitalListing))
        titles << column.title;
    return titles;
}

std::optional<QList<CapitalRow>> shareCapitalRows(TDataBase& db, const std::optional<QString>& code,
                                                  QString* error) {
    Statement query = db.QueryPublic(kCapitalListing + (code ? QStringLiteral(" where StCode=:StCode")
                                                             : QStringLiteral(" order by StCode")));
    if (code)
        query.bind(QStringLiteral(":StCode"), *code);
    if (!query.exec())
        return failedRead<QList<CapitalRow>>(query, error);
    QList<CapitalRow> rows;
    const auto figure = [&query](int column) {
        return query.isNull(column) ? std::nullopt : std::optional<Money>(query.money(column));
    };
    while (query.next())
        rows.append({query.text(0), query.text(1), query.text(2), figure(3), figure(4), query.text(5)});
    return rows;
}

TradableRead tradableShares(TDataBase& db, const QString& code) {
    Statement query =
        db.QueryPublic(QStringLiteral("select stAQuantity from tblStocks where StCode=:StCode"));
    query.bind(QStringLiteral(":StCode"), code);
    TradableRead read;
    if (!query.exec()) {
        read.error = query.error();
        return read;
    }
    read.ok = true;
    if (query.next())
        read.shares = query.isNull(0) ? Money() : query.money(0);
    return read;
}

std::optional<QHash<QString, Money>> allTradableShares(TDataBase& db, QString* error) {
    RowScan all(db, QStringLiteral("select StCode, stAQuantity from tblStocks"));
    QHash<QString, Money> shares;
    if (all.exec()) {
        while (all.next())
            shares.insert(QString::fromUtf8(all.utf8(0)),
                          all.isNull(1) ? Money() : Money::fromDouble(all.real(1)));
    }
    if (!all.error().isEmpty()) {
        if (error)
            *error = all.error();
        return std::nullopt;
    }
    return shares;
}

std::optional<QList<StockShares>> stocksByTradableShares(TDataBase& db, std::optional<Money> below,
                                                         std::optional<Money> upper, QString* error) {
    QStringList sql{QStringLiteral("select StCode,StName,stAQuantity from tblStocks")};
    if (below && upper)
        sql << QStringLiteral("where stAQuantity<=:Below or stAQuantity>=:Upper");
    else if (below)
        sql << QStringLiteral("where stAQuantity<=:Below");
    else if (upper)
        sql << QStringLiteral("where stAQuantity>=:Upper");
    sql << QStringLiteral("order by StName");
    Statement query = db.QueryPublic(sql.join(QLatin1Char('\n')));
    if (below)
        query.bind(QStringLiteral(":Below"), *below);
    if (upper)
        query.bind(QStringLiteral(":Upper"), *upper);
    if (!query.exec())
        return failedRead<QList<StockShares>>(query, error);
    QList<StockShares> stocks;
    while (query.next())
        stocks.append({query.text(0), query.text(1), query.money(2)});
    return stocks;
}

std::optional<QStringList> stocksWithoutTradableShares(TDataBase& db, QString* error) {
    Statement query = db.QueryPublic(QStringLiteral("select StCode from tblStocks where stAQuantity=0"));
    if (!query.exec())
        return failedRead<QStringList>(query, error);
    QStringList codes;
    while (query.next())
        codes.append(query.text(0));
    return codes;
}

}  // namespace quarrow

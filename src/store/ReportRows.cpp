#include "store/ReportRows.h"

#include "store/DataBase.h"
#include "store/StoreWrites.h"

namespace quarrow {

namespace {

const QString kInsertChange = QStringLiteral(
    "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY,StArchived) "
    "values (:StCode,:StDate,:StDeptKey,:StBuy,:StSale,:StRate,:StMemo,:StKEY,:StArchived)");
const QString kInsertBigTrade = QStringLiteral(
    "insert into tblBigBuySale (StCode,StDate,StDeptBuy,StPrice,StQTY,StAMT,StDeptSale,StKEY,StArchived) "
    "values (:StCode,:StDate,:StDeptBuy,:StPrice,:StQTY,:StAMT,:StDeptSale,:StKEY,false)");
const QString kInsertAlert = QStringLiteral(
    "insert into tblMainBuySale (StCode,StName,StDate,StDept,StBuy,StSale,StRate,StMemo) "
    "values (:StCode,:StName,:StDate,:StDept,:StBuy,:StSale,:StRate,:StMemo)");

// The side of an alert that was not traded is stored as the whole number 0.
void bindSide(Statement& statement, const QString& name, Money amount) {
    if (amount == Money())
        statement.bind(name, qint32(0));
    else
        statement.bind(name, amount);
}

}  // namespace

StoreWrite insertChangeRow(TDataBase& db, const ChangeRow& row) {
    if (const std::optional<StoreWrite> refused = refusedWrite(db))
        return *refused;
    Statement insert = db.DBCommand(kInsertChange);
    insert.bind(QStringLiteral(":StCode"), row.code)
        .bind(QStringLiteral(":StDate"), row.day)
        .bind(QStringLiteral(":StDeptKey"), row.departmentKey)
        .bind(QStringLiteral(":StBuy"), row.bought)
        .bind(QStringLiteral(":StSale"), row.sold)
        .bind(QStringLiteral(":StRate"), row.rate)
        .bind(QStringLiteral(":StMemo"), row.memo)
        .bindKey(QStringLiteral(":StKEY"), row.key)
        .bind(QStringLiteral(":StArchived"), row.archived);
    return writeOf(insert);
}

StoreWrite insertBlockTrade(TDataBase& db, const BlockTradeRow& row) {
    if (const std::optional<StoreWrite> refused = refusedWrite(db))
        return *refused;
    Statement insert = db.DBCommand(kInsertBigTrade);
    insert.bind(QStringLiteral(":StCode"), row.code)
        .bind(QStringLiteral(":StDate"), row.day)
        .bind(QStringLiteral(":StDeptBuy"), row.buyerKey)
        .bind(QStringLiteral(":StPrice"), row.price)
        .bind(QStringLiteral(":StQTY"), row.quantity)
        .bind(QStringLiteral(":StAMT"), row.amount)
        .bind(QStringLiteral(":StDeptSale"), row.sellerKey)
        .bindKey(QStringLiteral(":StKEY"), row.key);
    return writeOf(insert);
}

StoreWrite insertAlert(TDataBase& db, const AlertRow& row) {
    if (const std::optional<StoreWrite> refused = refusedWrite(db))
        return *refused;
    Statement insert = db.DBCommand(kInsertAlert);
    insert.bind(QStringLiteral(":StCode"), row.code)
        .bind(QStringLiteral(":StName"), row.name)
        .bind(QStringLiteral(":StDate"), row.day)
        .bind(QStringLiteral(":StDept"), row.department)
        .bind(QStringLiteral(":StRate"), row.price)
        .bind(QStringLiteral(":StMemo"), row.memo);
    bindSide(insert, QStringLiteral(":StBuy"), row.bought);
    bindSide(insert, QStringLiteral(":StSale"), row.sold);
    return writeOf(insert);
}

}  // namespace quarrow

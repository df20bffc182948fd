#pragma once

#include "store/Money.h"

#include <QDate>
#include <QString>

namespace quarrow {

class TDataBase;

// What offering a row to the store came to. A repeated unique key is how a row already
// stored is recognised; anything else that stops the row is a failure with its reason.
struct StoreWrite {
    enum class Result { Inserted, Duplicate, Failed };
    Result result = Result::Failed;
    QString error;

    bool inserted() const { return result == Result::Inserted; }
    bool duplicate() const { return result == Result::Duplicate; }
    bool failed() const { return result == Result::Failed; }
};

// One row of tblStChange: an anomaly row (its "department" the change description) or a
// department row of the day's top-five tables.
struct ChangeRow {
    QString code;
    QDate day;
    qint32 departmentKey = 0;
    Money bought;  // an anomaly row: the volume figure
    Money sold;    // an anomaly row: the turnover-amount figure
    Money rate;
    QString memo;
    qint64 key = 0;
    bool archived = false;  // taken from the server download
};

// One row of tblBigBuySale.
struct BlockTradeRow {
    QString code;
    QDate day;
    qint32 buyerKey = 0;
    Money price;
    Money quantity;  // 10,000 shares
    Money amount;    // 10,000 yuan
    qint32 sellerKey = 0;
    qint64 key = 0;
};

// One main-force alert of tblMainBuySale: the side not traded is 0.
struct AlertRow {
    QString code;
    QString name;
    QDate day;
    QString department;  // the monitor's time and side
    Money bought;
    Money sold;
    Money price;
    QString memo;  // unique with the day: the same alert read again is a repeat
};

StoreWrite insertChangeRow(TDataBase& db, const ChangeRow& row);
StoreWrite insertBlockTrade(TDataBase& db, const BlockTradeRow& row);
StoreWrite insertAlert(TDataBase& db, const AlertRow& row);

}  // namespace quarrow

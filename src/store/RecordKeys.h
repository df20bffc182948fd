#pragma once

#include "store/Money.h"

#include <QDate>
#include <QString>

#include <optional>

namespace quarrow {

// The keys that make rows unique. Their exact bit layout is shared with every database
// our users already hold and with the server's rows, so it must never change.

// A department name (or an anomaly description) folded into 32 bits.
qint32 CalcDeptKey(const QString& text);

// The key of one stored row: stock code, text, the two amounts and the day, packed and
// summed with wrap-around in 64 bits. Stored as a signed 64-bit integer (same bits).
qint64 CalcRecordKey(const QString& stockCode, const QString& text, Money firstAmount, Money secondAmount,
                     const QDate& day);
// The same key from the text's department key: a department row's key is made from the
// name its StDeptKey stands for, an anomaly row's from its figures line, so comparing the
// two tells the rows apart.
qint64 CalcRecordKeyOfDeptKey(const QString& stockCode, qint32 deptKey, Money firstAmount, Money secondAmount,
                              const QDate& day);
// The same key from parts already taken apart, for a reader of a million rows: the number
// the trimmed stock code reads as (nothing when it reads as none) and the day as yyyymmdd
// (a day that does not exist adds nothing, as an invalid QDate adds nothing).
qint64 CalcRecordKeyOfDeptKey(std::optional<quint64> codeNumber, qint32 deptKey, Money firstAmount,
                              Money secondAmount, qint32 yyyymmdd);

}  // namespace quarrow

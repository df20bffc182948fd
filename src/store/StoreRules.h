#pragma once

#include "store/Money.h"
#include "store/StoreLocation.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

namespace quarrow {

// How the record key StKEY travels on a store.
enum class KeyForm {
    // A 64-bit integer column: the program's own SQLite file (whatever a column is declared
    // as, SQLite keeps an integer whole) and another engine's BIGINT.
    Integer,
    // Access's currency: the key is the raw scaled integer of the value, so the value is the
    // key divided by 10,000. It is bound as that value's exact text, never as a 64-bit
    // integer, which the driver would take for a currency 10,000 times too large.
    Currency,
};

// The rules of one store for the values the program keeps: keys as above, days as
// 'yyyy-mm-dd' text in SQLite and as dates through ODBC, money as four decimals.
struct ValueRules {
    bool odbc = false;
    KeyForm key = KeyForm::Integer;
};

// The key as Access's currency value: key ÷ 10,000 with exactly four decimals.
QString currencyKeyText(qint64 key);
// The key a currency value stands for, from the decimal text a driver hands over (fewer
// decimals, trailing zeros and a sign allowed); nothing for text that is no such value.
std::optional<qint64> keyOfCurrencyText(const QString& text);

// ODBC's SQL_BIGINT, SQL_NUMERIC and SQL_DECIMAL, as a driver describes a column.
inline constexpr int kSqlBigInt = -5;
inline constexpr int kSqlNumeric = 2;
inline constexpr int kSqlDecimal = 3;
// The key's form on an ODBC source of the given kind whose key column the driver describes
// with this SQL type and number of decimals.
KeyForm keyFormOf(StoreKind kind, int sqlType, int decimals);

// What a column of the program's tables holds, by its name.
enum class ColumnKind { Other, Day, Money, Whole, Key };
ColumnKind columnKindOf(const QString& column);

// One column of a select as its text names it: the title (its alias, else the column's
// own name) and what it holds.
struct SelectColumn {
    QString title;
    ColumnKind kind = ColumnKind::Other;
};
// The columns of a select's top-level list; empty for "select *" and for text that is no
// select.
QList<SelectColumn> selectColumns(const QString& sql);

// A value as the driver handed it over, in the form the program's own file gives it: a
// day as 'yyyy-mm-dd' text, money as a double, whole numbers and keys as 64-bit integers.
QVariant normalisedValue(const QVariant& value, ColumnKind kind, KeyForm key);
QDate dayOfValue(const QVariant& value);
Money moneyOfValue(const QVariant& value);
qint64 keyOfValue(const QVariant& value, KeyForm form);

}  // namespace quarrow

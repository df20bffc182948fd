#pragma once

#include "store/Money.h"
#include "store/StoreRules.h"

#include <QDate>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

namespace quarrow {

// One prepared statement, filled by name with typed values. Values travel by the rules of
// the store (ValueRules): days as 'yyyy-mm-dd' text in SQLite and as dates through ODBC,
// money as its decimal value, record keys whole (a 64-bit integer, or Access's currency),
// department keys as 32-bit integers. What comes back reads the same on every store.
class Statement {
public:
    // query comes prepared (or failed to prepare, with the reason in error).
    Statement(std::shared_ptr<QSqlQuery> query, bool prepared, QString error, ValueRules rules = {},
              QString sql = {});
    ~Statement();
    Statement(Statement&&) noexcept = default;
    Statement& operator=(Statement&&) noexcept = default;

    Statement& bind(const QString& name, const QString& text);
    Statement& bind(const QString& name, const QDate& day);
    Statement& bind(const QString& name, Money amount);
    Statement& bind(const QString& name, qint32 value);
    Statement& bind(const QString& name, qint64 value);
    Statement& bind(const QString& name, bool value);
    // A record key (StKEY), in the form the store keeps it.
    Statement& bindKey(const QString& name, qint64 key);
    Statement& bindNull(const QString& name);

    // Runs the statement; false on any error (a repeated unique key among them), with the
    // reason in error(). A failed statement changes nothing and leaves a transaction open,
    // unless SQLite ended the transaction itself (TDataBase::transactionLost).
    bool exec();
    QString error() const { return m_error; }
    // The last run failed because the row repeats a unique key (and nothing else): the
    // row is already stored. Any other failure is a storage error.
    bool failedOnUniqueKey() const;
    int rowsAffected() const { return m_query->numRowsAffected(); }

    bool next() { return m_query->next(); }
    bool isNull(int column) const { return m_query->isNull(column); }
    QString text(int column) const { return value(column).toString(); }
    QDate date(int column) const;
    Money money(int column) const;
    qint64 integer(int column) const { return value(column).toLongLong(); }
    double real(int column) const { return value(column).toDouble(); }
    // A record key, whole.
    qint64 key(int column) const;
    // The value as the program's own file gives it, whatever the store: a day as
    // 'yyyy-mm-dd' text, money as a double, whole numbers and keys as 64-bit integers.
    QVariant value(int column) const;
    // The columns' titles as the statement names them (its aliases), known once the
    // statement ran, rows or none.
    QStringList columnNames() const;

    static QString dayText(const QDate& day);
    static QDate parseDay(const QString& text);

private:
    ColumnKind kindOf(int column) const;

    std::shared_ptr<QSqlQuery> m_query;
    QString m_error;
    QString m_nativeError;
    QString m_sql;
    ValueRules m_rules;
    mutable QList<SelectColumn> m_columns;  // read from the text at the first need
    mutable bool m_columnsRead = false;
    mutable QList<ColumnKind> m_kinds;  // of the result's columns, once it ran
    bool m_prepared = false;
};

}  // namespace quarrow

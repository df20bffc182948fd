#pragma once

#include "store/StoreRules.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QSqlQuery>
#include <QString>

#include <memory>

struct sqlite3_stmt;

namespace quarrow {

class TDataBase;

// A select over a great many rows, read one by one straight from SQLite: no Qt value is
// made per column, and a text comes as the UTF-8 bytes SQLite holds (until the next row).
// A million rows read this way take a fraction of the time they take through Statement.
// Through ODBC the rows come through Qt, by the store's rules as for any statement.
class RowScan {
public:
    RowScan(TDataBase& db, const QString& sql);
    ~RowScan();
    RowScan(const RowScan&) = delete;
    RowScan& operator=(const RowScan&) = delete;

    RowScan& bind(const QString& name, const QDate& day);
    RowScan& bind(const QString& name, qint64 value);
    // Runs the select; false with the reason in error() when it cannot.
    bool exec();
    // The next row; false at the end and when reading failed (error() is then not empty).
    bool next();
    QString error() const { return m_error; }

    bool isNull(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    // A day comes as 'yyyy-mm-dd' on every store.
    QByteArrayView utf8(int column) const;
    qint64 key(int column) const;

private:
    QVariant odbcValue(int column) const;

    TDataBase& m_db;
    ::sqlite3_stmt* m_statement = nullptr;
    std::unique_ptr<QSqlQuery> m_query;  // ODBC
    ValueRules m_rules;
    QList<SelectColumn> m_columns;  // ODBC: what each column holds
    mutable QByteArray m_text;      // ODBC: the last text asked for, as UTF-8
    QString m_error;
};

}  // namespace quarrow

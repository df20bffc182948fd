#pragma once

#include "review/ComposedStatement.h"
#include "store/DataBase.h"

#include <QStringList>
#include <QVariant>

#include <optional>

namespace quarrow {

// Binds every value of a composed statement to a prepared one by name and type.
void bindValues(Statement& statement, const ComposedStatement& composed);

// One composed statement run on the database, its rows read one at a time as the caller
// moves on: a result of a million rows never sits in memory, whether a grid model
// fetches it in batches or the command line prints it.
class QueryRows {
public:
    QueryRows(TDataBase& db, const ComposedStatement& composed);
    QueryRows(QueryRows&&) noexcept = default;
    QueryRows& operator=(QueryRows&&) noexcept = default;

    // False when the statement could not be prepared or run (the reason in error()).
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    // The statement's column titles (its aliases), known even when no row comes.
    QStringList columnTitles() const { return m_titles; }
    int columnCount() const { return static_cast<int>(m_titles.size()); }

    // Moves to the next row; false after the last.
    bool next() { return m_ok && m_statement.next(); }
    QVariant value(int column) const { return m_statement.value(column); }
    // The value as the grids and the command line show it: amounts to at most four
    // decimals without trailing zeros, days as yyyy-mm-dd, nothing for a null.
    QString text(int column) const;
    QVariantList row() const;

private:
    Statement m_statement;
    QStringList m_titles;
    QString m_error;
    bool m_ok = false;
};

// The text a cell value is shown as (see QueryRows::text).
QString cellText(const QVariant& value);

// The statement that reloads the department list.
inline const QString kDepartmentListSql = QStringLiteral("SELECT StDept from tblStDepart");

// The names for ListBoxDepartment after item 0: every stored name, trimmed, without the
// empty ones. Nothing when the database is not open or the statement fails (the reason in
// error, when given).
std::optional<QStringList> loadDepartmentNames(TDataBase& db, QString* error = nullptr);

}  // namespace quarrow

#pragma once

#include "review/ComposedStatement.h"
#include "review/OperatorQuery.h"
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

// The department filter the store's views allow: through the keys where both views
// show them, else through the tables' rows (the views of the first release).
DepartmentFilterForm departmentFilterForm(TDataBase& db);
// The two statements of a query click as the store can run them.
OperatorStatements composeOperatorQueryFor(TDataBase& db, const OperatorQuery& page, QueryButton button);

// The number of rows the statement gives; nothing when it cannot run (the reason in error).
std::optional<qint64> countRows(TDataBase& db, const ComposedStatement& composed, QString* error = nullptr);

// Whether a name of tblStDepart is the exchange's description of an abnormal move (the
// anomaly row's "department", such as "日涨幅偏离值达7%的证券") rather than a department.
bool isChangeDescription(const QString& name);

// The department list's names in the order the user looks for them: the departments
// sorted by their Chinese reading, then the change descriptions, sorted too.
struct DepartmentListNames {
    QStringList departments;
    QStringList descriptions;
};
DepartmentListNames sortDepartmentNames(const QStringList& names);

// The names for ListBoxDepartment after item 0: every stored name, trimmed, without the
// empty ones. Nothing when the database is not open or the statement fails (the reason in
// error, when given).
std::optional<QStringList> loadDepartmentNames(TDataBase& db, QString* error = nullptr);

}  // namespace quarrow

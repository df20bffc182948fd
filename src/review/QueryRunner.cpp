#include "review/QueryRunner.h"

#include "app/Trim.h"
#include "store/DepartmentNames.h"
#include "store/Money.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace quarrow {

void bindValues(Statement& statement, const ComposedStatement& composed) {
    for (const BoundValue& bound : composed.values) {
        switch (bound.value.typeId()) {
            case QMetaType::QDate:
                statement.bind(bound.name, bound.value.toDate());
                break;
            case QMetaType::UnknownType:
                statement.bindNull(bound.name);
                break;
            default:
                statement.bind(bound.name, bound.value.toString());
                break;
        }
    }
}

namespace {

const QString kNotOpen = QStringLiteral("the database is not open");

Statement prepareOrFail(TDataBase& db, const ComposedStatement& composed) {
    if (!db.DBOpened())
        return Statement(std::make_shared<QSqlQuery>(), false, kNotOpen);
    Statement statement = db.QueryPublic(composed.sql());
    bindValues(statement, composed);
    return statement;
}

}  // namespace

QueryRows::QueryRows(TDataBase& db, const ComposedStatement& composed)
    : m_statement(prepareOrFail(db, composed)) {
    m_ok = m_statement.exec();
    if (!m_ok) {
        m_error = m_statement.error();
        return;
    }
    m_titles = m_statement.columnNames();
}

QString QueryRows::text(int column) const {
    return cellText(value(column));
}

QVariantList QueryRows::row() const {
    QVariantList values;
    values.reserve(columnCount());
    for (int column = 0; column < columnCount(); ++column)
        values << value(column);
    return values;
}

QString cellText(const QVariant& value) {
    if (value.isNull())
        return {};
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            return Money::fromDouble(value.toDouble()).toString();
        default:
            return value.toString();
    }
}

DepartmentFilterForm departmentFilterForm(TDataBase& db) {
    const QStringList changes = db.columnsOf(QStringLiteral("viewStChange"));
    const QStringList trades = db.columnsOf(QStringLiteral("viewStBigBuySale"));
    const bool keys = changes.contains(QStringLiteral("StDeptKey"), Qt::CaseInsensitive) &&
                      trades.contains(QStringLiteral("StDeptBuyKey"), Qt::CaseInsensitive) &&
                      trades.contains(QStringLiteral("StDeptSaleKey"), Qt::CaseInsensitive);
    return keys ? DepartmentFilterForm::ViewKeys : DepartmentFilterForm::TableRows;
}

OperatorStatements composeOperatorQueryFor(TDataBase& db, const OperatorQuery& page, QueryButton button) {
    // Only a department filter needs to know the views.
    const DepartmentFilterForm form =
        page.filtersOnDepartment() ? departmentFilterForm(db) : DepartmentFilterForm::ViewKeys;
    return composeOperatorQuery(page, button, form);
}

std::optional<qint64> countRows(TDataBase& db, const ComposedStatement& composed, QString* error) {
    ComposedStatement count = composed;
    count.lines.prepend(QStringLiteral("select count(*) from ("));
    count.lines.append(QStringLiteral(") counted"));
    {
        QueryRows rows(db, count);
        if (rows.ok() && rows.next())
            return rows.value(0).toLongLong();
    }
    // A store whose SQL takes no ordered select in its from clause: the rows are counted
    // as they come.
    QueryRows rows(db, composed);
    if (!rows.ok()) {
        if (error)
            *error = rows.error();
        return std::nullopt;
    }
    qint64 total = 0;
    while (rows.next())
        ++total;
    return total;
}

bool isChangeDescription(const QString& name) {
    // The exchange words its reasons for listing a stock the same few ways; no securities
    // firm's department is named like that.
    static const QStringList markers{QStringLiteral("偏离值"), QStringLiteral("换手率"),
                                     QStringLiteral("振幅"), QStringLiteral("涨跌幅限制"),
                                     QStringLiteral("的证券")};
    for (const QString& marker : markers) {
        if (name.contains(marker))
            return true;
    }
    return false;
}

DepartmentListNames sortDepartmentNames(const QStringList& names) {
    DepartmentListNames sorted;
    for (const QString& name : names)
        (isChangeDescription(name) ? sorted.descriptions : sorted.departments) << name;
    QCollator chinese{QLocale(QLocale::Chinese, QLocale::China)};
    const auto byReading = [&chinese](const QString& a, const QString& b) {
        return chinese.compare(a, b) < 0;
    };
    std::stable_sort(sorted.departments.begin(), sorted.departments.end(), byReading);
    std::stable_sort(sorted.descriptions.begin(), sorted.descriptions.end(), byReading);
    return sorted;
}

std::optional<QStringList> loadDepartmentNames(TDataBase& db, QString* error) {
    if (!db.DBOpened()) {
        if (error)
            *error = kNotOpen;
        return std::nullopt;
    }
    const std::optional<QList<DepartmentName>> stored = departmentNames(db, error);
    if (!stored)
        return std::nullopt;
    QStringList names;
    for (const DepartmentName& department : *stored) {
        const QString name = trimBlanks(department.name);
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

}  // namespace quarrow

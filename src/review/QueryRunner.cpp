#include "review/QueryRunner.h"

#include "app/Trim.h"
#include "store/Money.h"

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

std::optional<QStringList> loadDepartmentNames(TDataBase& db, QString* error) {
    if (!db.DBOpened()) {
        if (error)
            *error = kNotOpen;
        return std::nullopt;
    }
    Statement query = db.QueryPublic(kDepartmentListSql);
    if (!query.exec()) {
        if (error)
            *error = query.error();
        return std::nullopt;
    }
    QStringList names;
    while (query.next()) {
        const QString name = trimBlanks(query.text(0));
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

}  // namespace quarrow

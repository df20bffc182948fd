#include "store/RowScan.h"

#include "store/DataBase.h"

#include <QSqlError>

#include <sqlite3.h>

namespace quarrow {

RowScan::RowScan(TDataBase& db, const QString& sql) : m_db(db) {
    if (!db.DBOpened()) {
        m_error = QStringLiteral("the database is not open");
        return;
    }
    if (db.viaOdbc()) {
        m_rules = db.valueRules();
        m_columns = selectColumns(sql);
        m_query = std::make_unique<QSqlQuery>(db.connection());
        m_query->setForwardOnly(true);
        if (!m_query->prepare(TDataBase::adaptSql(sql)))
            m_error = m_query->lastError().text();
        return;
    }
    sqlite3* sqlite = db.handle();
    const QByteArray text = TDataBase::adaptSql(sql).toUtf8();
    if (!sqlite || sqlite3_prepare_v2(sqlite, text.constData(), static_cast<int>(text.size()), &m_statement,
                                      nullptr) != SQLITE_OK) {
        m_error = sqlite ? QString::fromUtf8(sqlite3_errmsg(sqlite)) : QStringLiteral("no SQLite connection");
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

RowScan::~RowScan() {
    sqlite3_finalize(m_statement);
}

RowScan& RowScan::bind(const QString& name, const QDate& day) {
    if (m_query) {
        m_query->bindValue(name, day.isValid() ? QVariant(day) : QVariant(QMetaType::fromType<QDate>()));
    } else if (m_statement) {
        const int index = sqlite3_bind_parameter_index(m_statement, name.toUtf8().constData());
        const QByteArray text = Statement::dayText(day).toUtf8();
        if (index > 0 && day.isValid())
            sqlite3_bind_text(m_statement, index, text.constData(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
        else if (index > 0)
            sqlite3_bind_null(m_statement, index);
    }
    return *this;
}

RowScan& RowScan::bind(const QString& name, qint64 value) {
    if (m_query) {
        m_query->bindValue(name, value);
    } else if (m_statement) {
        const int index = sqlite3_bind_parameter_index(m_statement, name.toUtf8().constData());
        if (index > 0)
            sqlite3_bind_int64(m_statement, index, value);
    }
    return *this;
}

bool RowScan::exec() {
    if (m_query) {
        if (m_query->exec())
            return true;
        m_error = m_query->lastError().text();
        return false;
    }
    // SQLite runs the select at its first step, which next() takes.
    return m_statement != nullptr;
}

bool RowScan::next() {
    if (m_query) {
        if (m_query->next())
            return true;
        if (m_query->lastError().isValid())
            m_error = m_query->lastError().text();
        return false;
    }
    if (!m_statement)
        return false;
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db.handle()));
    sqlite3_finalize(m_statement);  // lets go of the read snapshot at once
    m_statement = nullptr;
    return false;
}

bool RowScan::isNull(int column) const {
    if (m_query)
        return m_query->isNull(column);
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QVariant RowScan::odbcValue(int column) const {
    const ColumnKind kind = column < m_columns.size() ? m_columns.at(column).kind : ColumnKind::Other;
    return normalisedValue(m_query->value(column), kind, m_rules.key);
}

qint64 RowScan::integer(int column) const {
    if (m_query)
        return odbcValue(column).toLongLong();
    return sqlite3_column_int64(m_statement, column);
}

qint64 RowScan::key(int column) const {
    if (m_query)
        return keyOfValue(m_query->value(column), m_rules.key);
    return sqlite3_column_int64(m_statement, column);
}

double RowScan::real(int column) const {
    if (m_query)
        return odbcValue(column).toDouble();
    return sqlite3_column_double(m_statement, column);
}

QByteArrayView RowScan::utf8(int column) const {
    if (m_query) {
        m_text = odbcValue(column).toString().toUtf8();
        return m_text;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
}

}  // namespace quarrow

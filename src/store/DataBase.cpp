#include "store/DataBase.h"

#include "store/Schema.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <cmath>

namespace quarrow {

namespace {

QString newConnectionName()
{
    static QAtomicInteger<int> counter;
    return QStringLiteral("quarrow-db-%1").arg(counter.fetchAndAddRelaxed(1));
}

// CDate(text): a day written as y-m-d or y/m/d, with or without leading zeros, returned in
// the stored 'yyyy-mm-dd' form so it compares correctly with the date columns.
void sqlCDate(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* raw = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const QDate day = Statement::parseDay(QString::fromUtf8(raw));
    if (!day.isValid()) {
        sqlite3_result_null(context);
        return;
    }
    const QByteArray text = Statement::dayText(day).toUtf8();
    sqlite3_result_text(context, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Statement

Statement::Statement(QSqlDatabase db, const QString& sql) : m_query(db)
{
    m_query.setForwardOnly(true);
    m_prepared = m_query.prepare(TDataBase::adaptSql(sql));
    if (!m_prepared)
        m_error = m_query.lastError().text();
}

Statement& Statement::bind(const QString& name, const QString& text)
{
    m_query.bindValue(name, text);
    return *this;
}

Statement& Statement::bind(const QString& name, const QDate& day)
{
    m_query.bindValue(name, day.isValid() ? QVariant(dayText(day)) : QVariant());
    return *this;
}

Statement& Statement::bind(const QString& name, Money amount)
{
    m_query.bindValue(name, amount.toDouble());
    return *this;
}

Statement& Statement::bind(const QString& name, qint32 value)
{
    m_query.bindValue(name, value);
    return *this;
}

Statement& Statement::bind(const QString& name, qint64 value)
{
    m_query.bindValue(name, value);
    return *this;
}

Statement& Statement::bindNull(const QString& name)
{
    m_query.bindValue(name, QVariant());
    return *this;
}

bool Statement::exec()
{
    if (!m_prepared)
        return false;
    if (m_query.exec())
        return true;
    m_error = m_query.lastError().text();
    return false;
}

QDate Statement::date(int column) const
{
    const QVariant v = m_query.value(column);
    return v.isNull() ? QDate() : parseDay(v.toString());
}

Money Statement::money(int column) const { return Money::fromDouble(m_query.value(column).toDouble()); }

QString Statement::dayText(const QDate& day) { return day.toString(QStringLiteral("yyyy-MM-dd")); }

QDate Statement::parseDay(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{4})[-/](\\d{1,2})[-/](\\d{1,2})"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return QDate();
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

// ---------------------------------------------------------------------------------------------
// TDataBase

TDataBase::TDataBase(QString databaseFile) : m_file(std::move(databaseFile)), m_connectionName(newConnectionName())
{
}

TDataBase::~TDataBase() { close(); }

bool TDataBase::open()
{
    close();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        db.setDatabaseName(m_file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open()) {
            m_openError = db.lastError().text();
            return false;
        }
    }
    if (!registerFunctions()) {
        m_openError = QStringLiteral("cannot register the SQL functions");
        close();
        return false;
    }
    QString error;
    // Write-ahead logging: a killed process loses at most the open transaction.
    if (!execute(QStringLiteral("PRAGMA journal_mode=WAL"), &error) ||
        !execute(QStringLiteral("PRAGMA synchronous=NORMAL"), &error)) {
        m_openError = error;
        close();
        return false;
    }
    if (!createOrMigrate()) {
        close();
        return false;
    }
    m_opened = true;
    return true;
}

void TDataBase::close()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
            if (m_inTransaction)
                db.rollback();
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connectionName);
    }
    m_inTransaction = false;
    m_opened = false;
}

bool TDataBase::registerFunctions()
{
    const QVariant handle = connection().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3* sqlite = *static_cast<sqlite3* const*>(handle.constData());
    if (!sqlite)
        return false;
    return sqlite3_create_function(sqlite, "CDate", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &sqlCDate,
                                   nullptr, nullptr) == SQLITE_OK;
}

bool TDataBase::createOrMigrate()
{
    const int version = schemaVersion();
    if (version > kSchemaVersion) {
        m_openError = QStringLiteral("the database file was written by a newer version (schema %1)").arg(version);
        return false;
    }
    if (version == kSchemaVersion)
        return true;
    if (!beginTransaction()) {
        m_openError = connection().lastError().text();
        return false;
    }
    for (int step = version; step < kSchemaVersion; ++step) {
        for (const QString& sql : Schema::migration(step + 1)) {
            QString error;
            if (!execute(sql, &error)) {
                m_openError = error;
                rollback();
                return false;
            }
        }
    }
    QString error;
    if (!execute(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion), &error) || !commit()) {
        m_openError = error.isEmpty() ? connection().lastError().text() : error;
        rollback();
        return false;
    }
    return true;
}

int TDataBase::schemaVersion()
{
    QSqlQuery query(connection());
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return -1;
    return query.value(0).toInt();
}

bool TDataBase::integrityCheck(QString* report)
{
    QSqlQuery query(connection());
    QStringList lines;
    if (query.exec(QStringLiteral("PRAGMA integrity_check"))) {
        while (query.next())
            lines << query.value(0).toString();
    } else {
        lines << query.lastError().text();
    }
    if (report)
        *report = lines.join(QLatin1Char('\n'));
    return lines == QStringList{QStringLiteral("ok")};
}

Statement TDataBase::QueryPublic(const QString& sql) { return Statement(connection(), sql); }

Statement TDataBase::DBCommand(const QString& sql) { return Statement(connection(), sql); }

bool TDataBase::execute(const QString& sql, QString* error)
{
    QSqlQuery query(connection());
    if (query.exec(adaptSql(sql)))
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

bool TDataBase::beginTransaction()
{
    if (m_inTransaction)
        return false;
    m_inTransaction = connection().transaction();
    return m_inTransaction;
}

bool TDataBase::commit()
{
    if (!m_inTransaction)
        return false;
    const bool ok = connection().commit();
    if (ok)
        m_inTransaction = false;
    return ok;
}

void TDataBase::rollback()
{
    if (!m_inTransaction)
        return;
    connection().rollback();
    m_inTransaction = false;
}

QString TDataBase::adaptSql(const QString& sql)
{
    static const QRegularExpression deleteStar(QStringLiteral("^\\s*delete\\s+\\*\\s+from\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString adapted = sql;
    adapted.replace(deleteStar, QStringLiteral("delete from"));
    return adapted;
}

// ---------------------------------------------------------------------------------------------
// Transaction

Transaction::Transaction(TDataBase& db) : m_db(db)
{
    if (m_db.DBOpened())
        m_active = m_db.beginTransaction();
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.rollback();
}

bool Transaction::commit()
{
    if (!m_active)
        return true;
    m_active = false;
    return m_db.commit();
}

}  // namespace quarrow

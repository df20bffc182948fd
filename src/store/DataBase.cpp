#include "store/DataBase.h"

#include "store/Schema.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>

#include <sqlite3.h>

#include <cmath>

namespace quarrow {

namespace {

QString newConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("quarrow-db-%1").arg(counter.fetchAndAddRelaxed(1));
}

// CDate(text): a day written as y-m-d or y/m/d, with or without leading zeros, returned in
// the stored 'yyyy-mm-dd' form so it compares correctly with the date columns.
void sqlCDate(sqlite3_context* context, int argc, sqlite3_value** argv) {
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

Statement::Statement(std::shared_ptr<QSqlQuery> query, bool prepared, QString error)
    : m_query(std::move(query)), m_error(std::move(error)), m_prepared(prepared) {}

Statement::~Statement() {
    // A select left open would hold its read snapshot until the statement is reused.
    if (m_query && m_query->isActive())
        m_query->finish();
}

Statement& Statement::bind(const QString& name, const QString& text) {
    m_query->bindValue(name, text);
    return *this;
}

Statement& Statement::bind(const QString& name, const QDate& day) {
    m_query->bindValue(name, day.isValid() ? QVariant(dayText(day)) : QVariant());
    return *this;
}

Statement& Statement::bind(const QString& name, Money amount) {
    m_query->bindValue(name, amount.toDouble());
    return *this;
}

Statement& Statement::bind(const QString& name, qint32 value) {
    m_query->bindValue(name, value);
    return *this;
}

Statement& Statement::bind(const QString& name, qint64 value) {
    m_query->bindValue(name, value);
    return *this;
}

Statement& Statement::bindNull(const QString& name) {
    m_query->bindValue(name, QVariant());
    return *this;
}

bool Statement::exec() {
    if (!m_prepared)
        return false;
    if (m_query->exec())
        return true;
    const QSqlError error = m_query->lastError();
    m_error = error.text();
    m_nativeError = error.nativeErrorCode();
    return false;
}

bool Statement::failedOnUniqueKey() const {
    // SQLITE_CONSTRAINT_UNIQUE and SQLITE_CONSTRAINT_PRIMARYKEY.
    if (m_nativeError == QLatin1String("2067") || m_nativeError == QLatin1String("1555"))
        return true;
    // Through ODBC, Qt hands on the driver's own code, not the ODBC state: Microsoft's Access
    // driver says -1605 for a value repeated in a unique index; the SQLite ODBC driver says
    // 19 for every broken constraint and names the kind in its text.
    if (m_nativeError == QLatin1String("-1605"))
        return true;
    return m_nativeError == QLatin1String("19") &&
           m_error.contains(QLatin1String("UNIQUE constraint failed"));
}

QStringList Statement::columnNames() const {
    const QSqlRecord record = m_query->record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

QDate Statement::date(int column) const {
    const QVariant v = m_query->value(column);
    return v.isNull() ? QDate() : parseDay(v.toString());
}

Money Statement::money(int column) const {
    return Money::fromDouble(m_query->value(column).toDouble());
}

QString Statement::dayText(const QDate& day) {
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    day.getDate(&year, &month, &dayOfMonth);
    if (!day.isValid() || year < 1 || year > 9999)
        return day.toString(QStringLiteral("yyyy-MM-dd"));
    // Written out by hand: every stored row binds a day, and QDate's formatter goes through
    // the locale machinery for each one.
    const auto digit = [](int value) { return QChar(u'0' + value % 10); };
    const QChar text[] = {digit(year / 1000), digit(year / 100), digit(year / 10),
                          digit(year),        QChar(u'-'),       digit(month / 10),
                          digit(month),       QChar(u'-'),       digit(dayOfMonth / 10),
                          digit(dayOfMonth)};
    return QString(text, 10);
}

QDate Statement::parseDay(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{4})[-/](\\d{1,2})[-/](\\d{1,2})"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return QDate();
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

// ---------------------------------------------------------------------------------------------
// TDataBase

TDataBase::TDataBase(QString databaseFile, int busyTimeout_ms)
    : m_file(std::move(databaseFile)),
      m_connectionName(newConnectionName()),
      m_busyTimeout_ms(busyTimeout_ms) {}

TDataBase::~TDataBase() {
    close();
}

bool TDataBase::openOdbc() {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
        db.setDatabaseName(m_odbc);
        if (db.open()) {
            m_connection = db;
        } else {
            m_openError = db.isValid() ? db.lastError().text()
                                       : QStringLiteral("Qt's ODBC driver (QODBC) is not installed");
        }
    }
    if (!m_connection.isValid()) {
        QSqlDatabase::removeDatabase(m_connectionName);
        return false;
    }
    // The user's own database: everything the program writes to must be there.
    const QStringList tables = m_connection.tables(QSql::Tables);
    for (const QString& table : Schema::tableNames()) {
        if (!tables.contains(table, Qt::CaseInsensitive)) {
            m_openError = QStringLiteral("the database has no table %1").arg(table);
            close();
            return false;
        }
    }
    m_opened = true;
    return true;
}

bool TDataBase::open() {
    close();
    if (viaOdbc())
        return openOdbc();
    bool opened = false;
    {
        // The handle must be gone before the connection is removed, or Qt warns that it is in use.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        db.setDatabaseName(m_file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout_ms));
        opened = db.open();
        if (opened)
            m_connection = db;
        else
            m_openError = db.lastError().text();
    }
    if (!opened) {
        QSqlDatabase::removeDatabase(m_connectionName);
        return false;
    }
    if (!registerFunctions()) {
        m_openError = QStringLiteral("cannot register the SQL functions");
        close();
        return false;
    }
    // A file of a newer version is refused before anything is written to it: switching
    // the journal mode alone would rewrite its header.
    if (!refuseNewerSchema()) {
        close();
        return false;
    }
    if (sqlite3_db_readonly(handle(), "main") == 1) {
        // A write-protected file (a copy from a disc, a file without write permission) is
        // read as it is: nothing may be switched or migrated in it, and the queries take
        // whatever views it has. A file without our tables is of no use at all.
        if (schemaVersion() <= 0) {
            m_openError = QStringLiteral("the database file is read-only and holds no tables");
            close();
            return false;
        }
        m_opened = true;
        return true;
    }
    QString error;
    // Write-ahead logging: a killed process loses at most the open transaction. Every
    // stock is its own transaction, so the log is copied back in larger steps than the
    // default to spare rewriting the same pages after every few stocks. A batch's group
    // of a second's stocks dirties more index pages than the default 2 MiB cache holds;
    // the surplus would go to the log in the middle of the transaction and again at its
    // commit, so the cache holds 16 MiB.
    if (!execute(QStringLiteral("PRAGMA journal_mode=WAL"), &error) ||
        !execute(QStringLiteral("PRAGMA synchronous=NORMAL"), &error) ||
        !execute(QStringLiteral("PRAGMA wal_autocheckpoint=8000"), &error) ||
        !execute(QStringLiteral("PRAGMA cache_size=-16384"), &error)) {
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

void TDataBase::close() {
    m_statements.clear();
    m_columns.clear();
    m_knownDepartments.clear();
    if (m_connection.isValid()) {
        rollback();
        m_connection.close();
    }
    m_connection = QSqlDatabase();
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
    m_inTransaction = false;
    m_opened = false;
}

bool TDataBase::readOnly() const {
    if (!m_opened)
        return false;
    if (sqlite3* sqlite = handle())
        return sqlite3_db_readonly(sqlite, "main") == 1;
    return false;  // an ODBC source tells only when a write fails
}

sqlite3* TDataBase::handle() const {
    if (!m_connection.isValid() || !m_connection.driver())
        return nullptr;
    const QVariant handle = m_connection.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

bool TDataBase::registerFunctions() {
    sqlite3* sqlite = handle();
    if (!sqlite)
        return false;
    return sqlite3_create_function(sqlite, "CDate", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &sqlCDate,
                                   nullptr, nullptr) == SQLITE_OK;
}

bool TDataBase::refuseNewerSchema() {
    const int version = schemaVersion();
    if (version <= kSchemaVersion)
        return true;
    m_openError = QStringLiteral("the database file was written by a newer version (schema %1)").arg(version);
    return false;
}

bool TDataBase::createOrMigrate() {
    const int version = schemaVersion();
    if (version == kSchemaVersion)
        return true;
    if (!beginTransaction()) {
        m_openError = transactionError();
        return false;
    }
    QStringList notes;
    for (int step = version; step < kSchemaVersion; ++step) {
        const QStringList statements = Schema::migration(step + 1);
        const QList<Schema::MigrationNote> stepNotes = Schema::migrationNotes(step + 1);
        for (int i = 0; i < statements.size(); ++i) {
            QSqlQuery query(connection());
            if (!query.exec(adaptSql(statements[i]))) {
                m_openError = query.lastError().text();
                rollback();
                return false;
            }
            for (const Schema::MigrationNote& note : stepNotes) {
                if (note.statement == i && query.numRowsAffected() > 0)
                    notes << note.text.arg(query.numRowsAffected());
            }
        }
    }
    QString error;
    if (!execute(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion), &error) || !commit()) {
        m_openError = error.isEmpty() ? transactionError() : error;
        rollback();
        return false;
    }
    m_migrationNotes = notes;
    return true;
}

QStringList TDataBase::columnsOf(const QString& tableOrView) {
    const auto known = m_columns.constFind(tableOrView);
    if (known != m_columns.constEnd())
        return *known;
    QStringList names;
    if (m_opened) {
        // A select without rows tells the columns in the same way on SQLite and through ODBC.
        QSqlQuery query(connection());
        if (query.exec(QStringLiteral("select * from %1 where 1=0").arg(tableOrView))) {
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i)
                names << record.fieldName(i);
        }
    }
    m_columns.insert(tableOrView, names);
    return names;
}

int TDataBase::schemaVersion() {
    QSqlQuery query(connection());
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return -1;
    return query.value(0).toInt();
}

bool TDataBase::integrityCheck(QString* report) {
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

Statement TDataBase::prepare(const QString& sql) {
    constexpr int kMaxCachedStatements = 64;
    auto cached = m_statements.find(sql);
    if (cached != m_statements.end() && cached.value().use_count() == 1)
        return Statement(cached.value(), true, QString());

    auto query = std::make_shared<QSqlQuery>(m_connection);
    query->setForwardOnly(true);
    if (!query->prepare(adaptSql(sql)))
        return Statement(query, false, query->lastError().text());
    if (cached == m_statements.end()) {
        if (m_statements.size() >= kMaxCachedStatements)
            m_statements.clear();
        m_statements.insert(sql, query);
    }
    return Statement(query, true, QString());
}

Statement TDataBase::QueryPublic(const QString& sql) {
    return prepare(sql);
}

Statement TDataBase::DBCommand(const QString& sql) {
    return prepare(sql);
}

bool TDataBase::execute(const QString& sql, QString* error) {
    QSqlQuery query(connection());
    if (query.exec(adaptSql(sql)))
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

namespace {

// SQLITE_BUSY and SQLITE_LOCKED with their extended codes.
bool isBusy(const QSqlError& error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok && ((code & 0xff) == 5 || (code & 0xff) == 6);
}

}  // namespace

bool TDataBase::beginTransaction() {
    m_transactionError.clear();
    m_transactionBusy = false;
    if (m_inTransaction) {
        m_transactionError = QStringLiteral("a transaction is already open");
        return false;
    }
    if (viaOdbc()) {
        if (!m_connection.transaction()) {
            m_transactionError = m_connection.lastError().text();
            return false;
        }
        m_inTransaction = true;
        return true;
    }
    // A plain BEGIN would take the write lock only at the first write, and a reader that
    // must become a writer while another one writes gets "database is locked" at once,
    // without waiting. Taking the lock here lets the busy timeout do its work.
    QSqlQuery begin(connection());
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        m_transactionError = begin.lastError().text();
        m_transactionBusy = isBusy(begin.lastError());
        return false;
    }
    m_inTransaction = true;
    return true;
}

bool TDataBase::commit() {
    if (!m_inTransaction)
        return false;
    if (viaOdbc()) {
        if (m_connection.commit()) {
            m_inTransaction = false;
            return true;
        }
        m_transactionError = m_connection.lastError().text();
        rollback();
        return false;
    }
    QSqlQuery commitQuery(connection());
    if (commitQuery.exec(QStringLiteral("COMMIT"))) {
        m_inTransaction = false;
        return true;
    }
    m_transactionError = commitQuery.lastError().text();
    m_transactionBusy = isBusy(commitQuery.lastError());
    // A COMMIT that fails may leave the transaction open; ending it here keeps every
    // later transaction of this connection from silently joining a dead one.
    rollback();
    return false;
}

void TDataBase::rollback() {
    m_knownDepartments.clear();  // names offered in the rolled-back work may be gone again
    if (!m_inTransaction)
        return;
    if (viaOdbc()) {
        m_connection.rollback();
        m_inTransaction = false;
        return;
    }
    sqlite3* sqlite = handle();
    if (!sqlite || !sqlite3_get_autocommit(sqlite)) {
        QSqlQuery rollbackQuery(connection());
        rollbackQuery.exec(QStringLiteral("ROLLBACK"));
    }
    m_inTransaction = false;
}

QString TDataBase::transactionError() const {
    // A transaction SQLite rolled back on its own leaves no error of a begin or commit.
    return m_transactionError.isEmpty() ? QStringLiteral("the database ended the transaction")
                                        : m_transactionError;
}

bool TDataBase::transactionLost() const {
    sqlite3* sqlite = handle();
    return m_inTransaction && sqlite && sqlite3_get_autocommit(sqlite) != 0;
}

QString TDataBase::adaptSql(const QString& sql) {
    static const QRegularExpression deleteStar(QStringLiteral("^\\s*delete\\s+\\*\\s+from\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString adapted = sql;
    adapted.replace(deleteStar, QStringLiteral("delete from"));
    return adapted;
}

// ---------------------------------------------------------------------------------------------
// Transaction

Transaction::Transaction(TDataBase& db) : m_db(db) {
    if (!m_db.DBOpened())
        return;
    if (m_db.inTransaction())
        m_state = State::Joined;
    else
        m_state = m_db.beginTransaction() ? State::Active : State::Failed;
}

Transaction::~Transaction() {
    rollback();
}

bool Transaction::commit() {
    switch (m_state) {
        case State::Closed:
            return true;
        case State::Joined:
            return !m_db.transactionLost();
        case State::Active:
            m_state = State::Done;
            return m_db.commit();
        case State::Failed:
        case State::Done:
            break;
    }
    return false;
}

void Transaction::rollback() {
    if (m_state == State::Active)
        m_db.rollback();
    if (m_state != State::Closed && m_state != State::Joined)
        m_state = State::Done;
}

// ---------------------------------------------------------------------------------------------
// RowScan

RowScan::RowScan(TDataBase& db, const QString& sql) : m_db(db) {
    if (!db.DBOpened()) {
        m_error = QStringLiteral("the database is not open");
        return;
    }
    if (db.viaOdbc()) {
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
        m_query->bindValue(name, day.isValid() ? QVariant(Statement::dayText(day)) : QVariant());
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

qint64 RowScan::integer(int column) const {
    if (m_query)
        return m_query->value(column).toLongLong();
    return sqlite3_column_int64(m_statement, column);
}

double RowScan::real(int column) const {
    if (m_query)
        return m_query->value(column).toDouble();
    return sqlite3_column_double(m_statement, column);
}

QByteArrayView RowScan::utf8(int column) const {
    if (m_query) {
        m_text = m_query->value(column).toString().toUtf8();
        return m_text;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
}

}  // namespace quarrow

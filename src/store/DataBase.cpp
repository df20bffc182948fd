#include "store/DataBase.h"

#include "store/Schema.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QUrl>

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
// TDataBase

TDataBase::TDataBase(QString databaseFile, int busyTimeout_ms)
    : m_file(std::move(databaseFile)),
      m_connectionName(newConnectionName()),
      m_busyTimeout_ms(busyTimeout_ms) {}

TDataBase::~TDataBase() {
    close();
}

bool TDataBase::connectOdbc(const QString& connection) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
        db.setDatabaseName(connection);
        if (m_readingOnly)
            db.setConnectOptions(QStringLiteral("SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY"));
        // Currency and decimal columns as their exact text, never through a double: a
        // currency key has nineteen digits.
        db.setNumericalPrecisionPolicy(QSql::HighPrecision);
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
    return true;
}

bool TDataBase::openOdbc() {
    if (m_odbc.isEmpty()) {
        m_openError = m_unavailable.isEmpty() ? QStringLiteral("no ODBC connection string") : m_unavailable;
        return false;
    }
    if (!connectOdbc(m_odbc))
        return false;
    // The user's own database: everything the program writes to must be there.
    const QStringList tables = m_connection.tables(QSql::Tables);
    for (const QString& table : Schema::tableNames()) {
        if (!tables.contains(table, Qt::CaseInsensitive)) {
            m_openError = QStringLiteral("the database has no table %1").arg(table);
            close();
            return false;
        }
    }
    if (!settleKeyForm()) {
        close();
        return false;
    }
    m_opened = true;
    return true;
}

bool TDataBase::settleKeyForm() {
    const auto keyField = [this] {
        return m_connection.record(QStringLiteral("tblStChange")).field(QStringLiteral("StKEY"));
    };
    const auto cut = [](const QSqlField& field) {
        const int type = field.metaType().id();
        return type == QMetaType::Int || type == QMetaType::UInt || type == QMetaType::Short ||
               type == QMetaType::UShort;
    };
    QSqlField key = keyField();
    if (cut(key)) {
        // The SQLite ODBC driver calls every integer column 32 bits wide and cuts what it
        // hands over to that, unless its own switch asks for them whole.
        m_connection.close();
        m_connection = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        QString whole = m_odbc.trimmed();
        if (!whole.endsWith(QLatin1Char(';')))
            whole += QLatin1Char(';');
        if (!connectOdbc(whole + QStringLiteral("BigInt=1")))
            return false;
        key = keyField();
        if (cut(key)) {
            m_openError = QStringLiteral(
                "the ODBC source hands the record keys (StKEY) over as 32-bit numbers, which would cut "
                "them: it is not used");
            return false;
        }
    }
    m_rules = ValueRules{true, keyFormOf(m_kind, key.typeID(), key.precision())};
    return true;
}

bool TDataBase::openSqlite(const QString& options) {
    bool opened = false;
    {
        // The handle must be gone before the connection is removed, or Qt warns that it is in use.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        QString name = m_file;
        if (m_immutable) {
            QUrl uri = QUrl::fromLocalFile(QFileInfo(m_file).absoluteFilePath());
            uri.setQuery(QStringLiteral("immutable=1"));
            name = uri.toString(QUrl::FullyEncoded);
        }
        db.setDatabaseName(name);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout_ms) + options);
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
    return true;
}

bool TDataBase::open() {
    close();
    m_immutable = false;
    m_rules = ValueRules{};
    if (viaOdbc())
        return openOdbc();
    // A file the user may not write, or in a folder he may not write (a copy on a read-only
    // share, another user's folder), is opened for reading: a write-ahead log could not
    // even be begun beside it.
    const QFileInfo file(m_file);
    const bool readOnlyPlace =
        m_readingOnly ||
        (file.exists() && (!file.isWritable() || !QFileInfo(file.absolutePath()).isWritable()));
    const QString readOnlyOptions = QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
    if (!openSqlite(readOnlyPlace ? readOnlyOptions : QString()))
        return false;
    // A file of a newer version is refused before anything is written to it: switching
    // the journal mode alone would rewrite its header.
    if (!refuseNewerSchema()) {
        close();
        return false;
    }
    if (sqlite3_db_readonly(handle(), "main") == 1) {
        // A file kept in write-ahead-log mode is read through the log's shared memory, which
        // cannot be made where nothing may be written. When no log lies beside the file, it
        // holds every row itself and is read as it is.
        if (schemaVersion() < 0 && !QFileInfo::exists(m_file + QStringLiteral("-wal"))) {
            close();
            m_immutable = true;
            if (!openSqlite(readOnlyOptions))
                return false;
        }
        // Nothing may be switched or migrated in it, and the queries take whatever views
        // it has. A file without our tables is of no use at all.
        const int version = schemaVersion();
        if (version <= 0) {
            m_openError = version < 0 ? QStringLiteral("the read-only database file cannot be read")
                                      : QStringLiteral("the database file is read-only and holds no tables");
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
    if (m_readingOnly || m_immutable)
        return true;
    if (sqlite3* sqlite = handle())
        return sqlite3_db_readonly(sqlite, "main") == 1;
    return false;  // an ODBC source tells only when a write fails
}

QString TDataBase::readOnlyRefusal() {
    return QStringLiteral("the database is read-only: it can be looked at, but nothing can be stored in it");
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
        return Statement(cached.value(), true, QString(), m_rules, sql);

    auto query = std::make_shared<QSqlQuery>(m_connection);
    query->setForwardOnly(true);
    if (!query->prepare(adaptSql(sql)))
        return Statement(query, false, query->lastError().text(), m_rules, sql);
    if (cached == m_statements.end()) {
        if (m_statements.size() >= kMaxCachedStatements)
            m_statements.clear();
        m_statements.insert(sql, query);
    }
    return Statement(query, true, QString(), m_rules, sql);
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
    if (readOnly()) {
        m_transactionError = readOnlyRefusal();
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

}  // namespace quarrow

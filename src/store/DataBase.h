#pragma once

#include "store/Money.h"
#include "store/Statement.h"
#include "store/StoreLocation.h"
#include "store/StoreRules.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace quarrow {

// The data module: owns the single connection to the database file and hands out the
// statements every other part of the program runs. The file is SQLite, created with its
// tables, views and indexes on first open and migrated forward when older.
class TDataBase {
public:
    static constexpr int kSchemaVersion = 5;
    // How long a write waits for another writer (another program, a second window) to let go.
    static constexpr int kBusyTimeout_ms = 5000;

    explicit TDataBase(QString databaseFile, int busyTimeout_ms = kBusyTimeout_ms);
    ~TDataBase();
    TDataBase(const TDataBase&) = delete;
    TDataBase& operator=(const TDataBase&) = delete;

    // Before open(): reach the database through an ODBC connection string instead of the
    // file, for users who keep their data in an Access file (or any ODBC source). Such a
    // database is used as it is: it must hold the tables already; nothing is created or
    // migrated in it. A source that cannot be reached at all (no driver for it) is given
    // with the reason, which open() then reports.
    void useOdbc(const QString& connectionString, StoreKind kind = StoreKind::Odbc,
                 const QString& unavailable = QString()) {
        m_odbc = connectionString;
        m_kind = kind == StoreKind::SQLite ? StoreKind::Odbc : kind;
        m_unavailable = unavailable;
    }
    bool viaOdbc() const { return m_kind != StoreKind::SQLite; }
    StoreKind kind() const { return m_kind; }
    // Before open(): the store is only read (the import's source): it opens for reading, and
    // every write of the program's is refused.
    void openForReadingOnly() { m_readingOnly = true; }
    // How keys, days and money travel on this store; known once it opened.
    ValueRules valueRules() const { return m_rules; }

    // Opens (and when new, creates) the file. DBOpened() tells the outcome for good:
    // there is no reconnect, and with a closed database the program only parses and logs.
    bool open();
    void close();
    bool DBOpened() const { return m_opened; }
    // The file opened only for reading (write-protected, on a read-only medium, in a folder
    // the user may not write): every query works, every write is refused.
    bool readOnly() const;
    // The one line every refused write of a read-only store gives.
    static QString readOnlyRefusal();
    QString openError() const { return m_openError; }
    QString fileName() const { return m_file; }
    // What bringing an older file up to date did to its rows (repeats it dropped), in plain
    // English; empty when the file needed nothing of the kind.
    QStringList migrationNotes() const { return m_migrationNotes; }

    // Selects and bookkeeping updates.
    Statement QueryPublic(const QString& sql);
    // Row inserts.
    Statement DBCommand(const QString& sql);
    // Runs a statement without parameters; errors are returned, never thrown.
    bool execute(const QString& sql, QString* error = nullptr);

    // Takes the write lock at once (BEGIN IMMEDIATE), waiting out the busy timeout for
    // another writer, so a transaction never fails half-way on a lock it could not get.
    bool beginTransaction();
    // A failed COMMIT is rolled back: either way the connection is out of the transaction.
    bool commit();
    void rollback();
    bool inTransaction() const { return m_inTransaction; }
    // SQLite itself ended the open transaction (a full disk or log, an I/O error): the
    // statements after it would run one by one outside any transaction.
    bool transactionLost() const;
    // Why the last begin or commit failed, or the transaction was lost; never empty, so
    // every caller can report it as it stands.
    QString transactionError() const;
    // The last begin or commit failed because another program held the write lock past the
    // busy timeout: the same work may well succeed later, unlike on a full disk.
    bool transactionBusy() const { return m_transactionBusy; }

    // Department keys known to be in tblStDepart since the file was opened, with the name
    // stored under each; lets the writers skip offering the same name again and again.
    // Forgotten on rollback.
    bool isKnownDepartment(qint32 key) const { return m_knownDepartments.contains(key); }
    QString knownDepartmentName(qint32 key) const { return m_knownDepartments.value(key); }
    void rememberDepartment(qint32 key, const QString& name = QString()) {
        m_knownDepartments.insert(key, name);
    }
    // A name whose key another name holds already: true the first time this session, so
    // the user hears of it once.
    bool firstClashOf(const QString& name) {
        if (m_reportedClashes.contains(name))
            return false;
        m_reportedClashes.insert(name);
        return true;
    }

    // The columns a table or view shows, read once per opening (a migration happens only
    // at the opening); empty when it cannot be read.
    QStringList columnsOf(const QString& tableOrView);

    int schemaVersion();
    // SQLite's own check of the file: true when it reports "ok".
    bool integrityCheck(QString* report = nullptr);

    // A few statements were written for Access ("delete * from ..."); they are adapted to
    // SQLite here and only here.
    static QString adaptSql(const QString& sql);

    QSqlDatabase connection() const { return m_connection; }

private:
    friend class RowScan;
    // Statements are prepared once per text and reused: preparing costs more than running
    // most of our one-row inserts. A text whose statement is still in use gets a fresh one.
    Statement prepare(const QString& sql);
    bool createOrMigrate();
    bool refuseNewerSchema();
    bool registerFunctions();
    bool openOdbc();
    bool connectOdbc(const QString& connection);
    bool openSqlite(const QString& options);
    // Through the SQLite ODBC driver an integer column comes as 32 bits unless it is asked
    // for them whole; false with m_openError when the keys cannot come whole at all.
    bool settleKeyForm();
    ::sqlite3* handle() const;

    QSqlDatabase m_connection;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_statements;
    QHash<QString, QStringList> m_columns;
    QHash<qint32, QString> m_knownDepartments;
    QSet<QString> m_reportedClashes;
    QString m_file;
    QString m_odbc;
    StoreKind m_kind = StoreKind::SQLite;
    QString m_unavailable;
    ValueRules m_rules;
    bool m_readingOnly = false;
    bool m_immutable = false;  // opened without the write-ahead log's shared memory
    QString m_connectionName;
    int m_busyTimeout_ms;
    bool m_opened = false;
    bool m_inTransaction = false;
    bool m_transactionBusy = false;
    QString m_openError;
    QString m_transactionError;
    QStringList m_migrationNotes;
};

// Commits on commit(), rolls back when it goes out of scope uncommitted. A no-op on a
// closed database. Inside a transaction already open (a batch's group) it joins it: the
// group's owner commits or rolls back, and a failure here must reach that owner.
class Transaction {
public:
    explicit Transaction(TDataBase& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // False when the database is open but the write lock could not be had: nothing may
    // be written, since every statement would run on its own.
    bool began() const { return m_state != State::Failed; }
    bool commit();
    void rollback();

private:
    enum class State { Closed, Joined, Active, Failed, Done };
    TDataBase& m_db;
    State m_state = State::Closed;
};

}  // namespace quarrow

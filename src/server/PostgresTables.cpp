#include "server/PostgresTables.h"

#include "store/DataBase.h"

#include <QAtomicInteger>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace quarrow::PostgresTables {

namespace {

// The columns the server reads, in the types PostgreSQL gives them: days stay
// "yyyy-mm-dd" text so they compare as in the SQLite file.
const QStringList kCreate = {
    QStringLiteral("create table if not exists tblStocks (StCode text primary key, StName text, "
                   "StLastDate text, StBigLast text)"),
    QStringLiteral("create table if not exists tblStDepart (StDeptKey integer primary key, StDept text)"),
    QStringLiteral("create table if not exists tblStChange (ID bigint primary key, StCode text, StDate text, "
                   "StDeptKey integer, StBuy double precision, StSale double precision, "
                   "StRate double precision, StMemo text, StKEY bigint unique)"),
    QStringLiteral("create index if not exists ixStChangeDateId on tblStChange (StDate, ID)"),
    QStringLiteral(
        "create table if not exists tblBigBuySale (ID bigint primary key, StCode text, StDate text, "
        "StDeptBuy integer, StPrice double precision, StQTY double precision, "
        "StAMT double precision, StDeptSale integer, StKEY bigint unique)"),
    QStringLiteral("create index if not exists ixBigDateId on tblBigBuySale (StDate, ID)"),
    QStringLiteral("create table if not exists tblPublishInfo (Version bigint not null)"),
};

struct Table {
    const char* name;
    const char* columns;
    int count;
    qint64 CopyCounts::*counted;
};

const Table kTables[] = {
    {"tblStocks", "StCode,StName,StLastDate,StBigLast", 4, &CopyCounts::stocks},
    {"tblStDepart", "StDeptKey,StDept", 2, &CopyCounts::departments},
    {"tblStChange", "ID,StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY", 9, &CopyCounts::changes},
    {"tblBigBuySale", "ID,StCode,StDate,StDeptBuy,StPrice,StQTY,StAMT,StDeptSale,StKEY", 9,
     &CopyCounts::blockTrades},
};

QString newConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("quarrow-postgres-%1").arg(counter.fetchAndAddRelaxed(1));
}

}  // namespace

bool isAddress(const QString& database) {
    return database.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           database.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QSqlDatabase connection(const QString& address, const QString& connectionName, const QString& password) {
    const QUrl url(address);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(url.host().isEmpty() ? QStringLiteral("localhost") : url.host());
    db.setPort(url.port(5432));
    db.setUserName(url.userName());
    // Left empty, libpq reads PGPASSWORD or the password file itself.
    db.setPassword(password.isEmpty() ? url.password() : password);
    QString name = url.path();
    if (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    db.setDatabaseName(name);
    return db;
}

bool readPasswordFile(const QString& file, QString* password, QString* error) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the password file %1: %2").arg(file, in.errorString());
        return false;
    }
    *password = QString::fromUtf8(in.readLine()).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    return true;
}

bool copyFrom(TDataBase& source, const QString& address, CopyCounts* counts, QString* error,
              const QString& password) {
    const QString connectionName = newConnectionName();
    bool copied = false;
    {
        QSqlDatabase target = connection(address, connectionName, password);
        auto fail = [&](const QString& what, const QSqlError& sqlError) {
            *error = what + QStringLiteral(": ") + sqlError.text();
            target.rollback();
            return false;
        };
        copied = [&] {
            if (!target.open())
                return fail(QStringLiteral("cannot connect"), target.lastError());
            if (!target.transaction())
                return fail(QStringLiteral("cannot begin"), target.lastError());
            QSqlQuery run(target);
            // "already exists, skipping" is what a second copy expects.
            run.exec(QStringLiteral("set local client_min_messages to warning"));
            for (const QString& sql : kCreate) {
                if (!run.exec(sql))
                    return fail(QStringLiteral("cannot make the tables"), run.lastError());
            }
            for (const Table& table : kTables) {
                const QString name = QString::fromLatin1(table.name);
                if (!run.exec(QStringLiteral("delete from ") + name))
                    return fail(QStringLiteral("cannot empty ") + name, run.lastError());
                QStringList marks;
                for (int i = 0; i < table.count; ++i)
                    marks << QStringLiteral("?");
                QSqlQuery insert(target);
                if (!insert.prepare(
                        QStringLiteral("insert into %1 (%2) values (%3)")
                            .arg(name, QString::fromLatin1(table.columns), marks.join(QLatin1Char(',')))))
                    return fail(QStringLiteral("cannot prepare the rows of ") + name, insert.lastError());
                Statement rows = source.QueryPublic(
                    QStringLiteral("select %1 from %2").arg(QString::fromLatin1(table.columns), name));
                if (!rows.exec()) {
                    *error = QStringLiteral("cannot read %1: %2").arg(name, rows.error());
                    target.rollback();
                    return false;
                }
                qint64 copiedRows = 0;
                while (rows.next()) {
                    for (int i = 0; i < table.count; ++i)
                        insert.bindValue(i, rows.value(i));
                    if (!insert.exec())
                        return fail(QStringLiteral("cannot store a row of ") + name, insert.lastError());
                    ++copiedRows;
                }
                counts->*(table.counted) = copiedRows;
            }
            if (!run.exec(QStringLiteral("delete from tblPublishInfo")) ||
                !run.exec(QStringLiteral("insert into tblPublishInfo (Version) values "
                                         "((extract(epoch from clock_timestamp()) * 1000000)::bigint)")))
                return fail(QStringLiteral("cannot number the copy"), run.lastError());
            if (!target.commit())
                return fail(QStringLiteral("cannot commit"), target.lastError());
            return true;
        }();
        target.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    return copied;
}

}  // namespace quarrow::PostgresTables

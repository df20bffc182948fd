#include "support/OdbcStandIn.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>

namespace quarrow::test {

QString standInConnection(const QString& file) {
    return QStringLiteral("Driver=SQLite3;Database=") + file;
}

QString odbcStandInMissing() {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
        return QStringLiteral("Qt's ODBC driver is not installed (Debian: libqt6sql6-odbc)");
    static const QString missing = [] {
        QTemporaryDir dir;
        QString reason;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("stand-in probe"));
            db.setDatabaseName(standInConnection(dir.filePath(QStringLiteral("probe.db"))));
            if (!db.open())
                reason = QStringLiteral("no SQLite3 ODBC driver registered (Debian: libsqliteodbc): ") +
                         db.lastError().text();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("stand-in probe"));
        return reason;
    }();
    return missing;
}

bool makeAccessStandIn(const QString& file, QString* error) {
    const QStringList statements{
        "create table tblStocks (StCode TEXT(6) not null, StName TEXT(20), StIssueDate DATETIME, StAmount "
        "CURRENCY default 0, StQuantity DOUBLE default 0, StAQuantity DOUBLE default 0, StRefreshDate "
        "DATETIME, StNew SHORT, StDocDate DATETIME, "
        "StLastDate DATETIME, StBigLast DATETIME)",
        "create unique index StCode on tblStocks (StCode)",
        "create table tblStChange (ID COUNTER primary key, StCode TEXT(6), StDate DATETIME, StDeptKey LONG, "
        "StBuy CURRENCY, StSale CURRENCY, StRate CURRENCY, StMemo TEXT(20), StKEY CURRENCY not null, "
        "StArchived BIT default 0)",
        "create unique index StChangeKEY on tblStChange (StKEY)",
        "create table tblBigBuySale (ID COUNTER primary key, StCode TEXT(6), StDate DATETIME, StDeptBuy "
        "LONG, "
        "StPrice CURRENCY, StQTY CURRENCY, StAMT CURRENCY, StDeptSale LONG, StKEY CURRENCY not null, "
        "StArchived BIT default 0)",
        "create unique index BigBuySaleKEY on tblBigBuySale (StKEY)",
        "create table tblStDepart (StDeptKey LONG not null, StDept TEXT(100))",
        "create unique index StDeptKey on tblStDepart (StDeptKey)",
        "create table tblMainBuySale (ID COUNTER primary key, StCode TEXT(6), StName TEXT(20), StDate "
        "DATETIME, "
        "StDept TEXT(50), StBuy CURRENCY, StSale CURRENCY, StRate CURRENCY, StMemo TEXT(100))",
        "create unique index MainDayMemo on tblMainBuySale (StDate, StMemo)",
        "create view viewStChange as select c.ID, c.StCode, s.StName, c.StDate, d.StDept, c.StBuy, c.StSale, "
        "c.StRate, c.StMemo from tblStChange c left join tblStocks s on s.StCode = c.StCode left join "
        "tblStDepart "
        "d on d.StDeptKey = c.StDeptKey",
        "create view viewStBigBuySale as select b.ID, b.StCode, s.StName, b.StDate, buyer.StDept as "
        "StDeptBuy, "
        "seller.StDept as StDeptSale, b.StPrice, b.StQTY, b.StAMT from tblBigBuySale b left join tblStocks s "
        "on "
        "s.StCode = b.StCode left join tblStDepart buyer on buyer.StDeptKey = b.StDeptBuy left join "
        "tblStDepart "
        "seller on seller.StDeptKey = b.StDeptSale",
    };
    QString reason;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("stand-in maker"));
        db.setDatabaseName(file);
        if (!db.open())
            reason = db.lastError().text();
        QSqlQuery query(db);
        QStringList all = statements;
        // Access numbers a COUNTER itself; SQLite numbers only an INTEGER PRIMARY KEY.
        for (const char* table : {"tblStChange", "tblBigBuySale", "tblMainBuySale"})
            all << QStringLiteral(
                       "create trigger %1Counter after insert on %1 when new.ID is null begin update %1 "
                       "set ID = (select ifnull(max(ID), 0) + 1 from %1) where rowid = new.rowid; end")
                       .arg(QLatin1String(table));
        for (const QString& statement : all) {
            if (reason.isEmpty() && !query.exec(statement))
                reason = query.lastError().text() + QStringLiteral(": ") + statement;
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("stand-in maker"));
    if (error)
        *error = reason;
    return reason.isEmpty();
}

}  // namespace quarrow::test

#include "store/DataBase.h"
#include "store/DepartmentNames.h"
#include "store/RecordKeys.h"
#include "store/RowScan.h"
#include "store/Schema.h"

#include "support/FaultInjection.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <optional>

using namespace quarrow;
using quarrow::test::DelayedRelease;
using quarrow::test::SqliteWriteFaults;
using quarrow::test::TempHome;
using quarrow::test::WriteLockHolder;

namespace {

const QString kInsertChange = QStringLiteral(
    "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
    "values (:StCode,:StDate,:StDeptKey,:StBuy,:StSale,:StRate,:StMemo,:StKEY)");

bool insertChange(TDataBase& db, qint64 key, const QDate& day = QDate(2017, 3, 16)) {
    Statement insert = db.DBCommand(kInsertChange);
    insert.bind(QStringLiteral(":StCode"), QStringLiteral("600610"))
        .bind(QStringLiteral(":StDate"), day)
        .bind(QStringLiteral(":StDeptKey"), qint32(-5))
        .bind(QStringLiteral(":StBuy"), *Money::parse(QStringLiteral("1234.56")))
        .bind(QStringLiteral(":StSale"), Money())
        .bind(QStringLiteral(":StRate"), *Money::parse(QStringLiteral("10.02")))
        .bind(QStringLiteral(":StMemo"), QStringLiteral("涨跌幅大"))
        .bind(QStringLiteral(":StKEY"), key);
    return insert.exec();
}

qint64 count(TDataBase& db, const QString& table) {
    Statement query = db.QueryPublic(QStringLiteral("select count(*) from ") + table);
    EXPECT_TRUE(query.exec());
    EXPECT_TRUE(query.next());
    return query.integer(0);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(TDataBase, CreatesEverythingOnFirstOpenAndKeepsItOnReopen) {
    TempHome home;
    {
        TDataBase db(home.file(QStringLiteral("Quarrow.db")));
        ASSERT_TRUE(db.open()) << db.openError().toStdString();
        EXPECT_TRUE(db.DBOpened());
        EXPECT_EQ(db.schemaVersion(), TDataBase::kSchemaVersion);
        for (const char* table : {"tblStocks", "tblStChange", "tblBigBuySale", "tblStDepart",
                                  "tblMainBuySale", "viewStChange", "viewStBigBuySale"})
            EXPECT_EQ(count(db, QString::fromUtf8(table)), 0) << table;
        ASSERT_TRUE(insertChange(db, 42));
    }
    TDataBase again(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(again.open());
    EXPECT_EQ(count(again, QStringLiteral("tblStChange")), 1);
    EXPECT_TRUE(again.integrityCheck());
}

TEST(TDataBase, ARepeatedKeyFailsOnlyThatRowInsideATransaction) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    Transaction transaction(db);
    EXPECT_TRUE(insertChange(db, 7));
    EXPECT_FALSE(insertChange(db, 7));
    EXPECT_TRUE(insertChange(db, 8));
    EXPECT_TRUE(transaction.commit());
    EXPECT_EQ(count(db, QStringLiteral("tblStChange")), 2);
}

TEST(TDataBase, AnUncommittedTransactionLeavesNothing) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    {
        Transaction transaction(db);
        EXPECT_TRUE(insertChange(db, 1));
    }
    EXPECT_EQ(count(db, QStringLiteral("tblStChange")), 0);
}

TEST(TDataBase, KeysBeyondDoublePrecisionStayExactAndUnique) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    // Two keys a REAL column could not tell apart.
    const qint64 big = (600610LL << 40) + 1;
    ASSERT_TRUE(insertChange(db, big));
    ASSERT_TRUE(insertChange(db, big + 1));
    EXPECT_FALSE(insertChange(db, big));
    Statement query =
        db.QueryPublic(QStringLiteral("select StKEY, StBuy, StDate from tblStChange order by ID"));
    ASSERT_TRUE(query.exec());
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.integer(0), big);
    EXPECT_EQ(query.money(1).raw(), 12345600);
    EXPECT_EQ(query.date(2), QDate(2017, 3, 16));
}

TEST(TDataBase, RunsTheFunctionsAndAccessSyntaxOfOurStatements) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    ASSERT_TRUE(insertChange(db, 1, QDate(2017, 3, 5)));
    ASSERT_TRUE(insertChange(db, 2, QDate(2017, 3, 16)));
    Statement query =
        db.QueryPublic(QStringLiteral("select count(*), Max(StDate), sum(ABS(StRate)), Trim('  x ') from "
                                      "tblStChange where StDate>=CDate('2017-3-6')"));
    ASSERT_TRUE(query.exec()) << query.error().toStdString();
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.integer(0), 1);
    EXPECT_EQ(query.text(1), QStringLiteral("2017-03-16"));
    EXPECT_EQ(query.text(3), QStringLiteral("x"));
    EXPECT_TRUE(db.execute(QStringLiteral("delete * from tblStChange")));
    EXPECT_EQ(count(db, QStringLiteral("tblStChange")), 0);
}

TEST(TDataBase, NullDaysReadAsNoDay) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    Statement insert =
        db.QueryPublic(QStringLiteral("insert into tblStocks (StCode,StName) values(:StCode,:StName)"));
    insert.bind(QStringLiteral(":StCode"), QStringLiteral("600610"))
        .bind(QStringLiteral(":StName"), QStringLiteral("中毅达"));
    ASSERT_TRUE(insert.exec());
    Statement select = db.QueryPublic(QStringLiteral("select StBigLast from tblStocks where StCode=:StCode"));
    select.bind(QStringLiteral(":StCode"), QStringLiteral("600610"));
    ASSERT_TRUE(select.exec());
    ASSERT_TRUE(select.next());
    EXPECT_FALSE(select.date(0).isValid());
}

TEST(TDataBase, DaysAreWrittenAsYearMonthDayAndReadBack) {
    for (const QDate& day : {QDate(2017, 3, 16), QDate(987, 1, 5), QDate(2000, 12, 31), QDate(9999, 9, 9),
                             QDate(12345, 1, 1), QDate(-44, 3, 15)}) {
        EXPECT_EQ(Statement::dayText(day), day.toString(QStringLiteral("yyyy-MM-dd")));
        if (day.year() > 0 && day.year() < 10000) {
            EXPECT_EQ(Statement::parseDay(Statement::dayText(day)), day);
        }
    }
    EXPECT_TRUE(Statement::dayText(QDate()).isEmpty());
}

TEST(TDataBase, ARowScanReadsWhatAStatementReads) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    for (const QDate& day : {QDate(2017, 3, 15), QDate(2017, 3, 16), QDate(2017, 3, 17)}) {
        Statement insert = db.DBCommand(
            QStringLiteral("insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StMemo,StKEY) "
                           "values (:StCode,:StDate,:StDeptKey,:StBuy,:StSale,:StMemo,:StKEY)"));
        insert.bind(QStringLiteral(":StCode"), QStringLiteral("600610"))
            .bind(QStringLiteral(":StDate"), day)
            .bind(QStringLiteral(":StDeptKey"), qint32(-7))
            .bind(QStringLiteral(":StBuy"), *Money::parse(QStringLiteral("1234.5678")))
            .bindNull(QStringLiteral(":StSale"))
            .bind(QStringLiteral(":StMemo"), QStringLiteral("涨跌幅大"))
            .bind(QStringLiteral(":StKEY"), qint64(0x7FFFFFFFFFFF0000) + day.day());
        ASSERT_TRUE(insert.exec()) << insert.error().toStdString();
    }
    const QString sql = QStringLiteral(
        "select StCode, StDate, StDeptKey, StBuy, StSale, StMemo, StKEY from tblStChange "
        "where StDate>=:StDate order by ID");
    Statement statement = db.QueryPublic(sql);
    statement.bind(QStringLiteral(":StDate"), QDate(2017, 3, 16));
    ASSERT_TRUE(statement.exec());
    RowScan scan(db, sql);
    scan.bind(QStringLiteral(":StDate"), QDate(2017, 3, 16));
    ASSERT_TRUE(scan.exec()) << scan.error().toStdString();
    int rows = 0;
    while (scan.next()) {
        ASSERT_TRUE(statement.next());
        ++rows;
        EXPECT_EQ(QString::fromUtf8(scan.utf8(0)), statement.text(0));
        EXPECT_EQ(QString::fromUtf8(scan.utf8(1)), statement.text(1));
        EXPECT_EQ(scan.integer(2), statement.integer(2));
        EXPECT_EQ(scan.real(3), statement.real(3));
        EXPECT_TRUE(scan.isNull(4));
        EXPECT_EQ(QString::fromUtf8(scan.utf8(5)), statement.text(5));
        EXPECT_EQ(scan.integer(6), statement.integer(6));
    }
    EXPECT_EQ(rows, 2);
    EXPECT_FALSE(statement.next());
    EXPECT_TRUE(scan.error().isEmpty());

    RowScan broken(db, QStringLiteral("select nothing from nowhere"));
    EXPECT_FALSE(broken.exec());
    EXPECT_FALSE(broken.error().isEmpty());
    EXPECT_FALSE(broken.next());
}

TEST(TDataBase, AFileThatIsNoDatabaseLeavesItClosed) {
    TempHome home;
    const QString path = home.file(QStringLiteral("Quarrow.db"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    TDataBase db(path);
    EXPECT_FALSE(db.open());
    EXPECT_FALSE(db.DBOpened());
    EXPECT_FALSE(db.openError().isEmpty());
}

TEST(TDataBase, TellsARepeatedKeyFromOtherFailures) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    Statement first = db.DBCommand(
        QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (:StDeptKey,:StDept)"));
    first.bind(QStringLiteral(":StDeptKey"), qint32(1))
        .bind(QStringLiteral(":StDept"), QStringLiteral("机构专用"));
    ASSERT_TRUE(first.exec());
    Statement again = db.DBCommand(
        QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (:StDeptKey,:StDept)"));
    again.bind(QStringLiteral(":StDeptKey"), qint32(1))
        .bind(QStringLiteral(":StDept"), QStringLiteral("机构专用"));
    EXPECT_FALSE(again.exec());
    EXPECT_TRUE(again.failedOnUniqueKey());
    Statement broken = db.DBCommand(QStringLiteral("insert into tblNoSuchTable (x) values (:x)"));
    broken.bind(QStringLiteral(":x"), qint32(1));
    EXPECT_FALSE(broken.exec());
    EXPECT_FALSE(broken.failedOnUniqueKey());
    EXPECT_FALSE(broken.error().isEmpty());
}

TEST(TDataBase, AFailedCommitIsRolledBackAndTheNextTransactionStores) {
    TempHome home;
    const QString path = home.file(QStringLiteral("Quarrow.db"));
    SqliteWriteFaults faults(-1);
    {
        TDataBase db(path);
        ASSERT_TRUE(db.open());
        {
            Transaction lost(db);
            ASSERT_TRUE(insertChange(db, 1));
            db.rememberDepartment(5);
            faults.allow(0);
            EXPECT_FALSE(lost.commit());
            EXPECT_GT(faults.writesFailed(), 0) << "the fault never reached SQLite";
            faults.allow(-1);
        }
        EXPECT_FALSE(db.inTransaction());
        EXPECT_FALSE(db.isKnownDepartment(5)) << "a name of the lost transaction is taken for stored";
        Transaction next(db);
        ASSERT_TRUE(next.began());
        ASSERT_TRUE(insertChange(db, 2));
        EXPECT_TRUE(next.commit());
    }
    TDataBase again(path);
    ASSERT_TRUE(again.open());
    EXPECT_EQ(count(again, QStringLiteral("tblStChange")), 1);
    EXPECT_TRUE(again.integrityCheck());
}

TEST(TDataBase, AWriteTransactionWaitsForAnotherWriterUpToTheBusyTimeout) {
    struct Case {
        const char* name;
        int releaseAfter_ms;  // -1: held past the timeout
    };
    for (const Case& c : {Case{"released in time", 150}, Case{"held too long", -1}}) {
        SCOPED_TRACE(c.name);
        TempHome home;
        const QString path = home.file(QStringLiteral("Quarrow.db"));
        TDataBase db(path, 400);
        ASSERT_TRUE(db.open());
        WriteLockHolder holder(path);
        ASSERT_TRUE(holder.holding());
        std::optional<DelayedRelease> release;
        if (c.releaseAfter_ms >= 0)
            release.emplace(holder, c.releaseAfter_ms);
        Transaction transaction(db);
        EXPECT_EQ(transaction.began(), c.releaseAfter_ms >= 0);
        if (!transaction.began()) {
            EXPECT_FALSE(db.inTransaction());
            EXPECT_FALSE(db.transactionError().isEmpty());
            continue;
        }
        // A read first: a reader that turns writer while another one writes is refused
        // at once unless the lock was taken when the transaction began.
        EXPECT_EQ(count(db, QStringLiteral("tblStChange")), 0);
        EXPECT_TRUE(insertChange(db, 1));
        EXPECT_TRUE(transaction.commit());
    }
}

TEST(TDataBase, AFileOfANewerVersionIsRefusedUntouched) {
    TempHome home;
    const QString path = home.file(QStringLiteral("Quarrow.db"));
    {
        QSqlDatabase future = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("future"));
        future.setDatabaseName(path);
        ASSERT_TRUE(future.open());
        QSqlQuery query(future);
        ASSERT_TRUE(query.exec(QStringLiteral("create table future(x)")));
        ASSERT_TRUE(query.exec(QStringLiteral("pragma user_version=99")));
        query.finish();
        future.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("future"));
    const QByteArray before = readAll(path);

    TDataBase db(path);
    EXPECT_FALSE(db.open());
    EXPECT_TRUE(db.openError().contains(QLatin1String("newer"))) << db.openError().toStdString();
    EXPECT_EQ(readAll(path), before) << "refused, yet written to";
    EXPECT_FALSE(QFile::exists(path + QStringLiteral("-wal")));
}

// A file of the first version, with its rows, as our users hold it: opening it adds what
// later versions brought, and the query page's slow statements then run on the new indexes.
TEST(TDataBase, AFileOfTheFirstVersionIsMigratedAndKeepsItsRows) {
    TempHome home;
    const QString path = home.file(QStringLiteral("Quarrow.db"));
    {
        QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        old.setDatabaseName(path);
        ASSERT_TRUE(old.open());
        QSqlQuery query(old);
        for (const QString& sql : Schema::migration(1))
            ASSERT_TRUE(query.exec(sql)) << sql.toStdString();
        ASSERT_TRUE(
            query.exec(QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (-5,'机构专用')")));
        ASSERT_TRUE(query.exec(QStringLiteral(
            "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
            "values ('600610','2017-03-16',-5,1234.56,0,-10.02,'涨跌幅大',42)")));
        ASSERT_TRUE(query.exec(QStringLiteral("pragma user_version=1")));
        query.finish();
        old.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));

    TDataBase db(path);
    ASSERT_TRUE(db.open()) << db.openError().toStdString();
    EXPECT_EQ(db.schemaVersion(), TDataBase::kSchemaVersion);
    EXPECT_EQ(count(db, QStringLiteral("viewStChange where StDept='机构专用'")), 1);

    const struct {
        const char* sql;
        const char* index;
    } plans[] = {
        {"select ID from viewStChange where StDept='机构专用' order by ID", "ixDepartName"},
        {"select ID from viewStBigBuySale where StDeptSale='机构专用' order by ID", "ixDepartName"},
        {"select ID from viewStChange where (true) Order by ABS(StRate) desc", "ixStChangeAbsRate"},
        {"select ID from viewStBigBuySale where (StQTY>=0) Order by ABS(StQTY) desc", "ixBigAbsQty"},
    };
    for (const auto& plan : plans) {
        Statement explain =
            db.QueryPublic(QStringLiteral("explain query plan ") + QString::fromUtf8(plan.sql));
        ASSERT_TRUE(explain.exec()) << plan.sql;
        QString steps;
        while (explain.next())
            steps += explain.text(3) + QLatin1Char('\n');
        EXPECT_TRUE(steps.contains(QLatin1String(plan.index))) << plan.sql << "\n" << steps.toStdString();
    }
}

// An alert is unique by its day and memo. A file from before the alerts' index may hold
// look-alikes of one day and memo, and a file of the earlier release made the memo alone
// unique; both keep every row: look-alikes of a day are numbered, and the same memo a year
// later is a new alert, while the same day and memo is a repeat (a unique key, not a
// storage error).
TEST(TDataBase, AlertsAreUniqueByDayAndMemoAndMigrationKeepsEveryRow) {
    const struct {
        const char* what;
        int version;
        QStringList extra;  // run after the version's migrations, as the earlier release did
        const char* rows;   // (StDate, StMemo) values
        QStringList notes;
        const char* memos;  // every memo afterwards, by ID
    } cases[] = {
        {"version 3",
         3,
         {},
         "('2017-03-16','M'),('2017-03-16','M'),(null,null),('2016-03-16','M'),('2017-03-16',''),"
         "('2017-03-16','M'),('2017-03-16','N'),('2017-03-16',null),('2017-03-16','')",
         {QStringLiteral("numbered 2 main-force alerts of tblMainBuySale that repeat the memo of another of "
                         "their day (memo#2, memo#3, ...); every row is kept")},
         "M,M#2,-,M,,M#3,N,-,"},
        {"version 4 of the earlier release",
         4,
         {QStringLiteral("create unique index ixMainMemo on tblMainBuySale (StMemo) where StMemo<>''")},
         "('2017-03-16','M'),('2017-03-16','N'),(null,null),('2017-03-16','')",
         {},
         "M,N,-,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        const QString path = home.file(QStringLiteral("Quarrow.db"));
        {
            QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            old.setDatabaseName(path);
            ASSERT_TRUE(old.open());
            QSqlQuery query(old);
            QStringList statements;
            for (int version = 1; version <= c.version && version < 4; ++version)
                statements += Schema::migration(version);
            statements += c.extra;
            statements << QStringLiteral("insert into tblMainBuySale (StDate,StMemo) values ") +
                              QString::fromUtf8(c.rows)
                       << QStringLiteral("pragma user_version=%1").arg(c.version);
            for (const QString& sql : statements)
                ASSERT_TRUE(query.exec(sql)) << sql.toStdString();
            query.finish();
            old.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));

        TDataBase db(path);
        ASSERT_TRUE(db.open()) << db.openError().toStdString();
        EXPECT_EQ(db.migrationNotes(), c.notes);
        Statement memos = db.QueryPublic(QStringLiteral("select StMemo from tblMainBuySale order by ID"));
        ASSERT_TRUE(memos.exec());
        QStringList seen;
        while (memos.next())
            seen << (memos.isNull(0) ? QStringLiteral("-") : memos.text(0));
        EXPECT_EQ(seen.join(QLatin1Char(',')), QString::fromUtf8(c.memos));

        const struct {
            const char* day;
            bool stored;
        } inserts[] = {{"2018-03-16", true}, {"2017-03-16", false}};
        for (const auto& insert : inserts) {
            Statement alert = db.DBCommand(
                QStringLiteral("insert into tblMainBuySale (StDate,StMemo) values (:StDate,:StMemo)"));
            alert
                .bind(QStringLiteral(":StDate"),
                      QDate::fromString(QString::fromUtf8(insert.day), Qt::ISODate))
                .bind(QStringLiteral(":StMemo"), QStringLiteral("M"));
            EXPECT_EQ(alert.exec(), insert.stored) << insert.day;
            EXPECT_EQ(alert.failedOnUniqueKey(), !insert.stored) << insert.day;
        }
        db.close();
        TDataBase again(path);
        ASSERT_TRUE(again.open());
        EXPECT_TRUE(again.migrationNotes().isEmpty());
    }
}

// Two names of the same characters in another order share a key: the first keeps it, and
// the writer that meets the second hears it once, with both names, then never again.
TEST(DepartmentNames, ASecondNameUnderAHeldKeyIsSaidOnce) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    const QString first = QStringLiteral("国泰君安证券上海营业部");
    const QString second = QStringLiteral("国安君泰证券上海营业部");
    const qint32 key = CalcDeptKey(first);
    ASSERT_EQ(key, CalcDeptKey(second));
    ASSERT_EQ(key, 1726351695);
    struct Offer {
        QString name;
        DepartmentOffer::Result result;
        QString heldBy;
    };
    const Offer offers[] = {
        {first, DepartmentOffer::Result::Stored, {}},
        {second, DepartmentOffer::Result::AlreadyStored, first},
        {second, DepartmentOffer::Result::AlreadyStored, {}},
        {QStringLiteral(" ") + first, DepartmentOffer::Result::AlreadyStored, {}},
    };
    for (const Offer& o : offers) {
        const DepartmentOffer offer = offerDepartment(db, key, o.name);
        EXPECT_EQ(offer.result, o.result) << o.name.toStdString();
        EXPECT_EQ(offer.heldBy, o.heldBy) << o.name.toStdString();
    }
    // A new session of the same store reads who holds the key.
    db.close();
    TDataBase reopened(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(reopened.open());
    EXPECT_EQ(offerDepartment(reopened, key, second).heldBy, first);
    const QString line = departmentClashLine(second, first, key);
    EXPECT_TRUE(line.contains(first) && line.contains(second) && line.contains(QString::number(key)));
}

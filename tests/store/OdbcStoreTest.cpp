// The extraction's own statements through an ODBC connection instead of the embedded
// file: here the SQLite ODBC driver of unixODBC stands in for Microsoft's Access driver.
// Skipped, with the reason, where Qt's ODBC driver or the SQLite ODBC driver is missing.
// A user's existing Access file may still hold the views of the program's first release,
// which show the department names but not their keys; the query page's department filter
// must select the same rows there.

#include "report/StockExtraction.h"

#include "review/QueryRunner.h"
#include "review/ReviewTestData.h"

#include "app/TextCodec.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "store/RowScan.h"
#include "support/FakeLauncher.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QSqlDatabase>

using namespace quarrow;
using namespace quarrow::test;

namespace {

class OdbcStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
            GTEST_SKIP() << "Qt's ODBC driver is not installed (Debian: libqt6sql6-odbc)";
        // The file gets its tables as the program makes them; ODBC then only uses them.
        const QString file = home.file(QStringLiteral("Quarrow.db"));
        {
            TDataBase maker(file);
            ASSERT_TRUE(maker.open()) << maker.openError().toStdString();
        }
        db.useOdbc(QStringLiteral("Driver=SQLite3;Database=") + file);
        if (!db.open()) {
            if (db.openError().contains(QStringLiteral("IM002")))
                GTEST_SKIP() << "no SQLite3 ODBC driver registered (Debian: libsqliteodbc)";
            FAIL() << db.openError().toStdString();
        }
    }

    qint64 count(const QString& table) {
        Statement query = db.QueryPublic(QStringLiteral("select count(*) from ") + table);
        EXPECT_TRUE(query.exec()) << query.error().toStdString();
        return query.next() ? query.integer(0) : -1;
    }

    ExtractionResult extract() {
        const QStringList lines =
            TextCodec::splitLines(TextCodec::decode(dataFile(QStringLiteral("report/two_days.txt"))));
        StockExtraction extraction(services, totals);
        return extraction.run(lines, options, ExtractionCaller::Reanalysis);
    }

    TempHome home;
    TDataBase db{home.file(QStringLiteral("unused"))};
    RecordingFrame frame{home.path()};
    VirtualClock clock{QDateTime(QDate(2017, 3, 21), QTime(16, 0))};
    FakeLauncher launcher;
    FixedNetworkState network{true};
    PortableArchiver archiver;
    ExtractionServices services{db, frame, clock, launcher, archiver, network, ProgramFolder(home.path())};
    ExtractionTotals totals;
    ExtractionOptions options = [] {
        ExtractionOptions o;
        o.code = QStringLiteral("600610");
        o.name = QStringLiteral("中毅达");
        return o;
    }();
};

}  // namespace

TEST_F(OdbcStoreTest, StoresAReportWithTheProgramsStatementsAndASecondRunStoresNothing) {
    ASSERT_TRUE(db.viaOdbc());
    EXPECT_TRUE(extract().reportRecognised);
    EXPECT_EQ(count(QStringLiteral("tblStChange")), 5);
    EXPECT_EQ(count(QStringLiteral("tblBigBuySale")), 2);
    Statement day = db.QueryPublic(QStringLiteral("select StLastDate from tblStocks where StCode=:StCode"));
    day.bind(QStringLiteral(":StCode"), QStringLiteral("600610"));
    ASSERT_TRUE(day.exec()) << day.error().toStdString();
    ASSERT_TRUE(day.next());
    EXPECT_EQ(day.date(0), QDate(2017, 3, 16));

    // The second run finds the report stored already, and says so without an error.
    frame.logs.clear();
    extract();
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\t>>>>>数据库中已经保存过 600610 的操盘数据"), LogColor::Red));
    EXPECT_EQ(frame.countLogs(QStringLiteral("出错")), 0);
    EXPECT_EQ(count(QStringLiteral("tblStChange")), 5);
    EXPECT_EQ(count(QStringLiteral("tblBigBuySale")), 2);

    // The track record's row scan reads the same rows through ODBC, through Qt.
    RowScan scan(db, QStringLiteral("select StCode, StDate, StKEY from tblStChange order by ID"));
    ASSERT_TRUE(scan.exec()) << scan.error().toStdString();
    int rows = 0;
    while (scan.next()) {
        ++rows;
        EXPECT_EQ(QString::fromUtf8(scan.utf8(0)), QStringLiteral("600610"));
        EXPECT_TRUE(scan.utf8(1).startsWith("2017-03-1"));
        EXPECT_NE(scan.integer(2), 0);
    }
    EXPECT_EQ(rows, 5);
    EXPECT_TRUE(scan.error().isEmpty());
}

TEST_F(OdbcStoreTest, ARepeatedKeyIsARowAlreadyStoredAndARollbackLeavesNothing) {
    const auto insertStock = [this](const QString& code) {
        Statement insert = db.DBCommand(QStringLiteral(
            "insert into tblStocks (StCode,StName,StDocDate) values(:StCode,:StName,:StDocDate)"));
        insert.bind(QStringLiteral(":StCode"), code)
            .bind(QStringLiteral(":StName"), QStringLiteral("浦发银行"))
            .bind(QStringLiteral(":StDocDate"), QDate(2017, 3, 16));
        return insert;
    };
    Statement first = insertStock(QStringLiteral("600000"));
    ASSERT_TRUE(first.exec()) << first.error().toStdString();
    Statement again = insertStock(QStringLiteral("600000"));
    EXPECT_FALSE(again.exec());
    EXPECT_TRUE(again.failedOnUniqueKey()) << again.error().toStdString();
    {
        Transaction transaction(db);
        ASSERT_TRUE(transaction.began());
        Statement other = insertStock(QStringLiteral("600001"));
        ASSERT_TRUE(other.exec()) << other.error().toStdString();
        EXPECT_EQ(count(QStringLiteral("tblStocks")), 2);
    }
    EXPECT_EQ(count(QStringLiteral("tblStocks")), 1);
}

TEST_F(OdbcStoreTest, DepartmentFilterSelectsTheSameRowsThroughTheFirstReleasesViews) {
    // The same rows twice: under the program's own views, and in the file ODBC reads under
    // the views as the first release defined them.
    TDataBase own(home.file(QStringLiteral("own.db")));
    ASSERT_TRUE(own.open());
    seedReviewRows(own);
    db.close();
    {
        TDataBase old(home.file(QStringLiteral("Quarrow.db")));
        ASSERT_TRUE(old.open());
        seedReviewRows(old);
        for (const char* sql : {
                 "drop view viewStChange",
                 "create view viewStChange as select c.ID, c.StCode, s.StName, c.StDate, d.StDept, c.StBuy,"
                 " c.StSale, c.StRate, c.StMemo from tblStChange c left join tblStocks s on s.StCode = "
                 "c.StCode"
                 " left join tblStDepart d on d.StDeptKey = c.StDeptKey",
                 "drop view viewStBigBuySale",
                 "create view viewStBigBuySale as select b.ID, b.StCode, s.StName, b.StDate,"
                 " buyer.StDept as StDeptBuy, seller.StDept as StDeptSale, b.StPrice, b.StQTY, b.StAMT"
                 " from tblBigBuySale b left join tblStocks s on s.StCode = b.StCode"
                 " left join tblStDepart buyer on buyer.StDeptKey = b.StDeptBuy"
                 " left join tblStDepart seller on seller.StDeptKey = b.StDeptSale",
             }) {
            QString error;
            ASSERT_TRUE(old.execute(QString::fromLatin1(sql), &error)) << error.toStdString();
        }
    }
    ASSERT_TRUE(db.open()) << db.openError().toStdString();
    EXPECT_EQ(departmentFilterForm(own), DepartmentFilterForm::ViewKeys);
    EXPECT_EQ(departmentFilterForm(db), DepartmentFilterForm::TableRows);

    OperatorQuery page;
    page.fromTicked = false;
    page.departmentGiven = true;
    int rows = 0;
    int trades = 0;
    for (const QString& department :
         {test::kGuotai, test::kCitic, test::kBlanked.trimmed() + QStringLiteral("|2")}) {
        page.departmentItem = department;
        for (const QueryButton button : {QueryButton::All, QueryButton::BuyOnly}) {
            const OperatorStatements expected = composeOperatorQueryFor(own, page, button);
            const OperatorStatements oldViews = composeOperatorQueryFor(db, page, button);
            const QStringList expectedRows = resultRows(own, expected.main);
            const QStringList expectedTrades = resultRows(own, expected.blockTrades);
            EXPECT_EQ(resultRows(db, oldViews.main), expectedRows) << department.toStdString();
            EXPECT_EQ(resultRows(db, oldViews.blockTrades), expectedTrades) << department.toStdString();
            rows += static_cast<int>(expectedRows.size());
            trades += static_cast<int>(expectedTrades.size());
        }
    }
    EXPECT_GT(rows, 5);
    EXPECT_GT(trades, 5);
}

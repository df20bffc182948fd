#include "report/DocumentCleanup.h"

#include "app/RunControl.h"
#include "platform/Clock.h"
#include "store/DataBase.h"

#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

QString doc(const char* code, const char* day) {
    return QString::fromLatin1(code) + QLatin1Char('-') + QString::fromLatin1(day) +
           QStringLiteral("变动资料.txt");
}

}  // namespace

// Per stock: its stored document date (none for NULL, a stock not stored at all), the files
// of its folder, and the ones the clean-up deletes. Only documents named as the program
// names them, with the stock's own code and a day before the stored one, ever go.
TEST(DocumentCleanup, KeepsEachStocksNewestDocumentAndWhatSortsAfterIt) {
    enum class Stored { Date, Null, NoRow };
    struct Stock {
        const char* code;
        Stored stored;
        QDate docDate;
        QStringList files;
        QStringList deleted;
    };
    const QList<Stock> stocks = {
        {"600610",
         Stored::Date,
         QDate(2017, 3, 16),
         {doc("600610", "2017-03-09"), doc("600610", "2017-03-10"), doc("600610", "2017-03-16"),
          doc("600610", "2017-03-20"), "600610.rar"},
         {doc("600610", "2017-03-09"), doc("600610", "2017-03-10")}},
        {"000001", Stored::Null, {}, {doc("000001", "2017-03-09"), doc("000001", "2017-03-10")}, {}},
        {"000002", Stored::NoRow, {}, {doc("000002", "2017-03-09")}, {}},
        {"600000",
         Stored::Date,
         QDate(2017, 3, 16),
         {doc("600000", "2017-03-01"), "0readme.txt", "600000 notes.txt", doc("000001", "2017-03-01"),
          "600000-2017-03-01变动资料 (2).txt", "600000-2017-3-1变动资料.txt"},
         {doc("600000", "2017-03-01")}},
    };
    for (const CleanupMode mode : {CleanupMode::DryRun, CleanupMode::Delete}) {
        SCOPED_TRACE(mode == CleanupMode::DryRun ? "dry run" : "delete");
        TempHome home;
        const ProgramFolder folder(home.path());
        TDataBase db(folder.databaseFile());
        ASSERT_TRUE(db.open());
        QList<StockRow> rows;
        QStringList expected;
        for (const Stock& stock : stocks) {
            const QString code = QString::fromLatin1(stock.code);
            rows.append({QStringLiteral("sz") + code, QStringLiteral("股票")});
            if (stock.stored != Stored::NoRow) {
                Statement insert = db.DBCommand(
                    QStringLiteral("insert into tblStocks (StCode,StDocDate) values (:StCode,:StDocDate)"));
                insert.bind(QStringLiteral(":StCode"), code);
                if (stock.stored == Stored::Date)
                    insert.bind(QStringLiteral(":StDocDate"), stock.docDate);
                else
                    insert.bindNull(QStringLiteral(":StDocDate"));
                ASSERT_TRUE(insert.exec()) << insert.error().toStdString();
            }
            QDir().mkpath(folder.stockFolder(code));
            for (const QString& name : stock.files) {
                QFile file(QDir(folder.stockFolder(code)).filePath(name));
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            }
            for (const QString& name : stock.deleted)
                expected << QDir(folder.stockFolder(code)).filePath(name);
        }

        RecordingFrame frame;
        VirtualClock clock;
        RunControl run(frame, clock);
        RunLease lease = run.lease(JobKind::DocumentCleanup);
        const DocumentCleanupOutcome outcome = DocumentCleanup(db, folder, frame, run).run(lease, rows, mode);
        lease.release();
        EXPECT_TRUE(outcome.done());
        EXPECT_EQ(outcome.deleted, expected);
        EXPECT_TRUE(outcome.undeleted.isEmpty());
        EXPECT_TRUE(outcome.error.isEmpty());
        EXPECT_EQ(frame.statusPanel(StatusPanel::Message), cleanupTotalMessage(3));
        EXPECT_FALSE(run.isActive());
        EXPECT_TRUE(frame.commandsEnabled);
        for (const Stock& stock : stocks) {
            for (const QString& name : stock.files) {
                const bool gone = mode == CleanupMode::Delete && stock.deleted.contains(name);
                EXPECT_EQ(QFile::exists(QDir(folder.stockFolder(stock.code)).filePath(name)), !gone)
                    << stock.code << " " << name.toStdString();
            }
        }
    }
}

#include "quotefiles/ShareCapital.h"
#include "store/StockTable.h"

#include "QuoteTestFiles.h"
#include "quotefiles/BaseDbf.h"
#include "support/FaultInjection.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSqlRecord>
#include <QtEndian>

#include <optional>

using namespace quarrow;
using namespace quarrow::test;

namespace {

QByteArray dbfHeader(quint16 headerSize = 1313, quint16 recordSize = 481) {
    QByteArray header(1313, '\0');
    header[0] = 0x03;
    qToLittleEndian<quint16>(headerSize, header.data() + 8);
    qToLittleEndian<quint16>(recordSize, header.data() + 10);
    header[1312] = 0x0D;
    return header;
}

QByteArray dbfRecord(char market, const char* code, const char* total, const char* tradable,
                     const char* listed = "19991110", const char* figures = "20170316") {
    QByteArray record(481, ' ');
    record[1] = market;
    record.replace(2, 6, QByteArray(code).leftJustified(6, ' '));
    record.replace(8, 8, QByteArray(figures).rightJustified(8, ' '));
    for (int field = 0; field < 31; ++field)
        record.replace(16 + field * 14, 14, QByteArray("9.99").rightJustified(14, ' '));
    record.replace(16, 14, QByteArray(total).rightJustified(14, ' '));
    record.replace(100, 14, QByteArray(tradable).rightJustified(14, ' '));
    record.replace(459, 8, QByteArray(listed).leftJustified(8, ' '));
    return record;
}

class CapitalImport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db.open());
        list.append(QStringLiteral("sz000001"), QStringLiteral("深发展A"));
        list.append(QStringLiteral("sh600000"), QStringLiteral("浦发银行"));
    }

    void writeDbf(const QByteArray& bytes) { writeBytes(QuotePaths::baseDbfFile(home.path()), bytes); }

    CapitalImportResult import(TDataBase* database) {
        return ShareCapital(database, frame, clock).importShareCapital(home.path(), list);
    }

    QStringList row(const QString& code) {
        Statement query = db.QueryPublic(QStringLiteral(
            "select StName,StIssueDate,StQuantity,StAQuantity,StRefreshDate,StDocDate,StNew,StAmount "
            "from tblStocks where StCode=:StCode"));
        query.bind(QStringLiteral(":StCode"), code);
        EXPECT_TRUE(query.exec());
        if (!query.next())
            return {};
        return {
            query.text(0), query.text(1), query.money(2).toString(), query.money(3).toString(), query.text(4),
            query.text(5), query.text(6), query.money(7).toString()};
    }

    TempHome home;
    TDataBase db{home.file(QStringLiteral("Quarrow.db")), 300};  // a held lock costs a moment only
    RecordingFrame frame;
    VirtualClock clock;  // today 2017-03-16
    StockList list;
};

}  // namespace

TEST_F(CapitalImport, InsertsNamedStocksAndReportsTheOthers) {
    writeDbf(dbfHeader() + dbfRecord('0', "000001", "1945822.56", "1691799.06", "19910403", "20170310") +
             dbfRecord('1', "600000", "2935208.04", "2810376.39") +
             dbfRecord('1', "900901", "36000.00", "36000.00") +  // a B share: no name in the list
             dbfRecord('0', "390001", "1.00", "1.00") + dbfRecord('2', "600000", "1.00", "1.00") + "\x1a");
    const CapitalImportResult result = import(&db);
    EXPECT_TRUE(result.fileRead);
    EXPECT_EQ(result.recordsRead, 5);
    EXPECT_EQ(result.inserted, 2);
    EXPECT_EQ(
        result.memo,
        (QStringList{QStringLiteral(
                         "增加新股票000001(深发展A)的股本数据:总股本=    1945822.56,流通A股:    1691799.06"),
                     QStringLiteral(
                         "增加新股票600000(浦发银行)的股本数据:总股本=    2935208.04,流通A股:    2810376.39"),
                     QStringLiteral("sh900901----无股票名称,其股票数据未保存.")}));
    EXPECT_EQ(
        row(QStringLiteral("000001")),
        (QStringList{QStringLiteral("深发展A"), QStringLiteral("1991-04-03"), QStringLiteral("1945822.56"),
                     QStringLiteral("1691799.06"), QStringLiteral("2017-03-10"), QStringLiteral("2017-03-16"),
                     QStringLiteral("1"), QStringLiteral("0")}));
    EXPECT_TRUE(row(QStringLiteral("900901")).isEmpty());
    EXPECT_EQ(frame.statusPanel(StatusPanel::Message), QStringLiteral("取得股本数据的股票数目:5"));
}

TEST_F(CapitalImport, ASecondImportChangesNothingAndChangedFiguresAreUpdated) {
    const QByteArray header = dbfHeader();
    writeDbf(header + dbfRecord('0', "000001", "100.00", "50.00") +
             dbfRecord('1', "600000", "200.00", "80.00"));
    ASSERT_EQ(import(&db).inserted, 2);

    const CapitalImportResult again = import(&db);
    EXPECT_EQ(again.inserted + again.changed, 0);
    EXPECT_TRUE(again.memo.isEmpty());

    writeDbf(header + dbfRecord('0', "000001", "100.00", "50.00") +
             dbfRecord('1', "600000", "200.00", "90.50", "19991110", "20170317"));
    const CapitalImportResult changed = import(&db);
    EXPECT_EQ(changed.memo, QStringList{QStringLiteral("600000|浦发银行")});
    const QStringList stored = row(QStringLiteral("600000"));
    EXPECT_EQ(stored.value(3), QStringLiteral("90.5"));
    EXPECT_EQ(stored.value(4), QStringLiteral("2017-03-17"));
    EXPECT_EQ(stored.value(6), QStringLiteral("2"));
    EXPECT_EQ(row(QStringLiteral("000001")).value(6), QStringLiteral("1"));
}

TEST_F(CapitalImport, AStockStoredWithoutFiguresGetsThem) {
    // The report extraction stores a stock it meets first with its name only.
    Statement insert =
        db.DBCommand(QStringLiteral("insert into tblStocks (StCode,StName,StDocDate) values "
                                    "('600000','浦发银行','2017-03-01')"));
    ASSERT_TRUE(insert.exec());
    writeDbf(dbfHeader() + dbfRecord('1', "600000", "200.00", "80.00"));
    const CapitalImportResult result = import(&db);
    EXPECT_EQ(result.changed, 1);
    EXPECT_EQ(row(QStringLiteral("600000")).value(3), QStringLiteral("80"));
}

TEST_F(CapitalImport, TheHandKeptTableCanNameAStockTheNameTablesLack) {
    list.append(QStringLiteral("sh900901"), QStringLiteral("B股样本"));
    writeDbf(dbfHeader() + dbfRecord('1', "900901", "36000.00", "36000.00"));
    EXPECT_EQ(import(&db).inserted, 1);
    EXPECT_EQ(row(QStringLiteral("900901")).value(0), QStringLiteral("B股样本"));
}

TEST_F(CapitalImport, UnreadableDatesAndFiguresBecomeTodayAndZero) {
    writeDbf(dbfHeader() + dbfRecord('1', "600000", "n/a", "  ", "20171345", "        "));
    import(&db);
    const QStringList stored = row(QStringLiteral("600000"));
    EXPECT_EQ(stored.value(1), QStringLiteral("2017-03-16"));
    EXPECT_EQ(stored.value(2), QStringLiteral("0"));
    EXPECT_EQ(stored.value(4), QStringLiteral("2017-03-16"));
}

TEST_F(CapitalImport, EmptyTruncatedAndForeignTablesStoreNothingWrong) {
    // A header alone (the real file of an installation without data) is an empty table.
    const QString real = QStringLiteral(QUARROW_REALDATA "/htzq/base_header_only.dbf");
    if (QFileInfo::exists(real)) {
        QFile source(real);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        writeDbf(source.readAll());
        const CapitalImportResult empty = import(&db);
        EXPECT_TRUE(empty.fileRead);
        EXPECT_EQ(empty.recordsRead, 0);
        EXPECT_EQ(frame.statusPanel(StatusPanel::Message), QStringLiteral("取得股本数据的股票数目:0"));
    }

    // A record cut short is not read, even when more than half of it is there.
    const QByteArray whole = dbfRecord('0', "000001", "100.00", "50.00");
    writeDbf(dbfHeader() + whole + dbfRecord('1', "600000", "200.00", "80.00").left(400));
    const CapitalImportResult truncated = import(&db);
    EXPECT_EQ(truncated.recordsRead, 1);
    EXPECT_TRUE(row(QStringLiteral("600000")).isEmpty());

    // Another layout would put other numbers at our offsets: refused as a whole.
    writeDbf(dbfHeader(1313, 500) + dbfRecord('1', "600000", "200.00", "80.00") + QByteArray(19, ' '));
    const CapitalImportResult foreign = import(&db);
    EXPECT_FALSE(foreign.fileRead);
    EXPECT_TRUE(frame.prompts.last().contains(QStringLiteral("格式不符")))
        << frame.prompts.last().toStdString();
    EXPECT_TRUE(row(QStringLiteral("600000")).isEmpty());

    writeDbf(QByteArray());
    EXPECT_EQ(import(&db).recordsRead, 0);
}

TEST_F(CapitalImport, AMissingTableOrAClosedDatabaseWritesNothing) {
    const CapitalImportResult missing = import(&db);
    EXPECT_FALSE(missing.fileRead);
    EXPECT_EQ(frame.prompts.value(0), QuotePaths::baseDbfFile(home.path()) +
                                          QStringLiteral(" 不存在!需要安装华林证券或东方证券行情分析软件"));

    writeDbf(dbfHeader() + dbfRecord('1', "600000", "200.00", "80.00") +
             dbfRecord('1', "900901", "1.00", "1.00"));
    const CapitalImportResult closed = import(nullptr);
    EXPECT_EQ(closed.inserted, 0);
    EXPECT_EQ(closed.memo, QStringList{QStringLiteral("sh900901----无股票名称,其股票数据未保存.")});
    EXPECT_TRUE(row(QStringLiteral("600000")).isEmpty());
}

TEST_F(CapitalImport, TheNameRefreshStoresChangedNamesOnce) {
    writeDbf(dbfHeader() + dbfRecord('0', "000001", "100.00", "50.00") +
             dbfRecord('1', "600000", "200.00", "80.00"));
    import(&db);
    StockList renamed;
    renamed.append(QStringLiteral("sz000001"), QStringLiteral("平安银行"));
    renamed.append(QStringLiteral("sh600000"), QStringLiteral("浦发银行"));
    renamed.append(QStringLiteral("sh600999"), QStringLiteral("不在库中"));
    ShareCapital capital(&db, frame, clock);
    EXPECT_EQ(capital.refreshNames(renamed), QStringList{QStringLiteral("000001|平安银行")});
    EXPECT_EQ(row(QStringLiteral("000001")).value(0), QStringLiteral("平安银行"));
    EXPECT_EQ(row(QStringLiteral("000001")).value(6), QStringLiteral("3"));
    EXPECT_TRUE(capital.refreshNames(renamed).isEmpty());
    EXPECT_TRUE(ShareCapital(nullptr, frame, clock).refreshNames(renamed).isEmpty());
}

TEST_F(CapitalImport, TheListingShowsOneStockOrAllByCode) {
    writeDbf(dbfHeader() + dbfRecord('1', "600000", "200.00", "80.00") +
             dbfRecord('0', "000001", "100.00", "50.00"));
    import(&db);
    const std::optional<QList<CapitalRow>> all = shareCapitalRows(db, std::nullopt);
    ASSERT_TRUE(all);
    QStringList codes;
    for (const CapitalRow& listed : *all)
        codes << listed.code;
    EXPECT_EQ(codes, (QStringList{QStringLiteral("000001"), QStringLiteral("600000")}));

    const std::optional<QList<CapitalRow>> one = shareCapitalRows(db, QStringLiteral("600000"));
    ASSERT_TRUE(one);
    ASSERT_EQ(one->size(), 1);
    EXPECT_EQ(one->first().name, QStringLiteral("浦发银行"));
    EXPECT_EQ(one->first().tradable, Money::fromUnits(80));
    EXPECT_EQ(shareCapitalTitles().value(4), QStringLiteral("流通A股_万股"));
}

TEST_F(CapitalImport, ADatabaseThatRefusesTheImportOrTheNamesIsLeftAsItWasAndTheFailureReported) {
    enum class Fault { DiskFull, WriterHoldsTheLock };
    StockList renamed;
    renamed.append(QStringLiteral("sz000001"), QStringLiteral("平安银行"));
    for (const Fault fault : {Fault::DiskFull, Fault::WriterHoldsTheLock}) {
        SCOPED_TRACE(static_cast<int>(fault));
        db.close();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(db.fileName() + QLatin1String(suffix));
        std::optional<SqliteWriteFaults> faults;
        if (fault == Fault::DiskFull)
            faults.emplace(-1);
        ASSERT_TRUE(db.open());
        writeDbf(dbfHeader() + dbfRecord('0', "000001", "100.00", "50.00"));
        ASSERT_EQ(import(&db).inserted, 1);
        writeDbf(dbfHeader() + dbfRecord('0', "000001", "100.00", "50.00") +
                 dbfRecord('1', "600000", "200.00", "80.00"));

        std::optional<WriteLockHolder> writer;
        if (faults)
            faults->allow(0);
        else
            writer.emplace(db.fileName());
        const CapitalImportResult refused = import(&db);
        EXPECT_TRUE(refused.storeFailed);
        EXPECT_FALSE(refused.storeError.isEmpty());
        EXPECT_EQ(refused.inserted, 0);
        QString namesError;
        EXPECT_TRUE(ShareCapital(&db, frame, clock).refreshNames(renamed, &namesError).isEmpty());
        EXPECT_FALSE(namesError.isEmpty());

        faults.reset();
        writer.reset();
        EXPECT_TRUE(db.integrityCheck());
        EXPECT_TRUE(row(QStringLiteral("600000")).isEmpty());
        EXPECT_EQ(row(QStringLiteral("000001")).value(0), QStringLiteral("深发展A"));
        EXPECT_EQ(import(&db).inserted, 1);
        EXPECT_EQ(ShareCapital(&db, frame, clock).refreshNames(renamed).size(), 1);
    }
}

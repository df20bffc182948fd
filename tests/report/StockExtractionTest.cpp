#include "report/StockExtraction.h"

#include "app/TextCodec.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "report/ReportDocuments.h"
#include "support/FakeLauncher.h"
#include "support/FaultInjection.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <optional>

using namespace quarrow;
using namespace quarrow::test;

namespace {

QStringList report(const QString& name) {
    return TextCodec::splitLines(TextCodec::decode(dataFile(QStringLiteral("report/") + name)));
}

class StockExtractionTest : public ::testing::Test {
protected:
    // Short, so a writer that keeps the lock makes a test wait only a moment.
    static constexpr int kBusyTimeout_ms = 300;

    StockExtractionTest()
        : db(home.file(QStringLiteral("Quarrow.db")), kBusyTimeout_ms),
          frame(home.path()),
          clock(QDateTime(QDate(2017, 3, 21), QTime(16, 0))),
          network(true),
          services{db, frame, clock, launcher, archiver, network, ProgramFolder(home.path())} {
        EXPECT_TRUE(db.open());
    }

    ExtractionResult extract(const QString& file, ExtractionCaller caller = ExtractionCaller::Reanalysis) {
        return extractLines(report(file), caller);
    }

    ExtractionResult extractLines(const QStringList& lines,
                                  ExtractionCaller caller = ExtractionCaller::Reanalysis) {
        StockExtraction extraction(services, totals);
        return extraction.run(lines, options, caller);
    }

    qint64 scalar(const QString& sql) {
        Statement query = db.QueryPublic(sql);
        EXPECT_TRUE(query.exec()) << query.error().toStdString();
        return query.next() ? query.integer(0) : -1;
    }

    QString text(const QString& sql) {
        Statement query = db.QueryPublic(sql);
        EXPECT_TRUE(query.exec()) << query.error().toStdString();
        return query.next() ? query.text(0) : QStringLiteral("<no row>");
    }

    // Department rows of one day, as "name buy sale" in insertion order.
    QStringList departmentRows(const QString& day) {
        Statement query =
            db.QueryPublic(QStringLiteral("select StDept, StBuy, StSale from viewStChange where "
                                          "StDate=:StDate and StMemo is not null order by ID"));
        query.bind(QStringLiteral(":StDate"), day);
        EXPECT_TRUE(query.exec());
        QStringList rows;
        while (query.next())
            rows << QStringLiteral("%1 %2 %3")
                        .arg(query.text(0), query.money(1).toFixed(2), query.money(2).toFixed(2));
        return rows;
    }

    TempHome home;
    TDataBase db;
    RecordingFrame frame;
    VirtualClock clock;
    FakeLauncher launcher;
    FixedNetworkState network;
    PortableArchiver archiver;
    ExtractionServices services;
    ExtractionAccount totals;
    static ExtractionOptions optionsFor(const QString& code, const QString& name) {
        ExtractionOptions result;
        result.code = code;
        result.name = name;
        return result;
    }

    ExtractionOptions options = optionsFor(QStringLiteral("600610"), QStringLiteral("中毅达"));
};

}  // namespace

TEST_F(StockExtractionTest, StoresTheNewestDayItsDepartmentsOnceAndEveryNewerBlockTrade) {
    const auto result = extract(QStringLiteral("two_days.txt"));
    EXPECT_TRUE(result.reportRecognised);
    EXPECT_EQ(result.reportDate, QStringLiteral("2017-03-16"));

    // The seller that also bought is stored once; the continued name is joined; the
    // row without amounts is logged but not stored.
    EXPECT_EQ(departmentRows(QStringLiteral("2017-03-16")),
              (QStringList{"日涨幅偏离值达7%的证券 1234.56 5678.90", "机构专用 1500.00 0.00",
                           "中信证券股份有限公司上海溧阳路证券营业部 800.50 12.30",
                           "华鑫证券有限责任公司上海分公司 650.00 600.00", "深股通专用 0.00 480.25"}));
    EXPECT_EQ(frame.countLogs(QStringLiteral("华鑫证券有限责任公司上海分公司")), 1);
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\t兴业证券股份有限公司陕西分公司\t0.00\t0.00"), LogColor::Red));
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\t涨跌幅:10.02% 成交量:1234.56万股 成交金额:5678.90万元"),
                             LogColor::Red));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange where StDate='2017-03-14'")), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange where StRate<>10.02")), 0);
    EXPECT_EQ(text(QStringLiteral("select StMemo from tblStChange where StDate='2017-03-16' limit 1")),
              QStringLiteral("涨跌幅大"));

    // Both block trades go in, with their names joined over two lines.
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblBigBuySale")), 2);
    EXPECT_EQ(text(QStringLiteral("select StDeptSale from viewStBigBuySale where StDate='2017-03-10'")),
              QStringLiteral("国泰君安证券股份有限公司上海江苏路证券营业部"));
    EXPECT_EQ(text(QStringLiteral("select StDeptBuy from viewStBigBuySale where StDate='2017-03-02'")),
              QStringLiteral("华泰证券股份有限公司深圳益田路证券营业部"));
    EXPECT_EQ(text(QStringLiteral("select StBigLast from tblStocks where StCode='600610'")),
              QStringLiteral("2017-03-10"));
    EXPECT_EQ(text(QStringLiteral("select StLastDate from tblStocks where StCode='600610'")),
              QStringLiteral("2017-03-16"));

    EXPECT_EQ(totals.savedRowCount, 5);
    EXPECT_EQ(totals.savedChangeCount, 1);
    EXPECT_EQ(totals.savedBigCount, 2);
    EXPECT_EQ(totals.dates.from, QDate(2017, 3, 2));
    EXPECT_EQ(totals.dates.to, QDate(2017, 3, 16));
    EXPECT_EQ(frame.statusPanel(StatusPanel::AnomalyStocks), QStringLiteral("1"));
    EXPECT_EQ(frame.statusPanel(StatusPanel::BlockTrades), QStringLiteral("2"));
}

TEST_F(StockExtractionTest, ASecondRunOfTheSameReportStoresNothing) {
    extract(QStringLiteral("two_days.txt"));
    frame.logs.clear();
    extract(QStringLiteral("two_days.txt"));
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\t>>>>>数据库中已经保存过 600610 的操盘数据"), LogColor::Red));
    EXPECT_TRUE(
        frame.hasLog(QStringLiteral("\t>>>>>数据库中已经保存过 600610 的大宗交易数据"), LogColor::Red));
    EXPECT_EQ(frame.countLogs(QStringLiteral("出错")), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange")), 5);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblBigBuySale")), 2);
}

TEST_F(StockExtractionTest, TheStoredLastDayDecidesHoweverItIsWritten) {
    // The report's anomaly day is 2017-03-16. A stored day read as that day or later means
    // stored already; an older day, none, or text that reads as no day lets the day in.
    const struct {
        const char* stored;  // nullptr: NULL
        bool storesTheDay;
    } cases[] = {{nullptr, true},        {"2017-03-15", true}, {"1980-01-01", true}, {"2017-03-16", false},
                 {" 2017-03-16", false}, {"2017/3/20", false}, {"2017-3-5", true},   {"not a day", true}};
    for (const auto& c : cases) {
        ASSERT_TRUE(db.execute(QStringLiteral("delete from tblStChange")));
        ASSERT_TRUE(db.execute(QStringLiteral("delete from tblStocks")));
        Statement insert = db.QueryPublic(QStringLiteral(
            "insert into tblStocks (StCode,StName,StLastDate) values ('600610','x',:StLastDate)"));
        if (c.stored)
            insert.bind(QStringLiteral(":StLastDate"), QString::fromLatin1(c.stored));
        else
            insert.bindNull(QStringLiteral(":StLastDate"));
        ASSERT_TRUE(insert.exec()) << insert.error().toStdString();
        extract(QStringLiteral("two_days.txt"));
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange")) > 0, c.storesTheDay)
            << (c.stored ? c.stored : "NULL");
        if (c.storesTheDay) {
            EXPECT_EQ(text(QStringLiteral("select StLastDate from tblStocks")), QStringLiteral("2017-03-16"));
        }
    }
}

TEST_F(StockExtractionTest, ANewerReportAddsOnlyWhatIsNew) {
    extract(QStringLiteral("two_days.txt"));
    extract(QStringLiteral("newer.txt"));
    // The turnover day prints two figures: rate 20.00, volume and amount.
    EXPECT_EQ(
        departmentRows(QStringLiteral("2017-03-20")),
        (QStringList{"日换手率达20%的证券 3000.00 12000.00",
                     "财通证券股份有限公司温岭东辉北路证券营业部 900.00 1.00", "机构专用 0.00 700.00"}));
    EXPECT_EQ(text(QStringLiteral("select StMemo from tblStChange where StDate='2017-03-20' limit 1")),
              QStringLiteral("换手率高"));
    EXPECT_EQ(
        scalar(QStringLiteral("select count(*) from tblStChange where StDate='2017-03-20' and StRate=20")),
        3);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblBigBuySale")), 3);
    EXPECT_EQ(text(QStringLiteral("select StBigLast from tblStocks where StCode='600610'")),
              QStringLiteral("2017-03-17"));
    // The first run's trades are met once, as already stored.
    EXPECT_EQ(frame.countLogs(QStringLiteral("\t>>>>>数据库中已经保存过 600610 的大宗交易数据")), 1);
}

TEST_F(StockExtractionTest, AllChangesWalksEveryDayAndStopsAtTheFirstStoredOne) {
    options.allChanges = true;
    extract(QStringLiteral("two_days.txt"));
    EXPECT_EQ(
        departmentRows(QStringLiteral("2017-03-14")),
        (QStringList{"日跌幅偏离值达7%的证券 2000.00 9000.00",
                     "东吴证券股份有限公司苏州西北街证券营业部 300.00 10.00", "机构专用 0.00 1200.00"}));
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\t东吴证券股份有限公司苏州西北街证券营业部\t300.00\t10.00"),
                             LogColor::Green));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange")), 8);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblBigBuySale")), 2);

    frame.logs.clear();
    extract(QStringLiteral("two_days.txt"));
    EXPECT_EQ(frame.countLogs(QStringLiteral("\t>>>>>保存600610出错!数据可能重复<<<<<")), 1);
    EXPECT_EQ(frame.countLogs(QStringLiteral("\t>>>>>保存600610出错!数据可能重复!<<<<<")),
              1);                                                        // first block trade
    EXPECT_EQ(frame.countLogs(QStringLiteral("机构专用\t1500.00")), 0);  // no department row attempted
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange")), 8);
}

TEST_F(StockExtractionTest, ThePercentThresholdDropsSmallMovesButNeverTurnoverDays) {
    options.percent = 11;
    extract(QStringLiteral("two_days.txt"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange")), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblBigBuySale")), 2);

    options = optionsFor(QStringLiteral("600610"), QStringLiteral("中毅达"));
    options.percent = 50;
    extract(QStringLiteral("newer.txt"));  // its newest day is a turnover day
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange where StDate='2017-03-20'")), 3);
}

TEST_F(StockExtractionTest, OneAndTwoFiguresAndASpacedName) {
    options = optionsFor(QStringLiteral("300001"), QStringLiteral("特锐德"));
    options.allChanges = true;
    extract(QStringLiteral("odd_figures.txt"));
    // One figure is the volume; rate and amount stay 0 and the day logs green.
    EXPECT_EQ(departmentRows(QStringLiteral("2017-03-16")).value(0),
              QStringLiteral("日价格振幅达15%的证券 88.50 0.00"));
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\t成交量:88.50万股"), LogColor::Green));
    // The space splits the name: its second half lands in the buying column.
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\t华泰证券\t深圳营业部\t1.00"), LogColor::Green));
    EXPECT_EQ(departmentRows(QStringLiteral("2017-03-16")).value(1), QStringLiteral("华泰证券 0.00 1.00"));
    // A quote in a name is just a character to the database.
    EXPECT_EQ(departmentRows(QStringLiteral("2017-03-16")).value(2),
              QStringLiteral("O'Neil证券营业部 0.00 5.00"));
    EXPECT_EQ(departmentRows(QStringLiteral("2017-03-13")),
              (QStringList{"日换手率达20%的证券 1500.25 33000.75", "机构专用 100.00 0.00"}));
}

TEST_F(StockExtractionTest, TheCodeMustStandInTheFirstFourLines) {
    options = optionsFor(QStringLiteral("000001"), QStringLiteral("平安银行"));
    EXPECT_TRUE(extract(QStringLiteral("code_on_fourth_line.txt")).reportRecognised);
    EXPECT_EQ(frame.countLogs(QStringLiteral("没有找到股票代码")), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange")), 5);

    frame.logs.clear();
    EXPECT_FALSE(extract(QStringLiteral("code_on_fifth_line.txt")).reportRecognised);
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\t>>>>>抓取的☆龙虎榜单☆不是 000001 的报告(没有找到股票代码)!"),
                             LogColor::Red));

    // Someone else's report is refused the same way.
    options = optionsFor(QStringLiteral("600000"), QStringLiteral("浦发银行"));
    EXPECT_FALSE(extract(QStringLiteral("two_days.txt")).reportRecognised);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStocks where StCode='600000'")), 0);
}

TEST_F(StockExtractionTest, OnlySixDigitCodesAreAccepted) {
    for (const char* code : {"60061", "6006100", "60061a", "'; drop table tblStocks; --", ""}) {
        frame.prompts.clear();
        options.code = QString::fromUtf8(code);
        EXPECT_FALSE(extract(QStringLiteral("two_days.txt")).ran) << code;
        EXPECT_EQ(frame.prompts, QStringList{QStringLiteral("没有指定代码或者代码格式不对!")}) << code;
    }
    options.code = QStringLiteral(" 600610 ");
    EXPECT_TRUE(extract(QStringLiteral("two_days.txt")).ran);
    EXPECT_EQ(options.code, QStringLiteral("600610"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStocks")), 1);
}

TEST_F(StockExtractionTest, TruncatedAndEmptyReportsStoreWhatTheyHold) {
    // Cut off after a name whose second line never came.
    extract(QStringLiteral("truncated.txt"));
    EXPECT_EQ(departmentRows(QStringLiteral("2017-03-16")),
              (QStringList{"日涨幅偏离值达7%的证券 1234.56 5678.90", "机构专用 1500.00 0.00",
                           "中信证券股份有限公司上海溧阳路 800.50 12.30"}));
    EXPECT_TRUE(db.integrityCheck());

    options = optionsFor(QStringLiteral("600000"), QStringLiteral("浦发银行"));
    extract(QStringLiteral("no_data.txt"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange where StCode='600000'")), 0);

    // Every prefix of a report parses without harm and stores only what the report says.
    TempHome other;
    TDataBase prefixDb(other.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(prefixDb.open());
    ExtractionServices prefixServices{
        prefixDb, frame, clock, launcher, archiver, network, ProgramFolder(other.path())};
    const QStringList lines = report(QStringLiteral("two_days.txt"));
    options = optionsFor(QStringLiteral("600610"), QStringLiteral("中毅达"));
    options.allChanges = true;
    for (int n = 0; n <= lines.size(); ++n) {
        StockExtraction extraction(prefixServices, totals);
        extraction.run(lines.mid(0, n), options, ExtractionCaller::Reanalysis);
    }
    EXPECT_TRUE(prefixDb.integrityCheck());
    Statement days =
        prefixDb.QueryPublic(QStringLiteral("select count(*) from tblStChange where StCode<>'600610' or "
                                            "StDate not in ('2017-03-16','2017-03-14')"));
    ASSERT_TRUE(days.exec() && days.next());
    EXPECT_EQ(days.integer(0), 0);
}

TEST_F(StockExtractionTest, AClosedDatabaseOnlyLogs) {
    db.close();
    extract(QStringLiteral("two_days.txt"));
    EXPECT_EQ(frame.countLogs(QStringLiteral("成交金额:5678.90万元")), 0);  // the anomaly row is not logged
    EXPECT_TRUE(frame.hasLog(QStringLiteral("\t机构专用\t1500.00\t0.00"), LogColor::Red));
    // Without the list of stored rows the shared department is logged from both tables.
    EXPECT_EQ(frame.countLogs(QStringLiteral("华鑫证券有限责任公司上海分公司")), 2);
    EXPECT_EQ(frame.countLogs(QStringLiteral("\t2017-03-10\t机构专用\t56.00\t691.04")), 1);
    EXPECT_EQ(totals.savedRowCount, 0);
}

TEST_F(StockExtractionTest, TheMiningRunKeepsOneDocumentAndArchivesIt) {
    const QString rarFolder = home.file(QStringLiteral("rar"));
    ASSERT_TRUE(QDir().mkpath(rarFolder));
    QFile archiverFile(archiver.packerPath(rarFolder));
    ASSERT_TRUE(archiverFile.open(QIODevice::WriteOnly));
    archiverFile.close();
    options.rarFolder = rarFolder;

    const auto first = extract(QStringLiteral("two_days.txt"), ExtractionCaller::MiningRun);
    EXPECT_TRUE(first.documentWritten);
    const QString document = home.file(QStringLiteral("600610/600610-2017-03-16变动资料.txt"));
    QFile file(document);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    EXPECT_EQ(TextCodec::decodeGbk(bytes).split(QStringLiteral("\r\n")).first(),
              QStringLiteral("☆龙虎榜单☆ ◇600610 中毅达◇ 更新日期:2017-03-16"));
    EXPECT_EQ(TextCodec::splitLines(TextCodec::decode(bytes)), report(QStringLiteral("two_days.txt")));
    EXPECT_EQ(text(QStringLiteral("select StDocDate from tblStocks")), QStringLiteral("2017-03-16"));

    ASSERT_EQ(launcher.calls.size(), 1);
    EXPECT_EQ(launcher.calls[0].arguments, (QStringList{"A", "600610", document}));
    EXPECT_EQ(QDir(launcher.calls[0].workingFolder), QDir(home.file(QStringLiteral("600610"))));
    EXPECT_EQ(launcher.calls[0].wait_ms, 15000);
    // A slow archiver is left to finish its archive, not ended halfway.
    EXPECT_EQ(launcher.calls[0].whenTimedOut, WhenTimedOut::LeaveHidden);

    // The document stays as first written; no second archive run.
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("mark");
    file.close();
    EXPECT_FALSE(extract(QStringLiteral("two_days.txt"), ExtractionCaller::MiningRun).documentWritten);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().endsWith("mark"));
    EXPECT_EQ(launcher.calls.size(), 1);
}

TEST_F(StockExtractionTest, WithoutTheArchiverTheDocumentIsStillWritten) {
    extract(QStringLiteral("two_days.txt"), ExtractionCaller::MiningRun);
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("600610/600610-2017-03-16变动资料.txt"))));
    EXPECT_EQ(frame.prompts,
              QStringList{QStringLiteral("没有安装WinRar! 资料不能压缩保存,将占用很多磁盘存储空间")});
    EXPECT_TRUE(launcher.calls.isEmpty());
}

TEST_F(StockExtractionTest, TheReanalysisWritesNoDocumentAndMarksNewStocksWithDayZero) {
    extract(QStringLiteral("two_days_gbk.txt"));
    EXPECT_FALSE(QDir(home.file(QStringLiteral("600610"))).exists());
    EXPECT_EQ(text(QStringLiteral("select StDocDate from tblStocks where StCode='600610'")),
              QStringLiteral("1899-12-30"));
    EXPECT_EQ(text(QStringLiteral("select StName from tblStocks where StCode='600610'")),
              QStringLiteral("中毅达"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange")),
              5);  // the GBK file reads as the UTF-8 one
}

TEST_F(StockExtractionTest, TheButtonNeedsTheInternet) {
    network.setConnected(false);
    EXPECT_FALSE(extract(QStringLiteral("two_days.txt"), ExtractionCaller::Button).ran);
    ASSERT_EQ(frame.messages.size(), 1);
    EXPECT_EQ(frame.messages[0].text, QStringLiteral("网络不通,请连接好INTERNET网络!"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStocks")), 0);
}

TEST_F(StockExtractionTest, StocksWithoutBookkeepingDatesCountAsOlderThanAnyDay) {
    // A row made by the stock-list import has neither an anomaly day nor a block-trade day.
    Statement insert =
        db.QueryPublic(QStringLiteral("insert into tblStocks (StCode,StName) values('600610','中毅达')"));
    ASSERT_TRUE(insert.exec());
    extract(QStringLiteral("two_days.txt"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange")), 5);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblBigBuySale")), 2);
    frame.logs.clear();
    extract(QStringLiteral("two_days.txt"));
    EXPECT_TRUE(
        frame.hasLog(QStringLiteral("\t>>>>>数据库中已经保存过 600610 的大宗交易数据"), LogColor::Red));
}

TEST_F(StockExtractionTest, AStockTheDatabaseRefusesIsRolledBackWholeAndStoredByTheNextRun) {
    enum class Fault { AnomalyRowRefused, DepartmentNameRefused, DiskFull, IoError, WriterHoldsTheLock };
    const auto refuse = [this](const char* table) {
        return db.execute(QStringLiteral("create trigger refuse before insert on %1 begin "
                                         "select raise(abort, 'refused'); end")
                              .arg(QLatin1String(table)));
    };
    options.allChanges = true;
    for (const Fault fault : {Fault::AnomalyRowRefused, Fault::DepartmentNameRefused, Fault::DiskFull,
                              Fault::IoError, Fault::WriterHoldsTheLock}) {
        SCOPED_TRACE(static_cast<int>(fault));
        db.close();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(db.fileName() + QLatin1String(suffix));
        std::optional<SqliteWriteFaults> faults;
        if (fault == Fault::DiskFull || fault == Fault::IoError)
            faults.emplace(-1,
                           fault == Fault::DiskFull ? 13 /* SQLITE_FULL */ : 778 /* SQLITE_IOERR_WRITE */);
        ASSERT_TRUE(db.open());
        frame.logs.clear();
        totals = ExtractionAccount();
        std::optional<WriteLockHolder> writer;
        switch (fault) {
            case Fault::AnomalyRowRefused:
                ASSERT_TRUE(refuse("tblStChange"));
                break;
            case Fault::DepartmentNameRefused:
                ASSERT_TRUE(refuse("tblStDepart"));
                break;
            case Fault::DiskFull:
            case Fault::IoError:
                // A one-page cache spills into the log at once: the write fails inside the
                // transaction, where SQLite may roll it back on its own.
                ASSERT_TRUE(db.execute(QStringLiteral("PRAGMA cache_size=1")));
                faults->allow(0);
                break;
            case Fault::WriterHoldsTheLock:
                writer.emplace(db.fileName());
                break;
        }

        const auto failed = extract(QStringLiteral("two_days.txt"));
        EXPECT_TRUE(failed.storeFailed);
        EXPECT_FALSE(failed.storeError.isEmpty());
        EXPECT_TRUE(
            frame.hasLog(QStringLiteral("\t>>>>>保存600610出错!数据库写入失败<<<<<"), LogColor::Magenta));
        EXPECT_EQ(frame.countLogs(QStringLiteral("数据可能重复")), 0) << "not a repeated row";
        EXPECT_EQ(frame.countLogs(QStringLiteral("大宗买卖数据")), 0) << "the stock goes no further";
        EXPECT_EQ(totals.savedRowCount + totals.savedChangeCount + totals.savedBigCount, 0);
        EXPECT_TRUE(totals.storedRows.isEmpty()) << "a run reports no row rolled back";
        EXPECT_EQ(frame.statusPanel(StatusPanel::AnomalyStocks), QStringLiteral("0"));

        faults.reset();
        writer.reset();
        db.execute(QStringLiteral("drop trigger if exists refuse"));
        EXPECT_TRUE(db.integrityCheck());
        EXPECT_EQ(scalar(QStringLiteral("select (select count(*) from tblStChange)+(select count(*) from "
                                        "tblBigBuySale)+(select count(*) from tblStocks)")),
                  0)
            << "nothing of the stock stays, its StLastDate included";

        const auto again = extract(QStringLiteral("two_days.txt"));
        EXPECT_FALSE(again.storeFailed);
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblStChange")), 8);
        EXPECT_EQ(totals.storedRows.size(), 6) << "the department rows, not the anomaly rows";
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblBigBuySale")), 2);
    }
}

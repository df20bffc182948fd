#include "ReanalysisTestSupport.h"

#include "app/Settings.h"
#include "demo/DemoCorpus.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"
#include "quotefiles/StockListLoader.h"
#include "report/ReanalysisBatch.h"
#include "report/ReportDocuments.h"
#include "report/StockFolderList.h"
#include "support/FakeLauncher.h"
#include "support/FaultInjection.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <memory>
#include <optional>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QString kConfirm = QStringLiteral(
    "从历次下载的动态文件中挖掘操盘庄家和大宗交易数据,\r藉此恢复损坏或遗失的数据库数据\r是否继续?");
const QString kClear = QStringLiteral("为避免出现重复数据,建议清除历史数据. \r是否清除历史数据?");
const MessageAnswer Yes = MessageAnswer::Yes;
const MessageAnswer No = MessageAnswer::No;

// One program folder with its database, settings and the services a batch needs.
class Installation {
public:
    explicit Installation(VirtualClock& clock, int stocks = 12, int documents = 3) : m_clock(clock) {
        DemoCorpusOptions options;
        options.stocks = stocks;
        options.documentsPerStock = documents;
        options.seed = 7;
        QString error;
        EXPECT_TRUE(DemoCorpus(options).write(folder, &corpus, &error)) << error.toStdString();
        // In the order of the stock list: Shenzhen, then Shanghai, each by code.
        std::sort(corpus.begin(), corpus.end(), [](const DemoCorpusStock& a, const DemoCorpusStock& b) {
            return a.stock.code < b.stock.code;
        });
        EXPECT_TRUE(db.open());
    }

    ReanalysisOutcome run(QList<MessageAnswer> answers, ReanalysisOptions options = {}) {
        frame.answers = std::move(answers);
        frame.messages.clear();
        ReanalysisBatch batch(services, settings, control, shutdown);
        const RunLease lease = control.lease(JobKind::Reanalysis);
        last = batch.run(lease, rows(), options);
        return last;
    }
    // What the last batch stored, by its own account.
    const ExtractionAccount& totals() const { return last.account; }
    // The stock list as the program loads it without a quote program: the corpus's own table.
    const QList<StockRow>& rows() {
        if (m_rows.isEmpty()) {
            StockList list;
            StockListLoader(frame).loadHandKept(folder.filePath(handKeptTableName()), list);
            for (const StockEntry& entry : list.entries())
                m_rows.append({entry.key, entry.name});
        }
        return m_rows;
    }
    // The list's key of a row (sz000001), its stock code (000001) and name.
    QString key(int row) { return rows().at(row - 1).key; }
    QString code(int row) const { return corpus.at(row - 1).stock.code; }
    QString name(int row) const { return corpus.at(row - 1).stock.name; }
    QStringList questions() const {
        QStringList texts;
        for (const MessageRequest& message : frame.messages)
            texts << message.text;
        return texts;
    }

    TempHome home;
    ProgramFolder folder{home.path()};
    QList<DemoCorpusStock> corpus;
    TDataBase db{folder.databaseFile(), 300};  // a writer that keeps the lock costs a moment only
    VirtualClock& m_clock;
    Settings settings{folder, m_clock};
    RecordingFrame frame{home.path()};
    FakeLauncher launcher;
    FixedNetworkState network{true};
    PortableArchiver archiver;
    SimulatedShutdown shutdown;
    ExtractionServices services{db, frame, m_clock, launcher, archiver, network, folder};
    RunControl control{frame, m_clock};
    ReanalysisOutcome last;
    QList<StockRow> m_rows;
};

// Stops the batch once the given stock's analysis line was logged (the stop takes effect
// after that stock).
void stopAtStock(Installation& site, const QString& code) {
    site.frame.onProcessEvents = [&site, code] {
        const auto& logs = site.frame.logs;
        if (!logs.isEmpty() && logs.last().color == LogColor::Blue && logs.last().text.contains(code))
            site.control.requestStop();
    };
}

// The stored rows of the given stocks only (departments left out: they are shared).
QStringList rowsOfStocks(const QStringList& rows, const QStringList& codes) {
    QStringList kept;
    for (const QString& row : rows) {
        const QStringList cells = row.split(QLatin1Char('|'));
        const QString code = cells.value(0) == QLatin1String("stock") ? cells.value(1) : cells.value(2);
        if (cells.value(0) != QLatin1String("dept") && codes.contains(code))
            kept << row;
    }
    return kept;
}

class ReanalysisBatchTest : public ::testing::Test {
protected:
    VirtualClock clock{QDateTime(QDate(2017, 3, 20), QTime(19, 0))};
};

}  // namespace

TEST_F(ReanalysisBatchTest, AFreshBatchStoresTheNewestDayOfEveryDocumentAndKeepsTheBookkeeping) {
    Installation site(clock);
    const auto outcome = site.run({Yes, Yes});
    ASSERT_TRUE(outcome.done());
    EXPECT_EQ(site.questions(), (QStringList{kConfirm, kClear})) << "no resume question on a new day";
    EXPECT_EQ(site.frame.messages[0].title, QStringLiteral("提示!"));
    EXPECT_EQ(site.frame.messages[0].question,
              Question::ReanalysisStart);  // what the command line answers by
    EXPECT_EQ(site.frame.messages[1].question, Question::ReanalysisClearHistory);
    EXPECT_EQ(outcome.startRow, 1);
    EXPECT_EQ(outcome.stocksAnalysed, 12);
    EXPECT_EQ(outcome.documents, 36);

    // Without all changes, each document adds its own newest day: one day per document.
    EXPECT_EQ(countOf(site.db, QStringLiteral(
                                   "select count(*) from (select distinct StCode, StDate from tblStChange)")),
              36);
    EXPECT_EQ(site.totals().savedChangeCount, 36);
    EXPECT_GT(countOf(site.db, QStringLiteral("select count(*) from tblBigBuySale")), 0);

    QDate newest;
    for (const auto& stock : site.corpus)
        newest = std::max(newest, stock.documentDates.last());
    EXPECT_EQ(site.settings.lastRunDate(), QDate(2017, 3, 20));
    EXPECT_EQ(site.settings.lastCode(), site.key(12));
    EXPECT_EQ(site.settings.lastIndex(), 12);
    EXPECT_EQ(site.settings.lastStockDate(), newest);

    // The database does not know the stocks' names yet: the line takes the list's.
    EXPECT_TRUE(site.frame.hasLog(QStringLiteral("2017-03-20 19:00:00:分析") + site.code(1) + site.name(1) +
                                      QStringLiteral(">>>>>>>>>>>>>>>"),
                                  LogColor::Blue));
    EXPECT_TRUE(site.frame.hasLog(QStringLiteral("全部股票文件分析完毕!"), LogColor::Red));
    EXPECT_EQ(site.frame.prompts.last(), QStringLiteral("全部股票文件分析完毕!"));
    EXPECT_TRUE(
        site.frame.prompts.contains(QStringLiteral("正在从下载的文件中挖掘操盘庄家,请勿操作使用计算机!")));
    EXPECT_EQ(site.frame.progressUpdates.last().position, 12);
    EXPECT_EQ(site.frame.progressUpdates.last().maximum, 12);
    EXPECT_FALSE(site.frame.progressShown);
    EXPECT_TRUE(site.frame.commandsEnabled);
    EXPECT_TRUE(site.launcher.calls.isEmpty()) << "re-analysis never archives";
    EXPECT_TRUE(outcome.reloadDepartments);
}

TEST_F(ReanalysisBatchTest, NothingRunsWithoutConsentOrWhileAnotherJobHoldsTheRunControl) {
    Installation site(clock, 3, 1);
    EXPECT_EQ(site.run({No}).reason, JobReason::Declined);
    EXPECT_EQ(site.questions(), QStringList{kConfirm});
    const RunLease relay = site.control.lease(JobKind::Relay);
    const ReanalysisOutcome refused = site.run({Yes, Yes});
    EXPECT_EQ(refused.end, JobEnd::NotStarted);
    EXPECT_EQ(refused.reason, JobReason::Busy);
    EXPECT_TRUE(site.frame.messages.isEmpty());
    EXPECT_FALSE(site.settings.exists());
    EXPECT_EQ(countOf(site.db, QStringLiteral("select count(*) from tblStChange")), 0);
}

TEST_F(ReanalysisBatchTest, AStoppedBatchResumesTheSameDayAtItsLastStockAndEndsLikeAWholeRun) {
    Installation reference(clock);
    reference.run({Yes, Yes});

    Installation site(clock);
    stopAtStock(site, site.code(5));
    const auto stopped = site.run({Yes, Yes});
    EXPECT_TRUE(stopped.stopped());
    EXPECT_EQ(stopped.lastRow, 5);
    EXPECT_EQ(site.settings.lastCode(), site.key(5));
    EXPECT_EQ(site.settings.lastIndex(), 5);
    EXPECT_FALSE(site.frame.progressShown);

    site.frame.onProcessEvents = nullptr;
    clock.advance(3600 * 1000);  // later the same day
    const auto resumed = site.run({Yes, Yes});
    ASSERT_EQ(site.questions().size(), 2) << "a resumed batch does not offer to clear the data";
    EXPECT_EQ(site.frame.messages[1].question, Question::ReanalysisResume);
    EXPECT_EQ(site.questions()[1], QStringLiteral("今日已经分析到") + site.key(5) +
                                       QStringLiteral("的☆龙虎榜单☆,是否从此股票开始分析后续股票的数据?\r"
                                                      "(如果选择否,将从第一只股票重新开始)"));
    EXPECT_EQ(resumed.startRow, 5) << "the stock the stop came after is analysed again";
    EXPECT_EQ(resumed.stocksAnalysed, 8);
    EXPECT_EQ(storedRows(site.db), storedRows(reference.db));
    EXPECT_EQ(site.settings.lastStockDate(), reference.settings.lastStockDate());
}

TEST_F(ReanalysisBatchTest, StartingOverTheSameDayClearsTheOldResumePointAtOnce) {
    Installation site(clock);
    stopAtStock(site, site.code(8));
    site.run({Yes, Yes});
    ASSERT_EQ(site.settings.lastCode(), site.key(8));

    // Answering No starts at row 1; the stock noted before must be gone before the first
    // stock is done, or a kill now would offer to resume at row 8 and skip rows 2 to 7.
    QString codeDuringFirstStock = QStringLiteral("unchanged");
    site.frame.onProcessEvents = [&] {
        if (codeDuringFirstStock == QLatin1String("unchanged"))
            codeDuringFirstStock = site.settings.lastCode();
    };
    const auto again = site.run({Yes, No, No});
    EXPECT_EQ(again.startRow, 1);
    EXPECT_EQ(site.questions().size(), 3);
    EXPECT_EQ(site.questions()[2], kClear);
    EXPECT_EQ(codeDuringFirstStock, QString());
    EXPECT_EQ(site.settings.lastCode(), site.key(12));
}

TEST_F(ReanalysisBatchTest, ALaterDayStartsOverAndKeptDataIsNotStoredTwice) {
    Installation site(clock);
    site.run({Yes, Yes});
    const QStringList first = storedRows(site.db);
    const QDate stockDate = site.settings.lastStockDate();

    clock.setNow(QDateTime(QDate(2017, 3, 21), QTime(9, 0)));
    const auto kept = site.run({Yes, No});
    EXPECT_EQ(site.questions(), (QStringList{kConfirm, kClear}));
    EXPECT_EQ(kept.startRow, 1);
    EXPECT_EQ(site.settings.lastRunDate(), QDate(2017, 3, 21));
    EXPECT_EQ(site.totals().savedChangeCount, 0) << "every day is found stored already";
    EXPECT_EQ(storedRows(site.db), first);
    EXPECT_EQ(site.settings.lastStockDate(), stockDate);

    clock.setNow(QDateTime(QDate(2017, 3, 22), QTime(9, 0)));
    site.run({Yes, Yes});
    EXPECT_EQ(site.totals().savedChangeCount, 36) << "cleared, then stored again";
    EXPECT_EQ(storedRows(site.db), first);
}

TEST_F(ReanalysisBatchTest, DocumentsOlderThanTheStoredDayAreReportedAndNewerOnesStored) {
    Installation site(clock, 4, 3);
    stopAtStock(site, site.code(2));
    site.run({Yes, Yes});
    // Meanwhile the mining run stored the middle document's day of the third stock.
    const QString code = site.code(3);
    const QList<QDate> dates = site.corpus.at(2).documentDates;
    Statement insert =
        site.db.QueryPublic(QStringLiteral("insert into tblStocks (StCode,StLastDate) values(:Code,:Day)"));
    insert.bind(QStringLiteral(":Day"), dates.at(1)).bind(QStringLiteral(":Code"), code);
    ASSERT_TRUE(insert.exec());
    site.frame.onProcessEvents = nullptr;
    site.frame.logs.clear();

    clock.advance(60 * 1000);
    site.run({Yes, Yes});
    EXPECT_EQ(site.frame.countLogs(QStringLiteral("\t>>>>>数据库中已经保存过 ") + code +
                                   QStringLiteral(" 的操盘数据")),
              2);
    Statement days =
        site.db.QueryPublic(QStringLiteral("select distinct StDate from tblStChange where StCode=:Code"));
    days.bind(QStringLiteral(":Code"), code);
    ASSERT_TRUE(days.exec());
    QList<QDate> stored;
    while (days.next())
        stored << days.date(0);
    EXPECT_EQ(stored, QList<QDate>{dates.at(2)});
}

TEST_F(ReanalysisBatchTest, ABrokenDocumentIsReportedAndTheBatchGoesOn) {
    Installation site(clock, 3, 2);
    const QString code = site.code(2);
    const QString folder = site.folder.stockFolder(code);
    // Not a report of this stock, half a report, and an empty file, before the real ones.
    QString error;
    ASSERT_TRUE(ReportDocuments::writeDocument(
        QDir(folder).filePath(code + QStringLiteral("-2000-01-01变动资料.txt")),
        {QStringLiteral("☆龙虎榜单☆ ◇999999 别的股票◇ 更新日期:2000-01-01"), QStringLiteral("乱码\x01\x02")},
        &error));
    const auto lines = ReportDocuments::readDocument(
        QDir(folder).filePath(ReportDocuments::documentName(
            code, site.corpus.at(1).documentDates.first().toString(QStringLiteral("yyyy-MM-dd")))),
        &error);
    ASSERT_TRUE(lines.has_value());
    ASSERT_TRUE(ReportDocuments::writeDocument(
        QDir(folder).filePath(code + QStringLiteral("-2000-01-02变动资料.txt")), lines->mid(0, 12), &error));
    QFile empty(QDir(folder).filePath(code + QStringLiteral("-2000-01-03变动资料.txt")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    // A folder of a stock off the list, and folders that are not stocks.
    ASSERT_TRUE(QDir(site.home.path()).mkpath(QStringLiteral("688001")));
    ASSERT_TRUE(QDir(site.home.path()).mkpath(QStringLiteral("12345")));
    ASSERT_TRUE(QDir(site.home.path()).mkpath(QStringLiteral("backup")));

    const auto outcome = site.run({Yes, Yes});
    EXPECT_TRUE(outcome.done());
    EXPECT_EQ(outcome.stocksAnalysed, 3);
    EXPECT_EQ(outcome.documents, 9);
    EXPECT_EQ(site.frame.countLogs(QStringLiteral("\t>>>>>抓取的☆龙虎榜单☆不是 ") + code), 2);
    EXPECT_EQ(site.totals().savedChangeCount, 6) << "the documents of all three stocks are stored";
    EXPECT_EQ(outcome.unlistedFolders, QStringList{QStringLiteral("688001")});
    EXPECT_EQ(site.settings.lastCode(), site.key(3));
    EXPECT_EQ(site.settings.lastIndex(), 3);
}

TEST_F(ReanalysisBatchTest, PauseHoldsTheBatchAndOnlyAWholeRunSwitchesTheComputerOff) {
    Installation site(clock, 4, 1);
    int pumps = 0;
    site.frame.onProcessEvents = [&] {
        ++pumps;
        if (pumps == 2)
            site.control.pause();
        if (pumps == 6)
            site.control.resume();
    };
    ReanalysisOptions shutdown;
    shutdown.shutdownWhenDone = true;
    const auto whole = site.run({Yes, Yes}, shutdown);
    EXPECT_EQ(whole.stocksAnalysed, 4);
    EXPECT_GE(pumps, 6);
    EXPECT_TRUE(whole.closing.shutdownAttempted);
    EXPECT_EQ(site.shutdown.requests, 1);
    EXPECT_FALSE(whole.reloadDepartments) << "the computer goes off instead";

    stopAtStock(site, site.code(2));
    clock.setNow(clock.now().addDays(1));
    const auto stopped = site.run({Yes, Yes}, shutdown);
    EXPECT_TRUE(stopped.stopped());
    EXPECT_EQ(site.shutdown.requests, 1);
}

TEST_F(ReanalysisBatchTest, AStockFolderOffTheListIsReportedOnceAndAListedStockWithoutOneIsPassedOver) {
    Installation site(clock, 5, 1);
    ASSERT_TRUE(QDir(site.home.path()).mkpath(QStringLiteral("60000a")));
    QFile file(site.home.file(QStringLiteral("600999")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // Documents the list does not lead to, beside a listed stock that has none.
    ASSERT_TRUE(QDir(site.home.path()).rename(site.code(2), QStringLiteral("002999")));

    const auto outcome = site.run({Yes, Yes});
    EXPECT_EQ(outcome.unlistedFolders, QStringList{QStringLiteral("002999")});
    EXPECT_EQ(site.frame.countLogs(QStringLiteral("002999")), 1);
    EXPECT_TRUE(site.frame.hasLog(QStringLiteral("\t>>>>>股票文件夹002999不在股票列表中,其文档未分析<<<<<"),
                                  LogColor::Magenta));
    EXPECT_EQ(site.frame.countLogs(QStringLiteral(":分析") + site.code(2)), 0);
    EXPECT_EQ(outcome.stocksAnalysed, 4);
    EXPECT_EQ(outcome.documents, 4);
    EXPECT_EQ(site.settings.lastCode(), site.key(5));
    EXPECT_EQ(site.settings.lastIndex(), 5);
}

// The mining run notes the same prefixed key: a batch of the same day resumes from it,
// and a bare six-digit code is not a row of the list.
TEST_F(ReanalysisBatchTest, TheResumePointIsTheListsPrefixedKeyWhicheverRunNotedIt) {
    for (const bool prefixed : {true, false}) {
        SCOPED_TRACE(prefixed);
        Installation site(clock, 9, 1);
        ASSERT_TRUE(site.key(7).startsWith(QStringLiteral("sh")));
        ASSERT_TRUE(site.settings.startFreshRun(clock.today()));
        ASSERT_TRUE(site.settings.writeLastStock(prefixed ? site.key(7) : site.code(7), 7));
        const auto outcome = site.run({Yes, Yes});
        EXPECT_EQ(outcome.startRow, prefixed ? 7 : 1);
        EXPECT_EQ(site.questions().value(1).startsWith(QStringLiteral("今日已经分析到") + site.key(7)),
                  prefixed);
        EXPECT_EQ(site.settings.lastCode(), site.key(9));
    }
}

TEST_F(ReanalysisBatchTest, AGroupTheDatabaseRefusesEndsTheBatchAsFailedAndTheNextBatchResumesThere) {
    enum class Fault { DiskFull, IoError, WriterHoldsTheLock };
    Installation reference(clock, 6, 2);
    reference.run({Yes, Yes});
    for (const Fault fault : {Fault::DiskFull, Fault::IoError, Fault::WriterHoldsTheLock}) {
        SCOPED_TRACE(static_cast<int>(fault));
        std::optional<SqliteWriteFaults> faults;
        if (fault != Fault::WriterHoldsTheLock)
            faults.emplace(-1,
                           fault == Fault::DiskFull ? 13 /* SQLITE_FULL */ : 778 /* SQLITE_IOERR_WRITE */);
        Installation site(clock, 6, 2);
        std::optional<WriteLockHolder> writer;
        site.frame.onProcessEvents = [&] {
            clock.advance(1000);  // a second per pump: every stock is a group of its own
            const auto& logs = site.frame.logs;
            const bool atFourth = !logs.isEmpty() && logs.last().color == LogColor::Blue &&
                                  logs.last().text.contains(site.code(4));
            if (faults && atFourth)
                faults->allow(0);  // the fourth stock's group cannot be written
            // Between the third and the fourth stock, when nothing is open.
            if (fault == Fault::WriterHoldsTheLock && !writer && !site.db.inTransaction() &&
                site.settings.lastCode() == site.key(3))
                writer.emplace(site.db.fileName());
        };
        const auto failed = site.run({Yes, Yes});
        EXPECT_TRUE(failed.storeFailed());
        EXPECT_FALSE(failed.storeError().isEmpty());
        EXPECT_EQ(failed.lastRow, 3);
        EXPECT_EQ(failed.stocksAnalysed, 3);
        EXPECT_EQ(failed.documents, 6);
        EXPECT_EQ(site.frame.countLogs(QStringLiteral("股票文件分析中止")), 1);
        EXPECT_FALSE(site.frame.hasLog(QStringLiteral("全部股票文件分析完毕!"), LogColor::Red));

        if (faults)
            faults->allow(-1);
        writer.reset();
        site.frame.onProcessEvents = nullptr;
        EXPECT_TRUE(site.db.integrityCheck());
        EXPECT_EQ(site.settings.lastIndex(), 3) << "noted past what is stored";
        EXPECT_EQ(storedRows(site.db).filter(QRegularExpression(QStringLiteral("^(change|big|stock)"))),
                  rowsOfStocks(storedRows(reference.db), {site.code(1), site.code(2), site.code(3)}))
            << "the stocks before the fault are whole, the others absent";
        EXPECT_EQ(
            site.totals().savedChangeCount,
            countOf(site.db, QStringLiteral(
                                 "select count(*) from (select distinct StCode, StDate from tblStChange)")));
        EXPECT_EQ(site.totals().savedBigCount,
                  countOf(site.db, QStringLiteral("select count(*) from tblBigBuySale")));

        clock.advance(60 * 1000);
        const auto resumed = site.run({Yes, Yes});
        EXPECT_FALSE(resumed.storeFailed());
        EXPECT_EQ(resumed.startRow, 3);
        EXPECT_EQ(storedRows(site.db), storedRows(reference.db));
    }
}

TEST_F(ReanalysisBatchTest, APauseCommitsTheStocksDoneAndNotesThemBeforeItWaits) {
    Installation site(clock, 4, 1);
    bool pausedOnce = false;
    site.frame.onProcessEvents = [&] {
        if (site.control.state() == RunState::Paused) {
            EXPECT_FALSE(site.db.inTransaction()) << "the write lock is held through the pause";
            EXPECT_EQ(site.settings.lastCode(), site.key(2));
            site.control.resume();
        } else if (!pausedOnce && site.frame.countLogs(QStringLiteral(":分析")) == 2) {
            pausedOnce = true;  // between the second and the third stock
            site.control.pause();
        }
    };
    EXPECT_EQ(site.run({Yes, Yes}).stocksAnalysed, 4);
    EXPECT_TRUE(pausedOnce);
}

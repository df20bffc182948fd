// Re-analyses a generated corpus of saved report documents (5,000 stocks × 4 documents by
// default) into a fresh database and prints documents per second, the time per stock and
// the peak memory, sampled early and at the end to show it does not grow with the stocks.
// Against it stands what cannot be spared: the same documents read as the GBK they are and
// parsed without a database, plus a plain insert of the rows the batch stored into another
// fresh database. The batch's time over the sum of the two is its overhead (goal ≤ 1.3).
//
//   bench_reanalysis [STOCKS] [DOCUMENTS_PER_STOCK] [--rounds N]
//
// With --rounds, the batch (into a fresh database) and the reference are measured N times
// and the medians printed.

#include "BenchSupport.h"
#include "app/ProgramFolder.h"
#include "app/RunControl.h"
#include "app/Settings.h"
#include "demo/DemoCorpus.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/ProcessLauncher.h"
#include "platform/Shutdown.h"
#include "quotefiles/StockListLoader.h"
#include "report/ReanalysisBatch.h"
#include "report/StockExtraction.h"
#include "report/StockFolderList.h"
#include "store/Money.h"

#include "app/TextCodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

using namespace quarrow;
using quarrow::bench::cpuSeconds;
using quarrow::bench::currentMemoryKb;
using quarrow::bench::median;
using quarrow::bench::peakMemoryKb;

namespace {

// A step's time on the clock and the processor time it took: on a machine shared with
// other work the second varies less.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

// Answers the batch's questions (go on, start over, clear) and samples the peak memory
// as the rows go by; everything else is swallowed.
class BenchFrame final : public AppFrame {
public:
    MessageAnswer showMessage(const MessageRequest& request) override {
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    void addLog(const QString&, LogColor) override {}
    void setStatusPanel(StatusPanel panel, const QString& text) override {
        if (panel == StatusPanel::Pending && text.toInt() == rowsForEarlySample)
            earlyMemoryKb = currentMemoryKb();
    }
    void processEvents() override {}
    void clearLog() override {}
    QStringList logLines() const override { return {}; }
    void addPromptMemo(const QString&) override {}
    void showCapture(const QStringList&) override {}
    void showProgress(const RunProgress&) override {}
    void hideProgress() override {}
    void enableCommands(bool) override {}
    QString programFolder() const override { return QString(); }

    int rowsForEarlySample = -1;
    long earlyMemoryKb = 0;

protected:
    void displayPrompt(const QString&) override {}
};

// Every document of the listed stocks read whole, decoded as the GBK the corpus is written
// in (no detection), and run through the extraction with a closed database: the parsing
// and the log lines, nothing stored.
[[gnu::noinline]] Timing parseOnly(const ProgramFolder& folder, const QList<StockRow>& rows,
                                   AppFrame& frame) {
    TDataBase closed(QString{});
    SystemClock clock;
    SystemProcessLauncher launcher;
    FixedNetworkState network(true);
    PortableArchiver archiver;
    ExtractionServices services{closed, frame, clock, launcher, archiver, network, folder};
    ExtractionAccount totals;
    StockExtraction extraction(services, totals);
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuSeconds();
    int documents = 0;
    for (const StockRow& row : rows) {
        const QDir dir(folder.stockFolder(row.code()));
        for (const QString& name : dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QStringList memo = TextCodec::splitLines(TextCodec::decodeGbk(file.readAll()));
            ExtractionOptions options;
            options.code = row.code();
            options.name = row.name;
            extraction.run(memo, options, ExtractionCaller::Reanalysis);
            ++documents;
        }
    }
    const Timing timing{timer.elapsed() / 1000.0, cpuSeconds() - cpuBefore};
    std::printf("reference, parse only: %d documents in %.2f s (%.2f s CPU)\n", documents, timing.wall,
                timing.cpu);
    return timing;
}

struct StoredChange {
    QString code;
    QDate day;
    qint32 departmentKey;
    Money buy, sale, rate;
    QString memo;
    qint64 key;
};

struct StoredBlock {
    QString code;
    QDate day;
    qint32 buyer, seller;
    Money price, quantity, amount;
    qint64 key;
};

// The rows the batch stored, inserted into a fresh database the way any batch stores rows
// (prepared statements bound by name, a transaction per 5,000 rows), without the batch's
// reading of stock rows and dates in between. Nothing when a row is refused.
[[gnu::noinline]] std::optional<Timing> plainInsert(TDataBase& source, const QString& targetFile) {
    std::vector<StoredChange> changes;
    Statement change = source.QueryPublic(QStringLiteral(
        "select StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY from tblStChange order by ID"));
    if (!change.exec())
        return std::nullopt;
    while (change.next())
        changes.push_back({change.text(0), change.date(1), static_cast<qint32>(change.integer(2)),
                           change.money(3), change.money(4), change.money(5), change.text(6),
                           change.integer(7)});
    std::vector<StoredBlock> blocks;
    Statement block = source.QueryPublic(
        QStringLiteral("select StCode,StDate,StDeptBuy,StDeptSale,StPrice,StQTY,StAMT,StKEY from "
                       "tblBigBuySale order by ID"));
    if (!block.exec())
        return std::nullopt;
    while (block.next())
        blocks.push_back({block.text(0), block.date(1), static_cast<qint32>(block.integer(2)),
                          static_cast<qint32>(block.integer(3)), block.money(4), block.money(5),
                          block.money(6), block.integer(7)});
    QList<std::pair<qint32, QString>> departments;
    Statement department = source.QueryPublic(QStringLiteral("select StDeptKey,StDept from tblStDepart"));
    if (!department.exec())
        return std::nullopt;
    while (department.next())
        departments.append({static_cast<qint32>(department.integer(0)), department.text(1)});
    QList<QStringList> stocks;
    Statement stock = source.QueryPublic(
        QStringLiteral("select StCode,StName,StDocDate,StLastDate,StBigLast from tblStocks"));
    if (!stock.exec())
        return std::nullopt;
    while (stock.next())
        stocks.append({stock.text(0), stock.text(1), stock.text(2), stock.text(3), stock.text(4)});

    QFile::remove(targetFile);
    TDataBase target(targetFile);
    if (!target.open())
        return std::nullopt;
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuSeconds();
    constexpr int kRowsPerTransaction = 5000;
    int inTransaction = 0;
    auto transaction = std::make_unique<Transaction>(target);
    bool ok = transaction->began();
    const auto nextRow = [&] {
        if (++inTransaction < kRowsPerTransaction)
            return;
        ok = ok && transaction->commit();
        transaction = std::make_unique<Transaction>(target);
        ok = ok && transaction->began();
        inTransaction = 0;
    };
    for (const StoredChange& r : changes) {
        Statement insert = target.DBCommand(QStringLiteral(
            "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
            "values (:StCode,:StDate,:StDeptKey,:StBuy,:StSale,:StRate,:StMemo,:StKEY)"));
        insert.bind(QStringLiteral(":StCode"), r.code)
            .bind(QStringLiteral(":StDate"), r.day)
            .bind(QStringLiteral(":StDeptKey"), r.departmentKey)
            .bind(QStringLiteral(":StBuy"), r.buy)
            .bind(QStringLiteral(":StSale"), r.sale)
            .bind(QStringLiteral(":StRate"), r.rate)
            .bind(QStringLiteral(":StMemo"), r.memo)
            .bind(QStringLiteral(":StKEY"), r.key);
        ok = ok && insert.exec();
        nextRow();
    }
    for (const StoredBlock& r : blocks) {
        Statement insert = target.DBCommand(QStringLiteral(
            "insert into tblBigBuySale (StCode,StDate,StDeptBuy,StPrice,StQTY,StAMT,StDeptSale,StKEY,"
            "StArchived) values "
            "(:StCode,:StDate,:StDeptBuy,:StPrice,:StQTY,:StAMT,:StDeptSale,:StKey,false)"));
        insert.bind(QStringLiteral(":StCode"), r.code)
            .bind(QStringLiteral(":StDate"), r.day)
            .bind(QStringLiteral(":StDeptBuy"), r.buyer)
            .bind(QStringLiteral(":StPrice"), r.price)
            .bind(QStringLiteral(":StQTY"), r.quantity)
            .bind(QStringLiteral(":StAMT"), r.amount)
            .bind(QStringLiteral(":StDeptSale"), r.seller)
            .bind(QStringLiteral(":StKey"), r.key);
        ok = ok && insert.exec();
        nextRow();
    }
    for (const auto& [key, name] : departments) {
        Statement insert = target.DBCommand(
            QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (:StDeptKey,:StDept)"));
        insert.bind(QStringLiteral(":StDeptKey"), key).bind(QStringLiteral(":StDept"), name);
        ok = ok && insert.exec();
        nextRow();
    }
    for (const QStringList& s : stocks) {
        Statement insert = target.DBCommand(
            QStringLiteral("insert into tblStocks (StCode,StName,StDocDate,StLastDate,StBigLast) "
                           "values (:StCode,:StName,:StDocDate,:StLastDate,:StBigLast)"));
        insert.bind(QStringLiteral(":StCode"), s.at(0))
            .bind(QStringLiteral(":StName"), s.at(1))
            .bind(QStringLiteral(":StDocDate"), s.at(2))
            .bind(QStringLiteral(":StLastDate"), s.at(3))
            .bind(QStringLiteral(":StBigLast"), s.at(4));
        ok = ok && insert.exec();
        nextRow();
    }
    ok = ok && transaction->commit();
    const Timing timing{timer.elapsed() / 1000.0, cpuSeconds() - cpuBefore};
    const auto rows =
        changes.size() + blocks.size() + static_cast<size_t>(departments.size() + stocks.size());
    std::printf("reference, plain insert: %zu rows in %.2f s (%.2f s CPU)\n", rows, timing.wall, timing.cpu);
    return ok ? std::optional<Timing>(timing) : std::nullopt;
}

// One batch over the whole list into a fresh database and settings file, and the
// reference right after it. Nothing when the batch fell short or the rows did not go in.
struct Round {
    Timing batch;
    Timing parse;
    Timing insert;
    int documents = 0;
    int stocks = 0;
    ExtractionAccount totals;
    long memoryBefore_kb = 0;
    long memoryEarly_kb = 0;
    long memoryEnd_kb = 0;
};

std::optional<Round> runRound(const ProgramFolder& folder, const QString& plainFile, int expectedDocuments) {
    for (const QString& file :
         {folder.databaseFile(), folder.databaseFile() + QStringLiteral("-wal"),
          folder.databaseFile() + QStringLiteral("-shm"), folder.settingsFile(), plainFile})
        QFile::remove(file);
    TDataBase db(folder.databaseFile());
    if (!db.open()) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(db.openError()));
        return std::nullopt;
    }
    BenchFrame frame;
    SystemClock clock;
    SystemProcessLauncher launcher;
    FixedNetworkState network(true);
    PortableArchiver archiver;
    SimulatedShutdown shutdown;
    Settings settings(folder, clock);
    ExtractionServices services{db, frame, clock, launcher, archiver, network, folder};
    Round round;
    RunControl run(frame, clock);
    ReanalysisBatch batch(services, settings, run, shutdown);

    // The stock list as the program would load it without a quote program: the corpus's table.
    StockList list;
    StockListLoader(frame).loadHandKept(folder.filePath(handKeptTableName()), list);
    QList<StockRow> rows;
    for (const StockEntry& entry : list.entries())
        rows.append({entry.key, entry.name});
    frame.rowsForEarlySample =
        static_cast<int>(rows.size()) - std::min<int>(1000, static_cast<int>(rows.size()));
    round.memoryBefore_kb = currentMemoryKb();
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuSeconds();
    const RunLease lease = run.lease(JobKind::Reanalysis);
    const ReanalysisOutcome outcome = batch.run(lease, rows, ReanalysisOptions{});
    round.totals = outcome.account;
    round.batch = {timer.elapsed() / 1000.0, cpuSeconds() - cpuBefore};
    round.memoryEarly_kb = frame.earlyMemoryKb;
    round.memoryEnd_kb = currentMemoryKb();
    round.documents = outcome.documents;
    round.stocks = outcome.stocksAnalysed;
    std::printf("re-analysed: %d stocks, %d documents in %.2f s (%.2f s CPU)\n", outcome.stocksAnalysed,
                outcome.documents, round.batch.wall, round.batch.cpu);
    if (outcome.documents != expectedDocuments) {
        std::fprintf(stderr, "the batch read %d documents of %d\n", outcome.documents, expectedDocuments);
        return std::nullopt;
    }
    round.parse = parseOnly(folder, rows, frame);
    const std::optional<Timing> insert = plainInsert(db, plainFile);
    if (!insert) {
        std::fprintf(stderr, "cannot insert the rows into a fresh database\n");
        return std::nullopt;
    }
    round.insert = *insert;
    return round;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    DemoCorpusOptions options;
    options.stocks = arguments.size() > 1 && !arguments.at(1).startsWith(QLatin1Char('-'))
                         ? arguments.at(1).toInt()
                         : 5000;
    options.documentsPerStock =
        arguments.size() > 2 && !arguments.at(2).startsWith(QLatin1Char('-')) ? arguments.at(2).toInt() : 4;
    const int rounds = quarrow::bench::argumentValue(arguments, QStringLiteral("--rounds"), 1);
    if (options.stocks < 1 || options.documentsPerStock < 1 || rounds < 1) {
        std::fprintf(stderr, "usage: bench_reanalysis [STOCKS] [DOCUMENTS_PER_STOCK] [--rounds N]\n");
        return 2;
    }

    QTemporaryDir dir;
    const ProgramFolder folder(dir.path());
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!DemoCorpus(options).write(folder, nullptr, &error)) {
        std::fprintf(stderr, "cannot write the corpus: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("corpus: %d stocks x %d documents generated in %.1f s\n", options.stocks,
                options.documentsPerStock, timer.elapsed() / 1000.0);

    // Each round's batch is set against the reference measured right after it, so a
    // machine that gets busier or quieter between rounds moves both alike.
    std::vector<double> batchSeconds;
    std::vector<double> ratios;
    std::vector<double> cpuRatios;
    std::optional<Round> last;
    for (int r = 0; r < rounds; ++r) {
        last = runRound(folder, dir.filePath(QStringLiteral("Plain.db")),
                        options.stocks * options.documentsPerStock);
        if (!last)
            return 1;
        batchSeconds.push_back(last->batch.wall);
        ratios.push_back(last->batch.wall / (last->parse.wall + last->insert.wall));
        cpuRatios.push_back(last->batch.cpu / (last->parse.cpu + last->insert.cpu));
    }
    const double seconds = median(batchSeconds);
    std::printf("documents per second: %.0f (median of %d rounds)\n", last->documents / seconds, rounds);
    std::printf("time per stock: %.2f ms\n", seconds * 1000.0 / std::max(1, last->stocks));
    std::printf("stored: %d anomaly days, %d block trades\n", last->totals.savedChangeCount,
                last->totals.savedBigCount);
    std::printf("memory in use: %ld KiB before the batch, %ld KiB after 1,000 stocks, %ld KiB at the end\n",
                last->memoryBefore_kb, last->memoryEarly_kb, last->memoryEnd_kb);
    std::printf("peak memory (getrusage): %ld KiB\n", peakMemoryKb());
    std::printf("batch / (parse only + plain insert): %.2f x (goal <= 1.3); by CPU time %.2f x\n",
                median(ratios), median(cpuRatios));
    return 0;
}

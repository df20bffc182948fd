// Times the download from a loopback quarrow-server into an empty database against the
// plain insert rate of the same rows (the storage limit), and the server's pages.
//
//   bench_download [--changes N] [--blocks N] [--stocks N] [--page-rows N]
//
// Goals: the download reaches at least 0.7 of the storage limit; a page of 500 rows is
// answered in under 20 ms.

#include "app/Settings.h"
#include "download/DataDownload.h"
#include "download/PageContract.h"
#include "download/PageLoader.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"
#include "server/PagePublisher.h"
#include "store/DataBase.h"
#include "store/RecordKeys.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <algorithm>
#include <cstdio>

using namespace quarrow;
using quarrow::bench::argumentValue;
using quarrow::bench::cpuSeconds;
using quarrow::bench::Stopwatch;
using quarrow::bench::threadCpuSeconds;

namespace {

class NoShutdown final : public Shutdown {
public:
    ShutdownResult powerOff() override { return {false, {}}; }
};

// The time spent waiting for pages.
class TimedLoader final : public PageLoader {
public:
    explicit TimedLoader(PageLoader& inner) : m_inner(inner) {}
    PageResult load(const QUrl& url, const std::function<bool()>& stopRequested) override {
        Stopwatch watch;
        PageResult result = m_inner.load(url, stopRequested);
        seconds += watch.seconds();
        return result;
    }
    void expect(const QUrl& url) override { m_inner.expect(url); }
    double seconds = 0;

private:
    PageLoader& m_inner;
};

struct Row {
    QString code;
    QDate day;
    QString department;
    QString seller;
    Money a;
    Money b;
    Money c;
};

const QString kInsertChange = QStringLiteral(
    "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY,StArchived) "
    "values (:StCode,:StDate,:StDeptKey,:StBuy,:StSale,:StRate,:StMemo,:StKEY,true)");
const QString kInsertBig = QStringLiteral(
    "insert into tblBigBuySale (StCode,StDate,StDeptBuy,StPrice,StQTY,StAMT,StDeptSale,StKEY,StArchived) "
    "values (:StCode,:StDate,:StDeptBuy,:StPrice,:StQTY,:StAMT,:StDeptSale,:StKey,false)");

// Rows come by stock day, as the mining stores them: the ten departments of an abnormal
// move together, a stock's block trades of a day together.
QList<Row> makeRows(int count, int stocks, int perStockDay, QRandomGenerator& random) {
    QList<Row> rows;
    rows.reserve(count);
    const QDate first(2020, 1, 2);
    QString code;
    for (int i = 0; i < count; ++i) {
        Row row;
        if (i % perStockDay == 0)
            code = QStringLiteral("%1").arg(600000 + random.bounded(stocks), 6, 10, QLatin1Char('0'));
        row.code = code;
        row.day = first.addDays(static_cast<qint64>(i) * 1500 / count);
        row.department = QStringLiteral("证券营业部%1").arg(random.bounded(3000));
        row.seller = QStringLiteral("证券营业部%1").arg(random.bounded(3000));
        row.a = Money::fromRaw(random.bounded(1, 100000000));
        row.b = Money::fromRaw(random.bounded(1, 100000000));
        row.c = Money::fromRaw(random.bounded(1, 1000000));
        rows << row;
    }
    return rows;
}

// The rows as the download stores them, without its checks: the most the storage can do.
double plainInsert(TDataBase& db, const QList<Row>& changes, const QList<Row>& blocks, int pageRows) {
    Stopwatch watch;
    auto store = [&](const QList<Row>& rows, bool change) {
        for (qsizetype from = 0; from < rows.size(); from += pageRows) {
            Transaction transaction(db);
            for (qsizetype i = from; i < std::min<qsizetype>(rows.size(), from + pageRows); ++i) {
                const Row& r = rows.at(i);
                Statement insert = db.DBCommand(change ? kInsertChange : kInsertBig);
                insert.bind(QStringLiteral(":StCode"), r.code).bind(QStringLiteral(":StDate"), r.day);
                if (change) {
                    insert.bind(QStringLiteral(":StDeptKey"), CalcDeptKey(r.department))
                        .bind(QStringLiteral(":StBuy"), r.a)
                        .bind(QStringLiteral(":StSale"), r.b)
                        .bind(QStringLiteral(":StRate"), r.c)
                        .bind(QStringLiteral(":StMemo"), QStringLiteral("涨跌幅大"))
                        .bind(QStringLiteral(":StKEY"), CalcRecordKey(r.code, r.department, r.a, r.b, r.day));
                } else {
                    insert.bind(QStringLiteral(":StDeptBuy"), CalcDeptKey(r.department))
                        .bind(QStringLiteral(":StPrice"), r.c)
                        .bind(QStringLiteral(":StQTY"), r.a)
                        .bind(QStringLiteral(":StAMT"), r.b)
                        .bind(QStringLiteral(":StDeptSale"), CalcDeptKey(r.seller))
                        .bind(QStringLiteral(":StKey"), CalcRecordKey(r.code, r.department, r.a, r.b, r.day));
                }
                insert.exec();
            }
            transaction.commit();
        }
    };
    store(changes, true);
    store(blocks, false);
    return watch.seconds();
}

void fillSource(TDataBase& db, const QList<Row>& changes, const QList<Row>& blocks, int stocks) {
    plainInsert(db, changes, blocks, 5000);
    Transaction transaction(db);
    for (int s = 0; s < stocks; ++s) {
        Statement insert =
            db.QueryPublic(QStringLiteral("insert into tblStocks (StCode,StName) values (:StCode,:StName)"));
        insert.bind(QStringLiteral(":StCode"), QStringLiteral("%1").arg(600000 + s))
            .bind(QStringLiteral(":StName"), QStringLiteral("股票%1").arg(s));
        insert.exec();
    }
    for (int d = 0; d < 3000; ++d) {
        const QString name = QStringLiteral("证券营业部%1").arg(d);
        Statement insert = db.DBCommand(
            QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (:StDeptKey,:StDept)"));
        insert.bind(QStringLiteral(":StDeptKey"), CalcDeptKey(name)).bind(QStringLiteral(":StDept"), name);
        insert.exec();
    }
    transaction.commit();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int changeCount = argumentValue(arguments, QStringLiteral("--changes"), 100'000);
    const int blockCount = argumentValue(arguments, QStringLiteral("--blocks"), 20'000);
    const int stocks = argumentValue(arguments, QStringLiteral("--stocks"), 3'000);
    const int pageRows =
        argumentValue(arguments, QStringLiteral("--page-rows"), PagePublisher::kDefaultPageRows);

    QTemporaryDir dir;
    QRandomGenerator random(42);
    const QList<Row> changes = makeRows(changeCount, stocks, 10, random);
    const QList<Row> blocks = makeRows(blockCount, stocks, 2, random);
    const int total = changeCount + blockCount;

    TDataBase source(dir.filePath(QStringLiteral("Source.db")));
    TDataBase plain(dir.filePath(QStringLiteral("Plain.db")));
    TDataBase target(dir.filePath(QStringLiteral("Target.db")));
    if (!source.open() || !plain.open() || !target.open()) {
        std::fprintf(stderr, "bench_download: cannot create the databases\n");
        return 1;
    }
    fillSource(source, changes, blocks, stocks);
    const double plainCpuBefore = cpuSeconds();
    const double plainSeconds = plainInsert(plain, changes, blocks, pageRows);
    const double plainCpu = cpuSeconds() - plainCpuBefore;
    std::printf("plain insert:  %d rows in %.2f s (%.2f s CPU) = %.0f rows/s (the storage limit)\n", total,
                plainSeconds, plainCpu, total / plainSeconds);

    PagePublisher publisher(source.fileName(), pageRows);
    QString error;
    if (!publisher.open(&error)) {
        std::fprintf(stderr, "bench_download: %s\n", error.toUtf8().constData());
        return 1;
    }
    // The server's own work per page, without the network.
    double slowest = 0;
    int pages = 0;
    Stopwatch served;
    for (qint64 id = 1; id <= changeCount; id += pageRows, ++pages) {
        Stopwatch one;
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("Date"), QStringLiteral("2020-01-01"));
        query.addQueryItem(QStringLiteral("ID"), QString::number(id));
        publisher.answer(PageContract::kChangePath, query);
        slowest = std::max(slowest, one.seconds());
    }
    std::printf(
        "server:        %d pages of %d rows in %.2f s = %.0f pages/s, %.1f ms a page, slowest %.1f ms\n",
        pages, pageRows, served.seconds(), pages / served.seconds(), served.seconds() * 1000 / pages,
        slowest * 1000);

    // The server in a process of its own, as the users run it: its work is not ours.
    QProcess server;
    server.start(QStringLiteral(QUARROW_SERVER),
                 {QStringLiteral("--database"), source.fileName(), QStringLiteral("--port"),
                  QStringLiteral("0"), QStringLiteral("--page-rows"), QString::number(pageRows)});
    QString banner;
    while (server.waitForReadyRead(30000)) {
        banner += QString::fromUtf8(server.readAllStandardOutput());
        if (banner.contains(QLatin1Char('\n')))
            break;
    }
    const QRegularExpressionMatch port = QRegularExpression(QStringLiteral(":(\\d+)/")).match(banner);
    if (!port.hasMatch()) {
        std::fprintf(stderr, "bench_download: quarrow-server did not start: %s\n",
                     (banner + QString::fromUtf8(server.readAllStandardError())).toUtf8().constData());
        return 1;
    }
    const QString address = QStringLiteral("http://127.0.0.1:") + port.captured(1);
    bench::SilentFrame frame;
    frame.pumpEvents = true;
    SystemClock clock;
    RunControl run(frame, clock);
    FixedNetworkState networkState(true);
    NoShutdown shutdown;
    NetworkPageLoader network(clock, frame);
    TimedLoader loader(network);
    Settings settings(dir.filePath(QStringLiteral("quarrow.INI")), dir.path(), clock);
    DataDownload download({target, frame, clock, run, networkState, shutdown, loader, settings});
    DownloadOptions options;
    options.changePage = address + PageContract::kChangePath;
    options.bigPage = address + PageContract::kBigPath;
    options.user = QStringLiteral("bench");
    Stopwatch watch;
    const double cpuBefore = cpuSeconds();
    const double threadCpuBefore = threadCpuSeconds();
    const RunLease lease = run.lease(JobKind::Download);
    const DownloadOutcome outcome = download.run(
        lease, options,
        [](const QString&, const QString&, const QString&) { return QStringLiteral("2020-01-01"); });
    const double seconds = watch.seconds();
    const double cpu = cpuSeconds() - cpuBefore;
    const double threadCpu = threadCpuSeconds() - threadCpuBefore;
    const int stored = outcome.changeStored + outcome.bigStored;
    // Our process's processor time against the plain insert's: on a busy machine the time on
    // the clock moves with the other work, this much less. The server's is its own.
    std::printf(
        "download:      %d rows (%d abnormal moves, %d block trades) in %.2f s = %.0f rows/s, "
        "%.0f %% of the storage limit; by CPU time (%.2f s) %.0f %%\n",
        stored, outcome.changeStored, outcome.bigStored, seconds, stored / seconds,
        100.0 * (stored / seconds) / (total / plainSeconds), cpu, 100.0 * plainCpu / cpu);
    std::printf("               %.2f s of it fetching pages, %.2f s reading and storing them\n",
                loader.seconds, seconds - loader.seconds);
    // The plain insert runs in this thread alone; the download's thread is its critical
    // path, with the network's thread and the server beside it.
    std::printf("download thread: %.2f s CPU, %.0f %% of the storage limit by its CPU time\n", threadCpu,
                100.0 * plainCpu / threadCpu);
    for (const QString& problem : outcome.pageProblems)
        std::printf("page problem: %s\n", problem.toUtf8().constData());
    server.kill();
    server.waitForFinished();
    return stored == total ? 0 : 1;
}

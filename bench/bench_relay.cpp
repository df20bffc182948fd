// Relays a simulated trading day of main-force alerts on the virtual clock and prints our
// own CPU time per pass and per alert, the memory at the start and the end of the day,
// and the time of a watch-list rebuild over the whole market. The process's CPU time
// includes the simulated monitor's share; a pass reads the list's count and then only its
// new rows, as reading the real list view costs a request per cell.
//
// usage: bench_relay [--alerts N] [--watched W] [--stocks S]

#include "BenchSupport.h"

#include "app/RunControl.h"
#include "automation/QuoteWindows.h"
#include "monitor/MainForceRelay.h"
#include "monitor/StocksForMonitor.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/ProcessLauncher.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimulatedLauncher.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"
#include "store/DataBase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <time.h>

#include <algorithm>
#include <cstdio>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

QString stockName(int i) {
    return QStringLiteral("股票%1").arg(i, 4, 10, QLatin1Char('0'));
}

QString stockCode(int i) {
    return QStringLiteral("%1").arg(600000 + i, 6, 10, QLatin1Char('0'));
}

// One alert every few seconds through both sessions, over the watched stocks and a few
// others, half of them above the relay's threshold.
QByteArray feed(int alerts, int watched) {
    QByteArray bytes;
    constexpr int kSession = 2 * 3600;
    for (int i = 0; i < alerts; ++i) {
        const int offset = int(qint64(i) * 2 * kSession / alerts);
        const int second = offset < kSession ? 9 * 3600 + 30 * 60 + offset : 13 * 3600 + offset - kSession;
        const QTime time = QTime(0, 0).addSecs(second);
        const int stock = (i * 7919) % (watched + watched / 4);
        const int lots = 2000 + (i * 31) % 30000;
        bytes += (time.toString(QStringLiteral("HH:mm:ss")) +
                  (i % 2 ? QStringLiteral("\tB\t") : QStringLiteral("\tS\t")) +
                  time.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char('\t') + stockName(stock) +
                  QStringLiteral("\t12.34/") + QString::number(lots) + QLatin1Char('\n'))
                     .toUtf8();
    }
    return bytes;
}

class NoLauncher final : public ProcessLauncher {
public:
    LaunchResult run(const QString&, const QStringList&, const QString&, int, WhenTimedOut) override {
        return LaunchResult::FailedToStart;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int alerts = argumentValue(arguments, QStringLiteral("--alerts"), 20000);
    const int watched = argumentValue(arguments, QStringLiteral("--watched"), 500);
    const int stockCount = std::max(argumentValue(arguments, QStringLiteral("--stocks"), 5000), watched * 2);

    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("sim")));
    QFile monitor(dir.filePath(QStringLiteral("sim/monitor.txt")));
    if (!monitor.open(QIODevice::WriteOnly) || monitor.write(feed(alerts, watched)) < 0) {
        std::fprintf(stderr, "bench_relay: cannot write the feed\n");
        return 1;
    }
    monitor.close();

    TDataBase db(dir.filePath(QStringLiteral("Quarrow.db")));
    if (!db.open()) {
        std::fprintf(stderr, "bench_relay: %s\n", qPrintable(db.openError()));
        return 1;
    }
    StockList stocks;
    db.beginTransaction();
    for (int i = 0; i < stockCount; ++i) {
        Statement insert = db.DBCommand(
            QStringLiteral("insert into tblStocks (StCode,StName,StAQuantity) values (:c,:n,:q)"));
        insert.bind(QStringLiteral(":c"), stockCode(i))
            .bind(QStringLiteral(":n"), stockName(i))
            .bind(QStringLiteral(":q"), Money::fromUnits(i < watched ? 20000 : 200000));
        insert.exec();
        stocks.append(QStringLiteral("sh") + stockCode(i), stockName(i));
    }
    db.commit();
    OwnStockList own(dir.filePath(QStringLiteral("SelfStock.Txt")));

    VirtualClock clock(QDateTime(QDate(2017, 3, 16), QTime(9, 25)));
    SimDesktop desktop(clock);
    desktop.setChatNickname([] { return QStringLiteral("小明"); });
    const QString title = QStringLiteral("华林证券网上交易");
    desktop.startQuoteProgram(dir.path(), title);
    SilentFrame frame;
    NoLauncher real;
    SimulatedLauncher launcher(desktop, clock, real, [title] { return title; });
    QuoteWindows windows(desktop, clock, frame, launcher);
    windows.setSetup({dir.path(), title, QStringLiteral("TdxW.exe"), true, QStringLiteral("小明")});
    windows.discover(false);
    FixedNetworkState network(true);
    StocksForMonitor watch(db, stocks, own);
    RunControl run(frame, clock);

    const Stopwatch rebuildWatch;
    const int count = watch.rebuild(WatchSelection());
    const double rebuild_ms = rebuildWatch.seconds() * 1000;

    MainForceRelay relay({db, frame, clock, network, desktop, windows, run, watch}, RelaySettings{});
    const long memoryStart = currentMemoryKb();
    const double cpuStart = cpuSeconds();
    if (!relay.startRelay(run.lease(JobKind::Relay))) {
        std::fprintf(stderr, "bench_relay: the relay did not start\n");
        return 1;
    }
    double worstPass_ms = 0;
    int busyPasses = 0;
    double busyPass_ms = 0;
    int busyRows = 0;
    const QDateTime end(QDate(2017, 3, 16), QTime(15, 6));
    while (clock.now() < end) {
        clock.advance(MainForceRelay::kTick_ms);
        const int passes = relay.totals().passes;
        const int rows = relay.totals().rowsHandled;
        const double before = cpuSeconds();
        relay.tick();
        if (relay.totals().passes == passes)
            continue;
        const double pass_ms = (cpuSeconds() - before) * 1000;
        worstPass_ms = std::max(worstPass_ms, pass_ms);
        if (relay.totals().rowsHandled > rows) {
            ++busyPasses;
            busyPass_ms += pass_ms;
            busyRows += relay.totals().rowsHandled - rows;
        }
    }
    const double cpu = cpuSeconds() - cpuStart;
    const long memoryEnd = currentMemoryKb();
    const RelayTotals& totals = relay.totals();

    std::printf("watch list: %d of %d stocks, rebuilt in %.1f ms (goal: under 100 ms)\n", count, stockCount,
                rebuild_ms);
    std::printf(
        "day: %d alerts in the feed, %d passes, %d rows read, %d alerts kept, %d stored, %d chat lines in "
        "%d batches\n",
        alerts, totals.passes, totals.rowsHandled, totals.alertsKept, totals.alertsStored, totals.linesSent,
        totals.batchesSent);
    std::printf("our CPU time: %.2f s for the day, %.3f ms per pass, %.3f ms per alert read\n", cpu,
                cpu * 1000 / std::max(1, totals.passes), cpu * 1000 / std::max(1, totals.rowsHandled));
    std::printf(
        "passes with new rows: %d, %.3f ms each for %.1f rows on average, %.3f ms per 100 new rows "
        "(goal: under 5 ms); worst pass %.3f ms\n",
        busyPasses, busyPass_ms / std::max(1, busyPasses), double(busyRows) / std::max(1, busyPasses),
        busyPass_ms * 100 / std::max(1, busyRows), worstPass_ms);
    std::printf("memory: %ld kB at the start of the day, %ld kB at its end, peak %ld kB\n", memoryStart,
                memoryEnd, peakMemoryKb());
    return 0;
}

// Computes the department track record over a generated store of 1,000,000 tblStChange
// rows (5,000 stocks, 3,000 departments; each anomaly day an anomaly row and nine
// department rows) and a generated quote folder with a daily-bar file per stock, and
// prints the time, the daily-bar files opened and the memory taken.
//
// usage: bench_scorecard [--stocks N] [--bars N] [--rows N] [--departments N] [--keep DIR] [--rounds N]

#include "BenchSupport.h"

#include "demo/DemoTrades.h"
#include "demo/QuoteFolderGenerator.h"
#include "scorecard/TrackRecord.h"
#include "store/DataBase.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

using namespace quarrow;
using namespace quarrow::bench;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QuoteFolderOptions options;
    options.stockCount = argumentValue(arguments, QStringLiteral("--stocks"), 5000);
    options.barCount = argumentValue(arguments, QStringLiteral("--bars"), 750);
    const int rows = argumentValue(arguments, QStringLiteral("--rows"), 1000000);
    const int departments = argumentValue(arguments, QStringLiteral("--departments"), 3000);
    const int rounds = std::max(1, argumentValue(arguments, QStringLiteral("--rounds"), 1));

    QTemporaryDir temporary;
    const qsizetype keepAt = arguments.indexOf(QStringLiteral("--keep"));
    const QString root =
        keepAt >= 0 && keepAt + 1 < arguments.size() ? arguments.at(keepAt + 1) : temporary.path();
    const QString quote = root + QStringLiteral("/quote");
    const QString database = root + QStringLiteral("/Quarrow.db");

    std::printf("store: %d rows over %d stocks and %d departments; %d bars per daily-bar file\n", rows,
                options.stockCount, departments, options.barCount);
    const QuoteFolderGenerator generator(options);
    const GeneratedQuoteFolder folder = generator.plan();
    if (!QFile::exists(database)) {
        Stopwatch generating;
        QString error;
        if (!generator.write(quote, &error)) {
            std::fprintf(stderr, "bench_scorecard: %s\n", qPrintable(error));
            return 1;
        }
        TDataBase db(database);
        if (!db.open() ||
            !storeDemoTrades(db, folder, DemoTradeOptions{rows, departments, 20170316}, &error)) {
            std::fprintf(stderr, "bench_scorecard: cannot fill %s: %s\n", qPrintable(database),
                         qPrintable(error));
            return 1;
        }
        std::printf("generating quote folder and store:  %8.3f s\n", generating.seconds());
    }

    TDataBase db(database);
    if (!db.open()) {
        std::fprintf(stderr, "bench_scorecard: %s\n", qPrintable(db.openError()));
        return 1;
    }
    const long memoryBefore = currentMemoryKb();
    // With --rounds the record is computed that many times and the medians printed: a
    // round that starts on files the system has let go of, or while the machine is busy
    // elsewhere, moves a single figure by half.
    std::vector<double> seconds;
    std::vector<double> cpu;
    std::optional<TrackRecord> computed;
    for (int round = 0; round < rounds; ++round) {
        computed.reset();
        Stopwatch computing;
        const double cpuBefore = cpuSeconds();
        computed = TrackRecord::compute(db, quote, TrackRecordOptions{});
        seconds.push_back(computing.seconds());
        cpu.push_back(cpuSeconds() - cpuBefore);
        if (!computed->ok()) {
            std::fprintf(stderr, "bench_scorecard: %s\n", qPrintable(computed->error()));
            return 1;
        }
    }
    const TrackRecord* record = &*computed;
    const TrackRecordStats& stats = record->stats();
    std::printf("whole track record:                 %8.3f s  (%.3f s CPU; goal < 1 s)%s\n", median(seconds),
                median(cpu),
                rounds > 1 ? qPrintable(QStringLiteral("; median of %1 rounds").arg(rounds)) : "");
    std::printf("  department rows %lld, trades %lld, departments %zu\n", static_cast<long long>(stats.rows),
                static_cast<long long>(stats.trades), record->departments().size());
    std::printf("  stocks %d, daily-bar files opened %d (each once), reads %lld\n", stats.stocks,
                stats.filesOpened, static_cast<long long>(stats.barReads));
    std::printf("memory: %ld MB more while computing; peak of the process %ld MB (goal < 300 MB)\n",
                (currentMemoryKb() - memoryBefore) / 1024, peakMemoryKb() / 1024);
    return 0;
}

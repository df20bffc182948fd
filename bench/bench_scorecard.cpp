// Computes the department track record over a generated store of 1,000,000 tblStChange
// rows (5,000 stocks, 3,000 departments; each anomaly day an anomaly row and nine
// department rows) and a generated quote folder with a daily-bar file per stock, and
// prints the time, the daily-bar files opened and the memory taken.
//
// usage: bench_scorecard [--stocks N] [--bars N] [--rows N] [--departments N] [--keep DIR]

#include "BenchSupport.h"

#include "demo/QuoteFolderGenerator.h"
#include "scorecard/TrackRecord.h"
#include "store/DataBase.h"
#include "store/RecordKeys.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

constexpr int kRowsPerDay = 10;  // the anomaly row, five buyers, four sellers

bool storeRows(TDataBase& db, const GeneratedQuoteFolder& folder, int rows, int departments) {
    QRandomGenerator random(20170316);
    QStringList names;
    for (int d = 0; d < departments; ++d)
        names << QStringLiteral("模拟证券第%1营业部").arg(d + 1);
    if (!db.beginTransaction())
        return false;
    for (int d = 0; d < departments; ++d) {
        Statement name =
            db.DBCommand(QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (:k,:n)"));
        name.bind(QStringLiteral(":k"), CalcDeptKey(names.at(d))).bind(QStringLiteral(":n"), names.at(d));
        name.exec();  // two names folding into one key keep the first
    }
    const QString insert = QStringLiteral(
        "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
        "values (:StCode,:StDate,:StDeptKey,:StBuy,:StSale,:StRate,:StMemo,:StKEY)");
    const auto stockCount = static_cast<int>(folder.stocks.size());
    const int daysPerStock = std::max(1, rows / kRowsPerDay / stockCount);
    const auto dayCount = static_cast<int>(folder.tradingDays.size());
    int stored = 0;
    for (int s = 0; s < stockCount && stored < rows; ++s) {
        const QString code = folder.stocks.at(s).key.mid(2);
        for (int n = 0; n < daysPerStock && stored < rows; ++n) {
            const QDate day = folder.tradingDays.at(random.bounded(dayCount));
            const QString description = QStringLiteral("日涨幅偏离值达7%的证券");
            for (int r = 0; r < kRowsPerDay; ++r) {
                const bool anomaly = r == 0;
                const QString text =
                    anomaly ? QStringLiteral("涨跌幅:10.00%") : names.at(random.bounded(departments));
                const qint32 deptKey = CalcDeptKey(anomaly ? description : text);
                const Money buy = Money::fromRaw(anomaly || r <= 5 ? random.bounded(1, 50000000) : 0);
                const Money sale = Money::fromRaw(anomaly || r > 5 ? random.bounded(1, 50000000) : 0);
                Statement row = db.DBCommand(insert);
                row.bind(QStringLiteral(":StCode"), code)
                    .bind(QStringLiteral(":StDate"), day)
                    .bind(QStringLiteral(":StDeptKey"), deptKey)
                    .bind(QStringLiteral(":StBuy"), buy)
                    .bind(QStringLiteral(":StSale"), sale)
                    .bind(QStringLiteral(":StRate"), Money::fromUnits(10))
                    .bind(QStringLiteral(":StMemo"), QStringLiteral("涨跌幅大"))
                    .bind(QStringLiteral(":StKEY"), CalcRecordKey(code, text, buy, sale, day));
                if (row.exec())
                    ++stored;
            }
        }
    }
    return db.commit();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QuoteFolderOptions options;
    options.stockCount = argumentValue(arguments, QStringLiteral("--stocks"), 5000);
    options.barCount = argumentValue(arguments, QStringLiteral("--bars"), 750);
    const int rows = argumentValue(arguments, QStringLiteral("--rows"), 1000000);
    const int departments = argumentValue(arguments, QStringLiteral("--departments"), 3000);

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
        if (!db.open() || !storeRows(db, folder, rows, departments)) {
            std::fprintf(stderr, "bench_scorecard: cannot fill %s\n", qPrintable(database));
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
    Stopwatch computing;
    QString error;
    const auto record = TrackRecord::compute(db, quote, TrackRecordOptions{}, &error);
    const double seconds = computing.seconds();
    if (!record) {
        std::fprintf(stderr, "bench_scorecard: %s\n", qPrintable(error));
        return 1;
    }
    const TrackRecordStats& stats = record->stats();
    std::printf("whole track record:                 %8.3f s  (goal < 2 s)\n", seconds);
    std::printf("  department rows %lld, trades %lld, departments %zu\n", static_cast<long long>(stats.rows),
                static_cast<long long>(stats.trades), record->departments().size());
    std::printf("  stocks %d, daily-bar files opened %d (each once), reads %lld\n", stats.stocks,
                stats.filesOpened, static_cast<long long>(stats.barReads));
    std::printf("memory: %ld MB more while computing; peak of the process %ld MB (goal < 300 MB)\n",
                (currentMemoryKb() - memoryBefore) / 1024, peakMemoryKb() / 1024);
    return 0;
}

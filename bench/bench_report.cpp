// Parsing and storing dragon-tiger reports: how many documents per second this machine
// parses, parses and stores, and how fast SQLite takes the same rows in one transaction.
//
//   bench_report [DOCUMENTS]   (default 2000)

#include "BenchSupport.h"

#include "demo/ReportGenerator.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/ProcessLauncher.h"
#include "report/StockExtraction.h"
#include "store/DataBase.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

QList<QVariantList> readRows(const QSqlDatabase& connection, const QString& table,
                             const QStringList& columns) {
    QList<QVariantList> rows;
    QSqlQuery query(connection);
    query.exec(QStringLiteral("select %1 from %2").arg(columns.join(QLatin1Char(',')), table));
    while (query.next()) {
        QVariantList row;
        for (int c = 0; c < columns.size(); ++c)
            row.append(query.value(c));
        rows.append(row);
    }
    return rows;
}

void insertRows(const QSqlDatabase& connection, const QString& table, const QStringList& columns,
                const QList<QVariantList>& rows) {
    QSqlQuery insert(connection);
    insert.prepare(QStringLiteral("insert into %1 (%2) values (%3)")
                       .arg(table, columns.join(QLatin1Char(',')),
                            QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))));
    for (const QVariantList& row : rows) {
        for (const QVariant& value : row)
            insert.addBindValue(value);
        insert.exec();
    }
}

// groupSize 1: every stock its own transaction, as a single extraction commits. Larger:
// that many stocks share one transaction, as the re-analysis batch groups them.
double runExtractions(TDataBase& db, const QString& folder, const QList<GeneratedReport>& reports,
                      int groupSize = 1) {
    SilentFrame frame;
    SystemClock clock;
    SystemProcessLauncher launcher;
    FixedNetworkState network(true);
    PortableArchiver archiver;
    ExtractionServices services{db, frame, clock, launcher, archiver, network, ProgramFolder(folder)};
    ExtractionAccount totals;
    StockExtraction extraction(services, totals);
    Stopwatch watch;
    int inGroup = 0;
    for (const GeneratedReport& report : reports) {
        if (groupSize > 1 && inGroup == 0)
            db.beginTransaction();
        ExtractionOptions options;
        options.code = report.code;
        options.name = report.name;
        options.allChanges = true;
        extraction.run(report.lines, options, ExtractionCaller::Reanalysis);
        if (groupSize > 1 && ++inGroup == groupSize) {
            db.commit();
            inGroup = 0;
        }
    }
    if (db.inTransaction())
        db.commit();
    return watch.seconds();
}

// A damaged document: a megabyte of digits in the date line, in the figures line under
// it and in a department table line, as a broken capture or a corrupted file may hold.
GeneratedReport damaged(GeneratedReport report) {
    const QString digits(1 << 20, QLatin1Char('7'));
    for (qsizetype i = 0; i + 1 < report.lines.size(); ++i) {
        if (!report.lines[i].contains(QStringLiteral("【交易日期】")))
            continue;
        report.lines[i] += digits;
        report.lines[i + 1] = digits + QStringLiteral(" ") + report.lines[i + 1];
        for (qsizetype j = i + 2; j < report.lines.size(); ++j) {
            if (report.lines[j].startsWith(QStringLiteral("｜")) && j > i + 5) {
                report.lines[j].insert(1, digits);
                break;
            }
        }
        break;
    }
    return report;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int documents = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;
    if (documents <= 0) {
        std::fprintf(stderr, "usage: bench_report [DOCUMENTS]\n");
        return 2;
    }

    ReportGenerator generator(20170316);
    QList<GeneratedReport> reports;
    const QList<GeneratedStock> stocks = ReportGenerator::stocks(documents * 2);
    for (int i = 0; i < documents; ++i)
        reports.append(generator.generate(stocks[i % stocks.size()], QDate(2017, 3, 16), 4, 6));
    qint64 lines = 0;
    for (const auto& report : reports)
        lines += report.lines.size();
    std::printf("documents: %d (%lld lines, 4 anomaly days and 6 block trades each)\n", documents,
                static_cast<long long>(lines));

    QTemporaryDir dir;
    // 1. Parsing alone: with the database closed the parser reads and logs but stores nothing.
    TDataBase closed(dir.filePath(QStringLiteral("closed.db")));
    const double parseSeconds = runExtractions(closed, dir.path(), reports);

    // 2. Parsing and storing, every anomaly day, into a fresh file.
    TDataBase db(dir.filePath(QStringLiteral("Quarrow.db")));
    if (!db.open()) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(db.openError()));
        return 1;
    }
    const double storeSeconds = runExtractions(db, dir.path(), reports);
    TDataBase grouped(dir.filePath(QStringLiteral("grouped.db")));
    grouped.open();
    constexpr int kGroup = 200;
    const double groupedSeconds = runExtractions(grouped, dir.path(), reports, kGroup);

    // 3. The storage limit: the same rows, inserted in one transaction without any parsing.
    const QStringList changeColumns =
        QStringLiteral("StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY").split(QLatin1Char(','));
    const QStringList tradeColumns =
        QStringLiteral("StCode,StDate,StDeptBuy,StPrice,StQTY,StAMT,StDeptSale,StKEY")
            .split(QLatin1Char(','));
    const QList<QVariantList> changes =
        readRows(db.connection(), QStringLiteral("tblStChange"), changeColumns);
    const QList<QVariantList> trades =
        readRows(db.connection(), QStringLiteral("tblBigBuySale"), tradeColumns);

    TDataBase plain(dir.filePath(QStringLiteral("plain.db")));
    plain.open();
    QSqlDatabase connection = plain.connection();
    Stopwatch insertWatch;
    connection.transaction();
    insertRows(connection, QStringLiteral("tblStChange"), changeColumns, changes);
    insertRows(connection, QStringLiteral("tblBigBuySale"), tradeColumns, trades);
    connection.commit();
    const double insertSeconds = insertWatch.seconds();

    const double storedRows = static_cast<double>(changes.size() + trades.size());
    const double parseRate = documents / parseSeconds;
    const double storeRate = documents / storeSeconds;
    const double rowRate = storedRows / insertSeconds;
    const double storageDocRate = rowRate / (storedRows / documents);
    const double limit = std::min(parseRate, storageDocRate);
    std::printf("rows stored: %.0f (%.1f per document)\n", storedRows, storedRows / documents);
    std::printf("parse only:             %10.0f documents/s  (%.3f s)\n", parseRate, parseSeconds);
    std::printf("parse and store:        %10.0f documents/s  (%.3f s, one transaction per stock)\n",
                storeRate, storeSeconds);
    std::printf("parse and store:        %10.0f documents/s  (%.3f s, %d stocks per transaction)\n",
                documents / groupedSeconds, groupedSeconds, kGroup);
    std::printf("plain SQLite insert:    %10.0f rows/s       (%.3f s) = %.0f documents/s\n", rowRate,
                insertSeconds, storageDocRate);
    std::printf(
        "parse-and-store / lower limit: %.2f one transaction per stock, %.2f grouped (goal: at least 0.50)\n",
        storeRate / limit, documents / groupedSeconds / limit);

    // 4. One damaged document: every line must cost time in proportion to its length.
    TDataBase damagedDb(dir.filePath(QStringLiteral("damaged.db")));
    damagedDb.open();
    const double damagedSeconds = runExtractions(damagedDb, dir.path(), {damaged(reports.first())});
    std::printf("damaged document, three 1 MB digit lines: %.3f s\n", damagedSeconds);
    return 0;
}

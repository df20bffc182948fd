// Screens a generated market of 5,000 stocks with 5,000 daily bars each and prints how
// long the seek-based screening and its reading take against the file system's own cost
// of the same opens and reads (in C) and against reading the same files whole, and how
// long the name tables and base.dbf take to import into a fresh database.
//
// usage: bench_screening [--stocks N] [--bars N] [--rounds N] [--keep DIR]

#include "BenchSupport.h"

#include "demo/QuoteFolderGenerator.h"
#include "quotefiles/DailyBar.h"
#include "quotefiles/DailyChanges.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/ShareCapital.h"
#include "quotefiles/StockListLoader.h"
#include "quotefiles/StockScreening.h"
#include "store/DataBase.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

// What a general-purpose reader does: the whole file into memory, every bar decoded,
// then the same sum over the last days.
TStockChange readWholeAndSum(const QString& path, int days) {
    QFile file(path);
    TStockChange result;
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray bytes = file.readAll();
    std::vector<DailyBar> bars;
    bars.reserve(static_cast<size_t>(bytes.size() / DailyBar::kSize));
    for (qsizetype offset = 0; offset + DailyBar::kSize <= bytes.size(); offset += DailyBar::kSize)
        bars.push_back(DailyBar::fromBytes(bytes.constData() + offset));
    if (bars.empty())
        return result;
    const bool shortHistory = bars.size() <= static_cast<size_t>(days);
    const size_t first = shortHistory ? 0 : bars.size() - static_cast<size_t>(days);
    for (size_t i = first; i < bars.size(); ++i) {
        const qint32 base = i == 0 ? bars[0].Open : bars[i - 1].Close;
        if (base > 0)
            result.StChang = result.StChang + percentChange(bars[i].Close, base);
    }
    result.StDays = static_cast<qint32>(bars.size() - first);
    result.StDateLast = bars.back().Date;
    result.StQTYLast = bars.back().Volume;
    return result;
}

// What the file system itself costs: for every daily-bar file the calls any reader makes
// (open, fstat for the size, one pread of the last days + 1 bars, close), on paths made
// beforehand. The screening's reading is measured against it.
void fileSystemLimit(const std::vector<QByteArray>& paths, int days) {
    std::vector<char> buffer(static_cast<size_t>(days + 1) * DailyBar::kSize);
    for (const QByteArray& path : paths) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat status {};
        if (::fstat(fd, &status) == 0) {
            const off_t records = status.st_size / DailyBar::kSize;
            const off_t first = std::max<off_t>(0, records - days - 1);
            if (::pread(fd, buffer.data(), static_cast<size_t>(records - first) * DailyBar::kSize,
                        first * DailyBar::kSize) < 0)
                std::perror("pread");
        }
        ::close(fd);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QuoteFolderOptions options;
    options.stockCount = argumentValue(arguments, QStringLiteral("--stocks"), 5000);
    options.barCount = argumentValue(arguments, QStringLiteral("--bars"), 5000);
    constexpr int kDays = 3;
    constexpr int kThreshold = 20;

    QTemporaryDir temporary;
    const qsizetype keepAt = arguments.indexOf(QStringLiteral("--keep"));
    const QString root =
        keepAt >= 0 && keepAt + 1 < arguments.size() ? arguments.at(keepAt + 1) : temporary.path();
    const QString quote = root + QStringLiteral("/quote");

    std::printf("market: %d stocks, %d bars each, screening N = %d, threshold %d %%\n", options.stockCount,
                options.barCount, kDays, kThreshold);
    Stopwatch generating;
    QString error;
    if (!QuoteFolderGenerator(options).write(quote, &error)) {
        std::fprintf(stderr, "bench_screening: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("generating the quote folder:        %8.3f s\n", generating.seconds());

    SilentFrame frame;
    StockList list;
    Stopwatch nameTables;
    StockListLoader(frame).loadFromNameTables(quote, list);
    const double nameTableSeconds = nameTables.seconds();
    std::printf("name tables into the stock list:    %8.3f s  (%d stocks)\n", nameTableSeconds, list.size());

    QFile::remove(root + QStringLiteral("/Quarrow.db"));
    TDataBase db(root + QStringLiteral("/Quarrow.db"));
    if (!db.open()) {
        std::fprintf(stderr, "bench_screening: %s\n", qPrintable(db.openError()));
        return 1;
    }
    SystemClock clock;
    ShareCapital capital(&db, frame, clock);
    Stopwatch importing;
    const CapitalImportResult imported = capital.importShareCapital(quote, list);
    std::printf("base.dbf into a fresh database:     %8.3f s  (%d records, %d stocks added)\n",
                importing.seconds(), imported.recordsRead, imported.inserted);
    Stopwatch refreshing;
    const QStringList renamed = capital.refreshNames(list);
    std::printf("name refresh over the stored stocks:%8.3f s  (%lld changed)\n", refreshing.seconds(),
                static_cast<long long>(renamed.size()));

    // The same work several times over, interleaved, and the median of each: the machine
    // is shared, and a single round is at the mercy of whatever else runs.
    const int rounds = std::max(1, argumentValue(arguments, QStringLiteral("--rounds"), 5));
    std::vector<QString> withBars;
    std::vector<QByteArray> nativePaths;
    for (const StockEntry& stock : list.entries()) {
        const QString path = QuotePaths::dailyBarFile(quote, stock.key);
        if (QFileInfo::exists(path)) {
            withBars.push_back(stock.key);
            nativePaths.push_back(QFile::encodeName(path));
        }
    }
    std::vector<double> screeningTimes;
    std::vector<double> readingTimes;
    std::vector<double> limitTimes;
    int screened = 0;
    int picked = 0;
    for (int round = 0; round < rounds; ++round) {
        // As the mining run screens: the stock's bars (a stock without a file is passed
        // over), then the stock against its index.
        Stopwatch screening;
        const IndexSummaries indexes = IndexSummaries::compute(quote, kDays);
        StockScreener screener(quote, &db, frame);
        screened = 0;
        picked = 0;
        for (const StockEntry& stock : list.entries()) {
            const std::optional<TStockChange> bars = screener.readStock(stock.key, kDays);
            if (!bars)
                continue;
            ++screened;
            picked += screener.judgeStock(stock.key, stock.name, *bars, kThreshold, indexes).picked ? 1 : 0;
        }
        screeningTimes.push_back(screening.seconds());

        Stopwatch readingOnly;
        for (const QString& key : withBars)
            CalcDailysChanges(quote, key, kDays);
        readingTimes.push_back(readingOnly.seconds());

        Stopwatch limit;
        fileSystemLimit(nativePaths, kDays);
        limitTimes.push_back(limit.seconds());
    }
    const double seekSeconds = median(screeningTimes);
    const double readingSeconds = median(readingTimes);
    const double limitSeconds = median(limitTimes);
    std::printf("screening, seek-based reader:       %8.3f s  (picked %d of %d; median of %d rounds)\n",
                seekSeconds, picked, screened, rounds);
    std::printf("  of which reading the bars:        %8.3f s\n", readingSeconds);
    std::printf("file-system limit (open, fstat, pread, close in C): %.3f s\n", limitSeconds);
    std::printf("reading / limit:                    %8.2f x  (goal <= 1.5)\n",
                readingSeconds / limitSeconds);
    std::printf("screening / limit:                  %8.2f x\n", seekSeconds / limitSeconds);

    Stopwatch whole;
    std::vector<std::pair<QString, Money>> wholeSums;
    for (const StockEntry& stock : list.entries()) {
        const QString path = QuotePaths::dailyBarFile(quote, stock.key);
        if (QFileInfo::exists(path))
            wholeSums.emplace_back(stock.key, readWholeAndSum(path, kDays).StChang);
    }
    const double wholeSeconds = whole.seconds();
    // Outside the timing: both readers must have measured the same thing.
    int agreeing = 0;
    for (const auto& [key, sum] : wholeSums)
        agreeing += sum == CalcDailysChanges(quote, key, kDays).StChang ? 1 : 0;
    std::printf("same files read whole:              %8.3f s  (sums agree for %d of %d)\n", wholeSeconds,
                agreeing, screened);
    std::printf("whole / seek ratio:                 %8.1f x\n", wholeSeconds / std::max(seekSeconds, 1e-9));
    std::printf("whole / seek ratio, reading only:   %8.1f x\n",
                wholeSeconds / std::max(readingSeconds, 1e-9));
    return 0;
}

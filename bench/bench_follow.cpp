// Times the followed departments on the query benchmark's store (1,000,000 tblStChange rows,
// 3,003 departments, 5,000 stocks) with a daily-bar file per stock: the page after a run
// that stored the newest day's lists, the command line's rows of the newest day, and the
// day's digest; each without the charts (the rows, the records, the text) and with them
// (the sixty bars of every stock, the HTML page).
//
//   bench_follow [--rows N] [--stocks N] [--followed N] [--repeat N] [--names N] [--keep DIR]
//
// Then `followed` with a followed list of --names names (default 20,000; most of them not in
// the store, as a list grows) and of half as many: the list read, its names' keys, the rows
// of the newest day with their records. Twice the names should cost about twice the time.
//
// With --keep the store and the quote folder stay in DIR; a second run reuses them.

#include "BenchSupport.h"
#include "QueryStore.h"

#include "follow/DayDigest.h"
#include "follow/DigestFormat.h"
#include "follow/FollowedKeys.h"
#include "follow/FollowedList.h"
#include "follow/FollowedRecords.h"
#include "follow/FollowedReport.h"
#include "follow/FollowedTrades.h"
#include "quotefiles/DailyBar.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/StockPicker.h"
#include "scorecard/StockChartData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

// Bars beyond the store's last day, so the records' horizons reach past it.
constexpr int kBarsAfter = 10;

// A daily-bar file per stock over the store's trading days: a random walk of closes.
bool writeQuoteFolder(const QString& quote, int stocks, const std::vector<QDate>& days, QString* error) {
    QRandomGenerator random(20170316);
    for (int s = 0; s < stocks; ++s) {
        const QString path = QuotePaths::dailyBarFile(quote, PrefixCode(stockCode(s)));
        QDir().mkpath(QFileInfo(path).path());
        QByteArray bytes(static_cast<qsizetype>(days.size()) * DailyBar::kSize, '\0');
        qint32 close = 1000 + random.bounded(4000);
        for (size_t d = 0; d < days.size(); ++d) {
            DailyBar bar;
            bar.Date = days[d].year() * 10000 + days[d].month() * 100 + days[d].day();
            bar.Open = close;
            close = std::max(100, close + random.bounded(-close / 10, close / 10 + 1));
            bar.Close = close;
            bar.High = std::max(bar.Open, bar.Close) + random.bounded(20);
            bar.Low = std::max(1, std::min(bar.Open, bar.Close) - random.bounded(20));
            bar.Volume = random.bounded(100000, 10000000);
            bar.Amount = static_cast<float>(bar.Volume) * static_cast<float>(close) / 100.0F;
            bar.toBytes(bytes.data() + static_cast<qsizetype>(d) * DailyBar::kSize);
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            *error = path + QStringLiteral(": ") + file.errorString();
            return false;
        }
    }
    return true;
}

struct Figures {
    double first_ms = 0;
    double best_ms = 0;
    double median_ms = 0;
};

Figures timeIt(int repeat, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < std::max(1, repeat); ++i) {
        const Stopwatch watch;
        work();
        times.push_back(watch.seconds() * 1000.0);
    }
    Figures figures;
    figures.first_ms = times.front();
    std::sort(times.begin(), times.end());
    figures.best_ms = times.front();
    figures.median_ms = times[times.size() / 2];
    return figures;
}

void print(const char* what, const Figures& figures, double goal_ms) {
    std::printf("%-44s first %8.1f ms  median %8.1f ms  best %8.1f ms  (goal < %4.0f ms) %s\n", what,
                figures.first_ms, figures.median_ms, figures.best_ms, goal_ms,
                figures.median_ms < goal_ms ? "ok" : "OVER");
}

void fail(const QString& message) {
    std::fprintf(stderr, "bench_follow: %s\n", qPrintable(message));
    std::exit(1);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QueryStoreOptions store;
    store.rows = argumentValue(arguments, QStringLiteral("--rows"), store.rows);
    store.stocks = std::clamp(argumentValue(arguments, QStringLiteral("--stocks"), store.stocks), 1, 5000);
    const int followedCount = std::max(1, argumentValue(arguments, QStringLiteral("--followed"), 50));
    const int repeat = argumentValue(arguments, QStringLiteral("--repeat"), 5);

    QTemporaryDir temporary;
    const qsizetype keepAt = arguments.indexOf(QStringLiteral("--keep"));
    const QString root =
        keepAt >= 0 && keepAt + 1 < arguments.size() ? arguments.at(keepAt + 1) : temporary.path();
    QDir().mkpath(root);
    const QString database = QDir(root).filePath(QStringLiteral("Quarrow.db"));
    const QString quote = QDir(root).filePath(QStringLiteral("quote"));

    std::printf("store: %d rows over %d stocks, %lld departments; %d followed\n", store.rows, store.stocks,
                static_cast<long long>(departmentNames().size()), followedCount);
    if (!QFile::exists(database)) {
        const Stopwatch generating;
        TDataBase db(database);
        Generated generated;
        if (!db.open() || !generate(db, store, generated))
            fail(QStringLiteral("cannot fill %1").arg(database));
        std::vector<QDate> days = tradingDays(std::max(1, store.rows / (kDepartmentsPerDay + 1) / 75));
        for (int extra = 0; extra < kBarsAfter; ++extra) {
            QDate next = days.back().addDays(1);
            while (next.dayOfWeek() > 5)
                next = next.addDays(1);
            days.push_back(next);
        }
        QString error;
        if (!writeQuoteFolder(quote, store.stocks, days, &error))
            fail(error);
        std::printf("generating the store and the quote folder: %8.1f s\n", generating.seconds());
    }

    TDataBase db(database);
    if (!db.open())
        fail(db.openError());

    // The institutions' seats, which appear on most days, and departments from all over the list.
    const QStringList departments = departmentNames();
    QStringList followed = departments.mid(0, 3);
    const qsizetype step = std::max<qsizetype>(1, (departments.size() - 3) / std::max(1, followedCount - 3));
    for (qsizetype i = 3; followed.size() < followedCount && i < departments.size(); i += step)
        followed << departments.at(i);

    QString error;
    const std::optional<QDate> newest = FollowedTrades::newestDay(db, &error);
    if (!newest || !newest->isValid())
        fail(QStringLiteral("no newest day: %1").arg(error));
    // The records are kept between calls in the program folder, as the program keeps them.
    // They are made before "the run" (the newest day's rows taken out), and the run then
    // stores that day again: the first call after it takes in what the run added.
    const QString cache = QDir(root).filePath(FollowedRecords::fileName());
    QFile::remove(cache);
    const auto runDay = [&](const QString& sql) {
        Statement statement = db.QueryPublic(sql);
        statement.bind(QStringLiteral(":StDate"), *newest);
        if (!statement.exec())
            fail(statement.error());
    };
    db.execute(QStringLiteral("drop table if exists temp.dayRows"));
    runDay(QStringLiteral("create temp table dayRows as select * from tblStChange where StDate=:StDate"));
    runDay(QStringLiteral("delete from tblStChange where StDate=:StDate"));
    const auto resolved = FollowedKeys::resolve(db, followed, &error);
    if (!resolved)
        fail(error);
    FollowedRecords cold(db, quote, cache);
    const Stopwatch coldWatch;
    if (!cold.of(resolved->keys(), &error))
        fail(error);
    std::printf("records of the followed departments read whole, before the run: %8.1f ms\n",
                coldWatch.seconds() * 1000.0);
    if (!db.execute(QStringLiteral(
                        "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY,"
                        "StArchived) select StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY,"
                        "StArchived from temp.dayRows"),
                    &error))
        fail(error);
    StoredRows run;
    Statement rows = db.QueryPublic(QStringLiteral("select StKEY, StDeptKey from temp.dayRows"));
    if (!rows.exec())
        fail(rows.error());
    while (rows.next())
        run.add(rows.integer(0), static_cast<qint32>(rows.integer(1)));
    std::printf("a run of %lld rows on %s (the first call below takes them in)\n\n",
                static_cast<long long>(run.size()),
                qPrintable(newest->toString(QStringLiteral("yyyy-MM-dd"))));

    FollowedTradeList page;
    const Figures pageFigures = timeIt(repeat, [&] {
        const auto keys = FollowedKeys::resolve(db, followed, &error);
        page = FollowedTrades(db, quote, cache).ofRun(*keys, run);
    });
    if (!page.ok())
        fail(page.error);
    std::size_t charted = 0;
    const Figures pageChartFigures = timeIt(repeat, [&] {
        const auto keys = FollowedKeys::resolve(db, followed, &error);
        const FollowedTradeList list = FollowedTrades(db, quote, cache).ofRun(*keys, run);
        QSet<QString> stocks;
        for (const FollowedTrade& trade : list.trades) {
            if (!stocks.contains(trade.code)) {
                stocks.insert(trade.code);
                (void)barsAround(quote, trade.code, trade.day, DayDigest::kChartBars - 1, 0);
            }
        }
        charted = static_cast<std::size_t>(stocks.size());
    });
    const Figures newestFigures = timeIt(repeat, [&] {
        const auto keys = FollowedKeys::resolve(db, followed, &error);
        const FollowedTradeList list = FollowedTrades(db, quote, cache).between(*keys, *newest, QDate());
        for (const FollowedTrade& trade : list.trades)
            (void)FollowedReport::cells(trade);
    });
    std::optional<DayDigest> digest;
    qsizetype textSize = 0;
    const Figures digestFigures = timeIt(repeat, [&] {
        const auto keys = FollowedKeys::resolve(db, followed, &error);
        digest = DayDigestBuilder(db, quote, cache).build(*keys, QDate(), false, &error);
        textSize = digest ? DigestFormat::text(*digest).size() : 0;
    });
    if (!digest)
        fail(error);
    qsizetype htmlSize = 0;
    const Figures digestChartFigures = timeIt(repeat, [&] {
        const auto keys = FollowedKeys::resolve(db, followed, &error);
        digest = DayDigestBuilder(db, quote, cache).build(*keys, QDate(), true, &error);
        htmlSize = digest ? DigestFormat::html(*digest).size() : 0;
    });

    std::printf(
        "followed rows of the run: %zu (%zu with a record); their stocks charted: %zu\n", page.trades.size(),
        static_cast<std::size_t>(std::count_if(page.trades.begin(), page.trades.end(),
                                               [](const FollowedTrade& t) { return t.record.has_value(); })),
        charted);
    std::printf(
        "digest: %zu listed stocks, %d departments, %zu followed rows; text %lld characters, HTML %lld "
        "bytes\n\n",
        digest->listings.size(), digest->departments, digest->followed.size(),
        static_cast<long long>(textSize), static_cast<long long>(htmlSize));
    print("followed page after a run, without charts", pageFigures, 200);
    print("followed page after a run, with charts", pageChartFigures, 1000);
    print("followed rows of the newest day (followed)", newestFigures, 200);
    print("digest of the newest day, text", digestFigures, 200);
    print("digest of the newest day, HTML with charts", digestChartFigures, 1000);

    // A long followed list: the stored departments and names the store does not hold.
    const int names = std::max(2, argumentValue(arguments, QStringLiteral("--names"), 20000));
    const QString listFile = QDir(root).filePath(followedListFileName());
    const auto followedWith = [&](int count) {
        QByteArray text;
        for (int i = 0; i < count; ++i)
            text += (i < departments.size() ? departments.at(i) : QStringLiteral("未上榜证券营业部%1").arg(i))
                        .toUtf8() +
                    "\r\n";
        QFile file(listFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            fail(QStringLiteral("cannot write %1").arg(listFile));
        file.close();
        std::size_t listed = 0;
        // Timed once the records of the list's departments are kept, as after the first call.
        const auto followList = [&] {
            FollowedList list(listFile);
            if (!list.load(&error))
                fail(error);
            const auto keys = FollowedKeys::resolve(db, list.names(), &error);
            const FollowedTradeList found = FollowedTrades(db, quote, cache).between(*keys, *newest, QDate());
            if (!found.ok())
                fail(found.error);
            listed = found.trades.size();
        };
        followList();
        const Figures figures = timeIt(std::max(1, repeat / 2), followList);
        std::printf("  a followed list of %6d names: %zu rows of the newest day, median %8.1f ms\n", count,
                    listed, figures.median_ms);
        return figures.median_ms;
    };
    const double half_ms = followedWith(names / 2);
    const double whole_ms = followedWith(names);
    std::printf("followed with %d names: %.1f ms, %.2f x the time of %d names\n", names, whole_ms,
                half_ms > 0 ? whole_ms / half_ms : 0.0, names / 2);
    std::printf("\npeak memory: %ld kB\n", peakMemoryKb());
    return 0;
}

// Times the operator query page on a large generated database, through the core the window
// uses (no widgets): opening the file and loading the department list, each of the five
// query buttons with no filter and with each filter, the drill-downs of every column, and
// reading each result to its last row, as scrolling the grid to the bottom would. Every
// query is timed to its first 100 rows (what the grid shows first) and to its last row.
//
//   bench_query [--rows N] [--blocks N] [--stocks N] [--alerts N] [--db FILE]
//
// With --db the database is kept in FILE; a file that already exists is used as it is
// (opening it migrates an older file, and that time is part of the open figure).

#include "review/DrillDown.h"
#include "review/OperatorQuery.h"
#include "review/QueryRunner.h"
#include "store/DataBase.h"

#include "BenchSupport.h"
#include "QueryStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

constexpr int kFirstRows = 100;

struct Options : QueryStoreOptions {
    QString databaseFile;
};

// The largest resident size seen after any timed step: the figure for the query page
// alone, apart from the generation that came before it.
long g_queryPeakKb = 0;
void sampleMemory() {
    g_queryPeakKb = std::max(g_queryPeakKb, currentMemoryKb());
}

struct Timing {
    double first_ms = -1;  // to the first 100 rows (or all, when fewer)
    double last_ms = -1;   // to the last row
    long rows = 0;
    QString error;
};

Timing timeStatement(TDataBase& db, const ComposedStatement& statement) {
    Timing timing;
    const Stopwatch watch;
    QueryRows rows(db, statement);
    if (!rows.ok()) {
        timing.error = rows.error();
        return timing;
    }
    // The grid reads every cell of a row it shows; so does this.
    const auto readRow = [&] {
        for (int column = 0; column < rows.columnCount(); ++column)
            (void)rows.text(column);
    };
    while (timing.rows < kFirstRows && rows.next()) {
        readRow();
        ++timing.rows;
    }
    timing.first_ms = watch.seconds() * 1000.0;
    while (rows.next()) {
        readRow();
        ++timing.rows;
    }
    timing.last_ms = watch.seconds() * 1000.0;
    sampleMemory();
    return timing;
}

QString describe(const Timing& timing) {
    if (!timing.error.isEmpty())
        return QStringLiteral("FAILED: ") + timing.error;
    return QStringLiteral("%1 ms first, %2 ms last, %3 rows")
        .arg(timing.first_ms, 7, 'f', 1)
        .arg(timing.last_ms, 8, 'f', 1)
        .arg(timing.rows, 8);
}

double g_worstFirst_ms = 0;
bool g_anyFailed = false;  // a query that no longer runs fails the benchmark
void remember(const Timing& timing) {
    g_worstFirst_ms = std::max(g_worstFirst_ms, timing.first_ms);
    g_anyFailed = g_anyFailed || !timing.error.isEmpty();
}

struct Filter {
    const char* name;
    std::function<void(OperatorQuery&)> apply;
};

// The page with nothing ticked: every row of the tables.
OperatorQuery noFilter() {
    OperatorQuery page;
    page.fromTicked = false;
    page.toTicked = false;
    return page;
}

std::vector<Filter> filters(const Generated& generated) {
    QDate middle = generated.firstDay.addDays(generated.firstDay.daysTo(generated.lastDay) / 2);
    while (middle.dayOfWeek() > 5)
        middle = middle.addDays(1);
    std::vector<Filter> list = {
        {"no filter", [](OperatorQuery&) {}},
        {"stock code",
         [&generated](OperatorQuery& page) {
             page.stockGiven = true;
             page.stockCode = generated.busyStock;
         }},
        {"date range (a month)",
         [middle](OperatorQuery& page) {
             page.fromTicked = page.toTicked = true;
             page.from = middle;
             page.to = middle.addMonths(1);
         }},
        {"start day (last month)",
         [&generated](OperatorQuery& page) {
             page.fromTicked = true;
             page.from = generated.lastDay.addMonths(-1);
         }},
        {"end day only",
         [middle](OperatorQuery& page) {
             page.toTicked = true;
             page.to = middle;
         }},
        {"department",
         [&generated](OperatorQuery& page) {
             page.departmentGiven = true;
             page.departmentItem = generated.department;
         }},
        {"sort by amount", [](OperatorQuery& page) { page.sortOnAmount = true; }},
    };
    for (int kind = kBoughtOrSold; kind <= kAllData; ++kind) {
        list.push_back({"threshold kind", [kind](OperatorQuery& page) {
                            page.thresholdKind = kind;
                            page.threshold = OperatorQuery::kThresholdInitial;
                        }});
    }
    for (int kind = kBoughtOrSold; kind <= kAllData; ++kind) {
        list.push_back({"main force, threshold kind", [kind](OperatorQuery& page) {
                            page.mainBuySale = true;
                            page.thresholdKind = kind;
                            page.threshold = OperatorQuery::kThresholdInitial;
                        }});
    }
    list.push_back({"main force, one stock, all data", [](OperatorQuery& page) {
                        page.mainBuySale = true;
                        page.stockGiven = true;
                        page.stockCode = stockCode(1);
                        page.thresholdKind = kAllData;
                    }});
    return list;
}

// The figure from starting the desktop program to its window on the screen. The core's
// share is opening the file and loading the department list; the desktop build passes a
// callable that starts the real main window offscreen and returns once it is shown.
double timeWindowShown(const std::function<void()>& startAndShowWindow) {
    const Stopwatch watch;
    startAndShowWindow();
    return watch.seconds() * 1000.0;
}

bool parseOptions(const QStringList& arguments, Options& options) {
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (i + 1 >= arguments.size())
            return false;
        const QString value = arguments.at(++i);
        bool ok = true;
        if (argument == QLatin1String("--rows"))
            options.rows = value.toInt(&ok);
        else if (argument == QLatin1String("--blocks"))
            options.blocks = value.toInt(&ok);
        else if (argument == QLatin1String("--stocks"))
            options.stocks = value.toInt(&ok);
        else if (argument == QLatin1String("--alerts"))
            options.alerts = value.toInt(&ok);
        else if (argument == QLatin1String("--db"))
            options.databaseFile = value;
        else
            return false;
        if (!ok)
            return false;
    }
    return options.rows > 0 && options.blocks >= 0 && options.stocks > 0 && options.stocks <= 999'999 &&
           options.alerts >= 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    Options options;
    if (!parseOptions(QCoreApplication::arguments(), options)) {
        std::fprintf(stderr,
                     "usage: bench_query [--rows N] [--blocks N] [--stocks N] [--alerts N] [--db FILE]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString file =
        options.databaseFile.isEmpty() ? dir.filePath(QStringLiteral("quarrow.db")) : options.databaseFile;
    const bool reuse = QFile::exists(file);

    Generated generated;
    {
        const Stopwatch watch;
        TDataBase db(file);
        if (!db.open()) {
            std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(db.openError()));
            return 1;
        }
        if (reuse) {
            // The same seed draws the same days and names: only their bounds are needed.
            Statement bounds =
                db.QueryPublic(QStringLiteral("select min(StDate), max(StDate) from tblStChange"));
            if (!bounds.exec() || !bounds.next())
                return 1;
            generated = {stockCode(0), departmentNames().at(3), bounds.date(0), bounds.date(1)};
            std::printf("database: %s (kept; its first open, migrating an older file, took %.1f ms)\n",
                        qPrintable(file), watch.seconds() * 1000.0);
        } else {
            if (!generate(db, options, generated)) {
                std::fprintf(stderr, "cannot generate the database: %s\n", qPrintable(db.transactionError()));
                return 1;
            }
            std::printf("generated %d change rows, %d block trades, %d alerts over %d stocks in %.1f s\n",
                        options.rows, options.blocks, options.alerts, options.stocks, watch.seconds());
        }
    }
    std::printf("memory after generation: %ld KiB in use, %ld KiB peak\n", currentMemoryKb(), peakMemoryKb());

    // Start-up as the window does it: open (and migrate) the file, load the departments.
    TDataBase db(file);
    QStringList departments;
    const double open_ms = timeWindowShown([&] {
        if (db.open())
            departments = loadDepartmentNames(db).value_or(QStringList());
    });
    if (!db.DBOpened()) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(db.openError()));
        return 1;
    }
    std::printf("start-up (core share: open the file, load %lld departments): %.1f ms\n",
                static_cast<long long>(departments.size()), open_ms);
    {
        const Stopwatch watch;
        const qsizetype count = loadDepartmentNames(db).value_or(QStringList()).size();
        std::printf("department list reload: %lld names in %.1f ms\n", static_cast<long long>(count),
                    watch.seconds() * 1000.0);
    }
    sampleMemory();

    std::printf("\n%-34s %-12s %-52s %s\n", "filter", "button", "main result", "block trades");
    for (const Filter& filter : filters(generated)) {
        for (const QueryButtonInfo& button : queryButtons()) {
            OperatorQuery page = noFilter();
            filter.apply(page);
            const OperatorStatements statements = composeOperatorQuery(page, button.button);
            const Timing main = timeStatement(db, statements.main);
            const Timing blocks = timeStatement(db, statements.blockTrades);
            remember(main);
            remember(blocks);
            QString name = QString::fromUtf8(filter.name);
            if (name.contains(QLatin1String("threshold kind")))
                name += QLatin1Char(' ') + QString::number(page.thresholdKind);
            std::printf("%-34s %-12s %s | %s\n", qPrintable(name), button.cliName, qPrintable(describe(main)),
                        qPrintable(describe(blocks)));
        }
    }

    // Drill-downs from a row in the middle of the data: its stock, day and department.
    const auto middleRow = [&db](const QString& sql) {
        QueryRows rows(db, ComposedStatement{{sql}, {}});
        return rows.next() ? rows.row() : QVariantList();
    };
    const QVariantList changeRow = middleRow(QStringLiteral(
        "select StCode, StName, StDate, StDept, StBuy, StSale, StRate, StMemo from viewStChange"
        " where ID = (select max(ID) / 2 from tblStChange)"));
    const QVariantList blockRow = middleRow(QStringLiteral(
        "select StCode, StName, StDate, StDeptBuy, StPrice, StQTY, StAMT, StDeptSale from viewStBigBuySale"
        " where ID = (select max(ID) / 2 from tblBigBuySale)"));
    std::printf("\ndrill-downs\n");
    for (const ResultKind kind : {ResultKind::TopFive, ResultKind::BlockTrades}) {
        const QVariantList& row = kind == ResultKind::TopFive ? changeRow : blockRow;
        for (int column = 0; column < 8; ++column) {
            const std::optional<ComposedStatement> statement = composeDrillDown(kind, column, row);
            if (!statement)
                continue;
            const Timing timing = timeStatement(db, *statement);
            remember(timing);
            std::printf("%-12s column %d (%s): %s\n",
                        kind == ResultKind::TopFive ? "top five" : "block trades", column,
                        qPrintable(row.value(column).toString()), qPrintable(describe(timing)));
        }
    }

    // A department that stands in few rows: the drill-down cannot find its first rows
    // early in a walk through every row, as it does for the busiest seats.
    for (const ResultKind kind : {ResultKind::TopFive, ResultKind::BlockTrades}) {
        QVariantList row = kind == ResultKind::TopFive ? changeRow : blockRow;
        if (row.size() < 8)
            continue;
        row[3] = generated.department;
        const Timing timing = timeStatement(db, *composeDrillDown(kind, 3, row));
        remember(timing);
        std::printf("%-12s column 3 (%s): %s\n", kind == ResultKind::TopFive ? "top five" : "block trades",
                    qPrintable(generated.department), qPrintable(describe(timing)));
    }

    std::printf("\nslowest to the first %d rows: %.1f ms\n", kFirstRows, g_worstFirst_ms);
    std::printf("memory: %ld KiB peak while querying (resident), %ld KiB peak of the process\n",
                g_queryPeakKb, peakMemoryKb());
    if (g_anyFailed)
        std::fprintf(stderr, "bench_query: a query failed\n");
    return g_anyFailed ? 1 : 0;
}

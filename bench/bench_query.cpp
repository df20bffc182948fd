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

#include "monitor/MonitorRow.h"
#include "review/DrillDown.h"
#include "review/OperatorQuery.h"
#include "review/QueryRunner.h"
#include "store/DataBase.h"
#include "store/RecordKeys.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

using namespace quarrow;
using quarrow::bench::currentMemoryKb;
using quarrow::bench::peakMemoryKb;
using quarrow::bench::Stopwatch;

namespace {

constexpr int kFirstRows = 100;
constexpr int kDepartmentsPerDay = 10;  // five buying and five selling departments

struct Options {
    int rows = 1'000'000;
    int blocks = 100'000;
    int stocks = 5'000;
    int alerts = 50'000;
    QString databaseFile;
};

// The largest resident size seen after any timed step: the figure for the query page
// alone, apart from the generation that came before it.
long g_queryPeakKb = 0;
void sampleMemory() {
    g_queryPeakKb = std::max(g_queryPeakKb, currentMemoryKb());
}

QString stockCode(int index) {
    // Shanghai codes first, then Shenzhen, as a real list runs.
    return index < 2500 ? QString::number(600000 + index)
                        : QStringLiteral("%1").arg(index - 2500 + 1, 6, 10, QLatin1Char('0'));
}

QStringList departmentNames() {
    static const char* const brokers[] = {
        "中信证券", "国泰君安", "华泰证券", "招商证券", "广发证券", "海通证券", "申万宏源", "银河证券",
        "东方财富", "中信建投", "国信证券", "光大证券", "兴业证券", "长江证券", "安信证券", "方正证券",
        "平安证券", "东吴证券", "财通证券", "浙商证券", "华鑫证券", "中金公司", "国金证券", "东北证券",
        "华林证券", "天风证券", "西部证券", "开源证券", "华西证券", "东兴证券"};
    static const char* const cities[] = {"上海", "深圳", "北京", "杭州", "宁波",
                                         "成都", "南京", "武汉", "西安", "厦门"};
    static const char* const roads[] = {"溧阳路",   "益田路",   "金融大街", "解放南路", "体育场路",
                                        "人民南路", "中山东路", "建设大道", "高新路",   "湖滨南路"};
    QStringList names{QStringLiteral("机构专用"), QStringLiteral("深股通专用"), QStringLiteral("沪股通专用")};
    for (const char* broker : brokers) {
        for (const char* city : cities) {
            for (const char* road : roads) {
                names << QString::fromUtf8(broker) + QStringLiteral("股份有限公司") +
                             QString::fromUtf8(city) + QString::fromUtf8(road) + QStringLiteral("证券营业部");
            }
        }
    }
    return names;
}

struct Generated {
    QString busyStock;
    QString department;
    QDate firstDay;
    QDate lastDay;
};

// Weekdays from the first day on, as many as asked.
std::vector<QDate> tradingDays(int count) {
    std::vector<QDate> days;
    for (QDate day(2020, 1, 2); static_cast<int>(days.size()) < count; day = day.addDays(1)) {
        if (day.dayOfWeek() <= 5)
            days.push_back(day);
    }
    return days;
}

// Fills the tables the way the extraction does, one anomaly day after the other: the
// anomaly row, then its departments, with the same statements and keys; block trades
// and main-force alerts after them. One transaction, so the figures come in seconds.
bool generate(TDataBase& db, const Options& options, Generated& generated, QString* error) {
    QRandomGenerator random(20240601);
    const QStringList departments = departmentNames();
    static const char* const descriptions[] = {"日涨幅偏离值达7%的证券", "日跌幅偏离值达7%的证券",
                                               "日换手率达20%的证券", "日价格振幅达到15%的证券",
                                               "连续三个交易日内收盘价格涨幅偏离值累计达到20%的证券"};
    const int anomalyDays = std::max(1, options.rows / (kDepartmentsPerDay + 1));
    const std::vector<QDate> days = tradingDays(std::max(1, anomalyDays / 75));
    generated.firstDay = days.front();
    generated.lastDay = days.back();
    generated.busyStock = stockCode(0);
    generated.department = departments.at(3);

    Transaction transaction(db);
    if (!transaction.began()) {
        *error = db.transactionError();
        return false;
    }

    for (int i = 0; i < options.stocks; ++i) {
        Statement stock =
            db.DBCommand(QStringLiteral("insert into tblStocks (StCode,StName) values (:StCode,:StName)"));
        stock.bind(QStringLiteral(":StCode"), stockCode(i))
            .bind(QStringLiteral(":StName"), QStringLiteral("股票%1").arg(i, 4, 10, QLatin1Char('0')));
        if (!stock.exec()) {
            *error = stock.error();
            return false;
        }
    }
    const auto addDepartment = [&](const QString& name) {
        Statement depart = db.DBCommand(
            QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (:StDeptKey,:StDept)"));
        depart.bind(QStringLiteral(":StDeptKey"), CalcDeptKey(name)).bind(QStringLiteral(":StDept"), name);
        depart.exec();  // a repeated key is the name already there
    };
    for (const QString& name : departments)
        addDepartment(name);
    for (const char* description : descriptions)
        addDepartment(QString::fromUtf8(description));

    const QString changeSql = QStringLiteral(
        "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) values "
        "(:StCode,:StDate,:StDeptKey,:StBuy,:StSale,:StRate,:StMemo,:StKEY)");
    const auto insertChange = [&](const QString& code, const QDate& day, const QString& text, Money buy,
                                  Money sale, Money rate, const QString& memo) {
        Statement change = db.DBCommand(changeSql);
        change.bind(QStringLiteral(":StCode"), code)
            .bind(QStringLiteral(":StDate"), day)
            .bind(QStringLiteral(":StDeptKey"), CalcDeptKey(text))
            .bind(QStringLiteral(":StBuy"), buy)
            .bind(QStringLiteral(":StSale"), sale)
            .bind(QStringLiteral(":StRate"), rate)
            .bind(QStringLiteral(":StMemo"), memo)
            .bind(QStringLiteral(":StKEY"), CalcRecordKey(code, text, buy, sale, day));
        return change.exec();
    };
    const auto amount = [&](int maxUnits) { return Money::fromRaw(random.bounded(1, maxUnits) * 100LL); };

    int stored = 0;
    for (int dayIndex = 0; stored < options.rows; ++dayIndex) {
        const QDate day = days.at(static_cast<size_t>(dayIndex) % days.size());
        // One stock in fifty draws a fifth of the anomalies: some stocks are in the list
        // again and again, and the stock filter meets such a one.
        const int stock = random.bounded(5) == 0 ? random.bounded(std::max(1, options.stocks / 50))
                                                 : random.bounded(options.stocks);
        const QString code = stockCode(stock);
        const bool turnover = random.bounded(5) == 2;
        const QString description = QString::fromUtf8(descriptions[random.bounded(5)]);
        const Money rate = turnover ? Money::fromUnits(20) : Money::fromRaw(random.bounded(-110000, 110000));
        const QString memo = turnover ? QStringLiteral("换手率高") : QStringLiteral("涨跌幅大");
        if (!insertChange(code, day, description, amount(50000000), amount(500000000), rate, memo))
            continue;  // the same stock drew the same day twice: that day is already stored
        ++stored;
        for (int d = 0; d < kDepartmentsPerDay && stored < options.rows; ++d) {
            // A few departments appear on most days, as the institutions' seats do.
            const int pick = random.bounded(4) == 0 ? random.bounded(3) : random.bounded(departments.size());
            const bool buyingTable = d < kDepartmentsPerDay / 2;
            const bool bothSides = random.bounded(4) == 0;
            const Money buy = buyingTable || bothSides ? amount(100000000) : Money();
            const Money sale = !buyingTable || bothSides ? amount(100000000) : Money();
            if (insertChange(code, day, departments.at(pick), buy, sale, rate, memo))
                ++stored;
        }
    }

    const QString blockSql = QStringLiteral(
        "insert into tblBigBuySale (StCode,StDate,StDeptBuy,StPrice,StQTY,StAMT,StDeptSale,StKEY) values "
        "(:StCode,:StDate,:StDeptBuy,:StPrice,:StQTY,:StAMT,:StDeptSale,:StKey)");
    for (int i = 0; i < options.blocks;) {
        const QString code = stockCode(random.bounded(options.stocks));
        const QDate day = days.at(random.bounded(static_cast<int>(days.size())));
        const QString buyer = departments.at(random.bounded(departments.size()));
        const QString seller = departments.at(random.bounded(departments.size()));
        const Money price = Money::fromRaw(random.bounded(10000, 2000000));
        const Money quantity = Money::fromRaw(random.bounded(100, 50000000));
        const Money total = Money::fromDouble(price.toDouble() * quantity.toDouble());
        Statement block = db.DBCommand(blockSql);
        block.bind(QStringLiteral(":StCode"), code)
            .bind(QStringLiteral(":StDate"), day)
            .bind(QStringLiteral(":StDeptBuy"), CalcDeptKey(buyer))
            .bind(QStringLiteral(":StPrice"), price)
            .bind(QStringLiteral(":StQTY"), quantity)
            .bind(QStringLiteral(":StAMT"), total)
            .bind(QStringLiteral(":StDeptSale"), CalcDeptKey(seller))
            .bind(QStringLiteral(":StKey"), CalcRecordKey(code, buyer, quantity, total, day));
        if (block.exec())
            ++i;
    }

    const QString alertSql = QStringLiteral(
        "insert into tblMainBuySale (StCode,StName,StDate,StDept,StBuy,StSale,StRate,StMemo) values "
        "(:StCode,:StName,:StDate,:StDept,:StBuy,:StSale,:StRate,:StMemo)");
    // Each alert carries the memo the relay gives it (day, code, the monitor's time, side and
    // quantity), which the alerts' unique index holds to once: a draw that repeats one is
    // drawn again, as the relay stores a repeated alert once.
    for (int i = 0; i < options.alerts;) {
        const int stock = random.bounded(std::max(1, options.stocks / 10));
        const QDate day = days.at(random.bounded(static_cast<int>(days.size())));
        const bool sold = random.bounded(2) == 0;
        MonitorAlert drawn;
        drawn.time = QTime(9, 30).addSecs(random.bounded(5 * 3600)).toString(QStringLiteral("hh:mm"));
        drawn.name = QStringLiteral("股票%1").arg(stock, 4, 10, QLatin1Char('0'));
        drawn.quantity = Money::fromRaw(random.bounded(100000, 5000000));
        drawn.price = Money::fromRaw(random.bounded(10000, 2000000));
        const AlertSide side = sold ? AlertSide::Selling : AlertSide::Buying;
        Statement alert = db.DBCommand(alertSql);
        alert.bind(QStringLiteral(":StCode"), stockCode(stock))
            .bind(QStringLiteral(":StName"), drawn.name)
            .bind(QStringLiteral(":StDate"), day)
            .bind(QStringLiteral(":StDept"),
                  drawn.time + (sold ? QStringLiteral("主力抛售") : QStringLiteral("主力买入")))
            .bind(QStringLiteral(":StBuy"), sold ? Money() : drawn.quantity)
            .bind(QStringLiteral(":StSale"), sold ? drawn.quantity : Money())
            .bind(QStringLiteral(":StRate"), drawn.price)
            .bind(QStringLiteral(":StMemo"), alertMemo(memoDayPrefix(day), stockCode(stock), drawn, side));
        if (alert.exec()) {
            ++i;
        } else if (!alert.failedOnUniqueKey()) {
            *error = alert.error();
            return false;
        }
    }
    if (!transaction.commit()) {
        *error = db.transactionError();
        return false;
    }
    return true;
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
            QString error;
            if (!generate(db, options, generated, &error)) {
                std::fprintf(stderr, "cannot generate the database: %s\n", qPrintable(error));
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

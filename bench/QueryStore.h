#pragma once

// The query benchmark's store, shared by the benchmarks that work on it: 5,000 stocks, the
// operator rows of about 90,000 anomaly days (a million tblStChange rows, 3,003
// departments, a few of which appear on most days), block trades and main-force alerts,
// stored the way the extraction stores them. The same seed gives the same rows.

#include "store/DataBase.h"
#include "store/RecordKeys.h"

#include <QDate>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace quarrow::bench {

inline constexpr int kDepartmentsPerDay = 10;  // five buying and five selling departments

struct QueryStoreOptions {
    int rows = 1'000'000;
    int blocks = 100'000;
    int stocks = 5'000;
    int alerts = 50'000;
};

inline QString stockCode(int index) {
    // Shanghai codes first, then Shenzhen, as a real list runs.
    return index < 2500 ? QString::number(600000 + index)
                        : QStringLiteral("%1").arg(index - 2500 + 1, 6, 10, QLatin1Char('0'));
}

inline QStringList departmentNames() {
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
inline std::vector<QDate> tradingDays(int count) {
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
inline bool generate(TDataBase& db, const QueryStoreOptions& options, Generated& generated) {
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
    if (!transaction.began())
        return false;

    for (int i = 0; i < options.stocks; ++i) {
        Statement stock =
            db.DBCommand(QStringLiteral("insert into tblStocks (StCode,StName) values (:StCode,:StName)"));
        stock.bind(QStringLiteral(":StCode"), stockCode(i))
            .bind(QStringLiteral(":StName"), QStringLiteral("股票%1").arg(i, 4, 10, QLatin1Char('0')));
        if (!stock.exec())
            return false;
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
    for (int i = 0; i < options.alerts; ++i) {
        const int stock = random.bounded(std::max(1, options.stocks / 10));
        const QDate day = days.at(random.bounded(static_cast<int>(days.size())));
        const bool sold = random.bounded(2) == 0;
        const Money quantity = Money::fromRaw(random.bounded(100000, 5000000));
        Statement alert = db.DBCommand(alertSql);
        alert.bind(QStringLiteral(":StCode"), stockCode(stock))
            .bind(QStringLiteral(":StName"), QStringLiteral("股票%1").arg(stock, 4, 10, QLatin1Char('0')))
            .bind(QStringLiteral(":StDate"), day)
            .bind(QStringLiteral(":StDept"),
                  sold ? QStringLiteral("10:23主力抛售") : QStringLiteral("10:23主力买入"))
            .bind(QStringLiteral(":StBuy"), sold ? Money() : quantity)
            .bind(QStringLiteral(":StSale"), sold ? quantity : Money())
            .bind(QStringLiteral(":StRate"), Money::fromRaw(random.bounded(10000, 2000000)))
            // A memo names one alert: the store keeps each memo once.
            .bind(QStringLiteral(":StMemo"), QStringLiteral("main force %1").arg(i));
        if (!alert.exec())
            return false;
    }
    return transaction.commit();
}

}  // namespace quarrow::bench

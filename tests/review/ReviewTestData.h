#pragma once

// A small store of two stocks over three days, written the way the parser stores rows,
// for the query page's statements to select from. One department name holds quotes,
// another carries blanks around it as some reports print them.

#include "review/QueryRunner.h"
#include "store/DataBase.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace quarrow::test {

inline const QString kGuotai = QStringLiteral("国泰君安上海江苏路");         // key 1
inline const QString kQuoted = QStringLiteral("O'Neil's 营业部");            // key 2
inline const QString kCitic = QStringLiteral("中信证券总部");                // key 3
inline const QString kBlanked = QStringLiteral("  空格营业部 ");             // key 5
inline const QString kDescription = QStringLiteral("涨幅偏离值达7%的证券");  // key 4

inline void seedReviewRows(TDataBase& db) {
    const auto run = [&](const QString& sql, const QVariantList& values) {
        Statement statement = db.DBCommand(sql);
        for (int i = 0; i < values.size(); ++i) {
            const QString name = QStringLiteral(":v%1").arg(i);
            const QVariant& v = values.at(i);
            if (v.typeId() == QMetaType::Double)
                statement.bind(name, Money::fromDouble(v.toDouble()));
            else if (v.typeId() == QMetaType::Int)
                statement.bind(name, qint32(v.toInt()));
            else
                statement.bind(name, v.toString());
        }
        ASSERT_TRUE(statement.exec()) << statement.error().toStdString();
    };
    run(QStringLiteral("insert into tblStocks (StCode,StName) values (:v0,:v1)"), {"600610", "中毅达"});
    run(QStringLiteral("insert into tblStocks (StCode,StName) values (:v0,:v1)"), {"000001", "平安银行"});
    const QStringList names{kGuotai, kQuoted, kCitic, kDescription, kBlanked};
    for (int key = 1; key <= names.size(); ++key)
        run(QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (:v0,:v1)"),
            {key, names.at(key - 1)});

    struct Change {
        const char* code;
        const char* day;
        int dept;
        double buy, sale, rate;
    };
    const Change changes[] = {
        {"600610", "2017-03-09", 4, 1000, 5000, 10.0}, {"600610", "2017-03-09", 1, 300, 0, 10.0},
        {"600610", "2017-03-09", 2, 0, 200, 10.0},     {"600610", "2017-03-10", 1, 100, 50, -9.5},
        {"600610", "2017-03-10", 2, 80, 0, -9.5},      {"000001", "2017-03-10", 3, 0, 70, 5.2},
        {"000001", "2017-03-13", 2, 40, 40, 5.25},     {"000001", "2017-03-13", 5, 10, 0, 5.25},
    };
    int key = 0;
    for (const Change& c : changes)
        run(QStringLiteral(
                "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
                "values (:v0,:v1,:v2,:v3,:v4,:v5,:v6,:v7)"),
            {c.code, c.day, c.dept, c.buy, c.sale, c.rate, "--", ++key});

    struct Trade {
        const char* code;
        const char* day;
        int buyer;
        double price, quantity, amount;
        int seller;
    };
    const Trade trades[] = {
        {"600610", "2017-03-09", 1, 10.5, 100, 1050, 2},
        {"600610", "2017-03-10", 3, 10.0, 50, 500, 1},
        {"000001", "2017-03-10", 2, 9.0, 20, 180, 3},
        {"000001", "2017-03-13", 3, 9.5, 90, 855, 3},
    };
    for (const Trade& t : trades)
        run(QStringLiteral(
                "insert into tblBigBuySale (StCode,StDate,StDeptBuy,StPrice,StQTY,StAMT,StDeptSale,StKEY) "
                "values (:v0,:v1,:v2,:v3,:v4,:v5,:v6,:v7)"),
            {t.code, t.day, t.buyer, t.price, t.quantity, t.amount, t.seller, ++key});

    struct Alert {
        const char* code;
        const char* name;
        const char* day;
        const char* kind;
        double buy, sale, price;
    };
    const Alert alerts[] = {
        {"600610", "中毅达", "2017-03-09", "主力买入", 60, 0, 10.2},
        {"600610", "中毅达", "2017-03-09", "主力卖出", 0, 30, 10.1},
        {"600610", "中毅达", "2017-03-10", "主力买入", 50, 0, 10.0},
        {"000001", "平安银行", "2017-03-10", "主力卖出", 0, 90, 9.1},
    };
    for (const Alert& a : alerts)
        run(QStringLiteral(
                "insert into tblMainBuySale (StCode,StName,StDate,StDept,StBuy,StSale,StRate,StMemo) "
                "values (:v0,:v1,:v2,:v3,:v4,:v5,:v6,:v7)"),
            {a.code, a.name, a.day, a.kind, a.buy, a.sale, a.price, ""});
}

// Every row of a result, its cells as shown, one text a row; failures fail the test.
inline QStringList resultRows(TDataBase& db, const ComposedStatement& composed) {
    QueryRows rows(db, composed);
    EXPECT_TRUE(rows.ok()) << rows.error().toStdString() << "\n" << composed.sql().toStdString();
    QStringList texts;
    while (rows.next()) {
        QStringList cells;
        for (int column = 0; column < rows.columnCount(); ++column)
            cells << rows.text(column);
        texts << cells.join(QLatin1Char('|'));
    }
    return texts;
}

}  // namespace quarrow::test

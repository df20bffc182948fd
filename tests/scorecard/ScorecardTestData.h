#pragma once

// A store and a quote folder small enough to work the returns out by hand.
//
// sz000001, 14 bars:      0301 0302 0303 0306 0307 0308 0309 0310 0313 0314 0315 0316 0317 0320
//   closes (0.01 yuan):   1000 1100  990 1000 1050 1200 1150 1100 1000 1210 1300 1250 1400 1500
// sz000002, suspended from 0303 to 0309:  0301 2000, 0302 2000, 0310 2200, 0313 1800
// sh600000 has no daily-bar file.
//
// 甲营业部 bought sz000001 and sz000002 on 0302; 乙营业部 is listed twice on sz000001 on 0308
// (once in each table, with different figures); 丙营业部 only sold sz000001 on 0306;
// 丁营业部 bought sh600000 on 0302. The anomaly row of sz000001 on 0302 is no department's.

#include "../quotefiles/QuoteTestFiles.h"
#include "quotefiles/DailyBar.h"
#include "store/DataBase.h"
#include "store/RecordKeys.h"

#include <QList>
#include <QString>

#include <gtest/gtest.h>

namespace quarrow::test {

inline const QString kJia = QStringLiteral("甲营业部");
inline const QString kYi = QStringLiteral("乙营业部");
inline const QString kBing = QStringLiteral("丙营业部");
inline const QString kDing = QStringLiteral("丁营业部");
inline const QString kAnomaly = QStringLiteral("日涨幅偏离值达7%的证券");

inline void writeScorecardBars(const QString& quoteFolder) {
    const auto write = [&](const QString& code, const QList<std::pair<qint32, qint32>>& days) {
        QList<DailyBar> bars;
        for (const auto& [date, close] : days) {
            DailyBar bar;
            bar.Date = date;
            bar.Open = bar.High = bar.Low = bar.Close = close;
            bars << bar;
        }
        writeBars(quoteFolder, code, bars);
    };
    write(QStringLiteral("sz000001"), {{20170301, 1000},
                                       {20170302, 1100},
                                       {20170303, 990},
                                       {20170306, 1000},
                                       {20170307, 1050},
                                       {20170308, 1200},
                                       {20170309, 1150},
                                       {20170310, 1100},
                                       {20170313, 1000},
                                       {20170314, 1210},
                                       {20170315, 1300},
                                       {20170316, 1250},
                                       {20170317, 1400},
                                       {20170320, 1500}});
    write(QStringLiteral("sz000002"),
          {{20170301, 2000}, {20170302, 2000}, {20170310, 2200}, {20170313, 1800}});
}

inline void storeScorecardRows(TDataBase& db) {
    const auto store = [&](const QString& code, const QDate& day, const QString& name, double buy,
                           double sale, const QString& keyText) {
        const qint32 deptKey = CalcDeptKey(name);
        Statement row = db.DBCommand(QStringLiteral(
            "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
            "values (:StCode,:StDate,:StDeptKey,:StBuy,:StSale,:StRate,:StMemo,:StKEY)"));
        row.bind(QStringLiteral(":StCode"), code)
            .bind(QStringLiteral(":StDate"), day)
            .bind(QStringLiteral(":StDeptKey"), deptKey)
            .bind(QStringLiteral(":StBuy"), Money::fromDouble(buy))
            .bind(QStringLiteral(":StSale"), Money::fromDouble(sale))
            .bind(QStringLiteral(":StRate"), Money::fromUnits(10))
            .bind(QStringLiteral(":StMemo"), QStringLiteral("涨跌幅大"))
            .bind(QStringLiteral(":StKEY"),
                  CalcRecordKey(code, keyText, Money::fromDouble(buy), Money::fromDouble(sale), day));
        ASSERT_TRUE(row.exec()) << row.error().toStdString();
        Statement department = db.DBCommand(QStringLiteral(
            "insert or ignore into tblStDepart (StDeptKey,StDept) values (:StDeptKey,:StDept)"));
        department.bind(QStringLiteral(":StDeptKey"), deptKey).bind(QStringLiteral(":StDept"), name);
        ASSERT_TRUE(department.exec()) << department.error().toStdString();
    };
    const QString sz1 = QStringLiteral("000001");
    // The anomaly row: its key is made from the figures line, its department key from the
    // description.
    store(sz1, QDate(2017, 3, 2), kAnomaly, 5000, 8000, QStringLiteral("涨跌幅:10.00% 成交量:5000万股"));
    store(sz1, QDate(2017, 3, 2), kJia, 500, 0, kJia);
    store(QStringLiteral("000002"), QDate(2017, 3, 2), kJia, 300, 0, kJia);
    store(sz1, QDate(2017, 3, 8), kYi, 100, 0, kYi);
    store(sz1, QDate(2017, 3, 8), kYi, 150, 0, kYi);
    store(sz1, QDate(2017, 3, 6), kBing, 0, 400, kBing);
    store(QStringLiteral("600000"), QDate(2017, 3, 2), kDing, 80, 0, kDing);
}

}  // namespace quarrow::test

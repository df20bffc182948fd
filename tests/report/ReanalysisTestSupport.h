#pragma once

#include "app/ProgramFolder.h"
#include "store/DataBase.h"

#include <QStringList>

namespace quarrow::test {

// Everything the database holds about stored anomaly days, departments and block trades,
// one text line per row in key order, so two databases can be compared whole.
inline QStringList storedRows(TDataBase& db) {
    QStringList rows;
    const QStringList queries = {
        QStringLiteral("select 'change', StKEY, StCode, StDate, StDeptKey, StBuy, StSale, StRate, StMemo"
                       " from tblStChange order by StKEY"),
        QStringLiteral("select 'big', StKEY, StCode, StDate, StDeptBuy, StDeptSale, StPrice, StQTY, StAMT"
                       " from tblBigBuySale order by StKEY"),
        QStringLiteral(
            "select 'dept', StDeptKey, StDept, '', '', '', '', '', '' from tblStDepart order by StDeptKey"),
        QStringLiteral("select 'stock', StCode, StLastDate, StBigLast, '', '', '', '', '' from tblStocks "
                       "order by StCode"),
    };
    for (const QString& sql : queries) {
        Statement query = db.QueryPublic(sql);
        if (!query.exec())
            return {QStringLiteral("query failed: ") + query.error()};
        while (query.next()) {
            QStringList cells;
            for (int column = 0; column < 9; ++column)
                cells << query.text(column);
            rows << cells.join(QLatin1Char('|'));
        }
    }
    return rows;
}

inline qint64 countOf(TDataBase& db, const QString& sql) {
    Statement query = db.QueryPublic(sql);
    return query.exec() && query.next() ? query.integer(0) : -1;
}

}  // namespace quarrow::test

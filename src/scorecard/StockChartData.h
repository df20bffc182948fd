#pragma once

#include "quotefiles/DailyBar.h"
#include "store/DataBase.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace quarrow {

// What the chart of a stock's operators draws: its daily bars around a day, and which of
// those days were anomaly days and on which a department bought or sold.
struct StockChartData {
    QString code;  // six digits
    QList<DailyBar> bars;
    QSet<qint32> anomalyDays;  // yyyymmdd
    QSet<qint32> buyDays;
    QSet<qint32> sellDays;
};

// Up to `before` bars before the day's bar (or the first bar after it, when the day has
// none) and `after` bars after it, read by seeking. Empty when there is no file. Throws
// RecordFileError when the file cannot be read.
QList<DailyBar> barsAround(const QString& quoteFolder, const QString& code, const QDate& day, int before,
                           int after);
// The last `count` bars of the stock; empty when there is no file.
QList<DailyBar> lastBars(const QString& quoteFolder, const QString& code, int count);

// The days with stored rows of the stock between the first and the last bar's day: every
// stored day of a stock is an anomaly day. Nothing when the statement fails.
std::optional<QSet<qint32>> storedDays(TDataBase& db, const QString& code, const QList<DailyBar>& bars);

}  // namespace quarrow

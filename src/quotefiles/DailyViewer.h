#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quarrow {

// One row of the daily-bar viewer: date with its arrow, open, high, low, close (yuan),
// amount (10,000 yuan) and volume (lots). Every cell carries the row's up/down mark.
struct DailyViewRow {
    bool up = false;  // close above the previous day's close
    QStringList cells;
};

struct DailyView {
    QString path;
    qint64 recordCount = 0;
    QList<DailyViewRow> rows;  // newest first
};

// The column titles of the viewer's header row.
QStringList dailyViewTitles();

// The last `days` bars of a stock (all of them when days is 0 or exceeds the file), newest
// first, each compared with the close of the bar before it (the oldest bar of the file
// with its own open). Nothing when the file does not exist; no rows for a negative count.
// Throws RecordFileError when the file cannot be read.
std::optional<DailyView> loadDailyRows(const QString& quoteFolder, const QString& prefixedCode, qint64 days);

}  // namespace quarrow

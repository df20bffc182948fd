#pragma once

#include "quotefiles/DailyBar.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quarrow {

// One row of the daily-bar viewer: date with its arrow, open, high, low, close (yuan),
// amount (10,000 yuan) and volume (lots) as plain numbers, the way the command line prints
// them; the window shows the bar's figures its own way. Every cell carries the row's
// up/down mark.
struct DailyViewRow {
    bool up = false;  // close above the previous day's close
    QStringList cells;
    DailyBar bar;
};

// Where the rows come from: the file and its number of whole bars.
struct DailyViewSource {
    QString path;
    qint64 recordCount = 0;
};

struct DailyView {
    QString path;
    qint64 recordCount = 0;
    QList<DailyViewRow> rows;  // newest first
};

// The column titles of the viewer's header row.
QStringList dailyViewTitles();

// Hands the last `days` bars of a stock (all of them when days is 0 or exceeds the file)
// to `visit` one row at a time, newest first, each compared with the close of the bar
// before it (the oldest bar of the file with its own open). The bars are read by seeking,
// two at most per row, so a file of any size is shown in bounded memory. `visit` returns
// false to stop early. Nothing when the file does not exist; no rows for a negative count.
// Throws RecordFileError when the file cannot be read (or is no regular file).
std::optional<DailyViewSource> visitDailyRows(const QString& quoteFolder, const QString& prefixedCode,
                                              qint64 days,
                                              const std::function<bool(const DailyViewRow&)>& visit);

// The same rows collected for the viewer's grid.
std::optional<DailyView> loadDailyRows(const QString& quoteFolder, const QString& prefixedCode, qint64 days);

}  // namespace quarrow

#pragma once

#include "quotefiles/DailyBar.h"
#include "quotefiles/FileOP.h"

#include <QHash>
#include <QString>

#include <vector>

namespace quarrow {

// Finds days in one stock's daily-bar file by seeking, never by reading the whole file:
// the bars stand in date order, so a search guesses a day's position from the dates at
// the ends of the range it knows (the quote program writes a bar per trading day, close
// to evenly spread) and narrows the range from there. Every bar read is kept, so the
// bars after one day and the search for the next day share their reads.
class DailyBarSearch {
public:
    // Opens the file read-only; a missing file gives an object with no bars. Throws
    // RecordFileError when the file cannot be read.
    explicit DailyBarSearch(const QString& path);

    qint64 count() const { return m_count; }

    // The index of the first bar on or after the day (yyyymmdd); count() when none is.
    qint64 lowerBound(qint32 day);
    // The index of the bar of that very day; -1 when the file has none.
    qint64 indexOf(qint32 day);
    // The bar at an index within 0 … count() − 1.
    DailyBar bar(qint64 index);
    // Reads the bars first … last (clamped to the file) in one go where any is missing.
    void load(qint64 first, qint64 last);

    // Reads from the file so far, to show that a search seeks rather than reads through.
    qint64 reads() const { return m_reads; }

private:
    TFileOP m_file;
    qint64 m_count = 0;
    QHash<qint64, DailyBar> m_bars;
    qint64 m_reads = 0;
};

// The day a bar's date names, for arithmetic on days; invalid dates give 0.
qint64 dayNumber(qint32 yyyymmdd);

}  // namespace quarrow

#pragma once

#include "quotefiles/DailyBar.h"
#include "quotefiles/FileOP.h"

#include <QString>

#include <memory>
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

    // False when the file is missing: a reader tells an absent file from the open alone.
    bool opened() const { return m_file.Opend(); }
    qint64 count() const { return m_count; }

    // The index of the first bar on or after the day (yyyymmdd); count() when none is.
    qint64 lowerBound(qint32 day);
    // The index of the bar of that very day; -1 when the file has none.
    qint64 indexOf(qint32 day);
    // The bar at an index within 0 … count() − 1.
    DailyBar bar(qint64 index);
    // Reads the bars first … last (clamped to the file) in one go where any is missing.
    void load(qint64 first, qint64 last);

    // The bars first … last (clamped to the file) in one read, for a caller that walks many
    // days of one stretch; they are not kept for the search.
    std::vector<DailyBar> readSpan(qint64 first, qint64 last);

    // Reads from the file so far, to show that a search seeks rather than reads through.
    qint64 reads() const { return m_reads; }

private:
    bool loaded(qint64 index) const { return m_loaded[static_cast<size_t>(index)]; }

    TFileOP m_file;
    qint64 m_count = 0;
    // The file's bytes where they were read, each record in its place, and which records
    // those are: a read goes straight into place, and a bar is decoded when asked for.
    std::unique_ptr<char[]> m_bytes;
    std::vector<bool> m_loaded;
    qint64 m_reads = 0;
};

// The day a bar's date names, for arithmetic on days; invalid dates give 0.
qint64 dayNumber(qint32 yyyymmdd);

}  // namespace quarrow

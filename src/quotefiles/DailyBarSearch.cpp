#include "quotefiles/DailyBarSearch.h"

#include <QDate>

#include <algorithm>

namespace quarrow {

qint64 dayNumber(qint32 yyyymmdd) {
    const QDate day(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
    return day.isValid() ? day.toJulianDay() : 0;
}

DailyBarSearch::DailyBarSearch(const QString& path) : m_file(path, DailyBar::kSize, 'r') {
    m_count = m_file.RecordCount();
    m_loaded.assign(static_cast<size_t>(m_count), false);
    // Not filled: only the records read are ever looked at.
    m_bytes.reset(new char[static_cast<size_t>(m_count) * DailyBar::kSize]);
}

DailyBar DailyBarSearch::bar(qint64 index) {
    if (index < 0 || index >= m_count)
        return DailyBar();
    if (!loaded(index))
        load(index, index);
    return index < m_count && loaded(index) ? DailyBar::fromBytes(m_bytes.get() + index * DailyBar::kSize)
                                            : DailyBar();
}

void DailyBarSearch::load(qint64 first, qint64 last) {
    first = std::max<qint64>(first, 0);
    last = std::min(last, m_count - 1);
    while (first <= last && loaded(first))
        ++first;
    if (first > last)
        return;
    m_file.SeekTo(first);
    const qint64 got = m_file.ReadRecords(m_bytes.get() + first * DailyBar::kSize, last - first + 1);
    ++m_reads;
    for (qint64 i = first; i < first + got; ++i)
        m_loaded[static_cast<size_t>(i)] = true;
    // A file cut short since it was opened: the bars it no longer has are not there.
    if (got < last - first + 1)
        m_count = first + got;
}

namespace {

constexpr qint64 kOneRead = 64;  // bars, 2 KB

}  // namespace

qint64 DailyBarSearch::lowerBound(qint32 day) {
    if (m_count == 0)
        return 0;
    // The range [low, high] holds the answer; the dates at its ends guide the guess.
    qint64 low = 0;
    qint64 high = m_count - 1;
    if (bar(high).Date < day)
        return m_count;
    if (bar(low).Date >= day)
        return 0;
    const qint64 target = dayNumber(day);
    bool guess = true;
    // Invariant: bar(low) before the day, bar(high) on or after it.
    while (high - low > 1) {
        // A range of a few hundred bytes comes in one read rather than probe by probe.
        if (high - low <= kOneRead)
            load(low, high);
        qint64 probe = low + (high - low) / 2;
        if (guess) {
            const qint64 lowDay = dayNumber(bar(low).Date);
            const qint64 highDay = dayNumber(bar(high).Date);
            if (highDay > lowDay && target >= lowDay)
                probe = low + (target - lowDay) * (high - low) / (highDay - lowDay);
            probe = std::clamp(probe, low + 1, high - 1);
            // The guess is seldom more than a few bars off: its neighbours come in the same
            // read, and the bars after the day often with them.
            load(probe - kOneRead / 4, probe + kOneRead / 4);
        }
        const qint64 before = high - low;
        if (bar(probe).Date < day)
            low = probe;
        else
            high = probe;
        // A guess that hardly narrowed the range (dates spread unevenly) is followed by a
        // halving, so a search never takes more than twice the reads of a bisection.
        guess = !guess || (high - low) * 2 <= before;
    }
    return high;
}

std::vector<DailyBar> DailyBarSearch::readSpan(qint64 first, qint64 last) {
    first = std::max<qint64>(first, 0);
    last = std::min(last, m_count - 1);
    std::vector<DailyBar> bars;
    if (first > last)
        return bars;
    std::vector<char> bytes(static_cast<size_t>(last - first + 1) * DailyBar::kSize);
    m_file.SeekTo(first);
    const qint64 got = m_file.ReadRecords(bytes.data(), last - first + 1);
    ++m_reads;
    bars.reserve(static_cast<size_t>(got));
    for (qint64 i = 0; i < got; ++i)
        bars.push_back(DailyBar::fromBytes(bytes.data() + i * DailyBar::kSize));
    return bars;
}

qint64 DailyBarSearch::indexOf(qint32 day) {
    const qint64 index = lowerBound(day);
    return index < m_count && bar(index).Date == day ? index : -1;
}

}  // namespace quarrow

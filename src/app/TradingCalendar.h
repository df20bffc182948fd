#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>

namespace quarrow {

class AppFrame;
class Settings;

// The two calendar lists of the setup page: the holidays on which the exchanges are
// closed, and the weekend days on which they open to make up for a holiday. Both hold
// month×100+day values, filled from the front; a 0 ends a list.
class TradingCalendar {
public:
    static constexpr int kHolidayCount = 25;
    static constexpr int kExceptDayCount = 10;

    enum class List { Holiday, ExceptDay };

    // How a memo commit ended: every line taken, or the first wrong line (1-based).
    struct CommitResult {
        bool written = true;  // false when the settings file could not be written
        int wrongLine = 0;    // 0: no wrong line
        int stored = 0;       // values taken into the list
    };

    std::array<quint16, kHolidayCount> HolidayList{};
    std::array<quint16, kExceptDayCount> ExceptDayList{};

    // Reads both lists back from the settings file.
    void load(const Settings& settings);

    // The list as the memo shows it: "10-1" for 1001, one value a line.
    QStringList memoLines(List list) const;

    // Leaving a memo: the list and its section are rebuilt from the memo's lines. A line
    // that is not a date is reported with its number and ends the commit; the lines
    // before it stay saved, lines past the list's size are ignored.
    CommitResult commit(List list, const QStringList& lines, Settings& settings, AppFrame& frame);

    // Whether the exchanges trade on the given day: holidays never, weekends only when
    // listed as make-up days. The program asks only with the time of day ignored.
    bool IsTradingDay(const QDate& today, bool ignoreHours = true) const;

    // A memo line as a month×100+day value; 0 when it is not a date.
    static int parseLine(const QString& line);

private:
    static bool contains(const quint16* values, int count, int key);
};

}  // namespace quarrow

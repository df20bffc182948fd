#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace quarrow {

class Clock;
class Settings;

// The stocks whose report the day's mining runs could not capture, kept in the settings
// file ("[Mining]" "FailedDay" and "Failed") by the mining run alone: a stock joins when
// it fails and leaves only when its report is stored, whichever run of the day (screened,
// own stocks, resumed, retry pass) does either. The re-analysis and a fresh start of the
// resume point leave it alone. Each change rereads the file, so two runs (or another
// program) never write back each other's old copy. A record of an earlier day is empty.
class FailedStocks {
public:
    FailedStocks(Settings& settings, const Clock& clock);

    // The prefixed codes of today's record, in the order they failed.
    QStringList today() const;
    // A stock failed; false when the settings file refused the write.
    bool add(const QString& key);
    // A stock's report is stored; false when the settings file refused the write.
    bool remove(const QString& key);

private:
    bool change(const QString& key, bool failed);

    Settings& m_settings;
    const Clock& m_clock;
};

}  // namespace quarrow

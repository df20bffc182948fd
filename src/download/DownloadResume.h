#pragma once

#include <QDate>
#include <QString>

#include <optional>

namespace quarrow {

class Settings;

// Where a phase of the download stands: the day and ID its next request asks for, and
// the stock day its last valid row was of, with whether the user chose to skip that day.
struct DownloadResumePoint {
    QDate day;
    qint64 nextId = 0;
    QString code;
    QDate codeDay;
    bool skipped = false;
};

// The resume point of one of the two pages, kept in the settings file ("[Download]") after
// every page stored and dropped when the server has nothing more. A download that was
// stopped, killed, cut off or refused by the database therefore goes on at the next
// request it would have made: the rows of a partly stored day are asked for again, and the
// stock day it was in the middle of is not mistaken for one stored before.
class DownloadResume {
public:
    // prefix: "StChange" or "BigBuySale"; page: the page's address, which the point must
    // match (a point of another server means nothing to this one).
    DownloadResume(Settings& settings, QString prefix, QString page);

    std::optional<DownloadResumePoint> load() const;
    // Cheap to lose: a point one page behind only asks for rows the record keys turn away.
    bool save(const DownloadResumePoint& point);
    bool clear();

private:
    QString key(const char* name) const;

    Settings& m_settings;
    QString m_prefix;
    QString m_page;
};

}  // namespace quarrow

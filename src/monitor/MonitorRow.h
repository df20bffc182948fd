#pragma once

#include "store/Money.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace quarrow {

// A row of the quote program's monitor lists, its cells joined by tabs, split into fields:
// every run of tabs, blanks and other control characters is one separator (an empty cell
// gives no field, and the later ones move forward); a field that starts with a double
// quote runs to the closing quote ("" inside stands for one quote), which is dropped.
QStringList splitMonitorRow(const QString& line);

// The side of an alert: the monitor's selling list or its buying list.
enum class AlertSide { Selling, Buying };

// What a row says once split: field 0 the monitor's time stamp, field 1 the stock name,
// field 2 price "/" volume in lots of 100 shares.
struct MonitorAlert {
    QString time;
    QString name;
    QString priceVolume;
    Money quantity;  // Q: the volume ÷ 100, in units of 10,000 shares
    Money price;     // P
};

// A row is an alert, not one at all (fewer than three fields, no "/" in the third: the
// monitor's own headings and notes), or an alert whose cells cannot be trusted.
enum class RowKind { NotAnAlert, Malformed, Alert };

struct AlertReading {
    RowKind kind = RowKind::NotAnAlert;
    MonitorAlert alert;  // when kind is Alert
    QString problem;  // when Malformed: the cell at fault, for the log ("时间", "价格", "数量", "价格/数量")
};

// Reads an alert out of a split row. The cells come from another program's window and are
// checked before anything is stored, logged or sent: the time must be a time of day
// (h:mm or h:mm:ss), price and volume plain decimal numbers above zero and within what a
// share trade can be; anything else is Malformed, never a 0 that would be stored.
AlertReading parseMonitorAlert(const QStringList& fields);

// The row as the log names a refused one: its fields, shortened so that a hostile cell
// cannot flood the log.
QString rowExcerpt(const QStringList& fields);

// The trading day an alert of today belongs to, as month and day ("0316-"): today, but
// Friday's on Saturday and Sunday.
QString memoDayPrefix(const QDate& today);

// The text that identifies a stored alert of a day: day prefix, code, "-", the monitor's
// time, "抛" or "买", and the quantity in its shortest decimal form. The monitor shows
// minutes only, so two alerts of one stock in the same minute, side and quantity read
// alike: the second of the day's list is "#2", the third "#3", and so on.
QString alertMemo(const QString& dayPrefix, const QString& code, const MonitorAlert& alert, AlertSide side,
                  int occurrence = 1);

// Monday to Friday, 09:30 to 11:35 and 13:00 to 15:05, both ends included. Holidays are
// not consulted: on a holiday the monitor shows nothing new.
bool inMonitorTradingHours(const QDateTime& now);

}  // namespace quarrow

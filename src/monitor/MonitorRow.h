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

// Nothing for a row with fewer than three fields or without "/" in its third; a number
// that does not parse counts as 0.
std::optional<MonitorAlert> parseMonitorAlert(const QStringList& fields);

// The trading day an alert of today belongs to, as month and day ("0316-"): today, but
// Friday's on Saturday and Sunday.
QString memoDayPrefix(const QDate& today);

// The text that identifies a stored alert: day prefix, code, "-", the monitor's time, "抛"
// or "买", and the quantity in its shortest decimal form.
QString alertMemo(const QString& dayPrefix, const QString& code, const MonitorAlert& alert, AlertSide side);

// Monday to Friday, 09:30 to 11:35 and 13:00 to 15:05, both ends included. Holidays are
// not consulted: on a holiday the monitor shows nothing new.
bool inMonitorTradingHours(const QDateTime& now);

}  // namespace quarrow

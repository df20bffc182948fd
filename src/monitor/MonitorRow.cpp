#include "monitor/MonitorRow.h"

namespace quarrow {

namespace {

bool isSeparator(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}

Money parseNumber(const QString& text) {
    return Money::parse(text.trimmed()).value_or(Money());
}

// raw ÷ 100, halves away from zero, as the quantity keeps four decimals.
Money hundredth(Money value) {
    const qint64 raw = value.raw();
    const qint64 half = raw < 0 ? -50 : 50;
    return Money::fromRaw((raw + half) / 100);
}

}  // namespace

QStringList splitMonitorRow(const QString& line) {
    QStringList fields;
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && isSeparator(line[i]))
            ++i;
        if (i >= n)
            break;
        QString field;
        if (line[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (line[i] == QLatin1Char('"')) {
                    if (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
        }
        // Whatever follows a closing quote up to the next separator stays with the field.
        while (i < n && !isSeparator(line[i]))
            field += line[i++];
        fields << field;
    }
    return fields;
}

std::optional<MonitorAlert> parseMonitorAlert(const QStringList& fields) {
    if (fields.size() < 3)
        return std::nullopt;
    const qsizetype slash = fields[2].indexOf(QLatin1Char('/'));
    if (slash < 0)
        return std::nullopt;
    MonitorAlert alert;
    alert.time = fields[0];
    alert.name = fields[1];
    alert.priceVolume = fields[2];
    alert.price = parseNumber(fields[2].left(slash));
    alert.quantity = hundredth(parseNumber(fields[2].mid(slash + 1)));
    return alert;
}

QString memoDayPrefix(const QDate& today) {
    QDate day = today;
    if (today.dayOfWeek() == Qt::Saturday)
        day = today.addDays(-1);
    else if (today.dayOfWeek() == Qt::Sunday)
        day = today.addDays(-2);
    return QStringLiteral("%1%2-")
        .arg(day.month(), 2, 10, QLatin1Char('0'))
        .arg(day.day(), 2, 10, QLatin1Char('0'));
}

QString alertMemo(const QString& dayPrefix, const QString& code, const MonitorAlert& alert, AlertSide side) {
    return dayPrefix + code + QLatin1Char('-') + alert.time +
           (side == AlertSide::Selling ? QStringLiteral("抛") : QStringLiteral("买")) +
           alert.quantity.toString();
}

bool inMonitorTradingHours(const QDateTime& now) {
    if (now.date().dayOfWeek() > Qt::Friday)
        return false;
    const QTime t = now.time();
    const auto within = [&t](QTime from, QTime to) { return t >= from && t <= to; };
    return within(QTime(9, 30), QTime(11, 35)) || within(QTime(13, 0), QTime(15, 5));
}

}  // namespace quarrow

#include "monitor/MonitorRow.h"

#include <QRegularExpression>

#include <optional>

namespace quarrow {

namespace {

bool isSeparator(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}

// A share's price in yuan, and a single trade in lots of 100 shares: far above anything
// the market shows, far below what the currency type can hold.
const Money kMaxPrice = Money::fromUnits(1000000);
const Money kMaxLots = Money::fromUnits(10000000000LL);
// "10.50/12345" and the like; a longer cell is not a price and a volume.
constexpr qsizetype kMaxPriceVolumeChars = 40;
constexpr int kExcerptChars = 60;

// A plain decimal number above zero and at most `most`.
std::optional<Money> positiveNumber(const QString& text, Money most) {
    const std::optional<Money> value = Money::parse(text);
    if (!value || !value->isPositive() || *value > most)
        return std::nullopt;
    return value;
}

bool isTimeOfDay(const QString& text) {
    static const QRegularExpression time(QStringLiteral("^([01]?[0-9]|2[0-3]):[0-5][0-9](:[0-5][0-9])?$"));
    return text.size() <= 8 && time.match(text).hasMatch();
}

// raw ÷ 100, halves up, as the quantity keeps four decimals.
Money hundredth(Money value) {
    return Money::fromRaw((value.raw() + 50) / 100);
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

AlertReading parseMonitorAlert(const QStringList& fields) {
    AlertReading reading;
    if (fields.size() < 3)
        return reading;
    const QString& priceVolume = fields[2];
    const qsizetype slash = priceVolume.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return reading;
    reading.kind = RowKind::Malformed;
    if (!isTimeOfDay(fields[0])) {
        reading.problem = QStringLiteral("时间");
        return reading;
    }
    if (priceVolume.size() > kMaxPriceVolumeChars) {
        reading.problem = QStringLiteral("价格/数量");
        return reading;
    }
    const std::optional<Money> price = positiveNumber(priceVolume.left(slash), kMaxPrice);
    if (!price) {
        reading.problem = QStringLiteral("价格");
        return reading;
    }
    const std::optional<Money> lots = positiveNumber(priceVolume.mid(slash + 1), kMaxLots);
    if (!lots || !hundredth(*lots).isPositive()) {
        reading.problem = QStringLiteral("数量");
        return reading;
    }
    reading.kind = RowKind::Alert;
    reading.alert.time = fields[0];
    reading.alert.name = fields[1];
    reading.alert.priceVolume = priceVolume;
    reading.alert.price = *price;
    reading.alert.quantity = hundredth(*lots);
    return reading;
}

QString rowExcerpt(const QStringList& fields) {
    QString text = fields.join(QLatin1Char(' '));
    if (text.size() > kExcerptChars) {
        text.truncate(kExcerptChars);
        // Not half a surrogate pair at the cut.
        if (text.back().isHighSurrogate())
            text.chop(1);
        text += QStringLiteral("…");
    }
    return text;
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

QString alertMemo(const QString& dayPrefix, const QString& code, const MonitorAlert& alert, AlertSide side,
                  int occurrence) {
    QString memo = dayPrefix + code + QLatin1Char('-') + alert.time +
                   (side == AlertSide::Selling ? QStringLiteral("抛") : QStringLiteral("买")) +
                   alert.quantity.toString();
    if (occurrence > 1)
        memo += QLatin1Char('#') + QString::number(occurrence);
    return memo;
}

bool inMonitorTradingHours(const QDateTime& now) {
    if (now.date().dayOfWeek() > Qt::Friday)
        return false;
    const QTime t = now.time();
    const auto within = [&t](QTime from, QTime to) { return t >= from && t <= to; };
    return within(QTime(9, 30), QTime(11, 35)) || within(QTime(13, 0), QTime(15, 5));
}

}  // namespace quarrow

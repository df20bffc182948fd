#include "store/Money.h"

#include "app/Trim.h"

#include <cmath>
#include <limits>

namespace quarrow {

Money Money::fromDouble(double value) {
    const double scaled = std::round(value * kScale);
    constexpr double kLimit = 9.2e18;
    if (!std::isfinite(scaled) || scaled > kLimit || scaled < -kLimit)
        return Money();
    return Money(static_cast<qint64>(scaled));
}

std::optional<Money> Money::parse(const QString& input) {
    const QString text = trimBlanks(input);
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    qint64 whole = 0;
    int wholeDigits = 0;
    while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
        if (whole > (std::numeric_limits<qint64>::max() / kScale - 9) / 10)
            return std::nullopt;  // beyond what the currency can hold
        whole = whole * 10 + (text[i].unicode() - '0');
        ++wholeDigits;
        ++i;
    }
    qint64 fraction = 0;
    int fractionDigits = 0;
    bool roundUp = false;
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        int firstDropped = -1;
        bool restNonZero = false;
        while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            const int digit = text[i].unicode() - '0';
            if (fractionDigits < 4) {
                fraction = fraction * 10 + digit;
                ++fractionDigits;
            } else if (firstDropped < 0) {
                firstDropped = digit;
            } else if (digit != 0) {
                restNonZero = true;
            }
            ++i;
        }
        // Half to even on the fifth decimal, as the currency conversion does.
        if (firstDropped > 5 || (firstDropped == 5 && (restNonZero || (fraction % 2) == 1)))
            roundUp = true;
        if (fractionDigits == 0 && wholeDigits == 0)
            return std::nullopt;
    }
    if (i != text.size() || (wholeDigits == 0 && fractionDigits == 0))
        return std::nullopt;
    for (int d = fractionDigits; d < 4; ++d)
        fraction *= 10;
    qint64 raw = whole * kScale + fraction + (roundUp ? 1 : 0);
    return Money(negative ? -raw : raw);
}

QString Money::toFixed(int decimals) const {
    decimals = qBound(0, decimals, 4);
    qint64 divisor = 1;
    for (int d = decimals; d < 4; ++d)
        divisor *= 10;
    const bool negative = m_raw < 0;
    quint64 magnitude = negative ? static_cast<quint64>(-(m_raw + 1)) + 1 : static_cast<quint64>(m_raw);
    quint64 rounded = magnitude / static_cast<quint64>(divisor);
    const quint64 remainder = magnitude % static_cast<quint64>(divisor);
    if (divisor > 1 && remainder * 2 >= static_cast<quint64>(divisor))
        ++rounded;
    quint64 unitScale = 1;
    for (int d = 0; d < decimals; ++d)
        unitScale *= 10;
    QString text = QString::number(rounded / unitScale);
    if (decimals > 0)
        text += QLatin1Char('.') +
                QString::number(rounded % unitScale).rightJustified(decimals, QLatin1Char('0'));
    if (negative && rounded != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

QString Money::toString() const {
    QString text = toFixed(4);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

}  // namespace quarrow

#include "app/FigureFormat.h"

#include <QLocale>

#include <cmath>

namespace quarrow::FigureFormat {

namespace {

// Grouping and the decimal point the same on every machine, whatever its own locale.
const QLocale& figureLocale() {
    static const QLocale locale(QLocale::Chinese, QLocale::China);
    return locale;
}

constexpr double kWan = 10000.0;

// A figure that rounds to nothing at the decimals shown has no sign: "-0.00" reads as a loss.
QString withoutNegativeZero(QString text) {
    if (!text.startsWith(QLatin1Char('-')))
        return text;
    for (const QChar c : text) {
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9'))
            return text;
    }
    return text.mid(1);
}

}  // namespace

Tone toneOf(double value) {
    if (value > 0)
        return Tone::Rise;
    if (value < 0)
        return Tone::Fall;
    return Tone::Plain;
}

QString fixed(double value, int decimals) {
    return withoutNegativeZero(figureLocale().toString(value, 'f', decimals));
}

QString tenThousands(double tenThousands, const QString& unitSuffix) {
    if (std::abs(tenThousands) >= kWan)
        return fixed(tenThousands / kWan, 2) + QStringLiteral("亿") + unitSuffix;
    return fixed(tenThousands, 2) + QStringLiteral("万") + unitSuffix;
}

QString units(double units, const QString& unit) {
    if (std::abs(units) >= kWan)
        return tenThousands(units / kWan, unit);
    return fixed(units, 0) + unit;
}

QString price(double yuan) {
    QString text = fixed(yuan, 4);
    while (text.endsWith(QLatin1Char('0')) && text.indexOf(QLatin1Char('.')) < text.size() - 3)
        text.chop(1);
    return text;
}

QString percent(double value, int decimals) {
    return fixed(value, decimals) + QLatin1Char('%');
}

bool isTurnoverMemo(const QString& memo) {
    return memo.trimmed() == QStringLiteral("换手率高");
}

QString turnoverRateText() {
    return QStringLiteral("换手率>20%");
}

}  // namespace quarrow::FigureFormat

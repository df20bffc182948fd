#pragma once

#include <QString>
#include <QStringList>

namespace quarrow {

// A stock code is six decimal digits. Codes name folders and go into statements, so
// nothing else is ever taken for one.
inline bool isStockCode(const QString& text) {
    if (text.size() != 6)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// A dragon-tiger report names its stock on one of its first lines (the line with the code
// and the report's date). This tells a stock's own page from one left over from the stock
// before it, which the quote program keeps showing until the new page has loaded.
inline constexpr int kReportCodeLines = 4;
inline bool reportNamesStock(const QStringList& lines, const QString& code) {
    for (qsizetype i = 0; i < kReportCodeLines && i < lines.size(); ++i) {
        if (lines.at(i).contains(code))
            return true;
    }
    return false;
}

}  // namespace quarrow

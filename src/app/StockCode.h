#pragma once

#include <QString>

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

}  // namespace quarrow

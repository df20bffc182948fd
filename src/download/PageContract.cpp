#include "download/PageContract.h"

#include "app/Trim.h"

namespace quarrow::PageContract {

// y-m-d with one or two digits for month and day; every row of a page has one, so it is
// read by hand rather than through a format string.
QDate parseDay(const QString& text) {
    const QString day = trimBlanks(text);
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int part = 0;
    for (const QChar c : day) {
        if (c == QLatin1Char('-') && part < 2 && digits[part] > 0) {
            ++part;
        } else if (c.isDigit() && c.unicode() <= '9' && digits[part] < (part == 0 ? 4 : 2)) {
            parts[part] = parts[part] * 10 + (c.unicode() - '0');
            ++digits[part];
        } else {
            return QDate();
        }
    }
    if (part != 2 || digits[0] != 4 || digits[2] == 0)
        return QDate();
    return QDate(parts[0], parts[1], parts[2]);
}

QUrl requestUrl(const QString& page, const QDate& day, qint64 id, const QString& user) {
    QUrl url(trimBlanks(page));
    // A name with '&' or '=' must not open a parameter of its own.
    const QString text = QStringLiteral("Date=%1&ID=%2&USER=%3")
                             .arg(dayText(day))
                             .arg(id)
                             .arg(QString::fromLatin1(QUrl::toPercentEncoding(user)));
    const QString existing = url.query(QUrl::FullyEncoded);
    url.setQuery(existing.isEmpty() ? text : existing + QLatin1Char('&') + text, QUrl::StrictMode);
    return url;
}

}  // namespace quarrow::PageContract

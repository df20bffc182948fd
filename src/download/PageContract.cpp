#include "download/PageContract.h"

#include "app/Trim.h"

namespace quarrow::PageContract {

QDate parseDay(const QString& text) {
    return QDate::fromString(trimBlanks(text), QStringLiteral("yyyy-M-d"));
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

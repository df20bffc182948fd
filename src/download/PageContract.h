#pragma once

#include <QDate>
#include <QString>
#include <QUrl>

namespace quarrow::PageContract {

// What the download and quarrow-server agree on. A page holds exactly one table whose
// first row has kColumns cells. Its rows are a header (kHeader, the rows still available,
// the first ID of the page), data rows (a stock code first) and an end row (kEnd, the
// last ID delivered).
inline constexpr int kColumns = 8;
inline const QString kHeader = QStringLiteral("000000");
inline const QString kEnd = QStringLiteral("xxxxxx");

// The two pages, as quarrow-server names them.
inline const QString kChangePath = QStringLiteral("/StChange");
inline const QString kBigPath = QStringLiteral("/BigBuySale");
inline constexpr int kDefaultPort = 8686;

// Days travel as "yyyy-mm-dd".
inline QString dayText(const QDate& day) {
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}
QDate parseDay(const QString& text);

// The page address followed by "Date=…&ID=…&USER=…"; a '?' goes between them unless the
// address already carries a query.
QUrl requestUrl(const QString& page, const QDate& day, qint64 id, const QString& user);

}  // namespace quarrow::PageContract

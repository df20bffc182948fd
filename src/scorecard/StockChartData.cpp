#include "scorecard/StockChartData.h"

#include "quotefiles/DailyBarSearch.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/StockPicker.h"
#include "store/ChangeReads.h"

#include <QFileInfo>

namespace quarrow {

namespace {

qint32 yyyymmdd(const QDate& day) {
    return day.year() * 10000 + day.month() * 100 + day.day();
}

QList<DailyBar> barsBetween(DailyBarSearch& search, qint64 first, qint64 last) {
    QList<DailyBar> bars;
    first = std::max<qint64>(first, 0);
    last = std::min(last, search.count() - 1);
    search.load(first, last);
    for (qint64 i = first; i <= last; ++i)
        bars << search.bar(i);
    return bars;
}

}  // namespace

QList<DailyBar> barsAround(const QString& quoteFolder, const QString& code, const QDate& day, int before,
                           int after) {
    const QString path = QuotePaths::dailyBarFile(quoteFolder, PrefixCode(code));
    if (quoteFolder.isEmpty() || !QFileInfo::exists(path))
        return {};
    DailyBarSearch search(path);
    const qint64 at = std::min(search.lowerBound(yyyymmdd(day)), search.count() - 1);
    return barsBetween(search, at - before, at + after);
}

QList<DailyBar> lastBars(const QString& quoteFolder, const QString& code, int count) {
    const QString path = QuotePaths::dailyBarFile(quoteFolder, PrefixCode(code));
    if (quoteFolder.isEmpty() || !QFileInfo::exists(path))
        return {};
    DailyBarSearch search(path);
    return barsBetween(search, search.count() - count, search.count() - 1);
}

std::optional<QSet<qint32>> storedDays(TDataBase& db, const QString& code, const QList<DailyBar>& bars) {
    QSet<qint32> days;
    if (bars.isEmpty())
        return days;
    if (!db.DBOpened())
        return std::nullopt;
    const auto dayOf = [](qint32 date) { return QDate(date / 10000, date / 100 % 100, date % 100); };
    const std::optional<QList<QDate>> stored =
        stockChangeDays(db, code, dayOf(bars.first().Date), dayOf(bars.last().Date));
    if (!stored)
        return std::nullopt;
    for (const QDate& day : *stored)
        days.insert(yyyymmdd(day));
    return days;
}

}  // namespace quarrow

#include "quotefiles/DailyViewer.h"

#include "quotefiles/DailyBar.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/QuotePaths.h"
#include "store/Money.h"

#include <QFileInfo>

namespace quarrow {

namespace {

// Prices and volumes are whole hundredths, so the money type shows them exactly.
QString hundredths(qint64 value) {
    return Money::fromRaw(value * (Money::kScale / 100)).toString();
}

DailyViewRow makeRow(const DailyBar& bar, qint32 previousClose) {
    DailyViewRow row;
    row.up = bar.Close > previousClose;
    row.bar = bar;
    row.cells << QString::number(bar.Date) + (row.up ? QStringLiteral("↑") : QStringLiteral("↓"))
              << hundredths(bar.Open) << hundredths(bar.High) << hundredths(bar.Low) << hundredths(bar.Close)
              << Money::fromDouble(static_cast<double>(bar.Amount) / 10000.0).toString()
              << hundredths(bar.Volume);
    return row;
}

}  // namespace

QStringList dailyViewTitles() {
    return {QStringLiteral("日期"),      QStringLiteral("开盘价"), QStringLiteral("最高价"),
            QStringLiteral("最低价"),    QStringLiteral("收盘价"), QStringLiteral("成交额(万元)"),
            QStringLiteral("成交量(手)")};
}

std::optional<DailyViewSource> visitDailyRows(const QString& quoteFolder, const QString& prefixedCode,
                                              qint64 days,
                                              const std::function<bool(const DailyViewRow&)>& visit) {
    DailyViewSource source;
    source.path = QuotePaths::dailyBarFile(quoteFolder, prefixedCode);
    if (!QFileInfo::exists(source.path))
        return std::nullopt;

    TFileOP file(source.path, DailyBar::kSize, 'r');
    source.recordCount = file.RecordCount();
    const qint64 rows = (days != 0 && days < source.recordCount) ? days : source.recordCount;
    if (rows <= 0)
        return source;

    DailyBar current;
    file.SeekTo(source.recordCount - 1);
    if (!readDailyBar(file, current))
        return source;
    for (qint64 i = 0; i < rows; ++i) {
        const qint64 index = source.recordCount - 1 - i;
        DailyBar previous;
        bool hasPrevious = false;
        if (index > 0) {
            file.SeekTo(index - 1);
            hasPrevious = readDailyBar(file, previous);
        }
        if (!visit(makeRow(current, hasPrevious ? previous.Close : current.Open)) || !hasPrevious)
            break;
        current = previous;
    }
    return source;
}

std::optional<DailyView> loadDailyRows(const QString& quoteFolder, const QString& prefixedCode, qint64 days) {
    DailyView view;
    const auto source = visitDailyRows(quoteFolder, prefixedCode, days, [&](const DailyViewRow& row) {
        view.rows.append(row);
        return true;
    });
    if (!source)
        return std::nullopt;
    view.path = source->path;
    view.recordCount = source->recordCount;
    return view;
}

}  // namespace quarrow

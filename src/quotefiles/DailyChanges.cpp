#include "quotefiles/DailyChanges.h"

#include "quotefiles/DailyBar.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/QuotePaths.h"

#include <algorithm>

namespace quarrow {

qint64 divideRoundHalfEven(qint64 a, qint64 b) {
    if (b < 0) {
        a = -a;
        b = -b;
    }
    qint64 quotient = a / b;
    const qint64 remainder = a % b;
    const qint64 twice = 2 * (remainder < 0 ? -remainder : remainder);
    const qint64 away = remainder < 0 ? -1 : 1;
    if (twice > b || (twice == b && (quotient % 2) != 0))
        quotient += away;
    return quotient;
}

Money percentChange(qint32 close, qint32 base) {
    // Percent with four decimals is the change scaled by 100 × 10,000.
    const qint64 numerator = (static_cast<qint64>(close) - base) * 100 * Money::kScale;
    return Money::fromRaw(divideRoundHalfEven(numerator, base));
}

QString shanghaiIndexCode() {
    return QStringLiteral("sh999998");
}

QString shenzhenIndexCode() {
    return QStringLiteral("sz399107");
}

TStockChange CalcDailysChanges(const QString& quoteFolder, const QString& pStCode, qint64 pDays,
                               bool* fileFound) {
    TStockChange result;
    if (fileFound)
        *fileFound = false;
    if (pDays < 1)
        return result;
    // A missing file leaves the reader closed, and a closed reader reads nothing.
    TFileOP file(QuotePaths::dailyBarFile(quoteFolder, pStCode), DailyBar::kSize, 'r');
    if (fileFound)
        *fileFound = file.Opend();
    const qint64 records = file.RecordCount();
    // A short history starts from its first bar, whose own open is the base of its change;
    // a long one from the bar before the last pDays, which only gives the base.
    const bool shortHistory = records <= pDays;
    const qint64 first = shortHistory ? 0 : records - pDays - 1;
    result.StDays = static_cast<qint32>(shortHistory ? records : pDays);
    bool started = false;
    qint32 base = 0;
    const auto take = [&](const DailyBar& bar) {
        if (!started) {
            started = true;
            if (!shortHistory) {
                base = bar.Close;
                result.StDateLast = bar.Date;
                result.StQTYLast = bar.Volume;
                return;
            }
            if (records > 0)
                base = bar.Open;
        }
        if (base > 0)
            result.StChang = result.StChang + percentChange(bar.Close, base);
        base = bar.Close;
        result.StDateLast = bar.Date;
        result.StQTYLast = bar.Volume;
    };

    // The bars come in reads of up to 256, and the first asks for one bar more than the
    // file had at its open: the read that reaches the end also tells it, so a screening
    // costs one read a file. Bars the quote program appends meanwhile are read too.
    constexpr qint64 kBarsPerRead = 256;
    char bytes[kBarsPerRead * DailyBar::kSize];
    file.SeekTo(first);
    qint64 ask = std::min(kBarsPerRead, records - first + 1);
    for (;;) {
        const qint64 got = file.ReadRecords(bytes, ask);
        for (qint64 i = 0; i < got; ++i)
            take(DailyBar::fromBytes(bytes + i * DailyBar::kSize));
        if (got < ask)
            break;
        ask = kBarsPerRead;
    }
    return result;
}

IndexSummaries IndexSummaries::compute(const QString& quoteFolder, qint64 days) {
    IndexSummaries summaries;
    summaries.shanghai = CalcDailysChanges(quoteFolder, shanghaiIndexCode(), days);
    summaries.shenzhen = CalcDailysChanges(quoteFolder, shenzhenIndexCode(), days);
    return summaries;
}

bool IndexSummaries::isShenzhen(const QString& prefixedCode) const {
    return QuotePaths::marketOf(prefixedCode) == QLatin1String("sz");
}

const TStockChange& IndexSummaries::forStock(const QString& prefixedCode) const {
    return isShenzhen(prefixedCode) ? shenzhen : shanghai;
}

}  // namespace quarrow

#pragma once

#include "store/Money.h"

#include <QString>

namespace quarrow {

// The screening's measure of one series: the sum of its last daily percentage changes.
// All zero when nothing was read.
struct TStockChange {
    qint32 StDays = 0;      // daily changes summed
    Money StChang;          // their sum, in percent, four decimals
    qint32 StDateLast = 0;  // YYYYMMDD of the last bar read
    qint32 StQTYLast = 0;   // volume (shares) of the last bar read

    friend bool operator==(const TStockChange&, const TStockChange&) = default;
};

// The two index series every stock is compared with.
QString shanghaiIndexCode();  // sh999998
QString shenzhenIndexCode();  // sz399107

// Sums the close-to-close changes of the last pDays bars of pStCode's daily-bar file (a
// short history starts from its first bar's open). Each change is rounded to four
// decimals, ties to even, before it is added, so the sum does not depend on float error.
// A missing file or pDays < 1 gives zeros; *fileFound tells a missing file apart. Throws
// RecordFileError when the file cannot be read.
TStockChange CalcDailysChanges(const QString& quoteFolder, const QString& pStCode, qint64 pDays,
                               bool* fileFound = nullptr);

// (close − base) / base × 100, as a four-decimal fixed point rounded half to even.
Money percentChange(qint32 close, qint32 base);

// a / b rounded to the nearest integer, ties to even; b must not be 0.
qint64 divideRoundHalfEven(qint64 a, qint64 b);

// The index summaries, computed once per run with the run's day count.
struct IndexSummaries {
    TStockChange shanghai;
    TStockChange shenzhen;

    static IndexSummaries compute(const QString& quoteFolder, qint64 days);
    bool isShenzhen(const QString& prefixedCode) const;
    // "sz" takes the Shenzhen summary, any other market the Shanghai one.
    const TStockChange& forStock(const QString& prefixedCode) const;
};

}  // namespace quarrow

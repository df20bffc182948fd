#pragma once

#include "app/AppFrame.h"
#include "quotefiles/DailyChanges.h"

namespace quarrow {

class TDataBase;

enum class ScreenMeasure { Deviation, Turnover };

struct ScreenResult {
    bool picked = false;
    bool stale = false;  // the stock's last day differs from its index's; not compared
    ScreenMeasure measure = ScreenMeasure::Deviation;
    Money value;  // the deviation or the turnover rate, in percent
    TStockChange stock;
};

// The pre-selection of a mining run: a stock is picked when its summed change deviates
// from its index's by at least the threshold or, failing that, when its last day's
// turnover reaches it. Picked and stale stocks are written to the log.
class StockScreener {
public:
    // db may be null or closed: then the deviation alone decides.
    StockScreener(QString quoteFolder, TDataBase* db, AppFrame& frame);

    // The caller has checked that the daily-bar file exists and that thresholdPercent > 0.
    // Throws RecordFileError when a file cannot be read.
    ScreenResult ScreenStock(const QString& prefixedCode, const QString& name, qint64 days,
                             int thresholdPercent, const IndexSummaries& indexes);

private:
    // Turnover in percent of the tradable A shares, or nothing when the stock has no row.
    std::optional<Money> turnover(const QString& code, qint32 lastVolume);

    QString m_quoteFolder;
    TDataBase* m_db;
    AppFrame& m_frame;
};

}  // namespace quarrow

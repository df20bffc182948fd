#pragma once

#include "app/AppFrame.h"
#include "quotefiles/DailyChanges.h"

#include <QHash>

#include <optional>

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

    // ScreenStock in two halves, for a caller that logs between them: the stock's summed
    // changes, nothing when it has no daily-bar file (its existence asked with its open, not
    // a look of its own); then the verdict, logged as ScreenStock logs it.
    std::optional<TStockChange> readStock(const QString& prefixedCode, qint64 days);
    ScreenResult judgeStock(const QString& prefixedCode, const QString& name, const TStockChange& stock,
                            int thresholdPercent, const IndexSummaries& indexes);

    // The tradable A shares of one stock, in 10,000 shares: nothing when it has no row; 0
    // for none stored. All stocks' come in one statement, at the first question.
    // Without a database: nothing.
    std::optional<double> tradableSharesOf(const QString& code);

private:
    // Turnover in percent of the tradable A shares, or nothing when the stock has no row.
    std::optional<Money> turnover(const QString& code, qint32 lastVolume);
    // The tradable A shares of one stock: nothing when it has no row; 0 for none stored.
    std::optional<double> tradableShares(const QString& code);

    QString m_quoteFolder;
    TDataBase* m_db;
    AppFrame& m_frame;
    // Every stock's tradable A shares, read in one statement at the first turnover this
    // screener needs: a statement per stock cost five times the stock's own reading. Only
    // the share-capital import writes them, and it does not run during a screening.
    std::optional<QHash<QString, double>> m_shares;
    bool m_sharesUnreadable = false;  // the one statement failed: each stock asks on its own
};

}  // namespace quarrow

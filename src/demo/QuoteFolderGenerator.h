#pragma once

#include "quotefiles/StockList.h"
#include "store/Money.h"

#include <QDate>
#include <QList>
#include <QString>

namespace quarrow {

// What a generated stock is there to show.
enum class QuoteStockRole {
    Ordinary,      // small daily moves, low turnover
    Surge,         // limit-up on each of the last three days
    Plunge,        // −8 % on each of the last three days
    HighTurnover,  // ordinary prices, a quarter of its tradable shares traded on the last day
    Suspended,     // last bar unchanged with no volume
    NewlyListed,   // only two bars
    Stale,         // its last bar is one trading day older than the index's
    NoDailyFile,   // in the name table and base.dbf, but no daily-bar file
};

struct GeneratedQuoteStock {
    QString key;  // prefixed code
    QString name;
    QuoteStockRole role = QuoteStockRole::Ordinary;
    Money totalShares;     // 10,000 shares
    Money tradableShares;  // 10,000 shares
    QDate listed;
};

struct QuoteFolderOptions {
    int stockCount = 300;  // 1 … 10,000
    int barCount = 750;    // bars of an ordinary stock and of the indexes, ≥ 5
    quint32 seed = 20170316;
    QDate lastDay = QDate(2017, 3, 16);  // the newest trading day (moved back off a weekend)
};

struct GeneratedQuoteFolder {
    QList<GeneratedQuoteStock> stocks;  // Shenzhen first, then Shanghai, as the name tables list them
    QList<QDate> tradingDays;           // oldest first; the last one is the indexes' last bar
    int extraBaseRecords = 0;           // base.dbf records of stocks the name tables do not list
};

// The index-th (from 0) of count generated stocks: the first half in Shenzhen (sz000001,
// sz000004, …), the rest in Shanghai (sh600000, sh600002, …, then the odd codes once the
// even ones leave the market's range). The saved-document corpus takes the same stocks
// for the same count, so a demo's documents are all on its quote folder's stock list.
StockEntry generatedStockEntry(int index, int count);

// A folder laid out like the quote program's installation: daily bars for every stock and
// the two indexes, the two name tables and base.dbf. The same options always give the
// same bytes.
class QuoteFolderGenerator {
public:
    explicit QuoteFolderGenerator(QuoteFolderOptions options);

    // The stocks and days without writing anything.
    GeneratedQuoteFolder plan() const;
    // Writes the folder (creating it); false with the reason in *error.
    bool write(const QString& quoteFolder, QString* error = nullptr) const;

private:
    QuoteFolderOptions m_options;
};

}  // namespace quarrow

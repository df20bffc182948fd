#pragma once

#include "demo/ReportGenerator.h"
#include "quotefiles/StockList.h"
#include "store/Money.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

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
    // The simulated quote program shows its dragon-tiger page; without one it shows the
    // general information page.
    bool hasReportPage = true;
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
// the two indexes, the two name tables and base.dbf; for the simulated quote program a
// placeholder "TdxW.exe", the stocks' names (sim/names.txt), a day of main-force monitor
// alerts (sim/monitor.txt) and their dragon-tiger pages
// (sim/pages/<code>.txt, GBK or UTF-8 as the program's copy may be). The same options
// always give the same bytes.
class QuoteFolderGenerator {
public:
    explicit QuoteFolderGenerator(QuoteFolderOptions options);

    // The stocks and days without writing anything.
    GeneratedQuoteFolder plan() const;
    // Writes the folder (creating it); false with the reason in *error.
    bool write(const QString& quoteFolder, QString* error = nullptr) const;
    // The report on a stock's page, its anomaly days among the stock's own bars and fitting
    // its role (a surge's last three days rose); nothing for a stock without a page.
    std::optional<GeneratedReport> reportPage(const GeneratedQuoteFolder& folder,
                                              const GeneratedQuoteStock& stock) const;

private:
    bool writeSimulatedProgram(const QString& quoteFolder, const GeneratedQuoteFolder& folder,
                               QString* error) const;
    QByteArray monitorFeed(const GeneratedQuoteFolder& folder) const;

    QuoteFolderOptions m_options;
};

}  // namespace quarrow

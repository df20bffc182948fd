#pragma once

#include "report/ExtractionTypes.h"

namespace quarrow {

class ReportParser;

// What one extraction found, for the callers that go on with it.
struct ExtractionResult {
    bool ran = false;               // the code was valid and the report was looked at
    bool noNetwork = false;         // the button found no network: nothing was looked at
    bool reportRecognised = false;  // the code (with a date) stood in the report's first lines
    bool documentWritten = false;
    // The report could not be kept as a document. When the stock's folder could not be made
    // nothing was stored; when only the document could not be written (a full disk, no
    // permission) the report is still parsed and stored. Either way the caller that wanted
    // the document must know: for the mining run the stock is not captured.
    QString documentError;
    QString reportDate;  // the date on the report's code line
    // Anomaly days and block trades the report holds with their days, stored or not: a
    // report with neither holds no data.
    int daysRead = 0;
    int tradesRead = 0;
    bool holdsData() const { return daysRead > 0 || tradesRead > 0; }
    // The database refused the stock (locked, full, an I/O error): nothing of it was
    // stored and the counters do not count it. A batch stops here; a command fails.
    bool storeFailed = false;
    QString storeError;
};

// Takes one stock's dragon-tiger report (one string per text line), checks that it is
// that stock's, keeps it as a document when the caller wants one, keeps the stock's
// bookkeeping dates, and runs the parser over the anomaly days and the block trades.
// One stock is one transaction: a crash never leaves half a day stored.
class StockExtraction {
public:
    StockExtraction(ExtractionServices& services, ExtractionAccount& account);

    // options.code is trimmed in place, as the code edit is.
    ExtractionResult run(const QStringList& memo, ExtractionOptions& options, ExtractionCaller caller);

private:
    bool saveDocument(const QStringList& memo, const ExtractionOptions& options, ExtractionCaller caller,
                      const QString& reportDate, QString* documentError, QDate* documentDate);
    void archive(const QString& stockFolder, const QString& code, const QString& documentPath,
                 const QString& rarFolder);
    void recordDocumentDate(ReportParser& parser, const ExtractionOptions& options,
                            const QDate& documentDate);
    enum class DayCheck { Go, AlreadyStored, Failed };
    DayCheck checkLastDate(ReportParser& parser, const ExtractionOptions& options, const QDate& documentDate,
                           const QDate& changeDate);
    // The days whose date line read.
    int parseAnomalyDays(ReportParser& parser, const ExtractionOptions& options, const QDate& documentDate);
    void showCounters();

    ExtractionServices& m_services;
    ExtractionAccount& m_account;
};

}  // namespace quarrow

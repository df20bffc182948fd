#pragma once

#include "demo/ReportGenerator.h"

#include <QDate>
#include <QList>
#include <QString>

namespace quarrow {

class ProgramFolder;

struct DemoCorpusOptions {
    int stocks = 300;
    int documentsPerStock = 3;
    quint32 seed = 20170316;
    QDate newestDate = QDate(2017, 3, 16);  // the latest report date of the corpus
};

struct DemoCorpusStock {
    GeneratedStock stock;
    QList<QDate> documentDates;  // oldest first
};

// Writes the saved documents of a program folder as years of mining would have left
// them: a folder per stock with several reports on different days, each later report
// repeating the anomaly days and block trades of the earlier ones, as the quote
// program's page does, and the hand-kept code table "STCodeName.txt" of those stocks
// when the folder has none. The stocks are those of a generated quote folder of the
// same size. The same seed always gives the same files.
class DemoCorpus {
public:
    explicit DemoCorpus(DemoCorpusOptions options) : m_options(options) {}

    // The documents of one stock, oldest first (deterministic for the seed and position).
    static QList<GeneratedReport> stockDocuments(ReportGenerator& generator, const GeneratedStock& stock,
                                                 const QDate& newest, int documents, int extraDays,
                                                 int bigTrades);

    // False with a reason when a folder or file cannot be written.
    bool write(const ProgramFolder& folder, QList<DemoCorpusStock>* written, QString* error) const;

private:
    DemoCorpusOptions m_options;
};

}  // namespace quarrow

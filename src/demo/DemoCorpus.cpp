#include "demo/DemoCorpus.h"

#include "app/ProgramFolder.h"
#include "app/SafeFile.h"
#include "app/TextCodec.h"
#include "demo/QuoteFolderGenerator.h"
#include "quotefiles/StockListLoader.h"
#include "report/ReportDocuments.h"
#include "report/ReportMarkers.h"

#include <QDir>
#include <QFileInfo>

#include <random>

namespace quarrow {

namespace {

QDate tradingDaysBefore(QDate day, int steps) {
    while (steps > 0) {
        day = day.addDays(-1);
        if (day.dayOfWeek() <= 5)
            --steps;
    }
    return day;
}

// The same report as the page showed it on an earlier day: the anomaly days up to that
// day, the block trades up to that day, and that day as the update date.
GeneratedReport reportAsOf(const GeneratedReport& full, int firstDay) {
    using namespace ReportMarkers;
    GeneratedReport report = full;
    const QDate day = full.anomalyDays.at(firstDay);
    const QString dayText = day.toString(QStringLiteral("yyyy-MM-dd"));
    report.reportDate = day;
    report.anomalyDays = full.anomalyDays.mid(firstDay);
    report.lines.clear();

    int dayBlock = -1;
    bool inTrades = false;
    bool keepTradeRow = true;
    for (int i = 0; i < full.lines.size(); ++i) {
        QString line = full.lines.at(i);
        if (i == 0) {
            line.replace(full.reportDate.toString(QStringLiteral("yyyy-MM-dd")), dayText);
        } else if (line.contains(kTradingDate)) {
            ++dayBlock;
        } else if (line.contains(kBigTradeSection)) {
            inTrades = true;
            dayBlock = -1;
        }
        if (dayBlock >= 0 && dayBlock < firstDay)
            continue;
        if (inTrades && line.startsWith(QStringLiteral("｜"))) {
            const auto date = datePattern().match(line);
            if (date.hasMatch() && date.capturedStart() <= 2)
                keepTradeRow = QDate::fromString(date.captured(0), QStringLiteral("yyyy-MM-dd")) <= day;
            else if (!line.startsWith(QStringLiteral("｜｜")))
                keepTradeRow = true;  // the table's title row
            if (!keepTradeRow)
                continue;
        }
        report.lines << line;
    }
    return report;
}

// The documents as the extraction writes them (GBK, Windows line ends), but without
// waiting for the disk after each: a generated corpus is made again in seconds, and
// tens of thousands of synchronised writes would take minutes.
bool writeGenerated(const QString& path, const QStringList& lines, QString* error) {
    const QByteArray bytes =
        TextCodec::encodeGbk(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    return SafeFile::replace(path, bytes, error, SafeFile::Durability::Unsynced);
}

// The stocks of a generated quote folder of the same size, so that a demo's corpus is on
// its stock list.
QList<GeneratedStock> corpusStocks(int count) {
    QList<GeneratedStock> stocks;
    stocks.reserve(count);
    for (int i = 0; i < count; ++i) {
        const StockEntry entry = generatedStockEntry(i, count);
        stocks.append({entry.key.right(6), entry.name});
    }
    return stocks;
}

// The hand-kept code table of the corpus's stocks, so that the corpus re-analyses without
// a quote program. A table already there is the user's own and stays as it is.
bool writeStockTable(const ProgramFolder& folder, int count, QString* error) {
    const QString path = folder.filePath(handKeptTableName());
    if (QFileInfo::exists(path))
        return true;
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines << handKeptLine(generatedStockEntry(i, count));
    QString reason;
    if (writeHandKeptTable(path, lines, &reason))
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

}  // namespace

QList<GeneratedReport> DemoCorpus::stockDocuments(ReportGenerator& generator, const GeneratedStock& stock,
                                                  const QDate& newest, int documents, int extraDays,
                                                  int bigTrades) {
    const GeneratedReport full = generator.generate(stock, newest, documents + extraDays, bigTrades);
    QList<GeneratedReport> reports;
    for (int k = documents - 1; k >= 0; --k)
        reports << reportAsOf(full, k);
    return reports;
}

bool DemoCorpus::write(const ProgramFolder& folder, QList<DemoCorpusStock>* written, QString* error) const {
    ReportGenerator generator(m_options.seed);
    std::mt19937 random(m_options.seed ^ 0x5bd1e995u);
    auto uniform = [&random](int low, int high) {
        return low + static_cast<int>(random() % static_cast<quint32>(high - low + 1));
    };
    for (const GeneratedStock& stock : corpusStocks(m_options.stocks)) {
        // Stocks were last on the list on different days.
        const QDate newest = tradingDaysBefore(m_options.newestDate, uniform(0, 15));
        const QList<GeneratedReport> reports = stockDocuments(
            generator, stock, newest, m_options.documentsPerStock, uniform(0, 2), uniform(2, 6));
        const QString stockFolder = folder.stockFolder(stock.code);
        if (!QDir().mkpath(stockFolder)) {
            if (error)
                *error = QStringLiteral("cannot create %1").arg(QDir::toNativeSeparators(stockFolder));
            return false;
        }
        DemoCorpusStock entry{stock, {}};
        for (const GeneratedReport& report : reports) {
            const QString reportDate = report.reportDate.toString(QStringLiteral("yyyy-MM-dd"));
            const QString path =
                QDir(stockFolder).filePath(ReportDocuments::documentName(stock.code, reportDate));
            QString reason;
            if (!writeGenerated(path, report.lines, &reason)) {
                if (error)
                    *error =
                        QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason);
                return false;
            }
            entry.documentDates << report.reportDate;
        }
        if (written)
            written->append(entry);
    }
    return writeStockTable(folder, m_options.stocks, error);
}

}  // namespace quarrow

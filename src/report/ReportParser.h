#pragma once

#include "report/ExtractionTypes.h"
#include "store/ReportRows.h"

#include <QList>

namespace quarrow {

// One row already handled in the current table: a department listed among both the top
// buyers and the top sellers appears twice with the same figures and is stored once.
struct TStockSaleBuy {
    QString StCode;
    QDate StDate;
    QString StDept;
    Money StBuy;
    Money StSale;
    Money StRate;

    bool operator==(const TStockSaleBuy&) const = default;
};

// The steps that turn a dragon-tiger report (one string per text line) into stored rows
// and coloured log lines. They share one line cursor, which the extraction run drives:
// anomaly day, then its two department tables, and at the end the block trades.
class ReportParser {
public:
    static constexpr int kHandledCapacity = 15;

    enum class ChangeOutcome {
        Stored,     // the anomaly row went in: read its department tables
        Skipped,    // the database is closed: nothing stored, departments are still read
        Dropped,    // below the percent threshold: nothing stored, the anomaly loop ends
        Duplicate,  // already stored: the anomaly loop ends
        Failed,     // the database refused the row: the stock is rolled back
    };

    ReportParser(ExtractionServices& services, ExtractionAccount& account, const ExtractionOptions& options,
                 const QStringList& memo);

    int cursor() const { return m_cursor; }
    void setCursor(int line) { m_cursor = line; }
    int bigTradeStart() const { return m_bigTradeStart; }
    void setBigTradeStart(int line) { m_bigTradeStart = line; }
    int lineCount() const { return static_cast<int>(m_memo.size()); }
    const QString& line(int index) const { return m_memo.at(index); }

    // ParseChangeBlock, first half, with the cursor on a "【交易日期】" line: reads the
    // day, its description and its figures line. False when the line carries no date.
    // Leaves the cursor three lines below the date line.
    bool beginChangeBlock();
    // ParseChangeBlock, second half: figures, threshold, the anomaly row.
    ChangeOutcome finishChangeBlock();
    QDate changeDate() const { return m_account.changeDate; }

    // Reads the table under the given heading, searching from the cursor. True when at
    // least one table line with four or more fields was read.
    bool ParseDeptSection(const QString& heading);
    void resetHandled() { m_handled.clear(); }

    // Searches from the block-trade start index for the block-trade table and stores it.
    void ParseBigTrades();
    // Block trades with a day read from the report, stored or not.
    int tradesRead() const { return m_tradesRead; }

    // A statement of this stock failed for another reason than a repeated key (a full
    // disk, a lock, an I/O error): nothing more is stored and the stock is rolled back.
    // Every step returns at once once this is set.
    bool storageFailed() const { return m_storageFailed; }
    QString storageError() const { return m_storageError; }
    void noteStorageFailure(const QString& error);

private:
    // What became of a row offered to the database.
    enum class Offer { Stored, Repeated, Failed };
    // What one insert of this stock came to. A repeated key means the row is there
    // already; any other failure is noted as the stock's storage failure.
    Offer offer(const StoreWrite& write);

    struct Figures {
        Money rate;
        Money volume;
        Money amount;
    };
    static Figures readFigures(const QString& text);
    static Money readAmount(const QString& text);

    bool isHandled(const TStockSaleBuy& row) const { return m_handled.contains(row); }
    void remember(const TStockSaleBuy& row);
    void storeDepartment(qint32 key, const QString& name);
    void raiseBigLast(const QDate& day);
    void log(const QString& text, LogColor color) { m_services.frame.addLog(text, color); }
    QString duplicateMessage() const;

    ExtractionServices& m_services;
    ExtractionAccount& m_account;
    const ExtractionOptions& m_options;
    const QStringList& m_memo;

    int m_cursor = 0;
    int m_bigTradeStart = 0;

    // The anomaly day under way.
    QString m_dateText;
    QDate m_rowDay;  // the day the department rows are stored under
    QString m_description;
    QString m_figuresText;
    bool m_turnover = false;
    Figures m_figures;  // read once from the figures text: rate, volume, amount

    QList<TStockSaleBuy> m_handled;
    int m_tradesRead = 0;

    bool m_storageFailed = false;
    QString m_storageError;
};

}  // namespace quarrow

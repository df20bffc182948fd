#pragma once

#include "app/AppFrame.h"
#include "quotefiles/StockList.h"

#include <QStringList>

#include <functional>

namespace quarrow {

// Codes the list accepts, by market, bounds included.
struct CodeRange {
    int low = 0;
    int high = 0;
    bool contains(int code) const { return code >= low && code <= high; }

    static CodeRange shenzhen() { return {1, 390000}; }
    static CodeRange shanghai() { return {600000, 610000}; }
};

// One record of the quote program's name table (*.tnf), the fields we read.
struct NameTableRecord {
    QString code;
    QString name;
    qint32 type = 0;  // offset 72: only 2 is a listed security
    qint16 flag = 0;  // offset 272: 0 for indexes and the like
};

// Reads the 314-byte records after the 50-byte header; a partial last record is ignored.
// Throws RecordFileError when the file cannot be read.
QList<NameTableRecord> readNameTable(const QString& path);

// The line "market|name|code" of the hand-kept table for each "name(code)" of a stock list
// page copied from the broker's web site, under its headings "上海股票" and "深圳股票".
QStringList composeHandKeptLines(const QStringList& pastedLines);

enum class HandKeptSave { Cancelled, Saved, Failed };

// Builds and fills the all-stocks list; the status panel shows its size afterwards.
class StockListLoader {
public:
    explicit StockListLoader(AppFrame& frame);

    // From the name tables szm.tnf then shm.tnf. A missing table is reported and skipped.
    void loadFromNameTables(const QString& quoteFolder, StockList& list);
    // From the hand-kept table "STCodeName.txt" (lines "sz|深发展A|000001"). A line whose
    // code is not a number is reported with its line number and skipped.
    void loadHandKept(const QString& handKeptFile, StockList& list);
    // What start-up does: the name tables, else the hand-kept table.
    void loadAtStartUp(const QString& quoteFolder, const QString& handKeptFile, StockList& list);

    // Asks the user to paste the web page, composes the table lines into *composed, asks
    // to check them, and on OK replaces handKeptFile with them. showComposed, when given,
    // puts the lines before the user's eyes ahead of that check.
    HandKeptSave saveHandKeptFromWebText(const QStringList& pastedLines, const QString& handKeptFile,
                                         QStringList* composed,
                                         const std::function<void(const QStringList&)>& showComposed = {});

private:
    void finishLoad(StockList& list);

    AppFrame& m_frame;
};

// The hand-kept table's file name, kept in the program folder.
QString handKeptTableName();

// Its line for one stock of the list: "sz|深发展A|000001" for sz000001.
QString handKeptLine(const StockEntry& stock);
// Replaces the hand-kept table with these lines, written the way its users keep it (GBK,
// Windows line ends) and in one step, so a failed write leaves the old table; false with
// the reason in *error.
bool writeHandKeptTable(const QString& handKeptFile, const QStringList& lines, QString* error);

}  // namespace quarrow

#pragma once

#include "app/JobOutcome.h"
#include "app/ProgramFolder.h"
#include "report/StockFolderList.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quarrow {

class AppFrame;
class RunControl;
class TDataBase;

enum class CleanupMode { Delete, DryRun };

// Failed when a document could not be deleted, a folder not read, or the stored document
// days not read (the walk ended there).
struct DocumentCleanupOutcome : JobOutcome {
    QStringList deleted;    // the documents deleted (or, in a dry run, those that would be)
    QStringList undeleted;  // older documents the system refused to delete
    QStringList unlisted;   // stock folders that could not be read
    QString error;          // the database could not be read: the walk ended there
};

// The clean-up of btnDelete: for each stock of the list, the saved report documents
// older than the stock's newest one (tblStocks.StDocDate) are deleted, so that the
// newest, and anything written after it, is all that is kept. Only files named as the
// program names its documents ("<code>-<yyyy-mm-dd>变动资料.txt", with the stock's own
// code) are ever deleted; a stock without a stored document date keeps everything.
class DocumentCleanup {
public:
    DocumentCleanup(TDataBase& db, ProgramFolder folder, AppFrame& frame, RunControl& run);

    // Walks the list as one run: stoppable between stocks, the progress box moving with
    // them, each deletion named in the status bar's message panel and the count at the end.
    // Under the lease the job runner took for it.
    DocumentCleanupOutcome run(const RunLease& lease, const QList<StockRow>& rows,
                               CleanupMode mode = CleanupMode::Delete);

    // The day of a document of the stock named as the program names them; an invalid date
    // for any other file.
    static QDate documentDay(const QString& fileName, const QString& code);

private:
    // The stock's StDocDate: an invalid date when it has none; nothing when the database
    // could not be read.
    std::optional<QDate> storedDocumentDay(const QString& code, QString* error);

    TDataBase& m_db;
    ProgramFolder m_folder;
    AppFrame& m_frame;
    RunControl& m_run;
};

// The message panel's texts.
QString cleanupFileMessage(const QString& path);
QString cleanupTotalMessage(int deleted);

}  // namespace quarrow

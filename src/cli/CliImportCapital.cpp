#include "cli/CliQuoteSupport.h"

#include "quotefiles/ShareCapital.h"
#include "store/DataBase.h"

namespace quarrow {

// quarrow-cli import-capital: base.dbf's share capital into tblStocks; prints the log lines.
int runImportCapital(CliContext& context, const QStringList& arguments) {
    TDataBase db(context.home.databaseFile());
    return runWithStockList(context, arguments, [&](const QString& quoteFolder, StockList& list) {
        if (!openDatabaseOrReport(db))
            return int(kExitFailure);
        ShareCapital capital(&db, context.frame, context.clock);
        const CapitalImportResult result = capital.importShareCapital(quoteFolder, list);
        if (!result.fileRead)
            return int(kExitFailure);
        if (result.storeFailed) {
            printError(QStringLiteral("the share capital was not stored (the database is unchanged): ") +
                       result.storeError);
            return int(kExitFailure);
        }
        QString text;
        for (const QString& line : result.memo)
            text += line + QLatin1Char('\n');
        text += QStringLiteral("%1 records read, %2 stocks added, %3 changed\n")
                    .arg(result.recordsRead)
                    .arg(result.inserted)
                    .arg(result.changed);
        printOut(text);
        return int(kExitOk);
    });
}

}  // namespace quarrow

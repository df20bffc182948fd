#include "cli/CliQuoteSupport.h"

#include "quotefiles/ShareCapital.h"
#include "store/DataBase.h"

namespace quarrow {

// quarrow-cli refresh-names: stores the list's names where tblStocks holds others.
int runRefreshNames(CliContext& context, const QStringList& arguments) {
    TDataBase db(context.home.databaseFile());
    return runWithStockList(context, arguments, [&](const QString&, StockList& list) {
        if (!openDatabaseOrReport(db))
            return int(kExitFailure);
        ShareCapital capital(&db, context.frame, context.clock);
        QString storeError;
        const QStringList changed = capital.refreshNames(list, &storeError);
        if (!storeError.isEmpty()) {
            printError(QStringLiteral("the names were not stored (the database is unchanged): ") +
                       storeError);
            return int(kExitFailure);
        }
        QString text;
        for (const QString& line : changed)
            text += line + QLatin1Char('\n');
        text += QStringLiteral("%1 names changed\n").arg(changed.size());
        printOut(text);
        return int(kExitOk);
    });
}

}  // namespace quarrow

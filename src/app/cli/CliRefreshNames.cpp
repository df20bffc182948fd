#include "app/cli/CliQuoteSupport.h"

#include "quotefiles/ShareCapital.h"
#include "store/DataBase.h"

namespace quarrow {

// quarrow-cli refresh-names: stores the list's names where tblStocks holds others.
int runRefreshNames(CliContext& context, const QStringList& arguments) {
    QCommandLineParser parser;
    if (!parseCommandLine(parser, arguments, ""))
        return kExitUsage;
    const auto quoteFolder = cliQuoteFolder(context);
    if (!quoteFolder)
        return kExitUsage;
    TDataBase db(context.home.databaseFile());
    if (!db.open()) {
        printError(QStringLiteral("cannot open the database %1: %2").arg(db.fileName(), db.openError()));
        return kExitFailure;
    }
    return runReadingQuoteFiles([&] {
        StockList list;
        loadStartUpStockList(context, *quoteFolder, list);
        ShareCapital capital(&db, context.frame, context.clock);
        const QStringList changed = capital.refreshNames(list);
        QString text;
        for (const QString& line : changed)
            text += line + QLatin1Char('\n');
        text += QStringLiteral("%1 names changed\n").arg(changed.size());
        printOut(text);
        return int(kExitOk);
    });
}

}  // namespace quarrow

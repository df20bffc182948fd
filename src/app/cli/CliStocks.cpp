#include "app/cli/CliQuoteSupport.h"

namespace quarrow {

// quarrow-cli stocks: the all-stocks list, one "prefixed code<TAB>name" line per stock.
int runStocks(CliContext& context, const QStringList& arguments) {
    QCommandLineParser parser;
    if (!parseCommandLine(parser, arguments, ""))
        return kExitUsage;
    const auto quoteFolder = cliQuoteFolder(context);
    if (!quoteFolder)
        return kExitUsage;
    return runReadingQuoteFiles([&] {
        StockList list;
        loadStartUpStockList(context, *quoteFolder, list);
        if (list.isEmpty()) {
            printError(QStringLiteral(
                "no stocks: neither the quote program's name tables nor the hand-kept table list any"));
            return int(kExitFailure);
        }
        QString text;
        for (const StockEntry& entry : list.entries())
            text += entry.key + QLatin1Char('\t') + entry.name + QLatin1Char('\n');
        printOut(text);
        return int(kExitOk);
    });
}

}  // namespace quarrow

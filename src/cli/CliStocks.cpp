#include "cli/CliQuoteSupport.h"

namespace quarrow {

// quarrow-cli stocks: the all-stocks list, one "prefixed code<TAB>name" line per stock.
int runStocks(CliContext& context, const QStringList& arguments) {
    return runWithStockList(context, arguments, [](const QString&, StockList& list) {
        QString text;
        for (const StockEntry& entry : list.entries())
            text += entry.key + QLatin1Char('\t') + entry.name + QLatin1Char('\n');
        printOut(text);
        return int(kExitOk);
    });
}

}  // namespace quarrow

#include "cli/CliQuoteSupport.h"

#include "quotefiles/QuotePaths.h"
#include "quotefiles/StockScreening.h"
#include "store/DataBase.h"

#include <QFileInfo>

namespace quarrow {

namespace {
// Far more trading days than any quote folder holds.
constexpr int kMaxScreenDays = 100000;
}  // namespace

// quarrow-cli screen: the mining run's pre-selection over the whole list (or the given
// stocks), printing its log lines and then "picked P of S".
int runScreen(CliContext& context, const QStringList& arguments) {
    static const char* synopsis = "[--days N] [--percent T] [PREFIXEDCODE...]";
    QCommandLineParser parser;
    const QCommandLineOption daysOption(QStringLiteral("days"), QStringLiteral("Trading days summed."),
                                        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption percentOption(QStringLiteral("percent"), QStringLiteral("Threshold in percent."),
                                           QStringLiteral("T"), QStringLiteral("20"));
    parser.addOptions({daysOption, percentOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    const std::optional<int> days = wholeNumberOption(parser, daysOption, 1, kMaxScreenDays);
    if (!days)
        return kExitUsage;
    const std::optional<int> percent = wholeNumberOption(parser, percentOption, 1, 1000);
    if (!percent)
        return kExitUsage;
    const QStringList given = parser.positionalArguments();
    for (const QString& code : given) {
        if (!isPrefixedCode(code)) {
            printError(
                QStringLiteral("'%1' is not a prefixed stock code such as sh600000 or sz000001").arg(code));
            return kExitUsage;
        }
    }
    const auto quoteFolder = cliQuoteFolder(context);
    if (!quoteFolder)
        return kExitUsage;

    // Without the database the turnover cannot be measured; the deviation alone decides.
    TDataBase db(context.home.databaseFile());
    if (!db.open())
        printError(QStringLiteral("the database %1 did not open (%2); screening by price change only")
                       .arg(db.fileName(), db.openError()));

    return runReadingQuoteFiles([&] {
        StockList list;
        loadStartUpStockList(context, *quoteFolder, list);
        QList<StockEntry> stocks;
        if (given.isEmpty()) {
            if (list.isEmpty()) {
                reportNoStocks();
                return int(kExitFailure);
            }
            stocks = list.entries();
        } else {
            for (const QString& code : given)
                stocks.append({code, list.nameOf(code)});
        }
        const IndexSummaries indexes = IndexSummaries::compute(*quoteFolder, *days);
        StockScreener screener(*quoteFolder, &db, context.frame);
        int screened = 0;
        int picked = 0;
        for (const StockEntry& stock : stocks) {
            if (!QFileInfo::exists(QuotePaths::dailyBarFile(*quoteFolder, stock.key)))
                continue;
            ++screened;
            if (screener.ScreenStock(stock.key, stock.name, *days, *percent, indexes).picked)
                ++picked;
        }
        printOut(QStringLiteral("picked %1 of %2\n").arg(picked).arg(screened));
        return int(kExitOk);
    });
}

}  // namespace quarrow

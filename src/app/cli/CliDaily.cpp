#include "app/cli/CliQuoteSupport.h"

#include "quotefiles/DailyViewer.h"

#include <limits>

namespace quarrow {

// quarrow-cli daily: the daily-bar viewer's rows, newest first, cells separated by tabs.
int runDaily(CliContext& context, const QStringList& arguments) {
    static const char* synopsis = "PREFIXEDCODE [--days N]";
    QCommandLineParser parser;
    const QCommandLineOption daysOption(QStringLiteral("days"), QStringLiteral("Days shown; 0 for all."),
                                        QStringLiteral("N"), QStringLiteral("3"));
    parser.addOption(daysOption);
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    const std::optional<int> days = wholeNumberOption(parser, daysOption, 0, std::numeric_limits<int>::max());
    if (!days)
        return kExitUsage;
    const QStringList codes = parser.positionalArguments();
    if (codes.size() != 1 || !isPrefixedCode(codes.first())) {
        printError(QStringLiteral("give one prefixed stock code such as sh600000\n"
                                  "usage: quarrow-cli daily %1")
                       .arg(QString::fromUtf8(synopsis)));
        return kExitUsage;
    }
    const auto quoteFolder = cliQuoteFolder(context);
    if (!quoteFolder)
        return kExitUsage;
    return runReadingQuoteFiles([&] {
        const auto view = loadDailyRows(*quoteFolder, codes.first(), *days);
        if (!view) {
            printError(QStringLiteral("no daily bars for %1 in the quote folder").arg(codes.first()));
            return int(kExitFailure);
        }
        QString text;
        for (const DailyViewRow& row : view->rows)
            text += row.cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
        printOut(text);
        return int(kExitOk);
    });
}

}  // namespace quarrow

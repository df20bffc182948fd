#include "cli/CliQuoteSupport.h"

#include "quotefiles/DailyViewer.h"

#include <cstdio>
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
        // Rows go out in batches as they are read: --days 0 on a file of millions of bars
        // must not hold them all.
        constexpr int kRowsPerBatch = 4096;
        QString text;
        int batched = 0;
        const auto source = visitDailyRows(*quoteFolder, codes.first(), *days, [&](const DailyViewRow& row) {
            text += row.cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
            if (++batched == kRowsPerBatch) {
                printOut(text);
                text.clear();
                batched = 0;
            }
            return !std::ferror(stdout);  // nobody reads the rest: stop reading
        });
        if (!source) {
            printError(QStringLiteral("no daily bars for %1 in the quote folder").arg(codes.first()));
            return int(kExitFailure);
        }
        printOut(text);
        return int(kExitOk);
    });
}

}  // namespace quarrow

#include "cli/CliCommands.h"

#include "demo/QuoteFolderGenerator.h"

namespace quarrow {

// quarrow-cli generate-quote: a demo quote-program folder, the same for the same seed.
int runGenerateQuote(CliContext&, const QStringList& arguments) {
    static const char* synopsis = "--out DIR [--stocks N] [--bars N] [--seed S]";
    QCommandLineParser parser;
    const QuoteFolderOptions defaults;
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Folder."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption stocksOption(QStringLiteral("stocks"), QStringLiteral("Stocks."),
                                          QStringLiteral("N"), QString::number(defaults.stockCount));
    const QCommandLineOption barsOption(QStringLiteral("bars"), QStringLiteral("Bars per stock."),
                                        QStringLiteral("N"), QString::number(defaults.barCount));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed."), QStringLiteral("S"),
                                        QString::number(defaults.seed));
    parser.addOptions({outOption, stocksOption, barsOption, seedOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    QuoteFolderOptions options;
    bool stocksOk = false;
    bool barsOk = false;
    bool seedOk = false;
    options.stockCount = parser.value(stocksOption).toInt(&stocksOk);
    options.barCount = parser.value(barsOption).toInt(&barsOk);
    options.seed = parser.value(seedOption).toUInt(&seedOk);
    if (!parser.isSet(outOption) || !stocksOk || !barsOk || !seedOk || options.stockCount < 1 ||
        options.stockCount > 10000 || options.barCount < 5) {
        printError(QStringLiteral("usage: quarrow-cli generate-quote %1 (1 to 10000 stocks, at least 5 bars)")
                       .arg(QString::fromUtf8(synopsis)));
        return kExitUsage;
    }
    const QString folder = parser.value(outOption);
    QString error;
    if (!QuoteFolderGenerator(options).write(folder, &error)) {
        printError(error);
        return kExitFailure;
    }
    printOut(QStringLiteral("quote folder with %1 stocks of up to %2 bars written to %3\n")
                 .arg(options.stockCount)
                 .arg(options.barCount)
                 .arg(folder));
    return kExitOk;
}

}  // namespace quarrow

#include "cli/CliQuoteSupport.h"

#include "app/Settings.h"

#include "quotefiles/FileOP.h"
#include "quotefiles/StockListLoader.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace quarrow {

std::optional<QString> cliQuoteFolder(const CliContext& context) {
    if (!context.quoteFolderOverride.isEmpty()) {
        if (!QFileInfo(context.quoteFolderOverride).isDir()) {
            printError(QStringLiteral("the quote folder %1 does not exist").arg(context.quoteFolderOverride));
            return std::nullopt;
        }
        return context.quoteFolderOverride;
    }
    // Without --quote, the quote program chosen in the settings file, as the desktop uses it.
    const Settings settings(context.home, context.clock);
    const QString folder = settings.QuoteFolder();
    if (!QFileInfo(folder).isDir()) {
        printError(QStringLiteral(
                       "the quote folder %1 (Folder/%2 in %3) does not exist: give --quote DIR, or set it "
                       "with 'quarrow-cli settings set Folder %2 DIR'")
                       .arg(folder,
                            settings.hualinSelected() ? QStringLiteral("hualin") : QStringLiteral("dongfang"),
                            settings.fileName()));
        return std::nullopt;
    }
    return folder;
}

std::optional<QString> cliQuoteFolderIfAny(const CliContext& context) {
    if (!context.quoteFolderOverride.isEmpty())
        return cliQuoteFolder(context);
    const QString folder = Settings(context.home, context.clock).QuoteFolder();
    return QFileInfo(folder).isDir() ? folder : QString();
}

void loadStartUpStockList(CliContext& context, const QString& quoteFolder, StockList& list) {
    StockListLoader loader(context.frame);
    const QString handKept = context.home.filePath(handKeptTableName());
    if (quoteFolder.isEmpty())
        loader.loadHandKept(handKept, list);  // its tables would only be reported missing
    else
        loader.loadAtStartUp(quoteFolder, handKept, list);
}

int loadStockListOrReport(CliContext& context, const QString& quoteFolder, StockList& list) {
    const int loaded = runReadingQuoteFiles([&] {
        loadStartUpStockList(context, quoteFolder, list);
        return int(kExitOk);
    });
    if (loaded != kExitOk)
        return loaded;
    if (list.isEmpty()) {
        reportNoStocks();
        return kExitFailure;
    }
    return kExitOk;
}

int runWithStockList(CliContext& context, const QStringList& arguments,
                     const std::function<int(const QString& quoteFolder, StockList& list)>& body) {
    QCommandLineParser parser;
    if (!parseCommandLine(parser, arguments, ""))
        return kExitUsage;
    const auto quoteFolder = cliQuoteFolder(context);
    if (!quoteFolder)
        return kExitUsage;
    StockList list;
    if (const int loaded = loadStockListOrReport(context, *quoteFolder, list); loaded != kExitOk)
        return loaded;
    return runReadingQuoteFiles([&] { return body(*quoteFolder, list); });
}

int runReadingQuoteFiles(const std::function<int()>& body) {
    try {
        return body();
    } catch (const RecordFileError& error) {
        printError(error.message());
        return kExitFailure;
    }
}

void reportNoStocks() {
    printError(QStringLiteral(
        "no stocks: neither the quote program's name tables nor the hand-kept table list any"));
}

std::optional<QString> sixDigitCode(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^(?:sh|sz)?(\\d{6})$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1);
}

bool isPrefixedCode(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^(?:sh|sz)\\d{6}$"));
    return pattern.match(text).hasMatch();
}

bool readStockAndDays(const QCommandLineParser& parser, const StockAndDayOptions& options,
                      OperatorQuery& page) {
    page.fromTicked = parser.isSet(options.from);
    page.toTicked = parser.isSet(options.to);
    if (page.fromTicked) {
        const auto day = dayOption(parser, options.from);
        if (!day)
            return false;
        page.from = *day;
    }
    if (page.toTicked) {
        const auto day = dayOption(parser, options.to);
        if (!day)
            return false;
        page.to = *day;
    }
    if (parser.isSet(options.code)) {
        const auto code = sixDigitCode(parser.value(options.code));
        if (!code) {
            printError(QStringLiteral("--code takes a six-digit stock code"));
            return false;
        }
        page.stockGiven = true;
        page.stockCode = *code;
    }
    return true;
}

}  // namespace quarrow

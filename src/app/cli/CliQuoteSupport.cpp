#include "app/cli/CliQuoteSupport.h"

#include "quotefiles/FileOP.h"
#include "quotefiles/StockListLoader.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace quarrow {

std::optional<QString> cliQuoteFolder(const CliContext& context) {
    const QString folder = context.quoteFolderOverride;
    if (folder.isEmpty()) {
        printError(QStringLiteral("no quote folder: give --quote DIR"));
        return std::nullopt;
    }
    if (!QFileInfo(folder).isDir()) {
        printError(QStringLiteral("the quote folder %1 does not exist").arg(folder));
        return std::nullopt;
    }
    return folder;
}

void loadStartUpStockList(CliContext& context, const QString& quoteFolder, StockList& list) {
    StockListLoader loader(context.frame);
    loader.loadAtStartUp(quoteFolder, context.home.filePath(handKeptTableName()), list);
}

int runReadingQuoteFiles(const std::function<int()>& body) {
    try {
        return body();
    } catch (const RecordFileError& error) {
        printError(error.message());
        return kExitFailure;
    }
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

}  // namespace quarrow

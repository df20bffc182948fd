// quarrow-cli stocks, import-capital, refresh-names and capital: the stock master data.

#include "cli/CliCommands.h"
#include "program/ProgramServices.h"
#include "quotefiles/ShareCapital.h"
#include "store/StockTable.h"

namespace quarrow {

namespace {

// The all-stocks list, one "prefixed code<TAB>name" line per stock.
int runStocks(CliCall& call) {
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    QString text;
    for (const StockEntry& entry : call.services().stocks().entries())
        text += entry.key + QLatin1Char('\t') + entry.name + QLatin1Char('\n');
    printOut(text);
    return kExitOk;
}

// base.dbf's share capital into tblStocks; prints the log lines.
int runImportCapital(CliCall& call) {
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    ShareCapital capital(&services.store(), call.frame(), services.clock());
    const CapitalImportResult result = capital.importShareCapital(services.quoteFolder(), services.stocks());
    if (!result.fileRead)
        return kExitFailure;
    if (result.storeFailed) {
        printError(QStringLiteral("the share capital was not stored (the database is unchanged): ") +
                   result.storeError);
        return kExitFailure;
    }
    QString text;
    for (const QString& line : result.memo)
        text += line + QLatin1Char('\n');
    text += QStringLiteral("%1 records read, %2 stocks added, %3 changed\n")
                .arg(result.recordsRead)
                .arg(result.inserted)
                .arg(result.changed);
    printOut(text);
    return kExitOk;
}

// Stores the list's names where tblStocks holds others.
int runRefreshNames(CliCall& call) {
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    ShareCapital capital(&services.store(), call.frame(), services.clock());
    QString storeError;
    const QStringList changed = capital.refreshNames(services.stocks(), &storeError);
    if (!storeError.isEmpty()) {
        printError(QStringLiteral("the names were not stored (the database is unchanged): ") + storeError);
        return kExitFailure;
    }
    QString text;
    for (const QString& line : changed)
        text += line + QLatin1Char('\n');
    text += QStringLiteral("%1 names changed\n").arg(changed.size());
    printOut(text);
    return kExitOk;
}

// The share-capital listing with its column titles.
int runCapital(CliCall& call) {
    const QStringList codes = call.arguments();
    std::optional<QString> code;
    if (codes.size() == 1 && !(code = sixDigitCode(codes.first())))
        return call.usageError(QStringLiteral("give at most one six-digit stock code"));
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    QString error;
    const std::optional<QList<CapitalRow>> rows = shareCapitalRows(call.services().store(), code, &error);
    if (!rows) {
        printError(QStringLiteral("cannot list the share capital: %1").arg(error));
        return kExitFailure;
    }
    QString text = shareCapitalTitles().join(QLatin1Char('\t')) + QLatin1Char('\n');
    const auto figure = [](const std::optional<Money>& value) {
        return value ? value->toString() : QString();
    };
    for (const CapitalRow& row : *rows)
        text += QStringList{row.code,     row.name, row.listed, figure(row.total), figure(row.tradable),
                            row.refreshed}
                    .join(QLatin1Char('\t')) +
                QLatin1Char('\n');
    printOut(text);
    return kExitOk;
}

}  // namespace

const CliCommand& stocksCommand() {
    static const CliCommand command{
        .name = QStringLiteral("stocks"),
        .summary = QStringLiteral(
            "print the all-stocks list (prefixed code, tab, name) as the program loads it at start-up"),
        .needs = kNeedsQuoteFolder | kNeedsStockList,
        .run = &runStocks,
    };
    return command;
}

const CliCommand& importCapitalCommand() {
    static const CliCommand command{
        .name = QStringLiteral("import-capital"),
        .summary = QStringLiteral("store the share capital of the quote program's base.dbf in the database"),
        .needs = kNeedsQuoteFolder | kNeedsStore | kNeedsStockList,
        .run = &runImportCapital,
    };
    return command;
}

const CliCommand& refreshNamesCommand() {
    static const CliCommand command{
        .name = QStringLiteral("refresh-names"),
        .summary = QStringLiteral("store the stock list's names where the database holds other ones"),
        .needs = kNeedsQuoteFolder | kNeedsStore | kNeedsStockList,
        .run = &runRefreshNames,
    };
    return command;
}

const CliCommand& capitalCommand() {
    static const CliCommand command{
        .name = QStringLiteral("capital"),
        .arguments = QStringLiteral("[CODE]"),
        .summary = QStringLiteral("list the stored share capital of all stocks or of one"),
        .maxArguments = 1,
        .needs = kNeedsStore,
        .run = &runCapital,
    };
    return command;
}

}  // namespace quarrow

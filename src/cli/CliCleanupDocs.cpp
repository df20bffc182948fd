#include "cli/CliInterrupt.h"
#include "cli/CliQuoteSupport.h"

#include "app/RunControl.h"
#include "report/DocumentCleanup.h"

#include <QDir>

namespace quarrow {

// quarrow-cli cleanup-docs: the clean-up of old report documents over the start-up
// stock list; each document deleted (or, with --dry-run, that would be) is printed.
int runCleanupDocs(CliContext& context, const QStringList& arguments) {
    static const char* synopsis = "[--dry-run]";
    QCommandLineParser parser;
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"),
                                          QStringLiteral("Print what would be deleted; delete nothing."));
    parser.addOption(dryRunOption);
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("cleanup-docs takes no arguments besides its options"));
        return kExitUsage;
    }
    const auto quoteFolder = cliQuoteFolderIfAny(context);
    if (!quoteFolder)
        return kExitUsage;
    TDataBase db(context.home.databaseFile());
    if (!openDatabaseOrReport(db))
        return kExitFailure;
    StockList list;
    if (const int loaded = loadStockListOrReport(context, *quoteFolder, list); loaded != kExitOk)
        return loaded;
    QList<StockRow> rows;
    rows.reserve(list.size());
    for (const StockEntry& entry : list.entries())
        rows.append({entry.key, entry.name});

    const bool dryRun = parser.isSet(dryRunOption);
    RunControl run(context.frame, context.clock);
    CliInterrupt interrupt([&](int) {
        if (run.isActive())
            run.requestStop();
    });
    const DocumentCleanupOutcome outcome = DocumentCleanup(db, context.home, context.frame, run)
                                               .run(rows, dryRun ? CleanupMode::DryRun : CleanupMode::Delete);

    QString text;
    for (const QString& path : outcome.deleted)
        text += (dryRun ? QStringLiteral("would delete ") : QStringLiteral("deleted ")) +
                QDir::toNativeSeparators(path) + QLatin1Char('\n');
    text +=
        (dryRun ? QStringLiteral("would delete %1 documents\n") : QStringLiteral("deleted %1 documents\n"))
            .arg(outcome.deleted.size());
    printOut(text);
    int status = kExitOk;
    for (const QString& path : outcome.undeleted) {
        printError(QStringLiteral("cannot delete %1").arg(QDir::toNativeSeparators(path)));
        status = kExitFailure;
    }
    for (const QString& folder : outcome.unlisted) {
        printError(QStringLiteral("cannot list the folder %1").arg(QDir::toNativeSeparators(folder)));
        status = kExitFailure;
    }
    if (!outcome.error.isEmpty()) {
        printError(QStringLiteral("cannot read the stored document dates: %1").arg(outcome.error));
        status = kExitFailure;
    }
    if (outcome.stopped && status == kExitOk) {
        printError(QStringLiteral("stopped before the last stock"));
        status = kExitInterrupted;
    }
    return status;
}

}  // namespace quarrow

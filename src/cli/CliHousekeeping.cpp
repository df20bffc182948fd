// quarrow-cli backup and cleanup-docs: keeping the store and the documents in order.

#include "cli/CliCommands.h"
#include "cli/CliJob.h"
#include "program/ProgramServices.h"

#include <QDir>

namespace quarrow {

namespace {

// The store copied and checked as the window's backup does it; PATH may name the copy or a
// folder that takes it under the store file's own name.
int runBackup(CliCall& call) {
    const QString chosen = call.arguments().first();
    if (chosen.isEmpty())
        return call.usageError(QStringLiteral("backup takes one path"));
    ProgramServices& services = call.services();
    const StoreLocation& store = services.storeLocation();
    const DatabaseCopyOutcome outcome =
        services.jobs().backUp([&chosen](const QString&) -> std::optional<QString> { return chosen; });
    switch (outcome.status) {
        case DatabaseCopyOutcome::Status::Unsupported:
            printError(
                QStringLiteral("the data live in the ODBC source %1, which has no file to copy: back it "
                               "up with the source's own tools")
                    .arg(store.displayName()));
            break;
        case DatabaseCopyOutcome::Status::SamePath:
            printError(
                QStringLiteral("%1 is the database file itself or one of its own files: nothing copied")
                    .arg(QDir::toNativeSeparators(outcome.target)));
            break;
        case DatabaseCopyOutcome::Status::Failed:
            printError(QStringLiteral("no backup made"));
            break;
        case DatabaseCopyOutcome::Status::Copied:
            printOut(QStringLiteral("copied %1 to %2 (%3)\n")
                         .arg(store.displayName(), QDir::toNativeSeparators(outcome.target),
                              store.kind == StoreKind::SQLite ? QStringLiteral("integrity check: ok")
                                                              : QStringLiteral("size checked")));
            break;
    }
    if (!outcome.settingsError.isEmpty())
        printError(QStringLiteral("cannot note the backup folder in %1").arg(services.settings().fileName()));
    return exitStatusOf(outcome);
}

// The clean-up of old report documents over the start-up stock list; each document deleted
// (or, with --dry-run, that would be) is printed.
int runCleanupDocs(CliCall& call) {
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    const bool dryRun = call.isSet(QStringLiteral("dry-run"));
    ProgramServices& services = call.services();
    const StopOnInterrupt interrupt(services.run(), call.frame(), SecondInterrupt::EndsAfterItem,
                                    QStringLiteral("stopping after the current stock"));
    const DocumentCleanupOutcome outcome =
        services.jobs().cleanUpDocuments(dryRun ? CleanupMode::DryRun : CleanupMode::Delete);

    QString text;
    for (const QString& path : outcome.deleted)
        text += (dryRun ? QStringLiteral("would delete ") : QStringLiteral("deleted ")) +
                QDir::toNativeSeparators(path) + QLatin1Char('\n');
    text +=
        (dryRun ? QStringLiteral("would delete %1 documents\n") : QStringLiteral("deleted %1 documents\n"))
            .arg(outcome.deleted.size());
    printOut(text);
    for (const QString& path : outcome.undeleted)
        printError(QStringLiteral("cannot delete %1").arg(QDir::toNativeSeparators(path)));
    for (const QString& folder : outcome.unlisted)
        printError(QStringLiteral("cannot list the folder %1").arg(QDir::toNativeSeparators(folder)));
    if (!outcome.error.isEmpty())
        printError(QStringLiteral("cannot read the stored document dates"));
    if (outcome.stopped())
        printError(QStringLiteral("stopped before the last stock"));
    return exitStatusOf(outcome);
}

}  // namespace

const CliCommand& backupCommand() {
    static const CliCommand command{
        .name = QStringLiteral("backup"),
        .arguments = QStringLiteral("PATH"),
        .summary =
            QStringLiteral("copy the database, checked, to PATH (a file, or a folder for the same name)"),
        .minArguments = 1,
        .maxArguments = 1,
        .run = &runBackup,
    };
    return command;
}

const CliCommand& cleanupDocsCommand() {
    static const CliCommand command{
        .name = QStringLiteral("cleanup-docs"),
        .summary =
            QStringLiteral("delete each listed stock's report documents older than its newest stored one"),
        .options = {{QStringLiteral("dry-run"),
                     {},
                     QStringLiteral("Print what would be deleted; delete nothing.")}},
        .needs = kNeedsQuoteFolderIfAny | kNeedsStore | kNeedsStockList,
        .run = &runCleanupDocs,
    };
    return command;
}

}  // namespace quarrow

// quarrow-cli import-db: a user's Access file or ODBC source copied into the program's own
// store, after which the settings name it.

#include "cli/CliCommands.h"
#include "cli/CliJob.h"
#include "program/ProgramServices.h"
#include "store/OdbcDrivers.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

namespace {

int runImportDb(CliCall& call) {
    ProgramServices& services = call.services();
    StoreImportOptions options = services.storeImportOptions();
    if (call.isSet(QStringLiteral("access"))) {
        const QString file = QFileInfo(call.value(QStringLiteral("access"))).absoluteFilePath();
        options.source = StoreLocation::ofAccess(file, installedOdbcDrivers());
        options.switchSettings = false;
    } else if (call.isSet(QStringLiteral("odbc"))) {
        options.source = StoreLocation::ofOdbc(call.value(QStringLiteral("odbc")));
        options.switchSettings = false;
    } else if (options.source.kind == StoreKind::SQLite) {
        return call.usageError(QStringLiteral(
            "the settings name the program's own store already: give --access FILE or --odbc STRING"));
    }
    if (const int status = call.prepare(); status != kExitOk)
        return status;

    TerminalFrame& frame = call.frame();
    const bool yes = call.isSet(QStringLiteral("yes"));
    frame.setAnswerPolicy([&](const MessageRequest& request) -> std::optional<MessageAnswer> {
        if (request.question != Question::StoreImport)
            return std::nullopt;
        if (yes)
            return MessageAnswer::Yes;
        if (!frame.canAsk()) {
            frame.ShowPrompt(QStringLiteral("(--yes confirms the import)"));
            return MessageAnswer::No;
        }
        return std::nullopt;
    });
    const StopOnInterrupt interrupt(services.run(), frame, SecondInterrupt::EndsAfterItem,
                                    QStringLiteral("stopping after the current group of rows"));
    const StoreImportOutcome outcome = services.jobs().importStore(options);

    QString text;
    for (const TableImport& table : outcome.tables)
        text += QStringLiteral("%1: %2 rows in the source, %3 copied, %4 there already%5\n")
                    .arg(table.table)
                    .arg(table.sourceRows)
                    .arg(table.copied)
                    .arg(table.present)
                    .arg(!outcome.verified    ? QString()
                         : table.missing == 0 ? QStringLiteral(", every key found in the target")
                                              : QStringLiteral(", %1 keys missing").arg(table.missing));
    printOut(text);
    if (!outcome.sourceError.isEmpty())
        printError(QStringLiteral("cannot read %1").arg(options.source.displayName()));
    if (outcome.storeFailed())
        printError(QStringLiteral("the copy stopped at %1; run import-db again to copy the rest")
                       .arg(QDir::toNativeSeparators(options.target)));
    else if (outcome.stopped())
        printError(QStringLiteral("stopped; run import-db again to copy the rest"));
    if (outcome.settingsSwitched)
        printOut(QStringLiteral("%1 now names %2; the old line is kept there as a comment\n")
                     .arg(QDir::toNativeSeparators(services.settings().fileName()),
                          QDir::toNativeSeparators(options.target)));
    else if (outcome.verified && options.switchSettings)
        printError(QStringLiteral("cannot switch %1 to the program's own store: %2")
                       .arg(services.settings().fileName(), outcome.settingsError));
    return exitStatusOf(outcome);
}

}  // namespace

const CliCommand& importDbCommand() {
    static const CliCommand command{
        .name = QStringLiteral("import-db"),
        .summary = QStringLiteral(
            "copy the Access file or ODBC source the settings name (or the one given) into the program's own "
            "store, then use that"),
        .options = {{QStringLiteral("access"), QStringLiteral("FILE"),
                     QStringLiteral("Import this Access file; the settings stay as they are.")},
                    {QStringLiteral("odbc"), QStringLiteral("STRING"),
                     QStringLiteral("Import this ODBC source; the settings stay as they are.")},
                    {QStringLiteral("yes"), {}, QStringLiteral("Confirm the import.")}},
        .exclusive = {{QStringLiteral("access"), QStringLiteral("odbc")}},
        .run = &runImportDb,
    };
    return command;
}

}  // namespace quarrow

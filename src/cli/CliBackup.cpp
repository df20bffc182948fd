#include "cli/CliCommands.h"

#include "app/Settings.h"
#include "review/DatabaseCopy.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

// quarrow-cli backup PATH: the database copied and checked as the window's backup does
// it; PATH may name the copy or a folder that takes it under the database's own name.
int runBackup(CliContext& context, const QStringList& arguments) {
    static const char* synopsis = "PATH";
    QCommandLineParser parser;
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    const QStringList paths = parser.positionalArguments();
    if (paths.size() != 1 || paths.first().isEmpty()) {
        printError(QStringLiteral("backup takes one path\nusage: quarrow-cli backup %1")
                       .arg(QString::fromUtf8(synopsis)));
        return kExitUsage;
    }
    const QString databaseFile = context.home.databaseFile();
    QFileInfo chosen(paths.first());
    if (chosen.isDir())
        chosen = QFileInfo(QDir(chosen.absoluteFilePath()).filePath(QFileInfo(databaseFile).fileName()));
    const QString target = chosen.absoluteFilePath();

    Settings settings(context.home, context.clock);
    const DatabaseCopyOutcome outcome =
        DatabaseCopy(settings, StoreLocation::of(settings, context.home)).copyTo(target);
    switch (outcome.status) {
        case DatabaseCopyOutcome::Status::SamePath:
            printError(QStringLiteral("%1 is the database file itself: nothing copied").arg(target));
            return kExitFailure;
        case DatabaseCopyOutcome::Status::Unsupported:
        case DatabaseCopyOutcome::Status::Failed:
            printError(QStringLiteral("no backup made: %1").arg(outcome.error));
            break;
        case DatabaseCopyOutcome::Status::Copied:
            printOut(QStringLiteral("copied %1 to %2 (integrity check: ok)\n").arg(databaseFile, target));
            break;
    }
    if (!outcome.settingError.isEmpty())
        printError(QStringLiteral("cannot note the backup folder in %1: %2")
                       .arg(settings.fileName(), outcome.settingError));
    return outcome.status == DatabaseCopyOutcome::Status::Copied && outcome.settingError.isEmpty()
               ? kExitOk
               : kExitFailure;
}

}  // namespace quarrow

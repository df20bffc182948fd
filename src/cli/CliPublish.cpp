// quarrow-cli publish: the program folder's operator data into a PostgreSQL database, from
// which quarrow-server serves a larger group than one machine could.

#include "cli/CliCommands.h"
#include "server/PostgresTables.h"

#include <QUrl>

namespace quarrow {

int runPublish(CliContext& context, const QStringList& arguments) {
    static const char* synopsis = "--to postgresql://user@host:port/name [--password-file FILE]";
    QCommandLineParser parser;
    const QCommandLineOption toOption(
        QStringLiteral("to"),
        QStringLiteral(
            "The PostgreSQL database to fill. Its password comes from PGPASSWORD, --password-file or "
            "PostgreSQL's password file (PGPASSFILE, ~/.pgpass) rather than the address, which the "
            "process list shows."),
        QStringLiteral("URL"));
    const QCommandLineOption passwordFileOption(
        QStringLiteral("password-file"),
        QStringLiteral("A file whose first line is the PostgreSQL password."), QStringLiteral("FILE"));
    parser.addOptions({toOption, passwordFileOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    const QString address = parser.value(toOption);
    if (!PostgresTables::isAddress(address) || !parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("publish takes --to postgresql://user@host:port/name"));
        return kExitUsage;
    }
    QString password;
    QString error;
    if (parser.isSet(passwordFileOption) &&
        !PostgresTables::readPasswordFile(parser.value(passwordFileOption), &password, &error)) {
        printError(error);
        return kExitUsage;
    }
    TDataBase db(context.home.databaseFile());
    if (!openDatabaseOrReport(db))
        return kExitFailure;
    PostgresTables::CopyCounts counts;
    const QString shown = QUrl(address).adjusted(QUrl::RemoveUserInfo).toString();
    if (!PostgresTables::copyFrom(db, address, &counts, &error, password)) {
        printError(
            QStringLiteral("cannot publish to %1: %2; it holds what it held before").arg(shown, error));
        return kExitFailure;
    }
    printOut(
        QStringLiteral("published to %1: %2 stocks, %3 departments, %4 abnormal-move rows, %5 block trades\n")
            .arg(shown)
            .arg(counts.stocks)
            .arg(counts.departments)
            .arg(counts.changes)
            .arg(counts.blockTrades));
    return kExitOk;
}

}  // namespace quarrow

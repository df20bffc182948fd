#include "cli/CliQuoteSupport.h"

#include "review/FilteredDelete.h"

namespace quarrow {

// quarrow-cli delete: the query page's delete, its filters given as the query command
// takes them; the question before it is answered by --yes or a person at a terminal.
int runDelete(CliContext& context, const QStringList& arguments) {
    static const char* synopsis =
        "[--alerts] [--code C] [--from yyyy-mm-dd] [--to yyyy-mm-dd] [--dept NAME] [--yes]";
    QCommandLineParser parser;
    const QCommandLineOption alertsOption(QStringLiteral("alerts"),
                                          QStringLiteral("Delete main-force alerts, not top-5 rows."));
    const QCommandLineOption codeOption(QStringLiteral("code"), QStringLiteral("Given stock."),
                                        QStringLiteral("C"));
    const QCommandLineOption fromOption(QStringLiteral("from"), QStringLiteral("Start day."),
                                        QStringLiteral("yyyy-mm-dd"));
    const QCommandLineOption toOption(QStringLiteral("to"), QStringLiteral("End day."),
                                      QStringLiteral("yyyy-mm-dd"));
    const QCommandLineOption deptOption(QStringLiteral("dept"), QStringLiteral("Given department."),
                                        QStringLiteral("NAME"));
    const QCommandLineOption yesOption(QStringLiteral("yes"), QStringLiteral("Confirm the delete."));
    parser.addOptions({alertsOption, codeOption, fromOption, toOption, deptOption, yesOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    if (!parser.positionalArguments().isEmpty()) {
        printError(
            QStringLiteral("delete takes no arguments besides its options\nusage: quarrow-cli delete %1")
                .arg(QString::fromUtf8(synopsis)));
        return kExitUsage;
    }

    OperatorQuery page;
    page.mainBuySale = parser.isSet(alertsOption);
    if (!readStockAndDays(parser, {codeOption, fromOption, toOption}, page))
        return kExitUsage;
    // A filter the delete would leave out deletes more than was asked: refused, not ignored.
    if (parser.isSet(deptOption)) {
        if (page.mainBuySale) {
            printError(QStringLiteral("--dept does not apply to --alerts: the alerts carry no department"));
            return kExitUsage;
        }
        page.departmentItem = parser.value(deptOption);
        if (departmentOfItem(page.departmentItem).trimmed().isEmpty()) {
            printError(QStringLiteral("--dept takes a department name"));
            return kExitUsage;
        }
        page.departmentGiven = true;
    }

    const bool yes = parser.isSet(yesOption);
    TerminalFrame& frame = context.frame;
    frame.setAnswerPolicy([&](const MessageRequest& request) -> std::optional<MessageAnswer> {
        if (request.question != Question::FilteredDelete)
            return std::nullopt;
        if (yes)
            return MessageAnswer::Yes;
        if (!frame.canAsk()) {
            frame.ShowPrompt(QStringLiteral("(--yes confirms the delete)"));
            return MessageAnswer::No;
        }
        return std::nullopt;
    });

    TDataBase db(context.home.databaseFile());
    if (!openDatabaseOrReport(db))
        return kExitFailure;
    const FilteredDeleteOutcome outcome = FilteredDelete(db, frame).run(page);
    const QString table = page.mainBuySale ? QStringLiteral("tblMainBuySale") : QStringLiteral("tblStChange");
    switch (outcome.status) {
        case FilteredDeleteOutcome::Status::Deleted:
            printOut(QStringLiteral("deleted %1 rows from %2\n").arg(outcome.rows).arg(table));
            return kExitOk;
        case FilteredDeleteOutcome::Status::Declined:
            printError(QStringLiteral("nothing deleted: the delete was not confirmed"));
            return kExitFailure;
        case FilteredDeleteOutcome::Status::Failed:
            printError(QStringLiteral("nothing deleted from %1: %2").arg(table, outcome.error));
            return kExitFailure;
        case FilteredDeleteOutcome::Status::NotOpen:
            break;
    }
    printError(QStringLiteral("nothing deleted: the database is not open"));
    return kExitFailure;
}

}  // namespace quarrow

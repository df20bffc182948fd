// quarrow-cli own: lists, adds to or deletes from the own stock list "SelfStock.Txt".

#include "cli/CliCommands.h"
#include "program/ProgramServices.h"
#include "quotefiles/StockPicker.h"

namespace quarrow {

namespace {

int runOwn(CliCall& call) {
    const QStringList words = call.arguments();
    const QString action = words.value(0);
    const bool takesCode = action == QLatin1String("add") || action == QLatin1String("del");
    const std::optional<QString> code = takesCode ? sixDigitCode(words.value(1)) : std::nullopt;
    if (!((action == QLatin1String("list") && words.size() == 1) || (takesCode && words.size() == 2 && code)))
        return call.usageError(
            QStringLiteral("give list, or add or del with a code of six digits, with or "
                           "without sh/sz"));
    if (const int status = call.prepare(); status != kExitOk)
        return status;

    OwnStockList& own = call.services().ownStocks();
    if (action == QLatin1String("list")) {
        QString text;
        for (const QString& item : own.items())
            text += item + QLatin1Char('\n');
        printOut(text);
        return kExitOk;
    }
    // A prefix given with the code is kept; a bare code gets the market by its number.
    const QString prefixed = isPrefixedCode(words.value(1)) ? words.value(1) : PrefixCode(*code);
    QString error;
    const bool adding = action == QLatin1String("add");
    switch (adding ? own.add(prefixed, &error) : own.remove(prefixed, &error)) {
        case OwnStockList::Change::Done:
            printOut(QStringLiteral("%1 %2\n").arg(
                adding ? QStringLiteral("added") : QStringLiteral("deleted"), prefixed));
            return kExitOk;
        case OwnStockList::Change::Unchanged:
            if (adding) {
                printOut(QStringLiteral("%1 is already in the own stock list\n").arg(prefixed));
                return kExitOk;
            }
            printError(QStringLiteral("%1 is not in the own stock list").arg(prefixed));
            return kExitFailure;
        case OwnStockList::Change::SaveFailed:
            break;
    }
    printError(QStringLiteral("cannot write %1: %2").arg(own.file(), error));
    return kExitFailure;
}

}  // namespace

const CliCommand& ownCommand() {
    static const CliCommand command{
        .name = QStringLiteral("own"),
        .arguments = QStringLiteral("list | add CODE | del CODE"),
        .summary = QStringLiteral("show or change the own stock list SelfStock.Txt"),
        .minArguments = 1,
        .maxArguments = 2,
        .needs = kNeedsOwnStocks,
        .run = &runOwn,
    };
    return command;
}

}  // namespace quarrow

#include "cli/CliQuoteSupport.h"

#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockPicker.h"

namespace quarrow {

// quarrow-cli own: lists, adds to or deletes from the own stock list "SelfStock.Txt".
int runOwn(CliContext& context, const QStringList& arguments) {
    static const char* synopsis = "list | add CODE | del CODE";
    QCommandLineParser parser;
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    const QStringList words = parser.positionalArguments();
    const QString action = words.value(0);
    const bool takesCode = action == QLatin1String("add") || action == QLatin1String("del");
    const std::optional<QString> code = takesCode ? sixDigitCode(words.value(1)) : std::nullopt;
    if (!((action == QLatin1String("list") && words.size() == 1) ||
          (takesCode && words.size() == 2 && code))) {
        printError(QStringLiteral("usage: quarrow-cli own %1 (CODE: six digits, with or without sh/sz)")
                       .arg(QString::fromUtf8(synopsis)));
        return kExitUsage;
    }

    OwnStockList own(context.home.filePath(ownStockFileName()));
    QString error;
    if (!own.load(&error)) {
        printError(QStringLiteral("cannot read %1: %2").arg(own.file(), error));
        return kExitFailure;
    }
    if (action == QLatin1String("list")) {
        QString text;
        for (const QString& item : own.items())
            text += item + QLatin1Char('\n');
        printOut(text);
        return kExitOk;
    }
    // A prefix given with the code is kept; a bare code gets the market by its number.
    const QString prefixed = isPrefixedCode(words.value(1)) ? words.value(1) : PrefixCode(*code);
    const OwnStockList::Change change =
        action == QLatin1String("add") ? own.add(prefixed, &error) : own.remove(prefixed, &error);
    switch (change) {
        case OwnStockList::Change::Done:
            printOut(QStringLiteral("%1 %2\n").arg(
                action == QLatin1String("add") ? QStringLiteral("added") : QStringLiteral("deleted"),
                prefixed));
            return kExitOk;
        case OwnStockList::Change::Unchanged:
            if (action == QLatin1String("add")) {
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

}  // namespace quarrow

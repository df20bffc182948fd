#include "cli/CliQuoteSupport.h"

#include "quotefiles/ShareCapital.h"
#include "store/DataBase.h"

namespace quarrow {

// quarrow-cli capital [CODE]: the share-capital listing with its column titles.
int runCapital(CliContext& context, const QStringList& arguments) {
    static const char* synopsis = "[CODE]";
    QCommandLineParser parser;
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    const QStringList codes = parser.positionalArguments();
    std::optional<QString> code;
    if (codes.size() > 1 || (codes.size() == 1 && !(code = sixDigitCode(codes.first())))) {
        printError(QStringLiteral("give at most one six-digit stock code\nusage: quarrow-cli capital %1")
                       .arg(QString::fromUtf8(synopsis)));
        return kExitUsage;
    }
    TDataBase db(context.home.databaseFile());
    if (!openDatabaseOrReport(db))
        return kExitFailure;
    Statement query = ShareCapital::listing(db, code.has_value(), code.value_or(QString()));
    if (!query.exec()) {
        printError(QStringLiteral("cannot list the share capital: %1").arg(query.error()));
        return kExitFailure;
    }
    QString text = QStringLiteral("代码\t股票名称\t上市日期\t总股本_万股\t流通A股_万股\t更新日期\n");
    while (query.next()) {
        const auto figure = [&](int column) {
            return query.isNull(column) ? QString() : Money::fromDouble(query.real(column)).toString();
        };
        text += QStringList{query.text(0), query.text(1), query.text(2), figure(3), figure(4), query.text(5)}
                    .join(QLatin1Char('\t')) +
                QLatin1Char('\n');
    }
    printOut(text);
    return kExitOk;
}

}  // namespace quarrow

#include "cli/CliQuoteSupport.h"

#include "app/TextExport.h"
#include "review/OperatorQuery.h"
#include "review/QueryRunner.h"

#include <cstdio>
#include <functional>
#include <vector>

namespace quarrow {

namespace {

enum class Format { Table, Csv };

using TextExport::csvLine;
using TextExport::displayWidth;
using TextExport::tableLine;

QStringList rowTexts(const QueryRows& rows) {
    QStringList cells;
    for (int column = 0; column < rows.columnCount(); ++column)
        cells << rows.text(column);
    return cells;
}

class ResultPrinter {
public:
    ResultPrinter(TDataBase& db, Format format) : m_db(db), m_format(format) {}

    QString endOfLine() const {
        return m_format == Format::Csv ? QStringLiteral("\r\n") : QStringLiteral("\n");
    }

    void printStatement(const ComposedStatement& composed) {
        QString text;
        for (const QString& line : composed.lines)
            text += line + endOfLine();
        for (const BoundValue& bound : composed.values)
            text += QStringLiteral("-- %1 = %2").arg(bound.name, cellText(bound.value)) + endOfLine();
        printOut(text);
    }

    // Prints the titles and the rows; false after saying why the statement failed.
    bool printResult(const ComposedStatement& composed) {
        std::vector<int> widths;
        if (m_format == Format::Table) {
            // A first pass measures the columns, so that rows need not be held to align them.
            QueryRows measure(m_db, composed);
            if (!reportFailure(measure))
                return false;
            for (const QString& title : measure.columnTitles())
                widths.push_back(displayWidth(title));
            while (measure.next() && !std::ferror(stdout)) {
                for (int column = 0; column < measure.columnCount(); ++column)
                    widths[static_cast<size_t>(column)] =
                        std::max(widths[static_cast<size_t>(column)], displayWidth(measure.text(column)));
            }
        }
        QueryRows rows(m_db, composed);
        if (!reportFailure(rows))
            return false;
        const auto line = [&](const QStringList& cells) {
            return m_format == Format::Csv ? csvLine(cells) : tableLine(cells, widths);
        };
        constexpr int kRowsPerBatch = 4096;
        QString text = line(rows.columnTitles());
        int batched = 0;
        while (!std::ferror(stdout) && rows.next()) {
            text += line(rowTexts(rows));
            if (++batched == kRowsPerBatch) {
                printOut(text);
                text.clear();
                batched = 0;
            }
        }
        printOut(text);
        return true;
    }

private:
    static bool reportFailure(const QueryRows& rows) {
        if (rows.ok())
            return true;
        printError(QStringLiteral("cannot run the query: %1").arg(rows.error()));
        return false;
    }

    TDataBase& m_db;
    Format m_format;
};

}  // namespace

// quarrow-cli query: the query page's two statements, composed from the options as the
// page composes them from its controls; the main result, an empty line, the block trades.
int runQuery(CliContext& context, const QStringList& arguments) {
    static const char* synopsis =
        "[--button buysale|buyonly|saleonly|buysaleonly|all] [--code C] [--from yyyy-mm-dd] [--to "
        "yyyy-mm-dd] "
        "[--dept NAME] [--main] [--kind 0..3] [--threshold V] [--sort-amount] [--format table|csv] [--sql]";
    QCommandLineParser parser;
    const QCommandLineOption buttonOption(QStringLiteral("button"), QStringLiteral("Query button."),
                                          QStringLiteral("NAME"), QStringLiteral("all"));
    const QCommandLineOption codeOption(QStringLiteral("code"), QStringLiteral("Given stock."),
                                        QStringLiteral("C"));
    const QCommandLineOption fromOption(QStringLiteral("from"), QStringLiteral("Start day."),
                                        QStringLiteral("yyyy-mm-dd"));
    const QCommandLineOption toOption(QStringLiteral("to"), QStringLiteral("End day."),
                                      QStringLiteral("yyyy-mm-dd"));
    const QCommandLineOption deptOption(QStringLiteral("dept"), QStringLiteral("Given department."),
                                        QStringLiteral("NAME"));
    const QCommandLineOption mainOption(QStringLiteral("main"), QStringLiteral("Main-force alerts."));
    const QCommandLineOption kindOption(QStringLiteral("kind"), QStringLiteral("Threshold kind."),
                                        QStringLiteral("K"), QString::number(kAllData));
    const QCommandLineOption thresholdOption(QStringLiteral("threshold"), QStringLiteral("Threshold."),
                                             QStringLiteral("V"),
                                             QString::number(OperatorQuery::kThresholdInitial));
    const QCommandLineOption sortOption(QStringLiteral("sort-amount"), QStringLiteral("Order by size."));
    const QCommandLineOption formatOption(QStringLiteral("format"), QStringLiteral("table or csv."),
                                          QStringLiteral("F"), QStringLiteral("table"));
    const QCommandLineOption sqlOption(QStringLiteral("sql"), QStringLiteral("Print the statements."));
    parser.addOptions({buttonOption, codeOption, fromOption, toOption, deptOption, mainOption, kindOption,
                       thresholdOption, sortOption, formatOption, sqlOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("query takes no arguments besides its options\nusage: quarrow-cli query %1")
                       .arg(QString::fromUtf8(synopsis)));
        return kExitUsage;
    }

    std::optional<QueryButton> button;
    for (const QueryButtonInfo& info : queryButtons()) {
        if (parser.value(buttonOption) == QLatin1String(info.cliName))
            button = info.button;
    }
    if (!button) {
        printError(QStringLiteral("--button takes buysale, buyonly, saleonly, buysaleonly or all"));
        return kExitUsage;
    }
    const QString formatName = parser.value(formatOption);
    if (formatName != QLatin1String("table") && formatName != QLatin1String("csv")) {
        printError(QStringLiteral("--format takes table or csv"));
        return kExitUsage;
    }
    const Format format = formatName == QLatin1String("csv") ? Format::Csv : Format::Table;

    OperatorQuery page;
    if (!readStockAndDays(parser, {codeOption, fromOption, toOption}, page))
        return kExitUsage;
    if (parser.isSet(deptOption)) {
        page.departmentItem = parser.value(deptOption);
        page.departmentGiven = !page.departmentItem.isEmpty();
    }
    page.mainBuySale = parser.isSet(mainOption);
    page.sortOnAmount = parser.isSet(sortOption);
    const std::optional<int> kind = wholeNumberOption(parser, kindOption, 0, kAllData);
    if (!kind)
        return kExitUsage;
    page.thresholdKind = *kind;
    const std::optional<int> threshold =
        wholeNumberOption(parser, thresholdOption, 0, OperatorQuery::kThresholdMax);
    if (!threshold)
        return kExitUsage;
    page.threshold = *threshold;

    TDataBase db(context.home.databaseFile());
    if (!openDatabaseOrReport(db))
        return kExitFailure;
    const OperatorStatements statements = composeOperatorQuery(page, *button);
    ResultPrinter printer(db, format);
    bool first = true;
    for (const ComposedStatement* composed : {&statements.main, &statements.blockTrades}) {
        if (!first)
            printOut(printer.endOfLine());
        first = false;
        if (parser.isSet(sqlOption))
            printer.printStatement(*composed);
        if (!printer.printResult(*composed))
            return kExitFailure;
    }
    return kExitOk;
}

}  // namespace quarrow

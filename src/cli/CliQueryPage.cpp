// quarrow-cli query and delete: the query page of the desktop program, its controls given
// as options.

#include "app/TextExport.h"
#include "cli/CliCommands.h"
#include "cli/CliJob.h"
#include "program/ProgramServices.h"
#include "review/FilteredDelete.h"
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
        // The titles are the statement's aliases, as --sql prints them.
        const std::vector<TextExport::CsvColumn> columns = TextExport::csvColumns(rows.columnTitles());
        const auto line = [&](const QStringList& cells) {
            return m_format == Format::Csv ? csvLine(cells, columns) : tableLine(cells, widths);
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

// The stock and day filters the two commands share: --code, --from and --to. --from alone
// selects from that day on, --to alone that one day.
bool readStockAndDays(const CliCall& call, OperatorQuery& page) {
    const std::optional<QDate> from = call.day(QStringLiteral("from"));
    const std::optional<QDate> to = from ? call.day(QStringLiteral("to")) : std::nullopt;
    if (!to)
        return false;
    page.fromTicked = from->isValid();
    page.toTicked = to->isValid();
    page.from = *from;
    page.to = *to;
    if (call.isSet(QStringLiteral("code"))) {
        const auto code = sixDigitCode(call.value(QStringLiteral("code")));
        if (!code) {
            printError(QStringLiteral("--code takes a six-digit stock code"));
            return false;
        }
        page.stockGiven = true;
        page.stockCode = *code;
    }
    return true;
}

std::vector<CliOption> stockAndDayOptions() {
    return {{QStringLiteral("code"), QStringLiteral("C"), QStringLiteral("Only this stock.")},
            {QStringLiteral("from"), QStringLiteral("yyyy-mm-dd"), QStringLiteral("From this day on.")},
            {QStringLiteral("to"), QStringLiteral("yyyy-mm-dd"),
             QStringLiteral("Up to this day (alone: this one day).")},
            {QStringLiteral("dept"), QStringLiteral("NAME"), QStringLiteral("Only this department.")}};
}

struct QueryCall {
    OperatorQuery page;
    QueryButton button = QueryButton::All;
    Format format = Format::Table;
    bool printSql = false;
};

std::optional<QueryCall> readQuery(const CliCall& call) {
    QueryCall query;
    QStringList buttons;
    for (const QueryButtonInfo& info : queryButtons())
        buttons << QString::fromLatin1(info.cliName);
    const auto button = call.choice(QStringLiteral("button"), buttons);
    const auto format =
        button ? call.choice(QStringLiteral("format"), {QStringLiteral("table"), QStringLiteral("csv")})
               : std::nullopt;
    if (!format || !readStockAndDays(call, query.page))
        return std::nullopt;
    for (const QueryButtonInfo& info : queryButtons()) {
        if (*button == QLatin1String(info.cliName))
            query.button = info.button;
    }
    query.format = *format == QLatin1String("csv") ? Format::Csv : Format::Table;
    OperatorQuery& page = query.page;
    if (call.isSet(QStringLiteral("dept"))) {
        page.departmentItem = call.value(QStringLiteral("dept"));
        page.departmentGiven = !page.departmentItem.isEmpty();
    }
    page.mainBuySale = call.isSet(QStringLiteral("main"));
    page.sortOnAmount = call.isSet(QStringLiteral("sort-amount"));
    const std::optional<int> kind = call.wholeNumber(QStringLiteral("kind"), 0, kAllData);
    const std::optional<int> threshold =
        kind ? call.wholeNumber(QStringLiteral("threshold"), 0, OperatorQuery::kThresholdMax) : std::nullopt;
    if (!threshold)
        return std::nullopt;
    page.thresholdKind = *kind;
    page.threshold = *threshold;
    query.printSql = call.isSet(QStringLiteral("sql"));
    return query;
}

// The query page's two statements, composed from the options as the page composes them
// from its controls; the main result, an empty line, the block trades.
int runQuery(CliCall& call) {
    const std::optional<QueryCall> query = readQuery(call);
    if (!query)
        return kExitUsage;
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    const OperatorStatements statements =
        composeOperatorQueryFor(call.services().store(), query->page, query->button);
    ResultPrinter printer(call.services().store(), query->format);
    bool first = true;
    for (const ComposedStatement* composed : {&statements.main, &statements.blockTrades}) {
        if (!first)
            printOut(printer.endOfLine());
        first = false;
        if (query->printSql)
            printer.printStatement(*composed);
        if (!printer.printResult(*composed))
            return kExitFailure;
    }
    return kExitOk;
}

std::optional<OperatorQuery> readDelete(const CliCall& call) {
    OperatorQuery page;
    page.mainBuySale = call.isSet(QStringLiteral("alerts"));
    if (!readStockAndDays(call, page))
        return std::nullopt;
    // A filter the delete would leave out deletes more than was asked: refused, not ignored.
    if (call.isSet(QStringLiteral("dept"))) {
        if (page.mainBuySale) {
            printError(QStringLiteral("--dept does not apply to --alerts: the alerts carry no department"));
            return std::nullopt;
        }
        page.departmentItem = call.value(QStringLiteral("dept"));
        if (departmentOfItem(page.departmentItem).trimmed().isEmpty()) {
            printError(QStringLiteral("--dept takes a department name"));
            return std::nullopt;
        }
        page.departmentGiven = true;
    }
    return page;
}

// The query page's delete; the question before it is answered by --yes or a person at a
// terminal.
int runDelete(CliCall& call) {
    const std::optional<OperatorQuery> page = readDelete(call);
    if (!page)
        return kExitUsage;
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    const bool yes = call.isSet(QStringLiteral("yes"));
    TerminalFrame& frame = call.frame();
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
    const FilteredDeleteOutcome outcome = call.services().jobs().deleteRows(*page);
    const QString table =
        page->mainBuySale ? QStringLiteral("tblMainBuySale") : QStringLiteral("tblStChange");
    if (outcome.done())
        printOut(QStringLiteral("deleted %1 rows from %2\n").arg(outcome.rows).arg(table));
    else if (outcome.reason == JobReason::Declined)
        printError(QStringLiteral("nothing deleted: the delete was not confirmed"));
    else
        printError(QStringLiteral("nothing deleted from %1").arg(table));
    return exitStatusOf(outcome);
}

}  // namespace

const CliCommand& queryCommand() {
    static const CliCommand command = [] {
        CliCommand query{
            .name = QStringLiteral("query"),
            .summary = QStringLiteral("the operator query: the top-5 departments (or the main-force alerts), "
                                      "then the block trades"),
            .options = {{QStringLiteral("button"), QStringLiteral("buysale|buyonly|saleonly|buysaleonly|all"),
                         QStringLiteral("The query button's buy/sell rule."), QStringLiteral("all")}},
            .needs = kNeedsStore,
            .run = &runQuery,
        };
        for (const CliOption& option : stockAndDayOptions())
            query.options.push_back(option);
        const std::vector<CliOption> more{
            {QStringLiteral("main"), {}, QStringLiteral("The main-force alerts instead of the top-5 rows.")},
            {QStringLiteral("kind"), QStringLiteral("0..3"),
             QStringLiteral("What the threshold measures (3: any block trade)."), QString::number(kAllData)},
            {QStringLiteral("threshold"), QStringLiteral("V"),
             QStringLiteral("Least block trade, in ten-thousand shares."),
             QString::number(OperatorQuery::kThresholdInitial)},
            {QStringLiteral("sort-amount"), {}, QStringLiteral("Order by size instead of by day.")},
            {QStringLiteral("format"), QStringLiteral("table|csv"),
             QStringLiteral("Aligned columns or RFC 4180 CSV."), QStringLiteral("table")},
            {QStringLiteral("sql"), {}, QStringLiteral("Print each statement and its bound values first.")}};
        query.options.insert(query.options.end(), more.begin(), more.end());
        return query;
    }();
    return command;
}

const CliCommand& deleteCommand() {
    static const CliCommand command = [] {
        CliCommand remove{
            .name = QStringLiteral("delete"),
            .summary = QStringLiteral(
                "delete the stored top-5 rows (or the main-force alerts) the query filters select"),
            .options = {{QStringLiteral("alerts"),
                         {},
                         QStringLiteral("Delete main-force alerts, not top-5 rows.")}},
            .needs = kNeedsStore,
            .run = &runDelete,
        };
        for (const CliOption& option : stockAndDayOptions())
            remove.options.push_back(option);
        remove.options.push_back({QStringLiteral("yes"), {}, QStringLiteral("Confirm the delete.")});
        return remove;
    }();
    return command;
}

}  // namespace quarrow

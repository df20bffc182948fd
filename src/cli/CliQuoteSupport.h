#pragma once

#include "cli/CliCommands.h"
#include "quotefiles/StockList.h"
#include "review/OperatorQuery.h"

#include <functional>
#include <optional>

namespace quarrow {

// The quote program's folder for this call, or nothing after printing why there is none.
std::optional<QString> cliQuoteFolder(const CliContext& context);

// For a command that can do without the quote program: --quote DIR (which must exist),
// else the folder chosen in the settings file when it exists, else an empty text; nothing
// after printing why the given folder is unusable.
std::optional<QString> cliQuoteFolderIfAny(const CliContext& context);

// The all-stocks list as the program loads it at start-up: the quote program's name
// tables, else the hand-kept table in the program folder. Without a quote folder (an
// empty text) the hand-kept table alone.
void loadStartUpStockList(CliContext& context, const QString& quoteFolder, StockList& list);

// The start-up stock list of a command over every listed stock: kExitOk, or a failure
// status after saying why (a quote-program file that cannot be read, or no stock at all:
// the command would report having done its work on nothing).
int loadStockListOrReport(CliContext& context, const QString& quoteFolder, StockList& list);

// The frame of the commands without options that work on the start-up stock list:
// parses the arguments, finds the quote folder, loads the list, and runs body with them.
// An empty list is a failure: the command would report having done its work on nothing.
int runWithStockList(CliContext& context, const QStringList& arguments,
                     const std::function<int(const QString& quoteFolder, StockList& list)>& body);

// Runs a command body, turning a failed read of a quote-program file into a message and
// a failure status instead of an abort.
int runReadingQuoteFiles(const std::function<int()>& body);

// Says that neither the name tables nor the hand-kept table list a stock.
void reportNoStocks();

// A six-digit code, also accepted with its market prefix; nothing when malformed.
std::optional<QString> sixDigitCode(const QString& text);

// --code, --from and --to as the query page's stock and date filters; on a usage error says
// which and gives false.
struct StockAndDayOptions {
    const QCommandLineOption& code;
    const QCommandLineOption& from;
    const QCommandLineOption& to;
};
bool readStockAndDays(const QCommandLineParser& parser, const StockAndDayOptions& options,
                      OperatorQuery& page);
// "sh" or "sz" followed by six digits.
bool isPrefixedCode(const QString& text);

}  // namespace quarrow

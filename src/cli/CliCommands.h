#pragma once

#include "app/ProgramFolder.h"
#include "cli/TerminalFrame.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "store/DataBase.h"

#include <QCommandLineParser>
#include <QDate>
#include <QStringList>

#include <optional>
#include <vector>

namespace quarrow {

// What every command of quarrow-cli gets from the global options.
struct CliContext {
    ProgramFolder home;
    QString quoteFolderOverride;  // --quote DIR: used for this call only, never written
    TerminalFrame& frame;
    Platform& platform;  // built once for the whole call
    Clock& clock;        // the platform's
};

// Exit statuses: 0 when the command ran, 1 when it failed, 2 for a usage error, and 130
// for a batch ended by Ctrl+C, as a shell reports a program it interrupted.
enum CliExit { kExitOk = 0, kExitFailure = 1, kExitUsage = 2, kExitInterrupted = 130 };

using CliCommandFn = int (*)(CliContext&, const QStringList& arguments);

struct CliCommand {
    const char* name;
    const char* synopsis;  // the arguments after the command name
    const char* summary;
    CliCommandFn run;
};

const std::vector<CliCommand>& cliCommands();

// Parses a command's own options (arguments[0] is the command name); on a usage error
// prints it with the command's synopsis and returns false.
bool parseCommandLine(QCommandLineParser& parser, const QStringList& arguments, const char* synopsis);
void printError(const QString& message);
// The whole-number value of an option within [low, high]; otherwise says
// "--NAME takes a whole number from LOW to HIGH" and gives nothing.
std::optional<int> wholeNumberOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                                     int low, int high);
// The day an option gives as yyyy-mm-dd; otherwise says so and gives nothing.
std::optional<QDate> dayOption(const QCommandLineParser& parser, const QCommandLineOption& option);
// Opens the program folder's database; on failure says why and returns false.
bool openDatabaseOrReport(TDataBase& db);
void printOut(const QString& text);

int runExtract(CliContext& context, const QStringList& arguments);
int runSummary(CliContext& context, const QStringList& arguments);
int runGenerateReports(CliContext& context, const QStringList& arguments);
int runStocks(CliContext& context, const QStringList& arguments);
int runImportCapital(CliContext& context, const QStringList& arguments);
int runRefreshNames(CliContext& context, const QStringList& arguments);
int runCapital(CliContext& context, const QStringList& arguments);
int runScreen(CliContext& context, const QStringList& arguments);
int runDaily(CliContext& context, const QStringList& arguments);
int runOwn(CliContext& context, const QStringList& arguments);
int runGenerateQuote(CliContext& context, const QStringList& arguments);
int runReanalyse(CliContext& context, const QStringList& arguments);
int runSettings(CliContext& context, const QStringList& arguments);
int runGenerateCorpus(CliContext& context, const QStringList& arguments);
int runMine(CliContext& context, const QStringList& arguments);
int runFetch(CliContext& context, const QStringList& arguments);
int runSelect(CliContext& context, const QStringList& arguments);
int runQuery(CliContext& context, const QStringList& arguments);
int runDelete(CliContext& context, const QStringList& arguments);
int runBackup(CliContext& context, const QStringList& arguments);
int runCleanupDocs(CliContext& context, const QStringList& arguments);
int runWatch(CliContext& context, const QStringList& arguments);
int runRelay(CliContext& context, const QStringList& arguments);
int runCapture(CliContext& context, const QStringList& arguments);
int runDownload(CliContext& context, const QStringList& arguments);
int runPublish(CliContext& context, const QStringList& arguments);
int runScorecard(CliContext& context, const QStringList& arguments);

}  // namespace quarrow

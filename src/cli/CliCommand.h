#pragma once

#include "cli/TerminalFrame.h"

#include <QCommandLineParser>
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quarrow {

class ProgramServices;

// Exit statuses: 0 when the command did its work, 1 when it failed, 2 for a usage error,
// and 130 for a job ended by Ctrl+C, as a shell reports a program it interrupted.
enum CliExit { kExitOk = 0, kExitFailure = 1, kExitUsage = 2, kExitInterrupted = 130 };

// One option of a command, declared once: the usage line, the --help text and the parser
// are all made from it.
struct CliOption {
    QString name;
    QString value;  // what the option takes ("N", "yyyy-mm-dd"); empty for a switch
    QString help;   // one line
    QString defaultValue = {};
};

// What a command needs ready for its work. Its body reads its options first (a usage
// error is said before anything is opened), then calls CliCall::prepare(), which readies
// these in this order and says, the same way for every command, when one cannot be had.
enum CliNeed : unsigned {
    kNeedsNothing = 0,
    kNeedsQuoteFolder = 1 << 0,       // --quote DIR, else the settings' folder; it must exist
    kNeedsQuoteFolderIfAny = 1 << 1,  // the same when one is there; a command can do without
    kNeedsStore = 1 << 2,             // the store the settings name, opened
    kNeedsStoreIfAny = 1 << 3,        // opened when it opens; a command can do without
    kNeedsStockList = 1 << 4,         // the all-stocks list, which must not be empty
    kNeedsOwnStocks = 1 << 5,         // SelfStock.Txt
    kNeedsQuoteProgram = 1 << 6,      // the quote program's windows, the beep, the alarm
    kEmptyStockListAllowed = 1 << 7,  // with kNeedsStockList: the command has work without stocks
};

class CliCall;

// A command of quarrow-cli as it describes itself.
struct CliCommand {
    QString name = {};
    QString arguments = {};  // the words after the options in the synopsis ("FILE...", "CODE")
    QString summary = {};    // one line
    std::vector<CliOption> options = {};
    // Pairs of options that exclude each other; the synopsis shows them as [--a|--b].
    std::vector<std::pair<QString, QString>> exclusive = {};
    QStringList required = {};  // options that must be given
    int minArguments = 0;
    int maxArguments = 0;  // -1: any number
    unsigned needs = kNeedsNothing;
    int (*run)(CliCall& call) = nullptr;

    // "[--own] [--percent T] ... ARGS", the options in their declared order.
    QString synopsis() const;
    // The synopsis, the summary and one line per option: what COMMAND --help prints.
    QString help() const;
};

const std::vector<const CliCommand*>& cliCommands();
const CliCommand* findCliCommand(const QString& name);

// One run of a command: its parsed options and arguments and the program's services.
class CliCall {
public:
    CliCall(const CliCommand& command, QCommandLineParser& parser, ProgramServices& services,
            TerminalFrame& frame);

    const CliCommand& command() const { return m_command; }
    ProgramServices& services() { return m_services; }
    TerminalFrame& frame() { return m_frame; }

    bool isSet(const QString& option) const;
    QString value(const QString& option) const;  // the default when not given
    QStringList arguments() const;

    // The option's whole number within [low, high]; otherwise says
    // "--NAME takes a whole number from LOW to HIGH" and gives nothing.
    std::optional<int> wholeNumber(const QString& option, int low, int high) const;
    // The day the option gives as yyyy-mm-dd; otherwise says so and gives nothing. An
    // invalid date when the option is not given.
    std::optional<QDate> day(const QString& option) const;
    // One of the given words; otherwise says "--NAME takes a, b or c" and gives nothing.
    std::optional<QString> choice(const QString& option, const QStringList& words) const;

    // Says what is wrong with the call, then the command's usage; returns kExitUsage.
    int usageError(const QString& message) const;

    // Readies what the command declared it needs: kExitOk, or the status to end with
    // after saying why.
    int prepare();

private:
    const CliCommand& m_command;
    QCommandLineParser& m_parser;
    ProgramServices& m_services;
    TerminalFrame& m_frame;
};

// Parses the command's own options and arguments (arguments[0] is the command's name) and
// checks what the declaration promises: exclusive pairs, required options, the number of
// arguments. False after printing the error and the usage.
bool parseCliCommand(const CliCommand& command, const QStringList& arguments, QCommandLineParser& parser);

void printError(const QString& message);
void printOut(const QString& text);

// A six-digit code, also accepted with its market prefix; nothing when malformed.
std::optional<QString> sixDigitCode(const QString& text);
// "sh" or "sz" followed by six digits.
bool isPrefixedCode(const QString& text);

}  // namespace quarrow

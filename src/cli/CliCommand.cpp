#include "cli/CliCommand.h"

#include "program/ProgramServices.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

namespace quarrow {

namespace {

QString dashed(const QString& name) {
    return QStringLiteral("--") + name;
}

QString optionUsage(const CliOption& option) {
    return option.value.isEmpty() ? dashed(option.name)
                                  : dashed(option.name) + QLatin1Char(' ') + option.value;
}

const CliOption* findOption(const CliCommand& command, const QString& name) {
    for (const CliOption& option : command.options) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

QString usageLine(const CliCommand& command) {
    const QString synopsis = command.synopsis();
    return QStringLiteral("usage: quarrow-cli [--home DIR] [--quote DIR] %1%2")
        .arg(command.name, synopsis.isEmpty() ? QString() : QLatin1Char(' ') + synopsis);
}

}  // namespace

QString CliCommand::synopsis() const {
    QStringList words;
    QStringList shown;
    for (const CliOption& option : options) {
        if (shown.contains(option.name))
            continue;
        QString partner;
        for (const auto& [first, second] : exclusive) {
            if (first == option.name)
                partner = second;
        }
        if (!partner.isEmpty()) {
            if (const CliOption* other = findOption(*this, partner)) {
                words << QStringLiteral("[%1|%2]").arg(optionUsage(option), optionUsage(*other));
                shown << option.name << partner;
                continue;
            }
        }
        words << (required.contains(option.name) ? optionUsage(option)
                                                 : QLatin1Char('[') + optionUsage(option) + QLatin1Char(']'));
        shown << option.name;
    }
    if (!arguments.isEmpty())
        words << arguments;
    return words.join(QLatin1Char(' '));
}

QString CliCommand::help() const {
    QString text = usageLine(*this) + QStringLiteral("\n\n") + summary + QLatin1Char('\n');
    if (options.empty())
        return text;
    // An option whose usage is longer than this has its help on the next line.
    constexpr qsizetype kWidest = 24;
    qsizetype width = 0;
    for (const CliOption& option : options) {
        if (optionUsage(option).size() <= kWidest)
            width = std::max(width, optionUsage(option).size());
    }
    text += QStringLiteral("\noptions:\n");
    for (const CliOption& option : options) {
        const QString usage = optionUsage(option);
        text +=
            usage.size() <= kWidest
                ? QStringLiteral("  %1  %2").arg(usage.leftJustified(width), option.help)
                : QStringLiteral("  %1\n  %2  %3").arg(usage, QString(width, QLatin1Char(' ')), option.help);
        if (!option.defaultValue.isEmpty())
            text += QStringLiteral(" (default: %1)").arg(option.defaultValue);
        text += QLatin1Char('\n');
    }
    return text;
}

const CliCommand* findCliCommand(const QString& name) {
    for (const CliCommand* command : cliCommands()) {
        if (command->name == name)
            return command;
    }
    return nullptr;
}

CliCall::CliCall(const CliCommand& command, QCommandLineParser& parser, ProgramServices& services,
                 TerminalFrame& frame)
    : m_command(command), m_parser(parser), m_services(services), m_frame(frame) {}

bool CliCall::isSet(const QString& option) const {
    return m_parser.isSet(option);
}

QString CliCall::value(const QString& option) const {
    return m_parser.value(option);
}

QStringList CliCall::arguments() const {
    return m_parser.positionalArguments();
}

std::optional<int> CliCall::wholeNumber(const QString& option, int low, int high) const {
    bool ok = false;
    const int number = value(option).toInt(&ok);
    if (ok && number >= low && number <= high)
        return number;
    printError(QStringLiteral("--%1 takes a whole number from %2 to %3").arg(option).arg(low).arg(high));
    return std::nullopt;
}

std::optional<QDate> CliCall::day(const QString& option) const {
    if (!isSet(option))
        return QDate();
    const QDate day = QDate::fromString(value(option), QStringLiteral("yyyy-MM-dd"));
    if (day.isValid())
        return day;
    printError(QStringLiteral("--%1 takes a day written yyyy-mm-dd").arg(option));
    return std::nullopt;
}

std::optional<QString> CliCall::choice(const QString& option, const QStringList& words) const {
    const QString given = value(option);
    if (words.contains(given))
        return given;
    const QString listed = words.size() < 2 ? words.join(QString())
                                            : words.mid(0, words.size() - 1).join(QStringLiteral(", ")) +
                                                  QStringLiteral(" or ") + words.last();
    printError(QStringLiteral("--%1 takes %2").arg(option, listed));
    return std::nullopt;
}

int CliCall::usageError(const QString& message) const {
    printError(message + QLatin1Char('\n') + usageLine(m_command));
    return kExitUsage;
}

bool parseCliCommand(const CliCommand& command, const QStringList& arguments, QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const CliOption& option : command.options) {
        QCommandLineOption declared(option.name, option.help);
        if (!option.value.isEmpty()) {
            declared.setValueName(option.value);
            if (!option.defaultValue.isEmpty())
                declared.setDefaultValue(option.defaultValue);
        }
        parser.addOption(declared);
    }
    const auto refuse = [&](const QString& message) {
        printError(message + QLatin1Char('\n') + usageLine(command));
        return false;
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText());
    for (const auto& [first, second] : command.exclusive) {
        if (parser.isSet(first) && parser.isSet(second))
            return refuse(QStringLiteral("%1 and %2 exclude each other").arg(dashed(first), dashed(second)));
    }
    for (const QString& name : command.required) {
        if (!parser.isSet(name)) {
            const CliOption* option = findOption(command, name);
            return refuse(
                QStringLiteral("%1 needs %2").arg(command.name, option ? optionUsage(*option) : name));
        }
    }
    const qsizetype given = parser.positionalArguments().size();
    if (given < command.minArguments || (command.maxArguments >= 0 && given > command.maxArguments)) {
        if (command.maxArguments == 0)
            return refuse(QStringLiteral("%1 takes no arguments besides its options").arg(command.name));
        return refuse(QStringLiteral("%1 takes %2").arg(command.name, command.arguments));
    }
    return true;
}

namespace {

// The quote folder of the call: --quote DIR, which must exist, else the folder the settings
// select, which must exist when the command cannot do without it.
int prepareQuoteFolder(ProgramServices& services, bool required) {
    const QString folder = services.quoteFolder();
    if (QFileInfo(folder).isDir())
        return kExitOk;
    if (services.quoteFolderOverridden()) {
        printError(QStringLiteral("the quote folder %1 does not exist").arg(folder));
        return kExitUsage;
    }
    if (!required)
        return kExitOk;  // the hand-kept table stands in for the name tables
    Settings& settings = services.settings();
    printError(
        QStringLiteral("the quote folder %1 (Folder/%2 in %3) does not exist: give --quote DIR, or set it "
                       "with 'quarrow-cli settings set Folder %2 DIR'")
            .arg(folder, settings.hualinSelected() ? QStringLiteral("hualin") : QStringLiteral("dongfang"),
                 settings.fileName()));
    return kExitUsage;
}

}  // namespace

int CliCall::prepare() {
    ProgramServices& services = m_services;
    const unsigned needs = m_command.needs;
    // A settings file that cannot be read (one grown past any settings file's size, say)
    // gives every key its default and takes no write: said once, before the command runs.
    if (QString settingsError; !services.settings().file().isReadable(&settingsError))
        printError(
            QStringLiteral("cannot read the settings file %1 (%2): the defaults are used and nothing is "
                           "written to it")
                .arg(services.settings().fileName(), settingsError));
    if (needs & (kNeedsQuoteFolder | kNeedsQuoteFolderIfAny | kNeedsQuoteProgram | kNeedsStockList))
        services.loadSetup();
    if (needs & (kNeedsQuoteFolder | kNeedsQuoteFolderIfAny | kNeedsQuoteProgram)) {
        const bool required = (needs & (kNeedsQuoteFolder | kNeedsQuoteProgram)) != 0;
        if (const int status = prepareQuoteFolder(services, required); status != kExitOk)
            return status;
    }
    if (needs & (kNeedsStore | kNeedsStoreIfAny)) {
        const bool opened = services.openStore();
        const QString name = services.storeLocation().displayName();
        if (!opened && (needs & kNeedsStore)) {
            printError(QStringLiteral("cannot open the database %1: %2").arg(name, services.storeError()));
            return kExitFailure;
        }
        if (!opened)
            printError(QStringLiteral("the database %1 did not open (%2)").arg(name, services.storeError()));
        for (const QString& note : services.store().migrationNotes())
            printError(QStringLiteral("%1: %2").arg(name, note));
    }
    if (needs & kNeedsStockList) {
        QString error;
        if (!services.loadStockList(&error)) {
            printError(error);
            return kExitFailure;
        }
        if (services.stocks().isEmpty() && !(needs & kEmptyStockListAllowed)) {
            printError(QStringLiteral(
                "no stocks: neither the quote program's name tables nor the hand-kept table list any"));
            return kExitFailure;
        }
    }
    if (needs & kNeedsOwnStocks) {
        QString error;
        if (!services.loadOwnStocks(&error)) {
            printError(QStringLiteral("cannot read the own stock list %1: %2")
                           .arg(services.ownStocks().file(), error));
            return kExitFailure;
        }
    }
    if (needs & kNeedsQuoteProgram) {
        QString error;
        if (!services.loadAlarm(&error))
            printError(QStringLiteral("the alarm %1 cannot be played (%2); going on without it")
                           .arg(services.folder().filePath(QStringLiteral("alarm.mp3")), error));
    }
    return kExitOk;
}

void printError(const QString& message) {
    const QByteArray bytes = (QStringLiteral("quarrow-cli: ") + message + QLatin1Char('\n')).toUtf8();
    std::fflush(stdout);
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

void printOut(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

std::optional<QString> sixDigitCode(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^(?:sh|sz)?(\\d{6})$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1);
}

bool isPrefixedCode(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^(?:sh|sz)\\d{6}$"));
    return pattern.match(text).hasMatch();
}

}  // namespace quarrow

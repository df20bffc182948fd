// quarrow-cli settings get SECTION KEY | settings set SECTION KEY VALUE: the settings file
// for scripts.

#include "app/Trim.h"
#include "cli/CliCommands.h"
#include "program/ProgramServices.h"

namespace quarrow {

namespace {

bool isValidName(const QString& name) {
    if (trimBlanks(name).isEmpty() || trimBlanks(name) != name)
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('[') || c == QLatin1Char(']') || c == QLatin1Char('=') ||
            c == QLatin1Char(';') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return false;
    }
    return true;
}

QString typeDescription(SettingType type) {
    switch (type) {
        case SettingType::Integer:
            return QStringLiteral("a whole number");
        case SettingType::Boolean:
            return QStringLiteral("1 or 0");
        case SettingType::Date:
            return QStringLiteral("a date yyyy-mm-dd");
        case SettingType::Time:
            return QStringLiteral("a time of day hh:mm:ss");
        case SettingType::Decimal:
            return QStringLiteral("a decimal number such as 7 or 7.5");
        case SettingType::Text:
            break;
    }
    return QStringLiteral("a text");
}

// get prints the value the program would use (the key's default when the file does not
// hold it).
int runSettings(CliCall& call) {
    const QStringList words = call.arguments();
    const QString action = words.value(0);
    if (!((action == QLatin1String("get") && words.size() == 3) ||
          (action == QLatin1String("set") && words.size() == 4)))
        return call.usageError(QStringLiteral("give get SECTION KEY, or set SECTION KEY VALUE"));
    const QString section = words.at(1);
    const QString key = words.at(2);
    if (!isValidName(section) || !isValidName(key)) {
        printError(
            QStringLiteral("section and key names cannot be empty, start or end with spaces, or hold [ ] = ; "
                           "or line breaks"));
        return kExitUsage;
    }
    Settings& settings = call.services().settings();
    const auto known = findSettingKey(section, key);

    if (action == QLatin1String("get")) {
        // A file that is there but cannot be read must not pass for one without the key.
        QString readError;
        if (!settings.file().isReadable(&readError)) {
            printError(QStringLiteral("cannot read %1: %2").arg(settings.fileName(), readError));
            return kExitFailure;
        }
        const auto value = settings.file().read(section, key);
        if (!value && !known) {
            printError(QStringLiteral("[%1] %2 is not set in %3 and has no default")
                           .arg(section, key, settings.fileName()));
            return kExitFailure;
        }
        printOut(settings.effectiveText(section, key) + QLatin1Char('\n'));
        return kExitOk;
    }

    const QString value = words.at(3);
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'))) {
        printError(QStringLiteral("a value cannot hold line breaks"));
        return kExitUsage;
    }
    if (known) {
        const bool valid = known->type == SettingType::Boolean
                               ? (value == QLatin1String("0") || value == QLatin1String("1"))
                               : Settings::isValid(known->type, value);
        if (!valid) {
            printError(QStringLiteral("[%1] %2 takes %3, not '%4'")
                           .arg(section, key, typeDescription(known->type), value));
            return kExitUsage;
        }
    }
    if (!settings.writeText(section, key, value)) {
        printError(QStringLiteral("cannot write %1: %2").arg(settings.fileName(), settings.lastError()));
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

const CliCommand& settingsCommand() {
    static const CliCommand command{
        .name = QStringLiteral("settings"),
        .arguments = QStringLiteral("get SECTION KEY | set SECTION KEY VALUE"),
        .summary = QStringLiteral("read or change the settings file quarrow.INI (typed keys are checked)"),
        .minArguments = 3,
        .maxArguments = 4,
        .run = &runSettings,
    };
    return command;
}

}  // namespace quarrow

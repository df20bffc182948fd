#include "app/cli/CliCommands.h"

#include <cstdio>

namespace quarrow {

const std::vector<CliCommand>& cliCommands()
{
    static const std::vector<CliCommand> commands = {
        {"extract", "--code CODE [--name NAME] [--all-changes] [--percent N] [--document] FILE...",
         "parse captured dragon-tiger reports of one stock into the database", &runExtract},
        {"summary", "", "print what the database holds", &runSummary},
        {"generate-reports", "--out DIR [--count N] [--seed S]",
         "write generated dragon-tiger reports (demo and test data)", &runGenerateReports},
    };
    return commands;
}

bool parseCommandLine(QCommandLineParser& parser, const QStringList& arguments, const char* synopsis)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (parser.parse(arguments))
        return true;
    printError(QStringLiteral("%1\nusage: quarrow-cli [--home DIR] %2 %3")
                   .arg(parser.errorText(), arguments.value(0), QString::fromUtf8(synopsis)));
    return false;
}

void printError(const QString& message)
{
    const QByteArray bytes = (QStringLiteral("quarrow-cli: ") + message + QLatin1Char('\n')).toUtf8();
    std::fflush(stdout);
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

void printOut(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

}  // namespace quarrow

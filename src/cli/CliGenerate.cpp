#include "app/SafeFile.h"
#include "cli/CliCommands.h"

#include "report/ReportDocuments.h"
#include "demo/ReportGenerator.h"

#include <QDir>

namespace quarrow {

// quarrow-cli generate-reports: writes generated reports into a folder, with a manifest
// "reports.tsv" (file, code, name) for scripts.
int runGenerateReports(CliContext& context, const QStringList& arguments) {
    static const char* synopsis = "--out DIR [--count N] [--seed S]";
    QCommandLineParser parser;
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Folder."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Reports."),
                                         QStringLiteral("N"), QStringLiteral("6"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed."), QStringLiteral("S"),
                                        QStringLiteral("20170316"));
    parser.addOptions({outOption, countOption, seedOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    bool countOk = false;
    bool seedOk = false;
    const int count = parser.value(countOption).toInt(&countOk);
    const quint32 seed = parser.value(seedOption).toUInt(&seedOk);
    if (!parser.isSet(outOption) || !countOk || count < 1 || !seedOk) {
        printError(QStringLiteral("usage: quarrow-cli generate-reports %1").arg(QString::fromUtf8(synopsis)));
        return kExitUsage;
    }
    const QString folder = parser.value(outOption);
    if (!QDir().mkpath(folder)) {
        printError(QStringLiteral("cannot create %1").arg(folder));
        return kExitFailure;
    }

    ReportGenerator generator(seed);
    const QDate reportDate = context.clock.today().dayOfWeek() <= 5
                                 ? context.clock.today()
                                 : context.clock.today().addDays(5 - context.clock.today().dayOfWeek());
    QString manifest;
    for (const GeneratedStock& stock : ReportGenerator::stocks(count)) {
        const GeneratedReport report =
            generator.generate(stock, reportDate, 2 + static_cast<int>(manifest.size() % 4), 3);
        const QString name =
            QStringLiteral("%1-%2.txt").arg(stock.code, reportDate.toString(QStringLiteral("yyyy-MM-dd")));
        QString error;
        if (!ReportDocuments::writeDocument(QDir(folder).filePath(name), report.lines, &error)) {
            printError(QStringLiteral("cannot write %1: %2").arg(name, error));
            return kExitFailure;
        }
        manifest +=
            name + QLatin1Char('\t') + stock.code + QLatin1Char('\t') + stock.name + QLatin1Char('\n');
    }
    QString error;
    if (!SafeFile::replace(QDir(folder).filePath(QStringLiteral("reports.tsv")), manifest.toUtf8(), &error,
                           SafeFile::Durability::Unsynced)) {
        printError(QStringLiteral("cannot write the manifest in %1: %2").arg(folder, error));
        return kExitFailure;
    }
    printOut(QStringLiteral("%1 reports written to %2\n").arg(count).arg(folder));
    return kExitOk;
}

}  // namespace quarrow

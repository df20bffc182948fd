#include "cli/CliCommands.h"

#include "app/Settings.h"
#include "platform/NetworkState.h"
#include "platform/ProcessLauncher.h"
#include "report/ReportDocuments.h"
#include "report/StockExtraction.h"

#include <QFileInfo>

namespace quarrow {

// quarrow-cli extract: runs the per-stock extraction on saved or captured report texts,
// as the re-analysis does, or with --document as the mining run does.
int runExtract(CliContext& context, const QStringList& arguments) {
    static const char* synopsis =
        "--code CODE [--name NAME] [--all-changes] [--percent N] [--document] FILE...";
    QCommandLineParser parser;
    const QCommandLineOption codeOption(QStringLiteral("code"), QStringLiteral("Stock code."),
                                        QStringLiteral("CODE"));
    const QCommandLineOption nameOption(QStringLiteral("name"), QStringLiteral("Stock name."),
                                        QStringLiteral("NAME"));
    const QCommandLineOption allOption(QStringLiteral("all-changes"),
                                       QStringLiteral("Walk every anomaly day."));
    const QCommandLineOption percentOption(QStringLiteral("percent"), QStringLiteral("Least price change."),
                                           QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption documentOption(QStringLiteral("document"),
                                            QStringLiteral("Keep the report as a document and archive it."));
    const QCommandLineOption rarOption(QStringLiteral("rar"), QStringLiteral("Archiver folder."),
                                       QStringLiteral("DIR"));
    parser.addOptions({codeOption, nameOption, allOption, percentOption, documentOption, rarOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;

    if (!parser.isSet(codeOption)) {
        printError(QStringLiteral("extract needs --code CODE"));
        return kExitUsage;
    }
    const std::optional<int> percent = wholeNumberOption(parser, percentOption, 0, 100);
    if (!percent)
        return kExitUsage;
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        printError(QStringLiteral("extract needs at least one report FILE"));
        return kExitUsage;
    }

    // Read every file first: a typo in the last name should not leave half the work done.
    QList<QStringList> reports;
    for (const QString& file : files) {
        QString error;
        bool replaced = false;
        const auto lines = ReportDocuments::readDocument(file, &error, &replaced);
        if (!lines) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, error));
            return kExitFailure;
        }
        if (replaced)
            printError(QStringLiteral("warning: %1 holds bytes that are neither UTF-8 nor GBK; "
                                      "they were read as replacement characters")
                           .arg(file));
        reports.append(*lines);
    }

    // The desktop program goes on parsing without a database; here storing is the whole job.
    TDataBase db(context.home.databaseFile());
    if (!openDatabaseOrReport(db))
        return kExitFailure;

    ProcessLauncher& launcher = context.platform.launcher();
    NetworkState& network = context.platform.network();
    const Archiver& archiver = context.platform.archiver();
    ExtractionServices services{db, context.frame, context.clock, launcher, archiver, network, context.home};
    ExtractionTotals totals;
    StockExtraction extraction(services, totals);

    ExtractionOptions options;
    options.code = parser.value(codeOption);
    options.name = parser.value(nameOption);
    options.allChanges = parser.isSet(allOption);
    options.percent = *percent;
    // The archiver's folder is a setting; --rar overrides it for this call.
    options.rarFolder =
        parser.isSet(rarOption) ? parser.value(rarOption) : Settings(context.home, context.clock).rarFolder();
    const ExtractionCaller caller =
        parser.isSet(documentOption) ? ExtractionCaller::MiningRun : ExtractionCaller::Reanalysis;
    bool documentsKept = true;
    for (int i = 0; i < reports.size(); ++i) {
        const ExtractionResult result = extraction.run(reports.at(i), options, caller);
        if (!result.ran)
            return kExitFailure;  // the code itself was refused; the prompt line said why
        if (result.storeFailed) {
            // The files after it would meet the same refusal; what came before is stored.
            printError(QStringLiteral("%1 was not stored: %2").arg(files.at(i), result.storeError));
            return kExitFailure;
        }
        if (!result.documentError.isEmpty()) {
            printError(QStringLiteral("%1 was stored but not kept as a document: %2")
                           .arg(files.at(i), result.documentError));
            documentsKept = false;
        }
    }
    return documentsKept ? kExitOk : kExitFailure;
}

}  // namespace quarrow

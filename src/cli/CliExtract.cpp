// quarrow-cli extract: runs the per-stock extraction on saved or captured report texts,
// as the re-analysis does, or with --document as the mining run does.

#include "cli/CliCommands.h"
#include "cli/CliJob.h"
#include "program/ProgramServices.h"
#include "quotefiles/StockPicker.h"
#include "report/ReportDocuments.h"

namespace quarrow {

namespace {

// Every file is read first: a typo in the last name should not leave half the work done.
std::optional<QList<QStringList>> readReports(const QStringList& files) {
    QList<QStringList> reports;
    for (const QString& file : files) {
        QString error;
        bool replaced = false;
        const auto lines = ReportDocuments::readDocument(file, &error, &replaced);
        if (!lines) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, error));
            return std::nullopt;
        }
        if (replaced)
            printError(QStringLiteral("warning: %1 holds bytes that are neither UTF-8 nor GBK; "
                                      "they were read as replacement characters")
                           .arg(file));
        reports.append(*lines);
    }
    return reports;
}

// The name the all-stocks list gives the stock, as the window takes it from its name panel;
// empty, with a warning, when the list does not know the stock.
QString listedName(ProgramServices& services, const QString& code) {
    QString error;
    if (!services.loadStockList(&error))
        printError(QStringLiteral("warning: the stock list could not be read: %1").arg(error));
    const QString name = services.stocks().nameOf(PrefixCode(code.trimmed()));
    if (name.trimmed().isEmpty())
        printError(QStringLiteral("warning: the stock list does not name %1; give --name to store its name")
                       .arg(code));
    return name;
}

int runExtract(CliCall& call) {
    const std::optional<int> percent = call.wholeNumber(QStringLiteral("percent"), 0, kPercentThresholdMax);
    if (!percent)
        return kExitUsage;
    const QStringList files = call.arguments();
    const auto reports = readReports(files);
    if (!reports)
        return kExitFailure;
    if (const int status = call.prepare(); status != kExitOk)
        return status;

    ProgramServices& services = call.services();
    ExtractionOptions options;
    options.code = call.value(QStringLiteral("code"));
    options.name = call.value(QStringLiteral("name"));
    if (!call.isSet(QStringLiteral("name")))
        options.name = listedName(services, options.code);
    options.allChanges = call.isSet(QStringLiteral("all-changes"));
    options.percent = *percent;
    // The archiver's folder is a setting; --rar overrides it for this call.
    options.rarFolder = call.isSet(QStringLiteral("rar")) ? call.value(QStringLiteral("rar"))
                                                          : services.settings().rarFolder();
    const ExtractionCaller caller =
        call.isSet(QStringLiteral("document")) ? ExtractionCaller::MiningRun : ExtractionCaller::Reanalysis;
    ExtractionAccount account;
    const ExtractionJobOutcome outcome = services.jobs().extract(*reports, options, caller, account);
    // Each file that did not bring what it was given for is named; the last line says how
    // the command ended.
    for (qsizetype i = 0; i < outcome.results.size(); ++i) {
        const ExtractionResult& result = outcome.results.at(i);
        if (!result.ran)
            continue;
        if (result.storeFailed)  // the closing line gives the database's reason
            printError(QStringLiteral("%1 was not stored").arg(files.at(i)));
        else if (!result.reportRecognised)
            printError(QStringLiteral("%1 is not the dragon-tiger report of %2; nothing of it was stored")
                           .arg(files.at(i), options.code));
        else if (!result.holdsData())
            printError(QStringLiteral("%1 holds no anomaly day and no block trade; nothing was stored")
                           .arg(files.at(i)));
        if (!result.documentError.isEmpty())
            printError(QStringLiteral("%1 was stored but not kept as a document: %2")
                           .arg(files.at(i), result.documentError));
    }
    return exitStatusOf(outcome);
}

}  // namespace

const CliCommand& extractCommand() {
    // The desktop program goes on parsing without a database; here storing is the whole job.
    static const CliCommand command{
        .name = QStringLiteral("extract"),
        .arguments = QStringLiteral("FILE..."),
        .summary = QStringLiteral("parse captured dragon-tiger reports of one stock into the database"),
        .options = {{QStringLiteral("code"), QStringLiteral("CODE"),
                     QStringLiteral("The stock's six-digit code.")},
                    {QStringLiteral("name"), QStringLiteral("NAME"),
                     QStringLiteral("The stock's name (default: the stock list's).")},
                    {QStringLiteral("all-changes"),
                     {},
                     QStringLiteral("Store every anomaly day, not only the newest.")},
                    {QStringLiteral("percent"), QStringLiteral("N"),
                     QStringLiteral("Skip price moves smaller than N percent."), QStringLiteral("0")},
                    {QStringLiteral("document"),
                     {},
                     QStringLiteral("Keep the report as a document and archive it, as the mining run does.")},
                    {QStringLiteral("rar"), QStringLiteral("DIR"),
                     QStringLiteral("The archiver's folder for this call.")}},
        .required = {QStringLiteral("code")},
        .minArguments = 1,
        .maxArguments = -1,
        .needs = kNeedsStore,
        .run = &runExtract,
    };
    return command;
}

}  // namespace quarrow

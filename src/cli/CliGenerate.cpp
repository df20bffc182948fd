// quarrow-cli generate-reports, generate-quote and generate-corpus: demo and test data.

#include "app/SafeFile.h"
#include "cli/CliCommands.h"
#include "demo/DemoCorpus.h"
#include "demo/QuoteFolderGenerator.h"
#include "demo/ReportGenerator.h"
#include "platform/Clock.h"
#include "program/ProgramServices.h"
#include "quotefiles/StockListLoader.h"
#include "report/ReportDocuments.h"
#include "store/StockTable.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

namespace {

std::optional<quint32> seedOf(const CliCall& call) {
    bool ok = false;
    const quint32 seed = call.value(QStringLiteral("seed")).toUInt(&ok);
    if (ok)
        return seed;
    printError(QStringLiteral("--seed takes a whole number from 0 to 4294967295"));
    return std::nullopt;
}

// Writes generated reports into a folder, with a manifest "reports.tsv" (file, code,
// name) for scripts.
int runGenerateReports(CliCall& call) {
    const std::optional<int> count = call.wholeNumber(QStringLiteral("count"), 1, 100000);
    const std::optional<quint32> seed = count ? seedOf(call) : std::nullopt;
    if (!seed)
        return kExitUsage;
    const QString folder = call.value(QStringLiteral("out"));
    if (!QDir().mkpath(folder)) {
        printError(QStringLiteral("cannot create %1").arg(folder));
        return kExitFailure;
    }

    ReportGenerator generator(*seed);
    const QDate today = call.services().clock().today();
    const QDate reportDate = today.dayOfWeek() <= 5 ? today : today.addDays(5 - today.dayOfWeek());
    QString manifest;
    for (const GeneratedStock& stock : ReportGenerator::stocks(*count)) {
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
    printOut(QStringLiteral("%1 reports written to %2\n").arg(*count).arg(folder));
    return kExitOk;
}

// A demo quote-program folder, the same for the same seed.
int runGenerateQuote(CliCall& call) {
    QuoteFolderOptions options;
    const std::optional<int> stocks = call.wholeNumber(QStringLiteral("stocks"), 1, 10000);
    const std::optional<int> bars =
        stocks ? call.wholeNumber(QStringLiteral("bars"), 5, 1000000) : std::nullopt;
    const std::optional<quint32> seed = bars ? seedOf(call) : std::nullopt;
    if (!seed)
        return kExitUsage;
    options.stockCount = *stocks;
    options.barCount = *bars;
    options.seed = *seed;
    const QString folder = call.value(QStringLiteral("out"));
    QString error;
    if (!QuoteFolderGenerator(options).write(folder, &error)) {
        printError(error);
        return kExitFailure;
    }
    printOut(QStringLiteral("quote folder with %1 stocks of up to %2 bars written to %3\n")
                 .arg(options.stockCount)
                 .arg(options.barCount)
                 .arg(folder));
    return kExitOk;
}

// Fills the program folder with generated saved report documents (demo, tests,
// benchmarks), writes the hand-kept stock table of those stocks when there is none, and
// enters the stocks' names in the database, as the stock-list import would have.
int runGenerateCorpus(CliCall& call) {
    const std::optional<int> stocks = call.wholeNumber(QStringLiteral("stocks"), 1, 20000);
    const std::optional<int> documents =
        stocks ? call.wholeNumber(QStringLiteral("docs"), 1, 20) : std::nullopt;
    const std::optional<quint32> seed = documents ? seedOf(call) : std::nullopt;
    if (!seed)
        return kExitUsage;
    DemoCorpusOptions options;
    options.stocks = *stocks;
    options.documentsPerStock = *documents;
    options.seed = *seed;

    ProgramServices& services = call.services();
    const ProgramFolder& home = services.folder();
    // A table the folder has already is the user's: it stays, and the batch walks only its stocks.
    const bool tableKept = QFileInfo::exists(home.filePath(handKeptTableName()));
    QList<DemoCorpusStock> written;
    QString error;
    if (!DemoCorpus(options).write(home, &written, &error)) {
        printError(error);
        return kExitFailure;
    }

    int named = 0;
    if (services.openStore()) {
        TDataBase& db = services.store();
        Transaction transaction(db);
        for (const DemoCorpusStock& entry : written) {
            // A stock the database already knows keeps its row; the unique code turns this away.
            named += insertStock(db, {entry.stock.code, entry.stock.name, {}, {}, {}}).inserted() ? 1 : 0;
        }
        if (!transaction.commit()) {
            printError(QStringLiteral("the stock names were not entered in the database: %1")
                           .arg(db.transactionError()));
            named = 0;
        }
    } else {
        printError(QStringLiteral("cannot open the database %1 (%2): the stock names were not entered")
                       .arg(services.storeLocation().displayName(), services.storeError()));
    }
    printOut(QStringLiteral("%1 stocks with %2 documents each written to %3 (%4 new names in the database)\n")
                 .arg(written.size())
                 .arg(options.documentsPerStock)
                 .arg(home.path())
                 .arg(named));
    printOut(tableKept ? QStringLiteral("the stock table %1 was there already and is kept as it is\n")
                             .arg(handKeptTableName())
                       : QStringLiteral("the stock table %1 lists the %2 stocks\n")
                             .arg(handKeptTableName())
                             .arg(written.size()));
    return kExitOk;
}

CliOption seedOption(const QString& value) {
    return {QStringLiteral("seed"), QStringLiteral("S"), QStringLiteral("The generator's seed."), value};
}

}  // namespace

const CliCommand& generateReportsCommand() {
    static const CliCommand command{
        .name = QStringLiteral("generate-reports"),
        .summary =
            QStringLiteral("write generated dragon-tiger reports and their manifest (demo and test data)"),
        .options = {{QStringLiteral("out"), QStringLiteral("DIR"), QStringLiteral("The folder to write to.")},
                    {QStringLiteral("count"), QStringLiteral("N"), QStringLiteral("How many reports."),
                     QStringLiteral("6")},
                    seedOption(QStringLiteral("20170316"))},
        .required = {QStringLiteral("out")},
        .run = &runGenerateReports,
    };
    return command;
}

const CliCommand& generateQuoteCommand() {
    const QuoteFolderOptions defaults;
    static const CliCommand command{
        .name = QStringLiteral("generate-quote"),
        .summary = QStringLiteral("write a generated quote-program folder (demo and test data)"),
        .options = {{QStringLiteral("out"), QStringLiteral("DIR"), QStringLiteral("The folder to write to.")},
                    {QStringLiteral("stocks"), QStringLiteral("N"),
                     QStringLiteral("How many stocks (1 to 10000)."), QString::number(defaults.stockCount)},
                    {QStringLiteral("bars"), QStringLiteral("N"),
                     QStringLiteral("Daily bars per stock (at least 5)."),
                     QString::number(defaults.barCount)},
                    seedOption(QString::number(defaults.seed))},
        .required = {QStringLiteral("out")},
        .run = &runGenerateQuote,
    };
    return command;
}

const CliCommand& generateCorpusCommand() {
    static const CliCommand command{
        .name = QStringLiteral("generate-corpus"),
        .summary = QStringLiteral(
            "fill the program folder with generated saved report documents (demo and test data)"),
        .options = {{QStringLiteral("stocks"), QStringLiteral("N"), QStringLiteral("How many stocks."),
                     QStringLiteral("300")},
                    {QStringLiteral("docs"), QStringLiteral("M"), QStringLiteral("Documents per stock."),
                     QStringLiteral("3")},
                    seedOption(QStringLiteral("20170316"))},
        .run = &runGenerateCorpus,
    };
    return command;
}

}  // namespace quarrow

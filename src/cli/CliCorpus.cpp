#include "cli/CliCommands.h"
#include "demo/DemoCorpus.h"
#include "quotefiles/StockListLoader.h"
#include "store/DataBase.h"

#include <QFileInfo>

namespace quarrow {

// quarrow-cli generate-corpus: fills the program folder with generated saved report
// documents (demo, tests, benchmarks), writes the hand-kept stock table of those stocks
// when there is none, and enters the stocks' names in the database, as the stock-list
// import would have.
int runGenerateCorpus(CliContext& context, const QStringList& arguments) {
    static const char* synopsis = "[--stocks N] [--docs M] [--seed S]";
    QCommandLineParser parser;
    const QCommandLineOption stocksOption(QStringLiteral("stocks"), QStringLiteral("Stocks."),
                                          QStringLiteral("N"), QStringLiteral("300"));
    const QCommandLineOption docsOption(QStringLiteral("docs"), QStringLiteral("Documents per stock."),
                                        QStringLiteral("M"), QStringLiteral("3"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed."), QStringLiteral("S"),
                                        QStringLiteral("20170316"));
    parser.addOptions({stocksOption, docsOption, seedOption});
    if (!parseCommandLine(parser, arguments, synopsis))
        return kExitUsage;
    const std::optional<int> stocks = wholeNumberOption(parser, stocksOption, 1, 20000);
    if (!stocks)
        return kExitUsage;
    const std::optional<int> documents = wholeNumberOption(parser, docsOption, 1, 20);
    if (!documents)
        return kExitUsage;
    bool seedOk = false;
    DemoCorpusOptions options;
    options.stocks = *stocks;
    options.documentsPerStock = *documents;
    options.seed = parser.value(seedOption).toUInt(&seedOk);
    if (!seedOk || !parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("usage: quarrow-cli generate-corpus %1").arg(QString::fromUtf8(synopsis)));
        return kExitUsage;
    }

    // A table the folder has already is the user's: it stays, and the batch walks only its stocks.
    const bool tableKept = QFileInfo::exists(context.home.filePath(handKeptTableName()));
    QList<DemoCorpusStock> written;
    QString error;
    if (!DemoCorpus(options).write(context.home, &written, &error)) {
        printError(error);
        return kExitFailure;
    }

    TDataBase db(context.home.databaseFile());
    int named = 0;
    if (db.open()) {
        Transaction transaction(db);
        for (const DemoCorpusStock& entry : written) {
            // A stock the database already knows keeps its row; the unique code turns this away.
            Statement insert = db.QueryPublic(
                QStringLiteral("insert into tblStocks (StCode,StName) values(:StCode,:StName)"));
            insert.bind(QStringLiteral(":StCode"), entry.stock.code)
                .bind(QStringLiteral(":StName"), entry.stock.name);
            named += insert.exec() ? 1 : 0;
        }
        transaction.commit();
    } else {
        printError(QStringLiteral("cannot open the database %1 (%2): the stock names were not entered")
                       .arg(db.fileName(), db.openError()));
    }
    printOut(QStringLiteral("%1 stocks with %2 documents each written to %3 (%4 new names in the database)\n")
                 .arg(written.size())
                 .arg(options.documentsPerStock)
                 .arg(context.home.path())
                 .arg(named));
    printOut(tableKept ? QStringLiteral("the stock table %1 was there already and is kept as it is\n")
                             .arg(handKeptTableName())
                       : QStringLiteral("the stock table %1 lists the %2 stocks\n")
                             .arg(handKeptTableName())
                             .arg(written.size()));
    return kExitOk;
}

}  // namespace quarrow

#include "demo/DemoCorpus.h"
#include "demo/QuoteFolderGenerator.h"

#include "app/ProgramFolder.h"
#include "quotefiles/StockListLoader.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

// A corpus re-analyses without a quote program: its hand-kept table lists exactly its
// stocks, the same as a generated quote folder of that size. A table already there is the
// user's and is left alone.
TEST(DemoCorpus, ItsHandKeptTableListsItsStocksUnlessTheFolderHasOne) {
    DemoCorpusOptions options;
    options.stocks = 7;
    options.documentsPerStock = 1;
    for (const bool ownTable : {false, true}) {
        SCOPED_TRACE(ownTable);
        TempHome home;
        const ProgramFolder folder(home.path());
        const QString table = folder.filePath(handKeptTableName());
        const QByteArray own = "sz|深发展A|000001\r\n";
        if (ownTable) {
            QFile file(table);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(own);
        }
        QList<DemoCorpusStock> written;
        QString error;
        ASSERT_TRUE(DemoCorpus(options).write(folder, &written, &error)) << error.toStdString();

        RecordingFrame frame;
        StockList list;
        StockListLoader(frame).loadHandKept(table, list);
        if (ownTable) {
            ASSERT_EQ(list.size(), 1);
            EXPECT_EQ(list.at(0).key, QStringLiteral("sz000001"));
            continue;
        }
        const GeneratedQuoteFolder quote = QuoteFolderGenerator({.stockCount = options.stocks}).plan();
        ASSERT_EQ(list.size(), options.stocks);
        ASSERT_EQ(written.size(), options.stocks);
        for (int i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list.at(i).key, quote.stocks[i].key);
            EXPECT_EQ(list.at(i).name, quote.stocks[i].name);
            EXPECT_EQ(list.at(i).key.right(6), written[i].stock.code);
            EXPECT_TRUE(QFileInfo(folder.stockFolder(written[i].stock.code)).isDir());
        }
    }
}

#include "demo/QuoteFolderGenerator.h"

#include "quotefiles/DailyChanges.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/ShareCapital.h"
#include "quotefiles/StockListLoader.h"
#include "quotefiles/StockScreening.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDirIterator>

using namespace quarrow;
using namespace quarrow::test;

namespace {

QByteArray folderDigest(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& path : files) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        hash.addData(QDir(folder).relativeFilePath(path).toUtf8());
        hash.addData(file.readAll());
    }
    return hash.result();
}

QuoteFolderOptions smallMarket(quint32 seed) {
    QuoteFolderOptions options;
    options.stockCount = 40;
    options.barCount = 60;
    options.seed = seed;
    return options;
}

}  // namespace

TEST(QuoteFolderGenerator, TheSameSeedGivesTheSameBytes) {
    TempHome a;
    TempHome b;
    TempHome c;
    ASSERT_TRUE(QuoteFolderGenerator(smallMarket(7)).write(a.path()));
    ASSERT_TRUE(QuoteFolderGenerator(smallMarket(7)).write(b.path()));
    ASSERT_TRUE(QuoteFolderGenerator(smallMarket(8)).write(c.path()));
    EXPECT_EQ(folderDigest(a.path()), folderDigest(b.path()));
    EXPECT_NE(folderDigest(a.path()), folderDigest(c.path()));
    QString error;
    QuoteFolderOptions none = smallMarket(7);
    none.stockCount = 0;
    EXPECT_FALSE(QuoteFolderGenerator(none).write(a.path(), &error));
    EXPECT_FALSE(error.isEmpty());
}

// The generated folder read back through the program's own readers: every planned stock
// is listed, imported and screened the way its role says.
TEST(QuoteFolderGenerator, ItsStocksReadBackAsPlanned) {
    TempHome home;
    const QString quote = home.file(QStringLiteral("quote"));
    const QuoteFolderGenerator generator(smallMarket(11));
    ASSERT_TRUE(generator.write(quote));
    const GeneratedQuoteFolder plan = generator.plan();

    RecordingFrame frame;
    StockList list;
    StockListLoader(frame).loadFromNameTables(quote, list);
    ASSERT_EQ(list.size(), plan.stocks.size());
    for (int i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list.at(i).key, plan.stocks[i].key);
        EXPECT_EQ(list.at(i).name, plan.stocks[i].name);
    }

    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    VirtualClock clock;
    const CapitalImportResult imported = ShareCapital(&db, frame, clock).importShareCapital(quote, list);
    EXPECT_EQ(imported.recordsRead, plan.stocks.size() + plan.extraBaseRecords);
    EXPECT_EQ(imported.inserted, plan.stocks.size());
    EXPECT_TRUE(imported.memo.contains(QStringLiteral("sh900901----无股票名称,其股票数据未保存.")));

    const IndexSummaries indexes = IndexSummaries::compute(quote, 3);
    EXPECT_EQ(indexes.shanghai.StDateLast, 20170316);
    EXPECT_EQ(indexes.shenzhen.StDateLast, 20170316);
    StockScreener screener(quote, &db, frame);
    for (const GeneratedQuoteStock& stock : plan.stocks) {
        if (!QFileInfo::exists(QuotePaths::dailyBarFile(quote, stock.key))) {
            EXPECT_EQ(stock.role, QuoteStockRole::NoDailyFile) << stock.key.toStdString();
            continue;
        }
        const ScreenResult result = screener.ScreenStock(stock.key, stock.name, 3, 20, indexes);
        const bool shouldPick = stock.role == QuoteStockRole::Surge || stock.role == QuoteStockRole::Plunge ||
                                stock.role == QuoteStockRole::HighTurnover ||
                                stock.role == QuoteStockRole::NewlyListed;
        EXPECT_EQ(result.picked, shouldPick) << stock.key.toStdString();
        EXPECT_EQ(result.stale, stock.role == QuoteStockRole::Stale) << stock.key.toStdString();
        if (stock.role == QuoteStockRole::HighTurnover) {
            EXPECT_EQ(result.measure, ScreenMeasure::Turnover);
        }
        if (stock.role == QuoteStockRole::NewlyListed) {
            EXPECT_EQ(result.stock.StDays, 2);
        }
        if (stock.role == QuoteStockRole::Suspended) {
            EXPECT_EQ(result.stock.StQTYLast, 0);
        }
    }
}

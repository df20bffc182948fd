#include "demo/QuoteFolderGenerator.h"

#include "app/TextCodec.h"
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

// The simulated quote program's pages: a dragon-tiger report, in the page layout and one of
// the program's encodings, for every stock the plan says has one, its days among the
// stock's bars and fitting its role; the others have none.
TEST(QuoteFolderGenerator, ItsPagesCarryReportsThatFitTheStocks) {
    TempHome home;
    const QuoteFolderGenerator generator(smallMarket(11));
    ASSERT_TRUE(generator.write(home.path()));
    const GeneratedQuoteFolder plan = generator.plan();
    EXPECT_TRUE(QFileInfo(home.file(QStringLiteral("TdxW.exe"))).isFile());

    const QList<QDate>& days = plan.tradingDays;
    const QList<QDate> lastThree = {days.at(days.size() - 1), days.at(days.size() - 2),
                                    days.at(days.size() - 3)};
    int without = 0;
    bool sawGbk = false;
    bool sawUtf8 = false;
    for (const GeneratedQuoteStock& stock : plan.stocks) {
        SCOPED_TRACE(stock.key.toStdString());
        const QString code = stock.key.mid(2);
        QFile page(home.file(QStringLiteral("sim/pages/%1.txt").arg(code)));
        const std::optional<GeneratedReport> report = generator.reportPage(plan, stock);
        ASSERT_EQ(page.exists(), stock.hasReportPage);
        ASSERT_EQ(report.has_value(), stock.hasReportPage);
        if (!stock.hasReportPage) {
            ++without;
            continue;
        }
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        const QByteArray bytes = page.readAll();
        (TextCodec::looksLikeUtf8(bytes) ? sawUtf8 : sawGbk) = true;
        const QStringList lines = TextCodec::decode(bytes).split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.mid(0, lines.size() - 1), report->lines);
        EXPECT_TRUE(lines.first().contains(QStringLiteral("☆龙虎榜单☆")));
        EXPECT_TRUE(lines.first().contains(code));
        for (const QDate& day : report->anomalyDays)
            EXPECT_TRUE(days.contains(day)) << day.toString(Qt::ISODate).toStdString();
        switch (stock.role) {
            case QuoteStockRole::Surge:
            case QuoteStockRole::Plunge:
                EXPECT_EQ(report->anomalyDays, lastThree);
                EXPECT_TRUE(report->lines.join(QLatin1Char('\n'))
                                .contains(stock.role == QuoteStockRole::Surge
                                              ? QStringLiteral("日涨幅偏离值")
                                              : QStringLiteral("日跌幅偏离值")));
                break;
            case QuoteStockRole::HighTurnover:
                EXPECT_EQ(report->anomalyDays, QList<QDate>{days.last()});
                EXPECT_TRUE(report->lines.join(QLatin1Char('\n')).contains(QStringLiteral("日换手率达20%")));
                break;
            case QuoteStockRole::Stale:
                EXPECT_EQ(report->reportDate, days.at(days.size() - 2));
                break;
            case QuoteStockRole::Ordinary:
                EXPECT_FALSE(report->anomalyDays.contains(days.last()));
                break;
            default:
                break;
        }
    }
    EXPECT_GT(without, 0);
    EXPECT_LT(without, plan.stocks.size() / 4);
    EXPECT_TRUE(sawGbk);
    EXPECT_TRUE(sawUtf8);
}

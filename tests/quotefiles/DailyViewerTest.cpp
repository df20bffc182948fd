#include "quotefiles/DailyViewer.h"

#include "QuoteTestFiles.h"
#include "support/TestSupport.h"

using namespace quarrow;
using namespace quarrow::test;

namespace {

QList<DailyBar> hundredBars() {
    QList<DailyBar> bars;
    for (int i = 0; i < 100; ++i) {
        // Closes go up and down in turn: 1000, 1100, 1000, 1100 …
        const qint32 close = i % 2 == 0 ? 1000 : 1100;
        bars.append(makeBar(20170101 + i, 1050, close, 1000 + i));
    }
    return bars;
}

QStringList dates(const DailyView& view) {
    QStringList result;
    for (const DailyViewRow& row : view.rows)
        result << row.cells.value(0);
    return result;
}

}  // namespace

TEST(DailyViewer, ShowsTheLastNBarsNewestFirstAgainstThePreviousClose) {
    TempHome home;
    writeBars(home.path(), QStringLiteral("sh600000"), hundredBars());
    const auto view = loadDailyRows(home.path(), QStringLiteral("sh600000"), 3);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->recordCount, 100);
    EXPECT_EQ(dates(*view), (QStringList{QStringLiteral("20170200↑"), QStringLiteral("20170199↓"),
                                         QStringLiteral("20170198↑")}));
    for (const DailyViewRow& row : view->rows)
        EXPECT_EQ(row.cells.size(), 7);
}

TEST(DailyViewer, ZeroOrTooManyDaysShowAllAndTheOldestBarFacesItsOwnOpen) {
    TempHome home;
    QList<DailyBar> bars = {makeBar(20170301, 1000, 990), makeBar(20170302, 990, 1000),
                            makeBar(20170303, 1000, 1000)};
    writeBars(home.path(), QStringLiteral("sz000001"), bars);
    for (const qint64 days : {qint64(0), qint64(3), qint64(50)}) {
        const auto view = loadDailyRows(home.path(), QStringLiteral("sz000001"), days);
        ASSERT_TRUE(view.has_value());
        // An unchanged close counts as down.
        EXPECT_EQ(dates(*view), (QStringList{QStringLiteral("20170303↓"), QStringLiteral("20170302↑"),
                                             QStringLiteral("20170301↓")}))
            << days;
        EXPECT_FALSE(view->rows.first().up);
    }
}

TEST(DailyViewer, OneBarIsUpWhenItClosesAboveItsOpen) {
    TempHome home;
    writeBars(home.path(), QStringLiteral("sz300001"), {makeBar(20170316, 1000, 1440)});
    const auto view = loadDailyRows(home.path(), QStringLiteral("sz300001"), 3);
    ASSERT_EQ(view->rows.size(), 1);
    EXPECT_TRUE(view->rows.first().up);
}

TEST(DailyViewer, CellsShowYuanTenThousandsAndLots) {
    TempHome home;
    DailyBar bar = makeBar(20170316, 1230, 1205, 1234567, 12345678.0f);
    bar.High = 1300;
    bar.Low = 1199;
    writeBars(home.path(), QStringLiteral("sh600610"), {bar});
    const auto view = loadDailyRows(home.path(), QStringLiteral("sh600610"), 1);
    ASSERT_EQ(view->rows.size(), 1);
    EXPECT_EQ(view->rows.first().cells,
              (QStringList{QStringLiteral("20170316↓"), QStringLiteral("12.3"), QStringLiteral("13"),
                           QStringLiteral("11.99"), QStringLiteral("12.05"), QStringLiteral("1234.5678"),
                           QStringLiteral("12345.67")}));
    EXPECT_EQ(dailyViewTitles().size(), 7);
}

TEST(DailyViewer, NoFileNoRowsAndBrokenFilesShowTheirWholeBars) {
    TempHome home;
    EXPECT_FALSE(loadDailyRows(home.path(), QStringLiteral("sh600000"), 3).has_value());

    writeBars(home.path(), QStringLiteral("sh600000"), hundredBars());
    const auto negative = loadDailyRows(home.path(), QStringLiteral("sh600000"), -2);
    ASSERT_TRUE(negative.has_value());
    EXPECT_TRUE(negative->rows.isEmpty());

    writeBars(home.path(), QStringLiteral("sh600001"), {});
    EXPECT_TRUE(loadDailyRows(home.path(), QStringLiteral("sh600001"), 0)->rows.isEmpty());

    QFile truncated(dataPath(QStringLiteral("quotefiles/truncated.day")));
    ASSERT_TRUE(truncated.open(QIODevice::ReadOnly));
    writeBytes(QuotePaths::dailyBarFile(home.path(), QStringLiteral("sz000001")), truncated.readAll());
    const auto view = loadDailyRows(home.path(), QStringLiteral("sz000001"), 0);
    EXPECT_EQ(dates(*view), (QStringList{QStringLiteral("20170316↑"), QStringLiteral("20170315↑"),
                                         QStringLiteral("20170314↑")}));
}

TEST(DailyViewer, HandsRowsOverOneAtATimeNewestFirstAndStopsWhenAsked) {
    TempHome home;
    writeBars(home.path(), QStringLiteral("sh600000"), hundredBars());
    const auto all = loadDailyRows(home.path(), QStringLiteral("sh600000"), 0);
    ASSERT_TRUE(all.has_value());
    ASSERT_EQ(all->rows.size(), 100);
    EXPECT_EQ(all->rows.first().cells.value(0), QStringLiteral("20170200↑"));
    EXPECT_EQ(all->rows.last().cells.value(0), QStringLiteral("20170101↓"));

    QList<QStringList> seen;
    const auto source =
        visitDailyRows(home.path(), QStringLiteral("sh600000"), 0, [&](const DailyViewRow& row) {
            seen.append(row.cells);
            return seen.size() < 2;
        });
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->recordCount, 100);
    EXPECT_EQ(seen, (QList<QStringList>{all->rows.at(0).cells, all->rows.at(1).cells}));
}

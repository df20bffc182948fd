#include "app/PlatformOptions.h"
#include "app/Settings.h"
#include "demo/DemoTrades.h"
#include "demo/QuoteFolderGenerator.h"
#include "gui/GridExport.h"
#include "gui/MainForm.h"
#include "gui/StockChart.h"
#include "gui/StockCodePage.h"
#include "gui/TrackRecordPage.h"
#include "gui/WiredWindow.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace quarrow;

namespace {

// The window on a generated quote folder and a store of generated department rows: the
// page ranks the departments, lists a department's trades and draws the chosen trade's
// stock; every grid of the window exports.
TEST(TrackRecordPageTest, RanksDepartmentsListsTradesAndDrawsTheStock) {
    test::TempHome dir;
    const ProgramFolder folder(dir.path());
    QuoteFolderOptions quote;
    quote.stockCount = 12;
    quote.barCount = 120;
    const QString quoteFolder = dir.file(QStringLiteral("quote"));
    QString error;
    const QuoteFolderGenerator generator(quote);
    ASSERT_TRUE(generator.write(quoteFolder, &error)) << error.toStdString();
    {
        TDataBase db(folder.databaseFile());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(storeDemoTrades(db, generator.plan(), DemoTradeOptions{600, 8, 7}, &error))
            << error.toStdString();
    }
    SystemClock clock;
    ASSERT_TRUE(
        Settings(folder, clock)
            .writeText(QStringLiteral("Folder"), QStringLiteral("hualin"), quoteFolder + QLatin1Char('/')));
    PlatformOptions platformOptions = programPlatformOptions(folder);
    platformOptions.virtualClockStart = QDateTime(QDate(2017, 3, 16), QTime(15, 30));
    const auto platform = createPlatform(platformOptions);
    auto form = std::make_unique<WiredWindow>(folder, *platform);
    form->resize(1280, 800);
    form->show();
    QCoreApplication::processEvents();

    form->findChild<QToolButton*>(QStringLiteral("btnShowTrackRecord"))->click();
    TrackRecordPage& page = form->trackRecordPage();
    EXPECT_EQ(form->findChild<QStackedWidget*>(QStringLiteral("PageControl"))->currentWidget(), &page);
    // The query page's start (today) came along; the generated days lie before it.
    ASSERT_TRUE(page.findChild<QCheckBox*>(QStringLiteral("TrackDateFromChecked"))->isChecked());
    page.findChild<QCheckBox*>(QStringLiteral("TrackDateFromChecked"))->setChecked(false);
    page.findChild<QPushButton*>(QStringLiteral("btnTrackRecord"))->click();

    ASSERT_TRUE(page.record());
    EXPECT_EQ(page.record()->departments().size(), 8u);
    QTableView* departments = page.departmentGrid();
    ASSERT_EQ(departments->model()->rowCount(), 8);
    departments->sortByColumn(3, Qt::DescendingOrder);  // total bought
    const auto total = [&](int row) { return departments->model()->index(row, 3).data().toDouble(); };
    EXPECT_GE(total(0), total(7));

    departments->setCurrentIndex(departments->model()->index(0, 0));
    QTableView* trades = page.tradeGrid();
    ASSERT_GT(trades->model()->rowCount(), 0);
    trades->setCurrentIndex(trades->model()->index(0, 0));
    EXPECT_GT(page.chart()->barCount(), 10);
    EXPECT_GE(page.chart()->markCount(QStringLiteral("异动日")), 1)
        << "the trade's own day is an anomaly day";
    EXPECT_GE(page.chart()->markCount(QStringLiteral("买入日")), 1);

    for (QTableView* grid : form->findChildren<QTableView*>()) {
        SCOPED_TRACE(grid->objectName().toStdString());
        QStringList commands;
        for (QAction* action : grid->actions())
            commands << action->objectName();
        EXPECT_TRUE(commands.contains(QStringLiteral("actExportCsv")) &&
                    commands.contains(QStringLiteral("actCopyCells")));
    }
    // Ctrl+C copies the selected rows, not only the current cell.
    departments->selectAll();
    QTest::keyClick(departments, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), GridExport::selectionText(*departments));
    EXPECT_EQ(QApplication::clipboard()->text().count(QLatin1Char('\n')), 8);

    const QString csv = dir.file(QStringLiteral("departments.csv"));
    ASSERT_TRUE(GridExport::saveCsv(*departments->model(), csv, &error)) << error.toStdString();
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().count("\r\n"), 9) << "titles and eight departments";

    QCoreApplication::processEvents();
    const QString shots =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("screenshots"));
    QDir().mkpath(shots);
    EXPECT_TRUE(form->grab().save(QDir(shots).filePath(QStringLiteral("TrackRecord.png"))));

    // The daily-bar viewer draws the same chart beside its grid.
    auto* code = form->findChild<QLineEdit*>(QStringLiteral("edtStockCode"));
    code->setText(generator.plan().stocks.first().key.mid(2));
    form->edtStockCodeExit();
    form->btnLoadDailyClick();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->stockCodePage().dailyChart()->isVisible());
    EXPECT_GT(form->stockCodePage().dailyChart()->barCount(), 0);
    EXPECT_TRUE(form->grab().save(QDir(shots).filePath(QStringLiteral("DailyChart.png"))));
    form.reset();
}

}  // namespace

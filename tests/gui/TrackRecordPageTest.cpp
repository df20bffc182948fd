#include "demo/DemoTrades.h"
#include "gui/DailyBarGrid.h"
#include "gui/GridExport.h"
#include "gui/MainForm.h"
#include "gui/StockChart.h"
#include "gui/StockCodePage.h"
#include "gui/TrackRecordPage.h"
#include "support/WindowDesk.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// The window on a generated quote folder and a store of generated department rows: the
// page ranks the departments, lists a department's trades and draws the chosen trade's
// stock; every grid of the window exports.
TEST(TrackRecordPageTest, RanksDepartmentsListsTradesAndDrawsTheStock) {
    WindowDesk desk(demoTradesDesk());
    const std::unique_ptr<TMainForm>& form = desk.form;
    form->resize(1280, 800);
    desk.show();

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
    const auto total = [&](int row) {
        return departments->model()->index(row, 3).data(GridExport::kExportRole).toDouble();
    };
    EXPECT_GT(total(0), total(7));

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

    const QString csv = desk.home.file(QStringLiteral("departments.csv"));
    QString error;
    ASSERT_TRUE(GridExport::saveCsv(*departments->model(), csv, &error)) << error.toStdString();
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().count("\r\n"), 9) << "titles and eight departments";

    QCoreApplication::processEvents();
    saveScreenshot(*form, QStringLiteral("TrackRecord.png"));

    // The daily-bar viewer draws the same chart beside its grid.
    auto* code = form->findChild<QLineEdit*>(QStringLiteral("edtStockCode"));
    code->setText(desk.generated.stocks.first().key.mid(2));
    form->stockCodePage().edtStockCodeExit();
    form->stockCodePage().btnLoadDailyClick();
    QCoreApplication::processEvents();
    StockChart* chart = form->stockCodePage().dailyChart();
    EXPECT_TRUE(chart->isVisible());
    EXPECT_GT(chart->barCount(), 0);
    // The days are labelled as far as they fit side by side, the first bar's among them.
    const QStringList labels = chart->dayLabels();
    ASSERT_GT(labels.size(), 1);
    EXPECT_LT(labels.size(), chart->barCount());
    const int labelWidth = QFontMetrics(QFont()).horizontalAdvance(labels.first());
    EXPECT_LE(labels.size() * labelWidth, chart->chart()->plotArea().width());
    // The close box and the day arrows leave the title 日期 in sight.
    DailyBarGrid* grid = form->stockCodePage().dailyGrid();
    QHeaderView* header = grid->horizontalHeader();
    const int title = header->fontMetrics().horizontalAdvance(QStringLiteral("日期"));
    const QRect titleRect(grid->frameWidth() + (header->sectionSize(0) - title) / 2, grid->frameWidth(),
                          title, header->height());
    for (const char* box : {"btnCloseDaily", "UpDownDays"}) {
        const QWidget* widget = grid->findChild<QWidget*>(QString::fromLatin1(box));
        ASSERT_NE(widget, nullptr) << box;
        EXPECT_FALSE(widget->geometry().intersects(titleRect)) << box;
    }
    saveScreenshot(*form, QStringLiteral("DailyChart.png"));
}

}  // namespace

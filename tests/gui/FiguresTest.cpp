#include "demo/DemoTrades.h"
#include "follow/DigestFormat.h"
#include "gui/DailyBarGrid.h"
#include "gui/FollowedPage.h"
#include "gui/GridExport.h"
#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "gui/QueryResultModel.h"
#include "gui/ResultFormat.h"
#include "gui/StockCodePage.h"
#include "gui/TrackRecordPage.h"
#include "program/ProgramServices.h"
#include "review/OperatorQuery.h"
#include "support/WindowDesk.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTextBrowser>
#include <QToolButton>
#include "gui/DateBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <tuple>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// A cell of a grid: the row that holds every one of the texts, the column under the title.
struct ShownFigure {
    QString text;
    QColor colour;
};
std::optional<ShownFigure> shownAt(const QAbstractItemModel& model, const QStringList& rowHas,
                                   const QString& title) {
    int column = -1;
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.headerData(c, Qt::Horizontal).toString() == title)
            column = c;
    }
    if (column < 0)
        return std::nullopt;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList texts;
        for (int c = 0; c < model.columnCount(); ++c)
            texts << model.index(row, c).data().toString();
        if (std::all_of(rowHas.begin(), rowHas.end(), [&](const QString& t) { return texts.contains(t); })) {
            const QModelIndex cell = model.index(row, column);
            return ShownFigure{cell.data().toString(), cell.data(Qt::ForegroundRole).value<QColor>()};
        }
    }
    return std::nullopt;
}

// Every page that shows figures, on one store: generated trades for the track record and
// the viewer, two reports (one with a turnover day) for the followed page, the digest and
// the query grid. Each page shows them one way: separators, 万/亿 with the unit, percents
// with their sign, buying and rises red, selling and falls green; a turnover day's rate
// says what it is. Copies and CSV files keep the plain figures.
TEST(FiguresOnEveryPage, ShowOneWayOfReadingFigures) {
    WindowDesk desk(demoTradesDesk());
    const std::unique_ptr<TMainForm>& form = desk.form;
    form->resize(1280, 800);
    desk.show();
    ProgramServices& services = desk.services();
    ASSERT_TRUE(storeReport(services, QStringLiteral("600610"), QStringLiteral("中毅达"),
                            QStringLiteral("report/two_days.txt")));
    ASSERT_TRUE(storeReport(services, QStringLiteral("300001"), QStringLiteral("特锐德"),
                            QStringLiteral("report/odd_figures.txt")));

    // The track record, a department and its first trade chosen.
    form->findChild<QToolButton*>(QStringLiteral("btnShowTrackRecord"))->click();
    TrackRecordPage& track = form->trackRecordPage();
    track.findChild<QCheckBox*>(QStringLiteral("TrackDateFromChecked"))->setChecked(false);
    track.findChild<QPushButton*>(QStringLiteral("btnTrackRecord"))->click();
    ASSERT_TRUE(track.record());
    track.departmentGrid()->setCurrentIndex(track.departmentGrid()->model()->index(0, 0));
    track.tradeGrid()->setCurrentIndex(track.tradeGrid()->model()->index(0, 0));
    QCoreApplication::processEvents();
    saveScreenshot(*form, QStringLiteral("figures-track-record.png"));
    const QRegularExpression tenThousands(QStringLiteral("^-?[0-9]{1,3}(,[0-9]{3})*\\.[0-9]{2}(万|亿)$"));
    const QRegularExpression percent(QStringLiteral("^-?[0-9]+\\.[0-9]{1,2}%$"));
    const QAbstractItemModel& ranked = *track.departmentGrid()->model();
    const QAbstractItemModel& traded = *track.tradeGrid()->model();
    for (const auto& [model, row, column, pattern] :
         {std::tuple{&ranked, 0, 3, &tenThousands}, std::tuple{&ranked, 0, 4, &percent},
          std::tuple{&ranked, 0, 5, &percent}, std::tuple{&traded, 0, 4, &percent}}) {
        const QModelIndex cell = model->index(row, column);
        EXPECT_TRUE(pattern->match(cell.data().toString()).hasMatch())
            << model->headerData(column, Qt::Horizontal).toString().toStdString() << ": "
            << cell.data().toString().toStdString();
        // The copy and the CSV file take the plain number.
        bool plain = false;
        cell.data(GridExport::kExportRole).toString().toDouble(&plain);
        EXPECT_TRUE(plain) << cell.data(GridExport::kExportRole).toString().toStdString();
    }
    EXPECT_EQ(ranked.index(0, 3).data(Qt::ForegroundRole).value<QColor>(), riseColour()) << "bought";
    EXPECT_EQ(ranked.headerData(3, Qt::Horizontal, GridExport::kExportTitleRole).toString(),
              QStringLiteral("买入总额(万元)"));

    // The followed page: the institutions' seat followed, its rows since March.
    FollowedPage& followed = form->followedPage();
    followed.findChild<QLineEdit*>(QStringLiteral("edtFollowName"))->setText(QStringLiteral("机构专用"));
    followed.findChild<QPushButton*>(QStringLiteral("btnFollowAdd"))->click();
    followed.findChild<DateBox*>(QStringLiteral("dateFollowedSince"))->setDate(QDate(2017, 3, 1));
    followed.findChild<QPushButton*>(QStringLiteral("btnFollowedSince"))->click();
    form->showContentPage(ContentPage::Followed);
    QCoreApplication::processEvents();
    saveScreenshot(*form, QStringLiteral("figures-followed.png"));

    // The digest of the day, as a browser without pictures would show it.
    QString error;
    const std::optional<DayDigest> digest = services.dayDigest(QDate(2017, 3, 16), false, &error);
    ASSERT_TRUE(digest) << error.toStdString();
    const QString html = QString::fromUtf8(DigestFormat::html(*digest));
    QTextBrowser browser;
    browser.resize(900, 1100);
    browser.setHtml(html);
    browser.show();
    QCoreApplication::processEvents();
    saveScreenshot(browser, QStringLiteral("figures-digest.png"));
    browser.hide();

    // The query grid with every row, the turnover day's among them.
    QueryPage* query = form->findChild<QueryPage*>(QStringLiteral("TabGetFromDB"));
    OperatorQuery all = OperatorQuery::initial(WindowDesk::kStart.date());
    all.fromTicked = false;
    all.stockGiven = true;
    all.stockCode = QStringLiteral("300001");
    ASSERT_TRUE(
        query->resultModel()->open(services.store(), composeOperatorQuery(all, QueryButton::All).main));
    form->stockCodePage().showInResultGrid(query->resultModel());
    form->showContentPage(ContentPage::StockCode);
    QCoreApplication::processEvents();
    saveScreenshot(*form, QStringLiteral("figures-query-turnover.png"));

    // The figures of the two reports, on the pages that show them.
    struct Expected {
        const QAbstractItemModel* model;
        QStringList rowHas;
        QString column;
        QString text;
        QColor colour;
    };
    const QAbstractItemModel* followedRows = followed.grid()->model();
    const QAbstractItemModel* queryRows = query->resultModel();
    const QString institutions = QStringLiteral("机构专用");
    const QList<Expected> table{
        {followedRows,
         {QStringLiteral("2017-03-16"), institutions},
         QStringLiteral("买入"),
         QStringLiteral("1,500.00万"),
         riseColour()},
        {followedRows, {QStringLiteral("2017-03-16"), institutions}, QStringLiteral("卖出"), QString(), {}},
        {followedRows,
         {QStringLiteral("2017-03-16"), institutions},
         QStringLiteral("净额"),
         QStringLiteral("1,500.00万"),
         riseColour()},
        {followedRows,
         {QStringLiteral("2017-03-14"), institutions},
         QStringLiteral("卖出"),
         QStringLiteral("1,200.00万"),
         fallColour()},
        {followedRows,
         {QStringLiteral("2017-03-14"), institutions},
         QStringLiteral("净额"),
         QStringLiteral("-1,200.00万"),
         fallColour()},
        // The turnover day prints no change: its rows say why they were listed.
        {queryRows,
         {QStringLiteral("2017-03-13"), institutions},
         QStringLiteral("涨跌幅度"),
         QStringLiteral("换手率>20%"),
         {}},
        {queryRows,
         {QStringLiteral("2017-03-13"), QStringLiteral("换手率高")},
         QStringLiteral("买入/成交量"),
         QStringLiteral("1,500.25万股"),
         {}},
        {queryRows,
         {QStringLiteral("2017-03-13"), QStringLiteral("换手率高")},
         QStringLiteral("卖出/成交额"),
         QStringLiteral("3.30亿"),
         {}},
        {queryRows,
         {QStringLiteral("2017-03-13"), QStringLiteral("换手率高")},
         QStringLiteral("涨跌幅度"),
         QStringLiteral("换手率>20%"),
         {}},
        {queryRows,
         {QStringLiteral("2017-03-16"), QStringLiteral("华泰证券")},
         QStringLiteral("涨跌幅度"),
         QStringLiteral("0.00%"),
         {}},
    };
    for (const Expected& expected : table) {
        SCOPED_TRACE(
            (expected.rowHas.join(QLatin1Char('|')) + QLatin1Char(' ') + expected.column).toStdString());
        const std::optional<ShownFigure> shown = shownAt(*expected.model, expected.rowHas, expected.column);
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->text, expected.text);
        EXPECT_EQ(shown->colour, expected.colour);
    }
    // The digest's nets in the same look, coloured by the same rule.
    for (const char* cell : {"<td class=\"n r\">1,500.00万</td>", "<td class=\"n g\">480.25万</td>",
                             "<td class=\"n g\">-480.25万</td>", "<td class=\"n r\">800.50万</td>"})
        EXPECT_TRUE(html.contains(QString::fromUtf8(cell))) << cell;

    // The daily-bar viewer of the first generated stock.
    auto* code = form->findChild<QLineEdit*>(QStringLiteral("edtStockCode"));
    code->setText(desk.generated.stocks.first().key.mid(2));
    form->stockCodePage().edtStockCodeExit();
    form->stockCodePage().btnLoadDailyClick();
    QCoreApplication::processEvents();
    saveScreenshot(*form, QStringLiteral("figures-daily-viewer.png"));
    // Prices with two decimals, the amount in 万 or 亿 yuan, the volume in lots with its unit.
    const QAbstractItemModel& bars = *form->stockCodePage().dailyGrid()->model();
    ASSERT_GT(bars.rowCount(), 0);
    const QList<std::pair<int, QRegularExpression>> barColumns{
        {1, QRegularExpression(QStringLiteral("^[0-9]+\\.[0-9]{2}$"))},
        {4, QRegularExpression(QStringLiteral("^[0-9]+\\.[0-9]{2}$"))},
        {5, QRegularExpression(QStringLiteral("^[0-9]{1,3}(,[0-9]{3})*\\.[0-9]{2}(万|亿)元$"))},
        {6, QRegularExpression(QStringLiteral("^([0-9,]+|[0-9]{1,3}(,[0-9]{3})*\\.[0-9]{2}(万|亿))手$"))}};
    for (int row = 0; row < bars.rowCount(); ++row) {
        for (const auto& [column, pattern] : barColumns)
            EXPECT_TRUE(pattern.match(bars.index(row, column).data().toString()).hasMatch())
                << row << ',' << column << ": " << bars.index(row, column).data().toString().toStdString();
    }
}

}  // namespace

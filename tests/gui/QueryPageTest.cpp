#include "app/Settings.h"
#include "gui/DailyBarGrid.h"
#include "gui/DateBox.h"
#include "gui/DocumentPage.h"
#include "gui/FormCodeDepart.h"
#include "gui/GridExport.h"
#include "gui/MainForm.h"
#include "gui/MiningPage.h"
#include "gui/QueryPage.h"
#include "gui/QueryResultModel.h"
#include "gui/ResultFormat.h"
#include "gui/StockCodePage.h"
#include "platform/Clock.h"
#include "program/ProgramServices.h"
#include "quotefiles/DailyViewer.h"
#include "review/ReviewTestData.h"
#include "support/WindowDesk.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QDate kToday = WindowDesk::kStart.date();

// Every row a model holds, its cells as the statement or the stored list gives them (the
// figures undressed, the grid's own net buying left out), one text a row.
QStringList modelRows(const QAbstractItemModel& model) {
    const auto* rows = qobject_cast<const QueryResultModel*>(&model);
    const int columns = rows ? rows->statementColumnCount() : model.columnCount();
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < columns; ++column) {
            const QVariant raw = model.index(row, column).data(GridExport::kExportRole);
            cells << (raw.isValid() ? raw : model.index(row, column).data()).toString();
        }
        texts << cells.join(QLatin1Char('|'));
    }
    return texts;
}

QStringList allRows(QueryResultModel& model) {
    while (model.canFetchMore({}))
        model.fetchMore({});
    return modelRows(model);
}

// Every cell of the grid fits its column in the grid's font: nothing shows as "0000…".
void expectWholeCells(const QTableView& grid, const char* which) {
    const QAbstractItemModel& model = *grid.model();
    const QFontMetrics metrics(grid.font());
    // The room the cell's painter keeps each side of the text.
    const int margins = 2 * (grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1);
    for (int column = 0; column < model.columnCount(); ++column) {
        if (static_cast<size_t>(column) < kResultColumnWidths.size()) {
            EXPECT_GE(grid.columnWidth(column), kResultColumnWidths.at(static_cast<size_t>(column))) << which;
        }
        for (int row = 0; row < model.rowCount(); ++row) {
            const QString text = model.index(row, column).data().toString();
            EXPECT_GE(grid.columnWidth(column), metrics.horizontalAdvance(text) + margins)
                << which << " " << text.toStdString();
        }
    }
}

// The main window on a program folder; seeded, its database holds the review rows of two
// stocks, else its settings name a generated quote folder.
struct QueryDesk : WindowDesk {
    enum class Data { Seeded, QuoteFolder, SavedDocuments };

    explicit QueryDesk(Data data) : WindowDesk(deskOptions(data)) {
        answers = {{Question::MiningF10Reminder, MessageAnswer::Yes},
                   {Question::MiningFreshness, MessageAnswer::Yes},
                   {Question::ReanalysisStart, MessageAnswer::Yes}};
        QObject::connect(page(), &QueryPage::resultWindowOpened,
                         [this](TFormCodeDepart* window) { opened.append(window); });
    }
    static DeskOptions deskOptions(Data data) {
        if (data != Data::Seeded)
            return {.quoteStocks = 12, .corpusDocuments = data == Data::SavedDocuments ? 1 : 0};
        return {.beforeWindow = [](WindowDesk& desk) {
            TDataBase db(desk.folder.databaseFile());
            ASSERT_TRUE(db.open());
            seedReviewRows(db);
        }};
    }

    TDataBase& db() { return services().store(); }
    QueryPage* page() const { return form->findChild<QueryPage*>(QStringLiteral("TabGetFromDB")); }
    QueryResultModel& mainModel() const { return *page()->resultModel(); }

    QList<QPointer<TFormCodeDepart>> opened;
};

// The model checker reports through Qt's warnings; each one fails the test.
QStringList g_modelWarnings;
void collectModelWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_modelWarnings << QStringLiteral("%1: %2").arg(QString::fromLatin1(context.category), message);
}

}  // namespace

TEST(QueryResultModel, ReadsLongResultInBatchesAndDropsStatementAfterLastRow) {
    TempHome home;
    TDataBase db(home.file(QStringLiteral("Quarrow.db")));
    ASSERT_TRUE(db.open());
    seedReviewRows(db);
    // Enough further rows for three batches.
    constexpr int kExtra = 2 * QueryResultModel::kRowsPerBatch + 40;
    ASSERT_TRUE(db.beginTransaction());
    for (int i = 0; i < kExtra; ++i) {
        Statement insert = db.DBCommand(QStringLiteral(
            "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
            "values ('000001',:StDate,1,:StBuy,0,1,'--',:StKEY)"));
        insert.bind(QStringLiteral(":StDate"), QDate(2017, 1, 1).addDays(i % 60));
        insert.bind(QStringLiteral(":StBuy"), Money::fromDouble(i + 1));
        insert.bind(QStringLiteral(":StKEY"), Money::fromDouble(100000 + i));
        ASSERT_TRUE(insert.exec()) << insert.error().toStdString();
    }
    ASSERT_TRUE(db.commit());

    OperatorQuery page = OperatorQuery::initial(kToday);
    page.fromTicked = false;
    const ComposedStatement composed = composeOperatorQuery(page, QueryButton::All).main;
    const QStringList expected = resultRows(db, composed);
    ASSERT_EQ(expected.size(), 8 + kExtra);

    {
        QueryResultModel model;
        ASSERT_TRUE(model.open(db, composed)) << model.error().toStdString();
        EXPECT_EQ(model.rowCount(), QueryResultModel::kRowsPerBatch);
        EXPECT_TRUE(model.canFetchMore({}));
        EXPECT_EQ(model.headerData(3, Qt::Horizontal, QueryResultModel::RawRole).toString(),
                  QStringLiteral("营业部o涨跌说明"));
        EXPECT_EQ(allRows(model), expected);
        EXPECT_FALSE(model.canFetchMore({}));
    }

    g_modelWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectModelWarnings);
    {
        QueryResultModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
        ASSERT_TRUE(model.open(db, composed)) << model.error().toStdString();
        EXPECT_TRUE(allRows(model) == expected);

        // A statement that cannot run leaves an empty model and says why.
        ComposedStatement broken;
        broken.add(QStringLiteral("Select nothing From noSuchTable"));
        EXPECT_FALSE(model.open(db, broken));
        EXPECT_FALSE(model.error().isEmpty());
        EXPECT_EQ(model.rowCount(), 0);
        EXPECT_EQ(model.columnCount(), 0);

        ASSERT_TRUE(model.open(db, composed));
        model.close();
        EXPECT_EQ(model.rowCount(), 0);
        EXPECT_FALSE(model.canFetchMore({}));
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_modelWarnings.isEmpty()) << g_modelWarnings.join(QLatin1Char('\n')).toStdString();
}

TEST(QueryPage, ControlsStartAsTheWindowOpensAndFollowTheirBoxes) {
    QueryDesk desk(QueryDesk::Data::Seeded);
    QueryPage& page = *desk.page();
    const OperatorQuery start = page.state();
    EXPECT_FALSE(start.stockGiven);
    EXPECT_TRUE(start.fromTicked);
    EXPECT_FALSE(start.toTicked);
    EXPECT_EQ(start.from, kToday);
    EXPECT_EQ(start.to, kToday);
    EXPECT_EQ(start.threshold, 80);
    EXPECT_EQ(start.thresholdKind, kAllData);
    auto* departments = desk.child<QComboBox>(QStringLiteral("ListBoxDepartment"));
    // The departments sorted by their reading, the change descriptions after a line.
    const QStringList items = page.departmentItems();
    ASSERT_EQ(items.size(), 7);
    EXPECT_EQ(items.first(), kNoDepartmentItem);
    EXPECT_EQ(items.mid(5), QStringList({QString(), test::kDescription}));
    EXPECT_LT(items.indexOf(test::kGuotai), items.indexOf(QStringLiteral("空格营业部")));
    EXPECT_LT(items.indexOf(QStringLiteral("空格营业部")), items.indexOf(test::kCitic));
    EXPECT_TRUE(items.contains(test::kQuoted));
    EXPECT_EQ(departments->currentIndex(), 0);
    EXPECT_FALSE(desk.child<QPushButton>(QStringLiteral("btnRefreshDepartment"))->isEnabled());

    // The threshold kind cycles through its four captions and colours back to the start.
    auto* kind = desk.child<QPushButton>(QStringLiteral("btnMainSaleType"));
    EXPECT_EQ(kind->text(), QStringLiteral("全部数据"));
    const QList<std::pair<QString, QString>> cycle{{QStringLiteral("买卖超过"), QStringLiteral("#800000")},
                                                   {QStringLiteral("买入超过"), QStringLiteral("#ff0000")},
                                                   {QStringLiteral("抛售超过"), QStringLiteral("#0000ff")},
                                                   {QStringLiteral("全部数据"), QStringLiteral("#808000")}};
    for (int i = 0; i < cycle.size(); ++i) {
        kind->click();
        EXPECT_EQ(kind->text(), cycle.at(i).first);
        EXPECT_TRUE(kind->styleSheet().contains(cycle.at(i).second)) << kind->styleSheet().toStdString();
        EXPECT_EQ(page.state().thresholdKind, i);
    }

    // The main-force alerts have no department: its box locks the department controls.
    auto* mainBuySale = desk.child<QCheckBox>(QStringLiteral("chkMainBuySale"));
    auto* departmentGiven = desk.child<QCheckBox>(QStringLiteral("chkDepartment"));
    auto* unit = desk.child<QLabel>(QStringLiteral("LabelBuySale2"));
    for (const bool on : {true, false}) {
        mainBuySale->click();
        EXPECT_EQ(departments->isEnabled(), !on);
        EXPECT_EQ(departmentGiven->isEnabled(), !on);
        EXPECT_EQ(unit->isVisibleTo(&page), on);
        for (const QueryButtonInfo& info : queryButtons())
            EXPECT_EQ(desk.child<QPushButton>(QString::fromLatin1(info.objectName))->isFlat(), on);
    }

    // Picking a department ticks its box; picking item 0 unticks it.
    for (const int item : {2, 0}) {
        departments->setCurrentIndex(item);
        Q_EMIT departments->activated(item);
        EXPECT_EQ(departmentGiven->isChecked(), item != 0);
    }

    // An end before the start pulls the start along.
    desk.child<DateBox>(QStringLiteral("DateToDate"))->setDate(kToday.addDays(-3));
    EXPECT_EQ(page.state().from, kToday.addDays(-3));

    desk.child<QLineEdit>(QStringLiteral("edtStockCode"))->setText(QStringLiteral("600610"));
    desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->click();
    EXPECT_TRUE(desk.child<QLabel>(QStringLiteral("lblWarning"))
                    ->text()
                    .startsWith(QStringLiteral("指定股票为:600610")));
    EXPECT_EQ(desk.currentContentPage(), QStringLiteral("TabSheetStockCode"));
}

// Today holds no rows: the page names the newest stored day and shows it in one click.
TEST(QueryPage, AnEmptyTodayOffersTheNewestStoredDay) {
    QueryDesk desk(QueryDesk::Data::Seeded);
    desk.show();
    const std::optional<QDate> newest = newestChangeDay(desk.db());
    ASSERT_TRUE(newest && newest->isValid() && *newest < kToday);
    auto* offer = desk.child<QPushButton>(QStringLiteral("btnNewestDay"));
    EXPECT_FALSE(offer->isVisibleTo(desk.page()));
    desk.child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
    EXPECT_EQ(desk.mainModel().rowCount(), 0);
    const QString day = newest->toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_TRUE(desk.child<QLabel>(QStringLiteral("lblWarning"))->text().contains(day));
    ASSERT_TRUE(offer->isVisibleTo(desk.page()));
    EXPECT_TRUE(offer->text().contains(day));
    desk.form->showFunctionPage(FunctionPage::Query);
    saveScreenshot(*desk.form, QStringLiteral("query-empty-today-offers-newest-day.png"));
    offer->click();
    EXPECT_GT(desk.mainModel().rowCount(), 0);
    EXPECT_EQ(desk.page()->state().from, *newest);
    EXPECT_EQ(desk.page()->state().to, *newest);
    EXPECT_FALSE(offer->isVisibleTo(desk.page()));
}

TEST(QueryPage, QueryButtonShowsTheRowsTheCommandLinePrints) {
    QueryDesk desk(QueryDesk::Data::Seeded);
    desk.form->show();
    desk.child<DateBox>(QStringLiteral("DateFromDate"))->setDate(QDate(2017, 3, 9));
    desk.child<QPushButton>(QStringLiteral("btnDepart_BuySale"))->click();

    const OperatorStatements statements = composeOperatorQuery(desk.page()->state(), QueryButton::BuySale);
    const QStringList expected = resultRows(desk.db(), statements.main);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(allRows(desk.mainModel()), expected);
    EXPECT_EQ(desk.currentContentPage(), QStringLiteral("TabSheetStockCode"));
    EXPECT_FALSE(desk.child<QWidget>(QStringLiteral("PanelFunction"))->isVisible());
    QTableView* grid = desk.page()->resultGrid();
    EXPECT_TRUE(grid->isVisible());

    // The block trades come in a window of their own.
    ASSERT_EQ(desk.opened.size(), 1);
    TFormCodeDepart* trades = desk.opened.first();
    EXPECT_EQ(trades->kind(), ResultKind::BlockTrades);
    EXPECT_TRUE(trades->isVisible());
    EXPECT_EQ(trades->windowTitle(), QStringLiteral("股票大宗买卖数据"));
    EXPECT_EQ(allRows(*trades->model()), resultRows(desk.db(), statements.blockTrades));
    // Each fresh result stands on its first row, which the main window follows.
    EXPECT_EQ(desk.child<QLineEdit>(QStringLiteral("edtStockCode"))->text(),
              trades->model()->rowValues(0).value(0).toString());
    // As wide as a common desktop: the figures beside the department column show.
    desk.form->resize(1440, 800);
    QApplication::processEvents();
    desk.form->hideFunctionPanel();  // the first start's setup page, opened by the search
    saveScreenshot(*desk.form, QStringLiteral("query-main-grid.png"));

    // A given stock takes the main result to a window captioned for it; the main grid
    // keeps what it showed.
    desk.child<QLineEdit>(QStringLiteral("edtStockCode"))->setText(QStringLiteral("000001"));
    desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->setChecked(true);
    desk.child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
    ASSERT_EQ(desk.opened.size(), 3);
    TFormCodeDepart* stock = desk.opened.at(1);
    EXPECT_EQ(desk.opened.at(2), trades);  // the block trades reuse their window
    EXPECT_EQ(stock->windowTitle(), QStringLiteral("股票操盘数据查询"));
    EXPECT_EQ(allRows(*stock->model()),
              resultRows(desk.db(), composeOperatorQuery(desk.page()->state(), QueryButton::All).main));
    EXPECT_EQ(allRows(desk.mainModel()), expected);

    // Nothing found: the prompt says so, the main grid is emptied, no window stays.
    desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->setChecked(false);
    desk.page()->setDates(kToday);
    desk.child<QPushButton>(QStringLiteral("btnDepart_SaleOnly"))->click();
    EXPECT_TRUE(desk.child<QLabel>(QStringLiteral("lblWarning"))->text().startsWith(kNoRowsMessage));
    EXPECT_EQ(desk.mainModel().rowCount(), 0);
    EXPECT_EQ(desk.opened.size(), 3);
    EXPECT_TRUE(desk.opened.first().isNull() || !desk.opened.first()->isVisible());
}

TEST(QueryPage, DrillDownByDepartmentBindsQuotedNameAndDrillsOnFromItsWindow) {
    QueryDesk desk(QueryDesk::Data::Seeded);
    desk.form->show();
    desk.child<QCheckBox>(QStringLiteral("DateFromChecked"))->setChecked(false);
    desk.child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
    QueryResultModel& main = desk.mainModel();
    allRows(main);
    int quoted = -1;
    for (int row = 0; row < main.rowCount() && quoted < 0; ++row) {
        if (main.rowValues(row).value(3).toString() == test::kQuoted)
            quoted = row;
    }
    ASSERT_GE(quoted, 0);

    QPointer<TFormCodeDepart> byDepartment = desk.page()->dbGridTop5ListDblClick(main.index(quoted, 3));
    ASSERT_TRUE(byDepartment);
    EXPECT_TRUE(byDepartment->isVisible());
    const QStringList departmentRows = allRows(*byDepartment->model());
    EXPECT_EQ(departmentRows.size(), 3);
    for (const QString& row : departmentRows)
        EXPECT_EQ(row.split(QLatin1Char('|')).value(3), test::kQuoted) << row.toStdString();

    // Moving through the window's rows moves the main window to the row's stock and
    // department.
    const QVariantList last = byDepartment->model()->rowValues(2);
    byDepartment->grid()->setCurrentIndex(byDepartment->model()->index(2, 1));
    EXPECT_EQ(desk.child<QLineEdit>(QStringLiteral("edtStockCode"))->text(), last.value(0).toString());
    EXPECT_EQ(desk.child<QComboBox>(QStringLiteral("ListBoxDepartment"))->currentText(), test::kQuoted);

    // From the window on: the stock of a row, and nothing for a column of figures.
    QPointer<TFormCodeDepart> byStock =
        byDepartment->dbGridTop5ListDblClick(byDepartment->model()->index(2, 0));
    ASSERT_TRUE(byStock);
    const QStringList stockRows = allRows(*byStock->model());
    EXPECT_GT(stockRows.size(), 1);
    for (const QString& row : stockRows)
        EXPECT_EQ(row.split(QLatin1Char('|')).value(0), last.value(0).toString());
    EXPECT_EQ(byDepartment->dbGridTop5ListDblClick(byDepartment->model()->index(0, 5)), nullptr);

    // The seller of a block trade leads to a block-trade window of that seller's trades.
    ASSERT_FALSE(desk.opened.isEmpty());
    TFormCodeDepart* trades = desk.opened.first();
    ASSERT_EQ(trades->kind(), ResultKind::BlockTrades);
    const QString seller = trades->model()->rowValues(0).value(7).toString();
    QPointer<TFormCodeDepart> bySeller = trades->dbGridTop5ListDblClick(trades->model()->index(0, 7));
    ASSERT_TRUE(bySeller);
    EXPECT_EQ(bySeller->kind(), ResultKind::BlockTrades);
    const QStringList sellerRows = allRows(*bySeller->model());
    EXPECT_FALSE(sellerRows.isEmpty());
    for (const QString& row : sellerRows)
        EXPECT_EQ(row.split(QLatin1Char('|')).value(7), seller);

    // Closing a window drops its rows and frees it.
    QueryResultModel* model = byStock->model();
    byStock->close();
    EXPECT_EQ(model->rowCount(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(byStock.isNull());
}

TEST(QueryPage, MiningRunEndShowsTheStoredRowsOfItsDays) {
    QueryDesk desk(QueryDesk::Data::QuoteFolder);
    desk.form->show();
    QCoreApplication::processEvents();
    desk.child<QCheckBox>(QStringLiteral("chkMainBuySale"))->click();
    desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->setChecked(true);
    desk.child<QPushButton>(QStringLiteral("btnGetAllOfTheNewDocs"))->click();
    ASSERT_TRUE(desk.form->miningPage().lastOutcome().started())
        << desk.form->miningPage().lastOutcome().reasonTextEnglish().toStdString();

    const OperatorQuery shown = desk.page()->state();
    EXPECT_FALSE(shown.mainBuySale);
    EXPECT_FALSE(shown.stockGiven);
    EXPECT_FALSE(shown.departmentGiven);
    EXPECT_TRUE(shown.fromTicked);
    EXPECT_TRUE(shown.toTicked);
    EXPECT_TRUE(desk.child<QComboBox>(QStringLiteral("ListBoxDepartment"))->isEnabled());
    const QStringList expected = resultRows(desk.db(), composeOperatorQuery(shown, QueryButton::All).main);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(allRows(desk.mainModel()), expected);
    EXPECT_EQ(desk.currentContentPage(), QStringLiteral("TabSheetStockCode"));
    // The run stored new departments: the list holds them.
    EXPECT_GT(desk.page()->departmentItems().size(), 1);
    saveScreenshot(*desk.form, QStringLiteral("query-after-mining.png"));
}

TEST(QueryPage, ReanalysisThatStoresNewDepartmentsReloadsTheList) {
    QueryDesk desk(QueryDesk::Data::SavedDocuments);
    desk.form->show();
    ASSERT_EQ(desk.page()->departmentItems(), QStringList{kNoDepartmentItem});
    desk.child<QPushButton>(QStringLiteral("btnGetAllFromTxtDocs"))->click();
    ASSERT_TRUE(desk.form->documentPage().lastReanalysisOutcome().started());
    EXPECT_GT(desk.page()->departmentItems().size(), 1);
    EXPECT_FALSE(desk.child<QPushButton>(QStringLiteral("btnRefreshDepartment"))->isEnabled());
}

// The share-capital listing shows in the result grid from a model of its own; the next
// query shows its rows there again, and moving through them follows their stocks.
TEST(QueryPage, QueryAfterTheShareCapitalListingShowsInTheGrid) {
    QueryDesk desk(QueryDesk::Data::Seeded);
    desk.show();
    auto* grid = desk.child<QTableView>(QStringLiteral("dbGridTop5List"));
    desk.child<QAbstractButton>(QStringLiteral("btnListStockQTY"))->click();
    ASSERT_GT(grid->model()->rowCount(), 0);
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("股票名称"));

    desk.child<QCheckBox>(QStringLiteral("DateFromChecked"))->setChecked(false);
    desk.child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
    QueryResultModel& rows = desk.mainModel();
    ASSERT_EQ(grid->model(), &rows);
    EXPECT_EQ(modelRows(*grid->model()), allRows(rows));
    const int last = rows.rowCount() - 1;
    grid->setCurrentIndex(rows.index(last, 1));
    EXPECT_EQ(desk.child<QLineEdit>(QStringLiteral("edtStockCode"))->text(), rows.rowValues(last).value(0));
}

// The grids read as stock software reads: whole codes and amounts in any font, 万 and 亿
// with their unit, buying and rises red, selling and falls green, zeros blank, the
// department's net buying beside its rows, titles with "/", larger first on a title click
// and the count of the rows under every grid.
TEST(QueryPage, ResultGridsShowWholeFiguresInTheLookOfStockSoftware) {
    QueryDesk desk(QueryDesk::Data::Seeded);
    desk.show();
    desk.child<QCheckBox>(QStringLiteral("DateFromChecked"))->setChecked(false);
    const QFont font = QApplication::font();
    for (const double scale : {1.0, 1.5}) {
        QFont scaled = font;
        scaled.setPointSizeF(font.pointSizeF() * scale);
        QApplication::setFont(scaled);
        desk.child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
        expectWholeCells(*desk.page()->resultGrid(), "main grid");
        ASSERT_FALSE(desk.opened.isEmpty());
        expectWholeCells(*desk.opened.last()->grid(), "block trades");
    }
    QApplication::setFont(font);
    EXPECT_EQ(desk.form->findChildren<TFormCodeDepart*>().size(), 1);

    QueryResultModel& rows = desk.mainModel();
    allRows(rows);
    ASSERT_EQ(rows.columnCount(), rows.statementColumnCount() + 1);
    EXPECT_EQ(rows.headerData(3, Qt::Horizontal).toString(), QStringLiteral("营业部/涨跌说明"));
    EXPECT_EQ(rows.headerData(rows.statementColumnCount(), Qt::Horizontal).toString(),
              QStringLiteral("净买额"));
    const QColor red(220, 0, 0);
    const QColor green(0, 140, 0);
    const auto rowOf = [&rows](const QString& day, const QString& department) {
        for (int row = 0; row < rows.rowCount(); ++row) {
            if (rows.rowValues(row).value(2).toString() == day && rows.rowValues(row).value(3) == department)
                return row;
        }
        ADD_FAILURE() << day.toStdString() << " " << department.toStdString();
        return 0;
    };
    struct Cell {
        QString day, department;
        int column;
        QString text;
        QColor colour;
    };
    const int net = rows.statementColumnCount();
    const Cell cells[] = {
        {"2017-03-09", test::kDescription, 4, "1,000.00万股", {}},  // the day's volume and turnover
        {"2017-03-09", test::kDescription, 5, "5,000.00万", {}},
        {"2017-03-09", test::kDescription, net, "", {}},
        {"2017-03-09", test::kGuotai, 4, "300.00万", red},
        {"2017-03-09", test::kGuotai, 5, "", {}},
        {"2017-03-09", test::kGuotai, 6, "10.00%", red},
        {"2017-03-09", test::kGuotai, net, "300.00万", red},
        {"2017-03-09", test::kQuoted, 5, "200.00万", green},
        {"2017-03-09", test::kQuoted, net, "-200.00万", green},
        {"2017-03-10", test::kGuotai, 6, "-9.50%", green},
    };
    for (const Cell& c : cells) {
        const QModelIndex index = rows.index(rowOf(c.day, c.department), c.column);
        EXPECT_EQ(index.data().toString(), c.text) << c.department.toStdString() << " " << c.column;
        EXPECT_EQ(index.data(Qt::ForegroundRole).value<QColor>(), c.colour) << c.text.toStdString();
        if (c.column >= 4) {
            EXPECT_EQ(index.data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                      Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    struct Amount {
        double tenThousands;
        const char* shown;
    };
    for (const Amount& a :
         {Amount{15667.5, "1.57亿"}, Amount{9999.99, "9,999.99万"}, Amount{-123456, "-12.35亿"}})
        EXPECT_EQ(FigureFormat::tenThousands(a.tenThousands), QString::fromUtf8(a.shown));

    // The first click on a title puts the larger first, over all the rows.
    QTableView* grid = desk.page()->resultGrid();
    QHeaderView* header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(4) + 5, header->height() / 2));
    double previous = std::numeric_limits<double>::max();
    for (int row = 0; row < rows.rowCount(); ++row) {
        const QVariant bought = rows.rowValues(row).value(4);
        if (bought.isNull())
            continue;
        EXPECT_LE(bought.toDouble(), previous) << row;
        previous = bought.toDouble();
    }
    EXPECT_EQ(desk.child<QLabel>(QStringLiteral("lblResultCount"))->text(),
              QStringLiteral("共%1条").arg(rows.rowCount()));
    EXPECT_EQ(desk.opened.last()->findChild<QLabel*>(QStringLiteral("lblRowCount"))->text(),
              QStringLiteral("共4条"));
    saveScreenshot(*desk.opened.last(), QStringLiteral("block-trades.png"));
}

// The grid's CSV file, as a spreadsheet opened by a double click reads it: the titles the
// grid shows with the figures' units, the codes with their zeros, a department name from a
// hostile page as the text it is; its copied cells run no formula either.
TEST(QueryPage, TheGridsCsvFileOpensSafelyUnderTheShownTitles) {
    QueryDesk desk(QueryDesk::Data::Seeded);
    const QString hostile = QStringLiteral("=HYPERLINK(\"http://x.example/\",\"x\")");
    Statement rename =
        desk.db().DBCommand(QStringLiteral("update tblStDepart set StDept=:StDept where StDeptKey=3"));
    rename.bind(QStringLiteral(":StDept"), hostile);
    ASSERT_TRUE(rename.exec()) << rename.error().toStdString();
    desk.show();
    desk.child<QCheckBox>(QStringLiteral("DateFromChecked"))->setChecked(false);
    desk.child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
    QueryResultModel& rows = desk.mainModel();

    const QString file = desk.home.file(QStringLiteral("grid.csv"));
    QString error;
    ASSERT_TRUE(GridExport::saveCsv(rows, file, &error)) << error.toStdString();
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const std::vector<QStringList> back = readCsv(QString::fromUtf8(bytes.mid(3)));
    ASSERT_EQ(back.size(), size_t(rows.rowCount()) + 1);
    EXPECT_EQ(back[0], (QStringList{"代码", "股票名称", "交易日", "营业部/涨跌说明", "买入/成交量(万元/万股)",
                                    "卖出/成交额(万元)", "涨跌幅度(%)", "注释", "净买额(万元)"}));
    bool named = false;
    for (size_t r = 1; r < back.size(); ++r) {
        const QStringList& cells = back[r];
        EXPECT_TRUE(cells.value(0) == "=\"600610\"" || cells.value(0) == "=\"000001\"")
            << cells.value(0).toStdString();
        named = named || cells.value(3) == QLatin1Char('\'') + hostile;
        for (const QString& cell : cells.mid(1)) {
            bool number = false;
            cell.toDouble(&number);
            EXPECT_TRUE(number || cell.isEmpty() || !QStringLiteral("=+-@\t\r").contains(cell.front()))
                << cell.toStdString();
        }
    }
    EXPECT_TRUE(named) << "the department from the hostile page is in the file, as a text";

    QTableView* grid = desk.page()->resultGrid();
    grid->selectAll();
    for (const QString& line :
         GridExport::selectionText(*grid).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        for (const QString& cell : line.split(QLatin1Char('\t'))) {
            bool number = false;
            cell.toDouble(&number);
            EXPECT_TRUE(number || cell.isEmpty() || !QStringLiteral("=+-@").contains(cell.front()))
                << cell.toStdString();
        }
    }
}

// Moving through the result rows moves the code box, the name panel and its hint, and the
// open daily-bar viewer to the row's stock, so the stock filter then names that stock.
TEST(QueryPage, RowMovesTakeTheNamePanelAndTheViewerAlong) {
    QueryDesk desk(QueryDesk::Data::QuoteFolder);
    desk.show();
    desk.child<QPushButton>(QStringLiteral("btnGetAllOfTheNewDocs"))->click();
    ASSERT_TRUE(desk.form->miningPage().lastOutcome().started());
    QueryResultModel& rows = desk.mainModel();
    allRows(rows);
    desk.child<QAbstractButton>(QStringLiteral("btnLoadDaily"))->click();
    const QString first = rows.rowValues(0).value(0).toString();
    int other = 0;
    while (other < rows.rowCount() && rows.rowValues(other).value(0).toString() == first)
        ++other;
    ASSERT_LT(other, rows.rowCount());
    const QString code = rows.rowValues(other).value(0).toString();
    const GeneratedQuoteStock* stock = nullptr;
    for (const GeneratedQuoteStock& s : desk.generated.stocks)
        stock = s.key.right(6) == code ? &s : stock;
    ASSERT_NE(stock, nullptr);

    desk.page()->resultGrid()->setCurrentIndex(rows.index(other, 2));
    EXPECT_EQ(desk.child<QLineEdit>(QStringLiteral("edtStockCode"))->text(), code);
    EXPECT_EQ(desk.child<QLabel>(QStringLiteral("pnlStockName"))->text(), stock->name);
    EXPECT_EQ(desk.child<QLabel>(QStringLiteral("pnlStockName"))->toolTip(), stock->key);
    const auto bars = loadDailyRows(desk.services().setup().QuoteFolder(), stock->key,
                                    desk.child<QSpinBox>(QStringLiteral("valueLastDays"))->value());
    ASSERT_TRUE(bars && !bars->rows.isEmpty());
    QAbstractItemModel* daily = desk.form->stockCodePage().dailyGrid()->model();
    ASSERT_EQ(daily->rowCount(), bars->rows.size());
    EXPECT_EQ(daily->index(0, 4).data().toString(), bars->rows.first().cells.at(4));

    desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->click();
    EXPECT_EQ(desk.promptText(), QStringLiteral("指定股票为:") + code + stock->name);
}

// Whatever a job stores shows under the query's default range: the range widens to the
// oldest stored day after the re-analysis of older documents.
TEST(QueryPage, JobsThatStoreOlderDaysWidenTheDateRange) {
    WindowDesk desk({.quoteStocks = 6, .corpusDocuments = 3});
    desk.answers = {{Question::ReanalysisStart, MessageAnswer::Yes}};
    desk.show();
    auto* page = desk.form->findChild<QueryPage*>(QStringLiteral("TabGetFromDB"));
    desk.child<QPushButton>(QStringLiteral("btnGetAllFromTxtDocs"))->click();
    Statement days =
        desk.services().store().QueryPublic(QStringLiteral("select min(StDate) from tblStChange"));
    ASSERT_TRUE(days.exec() && days.next());
    const QDate oldest = days.date(0);
    ASSERT_LT(oldest, kToday);
    EXPECT_LE(page->state().from, oldest);
    desk.child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
    Statement all = desk.services().store().QueryPublic(QStringLiteral("select count(*) from viewStChange"));
    ASSERT_TRUE(all.exec() && all.next());
    EXPECT_EQ(allRows(*page->resultModel()).size(), all.integer(0));
}

// One block-trade window and one result window per page, however often the user asks; a
// drill-down window names what it narrows to, and Esc closes it; the grids' context menus
// lead to the department's and the stock's rows and copy the code.
TEST(QueryPage, ResultWindowsAreReusedToldApartAndClosedWithEscape) {
    QueryDesk desk(QueryDesk::Data::Seeded);
    desk.show();
    desk.child<QCheckBox>(QStringLiteral("DateFromChecked"))->setChecked(false);
    desk.child<QLineEdit>(QStringLiteral("edtStockCode"))->setText(QStringLiteral("600610"));
    for (const bool given : {false, true}) {
        desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->setChecked(given);
        for (const QueryButtonInfo& info : queryButtons())
            desk.child<QPushButton>(QString::fromLatin1(info.objectName))->click();
    }
    QList<ResultKind> kinds;
    for (TFormCodeDepart* window : desk.form->findChildren<TFormCodeDepart*>())
        kinds << window->kind();
    std::sort(kinds.begin(), kinds.end());
    EXPECT_EQ(kinds, (QList<ResultKind>{ResultKind::TopFive, ResultKind::BlockTrades}));

    QueryResultModel& main = desk.mainModel();
    int row = 0;
    while (main.rowValues(row).value(3) != test::kQuoted)
        ++row;
    struct Drill {
        int column;
        QString named;
    };
    for (const Drill& d : {Drill{0, QStringLiteral("600610 中毅达")}, Drill{2, QStringLiteral("2017-03-09")},
                           Drill{3, test::kQuoted}}) {
        QPointer<TFormCodeDepart> window = desk.page()->dbGridTop5ListDblClick(main.index(row, d.column));
        ASSERT_TRUE(window) << d.column;
        EXPECT_TRUE(window->windowTitle().endsWith(d.named)) << window->windowTitle().toStdString();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        // The key goes to the window the user works in.
        window->activateWindow();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::activeWindow(), window.data());
        QApplication::sendEvent(window->grid(), &escape);
        EXPECT_TRUE(window.isNull() || !window->isVisible()) << d.column;
    }

    QTableView* grid = desk.page()->resultGrid();
    grid->setCurrentIndex(main.index(row, 3));
    const auto action = [grid](const char* name) {
        return grid->findChild<QAction*>(QString::fromLatin1(name));
    };
    ASSERT_NE(action("actDepartmentHistory"), nullptr);
    const qsizetype before = desk.opened.size();
    action("actDepartmentHistory")->trigger();
    ASSERT_EQ(desk.opened.size(), before + 1);
    for (const QString& line : allRows(*desk.opened.last()->model()))
        EXPECT_EQ(line.section(QLatin1Char('|'), 3, 3), test::kQuoted);
    action("actStockHistory")->trigger();
    for (const QString& line : allRows(*desk.opened.last()->model()))
        EXPECT_EQ(line.section(QLatin1Char('|'), 0, 0), main.rowValues(row).value(0).toString());
    action("actCopyCode")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), main.rowValues(row).value(0).toString());
    EXPECT_NE(action("actDailyBars"), nullptr);
    EXPECT_NE(action("actAddOwnStock"), nullptr);
}

// The department list finds a name from any part of it; the filters, the column widths
// set by hand and the window's place come back after a restart.
TEST(QueryPage, DepartmentSearchAndWhatTheWindowRemembers) {
    QueryDesk desk(QueryDesk::Data::Seeded);
    SystemClock clock;
    ASSERT_TRUE(Settings(desk.folder, clock)
                    .writeText(QStringLiteral("QQ"), QStringLiteral("QQName"), QStringLiteral("x")));
    auto* departments = desk.child<QComboBox>(QStringLiteral("ListBoxDepartment"));
    QCompleter* completer = departments->completer();
    completer->setCompletionPrefix(QStringLiteral("江苏"));
    ASSERT_EQ(completer->completionCount(), 1);
    Q_EMIT completer->activated(completer->currentCompletion());
    EXPECT_EQ(desk.page()->state().departmentItem, test::kGuotai);
    EXPECT_TRUE(desk.page()->state().departmentGiven);

    desk.child<QCheckBox>(QStringLiteral("DateFromChecked"))->setChecked(false);
    desk.child<QCheckBox>(QStringLiteral("chkDepartment"))->setChecked(false);
    desk.show();
    desk.child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
    desk.page()->resultGrid()->horizontalHeader()->resizeSection(3, 333);
    desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->setChecked(true);
    desk.child<QCheckBox>(QStringLiteral("DateToChecked"))->setChecked(true);
    desk.child<QSpinBox>(QStringLiteral("SpEditBuySaleValue"))->setValue(120);
    desk.child<QPushButton>(QStringLiteral("btnMainSaleType"))->click();
    desk.form->setGeometry(40, 50, 900, 640);
    const OperatorQuery left = desk.page()->state();
    desk.form->close();
    desk.reopen();
    desk.show();
    const OperatorQuery back = desk.page()->state();
    EXPECT_EQ(back.stockGiven, left.stockGiven);
    EXPECT_EQ(back.fromTicked, left.fromTicked);
    EXPECT_EQ(back.toTicked, left.toTicked);
    EXPECT_EQ(back.departmentItem, test::kGuotai);
    EXPECT_FALSE(back.departmentGiven);
    EXPECT_EQ(back.threshold, 120);
    EXPECT_EQ(back.thresholdKind, left.thresholdKind);
    desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->setChecked(false);
    desk.child<QCheckBox>(QStringLiteral("DateToChecked"))->setChecked(false);
    desk.child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
    ASSERT_GT(desk.page()->resultModel()->rowCount(), 0);
    EXPECT_EQ(desk.page()->resultGrid()->columnWidth(3), 333);
    EXPECT_EQ(desk.form->size(), QSize(900, 640));

    // A stock picked for the query ticks "指定股票" for this session only.
    desk.page()->chooseGivenStock();
    EXPECT_TRUE(desk.page()->state().stockGiven);
    desk.form->close();
    desk.reopen();
    EXPECT_FALSE(desk.page()->state().stockGiven);
    desk.show();
    desk.form->showFunctionPage(FunctionPage::Query);
    saveScreenshot(*desk.form, QStringLiteral("query-after-restart.png"));
}

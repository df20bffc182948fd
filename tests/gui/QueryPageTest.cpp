#include "gui/DocumentPage.h"
#include "gui/FormCodeDepart.h"
#include "gui/MainForm.h"
#include "gui/MiningPage.h"
#include "gui/QueryPage.h"
#include "gui/QueryResultModel.h"
#include "program/ProgramServices.h"
#include "review/ReviewTestData.h"
#include "support/WindowDesk.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QDate kToday = WindowDesk::kStart.date();

// Every row a model holds, its cells as the grid shows them, one text a row.
QStringList modelRows(const QAbstractItemModel& model) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells << model.index(row, column).data().toString();
        texts << cells.join(QLatin1Char('|'));
    }
    return texts;
}

QStringList allRows(QueryResultModel& model) {
    while (model.canFetchMore({}))
        model.fetchMore({});
    return modelRows(model);
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
        EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("营业部o涨跌说明"));
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
    EXPECT_EQ(page.departmentItems(),
              QStringList({kNoDepartmentItem, test::kGuotai, test::kQuoted, test::kCitic, test::kDescription,
                           QStringLiteral("空格营业部")}));
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
    desk.child<QDateEdit>(QStringLiteral("DateToDate"))->setDate(kToday.addDays(-3));
    EXPECT_EQ(page.state().from, kToday.addDays(-3));

    desk.child<QLineEdit>(QStringLiteral("edtStockCode"))->setText(QStringLiteral("600610"));
    desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->click();
    EXPECT_TRUE(desk.child<QLabel>(QStringLiteral("lblWarning"))
                    ->text()
                    .startsWith(QStringLiteral("指定股票为:600610")));
    EXPECT_EQ(desk.currentContentPage(), QStringLiteral("TabSheetStockCode"));
}

TEST(QueryPage, QueryButtonShowsTheRowsTheCommandLinePrints) {
    QueryDesk desk(QueryDesk::Data::Seeded);
    desk.form->show();
    desk.child<QDateEdit>(QStringLiteral("DateFromDate"))->setDate(QDate(2017, 3, 9));
    desk.child<QPushButton>(QStringLiteral("btnDepart_BuySale"))->click();

    const OperatorStatements statements = composeOperatorQuery(desk.page()->state(), QueryButton::BuySale);
    const QStringList expected = resultRows(desk.db(), statements.main);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(allRows(desk.mainModel()), expected);
    EXPECT_EQ(desk.currentContentPage(), QStringLiteral("TabSheetStockCode"));
    EXPECT_FALSE(desk.child<QWidget>(QStringLiteral("PanelFunction"))->isVisible());
    QTableView* grid = desk.page()->resultGrid();
    EXPECT_TRUE(grid->isVisible());
    for (int i = 0; i < desk.mainModel().columnCount(); ++i)
        EXPECT_EQ(grid->columnWidth(i), kResultColumnWidths.at(static_cast<size_t>(i))) << i;

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
    saveScreenshot(*desk.form, QStringLiteral("query-main-grid.png"));

    // A given stock takes the main result to a window captioned for it; the main grid
    // keeps what it showed.
    desk.child<QLineEdit>(QStringLiteral("edtStockCode"))->setText(QStringLiteral("000001"));
    desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->setChecked(true);
    desk.child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
    ASSERT_EQ(desk.opened.size(), 3);
    TFormCodeDepart* stock = desk.opened.at(1);
    EXPECT_EQ(stock->windowTitle(), QStringLiteral("股票操盘数据查询"));
    EXPECT_EQ(allRows(*stock->model()),
              resultRows(desk.db(), composeOperatorQuery(desk.page()->state(), QueryButton::All).main));
    EXPECT_EQ(allRows(desk.mainModel()), expected);

    // Nothing found: the prompt says so, the main grid is emptied, no window stays.
    desk.child<QCheckBox>(QStringLiteral("chkStockCode"))->setChecked(false);
    desk.page()->setDates(kToday);
    desk.child<QPushButton>(QStringLiteral("btnDepart_SaleOnly"))->click();
    EXPECT_EQ(desk.child<QLabel>(QStringLiteral("lblWarning"))->text(), kNoRowsMessage);
    EXPECT_EQ(desk.mainModel().rowCount(), 0);
    EXPECT_EQ(desk.opened.size(), 3);
    EXPECT_EQ(desk.form->findChildren<TFormCodeDepart*>().size(), 3);
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
    for (int i = 0; i < byDepartment->model()->columnCount(); ++i)
        EXPECT_EQ(byDepartment->grid()->columnWidth(i), kResultColumnWidths.at(static_cast<size_t>(i))) << i;

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
    ASSERT_TRUE(desk.form->miningPage().lastOutcome().ran)
        << desk.form->miningPage().lastOutcome().error.toStdString();

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
    ASSERT_TRUE(desk.form->documentPage().lastReanalysisOutcome().ran);
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

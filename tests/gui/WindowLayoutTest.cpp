#include "app/Settings.h"
#include "gui/FormCodeDepart.h"
#include "gui/QueryPage.h"
#include "gui/QueryResultModel.h"
#include "platform/Clock.h"
#include "program/ProgramServices.h"
#include "review/ReviewTestData.h"
#include "store/DataBase.h"
#include "support/WindowDesk.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTableView>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// The main window at its first start's size on a seeded store, its settings file written
// so that what the window remembers is kept.
// A quote folder stands beside the store, its first stock the seeded 000001.
struct LayoutDesk : WindowDesk {
    LayoutDesk()
        : WindowDesk({.quoteStocks = 4, .beforeWindow = [](WindowDesk& desk) {
                          TDataBase db(desk.folder.databaseFile());
                          ASSERT_TRUE(db.open());
                          seedReviewRows(db);
                          SystemClock clock;
                          ASSERT_TRUE(Settings(desk.folder, clock)
                                          .writeText(QStringLiteral("QQ"), QStringLiteral("QQName"),
                                                     QStringLiteral("x")));
                      }}) {
        watchWindows();
    }
    // A restart: the windows opened from now on are the new main window's.
    void restart() {
        form->close();
        reopen();
        opened.clear();
        watchWindows();
        show();
    }
    void watchWindows() {
        QObject::connect(page(), &QueryPage::resultWindowOpened,
                         [this](TFormCodeDepart* window) { opened.append(window); });
    }
    QueryPage* page() const { return form->findChild<QueryPage*>(QStringLiteral("TabGetFromDB")); }
    // Every day, no filter: the main grid and the block-trade window.
    void queryAll() {
        child<QCheckBox>(QStringLiteral("DateFromChecked"))->setChecked(false);
        child<QCheckBox>(QStringLiteral("DateToChecked"))->setChecked(false);
        child<QPushButton>(QStringLiteral("btnDepart_Buy_Sale"))->click();
        QApplication::processEvents();
    }
    TFormCodeDepart* blockTrades() const {
        for (const QPointer<TFormCodeDepart>& window : opened) {
            if (window && window->kind() == ResultKind::BlockTrades)
                return window;
        }
        return nullptr;
    }
    // The drill-down of the main grid's first department row.
    QPointer<TFormCodeDepart> drillDownDepartment() {
        const QueryResultModel& rows = *page()->resultModel();
        for (int row = 0; row < rows.rowCount(); ++row) {
            if (rows.rowValues(row).value(3) == test::kGuotai)
                return page()->dbGridTop5ListDblClick(rows.index(row, 3));
        }
        ADD_FAILURE() << "no row of " << test::kGuotai.toStdString();
        return nullptr;
    }

    QList<QPointer<TFormCodeDepart>> opened;
};

// The columns whose titles hold one of titles (all columns when none is given) lie wholly
// inside the grid's viewport, with the grid scrolled to its left end.
void expectColumnsInView(const QTableView& grid, const QStringList& titles, const char* which) {
    const QHeaderView& header = *grid.horizontalHeader();
    const int viewport = grid.viewport()->width();
    int found = 0;
    for (int column = 0; column < header.count(); ++column) {
        const QString title = grid.model()->headerData(column, Qt::Horizontal).toString();
        if (!titles.isEmpty() &&
            std::none_of(titles.cbegin(), titles.cend(), [&](const QString& t) { return title.contains(t); }))
            continue;
        ++found;
        const int left = header.sectionViewportPosition(column);
        EXPECT_GE(left, 0) << which << " " << title.toStdString();
        EXPECT_LE(left + header.sectionSize(column), viewport)
            << which << " " << title.toStdString() << " ends at " << left + header.sectionSize(column)
            << " of " << viewport;
    }
    EXPECT_GE(found, std::max<qsizetype>(1, titles.size())) << which;
}

// A child window lies over its owner's middle, whole on the owner's screen.
void expectOverParent(const QWidget& window, const QWidget& parent, const char* which) {
    const QRect available = parent.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window.frameGeometry())) << which;
    const QPoint off = window.frameGeometry().center() - parent.frameGeometry().center();
    EXPECT_LE(std::abs(off.x()), 1) << which;
    EXPECT_LE(std::abs(off.y()), 1) << which;
}

// What the screen shows: the main window and the windows over it where they stand.
void saveDeskShot(const QWidget& main, const QList<QWidget*>& windows, const QString& name) {
    const QRect available = main.screen()->availableGeometry();
    QPixmap desk(available.size());
    desk.fill(QColor(40, 80, 120));
    QPainter painter(&desk);
    for (QWidget* window : QList<QWidget*>{const_cast<QWidget*>(&main)} + windows)
        painter.drawPixmap(window->geometry().topLeft() - available.topLeft(), window->grab());
    painter.end();
    QLabel shot;
    shot.setPixmap(desk);
    shot.resize(desk.size());
    saveScreenshot(shot, name);
}

}  // namespace

// At the size of the first start the query shows the figures a user came for, and the
// windows it opens lie over the main window with all their columns in view.
TEST(WindowLayout, TheFirstStartsSizeShowsTheFiguresAndChildWindowsOverTheMainWindow) {
    LayoutDesk desk;
    desk.show();
    ASSERT_EQ(desk.form->size(), QSize(1024, 700));
    desk.queryAll();
    ASSERT_GT(desk.page()->resultModel()->rowCount(), 0);
    QTableView* grid = desk.page()->resultGrid();
    expectColumnsInView(*grid, {QStringLiteral("买入"), QStringLiteral("卖出"), QStringLiteral("净买额")},
                        "main grid");
    saveScreenshot(*desk.form, QStringLiteral("query-default-size.png"));

    TFormCodeDepart* trades = desk.blockTrades();
    ASSERT_NE(trades, nullptr);
    expectOverParent(*trades, *desk.form, "block trades");
    expectColumnsInView(*trades->grid(), {}, "block trades");
    saveDeskShot(*desk.form, {trades}, QStringLiteral("block-trades-over-main.png"));
    // The page shows the same window for its next query, as wide as that query's columns.
    Statement rename = desk.services().store().DBCommand(
        QStringLiteral("update tblStDepart set StDept=:StDept where StDeptKey=3"));
    rename.bind(QStringLiteral(":StDept"),
                QStringLiteral("中国银河证券股份有限公司北京中关村大街证券营业部"));
    ASSERT_TRUE(rename.exec()) << rename.error().toStdString();
    desk.queryAll();
    ASSERT_EQ(desk.blockTrades(), trades);
    expectColumnsInView(*trades->grid(), {}, "block trades of the next query");
    trades->close();

    const QPointer<TFormCodeDepart> department = desk.drillDownDepartment();
    ASSERT_TRUE(department);
    expectOverParent(*department, *desk.form, "drill-down");
    expectColumnsInView(*department->grid(), {}, "drill-down");
    saveDeskShot(*desk.form, {department}, QStringLiteral("drill-down-over-main.png"));

    // A further step opens over the window it came from, not hidden under it.
    const QPointer<TFormCodeDepart> stock =
        department->dbGridTop5ListDblClick(department->model()->index(0, 0));
    ASSERT_TRUE(stock);
    EXPECT_NE(stock->geometry().topLeft(), department->geometry().topLeft());
    EXPECT_TRUE(stock->screen()->availableGeometry().contains(stock->frameGeometry()));
    expectColumnsInView(*stock->grid(), {}, "second drill-down");

    // Where the program put a window is not where the user left it: the next one follows
    // the main window.
    department->close();
    stock->close();
    desk.form->move(120, 10);
    const QPointer<TFormCodeDepart> again = desk.drillDownDepartment();
    ASSERT_TRUE(again);
    expectOverParent(*again, *desk.form, "drill-down after the main window moved");
}

// The stock list folds away for the query's figures; the daily bars of a row open in the
// list's place, and its pane comes back for them, until the next query.
TEST(WindowLayout, TheStockListGivesWayToTheFiguresAndComesBackForTheDailyBars) {
    LayoutDesk desk;
    desk.show();
    desk.queryAll();
    QTableView* grid = desk.page()->resultGrid();
    auto* stockPane = desk.child<QWidget>(QStringLiteral("PanelStockLeft"));
    EXPECT_EQ(stockPane->width(), 0);
    const QueryResultModel& rows = *desk.page()->resultModel();
    int row = 0;
    while (row < rows.rowCount() && rows.rowValues(row).value(0) != QStringLiteral("000001"))
        ++row;
    ASSERT_LT(row, rows.rowCount());
    grid->setCurrentIndex(rows.index(row, 0));
    desk.child<QAction>(QStringLiteral("actDailyBars"))->trigger();
    auto* daily = desk.child<QWidget>(QStringLiteral("StrGridDaily"));
    ASSERT_TRUE(daily->isVisible());
    EXPECT_GE(stockPane->width(), stockPane->minimumSizeHint().width());
    EXPECT_GT(daily->width(), 0);
    desk.queryAll();
    expectColumnsInView(*grid, {QStringLiteral("买入"), QStringLiteral("卖出"), QStringLiteral("净买额")},
                        "main grid after the daily bars");
}

// Where the user leaves a drill-down or block-trade window is where the next one of its
// kind opens, in this session and after a restart.
TEST(WindowLayout, AMovedChildWindowReopensWhereItWasLeft) {
    LayoutDesk desk;
    desk.show();
    desk.queryAll();
    QPointer<TFormCodeDepart> department = desk.drillDownDepartment();
    ASSERT_TRUE(department);
    const QRect left(60, 40, 1000, 420);
    department->setGeometry(left);
    TFormCodeDepart* trades = desk.blockTrades();
    ASSERT_NE(trades, nullptr);
    const QRect tradesLeft(150, 300, 1100, 380);
    trades->setGeometry(tradesLeft);
    department->close();
    QApplication::processEvents();

    department = desk.drillDownDepartment();
    ASSERT_TRUE(department);
    EXPECT_EQ(department->geometry(), left);

    // The block-trade window is still open when the program ends.
    desk.restart();
    desk.queryAll();
    ASSERT_NE(desk.blockTrades(), nullptr);
    EXPECT_EQ(desk.blockTrades()->geometry(), tradesLeft);
    department = desk.drillDownDepartment();
    ASSERT_TRUE(department);
    EXPECT_EQ(department->geometry(), left);
}

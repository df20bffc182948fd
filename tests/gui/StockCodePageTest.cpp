#include "gui/DailyBarGrid.h"
#include "gui/GridExport.h"
#include "gui/MainForm.h"
#include "gui/StockCodePage.h"
#include "gui/WidgetFrame.h"
#include "platform/Desktop.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "quotefiles/OwnStockList.h"
#include "support/WindowDesk.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

constexpr int kStocks = 8;

// The main window on a program folder whose settings name a generated quote folder; every
// question is answered Yes.
struct StockDesk : WindowDesk {
    explicit StockDesk(std::function<void(WindowDesk&)> beforeWindow = {})
        : WindowDesk({.quoteStocks = kStocks, .beforeWindow = std::move(beforeWindow)}) {
        defaultAnswer = MessageAnswer::Yes;
        show();
    }

    QStringList ownFile() const {
        QFile file(folder.filePath(ownStockFileName()));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    int rowWithRole(QuoteStockRole role) const {
        for (int row = 0; row < generated.stocks.size(); ++row) {
            if (generated.stocks.at(row).role == role)
                return row;
        }
        ADD_FAILURE() << "no such stock";
        return 0;
    }
};

TEST(StockCodePage, ListsQuoteFolderStocksAndSelectionMakesStockCurrent) {
    StockDesk desk;
    auto* list = desk.child<QTableView>("ListStCodeName");
    QAbstractItemModelTester tester(list->model());
    ASSERT_EQ(list->model()->rowCount(), kStocks);
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("代码"));
    EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("名称"));
    for (int row = 0; row < kStocks; ++row) {
        EXPECT_EQ(list->model()->index(row, 0).data().toString(), desk.generated.stocks.at(row).key);
        EXPECT_EQ(list->model()->index(row, 1).data().toString(), desk.generated.stocks.at(row).name);
    }
    auto* code = desk.child<QLineEdit>("edtStockCode");
    auto* name = desk.child<QLabel>("pnlStockName");
    // After the load the first stock is the current one.
    EXPECT_EQ(name->toolTip(), desk.generated.stocks.first().key);

    const GeneratedQuoteStock& picked = desk.generated.stocks.at(kStocks - 1);  // a Shanghai stock
    list->setCurrentIndex(list->model()->index(kStocks - 1, 1));
    EXPECT_EQ(code->text(), picked.key.right(6));
    EXPECT_EQ(name->text(), picked.name);
    EXPECT_EQ(name->toolTip(), picked.key);

    // A typed code takes effect on Enter; leaving the box untouched changes nothing.
    const GeneratedQuoteStock& typed = desk.generated.stocks.at(1);
    code->setText(typed.key.right(6));
    typeKey(code, Qt::Key_1, QStringLiteral("1"));
    code->setText(typed.key.right(6));
    typeKey(code, Qt::Key_Return);
    EXPECT_EQ(name->text(), typed.name);
    EXPECT_EQ(name->toolTip(), typed.key);
    name->setText(QStringLiteral("挖掘中"));
    QFocusEvent leave(QEvent::FocusOut);
    QApplication::sendEvent(code, &leave);
    EXPECT_EQ(name->text(), QStringLiteral("挖掘中"));
}

TEST(StockCodePage, OwnListAddAndRemoveRewriteSelfStockFile) {
    StockDesk desk;
    auto* list = desk.child<QTableView>("ListStCodeName");
    auto* own = desk.child<QListWidget>("ListSelfStock");
    const QString first = desk.generated.stocks.at(2).key;
    const QString second = desk.generated.stocks.at(5).key;
    list->setCurrentIndex(list->model()->index(2, 0));
    desk.child<QAbstractButton>("btnSelfStock")->click();
    desk.child<QAbstractButton>("btnSelfStock")->click();  // already listed: no second line
    EXPECT_EQ(desk.ownFile(), QStringList{first});

    list->setCurrentIndex(list->model()->index(5, 0));
    sendMouse(desk.child<QLabel>("pnlStockName"), QEvent::MouseButtonDblClick);
    EXPECT_EQ(desk.ownFile(), (QStringList{first, second}));
    EXPECT_EQ(own->count(), 2);

    // Clicking an own stock makes it current; deleting takes the selected one away.
    own->setCurrentRow(0);
    emit own->itemClicked(own->item(0));
    EXPECT_EQ(desk.child<QLabel>("pnlStockName")->toolTip(), first);
    desk.child<QAbstractButton>("btnDelSelfStock")->click();
    EXPECT_EQ(desk.ownFile(), QStringList{second});
    ASSERT_EQ(own->count(), 1);
    // The line names the stock beside its code.
    EXPECT_EQ(own->item(0)->text(), second + QLatin1Char(' ') + desk.generated.stocks.at(5).name);
}

// The name panel's double-click adds the stock its hint names only when the code is
// whole and known: a partial or unknown code never reaches the list the mining run walks.
TEST(StockCodePage, NamePanelAddsOnlyAKnownCompleteCodeToTheOwnList) {
    StockDesk desk;
    auto* code = desk.child<QLineEdit>("edtStockCode");
    QLabel* name = desk.child<QLabel>("pnlStockName");
    const QString known = desk.generated.stocks.at(3).key;
    for (const QString& typed : {QStringLiteral("1234"), QStringLiteral("999999"), known.right(6)}) {
        code->setText(typed);
        sendMouse(name, QEvent::MouseButtonPress);
        sendMouse(name, QEvent::MouseButtonRelease);
        sendMouse(name, QEvent::MouseButtonDblClick);
        EXPECT_EQ(desk.ownFile(), typed == known.right(6) ? QStringList{known} : QStringList{})
            << typed.toStdString();
    }
}

// A stock picked in the name panel or by a typed code becomes the query's given stock as a
// click on "指定股票" makes it, with its saved documents listed and the newest opened; the
// all-stocks list scrolls to it.
TEST(StockCodePage, PickedStockIsGivenToTheQueryWithItsDocuments) {
    WindowDesk desk({.quoteStocks = 40, .corpusDocuments = 2});
    desk.show();
    desk.form->showContentPage(ContentPage::StockCode);
    QApplication::processEvents();
    const GeneratedQuoteStock& stock = desk.generated.stocks.at(10);
    auto* code = desk.child<QLineEdit>("edtStockCode");
    code->setText(stock.key.right(6));
    typeKey(code, Qt::Key_0, QStringLiteral("0"));
    code->setText(stock.key.right(6));
    typeKey(code, Qt::Key_Return);

    EXPECT_TRUE(desk.child<QCheckBox>("chkStockCode")->isChecked());
    EXPECT_EQ(desk.child<QStackedWidget>("PageFunction")->currentWidget()->objectName(),
              QStringLiteral("TabGetFromDB"));
    auto* documents = desk.child<QListWidget>("ListBoxStDoc");
    ASSERT_EQ(documents->count(), 2);
    EXPECT_EQ(documents->currentRow(), 1);
    EXPECT_TRUE(desk.child<QPlainTextEdit>("MemoPastFrom")->toPlainText().contains(stock.key.right(6)));
    EXPECT_TRUE(desk.promptText().startsWith(QStringLiteral("指定股票为:") + stock.key.right(6)))
        << desk.promptText().toStdString();
    auto* list = desk.child<QTableView>("ListStCodeName");
    EXPECT_EQ(list->rowAt(0), 10);
}

// The viewer shows the newest bars first, each red when its close rose, lime when not.
TEST(StockCodePage, DailyViewerShowsBarsInColoursOfTheirDirection) {
    StockDesk desk;
    auto* list = desk.child<QTableView>("ListStCodeName");
    const int stockRow = desk.rowWithRole(QuoteStockRole::Ordinary);
    const GeneratedQuoteStock& stock = desk.generated.stocks.at(stockRow);
    list->setCurrentIndex(list->model()->index(stockRow, 0));
    auto* days = desk.child<QSpinBox>("valueLastDays");
    days->setValue(0);
    desk.child<QAbstractButton>("btnLoadDaily")->click();

    DailyBarGrid* grid = desk.form->stockCodePage().dailyGrid();
    QAbstractItemModelTester tester(grid->model());
    EXPECT_TRUE(grid->isVisible());
    EXPECT_FALSE(desk.child<QWidget>("PanelCodeName")->isVisible());
    EXPECT_TRUE(desk.child<QWidget>("btnCloseDaily")->isVisible());
    const auto expected = loadDailyRows(desk.services().setup().QuoteFolder(), stock.key, 0);
    ASSERT_TRUE(expected.has_value());
    QAbstractItemModel* rows = grid->model();
    ASSERT_EQ(rows->rowCount(), expected->rows.size());
    ASSERT_EQ(rows->rowCount(), 30);
    int upRow = -1;
    int downRow = -1;
    for (int row = 0; row < rows->rowCount(); ++row) {
        const bool up = expected->rows.at(row).up;
        (up ? upRow : downRow) = row;
        for (int column = 0; column < 7; ++column) {
            const QModelIndex cell = rows->index(row, column);
            // As stored, the way a copy takes them; the figures' own look is tested with the
            // other pages'.
            EXPECT_EQ(cell.data(GridExport::kExportRole).toString(), expected->rows.at(row).cells.at(column));
            EXPECT_EQ(cell.data(DailyBarModel::UpRole).toBool(), up);
        }
    }
    ASSERT_GE(upRow, 0);
    ASSERT_GE(downRow, 0);

    // The painted cells: a figure in red on an up day, in lime on a down day, on black.
    grid->clearSelection();
    grid->setCurrentIndex(QModelIndex());
    for (const auto& [row, colour] :
         {std::pair{upRow, QColor(Qt::red)}, std::pair{downRow, QColor(0, 255, 0)}}) {
        grid->scrollTo(rows->index(row, 4));
        QApplication::processEvents();
        const QRect cell = grid->visualRect(rows->index(row, 4));
        const QImage image = grid->viewport()->grab(cell).toImage();
        bool textSeen = false;
        bool otherColour = false;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                textSeen = textSeen || pixel == colour;
                otherColour =
                    otherColour || pixel == (colour == QColor(Qt::red) ? QColor(0, 255, 0) : QColor(Qt::red));
            }
        }
        EXPECT_TRUE(textSeen) << row;
        EXPECT_FALSE(otherColour) << row;
        EXPECT_EQ(image.pixelColor(0, image.height() / 2), QColor(Qt::black)) << row;
    }

    // The arrows step the day count and show that many days at once.
    days->setValue(3);
    desk.child<QAbstractButton>("btnLoadDaily")->click();
    EXPECT_EQ(rows->rowCount(), 3);
    desk.child<QSpinBox>("UpDownDays")->stepBy(1);
    EXPECT_EQ(days->value(), 4);
    EXPECT_EQ(rows->rowCount(), 4);
    EXPECT_EQ(desk.child<QWidget>("UpDownDays")->toolTip(), QStringLiteral("调阅最近4天的收盘数据"));

    desk.child<QAbstractButton>("btnCloseDaily")->click();
    EXPECT_FALSE(grid->isVisible());
    EXPECT_TRUE(desk.child<QWidget>("PanelCodeName")->isVisible());
}

// The data menu's import fills tblStocks; the toolbar's listing shows it in the result grid.
TEST(StockCodePage, ImportedShareCapitalIsListedInResultGrid) {
    StockDesk desk;
    desk.child<QAction>("MenuLoadStockQTY")->trigger();
    const QString memo = desk.child<QPlainTextEdit>("MemoPastFrom")->toPlainText();
    EXPECT_EQ(memo.count(QStringLiteral("增加新股票")), kStocks) << memo.toStdString();
    EXPECT_EQ(desk.child<QStackedWidget>("PageControl")->currentWidget()->objectName(),
              QStringLiteral("TabSheetStockDoc"));

    desk.child<QAbstractButton>("btnListStockQTY")->click();
    EXPECT_EQ(desk.child<QStackedWidget>("PageControl")->currentWidget()->objectName(),
              QStringLiteral("TabSheetStockCode"));
    const QAbstractItemModel* rows = desk.child<QTableView>("dbGridTop5List")->model();
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(rows->rowCount(), kStocks);
    EXPECT_EQ(rows->headerData(1, Qt::Horizontal).toString(), QStringLiteral("股票名称"));
    EXPECT_EQ(rows->index(0, 0).data().toString(), desk.generated.stocks.first().key.right(6));
    // Shown with separators, exported as stored.
    EXPECT_EQ(rows->index(0, 4).data(GridExport::kExportRole).toString(),
              desk.generated.stocks.first().tradableShares.toString());
    EXPECT_EQ(rows->index(0, 4).data().toString(),
              QLocale(QLocale::Chinese, QLocale::China)
                  .toString(desk.generated.stocks.first().tradableShares.toDouble(), 'f', 2));

    // The names stored are the list's: nothing to refresh.
    desk.child<QAction>("menuRefreshName")->trigger();
    EXPECT_TRUE(desk.child<QPlainTextEdit>("MemoPastFrom")->toPlainText().isEmpty());
}

// A stock list page pasted into the left area becomes the hand-kept table, shown on the
// right for checking, and loads as the all-stocks list.
TEST(StockCodePage, PastedWebListIsSavedAsHandKeptTableAndLoads) {
    StockDesk desk;
    desk.child<QPlainTextEdit>("MemoPastFrom")
        ->setPlainText(
            QStringLiteral("上海股票\n浦发银行(600000) 白云机场(600004)\n深圳股票\n平安银行(000001)"));
    desk.child<QAction>("menuSaveSelfCode")->trigger();
    const QStringList lines{QStringLiteral("sh|浦发银行|600000"), QStringLiteral("sh|白云机场|600004"),
                            QStringLiteral("sz|平安银行|000001")};
    EXPECT_EQ(desk.frame().logLines(), lines);

    desk.child<QAction>("btnMyselfCodeName")->trigger();
    const QAbstractItemModel* list = desk.child<QTableView>("ListStCodeName")->model();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->index(2, 0).data().toString(), QStringLiteral("sz000001"));
    EXPECT_EQ(list->index(2, 1).data().toString(), QStringLiteral("平安银行"));
    EXPECT_EQ(desk.child<QLabel>("pnlStockName")->toolTip(), QStringLiteral("sh600000"));
}

// The window opens with an empty clipboard, and its bare area drags it, except a press
// on its first column.
TEST(MainFormWindow, StartsWithClearedClipboardAndDragsByBareArea) {
    StockDesk desk([](WindowDesk& opening) { opening.platform->desktop().setClipboardText(u"旧的龙虎榜"); });
    EXPECT_FALSE(desk.platform->desktop().clipboardText().has_value());

    auto* bar = desk.child<QToolBar>("ToolBarTop");
    const int y = bar->geometry().center().y();
    const auto drag = [&](int x) {
        const QPoint start = desk.form->pos();
        const QPointF from(x, y);
        const QPointF to(x + 30, y + 20);
        const QPointF globalFrom = desk.form->mapToGlobal(from);
        QMouseEvent press(QEvent::MouseButtonPress, from, globalFrom, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(desk.form.get(), &press);
        QMouseEvent move(QEvent::MouseMove, to, globalFrom + QPointF(30, 20), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(desk.form.get(), &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, globalFrom + QPointF(30, 20), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(desk.form.get(), &release);
        return desk.form->pos() - start;
    };
    EXPECT_EQ(drag(0), QPoint(0, 0));
    EXPECT_EQ(drag(bar->geometry().right() - 3), QPoint(30, 20));
}

// A swipe shows the cursor file named like the program, else the horizontal-resize arrows.
TEST(MainFormWindow, SwipeCursorIsProgramsCursorFileElseResizeArrows) {
    const auto swipeCursor = [](StockDesk& desk) {
        auto* pages = desk.child<QStackedWidget>("PageFunction");
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 50), QPointF(100, 50), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pages, &press);
        const Qt::CursorShape shape =
            QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(100, 50), QPointF(100, 50), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pages, &release);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        return shape;
    };
    {
        StockDesk desk;
        EXPECT_EQ(swipeCursor(desk), Qt::SizeHorCursor);
    }
    StockDesk desk;
    const QString cursorFile = desk.folder.filePath(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral(".cur"));
    QImage arrow(32, 32, QImage::Format_ARGB32);
    arrow.fill(Qt::black);
    ASSERT_TRUE(arrow.save(cursorFile, "cur"));
    desk.reopen();
    EXPECT_EQ(swipeCursor(desk), Qt::BitmapCursor);
}

}  // namespace

#include "app/RunControl.h"
#include "app/Settings.h"
#include "demo/QuoteFolderGenerator.h"
#include "gui/DocumentPage.h"
#include "gui/MainForm.h"
#include "gui/MiningPage.h"
#include "gui/WidgetFrame.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "support/WindowDesk.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

constexpr int kStocks = 12;
const QString kFirstRunPrompt = QStringLiteral("请先设置华林证券或东方证券行情分析软件的安装位置以及QQ昵称!");

const std::map<Question, MessageAnswer> kMiningAnswers{{Question::MiningF10Reminder, MessageAnswer::Yes},
                                                       {Question::MiningFreshness, MessageAnswer::Yes},
                                                       {Question::MiningResume, MessageAnswer::No},
                                                       {Question::MiningRetryFailed, MessageAnswer::No}};

// Posted, so the run's own event pump delivers it.
void click(QWidget* target, Qt::MouseButton button) {
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, QPointF(4, 4),
                                                        QPointF(4, 4), button, button, Qt::NoModifier));
}

TEST(MainFormStartUp, EmptyProgramFolderAsksForSetupAndPopulatedOneOpensOnMainPage) {
    {
        WindowDesk desk;
        EXPECT_EQ(desk.promptText(), kFirstRunPrompt);
        EXPECT_TRUE(desk.child<QWidget>("PanelFunction")->isVisibleTo(desk.form.get()));
        EXPECT_EQ(desk.child<QStackedWidget>("PageFunction")->currentWidget()->objectName(),
                  QStringLiteral("TabSheetSetup"));
        desk.show();
        // The search for the quote program says what to set; the code box taking the focus
        // as the window opens does not hide it.
        EXPECT_TRUE(desk.promptText().contains(QStringLiteral("请先设置")))
            << desk.promptText().toStdString();
        saveScreenshot(*desk.form, QStringLiteral("first-start.png"));
    }
    WindowDesk desk({.quoteStocks = kStocks});
    EXPECT_NE(desk.promptText(), kFirstRunPrompt);
    EXPECT_FALSE(desk.child<QWidget>("PanelFunction")->isVisibleTo(desk.form.get()));
    EXPECT_EQ(desk.child<QStackedWidget>("PageControl")->currentWidget()->objectName(),
              QStringLiteral("TabSheetMain"));
    EXPECT_EQ(desk.child<QLabel>("statMainPanel1")->text(), QString::number(kStocks));
    EXPECT_FALSE(desk.child<QCheckBox>("CheckMain")->isEnabled());
    // The first show looks for the quote program's windows (starting it when missing).
    desk.show();
    EXPECT_TRUE(desk.child<QCheckBox>("CheckMain")->isEnabled());
    EXPECT_TRUE(desk.child<QCheckBox>("CheckChild")->isEnabled());
    saveScreenshot(*desk.form, QStringLiteral("MainForm.png"));
}

// The line flashes over a frame of its own: the page above it never moves.
TEST(MainFormPrompt, OneLineFlashesFourTimesThenStaysShown) {
    WindowDesk desk;
    desk.show();
    QLabel* prompt = desk.child<QLabel>("lblWarning");
    QWidget* pages = desk.child<QWidget>("PageControl");
    const QRect still = pages->geometry();
    desk.frame().ShowPrompt(QStringLiteral("第一\r第二"));
    EXPECT_EQ(prompt->text(), QStringLiteral("第一 第二"));
    const bool expected[][2] = {{true, false}, {true, true}, {true, false}, {true, true}, {false, true}};
    for (const auto& [ticking, visible] : expected) {
        EXPECT_EQ(desk.frame().flashTick(), ticking);
        QApplication::processEvents();
        EXPECT_EQ(prompt->isVisibleTo(desk.form.get()), visible);
        EXPECT_EQ(pages->geometry(), still);
    }
    EXPECT_FALSE(desk.frame().flashing());
}

TEST(MainFormNavigation, SwipeOfMoreThanFifteenPixelsTurnsFunctionPage) {
    WindowDesk desk;
    desk.show();
    auto* pages = desk.child<QStackedWidget>("PageFunction");
    struct Case {
        int distance;
        int page;
    };
    for (const Case& c : {Case{15, 0}, Case{-15, 0}, Case{16, 1}, Case{-16, pages->count() - 1}}) {
        pages->setCurrentIndex(0);
        const QPointF from(100, 50);
        const QPointF to(100 + c.distance, 50);
        // One at a time: events of the same mouse share the point they carry.
        {
            QMouseEvent press(QEvent::MouseButtonPress, from, from, Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(pages, &press);
        }
        QMouseEvent release(QEvent::MouseButtonRelease, to, to, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pages, &release);
        EXPECT_EQ(pages->currentIndex(), c.page) << c.distance;
    }
}

TEST(MainFormNavigation, CloseBoxMainPageAndApplicationButtonPutFunctionPanelAway) {
    WindowDesk desk({.quoteStocks = kStocks});
    desk.show();
    QWidget* panel = desk.child<QWidget>("PanelFunction");
    const auto visible = [&] { return panel->isVisibleTo(desk.form.get()); };
    desk.form->showFunctionPage(FunctionPage::Mining);
    desk.child<QAbstractButton>("PanelCloseIT")->click();
    EXPECT_FALSE(visible());

    desk.form->showFunctionPage(FunctionPage::Mining);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(desk.child<QWidget>("TabSheetMain"), &press);
    EXPECT_FALSE(visible());

    // btnApplication leaves the query page alone, any other page goes.
    desk.form->showContentPage(ContentPage::Prompt);
    desk.form->showFunctionPage(FunctionPage::Query);
    desk.child<QAbstractButton>("btnApplication")->click();
    EXPECT_TRUE(visible());
    desk.form->showFunctionPage(FunctionPage::Setup);
    desk.child<QAbstractButton>("btnApplication")->click();
    EXPECT_FALSE(visible());
    EXPECT_EQ(desk.child<QStackedWidget>("PageControl")->currentWidget()->objectName(),
              QStringLiteral("TabSheetMain"));
}

// A right click pauses the run, a left click resumes it, a second left click stops it;
// afterwards the window is usable and no longer on top.
TEST(MainFormMining, MouseSteersRunOnSimulatedDesktop) {
    WindowDesk desk({.quoteStocks = kStocks});
    desk.answers = kMiningAnswers;
    desk.show();
    RunControl& run = desk.services().run();
    QWidget* target = desk.form->centralWidget();
    enum class Step { Running, Paused, Resumed, Stopped } step = Step::Running;
    int pausedPumps = 0;
    int pausedAt = 0;
    bool wasOnTop = false;
    bool progressWhilePaused = false;
    desk.frame().setPumpHook([&] {
        if (!run.isActive())
            return;
        wasOnTop = wasOnTop || desk.onTop();
        const int position = run.progress().position;
        switch (step) {
            case Step::Running:
                if (position >= 2 && run.state() == RunState::Running) {
                    click(target, Qt::RightButton);
                    step = Step::Paused;
                }
                break;
            case Step::Paused:
                if (run.state() != RunState::Paused)
                    break;
                if (pausedPumps == 0)
                    pausedAt = position;
                progressWhilePaused = progressWhilePaused || position != pausedAt;
                if (++pausedPumps == 5) {
                    click(target, Qt::LeftButton);
                    step = Step::Resumed;
                }
                break;
            case Step::Resumed:
                if (run.state() == RunState::Running && position >= pausedAt + 2) {
                    click(target, Qt::LeftButton);
                    step = Step::Stopped;
                }
                break;
            case Step::Stopped:
                break;
        }
    });
    desk.child<QAbstractButton>("btnGetAllOfTheNewDocs")->click();

    const MiningOutcome& outcome = desk.form->miningPage().lastOutcome();
    ASSERT_TRUE(outcome.started()) << outcome.reasonTextEnglish().toStdString();
    EXPECT_EQ(step, Step::Stopped);
    EXPECT_EQ(pausedPumps, 5);
    EXPECT_FALSE(progressWhilePaused);
    EXPECT_TRUE(outcome.stopped());
    EXPECT_GE(outcome.captured, 3);
    EXPECT_LT(outcome.screened, kStocks);
    EXPECT_TRUE(wasOnTop);
    EXPECT_FALSE(desk.onTop());
    EXPECT_FALSE(run.isActive());
    EXPECT_TRUE(desk.child<QAbstractButton>("btnGetAllOfTheNewDocs")->isEnabled());
    EXPECT_FALSE(desk.child<QAbstractButton>("btnStop")->isEnabled());
    EXPECT_FALSE(desk.child<QWidget>("GroupBoxProgress")->isVisible());
    EXPECT_FALSE(desk.frame().logLines().isEmpty());
}

// A question the run asks must be answerable with the mouse: its box takes the click
// instead of the run stopping.
TEST(MainFormMining, BoxAskedDuringRunTakesItsClicks) {
    WindowDesk desk;
    desk.show();
    RunControl& run = desk.services().run();
    const RunLease lease = run.lease(JobKind::Mining);
    ASSERT_TRUE(run.start(lease, 3));
    QMessageBox box(QMessageBox::Question, QStringLiteral("注意"), QStringLiteral("继续?"),
                    QMessageBox::Yes | QMessageBox::No, desk.form.get());
    QTimer::singleShot(0, &box, [&box] {
        QAbstractButton* yes = box.button(QMessageBox::Yes);
        const QPointF centre = QRectF(yes->rect()).center();
        const QPointF global = yes->mapToGlobal(centre);
        QCoreApplication::postEvent(yes, new QMouseEvent(QEvent::MouseButtonPress, centre, global,
                                                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(yes, new QMouseEvent(QEvent::MouseButtonRelease, centre, global,
                                                         Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    });
    // Only when the click never arrives: the test fails instead of waiting for ever.
    QTimer::singleShot(5000, &box, &QMessageBox::reject);
    EXPECT_EQ(box.exec(), QMessageBox::Yes);
    EXPECT_EQ(run.state(), RunState::Running);
    run.finish(QString(), false, nullptr);
}

// The start-up captions and hints, and the manual the help menu opens.
TEST(MainFormStartUp, CaptionsHintsAndTheManual) {
    WindowDesk desk;
    struct Text {
        const char* widget;
        QString caption;
        QString hint;
    };
    const Text texts[] = {
        {"btnDepart_BuySale", QStringLiteral("即买即抛\n庄家大户"), {}},
        {"btnDepart_BuyOnly", QStringLiteral("单买入\n庄家大户"), {}},
        {"btnDepart_SaleOnly", QStringLiteral("单抛售\n庄家大户"), {}},
        {"btnDepart_BuySaleOnly", QStringLiteral("只买只抛\n庄家大户"), {}},
        {"btnDepart_Buy_Sale", QStringLiteral("有买有抛\n庄家大户"), {}},
        {"btnDelMainBuySale", QStringLiteral("删除过期\n买卖数据"), QStringLiteral("删除过期的买卖动态数据")},
        {"btnSelectStock", QStringLiteral("选定行情分析股票"), {}},
        {"btnGetStockDoc", QStringLiteral("获取龙虎榜单"), {}},
        {"btnGetStockChanges", QStringLiteral("提取操盘数据"),
         QStringLiteral("从龙虎榜单中提取操盘庄家数据并保存,请先执行\"获取龙虎榜单\"")},
        {"btnLoadDaily", QStringLiteral("收盘数据"),
         QStringLiteral("从文件中读取指定股票在最近天数里的日交易数据")},
        {"btnClear", QStringLiteral("清除信息"), {}},
        {"btnStop", QStringLiteral("停止"), {}},
        {"edtStockCode", {}, QStringLiteral("当前股票代码")},
        {"DateFromDate", {}, QStringLiteral("指定查阅数据的开始日期,需要使用此条件时,打勾")},
        {"DateToDate", {}, QStringLiteral("指定查阅数据的结束日期,需要使用此条件时,打勾")},
        {"SpEditBuySaleValue", {}, QStringLiteral("主力买卖数据和大宗交易的数量界限(万股)")},
    };
    for (const Text& t : texts) {
        auto* widget = desk.child<QWidget>(QString::fromLatin1(t.widget));
        if (auto* button = qobject_cast<QAbstractButton*>(widget); button && !t.caption.isEmpty()) {
            EXPECT_EQ(button->text(), t.caption) << t.widget;
        }
        if (!t.hint.isEmpty()) {
            EXPECT_EQ(widget->toolTip(), t.hint) << t.widget;
        }
    }

    QStringList opened;
    desk.frame().setDocumentOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    auto* manual = desk.child<QAction>("menuManual");
    manual->trigger();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(desk.promptText().contains(QStringLiteral("没有找到使用教程")))
        << desk.promptText().toStdString();
    const QString page = desk.folder.filePath(QStringLiteral("manual/index.html"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(page).path()));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("<html></html>") > 0);
    file.close();
    manual->trigger();
    EXPECT_EQ(opened, QStringList{page});
    EXPECT_EQ(desk.currentContentPage(), QStringLiteral("TabSheetPrompt"));
    // Qt's own buttons speak Chinese.
    QMessageBox box(QMessageBox::Question, {}, {}, QMessageBox::Yes | QMessageBox::Cancel);
    EXPECT_FALSE(box.button(QMessageBox::Cancel)->text().contains(QStringLiteral("Cancel")));
}

// While the quote program comes up the window paints and answers, its prompt line says
// what it waits for, and nothing can start a job meanwhile.
TEST(MainFormStartUp, WindowAnswersWhileTheQuoteProgramComesUp) {
    WindowDesk desk({.quoteStocks = kStocks});
    const qint64 before = desk.platform->clock().elapsedMs();
    int pumps = 0;
    bool held = true;
    QString prompt;
    desk.frame().setPumpHook([&] {
        if (desk.platform->clock().elapsedMs() - before >= 15000)
            return;
        ++pumps;
        held = held && !desk.child<QAbstractButton>("btnGetAllOfTheNewDocs")->isEnabled();
        if (prompt.isEmpty())
            prompt = desk.promptText();
    });
    desk.show();
    EXPECT_GE(desk.platform->clock().elapsedMs() - before, 15000);
    EXPECT_GE(pumps, 100);
    EXPECT_TRUE(held);
    EXPECT_TRUE(prompt.startsWith(QStringLiteral("正在启动"))) << prompt.toStdString();
    EXPECT_FALSE(desk.promptText().startsWith(QStringLiteral("正在启动"))) << "the start is over";
    EXPECT_TRUE(desk.child<QAbstractButton>("btnGetAllOfTheNewDocs")->isEnabled());
    EXPECT_TRUE(desk.child<QCheckBox>("CheckMain")->isEnabled());
}

// A run counts a double click once, as the press it began with, and the right click that
// pauses opens no context menu under the mouse.
TEST(MainFormMining, DoubleClickCountsOnceAndPausingOpensNoMenu) {
    WindowDesk desk;
    desk.show();
    RunControl& run = desk.services().run();
    const RunLease lease = run.lease(JobKind::Mining);
    ASSERT_TRUE(run.start(lease, 3));
    QWidget* target = desk.form->centralWidget();
    sendMouse(target, QEvent::MouseButtonPress, Qt::RightButton);
    sendMouse(target, QEvent::MouseButtonRelease, Qt::RightButton);
    ASSERT_EQ(run.state(), RunState::Paused);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
        sendMouse(target, type);
    EXPECT_EQ(run.state(), RunState::Running);

    bool menuOpened = false;
    QTimer::singleShot(0, [&menuOpened] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            menuOpened = true;
            menu->close();
        }
    });
    QWidget* grid = desk.child<QTableView>("dbGridTop5List")->viewport();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(3, 3), grid->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(grid, &menu);
    QApplication::processEvents();
    EXPECT_FALSE(menuOpened);
    run.finish(QString(), false, nullptr);
}

TEST(MainFormJobs, FailingJobLeavesWindowEnabledAndNotOnTop) {
    WindowDesk desk;
    desk.show();
    RunControl& run = desk.services().run();
    desk.answers = {{Question::ReanalysisStart, MessageAnswer::Yes}};
    ReanalysisHooks hooks;
    hooks.stayOnTop = [&](bool on) {
        desk.form->stayOnTop(on);
        if (on)
            throw std::runtime_error("disk full");
    };
    const ReanalysisOutcome outcome = desk.services().jobs().reanalyse(ReanalysisOptions{}, hooks);
    EXPECT_EQ(outcome.reason, JobReason::Unexpected);
    EXPECT_EQ(outcome.detail, QStringLiteral("disk full"));
    EXPECT_FALSE(run.isActive());
    EXPECT_FALSE(desk.onTop());
    EXPECT_TRUE(desk.child<QAbstractButton>("btnGetAllOfTheNewDocs")->isEnabled());
    EXPECT_TRUE(desk.child<QAbstractButton>("btnGetStockDoc")->isEnabled());
    EXPECT_FALSE(desk.child<QAbstractButton>("btnStop")->isEnabled());
    EXPECT_FALSE(desk.child<QWidget>("GroupBoxProgress")->isVisible());
    ASSERT_FALSE(desk.asked.isEmpty());
    EXPECT_TRUE(desk.asked.last().text.contains(QStringLiteral("disk full")))
        << desk.asked.last().text.toStdString();
}

TEST(MainFormFrame, HelpPictureStandsInFrontWhileBoxIsUpAndLogKeepsColouredLines) {
    WindowDesk desk;
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(desk.folder.filePath(QStringLiteral("help.jpg"))));
    desk.frame().ShowHelpPicture(QStringLiteral("打开窗口"), QStringLiteral("help.jpg"), false);
    desk.frame().ShowHelpPicture(QStringLiteral("没有图"), QStringLiteral("missing.jpg"), false);
    ASSERT_EQ(desk.asked.size(), 2);
    EXPECT_EQ(desk.pictureShown, (QList<bool>{true, false}));
    EXPECT_EQ(desk.asked.at(0).title, QStringLiteral("注意"));
    EXPECT_TRUE(desk.asked.at(0).text.endsWith(QStringLiteral("请按图示操作步骤打开窗口")));
    EXPECT_EQ(desk.form->findChild<QWidget*>(QStringLiteral("pnlHelpPicture")), nullptr);

    WidgetFrame& frame = desk.frame();
    frame.addLog(QStringLiteral("\t旧"), LogColor::Default);
    frame.clearLog();
    frame.addLog(QStringLiteral("\t涨"), LogColor::Red);
    frame.addLog(QStringLiteral("\t跌"), LogColor::Green);
    EXPECT_EQ(frame.logLines(), (QStringList{QStringLiteral("\t涨"), QStringLiteral("\t跌")}));
    const QTextDocument* log = desk.child<QTextEdit>("MemoResult")->document();
    frame.setStatusPanel(StatusPanel::FetchTries, QStringLiteral("7"));
    EXPECT_EQ(desk.child<QLabel>("statMainPanel12")->text(), QStringLiteral("7"));
    EXPECT_EQ(desk.child<QLabel>("statMainPanel11")->text(), QStringLiteral("抓取次数:"));
    const auto colour = [](const QTextBlock& block) {
        return block.begin().fragment().charFormat().foreground().color();
    };
    EXPECT_EQ(colour(log->firstBlock()), QColor(Qt::red));
    EXPECT_EQ(colour(log->lastBlock()), QColor(0, 128, 0));
}

TEST(MainFormFrame, ProgressBoxTakesLayoutOfRunAndDoubleClickHidesIt) {
    WindowDesk desk;
    desk.show();
    QWidget* box = desk.child<QWidget>("GroupBoxProgress");
    const QSize area = desk.form->centralWidget()->size();
    struct Case {
        ProgressLayout layout;
        int width;
        bool web;
    };
    for (const Case& c :
         {Case{ProgressLayout::Download, 800, true}, Case{ProgressLayout::Mining, 460, false}}) {
        RunProgress progress;
        progress.layout = c.layout;
        progress.maximum = 10;
        progress.position = 4;
        desk.frame().showProgress(progress);
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(box->width(), c.width);
        EXPECT_EQ(desk.child<QWidget>("pnlWeb")->isVisibleTo(box), c.web);
        EXPECT_EQ(box->x(), (area.width() - box->width()) / 2);
        EXPECT_EQ(box->y(), (area.height() - box->height()) / 2);
    }
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &doubleClick);
    EXPECT_FALSE(box->isVisible());
}

// A folder edit commits only what was typed, and only an existing folder; the radio
// buttons switch the quote program at once.
TEST(MainFormSetup, FolderEditStoresTypedExistingFolderAndRadioSwitchesProgram) {
    WindowDesk desk;
    const QString quote = desk.home.file(QStringLiteral("quote"));
    ASSERT_TRUE(QDir().mkpath(quote));
    auto* edit = desk.child<QLineEdit>("edtHuaLinFolder");
    const auto stored = [&] {
        SystemClock clock;
        return Settings(desk.folder, clock).hualinFolder();
    };
    const QString defaultFolder = stored();

    edit->setText(quote);  // not typed: leaving writes nothing
    QFocusEvent leave(QEvent::FocusOut);
    QApplication::sendEvent(edit, &leave);
    EXPECT_EQ(stored(), defaultFolder);

    edit->setText(quote + QStringLiteral("/su"));
    typeKey(edit, Qt::Key_B, QStringLiteral("b"));
    typeKey(edit, Qt::Key_Return);
    EXPECT_EQ(stored(), defaultFolder);
    ASSERT_FALSE(desk.asked.isEmpty());
    EXPECT_EQ(desk.asked.last().text.section(QLatin1Char('\r'), 0, 0),
              QStringLiteral("未找到华林证券行情分析软件安装文件夹"));

    edit->setText(quote.chopped(1));
    typeKey(edit, Qt::Key_E, QStringLiteral("e"));
    typeKey(edit, Qt::Key_Return);
    EXPECT_EQ(stored(), quote + QDir::separator());
    EXPECT_EQ(edit->text(), quote + QDir::separator());
    // A folder without the quote program is taken, and the user told.
    EXPECT_TRUE(desk.asked.last().text.contains(QStringLiteral("没有找到行情分析软件TdxW.exe")))
        << desk.asked.last().text.toStdString();

    // The "浏览…" button's folder counts at once: the quote program is looked for there and
    // the empty stock list is loaded from it.
    QuoteFolderOptions options;
    options.stockCount = 9;
    const QString generated = desk.home.file(QStringLiteral("tdx"));
    QString error;
    ASSERT_TRUE(QuoteFolderGenerator(options).write(generated, &error)) << error.toStdString();
    desk.frame().setFolderChooser([&](const QString&) { return std::optional<QString>(generated); });
    const qsizetype notices = desk.asked.size();
    desk.child<QAbstractButton>("btnBrowseHuaLin")->click();
    EXPECT_EQ(desk.asked.size(), notices);
    EXPECT_EQ(QDir(desk.services().setup().QuoteFolder()), QDir(generated));
    EXPECT_EQ(desk.services().stocks().size(), 9);
    EXPECT_EQ(desk.child<QLabel>("statMainPanel1")->text(), QStringLiteral("9"));
    EXPECT_TRUE(desk.child<QCheckBox>("CheckMain")->isEnabled());

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(desk.child<QWidget>("rbSelectDongFang"), &press);
    SystemClock clock;
    EXPECT_EQ(Settings(desk.folder, clock).current(), QStringLiteral("DONGFANG"));
    EXPECT_TRUE(desk.child<QRadioButton>("rbSelectDongFang")->isChecked());
    EXPECT_FALSE(desk.child<QRadioButton>("rbSelectHualin")->isChecked());
}

// The half-second tick starts the mining run once the day's start moment has come.
TEST(MainFormAutoStart, TimerTickStartsMiningRunAtItsTimeAndSetsNextStartToTomorrow) {
    WindowDesk desk({.quoteStocks = kStocks, .autoStart = QTime(9, 0)});
    desk.answers = kMiningAnswers;
    desk.show();
    auto* clock = dynamic_cast<VirtualClock*>(&desk.platform->clock());
    ASSERT_NE(clock, nullptr);
    desk.form->tmrFlashWarningTimer();
    EXPECT_FALSE(desk.form->miningPage().lastOutcome().started()) << "started after 09:00: not before 20:00";
    clock->advance(clock->now().msecsTo(QDateTime(QDate(2017, 3, 16), QTime(20, 0))));
    desk.form->tmrFlashWarningTimer();
    EXPECT_TRUE(desk.form->miningPage().lastOutcome().started());
    EXPECT_EQ(desk.services().schedule().nextAutoStart, QDateTime(QDate(2017, 3, 17), QTime(9, 0)));
    EXPECT_FALSE(desk.services().schedule().miningActive);
    EXPECT_FALSE(desk.onTop());
}

TEST(MainFormJobs, ReanalysisOfSavedDocumentsRunsFromDocumentPage) {
    WindowDesk desk({.quoteStocks = kStocks, .corpusDocuments = 2});
    desk.answers = {{Question::ReanalysisStart, MessageAnswer::Yes}};
    desk.show();
    desk.child<QAbstractButton>("btnGetAllFromTxtDocs")->click();
    const ReanalysisOutcome& outcome = desk.form->documentPage().lastReanalysisOutcome();
    ASSERT_TRUE(outcome.done());
    EXPECT_EQ(outcome.documents, kStocks * 2);
    EXPECT_FALSE(desk.onTop());
    EXPECT_TRUE(desk.child<QAbstractButton>("btnGetAllFromTxtDocs")->isEnabled());
}

}  // namespace

TEST(MainFormDocuments, BrowsingAStockListsItsDocumentsAndOpensTheNewest) {
    WindowDesk desk({.quoteStocks = kStocks, .corpusDocuments = 2});
    desk.show();
    const QString code = QStringLiteral("000001");
    desk.child<QLineEdit>("edtStockCode")->setText(code);
    desk.child<QAbstractButton>("btnReadStDocuments")->click();

    auto* list = desk.child<QListWidget>("ListBoxStDoc");
    ASSERT_EQ(list->count(), 2);  // its two text documents; the corpus keeps no archives
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_TRUE(list->item(1)->text().startsWith(code + QLatin1Char('-')));
    const QString newest = desk.child<QPlainTextEdit>("MemoPastFrom")->toPlainText();
    EXPECT_TRUE(newest.contains(code));

    // A click on the older one loads it instead and shows the report page.
    list->setCurrentRow(0);
    Q_EMIT list->itemClicked(list->item(0));
    EXPECT_NE(desk.child<QPlainTextEdit>("MemoPastFrom")->toPlainText(), newest);
    EXPECT_EQ(desk.child<QStackedWidget>("PageControl")->currentWidget()->objectName(),
              QStringLiteral("TabSheetStockDoc"));
}

// The screening by the exchanges' rules is the page's choice: the threshold gives way to it,
// the run (and so the automatic one) takes it, and a restart keeps it.
TEST(MainFormMining, TheExchangesRulesAreThePagesKeptChoice) {
    WindowDesk desk;
    desk.show();
    auto* rules = desk.child<QCheckBox>("chkExchangeRules");
    EXPECT_FALSE(rules->isChecked());
    rules->click();
    EXPECT_FALSE(desk.child<QWidget>("ValuePercnt")->isEnabled());
    EXPECT_TRUE(desk.form->miningPage().options().exchangeRules);
    desk.reopen();
    desk.show();
    EXPECT_TRUE(desk.child<QCheckBox>("chkExchangeRules")->isChecked());
    EXPECT_FALSE(desk.child<QWidget>("ValuePercnt")->isEnabled());
}

#include "app/PlatformOptions.h"
#include "app/Settings.h"
#include "demo/QuoteFolderGenerator.h"
#include "gui/DesktopServices.h"
#include "gui/MainForm.h"
#include "gui/ProgressBox.h"
#include "platform/Clock.h"
#include "platform/Platform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quarrow;

namespace {

const QString kFirstRunPrompt = QStringLiteral("请先设置华林证券或东方证券行情分析软件的安装位置以及QQ昵称!");

// A program folder on the simulated desktop with a virtual clock; populated, it holds a
// settings file that names a generated quote folder.
struct Desk {
    explicit Desk(bool populated) : folder(dir.path()) {
        if (populated) {
            QuoteFolderOptions quote;
            quote.stockCount = 12;
            quote.barCount = 30;
            const QString quoteFolder = dir.filePath(QStringLiteral("quote"));
            QString error;
            EXPECT_TRUE(QuoteFolderGenerator(quote).write(quoteFolder, &error)) << error.toStdString();
            SystemClock clock;
            EXPECT_TRUE(Settings(folder, clock)
                            .writeText(QStringLiteral("Folder"), QStringLiteral("hualin"),
                                       quoteFolder + QLatin1Char('/')));
        }
        PlatformOptions options = programPlatformOptions(folder);
        options.virtualClockStart = QDateTime(QDate(2017, 3, 16), QTime(15, 30));
        platform = createPlatform(options);
        form = std::make_unique<TMainForm>(folder, *platform);
        // The user's answers, by the question's identity; every box is recorded.
        form->frame().setAnswerer([this](const MessageRequest& request) -> std::optional<MessageAnswer> {
            asked.append(request);
            if (request.buttons == MessageButtons::Ok)
                return MessageAnswer::Ok;
            const auto answer = answers.find(request.question);
            return answer != answers.end() ? answer->second : MessageAnswer::No;
        });
    }
    ~Desk() { form.reset(); }

    template <typename W>
    W* child(const char* name) const {
        W* widget = form->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString promptText() const { return child<QLabel>("lblWarning")->text(); }
    bool onTop() const { return form->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

    QTemporaryDir dir;
    ProgramFolder folder;
    std::unique_ptr<Platform> platform;
    std::unique_ptr<TMainForm> form;
    std::map<Question, MessageAnswer> answers;
    QList<MessageRequest> asked;
};

void click(QWidget* target, Qt::MouseButton button) {
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, QPointF(4, 4),
                                                        QPointF(4, 4), button, button, Qt::NoModifier));
}

void saveScreenshot(QWidget& window, const QString& name) {
    const QString folder =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("screenshots"));
    QDir().mkpath(folder);
    EXPECT_TRUE(window.grab().save(QDir(folder).filePath(name)));
}

TEST(MainFormStartUp, EmptyProgramFolderAsksForSetupAndPopulatedOneOpensOnMainPage) {
    {
        Desk desk(false);
        EXPECT_EQ(desk.promptText(), kFirstRunPrompt);
        EXPECT_TRUE(desk.child<QWidget>("PanelFunction")->isVisibleTo(desk.form.get()));
        EXPECT_EQ(desk.child<QStackedWidget>("PageFunction")->currentWidget()->objectName(),
                  QStringLiteral("TabSheetSetup"));
    }
    Desk desk(true);
    EXPECT_NE(desk.promptText(), kFirstRunPrompt);
    EXPECT_FALSE(desk.child<QWidget>("PanelFunction")->isVisibleTo(desk.form.get()));
    EXPECT_EQ(desk.child<QStackedWidget>("PageControl")->currentWidget()->objectName(),
              QStringLiteral("TabSheetMain"));
    EXPECT_EQ(desk.child<QLabel>("statMainPanel1")->text(), QStringLiteral("12"));
    EXPECT_FALSE(desk.child<QCheckBox>("CheckMain")->isEnabled());
    // The first show looks for the quote program's windows (starting it when missing).
    desk.form->show();
    EXPECT_TRUE(desk.child<QCheckBox>("CheckMain")->isEnabled());
    EXPECT_TRUE(desk.child<QCheckBox>("CheckChild")->isEnabled());
    saveScreenshot(*desk.form, QStringLiteral("MainForm.png"));
}

TEST(MainFormPrompt, OneLineFlashesFourTimesThenStaysShown) {
    Desk desk(false);
    QLabel* prompt = desk.child<QLabel>("lblWarning");
    desk.form->frame().ShowPrompt(QStringLiteral("第一\r第二"));
    EXPECT_EQ(prompt->text(), QStringLiteral("第一 第二"));
    const bool expected[][2] = {{true, false}, {true, true}, {true, false}, {true, true}, {false, true}};
    for (const auto& [ticking, visible] : expected) {
        EXPECT_EQ(desk.form->frame().flashTick(), ticking);
        EXPECT_EQ(prompt->isVisibleTo(desk.form.get()), visible);
    }
    EXPECT_FALSE(desk.form->frame().flashing());
}

TEST(MainFormNavigation, SwipeOfMoreThanFifteenPixelsTurnsFunctionPage) {
    Desk desk(false);
    desk.form->show();
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

// A right click pauses the run, a left click resumes it, a second left click stops it;
// afterwards the window is usable and no longer on top.
TEST(MainFormMining, MouseSteersRunOnSimulatedDesktop) {
    Desk desk(true);
    desk.answers = {{Question::MiningF10Reminder, MessageAnswer::Yes},
                    {Question::MiningFreshness, MessageAnswer::Yes},
                    {Question::MiningResume, MessageAnswer::No},
                    {Question::MiningRetryFailed, MessageAnswer::No}};
    desk.form->show();
    RunControl& run = desk.form->services().run;
    QWidget* target = desk.form->centralWidget();
    enum class Step { Running, Paused, Resumed, Stopped } step = Step::Running;
    int pausedPumps = 0;
    int pausedAt = 0;
    bool wasOnTop = false;
    bool progressWhilePaused = false;
    desk.form->frame().setPumpHook([&] {
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

    const MiningOutcome& outcome = desk.form->lastMiningOutcome();
    ASSERT_TRUE(outcome.ran) << outcome.error.toStdString();
    EXPECT_EQ(step, Step::Stopped);
    EXPECT_EQ(pausedPumps, 5);
    EXPECT_FALSE(progressWhilePaused);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_GE(outcome.captured, 3);
    EXPECT_LT(outcome.screened, 12);
    EXPECT_TRUE(wasOnTop);
    EXPECT_FALSE(desk.onTop());
    EXPECT_FALSE(run.isActive());
    EXPECT_TRUE(desk.child<QAbstractButton>("btnGetAllOfTheNewDocs")->isEnabled());
    EXPECT_FALSE(desk.child<QAbstractButton>("btnStop")->isEnabled());
    EXPECT_FALSE(desk.child<QWidget>("GroupBoxProgress")->isVisible());
    EXPECT_FALSE(desk.form->frame().logLines().isEmpty());
}

TEST(MainFormJobs, FailingJobLeavesWindowEnabledAndNotOnTop) {
    Desk desk(false);
    desk.form->show();
    RunControl& run = desk.form->services().run;
    desk.form->runJob([&] {
        run.start(5);
        desk.form->stayOnTop(true);
        throw std::runtime_error("disk full");
    });
    EXPECT_FALSE(run.isActive());
    EXPECT_FALSE(desk.onTop());
    EXPECT_TRUE(desk.child<QAbstractButton>("btnGetAllOfTheNewDocs")->isEnabled());
    EXPECT_TRUE(desk.child<QAbstractButton>("btnGetStockDoc")->isEnabled());
    EXPECT_FALSE(desk.child<QAbstractButton>("btnStop")->isEnabled());
    EXPECT_FALSE(desk.child<QWidget>("GroupBoxProgress")->isVisible());
    ASSERT_FALSE(desk.asked.isEmpty());
    EXPECT_EQ(desk.asked.last().text, QStringLiteral("disk full"));
}

}  // namespace

// The job runner as the window meets it: one job at a time from its first question to its
// last line, the automatic daily start among the ones refused, and a close asked for
// during a run.

#include "app/RunControl.h"
#include "app/Settings.h"
#include "download/PageLoader.h"
#include "gui/MainForm.h"
#include "gui/MiningPage.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "support/WindowDesk.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

constexpr int kStocks = 12;
// Thursday evening: the automatic start of the start-up day is due from 20:00.
const QDateTime kEvening(QDate(2017, 3, 16), QTime(20, 30));

VirtualClock& clockOf(WindowDesk& desk) {
    auto* clock = dynamic_cast<VirtualClock*>(&desk.platform->clock());
    EXPECT_NE(clock, nullptr);
    return *clock;
}

}  // namespace

// While any job asks its first question (or its first dialog is open) the half-second tick
// does not start the automatic mining run; once the job is over it does.
TEST(JobRunner, TheAutomaticStartWaitsForEveryJobsFirstQuestion) {
    WindowDesk desk(
        {.quoteStocks = kStocks, .corpusDocuments = 1, .autoStart = QTime(9, 0), .clockStart = kEvening});
    desk.show();
    ProgramServices& services = desk.services();
    const QDateTime nextBefore = services.schedule().nextAutoStart;
    ASSERT_LE(nextBefore, kEvening) << "the automatic start is due";

    std::optional<JobKind> heldDuringTick;
    const auto tickInside = [&] {
        heldDuringTick = services.run().holder();
        desk.form->tmrFlashWarningTimer();
        EXPECT_EQ(services.schedule().nextAutoStart, nextBefore) << "no automatic run began";
        EXPECT_FALSE(services.schedule().miningActive);
    };
    const struct {
        const char* what;
        JobKind kind;
        Question first;  // None: a dialog of the window's, not a question
        std::function<void()> start;
    } jobs[] = {
        {"mining", JobKind::Mining, Question::MiningF10Reminder,
         [&] { desk.child<QAbstractButton>("btnGetAllOfTheNewDocs")->click(); }},
        {"re-analysis", JobKind::Reanalysis, Question::ReanalysisStart,
         [&] { desk.child<QAbstractButton>("btnGetAllFromTxtDocs")->click(); }},
        {"filtered delete", JobKind::FilteredDelete, Question::FilteredDelete,
         [&] { desk.child<QAbstractButton>("btnDelMainBuySale")->click(); }},
        {"download", JobKind::Download, Question::None,
         [&] {
             NetworkPageLoader loader(services.clock(), services.frame());
             services.jobs().download(
                 loader, services.downloadOptions(),
                 [&](const QString&, const QString&, const QString&) -> std::optional<QString> {
                     tickInside();
                     return std::nullopt;  // the date dialog cancelled
                 });
         }},
        {"backup", JobKind::Backup, Question::None,
         [&] {
             services.jobs().backUp([&](const QString&) -> std::optional<QString> {
                 tickInside();
                 return std::nullopt;
             });
         }},
    };
    for (const auto& job : jobs) {
        SCOPED_TRACE(job.what);
        heldDuringTick.reset();
        desk.onAsk = [&](const MessageRequest& request) {
            if (request.question == job.first && job.first != Question::None)
                tickInside();
        };
        job.start();  // every question answered No: each job ends without its walk
        EXPECT_EQ(heldDuringTick, job.kind);
        EXPECT_FALSE(services.run().isActive());
    }
    desk.onAsk = {};
    const qsizetype asked = desk.asked.size();
    desk.form->tmrFlashWarningTimer();
    EXPECT_GT(services.schedule().nextAutoStart, kEvening) << "free again: the automatic run starts";
    ASSERT_GT(desk.asked.size(), asked);
    EXPECT_EQ(desk.asked.value(asked).question, Question::MiningF10Reminder);
}

// A second command while the first asks is refused with a word on the prompt line; its own
// first question or dialog never comes.
TEST(JobRunner, ASecondCommandIsRefusedWhileTheFirstAsks) {
    WindowDesk desk({.quoteStocks = kStocks, .corpusDocuments = 1});
    desk.show();
    ProgramServices& services = desk.services();
    bool dialogOpened = false;
    DownloadOutcome refused;
    desk.onAsk = [&](const MessageRequest& request) {
        if (request.question != Question::ReanalysisStart)
            return;
        NetworkPageLoader loader(services.clock(), services.frame());
        refused = services.jobs().download(loader, services.downloadOptions(),
                                           [&](const QString&, const QString&, const QString&) {
                                               dialogOpened = true;
                                               return std::optional<QString>();
                                           });
    };
    desk.child<QAbstractButton>("btnGetAllFromTxtDocs")->click();
    EXPECT_EQ(refused.end, JobEnd::NotStarted);
    EXPECT_EQ(refused.reason, JobReason::Busy);
    EXPECT_FALSE(dialogOpened);
    EXPECT_TRUE(desk.promptText().contains(QStringLiteral("另一项任务正在进行")))
        << desk.promptText().toStdString();
    EXPECT_FALSE(services.run().isActive());
}

// The mining page says when the next automatic run is due and, on the day the program
// started, why not sooner; the run starts then through the job runner, and a holiday is
// passed over.
TEST(JobRunner, TheNextAutomaticRunIsShownAndComesAtItsTime) {
    WindowDesk desk({.quoteStocks = kStocks, .autoStart = QTime(9, 0), .beforeWindow = [](WindowDesk& d) {
                         SystemClock wall;
                         Settings settings(d.folder, wall);
                         // Friday 17 March a holiday: the next trading day is Monday the 20th.
                         EXPECT_TRUE(
                             settings.writeInteger(QStringLiteral("Holiday"), QStringLiteral("MMDD1"), 317));
                     }});
    desk.answers = {{Question::MiningF10Reminder, MessageAnswer::Yes},
                    {Question::MiningFreshness, MessageAnswer::Yes},
                    {Question::MiningRetryFailed, MessageAnswer::No}};
    desk.show();
    VirtualClock& clock = clockOf(desk);
    const QLabel* note = desk.child<QLabel>("lblNextAutoStart");
    desk.form->miningPage().showNextAutoStart();
    EXPECT_TRUE(note->text().contains(QStringLiteral("2017-03-16 20:00"))) << note->text().toStdString();
    EXPECT_TRUE(note->text().contains(QStringLiteral("程序启动当天"))) << note->text().toStdString();

    clock.advance(clock.now().msecsTo(QDateTime(QDate(2017, 3, 16), QTime(19, 59))));
    desk.form->tmrFlashWarningTimer();
    EXPECT_FALSE(desk.form->miningPage().lastOutcome().started()) << "not before 20:00 on the start-up day";
    clock.advance(60 * 1000);
    desk.form->tmrFlashWarningTimer();
    EXPECT_TRUE(desk.form->miningPage().lastOutcome().started());
    EXPECT_TRUE(note->text().contains(QStringLiteral("2017-03-20 09:00"))) << note->text().toStdString();

    const int fetchedBefore = desk.form->miningPage().lastOutcome().fetched;
    clock.advance(clock.now().msecsTo(QDateTime(QDate(2017, 3, 17), QTime(9, 30))));
    desk.form->tmrFlashWarningTimer();
    EXPECT_EQ(desk.form->miningPage().lastOutcome().fetched, fetchedBefore) << "no run on the holiday";
}

// Closing the window during a run asks once, stops the run at its next safe point without
// its closing box, and closes.
TEST(JobRunner, ClosingDuringARunStopsItAndCloses) {
    WindowDesk desk({.quoteStocks = kStocks});
    desk.answers = {{Question::MiningF10Reminder, MessageAnswer::Yes},
                    {Question::MiningFreshness, MessageAnswer::Yes},
                    {Question::MiningRetryFailed, MessageAnswer::No},
                    {Question::CloseDuringRun, MessageAnswer::Yes}};
    desk.show();
    QTimer::singleShot(0, desk.form.get(), [&desk] { desk.form->close(); });
    desk.child<QAbstractButton>("btnGetAllOfTheNewDocs")->click();
    QCoreApplication::processEvents();
    const MiningOutcome& outcome = desk.form->miningPage().lastOutcome();
    EXPECT_TRUE(outcome.stopped());
    EXPECT_LT(outcome.screened, kStocks);
    int closeQuestions = 0;
    for (const MessageRequest& request : desk.asked) {
        closeQuestions += request.question == Question::CloseDuringRun ? 1 : 0;
        EXPECT_FALSE(request.text.startsWith(QStringLiteral("数据挖掘任务"))) << request.text.toStdString();
    }
    EXPECT_EQ(closeQuestions, 1);
    EXPECT_FALSE(desk.form->isVisible());
    EXPECT_FALSE(desk.services().run().isActive());
}

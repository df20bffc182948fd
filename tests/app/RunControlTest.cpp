#include "app/RunControl.h"
#include "platform/Clock.h"
#include "platform/Shutdown.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

using namespace quarrow;
using namespace quarrow::test;

namespace {

class RunControlTest : public ::testing::Test {
protected:
    VirtualClock clock;
    RecordingFrame frame;
    RunControl run{frame, clock};
    SimulatedShutdown shutdown;
};

}  // namespace

TEST_F(RunControlTest, StatesFollowStartPauseResumeStopAndEnd) {
    EXPECT_EQ(run.state(), RunState::Idle);
    EXPECT_FALSE(run.stopEnabled());
    run.pause();  // nothing to pause
    run.requestStop();
    EXPECT_EQ(run.state(), RunState::Idle);

    ASSERT_TRUE(run.start(10));
    EXPECT_EQ(run.state(), RunState::Running);
    EXPECT_EQ(run.stopTag(), 0);
    EXPECT_TRUE(run.stopEnabled());
    EXPECT_FALSE(frame.commandsEnabled);
    EXPECT_TRUE(frame.progressShown);
    EXPECT_FALSE(run.start(5)) << "a second run cannot start while one is active";

    run.pause();
    EXPECT_EQ(run.state(), RunState::Paused);
    EXPECT_EQ(run.stopTag(), 2);
    EXPECT_TRUE(run.stopEnabled());
    run.resume();
    EXPECT_EQ(run.state(), RunState::Running);
    run.pause();
    run.requestStop();  // stop from a pause
    EXPECT_EQ(run.state(), RunState::StopRequested);
    EXPECT_EQ(run.stopTag(), 1);
    EXPECT_FALSE(run.stopEnabled());
    run.resume();
    EXPECT_EQ(run.state(), RunState::StopRequested) << "a stop is not taken back";
    EXPECT_FALSE(run.beforeItem());

    const auto end = run.finish(QStringLiteral("全部股票文件分析完毕!"), true, &shutdown);
    EXPECT_TRUE(end.stopped);
    EXPECT_FALSE(end.shutdownAttempted);
    EXPECT_EQ(shutdown.requests, 0);
    EXPECT_EQ(run.state(), RunState::Idle);
    EXPECT_TRUE(frame.commandsEnabled);
    EXPECT_FALSE(frame.progressShown);
    EXPECT_EQ(frame.prompts.last(), QStringLiteral("全部股票文件分析完毕!"));
    EXPECT_TRUE(run.start(3)) << "idle again: the next run may start";
}

TEST_F(RunControlTest, APausedRunWaitsThroughEventsUntilResumedOrStopped) {
    ASSERT_TRUE(run.start(3));
    int pumps = 0;
    frame.onProcessEvents = [&] {
        if (++pumps == 1)
            run.pause();  // a right click arrives with the first pump
        else if (pumps == 5)
            run.resume();
    };
    EXPECT_TRUE(run.beforeItem());
    EXPECT_EQ(pumps, 5);

    pumps = 0;
    frame.onProcessEvents = [&] {
        if (++pumps == 1)
            run.pause();
        else if (pumps == 3)
            run.requestStop();
    };
    EXPECT_FALSE(run.beforeItem());
    EXPECT_EQ(run.state(), RunState::StopRequested);
}

TEST_F(RunControlTest, TimeNeededAndTimeLeftFollowTheItems) {
    ASSERT_TRUE(run.start(10));
    EXPECT_EQ(run.progress().timeNeeded, QStringLiteral("00:00:00"));
    for (int position = 1; position <= 3; ++position) {
        ASSERT_TRUE(run.beforeItem());
        run.setPosition(position);
        clock.advance(2000);
        run.itemFinished();
    }
    EXPECT_EQ(run.progress().position, 3);
    EXPECT_EQ(run.progress().maximum, 10);
    EXPECT_EQ(run.progress().timeNeeded, QStringLiteral("00:00:20"));     // first item × 10
    EXPECT_EQ(run.progress().timeRemaining, QStringLiteral("00:00:14"));  // 2 s × 7 left
    EXPECT_EQ(frame.progressUpdates.last().timeRemaining, QStringLiteral("00:00:14"));

    // A resumed run estimates from the items it has ahead of it.
    run.finish(QString(), false, nullptr);
    ASSERT_TRUE(run.start(10, 6));
    run.setPosition(7);
    clock.advance(3000);
    run.itemFinished();
    EXPECT_EQ(run.progress().timeNeeded, QStringLiteral("00:00:12"));
    EXPECT_EQ(run.progress().timeRemaining, QStringLiteral("00:00:09"));
    EXPECT_EQ(RunControl::durationText(qint64(27) * 3600 * 1000 + 61000), QStringLiteral("27:01:01"));

    // Items quicker than a millisecond still add up to a time left.
    run.finish(QString(), false, nullptr);
    ASSERT_TRUE(run.start(100000));
    for (int position = 1; position <= 4; ++position) {
        run.setPosition(position);
        clock.advance(position % 2);  // 0.5 ms an item
        run.itemFinished();
    }
    EXPECT_EQ(run.progress().timeRemaining, QStringLiteral("00:00:49"));
}

TEST_F(RunControlTest, OnlyARunThatWasNotStoppedSwitchesTheComputerOff) {
    ASSERT_TRUE(run.start(1));
    auto end = run.finish(QStringLiteral("完成"), false, &shutdown);
    EXPECT_FALSE(end.shutdownAttempted);
    ASSERT_TRUE(run.start(1));
    end = run.finish(QStringLiteral("完成"), true, &shutdown);
    EXPECT_TRUE(end.shutdownAttempted);
    EXPECT_TRUE(end.shutdown.requested);
    EXPECT_EQ(shutdown.requests, 1);
}

TEST_F(RunControlTest, ASecondStopAsksToEndTheProgram) {
    ASSERT_TRUE(run.start(5));
    run.requestStop();
    EXPECT_FALSE(run.endProgramRequested());
    run.requestStop();
    EXPECT_TRUE(run.endProgramRequested());
    run.finish(QString(), false, nullptr);
    ASSERT_TRUE(run.start(5));
    EXPECT_FALSE(run.endProgramRequested()) << "a new run starts without the old request";
}

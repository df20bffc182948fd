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

    RunLease lease = run.lease(JobKind::Reanalysis);
    ASSERT_TRUE(lease);
    EXPECT_EQ(run.state(), RunState::Leased);
    EXPECT_FALSE(run.stopEnabled()) << "its questions come before the stop command";
    ASSERT_TRUE(run.start(lease, 10));
    EXPECT_EQ(run.state(), RunState::Running);
    EXPECT_EQ(run.stopTag(), 0);
    EXPECT_TRUE(run.stopEnabled());
    EXPECT_FALSE(frame.commandsEnabled);
    EXPECT_TRUE(frame.progressShown);
    EXPECT_FALSE(run.lease(JobKind::Mining)) << "a second job cannot start while one holds the lease";

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
    EXPECT_EQ(run.state(), RunState::Leased) << "held to the job's last line";
    EXPECT_FALSE(run.lease(JobKind::Mining));
    EXPECT_TRUE(frame.commandsEnabled);
    EXPECT_FALSE(frame.progressShown);
    EXPECT_EQ(frame.prompts.last(), QStringLiteral("全部股票文件分析完毕!"));
    lease.release();
    EXPECT_EQ(run.state(), RunState::Idle);
    EXPECT_FALSE(run.start(lease, 3)) << "a lease given back starts nothing";
    EXPECT_TRUE(run.lease(JobKind::Mining)) << "idle again: the next job may start";
}

// A lease is the only way to a run, and a job that ends any way at all gives it back.
TEST_F(RunControlTest, ALeaseIsTheOnlyWayToARunAndIsAlwaysGivenBack) {
    RunLease stale;
    {
        RunLease first = run.lease(JobKind::Download);
        ASSERT_TRUE(first);
        EXPECT_EQ(run.holder(), JobKind::Download);
        RunLease moved = std::move(first);
        EXPECT_FALSE(first);
        EXPECT_TRUE(run.isActive()) << "moving hands the right on";
        ASSERT_TRUE(run.start(moved, 4));
        // A job that throws mid-walk: the commands come back with the lease.
    }
    EXPECT_EQ(run.state(), RunState::Idle);
    EXPECT_TRUE(frame.commandsEnabled);
    EXPECT_FALSE(frame.progressShown);
    EXPECT_FALSE(run.holder());

    RunLease second = run.lease(JobKind::Relay);
    EXPECT_FALSE(run.start(stale, 1)) << "an empty lease starts nothing";
    EXPECT_TRUE(run.start(second, 0));
}

TEST_F(RunControlTest, APausedRunWaitsThroughEventsUntilResumedOrStopped) {
    const RunLease lease = run.lease(JobKind::Mining);
    ASSERT_TRUE(run.start(lease, 3));
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
    const RunLease lease = run.lease(JobKind::Reanalysis);
    ASSERT_TRUE(run.start(lease, 10));
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
    ASSERT_TRUE(run.start(lease, 10, 6));
    run.setPosition(7);
    clock.advance(3000);
    run.itemFinished();
    EXPECT_EQ(run.progress().timeNeeded, QStringLiteral("00:00:12"));
    EXPECT_EQ(run.progress().timeRemaining, QStringLiteral("00:00:09"));
    EXPECT_EQ(RunControl::durationText(qint64(27) * 3600 * 1000 + 61000), QStringLiteral("27:01:01"));

    // Items quicker than a millisecond still add up to a time left.
    // The mining run's own figures: the first position times the pass's last, the time
    // per position times the positions after this one.
    run.finish(QString(), false, nullptr);
    ASSERT_TRUE(run.start(lease, 10));
    run.setPosition(1);
    clock.advance(1000);
    run.itemFinished(1, 9, 8);
    EXPECT_EQ(run.progress().timeNeeded, QStringLiteral("00:00:09"));
    EXPECT_EQ(run.progress().timeRemaining, QStringLiteral("00:00:08"));
    run.setPosition(10);
    run.itemFinished(10, 9, -1);
    EXPECT_EQ(run.progress().timeRemaining, QStringLiteral("00:00:00")) << "the last position leaves nothing";

    run.finish(QString(), false, nullptr);
    ASSERT_TRUE(run.start(lease, 100000));
    for (int position = 1; position <= 4; ++position) {
        run.setPosition(position);
        clock.advance(position % 2);  // 0.5 ms an item
        run.itemFinished();
    }
    EXPECT_EQ(run.progress().timeRemaining, QStringLiteral("00:00:49"));
}

TEST_F(RunControlTest, OnlyARunThatWasNotStoppedSwitchesTheComputerOff) {
    const RunLease lease = run.lease(JobKind::Mining);
    ASSERT_TRUE(run.start(lease, 1));
    auto end = run.finish(QStringLiteral("完成"), false, &shutdown);
    EXPECT_FALSE(end.shutdownAttempted);
    ASSERT_TRUE(run.start(lease, 1));
    end = run.finish(QStringLiteral("完成"), true, &shutdown);
    EXPECT_TRUE(end.shutdownAttempted);
    EXPECT_TRUE(end.shutdown.requested);
    EXPECT_EQ(shutdown.requests, 1);
}

TEST_F(RunControlTest, ASecondStopAsksToEndTheProgram) {
    RunLease lease = run.lease(JobKind::Mining);
    ASSERT_TRUE(run.start(lease, 5));
    run.requestStop();
    EXPECT_FALSE(run.endProgramRequested());
    run.requestStop();
    EXPECT_TRUE(run.endProgramRequested());
    run.finish(QString(), false, nullptr);
    lease.release();
    lease = run.lease(JobKind::Mining);
    ASSERT_TRUE(run.start(lease, 5));
    EXPECT_FALSE(run.endProgramRequested()) << "a new run starts without the old request";
}

#include "platform/ProcessLauncher.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <csignal>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// The pid a shell wrote before it turned into the program under test.
pid_t pidIn(const QString& file) {
    QFile pid(file);
    if (!pid.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<pid_t>(pid.readAll().trimmed().toInt());
}

bool isRunning(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH);
}

}  // namespace

// Real processes, short waits: the launcher is the one place that waits on the system.
TEST(ProcessLauncher, OneDeadlineThenTheProgramIsEndedOrLeftAsAsked) {
    TempHome home;
    // A tool doing a job is started hidden; a program left running, on its own.
    QStringList startedAs;
    SystemProcessLauncher launcher([&](QProcess&) { startedAs << QStringLiteral("hidden"); },
                                   [&](QProcess&) { startedAs << QStringLiteral("on its own"); });
    EXPECT_EQ(launcher.run(QStringLiteral("true"), {}, home.path(), 5000, WhenTimedOut::End),
              LaunchResult::Finished);
    EXPECT_EQ(
        launcher.run(home.file(QStringLiteral("no-such-program")), {}, home.path(), 5000, WhenTimedOut::End),
        LaunchResult::FailedToStart);

    const QString hang = QStringLiteral("echo $$ > %1; exec sleep 30");
    const struct {
        WhenTimedOut whenTimedOut;
        bool runningAfterwards;
        QString startedAs;
    } cases[] = {{WhenTimedOut::End, false, QStringLiteral("hidden")},
                 {WhenTimedOut::LeaveHidden, true, QStringLiteral("hidden")},
                 {WhenTimedOut::LeaveRunning, true, QStringLiteral("on its own")}};
    for (const auto& c : cases) {
        startedAs.clear();
        const QString pidFile = home.file(QStringLiteral("pid-%1").arg(int(c.whenTimedOut)));
        EXPECT_EQ(launcher.run(QStringLiteral("sh"), {QStringLiteral("-c"), hang.arg(pidFile)}, home.path(),
                               300, c.whenTimedOut),
                  LaunchResult::TimedOut);
        EXPECT_EQ(startedAs, QStringList{c.startedAs});
        const pid_t pid = pidIn(pidFile);
        ASSERT_GT(pid, 0);
        EXPECT_EQ(isRunning(pid), c.runningAfterwards);
        if (c.runningAfterwards)
            ::kill(pid, SIGKILL);
    }
}

#include "platform/Archiver.h"
#include "platform/posix/PosixServices.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimPlatform.h"
#include "support/FakeLauncher.h"
#include "support/TestSupport.h"

using namespace quarrow;
using namespace quarrow::test;

namespace {

// Sets QUARROW_SHUTDOWN_COMMAND for one scope and puts the old value back.
class ShutdownCommand {
public:
    explicit ShutdownCommand(const QByteArray& command)
        : m_saved(qgetenv(kName)), m_wasSet(qEnvironmentVariableIsSet(kName)) {
        if (command.isNull())
            qunsetenv(kName);
        else
            qputenv(kName, command);
    }
    ~ShutdownCommand() {
        if (m_wasSet)
            qputenv(kName, m_saved);
        else
            qunsetenv(kName);
    }
    ShutdownCommand(const ShutdownCommand&) = delete;
    ShutdownCommand& operator=(const ShutdownCommand&) = delete;

private:
    static constexpr const char* kName = "QUARROW_SHUTDOWN_COMMAND";
    QByteArray m_saved;
    bool m_wasSet;
};

}  // namespace

TEST(PosixShutdown, OnlyAConfiguredCommandIsRunAndOtherwiseItSaysSo) {
    struct Case {
        const char* name;
        QByteArray command;  // null: unset
        LaunchResult launch;
        bool requested;
        QStringList run;  // the program and its arguments; empty: nothing run
        QString message;  // a part of what the user is told
    };
    const Case cases[] = {
        {"unset", QByteArray(), LaunchResult::Finished, false, {}, QStringLiteral("not done")},
        {"blank", QByteArray("   "), LaunchResult::Finished, false, {}, QStringLiteral("not done")},
        {"configured",
         QByteArray("systemctl poweroff --no-wall"),
         LaunchResult::Finished,
         true,
         {QStringLiteral("systemctl"), QStringLiteral("poweroff"), QStringLiteral("--no-wall")},
         QStringLiteral("shutdown command started")},
        {"missing program",
         QByteArray("no-such-poweroff"),
         LaunchResult::FailedToStart,
         false,
         {QStringLiteral("no-such-poweroff")},
         QStringLiteral("failed to start")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ShutdownCommand command(c.command);
        FakeLauncher launcher;
        launcher.result = c.launch;
        PosixShutdown shutdown(launcher);
        const ShutdownResult result = shutdown.powerOff();
        EXPECT_EQ(result.requested, c.requested);
        EXPECT_TRUE(result.message.contains(c.message)) << result.message.toStdString();
        QStringList run;
        if (!launcher.calls.isEmpty())
            run = QStringList{launcher.calls[0].program} + launcher.calls[0].arguments;
        EXPECT_EQ(run, c.run);
        EXPECT_LE(launcher.calls.size(), 1);
    }
}

// The platform of a Linux main: the simulated desktop beside the system's own network
// state, power switch and archiver without a registry.
TEST(PosixPlatform, IsTheSimulatedDesktopBesideTheSystemsServices) {
    const std::unique_ptr<Platform> platform = createPlatform({});
    auto* sim = dynamic_cast<SimPlatform*>(platform.get());
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(&platform->desktop(), &sim->simDesktop());
    EXPECT_NE(dynamic_cast<PosixShutdown*>(&platform->shutdown()), nullptr);
    EXPECT_NE(dynamic_cast<PosixNetworkState*>(&platform->network()), nullptr);
    EXPECT_TRUE(platform->archiver().installedFolder().isEmpty());
    EXPECT_EQ(platform->archiver().packerPath(QStringLiteral("/opt/rar/")), QStringLiteral("/opt/rar/rar"));
}

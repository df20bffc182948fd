#include "app/SettingsFile.h"
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QProcess>

#include <functional>
#include <memory>
#include <vector>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// Commands started together on one program folder, as a scheduled quarrow-cli, the window
// and a second window may run: every one of them succeeds.
void runTogether(const QString& home, const std::vector<QStringList>& calls) {
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList& arguments : calls) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(QStringLiteral(QUARROW_CLI),
                                QStringList{QStringLiteral("--home"), home} + arguments);
    }
    for (size_t i = 0; i < processes.size(); ++i) {
        QProcess& process = *processes[i];
        SCOPED_TRACE(calls[i].join(QLatin1Char(' ')).toStdString());
        ASSERT_TRUE(process.waitForFinished(120000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }
}

QStringList outputLines(const CliRun& run) {
    return run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

// Each change of the settings file, the own stock list and the followed list is a read,
// a change and a write of the whole file: started together, none is lost.
TEST(CliSharedFolder, ChangesMadeAtTheSameTimeAreAllKept) {
    constexpr int kWriters = 20;
    struct Case {
        const char* what;
        std::function<QStringList(int)> change;
        std::function<QString(int)> kept;  // what the folder holds afterwards for writer i
        std::function<QStringList(const TempHome&)> holds;
    };
    const Case cases[] = {
        {"follow add",
         [](int i) {
             return QStringList{"follow", "add", QStringLiteral("第%1营业部").arg(i)};
         },
         [](int i) { return QStringLiteral("第%1营业部").arg(i); },
         [](const TempHome& home) {
             return outputLines(runCli({"--home", home.path(), "follow", "list"}));
         }},
        {"own add",
         [](int i) {
             return QStringList{"own", "add", QStringLiteral("sz%1").arg(i, 6, 10, QLatin1Char('0'))};
         },
         [](int i) { return QStringLiteral("sz%1").arg(i, 6, 10, QLatin1Char('0')); },
         [](const TempHome& home) {
             return outputLines(runCli({"--home", home.path(), "own", "list"}));
         }},
        {"settings set",
         [](int i) {
             return QStringList{"settings", "set", "Shared", QStringLiteral("Key%1").arg(i), "1"};
         },
         [](int i) { return QStringLiteral("Key%1").arg(i); },
         [](const TempHome& home) {
             SettingsFile file(home.file(QStringLiteral("quarrow.INI")));
             QStringList keys;
             for (int i = 0; i < kWriters; ++i) {
                 if (file.read(QStringLiteral("Shared"), QStringLiteral("Key%1").arg(i)) ==
                     QStringLiteral("1"))
                     keys << QStringLiteral("Key%1").arg(i);
             }
             return keys;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        // The database first: twenty programs making its tables at once is another matter.
        ASSERT_EQ(runCli({"--home", home.path(), "summary"}).status, 0);
        std::vector<QStringList> calls;
        for (int i = 0; i < kWriters; ++i)
            calls.push_back(c.change(i));
        runTogether(home.path(), calls);
        const QStringList holds = c.holds(home);
        for (int i = 0; i < kWriters; ++i)
            EXPECT_TRUE(holds.contains(c.kept(i))) << c.kept(i).toStdString();
        EXPECT_EQ(holds.size(), kWriters);
    }
}

// A mining run notes where it stands after every stock in the settings file; keys set
// meanwhile by another program stay beside the run's own.
TEST(CliSharedFolder, KeysSetDuringAMiningRunStayBesideItsResumePoint) {
    TempHome home;
    const QString quote = home.file(QStringLiteral("quote"));
    ASSERT_EQ(runCli({"--home", home.path(), "generate-quote", "--out", quote, "--stocks", "30"}).status, 0);
    ASSERT_EQ(runCli({"--home", home.path(), "settings", "set", "Folder", "hualin", quote + "/"}).status, 0);
    QProcess mine;
    mine.start(QStringLiteral(QUARROW_CLI), {"--home", home.path(), "--virtual-clock=2017-03-16T20:00",
                                             "mine", "--yes", "--percent", "0"});
    ASSERT_TRUE(mine.waitForStarted(60000));
    std::vector<QStringList> calls;
    for (int i = 0; i < 12; ++i)
        calls.push_back({"settings", "set", "Shared", QStringLiteral("Key%1").arg(i), QString::number(i)});
    // Spread over the run rather than all at its start.
    std::vector<std::unique_ptr<QProcess>> setters;
    for (const QStringList& arguments : calls) {
        setters.push_back(std::make_unique<QProcess>());
        setters.back()->start(QStringLiteral(QUARROW_CLI), QStringList{"--home", home.path()} + arguments);
        setters.back()->waitForFinished(60000);
        EXPECT_EQ(setters.back()->exitCode(), 0);
    }
    ASSERT_TRUE(mine.waitForFinished(300000));
    EXPECT_EQ(mine.exitCode(), 0) << mine.readAllStandardError().toStdString();
    SettingsFile file(home.file(QStringLiteral("quarrow.INI")));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(file.read(QStringLiteral("Shared"), QStringLiteral("Key%1").arg(i)), QString::number(i))
            << i;
    EXPECT_EQ(file.read(QStringLiteral("Last"), QStringLiteral("RunDate")), QStringLiteral("2017-03-16"));
    EXPECT_EQ(file.read(QStringLiteral("Folder"), QStringLiteral("hualin")), quote + QStringLiteral("/"));
}

// The relay on the command line: a chat line that did not reach the chat window is counted,
// said, and makes the command fail, so a script sees that alerts went missing.

#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace quarrow::test;

TEST(CliRelay, SaysHowManyChatLinesWentUnsentAndFailsThen) {
    const struct {
        const char* what;
        const char* behaviour;
        int status;
        const char* said;  // on standard output when the status is 0, else the closing error
    } cases[] = {
        {"the chat window stays", "", 0, "46 chat lines sent in 2 batches, 0 not sent"},
        {"the chat window closes after one message", "ChatClosesAfter = 1\n", 1,
         "did not reach the QQ chat window: 6 of 46"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        const QString quote = home.file(QStringLiteral("quote"));
        ASSERT_EQ(
            runCli({"--home", home.path(), "generate-quote", "--out", quote, "--stocks", "3", "--bars", "5"})
                .status,
            0);
        const CliRun stocks = runCli({"--home", home.path(), "--quote", quote, "stocks"});
        const QString name = stocks.out.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char('\t'), 1);
        ASSERT_FALSE(name.isEmpty()) << stocks.err.toStdString();

        ASSERT_TRUE(QDir().mkpath(quote + QStringLiteral("/sim")));
        QFile feed(quote + QStringLiteral("/sim/monitor.txt"));
        ASSERT_TRUE(feed.open(QIODevice::WriteOnly));
        for (int i = 0; i < 46; ++i)
            feed.write(QStringLiteral("10:00:%1\tS\t10:00\t%2\t10.50/%3\n")
                           .arg(i + 10)
                           .arg(name)
                           .arg(10000 + i)
                           .toUtf8());
        feed.close();
        QFile behaviour(quote + QStringLiteral("/sim/behaviour.ini"));
        ASSERT_TRUE(behaviour.open(QIODevice::WriteOnly));
        behaviour.write(c.behaviour);
        behaviour.close();

        const CliRun run =
            runCli({"--home", home.path(), "--quote", quote, "--virtual-clock=2017-03-16T10:30", "relay",
                    "--nickname", "小明", "--minutes", "1", "--all"});
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        if (c.status == 0) {
            EXPECT_TRUE(run.out.contains(QString::fromUtf8(c.said))) << run.out.toStdString();
        } else {
            const QStringList lines = run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            EXPECT_TRUE(lines.value(lines.size() - 1).contains(QString::fromUtf8(c.said)))
                << run.err.toStdString();
        }
    }
}

// A command whose work failed closes with one line saying so and exits non-zero; scripts rely on it.

#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <functional>

using namespace quarrow::test;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

TEST(CliOutcome, FailedWorkIsReportedWithAStatusAndOneLine) {
    const QString report = dataPath(QStringLiteral("report/two_days.txt"));
    struct Case {
        const char* what;
        std::function<void(const TempHome&)> prepare;
        QStringList arguments;  // after --home HOME; "QUOTE" stands for an empty quote folder
        QString stdoutFile;
        int status;
        QString message;
    };
    const Case cases[] = {
        {"extract into garbage",
         [](const TempHome& h) { writeFile(h.file("Quarrow.db"), QByteArray(4096, 'x')); },
         {"extract", "--code", "600610", report},
         {},
         1,
         "cannot open the database"},
        {"extract into a folder",
         [](const TempHome& h) { QDir().mkpath(h.file("Quarrow.db")); },
         {"extract", "--code", "600610", report},
         {},
         1,
         "cannot open the database"},
        {"reanalyse into garbage",
         [](const TempHome& h) { writeFile(h.file("Quarrow.db"), QByteArray(4096, 'x')); },
         {"reanalyse", "--restart", "--keep"},
         {},
         1,
         "cannot open the database"},
        {"settings get, file unreadable",
         [](const TempHome& h) { QDir().mkpath(h.file("quarrow.INI")); },
         {"settings", "get", "Last", "Code"},
         {},
         1,
         "cannot read"},
        {"reanalyse, progress cannot be noted",
         [](const TempHome& h) {
             runCli({"--home", h.path(), "generate-corpus", "--stocks", "3", "--docs", "1"});
             QFile::remove(h.file("quarrow.INI"));
             QDir().mkpath(h.file("quarrow.INI"));
         },
         {"reanalyse", "--restart", "--keep"},
         {},
         1,
         "cannot note the batch's progress"},
        {"output to a full disk",
         nullptr,
         {"settings", "get", "Last", "Code"},
         "/dev/full",
         1,
         "cannot write the output"},
        {"daily, negative days", nullptr, {"daily", "sh600000", "--days", "-5"}, {}, 2, "--days takes"},
        {"screen, negative days", nullptr, {"screen", "--days", "-1"}, {}, 2, "--days takes"},
        {"screen without stocks", nullptr, {"--quote", "QUOTE", "screen"}, {}, 1, "no stocks"},
        {"import-capital without stocks",
         nullptr,
         {"--quote", "QUOTE", "import-capital"},
         {},
         1,
         "no stocks"},
        {"refresh-names without stocks", nullptr, {"--quote", "QUOTE", "refresh-names"}, {}, 1, "no stocks"},
        {"reanalyse without stocks", nullptr, {"reanalyse", "--restart", "--keep"}, {}, 1, "no stocks"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        const QString quote = home.file("quote");
        ASSERT_TRUE(QDir().mkpath(quote));
        if (c.prepare)
            c.prepare(home);
        QStringList arguments{"--home", home.path()};
        for (const QString& argument : c.arguments)
            arguments << (argument == "QUOTE" ? quote : argument);
        CliCall call;
        call.stdoutFile = c.stdoutFile;
        const CliRun run = runCli(arguments, call);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        // Prompts may come first; the command's own verdict is the closing line.
        const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
        EXPECT_TRUE(lines.value(lines.size() - 1).contains(c.message)) << run.err.toStdString();
    }
}

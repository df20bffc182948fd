// quarrow-cli as a user or a script meets it: exit statuses, what goes to which stream.

#include "support/CliProcess.h"
#include "support/TestSupport.h"

using namespace quarrow::test;

TEST(CliExtract, StoresAReportAndLogsPlainLinesWhenNotOnATerminal) {
    TempHome home;
    const CliRun run = runCli({"--home", home.path(), "extract", "--code", "600610", "--name", "中毅达",
                               dataPath("report/two_days_gbk.txt")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(QChar(0x1b)));  // no colour codes into a pipe
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(0), "股票600610中毅达:2017-03-16最新动态");
    EXPECT_TRUE(lines.contains("\t机构专用\t1500.00\t0.00"));
    EXPECT_TRUE(lines.contains(
        "\t2017-03-10\t机构专用\t56.00\t691.04\t国泰君安证券股份有限公司上海江苏路证券营业部"));

    const CliRun summary = runCli({"--home", home.path(), "summary"});
    EXPECT_EQ(summary.status, 0);
    EXPECT_TRUE(summary.out.contains("change rows:      5\n")) << summary.out.toStdString();
    EXPECT_TRUE(summary.out.contains("block trades:     2\n"));

    // The same report again stores nothing and says so.
    const CliRun again =
        runCli({"--home", home.path(), "extract", "--code", "600610", dataPath("report/two_days.txt")});
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(again.out.contains("\t>>>>>数据库中已经保存过 600610 的操盘数据\n"));
}

TEST(CliExtract, DocumentModeKeepsTheReportAndPromptsGoToStandardError) {
    TempHome home;
    const CliRun run = runCli({"--home", home.path(), "extract", "--code", "600610", "--document",
                               dataPath("report/two_days.txt")});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(QFile::exists(home.file("600610/600610-2017-03-16变动资料.txt")));
    EXPECT_TRUE(run.err.contains("没有安装WinRar! 资料不能压缩保存,将占用很多磁盘存储空间"));
    EXPECT_FALSE(run.out.contains("没有安装WinRar"));
}

TEST(CliExtract, RefusesBadArgumentsWithClearMessages) {
    TempHome home;
    const QString report = dataPath("report/two_days.txt");

    const CliRun noCode = runCli({"--home", home.path(), "extract", report});
    EXPECT_EQ(noCode.status, 2);
    EXPECT_TRUE(noCode.err.contains("--code"));

    const CliRun noFile = runCli({"--home", home.path(), "extract", "--code", "600610"});
    EXPECT_EQ(noFile.status, 2);

    const CliRun missing =
        runCli({"--home", home.path(), "extract", "--code", "600610", report, home.file("nope.txt")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("cannot read")) << missing.err.toStdString();
    EXPECT_FALSE(QFile::exists(home.file("Quarrow.db")));  // nothing done before every file was read

    const CliRun badCode = runCli({"--home", home.path(), "extract", "--code", "60061'", report});
    EXPECT_EQ(badCode.status, 1);
    EXPECT_TRUE(badCode.err.contains("没有指定代码或者代码格式不对!"));

    const CliRun badPercent =
        runCli({"--home", home.path(), "extract", "--code", "600610", "--percent", "x", report});
    EXPECT_EQ(badPercent.status, 2);

    EXPECT_EQ(runCli({"--home", home.path(), "no-such-command"}).status, 2);
    EXPECT_EQ(runCli({"--bogus"}).status, 2);
}

TEST(CliExtract, HelpAndVersion) {
    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("extract --code CODE"));
    const CliRun version = runCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("quarrow-cli "));
}

namespace {

// A report written again with every line ended twice, as some rich-text copies do.
QString withDoubledLineEnds(const TempHome& home, const char* ending) {
    QFile source(dataPath("report/two_days.txt"));
    EXPECT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll().replace("\r\n", "\n").replace("\n", ending);
    const QString path = home.file(QStringLiteral("doubled%1.txt").arg(qstrlen(ending)));
    QFile target(path);
    EXPECT_TRUE(target.open(QIODevice::WriteOnly));
    target.write(bytes);
    return path;
}

}  // namespace

// A command that stored nothing of what it was given fails; one whose report is stored, or
// stored already, does not. Every reader takes a line ended twice for one line end.
TEST(CliExtract, StoresWhatItIsGivenOrFailsAndReadsEveryLineEnd) {
    TempHome home;
    const struct {
        const char* what;
        const char* code;
        QString file;
        int status;
        const char* changeRows;  // in the summary afterwards
    } cases[] = {
        {"another stock's report", "600000", dataPath("report/two_days.txt"), 1, "change rows:      0\n"},
        {"a report without data", "600000", dataPath("report/no_data.txt"), 1, "change rows:      0\n"},
        {"lines ended \\r\\r\\n", "600610", withDoubledLineEnds(home, "\r\r\n"), 0, "change rows:      5\n"},
        {"the same stored already", "600610", dataPath("report/two_days.txt"), 0, "change rows:      5\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CliRun run = runCli({"--home", home.path(), "extract", "--code", c.code, c.file});
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        const CliRun summary = runCli({"--home", home.path(), "summary"});
        EXPECT_TRUE(summary.out.contains(c.changeRows)) << summary.out.toStdString();
    }

    // The re-analysis reads its saved documents by the same rule.
    const auto writeStockTable = [](const TempHome& at) {
        QFile table(at.file("STCodeName.txt"));
        ASSERT_TRUE(table.open(QIODevice::WriteOnly));
        ASSERT_EQ(table.write("sh|中毅达|600610\r\n"), 21);
    };
    TempHome saved;
    ASSERT_TRUE(QDir().mkpath(saved.file("600610")));
    ASSERT_TRUE(
        QFile::copy(withDoubledLineEnds(saved, "\n\r"), saved.file("600610/600610-2017-03-16变动资料.txt")));
    writeStockTable(saved);
    const CliRun batch = runCli({"--home", saved.path(), "reanalyse", "--restart", "--keep"});
    EXPECT_EQ(batch.status, 0) << batch.err.toStdString();
    const CliRun summary = runCli({"--home", saved.path(), "summary"});
    EXPECT_TRUE(summary.out.contains("change rows:      5\n")) << summary.out.toStdString();
    EXPECT_TRUE(summary.out.contains("block trades:     2\n")) << summary.out.toStdString();

    // Without --name the stock keeps the name the stock list gives it.
    TempHome named;
    writeStockTable(named);
    const CliRun unnamed =
        runCli({"--home", named.path(), "extract", "--code", "600610", dataPath("report/two_days.txt")});
    EXPECT_EQ(unnamed.status, 0) << unnamed.err.toStdString();
    EXPECT_TRUE(unnamed.out.startsWith("股票600610中毅达:2017-03-16最新动态")) << unnamed.out.toStdString();
}

#include "ReanalysisTestSupport.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// Runs quarrow-cli to its end; returns its exit code (-1 when it crashed or hung).
int runCli(const QString& home, const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.setProgram(QStringLiteral(QUARROW_CLI));
    process.setArguments(QStringList{QStringLiteral("--home"), home} + arguments);
    process.start();
    if (!process.waitForFinished(240000))
        return -1;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The resume point as the settings file holds it right now.
QString noted(const QString& home) {
    QFile file(home + QStringLiteral("/quarrow.INI"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    static const QRegularExpression index(QStringLiteral("Index=(\\d+)"));
    return index.match(QString::fromUtf8(file.readAll())).captured(1);
}

// Starts `reanalyse`, waits until this run has noted a new resume point and analysed at
// least one more stock after it, then kills it with SIGKILL: somewhere in the middle of
// a stock, with part of the batch stored and the last stocks not yet noted. Returns
// whether it was killed (false: it finished first).
bool reanalyseAndKill(const QString& home, const QStringList& flags) {
    QProcess process;
    process.setProgram(QStringLiteral(QUARROW_CLI));
    process.setArguments(QStringList{QStringLiteral("--home"), home, QStringLiteral("reanalyse")} + flags);
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString before = noted(home);
    process.start();
    EXPECT_TRUE(process.waitForStarted());
    int stocksAfterNote = -1;
    while (process.state() == QProcess::Running) {
        process.waitForReadyRead(20);
        const int stocks = static_cast<int>(process.readAll().count(":分析"));
        if (stocksAfterNote < 0 && noted(home) != before)
            stocksAfterNote = 0;
        else if (stocksAfterNote >= 0)
            stocksAfterNote += stocks;
        if (stocksAfterNote > 0) {
            process.kill();
            process.waitForFinished();
            return process.exitStatus() == QProcess::CrashExit;
        }
    }
    process.waitForFinished();
    return false;
}

}  // namespace

TEST(ReanalysisKillTest, ABatchKilledAndResumedStoresExactlyWhatAnUninterruptedOneStores) {
    TempHome reference;
    TempHome killed;
    const QStringList corpus = {QStringLiteral("generate-corpus"),
                                QStringLiteral("--stocks"),
                                QStringLiteral("1500"),
                                QStringLiteral("--docs"),
                                QStringLiteral("2"),
                                QStringLiteral("--seed"),
                                QStringLiteral("11")};
    ASSERT_EQ(runCli(reference.path(), corpus), 0);
    ASSERT_EQ(runCli(killed.path(), corpus), 0);

    QString output;
    ASSERT_EQ(runCli(reference.path(),
                     {QStringLiteral("reanalyse"), QStringLiteral("--restart"), QStringLiteral("--clear")},
                     &output),
              0)
        << output.right(2000).toStdString();

    int kills = 0;
    if (reanalyseAndKill(killed.path(), {QStringLiteral("--restart"), QStringLiteral("--clear")}))
        ++kills;
    for (int round = 0; round < 4; ++round) {
        if (reanalyseAndKill(killed.path(), {QStringLiteral("--resume"), QStringLiteral("--keep")}))
            ++kills;
    }
    ASSERT_EQ(
        runCli(killed.path(),
               {QStringLiteral("reanalyse"), QStringLiteral("--resume"), QStringLiteral("--keep")}, &output),
        0)
        << output.right(2000).toStdString();
    EXPECT_GE(kills, 1) << "no run was killed in the middle of its batch";
    EXPECT_TRUE(output.contains(QStringLiteral("of 1500"))) << output.right(500).toStdString();

    TDataBase expected(ProgramFolder(reference.path()).databaseFile());
    TDataBase actual(ProgramFolder(killed.path()).databaseFile());
    ASSERT_TRUE(expected.open());
    ASSERT_TRUE(actual.open());
    QString report;
    EXPECT_TRUE(actual.integrityCheck(&report)) << report.toStdString();
    for (const QString& table : {QStringLiteral("tblStChange"), QStringLiteral("tblBigBuySale"),
                                 QStringLiteral("tblStDepart"), QStringLiteral("tblStocks")}) {
        const QString sql = QStringLiteral("select count(*) from ") + table;
        EXPECT_EQ(countOf(actual, sql), countOf(expected, sql)) << table.toStdString();
    }
    EXPECT_GT(countOf(actual, QStringLiteral("select count(*) from tblStChange")), 3000);
    const QStringList expectedRows = storedRows(expected);
    const QStringList actualRows = storedRows(actual);
    EXPECT_EQ(actualRows.size(), expectedRows.size());
    EXPECT_TRUE(actualRows == expectedRows) << "the stored rows differ";
}

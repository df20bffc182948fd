// quarrow-cli mine as a script runs it: a generated quote folder on the simulated quote
// program, on the virtual clock, where a whole run costs only our own time.

#include "app/TextCodec.h"
#include "store/DataBase.h"
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QString kMoment = QStringLiteral("--virtual-clock=2017-03-16T20:00");

// The codes whose page the simulated quote program shows holds a dragon-tiger report.
QStringList codesWithReports(const QString& quote) {
    QStringList codes;
    const QDir pages(quote + QStringLiteral("/sim/pages"));
    for (const QString& name : pages.entryList({QStringLiteral("*.txt")}, QDir::Files)) {
        QFile page(pages.filePath(name));
        if (page.open(QIODevice::ReadOnly) && TextCodec::decode(page.readAll())
                                                  .section(QLatin1Char('\n'), 0, 0)
                                                  .contains(QStringLiteral("☆龙虎榜单☆")))
            codes << name.left(6);
    }
    codes.sort();
    return codes;
}

QStringList storedCodes(const QString& databaseFile) {
    TDataBase db(databaseFile);
    EXPECT_TRUE(db.open());
    Statement query = db.QueryPublic(QStringLiteral("select distinct StCode from tblStChange order by 1"));
    EXPECT_TRUE(query.exec());
    QStringList codes;
    while (query.next())
        codes << query.text(0);
    return codes;
}

struct MinedFolder {
    MinedFolder() {
        EXPECT_EQ(runCli({"--home", home.path(), "generate-quote", "--out", quote, "--stocks", "12"}).status,
                  0);
        EXPECT_EQ(runCli({"--home", home.path(), "settings", "set", "Folder", "hualin", quote + "/"}).status,
                  0);
    }
    CliRun mine(const QStringList& more) {
        return runCli(QStringList{"--home", home.path(), kMoment, "mine", "--yes", "--percent", "0"} + more);
    }
    TempHome home;
    QString quote = home.file("quote");
};

}  // namespace

// Every page the quote program holds is stored under its own code, though each page comes
// only after the stock before has shown a while; a second run of the day adds its log to
// the first's. Each run's log says how often the followed department is among the rows
// that run stored: the second stores nothing new.
TEST(CliMine, StoresEveryReportUnderItsOwnCodeAndKeepsEachRunOfTheDayInTheLog) {
    MinedFolder folder;
    ASSERT_EQ(runCli({"--home", folder.home.path(), "follow", "add", "机构专用"}).status, 0);
    const CliRun first = folder.mine({});
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_EQ(storedCodes(folder.home.file("Quarrow.db")), codesWithReports(folder.quote));
    EXPECT_EQ(folder.mine({"--restart"}).status, 0);
    QFile log(folder.home.file("StockNews-2017-03-16.LOG"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_EQ(text.count(QStringLiteral("全部股票分析完毕!")), 2);

    TDataBase db(folder.home.file("Quarrow.db"));
    ASSERT_TRUE(db.open());
    Statement institutions =
        db.QueryPublic(QStringLiteral("select count(*) from viewStChange where StDept='机构专用'"));
    ASSERT_TRUE(institutions.exec() && institutions.next());
    ASSERT_GT(institutions.integer(0), 0);
    EXPECT_TRUE(text.contains(
        QStringLiteral("\t>>>>>关注的营业部本次上榜%1次: 机构专用 ").arg(institutions.integer(0))));
    EXPECT_EQ(text.count(QStringLiteral("\t>>>>>关注的营业部本次没有上榜")), 1);
}

TEST(CliMine, ARunThatTriedStocksAndCapturedNoneFails) {
    MinedFolder folder;
    QFile behaviour(folder.quote + "/sim/behaviour.ini");
    ASSERT_TRUE(behaviour.open(QIODevice::WriteOnly));
    behaviour.write("CopyNothing = 1\n");
    behaviour.close();
    const CliRun run = folder.mine({});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("no report was captured")) << run.err.toStdString();
}

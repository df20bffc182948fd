#include "app/ProgramFolder.h"
#include "scorecard/ScorecardTestData.h"
#include "support/CliProcess.h"
#include "support/TestSupport.h"

namespace quarrow::test {
namespace {

TEST(CliScorecardTest, PrintsTheRankingAndOneDepartmentsTradesAsCsv) {
    TempHome home;
    const QString quote = home.file(QStringLiteral("quote"));
    writeScorecardBars(quote);
    {
        TDataBase db(ProgramFolder(home.path()).databaseFile());
        ASSERT_TRUE(db.open());
        storeScorecardRows(db);
    }
    struct Case {
        QStringList arguments;
        int status;
        QString out;
    };
    const Case cases[] = {
        {{"--format", "csv"},
         0,
         "department,count,avg1,win1,n1,avg2,win2,n2,avg3,win3,n3,avg5,win5,n5,avg10,win10,n10\r\n"
         "甲营业部,2,0.00,50.00,2,-9.55,0.00,2,-4.55,0.00,1,4.55,100.00,1,13.64,100.00,1\r\n"
         "丁营业部,1,,,0,,,0,,,0,,,0,,,0\r\n"
         "乙营业部,1,-4.17,0.00,1,-8.33,0.00,1,-16.67,0.00,1,8.33,100.00,1,,,0\r\n"},
        {{"--format", "csv", "--side", "sell", "--days", "5,1"},
         0,
         "department,count,avg1,win1,n1,avg5,win5,n5\r\n"
         "丙营业部,1,5.00,100.00,1,0.00,0.00,1\r\n"},
        {{"--format", "csv", "--sort", "avg3", "--top", "2", "--from", "2017-03-02", "--to", "2017-03-31"},
         0,
         "department,count,avg1,win1,n1,avg2,win2,n2,avg3,win3,n3,avg5,win5,n5,avg10,win10,n10\r\n"
         "甲营业部,2,0.00,50.00,2,-9.55,0.00,2,-4.55,0.00,1,4.55,100.00,1,13.64,100.00,1\r\n"
         "乙营业部,1,-4.17,0.00,1,-8.33,0.00,1,-16.67,0.00,1,8.33,100.00,1,,,0\r\n"},
        {{"--format", "csv", "--dept", "甲营业部"},
         0,
         "code,date,bought,sold,ret1,ret2,ret3,ret5,ret10\r\n"
         "\"=\"\"000001\"\"\",2017-03-02,500,0,-10.00,-9.09,-4.55,4.55,13.64\r\n"
         "\"=\"\"000002\"\"\",2017-03-02,300,0,10.00,-10.00,,,\r\n"},
        {{"--sort", "avg4"}, 2, ""},
        {{"--days", "0"}, 2, ""},
        {{"--dept", "无此营业部"}, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CliRun run =
            runCli(QStringList{"--home", home.path(), "--quote", quote, "scorecard"} + c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        if (c.status == 0)
            EXPECT_EQ(run.out, c.out);
        else
            EXPECT_FALSE(run.err.isEmpty());
    }
}

}  // namespace
}  // namespace quarrow::test

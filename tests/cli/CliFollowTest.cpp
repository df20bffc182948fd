#include "app/ProgramFolder.h"
#include "scorecard/ScorecardTestData.h"
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QFile>

namespace quarrow::test {
namespace {

class CliFollowTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeScorecardBars(quote());
        TDataBase db(ProgramFolder(home.path()).databaseFile());
        ASSERT_TRUE(db.open());
        storeScorecardRows(db);
        ASSERT_TRUE(
            db.execute(QStringLiteral("insert into tblStocks (StCode,StName) values ('000001','平安银行'),"
                                      "('000002','万科A'),('600000','浦发银行')")));
    }
    CliRun cli(const QStringList& arguments) {
        return runCli(QStringList{"--home", home.path(), "--quote", quote()} + arguments);
    }
    QString quote() const { return home.file(QStringLiteral("quote")); }

    TempHome home;
};

TEST_F(CliFollowTest, TheFollowedListChangesAsAsked) {
    struct Case {
        QStringList arguments;
        int status;
        QString out;
        QString err;  // a part of standard error
    };
    const Case cases[] = {
        {{"follow", "add", " 甲营业部 "}, 0, "following 甲营业部\n", ""},
        {{"follow", "add", "乙 营业部"}, 0, "following 乙 营业部\n", ""},
        {{"follow", "add", "乙营业部"}, 0, "乙营业部 is followed already\n", ""},
        {{"follow", "add", "明日营业部"}, 0, "following 明日营业部\n", "no department named 明日营业部"},
        {{"follow", "del", "明日营业部"}, 0, "unfollowed 明日营业部\n", ""},
        {{"follow", "del", "明日营业部"}, 1, "", "明日营业部 is not followed"},
        {{"follow", "add", "\t"}, 2, "", "a department name"},
        {{"follow", "add"}, 2, "", ""},
        {{"follow", "list"}, 0, "甲营业部\n乙 营业部\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CliRun run = cli(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_EQ(run.out, c.out);
        EXPECT_TRUE(run.err.contains(c.err)) << run.err.toStdString();
    }
}

// The returns as the scorecard works them out over the whole store: 甲 bought on 03-02
// (1 day: -10 % and +10 %; 3 days: one trade reached it, -4.55 %; 5 days +4.55 %), 乙 twice
// on 03-08 (one trade), 丙 sold on 03-06, 丁 bought a stock without bars.
TEST_F(CliFollowTest, FollowedRowsCarryTheRecordOfTheirNetsSide) {
    for (const char* name : {"甲营业部", "乙 营业部", "丙营业部", "丁营业部"})
        ASSERT_EQ(cli({"follow", "add", QString::fromUtf8(name)}).status, 0);
    const QString titles =
        "code,name,date,department,bought,sold,net,avg1,win1,avg3,win3,avg5,win5,count\r\n";
    const QString yi =
        "\"=\"\"000001\"\"\",平安银行,2017-03-08,乙营业部,100,0,100,-4.17,0.00,-16.67,0.00,8.33,100.00,1\r\n"
        "\"=\"\"000001\"\"\",平安银行,2017-03-08,乙营业部,150,0,150,-4.17,0.00,-16.67,0.00,8.33,100.00,1\r\n";
    struct Case {
        QStringList arguments;
        int status;
        QString out;
    };
    const Case cases[] = {
        {{"--format", "csv", "--since", "2017-03-01"},
         0,
         titles +
             "\"=\"\"000001\"\"\",平安银行,2017-03-02,甲营业部,500,0,500,0.00,50.00,-4.55,0.00,4.55,100.00,"
             "2\r\n"
             "\"=\"\"000002\"\"\",万科A,2017-03-02,甲营业部,300,0,300,0.00,50.00,-4.55,0.00,4.55,100.00,2\r\n"
             "\"=\"\"600000\"\"\",浦发银行,2017-03-02,丁营业部,80,0,80,,,,,,,1\r\n"
             "\"=\"\"000001\"\"\",平安银行,2017-03-06,丙营业部,0,400,-400,5.00,100.00,15.00,100.00,0.00,0.00,"
             "1\r\n" +
             yi},
        {{"--format", "csv"}, 0, titles + yi},
        {{"--format", "csv", "--since", "2017-03-09"}, 0, titles},
        {{"--since", "2017-02-30"}, 2, ""},
        {{"--format", "xml"}, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CliRun run = cli(QStringList{"followed"} + c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_EQ(run.out, c.out);
    }
}

TEST_F(CliFollowTest, TheDigestGoesToTheTerminalOrToOneHtmlFile) {
    ASSERT_EQ(cli({"follow", "add", "甲营业部"}).status, 0);
    const CliRun text = cli({"digest", "--day", "2017-03-02"});
    EXPECT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith("digest of 2017-03-02\n"));
    for (const char* part : {"listed stocks (3)", "万科A", "甲营业部"})
        EXPECT_TRUE(text.out.contains(QString::fromUtf8(part))) << part;

    const QString file = home.file("digest.html");
    const CliRun html = cli({"digest", "--day", "2017-03-02", "--out", file});
    EXPECT_EQ(html.status, 0) << html.err.toStdString();
    EXPECT_EQ(html.out, "digest of 2017-03-02 written to " + file + "\n");
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(written.readAll());
    EXPECT_TRUE(page.startsWith("<!DOCTYPE html>"));
    EXPECT_EQ(page.count("<svg"), 2) << "000001 and 000002 have bars, 600000 none";

    EXPECT_EQ(cli({"digest", "--out", home.file("missing/digest.html")}).status, 1);
}

}  // namespace
}  // namespace quarrow::test

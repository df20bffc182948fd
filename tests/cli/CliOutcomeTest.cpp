// A command whose work failed closes with one line saying so and exits non-zero; scripts rely on it.

#include "store/DataBase.h"
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
         "the settings file refused a write"},
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
        {"query from garbage",
         [](const TempHome& h) { writeFile(h.file("Quarrow.db"), QByteArray(4096, 'x')); },
         {"query"},
         {},
         1,
         "cannot open the database"},
        {"query, kind out of range", nullptr, {"query", "--kind", "4"}, {}, 2, "--kind takes"},
        {"query, day not a day", nullptr, {"query", "--to", "2017-02-30"}, {}, 2, "--to takes"},
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

namespace {

// One anomaly row and one block trade of a department whose name holds quotes and a comma.
void storeQuotedDepartment(const QString& databaseFile, const QString& department) {
    quarrow::TDataBase db(databaseFile);
    ASSERT_TRUE(db.open());
    const auto exec = [&](const QString& sql, const QStringList& texts) {
        quarrow::Statement statement = db.DBCommand(sql);
        for (int i = 0; i < texts.size(); ++i)
            statement.bind(QStringLiteral(":v%1").arg(i), texts.at(i));
        ASSERT_TRUE(statement.exec()) << statement.error().toStdString();
    };
    exec("insert into tblStocks (StCode,StName) values ('600610',:v0)", {"中毅达"});
    exec("insert into tblStDepart (StDeptKey,StDept) values (1,:v0)", {department});
    exec("insert into tblStDepart (StDeptKey,StDept) values (2,:v0)", {"中信证券"});
    exec(
        "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
        "values ('600610','2017-03-10',1,100,50.5,-9.5,'--',1)",
        {});
    exec(
        "insert into tblBigBuySale (StCode,StDate,StDeptBuy,StPrice,StQTY,StAMT,StDeptSale,StKEY) "
        "values ('600610','2017-03-10',1,10.5,100,1050,2,2)",
        {});
}

}  // namespace

// The query prints the main result, an empty line and the block trades, each headed by its
// column titles; a department is matched as buyer or seller of a block trade.
TEST(CliOutcome, QueryPrintsBothResultsUnderTheirTitles) {
    const QString department = "华泰\"深圳\",益田路";
    // A name as a hostile download server may send it.
    const QString formula = "=HYPERLINK(\"http://x.example/\",\"x\")";
    struct Case {
        const char* what;
        QString stored;  // the department stored with the rows; none when empty
        QStringList arguments;
        QString out;
    };
    const Case cases[] = {
        {"empty results: the titles alone",
         {},
         {"query"},
         "代码  股票名称  交易日  营业部o涨跌说明  买入o成交量  卖出o成交额  涨跌幅度  注释\n"
         "\n"
         "代码  股票名称  交易日  买方  成交价格  成交万股  成交万元  卖方\n"},
        {"csv quotes a name with quotes and a comma, and keeps the code's zeros",
         department,
         {"query", "--format", "csv", "--dept", department},
         "代码,股票名称,交易日,营业部o涨跌说明,买入o成交量,卖出o成交额,涨跌幅度,注释\r\n"
         "\"=\"\"600610\"\"\",中毅达,2017-03-10,\"华泰\"\"深圳\"\",益田路\",100,50.5,-9.5,'--\r\n"
         "\r\n"
         "代码,股票名称,交易日,买方,成交价格,成交万股,成交万元,卖方\r\n"
         "\"=\"\"600610\"\"\",中毅达,2017-03-10,\"华泰\"\"深圳\"\",益田路\",10.5,100,1050,中信证券\r\n"},
        {"csv gives a spreadsheet no formula to run",
         formula,
         {"query", "--format", "csv"},
         "代码,股票名称,交易日,营业部o涨跌说明,买入o成交量,卖出o成交额,涨跌幅度,注释\r\n"
         "\"=\"\"600610\"\"\",中毅达,2017-03-10,\"'=HYPERLINK(\"\"http://x.example/"
         "\"\",\"\"x\"\")\",100,50.5,-9.5,'--\r\n"
         "\r\n"
         "代码,股票名称,交易日,买方,成交价格,成交万股,成交万元,卖方\r\n"
         "\"=\"\"600610\"\"\",中毅达,2017-03-10,\"'=HYPERLINK(\"\"http://x.example/"
         "\"\",\"\"x\"\")\",10.5,100,1050,中信证券\r\n"},
        {"table aligned on wide characters, with the statements",
         department,
         {"query", "--button", "buysale", "--to", "2017-03-10", "--kind", "0", "--threshold", "100", "--sql"},
         "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDept as 营业部o涨跌说明,StBuy as "
         "买入o成交量,StSale as 卖出o成交额,StRate as 涨跌幅度,StMemo as 注释 From viewStChange\n"
         "where (StBuy>0 and StSale>0)\n"
         "and StDate>:StDate and StDate<=:StDateTo\n"
         "Order by ID\n"
         "-- :StDate = 2017-03-09\n"
         "-- :StDateTo = 2017-03-10\n"
         "代码    股票名称  交易日      营业部o涨跌说明    买入o成交量  卖出o成交额  涨跌幅度  注释\n"
         "600610  中毅达    2017-03-10  华泰\"深圳\",益田路  100          50.5         -9.5      --\n"
         "\n"
         "Select StCode as 代码, StName as 股票名称,StDate as 交易日,StDeptBuy as 买方,StPrice as "
         "成交价格,StQTY as "
         "成交万股,StAMT as 成交万元,StDeptSale as 卖方 From viewStBigBuySale where (StQTY>=100)\n"
         "and StDate>:StDate and StDate<=:StDateTo\n"
         "Order by ID\n"
         "-- :StDate = 2017-03-09\n"
         "-- :StDateTo = 2017-03-10\n"
         "代码    股票名称  交易日      买方               成交价格  成交万股  成交万元  卖方\n"
         "600610  中毅达    2017-03-10  华泰\"深圳\",益田路  10.5      100       1050      中信证券\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        if (!c.stored.isEmpty())
            storeQuotedDepartment(home.file("Quarrow.db"), c.stored);
        const CliRun run = runCli(QStringList{"--home", home.path()} + c.arguments);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, c.out);
    }
}

#include "app/TextExport.h"
#include "support/TestSupport.h"

namespace quarrow::test {
namespace {

TEST(TextExportTest, CsvFileReadsBackCellForCell) {
    const QStringList titles{QStringLiteral("营业部"), QStringLiteral("count"), QStringLiteral("avg1")};
    const std::vector<QStringList> rows{
        {QStringLiteral("中信证券,上海溧阳路"), QStringLiteral("3"), QStringLiteral("-1.25")},
        {QStringLiteral("O\"Neil \"\"营业部\""), QStringLiteral(""), QStringLiteral("0.00")},
        {QStringLiteral("第一行\r\n第二行\n第三行"), QStringLiteral(" 2 "), QStringLiteral("\"")},
    };
    const QByteArray bytes = TextExport::csvFileBytes(titles, rows);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "spreadsheet programs need the mark to read UTF-8";
    const std::vector<QStringList> back = readCsv(QString::fromUtf8(bytes.mid(3)));
    ASSERT_EQ(back.size(), rows.size() + 1);
    EXPECT_EQ(back[0], titles);
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(back[i + 1], rows[i]);
}

TEST(TextExportTest, CopiedCellsKeepOneCellPerTab) {
    const std::vector<QStringList> rows{
        {QStringLiteral("a\tb"), QStringLiteral("c\r\nd")},
        {QStringLiteral("平安银行"), QString()},
        {QStringLiteral("=1+1"), QStringLiteral("\t@SUM(A1)"), QStringLiteral("-3.5")}};
    EXPECT_EQ(TextExport::tabSeparated(rows),
              QStringLiteral("a b\tc  d\n平安银行\t\n'=1+1\t' @SUM(A1)\t-3.5\n"));
}

// Names come from the quote program's pages and from any download server: read back as a
// spreadsheet reads the file, no text cell starts a formula, numbers stay numbers and codes
// keep their zeros.
TEST(TextExportTest, HostileCellsReachTheSpreadsheetAsTexts) {
    const QStringList titles{QStringLiteral("代码"), QStringLiteral("department"), QStringLiteral("net")};
    struct Case {
        QString code, department, net;     // as the program holds them
        QString codeBack, departmentBack;  // as the file's reader gets them
    };
    const Case cases[] = {
        {"000630", "=HYPERLINK(\"http://x.example/\",\"x\")", "-400", "=\"000630\"",
         "'=HYPERLINK(\"http://x.example/\",\"x\")"},
        {"600610", "@SUM(1+1)*cmd|' /C calc'!A0", "+12.5", "=\"600610\"", "'@SUM(1+1)*cmd|' /C calc'!A0"},
        {"000001", "+1+1", "0", "=\"000001\"", "'+1+1"},
        {"000002", "-1+1", ".5", "=\"000002\"", "'-1+1"},
        {"000003", "\t=1", "-0.25", "=\"000003\"", "'\t=1"},
        {"000004", "\r=1", "7", "=\"000004\"", "'\r=1"},
        {"60061O", "中信证券 上海分公司", "1", "60061O", "中信证券 上海分公司"},
        {"=1+2", "-", "", "'=1+2", "'-"},
    };
    std::vector<QStringList> rows;
    for (const Case& c : cases)
        rows.push_back({c.code, c.department, c.net});
    const QByteArray bytes = TextExport::csvFileBytes(titles, rows);
    const std::vector<QStringList> back = readCsv(QString::fromUtf8(bytes.mid(3)));
    ASSERT_EQ(back.size(), rows.size() + 1);
    EXPECT_EQ(back[0], titles);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].department.toStdString());
        EXPECT_EQ(back[i + 1], (QStringList{cases[i].codeBack, cases[i].departmentBack, cases[i].net}));
    }
}

}  // namespace
}  // namespace quarrow::test

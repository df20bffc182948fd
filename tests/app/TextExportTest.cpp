#include "app/TextExport.h"
#include "support/TestSupport.h"

namespace quarrow::test {
namespace {

// RFC 4180 read back the way a spreadsheet program reads it: quoted fields may hold
// commas, doubled quotes and line breaks; records end with CR LF.
std::vector<QStringList> parseCsv(const QString& text) {
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            record << field;
            field.clear();
            records.push_back(record);
            record.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

TEST(TextExportTest, CsvFileReadsBackCellForCell) {
    const QStringList titles{QStringLiteral("营业部"), QStringLiteral("count"), QStringLiteral("avg1")};
    const std::vector<QStringList> rows{
        {QStringLiteral("中信证券,上海溧阳路"), QStringLiteral("3"), QStringLiteral("-1.25")},
        {QStringLiteral("O\"Neil \"\"营业部\""), QStringLiteral(""), QStringLiteral("0.00")},
        {QStringLiteral("第一行\r\n第二行\n第三行"), QStringLiteral(" 2 "), QStringLiteral("\"")},
    };
    const QByteArray bytes = TextExport::csvFileBytes(titles, rows);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "spreadsheet programs need the mark to read UTF-8";
    const std::vector<QStringList> back = parseCsv(QString::fromUtf8(bytes.mid(3)));
    ASSERT_EQ(back.size(), rows.size() + 1);
    EXPECT_EQ(back[0], titles);
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(back[i + 1], rows[i]);
}

TEST(TextExportTest, CopiedCellsKeepOneCellPerTab) {
    const std::vector<QStringList> rows{{QStringLiteral("a\tb"), QStringLiteral("c\r\nd")},
                                        {QStringLiteral("平安银行"), QString()}};
    EXPECT_EQ(TextExport::tabSeparated(rows), QStringLiteral("a b\tc  d\n平安银行\t\n"));
}

}  // namespace
}  // namespace quarrow::test

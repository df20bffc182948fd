#include "report/TableLineSplitter.h"

#include "support/TestSupport.h"

using namespace quarrow;

TEST(TableLineSplitter, BarsDelimitAndTheFirstColumnIsField1) {
    EXPECT_EQ(splitTableLine(QStringLiteral("｜机构专用｜ 1234.56｜   12.30｜")),
              (QStringList{"", "机构专用", "1234.56", "12.30", ""}));
    EXPECT_EQ(splitTableLine(QStringLiteral("|a|b|c")), (QStringList{"", "a", "b", "c"}));
}

TEST(TableLineSplitter, SpacesAlsoEndAField) {
    // A spaced name falls apart and shifts the amount columns by one.
    EXPECT_EQ(splitTableLine(QStringLiteral("｜华泰证券 深圳营业部｜1.00｜2.00｜")),
              (QStringList{"", "华泰证券", "深圳营业部", "1.00", "2.00", ""}));
    EXPECT_EQ(splitTableLine(QStringLiteral("  a   b  ")), (QStringList{"a", "b"}));
}

TEST(TableLineSplitter, EmptyFieldsBetweenDelimiters) {
    EXPECT_EQ(splitTableLine(QStringLiteral("｜｜ ｜｜x｜")), (QStringList{"", "", "", "", "x", ""}));
    // A final bar followed by blanks opens no extra field.
    EXPECT_EQ(splitTableLine(QStringLiteral("|a|  ")), (QStringList{"", "a"}));
    EXPECT_TRUE(splitTableLine(QString()).isEmpty());
    EXPECT_TRUE(splitTableLine(QStringLiteral("   ")).isEmpty());
}

TEST(TableLineSplitter, QuotedFieldsKeepSpacesAndBars) {
    EXPECT_EQ(splitTableLine(QStringLiteral("|\"a b|c\"|1.00|")), (QStringList{"", "a b|c", "1.00", ""}));
    EXPECT_EQ(splitTableLine(QStringLiteral("|\"say \"\"hi\"\"\"|")), (QStringList{"", "say \"hi\"", ""}));
    // An unclosed quote runs to the end of the line.
    EXPECT_EQ(splitTableLine(QStringLiteral("|\"open|x")), (QStringList{"", "open|x"}));
    // Text glued to a closing quote starts the next field.
    EXPECT_EQ(splitTableLine(QStringLiteral("|\"某\"证券|")), (QStringList{"", "某", "证券", ""}));
}

TEST(TableLineSplitter, FullWidthSpacesAreKeptInsideNames) {
    EXPECT_EQ(splitTableLine(QStringLiteral("｜万科Ａ　股份｜")), (QStringList{"", "万科Ａ　股份", ""}));
    // Trimming cuts characters up to U+0020 only, control characters included: the record
    // keys of stored names were made that way.
    EXPECT_EQ(splitTableLine(QStringLiteral("｜万科Ａ　｜\"\x01国信\u00A0\t\"｜")),
              (QStringList{"", "万科Ａ　", "国信\u00A0", ""}));
}

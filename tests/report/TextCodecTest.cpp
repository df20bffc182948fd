#include "app/TextCodec.h"

#include "support/TestSupport.h"

#include <QStringEncoder>

using namespace quarrow;

TEST(TextCodec, ByteOrderMarkThenUtf8ThenGbk) {
    const QString text = QStringLiteral("☆龙虎榜单☆ 600610 中毅达");
    EXPECT_EQ(TextCodec::decode(text.toUtf8()), text);
    EXPECT_EQ(TextCodec::decode(QByteArray("\xEF\xBB\xBF") + text.toUtf8()), text);
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    EXPECT_EQ(TextCodec::decode(utf16.encode(text)), text);
    EXPECT_EQ(TextCodec::decode(TextCodec::encodeGbk(text)), text);
    EXPECT_EQ(TextCodec::decode(test::dataFile(QStringLiteral("report/two_days_gbk.txt"))),
              TextCodec::decode(test::dataFile(QStringLiteral("report/two_days.txt"))));
}

TEST(TextCodec, SplitsLinesLikeAMemo) {
    EXPECT_EQ(TextCodec::splitLines(QStringLiteral("a\r\nb\nc\rd")), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(TextCodec::splitLines(QStringLiteral("a\r\n\r\nb\r\n")), (QStringList{"a", "", "b"}));
    EXPECT_TRUE(TextCodec::splitLines(QString()).isEmpty());
    EXPECT_EQ(TextCodec::splitLines(QStringLiteral("\n")), QStringList{QString()});
}

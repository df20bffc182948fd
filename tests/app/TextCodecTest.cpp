#include "app/TextCodec.h"
#include "app/Trim.h"

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

TEST(TextCodec, ShortOrDamagedTextsAreReadTheRightWay) {
    const QByteArray utf8Report = test::dataFile(QStringLiteral("report/two_days.txt"));
    const QString report = QString::fromUtf8(utf8Report);
    const qsizetype middle = utf8Report.indexOf('\n', utf8Report.size() / 2) + 1;
    const struct {
        const char* what;
        QByteArray bytes;
        QString text;
        bool replaced;
    } cases[] = {
        // GBK whose bytes are also valid UTF-8: CB AE is "水" in GBK and "ˮ" in UTF-8.
        {"short GBK", QByteArray("hualin=D:\\\xCB\xAE\\\r\n"), QStringLiteral("hualin=D:\\水\\\r\n"), false},
        {"short UTF-8", QStringLiteral("QQName=老王\r\n").toUtf8(), QStringLiteral("QQName=老王\r\n"), false},
        {"ASCII", QByteArray("Index=12\r\n"), QStringLiteral("Index=12\r\n"), false},
        // One truncated sequence must not turn a whole UTF-8 report into GBK.
        {"UTF-8 cut at the end", utf8Report + "\xE4\xB8", report, true},
        {"UTF-8 cut in the middle", utf8Report.left(middle) + "\xE4\xB8" + utf8Report.mid(middle), report,
         true},
        {"GBK with a stray byte", TextCodec::encodeGbk(QStringLiteral("机构专用")) + "\xFF",
         QStringLiteral("机构专用"), true},
    };
    // The text is compared without its replacement characters; there may be one for each
    // broken byte.
    for (const auto& c : cases) {
        bool replaced = !c.replaced;
        QString text = TextCodec::decode(c.bytes, &replaced);
        EXPECT_EQ(replaced, c.replaced) << c.what;
        EXPECT_EQ(text.contains(QChar::ReplacementCharacter), c.replaced) << c.what;
        EXPECT_EQ(text.remove(QChar::ReplacementCharacter), c.text) << c.what;
    }
}

TEST(TextCodec, GbkFilesAreWrittenAsGb18030AndLoseNothing) {
    // Characters GBK holds keep their GBK bytes; the others get GB18030's own.
    EXPECT_EQ(TextCodec::encodeGbk(QStringLiteral("深股通专用")).toHex(), QByteArray("c9eeb9c9cda8d7a8d3c3"));
    const QString name = QStringLiteral("深股通\U0001F600䶮专用");
    EXPECT_EQ(TextCodec::decodeGbk(TextCodec::encodeGbk(name)), name);
    EXPECT_EQ(TextCodec::decode(TextCodec::encodeGbk(name)), name);
    EXPECT_TRUE(TextCodec::fitsGbk(QStringLiteral("深股通专用")));
    EXPECT_FALSE(TextCodec::fitsGbk(name));
}

TEST(TextCodec, SplitsLinesLikeAMemo) {
    EXPECT_EQ(TextCodec::splitLines(QStringLiteral("a\r\nb\nc\rd")), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(TextCodec::splitLines(QStringLiteral("a\r\n\r\nb\r\n")), (QStringList{"a", "", "b"}));
    EXPECT_TRUE(TextCodec::splitLines(QString()).isEmpty());
    EXPECT_EQ(TextCodec::splitLines(QStringLiteral("\n")), QStringList{QString()});
}

TEST(TextCodec, TrimmingCutsCharactersUpToU0020Only) {
    const struct {
        QString text;
        QString trimmed;
    } cases[] = {
        {QStringLiteral(" \t机构专用\r\n"), QStringLiteral("机构专用")},
        {QStringLiteral("\x01\x1F"
                        "600610\x7F"),
         QStringLiteral("600610\x7F")},  // other controls too
        {QStringLiteral("\u3000万科Ａ\u3000"),
         QStringLiteral("\u3000万科Ａ\u3000")},                                  // full-width spaces stay
        {QStringLiteral("\u00A0a b\u00A0"), QStringLiteral("\u00A0a b\u00A0")},  // no-break spaces stay
        {QStringLiteral(" \x02 "), QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(trimBlanks(c.text), c.trimmed) << c.text.toStdString();
}

#include "follow/FollowedList.h"

#include "app/TextCodec.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QStringEncoder>

namespace quarrow::test {
namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray encoded(QStringConverter::Encoding encoding, const QString& text) {
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

TEST(FollowedListTest, AnOddFileGivesItsNamesAndLeavesOutWhatIsNoName) {
    const QString names = QStringLiteral(
        "机构专用\r\n\r\n  中信证券上海溧阳路  \n \t \n中信证券 上海溧阳路\r华鑫证券上海分公司");
    const QStringList expected{QStringLiteral("机构专用"), QStringLiteral("中信证券上海溧阳路"),
                               QStringLiteral("华鑫证券上海分公司")};
    struct Case {
        const char* what;
        QByteArray bytes;
        QStringList names;
        int skipped;
    };
    const Case cases[] = {
        {"GBK", TextCodec::encodeGbk(names), expected, 0},
        {"UTF-8", names.toUtf8(), expected, 0},
        {"UTF-8 with BOM", encoded(QStringConverter::Utf8, names), expected, 0},
        {"UTF-16 LE with BOM", encoded(QStringConverter::Utf16LE, names), expected, 0},
        {"UTF-16 BE with BOM", encoded(QStringConverter::Utf16BE, names), expected, 0},
        {"blank lines only", QByteArray("\r\n \r\n\t\n"), {}, 0},
        {"empty", QByteArray(), {}, 0},
        {"a name of 10,000 characters",
         TextCodec::encodeGbk(QStringLiteral("机构专用\r\n") + QString(10000, QChar(0x8BC1)) +
                              QStringLiteral("\r\n华鑫证券上海分公司\r\n")),
         {QStringLiteral("机构专用"), QStringLiteral("华鑫证券上海分公司")},
         1},
        {"control characters inside a name",
         QByteArray("\xbb\xfa\xb9\xb9"
                    "\x01"
                    "\xd7\xa8\xd3\xc3\r\n\xbb\xfa\xb9\xb9\xd7\xa8\xd3\xc3\r\n"),
         {QStringLiteral("机构专用")},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        const QString path = home.file(followedListFileName());
        writeBytes(path, c.bytes);
        FollowedList list(path);
        ASSERT_TRUE(list.load());
        EXPECT_EQ(list.names(), c.names);
        EXPECT_EQ(list.skippedLines(), c.skipped);
    }
}

TEST(FollowedListTest, ChangesRewriteTheWholeFileOrLeaveItAsItWas) {
    TempHome home;
    const QString path = home.file(followedListFileName());
    FollowedList list(path);
    ASSERT_TRUE(list.load()) << "a missing file is an empty list";
    EXPECT_TRUE(list.names().isEmpty());

    struct Step {
        bool add;
        QString name;
        FollowedList::Change change;
        QStringList after;
    };
    const QString jia = QStringLiteral("甲营业部");
    const QString yi = QStringLiteral("乙营业部");
    const Step steps[] = {
        {true, QStringLiteral(" 甲营业部\t"), FollowedList::Change::Done, {jia}},
        {true, yi, FollowedList::Change::Done, {jia, yi}},
        {true, QStringLiteral("甲 营业部"), FollowedList::Change::Unchanged, {jia, yi}},
        {true, QString(101, QChar(0x7532)), FollowedList::Change::NotAName, {jia, yi}},
        {true, QStringLiteral("甲\n乙"), FollowedList::Change::NotAName, {jia, yi}},
        {false, QStringLiteral("丙营业部"), FollowedList::Change::Unchanged, {jia, yi}},
        {false, QStringLiteral("甲营业部 "), FollowedList::Change::Done, {yi}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name.toStdString());
        EXPECT_EQ(step.add ? list.add(step.name) : list.remove(step.name), step.change);
        EXPECT_EQ(list.names(), step.after);
        FollowedList reread(path);
        ASSERT_TRUE(reread.load());
        EXPECT_EQ(reread.names(), step.after);
    }

    // A list whose file cannot be written stays what the file holds.
    FollowedList unwritable(home.file(QStringLiteral("missing/") + followedListFileName()));
    QString error;
    EXPECT_EQ(unwritable.add(jia, &error), FollowedList::Change::SaveFailed);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(unwritable.names().isEmpty());
}

}  // namespace
}  // namespace quarrow::test

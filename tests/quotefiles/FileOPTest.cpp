#include "quotefiles/FileOP.h"

#include "QuoteTestFiles.h"
#include "support/TestSupport.h"

#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

QByteArray records(int count, int size = 4) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += QByteArray(size, static_cast<char>('a' + i));
    return bytes;
}

}  // namespace

TEST(TFileOP, AMissingFileInReadModeIsClosedWithoutAnError) {
    TempHome home;
    TFileOP file(home.file(QStringLiteral("none.day")), 32, 'r');
    char buffer[32];
    EXPECT_FALSE(file.Opend());
    EXPECT_EQ(file.RecordCount(), 0);
    EXPECT_TRUE(file.AtEnd());
    EXPECT_EQ(file.ReadRecord(buffer), 0);
    EXPECT_EQ(file.SeekTo(3), 0);
    EXPECT_EQ(file.SkipTo(3), 0);
    EXPECT_EQ(file.SeekToEnd(), 0);
    EXPECT_EQ(file.WriteRecord(buffer), 0);
    EXPECT_FALSE(QFileInfo::exists(home.file(QStringLiteral("none.day"))));
}

TEST(TFileOP, ReadsRecordsInOrderAndStopsAtTheEnd) {
    TempHome home;
    writeBytes(home.file(QStringLiteral("r.bin")), records(3));
    TFileOP file(home.file(QStringLiteral("r.bin")), 4, 'r');
    ASSERT_TRUE(file.Opend());
    EXPECT_EQ(file.RecordCount(), 3);
    EXPECT_EQ(file.ReadWrite(), 'r');
    char buffer[4];
    QByteArray seen;
    while (!file.AtEnd()) {
        ASSERT_EQ(file.ReadRecord(buffer), 1);
        seen += buffer[0];
    }
    EXPECT_EQ(seen, QByteArray("abc"));
    EXPECT_EQ(file.RecordIDX(), 3);
    EXPECT_EQ(file.ReadRecord(buffer), 0);
    EXPECT_EQ(file.RecordIDX(), 4);  // moves on also when nothing was read
}

TEST(TFileOP, SeekAndSkipAreClampedToTheFile) {
    TempHome home;
    writeBytes(home.file(QStringLiteral("r.bin")), records(5));
    TFileOP file(home.file(QStringLiteral("r.bin")), 4, 'r');
    char buffer[4];

    EXPECT_EQ(file.SeekTo(-7), 0);
    ASSERT_EQ(file.ReadRecord(buffer), 1);
    EXPECT_EQ(buffer[0], 'a');

    EXPECT_EQ(file.SeekTo(99), 5);  // the end position is allowed
    EXPECT_TRUE(file.AtEnd());
    EXPECT_EQ(file.ReadRecord(buffer), 0);

    file.SeekTo(2);
    EXPECT_EQ(file.SkipTo(100), 4);  // never past the last record
    ASSERT_EQ(file.ReadRecord(buffer), 1);
    EXPECT_EQ(buffer[0], 'e');
    EXPECT_EQ(file.SkipTo(-100), 0);
    EXPECT_EQ(file.SkipTo(std::numeric_limits<qint64>::max()), 4);
    EXPECT_EQ(file.SkipTo(std::numeric_limits<qint64>::min() + 1), 0);

    file.SeekToLast();
    EXPECT_EQ(file.RecordIDX(), 4);
    EXPECT_EQ(file.SeekToEnd(), 5);
    file.SeekToFirst();
    EXPECT_EQ(file.RecordIDX(), 0);
}

TEST(TFileOP, AnEmptyFileOpensAtItsEndAndSurvivesSeekToLast) {
    for (const char mode : {'r', 'a'}) {
        TempHome home;
        writeBytes(home.file(QStringLiteral("empty.day")), QByteArray());
        TFileOP file(home.file(QStringLiteral("empty.day")), 32, mode);
        ASSERT_TRUE(file.Opend());
        EXPECT_EQ(file.RecordCount(), 0);
        EXPECT_TRUE(file.AtEnd());
        file.SeekToLast();
        EXPECT_EQ(file.RecordIDX(), 0);
        EXPECT_EQ(file.SkipTo(1), 0);
        char buffer[32];
        EXPECT_EQ(file.ReadRecord(buffer), 0);
    }
}

TEST(TFileOP, APartialLastRecordIsNeitherCountedNorRead) {
    TFileOP file(dataPath(QStringLiteral("quotefiles/truncated.day")), DailyBar::kSize, 'r');
    ASSERT_TRUE(file.Opend());
    EXPECT_EQ(file.RecordCount(), 3);
    file.SeekToLast();
    DailyBar bar;
    ASSERT_TRUE(readDailyBar(file, bar));
    EXPECT_EQ(bar.Date, 20170316);
    EXPECT_TRUE(file.AtEnd());  // the 17 bytes left are no record

    char buffer[DailyBar::kSize];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(file.ReadRecord(buffer), 0);
    EXPECT_EQ(buffer[0], 'x');  // the caller's buffer keeps no half record
    EXPECT_EQ(file.SeekTo(10), 3);
}

TEST(TFileOP, ReadModeKeepsItsCountAndLetsTheOwnerAppend) {
    TempHome home;
    const QString path = home.file(QStringLiteral("sh600000.day"));
    writeBytes(path, records(2));
    TFileOP reader(path, 4, 'r');
    ASSERT_TRUE(reader.Opend());

    // The quote program appends while we hold the file open.
    QFile owner(path);
    ASSERT_TRUE(owner.open(QIODevice::Append));
    ASSERT_EQ(owner.write(records(1)), 4);
    owner.close();

    EXPECT_EQ(reader.RecordCount(), 2);
    reader.SeekTo(2);
    char buffer[4];
    EXPECT_EQ(reader.ReadRecord(buffer), 1);  // the new record is there for a seek beyond the count
}

TEST(TFileOP, WritableModesCreateWriteAppendAndClear) {
    TempHome home;
    const QString path = home.file(QStringLiteral("w.bin"));
    {
        TFileOP file(path, 4, 'w');
        ASSERT_TRUE(file.Opend());
        EXPECT_EQ(file.RecordCount(), 0);
        EXPECT_EQ(file.WriteRecord("abcd"), 1);
        file.AppendRecord("efgh");
        EXPECT_EQ(file.Records(), 2);
        EXPECT_EQ(file.RecordCount(), 2);
        char buffer[4];
        EXPECT_THROW(file.ReadRecord(buffer), RecordFileError);  // write-only
    }
    {
        TFileOP file(path, 4, 'a');  // an existing file is kept, not emptied
        EXPECT_EQ(file.RecordCount(), 2);
        file.SeekTo(1);
        file.WriteRecord("EFGH");
        file.SeekTo(0);
        char buffer[4];
        ASSERT_EQ(file.ReadRecord(buffer), 1);
        EXPECT_EQ(QByteArray(buffer, 4), QByteArray("abcd"));
        ASSERT_EQ(file.ReadRecord(buffer), 1);
        EXPECT_EQ(QByteArray(buffer, 4), QByteArray("EFGH"));

        file.Clear();
        EXPECT_EQ(file.RecordIDX(), 0);
        EXPECT_EQ(file.Records(), 2);  // until the count is read again
        EXPECT_EQ(file.RecordCount(), 0);
        file.Close();
        EXPECT_FALSE(file.Opend());
    }
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

TEST(TFileOP, FailuresOfTheFileSystemEndTheCommandWithTheirReason) {
    TempHome home;
    const QString folder = home.file(QStringLiteral("Vipdoc"));
    ASSERT_TRUE(QDir().mkpath(folder));
    try {
        TFileOP file(folder, 32, 'r');
        char buffer[32];
        file.ReadRecord(buffer);
        FAIL() << "a folder read as a record file must fail";
    } catch (const RecordFileError& error) {
        EXPECT_TRUE(error.message().contains(folder)) << error.message().toStdString();
    }
    EXPECT_THROW(TFileOP(home.file(QStringLiteral("missing/x.day")), 32, 'a'), RecordFileError);
    EXPECT_THROW(TFileOP(home.file(QStringLiteral("x.day")), 32, 'x'), RecordFileError);
    EXPECT_THROW(TFileOP(home.file(QStringLiteral("x.day")), 0, 'r'), RecordFileError);
}

#include "app/FileLock.h"
#include "app/ProgramFolder.h"
#include "app/Settings.h"
#include "app/TextCodec.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

using namespace quarrow;
using namespace quarrow::test;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray utf16le(const QString& text) {
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return QByteArray("\xFF\xFE") + QByteArray(encoder.encode(text));
}

// What the users' Windows installations wrote: GBK text with Windows line ends.
const QString kUserFile = QStringLiteral(
    "[Folder]\r\nhualin=D:\\hlzq\\\r\ndongfang=E:\\dfzq\\\r\ncurrent=DONGFANG\r\nRAR=C:\\Program "
    "Files\\WinRAR\\\r\n"
    "[QQ]\r\nQQName=股市老王\r\n; 手工注释\r\n[Last]\r\nRunDate=2017-03-15\r\nCode=600610\r\nIndex=120\r\n");

class SettingsFileTest : public ::testing::Test {
protected:
    TempHome home;
    VirtualClock clock{QDateTime(QDate(2017, 3, 16), QTime(9, 41, 5))};
    ProgramFolder folder{home.path()};
    Settings settings{folder, clock};
};

}  // namespace

TEST_F(SettingsFileTest, MissingFileGivesEveryDefaultAndIsCreatedByTheFirstWrite) {
    EXPECT_FALSE(settings.exists());
    EXPECT_EQ(settings.hualinFolder(), QStringLiteral("D:\\jcb_hlzq\\"));
    EXPECT_EQ(settings.dongfangFolder(), QStringLiteral("D:\\jcb_dfzq\\"));
    EXPECT_TRUE(settings.hualinSelected());
    EXPECT_EQ(settings.QuoteFolder(), QStringLiteral("D:\\jcb_hlzq\\"));
    EXPECT_EQ(settings.rarFolder(), QString());
    EXPECT_EQ(settings.dbCopyFolder(), QDir::toNativeSeparators(home.path()) + QDir::separator());
    EXPECT_EQ(settings.qqName(), QStringLiteral("(输入QQ昵称)"));
    EXPECT_EQ(settings.autoStartTime(), QTime(9, 41, 5));  // the time of day at start-up
    EXPECT_FALSE(settings.autoStartEnabled());
    EXPECT_EQ(settings.lastStockDate(), QDate(1899, 12, 31));
    EXPECT_EQ(settings.lastRunDate(), QDate(1899, 12, 31));
    EXPECT_EQ(settings.lastCode(), QString());
    EXPECT_EQ(settings.lastIndex(), 0);
    EXPECT_EQ(settings.readInteger(QStringLiteral("Holiday"), QStringLiteral("MMDD1"), 0), 0);
    EXPECT_FALSE(settings.exists()) << "reading never creates the file";

    ASSERT_TRUE(settings.writeText(QStringLiteral("QQ"), QStringLiteral("QQName"), QStringLiteral("老王")));
    EXPECT_TRUE(settings.exists());
    EXPECT_EQ(settings.file().encoding(), SettingsEncoding::Utf8Bom);
    EXPECT_EQ(readBytes(settings.fileName()),
              QByteArray("\xEF\xBB\xBF[QQ]\r\nQQName=") + QStringLiteral("老王").toUtf8() + "\r\n");
    EXPECT_EQ(settings.qqName(), QStringLiteral("老王"));
}

TEST_F(SettingsFileTest, SectionAndKeyNamesMatchWithoutRegardToCase) {
    writeBytes(settings.fileName(), "[FOLDER]\r\nHuaLin=X:\\a\\\r\n[last]\r\nINDEX=7\r\n");
    EXPECT_EQ(settings.hualinFolder(), QStringLiteral("X:\\a\\"));
    EXPECT_EQ(settings.lastIndex(), 7);

    ASSERT_TRUE(
        settings.writeText(QStringLiteral("Folder"), QStringLiteral("hualin"), QStringLiteral("Y:\\b\\")));
    ASSERT_TRUE(settings.writeInteger(QStringLiteral("Last"), QStringLiteral("Index"), 8));
    // The value changes where it stands, under the file's own spelling; nothing is added.
    EXPECT_EQ(readBytes(settings.fileName()),
              QByteArray("[FOLDER]\r\nHuaLin=Y:\\b\\\r\n[last]\r\nINDEX=8\r\n"));
}

TEST_F(SettingsFileTest, OnlyTheExactUpperCaseSelectionChoosesHualin) {
    writeBytes(settings.fileName(), "[Folder]\r\nhualin=H:\\\r\ndongfang=D:\\\r\ncurrent=hualin\r\n");
    EXPECT_FALSE(settings.hualinSelected());
    EXPECT_EQ(settings.QuoteFolder(), QStringLiteral("D:\\"));
    writeBytes(settings.fileName(), "[Folder]\r\nhualin=H:\\\r\ndongfang=D:\\\r\ncurrent=HUALIN\r\n");
    EXPECT_EQ(settings.QuoteFolder(), QStringLiteral("H:\\"));
}

TEST_F(SettingsFileTest, GbkFileIsReadAndKeepsItsEncodingAndCommentsWhenWritten) {
    writeBytes(settings.fileName(), TextCodec::encodeGbk(kUserFile));
    EXPECT_EQ(settings.qqName(), QStringLiteral("股市老王"));
    EXPECT_EQ(settings.QuoteFolder(), QStringLiteral("E:\\dfzq\\"));
    EXPECT_EQ(settings.lastRunDate(), QDate(2017, 3, 15));

    ASSERT_TRUE(settings.writeLastStock(QStringLiteral("600611"), 121));
    const QByteArray bytes = readBytes(settings.fileName());
    EXPECT_EQ(SettingsFile::detectEncoding(bytes), SettingsEncoding::Gbk);
    QString expected = kUserFile;
    expected.replace(QStringLiteral("Code=600610\r\nIndex=120"), QStringLiteral("Code=600611\r\nIndex=121"));
    EXPECT_EQ(TextCodec::decodeGbk(bytes), expected);
}

TEST_F(SettingsFileTest, ShortGbkFileThatIsAlsoValidUtf8IsReadAsGbk) {
    // The GBK bytes of "水" (CB AE) are valid UTF-8 as well, for "ˮ".
    writeBytes(settings.fileName(), TextCodec::encodeGbk(QStringLiteral("[Folder]\r\nhualin=D:\\水\\\r\n")));
    EXPECT_EQ(settings.hualinFolder(), QStringLiteral("D:\\水\\"));
    // A full-width space at the end of a value is part of it: only characters up to
    // U+0020 are trimmed.
    ASSERT_TRUE(
        settings.writeText(QStringLiteral("QQ"), QStringLiteral("QQName"), QStringLiteral("老王\u3000")));
    EXPECT_EQ(SettingsFile::detectEncoding(readBytes(settings.fileName())), SettingsEncoding::Gbk);
    EXPECT_EQ(settings.qqName(), QStringLiteral("老王\u3000"));
    EXPECT_EQ(settings.hualinFolder(), QStringLiteral("D:\\水\\"));
}

TEST_F(SettingsFileTest, Utf16FileWithMarkIsReadAndStaysUtf16) {
    writeBytes(settings.fileName(), utf16le(kUserFile));
    EXPECT_EQ(settings.qqName(), QStringLiteral("股市老王"));
    ASSERT_TRUE(settings.writeText(QStringLiteral("QQ"), QStringLiteral("QQName"), QStringLiteral("新昵称")));
    const QByteArray bytes = readBytes(settings.fileName());
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_EQ(settings.qqName(), QStringLiteral("新昵称"));
    EXPECT_EQ(settings.lastCode(), QStringLiteral("600610"));
}

TEST_F(SettingsFileTest, Utf8FileWithoutMarkStaysUtf8) {
    writeBytes(settings.fileName(), kUserFile.toUtf8());
    EXPECT_EQ(settings.qqName(), QStringLiteral("股市老王"));
    ASSERT_TRUE(settings.writeBool(QStringLiteral("AutoStart"), QStringLiteral("Start"), true));
    const QByteArray bytes = readBytes(settings.fileName());
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.contains(QStringLiteral("QQName=股市老王").toUtf8()));
    EXPECT_TRUE(settings.autoStartEnabled());
}

TEST_F(SettingsFileTest, TextGbkCannotHoldTurnsTheFileIntoUtf16InsteadOfLosingIt) {
    writeBytes(settings.fileName(), TextCodec::encodeGbk(kUserFile));
    const QString nickname = QStringLiteral("老王\U0001F600");
    ASSERT_TRUE(settings.writeText(QStringLiteral("QQ"), QStringLiteral("QQName"), nickname));
    EXPECT_TRUE(readBytes(settings.fileName()).startsWith("\xFF\xFE"));
    EXPECT_EQ(settings.qqName(), nickname);
    EXPECT_EQ(settings.hualinFolder(), QStringLiteral("D:\\hlzq\\"));
}

TEST_F(SettingsFileTest, ValuesThatDoNotParseGiveTheirDefaults) {
    writeBytes(settings.fileName(),
               "[Last]\r\nIndex=12abc\r\nRunDate=2017-13-45\r\nStockDate=yesterday\r\n"
               "[AutoStart]\r\nTime=25:99\r\nStart=yes\r\n");
    EXPECT_EQ(settings.lastIndex(), 0);
    EXPECT_EQ(settings.lastRunDate(), QDate(1899, 12, 31));
    EXPECT_EQ(settings.lastStockDate(), QDate(1899, 12, 31));
    EXPECT_EQ(settings.autoStartTime(), QTime(9, 41, 5));
    EXPECT_FALSE(settings.autoStartEnabled());

    writeBytes(settings.fileName(),
               "[Last]\r\nIndex= 42 \r\nRunDate=2017-3-6\r\n[AutoStart]\r\nTime=8:05\r\nStart=1\r\n");
    EXPECT_EQ(settings.lastIndex(), 42);
    EXPECT_EQ(settings.lastRunDate(), QDate(2017, 3, 6));
    EXPECT_EQ(settings.autoStartTime(), QTime(8, 5));
    EXPECT_TRUE(settings.autoStartEnabled());
}

TEST_F(SettingsFileTest, AnEditMadeOutsideBetweenTwoOperationsIsSeen) {
    ASSERT_TRUE(settings.writeLastStock(QStringLiteral("000001"), 1));
    writeBytes(settings.fileName(), "[Last]\r\nCode=300001\r\nIndex=3\r\n");
    EXPECT_EQ(settings.lastCode(), QStringLiteral("300001"));
    ASSERT_TRUE(settings.writeDate(QStringLiteral("Last"), QStringLiteral("StockDate"), QDate(2017, 3, 16)));
    EXPECT_EQ(settings.lastCode(), QStringLiteral("300001")) << "a write starts from the file as it is now";
    EXPECT_EQ(settings.lastIndex(), 3);
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
    // A folder where the file should be: it can neither be read nor replaced.
    Settings blocked(home.file(QStringLiteral("blocked.INI")), home.path(), clock);
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("blocked.INI")));
    EXPECT_FALSE(blocked.writeText(QStringLiteral("Last"), QStringLiteral("Code"), QStringLiteral("600000")));
    EXPECT_FALSE(blocked.lastError().isEmpty());
    EXPECT_TRUE(QFileInfo(home.file(QStringLiteral("blocked.INI"))).isDir());

    // A write into a folder that is gone fails and says so.
    Settings nowhere(home.file(QStringLiteral("gone/quarrow.INI")), home.path(), clock);
    EXPECT_FALSE(nowhere.writeText(QStringLiteral("Last"), QStringLiteral("Code"), QStringLiteral("600000")));
    EXPECT_FALSE(nowhere.lastError().isEmpty());
}

TEST_F(SettingsFileTest, AWriteLeavesNoTemporaryFileBehind) {
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(settings.writeLastStock(QStringLiteral("600000"), i));
    // The lock beside the file is let go, not a temporary file of a write.
    QStringList left = QDir(home.path()).entryList(QDir::Files | QDir::Hidden);
    left.removeAll(FileLock::lockFileName(QStringLiteral("quarrow.INI")));
    EXPECT_EQ(left, QStringList{QStringLiteral("quarrow.INI")});
    EXPECT_EQ(settings.lastIndex(), 19);
}

TEST_F(SettingsFileTest, AFreshRunClearsTheOldResumePointInTheSameWrite) {
    ASSERT_TRUE(settings.writeDate(QStringLiteral("Last"), QStringLiteral("RunDate"), QDate(2017, 3, 15)));
    ASSERT_TRUE(settings.writeLastStock(QStringLiteral("600610"), 120));
    ASSERT_TRUE(settings.startFreshRun(QDate(2017, 3, 16)));
    EXPECT_EQ(settings.lastRunDate(), QDate(2017, 3, 16));
    EXPECT_EQ(settings.lastCode(), QString());
    EXPECT_EQ(settings.lastIndex(), 0);
}

TEST_F(SettingsFileTest, KnownKeysHaveTypesAndNumberedFamilies) {
    EXPECT_EQ(findSettingKey(QStringLiteral("exceptday"), QStringLiteral("mmdd10"))->type,
              SettingType::Integer);
    EXPECT_FALSE(findSettingKey(QStringLiteral("ExceptDay"), QStringLiteral("MMDD11")).has_value());
    EXPECT_TRUE(findSettingKey(QStringLiteral("Holiday"), QStringLiteral("MMDD25")).has_value());
    EXPECT_FALSE(findSettingKey(QStringLiteral("Holiday"), QStringLiteral("MMDD0")).has_value());
    EXPECT_EQ(findSettingKey(QStringLiteral("last"), QStringLiteral("rundate"))->type, SettingType::Date);
    EXPECT_FALSE(findSettingKey(QStringLiteral("Last"), QStringLiteral("Nothing")).has_value());
    EXPECT_TRUE(Settings::isValid(SettingType::Time, QStringLiteral("20:00:00")));
    EXPECT_FALSE(Settings::isValid(SettingType::Date, QStringLiteral("2017-02-30")));
    EXPECT_EQ(settings.effectiveText(QStringLiteral("Last"), QStringLiteral("RunDate")),
              QStringLiteral("1899-12-31"));
}

TEST_F(SettingsFileTest, TheDatabaseSectionNamesAnAccessFileBesideTheProgramOrAnOdbcSource) {
    EXPECT_EQ(settings.accessFile(), QString());
    ASSERT_TRUE(settings.writeText(QStringLiteral("Database"), QStringLiteral("Access"),
                                   QStringLiteral("Quarrow.mdb")));
    EXPECT_EQ(settings.accessFile(), QDir::cleanPath(home.file(QStringLiteral("Quarrow.mdb"))));
    ASSERT_TRUE(settings.writeText(QStringLiteral("Database"), QStringLiteral("ODBC"),
                                   QStringLiteral("DSN=Quarrow")));
    EXPECT_EQ(settings.odbcSource(), QStringLiteral("DSN=Quarrow"));
}

// The window and a scheduled quarrow-cli write the one file: a write waits for another
// program's, a bounded time, then gives up saying so and changes nothing; a lock left
// behind by a program that died is taken over.
TEST_F(SettingsFileTest, AWriteWaitsForAnotherProgramsAndGivesUpSayingSo) {
    ASSERT_TRUE(settings.writeLastStock(QStringLiteral("000001"), 1));
    const QString lockName = FileLock::lockFileName(settings.fileName());
    {
        FileLock other(settings.fileName(), 0);
        QString error;
        ASSERT_TRUE(other.acquire(&error)) << error.toStdString();
        settings.file().setLockWait(200);
        EXPECT_FALSE(settings.writeLastStock(QStringLiteral("600000"), 2));
        EXPECT_TRUE(settings.lastError().contains(QStringLiteral("another program")))
            << settings.lastError().toStdString();
        EXPECT_EQ(settings.lastCode(), QStringLiteral("000001"));
    }
    EXPECT_TRUE(settings.writeLastStock(QStringLiteral("600000"), 2)) << "free again";

    // What a killed program leaves: its lock file, naming a process of this machine that is
    // gone. (No host name stands for this machine: Windows' lock names the computer by its
    // NetBIOS name, which is not the host name Qt tells.)
    writeBytes(lockName, "2147480000\nquarrow-cli\n\n");
    EXPECT_TRUE(settings.writeLastStock(QStringLiteral("600001"), 3)) << settings.lastError().toStdString();
    EXPECT_EQ(settings.lastCode(), QStringLiteral("600001"));
}

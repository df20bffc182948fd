#include "app/ProgramFolder.h"
#include "app/Settings.h"
#include "app/SystemSetup.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QChar kBackspace(0x08);
const QChar kEnter(0x0D);

// An archiver the system records in one folder; counts how often it is asked.
class RecordedArchiver final : public Archiver {
public:
    explicit RecordedArchiver(QString folder) : m_folder(std::move(folder)) {}
    QString installedFolder() const override {
        ++lookups;
        return m_folder;
    }
    QString packerName() const override { return QStringLiteral("RAR.exe"); }
    QString viewerName() const override { return QStringLiteral("WinRAR.exe"); }
    mutable int lookups = 0;

private:
    QString m_folder;
};

class SystemSetupTest : public ::testing::Test {
protected:
    SystemSetup makeSetup(const Archiver& archiver) { return SystemSetup(settings, frame, clock, archiver); }
    SystemSetup makeSetup() { return makeSetup(unrecorded); }
    QString folderWithSeparator(const QString& name) {
        QDir(home.path()).mkpath(name);
        return QDir::toNativeSeparators(home.file(name)) + QDir::separator();
    }

    TempHome home;
    VirtualClock clock{QDateTime(QDate(2017, 3, 16), QTime(14, 0))};
    ProgramFolder folder{home.path()};
    Settings settings{folder, clock};
    RecordingFrame frame{home.path()};
    PortableArchiver unrecorded;
};

}  // namespace

TEST_F(SystemSetupTest, StartUpWithoutAFileUsesDefaultsAndNotesTheFirstRun) {
    SystemSetup setup = makeSetup();
    EXPECT_DOUBLE_EQ(setup.AutoStartTime(), 20.0 / 24.0);  // until the file is read
    setup.load();
    EXPECT_FALSE(setup.settingsFileExisted());
    EXPECT_EQ(setup.quoteProgram(), QuoteProgram::Hualin);
    EXPECT_EQ(setup.QuoteFolder(), QStringLiteral("D:\\jcb_hlzq\\"));
    EXPECT_EQ(setup.StockWindow(), QStringLiteral("华林证券网上交易"));
    EXPECT_EQ(setup.StockApp(), QStringLiteral("TdxW.exe"));
    EXPECT_DOUBLE_EQ(setup.AutoStartTime(), 14.0 / 24.0);
    EXPECT_FALSE(settings.exists()) << "loading writes nothing when there is nothing to seed";
}

TEST_F(SystemSetupTest, TheArchiverFolderIsSeededOnlyWhenEmpty) {
    const RecordedArchiver installed(QStringLiteral("C:\\Program Files\\WinRAR"));
    SystemSetup seeded = makeSetup(installed);
    seeded.load();
    EXPECT_EQ(settings.rarFolder(), QStringLiteral("C:\\Program Files\\WinRAR\\"));
    EXPECT_EQ(seeded.folderEdit(FolderKind::Rar).text, QStringLiteral("C:\\Program Files\\WinRAR\\"));

    const RecordedArchiver moved(QStringLiteral("E:\\Other"));
    SystemSetup again = makeSetup(moved);
    again.load();
    EXPECT_EQ(installed.lookups, 1);
    EXPECT_EQ(moved.lookups, 0) << "a folder in the settings is not looked up again";
    EXPECT_EQ(settings.rarFolder(), QStringLiteral("C:\\Program Files\\WinRAR\\"));
}

TEST_F(SystemSetupTest, ClearingTheFolderWithBackspaceAndEnterStoresTheRootOnce) {
    const QString quote = folderWithSeparator(QStringLiteral("hlzq"));
    ASSERT_TRUE(settings.writeText(QStringLiteral("Folder"), QStringLiteral("hualin"), quote));
    SystemSetup setup = makeSetup();
    setup.load();
    for (qsizetype left = quote.size() - 1; left >= 0; --left)
        setup.keyTyped(FolderKind::Hualin, kBackspace, quote.left(left));
    setup.keyTyped(FolderKind::Hualin, kEnter, QString());
    const QString root = QString(QDir::separator());
    EXPECT_EQ(settings.hualinFolder(), root);
    EXPECT_EQ(setup.folderEdit(FolderKind::Hualin).text, root);
    EXPECT_EQ(setup.QuoteFolder(), root) << "the selected program's folder follows at once";
    // Stored, and the user told that the quote program is not in it.
    ASSERT_EQ(frame.messages.size(), 1);
    EXPECT_TRUE(frame.messages.first().text.contains(QStringLiteral("没有找到行情分析软件TdxW.exe")));

    // A second Enter right after finds the edit unchanged and writes nothing.
    ASSERT_TRUE(
        settings.writeText(QStringLiteral("Folder"), QStringLiteral("hualin"), QStringLiteral("elsewhere")));
    setup.keyTyped(FolderKind::Hualin, kEnter, root);
    EXPECT_EQ(settings.hualinFolder(), QStringLiteral("elsewhere"));
}

TEST_F(SystemSetupTest, LeavingAnEditWithoutTypingWritesNothing) {
    SystemSetup setup = makeSetup();
    setup.load();
    // A context-menu paste of a valid folder does not count as typing.
    setup.textChangedWithoutKey(FolderKind::Dongfang, folderWithSeparator(QStringLiteral("dfzq")));
    EXPECT_FALSE(setup.commitFolder(FolderKind::Dongfang));
    setup.leave(FolderKind::Dongfang);
    EXPECT_FALSE(settings.exists());
}

TEST_F(SystemSetupTest, AMissingFolderIsNeverWrittenAndShowsItsHelpPicture) {
    SystemSetup setup = makeSetup();
    setup.load();
    const QString missing = home.file(QStringLiteral("no-such-folder"));
    setup.keyTyped(FolderKind::Rar, QLatin1Char('r'), missing);
    setup.leave(FolderKind::Rar);
    EXPECT_FALSE(settings.exists());
    ASSERT_EQ(frame.messages.size(), 1);
    EXPECT_EQ(frame.messages[0].text, QStringLiteral("未找到WinRAR软件安装文件夹!"));
    EXPECT_EQ(frame.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(setup.folderEdit(FolderKind::Rar).text, missing + QDir::separator())
        << "the edit keeps the text";

    setup.keyTyped(FolderKind::Dongfang, QLatin1Char('x'), missing);
    setup.keyTyped(FolderKind::Dongfang, kEnter, missing);
    ASSERT_EQ(frame.messages.size(), 2);
    EXPECT_EQ(frame.messages[1].text, QStringLiteral("未找到东方证券行情分析软件安装文件夹!"));

    // With the picture in the program folder, the box shows it and says to follow it.
    QFile picture(home.file(QStringLiteral("华林行情分析系统.jpg")));
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.close();
    setup.keyTyped(FolderKind::Hualin, QLatin1Char('x'), missing);
    setup.leave(FolderKind::Hualin);
    ASSERT_EQ(frame.messages.size(), 3);
    EXPECT_EQ(frame.messages[2].text,
              QStringLiteral("未找到华林证券行情分析软件安装文件夹\r请按图示操作步骤打开窗口"));
    EXPECT_EQ(frame.messages[2].picturePath, home.file(QStringLiteral("华林行情分析系统.jpg")));
}

TEST_F(SystemSetupTest, ChoosingTheOtherQuoteProgramSwitchesEverythingAtOnce) {
    const QString dongfang = folderWithSeparator(QStringLiteral("dfzq"));
    ASSERT_TRUE(settings.writeText(QStringLiteral("Folder"), QStringLiteral("dongfang"), dongfang));
    SystemSetup setup = makeSetup();
    setup.load();
    EXPECT_FALSE(setup.chooseQuoteProgram(QuoteProgram::Hualin)) << "already selected: nothing happens";
    EXPECT_TRUE(setup.chooseQuoteProgram(QuoteProgram::Dongfang));
    EXPECT_EQ(settings.current(), QStringLiteral("DONGFANG"));
    EXPECT_EQ(setup.QuoteFolder(), dongfang);
    EXPECT_EQ(setup.StockWindow(), QStringLiteral("东方通达信"));
    EXPECT_EQ(setup.StockApp(), QStringLiteral("TdxW.exe"));

    // A committed Hualin folder does not touch the quote folder while Dongfang is selected.
    const QString hualin = folderWithSeparator(QStringLiteral("hlzq"));
    setup.keyTyped(FolderKind::Hualin, QLatin1Char('q'), hualin);
    EXPECT_TRUE(setup.commitFolder(FolderKind::Hualin));
    EXPECT_EQ(settings.hualinFolder(), hualin);
    EXPECT_EQ(setup.QuoteFolder(), dongfang);

    EXPECT_TRUE(setup.chooseQuoteProgram(QuoteProgram::Hualin));
    EXPECT_EQ(settings.current(), QStringLiteral("HUALIN"));
    EXPECT_EQ(setup.QuoteFolder(), hualin);
    EXPECT_EQ(setup.StockWindow(), QStringLiteral("华林证券网上交易"));
}

TEST_F(SystemSetupTest, TheAutoStartPickerIsKeptWithItsCheckBox) {
    SystemSetup setup = makeSetup();
    setup.load();
    setup.autoStartChanged(QTime(18, 30), true);
    EXPECT_EQ(settings.autoStartTime(), QTime(18, 30));
    EXPECT_TRUE(settings.autoStartEnabled());
    EXPECT_DOUBLE_EQ(setup.AutoStartTime(), 18.5 / 24.0);

    SystemSetup reloaded = makeSetup();
    reloaded.load();
    EXPECT_TRUE(reloaded.settingsFileExisted());
    EXPECT_EQ(reloaded.autoStartPickerTime(), QTime(18, 30));
    EXPECT_TRUE(reloaded.autoStartEnabled());
}

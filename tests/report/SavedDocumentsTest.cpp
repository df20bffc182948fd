#include "platform/Archiver.h"
#include "report/ReportDocuments.h"
#include "report/SavedDocuments.h"
#include "support/FakeLauncher.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

class SavedDocumentsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("600610")));
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("rar")));
        const QString folder = home.file(QStringLiteral("600610"));
        for (const QString& day :
             {QStringLiteral("2017-03-16"), QStringLiteral("2016-11-02"), QStringLiteral("2017-01-05")}) {
            QString error;
            ASSERT_TRUE(ReportDocuments::writeDocument(
                QDir(folder).filePath(ReportDocuments::documentName(QStringLiteral("600610"), day)),
                {QStringLiteral("☆龙虎榜单☆ 600610 ") + day, QStringLiteral("第二行")}, &error));
        }
        QFile archive(QDir(folder).filePath(QStringLiteral("600610.rar")));
        ASSERT_TRUE(archive.open(QIODevice::WriteOnly));
    }

    TempHome home;
    RecordingFrame frame{home.path()};
    FakeLauncher launcher;
    PortableArchiver archiver;
    SavedDocuments documents{ProgramFolder(home.path()), launcher, archiver, frame};
};

}  // namespace

TEST_F(SavedDocumentsTest, BrowsingListsTextsThenArchivesAndOpensTheNewestText) {
    documents.browseStock(QStringLiteral(" 600610 "), home.file(QStringLiteral("rar")));
    EXPECT_EQ(documents.names(),
              (QStringList{QStringLiteral("600610-2016-11-02变动资料.txt"),
                           QStringLiteral("600610-2017-01-05变动资料.txt"),
                           QStringLiteral("600610-2017-03-16变动资料.txt"), QStringLiteral("600610.rar")}));
    EXPECT_EQ(documents.selected(), 2);
    EXPECT_EQ(documents.lines(),
              (QStringList{QStringLiteral("☆龙虎榜单☆ 600610 2017-03-16"), QStringLiteral("第二行")}));
    EXPECT_GE(frame.eventPumps, 4) << "the interface breathes after each listed name";
}

TEST_F(SavedDocumentsTest, AnArchiveOpensInTheArchiverAndLeavesTheMemoAlone) {
    const QString rar = home.file(QStringLiteral("rar"));
    documents.browseStock(QStringLiteral("600610"), rar);
    const QStringList memo = documents.lines();

    auto result = documents.open(3, SavedDocuments::Sender::List, QStringLiteral("600610"), rar);
    EXPECT_TRUE(result.showDocumentPage);
    EXPECT_FALSE(result.archiveShown) << "no archiver installed: nothing happens";
    EXPECT_TRUE(launcher.calls.isEmpty());

    QFile viewer(archiver.viewerPath(rar));
    ASSERT_TRUE(viewer.open(QIODevice::WriteOnly));
    viewer.close();
    result = documents.open(3, SavedDocuments::Sender::List, QStringLiteral("600610"), rar);
    EXPECT_TRUE(result.archiveShown);
    ASSERT_EQ(launcher.calls.size(), 1);
    EXPECT_EQ(launcher.calls[0].program, archiver.viewerPath(rar));
    EXPECT_EQ(launcher.calls[0].arguments,
              QStringList{QDir(home.file(QStringLiteral("600610"))).filePath(QStringLiteral("600610.rar"))});
    EXPECT_EQ(launcher.calls[0].workingFolder, home.file(QStringLiteral("600610")));
    EXPECT_EQ(launcher.calls[0].wait_ms, 15000);
    EXPECT_EQ(launcher.calls[0].whenTimedOut, WhenTimedOut::LeaveRunning);  // the user looks at it
    EXPECT_EQ(documents.lines(), memo);

    result = documents.open(0, SavedDocuments::Sender::List, QStringLiteral("600610"), rar);
    EXPECT_TRUE(result.loaded);
    EXPECT_EQ(documents.lines().first(), QStringLiteral("☆龙虎榜单☆ 600610 2016-11-02"));
}

TEST_F(SavedDocumentsTest, AStockWithoutAFolderOrAVanishedEntryChangesNothing) {
    documents.browseStock(QStringLiteral("600610"), QString());
    const QStringList list = documents.names();
    EXPECT_FALSE(documents.browseStock(QStringLiteral("000001"), QString()));
    EXPECT_EQ(documents.names(), list);

    ASSERT_TRUE(QFile::remove(QDir(home.file(QStringLiteral("600610"))).filePath(list.first())));
    const auto result =
        documents.open(0, SavedDocuments::Sender::Program, QStringLiteral("600610"), QString());
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(documents.lines().first(), QStringLiteral("☆龙虎榜单☆ 600610 2017-03-16"));
    EXPECT_FALSE(documents.open(9, SavedDocuments::Sender::List, QStringLiteral("600610"), QString()).loaded);
}

TEST_F(SavedDocumentsTest, DocumentsKeepEveryCharacterAndBrokenBytesAreReported) {
    const QString folder = home.file(QStringLiteral("600610"));
    // GBK has no bytes for the emoji or for "䶮"; the document must keep them all the same,
    // or a re-analysis stores the department under another name and key.
    const QStringList lines{QStringLiteral("☆龙虎榜单☆ 600610 2017-03-16"),
                            QStringLiteral("｜深股通\U0001F600䶮专用｜1.00｜2.00｜")};
    QString error;
    ASSERT_TRUE(ReportDocuments::writeDocument(QDir(folder).filePath(ReportDocuments::documentName(
                                                   QStringLiteral("600610"), QStringLiteral("2017-03-16"))),
                                               lines, &error));
    QFile broken(QDir(folder).filePath(
        ReportDocuments::documentName(QStringLiteral("600610"), QStringLiteral("2016-11-02"))));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QStringLiteral("☆龙虎榜单☆ 600610 2016-11-02\r\n第二行").toUtf8() + "\xE4\xB8");
    broken.close();

    documents.browseStock(QStringLiteral("600610"), QString());
    EXPECT_EQ(documents.lines(), lines);
    EXPECT_TRUE(frame.logs.isEmpty());

    const auto result =
        documents.open(0, SavedDocuments::Sender::Program, QStringLiteral("600610"), QString());
    EXPECT_TRUE(result.loaded);
    ASSERT_EQ(documents.lines().size(), 2);
    EXPECT_EQ(documents.lines().first(), QStringLiteral("☆龙虎榜单☆ 600610 2016-11-02"));
    EXPECT_TRUE(documents.lines().last().startsWith(QStringLiteral("第二行") + QChar::ReplacementCharacter));
    EXPECT_TRUE(frame.hasLog(
        QStringLiteral("\t>>>>>文档600610-2016-11-02变动资料.txt中有无法识别的字节,已换成替换字符读入<<<<<"),
        LogColor::Red));
}

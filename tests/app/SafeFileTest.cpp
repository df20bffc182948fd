#include "app/FileLock.h"
#include "app/SafeFile.h"
#include "app/SettingsFile.h"
#include "follow/FollowedList.h"
#include "quotefiles/BaseDbf.h"
#include "quotefiles/DailyViewer.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/StockListLoader.h"
#include "report/ReportDocuments.h"
#include "support/FaultInjection.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <functional>

using namespace quarrow;
using namespace quarrow::test;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// What a folder holds besides the locks beside its files, which stay (empty) for the next
// change by design: a temporary file left behind would show here.
QStringList folderEntries(const QString& folder) {
    QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    const QStringList all = entries;
    for (const QString& entry : all)
        entries.removeAll(FileLock::lockFileName(entry));
    return entries;
}

// Lines of GBK text with Windows line ends, `count` of them, each about 20 bytes.
QByteArray manyLines(const char* prefix, int count) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += QByteArray(prefix) + QByteArray::number(600000 + i) + "\r\n";
    return bytes;
}

}  // namespace

// Where the program folder lies on Windows: Chinese names, and the other programs that may
// have a file open. Each rewrite leaves the new file whole or the old one, and no
// temporary file beside it.
TEST(SafeFile, ReplacesFilesInChineseFoldersAndReportsWhatTheSystemRefuses) {
    struct Case {
        const char* name;
        QString file;
        QByteArray old;  // empty: no file there before
        bool heldOpen;   // another handle keeps the file open meanwhile
        bool folder;     // a folder stands where the file should be
        bool replaced;
    };
    // Windows refuses to replace a file another program holds open (a spreadsheet with the
    // own stock list, say); elsewhere the program that has it open keeps the old file.
#ifdef _WIN32
    constexpr bool kReplacesOpenFiles = false;
#else
    constexpr bool kReplacesOpenFiles = true;
#endif
    const Case cases[] = {
        {"new file", QStringLiteral("自选股/SelfStock.Txt"), {}, false, false, true},
        {"larger than before", QStringLiteral("设置/quarrow.INI"), "[Last]\r\n", false, false, true},
        {"smaller than before", QStringLiteral("600610/600610-2017-03-16变动资料.txt"), QByteArray(9000, 'o'),
         false, false, true},
        {"held open", QStringLiteral("打开的/quarrow.INI"), "[Last]\r\n", true, false, kReplacesOpenFiles},
        {"a folder in its place", QStringLiteral("目录/quarrow.INI"), {}, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempHome home;
        const QString path = home.file(c.file);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        if (c.folder) {
            ASSERT_TRUE(QDir().mkpath(path));
        }
        if (!c.old.isEmpty())
            writeBytes(path, c.old);
        QFile holder(path);
        if (c.heldOpen) {
            ASSERT_TRUE(holder.open(QIODevice::ReadOnly));
        }
        const QByteArray fresh = manyLines("新的内容 ", 50);
        QString error;
        EXPECT_EQ(SafeFile::replace(path, fresh, &error), c.replaced) << error.toStdString();
        EXPECT_EQ(error.isEmpty(), c.replaced);
        holder.close();
        if (!c.folder) {
            EXPECT_EQ(readBytes(path), c.replaced ? fresh : c.old);
        }
        EXPECT_EQ(folderEntries(QFileInfo(path).absolutePath()), QStringList{QFileInfo(path).fileName()})
            << "no temporary file left";
    }
}

#ifndef _WIN32
// Permissions, a file size limit and FIFOs are POSIX matters.
TEST(SafeFile, ReplacesWholeKeepsPermissionsAndOnAFullDiskLeavesTheOldFile) {
    TempHome home;
    const QString path = home.file(QStringLiteral("table.txt"));
    writeBytes(path, "old\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);

    QString error;
    const QByteArray bigger(5000, 'x');
    EXPECT_TRUE(SafeFile::replace(path, bigger, &error)) << error.toStdString();
    EXPECT_EQ(readBytes(path), bigger);
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);

    for (const auto durability : {SafeFile::Durability::Synced, SafeFile::Durability::Unsynced}) {
        FileSizeLimit fullDisk(1000);
        error.clear();
        EXPECT_FALSE(SafeFile::replace(path, QByteArray(6000, 'y'), &error, durability));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(readBytes(path), bigger);
    EXPECT_EQ(folderEntries(home.path()), QStringList{QStringLiteral("table.txt")})
        << "no temporary file left";
}

// Every file the program rewrites, with an old copy larger than the disk allows and a new
// one that does not fit: the write is reported as failed and the old file stays whole.
TEST(SafeFile, EveryRewriteOnAFullDiskReportsFailureAndKeepsTheOldFile) {
    struct Case {
        const char* name;
        QString file;
        QByteArray old;
        std::function<bool(const QString& path)> rewriteSucceeded;
    };
    const QByteArray oldSettings = "\xEF\xBB\xBF[Folder]\r\nhualin=/opt/quote\r\n[Last]\r\nCode=600000\r\n" +
                                   manyLines("Note", 200) + "[End]\r\nKey=1\r\n";
    const std::vector<Case> cases = {
        {"settings file", QStringLiteral("quarrow.INI"), oldSettings,
         [](const QString& path) {
             return SettingsFile(path).write(QStringLiteral("Last"), QStringLiteral("Code"),
                                             QStringLiteral("000001"));
         }},
        {"own stock list", ownStockFileName(), manyLines("sh", 200),
         [](const QString& path) {
             OwnStockList own(path);
             QString error;
             EXPECT_TRUE(own.load(&error));
             const bool saved = own.add(QStringLiteral("sz000001"), &error) == OwnStockList::Change::Done;
             EXPECT_EQ(saved, error.isEmpty());
             EXPECT_EQ(own.contains(QStringLiteral("sz000001")), saved) << "the list matches its file";
             return saved;
         }},
        {"hand-kept table", handKeptTableName(), manyLines("sh|浦发银行|", 100),
         [](const QString& path) {
             RecordingFrame frame;
             frame.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
             QStringList pasted{QStringLiteral("上海股票")};
             for (int i = 0; i < 100; ++i)
                 pasted << QStringLiteral("浦发银行(%1)").arg(600000 + i);
             const HandKeptSave outcome =
                 StockListLoader(frame).saveHandKeptFromWebText(pasted, path, nullptr);
             EXPECT_EQ(outcome == HandKeptSave::Failed, !frame.prompts.isEmpty());
             return outcome == HandKeptSave::Saved;
         }},
        {"report document", QStringLiteral("000001-2017-03-16变动资料.txt"), manyLines("old line ", 100),
         [](const QString& path) {
             QString error;
             const QStringList lines(200, QStringLiteral("新的报告内容 new report line"));
             return ReportDocuments::writeDocument(path, lines, &error);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempHome home;
        const QString path = home.file(c.file);
        writeBytes(path, c.old);
        ASSERT_GT(c.old.size(), 1000);
        {
            FileSizeLimit fullDisk(1000);
            EXPECT_FALSE(c.rewriteSucceeded(path));
        }
        EXPECT_EQ(readBytes(path), c.old);
        EXPECT_EQ(folderEntries(home.path()), QStringList{c.file});
        // With room on the disk the same rewrite goes through.
        EXPECT_TRUE(c.rewriteSucceeded(path));
        EXPECT_NE(readBytes(path), c.old);
    }
}

// A FIFO where a file is expected would block the open until a writer comes, for ever.
// Every reader of the quote folder and the program folder refuses it instead.
TEST(SafeFile, ReadersRefuseAFifoInsteadOfWaitingForIt) {
    const auto throws = [](const std::function<void()>& read) {
        try {
            read();
        } catch (const RecordFileError& error) {
            return error.message().contains(QStringLiteral("not a regular file"));
        }
        return false;
    };
    struct Case {
        const char* name;
        QString file;
        std::function<bool(const QString& folder, const QString& path)> refused;
    };
    const std::vector<Case> cases = {
        {"settings file", QStringLiteral("quarrow.INI"),
         [](const QString&, const QString& path) {
             QString error;
             return !SettingsFile(path).write(QStringLiteral("Last"), QStringLiteral("Code"),
                                              QStringLiteral("000001"), &error) &&
                    !error.isEmpty();
         }},
        {"own stock list", ownStockFileName(),
         [](const QString&, const QString& path) {
             QString error;
             return !OwnStockList(path).load(&error) && !error.isEmpty();
         }},
        {"hand-kept table", handKeptTableName(),
         [&](const QString&, const QString& path) {
             RecordingFrame frame;
             StockList list;
             return throws([&] { StockListLoader(frame).loadHandKept(path, list); });
         }},
        {"name table", QuotePaths::nameTableFile(QString(), QStringLiteral("sh")),
         [&](const QString&, const QString& path) { return throws([&] { readNameTable(path); }); }},
        {"base.dbf", QuotePaths::baseDbfFile(QString()),
         [&](const QString&, const QString& path) { return throws([&] { readBaseDbf(path); }); }},
        {"daily bars", QuotePaths::dailyBarFile(QString(), QStringLiteral("sh600000")),
         [&](const QString& folder, const QString&) {
             return throws([&] { loadDailyRows(folder, QStringLiteral("sh600000"), 3); });
         }},
        {"report document", QStringLiteral("000001-2017-03-16变动资料.txt"),
         [](const QString&, const QString& path) {
             QString error;
             return !ReportDocuments::readDocument(path, &error) && !error.isEmpty();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempHome home;
        const QString path = QDir(home.path()).filePath(c.file);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        EXPECT_TRUE(c.refused(home.path(), path));
    }
}

// The user keeps a file of the program folder elsewhere through a link: the link stays and
// its target changes. A file the program derives on its own is never written through a
// link, which whoever may write the folder could point at any file the program may write.
TEST(SafeFile, ADerivedFileTakesTheLinksPlaceInsteadOfWritingThroughIt) {
    struct Case {
        SafeFile::Links links;
        QByteArray target;  // what the link's target holds afterwards
        bool linkStays;
    };
    const Case cases[] = {{SafeFile::Links::Follow, "new", true}, {SafeFile::Links::Replace, "old", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.linkStays);
        TempHome home;
        const QString target = home.file(QStringLiteral("elsewhere.txt"));
        const QString path = home.file(QStringLiteral("FollowRecord.cache"));
        writeBytes(target, "old");
        ASSERT_TRUE(QFile::link(target, path));
        QString error;
        ASSERT_TRUE(SafeFile::replace(path, "new", &error, SafeFile::Durability::Unsynced, c.links))
            << error.toStdString();
        EXPECT_EQ(readBytes(target), c.target);
        EXPECT_EQ(QFileInfo(path).isSymLink(), c.linkStays);
        EXPECT_EQ(readBytes(path), "new");
    }
    // A dangling link is replaced as well, never made to create its target.
    TempHome home;
    const QString path = home.file(QStringLiteral("FollowRecord.cache"));
    ASSERT_TRUE(QFile::link(home.file(QStringLiteral("nothing/here")), path));
    QString error;
    ASSERT_TRUE(
        SafeFile::replace(path, "new", &error, SafeFile::Durability::Unsynced, SafeFile::Links::Replace));
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_EQ(readBytes(path), "new");
}
#endif

// Every file of the program folder is read whole, so one grown out of all measure (by a
// fault, by someone who may write the folder) is refused by its size before a byte of it
// is read: a clear reason, no memory spent, and never overwritten by a write that could
// not read it.
TEST(SafeFile, AFileOfTheProgramFolderPastItsSizeIsRefusedUnread) {
    struct Case {
        const char* name;
        QString file;
        qint64 limit;
        std::function<bool(const QString& path, QString* error)> read;
    };
    const std::vector<Case> cases = {
        {"settings file", QStringLiteral("quarrow.INI"), SettingsFile::kMaxBytes,
         [](const QString& path, QString* error) {
             SettingsFile file(path);
             return file.isReadable(error) || file.read(QStringLiteral("Last"), QStringLiteral("Code")) ||
                    file.write(QStringLiteral("Last"), QStringLiteral("Code"), QStringLiteral("1"));
         }},
        {"own stock list", ownStockFileName(), OwnStockList::kMaxBytes,
         [](const QString& path, QString* error) {
             OwnStockList list(path);
             return list.load(error) ||
                    list.add(QStringLiteral("sh600000")) != OwnStockList::Change::SaveFailed;
         }},
        {"followed list", followedListFileName(), FollowedList::kMaxBytes,
         [](const QString& path, QString* error) {
             FollowedList list(path);
             return list.load(error) ||
                    list.add(QStringLiteral("甲营业部")) != FollowedList::Change::SaveFailed;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempHome home;
        const QString path = home.file(c.file);
        {
            // Sparse: no disk taken, no time spent.
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_TRUE(file.resize(c.limit + 1));
        }
        QString error;
        EXPECT_FALSE(c.read(path, &error));
        EXPECT_TRUE(error.contains(QStringLiteral(" MB, more than the "))) << error.toStdString();
        EXPECT_EQ(QFileInfo(path).size(), c.limit + 1) << "left as it was";
    }
}

#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

// With no room on the disk (the limit is inherited by the program) the commands that
// rewrite a file fail with a reason and leave the old file as it was.
TEST(CliFullDisk, SettingsSetAndOwnAddFailAndKeepTheOldFiles) {
    struct Case {
        const char* file;
        QByteArray old;
        QStringList arguments;
    };
    const Case cases[] = {
        {"quarrow.INI",
         "\xEF\xBB\xBF[Folder]\r\nhualin=/opt/quote\r\n[Last]\r\nCode=600000\r\n",
         {QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("Last"), QStringLiteral("Code"),
          QStringLiteral("000001")}},
        {"SelfStock.Txt",
         "sh600000\r\nsz000001\r\n",
         {QStringLiteral("own"), QStringLiteral("add"), QStringLiteral("600004")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempHome home;
        const QString path = home.file(QString::fromLatin1(c.file));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(c.old), c.old.size());
        }
        CliCall fullDisk;
        fullDisk.fileSizeLimit = 0;
        const CliRun run = runCli(QStringList{QStringLiteral("--home"), home.path()} + c.arguments, fullDisk);
        EXPECT_NE(run.status, 0);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith("quarrow-cli: cannot write")) << run.err.toStdString();
        EXPECT_EQ(readBytes(path), c.old);
    }
}

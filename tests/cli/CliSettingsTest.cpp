#include "demo/ReportGenerator.h"
#include "platform/Archiver.h"
#include "report/ReportDocuments.h"
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

CliRun cli(const QString& home, const QStringList& arguments) {
    return runCli(QStringList{QStringLiteral("--home"), home} + arguments);
}

QString settingsText(const TempHome& home) {
    QFile file(home.file(QStringLiteral("quarrow.INI")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// An archiver stand-in that notes how it was called, named as the command line's platform
// names the archiver here.
void writeArchiver(const QString& folder, const QString& marker) {
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile script(PortableArchiver().packerPath(folder));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\necho \"$@\" > '%1'\n").arg(marker).toUtf8());
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

}  // namespace

TEST(CliSettingsTest, GetPrintsTheValueInUseAndSetWritesItForTheNextCall) {
    TempHome home;
    EXPECT_EQ(cli(home.path(), {QStringLiteral("settings"), QStringLiteral("get"), QStringLiteral("Folder"),
                                QStringLiteral("current")})
                  .out,
              QStringLiteral("HUALIN\n"));
    EXPECT_EQ(cli(home.path(), {QStringLiteral("settings"), QStringLiteral("get"), QStringLiteral("Last"),
                                QStringLiteral("RunDate")})
                  .out,
              QStringLiteral("1899-12-31\n"));
    EXPECT_TRUE(settingsText(home).isEmpty()) << "reading creates no file";

    EXPECT_EQ(cli(home.path(), {QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("QQ"),
                                QStringLiteral("QQName"), QStringLiteral("股市老王")})
                  .status,
              0);
    EXPECT_EQ(cli(home.path(), {QStringLiteral("settings"), QStringLiteral("get"), QStringLiteral("qq"),
                                QStringLiteral("qqname")})
                  .out,
              QStringLiteral("股市老王\n"));
    EXPECT_EQ(cli(home.path(), {QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("Last"),
                                QStringLiteral("Index"), QStringLiteral("42")})
                  .status,
              0);
    EXPECT_EQ(cli(home.path(), {QStringLiteral("settings"), QStringLiteral("get"), QStringLiteral("LAST"),
                                QStringLiteral("index")})
                  .out,
              QStringLiteral("42\n"));
}

TEST(CliSettingsTest, BadValuesAndNamesAreRefusedAndLeaveTheFileAlone) {
    TempHome home;
    ASSERT_EQ(cli(home.path(), {QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("Last"),
                                QStringLiteral("Code"), QStringLiteral("600610")})
                  .status,
              0);
    const QString before = settingsText(home);
    const QList<QStringList> refused = {
        {QStringLiteral("Last"), QStringLiteral("Index"), QStringLiteral("12abc")},
        {QStringLiteral("Last"), QStringLiteral("RunDate"), QStringLiteral("2017-02-30")},
        {QStringLiteral("AutoStart"), QStringLiteral("Start"), QStringLiteral("yes")},
        {QStringLiteral("AutoStart"), QStringLiteral("Time"), QStringLiteral("25:00:00")},
        {QStringLiteral("Holiday"), QStringLiteral("MMDD3"), QStringLiteral("十月")},
        {QStringLiteral("Fo]lder"), QStringLiteral("RAR"), QStringLiteral("x")},
        {QStringLiteral("Folder"), QStringLiteral("RAR=1"), QStringLiteral("x")},
        {QStringLiteral("QQ"), QStringLiteral("QQName"), QStringLiteral("two\nlines")},
    };
    for (const QStringList& words : refused) {
        const CliRun result =
            cli(home.path(), QStringList{QStringLiteral("settings"), QStringLiteral("set")} + words);
        EXPECT_EQ(result.status, 2) << words.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(result.err.isEmpty());
    }
    EXPECT_EQ(settingsText(home), before);

    const CliRun unknown = cli(home.path(), {QStringLiteral("settings"), QStringLiteral("get"),
                                             QStringLiteral("Nowhere"), QStringLiteral("x")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.out.isEmpty());
    EXPECT_EQ(
        cli(home.path(), {QStringLiteral("settings"), QStringLiteral("get"), QStringLiteral("Last")}).status,
        2);
}

#ifndef Q_OS_WIN
TEST(CliSettingsTest, ExtractArchivesWithTheConfiguredArchiverUnlessTold) {
    TempHome home;
    const QString configured = home.file(QStringLiteral("WinRAR"));
    const QString other = home.file(QStringLiteral("OtherRAR"));
    writeArchiver(configured, home.file(QStringLiteral("configured.txt")));
    writeArchiver(other, home.file(QStringLiteral("other.txt")));
    ASSERT_EQ(cli(home.path(), {QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("Folder"),
                                QStringLiteral("RAR"), configured + QLatin1Char('/')})
                  .status,
              0);

    ReportGenerator generator(3);
    const GeneratedStock stock = ReportGenerator::stocks(1).first();
    const GeneratedReport first = generator.generate(stock, QDate(2017, 3, 15), 2, 2);
    const GeneratedReport second = generator.generate(stock, QDate(2017, 3, 16), 2, 2);
    QString error;
    ASSERT_TRUE(ReportDocuments::writeDocument(home.file(QStringLiteral("a.txt")), first.lines, &error));
    ASSERT_TRUE(ReportDocuments::writeDocument(home.file(QStringLiteral("b.txt")), second.lines, &error));

    ASSERT_EQ(cli(home.path(), {QStringLiteral("extract"), QStringLiteral("--code"), stock.code,
                                QStringLiteral("--document"), home.file(QStringLiteral("a.txt"))})
                  .status,
              0);
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("configured.txt"))));
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("other.txt"))));

    ASSERT_EQ(cli(home.path(), {QStringLiteral("extract"), QStringLiteral("--code"), stock.code,
                                QStringLiteral("--document"), QStringLiteral("--rar"), other,
                                home.file(QStringLiteral("b.txt"))})
                  .status,
              0);
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("other.txt"))));
}
#endif

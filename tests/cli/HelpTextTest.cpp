// The desktop program and the server say their options in English and in Chinese: the
// window the user knows speaks Chinese.

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

TEST(HelpText, TheDesktopProgramAndTheServerSayTheirOptionsInBothLanguages) {
    const struct {
        const char* program;
        const char* option;
        const char* english;
        const char* chinese;
    } cases[] = {
#ifdef QUARROW_GUI
        {QUARROW_GUI, "--home", "The program folder", "程序文件夹"},
#endif
        {QUARROW_SERVER, "--database", "The Quarrow database file", "要发布的Quarrow数据库文件"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(QString::fromUtf8(c.program), {QStringLiteral("--help")});
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0);
        const QString help = QString::fromUtf8(process.readAllStandardOutput());
        for (const char* said : {c.option, c.english, c.chinese, "--help", "显示本帮助"})
            EXPECT_TRUE(help.contains(QString::fromUtf8(said))) << said << "\n" << help.toStdString();
    }
}

}  // namespace

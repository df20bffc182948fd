#include "app/PlatformOptions.h"
#include "app/ProgramFolder.h"
#include "app/Version.h"
#include "gui/MainForm.h"
#include "gui/Translations.h"
#include "gui/WidgetFrame.h"
#include "program/ProgramServices.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quarrow"));
    QApplication::setApplicationVersion(quarrow::versionText());
    quarrow::installChineseTranslations(app);

    // The window speaks Chinese and the command line English: its help says both, each
    // line in English and then in Chinese.
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quarrow: finds the operators behind abnormal price moves of Chinese A shares.\n"
                       "Quarrow:龙虎榜营业部挖掘与查询。"));
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows this help.\n显示本帮助。")));
    parser.addOption(QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                        QStringLiteral("Shows the version.\n显示版本。")));
    QCommandLineOption homeOption(
        QStringLiteral("home"),
        QStringLiteral(
            "The program folder (settings, database, documents); by default the program's own "
            "folder, or "
            "QUARROW_HOME.\n程序文件夹(设置、数据库、资料),默认为程序所在的文件夹或QUARROW_HOME。"),
        QStringLiteral("DIR"));
    parser.addOption(homeOption);
    parser.process(app);
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    // The program is wired once, here: the outside world of this run, the window's frame,
    // the services over both, and the window over the services.
    const quarrow::ProgramFolder folder = quarrow::ProgramFolder::resolve(parser.value(homeOption));
    const std::unique_ptr<quarrow::Platform> platform =
        quarrow::createPlatform(quarrow::programPlatformOptions(folder));
    quarrow::WidgetFrame frame(folder.path() + QLatin1Char('/'));
    quarrow::ProgramServices services(folder, *platform, frame);
    quarrow::TMainForm window(services, frame);
    window.show();
    return QApplication::exec();
}

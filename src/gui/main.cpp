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

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption homeOption(QStringLiteral("home"), QStringLiteral("Program folder."),
                                  QStringLiteral("DIR"));
    parser.addOption(homeOption);
    parser.process(app);

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

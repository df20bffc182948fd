#include "app/PlatformOptions.h"
#include "app/ProgramFolder.h"
#include "app/Version.h"
#include "gui/MainForm.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quarrow"));
    QApplication::setApplicationVersion(quarrow::versionText());

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption homeOption(QStringLiteral("home"), QStringLiteral("Program folder."),
                                  QStringLiteral("DIR"));
    parser.addOption(homeOption);
    parser.process(app);

    const quarrow::ProgramFolder folder = quarrow::ProgramFolder::resolve(parser.value(homeOption));
    // The outside world of this run, built once and handed to the window.
    const std::unique_ptr<quarrow::Platform> platform =
        quarrow::createPlatform(quarrow::programPlatformOptions(folder));
    quarrow::TMainForm window(folder, *platform);
    window.show();
    return QApplication::exec();
}

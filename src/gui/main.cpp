#include "app/ProgramFolder.h"
#include "app/Version.h"
#include "gui/MainWindow.h"

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

    quarrow::MainWindow window(quarrow::ProgramFolder::resolve(parser.value(homeOption)));
    window.show();
    return QApplication::exec();
}

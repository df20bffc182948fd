#include "gui/Translations.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

// The windows need a QApplication; the tests run on the offscreen platform, on a screen of
// a common desktop (1920 × 1080) rather than the platform's small square, so that a window
// test sees where a window lands as a user would.
int main(int argc, char** argv) {
    QTemporaryDir screens;
    QFile config(screens.filePath(QStringLiteral("screens.json")));
    const bool written =
        screens.isValid() && config.open(QIODevice::WriteOnly) &&
        config.write(R"({"screens": [{"name": "desk", "x": 0, "y": 0, "width": 1920, "height": 1080,
                         "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") > 0 &&
        config.flush();
    config.close();
    if (!written) {
        fprintf(stderr, "cannot write the test screen's configuration in %s\n", qPrintable(screens.path()));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    QApplication app(argc, argv);
    // As the program does: Qt's own buttons and dialogs in Chinese.
    quarrow::installChineseTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

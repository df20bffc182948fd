#include "gui/Translations.h"

#include <QApplication>

#include <gtest/gtest.h>

// The windows need a QApplication; the tests run on the offscreen platform.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program does: Qt's own buttons and dialogs in Chinese.
    quarrow::installChineseTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "app/PlatformOptions.h"
#include "app/Settings.h"
#include "gui/MainForm.h"
#include "gui/WiredWindow.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "support/TestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace quarrow;

// The setup page's nickname box and the QQ page's edit one stored nickname: what is typed
// into either is stored, used for the chat window and shown in both.
TEST(RelayPage, BothNicknameBoxesEditTheStoredNickname) {
    test::TempHome dir;
    const ProgramFolder folder(dir.path());
    std::unique_ptr<Platform> platform = createPlatform(programPlatformOptions(folder));
    WiredWindow form(folder, *platform);
    auto* relayBox = form.findChild<QLineEdit*>(QStringLiteral("edtQQ"));
    auto* setupBox = form.findChild<QLineEdit*>(QStringLiteral("edtQQForView"));
    ASSERT_TRUE(relayBox && setupBox);

    const struct {
        QLineEdit* typedInto;
        QString nickname;
    } cases[] = {{setupBox, QStringLiteral("xiaohong")}, {relayBox, QStringLiteral("xiaoming")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typedInto->objectName().toStdString());
        c.typedInto->clear();
        QTest::keyClicks(c.typedInto, c.nickname);
        QTest::keyClick(c.typedInto, Qt::Key_Return);
        const SystemClock clock;
        EXPECT_EQ(Settings(folder, clock).qqName(), c.nickname);
        EXPECT_EQ(relayBox->text(), c.nickname);
        EXPECT_EQ(setupBox->text(), c.nickname);
        EXPECT_EQ(form.services().windows().setup().qqName, c.nickname);
    }
}

#include "app/Settings.h"
#include "platform/Clock.h"
#include "program/ProgramServices.h"
#include "support/WindowDesk.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace quarrow;
using namespace quarrow::test;

// The setup page's nickname box and the QQ page's edit one stored nickname: what is typed
// into either is stored, used for the chat window and shown in both.
TEST(RelayPage, BothNicknameBoxesEditTheStoredNickname) {
    WindowDesk desk;
    auto* relayBox = desk.child<QLineEdit>(QStringLiteral("edtQQ"));
    auto* setupBox = desk.child<QLineEdit>(QStringLiteral("edtQQForView"));
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
        EXPECT_EQ(Settings(desk.folder, clock).qqName(), c.nickname);
        EXPECT_EQ(relayBox->text(), c.nickname);
        EXPECT_EQ(setupBox->text(), c.nickname);
        EXPECT_EQ(desk.services().windows().setup().qqName, c.nickname);
    }
}

// The data menu's MenuSendToQQ and the main page's btnQQView open the QQ page.
TEST(RelayPage, MenuAndMainPageButtonOpenThePage) {
    WindowDesk desk({.quoteStocks = 3});
    const struct {
        const char* what;
        std::function<void()> open;
    } cases[] = {
        {"MenuSendToQQ", [&] { desk.child<QAction>(QStringLiteral("MenuSendToQQ"))->trigger(); }},
        {"btnQQView", [&] { desk.child<QPushButton>(QStringLiteral("btnQQView"))->click(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desk.form->showFunctionPage(FunctionPage::Setup);
        c.open();
        EXPECT_TRUE(desk.child<QWidget>(QStringLiteral("PanelFunction"))->isVisibleTo(desk.form.get()));
        EXPECT_EQ(desk.child<QStackedWidget>(QStringLiteral("PageFunction"))->currentWidget()->objectName(),
                  QStringLiteral("TabSheetSendToQQ"));
    }
    EXPECT_EQ(desk.child<QPushButton>(QStringLiteral("btnQQView"))->text(), QStringLiteral("监视主力买卖"));
}

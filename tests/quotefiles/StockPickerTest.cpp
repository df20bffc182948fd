#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockPicker.h"

#include "store/DataBase.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>

using namespace quarrow;
using namespace quarrow::test;

TEST(PrefixCode, ShanghaiFrom600000AndShenzhenBelow) {
    EXPECT_EQ(PrefixCode(QStringLiteral("600000")), QStringLiteral("sh600000"));
    EXPECT_EQ(PrefixCode(QStringLiteral("599999")), QStringLiteral("sz599999"));
    EXPECT_EQ(PrefixCode(QStringLiteral("000001")), QStringLiteral("sz000001"));
    EXPECT_EQ(PrefixCode(QStringLiteral("9x")), QStringLiteral("sz9x"));
}

namespace {

class Picker : public ::testing::Test {
protected:
    void SetUp() override {
        list.append(QStringLiteral("sz000001"), QStringLiteral("深发展A"));
        list.append(QStringLiteral("sz000002"), QStringLiteral("万科A"));
        list.append(QStringLiteral("sh600000"), QStringLiteral("浦发银行"));
        list.setComplete(true);
        ASSERT_TRUE(db.open());
        Statement insert = db.DBCommand(QStringLiteral(
            "insert into tblStocks (StCode,StName,StAQuantity) values ('600000','浦发银行',2810376.6)"));
        ASSERT_TRUE(insert.exec());
        picker.onShowOnQueryPage = [this](bool withDocuments) { queryPageCalls << withDocuments; };
    }

    TempHome home;
    TDataBase db{home.file(QStringLiteral("Quarrow.db"))};
    StockList list;
    RecordingFrame frame;
    StockPicker picker{list, &db, frame};
    QList<bool> queryPageCalls;
};

}  // namespace

TEST_F(Picker, TheNamePanelShowsTheStockItsCapitalAndScrollsTheList) {
    picker.setCodeText(QStringLiteral("600000"));
    picker.pickCode(PickSender::NamePanel);
    EXPECT_EQ(picker.prefixedCode(), QStringLiteral("sh600000"));
    EXPECT_EQ(picker.name(), QStringLiteral("浦发银行"));
    EXPECT_EQ(picker.listTopIndex(), 2);
    EXPECT_EQ(frame.statusPanel(StatusPanel::Message), QStringLiteral("600000浦发银行流通A股(万股):2810377"));
    EXPECT_EQ(queryPageCalls, QList<bool>{true});
}

TEST_F(Picker, ACodeOutsideTheListKeepsItsPrefixedCodeButNoName) {
    picker.setCodeText(QStringLiteral("600999"));
    picker.pickCode(PickSender::NamePanel);
    EXPECT_EQ(picker.prefixedCode(), QStringLiteral("sh600999"));
    EXPECT_TRUE(picker.name().isEmpty());
    EXPECT_EQ(frame.prompts, QStringList{QStringLiteral("没有与600999对应的股票！")});
    EXPECT_EQ(picker.listTopIndex(), 0);
    EXPECT_TRUE(queryPageCalls.isEmpty());
    EXPECT_TRUE(frame.statusPanel(StatusPanel::Message).isEmpty());
}

TEST_F(Picker, WithoutTheNamePanelAsSenderOnlyTheStockIsSet) {
    picker.setCodeText(QStringLiteral("000002"));
    picker.pickCode(PickSender::None);
    EXPECT_EQ(picker.name(), QStringLiteral("万科A"));
    EXPECT_TRUE(queryPageCalls.isEmpty());
    EXPECT_EQ(picker.listTopIndex(), 0);
}

TEST_F(Picker, SelectingAListRowIsIgnoredWhileTheListLoads) {
    list.setComplete(false);
    picker.pickListEntry(1);
    EXPECT_TRUE(picker.prefixedCode().isEmpty());

    list.setComplete(true);
    picker.pickListEntry(1);
    EXPECT_EQ(picker.prefixedCode(), QStringLiteral("sz000002"));
    EXPECT_EQ(picker.codeText(), QStringLiteral("000002"));
    EXPECT_EQ(picker.name(), QStringLiteral("万科A"));
    EXPECT_EQ(queryPageCalls, QList<bool>{false});
    picker.pickListEntry(-1);
    picker.pickListEntry(3);
    EXPECT_EQ(picker.prefixedCode(), QStringLiteral("sz000002"));
}

TEST_F(Picker, EnterAppliesATypedCodeAndLeavingWithoutTypingDoesNot) {
    picker.setCodeText(QStringLiteral("000001"));
    picker.applyTypedCode();
    EXPECT_TRUE(picker.name().isEmpty());

    picker.markCodeTyped();
    picker.applyTypedCode();
    EXPECT_EQ(picker.name(), QStringLiteral("深发展A"));

    picker.setCodeText(QStringLiteral("000002"));
    picker.applyTypedCode();  // the typed mark was used up by Enter
    EXPECT_EQ(picker.name(), QStringLiteral("深发展A"));
}

TEST_F(Picker, AnOwnListItemAndALoadedListMakeTheCurrentStock) {
    picker.pickOwnListItem(QStringLiteral("sh600000"));
    EXPECT_EQ(picker.name(), QStringLiteral("浦发银行"));
    picker.listLoaded();
    EXPECT_EQ(picker.prefixedCode(), QStringLiteral("sz000001"));
    EXPECT_EQ(picker.codeText(), QStringLiteral("000001"));
}

TEST_F(Picker, AClosedDatabaseShowsNoCapital) {
    db.close();
    picker.setCodeText(QStringLiteral("600000"));
    picker.pickCode(PickSender::NamePanel);
    EXPECT_TRUE(frame.statusPanel(StatusPanel::Message).isEmpty());
    EXPECT_EQ(picker.name(), QStringLiteral("浦发银行"));
}

TEST(OwnStockList, AddsWithoutDuplicatesDeletesAndKeepsTheFileWhole) {
    TempHome home;
    const QString file = home.file(QStringLiteral("SelfStock.Txt"));
    OwnStockList own(file);
    ASSERT_TRUE(own.load());  // no file yet: empty
    EXPECT_TRUE(own.items().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(file));

    EXPECT_EQ(own.add(QStringLiteral("sh600000")), OwnStockList::Change::Done);
    EXPECT_EQ(own.add(QStringLiteral("sz000001")), OwnStockList::Change::Done);
    const QDateTime written = QFileInfo(file).lastModified();
    QFile::setPermissions(file, QFile::ReadOwner);  // a rewrite would now fail
    EXPECT_EQ(own.add(QStringLiteral("sh600000")), OwnStockList::Change::Unchanged);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QFileInfo(file).lastModified(), written);

    OwnStockList reloaded(file);
    ASSERT_TRUE(reloaded.load());
    EXPECT_EQ(reloaded.items(), (QStringList{QStringLiteral("sh600000"), QStringLiteral("sz000001")}));

    EXPECT_EQ(reloaded.remove(QStringLiteral("sh600000")), OwnStockList::Change::Done);
    EXPECT_EQ(reloaded.remove(QStringLiteral("sh600000")), OwnStockList::Change::Unchanged);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("sz000001\r\n"));
}

TEST(OwnStockList, AHandEditedFileLosesBlankAndRepeatedLines) {
    TempHome home;
    const QString file = home.file(QStringLiteral("SelfStock.Txt"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("sh600000\n\n sz000001 \r\nsh600000\n");
    out.close();
    OwnStockList own(file);
    ASSERT_TRUE(own.load());
    EXPECT_EQ(own.items(), (QStringList{QStringLiteral("sh600000"), QStringLiteral("sz000001")}));

    // The mining run borrows the list for its retries without touching the file.
    own.replaceItems({QStringLiteral("sz000002")});
    EXPECT_EQ(own.items(), QStringList{QStringLiteral("sz000002")});
    ASSERT_TRUE(own.load());
    EXPECT_EQ(own.items().size(), 2);
}

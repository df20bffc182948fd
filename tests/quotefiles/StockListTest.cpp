#include "quotefiles/StockListLoader.h"

#include "QuoteTestFiles.h"
#include "app/TextCodec.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QtEndian>

using namespace quarrow;
using namespace quarrow::test;

namespace {

struct TnfRow {
    const char* code;
    QByteArray name;  // GBK bytes as stored
    qint32 type;
    qint16 flag;
};

QByteArray gbk(const char* utf8) {
    return TextCodec::encodeGbk(QString::fromUtf8(utf8));
}

QByteArray nameTable(const QList<TnfRow>& rows) {
    QByteArray bytes(50, 'h');
    for (const TnfRow& row : rows) {
        QByteArray record(314, '\x7f');  // bytes we do not read carry no zeros
        record.replace(0, 7, QByteArray(row.code).leftJustified(7, '\0', true));
        record.replace(23, 9, row.name.leftJustified(9, '\0', true));
        qToLittleEndian<qint32>(row.type, record.data() + 72);
        qToLittleEndian<qint16>(row.flag, record.data() + 272);
        bytes += record;
    }
    return bytes;
}

QStringList keys(const StockList& list) {
    QStringList result;
    for (const StockEntry& entry : list.entries())
        result << entry.key + QLatin1Char('=') + entry.name;
    return result;
}

}  // namespace

TEST(NameTables, ListListedStocksOfEachMarketInRangeShenzhenFirst) {
    TempHome home;
    writeBytes(QuotePaths::nameTableFile(home.path(), QStringLiteral("sh")),
               nameTable({{"999999", gbk("上证指数"), 2, 0},
                          {"600000", gbk("浦发银行"), 2, 5417},
                          {"610000", gbk("上限"), 2, 1},
                          {"610001", gbk("超限"), 2, 1},
                          {"600001", gbk("类型三"), 3, 1}}));
    writeBytes(
        QuotePaths::nameTableFile(home.path(), QStringLiteral("sz")),
        nameTable({{"000001", gbk("深发展ＡＢ"), 2, 7},  // ten bytes: cut to nine, then to a whole character
                   {"000002", gbk("无标记"), 2, 0},
                   {"390000", gbk("上限"), 2, 3},
                   {"390001", gbk("超限"), 2, 3},
                   {"ABCDEF", gbk("非数字"), 2, 3}}));
    RecordingFrame frame;
    StockList list;
    StockListLoader(frame).loadFromNameTables(home.path(), list);
    EXPECT_EQ(keys(list),
              (QStringList{QStringLiteral("sz000001=深发展Ａ"), QStringLiteral("sz390000=上限"),
                           QStringLiteral("sh600000=浦发银行"), QStringLiteral("sh610000=上限")}));
    EXPECT_TRUE(list.complete());
    EXPECT_EQ(frame.statusPanel(StatusPanel::Stocks), QStringLiteral("4"));
    EXPECT_TRUE(frame.prompts.isEmpty());
}

TEST(NameTables, AMissingTableIsReportedAndTheOtherStillLoads) {
    TempHome home;
    writeBytes(QuotePaths::nameTableFile(home.path(), QStringLiteral("sh")),
               nameTable({{"600000", gbk("浦发银行"), 2, 1}}));
    RecordingFrame frame;
    StockList list;
    StockListLoader(frame).loadFromNameTables(home.path(), list);
    EXPECT_EQ(keys(list), QStringList{QStringLiteral("sh600000=浦发银行")});
    ASSERT_EQ(frame.prompts.size(), 1);
    EXPECT_EQ(frame.prompts.first(), QuotePaths::nameTableFile(home.path(), QStringLiteral("sz")) +
                                         QStringLiteral(" 不存在!需要安装华林证券或东方证券行情分析软件"));
}

TEST(NameTables, EmptyShortAndTruncatedTablesGiveTheirWholeRecordsOnly) {
    TempHome home;
    const QString path = home.file(QStringLiteral("t.tnf"));
    writeBytes(path, QByteArray());
    EXPECT_TRUE(readNameTable(path).isEmpty());
    writeBytes(path, QByteArray(49, 'h'));
    EXPECT_TRUE(readNameTable(path).isEmpty());
    const QByteArray two = nameTable({{"600000", gbk("浦发银行"), 2, 1}, {"600001", gbk("邯郸钢铁"), 2, 1}});
    writeBytes(path, two.left(two.size() - 1));
    const QList<NameTableRecord> records = readNameTable(path);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.first().code, QStringLiteral("600000"));
}

TEST(NameTables, TheRealShanghaiTableNamesItsStocks) {
    const QString real = QStringLiteral(QUARROW_REALDATA "/tradingmaster/shm_2015_first6000.tnf");
    if (!QFileInfo::exists(real))
        GTEST_SKIP() << "the real data files are not present";
    TempHome home;
    ASSERT_TRUE(
        QDir().mkpath(QFileInfo(QuotePaths::nameTableFile(home.path(), QStringLiteral("sh"))).path()));
    ASSERT_TRUE(QFile::copy(real, QuotePaths::nameTableFile(home.path(), QStringLiteral("sh"))));
    RecordingFrame frame;
    StockList list;
    StockListLoader(frame).loadFromNameTables(home.path(), list);
    EXPECT_EQ(list.nameOf(QStringLiteral("sh600000")), QStringLiteral("浦发银行"));
    EXPECT_EQ(list.nameOf(QStringLiteral("sh600400")), QStringLiteral("红豆股份"));
    EXPECT_EQ(list.indexOf(QStringLiteral("sh999999")), -1);  // the index is no stock
    ASSERT_FALSE(list.isEmpty());
    for (const StockEntry& entry : list.entries()) {
        EXPECT_TRUE(entry.key >= QLatin1String("sh600000") && entry.key <= QLatin1String("sh610000"))
            << entry.key.toStdString();
        EXPECT_FALSE(entry.name.isEmpty()) << entry.key.toStdString();
    }
}

TEST(HandKeptTable, LoadsTheRowsOfEachMarketAndSkipsABadCodeByLine) {
    RecordingFrame frame;
    StockList list;
    StockListLoader(frame).loadHandKept(dataPath(QStringLiteral("quotefiles/STCodeName.txt")), list);
    EXPECT_EQ(keys(list),
              (QStringList{QStringLiteral("sz000001=深发展A"), QStringLiteral("sz000002=万科A"),
                           QStringLiteral("sh600000=浦发银行"), QStringLiteral("xx600010=沿用上海范围"),
                           QStringLiteral("sh600001=邯郸钢铁")}));
    ASSERT_EQ(frame.logs.size(), 1);
    EXPECT_EQ(frame.logs.first().color, LogColor::Red);
    EXPECT_TRUE(frame.logs.first().text.contains(QStringLiteral("第5行")))
        << frame.logs.first().text.toStdString();
    EXPECT_TRUE(list.complete());
    EXPECT_EQ(frame.statusPanel(StatusPanel::Stocks), QStringLiteral("5"));
}

TEST(HandKeptTable, AMissingTableIsReportedAndLeavesTheListAlone) {
    TempHome home;
    RecordingFrame frame;
    StockList list;
    list.append(QStringLiteral("sh600000"), QStringLiteral("浦发银行"));
    StockListLoader(frame).loadHandKept(home.file(QStringLiteral("STCodeName.txt")), list);
    EXPECT_EQ(frame.prompts, QStringList{QStringLiteral("STCodeName.txt不存在!")});
    EXPECT_EQ(list.size(), 1);
}

TEST(HandKeptTable, StartUpFallsBackToItWhenTheNameTablesGiveNothing) {
    TempHome home;
    RecordingFrame frame;
    StockList list;
    StockListLoader(frame).loadAtStartUp(home.path(), dataPath(QStringLiteral("quotefiles/STCodeName.txt")),
                                         list);
    EXPECT_EQ(list.size(), 5);
    EXPECT_EQ(frame.prompts.size(), 2);  // both name tables missing
}

TEST(HandKeptTable, IsComposedFromPastedWebTextAndSavedOnlyWhenConfirmed) {
    const QStringList pasted = {QStringLiteral("前言(600005)"),
                                QStringLiteral("上海股票"),
                                QStringLiteral("浦发银行(600000) 邯郸钢铁(600001)"),
                                QStringLiteral("全角（600002）"),
                                QStringLiteral("超限(610001)"),
                                QStringLiteral("深圳股票"),
                                QStringLiteral(" 深发展A ( 000001 )"),
                                QStringLiteral("坏(abc)")};
    const QStringList expected = {QStringLiteral("sh|浦发银行|600000"), QStringLiteral("sh|邯郸钢铁|600001"),
                                  QStringLiteral("sz|深发展A|000001")};
    EXPECT_EQ(composeHandKeptLines(pasted), expected);

    TempHome home;
    const QString file = home.file(QStringLiteral("STCodeName.txt"));
    RecordingFrame frame;
    StockListLoader loader(frame);
    QStringList composed;

    frame.answers = {MessageAnswer::No};
    EXPECT_EQ(loader.saveHandKeptFromWebText(pasted, file, &composed), HandKeptSave::Cancelled);
    EXPECT_TRUE(composed.isEmpty());
    frame.answers = {MessageAnswer::Yes, MessageAnswer::No};
    EXPECT_EQ(loader.saveHandKeptFromWebText(pasted, file, &composed), HandKeptSave::Cancelled);
    EXPECT_EQ(composed, expected);
    EXPECT_FALSE(QFileInfo::exists(file));

    frame.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    EXPECT_EQ(loader.saveHandKeptFromWebText(pasted, file, &composed), HandKeptSave::Saved);
    EXPECT_EQ(frame.messages.last().text,
              QStringLiteral("请核实右边内容区的数据是否为以下格式!\rsz|深发展A|000001"));
    StockList list;
    loader.loadHandKept(file, list);
    EXPECT_EQ(keys(list),
              (QStringList{QStringLiteral("sh600000=浦发银行"), QStringLiteral("sh600001=邯郸钢铁"),
                           QStringLiteral("sz000001=深发展A")}));
}

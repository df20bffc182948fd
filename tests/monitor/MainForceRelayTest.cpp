#include "monitor/MainForceRelay.h"

#include "app/RunControl.h"
#include "automation/QuoteWindows.h"
#include "monitor/StocksForMonitor.h"
#include "platform/NetworkState.h"
#include "platform/sim/SimChatWindow.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimQuoteProgram.h"
#include "platform/sim/SimulatedLauncher.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"
#include "store/DataBase.h"
#include "support/DesktopCallLog.h"
#include "support/FakeLauncher.h"
#include "support/FaultInjection.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <functional>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QString kHualin = QStringLiteral("华林证券网上交易");
const QString kNickname = QStringLiteral("小明");
const QDateTime kThursday(QDate(2017, 3, 16), QTime(10, 30));

// A monitor feed line: "hh:mm:ss", S or B, then the row's cells.
QString alert(const char* at, char side, const QString& cells) {
    return QString::fromLatin1(at) + QLatin1Char('\t') + QLatin1Char(side) + QLatin1Char('\t') + cells;
}

QString row(const char* time, const char* name, const char* priceVolume) {
    return QString::fromLatin1(time) + QLatin1Char('\t') + QString::fromUtf8(name) + QLatin1Char('\t') +
           QString::fromLatin1(priceVolume);
}

// The quote program with its monitor, the chat window of 小明, the database with 东方不败
// (600610, capital 23000) and 西方求败 (600611, 90000), and the relay over them.
struct RelayDesk {
    explicit RelayDesk(const QStringList& feed, const QDateTime& start = kThursday, bool chat = true,
                       const QString& behaviour = QString())
        : clock(start) {
        QDir().mkpath(home.file(QStringLiteral("sim")));
        QFile file(home.file(QStringLiteral("sim/monitor.txt")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(feed.join(QLatin1Char('\n')).toUtf8());
        file.close();
        if (!behaviour.isEmpty()) {
            QFile ini(home.file(QStringLiteral("sim/behaviour.ini")));
            EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(behaviour.toUtf8());
        }
        desktop.setChatNickname([chat] { return chat ? kNickname : QString(); });
        desktop.startQuoteProgram(home.path(), kHualin);
        windows.setSetup({home.path(), kHualin, QStringLiteral("TdxW.exe"), true, kNickname});
        windows.discover(false);
        EXPECT_TRUE(db.open());
        addStock("600610", "东方不败", "23000");
        addStock("600611", "西方求败", "90000");
        watch.rebuild(WatchSelection());
    }
    void addStock(const char* code, const char* name, const char* capital) {
        Statement insert = db.DBCommand(
            QStringLiteral("insert into tblStocks (StCode,StName,StAQuantity) values (:c,:n,:q)"));
        insert.bind(QStringLiteral(":c"), QString::fromLatin1(code))
            .bind(QStringLiteral(":n"), QString::fromUtf8(name))
            .bind(QStringLiteral(":q"), *Money::parse(QString::fromLatin1(capital)));
        EXPECT_TRUE(insert.exec());
        stocks.append(QStringLiteral("sh") + QString::fromLatin1(code), QString::fromUtf8(name));
    }
    // Watches by the page's initial state, or the stocks of at least 100000 plus the own ones.
    void watchOwn(const char* key) {
        EXPECT_EQ(own.add(QString::fromLatin1(key)), OwnStockList::Change::Done);
        WatchSelection selection;
        selection.below = false;
        selection.upper = true;
        watch.rebuild(selection);
    }
    // Ticks until the next pass ran.
    void nextPass() {
        const int before = relay.totals().passes;
        for (int i = 0; i < 21 && relay.active(); ++i) {
            clock.advance(MainForceRelay::kTick_ms);
            relay.tick();
        }
        EXPECT_TRUE(relay.totals().passes > before || !relay.active());
    }
    qint64 stored(const QString& where = QStringLiteral("1=1")) {
        Statement query =
            db.QueryPublic(QStringLiteral("select count(*) from tblMainBuySale where ") + where);
        EXPECT_TRUE(query.exec() && query.next());
        return query.integer(0);
    }
    QStringList chatLines() {
        SimChatWindow* chat = desktop.chatWindow();
        return chat ? chat->receivedLines() : QStringList();
    }

    TempHome home;
    VirtualClock clock;
    SimDesktop desktop{clock};
    DesktopCallLog calls{desktop, clock};
    RecordingFrame frame;
    FakeLauncher real;
    SimulatedLauncher launcher{desktop, clock, real, [] { return kHualin; }};
    QuoteWindows windows{calls.desktop, calls.clock, frame, launcher};
    FixedNetworkState network{true};
    TDataBase db{home.file(QStringLiteral("Quarrow.db"))};
    StockList stocks;
    OwnStockList own{home.file(QStringLiteral("SelfStock.Txt"))};
    StocksForMonitor watch{db, stocks, own};
    RunControl run{frame, clock};
    MainForceRelay relay{{db, frame, calls.clock, network, calls.desktop, windows, run, watch},
                         RelaySettings{}};
};

}  // namespace

namespace {

std::ptrdiff_t indexOf(const CallLog& log, const std::string& line, std::ptrdiff_t from = 0) {
    const auto it = std::find(log.begin() + from, log.end(), line);
    return it == log.end() ? -1 : it - log.begin();
}

std::ptrdiff_t indexOfPut(const CallLog& log, std::ptrdiff_t from = 0) {
    for (auto i = static_cast<std::size_t>(from); i < log.size(); ++i) {
        if (log[i].rfind("put ", 0) == 0)
            return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

const QString kSellLine = QStringLiteral("10:23东方不败600610(23000)>主力抛售:\t10.50/12345");

}  // namespace

// The 10:23 东方不败 10.50/12345 row: stored with Q = 123.45, logged red and sent as a
// "/qiang " line; the buying list's row follows one interval later as "/ruo ", and a row
// that appears later is read on the next turn of the selling list.
TEST(MainForceRelay, RelaysTheWatchedAlertsIntoTheChatWindow) {
    RelayDesk desk({alert("10:23:00", 'S', row("10:23", "东方不败", "10.50/12345")),
                    alert("10:24:00", 'B', row("10:24", "东方不败", "10.60/20000")),
                    alert("10:25:00", 'S', row("10:25", "西方求败", "9.00/90000")),
                    alert("10:40:00", 'S', row("10:40", "东方不败", "10.40/30000"))});
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    EXPECT_TRUE(desk.run.isActive());
    EXPECT_EQ(desk.relay.saleCount(), 2);
    EXPECT_TRUE(desk.frame.hasLog(kSellLine, LogColor::Red));
    EXPECT_EQ(desk.chatLines(), QStringList{QStringLiteral("/qiang ") + kSellLine});

    Statement record = desk.db.QueryPublic(
        QStringLiteral("select StCode,StName,StDate,StDept,StBuy,StSale,StRate,StMemo from tblMainBuySale"));
    ASSERT_TRUE(record.exec() && record.next());
    EXPECT_EQ(record.text(0), QStringLiteral("600610"));
    EXPECT_EQ(record.text(1), QStringLiteral("东方不败"));
    EXPECT_EQ(record.date(2), QDate(2017, 3, 16));
    EXPECT_EQ(record.text(3), QStringLiteral("10:23主力抛售"));
    EXPECT_EQ(record.money(4), Money());
    EXPECT_EQ(record.money(5).toString(), QStringLiteral("123.45"));
    EXPECT_EQ(record.money(6).toString(), QStringLiteral("10.5"));
    EXPECT_EQ(record.text(7), QStringLiteral("0316-600610-10:23抛123.45"));

    // The selling list is shown by a click at (35, 147) of the first list, then the buying
    // list by one at (35, 130); the batch goes after the switch, with 200 ms before the
    // paste and 250 ms before Enter.
    const CallLog log = desk.calls.take();
    const auto sell = indexOf(log, "click 339,371");
    const auto buy = indexOf(log, "click 339,354", sell);
    const auto put = indexOfPut(log, buy);
    ASSERT_TRUE(sell >= 0 && buy > sell && put > buy);
    EXPECT_EQ(log[static_cast<std::size_t>(put) - 2], "sleep 200");
    EXPECT_EQ(log[static_cast<std::size_t>(put) - 1], "clear");
    EXPECT_EQ(log[static_cast<std::size_t>(put) + 10], "sleep 250");
    EXPECT_EQ(log[static_cast<std::size_t>(put) + 11], "key+ 0D");

    desk.nextPass();
    desk.clock.advance(11 * 60 * 1000);
    desk.nextPass();
    EXPECT_EQ(desk.chatLines(),
              (QStringList{QStringLiteral("/qiang ") + kSellLine,
                           QStringLiteral("/ruo 10:24东方不败600610(23000)<主力买入:\t10.60/20000"),
                           QStringLiteral("/qiang 10:40东方不败600610(23000)>主力抛售:\t10.40/30000")}));
    EXPECT_EQ(desk.stored(), 3);
}

// The monitor's rows lie as far into its list as the screen's scaling puts them: the
// clicks follow, and the lists switch as they do at 100%.
TEST(MainForceRelay, SwitchesTheListsAtAnyScaling) {
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        RelayDesk desk({alert("10:23:00", 'S', row("10:23", "东方不败", "10.50/12345")),
                        alert("10:24:00", 'B', row("10:24", "东方不败", "10.60/20000"))},
                       kThursday, true, QStringLiteral("Dpi = %1").arg(dpi));
        ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
        desk.nextPass();
        EXPECT_EQ(desk.chatLines(),
                  (QStringList{QStringLiteral("/qiang ") + kSellLine,
                               QStringLiteral("/ruo 10:24东方不败600610(23000)<主力买入:\t10.60/20000")}));
    }
}

// The filters of a row, and rows whose cells come from a monitor that cannot be trusted:
// those are refused and logged, never stored as a 0 or as the text they hold.
TEST(MainForceRelay, SkipsRowsByTheRulesAndRefusesUntrustedCells) {
    const QString longTime(100000, QLatin1Char('1'));
    const struct {
        const char* what;
        QString cells;
        bool chat;
        bool ownStock;
        bool stored;
        bool sent;
        bool refused;
    } cases[] = {
        {"above the threshold", row("10:23", "东方不败", "10.50/12345"), true, false, true, true, false},
        {"5000 lots with a chat window", row("10:23", "东方不败", "10.50/5000"), true, false, false, false,
         false},
        {"5000 lots without one", row("10:23", "东方不败", "10.50/5000"), false, false, true, false, false},
        {"5000 lots of an own stock", row("10:23", "东方不败", "10.50/5000"), true, true, true, true, false},
        {"no slash", row("10:23", "东方不败", "10.50"), true, false, false, false, false},
        {"not watched", row("10:23", "西方求败", "10.50/12345"), true, false, false, false, false},
        {"two fields", QStringLiteral("10:23\t东方不败"), true, false, false, false, false},
        {"unparseable", row("10:23", "东方不败", "abc/def"), true, false, false, false, true},
        {"not a number", row("10:23", "东方不败", "NaN/inf"), false, false, false, false, true},
        {"5,000 digits", QStringLiteral("10:23\t东方不败\t10.50/") + QString(5000, QLatin1Char('9')), true,
         false, false, false, true},
        {"negative", row("10:23", "东方不败", "-5/-100"), false, false, false, false, true},
        {"a 100,000-character time", longTime + QStringLiteral("\t东方不败\t10.50/12345"), true, false, false,
         false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RelayDesk desk({alert("10:23:00", 'S', c.cells)}, kThursday, c.chat);
        if (c.ownStock)
            desk.watchOwn("sh600610");
        ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
        EXPECT_EQ(desk.stored(), c.stored ? 1 : 0);
        EXPECT_EQ(desk.chatLines().size(), c.sent ? 1 : 0);
        EXPECT_EQ(desk.relay.totals().rowsRefused, c.refused ? 1 : 0);
        EXPECT_EQ(desk.frame.countLogs(QStringLiteral("主力监控数据不对")), c.refused ? 1 : 0);
        for (const LoggedLine& line : desk.frame.logs)
            EXPECT_LT(line.text.size(), 200);
    }
}

// The 40th line goes at once, in the middle of the pass; the rest after the switch.
TEST(MainForceRelay, SendsBatchesOfFortyLines) {
    QStringList feed;
    for (int i = 0; i < 45; ++i) {
        const QByteArray lots = QByteArray::number(10000 + i);
        feed << alert("10:00:00", 'S', row("10:00", "东方不败", ("10.50/" + lots).constData()));
    }
    RelayDesk desk(feed);
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    const QStringList messages = desk.desktop.chatWindow()->messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0].count(QLatin1Char('\n')), 40);
    EXPECT_EQ(messages[1].count(QLatin1Char('\n')), 5);
    EXPECT_EQ(desk.chatLines().size(), 45);
    const CallLog log = desk.calls.take();
    const auto first = indexOfPut(log);
    const auto buy = indexOf(log, "click 339,354");
    ASSERT_TRUE(first >= 0 && buy > first);
    EXPECT_GT(indexOfPut(log, buy), buy);
}

// Another part of the program's summary goes out through the relay's chat sender as one
// batch, cut to its forty lines, and only to a chat window that is there.
TEST(MainForceRelay, SendsOtherLinesAsOneBatchOfAtMostForty) {
    QStringList lines;
    for (int i = 0; i < 50; ++i)
        lines << QStringLiteral("第%1行").arg(i);
    for (const bool chat : {true, false}) {
        SCOPED_TRACE(chat);
        RelayDesk desk({}, kThursday, chat);
        ChatSender sender(desk.windows, desk.calls.desktop, desk.calls.clock, desk.frame);
        EXPECT_EQ(sender.sendLines(lines), chat);
        SimChatWindow* window = desk.desktop.chatWindow();
        EXPECT_EQ(window ? window->messages().size() : 0, chat ? 1 : 0);
        EXPECT_EQ(desk.chatLines(), chat ? lines.mid(0, MainForceRelay::kBatchLines) : QStringList());
    }
}

// Two alerts of one minute, side and quantity are two alerts, told apart by their number
// in the day's list; the same alerts read again (the program restarted and the monitor
// shows them anew) are repeats: logged, not stored and not sent a second time.
TEST(MainForceRelay, LookAlikesOfAMinuteAreTwoAlertsAndARepeatIsStoredOnce) {
    RelayDesk desk({alert("10:23:00", 'S', row("10:23", "东方不败", "10.50/12345")),
                    alert("10:23:30", 'S', row("10:23", "东方不败", "10.50/12345"))});
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    EXPECT_EQ(
        desk.stored(QStringLiteral("StMemo in ('0316-600610-10:23抛123.45','0316-600610-10:23抛123.45#2')")),
        2);
    EXPECT_EQ(desk.chatLines().size(), 2);
    desk.run.requestStop();
    desk.relay.tick();

    MainForceRelay again{{desk.db, desk.frame, desk.calls.clock, desk.network, desk.calls.desktop,
                          desk.windows, desk.run, desk.watch},
                         RelaySettings{}};
    ASSERT_TRUE(again.startRelay(desk.run.lease(JobKind::Relay)));
    EXPECT_EQ(desk.stored(), 2);
    EXPECT_EQ(again.totals().duplicates, 2);
    // The first repeat of a pass is named, the others counted in one line.
    EXPECT_EQ(desk.frame.countLogs(QStringLiteral("\t数据重复：0316-600610-10:23抛123.45")), 1);
    EXPECT_EQ(desk.frame.countLogs(QStringLiteral("\t另有1条数据重复")), 1);
    EXPECT_EQ(again.totals().storeFailures, 0);
    EXPECT_EQ(desk.chatLines().size(), 2);
}

// A restarted monitor begins its lists again: the shorter list is read from its start.
TEST(MainForceRelay, ReadsAListThatShrankFromItsStart) {
    RelayDesk desk({alert("10:00:00", 'S', row("10:00", "东方不败", "10.50/12345")),
                    alert("10:01:00", 'S', row("10:01", "东方不败", "10.50/22345")),
                    alert("10:02:00", 'S', row("10:02", "东方不败", "10.50/32345")),
                    alert("10:31:30", 'S', row("10:31", "东方不败", "10.60/42345"))},
                   kThursday, true, QStringLiteral("MonitorRestartAt = 10:31:00\n"));
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    EXPECT_EQ(desk.relay.saleCount(), 3);
    desk.clock.advance(2 * 60 * 1000);
    desk.nextPass();  // buying
    desk.nextPass();  // selling again: one row since the restart
    EXPECT_EQ(desk.relay.saleCount(), 1);
    EXPECT_EQ(desk.stored(), 4);
    EXPECT_EQ(desk.chatLines().size(), 4);
}

// A relay left running overnight: the monitor begins the new day's lists again, and by
// the first pass that reads them they are longer than what was handled yesterday. The
// row handled last is not where it was, so the whole list is the new day's.
TEST(MainForceRelay, ReadsTheNewDaysListFromItsStart) {
    RelayDesk desk({alert("10:20:00", 'S', row("10:20", "东方不败", "10.50/12345")),
                    alert("10:21:00", 'S', row("10:21", "东方不败", "10.50/22345")),
                    alert("2017-03-17 10:20:30", 'S', row("10:20", "东方不败", "11.00/33333"))});
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    EXPECT_EQ(desk.relay.saleCount(), 2);
    desk.clock.advance(24 * 60 * 60 * 1000);
    desk.nextPass();  // buying
    desk.nextPass();  // selling: three rows of Friday
    EXPECT_EQ(desk.relay.saleCount(), 3);
    EXPECT_EQ(desk.stored(QStringLiteral("StDate='2017-03-17'")), 3);
    EXPECT_EQ(desk.stored(QStringLiteral("StMemo like '0317-%'")), 3);
    EXPECT_EQ(desk.chatLines().size(), 5);
}

// An alert that comes in between the count of a list and its read pushes the fresh rows
// down: the relay reads again, so the oldest fresh row is not lost under the new one.
TEST(MainForceRelay, AnAlertArrivingDuringTheReadLosesNoRow) {
    RelayDesk desk({alert("10:29:00", 'S', row("10:29", "东方不败", "10.50/12345")),
                    alert("10:30:00", 'S', row("10:30", "东方不败", "10.50/22345")),
                    alert("10:30:01", 'S', row("10:30", "东方不败", "10.50/32345"))});
    desk.calls.desktop.afterNextRowCount = [&desk] { desk.clock.advance(1000); };
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    EXPECT_EQ(desk.relay.saleCount(), 3);
    EXPECT_EQ(desk.stored(), 3);
}

// A chat window that cannot be selected (reopened, so the known one is gone) keeps the
// line for the next pass, and only for it, and only while it is news: a line the chat still
// cannot take, a line that waited minutes, and a line left when the relay stops go unsent,
// are logged and counted, and never reach a later session.
TEST(MainForceRelay, KeepsALineTheChatCouldNotTakeForTheNextPassOnly) {
    const QString buyLine = QStringLiteral("/ruo 10:30东方不败600610(23000)<主力买入:\t10.60/20000");
    const struct {
        const char* what;
        std::function<void(RelayDesk&)> beforeRetry;
        bool delivered;
        const char* log;
    } cases[] = {
        {"the window is back", [](RelayDesk&) {}, true, nullptr},
        {"the window is gone", [](RelayDesk& d) { d.desktop.chatWindow()->close(); }, false,
         "\tQQ聊天窗口无法选中,1条信息未发送"},
        {"minutes went by", [](RelayDesk& d) { d.clock.advance(4 * 60 * 1000); }, false,
         "\t等待超过3分钟,1条信息未发送"},
        {"the relay stopped",
         [](RelayDesk& d) {
             d.run.requestStop();
             d.relay.tick();
             ASSERT_TRUE(d.relay.startRelay(d.run.lease(JobKind::Relay)));
         },
         false, "\tQQ监视已关闭,1条信息未发送"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RelayDesk desk({alert("10:23:00", 'S', row("10:23", "东方不败", "10.50/12345")),
                        alert("10:30:05", 'B', row("10:30", "东方不败", "10.60/20000"))});
        ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
        ASSERT_EQ(desk.chatLines().size(), 1);
        desk.desktop.chatWindow()->close();
        desk.desktop.openChatWindow(kNickname);
        desk.nextPass();  // buying: the line cannot be delivered
        EXPECT_EQ(desk.relay.totals().batchesKept, 1);
        EXPECT_EQ(desk.relay.pendingLines(), 1);
        EXPECT_TRUE(desk.chatLines().isEmpty());
        c.beforeRetry(desk);
        desk.nextPass();
        desk.nextPass();
        EXPECT_EQ(desk.chatLines(), c.delivered ? QStringList{buyLine} : QStringList());
        EXPECT_EQ(desk.relay.pendingLines(), 0);
        EXPECT_EQ(desk.relay.totals().linesUnsent, c.delivered ? 0 : 1);
        if (c.log) {
            EXPECT_TRUE(desk.frame.hasLog(QString::fromUtf8(c.log), LogColor::Magenta));
        }
    }
}

// The chat window closes after the first message: what the relay could not send is
// counted, said when it stops, and no line is lost without a word.
TEST(MainForceRelay, CountsTheLinesAChatWindowThatClosedDidNotGet) {
    QStringList feed;
    for (int i = 0; i < 45; ++i)
        feed << alert("10:00:00", 'S',
                      row("10:00", "东方不败", ("10.50/" + QByteArray::number(10000 + i)).constData()));
    feed << alert("10:30:05", 'B', row("10:30", "东方不败", "10.60/20000"));
    RelayDesk desk(feed, kThursday, true, QStringLiteral("ChatClosesAfter = 1\n"));
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    desk.nextPass();
    desk.nextPass();
    desk.run.requestStop();
    desk.relay.tick();
    const RelayOutcome outcome = desk.relay.outcome();
    EXPECT_EQ(outcome.totals.linesSent, 40);
    EXPECT_EQ(outcome.totals.linesUnsent, 6);
    EXPECT_EQ(desk.chatLines().size(), 40);
    EXPECT_EQ(desk.stored(), 46);
    EXPECT_TRUE(desk.frame.hasLog(QStringLiteral("\t本次QQ监视有6条信息没有发送到QQ"), LogColor::Magenta));
}

// Started before its chat window, the relay goes on storing; the window opened later is
// found at the next pass and gets what comes from then on, and the end says how many
// stored alerts never reached the chat.
TEST(MainForceRelay, AChatWindowOpenedAfterTheStartGetsTheAlertsFromThenOn) {
    RelayDesk desk({alert("10:23:00", 'S', row("10:23", "东方不败", "10.50/12345")),
                    alert("10:24:00", 'S', row("10:24", "东方不败", "10.50/22345")),
                    alert("10:30:05", 'B', row("10:30", "东方不败", "10.60/20000"))},
                   kThursday, false);
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    EXPECT_EQ(desk.stored(), 2);
    EXPECT_EQ(desk.relay.totals().storedUnsent, 2);
    EXPECT_EQ(desk.frame.countLogs(QStringLiteral("\t没有QQ聊天窗口,2条主力买卖已保存但未发送")), 1);
    desk.desktop.openChatWindow(kNickname);
    desk.nextPass();  // buying: the window is found and gets the new alert
    EXPECT_EQ(desk.frame.countLogs(QStringLiteral("的QQ聊天窗口,从现在起发送主力买卖")), 1);
    EXPECT_EQ(desk.chatLines(),
              QStringList{QStringLiteral("/ruo 10:30东方不败600610(23000)<主力买入:\t10.60/20000")});
    EXPECT_EQ(desk.stored(), 3);
    desk.run.requestStop();
    desk.relay.tick();
    EXPECT_EQ(desk.frame.countLogs(QStringLiteral("\t其中2条主力买卖在没有QQ聊天窗口时已经保存到数据库")), 1);
}

TEST(MainForceRelay, OutsideTradingHoursAPassOnlyLooksForTheWindows) {
    RelayDesk desk({alert("10:23:00", 'S', row("10:23", "东方不败", "10.50/12345"))},
                   QDateTime(QDate(2017, 3, 16), QTime(11, 36)));
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    EXPECT_TRUE(desk.frame.prompts.contains(
        QStringLiteral("已经启动QQ监视.但是尚未到股票交易时间!如果要操作使用计算机,请先关闭QQ监视功能")));
    desk.nextPass();
    EXPECT_EQ(desk.relay.saleCount(), 0);
    EXPECT_TRUE(desk.relay.readingSellingList());
    EXPECT_EQ(desk.stored(), 0);
}

// The interval, the threshold and the trading-hours box are read as they stand: a change
// made while the relay runs holds from the next tick or pass.
TEST(MainForceRelay, ReadsTheSettingsAsTheyStandWhileItRuns) {
    RelayDesk desk({alert("10:31:00", 'S', row("10:31", "东方不败", "10.50/5000")),
                    alert("11:40:00", 'S', row("11:40", "东方不败", "10.60/12345"))});
    RelaySettings page;
    MainForceRelay relay{{desk.db, desk.frame, desk.calls.clock, desk.network, desk.calls.desktop,
                          desk.windows, desk.run, desk.watch},
                         RelaySettingsSource([&page] { return page; })};
    const auto ticksToNextPass = [&] {
        const int before = relay.totals().passes;
        int ticks = 0;
        while (relay.totals().passes == before && ticks < 200) {
            desk.clock.advance(MainForceRelay::kTick_ms);
            relay.tick();
            ++ticks;
        }
        return ticks;
    };
    ASSERT_TRUE(relay.startRelay(desk.run.lease(JobKind::Relay)));  // selling: nothing yet
    page.delay_s = 30;
    EXPECT_EQ(ticksToNextPass(), 61);  // buying
    page.sendQty = 40;                 // 50 is now above it
    desk.clock.setNow(QDateTime(kThursday.date(), QTime(10, 32)));
    ticksToNextPass();  // selling
    EXPECT_EQ(desk.chatLines().size(), 1);

    desk.clock.setNow(QDateTime(kThursday.date(), QTime(11, 41)));  // the morning session is over
    ticksToNextPass();
    ticksToNextPass();
    EXPECT_EQ(desk.chatLines().size(), 1);
    page.onTime = false;
    ticksToNextPass();
    ticksToNextPass();
    EXPECT_EQ(desk.chatLines().size(), 2);
    EXPECT_EQ(relay.settings().delay_s, 30);
}

// The capture reads the selling list, then the buying list, of every stock, sends
// nothing, and ends by itself: at any hour, with counts of its own, so a day of relaying
// before it leaves it the whole lists, and it leaves the relay's counts, watch list and
// trading-hours setting as they were.
TEST(MainForceRelay, CaptureReadsBothListsWholeAndLeavesTheRelayAsItWas) {
    RelayDesk desk({alert("10:23:00", 'S', row("10:23", "东方不败", "10.50/12345")),
                    alert("10:23:10", 'S', row("10:23", "西方求败", "9.00/12345")),
                    alert("10:24:00", 'B', row("10:24", "西方求败", "9.00/12345")),
                    alert("10:24:10", 'B', row("10:24", "东方不败", "10.50/5000"))},
                   QDateTime(QDate(2017, 3, 16), QTime(10, 30)));
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    desk.nextPass();
    EXPECT_EQ(desk.stored(), 1);  // 西方求败 is not watched; 5000 lots are below the threshold
    desk.run.requestStop();
    desk.relay.tick();
    const QList<WatchRow> watched = desk.watch.rows();

    desk.clock.setNow(QDateTime(QDate(2017, 3, 16), QTime(16, 0)));  // after hours
    ASSERT_TRUE(desk.relay.startCapture(desk.run.lease(JobKind::Capture)));
    EXPECT_TRUE(desk.relay.captureOn());
    desk.nextPass();
    EXPECT_FALSE(desk.relay.active());
    EXPECT_FALSE(desk.run.isActive());
    EXPECT_EQ(desk.stored(), 4);
    EXPECT_EQ(desk.relay.totals().duplicates, 1);
    EXPECT_EQ(desk.chatLines().size(), 1);
    EXPECT_EQ(desk.frame.prompts.last(), QStringLiteral("主力买卖数据抓取完毕!"));

    EXPECT_EQ(desk.relay.saleCount(), 2);
    EXPECT_EQ(desk.relay.buyCount(), 2);
    EXPECT_EQ(desk.watch.rows().size(), watched.size());
    EXPECT_EQ(desk.watch.valueOf(QStringLiteral("西方求败")), QString());
    EXPECT_TRUE(desk.relay.settings().onTime);
}

TEST(MainForceRelay, StopSwitchesTheRelayOff) {
    RelayDesk desk({});
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    desk.run.requestStop();
    EXPECT_FALSE(desk.relay.tick());
    EXPECT_FALSE(desk.relay.active());
    EXPECT_FALSE(desk.run.isActive());
    EXPECT_EQ(desk.frame.prompts.last(), MainForceRelay::stoppedHint());
}

// Only a repeated memo is a repeat: a row the database refuses (a full disk) is said to
// be not stored, in the colour of a storing failure.
TEST(MainForceRelay, ReportsARefusedRowAsNotStored) {
    SqliteWriteFaults faults(-1);
    RelayDesk desk({alert("10:23:00", 'S', row("10:23", "东方不败", "10.50/12345"))});
    faults.allow(0);
    ASSERT_TRUE(desk.relay.startRelay(desk.run.lease(JobKind::Relay)));
    faults.allow(-1);
    EXPECT_EQ(desk.relay.totals().storeFailures, 1);
    EXPECT_EQ(desk.relay.totals().duplicates, 0);
    EXPECT_EQ(desk.frame.countLogs(QStringLiteral("数据重复")), 0);
    ASSERT_FALSE(desk.frame.logs.isEmpty());
    EXPECT_TRUE(
        desk.frame.logs.first().text.startsWith(QStringLiteral("\t数据保存失败：0316-600610-10:23抛123.45")));
    EXPECT_EQ(desk.frame.logs.first().color, LogColor::Magenta);
}

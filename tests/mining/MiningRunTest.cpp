#include "app/ProgramFolder.h"
#include "app/RunControl.h"
#include "app/Settings.h"
#include "app/TextCodec.h"
#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "automation/ReportFetch.h"
#include "demo/QuoteFolderGenerator.h"
#include "mining/FailedStocks.h"
#include "mining/MiningRun.h"
#include "mining/MiningSchedule.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimQuoteProgram.h"
#include "platform/sim/SimSound.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockListLoader.h"
#include "store/DataBase.h"
#include "support/FakeLauncher.h"
#include "support/RecordingFrame.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <algorithm>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QString kTitle = QStringLiteral("东方通达信");
const MessageAnswer Yes = MessageAnswer::Yes;
const MessageAnswer No = MessageAnswer::No;

QuoteFolderOptions marketOptions() {
    QuoteFolderOptions options;
    options.stockCount = 24;
    options.barCount = 30;
    return options;
}

// The generated stocks, in the order of the stock list.
const QList<GeneratedQuoteStock>& plannedStocks() {
    static const QList<GeneratedQuoteStock> stocks = QuoteFolderGenerator(marketOptions()).plan().stocks;
    return stocks;
}

QString key(int position) {
    return plannedStocks().at(position).key;
}

QString code(int position) {
    return key(position).right(6);
}

// The six-digit codes of the stocks that are so, sorted.
QStringList codesWhere(const std::function<bool(const GeneratedQuoteStock&)>& which) {
    QStringList codes;
    for (const GeneratedQuoteStock& stock : plannedStocks()) {
        if (which(stock))
            codes << stock.key.right(6);
    }
    codes.sort();
    return codes;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

// The keys of stocks the quote program has a report page for, sorted: the others are never
// captured, whatever the run does.
QStringList withPages(const QStringList& keys) {
    QStringList kept;
    for (const GeneratedQuoteStock& stock : plannedStocks()) {
        if (stock.hasReportPage && keys.contains(stock.key))
            kept << stock.key;
    }
    return sorted(kept);
}

// The generated market on the simulated quote program, with the program folder, database
// and services of a mining run. prepare runs on the quote folder before the program starts.
struct Market {
    explicit Market(SimQuoteBehaviour behaviour = {},
                    const std::function<void(const QString&)>& prepare = {}) {
        EXPECT_TRUE(QuoteFolderGenerator(marketOptions()).write(quoteFolder));
        if (prepare)
            prepare(quoteFolder);
        desktop.setPageDecoder([](const QByteArray& bytes) { return TextCodec::decode(bytes); });
        desktop.setQuoteBehaviour(behaviour);
        quote = &desktop.startQuoteProgram(quoteFolder, kTitle);
        windows.setSetup({quoteFolder, kTitle, QStringLiteral("TdxW.exe"), false, QString()});
        windows.discover(false);
        StockListLoader(frame).loadAtStartUp(quoteFolder, home.file(handKeptTableName()), stocks);
        EXPECT_EQ(stocks.at(23).key, key(23));
        EXPECT_TRUE(db.open());
        schedule.lastTradeDate = MiningSchedule::expectedTradeDate(clock.today());
    }
    MiningOutcome run(QList<MessageAnswer> answers, int percent, MiningOptions options = {}) {
        frame.answers = std::move(answers);
        options.percent = percent;
        options.quoteFolder = quoteFolder;
        MiningRun mining(
            {services, settings, control, shutdown, windows, fetcher, schedule, stocks, own, alarm.get()});
        const RunLease lease = control.lease(JobKind::Mining);
        return mining.run(lease, options);
    }
    // The alarm, over the simulated sound device and an alarm file of the program folder.
    void useAlarm() {
        QFile file(home.file(QStringLiteral("alarm.mp3")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        alarm = std::make_unique<TcmxMP3>(sound, home.file(QStringLiteral("alarm.mp3")).toStdU16String());
        fetcher.setAlarm(alarm.get());
    }
    QString pageFile(int position) const {
        return quoteFolder + QStringLiteral("/sim/pages/") + code(position) + QStringLiteral(".txt");
    }
    // Stops the run once the stock at this list position was announced (it is still done).
    void stopAt(int position) {
        frame.onProcessEvents = [this, position] {
            const auto& logs = frame.logs;
            // Once: a second request would ask to end the program.
            if (control.state() == RunState::Running && !logs.isEmpty() &&
                logs.last().color == LogColor::Blue && logs.last().text.contains(code(position)))
                control.requestStop();
        };
    }
    QStringList storedCodes() {
        Statement query =
            db.QueryPublic(QStringLiteral("select distinct StCode from tblStChange order by 1"));
        QStringList codes;
        EXPECT_TRUE(query.exec());
        while (query.next())
            codes << query.text(0);
        return codes;
    }
    QList<Question> questions() const {
        QList<Question> asked;
        for (const MessageRequest& message : frame.messages)
            asked << message.question;
        return asked;
    }

    TempHome home;
    QString quoteFolder = home.file(QStringLiteral("quote"));
    VirtualClock clock{QDateTime(QDate(2017, 3, 16), QTime(20, 0))};
    SimDesktop desktop{clock};
    SimQuoteProgram* quote = nullptr;
    ProgramFolder folder{home.path()};
    // A lock held by another program is given up on after a tenth of a second, not five.
    TDataBase db{folder.databaseFile(), 100};
    Settings settings{folder, clock};
    RecordingFrame frame{home.path()};
    FakeLauncher launcher;
    FixedNetworkState network{true};
    PortableArchiver archiver;
    SimulatedShutdown shutdown;
    ExtractionServices services{db, frame, clock, launcher, archiver, network, folder};
    RunControl control{frame, clock};
    MiningSchedule schedule;
    StockList stocks;
    OwnStockList own{home.file(QStringLiteral("SelfStock.Txt"))};
    QuoteWindows windows{desktop, clock, frame, launcher};
    SimSound sound;
    FailureBeep beep{sound};
    ReportFetch fetcher{windows, frame, clock, desktop, beep};
    std::unique_ptr<TcmxMP3> alarm;
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

}  // namespace

// Unscreened over an empty own list: every stock in order, each typed once (the next one
// ahead of its fetch); a wrong page first is stored after its retry, a page that never
// comes is retried once automatically and listed with the stocks that have no report.
TEST(MiningRun, UnscreenedStoresEveryReportThePagesHold) {
    // The first wrong-page question is the second stock's: the first has a page too.
    ASSERT_TRUE(plannedStocks().at(0).hasReportPage && plannedStocks().at(1).hasReportPage);
    ASSERT_TRUE(plannedStocks().at(22).hasReportPage);
    SimQuoteBehaviour behaviour;
    behaviour.wrongPageFirst.insert(code(1));
    behaviour.neverLoads.insert(code(22));
    Market m(behaviour);
    MiningOptions options;
    options.onlyOwnStocks = true;
    const MiningOutcome outcome = m.run({Yes, Yes}, 0, options);
    EXPECT_EQ(outcome.passes, 2);
    QStringList notCaptured;
    for (const QString& failed : outcome.notCaptured)
        notCaptured << failed.right(6);
    EXPECT_EQ(sorted(notCaptured), sorted(codesWhere([](auto& s) { return !s.hasReportPage; }) << code(22)));
    EXPECT_EQ(m.storedCodes(), codesWhere([](auto& s) { return s.hasReportPage && s.key != key(22); }));
    EXPECT_EQ(sorted(m.quote->record().selectedCodes.mid(0, 24)), codesWhere([](auto&) { return true; }));
    EXPECT_EQ(m.quote->record().selectedCodes.value(1), code(1));
    EXPECT_TRUE(m.own.items().isEmpty());
    EXPECT_EQ(m.questions().mid(0, 2),
              (QList<Question>{Question::MiningF10Reminder, Question::FetchWrongPage}));

    // The run's log, as the window showed it, in a UTF-8 file named for the day.
    QFile log(m.home.file(QStringLiteral("StockNews-2017-03-16.LOG")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        log.readAll(),
        "\xEF\xBB\xBF" + (m.frame.logLines().join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    EXPECT_EQ(m.frame.logLines().last(), QStringLiteral("全部股票分析完毕!"));
}

TEST(MiningRun, ScreenedFetchesOnlyTheMovingStocksAndTypesNothingAhead) {
    Market m;
    const MiningOutcome outcome = m.run({Yes}, 20);
    // A stock listed two days ago moved from its own opening price.
    const QStringList moving = codesWhere([](const GeneratedQuoteStock& s) {
        return s.role == QuoteStockRole::Surge || s.role == QuoteStockRole::Plunge ||
               s.role == QuoteStockRole::NewlyListed;
    });
    EXPECT_EQ(sorted(m.quote->record().selectedCodes), moving);
    EXPECT_EQ(outcome.fetched, moving.size());
    EXPECT_FALSE(m.questions().contains(Question::MiningResume));
}

// Noted today at a later row: the user is asked and Yes starts at that stock itself;
// noted at the first row: no question.
TEST(MiningRun, OffersToResumeWhereTodaysRunGotTo) {
    const struct {
        int noted;
        MessageAnswer answer;
        int start;
    } cases[] = {{5, Yes, 5}, {5, No, 0}, {0, Yes, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Market m;
        ASSERT_TRUE(m.settings.startFreshRun(m.clock.today()));
        ASSERT_TRUE(m.settings.writeLastStock(key(c.noted), c.noted + 1));
        m.stopAt(c.start);
        EXPECT_EQ(m.run({Yes, c.answer}, 0).startPosition, c.start);
        EXPECT_EQ(m.questions().contains(Question::MiningResume), c.noted > 0);
        EXPECT_TRUE(c.noted == 0 || m.frame.messages.value(1).text.contains(key(c.noted)));
        EXPECT_EQ(m.quote->record().selectedCodes.value(0), code(c.start));
    }
}

// A stop still asks about the failed stocks, and the computer stays on.
TEST(MiningRun, AStopAsksAboutTheFailedStocksAndDoesNotShutDown) {
    SimQuoteBehaviour behaviour;
    behaviour.neverLoads.insert(code(0));
    Market m(behaviour);
    m.stopAt(1);
    MiningOptions options;
    options.autoRepeat = false;
    options.shutdownWhenDone = true;
    const MiningOutcome outcome = m.run({Yes}, 0, options);
    EXPECT_TRUE(outcome.stopped());
    EXPECT_EQ(outcome.passes, 1);
    EXPECT_EQ(outcome.notCaptured, QStringList{key(0)});
    EXPECT_TRUE(m.questions().contains(Question::MiningRetryFailed));
    EXPECT_EQ(m.shutdown.requests, 0);
    // Stopped is not done: the closing box says so.
    EXPECT_NE(m.frame.messages.last().text, QStringLiteral("数据挖掘任务完成!"));
    EXPECT_TRUE(m.frame.messages.last().text.contains(QStringLiteral("停止")))
        << m.frame.messages.last().text.toStdString();
}

// The quote program closing for good (here on the code typed ahead for the third stock):
// no stock after it counts as captured or is noted as done, whatever the user answers.
TEST(MiningRun, StocksFetchedWithoutTheQuoteProgramAreNotCaptured) {
    for (const MessageAnswer goOn : {Yes, No}) {
        SCOPED_TRACE(goOn == Yes ? "go on" : "stop");
        SimQuoteBehaviour behaviour;
        behaviour.vanishOnCodes.insert(code(2));
        Market m(behaviour);
        m.frame.onProcessEvents = [&m] { m.desktop.deliverNotifications(); };
        const MiningOutcome outcome = m.run(QList<MessageAnswer>{Yes} + QList<MessageAnswer>(60, goOn), 0);
        EXPECT_EQ(outcome.captured, 2);
        EXPECT_EQ(outcome.notCaptured.size(), 22);
        EXPECT_EQ(m.settings.lastCode(), key(1));
    }
}

// Windows drops our keys to a quote program run as administrator: the run says so once and
// ends, whether it met the program so at its start or once the program came back raised.
TEST(MiningRun, AQuoteProgramRunAsAdministratorEndsTheRunWithOneMessage) {
    const QString said = QStringLiteral("行情分析软件正以管理员身份运行");
    for (const int raisedAt : {0, 2}) {
        SCOPED_TRACE(raisedAt);
        SimQuoteBehaviour behaviour;
        behaviour.elevated = raisedAt == 0;
        Market m(behaviour);
        if (raisedAt > 0) {
            m.frame.onProcessEvents = [&m, raisedAt] {
                if (m.quote->record().selectedCodes.size() == raisedAt)
                    m.desktop.setProcessElevated(m.quote->processId(), true);
            };
        }
        const MiningOutcome outcome = m.run(QList<MessageAnswer>(5, Yes), 0);
        const auto messages = std::count_if(m.frame.messages.begin(), m.frame.messages.end(),
                                            [&](const MessageRequest& r) { return r.text.startsWith(said); });
        EXPECT_EQ(messages, 1);
        EXPECT_EQ(outcome.started(), raisedAt > 0);
        EXPECT_EQ(outcome.reason, JobReason::QuoteProgramRefusesInput);
        EXPECT_EQ(outcome.passes, raisedAt > 0 ? 1 : 0);
        EXPECT_EQ(m.quote->record().selectedCodes.size(), raisedAt);
        EXPECT_LE(outcome.captured, raisedAt);
    }
}

// The quote program is the user's between runs: a run types its first code even when the
// last run had typed that code ahead.
TEST(MiningRun, ASecondRunTypesItsFirstCodeAgain) {
    ASSERT_TRUE(plannedStocks().at(0).hasReportPage && plannedStocks().at(1).hasReportPage);
    Market m;
    m.stopAt(0);
    m.run({Yes}, 0);
    ASSERT_EQ(m.quote->record().selectedCodes, QStringList{code(0)} << code(1));
    m.desktop.setForegroundWindow(m.quote->mainWindow());
    for (const QChar digit : code(3))
        m.desktop.keyDown(static_cast<std::uint8_t>(digit.unicode()));
    m.desktop.keyDown(VirtualKey::Enter);
    m.frame.onProcessEvents = {};
    m.own.replaceItems({key(1)});
    MiningOptions options;
    options.onlyOwnStocks = true;
    EXPECT_EQ(m.run({Yes}, 0, options).captured, 1);
    EXPECT_EQ(m.quote->record().selectedCodes.last(), code(1));
    EXPECT_TRUE(m.storedCodes().contains(code(1)));
}

// The quote program keeps the stock before on its view until the new page has loaded, its
// code-input window takes its moment, and a clipboard may refuse to be cleared: every page
// is still stored under its own stock, each stock typed once, none counted twice.
TEST(MiningRun, AnUnkindQuoteProgramStillGetsEachStockStoredUnderItsOwnCode) {
    SimQuoteBehaviour late;
    late.loadTime_ms = 600;
    SimQuoteBehaviour stuck;
    stuck.failingClipboardClears = 100000;
    stuck.slowCodes.insert(code(3), 2000);
    const struct {
        const char* what;
        SimQuoteBehaviour behaviour;
        int percent;
    } cases[] = {{"every page late, unscreened", late, 0},
                 {"every page late, screened", late, 20},
                 {"a clipboard that cannot be cleared and a slow page", stuck, 0}};
    const QStringList withPage = codesWhere([](auto& s) { return s.hasReportPage; });
    const QStringList moving = codesWhere([](const GeneratedQuoteStock& s) {
        return s.role == QuoteStockRole::Surge || s.role == QuoteStockRole::Plunge ||
               s.role == QuoteStockRole::NewlyListed;
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Market m(c.behaviour);
        const MiningOutcome outcome = m.run({Yes}, c.percent);
        QStringList expected;
        for (const QString& code : c.percent == 0 ? withPage : moving) {
            if (withPage.contains(code))
                expected << code;
        }
        // A screened run stores only the anomaly days past its threshold.
        if (c.percent == 0) {
            EXPECT_EQ(m.storedCodes(), expected);
        }
        EXPECT_EQ(outcome.captured, expected.size());
        for (const QString& key : outcome.notCaptured)
            EXPECT_FALSE(withPage.contains(key.right(6))) << key.toStdString();
        // Each stock is made current once in the first pass, with six digits, never twelve.
        const QStringList selected =
            m.quote->record().selectedCodes.mid(0, c.percent == 0 ? 24 : moving.size());
        EXPECT_EQ(sorted(selected), c.percent == 0 ? codesWhere([](auto&) { return true; }) : moving);
    }
}

// A page file that holds another stock's report is no capture of this stock: it is tried
// again in the retry pass, then listed, and the stock's bookkeeping is left alone.
TEST(MiningRun, AnotherStocksReportIsAFailedFetchRetriedThenListed) {
    ASSERT_TRUE(plannedStocks().at(2).hasReportPage && plannedStocks().at(3).hasReportPage);
    Market m({}, [](const QString& quote) {
        const QString pages = quote + QStringLiteral("/sim/pages/");
        writeAll(pages + code(2) + QStringLiteral(".txt"), readAll(pages + code(3) + QStringLiteral(".txt")));
    });
    const MiningOutcome outcome = m.run({Yes}, 0);
    EXPECT_TRUE(outcome.notCaptured.contains(key(2)));
    EXPECT_FALSE(m.storedCodes().contains(code(2)));
    EXPECT_TRUE(m.storedCodes().contains(code(3)));
    EXPECT_EQ(m.frame.countLogs(QStringLiteral("抓取失败!(行情软件仍显示其它股票的页面)")), 2);
    EXPECT_EQ(outcome.passes, 2);
}

// A sound device that fails is said once; the run goes on without sound and stores every page.
TEST(MiningRun, ASoundDeviceFailingMidRunDoesNotEndIt) {
    SimQuoteBehaviour behaviour;
    behaviour.wrongPageFirst.insert(code(4));
    Market m(behaviour);
    m.useAlarm();
    m.frame.onProcessEvents = [&m] {
        if (m.frame.countLogs(code(3)) > 0)
            m.sound.failFromNowOn();
    };
    const MiningOutcome outcome = m.run({Yes, Yes}, 0);
    EXPECT_NE(outcome.reason, JobReason::Unexpected) << outcome.detail.toStdString();
    EXPECT_EQ(m.frame.countLogs(QStringLiteral("报警声音设备出错")), 1);
    EXPECT_EQ(m.storedCodes(), codesWhere([](auto& s) { return s.hasReportPage; }));
}

// While the first run asks its start question, a second (the automatic daily start) finds
// the run control held and does not start inside it.
TEST(MiningRun, NoSecondRunStartsWhileTheFirstAsks) {
    Market m;
    MiningOutcome inner;
    bool tried = false;
    m.frame.onMessage = [&](const MessageRequest& request) {
        if (request.question != Question::MiningF10Reminder || tried)
            return;
        tried = true;
        EXPECT_TRUE(m.control.isActive());
        MiningRun second({m.services, m.settings, m.control, m.shutdown, m.windows, m.fetcher, m.schedule,
                          m.stocks, m.own, nullptr});
        const RunLease refused = m.control.lease(JobKind::Mining);
        inner = second.run(refused, MiningOptions{});
    };
    m.stopAt(1);
    const MiningOutcome outer = m.run({Yes}, 0);
    EXPECT_TRUE(tried);
    EXPECT_EQ(inner.end, JobEnd::NotStarted);
    EXPECT_EQ(inner.reason, JobReason::Busy);
    EXPECT_TRUE(outer.started());
    EXPECT_EQ(outer.passes, 1);
    EXPECT_FALSE(m.control.isActive());
}

// Stopped with the automatic retry on, the run retries nothing and lists what it missed;
// the list is kept with the resume point, so the same day's resumed run names the stocks
// and tries them again.
TEST(MiningRun, AStoppedRunListsItsFailuresAndAResumedRunRetriesThem) {
    SimQuoteBehaviour behaviour;
    behaviour.neverLoads.insert(code(1));
    Market m(behaviour);
    m.stopAt(3);
    const MiningOutcome stopped = m.run({Yes}, 0);
    EXPECT_TRUE(stopped.stopped());
    EXPECT_EQ(stopped.passes, 1);
    EXPECT_EQ(stopped.notCaptured, QStringList{key(1)});
    EXPECT_EQ(m.frame.countLogs(QStringLiteral("----------挖掘未成功的股票----------")), 0);
    EXPECT_EQ(FailedStocks(m.settings, m.clock).today(), QStringList{key(1)});

    m.frame.onProcessEvents = {};
    m.clock.advance(60 * 1000);
    const int selectedBefore = static_cast<int>(m.quote->record().selectedCodes.size());
    const MiningOutcome resumed = m.run({Yes, Yes}, 0);
    EXPECT_EQ(resumed.startPosition, 3);
    EXPECT_EQ(resumed.carriedFailures, QStringList{key(1)});
    EXPECT_TRUE(m.quote->record().selectedCodes.mid(selectedBefore).contains(code(1)));
    EXPECT_TRUE(resumed.notCaptured.contains(key(1)));
}

// A run nobody watches never waits on a question: a quote program gone for good is given
// up after a few starts, and the run ends with the list of what it missed.
TEST(MiningRun, AnUnattendedRunEndsWhenTheQuoteProgramIsGoneForGood) {
    SimQuoteBehaviour behaviour;
    behaviour.vanishOnCodes.insert(code(2));
    Market m(behaviour);
    m.frame.onProcessEvents = [&m] { m.desktop.deliverNotifications(); };
    MiningOptions options;
    options.unattended = true;
    const qint64 start_ms = m.clock.elapsedMs();
    const MiningOutcome outcome = m.run({}, 0, options);
    EXPECT_EQ(outcome.reason, JobReason::QuoteProgramLost);
    EXPECT_EQ(outcome.captured, 2);
    EXPECT_LE(outcome.notCaptured.size(), kQuoteProgramStarts + 1);
    EXPECT_LT(m.clock.elapsedMs() - start_ms, 10 * 60 * 1000);
    for (const MessageRequest& asked : m.frame.messages) {
        if (asked.buttons != MessageButtons::Ok || asked.text == QStringLiteral("数据挖掘任务完成!")) {
            EXPECT_GT(asked.timeout_s, 0) << asked.text.toStdString();
        }
    }
}

// Another program holding the write lock for 20 seconds fails the stocks it meets; the
// retry pass stores them, and the run does not end.
TEST(MiningRun, AWriteLockHeldForAWhileFailsTheStocksUntilTheRetryPass) {
    SimQuoteBehaviour slow;  // about a second and a half a stock: the lock outlasts several
    slow.loadTime_ms = 1200;
    Market m(slow);
    TDataBase other(m.folder.databaseFile());
    ASSERT_TRUE(other.open());
    qint64 lockedAt = -1;
    m.frame.onProcessEvents = [&] {
        if (lockedAt < 0 && m.frame.countLogs(code(5)) > 0) {
            ASSERT_TRUE(other.beginTransaction());
            lockedAt = m.clock.elapsedMs();
        } else if (lockedAt >= 0 && other.inTransaction() && m.clock.elapsedMs() - lockedAt > 20000) {
            other.rollback();
        }
    };
    const MiningOutcome outcome = m.run({Yes}, 0);
    EXPECT_FALSE(outcome.storeFailed()) << outcome.storeError().toStdString();
    EXPECT_GT(m.frame.countLogs(QStringLiteral("数据库被其它程序锁定")), 0);
    EXPECT_EQ(outcome.passes, 2);
    EXPECT_EQ(m.storedCodes(), codesWhere([](auto& s) { return s.hasReportPage; }));
}

// A page whose dates lie in the future is wrong data: nothing of it is kept. A page copied
// with every line ended twice is the same page.
TEST(MiningRun, FutureDatesAreRefusedAndDoubledLineEndsReadAsOne) {
    ASSERT_TRUE(plannedStocks().at(4).hasReportPage && plannedStocks().at(5).hasReportPage &&
                plannedStocks().at(6).hasReportPage);
    Market reference;
    reference.run({Yes}, 0);
    const auto rowsOf = [](TDataBase& db, const QString& stock) {
        Statement query =
            db.QueryPublic(QStringLiteral("select count(*) from tblStChange where StCode=:StCode"));
        query.bind(QStringLiteral(":StCode"), stock);
        EXPECT_TRUE(query.exec() && query.next());
        return query.integer(0);
    };
    Market m({}, [](const QString& quote) {
        const QString pages = quote + QStringLiteral("/sim/pages/");
        QByteArray future = readAll(pages + code(4) + QStringLiteral(".txt"));
        future.replace("2017-", "2099-");
        writeAll(pages + code(4) + QStringLiteral(".txt"), future);
        for (const auto& [position, lineEnd] : {std::pair{5, "\r\r\n"}, std::pair{6, "\n\r"}}) {
            QByteArray doubled = readAll(pages + code(position) + QStringLiteral(".txt"));
            doubled.replace("\r\n", lineEnd);
            writeAll(pages + code(position) + QStringLiteral(".txt"), doubled);
        }
    });
    const MiningOutcome outcome = m.run({Yes}, 0);
    EXPECT_TRUE(outcome.notCaptured.contains(key(4)));
    EXPECT_EQ(rowsOf(m.db, code(4)), 0);
    EXPECT_FALSE(
        QDir(m.folder.stockFolder(code(4))).entryList({QStringLiteral("*2099*")}, QDir::Files).size());
    for (const int position : {5, 6}) {
        EXPECT_GT(rowsOf(reference.db, code(position)), 1);
        EXPECT_EQ(rowsOf(m.db, code(position)), rowsOf(reference.db, code(position)));
    }
}

// The day's failed stocks are the mining run's own record: an own-list run adds to it, a
// fresh start of the resume point (the re-analysis from its first stock) leaves it alone,
// and a resumed run retries what is still missing once and lists only that, never a stock
// it stored meanwhile.
TEST(MiningRun, TheDaysFailedStocksAreNeverForgottenNorCountedTwice) {
    ASSERT_TRUE(plannedStocks().at(5).hasReportPage && plannedStocks().at(7).hasReportPage);
    SimQuoteBehaviour behaviour;
    behaviour.neverLoads.insert(code(1));
    behaviour.neverLoads.insert(code(7));
    Market m(behaviour);
    m.stopAt(3);
    ASSERT_EQ(m.run({Yes}, 0).notCaptured, QStringList{key(1)});
    FailedStocks record(m.settings, m.clock);
    EXPECT_EQ(record.today(), QStringList{key(1)});

    m.frame.onProcessEvents = {};
    m.own.replaceItems({key(7)});
    MiningOptions own;
    own.onlyOwnStocks = true;
    EXPECT_EQ(m.run({Yes}, 0, own).notCaptured, QStringList{key(7)});
    EXPECT_EQ(record.today(), (QStringList{key(1), key(7)})) << "added to, not replaced";

    ASSERT_TRUE(m.settings.startFreshRun(m.clock.today()));
    ASSERT_TRUE(m.settings.writeLastStock(key(3), 4));
    EXPECT_EQ(record.today(), (QStringList{key(1), key(7)})) << "a fresh start keeps the record";
    // A stock the day's runs missed that the resumed walk comes to is stored there.
    ASSERT_TRUE(record.add(key(5)));

    const qsizetype before = m.quote->record().selectedCodes.size();
    const MiningOutcome resumed = m.run({Yes, Yes}, 0);
    EXPECT_EQ(resumed.startPosition, 3);
    // Listed: the two whose page never comes, and those without a report at all.
    EXPECT_EQ(withPages(resumed.notCaptured), sorted({key(1), key(7)}));
    EXPECT_FALSE(resumed.notCaptured.contains(key(5)));
    EXPECT_EQ(m.quote->record().selectedCodes.mid(before).count(code(5)), 1) << "fetched once";
    EXPECT_EQ(sorted(record.today()), sorted(resumed.notCaptured)) << "the record holds what is missing";
}

// A stock whose folder cannot be made is not captured: nothing of it is stored, the run
// goes on and nobody waits at a box; the retry pass comes back to it.
TEST(MiningRun, AStockWhoseDocumentCannotBeKeptIsNotCaptured) {
    ASSERT_TRUE(plannedStocks().at(0).hasReportPage);
    Market m;
    QFile blocker(m.home.file(code(0)));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a plain file where the folder should be
    blocker.close();
    MiningOptions options;
    options.unattended = true;
    const MiningOutcome outcome = m.run({}, 0, options);
    EXPECT_EQ(withPages(outcome.notCaptured), QStringList{key(0)});
    EXPECT_FALSE(m.storedCodes().contains(code(0)));
    EXPECT_TRUE(m.storedCodes().contains(code(1)));
    EXPECT_EQ(outcome.passes, 2);
    for (const MessageRequest& asked : m.frame.messages)
        EXPECT_GT(asked.timeout_s, 0) << asked.text.toStdString();
    EXPECT_EQ(withPages(FailedStocks(m.settings, m.clock).today()), QStringList{key(0)});
}

// A run killed after its first failure (nothing of its end runs: no list, no log file)
// leaves the day's record behind; the resumed run goes on from the last stored stock,
// retries the one that failed and stores every report once.
TEST(MiningRun, AKilledRunIsResumedWithItsFailures) {
    struct Killed {};
    SimQuoteBehaviour behaviour;
    behaviour.neverLoads.insert(code(1));
    Market m(behaviour);
    m.frame.onProcessEvents = [&m] {
        const auto& logs = m.frame.logs;
        if (!logs.isEmpty() && logs.last().color == LogColor::Blue && logs.last().text.contains(code(4)))
            throw Killed{};
    };
    EXPECT_THROW(m.run({Yes}, 0), Killed);
    EXPECT_EQ(withPages(FailedStocks(m.settings, m.clock).today()), QStringList{key(1)});

    m.frame.onProcessEvents = {};
    const qsizetype before = m.quote->record().selectedCodes.size();
    const MiningOutcome resumed = m.run({Yes, Yes}, 0);
    EXPECT_GE(resumed.startPosition, 2);
    EXPECT_EQ(withPages(resumed.carriedFailures), QStringList{key(1)});
    EXPECT_TRUE(m.quote->record().selectedCodes.mid(before).contains(code(1)));
    EXPECT_EQ(withPages(resumed.notCaptured), QStringList{key(1)});
    EXPECT_EQ(m.storedCodes(), codesWhere([](auto& s) { return s.hasReportPage && s.key != key(1); }));
}

// Screened by the exchanges' own rules, the run fetches the stocks those rules pick and no
// others, in the list's order, types nothing ahead and names each stock's rule in its log.
TEST(MiningRun, TheExchangesRulesPickTheStocksFetched) {
    Market m;
    ExchangeRuleScreener rules(m.quoteFolder, ExchangeRuleSet::defaults(), {},
                               [](const QString&, LogColor) {});
    ASSERT_TRUE(rules.loadIndexes());
    QStringList picked;
    for (const GeneratedQuoteStock& stock : plannedStocks()) {
        const auto verdict = rules.judge(stock.key, m.stocks.nameOf(stock.key));
        if (verdict && verdict->picked)
            picked << stock.key.right(6);
    }
    ASSERT_FALSE(picked.isEmpty()) << "the generated market has movers";
    MiningOptions options;
    options.exchangeRules = true;
    const MiningOutcome outcome = m.run({Yes, Yes}, 0, options);
    EXPECT_EQ(m.quote->record().selectedCodes.mid(0, picked.size()), picked);
    QStringList visited = m.quote->record().selectedCodes;
    visited.removeDuplicates();
    EXPECT_EQ(sorted(visited), sorted(picked)) << "the retry pass visits the picked stocks only";
    EXPECT_EQ(outcome.typedAhead, 0);
    EXPECT_FALSE(m.questions().contains(Question::MiningResume));
    EXPECT_EQ(m.frame.countLogs(QStringLiteral(" 上榜规则: ")), picked.size());
}

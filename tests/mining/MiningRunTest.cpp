#include "app/ProgramFolder.h"
#include "app/RunControl.h"
#include "app/Settings.h"
#include "app/TextCodec.h"
#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "automation/ReportFetch.h"
#include "demo/QuoteFolderGenerator.h"
#include "mining/MiningRun.h"
#include "mining/MiningSchedule.h"
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

#include <QFile>

#include <algorithm>

using namespace quarrow;
using namespace quarrow::test;

namespace {

const QString kTitle = QStringLiteral("东方通达信");
const MessageAnswer Yes = MessageAnswer::Yes;
const MessageAnswer No = MessageAnswer::No;

// A generated market of 24 stocks (some without a report page) on the simulated quote
// program, with the program folder, database and services of a mining run.
struct Market {
    explicit Market(SimQuoteBehaviour behaviour = {}) {
        QuoteFolderOptions options;
        options.stockCount = 24;
        options.barCount = 30;
        const QuoteFolderGenerator generator(options);
        EXPECT_TRUE(generator.write(quoteFolder));
        plan = generator.plan();
        desktop.setPageDecoder([](const QByteArray& bytes) { return TextCodec::decode(bytes); });
        desktop.setQuoteBehaviour(behaviour);
        quote = &desktop.startQuoteProgram(quoteFolder, kTitle);
        windows.setSetup({quoteFolder, kTitle, QStringLiteral("TdxW.exe"), false, QString()});
        windows.discover(false);
        StockListLoader(frame).loadAtStartUp(quoteFolder, home.file(handKeptTableName()), stocks);
        EXPECT_EQ(stocks.size(), 24);
        EXPECT_TRUE(db.open());
        schedule.lastTradeDate = MiningSchedule::expectedTradeDate(clock.today());
    }
    MiningOutcome run(QList<MessageAnswer> answers, MiningOptions options) {
        frame.answers = std::move(answers);
        frame.messages.clear();
        options.quoteFolder = quoteFolder;
        MiningRun mining({services, totals, settings, control, shutdown, windows, fetcher, state, schedule,
                          stocks, own, nullptr});
        return mining.run(options);
    }
    // Stops the run once the stock at this list position was announced (it is still done).
    void stopAt(int position) {
        const QString code = stocks.at(position).key.right(6);
        frame.onProcessEvents = [this, code] {
            const auto& logs = frame.logs;
            if (!logs.isEmpty() && logs.last().color == LogColor::Blue && logs.last().text.contains(code))
                control.requestStop();
        };
    }
    QStringList keys(const std::function<bool(const GeneratedQuoteStock&)>& which) const {
        QStringList found;
        for (const GeneratedQuoteStock& stock : plan.stocks) {
            if (which(stock))
                found << stock.key;
        }
        found.sort();
        return found;
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
    GeneratedQuoteFolder plan;
    VirtualClock clock{QDateTime(QDate(2017, 3, 16), QTime(20, 0))};
    SimDesktop desktop{clock};
    SimQuoteProgram* quote = nullptr;
    ProgramFolder folder{home.path()};
    TDataBase db{folder.databaseFile()};
    Settings settings{folder, clock};
    RecordingFrame frame{home.path()};
    FakeLauncher launcher;
    FixedNetworkState network{true};
    SimulatedShutdown shutdown;
    ExtractionServices services{db, frame, clock, launcher, network, folder};
    ExtractionTotals totals;
    RunControl control{frame, clock};
    MiningSchedule schedule;
    StockList stocks;
    OwnStockList own{home.file(QStringLiteral("SelfStock.Txt"))};
    QuoteWindows windows{desktop, clock, frame, launcher};
    SimSound sound;
    FailureBeep beep{sound};
    FetchState state;
    ReportFetch fetcher{windows, frame, clock, desktop, beep, state};
};

}  // namespace

// Unscreened over an empty own list: every stock in order, each typed once (the next one
// ahead of its fetch); a wrong page first is stored after its retry, a page that never
// comes is retried once automatically and listed with the stocks that have no report.
TEST(MiningRun, UnscreenedStoresEveryReportThePagesHold) {
    Market probe;
    // The first wrong-page question is the second stock's: the first stock has a page too.
    ASSERT_TRUE(probe.plan.stocks.at(0).hasReportPage && probe.plan.stocks.at(1).hasReportPage);
    const QString wrongKey = probe.stocks.at(1).key;
    const QString neverKey = probe.stocks.at(22).key;
    ASSERT_EQ(probe.plan.stocks.at(22).key, neverKey);
    ASSERT_TRUE(probe.plan.stocks.at(22).hasReportPage);
    SimQuoteBehaviour behaviour;
    behaviour.wrongPageFirst.insert(wrongKey.right(6));
    behaviour.neverLoads.insert(neverKey.right(6));

    Market m(behaviour);
    MiningOptions options;
    options.percent = 0;
    options.onlyOwnStocks = true;
    const MiningOutcome outcome = m.run({Yes, Yes}, options);
    ASSERT_TRUE(outcome.ran);
    EXPECT_EQ(outcome.passes, 2);
    QStringList notCaptured = outcome.notCaptured;
    notCaptured.sort();
    QStringList expected = m.keys([](const GeneratedQuoteStock& s) { return !s.hasReportPage; }) << neverKey;
    expected.sort();
    EXPECT_EQ(notCaptured, expected);
    QStringList stored;
    for (const QString& key : m.keys([&](const GeneratedQuoteStock& s) { return s.hasReportPage; })) {
        if (key != neverKey)
            stored << key.right(6);
    }
    stored.sort();
    EXPECT_EQ(m.storedCodes(), stored);
    QStringList inOrder;
    for (int p = 0; p < m.stocks.size(); ++p)
        inOrder << m.stocks.at(p).key.right(6);
    EXPECT_EQ(m.quote->record().selectedCodes.mid(0, 24), inOrder);
    EXPECT_TRUE(m.own.items().isEmpty());
    EXPECT_EQ(m.questions().mid(0, 2),
              (QList<Question>{Question::MiningF10Reminder, Question::FetchWrongPage}));

    // The run's log, as the window showed it, in a UTF-8 file named for the day.
    QFile log(m.home.file(QStringLiteral("StockNews-2017-03-16.LOG")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(outcome.logFile, log.fileName());
    EXPECT_EQ(
        log.readAll(),
        "\xEF\xBB\xBF" + (m.frame.logLines().join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    EXPECT_EQ(m.frame.logLines().last(), QStringLiteral("全部股票分析完毕!"));
}

TEST(MiningRun, ScreenedFetchesOnlyTheMovingStocksAndTypesNothingAhead) {
    Market m;
    MiningOptions options;
    options.percent = 20;
    const MiningOutcome outcome = m.run({Yes}, options);
    ASSERT_TRUE(outcome.ran);
    const QStringList moving = m.keys([](const GeneratedQuoteStock& s) {
        // A stock listed two days ago moved from its own opening price.
        return s.role == QuoteStockRole::Surge || s.role == QuoteStockRole::Plunge ||
               s.role == QuoteStockRole::NewlyListed;
    });
    ASSERT_FALSE(moving.isEmpty());
    QStringList selected;
    for (const QString& key : moving)
        selected << key.right(6);
    QStringList firstPass = m.quote->record().selectedCodes.mid(0, moving.size());
    firstPass.sort();
    selected.sort();

    EXPECT_EQ(firstPass, selected);
    EXPECT_EQ(outcome.fetched, moving.size());
    EXPECT_EQ(m.quote->record().selectedCodes.size(), moving.size());
    EXPECT_FALSE(m.questions().contains(Question::MiningResume));
}

// Noted today at a later row: the user is asked and Yes starts at that stock itself;
// noted at the first row: no question.
TEST(MiningRun, OffersToResumeWhereTodaysRunGotTo) {
    const struct {
        int noted;
        MessageAnswer answer;
        bool asked;
        int start;
    } cases[] = {{5, Yes, true, 5}, {5, No, true, 0}, {0, Yes, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.noted);
        Market m;
        const QString key = m.stocks.at(c.noted).key;
        ASSERT_TRUE(m.settings.startFreshRun(m.clock.today()));
        ASSERT_TRUE(m.settings.writeLastStock(key, c.noted + 1));
        m.stopAt(c.start);
        MiningOptions options;
        options.percent = 0;
        const MiningOutcome outcome = m.run({Yes, c.answer}, options);
        EXPECT_EQ(outcome.startPosition, c.start);
        EXPECT_EQ(m.questions().contains(Question::MiningResume), c.asked);
        if (c.asked) {
            EXPECT_TRUE(m.frame.messages.at(1).text.contains(key));
        }
        EXPECT_EQ(m.quote->record().selectedCodes.value(0), m.stocks.at(c.start).key.right(6));
    }
}

// A stop still asks about the failed stocks, and the computer stays on.
TEST(MiningRun, AStopAsksAboutTheFailedStocksAndDoesNotShutDown) {
    Market probe;
    SimQuoteBehaviour behaviour;
    behaviour.neverLoads.insert(probe.stocks.at(0).key.right(6));
    Market m(behaviour);
    m.stopAt(1);
    MiningOptions options;
    options.percent = 0;
    options.autoRepeat = false;
    options.shutdownWhenDone = true;
    const MiningOutcome outcome = m.run({Yes}, options);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.passes, 1);
    EXPECT_EQ(outcome.notCaptured, QStringList{m.stocks.at(0).key});
    EXPECT_TRUE(m.questions().contains(Question::MiningRetryFailed));
    EXPECT_EQ(m.shutdown.requests, 0);
    EXPECT_EQ(m.frame.messages.last().text, QStringLiteral("数据挖掘任务完成!"));
    EXPECT_TRUE(m.frame.promptMemo.contains(QStringLiteral("\t未取到变动资料的股票:")));
}

// The quote program closing for good (here on the code typed ahead for the third stock):
// no stock after it counts as captured or is noted as done, whatever the user answers.
TEST(MiningRun, StocksFetchedWithoutTheQuoteProgramAreNotCaptured) {
    Market probe;
    ASSERT_TRUE(probe.plan.stocks.at(0).hasReportPage && probe.plan.stocks.at(1).hasReportPage);
    for (const MessageAnswer goOn : {Yes, No}) {
        SCOPED_TRACE(goOn == Yes ? "go on" : "stop");
        SimQuoteBehaviour behaviour;
        behaviour.vanishOnCodes.insert(probe.stocks.at(2).key.right(6));
        Market m(behaviour);
        m.frame.onProcessEvents = [&m] { m.desktop.deliverNotifications(); };
        MiningOptions options;
        options.percent = 0;
        const MiningOutcome outcome =
            m.run(QList<MessageAnswer>{Yes} + QList<MessageAnswer>(60, goOn), options);
        EXPECT_EQ(outcome.captured, 2);
        EXPECT_EQ(outcome.notCaptured.size(), 22);
        EXPECT_EQ(m.settings.lastCode(), m.stocks.at(1).key);
    }
}

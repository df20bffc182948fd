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

#include <QFile>

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

// The generated market on the simulated quote program, with the program folder, database
// and services of a mining run.
struct Market {
    explicit Market(SimQuoteBehaviour behaviour = {}) {
        EXPECT_TRUE(QuoteFolderGenerator(marketOptions()).write(quoteFolder));
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
        MiningRun mining({services, totals, settings, control, shutdown, windows, fetcher, state, schedule,
                          stocks, own, nullptr});
        return mining.run(options);
    }
    // Stops the run once the stock at this list position was announced (it is still done).
    void stopAt(int position) {
        frame.onProcessEvents = [this, position] {
            const auto& logs = frame.logs;
            if (!logs.isEmpty() && logs.last().color == LogColor::Blue &&
                logs.last().text.contains(code(position)))
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
    TDataBase db{folder.databaseFile()};
    Settings settings{folder, clock};
    RecordingFrame frame{home.path()};
    FakeLauncher launcher;
    FixedNetworkState network{true};
    PortableArchiver archiver;
    SimulatedShutdown shutdown;
    ExtractionServices services{db, frame, clock, launcher, archiver, network, folder};
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
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.passes, 1);
    EXPECT_EQ(outcome.notCaptured, QStringList{key(0)});
    EXPECT_TRUE(m.questions().contains(Question::MiningRetryFailed));
    EXPECT_EQ(m.shutdown.requests, 0);
    EXPECT_EQ(m.frame.messages.last().text, QStringLiteral("数据挖掘任务完成!"));
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

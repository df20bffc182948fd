#include "download/DataDownload.h"

#include "app/Settings.h"
#include "download/DownloadResume.h"
#include "download/OutsideText.h"
#include "download/PageContract.h"
#include "download/PageLoader.h"
#include "download/PageTable.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "store/DataBase.h"
#include "store/DepartmentNames.h"
#include "store/RecordKeys.h"
#include "store/ReportRows.h"
#include "store/StockTable.h"

#include <QHash>
#include <QHostAddress>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <limits>
#include <vector>

namespace quarrow {

namespace {

constexpr qint64 kProgressInterval_ms = 100;

// Before the first download of an empty database everything the server holds is wanted.
const QDate kEarliestDay(1980, 1, 1);
// No operator data are older than the exchanges' disclosures; a row before this day, or
// after today, is a server's mistake and would move the stocks' bookkeeping days (and with
// them the next download's start) past days that still have data to come.
const QDate kFirstDataDay(1990, 1, 1);

bool sixDigits(const QString& code) {
    return code.size() == 6 && std::all_of(code.cbegin(), code.cend(),
                                           [](QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; });
}

// An ID of the page as a number; nothing when it is not one, or so large that the next
// one would not fit.
std::optional<qint64> pageId(const QString& cell) {
    bool ok = false;
    const qint64 id = cell.toLongLong(&ok);
    if (!ok || id == std::numeric_limits<qint64>::max())
        return std::nullopt;
    return id;
}

Money readMoney(const QString& text) {
    return Money::parse(text).value_or(Money());
}

// A server on this computer is reached without any network connection.
bool onThisComputer(const QString& page) {
    const QString host = QUrl(page.trimmed()).host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QString dayText(const QDate& day) {
    return PageContract::dayText(day);
}

}  // namespace

struct DataDownload::Row {
    QString code;
    QString name;
    QDate day;
    QString department;  // the (buying) department, or the move's description
    Money figure4;
    Money figure5;
    Money figure6;
    QString last;  // the note, or the selling department
};

struct DataDownload::PhaseState {
    qint64 nextId = 0;
    qint64 highestRequested = -1;  // every ID asked for in this phase is at most this
    QDate latestDay;               // today: no row is of a later day
    qint64 remaining = 0;
    int stored = 0;
    QSet<QString> stocks;      // the codes of the rows stored
    int pagesWithoutRows = 0;  // pages in a row that brought no valid row
    QString previousCode;
    QDate previousDay;
    bool skipDay = false;          // the user said not to store the current stock day again
    QHash<QString, bool> decided;  // "code|day" of the stock days met, and whether they are skipped
    std::optional<MessageAnswer> answer;
    QDate day;
    RunProgress progress;
    qint64 start_ms = 0;
    qint64 shown_ms = -1;  // when the progress box was last redrawn
};

DataDownload::DataDownload(DownloadServices services) : m_s(services) {}

QDate DataDownload::nextChangeDay() {
    // A day after today is nobody's data yet: one stored by mistake never moves the start.
    const QDate last =
        newestStockDay(m_s.db, StockDay::LastChange, nullptr, m_s.clock.today()).value_or(QDate());
    return last.isValid() ? last.addDays(1) : kEarliestDay;
}

QDate DataDownload::nextBigDay() {
    const QDate last =
        newestStockDay(m_s.db, StockDay::LastBlockTrade, nullptr, m_s.clock.today()).value_or(QDate());
    return last.isValid() ? last.addDays(1) : kEarliestDay;
}

DownloadOutcome DataDownload::run(const RunLease& lease, const DownloadOptions& options,
                                  const DownloadDateQuestion& askDate) {
    DownloadOutcome outcome;
    AppFrame& frame = m_s.frame;
    if (!lease) {
        outcome.notStart(JobReason::Busy);
        return outcome;
    }
    const bool local = onThisComputer(options.changePage) && onThisComputer(options.bigPage);
    if (!local && !m_s.network.isConnected()) {
        frame.notify(QStringLiteral("网络不通,请连接好INTERNET网络!"));
        outcome.notStart(JobReason::NoNetwork);
        return outcome;
    }
    if (!m_s.db.DBOpened()) {
        frame.addLog(QStringLiteral("\t无法访问数据库!"), LogColor::Red);
        outcome.notStart(JobReason::NoDatabase);
        return outcome;
    }
    DownloadResume changeResume(m_s.settings, QStringLiteral("StChange"), options.changePage);
    DownloadResume bigResume(m_s.settings, QStringLiteral("BigBuySale"), options.bigPage);
    const std::optional<DownloadResumePoint> changePoint = changeResume.load();
    const std::optional<DownloadResumePoint> bigPoint = bigResume.load();
    // An interrupted download is offered where it stopped; any other day starts afresh.
    const QDate changeStart = changePoint ? changePoint->day : nextChangeDay();
    const QDate bigStart = bigPoint ? bigPoint->day : nextBigDay();
    const std::optional<QString> entered =
        askDate(QStringLiteral("输入下载数据日期"), QStringLiteral("下载含指定日期及之后的数据"),
                dayText(changeStart));
    if (!entered) {
        outcome.notStart(JobReason::Declined);
        return outcome;
    }
    const QDate day = PageContract::parseDay(*entered);
    frame.clearLog();
    if (!day.isValid()) {
        frame.addLog(QStringLiteral("\t输入的日期不正确!"), LogColor::Red);
        outcome.notStart(JobReason::InvalidInput, printableText(*entered, 40));
        return outcome;
    }
    if (!m_s.run.start(lease, 1000, 0, ProgressLayout::Download)) {
        outcome.notStart(JobReason::Busy);
        return outcome;
    }
    outcome.begin();
    m_storeError.clear();

    runPhase(Phase::Change, options.changePage, day,
             changePoint && changePoint->day == day ? changePoint : std::nullopt, options, outcome);
    bool bigRan = false;
    // The block trades come after abnormal moves that went through. After a page the server
    // could not give, the next download goes on with the abnormal moves first: the block
    // trades would note their stocks' days (their StLastDate with them), and the rest of
    // the abnormal moves would then look stored already.
    if (!outcome.failed() && m_s.run.stopTag() == 0) {
        bigRan = true;
        runPhase(Phase::Big, options.bigPage, bigStart, bigPoint, options, outcome);
    }
    if (m_s.run.state() == RunState::StopRequested)
        outcome.stop();
    const int lastStored = bigRan ? outcome.bigStored : outcome.changeStored;
    const bool shutdown = options.shutdownWhenDone && lastStored > 0 && outcome.done();
    QString lastLine = QStringLiteral("从服务器下载操盘数据结束");
    if (outcome.stopped())
        lastLine = QStringLiteral("从服务器下载操盘数据被终止,下次下载从中断处继续");
    else if (outcome.failed())
        lastLine = QStringLiteral("从服务器下载操盘数据没有完成:") + outcome.reasonText();
    if (!outcome.done())
        frame.addLog(QStringLiteral("\t") + lastLine, LogColor::Red);
    outcome.closing = m_s.run.finish(lastLine, shutdown, &m_s.shutdown);
    return outcome;
}

void DataDownload::runPhase(Phase phase, const QString& page, const QDate& day,
                            const std::optional<DownloadResumePoint>& resumeFrom,
                            const DownloadOptions& options, DownloadOutcome& outcome) {
    const bool change = phase == Phase::Change;
    const QString what = change ? QStringLiteral("abnormal moves") : QStringLiteral("block trades");
    DownloadResume resume(m_s.settings, change ? QStringLiteral("StChange") : QStringLiteral("BigBuySale"),
                          page);
    PhaseState state;
    state.day = day;
    state.latestDay = m_s.clock.today();
    state.start_ms = m_s.clock.elapsedMs();
    state.progress.layout = ProgressLayout::Download;
    state.progress.maximum = 1000;
    m_s.frame.ShowPrompt(change ? QStringLiteral("正在从服务器下载操盘数据,可点击\"停止\"终止")
                                : QStringLiteral("正在从服务器下载大宗操盘数据,可点击\"停止\"终止"));
    m_s.frame.showProgress(state.progress);
    if (resumeFrom) {
        // The next request the interrupted download would have made. The stock day it was
        // in the middle of is its own, not one stored before: it goes on as it was decided.
        state.day = resumeFrom->day;
        state.nextId = resumeFrom->nextId;
        if (!resumeFrom->code.isEmpty())
            state.decided.insert(resumeFrom->code + QLatin1Char('|') + dayText(resumeFrom->codeDay),
                                 resumeFrom->skipped);
        ++outcome.resumedPhases;
        m_s.frame.addLog(QStringLiteral(">>>>>从上次中断处继续下载:日期") + dayText(state.day) +
                             QStringLiteral(",ID=") + QString::number(state.nextId),
                         LogColor::Default);
    }
    const auto noteProgress = [&] {
        if (!resume.save({state.day, state.nextId, state.previousCode, state.previousDay, state.skipDay})) {
            if (outcome.settingsError.isEmpty())
                m_s.frame.addLog(QStringLiteral("\t>>>>>设置文件写入失败:") + m_s.settings.lastError(),
                                 LogColor::Magenta);
            outcome.failSettings(m_s.settings.lastError());
        }
    };

    bool complete = false;
    for (;;) {
        if (!m_s.run.beforeItem()) {
            m_s.frame.addLog(QStringLiteral("\t从服务器获取数据被强行终止!"), LogColor::Red);
            break;
        }
        state.highestRequested = std::max(state.highestRequested, state.nextId);
        const QUrl url = PageContract::requestUrl(page, state.day, state.nextId, options.user);
        const auto waiting = [this] {
            m_s.frame.processEvents();
            return m_s.run.state() != RunState::StopRequested;
        };
        const PageResult loaded = m_s.loader.load(url, [&waiting] { return !waiting(); });
        if (loaded.status == PageResult::Status::Stopped) {
            m_s.frame.addLog(QStringLiteral("\t从服务器获取数据被强行终止!"), LogColor::Red);
            break;
        }
        const auto pageProblem = [&](const QString& problem) {
            outcome.pageProblems << QStringLiteral("%1: %2").arg(what, problem);
            outcome.fail(JobReason::PageProblem, outcome.pageProblems.last());
        };
        if (loaded.status == PageResult::Status::Failed) {
            const QString error = printableText(loaded.error);
            m_s.frame.addLog(QStringLiteral("\t从服务器获取页面失败: ") + error, LogColor::Red);
            pageProblem(error);
            break;
        }
        // A long parse runs beside the window, so the stop command ends it at once.
        const std::optional<PageTable> read = readPageTable(loaded.html, waiting);
        if (!read) {
            m_s.frame.addLog(QStringLiteral("\t从服务器获取数据被强行终止!"), LogColor::Red);
            break;
        }
        const PageTable& table = *read;
        if (!table.refusal.isEmpty()) {
            m_s.frame.addLog(QStringLiteral("\t服务器返回的页面结构异常,没有读取!"), LogColor::Red);
            pageProblem(table.refusal);
            break;
        }
        if (table.tables != 1) {
            m_s.frame.addLog(QStringLiteral("\t服务器返回的页面表格不正确!"), LogColor::Red);
            pageProblem(QStringLiteral("the page holds %1 tables, not one").arg(table.tables));
            break;
        }
        if (table.cellCount(0) != PageContract::kColumns) {
            m_s.frame.addLog(QStringLiteral("\t从服务器获取的页面表格列数不对!"), LogColor::Red);
            pageProblem(QStringLiteral("the page's first row has %1 cells, not %2")
                            .arg(table.cellCount(0))
                            .arg(PageContract::kColumns));
            break;
        }
        // The next page is on its way while this one is stored.
        std::vector<std::optional<Row>> rows;
        m_s.loader.expect(likelyNextPage(phase, table, state, page, options.user, rows));
        if (!storePage(phase, table, rows, state, outcome))
            break;
        if (state.remaining <= 0) {
            complete = true;
            break;
        }
        noteProgress();
        // The next page must start past every ID asked for: a server whose IDs stand still
        // or go back would be asked for the same rows for ever.
        if (state.nextId <= state.highestRequested) {
            m_s.frame.addLog(QStringLiteral("\t从服务器获取的页面上的数据不对!"), LogColor::Red);
            pageProblem(
                QStringLiteral("the server offers %1 more rows from ID %2, which was asked for already "
                               "(up to ID %3)")
                    .arg(state.remaining)
                    .arg(state.nextId)
                    .arg(state.highestRequested));
            break;
        }
        const bool anyRow =
            std::any_of(rows.cbegin(), rows.cend(), [](const auto& row) { return row.has_value(); });
        state.pagesWithoutRows = anyRow ? 0 : state.pagesWithoutRows + 1;
        if (state.pagesWithoutRows >= kPagesWithoutProgress) {
            m_s.frame.addLog(
                QStringLiteral("\t服务器连续%1页没有返回有效数据,下载中止!").arg(kPagesWithoutProgress),
                LogColor::Red);
            outcome.fail(JobReason::NoProgress,
                         QStringLiteral("%1: %2 pages in a row without a valid row, while the server says %3 "
                                        "more rows are left")
                             .arg(what)
                             .arg(kPagesWithoutProgress)
                             .arg(state.remaining));
            break;
        }
    }
    m_s.loader.expect(QUrl());
    // The server has nothing more: the next download starts after the newest stored day.
    if (complete && !resume.clear())
        outcome.failSettings(m_s.settings.lastError());

    if (change) {
        outcome.changeStored = state.stored;
        outcome.changeStocks = static_cast<int>(state.stocks.size());
        m_s.frame.addLog(
            QStringLiteral(">>>>>存入数据库的涨跌幅度异常数据数目:") + QString::number(state.stored),
            LogColor::Default);
        // The panel counts stocks, as its caption says: a stock day brings ten rows or so.
        m_s.frame.setStatusPanel(StatusPanel::AnomalyStocks, QString::number(outcome.changeStocks));
    } else {
        outcome.bigStored = state.stored;
        m_s.frame.addLog(QStringLiteral(">>>>>存入数据库的大宗买卖据数目:") + QString::number(state.stored),
                         LogColor::Default);
        m_s.frame.setStatusPanel(StatusPanel::BlockTrades, QString::number(state.stored));
    }
}

std::optional<DataDownload::Row> DataDownload::validRow(Phase phase, const PageTable& table, int r,
                                                        const QDate& latestDay) {
    Row row{table.cell(0, r),
            table.cell(1, r),
            PageContract::parseDay(table.cell(2, r)),
            table.cell(3, r),
            readMoney(table.cell(4, r)),
            readMoney(table.cell(5, r)),
            readMoney(table.cell(6, r)),
            table.cell(7, r)};
    const bool figures = phase == Phase::Change ? (row.figure4 != Money() || row.figure5 != Money())
                                                : (row.figure5 != Money() || row.figure6 != Money());
    const bool valid = row.day.isValid() && row.day >= kFirstDataDay && row.day <= latestDay && figures &&
                       sixDigits(row.code) && !row.name.isEmpty() && !row.department.isEmpty() &&
                       (phase == Phase::Change || !row.last.isEmpty());
    if (!valid)
        return std::nullopt;
    return row;
}

QUrl DataDownload::likelyNextPage(Phase phase, const PageTable& table, const PhaseState& state,
                                  const QString& page, const QString& user,
                                  std::vector<std::optional<Row>>& rows) {
    rows.assign(static_cast<size_t>(table.rowCount()), std::nullopt);
    // The page read as storePage reads it, every valid row taken as stored: only a row
    // the database or the user turns away leaves the day elsewhere.
    qint64 nextId = state.nextId;
    qint64 remaining = state.remaining;
    QDate day = state.day;
    for (int r = 0; r < table.rowCount(); ++r) {
        const QString first = table.cell(0, r);
        if (first == PageContract::kEnd) {
            nextId = pageId(table.cell(2, r)).value_or(-1) + 1;
            break;
        }
        if (first == PageContract::kHeader) {
            remaining = table.cell(1, r).toLongLong();
            nextId = pageId(table.cell(2, r)).value_or(-1);
        } else if (std::optional<Row>& row = rows[static_cast<size_t>(r)] =
                       validRow(phase, table, r, state.latestDay)) {
            --remaining;
            ++nextId;
            day = row->day;
        }
    }
    if (remaining <= 0 || nextId <= state.highestRequested)
        return QUrl();
    return PageContract::requestUrl(page, day, nextId, user);
}

bool DataDownload::storePage(Phase phase, const PageTable& table,
                             const std::vector<std::optional<Row>>& valid, PhaseState& state,
                             DownloadOutcome& outcome) {
    Transaction transaction(m_s.db);
    const int storedBefore = state.stored;
    const QSet<QString> stocksBefore = state.stocks;
    const DateRange datesBefore = outcome.dates;
    const StoredRows rowsBefore = outcome.storedRows;
    auto fail = [&](const QString& error) {
        transaction.rollback();
        // What the page had counted is gone with it.
        state.stored = storedBefore;
        state.stocks = stocksBefore;
        outcome.storedRows = rowsBefore;
        outcome.dates = datesBefore;
        outcome.failStore(error.isEmpty() ? QStringLiteral("unknown database error") : error);
        m_s.frame.addLog(QStringLiteral("\t存入数据库出错,本页的数据没有保存: ") + outcome.storeError(),
                         LogColor::Red);
        return false;
    };
    if (!transaction.began())
        return fail(m_s.db.transactionError());

    const int rows = table.rowCount();
    for (int r = 0; r < rows; ++r) {
        const QString first = table.cell(0, r);
        const QString second = table.cell(1, r);
        const QString third = table.cell(2, r);
        if (first == PageContract::kEnd) {
            state.nextId = pageId(third).value_or(-1) + 1;
            break;
        }
        if (first == PageContract::kHeader) {
            state.remaining = second.toLongLong();
            // The bar counts every row of the phase: those read on earlier pages and those
            // the server still has.
            if (state.remaining > 0)
                state.progress.maximum = static_cast<int>(
                    std::min<qint64>(state.progress.position +
                                         std::min<qint64>(state.remaining, std::numeric_limits<int>::max()),
                                     std::numeric_limits<int>::max()));
            state.nextId = pageId(third).value_or(-1);
            m_s.frame.addLog(QStringLiteral(">>>>>服务器上可供下载的数据:") +
                                 QString::number(state.remaining) + QStringLiteral(":ID=") +
                                 printableText(third, 40),
                             LogColor::Default);
        } else {
            ++state.progress.position;
            const std::optional<Row>& row = valid.at(static_cast<size_t>(r));
            if (!row) {
                m_s.frame.addLog(QStringLiteral("\t从服务器获取的页面上的数据不对!"), LogColor::Red);
            } else {
                --state.remaining;
                ++state.nextId;
                if (!storeRow(phase, *row, state, outcome))
                    return fail(m_storeError);
            }
        }
        showProgress(state, false);
    }
    showProgress(state, true);
    if (!transaction.commit())
        return fail(m_s.db.transactionError());
    return true;
}

bool DataDownload::storeRow(Phase phase, const Row& row, PhaseState& state, DownloadOutcome& outcome) {
    const bool change = phase == Phase::Change;

    if (row.code != state.previousCode || row.day != state.previousDay) {
        const QString dateText = dayText(row.day);
        state.previousCode = row.code;
        state.previousDay = row.day;
        state.skipDay = false;
        // A stock day this phase takes up again after another stock's rows was stored (or
        // refused) moments ago; asking about it would be asking about our own rows.
        const QString stockDay = row.code + QLatin1Char('|') + dateText;
        if (const auto decided = state.decided.constFind(stockDay); decided != state.decided.cend())
            state.skipDay = decided.value();
        else if (!checkStock(phase, row, state))
            return false;
        state.decided.insert(stockDay, state.skipDay);
    }

    if (!state.skipDay) {
        const qint32 departmentKey = CalcDeptKey(row.department);
        const qint64 changeKey =
            change ? CalcRecordKey(row.code, row.department, row.figure4, row.figure5, row.day) : 0;
        const StoreWrite insert =
            change
                ? insertChangeRow(m_s.db, {row.code, row.day, departmentKey, row.figure4, row.figure5,
                                           row.figure6, row.last, changeKey, true})
                : insertBlockTrade(
                      m_s.db, {row.code, row.day, departmentKey, row.figure4, row.figure5, row.figure6,
                               CalcDeptKey(row.last),
                               CalcRecordKey(row.code, row.department, row.figure5, row.figure6, row.day)});
        if (insert.inserted()) {
            state.day = row.day;
            ++state.stored;
            if (change) {
                state.stocks.insert(row.code);
                outcome.storedRows.add(changeKey, departmentKey);
            } else
                outcome.dates.widen(row.day);
        } else if (insert.duplicate()) {
            m_s.frame.addLog(QStringLiteral("\t保存") + row.code + QStringLiteral("日期") + dayText(row.day) +
                                 QStringLiteral("出错!数据可能存在重复"),
                             LogColor::Red);
        } else {
            m_storeError = insert.error;
            return false;
        }
    }

    if (!storeDepartment(row.department, outcome))
        return false;
    return change || storeDepartment(row.last, outcome);
}

bool DataDownload::checkStock(Phase phase, const Row& row, PhaseState& state) {
    const bool change = phase == Phase::Change;
    const QString dateText = dayText(row.day);
    auto storageFailed = [this](const QString& error) {
        m_storeError = error;
        return false;
    };
    const StockDay which = change ? StockDay::LastChange : StockDay::LastBlockTrade;
    bool known = false;
    QDate last;
    {
        const StockDayRead select = readStockDay(m_s.db, row.code, which);
        if (!select.ok)
            return storageFailed(select.error);
        known = select.stockKnown;
        if (known)
            last = select.day;
    }
    if (!known) {
        const StoreWrite insert =
            insertStock(m_s.db, {row.code, row.name, row.day, row.day, change ? QDate() : row.day});
        if (!insert.inserted())
            return storageFailed(insert.error);
    } else if (last.isValid() && last >= row.day) {
        if (state.answer != MessageAnswer::NoToAll && state.answer != MessageAnswer::YesToAll) {
            state.answer = m_s.frame.askForEach(
                Question::DownloadRepeat, QStringLiteral("数据库中可能已经保存过 ") + row.code +
                                              QStringLiteral("日期") + dateText +
                                              (change ? QStringLiteral("的操盘数据,是否重复保存?")
                                                      : QStringLiteral("的大宗操盘数据,是否重复保存?")));
        }
        m_s.frame.addLog(change ? QStringLiteral("\t数据库中已经保存过 ") + row.code +
                                      QStringLiteral("日期") + dateText + QStringLiteral(" 的操盘数据")
                                : QStringLiteral("\t数据库中已经保存过 ") + row.code +
                                      QStringLiteral(" 日期 ") + dateText + QStringLiteral(" 的大宗操盘数据"),
                         LogColor::Red);
        // The answer holds for every row of this stock day, not only the first.
        state.skipDay = state.answer != MessageAnswer::Yes && state.answer != MessageAnswer::YesToAll;
    } else {
        const StoreUpdate update = setStockDay(m_s.db, row.code, which, row.day);
        if (!update.ok)
            return storageFailed(update.error);
    }
    return true;
}

bool DataDownload::storeDepartment(const QString& name, DownloadOutcome& outcome) {
    const qint32 key = CalcDeptKey(name);
    if (m_s.db.isKnownDepartment(key) && m_s.db.knownDepartmentName(key) == name)
        return true;
    const DepartmentOffer offered = offerDepartment(m_s.db, key, name);
    switch (offered.result) {
        case DepartmentOffer::Result::Stored:
            outcome.departmentsAdded = true;
            break;
        case DepartmentOffer::Result::AlreadyStored:
            if (!offered.heldBy.isEmpty())
                m_s.frame.addLog(departmentClashLine(name, offered.heldBy, key), LogColor::Magenta);
            break;
        case DepartmentOffer::Result::Failed:
            // A name already stored is expected; the database refusing to write is not.
            m_storeError = offered.error;
            return false;
    }
    return true;
}

void DataDownload::showProgress(PhaseState& state, bool lastOfPage) {
    RunProgress& progress = state.progress;
    const qint64 now_ms = m_s.clock.elapsedMs();
    // A page's rows are stored far faster than anyone reads the box: it is redrawn a few
    // times a second and with the page's last row.
    if (!lastOfPage && state.shown_ms >= 0 && now_ms - state.shown_ms < kProgressInterval_ms)
        return;
    state.shown_ms = now_ms;
    const qint64 elapsed = now_ms - state.start_ms;
    if (progress.position > 0) {
        const qint64 left = std::max(0, progress.maximum - progress.position);
        progress.timeRemaining = RunControl::durationText(elapsed * left / progress.position);
    } else {
        progress.timeNeeded = RunControl::durationText(elapsed * progress.maximum);
        progress.timeRemaining = progress.timeNeeded;
    }
    m_s.frame.showProgress(progress);
}

}  // namespace quarrow

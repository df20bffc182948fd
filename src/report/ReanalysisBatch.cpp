#include "report/ReanalysisBatch.h"

#include "app/ResumePoint.h"
#include "app/Settings.h"
#include "app/StockCode.h"
#include "app/Trim.h"
#include "platform/Clock.h"
#include "platform/Shutdown.h"
#include "report/SavedDocuments.h"
#include "report/StockExtraction.h"
#include "store/NotedCommitGroup.h"
#include "store/StockTable.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

namespace {

constexpr qint64 kResumeNoteInterval_ms = 1000;

}  // namespace

ReanalysisBatch::ReanalysisBatch(ExtractionServices& services, Settings& settings, RunControl& run,
                                 Shutdown& shutdown, ReanalysisHooks hooks)
    : m_services(services),
      m_settings(settings),
      m_run(run),
      m_shutdown(shutdown),
      m_hooks(std::move(hooks)) {}

int ReanalysisBatch::chooseStartRow(const QList<StockRow>& rows) {
    ResumePoint resume(m_settings, m_services.frame, m_services.clock);
    const int position = resume.chooseStart(
        [&rows](const QString& key) {
            for (qsizetype i = 0; i < rows.size(); ++i) {
                if (rows.at(i).key == key)
                    return static_cast<int>(i);
            }
            return -1;
        },
        Question::ReanalysisResume, QStringLiteral("分析"));
    if (resume.freshStartFailed())
        settingsWriteFailed();
    return position + 1;  // a resumed stock is analysed again
}

void ReanalysisBatch::noteLastStock(const QString& key, int row) {
    if (!ResumePoint(m_settings, m_services.frame, m_services.clock).note(key, row))
        settingsWriteFailed();
}

QStringList ReanalysisBatch::reportUnlistedFolders(const QList<StockRow>& rows) {
    const QStringList unlisted = unlistedStockFolders(m_services.folder, rows);
    for (const QString& code : unlisted)
        m_services.frame.addLog(
            QStringLiteral("\t>>>>>股票文件夹") + code + QStringLiteral("不在股票列表中,其文档未分析<<<<<"),
            LogColor::Magenta);
    return unlisted;
}

void ReanalysisBatch::settingsWriteFailed() {
    m_services.frame.addLog(QStringLiteral("\t>>>>>设置文件写入失败:") + m_settings.lastError(),
                            LogColor::Magenta);
    if (m_settingsError.isEmpty())
        m_settingsError = m_settings.lastError();
}

void ReanalysisBatch::resetStoredDates() {
    TDataBase& db = m_services.db;
    if (db.DBOpened())
        forgetStoredDays(db);
    if (!m_services.frame.ask(Question::ReanalysisClearHistory,
                              QStringLiteral("为避免出现重复数据,建议清除历史数据. \r是否清除历史数据?"),
                              AppFrame::kHintTitle))
        return;
    if (!db.DBOpened())
        return;
    clearReportRows(db);
}

ReanalysisOutcome ReanalysisBatch::run(const RunLease& lease, const QList<StockRow>& rows,
                                       const ReanalysisOptions& options) {
    ReanalysisOutcome outcome;
    m_settingsError.clear();
    AppFrame& frame = m_services.frame;
    if (!lease) {  // another job (the relay among them) holds the run control
        outcome.notStart(JobReason::Busy);
        return outcome;
    }
    if (!frame.ask(Question::ReanalysisStart,
                   QStringLiteral("从历次下载的动态文件中挖掘操盘庄家和大宗交易数据,"
                                  "\r藉此恢复损坏或遗失的数据库数据\r是否继续?"),
                   AppFrame::kHintTitle)) {
        outcome.notStart(JobReason::Declined);
        return outcome;
    }

    if (m_hooks.showPromptPage)
        m_hooks.showPromptPage();
    frame.ShowPrompt(QStringLiteral("从历次下载的股票异常动态文件中挖掘振幅超过20%的股票操盘庄家"));
    frame.ShowPrompt(QStringLiteral("正在从下载的文件中挖掘操盘庄家,请勿操作使用计算机!"));
    ExtractionAccount& account = outcome.account;

    const int startRow = chooseStartRow(rows);
    if (startRow == 1)
        resetStoredDates();
    outcome.begin();
    outcome.startRow = startRow;

    if (m_hooks.stayOnTop)
        m_hooks.stayOnTop(true);
    const int count = static_cast<int>(rows.size());
    m_run.start(lease, count, startRow - 1);
    frame.clearLog();
    // Said after the log was cleared, so the batch's own log names them.
    outcome.unlistedFolders = reportUnlistedFolders(rows);
    SavedDocuments documents(m_services.folder, m_services.launcher, m_services.archiver, frame);
    StockExtraction extraction(m_services, account);
    QDate latest;
    // Stocks are stored in groups of about a second's work, one transaction each, and
    // the resume point is noted only after its group is committed: a kill loses at most
    // that second, and never notes a stock whose rows are not in the file. Committing
    // every document on its own would cost more than analysing it. A group the database
    // refuses is taken back from the counts, so the summary never claims rows the file
    // does not hold.
    QString pendingKey;  // the last finished stock when it is not noted yet
    int pendingRow = 0;
    QDate pendingLatest;
    ReanalysisOutcome committedOutcome;
    NotedCommitGroup group(
        m_services.db, m_services.clock, kResumeNoteInterval_ms,
        {.keep = [&] { committedOutcome = outcome; },
         .restore =
             [&] {
                 const int unreadable = outcome.unreadable;
                 outcome = committedOutcome;
                 outcome.unreadable = unreadable;
                 pendingKey.clear();  // analysed again by the next batch
                 pendingLatest = QDate();
             },
         .note =
             [&] {
                 noteLastStock(pendingKey, pendingRow);
                 if (pendingLatest.isValid() && (!latest.isValid() || pendingLatest > latest))
                     latest = pendingLatest;
                 pendingLatest = QDate();
             }});
    auto storeGroup = [&] { group.commit(); };

    // Each stock's log line starts with the time to the second. Reading the wall clock costs
    // a look at the time zone, as much as a small stock's analysis, so the text is made
    // anew only once the running clock says that second is over.
    QString stamp;
    qint64 stampEnds_ms = -1;
    const auto timeStamp = [&] {
        const qint64 elapsed = m_services.clock.elapsedMs();
        if (elapsed >= stampEnds_ms) {
            const QDateTime now = m_services.clock.now();
            stamp = now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            stampEnds_ms = elapsed + 1000 - now.time().msec();
        }
        return stamp;
    };

    for (int row = startRow; row <= count; ++row) {
        // A pause must not hold the write lock, nor leave finished stocks unnoted.
        if (!m_run.beforeItem(storeGroup) || group.failed())
            break;
        m_run.setPosition(row);
        const StockRow& stock = rows.at(row - 1);
        ExtractionOptions extractionOptions;
        extractionOptions.code = trimBlanks(stock.code());
        extractionOptions.name = stock.name;
        extractionOptions.allChanges = options.allChanges;
        extractionOptions.percent = options.percent;
        extractionOptions.rarFolder = options.rarFolder;

        const QString folder = m_services.folder.stockFolder(extractionOptions.code);
        if (!isStockCode(extractionOptions.code) || !QFileInfo(folder).isDir())
            continue;  // no documents for this stock: passed over without a word
        if (!group.begin())
            break;
        frame.addLog(timeStamp() + QStringLiteral(":分析") + extractionOptions.code + stock.name +
                         QStringLiteral(">>>>>>>>>>>>>>>"),
                     LogColor::Blue);
        frame.setStatusPanel(StatusPanel::Pending, QString::number(count - row));
        documents.clear();
        documents.list(folder, QStringLiteral("*.txt"));  // archives are not analysed again
        if (documents.listFailed()) {
            // Its documents are unknown, not absent: reported, and not counted as analysed.
            ++outcome.unreadable;
            frame.addLog(QStringLiteral("\t>>>>>读取文件夹") + QDir::toNativeSeparators(folder) +
                             QStringLiteral("出错<<<<<"),
                         LogColor::Magenta);
        }
        const QStringList names = documents.names();
        bool stockFailed = false;
        for (int j = 0; j < names.size(); ++j) {
            const auto opened =
                documents.open(j, SavedDocuments::Sender::Program, extractionOptions.code, options.rarFolder);
            if (!opened.loaded) {
                // A document that cannot be read is reported and passed; the batch goes on.
                ++outcome.unreadable;
                frame.addLog(QStringLiteral("\t>>>>>读取文档") + names.at(j) + QStringLiteral("出错:") +
                                 documents.readError() + QStringLiteral("<<<<<"),
                             LogColor::Magenta);
                continue;
            }
            frame.setStatusPanel(StatusPanel::Message, names.at(j));
            const ExtractionResult result =
                extraction.run(documents.lines(), extractionOptions, ExtractionCaller::Reanalysis);
            if (result.storeFailed) {
                group.fail(result.storeError);
                stockFailed = true;
                break;
            }
            ++outcome.documents;
            if (account.changeDate.isValid() &&
                (!pendingLatest.isValid() || account.changeDate > pendingLatest))
                pendingLatest = account.changeDate;
        }
        if (stockFailed)
            break;
        m_run.itemFinished();
        if (!documents.listFailed())
            ++outcome.stocksAnalysed;
        outcome.lastRow = row;
        // Replacing the settings file costs milliseconds on a journalling file system, as
        // much as analysing a stock: the resume point is noted at most once a second and
        // always when the batch ends. A batch killed in between repeats the stocks of that
        // second, which the stored dates and record keys keep from being stored twice.
        pendingKey = stock.key;
        pendingRow = row;
        if (!group.finishItem(m_run.state() != RunState::Running))
            break;
    }
    group.commit();
    if (group.failed()) {
        outcome.failStore(group.error());
        frame.addLog(QStringLiteral("\t>>>>>保存出错!数据库写入失败:") + outcome.storeError() +
                         QStringLiteral("<<<<<"),
                     LogColor::Magenta);
    }

    if (m_run.state() == RunState::StopRequested)
        outcome.stop();
    outcome.endProgram = m_run.endProgramRequested();
    // A batch that met no later day (a resumed tail, documents without anomalies) must
    // not move the newest stored day back.
    const QDate stored = m_settings.lastStockDate();
    outcome.stockDate = latest.isValid() && latest > stored ? latest : stored;
    if (!m_settings.writeDate(QStringLiteral("Last"), QStringLiteral("StockDate"), outcome.stockDate))
        settingsWriteFailed();
    if (!m_settingsError.isEmpty())
        outcome.failSettings(m_settingsError);
    const QString lastLine = finalLine(outcome);
    frame.addLog(lastLine, LogColor::Red);
    outcome.closing = m_run.finish(lastLine, options.shutdownWhenDone && outcome.done(), &m_shutdown);
    if (outcome.closing.shutdownAttempted)
        frame.ShowPrompt(outcome.closing.shutdown.message);
    if (m_hooks.showQueryPage)
        m_hooks.showQueryPage();
    if (m_hooks.stayOnTop)
        m_hooks.stayOnTop(false);
    outcome.reloadDepartments = !outcome.closing.shutdownAttempted && account.departmentsAdded;
    outcome.storedRows = account.storedRows;
    outcome.dates = account.dates;
    outcome.departmentsAdded = account.departmentsAdded;
    return outcome;
}

QString ReanalysisBatch::finalLine(const ReanalysisOutcome& outcome) {
    switch (outcome.end) {
        case JobEnd::Done:
            return QStringLiteral("全部股票文件分析完毕!");
        case JobEnd::Stopped:
            return QStringLiteral("股票文件分析已停止:分析到第%1行,今天可以从此处继续").arg(outcome.lastRow);
        case JobEnd::NotStarted:
        case JobEnd::Failed:
            break;
    }
    return QStringLiteral("股票文件分析中止:") + outcome.reasonText();
}

}  // namespace quarrow

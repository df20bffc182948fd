#include "report/StockExtraction.h"

#include "app/SafeFile.h"
#include "app/StockCode.h"
#include "app/Trim.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/ProcessLauncher.h"
#include "report/ReportDocuments.h"
#include "report/ReportMarkers.h"
#include "report/ReportParser.h"
#include "store/StockTable.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

using namespace ReportMarkers;

namespace {

constexpr int kArchiverWait_ms = 15000;

// The day value 0 of the old date type: what a stock row gets as its document day when
// no document was saved.
const QDate kDayZero(1899, 12, 30);

}  // namespace

StockExtraction::StockExtraction(ExtractionServices& services, ExtractionAccount& account)
    : m_services(services), m_account(account) {}

ExtractionResult StockExtraction::run(const QStringList& memo, ExtractionOptions& options,
                                      ExtractionCaller caller) {
    ExtractionResult result;
    AppFrame& frame = m_services.frame;
    if (caller == ExtractionCaller::Button && !m_services.network.isConnected()) {
        frame.notify(QStringLiteral("网络不通,请连接好INTERNET网络!"));
        result.noNetwork = true;
        return result;
    }

    options.code = trimBlanks(options.code);
    if (m_services.showReportPage)
        m_services.showReportPage();
    // The code names a folder and goes into statements: six digits and nothing else.
    if (!isStockCode(options.code)) {
        frame.ShowPrompt(QStringLiteral("没有指定代码或者代码格式不对!"));
        return result;
    }
    result.ran = true;
    const QString& code = options.code;

    int codeLine = -1;
    for (int i = 0; i < kReportCodeLines && i < memo.size(); ++i) {
        if (memo.at(i).contains(code)) {
            codeLine = i;
            break;
        }
    }
    if (codeLine < 0) {
        frame.addLog(QStringLiteral("\t>>>>>抓取的☆龙虎榜单☆不是 ") + code +
                         QStringLiteral(" 的报告(没有找到股票代码)!"),
                     LogColor::Red);
        showCounters();
        return result;
    }
    const auto dateMatch = datePattern().match(memo.at(codeLine));
    if (!dateMatch.hasMatch()) {
        showCounters();
        return result;
    }
    const QString reportDate = trimBlanks(dateMatch.captured(0));
    // A report dated after today is wrong data: kept, it would become the stock's newest
    // document day, and later runs would pass the stock over and the clean-up delete its
    // real documents.
    const QDate reportDay = QDate::fromString(reportDate, QStringLiteral("yyyy-MM-dd"));
    if (reportDay.isValid() && reportDay > m_services.clock.today()) {
        frame.addLog(QStringLiteral("\t>>>>>") + code + QStringLiteral("的报告日期") + reportDate +
                         QStringLiteral("晚于今天,数据有误,未保存<<<<<"),
                     LogColor::Red);
        showCounters();
        return result;
    }
    result.reportRecognised = true;
    result.reportDate = reportDate;
    frame.addLog(QStringLiteral("股票") + code + options.name + QLatin1Char(':') + reportDate +
                     QStringLiteral("最新动态"),
                 LogColor::Default);

    ReportParser parser(m_services, m_account, options, memo);
    parser.setCursor(codeLine + 1);
    parser.setBigTradeStart(4);

    QDate documentDate;
    if (caller != ExtractionCaller::Reanalysis) {
        if (!saveDocument(memo, options, caller, reportDate, &result.documentError, &documentDate)) {
            showCounters();
            return result;
        }
        result.documentWritten = documentDate.isValid();
    }

    // Only committed rows are counted: a stock the database refuses leaves the counters
    // (and the query page's range) as they were.
    const ExtractionAccount before = m_account;
    Transaction transaction(m_services.db);
    if (!transaction.began()) {
        parser.noteStorageFailure(m_services.db.transactionError());
    } else {
        recordDocumentDate(parser, options, documentDate);
        if (!parser.storageFailed())
            result.daysRead = parseAnomalyDays(parser, options, documentDate);
        if (!parser.storageFailed() && parser.bigTradeStart() > 0)
            parser.ParseBigTrades();
        result.tradesRead = parser.tradesRead();
        if (!parser.storageFailed() && !transaction.commit())
            parser.noteStorageFailure(m_services.db.transactionError());
    }

    if (parser.storageFailed()) {
        transaction.rollback();
        m_account = before;
        result.storeFailed = true;
        result.storeError = parser.storageError();
        frame.addLog(QStringLiteral("\t>>>>>保存") + code + QStringLiteral("出错!数据库写入失败<<<<<"),
                     LogColor::Magenta);
    }
    showCounters();
    return result;
}

int StockExtraction::parseAnomalyDays(ReportParser& parser, const ExtractionOptions& options,
                                      const QDate& documentDate) {
    int days = 0;
    // The anomaly section, then one pass per anomaly day taken.
    const int count = parser.lineCount();
    int line = parser.cursor();
    while (line < count && !atStart(parser.line(line), kChangeSection))
        ++line;
    if (line < count) {
        parser.setCursor(line + 1);
        parser.setBigTradeStart(line + 1);
        bool duplicate = false;
        for (int anomaly = 1;; ++anomaly) {
            bool found = false;
            for (int cursor = parser.cursor(); cursor < count; ++cursor) {
                const QString& text = parser.line(cursor);
                if (text.contains(kBigTradeSection)) {
                    parser.setBigTradeStart(cursor);
                    break;
                }
                if (text.contains(kTradingDate) &&
                    (anomaly == 1 || options.allChanges || options.percent > 0)) {
                    parser.setCursor(cursor);
                    found = true;
                    break;
                }
                if (text.contains(kNoData))
                    break;
            }
            if (!found)
                break;
            const int dateLine = parser.cursor();
            if (!parser.beginChangeBlock())
                break;
            ++days;
            parser.setBigTradeStart(dateLine + 4);

            if (m_services.db.DBOpened()) {
                const DayCheck check = checkLastDate(parser, options, documentDate, parser.changeDate());
                if (check != DayCheck::Go)
                    break;
            }
            const auto outcome = parser.finishChangeBlock();
            if (outcome == ReportParser::ChangeOutcome::Dropped ||
                outcome == ReportParser::ChangeOutcome::Failed)
                break;
            duplicate = outcome == ReportParser::ChangeOutcome::Duplicate;

            parser.resetHandled();
            if (!duplicate && parser.ParseDeptSection(kBuyTable) && !parser.storageFailed())
                parser.ParseDeptSection(kSaleTable);
            if (!options.allChanges || duplicate || parser.storageFailed())
                break;
        }
    }
    return days;
}

bool StockExtraction::saveDocument(const QStringList& memo, const ExtractionOptions& options,
                                   ExtractionCaller caller, const QString& reportDate, QString* documentError,
                                   QDate* documentDate) {
    const QString folder = m_services.folder.stockFolder(options.code);
    if (!QDir().mkpath(folder)) {
        // Nothing of the stock is stored, so a later try keeps the document and the rows
        // together. A batch goes on with its next stock and counts this one as failed; only
        // someone who pressed the button waits for the box.
        *documentError = QStringLiteral("无法创建文件夹 ") + QDir::toNativeSeparators(folder);
        m_services.frame.addLog(
            QStringLiteral("\t>>>>>") + *documentError + QStringLiteral(",文档和数据都没有保存<<<<<"),
            LogColor::Magenta);
        if (caller == ExtractionCaller::Button)
            m_services.frame.notify(*documentError);
        return false;
    }
    // What a run killed while writing a document left here goes with this run.
    SafeFile::removeScraps(folder, options.code + QStringLiteral("-*变动资料.txt"));
    const QString path = QDir(folder).filePath(ReportDocuments::documentName(options.code, reportDate));
    if (QFileInfo::exists(path))
        return true;  // an existing document is never touched

    QString error;
    if (!ReportDocuments::writeDocument(path, memo, &error)) {
        m_services.frame.addLog(QStringLiteral("\t>>>>>保存文档") + QDir::toNativeSeparators(path) +
                                    QStringLiteral("出错:") + error + QStringLiteral("<<<<<"),
                                LogColor::Magenta);
        *documentError = error;
        return true;  // the report is still parsed and stored
    }
    const QDate day = QDate::fromString(reportDate, QStringLiteral("yyyy-MM-dd"));
    *documentDate = day.isValid() ? day : m_services.clock.today();
    archive(folder, options.code, path, options.rarFolder);
    return true;
}

void StockExtraction::archive(const QString& stockFolder, const QString& code, const QString& documentPath,
                              const QString& rarFolder) {
    const QString archiver = m_services.archiver.packerPath(rarFolder);
    if (archiver.isEmpty() || !QFileInfo(archiver).isFile()) {
        m_services.frame.ShowPrompt(
            QStringLiteral("没有安装WinRar! 资料不能压缩保存,将占用很多磁盘存储空间"));
        return;
    }
    // A slow archiver is not waited for beyond the bound, but left to finish: ended halfway
    // it could leave a broken archive. The text document stays anyway.
    m_services.launcher.run(archiver, {QStringLiteral("A"), code, documentPath}, stockFolder,
                            kArchiverWait_ms, WhenTimedOut::LeaveHidden);
}

void StockExtraction::recordDocumentDate(ReportParser& parser, const ExtractionOptions& options,
                                         const QDate& documentDate) {
    if (!documentDate.isValid() || !m_services.db.DBOpened())
        return;
    const StoreUpdate update = setStockDay(m_services.db, options.code, StockDay::Document, documentDate);
    if (!update.ok)
        parser.noteStorageFailure(update.error);
    if (!update.ok || update.rows > 0)
        return;
    const StoreWrite insert = insertStock(m_services.db, {options.code, options.name, documentDate, {}, {}});
    if (!insert.inserted())
        parser.noteStorageFailure(insert.error);
}

StockExtraction::DayCheck StockExtraction::checkLastDate(ReportParser& parser,
                                                         const ExtractionOptions& options,
                                                         const QDate& documentDate, const QDate& changeDate) {
    // The usual case in one statement: the stock's stored day, in the form this program
    // writes days, is older than this one, or there is none, and this day replaces it. Any
    // other case (no stock row yet, a day stored in another form, this day already stored,
    // another store than the program's own file) takes the steps below.
    const StoreUpdate raise =
        raiseStockDayQuickly(m_services.db, options.code, StockDay::LastChange, changeDate);
    if (!raise.ok) {
        parser.noteStorageFailure(raise.error);
        return DayCheck::Failed;
    }
    if (raise.rows > 0)
        return DayCheck::Go;
    const StockDayRead select = readStockDay(m_services.db, options.code, StockDay::LastChange);
    if (!select.ok) {
        parser.noteStorageFailure(select.error);
        return DayCheck::Failed;
    }
    if (!select.stockKnown) {
        const StoreWrite insert = insertStock(
            m_services.db,
            {options.code, options.name, documentDate.isValid() ? documentDate : kDayZero, changeDate, {}});
        if (!insert.inserted())
            parser.noteStorageFailure(insert.error);
        return insert.inserted() ? DayCheck::Go : DayCheck::Failed;
    }
    // A row made without an anomaly day counts as older than any day.
    const QDate lastDate = select.day;
    if (lastDate.isValid() && lastDate >= changeDate) {
        if (options.allChanges)
            return DayCheck::Go;  // the record keys turn away what is already stored
        m_services.frame.addLog(
            QStringLiteral("\t>>>>>数据库中已经保存过 ") + options.code + QStringLiteral(" 的操盘数据"),
            LogColor::Red);
        return DayCheck::AlreadyStored;
    }
    const StoreUpdate update = setStockDay(m_services.db, options.code, StockDay::LastChange, changeDate);
    if (!update.ok)
        parser.noteStorageFailure(update.error);
    return update.ok ? DayCheck::Go : DayCheck::Failed;
}

void StockExtraction::showCounters() {
    m_services.frame.setStatusPanel(StatusPanel::AnomalyStocks, QString::number(m_account.savedChangeCount));
    m_services.frame.setStatusPanel(StatusPanel::BlockTrades, QString::number(m_account.savedBigCount));
}

}  // namespace quarrow

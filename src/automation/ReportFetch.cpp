#include "automation/ReportFetch.h"

#include "app/AppFrame.h"
#include "app/StockCode.h"
#include "app/Trim.h"
#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "platform/Clock.h"

#include <QRegularExpression>

namespace quarrow {

namespace {

const QString kReportMark = QStringLiteral("☆龙虎榜单☆");
constexpr int kClipboardTries = 6;
constexpr int kClipboardRetry_ms = 100;
constexpr int kCopySteps = 10;
constexpr int kClipboardPoll_ms = 50;
constexpr int kAfterDigits_ms = 50;
constexpr int kAfterEnter_ms = 200;
constexpr std::uint8_t kSelectAll = 0x41;  // 'A'
constexpr std::uint8_t kCopy = 0x43;       // 'C'

}  // namespace

QStringList memoLines(const QString& text) {
    if (text.isEmpty())
        return {};
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

ReportFetch::ReportFetch(QuoteWindows& windows, AppFrame& frame, Clock& clock, Desktop& desktop,
                         FailureBeep& beep, FetchState& state)
    : m_windows(windows), m_frame(frame), m_clock(clock), m_desktop(desktop), m_beep(beep), m_state(state) {}

void ReportFetch::log(const QString& line) {
    m_frame.addLog(line, LogColor::Red);
}

void ReportFetch::sayNotRunning(const QString& program) {
    m_frame.ShowPrompt(program + QLatin1Char('"') + m_windows.setup().stockApp + QLatin1Char('"') +
                       QStringLiteral("没有运行"));
}

bool ReportFetch::typeCode(const QString& code) {
    TStockWinInfo* quote = m_windows.QuoteWin();
    if (!quote || !quote->SelectMain())
        return false;
    quote->Press_Keys(code.toStdU16String());
    // The digits open the code-input window: Enter goes there or nowhere.
    m_windows.refreshCodeInput();
    TStockWinInfo* input = m_windows.CodeInputWin();
    if (!input || !input->SelectMain())
        return false;
    input->Press_Enter();
    return true;
}

void ReportFetch::clearClipboard() {
    for (int attempt = 1; attempt <= kClipboardTries; ++attempt) {
        const int error = m_desktop.clearClipboard();
        if (error == 0)
            return;
        log(QStringLiteral("\tClipboard Error:") + QString::number(error));
        m_frame.setStatusPanel(StatusPanel::FetchTries, QStringLiteral("-X-"));
        if (attempt < kClipboardTries)
            m_clock.sleep(kClipboardRetry_ms);
    }
}

bool ReportFetch::copyLoop(QStringList* lines) {
    TStockWinInfo* quote = m_windows.QuoteWin();
    for (int step = 0; step < kCopySteps; ++step) {
        if (step % 4 == 0) {
            quote->Press_Ctrl_Key(kSelectAll);
            m_frame.processEvents();
        } else {
            if (step % 4 == 1)
                quote->Press_Ctrl_Key(kCopy);
            m_frame.processEvents();
            m_clock.sleep(kClipboardPoll_ms);
            if (const auto text = m_desktop.clipboardText()) {
                *lines = memoLines(QString::fromStdU16String(*text));
                return true;
            }
        }
        m_frame.setStatusPanel(StatusPanel::FetchTries, QString::number(step + 1));
    }
    return false;
}

FetchOutcome ReportFetch::fetch(const QString& rawCode, FetchSender sender, int percent) {
    FetchOutcome outcome;
    if (!m_windows.EnsureQuoteProgram())
        return outcome;
    if (sender == FetchSender::Button) {
        m_state.lastSelectedCode.clear();
        m_state.fetchFailed = 1;
    }
    TStockWinInfo* quote = m_windows.QuoteWin();
    if (!quote || !quote->SelectMain()) {
        sayNotRunning(QStringLiteral("华林证券或东方证券行情分析软件"));
        return outcome;
    }
    if (showPage)
        showPage(FetchPage::StockDoc);
    const QString code = trimBlanks(rawCode);
    // Only digits are typed into another program: anything else could be a command there.
    if (!isStockCode(code)) {
        m_frame.ShowPrompt(QStringLiteral("没有指定股票代码!"));
        return outcome;
    }

    if (code != m_state.lastSelectedCode || percent != 0) {
        quote->Press_Keys(code.toStdU16String());
        m_clock.sleep(kAfterDigits_ms);
        m_windows.refreshCodeInput();
        TStockWinInfo* input = m_windows.CodeInputWin();
        if (input && input->SelectMain()) {
            input->Press_Enter();
            m_clock.sleep(kAfterEnter_ms);
        }
    }
    m_state.lastSelectedCode.clear();
    if (!quote->SelectMain())
        return outcome;
    outcome.attempted = true;

    clearClipboard();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        if (attempt == 2) {
            if (m_alarm)
                m_alarm->Stop();
            // A quote window gone since the first attempt gets no keys meant for it.
            if (!quote->SelectMain()) {
                log(QStringLiteral("\t") + code + kReportMark + QStringLiteral("抓取失败!"));
                m_state.fetchFailed = 1;
                break;
            }
        }
        if (m_state.fetchFailed == 1) {
            quote->Press_Key(VirtualKey::F10);
            m_clock.sleep(attempt * 100 + 150);
        }
        outcome.lines.clear();
        m_frame.showCapture(outcome.lines);
        const bool pasted = copyLoop(&outcome.lines);
        if (!pasted) {
            if (attempt == 1)
                continue;
            m_beep.sound();
            log(QStringLiteral("\t") + code + kReportMark + QStringLiteral("抓取失败!"));
            m_state.fetchFailed = 1;
            break;
        }
        m_frame.showCapture(outcome.lines);
        if (outcome.lines.isEmpty() || outcome.lines.first().contains(kReportMark)) {
            // An empty page counts as captured: the extraction finds nothing in it.
            m_state.fetchFailed = 0;
            m_state.wrongPages = 0;
            outcome.captured = true;
            break;
        }
        if (m_alarm)
            m_alarm->Play();
        log(QStringLiteral("\t抓取的") + code + QStringLiteral("的报告不是") + kReportMark);
        if (attempt == 1) {
            const MessageAnswer answer = m_frame.ShowHelpPicture(
                QStringLiteral("抓取的") + code + QStringLiteral("的报告不是") + kReportMark +
                    QStringLiteral(",是否重试一次还是跳过此股票?\r请手动操作行情软件,按F10后点击界面上的") +
                    kReportMark + QStringLiteral(",选择\"是\"再试一次"),
                QStringLiteral("最新提示.jpg"), true, Question::FetchWrongPage);
            if (answer == MessageAnswer::Yes)
                continue;
        }
        m_state.fetchFailed = 1;
        ++m_state.wrongPages;
        break;
    }
    if (showPage)
        showPage(FetchPage::MiningPage);
    return outcome;
}

bool ReportFetch::selectStock(const QString& rawCode) {
    m_frame.ShowPrompt(QStringLiteral("将股票代码设定为华林行情软件的当前分析股票代码"));
    if (!m_windows.EnsureQuoteProgram())
        return false;
    TStockWinInfo* quote = m_windows.QuoteWin();
    if (!quote || !quote->SelectMain()) {
        sayNotRunning(QStringLiteral("华林/东方证券行情分析软件"));
        return false;
    }
    const QString code = trimBlanks(rawCode);
    if (!isStockCode(code)) {
        m_frame.ShowPrompt(QStringLiteral("没有指定股票代码!"));
        return false;
    }
    if (!typeCode(code))
        return false;
    m_clock.sleep(kAfterEnter_ms);
    return true;
}

}  // namespace quarrow

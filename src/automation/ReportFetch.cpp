#include "automation/ReportFetch.h"

#include "app/AppFrame.h"
#include "app/StockCode.h"
#include "app/TextCodec.h"
#include "app/Trim.h"
#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "platform/Clock.h"

namespace quarrow {

namespace {

const QString kReportMark = QStringLiteral("☆龙虎榜单☆");
constexpr int kClipboardTries = 6;
constexpr int kClipboardRetry_ms = 100;
constexpr int kCopySteps = 10;
constexpr int kClipboardPoll_ms = 50;
constexpr int kAfterDigits_ms = 50;
constexpr int kAfterEnter_ms = 200;
// The quote program's code-input window shows a moment after the first digit.
constexpr int kCodeInputWait_ms = 1000;
constexpr int kCodeInputPoll_ms = 10;
// How long a page may take to show, with the stock before (or nothing) on the view
// meanwhile: the slowest page we have met takes about two seconds.
constexpr int kEarlierPageWait_ms = 5000;
constexpr int kEarlierPagePoll_ms = 100;
constexpr std::uint8_t kSelectAll = 0x41;  // 'A'
constexpr std::uint8_t kCopy = 0x43;       // 'C'

}  // namespace

QStringList memoLines(const QString& text) {
    return TextCodec::splitLines(text);
}

ReportFetch::ReportFetch(QuoteWindows& windows, AppFrame& frame, Clock& clock, Desktop& desktop,
                         FailureBeep& beep)
    : m_windows(windows), m_frame(frame), m_clock(clock), m_desktop(desktop), m_beep(beep) {}

void ReportFetch::beginRun(bool unattended) {
    m_state.fetchFailed = 1;
    m_state.lastSelectedCode.clear();
    m_state.unattended = unattended;
    m_state.wrongPageAnswer.reset();
}

void ReportFetch::endRun() {
    m_state.unattended = false;
    m_state.wrongPageAnswer.reset();
}

void ReportFetch::setTypedAhead(const QString& code) {
    m_state.lastSelectedCode = code;
}

void ReportFetch::markNotCaptured() {
    m_state.fetchFailed = 1;
}

void ReportFetch::log(const QString& line) {
    m_frame.addLog(line, LogColor::Red);
}

void ReportFetch::sayNotRunning(const QString& program) {
    m_frame.ShowPrompt(program + QLatin1Char('"') + m_windows.setup().stockApp + QLatin1Char('"') +
                       QStringLiteral("没有运行"));
}

bool ReportFetch::waitForCodeInput() {
    const qint64 until = m_clock.elapsedMs() + kCodeInputWait_ms;
    for (;;) {
        m_windows.refreshCodeInput();
        const TStockWinInfo* input = m_windows.CodeInputWin();
        if (input && input->GetMainWindow() != kNoWindow)
            return true;
        if (m_clock.elapsedMs() >= until)
            return false;
        m_clock.sleep(kCodeInputPoll_ms);
    }
}

bool ReportFetch::typeCode(const QString& code) {
    TStockWinInfo* quote = m_windows.QuoteWin();
    if (!quote || !quote->SelectMain())
        return false;
    quote->Press_Keys(code.toStdU16String());
    // The digits open the code-input window a moment later: Enter goes there or nowhere.
    TStockWinInfo* input = waitForCodeInput() ? m_windows.CodeInputWin() : nullptr;
    if (!input || !input->SelectMain())
        return false;
    input->Press_Enter();
    return true;
}

void ReportFetch::playAlarm(bool on) {
    if (!m_alarm)
        return;
    try {
        on ? m_alarm->Play() : m_alarm->Stop();
    } catch (const eMciDeviceError& error) {
        // A sound device that fails fails again: said once, and the run goes on silently.
        log(QStringLiteral("\t报警声音设备出错,以后不再报警:") + QString::fromUtf8(error.what()));
        m_alarm = nullptr;
    }
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

ReportFetch::Copied ReportFetch::copyPage(const QString& code, QStringList* lines) {
    const qint64 until = m_clock.elapsedMs() + kEarlierPageWait_ms;
    for (;;) {
        lines->clear();
        m_frame.showCapture(*lines);
        if (!copyLoop(lines)) {
            // Nothing to select yet: a slow page is still loading on an empty view.
            if (m_clock.elapsedMs() >= until)
                return Copied::Nothing;
            continue;
        }
        m_frame.showCapture(*lines);
        // An empty page counts as captured: the extraction finds nothing in it.
        if (lines->isEmpty())
            return Copied::Report;
        const bool report = lines->first().contains(kReportMark);
        if (reportNamesStock(*lines, code))
            return report ? Copied::Report : Copied::OtherPage;
        // The quote program keeps the stock before on its view until this one's page has
        // loaded: the page is copied again until it shows, for as long as a slow page may
        // take. The clipboard is cleared first, or the old text would be read once more.
        if (m_clock.elapsedMs() >= until)
            return report ? Copied::EarlierReport : Copied::OtherPage;
        m_clock.sleep(kEarlierPagePoll_ms);
        clearClipboard();
    }
}

bool ReportFetch::askAboutWrongPage(const QString& code) {
    if (m_state.wrongPageAnswer)
        return *m_state.wrongPageAnswer == MessageAnswer::YesToAll;
    MessageRequest request;
    request.question = Question::FetchWrongPage;
    request.text = QStringLiteral("抓取的") + code + QStringLiteral("的报告不是") + kReportMark +
                   QStringLiteral(",是否重试一次还是跳过此股票?\r请手动操作行情软件,按F10后点击界面上的") +
                   kReportMark + QStringLiteral(",选择\"是\"再试一次");
    if (m_state.unattended) {
        // Nobody is there to help: the stock is skipped, and the run goes on.
        request.buttons = MessageButtons::YesNo;
        request.timeout_s = kUnattendedQuestion_s;
        request.timeoutAnswer = MessageAnswer::No;
    } else {
        // The same answer may do for every page of the run that is not the report.
        request.buttons = MessageButtons::YesNoToAll;
    }
    const MessageAnswer answer = m_frame.showWithHelpPicture(request, QStringLiteral("最新提示.jpg"));
    if (answer == MessageAnswer::YesToAll || answer == MessageAnswer::NoToAll)
        m_state.wrongPageAnswer = answer;
    return answer == MessageAnswer::Yes || answer == MessageAnswer::YesToAll;
}

FetchOutcome ReportFetch::fetch(const QString& rawCode, FetchSender sender, int percent) {
    FetchOutcome outcome;
    if (!m_windows.EnsureQuoteProgram())
        return outcome;
    if (m_windows.quoteProgramRefusesInput()) {
        outcome.inputRefused = true;
        return outcome;
    }
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

    bool selected = true;
    if (code != m_state.lastSelectedCode || percent != 0) {
        quote->Press_Keys(code.toStdU16String());
        m_clock.sleep(kAfterDigits_ms);
        TStockWinInfo* input = waitForCodeInput() ? m_windows.CodeInputWin() : nullptr;
        selected = input && input->SelectMain();
        if (selected) {
            input->Press_Enter();
            m_clock.sleep(kAfterEnter_ms);
        }
    }
    m_state.lastSelectedCode.clear();
    if (!quote->SelectMain())
        return outcome;
    outcome.attempted = true;
    if (!selected) {
        // Without the code-input window the code was not made current: whatever the view
        // shows is another stock's.
        log(QStringLiteral("\t") + code + kReportMark + QStringLiteral("抓取失败!(代码输入窗口没有出现)"));
        m_state.fetchFailed = 1;
        if (showPage)
            showPage(FetchPage::MiningPage);
        return outcome;
    }

    clearClipboard();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        if (attempt == 2) {
            playAlarm(false);
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
        const Copied copied = copyPage(code, &outcome.lines);
        if (copied == Copied::Nothing) {
            if (attempt == 1)
                continue;
            m_beep.sound();
            log(QStringLiteral("\t") + code + kReportMark + QStringLiteral("抓取失败!"));
            m_state.fetchFailed = 1;
            break;
        }
        if (copied == Copied::Report) {
            m_state.fetchFailed = 0;
            m_state.wrongPages = 0;
            outcome.captured = true;
            break;
        }
        if (copied == Copied::EarlierReport) {
            // Another stock's report is no capture of this one: the run tries it again later.
            log(QStringLiteral("\t") + code + kReportMark +
                QStringLiteral("抓取失败!(行情软件仍显示其它股票的页面)"));
            m_state.fetchFailed = 1;
            break;
        }
        playAlarm(true);
        log(QStringLiteral("\t抓取的") + code + QStringLiteral("的报告不是") + kReportMark);
        if (attempt == 1 && askAboutWrongPage(code))
            continue;
        m_state.fetchFailed = 1;
        ++m_state.wrongPages;
        break;
    }
    if (!outcome.captured)
        outcome.lines.clear();
    if (showPage)
        showPage(FetchPage::MiningPage);
    return outcome;
}

bool ReportFetch::selectStock(const QString& rawCode) {
    m_frame.ShowPrompt(QStringLiteral("将股票代码设定为华林行情软件的当前分析股票代码"));
    if (!m_windows.EnsureQuoteProgram() || m_windows.quoteProgramRefusesInput())
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

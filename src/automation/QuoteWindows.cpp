#include "automation/QuoteWindows.h"

#include "app/AppFrame.h"
#include "platform/Clock.h"
#include "platform/ProcessLauncher.h"
#include "quotefiles/FileOP.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quarrow {

namespace {

const QString kHualinTitle = QStringLiteral("华林证券网上交易");
const QString kDongfangTitle = QStringLiteral("东方通达信");
const QString kMonitorTitle = QStringLiteral("主力监控总览");
constexpr int kLaunchWait_ms = 15000;
// The window answers and paints this often while the quote program comes up.
constexpr int kLaunchPump_ms = 100;
constexpr std::size_t kNotifiedTitleChars = 250;
constexpr std::size_t kProcessNameChars = 100;
constexpr std::uint8_t kMonitorKey = 0x4A;  // 'J'
// The days the index figures of the discovery cover.
constexpr qint64 kIndexDays = 3;

std::u16string wide(const QString& text) {
    return text.toStdU16String();
}

QString eventName(int code) {
    switch (code) {
        case 1:
            return QStringLiteral("启动");
        case 2:
            return QStringLiteral("关闭");
        case 3:
            return QStringLiteral("转到SHELL");
        default:
            return QStringLiteral("转到");
    }
}

}  // namespace

QString TWinNTInfo::ProcNameWithID(std::uint32_t processId) const {
    return QString::fromStdU16String(m_desktop.processName(processId, kProcessNameChars));
}

QuoteWindows::QuoteWindows(Desktop& desktop, Clock& clock, AppFrame& frame, ProcessLauncher& launcher)
    : m_desktop(desktop), m_clock(clock), m_frame(frame), m_launcher(launcher) {
    m_desktop.setWindowListener([this](WindowEvent event, WindowHandle window) {
        shellNotification(static_cast<int>(event), window);
    });
}

QuoteWindows::~QuoteWindows() {
    m_desktop.setWindowListener({});
}

WindowServices QuoteWindows::services() {
    return WindowServices{m_desktop, m_clock, m_frame};
}

std::unique_ptr<TStockWinInfo> QuoteWindows::make(const QString& main, const QString& childTitle,
                                                  const QString& childClass, int childIndex) {
    return std::make_unique<TStockWinInfo>(services(), wide(main), wide(childTitle), wide(childClass),
                                           childIndex);
}

std::unique_ptr<TStockWinInfo> QuoteWindows::makeQuoteWin() {
    return make(m_setup.stockWindow, QString(), QStringLiteral("RICHEDIT"));
}

std::unique_ptr<TStockWinInfo> QuoteWindows::makeMonitorWin(int childIndex) {
    return make(kMonitorTitle, QStringLiteral("List1"), QString(), childIndex);
}

void QuoteWindows::remakeQQChatWin() {
    m_qqChatWin = make(m_setup.qqName, QString(), QString());
}

bool QuoteWindows::quoteProgramKnown() const {
    return m_quoteWin && m_quoteWin->GetMainWindow() != kNoWindow;
}

WindowStatus QuoteWindows::quoteStatus() const {
    WindowStatus status;
    if (m_quoteWin) {
        status.quoteMain = m_quoteWin->GetMainWindow() != kNoWindow;
        status.quoteChild = m_quoteWin->GetChildWindow() != kNoWindow;
    }
    if (m_codeInputWin) {
        status.codeInputMain = m_codeInputWin->GetMainWindow() != kNoWindow;
        status.codeInputChild = m_codeInputWin->GetChildWindow() != kNoWindow;
    }
    return status;
}

void QuoteWindows::setStatus(const WindowStatus& status) {
    m_status = status;
    if (statusChanged)
        statusChanged(status);
}

void QuoteWindows::refreshCodeInput() {
    if (!m_codeInputWin)
        m_codeInputWin = make(QStringLiteral("Tdx"), QString(), QStringLiteral("Edit"));
    else
        m_codeInputWin->Refresh();
    setStatus(quoteStatus());
}

void QuoteWindows::discover(bool realShowEvent) {
    m_quoteWin.reset();
    m_codeInputWin.reset();
    m_monitorListWin2.reset();
    m_monitorListWin.reset();

    if (FindTopWindow(m_desktop, wide(m_setup.stockWindow)) == kNoWindow) {
        const QString program = QDir(m_setup.quoteFolder).filePath(m_setup.stockApp);
        if (!m_setup.quoteFolder.isEmpty() && !m_setup.stockApp.isEmpty() && QFileInfo(program).isFile()) {
            m_frame.ShowPrompt(QStringLiteral("正在启动") + m_setup.stockWindow +
                               QStringLiteral("行情分析程序\r启动完毕后,请执行一次\"盘后数据下载\"功能"));
            // The quote program does not end: the wait is a pause while it comes up, in
            // which the window paints and answers (the prompt line says what it waits for).
            const LaunchResult started = m_launcher.run(QDir::toNativeSeparators(program), {},
                                                        m_setup.quoteFolder, 0, WhenTimedOut::LeaveRunning);
            if (started == LaunchResult::FailedToStart) {
                m_frame.ShowPrompt(QStringLiteral("无法启动") + QDir::toNativeSeparators(program));
            } else {
                if (onLaunchWait)
                    onLaunchWait(true);
                const qint64 until = m_clock.elapsedMs() + kLaunchWait_ms;
                while (m_clock.elapsedMs() < until) {
                    m_frame.processEvents();
                    m_clock.sleep(
                        static_cast<int>(std::min<qint64>(kLaunchPump_ms, until - m_clock.elapsedMs())));
                }
                m_frame.processEvents();
                if (onLaunchWait)
                    onLaunchWait(false);
                // The line said what the window waited for; the wait is over, and the line
                // says how it ended instead of "starting" for the rest of the day.
                if (FindTopWindow(m_desktop, wide(m_setup.stockWindow)) != kNoWindow)
                    m_frame.ShowPrompt(m_setup.stockWindow +
                                       QStringLiteral("行情分析程序已启动,请执行一次\"盘后数据下载\"功能"));
                else
                    m_frame.ShowPrompt(
                        m_setup.stockWindow +
                        QStringLiteral("行情分析程序没有出现,请检查行情分析软件的设置是否正确"));
            }
        } else {
            m_frame.ShowPrompt(
                QStringLiteral("没有找到") + m_setup.stockApp +
                QStringLiteral(",请先设置华林证券或东方证券行情分析软件的安装位置以及QQ昵称!"));
            if (openSetupPage)
                openSetupPage();
        }
    }

    m_quoteWin = makeQuoteWin();
    refreshCodeInput();  // made anew, as the reset above left none
    if (realShowEvent)
        remakeQQChatWin();
    m_monitorListWin2 = makeMonitorWin(2);
    m_monitorListWin = makeMonitorWin(0);
}

bool QuoteWindows::EnsureQuoteProgram() {
    if (quoteProgramKnown())
        return true;
    discover(false);
    if (quoteProgramKnown())
        return true;
    MessageRequest request;
    request.question = Question::QuoteProgramMissing;
    request.text =
        m_setup.stockWindow + QStringLiteral("(行情分析软件)未运行,请检查行情分析软件的设置是否正确");
    request.buttons = MessageButtons::YesNo;
    if (m_unattended) {
        // Nobody can start it by hand: the stock is given up, not waited for.
        request.timeout_s = kUnattendedQuestion_s;
        request.timeoutAnswer = MessageAnswer::No;
    }
    return m_frame.showMessage(request) == MessageAnswer::Yes;
}

bool QuoteWindows::quoteProgramRefusesInput() {
    const WindowHandle main = m_quoteWin ? m_quoteWin->GetMainWindow() : kNoWindow;
    if (main == kNoWindow || m_desktop.inputReaches(main))
        return false;
    if (main != m_refusingWindowSaid) {
        m_refusingWindowSaid = main;
        MessageRequest request;
        request.text = QStringLiteral(
            "行情分析软件正以管理员身份运行,Windows会拦截本程序发给它的按键和鼠标点击,"
            "抓取不到任何股票的数据.\r请关闭行情分析软件,再以普通方式(不要以管理员身份)启动它;"
            "或者以管理员身份运行本程序.");
        if (m_unattended)
            request.timeout_s = kUnattendedQuestion_s;
        m_frame.showMessage(request);
    }
    return true;
}

bool QuoteWindows::OpenMonitorWindow() {
    if (!m_monitorListWin2)
        m_monitorListWin2 = makeMonitorWin(2);
    if (!m_monitorListWin)
        m_monitorListWin = makeMonitorWin(0);
    if (m_monitorListWin2->GetMainWindow() == kNoWindow)
        m_monitorListWin2->Refresh();
    if (m_monitorListWin2->GetMainWindow() == kNoWindow) {
        if (m_quoteWin && m_quoteWin->SelectMain()) {
            m_quoteWin->Press_Ctrl_Key(kMonitorKey);
            m_clock.sleep(500);
            // The offsets are the quote program's pixels at 96 dpi; the window's size is
            // the screen's.
            const WindowRect r = m_quoteWin->RefreshWinRect();
            TStockWinInfo& quote = *m_quoteWin;
            quote.MouseClickOnMain(r.right - r.left - quote.MainPixels(40),
                                   r.bottom - r.top - quote.MainPixels(33));
            m_clock.sleep(1000);
            quote.MouseClickOnMain(r.right - r.left - quote.MainPixels(47), quote.MainPixels(435));
            m_clock.sleep(10000);
        }
        m_monitorListWin2->Refresh();
        m_monitorListWin->Refresh();
    }
    const bool open = m_monitorListWin2->GetMainWindow() != kNoWindow;
    if (open && m_monitorListWin->GetMainWindow() == kNoWindow)
        m_monitorListWin->Refresh();
    return open;
}

bool QuoteWindows::isQuoteTitle(const QString& title) const {
    return (title.startsWith(kHualinTitle) && m_setup.hualinSelected) || title.startsWith(kDongfangTitle);
}

void QuoteWindows::shellNotification(int code, WindowHandle window) {
    const QString title = QString::fromStdU16String(m_desktop.windowTitle(window, kNotifiedTitleChars));
    const QString process = TWinNTInfo(m_desktop).ProcNameWithID(m_desktop.windowProcessId(window));
    if (title.isEmpty() && process.isEmpty())
        return;
    if (code < 1 || code > 4 || (code == m_lastCode && window == m_lastWindow))
        return;
    m_lastCode = code;
    m_lastWindow = window;

    bool applied = false;
    if (code == 2) {
        if (isQuoteTitle(title)) {
            for (TStockWinInfo* win :
                 {m_quoteWin.get(), m_codeInputWin.get(), m_monitorListWin2.get(), m_monitorListWin.get()}) {
                if (win)
                    win->MainWinClose();
            }
            setStatus(WindowStatus());
            applied = true;
        } else if (!m_setup.qqName.isEmpty() && title.startsWith(m_setup.qqName)) {
            // An empty nickname would begin every title.
            if (m_qqChatWin)
                m_qqChatWin->MainWinClose();
            applied = true;
        }
    } else if (code == 1 && isQuoteTitle(title)) {
        if (m_quoteWin)
            m_quoteWin->Refresh();
        else
            m_quoteWin = makeQuoteWin();
        refreshCodeInput();
        for (TStockWinInfo* win : {m_monitorListWin2.get(), m_monitorListWin.get()}) {
            if (win)
                win->MainWinClose();
        }
        applied = true;
    }
    if (applied)
        m_frame.addPromptMemo(QStringLiteral("%1[%2]%3").arg(eventName(code), process, title));
}

}  // namespace quarrow

#include "platform/sim/SimQuoteProgram.h"

#include "platform/Clock.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace quarrow {

namespace {

QSet<QString> codeSet(const QStringList& words) {
    return QSet<QString>(words.begin(), words.end());
}

bool isDigitKey(std::uint8_t key) {
    return key >= '0' && key <= '9';
}

}  // namespace

SimQuoteBehaviour readSimQuoteBehaviour(const QString& path, SimQuoteBehaviour base) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return base;
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (const QString& rawLine : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        QString line = rawLine;
        const qsizetype comment = line.indexOf(QRegularExpression(QStringLiteral("[#;]")));
        if (comment >= 0)
            line.truncate(comment);
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        const QStringList words = value.split(separators, Qt::SkipEmptyParts);
        bool ok = false;
        if (key == QLatin1String("loadtime")) {
            const int ms = value.toInt(&ok);
            if (ok && ms >= 0)
                base.loadTime_ms = ms;
        } else if (key == QLatin1String("slowcodes")) {
            for (const QString& word : words) {
                const QStringList parts = word.split(QLatin1Char(':'));
                const int ms = parts.value(1).toInt(&ok);
                if (parts.size() == 2 && ok && ms >= 0)
                    base.slowCodes.insert(parts[0], ms);
            }
        } else if (key == QLatin1String("neverloads")) {
            base.neverLoads = codeSet(words);
        } else if (key == QLatin1String("wrongpagefirst")) {
            base.wrongPageFirst = codeSet(words);
        } else if (key == QLatin1String("copynothing")) {
            base.copyNothing = value == QLatin1String("1") || value.toLower() == QLatin1String("true");
        } else if (key == QLatin1String("failingclipboardclears")) {
            const int count = value.toInt(&ok);
            if (ok && count >= 0)
                base.failingClipboardClears = count;
        } else if (key == QLatin1String("vanishoncode")) {
            base.vanishOnCodes = codeSet(words);
        } else if (key == QLatin1String("monitorwindow")) {
            const QString state = value.toLower();
            if (state == QLatin1String("open"))
                base.monitor = SimQuoteBehaviour::Monitor::Open;
            else if (state == QLatin1String("closed"))
                base.monitor = SimQuoteBehaviour::Monitor::Closed;
            else if (state == QLatin1String("never"))
                base.monitor = SimQuoteBehaviour::Monitor::Never;
        } else if (key == QLatin1String("monitorrestartat")) {
            const QTime time = QTime::fromString(value, QStringLiteral("HH:mm:ss"));
            if (time.isValid())
                base.monitorRestartAt = time;
        } else if (key == QLatin1String("chatwindow")) {
            base.chatWindow = !(value == QLatin1String("0") || value.toLower() == QLatin1String("false"));
        } else if (key == QLatin1String("chatclosesafter")) {
            const int count = value.toInt(&ok);
            if (ok && count >= 0)
                base.chatClosesAfter = count;
        }
    }
    return base;
}

SimQuoteProgram::SimQuoteProgram(SimDesktop& desktop, const QString& folder, const QString& title,
                                 const SimQuoteBehaviour& behaviour,
                                 std::function<QString(const QByteArray&)> decode)
    : m_desktop(desktop), m_folder(folder), m_behaviour(behaviour), m_decode(std::move(decode)) {
    m_processId = m_desktop.startProcess(QStringLiteral("TdxW.exe"));
    const WindowRect screen{0, 0, 1280, 1024};
    m_mainWindow = m_desktop.createWindow(kNoWindow, title + QStringLiteral(" - [分析图表]"),
                                          QStringLiteral("TdxW_MainFrame_Class"), screen, m_processId, this);
    // The page view sits deep in the frame, after the tool bar: the automation must look
    // it up by class, never by position.
    const WindowHandle toolBar = m_desktop.createWindow(
        m_mainWindow, QString(), QStringLiteral("AfxControlBar42"), {0, 22, 1280, 56}, m_processId, this);
    m_desktop.createWindow(toolBar, QStringLiteral("工具栏"), QStringLiteral("ToolbarWindow32"),
                           {2, 24, 900, 54}, m_processId, this);
    const WindowHandle client = m_desktop.createWindow(m_mainWindow, QString(), QStringLiteral("MDIClient"),
                                                       {0, 56, 1280, 1000}, m_processId, this);
    const WindowHandle frame =
        m_desktop.createWindow(client, QStringLiteral("个股资料"), QStringLiteral("AfxFrameOrView42"),
                               {0, 56, 1280, 1000}, m_processId, this);
    m_desktop.createWindow(frame, QString(), QStringLiteral("SysTreeView32"), {0, 56, 180, 1000}, m_processId,
                           this);
    m_pageView = m_desktop.createWindow(frame, QString(), QStringLiteral("RICHEDIT"), {180, 56, 1280, 1000},
                                        m_processId, this);
    m_desktop.createWindow(m_mainWindow, QString(), QStringLiteral("msctls_statusbar32"),
                           {0, 1000, 1280, 1024}, m_processId, this);
    m_desktop.setForegroundWindow(m_mainWindow);
    if (m_behaviour.failingClipboardClears > 0)
        m_desktop.failClipboardClears(m_behaviour.failingClipboardClears);
    m_pageAsked_ms = m_desktop.clock().elapsedMs();
    if (m_behaviour.monitor == SimQuoteBehaviour::Monitor::Open) {
        openMonitor();
        m_desktop.setForegroundWindow(m_mainWindow);
    }
}

SimQuoteProgram::~SimQuoteProgram() = default;

SimMonitorWindow* SimQuoteProgram::monitor() {
    return m_monitor && m_monitor->isOpen() ? m_monitor.get() : nullptr;
}

SimMonitorWindow& SimQuoteProgram::openMonitor() {
    if (!monitor()) {
        m_monitor = std::make_unique<SimMonitorWindow>(
            m_desktop, m_processId,
            readSimMonitorFeed(QDir(m_folder).filePath(QStringLiteral("sim/monitor.txt"))),
            m_behaviour.monitorRestartAt);
    }
    return *m_monitor;
}

void SimQuoteProgram::quit() {
    if (!isRunning())
        return;
    m_mainWindow = m_pageView = m_codeInput = m_codeEdit = kNoWindow;
    m_codeInputDue_ms = -1;
    m_desktop.endProcess(m_processId);
}

void SimQuoteProgram::keyDown(WindowHandle focus, std::uint8_t virtualKey) {
    if (!isRunning())
        return;
    const bool control = m_desktop.isKeyDown(VirtualKey::Control);
    const bool inCodeInput = m_codeInput != kNoWindow && m_desktop.isWithin(focus, m_codeInput);
    const bool inMain = m_desktop.isWithin(focus, m_mainWindow);
    if (isDigitKey(virtualKey) && !control) {
        if (inCodeInput || inMain)
            typeDigit(QChar(char16_t(virtualKey)));
    } else if (virtualKey == VirtualKey::Enter && inCodeInput) {
        selectTypedCode();
    } else if (inMain && virtualKey == VirtualKey::F10 && !control) {
        showPage(View::InformationPage, m_code);
    } else if (inMain && control && virtualKey == 'A') {
        // Selecting a chart selects nothing; a page still loading leaves the one before it
        // on the view, and that is what gets selected.
        m_selected = displayedPage().view == View::InformationPage;
        m_selectionOfAskedPage = pageLoaded();
    } else if (inMain && control && virtualKey == 'C') {
        copyPage();
    } else if (inMain && control && virtualKey == 'J') {
        if (m_behaviour.monitor != SimQuoteBehaviour::Monitor::Never)
            openMonitor();
    }
}

void SimQuoteProgram::timePassed() {
    if (m_codeInputDue_ms >= 0 && m_desktop.clock().elapsedMs() >= m_codeInputDue_ms)
        openCodeInput();
}

void SimQuoteProgram::typeDigit(QChar digit) {
    if (m_codeInput == kNoWindow && m_codeInputDue_ms < 0) {
        // The keyboard spirit takes its moment, a different one each time; the digits
        // typed meanwhile are its first.
        m_typed.clear();
        const int delay_ms =
            20 + static_cast<int>((static_cast<unsigned>(m_codeInputsOpened + 1) * 2654435761U >> 7) % 131U);
        ++m_codeInputsOpened;
        m_codeInputDue_ms = m_desktop.clock().elapsedMs() + delay_ms;
    }
    m_typed += digit;
    if (m_codeInput != kNoWindow)
        m_desktop.setFocus(m_codeEdit);
}

void SimQuoteProgram::openCodeInput() {
    m_codeInputDue_ms = -1;
    if (m_codeInput == kNoWindow) {
        const WindowRect main = *m_desktop.windowRect(m_mainWindow);
        const WindowRect box{main.right - 260, main.bottom - 300, main.right - 10, main.bottom - 30};
        m_codeInput = m_desktop.createWindow(kNoWindow, QStringLiteral("Tdx 键盘精灵"),
                                             QStringLiteral("#32770"), box, m_processId, this);
        m_codeEdit = m_desktop.createWindow(m_codeInput, QString(), QStringLiteral("Edit"),
                                            {box.left + 6, box.top + 26, box.right - 6, box.top + 48},
                                            m_processId, this);
        m_desktop.createWindow(m_codeInput, QString(), QStringLiteral("SysListView32"),
                               {box.left + 6, box.top + 52, box.right - 6, box.bottom - 6}, m_processId,
                               this);
    }
    m_desktop.setFocus(m_codeEdit);
}

void SimQuoteProgram::selectTypedCode() {
    const QString code = m_typed;
    m_typed.clear();
    const WindowHandle input = m_codeInput;
    m_codeInput = m_codeEdit = kNoWindow;
    m_desktop.destroyWindow(input);
    m_desktop.setFocus(m_mainWindow);
    if (code.isEmpty())
        return;
    m_record.selectedCodes.append(code);
    if (m_behaviour.vanishOnCodes.contains(code)) {
        quit();
        return;
    }
    showPage(m_view, code);
}

void SimQuoteProgram::showPage(View view, const QString& code) {
    // The page on the view stays there until the new one has loaded.
    m_previous = displayedPage();
    m_view = view;
    m_code = code;
    ++m_record.pageDisplays;
    m_pageAsked_ms = m_desktop.clock().elapsedMs();
    m_selected = false;
    m_showsGeneralPage = false;
    if (m_view == View::InformationPage) {
        m_showsGeneralPage =
            m_behaviour.wrongPageFirst.contains(m_code) && !m_wrongPageShown.contains(m_code);
        if (m_showsGeneralPage)
            m_wrongPageShown.insert(m_code);
    }
}

int SimQuoteProgram::loadTime_ms() const {
    return m_behaviour.slowCodes.value(m_code, m_behaviour.loadTime_ms);
}

SimQuoteProgram::Page SimQuoteProgram::displayedPage() const {
    if (pageLoaded())
        return {m_view, m_code, m_showsGeneralPage};
    return m_previous;
}

bool SimQuoteProgram::pageLoaded() const {
    if (m_view == View::InformationPage && m_behaviour.neverLoads.contains(m_code))
        return false;
    return m_desktop.clock().elapsedMs() - m_pageAsked_ms >= loadTime_ms();
}

QString SimQuoteProgram::pageText() const {
    return pageTextOf(displayedPage());
}

QString SimQuoteProgram::pageTextOf(const Page& page) const {
    if (page.view != View::InformationPage)
        return QString();
    if (!page.general) {
        QFile file(QDir(m_folder).filePath(QStringLiteral("sim/pages/%1.txt").arg(page.code)));
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = file.readAll();
            return m_decode ? m_decode(bytes) : QString::fromUtf8(bytes);
        }
    }
    return generalPage(page.code);
}

QString SimQuoteProgram::stockName(const QString& code) const {
    QFile names(QDir(m_folder).filePath(QStringLiteral("sim/names.txt")));
    if (names.open(QIODevice::ReadOnly)) {
        for (const QString& line : QString::fromUtf8(names.readAll()).split(QLatin1Char('\n'))) {
            const QStringList parts = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (parts.size() == 2 && parts[0] == code)
                return parts[1];
        }
    }
    return QStringLiteral("未知证券");
}

QString SimQuoteProgram::generalPage(const QString& code) const {
    const QStringList lines = {
        QStringLiteral("☆个股资料☆ ◇%1 %2◇").arg(code, stockName(code)),
        QStringLiteral("★本栏包括【1.公司概况】【2.最新提示】【3.财务分析】★"),
        QString(),
        QStringLiteral("【1.公司概况】"),
        QStringLiteral("证券代码:%1").arg(code),
        QStringLiteral("所属行业:综合"),
        QStringLiteral("【2.最新提示】"),
        QStringLiteral("暂无最新提示"),
    };
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

void SimQuoteProgram::copyPage() {
    // A page that showed since the selection was made redrew the view without it.
    if (m_behaviour.copyNothing || !m_selected || (pageLoaded() && !m_selectionOfAskedPage))
        return;
    const QString text = pageText();
    if (text.isEmpty())
        return;  // an empty selection copies nothing: the clipboard keeps what it had
    m_desktop.setClipboardText(text.toStdU16String());
    ++m_record.copies;
}

}  // namespace quarrow

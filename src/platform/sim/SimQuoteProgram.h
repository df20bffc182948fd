#pragma once

#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimMonitor.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace quarrow {

// How the simulated quote program misbehaves, for tests and demonstrations. The command
// line sets it through the file sim/behaviour.ini of the quote folder, read when the
// program starts; keys (case-insensitive, "#" or ";" starts a comment, codes separated by
// commas or spaces):
//   LoadTime = 150                  ms a page takes to show after it was asked for
//   SlowCodes = 600000:2000 000001:900   codes with a load time of their own
//   NeverLoads = 600004             codes whose information page never comes
//   WrongPageFirst = 600006         the first information page of the code since the
//                                   program started is the general one; later ones (F10
//                                   again, or the code selected again) are the report
//   CopyNothing = 1                 Ctrl+C never puts anything on the clipboard
//   FailingClipboardClears = 3      that many clipboard clears fail (error 5) first
//   VanishOnCode = 600010           selecting the code ends the program: its windows go
//   MonitorWindow = closed          the monitor "主力监控总览" is not open at the start
//                                   (Ctrl+J opens it); "never": Ctrl+J does not either;
//                                   "open" (the default): open from the start
//   MonitorRestartAt = 10:30:00     the monitor restarts then: its lists begin again empty
//   ChatWindow = 0                  no chat window at the start (1, the default: one titled
//                                   with the nickname of the settings file)
//   ChatClosesAfter = 2             the chat window closes after that many messages
struct SimQuoteBehaviour {
    enum class Monitor { Open, Closed, Never };
    int loadTime_ms = 150;
    QMap<QString, int> slowCodes;
    QSet<QString> neverLoads;
    QSet<QString> wrongPageFirst;
    bool copyNothing = false;
    int failingClipboardClears = 0;
    QSet<QString> vanishOnCodes;
    Monitor monitor = Monitor::Open;
    std::optional<QTime> monitorRestartAt;
    bool chatWindow = true;
    int chatClosesAfter = 0;
};

// The keys of a behaviour file over base; a missing file leaves base as it is, a line
// that does not parse is skipped.
SimQuoteBehaviour readSimQuoteBehaviour(const QString& path, SimQuoteBehaviour base);

// What the simulated quote program did, for tests.
struct SimQuoteRecord {
    QStringList selectedCodes;  // each code made current by Enter in the code-input window
    int pageDisplays = 0;       // pages asked for (chart or information page)
    int copies = 0;             // texts put on the clipboard
};

// The Tongdaxin-based quote program as the automation meets it, no kinder than the real
// one: a main window (title from the edition, never containing "Tdx") whose page view is a
// descendant of class "RICHEDIT"; a digit typed into it opens the code-input window ("Tdx
// 键盘精灵", class "#32770", with an "Edit" field) a short and varying moment later (20 to
// 150 ms), which collects the code until Enter selects it (digits typed before it shows
// are kept; an Enter before it shows goes to the main window and selects nothing); F10
// opens the stock's information page, which then stays open from stock to stock. Until a
// newly asked page has loaded, the view keeps showing the page before it: Ctrl+A and Ctrl+C
// then select and copy the previous stock's page. A selection does not survive the new page
// showing. Before the first F10 the view shows a chart, and copying a view with nothing to
// select (the chart, an empty page) leaves the clipboard as it was.
//
// The page of stock C is the file sim/pages/C.txt of the quote folder, read when copied;
// without it the general information page shows, with the code and the name that
// sim/names.txt gives it. Time is the desktop's clock: the
// program never sleeps, it compares the clock with the moment a page was asked for.
class SimQuoteProgram final : public SimProgram {
public:
    enum class View { Chart, InformationPage };

    SimQuoteProgram(SimDesktop& desktop, const QString& folder, const QString& title,
                    const SimQuoteBehaviour& behaviour, std::function<QString(const QByteArray&)> decode);
    ~SimQuoteProgram() override;
    SimQuoteProgram(const SimQuoteProgram&) = delete;
    SimQuoteProgram& operator=(const SimQuoteProgram&) = delete;

    // Until its main window goes, whoever closes it.
    bool isRunning() const { return m_desktop.windowExists(m_mainWindow); }
    // Closes its windows and ends its process, as a user closing it would.
    void quit();

    QString folder() const { return m_folder; }
    std::uint32_t processId() const { return m_processId; }
    WindowHandle mainWindow() const { return m_mainWindow; }
    // Nothing while the code-input window is closed.
    WindowHandle codeInputWindow() const { return m_codeInput; }
    QString typedCode() const { return m_typed; }
    QString currentCode() const { return m_code; }
    // Whether the page asked for last shows by now.
    bool pageLoaded() const;
    // The text Ctrl+C copies from the information page as it stands.
    QString pageText() const;

    const SimQuoteBehaviour& behaviour() const { return m_behaviour; }
    void setBehaviour(const SimQuoteBehaviour& behaviour) { m_behaviour = behaviour; }
    const SimQuoteRecord& record() const { return m_record; }
    // The main-force monitor while it is open, else nothing.
    SimMonitorWindow* monitor();
    // Opens the monitor as Ctrl+J does (even when the behaviour says it never opens).
    SimMonitorWindow& openMonitor();

    void keyDown(WindowHandle focus, std::uint8_t virtualKey) override;
    void keyUp(WindowHandle, std::uint8_t) override {}
    void leftClick(WindowHandle, int, int) override {}
    void timePassed() override;

private:
    // A page the view shows or will show: the view, the stock, and whether it is the
    // general information page instead of the stock's own.
    struct Page {
        View view = View::Chart;
        QString code;
        bool general = false;
    };
    // What the view shows right now: the page asked for once it has loaded, else the one
    // before it.
    Page displayedPage() const;
    QString pageTextOf(const Page& page) const;
    void openCodeInput();
    void typeDigit(QChar digit);
    void selectTypedCode();
    // Asks for the page of the view for the stock: it shows once it has loaded.
    void showPage(View view, const QString& code);
    void copyPage();
    QString generalPage(const QString& code) const;
    // From sim/names.txt of the quote folder ("code name" lines, UTF-8), when there is one.
    QString stockName(const QString& code) const;
    int loadTime_ms() const;

    SimDesktop& m_desktop;
    QString m_folder;
    SimQuoteBehaviour m_behaviour;
    std::function<QString(const QByteArray&)> m_decode;
    std::uint32_t m_processId = 0;
    WindowHandle m_mainWindow = kNoWindow;
    WindowHandle m_pageView = kNoWindow;
    WindowHandle m_codeInput = kNoWindow;
    WindowHandle m_codeEdit = kNoWindow;
    QString m_typed;
    QString m_code = QStringLiteral("999999");  // it opens on the Shanghai index
    View m_view = View::Chart;
    qint64 m_pageAsked_ms = 0;
    QSet<QString> m_wrongPageShown;  // WrongPageFirst codes whose general page was shown
    bool m_showsGeneralPage = false;
    Page m_previous;  // what the view showed before the page asked for last
    bool m_selected = false;
    bool m_selectionOfAskedPage = false;  // the selection was made on the page asked for last
    qint64 m_codeInputDue_ms = -1;        // when the code-input window shows; -1: not asked for
    int m_codeInputsOpened = 0;
    SimQuoteRecord m_record;
    std::unique_ptr<SimMonitorWindow> m_monitor;
};

}  // namespace quarrow

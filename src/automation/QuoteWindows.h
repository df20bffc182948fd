#pragma once

#include "automation/StockWindows.h"
#include "quotefiles/DailyChanges.h"

#include <QString>

#include <functional>
#include <memory>

namespace quarrow {

class AppFrame;
class Clock;
class ProcessLauncher;

// Which quote program the user chose, and where it is (from the setup page).
struct QuoteProgramSetup {
    QString quoteFolder;  // QuoteFolder
    QString stockWindow;  // StockWindow: the text the main window's title contains
    QString stockApp;     // StockApp: "TdxW.exe"
    bool hualinSelected = false;
    QString qqName;  // the chat window's title begins with it
};

// The four check boxes of the mining page that show which quote windows are known.
struct WindowStatus {
    bool quoteMain = false;       // CheckMain "证券主窗口"
    bool quoteChild = false;      // CheckChild "动态资讯窗口"
    bool codeInputMain = false;   // chkStockMain "代码输入窗口"
    bool codeInputChild = false;  // chkStockChild "代码输入区"
    friend bool operator==(const WindowStatus&, const WindowStatus&) = default;
};

// The windows of the quote program and of the chat that the program drives, found when
// the main window is first shown and again whenever they are needed and missing: the
// quote program's main window with its report view, its code-input window, the chat
// window, and the two lists of the main-force monitor. Follows the shell's notifications
// so a quote program that closes or starts again is forgotten or found again.
class QuoteWindows {
public:
    QuoteWindows(Desktop& desktop, Clock& clock, AppFrame& frame, ProcessLauncher& launcher);
    ~QuoteWindows();

    void setSetup(const QuoteProgramSetup& setup) { m_setup = setup; }
    const QuoteProgramSetup& setup() const { return m_setup; }

    // Finds the windows anew, starting the quote program when its main window is missing.
    // realShowEvent: the main window is being shown for the first time (the chat window
    // is looked for then only).
    void discover(bool realShowEvent);
    // True when the quote program's main window is known, if need be after looking again;
    // otherwise asks whether to go on without it.
    bool EnsureQuoteProgram();
    // A run nobody watches: the question above counts down to No instead of waiting.
    void setUnattended(bool unattended) { m_unattended = unattended; }
    // Whether the quote program's window refuses our keys and clicks, as Windows makes it
    // when the quote program runs as administrator and we do not. Says what to do the first
    // time it finds a window so: every stock would fail otherwise, with no clue why.
    bool quoteProgramRefusesInput();
    // Makes sure the main-force monitor window is open (opening it through the quote
    // program's keys and clicks when not): whether its second list is known.
    bool OpenMonitorWindow();
    // A window created (code 1) or destroyed (code 2) somewhere on the desktop.
    void shellNotification(int code, WindowHandle window);

    // Null before the first discovery.
    TStockWinInfo* QuoteWin() { return m_quoteWin.get(); }
    TStockWinInfo* CodeInputWin() { return m_codeInputWin.get(); }
    TStockWinInfo* QQChatWin() { return m_qqChatWin.get(); }
    TStockWinInfo* MonitorListWin() { return m_monitorListWin.get(); }
    TStockWinInfo* MonitorListWin2() { return m_monitorListWin2.get(); }

    // Frees the chat window's object and makes it again for the nickname of the setup
    // (after the nickname changed, or when none was made yet).
    void remakeQQChatWin();

    bool quoteProgramKnown() const;
    WindowStatus status() const { return m_status; }
    // Refreshes the code-input window and the two check boxes that show it.
    void refreshCodeInput();

    // The window opens the setup page; the check boxes follow the status.
    std::function<void()> openSetupPage;
    // The wait while a started quote program comes up begins (true) and ends (false): the
    // window keeps the commands that would start work off meanwhile.
    std::function<void(bool waiting)> onLaunchWait;
    std::function<void(const WindowStatus&)> statusChanged;

    WindowServices services();

private:
    void setStatus(const WindowStatus& status);
    WindowStatus quoteStatus() const;
    bool isQuoteTitle(const QString& title) const;
    std::unique_ptr<TStockWinInfo> make(const QString& main, const QString& childTitle,
                                        const QString& childClass, int childIndex = 0);
    // The quote program's main window with its report view.
    std::unique_ptr<TStockWinInfo> makeQuoteWin();
    // One of the monitor's two lists titled "List1": 2 the second, 0 the first.
    std::unique_ptr<TStockWinInfo> makeMonitorWin(int childIndex);

    Desktop& m_desktop;
    Clock& m_clock;
    AppFrame& m_frame;
    ProcessLauncher& m_launcher;
    QuoteProgramSetup m_setup;
    bool m_unattended = false;
    std::unique_ptr<TStockWinInfo> m_quoteWin;
    std::unique_ptr<TStockWinInfo> m_codeInputWin;
    std::unique_ptr<TStockWinInfo> m_qqChatWin;
    std::unique_ptr<TStockWinInfo> m_monitorListWin2;
    std::unique_ptr<TStockWinInfo> m_monitorListWin;
    WindowStatus m_status;
    WindowHandle m_refusingWindowSaid = kNoWindow;
    int m_lastCode = 0;
    WindowHandle m_lastWindow = kNoWindow;
};

// The process information the shell notifications are logged with.
class TWinNTInfo {
public:
    explicit TWinNTInfo(Desktop& desktop) : m_desktop(desktop) {}
    // The executable name of a process, e.g. "TdxW.exe", at most 100 characters; empty
    // when the process is gone or cannot be opened.
    QString ProcNameWithID(std::uint32_t processId) const;

private:
    Desktop& m_desktop;
};

}  // namespace quarrow

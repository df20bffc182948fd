#pragma once

#include "app/AppFrame.h"

#include <QString>
#include <QStringList>

#include <optional>

#include <functional>

namespace quarrow {

class AppFrame;
class Clock;
class Desktop;
class FailureBeep;
class QuoteWindows;
class TcmxMP3;

// Who asked: the button of the toolbar starts afresh; the mining run keeps its state.
enum class FetchSender { Button, MiningRun };

// The two pages the fetch switches the window to.
enum class FetchPage { StockDoc, MiningPage };

struct FetchOutcome {
    bool attempted = false;  // the quote program was there and the copy was tried
    // The quote program takes no keys from us (it runs as administrator): nothing was tried.
    bool inputRefused = false;
    bool captured = false;  // the stock's own report (or an empty page) was captured
    QStringList lines;      // what was pasted, one entry per text line
};

// Makes the quote program show one stock's dragon-tiger page and copies its text, as a
// user would: the code typed into the quote window, Enter in its code-input window, F10
// for the information page, then select-all and copy until the clipboard holds text.
// Checks that the first line is the report's, tries once more, and asks for help when the
// quote program shows another page.
class ReportFetch {
public:
    ReportFetch(QuoteWindows& windows, AppFrame& frame, Clock& clock, Desktop& desktop, FailureBeep& beep);

    // The alarm played when the copied page is not the report; none without "alarm.mp3".
    void setAlarm(TcmxMP3* alarm) { m_alarm = alarm; }

    // A failing sound device is said once in the log; the fetch goes on without sound.
    FetchOutcome fetch(const QString& code, FetchSender sender, int percent);
    // Makes the code the quote program's current stock: false when it was not typed.
    bool selectStock(const QString& code);
    // Types the code into the quote window and, once the code-input window has shown,
    // presses Enter there; it does not wait for the page. False, with nothing typed, when
    // the quote window cannot be selected, and without Enter when the code-input window
    // does not show or cannot be selected.
    bool typeCode(const QString& code);

    std::function<void(FetchPage)> showPage;

    // A batch of fetches begins: the information page may not be open (F10 is pressed
    // before the first copy), nothing is typed ahead (between runs the quote program is the
    // user's), and the wrong-page question is asked afresh. In a run nobody watches its
    // questions count down to their safe answer instead of waiting.
    void beginRun(bool unattended);
    void endRun();
    // The next stock's code was typed into the quote program while the current one was
    // stored (empty: nothing is typed ahead); the fetch of that code types nothing.
    void setTypedAhead(const QString& code);
    // The stock's report did not count after all: the next fetch presses F10 first.
    void markNotCaptured();
    // Whether the last fetch captured a report (the tag of btnGetStockDoc is 0).
    bool lastCaptured() const { return m_state.fetchFailed == 0; }

    // What one fetch leaves for the next.
    struct State {
        // On entry 1: press F10 before copying (the information page may not be open). On
        // exit 0 when the report was captured, 1 when not. (The tag of btnGetStockDoc.)
        int fetchFailed = 1;
        // Stocks in a row whose copied page was not the report (the tag of chkSkipOut).
        int wrongPages = 0;
        // The stock after the current one, already typed into the quote program.
        QString lastSelectedCode;
        bool unattended = false;
        // The answer the user gave to the wrong-page question for the rest of the run
        // ("是" or "否" for all); nothing while each page is asked about.
        std::optional<MessageAnswer> wrongPageAnswer;
    };
    // What the fetches so far left; a fetch that goes on from elsewhere (a test, a resumed
    // batch) may set it.
    const State& state() const { return m_state; }
    void setState(const State& state) { m_state = state; }

private:
    enum class Copied { Nothing, Report, EarlierReport, OtherPage };

    // Waits on the clock for the code-input window the typed digits open.
    bool waitForCodeInput();
    void clearClipboard();
    bool copyLoop(QStringList* lines);
    Copied copyPage(const QString& code, QStringList* lines);
    // The page was not the report: yes to copy again, no to skip the stock.
    bool askAboutWrongPage(const QString& code);
    void playAlarm(bool on);
    void sayNotRunning(const QString& program);
    void log(const QString& line);

    QuoteWindows& m_windows;
    AppFrame& m_frame;
    Clock& m_clock;
    Desktop& m_desktop;
    FailureBeep& m_beep;
    State m_state;
    TcmxMP3* m_alarm = nullptr;
};

// Text as a memo shows it: one entry per line, a final line break ending the last line.
QStringList memoLines(const QString& text);

}  // namespace quarrow

#pragma once

#include "platform/Pacing.h"

#include <QString>
#include <QStringList>

namespace quarrow {

// Colours of the log lines: red for a rise or a problem, green for a fall, magenta for a
// storing failure, blue for batch progress.
enum class LogColor { Default, Red, Green, Magenta, Blue };

// YesNoToAll adds "No to all" and "Yes to all" for a question asked once per row of a batch.
enum class MessageButtons { Ok, YesNo, YesNoToAll };

// The progress box of a long run: the mining layout, or the download layout with the
// embedded page below the figures.
enum class ProgressLayout { Mining, Download };

// The value panels of the status bar, each beside its caption panel; the message panel is
// the wide one for a file path or a short note.
enum class StatusPanel {
    Stocks = 1,         // "股票数:"
    Pending = 3,        // "待处理股票数:"
    FetchFailures = 5,  // "抓取失败:"
    AnomalyStocks = 7,  // "涨跌异动股票数:"
    BlockTrades = 9,    // "大宗交易笔数:"
    Message = 10,
    FetchTries = 12,  // "抓取次数:"
};

struct RunProgress {
    ProgressLayout layout = ProgressLayout::Mining;
    int position = 0;
    int maximum = 0;
    QString timeNeeded = QStringLiteral("00:00:00");     // lblTimeNeeded
    QString timeRemaining = QStringLiteral("00:00:00");  // lblRemain
};
enum class MessageAnswer { Ok, Yes, No, NoToAll, YesToAll };

// Which question a Yes/No box asks. The command line and the tests answer a question by
// this identity, never by its wording.
enum class Question {
    None,                    // a notice, or a question no one answers in advance
    ReanalysisStart,         // mine the saved documents at all?
    ReanalysisResume,        // go on from today's resume point?
    ReanalysisClearHistory,  // delete the stored rows before starting over?
    QuoteProgramMissing,     // the quote program is not running: go on anyway?
    FetchWrongPage,          // the quote program showed another page: try once more?
    MiningF10Reminder,       // has the user opened the report page in the quote program?
    MiningFreshness,         // today's closing data seem missing: mine anyway?
    MiningResume,            // go on from the stock today's run reached?
    MiningRetryFailed,       // mine the stocks that got no report again?
    FilteredDelete,          // delete the stored rows the query page's filters select?
    DownloadRepeat,          // the downloaded stock's day may be stored already: store it again?
    CloseDuringRun,          // a job runs: stop it and close the program?
    StoreImport,             // copy the Access file or ODBC source into the program's own store?
};

// How long a question of a run nobody watches waits before it takes its safe answer.
inline constexpr int kUnattendedQuestion_s = 30;

struct MessageRequest {
    Question question = Question::None;
    QString title = QStringLiteral("注意");
    QString text;
    QString picturePath;  // a help picture shown beside the box; empty for none
    MessageButtons buttons = MessageButtons::Ok;
    // A question of a run nobody watches: after this many seconds it takes timeoutAnswer
    // by itself, so an unattended night run never waits for a user who is not there.
    // 0: it waits for the user.
    int timeout_s = 0;
    MessageAnswer timeoutAnswer = MessageAnswer::No;
};

// The narrow window onto the user that every piece of logic talks through: the prompt
// line, message boxes, the coloured log, the status panels and the event pump. The
// desktop window implements it with widgets, the command line with the terminal, and
// tests with a recorder that presets the answers.
class AppFrame : public EventPump {
public:
    // The prompt line is one line: carriage returns become spaces before it is shown.
    void ShowPrompt(const QString& text);

    // A message box with an optional help picture from the program folder. When the
    // picture exists the text gains the hint to follow the pictured steps.
    MessageAnswer ShowHelpPicture(const QString& text, const QString& pictureName, bool yesNo,
                                  Question question = Question::None);
    // Any request with the help picture of the program folder, as ShowHelpPicture adds it.
    MessageAnswer showWithHelpPicture(MessageRequest request, const QString& pictureName);
    // A notice the user acknowledges with OK ("注意").
    void notify(const QString& text);
    // A Yes/No question: true for Yes. The identity lets the command line and the tests
    // answer it without reading the wording.
    bool ask(Question question, const QString& text, const QString& title = kNoticeTitle);
    // A question asked once per item of a batch, with "Yes to all" and "No to all".
    MessageAnswer askForEach(Question question, const QString& text, const QString& title = kNoticeTitle);

    static inline const QString kNoticeTitle = QStringLiteral("注意");
    static inline const QString kHintTitle = QStringLiteral("提示!");

    virtual MessageAnswer showMessage(const MessageRequest& request) = 0;
    virtual void addLog(const QString& line, LogColor color) = 0;
    // The log (MemoResult): emptied when a run begins, kept as a file when it ends.
    virtual void clearLog() = 0;
    virtual QStringList logLines() const = 0;
    virtual void setStatusPanel(StatusPanel panel, const QString& text) = 0;
    // A line for the prompt memo (MemoPrompt), where notes the user reads later gather.
    virtual void addPromptMemo(const QString& line) = 0;
    // Replaces what the capture memo (MemoPastFrom) shows.
    virtual void showCapture(const QStringList& lines) = 0;
    // The progress box of a run: shown or updated, and hidden at the run's end.
    virtual void showProgress(const RunProgress& progress) = 0;
    virtual void hideProgress() = 0;
    // Switches the commands that start work on or off (off while a run is active).
    virtual void enableCommands(bool on) = 0;

    // The folder where help pictures are looked up.
    virtual QString programFolder() const = 0;

protected:
    virtual void displayPrompt(const QString& oneLine) = 0;
};

}  // namespace quarrow

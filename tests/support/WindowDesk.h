#pragma once

#include "app/AppFrame.h"
#include "app/ProgramFolder.h"
#include "demo/QuoteFolderGenerator.h"
#include "gui/MainForm.h"
#include "store/StoredRows.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QEvent>
#include <QTime>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace quarrow {
class Platform;
class ProgramServices;
class WidgetFrame;
}  // namespace quarrow

namespace quarrow::test {

class WindowDesk;

// What a window test's program folder holds when its window opens.
struct DeskOptions {
    int quoteStocks = 0;  // a generated quote folder of this many stocks, chosen in the settings
    int quoteBars = 30;
    int corpusDocuments = 0;  // saved report documents of each stock of the quote folder
    QTime autoStart{};        // the automatic daily start, switched on when valid
    QDateTime clockStart{};   // the virtual clock's start; invalid: WindowDesk::kStart
    // Runs on the folder and the platform just before the window opens: seeds the store,
    // writes settings, prepares the simulated desktop.
    std::function<void(WindowDesk&)> beforeWindow{};
};

// A generated quote folder of 12 stocks and 120 bars whose store holds generated department
// rows (600 trades of 8 departments over 7 days): the track record's and the figures' desk.
DeskOptions demoTradesDesk();

// A report of tests/data stored as the re-analysis stores it (every anomaly day): the rows
// it stored, none when the extraction did not run.
std::optional<StoredRows> storeReport(ProgramServices& services, const QString& code, const QString& name,
                                      const QString& report);

// The main window on a fresh program folder of the simulated desktop, its clock virtual
// from kStart, wired as the desktop program's main wires it. Every message box is
// recorded and answered by its question's identity: an OK box with OK, a question from
// answers, else with defaultAnswer.
class WindowDesk {
public:
    static inline const QDateTime kStart{QDate(2017, 3, 16), QTime(15, 30)};

    explicit WindowDesk(DeskOptions options = {});
    ~WindowDesk();

    // Closes the window and opens a new one on the same folder and platform, as a
    // restart of the program would.
    void reopen();
    // The first show looks for the quote program's windows once the window is painted.
    void show();

    template <typename W>
    W* child(const QString& name) const {
        W* widget = form->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QString promptText() const;
    bool onTop() const;
    QString currentContentPage() const;
    ProgramServices& services();
    WidgetFrame& frame() { return *m_frame; }

    TempHome home;
    ProgramFolder folder;
    GeneratedQuoteFolder generated;  // the quote folder's plan, when there is one
    std::unique_ptr<Platform> platform;
    std::unique_ptr<TMainForm> form;
    std::map<Question, MessageAnswer> answers;
    // Called with every box as it comes up, before its answer: what happens meanwhile.
    std::function<void(const MessageRequest&)> onAsk;
    MessageAnswer defaultAnswer = MessageAnswer::No;
    QList<MessageRequest> asked;
    QList<bool> pictureShown;  // whether a help picture stood in front while each box was up

private:
    void open();

    std::unique_ptr<WidgetFrame> m_frame;
    std::unique_ptr<ProgramServices> m_services;
};

// Saves a picture of the widget among the screenshots beside the test program.
void saveScreenshot(QWidget& widget, const QString& name);
// A mouse button pressed (and, for a release, let go) at a point near the widget's corner.
void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button = Qt::LeftButton,
               QPointF at = QPointF(3, 3));
void typeKey(QWidget* target, Qt::Key key, const QString& text = {});

}  // namespace quarrow::test

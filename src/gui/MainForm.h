#pragma once

#include "app/JobOutcome.h"
#include "app/RunControl.h"
#include "app/SystemSetup.h"
#include "gui/PageHost.h"
#include "gui/WidgetFrame.h"
#include "report/ExtractionTypes.h"

#include <QCursor>
#include <QMainWindow>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStackedWidget;
class QTextEdit;
class QTimer;
class QToolButton;

namespace quarrow {

class DocumentPage;
class DownloadCommand;
class FollowedPage;
class MiningPage;
class ProgramServices;
class ProgressBox;
class QueryPage;
class RelayPage;
class RunMouseFilter;
class SetupPage;
class StockCodePage;
class TrackRecordPage;
class WindowMemory;

// The desktop program's one window: the toolbar and the menus, the pages without tabs,
// the floating function panel, the progress box, the prompt line and the status bar. The
// pages own their commands; the window switches between them and keeps the toolbar's
// stock commands and the half-second timer.
class TMainForm : public QMainWindow, public PageHost {
    Q_OBJECT
public:
    // The frame is the window's side of the program's services; the window hands it its
    // widgets as it builds them.
    TMainForm(ProgramServices& services, WidgetFrame& frame, QWidget* parent = nullptr);
    ~TMainForm() override;

    MiningPage& miningPage() { return *m_miningPage; }
    DocumentPage& documentPage() { return *m_documentPage; }
    StockCodePage& stockCodePage() { return *m_stockPage; }
    TrackRecordPage& trackRecordPage() { return *m_trackPage; }
    FollowedPage& followedPage() { return *m_followedPage; }

    void showContentPage(ContentPage page) override;
    void showFunctionPage(FunctionPage page) override;
    void hideFunctionPanel() override;
    void stayOnTop(bool on) override;
    void bringToFront() override;
    void stopRun() override;
    std::optional<QString> chooseFile(const QString& title, const QString& proposedPath) override;
    WindowMemory& memory() override { return *m_memory; }
    // Where the manual is looked for: the help file beside the program, else the HTML manual.
    QString manualFile() const;

    // One tick of tmrFlashWarning: the beep's countdown, the prompt flash, the relay's
    // passes, the automatic daily start.
    void tmrFlashWarningTimer();

    // The page a swipe from pressX to releaseX moves by: -1, 0 or +1.
    static int swipeStep(int pressX, int releaseX);

public Q_SLOTS:
    void btnGetStockDocClick();
    void btnSelectStockClick();
    void btnListStockQTYClick();
    void btnGetStockChangesClick();
    void btnStopClick();
    void btnClearClick();
    void btnApplicationClick();
    // Opens the department track record with the query page's date range.
    void btnShowTrackRecordClick();
    void PanelCloseITClick();
    void menuManualClick();
    void menuAboutMeClick();
    void menuUpdateClick();
    void menuStockWebSiteClick();
    void MenuSetupClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void buildMenu();
    void buildToolBar();
    void buildContent();
    void buildStatusBar();
    void buildPages();
    void buildFunctionPanel();
    void wirePages();
    void wireCore();
    void registerRunCommands();
    // After every job: the window usable again, the query's range over what it stored, the
    // department list's reload offered, a failure said, a close asked for meanwhile done.
    void jobEnded(JobKind kind, const JobOutcome& outcome);
    void reportStore();
    // Looks for the quote program's windows, starting it when missing; the commands that
    // start work wait while it comes up.
    void discoverQuoteProgram(bool realShowEvent);
    // A folder of the setup was stored: the quote program and the stock list follow it.
    void folderStored(FolderKind kind);
    void centreFloating();
    QString currentCode() const;
    QWidget* contentPage(ContentPage page) const;
    QWidget* functionPage(FunctionPage page) const;

    ProgramServices& m_services;
    WidgetFrame* m_frame;
    std::unique_ptr<WindowMemory> m_memory;
    RunLease m_launchLease;      // the commands wait for the quote program coming up
    bool m_discovering = false;  // the quote program's windows are being looked for
    RunMouseFilter* m_mouseFilter = nullptr;
    QTimer* m_flashTimer = nullptr;
    QMenu* m_dataMenu = nullptr;
    QWidget* m_toolBar = nullptr;
    QLineEdit* m_code = nullptr;
    QLabel* m_stockName = nullptr;
    QList<QToolButton*> m_runCommands;  // the toolbar's commands a run switches off
    QToolButton* m_stop = nullptr;
    QWidget* m_content = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_documentArea = nullptr;  // TabSheetStockDoc
    QSplitter* m_documentSplit = nullptr;
    QWidget* m_promptPage = nullptr;
    QWidget* m_mainPage = nullptr;
    QFrame* m_functionPanel = nullptr;
    QStackedWidget* m_functionPages = nullptr;
    MiningPage* m_miningPage = nullptr;
    QueryPage* m_queryPage = nullptr;
    DocumentPage* m_documentPage = nullptr;
    RelayPage* m_relayPage = nullptr;
    SetupPage* m_setupPage = nullptr;
    StockCodePage* m_stockPage = nullptr;
    TrackRecordPage* m_trackPage = nullptr;
    FollowedPage* m_followedPage = nullptr;
    DownloadCommand* m_download = nullptr;
    ProgressBox* m_progress = nullptr;
    QFrame* m_promptFrame = nullptr;  // bevelWarning
    QLabel* m_prompt = nullptr;       // lblWarning, laid over its frame
    QTextEdit* m_log = nullptr;
    QPlainTextEdit* m_promptMemo = nullptr;
    QPlainTextEdit* m_capture = nullptr;
    QList<QLabel*> m_statusPanels;
    int m_swipeFromX = -1;
    QCursor m_swipeCursor;             // MyCursor: the ".cur" beside the program, else the resize arrows
    std::optional<QPoint> m_dragFrom;  // where a drag of the window stands, in screen pixels
    bool m_shown = false;
    bool m_closeAfterRun = false;
    // The toolbar's extractions add up here, as the status bar shows them; a batch counts
    // its own.
    ExtractionAccount m_manualAccount;
};

}  // namespace quarrow

#pragma once

#include "app/ProgramFolder.h"
#include "gui/WidgetFrame.h"
#include "mining/MiningRun.h"
#include "report/ReanalysisBatch.h"

#include <QCursor>
#include <QMainWindow>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QStackedWidget;
class QTableWidget;
class QTextEdit;
class QTimer;
class QToolButton;

namespace quarrow {

class MainForceRelay;
class MiningPage;
class NicknameEdit;
class Platform;
class ProgressBox;
class QueryPage;
class RelayPage;
class RunMouseFilter;
class SavedDocuments;
class SetupPage;
class StockCodePage;
class StocksForMonitor;
class TrackRecordPage;
class ProgramServices;

// The desktop program's one window: toolbar, pages without tabs, the floating function
// panel, the progress box, the prompt line and the status bar. Its slots carry the
// command names the user knows and only hand the work to the core.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // The frame is the window's side of the program's services; the window hands it its
    // widgets as it builds them.
    TMainForm(ProgramServices& services, WidgetFrame& frame, QWidget* parent = nullptr);
    ~TMainForm() override;

    WidgetFrame& frame() { return *m_frame; }
    ProgramServices& services() { return m_services; }
    const MiningOutcome& lastMiningOutcome() const { return m_lastMining; }
    const ReanalysisOutcome& lastReanalysisOutcome() const { return m_lastReanalysis; }
    StockCodePage& stockCodePage() { return *m_stockPage; }
    MainForceRelay& relay() { return *m_relay; }
    StocksForMonitor& watchList();
    TrackRecordPage& trackRecordPage() { return *m_trackPage; }

    // Shows the function panel at the page with this object name.
    void showFunctionPage(const QString& pageName);
    void hideFunctionPanel();
    // Shows one of the content pages (TabSheetMain, TabSheetStockDoc, …).
    void showContentPage(const QString& pageName);
    void stayOnTop(bool on);

    // Runs a job so that the window is usable afterwards whatever the job did: the run
    // ended, the commands on, the window no longer on top. An exception becomes a message.
    void runJob(const std::function<void()>& job);

    // One tick of tmrFlashWarning: the beep's countdown, the prompt flash, the automatic
    // daily start.
    void tmrFlashWarningTimer();

    // The page a swipe from pressX to releaseX moves by: -1, 0 or +1.
    static int swipeStep(int pressX, int releaseX);

public Q_SLOTS:
    void btnGetAllOfTheNewDocsClick();
    void btnGetAllFromTxtDocsClick();
    void btnGetFromServerClick();
    void btnReadStDocumentsClick();
    void ListBoxStDocClick();
    void btnGetStockDocClick();
    void btnSelectStockClick();
    void btnLoadDailyClick();
    void btnListStockQTYClick();
    void btnGetStockChangesClick();
    void btnStopClick();
    void btnClearClick();
    void btnApplicationClick();
    void PanelCloseITClick();
    void menuManualClick();
    void menuAboutMeClick();
    void menuUpdateClick();
    void menuStockWebSiteClick();
    void edtStockCodeExit();
    void MenuSetupClick();
    void btnDelMainBuySaleClick();
    void btnCopyDataClick();
    void btnDeleteClick();
    void btnSetQQStockClick();
    void btnSendToQQClick();
    void btnMainGetMainClick();
    void StocksForMonitorSelectCell(int row);
    void edtQQExit(const QString& nickname);
    // Opens the department track record with the query page's date range.
    void btnShowTrackRecordClick();

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
    void buildFunctionPanel();
    void buildStatusBar();
    void buildStockCodePage();
    void wireCore();
    void centreFloating();
    QString currentCode() const;
    MiningWindowHooks miningHooks();
    void buildQueryPage();
    void buildHousekeeping();
    void buildRelayPage();
    void showNickname();
    void showWatchList();
    void showRelayState();
    void buildTrackRecordPage();

    ProgramServices& m_services;
    WidgetFrame* m_frame;
    RunMouseFilter* m_mouseFilter = nullptr;
    QTimer* m_flashTimer = nullptr;
    QLineEdit* m_code = nullptr;
    QLabel* m_stockName = nullptr;
    QToolButton* m_stop = nullptr;
    QWidget* m_content = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_mainPage = nullptr;
    QFrame* m_functionPanel = nullptr;
    QStackedWidget* m_functionPages = nullptr;
    MiningPage* m_miningPage = nullptr;
    SetupPage* m_setupPage = nullptr;
    QueryPage* m_queryPage = nullptr;
    StockCodePage* m_stockPage = nullptr;
    TrackRecordPage* m_trackPage = nullptr;
    ProgressBox* m_progress = nullptr;
    QLabel* m_prompt = nullptr;
    QTextEdit* m_log = nullptr;
    QPlainTextEdit* m_promptMemo = nullptr;
    QPlainTextEdit* m_capture = nullptr;
    QListWidget* m_documentList = nullptr;  // ListBoxStDoc
    std::unique_ptr<SavedDocuments> m_documents;
    RelayPage* m_relayPage = nullptr;
    NicknameEdit* m_nicknameForView = nullptr;  // edtQQForView on the setup page
    QTableWidget* m_watchGrid = nullptr;        // StocksForMonitor
    std::unique_ptr<MainForceRelay> m_relay;
    QList<QLabel*> m_statusPanels;
    MiningOutcome m_lastMining;
    ReanalysisOutcome m_lastReanalysis;
    int m_swipeFromX = -1;
    QCursor m_swipeCursor;             // MyCursor: the ".cur" beside the program, else the resize arrows
    std::optional<QPoint> m_dragFrom;  // where a drag of the window stands, in screen pixels
    bool m_shown = false;
    bool m_closeAfterRun = false;
};

}  // namespace quarrow

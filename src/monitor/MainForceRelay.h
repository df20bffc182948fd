#pragma once

#include "app/JobOutcome.h"
#include "monitor/ChatSender.h"
#include "monitor/MonitorCapture.h"
#include "monitor/MonitorRow.h"

#include "platform/Desktop.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quarrow {

class AppFrame;
class Clock;
class NetworkState;
class QuoteWindows;
class RunControl;
class Settings;
class StocksForMonitor;
class TDataBase;

// What the user set on the page "主力买卖QQ秀".
struct RelaySettings {
    int delay_s = 10;    // valueDelay: seconds between passes, 10 to 60
    int sendQty = 80;    // valueSendQTY: alerts up to this many 10,000 shares are not sent
    bool onTime = true;  // chkOnTime: read the monitor in trading hours only
};

// Where the relay reads its settings: the page's boxes as they stand, so a change the user
// makes while the relay runs holds from the next tick or pass on.
using RelaySettingsSource = std::function<RelaySettings()>;

// What only the desktop window does around the relay; every hook may be left empty.
struct RelayHooks {
    std::function<void()> showLogPage;    // TabSheetStockDoc
    std::function<void()> showQueryPage;  // TabGetFromDB, when a capture is complete
    std::function<void(bool)> busyCursor;
    std::function<void(bool)> stayOnTop;
    // The relay or the capture started or ended: the page's buttons follow.
    std::function<void()> stateChanged;
};

struct RelayServices {
    TDataBase& db;
    AppFrame& frame;
    Clock& clock;
    NetworkState& network;
    Desktop& desktop;
    QuoteWindows& windows;
    RunControl& run;
    StocksForMonitor& watch;
};

struct RelayTotals {
    int passes = 0;         // passes run
    int rowsHandled = 0;    // new monitor rows looked at
    int rowsRefused = 0;    // rows of watched stocks whose cells could not be trusted
    int alertsKept = 0;     // rows of watched stocks that passed the filters
    int alertsStored = 0;   // inserted into tblMainBuySale
    int duplicates = 0;     // rejected as already stored
    int storeFailures = 0;  // refused for another reason (a full disk, a lock)
    // Alerts meant for the chat that were stored while there was no chat window: the
    // relay goes on storing, and says how many the chat never got.
    int storedUnsent = 0;
    int linesSent = 0;  // chat lines delivered with Enter
    int batchesSent = 0;
    int batchesKept = 0;  // messages the chat window could not take, kept for the next pass
    // Chat lines that never reached the chat window: the window was missing or could not
    // be selected, a kept line found it gone again or waited too long, or the relay stopped.
    int linesUnsent = 0;
};

// A relay or capture that ended: what it handled, and whether the Stop command (or
// Ctrl+C) ended it. An alert the database refused is counted in totals.storeFailures;
// storeError keeps the first reason.
struct RelayOutcome : JobOutcome {
    RelayTotals totals;
    QStringList sentLines;  // the chat lines pasted and sent with Enter, in order
};

// The main-force relay and capture: reads the quote program's monitor "主力监控总览" one
// list per pass (selling, then buying, …) through the monitor capture, stores the new
// alerts of the watched stocks, logs them in colour and hands them as chat lines to the
// chat sender for the chat window of the nickname. The capture reads both lists once for
// all stocks and only stores and logs. The passes are paced by a half-second tick: the
// desktop window's timer, a loop on the clock on the command line.
class MainForceRelay {
public:
    static constexpr int kTick_ms = 500;
    static constexpr int kBatchLines = ChatSender::kBatchLines;
    static constexpr int kKeepUnsent_s = ChatSender::kKeepUnsent_s;

    MainForceRelay(RelayServices services, RelaySettingsSource settings, RelayHooks hooks = {});
    // Settings that stay as given (the command line's options).
    MainForceRelay(RelayServices services, RelaySettings settings, RelayHooks hooks = {});
    ~MainForceRelay();
    MainForceRelay(MainForceRelay&&) noexcept;

    // The interval, the size threshold and the trading-hours box as they stand now.
    RelaySettings settings() const { return m_settings(); }

    // btnSendToQQ while the relay is off: the start checks, the first pass; false when it
    // did not start. The relay holds the lease the job runner took for it until it ends.
    bool startRelay(RunLease lease);
    // btnMainGetMain: false when it did not start.
    bool startCapture(RunLease lease);
    // The run control's Stop (or Ctrl+C): the relay or capture ends.
    void switchOff();
    // The pacing duty of a tick; true when the relay or capture took the tick (the
    // automatic daily start then waits for another).
    bool tick();
    // One pass: false when the monitor window is not open and could not be opened.
    bool pass();
    // The command line's pacing: ticks every half second of the clock, letting events
    // through, until the relay or capture ends or duration_ms have passed; then stops it.
    RelayOutcome runFor(qint64 duration_ms);
    // What the relay or capture has done so far (stopped: the Stop command ended it).
    RelayOutcome outcome() const;

    bool relayOn() const { return m_relayOn; }
    bool captureOn() const { return m_captureOn; }
    bool active() const { return m_relayOn || m_captureOn; }
    bool readingSellingList() const { return m_sellingList; }  // MainSaleBuy
    // The relay's handled rows of the two lists (MainSaleCount, MainBuyCount); a capture
    // counts apart and leaves them as they are.
    int saleCount() const { return m_relayLists.selling.handled; }
    int buyCount() const { return m_relayLists.buying.handled; }
    // Chat lines waiting for the chat window.
    int pendingLines() const { return m_chat.pendingLines(); }
    RelayTotals totals() const;

    // The nickname whose chat window receives the lines; empty for none.
    QString nickname() const { return m_chat.nickname(); }
    static QString stoppedHint();

private:
    enum class StoreResult { Stored, Duplicate, Failed, NotStored };
    struct RowWork;

    bool startChecks();
    const StocksForMonitor& watchList() const;
    void lookForChatWindow();
    void handleRows(const QStringList& lines, AlertSide side, const QString& dayPrefix,
                    MonitorListState& state);
    void handleRow(const RowWork& row, AlertSide side, const QString& dayPrefix,
                   const RelaySettings& settings, int* unsent, int* duplicates);
    StoreResult store(const QString& code, const MonitorAlert& alert, AlertSide side, const QString& memo,
                      bool sayDuplicate);
    void switchLists();
    void endCapture();
    void endSession();
    void changed();

    RelayServices m_s;
    RunLease m_lease;                          // held while the relay or the capture is on
    JobReason m_notStarted = JobReason::None;  // why the last start did not happen
    RelaySettingsSource m_settings;
    RelayHooks m_hooks;
    MonitorCapture m_monitor;
    ChatSender m_chat;
    bool m_relayOn = false;
    bool m_stoppedByUser = false;
    bool m_chatMissing = false;  // the last pass found no chat window
    QString m_firstStoreError;
    bool m_captureOn = false;
    bool m_sellingList = true;
    MonitorLists m_relayLists;                         // for as long as the program runs
    MonitorLists m_captureLists;                       // from the start of each capture
    std::unique_ptr<StocksForMonitor> m_captureWatch;  // all stocks, while a capture runs
    int m_passCounter = 0;
    int m_unsentAtStart = 0;
    int m_storedUnsentAtStart = 0;
    RelayTotals m_totals;
};

// The exit step of the nickname boxes (edtQQ and edtQQForView): stores the nickname in the
// settings file and looks for the chat window of the new title. False, with the settings
// file's reason in *error, when it could not be stored; the new title is used all the same.
bool commitNickname(Settings& settings, QuoteWindows& windows, const QString& nickname, QString* error);

}  // namespace quarrow

#pragma once

#include "app/JobOutcome.h"
#include "monitor/MonitorRow.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace quarrow {

class AppFrame;
class Clock;
class Desktop;
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

// What only the desktop window does around the relay; every hook may be left empty.
struct RelayHooks {
    std::function<void()> showLogPage;    // TabSheetStockDoc
    std::function<void()> showQueryPage;  // TabGetFromDB, when a capture is complete
    std::function<void(bool)> busyCursor;
    std::function<void(bool)> stayOnTop;
    // The relay or the capture started or ended: the page's buttons follow.
    std::function<void()> stateChanged;
    // The capture replaced the watch list with all stocks.
    std::function<void()> watchListChanged;
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
    int alertsKept = 0;     // rows of watched stocks that passed the filters
    int alertsStored = 0;   // inserted into tblMainBuySale
    int duplicates = 0;     // rejected as already stored
    int storeFailures = 0;  // refused for another reason (a full disk, a lock)
    int linesSent = 0;      // chat lines delivered with Enter
    int batchesSent = 0;
    int batchesKept = 0;  // batches that could not be delivered and wait for the next try
};

// A relay or capture that ended: what it handled, and whether the Stop command (or
// Ctrl+C) ended it. An alert the database refused is counted in totals.storeFailures;
// storeError keeps the first reason.
struct RelayOutcome : JobOutcome {
    RelayTotals totals;
    QStringList sentLines;  // the chat lines pasted and sent with Enter, in order
};

// The main-force relay and capture: reads the quote program's monitor "主力监控总览" one
// list per pass (selling, then buying, …), stores the new alerts of the watched stocks,
// logs them in colour and types them as chat lines into the chat window of the nickname.
// The capture reads both lists once for all stocks and only stores and logs. The
// passes are paced by a half-second tick: the desktop window's timer, a loop on the clock
// on the command line.
class MainForceRelay {
public:
    static constexpr int kTick_ms = 500;
    static constexpr int kBatchLines = 40;
    // Lines waiting for a chat window that cannot be reached; the oldest go beyond this.
    static constexpr int kMaxKeptLines = 10 * kBatchLines;

    MainForceRelay(RelayServices services, RelaySettings settings, RelayHooks hooks = {});

    // The page's interval, size threshold and trading-hours box, as they are now.
    void setSettings(const RelaySettings& settings) { m_settings = settings; }
    const RelaySettings& settings() const { return m_settings; }

    // btnSendToQQ while the relay is off: the start checks, the first pass; false when it
    // did not start.
    bool startRelay();
    // btnMainGetMain: false when it did not start.
    bool startCapture();
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
    int saleCount() const { return m_saleCount; }              // MainSaleCount
    const RelayTotals& totals() const { return m_totals; }

    // The nickname whose chat window receives the lines (the window search's).
    QString nickname() const;
    static QString stoppedHint();

private:
    bool startChecks();
    bool chatWindowKnown() const;
    void checkChatWindow();
    void handleRow(const QString& line, AlertSide side, const QString& dayPrefix);
    void store(const QString& code, const MonitorAlert& alert, AlertSide side, const QString& memo);
    bool sendBatch();
    void switchLists();
    void clickList(int y);
    void endCapture();
    void changed();

    RelayServices m_s;
    RelaySettings m_settings;
    RelayHooks m_hooks;
    bool m_relayOn = false;
    bool m_stoppedByUser = false;
    QString m_firstStoreError;
    bool m_captureOn = false;
    bool m_sellingList = true;
    int m_saleCount = 0;
    int m_buyCount = 0;
    int m_passCounter = 0;
    QStringList m_batch;
    QStringList m_sentLines;
    RelayTotals m_totals;
};

// The exit step of the nickname boxes (edtQQ and edtQQForView): stores the nickname in the
// settings file and looks for the chat window of the new title. False, with the settings
// file's reason in *error, when it could not be stored; the new title is used all the same.
bool commitNickname(Settings& settings, QuoteWindows& windows, const QString& nickname, QString* error);

}  // namespace quarrow

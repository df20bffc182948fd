#pragma once

#include "app/ProgramFolder.h"
#include "app/RunControl.h"
#include "app/Settings.h"
#include "app/SystemSetup.h"
#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "automation/ReportFetch.h"
#include "mining/MiningSchedule.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"
#include "report/ExtractionTypes.h"
#include "store/DataBase.h"

#include <memory>

namespace quarrow {

class Platform;

// The core pieces the desktop window drives, built once with the window's frame and the
// program's platform: settings and setup, the database, the stock lists, the quote
// program's windows and the fetch, the one run control and the schedule of the automatic
// start.
struct DesktopServices {
    DesktopServices(const ProgramFolder& folder, Platform& platform, AppFrame& frame);
    ~DesktopServices();

    // Start-up: settings, database, stock lists, the alarm. What fails is said on the
    // prompt line; the window opens all the same.
    void load();
    // The quote program the setup chose, handed to the window search.
    void applyQuoteSetup();

    ProgramFolder folder;
    Platform& platform;
    AppFrame& frame;
    Settings settings;
    SystemSetup setup;
    TDataBase db;
    StockList stocks;
    OwnStockList ownStocks;
    QuoteWindows windows;
    FailureBeep beep;
    FetchState fetchState;
    ReportFetch fetch;
    std::unique_ptr<TcmxMP3> alarm;
    ExtractionServices extraction;
    ExtractionTotals totals;
    RunControl run;
    MiningSchedule schedule;
};

}  // namespace quarrow

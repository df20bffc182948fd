#pragma once

#include "app/ProgramFolder.h"
#include "app/RunControl.h"
#include "app/Settings.h"
#include "app/SystemSetup.h"
#include "automation/AlarmPlayer.h"
#include "automation/QuoteWindows.h"
#include "automation/ReportFetch.h"
#include "download/DataDownload.h"
#include "follow/DayDigest.h"
#include "follow/FollowedKeys.h"
#include "follow/FollowedList.h"
#include "follow/FollowedTrades.h"
#include "mining/MiningRun.h"
#include "mining/MiningSchedule.h"
#include "monitor/MainForceRelay.h"
#include "monitor/StocksForMonitor.h"
#include "program/JobRunner.h"
#include "quotefiles/OwnStockList.h"
#include "quotefiles/StockList.h"
#include "report/DocumentCleanup.h"
#include "report/ExtractionTypes.h"
#include "report/ReanalysisBatch.h"
#include "report/StockExtraction.h"
#include "report/StockFolderList.h"
#include "review/DatabaseCopy.h"
#include "scorecard/TrackRecord.h"
#include "store/DataBase.h"
#include "store/StoreImport.h"
#include "store/StoreLocation.h"

#include <functional>
#include <memory>
#include <optional>

namespace quarrow {

class PageLoader;
class Platform;

// The followed departments' rows a job stored, and whether their summary reached the chat.
struct FollowedRunReport {
    FollowedTradeList trades;
    bool listEmpty = false;  // nobody is followed: nothing was looked for
    bool sentToChat = false;
    QString chatProblem;  // why the summary did not reach the chat it was meant for
};

// The program's services, built once by each main and handed down: the settings and the
// system setup, the store the settings name, the stock lists, the quote program's windows
// with the report fetch, the failure beep and the alarm, the one run control and the
// schedule of the automatic start. It makes the long jobs over these, so a front end
// never opens a database or assembles a service of its own.
//
// Nothing is read when it is built: a front end loads what it needs (the window all of
// it at start-up, a command only what it uses), and each load says whether it worked.
class ProgramServices {
public:
    ProgramServices(const ProgramFolder& folder, Platform& platform, AppFrame& frame);
    ~ProgramServices();
    ProgramServices(const ProgramServices&) = delete;
    ProgramServices& operator=(const ProgramServices&) = delete;

    const ProgramFolder& folder() const { return m_folder; }
    Platform& platform() { return m_platform; }
    Clock& clock();
    AppFrame& frame() { return m_frame; }

    Settings& settings() { return m_settings; }
    SystemSetup& setup() { return m_setup; }
    // Reads the setup page's values (folders, edition, calendar, automatic start) and
    // hands the chosen quote program to the window search.
    void loadSetup();
    // After the user changed the edition, a folder or the nickname.
    void applyQuoteSetup();
    // A quote folder for this run only (the command line's --quote), never written.
    void overrideQuoteFolder(const QString& folder);
    // The quote folder in use: the override, else the selected edition's.
    QString quoteFolder() const;
    bool quoteFolderOverridden() const { return !m_quoteFolderOverride.isEmpty(); }

    // The store the settings name. open() opens it once; later calls tell the same outcome.
    const StoreLocation& storeLocation() const { return m_storeLocation; }
    TDataBase& store() { return *m_store; }
    bool openStore();
    QString storeError() const;

    StockList& stocks() { return m_stocks; }
    OwnStockList& ownStocks() { return m_ownStocks; }
    StocksForMonitor& watchList() { return *m_watch; }
    // The all-stocks list as start-up loads it: the quote program's name tables, else the
    // hand-kept table; without a quote folder the hand-kept table alone. False, with the
    // reason, when a quote-program file could not be read.
    bool loadStockList(QString* error);
    bool loadOwnStocks(QString* error);
    // The rows of the all-stocks list that the batches walk.
    QList<StockRow> stockRows() const;

    // The followed departments, "FollowDept.Txt". Loaded once; false, with the reason,
    // when the file cannot be read (the list is then empty).
    FollowedList& followed() { return m_followed; }
    bool loadFollowed(QString* error);
    // The followed names resolved against the store's department names.
    std::optional<FollowedKeys> followedKeys(QString* error);
    // Where the followed departments' records are kept between runs, in the program folder.
    QString recordCache() const;
    FollowedTradeList followedOfRun(const StoredRows& rows);
    FollowedTradeList followedBetween(const QDate& from, const QDate& to);
    // The day's digest (an invalid day: the newest in the store).
    std::optional<DayDigest> dayDigest(const QDate& day, bool charts, QString* error);
    // After a job that stored rows (the job runner's step after it): the followed
    // departments' rows among them, with their summary sent to the QQ chat when the
    // nickname is set and the user ticked the box ([QQ] SendFollowed). The window listens
    // through onFollowedRun.
    FollowedRunReport afterRun(const StoredRows& rows);
    std::function<void(const FollowedRunReport&)> onFollowedRun;
    static constexpr int kChatSummaryLines = ChatSender::kBatchLines;

    QuoteWindows& windows() { return m_windows; }
    ReportFetch& fetch() { return m_fetch; }
    FailureBeep& beep() { return m_beep; }
    // Opens "alarm.mp3" of the program folder when it is there; without it every alarm is
    // skipped. False, with the device's reason, when the file is there but cannot be played.
    bool loadAlarm(QString* error);
    TcmxMP3* alarm() { return m_alarm.get(); }
    // Stops the alarm if it sounds and closes its device: the program is closing.
    void releaseAlarm();

    RunControl& run() { return m_run; }
    MiningSchedule& schedule() { return m_schedule; }
    ExtractionServices& extractionServices() { return m_extraction; }
    // Runs every long job: the only way a front end starts one.
    JobRunner& jobs() { return *m_jobs; }

    // The desktop program's start-up, in the order the program has always kept: the setup,
    // the store, the own stocks, the stock list and the alarm. What fails is said on the
    // prompt line (the store's outcome is left to the window); the window opens all the same.
    void startUp();
    // Removes what killed runs left of the program folder's own files (every start does).
    void removeScraps();
    // The duties of the desktop's half-second timer that every front end shares.
    void tick();

    // The jobs, over these services; the job runner runs them.
    MiningRun miningRun(MiningWindowHooks hooks = {});
    MiningOptions miningOptions() const;
    ReanalysisBatch reanalysis(ReanalysisHooks hooks = {});
    ReanalysisOptions reanalysisOptions() const;
    DataDownload download(PageLoader& loader);
    DownloadOptions downloadOptions() const;
    // The relay reads its settings from `settings` at every tick and pass (the page's boxes).
    MainForceRelay relay(RelaySettingsSource settings, RelayHooks hooks = {});
    MainForceRelay relay(RelaySettings settings, RelayHooks hooks = {});
    DocumentCleanup documentCleanup();
    StockExtraction extraction(ExtractionAccount& account);
    DatabaseCopy databaseCopy();
    // The copy of the Access file or ODBC source the settings name into the program's own file.
    StoreImport storeImport();
    StoreImportOptions storeImportOptions() const;
    TrackRecord trackRecord(const TrackRecordOptions& options);

private:
    ProgramFolder m_folder;
    Platform& m_platform;
    AppFrame& m_frame;
    Settings m_settings;
    SystemSetup m_setup;
    StoreLocation m_storeLocation;
    std::unique_ptr<TDataBase> m_store;
    bool m_storeTried = false;
    StockList m_stocks;
    OwnStockList m_ownStocks;
    FollowedList m_followed;
    bool m_followedLoaded = false;
    std::unique_ptr<StocksForMonitor> m_watch;
    QuoteWindows m_windows;
    FailureBeep m_beep;
    ReportFetch m_fetch;
    std::unique_ptr<TcmxMP3> m_alarm;
    ExtractionServices m_extraction;
    RunControl m_run;
    MiningSchedule m_schedule;
    std::unique_ptr<JobRunner> m_jobs;
    QString m_quoteFolderOverride;
    bool m_setupLoaded = false;
};

}  // namespace quarrow

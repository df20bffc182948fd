#include "program/ProgramServices.h"

#include "app/SafeFile.h"
#include "follow/FollowedRecords.h"
#include "follow/FollowedReport.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/NetworkState.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/StockListLoader.h"

#include <QFileInfo>

namespace quarrow {

namespace {

std::unique_ptr<TDataBase> makeStore(const StoreLocation& location) {
    auto store = std::make_unique<TDataBase>(location.file);
    if (location.kind != StoreKind::SQLite)
        store->useOdbc(location.connection, location.engine(), location.unavailable);
    return store;
}

}  // namespace

ProgramServices::ProgramServices(const ProgramFolder& folder, Platform& platform, AppFrame& frame)
    : m_folder(folder),
      m_platform(platform),
      m_frame(frame),
      m_settings(folder, platform.clock()),
      m_setup(m_settings, frame, platform.clock(), platform.archiver()),
      m_storeLocation(StoreLocation::of(m_settings, folder)),
      m_store(makeStore(m_storeLocation)),
      m_ownStocks(folder.filePath(ownStockFileName())),
      m_followed(folder.filePath(followedListFileName())),
      m_watch(std::make_unique<StocksForMonitor>(*m_store, m_stocks, m_ownStocks)),
      m_windows(platform.desktop(), platform.clock(), frame, platform.launcher()),
      m_beep(platform.sound()),
      m_fetch(m_windows, frame, platform.clock(), platform.desktop(), m_beep),
      m_extraction{*m_store,           frame, platform.clock(), platform.launcher(), platform.archiver(),
                   platform.network(), folder},
      m_run(frame, platform.clock()),
      m_jobs(std::make_unique<JobRunner>(*this)) {
    m_schedule.lastTradeDate = MiningSchedule::expectedTradeDate(platform.clock().today());
}

ProgramServices::~ProgramServices() = default;

Clock& ProgramServices::clock() {
    return m_platform.clock();
}

void ProgramServices::loadSetup() {
    m_setup.load();
    m_setupLoaded = true;
    m_schedule.autoStartTime = m_setup.autoStartPickerTime();
    applyQuoteSetup();
}

void ProgramServices::applyQuoteSetup() {
    QuoteProgramSetup quote;
    quote.quoteFolder = quoteFolder();
    quote.stockWindow = m_setup.StockWindow();
    quote.stockApp = m_setup.StockApp();
    quote.hualinSelected = m_setup.quoteProgram() == QuoteProgram::Hualin;
    quote.qqName = m_settings.qqName();
    m_windows.setSetup(quote);
}

void ProgramServices::overrideQuoteFolder(const QString& folder) {
    m_quoteFolderOverride = folder;
    if (m_setupLoaded)
        applyQuoteSetup();
}

QString ProgramServices::quoteFolder() const {
    if (!m_quoteFolderOverride.isEmpty())
        return m_quoteFolderOverride;
    // Before the setup is loaded, what the settings file selects; the setup reads the same.
    return m_setupLoaded ? m_setup.QuoteFolder() : m_settings.QuoteFolder();
}

bool ProgramServices::openStore() {
    if (!m_storeTried) {
        m_storeTried = true;
        m_store->open();
    }
    return m_store->DBOpened();
}

QString ProgramServices::storeError() const {
    return m_store->DBOpened() ? QString() : m_store->openError();
}

bool ProgramServices::loadStockList(QString* error) {
    StockListLoader loader(m_frame);
    const QString handKept = m_folder.filePath(handKeptTableName());
    const QString quote = quoteFolder();
    try {
        if (quote.isEmpty() || !QFileInfo(quote).isDir())
            loader.loadHandKept(handKept, m_stocks);  // its tables would only be reported missing
        else
            loader.loadAtStartUp(quote, handKept, m_stocks);
    } catch (const RecordFileError& failure) {
        if (error)
            *error = failure.message();
        return false;
    }
    return true;
}

bool ProgramServices::loadOwnStocks(QString* error) {
    return m_ownStocks.load(error);
}

QList<StockRow> ProgramServices::stockRows() const {
    QList<StockRow> rows;
    rows.reserve(m_stocks.size());
    for (const StockEntry& entry : m_stocks.entries())
        rows.append({entry.key, entry.name});
    return rows;
}

bool ProgramServices::loadFollowed(QString* error) {
    QString reason;
    const bool loaded = m_followed.load(&reason);
    m_followedLoaded = true;
    if (!loaded && error)
        *error = reason;
    return loaded;
}

QString ProgramServices::recordCache() const {
    return m_folder.filePath(FollowedRecords::fileName());
}

std::optional<FollowedKeys> ProgramServices::followedKeys(QString* error) {
    if (!m_followedLoaded && !loadFollowed(error))
        return std::nullopt;
    if (!openStore()) {
        if (error)
            *error = storeError();
        return std::nullopt;
    }
    return FollowedKeys::resolve(*m_store, m_followed.names(), error);
}

FollowedTradeList ProgramServices::followedOfRun(const StoredRows& rows) {
    FollowedTradeList list;
    const std::optional<FollowedKeys> keys = followedKeys(&list.error);
    if (keys)
        list = FollowedTrades(*m_store, quoteFolder(), recordCache()).ofRun(*keys, rows);
    return list;
}

FollowedTradeList ProgramServices::followedBetween(const QDate& from, const QDate& to) {
    FollowedTradeList list;
    const std::optional<FollowedKeys> keys = followedKeys(&list.error);
    if (keys)
        list = FollowedTrades(*m_store, quoteFolder(), recordCache()).between(*keys, from, to);
    return list;
}

std::optional<DayDigest> ProgramServices::dayDigest(const QDate& day, bool charts, QString* error) {
    const std::optional<FollowedKeys> keys = followedKeys(error);
    if (!keys)
        return std::nullopt;
    return DayDigestBuilder(*m_store, quoteFolder(), recordCache()).build(*keys, day, charts, error);
}

FollowedRunReport ProgramServices::afterRun(const StoredRows& rows) {
    FollowedRunReport report;
    // A job that stored nothing has nothing to show.
    if (rows.isEmpty())
        return report;
    if (!m_followedLoaded)
        loadFollowed(&report.trades.error);
    report.listEmpty = m_followed.names().isEmpty();
    if (report.trades.ok() && !report.listEmpty)
        report.trades = followedOfRun(rows);
    if (report.trades.ok() && !report.trades.trades.empty() && m_settings.sendFollowed() &&
        m_settings.qqNameSet()) {
        ChatSender chat(m_windows, m_platform.desktop(), clock(), m_frame);
        report.sentToChat =
            chat.sendLines(FollowedReport::chatLines(report.trades.trades, kChatSummaryLines));
        if (!report.sentToChat)
            report.chatProblem = QStringLiteral("QQ聊天窗口无法选中,关注营业部动向未发送");
    }
    if (onFollowedRun)
        onFollowedRun(report);
    return report;
}

bool ProgramServices::loadAlarm(QString* error) {
    const QString alarmFile = m_folder.filePath(QStringLiteral("alarm.mp3"));
    if (m_alarm || !QFileInfo(alarmFile).isFile())
        return true;
    try {
        m_alarm = std::make_unique<TcmxMP3>(m_platform.sound(), alarmFile.toStdU16String());
        m_fetch.setAlarm(m_alarm.get());
    } catch (const eMciDeviceError& failure) {
        if (error)
            *error = QString::fromUtf8(failure.what());
        return false;
    }
    return true;
}

void ProgramServices::releaseAlarm() {
    if (!m_alarm)
        return;
    m_fetch.setAlarm(nullptr);
    try {
        m_alarm->Stop();
    } catch (const eMciDeviceError&) {
        // The device is going either way; a failing stop must not keep the program open.
    }
    m_alarm.reset();
}

void ProgramServices::removeScraps() {
    // What a program killed while it rewrote one of its files left beside it; a writer at
    // work (another window, a scheduled command) leaves only young ones, which stay.
    const QString folder = m_folder.path();
    for (const QString& name :
         {QFileInfo(m_settings.fileName()).fileName(), ownStockFileName(), followedListFileName(),
          handKeptTableName(), FollowedRecords::fileName(), QStringLiteral("StockNews-*.LOG")})
        SafeFile::removeScraps(folder, name);
}

void ProgramServices::startUp() {
    removeScraps();
    // The first automatic run may come at 20:00 today at the earliest: the start time is
    // not read yet.
    m_schedule.programStarted(clock().today());
    QString error;
    if (!m_settings.file().isReadable(&error))
        m_frame.ShowPrompt(QStringLiteral("设置文件读不出,使用默认设置: %1").arg(error));
    loadSetup();
    m_schedule.lastTradeDate = MiningSchedule::expectedTradeDate(clock().today());
    // Whether the store opened, and for writing, the window says in its own words.
    openStore();
    for (const QString& note : m_store->migrationNotes())
        m_frame.addPromptMemo(note);
    if (!loadOwnStocks(&error))
        m_frame.ShowPrompt(QStringLiteral("自选股列表读不出: %1").arg(error));
    if (!loadStockList(&error))
        m_frame.ShowPrompt(error);
    if (!loadFollowed(&error))
        m_frame.ShowPrompt(QStringLiteral("关注营业部列表读不出: %1").arg(error));
    else if (m_followed.skippedLines() > 0)
        m_frame.addPromptMemo(QStringLiteral("关注营业部列表%1中有%2行不是营业部名称,已略过")
                                  .arg(m_followed.file())
                                  .arg(m_followed.skippedLines()));
    if (!loadAlarm(&error))
        m_frame.ShowPrompt(QStringLiteral("报警声音无法播放: %1").arg(error));
}

void ProgramServices::tick() {
    m_beep.tick();
}

MiningRun ProgramServices::miningRun(MiningWindowHooks hooks) {
    MiningServices services{m_extraction, m_settings, m_run,    m_platform.shutdown(), m_windows,
                            m_fetch,      m_schedule, m_stocks, m_ownStocks,           m_alarm.get()};
    services.followedLine = [this](const StoredRows& rows) -> QString {
        QString error;
        if (!m_followedLoaded && !loadFollowed(&error))
            return QStringLiteral("\t>>>>>关注营业部列表读不出: ") + error;
        if (m_followed.names().isEmpty())
            return {};
        const FollowedTradeList list = followedOfRun(rows);
        if (!list.ok())
            return QStringLiteral("\t>>>>>关注的营业部的上榜记录读不出: ") + list.error;
        return FollowedReport::logLine(list.trades);
    };
    return MiningRun(services, std::move(hooks));
}

MiningOptions ProgramServices::miningOptions() const {
    MiningOptions options;
    options.quoteFolder = quoteFolder();
    options.rarFolder = m_settings.rarFolder();
    return options;
}

ReanalysisBatch ProgramServices::reanalysis(ReanalysisHooks hooks) {
    return ReanalysisBatch(m_extraction, m_settings, m_run, m_platform.shutdown(), std::move(hooks));
}

ReanalysisOptions ProgramServices::reanalysisOptions() const {
    ReanalysisOptions options;
    options.rarFolder = m_settings.rarFolder();
    return options;
}

DataDownload ProgramServices::download(PageLoader& loader) {
    return DataDownload(
        {*m_store, m_frame, clock(), m_run, m_platform.network(), m_platform.shutdown(), loader, m_settings});
}

DownloadOptions ProgramServices::downloadOptions() const {
    DownloadOptions options;
    options.changePage = m_settings.serverChangePage();
    options.bigPage = m_settings.serverBigPage();
    options.user = m_settings.serverUser();
    return options;
}

MainForceRelay ProgramServices::relay(RelaySettingsSource settings, RelayHooks hooks) {
    return MainForceRelay(
        {*m_store, m_frame, clock(), m_platform.network(), m_platform.desktop(), m_windows, m_run, *m_watch},
        std::move(settings), std::move(hooks));
}

MainForceRelay ProgramServices::relay(RelaySettings settings, RelayHooks hooks) {
    return relay(RelaySettingsSource([settings] { return settings; }), std::move(hooks));
}

DocumentCleanup ProgramServices::documentCleanup() {
    return DocumentCleanup(*m_store, m_folder, m_frame, m_run);
}

StockExtraction ProgramServices::extraction(ExtractionAccount& account) {
    return StockExtraction(m_extraction, account);
}

DatabaseCopy ProgramServices::databaseCopy() {
    return DatabaseCopy(m_settings, m_storeLocation);
}

StoreImport ProgramServices::storeImport() {
    return StoreImport(m_frame, m_run, m_settings);
}

StoreImportOptions ProgramServices::storeImportOptions() const {
    StoreImportOptions options;
    options.source = m_storeLocation;
    options.target = m_folder.databaseFile();
    return options;
}

TrackRecord ProgramServices::trackRecord(const TrackRecordOptions& options) {
    return TrackRecord::compute(*m_store, quoteFolder(), options);
}

}  // namespace quarrow

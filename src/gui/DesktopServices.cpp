#include "gui/DesktopServices.h"

#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/NetworkState.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/StockListLoader.h"

#include <QFileInfo>

namespace quarrow {

DesktopServices::DesktopServices(const ProgramFolder& programFolder, Platform& thePlatform,
                                 AppFrame& theFrame)
    : folder(programFolder),
      platform(thePlatform),
      frame(theFrame),
      settings(programFolder, thePlatform.clock()),
      setup(settings, theFrame, thePlatform.clock()),
      db(programFolder.databaseFile()),
      ownStocks(programFolder.filePath(ownStockFileName())),
      windows(thePlatform.desktop(), thePlatform.clock(), theFrame, thePlatform.launcher()),
      beep(thePlatform.sound()),
      fetch(windows, theFrame, thePlatform.clock(), thePlatform.desktop(), beep, fetchState),
      extraction{db,           theFrame, thePlatform.clock(), thePlatform.launcher(), thePlatform.network(),
                 programFolder},
      run(theFrame, thePlatform.clock()) {}

DesktopServices::~DesktopServices() = default;

void DesktopServices::load() {
    Clock& clock = platform.clock();
    // The first automatic run may come at 20:00 today at the earliest: the start time is
    // not read yet.
    schedule.programStarted(clock.today());
    setup.load();
    schedule.autoStartTime = setup.autoStartPickerTime();
    schedule.lastTradeDate = MiningSchedule::expectedTradeDate(clock.today());
    applyQuoteSetup();
    // The data may live elsewhere (the user's Access file), as the settings file says.
    if (const QString odbc = settings.odbcConnection(); !odbc.isEmpty())
        db.useOdbc(odbc);
    if (!db.open())
        frame.ShowPrompt(QStringLiteral("数据库打不开: %1").arg(db.openError()));
    for (const QString& note : db.migrationNotes())
        frame.addPromptMemo(note);
    QString ownError;
    if (!ownStocks.load(&ownError))
        frame.ShowPrompt(QStringLiteral("自选股列表读不出: %1").arg(ownError));
    try {
        StockListLoader(frame).loadAtStartUp(setup.QuoteFolder(), folder.filePath(handKeptTableName()),
                                             stocks);
    } catch (const RecordFileError& error) {
        frame.ShowPrompt(error.message());
    }
    const QString alarmFile = folder.filePath(QStringLiteral("alarm.mp3"));
    if (QFileInfo(alarmFile).isFile()) {
        try {
            alarm = std::make_unique<TcmxMP3>(platform.sound(), alarmFile.toStdU16String());
            fetch.setAlarm(alarm.get());
        } catch (const eMciDeviceError& error) {
            frame.ShowPrompt(QStringLiteral("报警声音无法播放: %1").arg(QString::fromUtf8(error.what())));
        }
    }
}

void DesktopServices::applyQuoteSetup() {
    QuoteProgramSetup quote;
    quote.quoteFolder = setup.QuoteFolder();
    quote.stockWindow = setup.StockWindow();
    quote.stockApp = setup.StockApp();
    quote.hualinSelected = setup.quoteProgram() == QuoteProgram::Hualin;
    quote.qqName = settings.qqName();
    windows.setSetup(quote);
}

}  // namespace quarrow

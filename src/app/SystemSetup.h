#pragma once

#include "app/TradingCalendar.h"

#include <QString>
#include <QTime>

#include <array>

namespace quarrow {

class AppFrame;
class Archiver;
class Clock;
class Settings;

enum class QuoteProgram { Hualin, Dongfang };
enum class FolderKind { Hualin, Dongfang, Rar };

// One of the three folder edits of the setup page, as far as its commit cares: its text
// and whether the user typed into it since the last commit (the edit's tag).
struct FolderEdit {
    QString text;
    bool changed = false;
};

// The logic behind the setup page "系统设置": the installation folders and their commit
// checks, the choice of quote program, the calendar lists and the automatic daily start.
// The page's widgets only forward their events here; the command line uses it directly.
class SystemSetup {
public:
    // archiver: where the system says the archiver is installed, for a first start
    // without a folder of it in the settings.
    SystemSetup(Settings& settings, AppFrame& frame, const Clock& clock, const Archiver& archiver);

    // Start-up: reads everything the page shows and the values derived from it.
    void load();
    // Whether the settings file existed when load() ran (if not, the first-run prompt).
    bool settingsFileExisted() const { return m_fileExisted; }

    const FolderEdit& folderEdit(FolderKind kind) const { return m_edits[index(kind)]; }
    // A key that reaches the edit as a character (Backspace and Ctrl+V among them):
    // Enter commits at once, anything else marks the edit changed. textAfter is the
    // edit's text after the key. Returns whether a folder was stored.
    bool keyTyped(FolderKind kind, QChar key, const QString& textAfter);
    // A change without a typed key (a paste from the context menu, Delete).
    void textChangedWithoutKey(FolderKind kind, const QString& text);
    // Leaving the edit. Returns whether a folder was stored.
    bool leave(FolderKind kind) { return commitFolder(kind); }
    // A folder picked in the folder dialog: stored as if typed and committed.
    bool chooseFolder(FolderKind kind, const QString& folder);
    // Does nothing unless the edit was typed into; then stores an existing folder, or
    // shows the help picture for a missing one. A quote program's folder without the
    // program in it is stored, and the user told. Returns whether the folder was stored.
    bool commitFolder(FolderKind kind);
    // The prompt-line hint shown when an edit is entered.
    static QString hint(FolderKind kind);

    // Pressing one of the two radio buttons. False when it was already the selected one;
    // true when the selection changed and the caller should look for the program's
    // windows again.
    bool chooseQuoteProgram(QuoteProgram program);
    QuoteProgram quoteProgram() const { return m_program; }
    QString QuoteFolder() const { return m_quoteFolder; }
    QString StockWindow() const { return m_stockWindow; }
    QString StockApp() const { return m_stockApp; }

    TradingCalendar& calendar() { return m_calendar; }
    const TradingCalendar& calendar() const { return m_calendar; }
    bool IsTradingDay(bool ignoreHours) const;

    // The auto-start picker: its time and its check box.
    void autoStartChanged(const QTime& time, bool enabled);
    QTime autoStartPickerTime() const { return m_autoStartTime; }
    bool autoStartEnabled() const { return m_autoStartEnabled; }
    // The picker's time as a fraction of a day; 20:00 until the settings are loaded.
    double AutoStartTime() const;

private:
    static size_t index(FolderKind kind) { return static_cast<size_t>(kind); }
    void select(QuoteProgram program);

    Settings& m_settings;
    AppFrame& m_frame;
    const Clock& m_clock;
    const Archiver& m_archiver;
    bool m_fileExisted = false;
    std::array<FolderEdit, 3> m_edits;
    QuoteProgram m_program = QuoteProgram::Hualin;
    QString m_quoteFolder;
    QString m_stockWindow;
    QString m_stockApp;
    QString m_qqName;
    TradingCalendar m_calendar;
    QTime m_autoStartTime = QTime(20, 0);
    bool m_autoStartEnabled = false;
};

}  // namespace quarrow

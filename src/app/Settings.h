#pragma once

#include "app/SettingsFile.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

namespace quarrow {

class Clock;
class ProgramFolder;

enum class SettingType { Text, Integer, Boolean, Date, Time, Decimal };

// One key of the settings file. Keys of a numbered family ("MMDD1" … "MMDD25") are
// described once, by their prefix.
struct SettingKey {
    const char* section;
    const char* key;
    SettingType type;
    int familySize = 0;  // > 0: the key is a prefix followed by 1 … familySize
};

// Every section and key the program reads or writes.
const QList<SettingKey>& settingKeys();
// The figures of the exchanges' listing rules as the program knows them ("[ExchangeRules]",
// in percent): "7" for "MainDeviation"; empty for a key that is none of them.
QString exchangeRuleDefault(const QString& key);
// The entry for a section and key (matched without regard to case), if the program knows it.
std::optional<SettingKey> findSettingKey(const QString& section, const QString& key);

// The program's settings, read from and written to the settings file beside the program
// at the moment they are needed; nothing is cached. A missing key, or a value that does
// not read as its type, gives the default.
class Settings {
public:
    // Dates are kept as "yyyy-mm-dd", times as "hh:mm:ss".
    static inline const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
    static inline const QString kTimeFormat = QStringLiteral("HH:mm:ss");
    // The date value 1.0 of the Windows date type: "never" for the run dates.
    static inline const QDate kNoDate = QDate(1899, 12, 31);

    Settings(const ProgramFolder& folder, const Clock& clock);
    Settings(QString file, QString programFolder, const Clock& clock);

    QString fileName() const { return m_file.path(); }
    bool exists() const { return m_file.exists(); }
    SettingsFile& file() { return m_file; }
    // Why the last failed write failed.
    QString lastError() const { return m_error; }

    // The default of a key the program knows; empty for any other.
    QString defaultText(const QString& section, const QString& key) const;
    // The value as the file holds it, else the key's default.
    QString effectiveText(const QString& section, const QString& key) const;
    // Whether a text reads as the key's type (any text is a text).
    static bool isValid(SettingType type, const QString& text);

    QString readText(const QString& section, const QString& key, const QString& fallback) const;
    int readInteger(const QString& section, const QString& key, int fallback) const;
    bool readBool(const QString& section, const QString& key, bool fallback) const;
    QDate readDate(const QString& section, const QString& key, const QDate& fallback) const;
    QTime readTime(const QString& section, const QString& key, const QTime& fallback) const;

    bool writeText(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    bool writeBool(const QString& section, const QString& key, bool value);
    bool writeDate(const QString& section, const QString& key, const QDate& value);
    bool writeTime(const QString& section, const QString& key, const QTime& value);
    // Several changes in one replacement of the file: either all of them land or none.
    bool update(const std::function<void(IniDocument&)>& edit,
                SafeFile::Durability durability = SafeFile::Durability::Synced);

    static QString dateText(const QDate& day) { return day.toString(kDateFormat); }
    static QString timeText(const QTime& time) { return time.toString(kTimeFormat); }

    // Folder: the two quote programs, the selection, the archiver, the backup folder.
    QString hualinFolder() const;
    QString dongfangFolder() const;
    QString current() const;
    // Only the exact text "HUALIN" selects Hualin; anything else is Dongfang.
    bool hualinSelected() const { return current() == QLatin1String("HUALIN"); }
    // The selected quote program's installation folder.
    QString QuoteFolder() const { return hualinSelected() ? hualinFolder() : dongfangFolder(); }
    QString rarFolder() const;
    QString dbCopyFolder() const;
    QString qqName() const;
    // What the nickname box holds before the user gives one.
    static inline const QString kNicknamePlaceholder = QStringLiteral("(输入QQ昵称)");
    // A nickname the user gave: neither empty nor the box's placeholder.
    bool qqNameSet() const;
    // The nickname a chat window is looked for by: empty for none, the placeholder included.
    static QString usableNickname(const QString& name);
    // [QQ] SendFollowed: after a run, the followed departments' rows go to the QQ chat.
    bool sendFollowed() const;

    // Database: where the data lives when not in the program's own file. ODBC, a connection
    // string used as it is, comes first; else Access, the path of an Access file (relative
    // to the program folder), reached through Microsoft's Access ODBC driver. Empty: the
    // program's own file. The raw ODBC connection string and the Access file (made
    // absolute) the section names; empty when it names none.
    QString odbcSource() const;
    QString accessFile() const;
    // After the data were copied into the program's own file: the ODBC and Access lines
    // become comments with the note, so the program uses its own file and the user can go
    // back by removing the ";".
    bool useOwnStore(const QString& note, QString* error = nullptr);
    // Server: the two pages the operator data are downloaded from, and the name the
    // download gives itself (a fixed name when the settings give none).
    static inline const QString kDefaultChangePage = QStringLiteral("http://127.0.0.1:8686/StChange");
    static inline const QString kDefaultBigPage = QStringLiteral("http://127.0.0.1:8686/BigBuySale");
    QString serverChangePage() const;
    QString serverBigPage() const;
    QString serverUser() const;

    QTime autoStartTime() const;
    bool autoStartEnabled() const;

    // Last: where the mining run and the re-analysis stand.
    QDate lastStockDate() const;
    QDate lastRunDate() const;
    QString lastCode() const;
    int lastIndex() const;
    // The stock just finished; code and index change together.
    bool writeLastStock(const QString& code, int index);
    // A batch that starts from its first stock on the given day: the old resume point
    // goes in the same write, so a batch killed before its first stock never offers to
    // resume where an earlier one stopped.
    bool startFreshRun(const QDate& today);

private:
    QString readRaw(const QString& section, const QString& key, bool* found) const;
    bool record(bool ok, const QString& error);

    SettingsFile m_file;
    QString m_programFolder;  // with a trailing separator
    const Clock& m_clock;
    QString m_error;
};

}  // namespace quarrow

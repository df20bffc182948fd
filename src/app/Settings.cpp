#include "app/Settings.h"

#include "app/ProgramFolder.h"
#include "app/Trim.h"
#include "platform/Clock.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

namespace {

const QString kFolder = QStringLiteral("Folder");
const QString kLast = QStringLiteral("Last");
const QString kAutoStart = QStringLiteral("AutoStart");

std::optional<int> parseInteger(const QString& text) {
    bool ok = false;
    const int value = trimBlanks(text).toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QDate parseDate(const QString& text) {
    return QDate::fromString(trimBlanks(text), QStringLiteral("yyyy-M-d"));
}

QTime parseTime(const QString& text) {
    const QString trimmed = trimBlanks(text);
    for (const QString& format : {QStringLiteral("H:m:s"), QStringLiteral("H:m")}) {
        const QTime time = QTime::fromString(trimmed, format);
        if (time.isValid())
            return time;
    }
    return QTime();
}

// The name the server sees when the settings name no one. The query goes out in clear
// text, so it is the program's fixed name, never the name of the user logged in here.
const QString kDefaultServerUser = QStringLiteral("Reed.Lantern");

QString withTrailingSeparator(const QString& folder) {
    const QString native = QDir::toNativeSeparators(folder);
    return native.endsWith(QDir::separator()) ? native : native + QDir::separator();
}

}  // namespace

const QList<SettingKey>& settingKeys() {
    static const QList<SettingKey> keys = {
        {"Folder", "hualin", SettingType::Text},
        {"Folder", "dongfang", SettingType::Text},
        {"Folder", "current", SettingType::Text},
        {"Folder", "RAR", SettingType::Text},
        {"Folder", "DBCOPY", SettingType::Text},
        {"QQ", "QQName", SettingType::Text},
        // After a run, the followed departments' rows go to the chat of the nickname.
        {"QQ", "SendFollowed", SettingType::Boolean},
        {"Holiday", "MMDD", SettingType::Integer, 25},
        {"ExceptDay", "MMDD", SettingType::Integer, 10},
        {"AutoStart", "Time", SettingType::Time},
        {"AutoStart", "Start", SettingType::Boolean},
        {"Last", "StockDate", SettingType::Date},
        {"Last", "RunDate", SettingType::Date},
        {"Last", "Code", SettingType::Text},
        {"Last", "Index", SettingType::Integer},
        {"Last", "Failed", SettingType::Text},
        {"Database", "ODBC", SettingType::Text},
        {"Database", "Access", SettingType::Text},
        {"Server", "StChangePage", SettingType::Text},
        {"Server", "BigBuySalePage", SettingType::Text},
        {"Server", "User", SettingType::Text},
        {"Window", "Geometry", SettingType::Text},
        {"Window", "Splitters", SettingType::Text},
        {"Window", "Columns", SettingType::Text},
        {"QueryFilter", "StockGiven", SettingType::Boolean},
        {"QueryFilter", "FromTicked", SettingType::Boolean},
        {"QueryFilter", "ToTicked", SettingType::Boolean},
        {"QueryFilter", "DepartmentGiven", SettingType::Boolean},
        {"QueryFilter", "Department", SettingType::Text},
        {"QueryFilter", "MainBuySale", SettingType::Boolean},
        {"QueryFilter", "Threshold", SettingType::Integer},
        {"QueryFilter", "ThresholdKind", SettingType::Integer},
        {"QueryFilter", "SortOnAmount", SettingType::Boolean},
    };
    return keys;
}

std::optional<SettingKey> findSettingKey(const QString& section, const QString& key) {
    for (const SettingKey& entry : settingKeys()) {
        if (section.compare(QLatin1String(entry.section), Qt::CaseInsensitive) != 0)
            continue;
        const QLatin1String name(entry.key);
        if (entry.familySize == 0) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return entry;
            continue;
        }
        if (!key.startsWith(name, Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int number = key.mid(name.size()).toInt(&ok);
        if (ok && number >= 1 && number <= entry.familySize &&
            !key.mid(name.size()).startsWith(QLatin1Char('0')))
            return entry;
    }
    return std::nullopt;
}

Settings::Settings(const ProgramFolder& folder, const Clock& clock)
    : Settings(folder.settingsFile(), folder.path(), clock) {}

Settings::Settings(QString file, QString programFolder, const Clock& clock)
    : m_file(std::move(file)), m_programFolder(withTrailingSeparator(programFolder)), m_clock(clock) {}

QString Settings::defaultText(const QString& section, const QString& key) const {
    const auto entry = findSettingKey(section, key);
    if (!entry)
        return QString();
    const QLatin1String name(entry->key);
    const QLatin1String part(entry->section);
    if (part == QLatin1String("Folder")) {
        if (name == QLatin1String("hualin"))
            return QStringLiteral("D:\\jcb_hlzq\\");
        if (name == QLatin1String("dongfang"))
            return QStringLiteral("D:\\jcb_dfzq\\");
        if (name == QLatin1String("current"))
            return QStringLiteral("HUALIN");
        if (name == QLatin1String("DBCOPY"))
            return m_programFolder;
        return QString();
    }
    if (part == QLatin1String("QQ"))
        return name == QLatin1String("QQName") ? QStringLiteral("(输入QQ昵称)") : QStringLiteral("0");
    if (part == QLatin1String("Server")) {
        if (name == QLatin1String("StChangePage"))
            return kDefaultChangePage;
        if (name == QLatin1String("BigBuySalePage"))
            return kDefaultBigPage;
        return kDefaultServerUser;
    }
    if (part == QLatin1String("AutoStart"))
        return name == QLatin1String("Time") ? timeText(m_clock.now().time()) : QStringLiteral("0");
    if (part == QLatin1String("Last")) {
        if (name == QLatin1String("StockDate") || name == QLatin1String("RunDate"))
            return dateText(kNoDate);
        return name == QLatin1String("Index") ? QStringLiteral("0") : QString();
    }
    if (part == QLatin1String("Window") || part == QLatin1String("QueryFilter"))
        return QString();        // nothing remembered yet: the window's own start
    return QStringLiteral("0");  // the calendar lists
}

QString Settings::readRaw(const QString& section, const QString& key, bool* found) const {
    const auto value = m_file.read(section, key);
    *found = value.has_value();
    return value.value_or(QString());
}

QString Settings::effectiveText(const QString& section, const QString& key) const {
    bool found = false;
    const QString value = readRaw(section, key, &found);
    return found ? value : defaultText(section, key);
}

bool Settings::isValid(SettingType type, const QString& text) {
    switch (type) {
        case SettingType::Text:
            return true;
        case SettingType::Integer:
        case SettingType::Boolean:
            return parseInteger(text).has_value();
        case SettingType::Date:
            return parseDate(text).isValid();
        case SettingType::Time:
            return parseTime(text).isValid();
    }
    return false;
}

QString Settings::readText(const QString& section, const QString& key, const QString& fallback) const {
    bool found = false;
    const QString value = readRaw(section, key, &found);
    return found ? value : fallback;
}

int Settings::readInteger(const QString& section, const QString& key, int fallback) const {
    bool found = false;
    const auto value = parseInteger(readRaw(section, key, &found));
    return found && value ? *value : fallback;
}

bool Settings::readBool(const QString& section, const QString& key, bool fallback) const {
    bool found = false;
    const auto value = parseInteger(readRaw(section, key, &found));
    return found && value ? *value != 0 : fallback;
}

QDate Settings::readDate(const QString& section, const QString& key, const QDate& fallback) const {
    bool found = false;
    const QDate value = parseDate(readRaw(section, key, &found));
    return found && value.isValid() ? value : fallback;
}

QTime Settings::readTime(const QString& section, const QString& key, const QTime& fallback) const {
    bool found = false;
    const QTime value = parseTime(readRaw(section, key, &found));
    return found && value.isValid() ? value : fallback;
}

bool Settings::record(bool ok, const QString& error) {
    m_error = ok ? QString() : error;
    return ok;
}

bool Settings::update(const std::function<void(IniDocument&)>& edit) {
    QString error;
    const bool ok = m_file.update(edit, &error);
    return record(ok, error);
}

bool Settings::writeText(const QString& section, const QString& key, const QString& value) {
    return update([&](IniDocument& document) { document.setValue(section, key, value); });
}

bool Settings::writeInteger(const QString& section, const QString& key, int value) {
    return writeText(section, key, QString::number(value));
}

bool Settings::writeBool(const QString& section, const QString& key, bool value) {
    return writeText(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool Settings::writeDate(const QString& section, const QString& key, const QDate& value) {
    return writeText(section, key, dateText(value));
}

bool Settings::writeTime(const QString& section, const QString& key, const QTime& value) {
    return writeText(section, key, timeText(value));
}

QString Settings::hualinFolder() const {
    return readText(kFolder, QStringLiteral("hualin"), defaultText(kFolder, QStringLiteral("hualin")));
}

QString Settings::dongfangFolder() const {
    return readText(kFolder, QStringLiteral("dongfang"), defaultText(kFolder, QStringLiteral("dongfang")));
}

QString Settings::current() const {
    return readText(kFolder, QStringLiteral("current"), QStringLiteral("HUALIN"));
}

QString Settings::rarFolder() const {
    return readText(kFolder, QStringLiteral("RAR"), QString());
}

QString Settings::dbCopyFolder() const {
    return readText(kFolder, QStringLiteral("DBCOPY"), m_programFolder);
}

bool Settings::sendFollowed() const {
    return readBool(QStringLiteral("QQ"), QStringLiteral("SendFollowed"), false);
}

bool Settings::qqNameSet() const {
    const QString name = trimBlanks(qqName());
    return !name.isEmpty() && name != defaultText(QStringLiteral("QQ"), QStringLiteral("QQName"));
}

QString Settings::qqName() const {
    return readText(QStringLiteral("QQ"), QStringLiteral("QQName"), QStringLiteral("(输入QQ昵称)"));
}

QString Settings::odbcSource() const {
    return readText(QStringLiteral("Database"), QStringLiteral("ODBC"), QString()).trimmed();
}

QString Settings::accessFile() const {
    const QString access =
        readText(QStringLiteral("Database"), QStringLiteral("Access"), QString()).trimmed();
    if (access.isEmpty())
        return QString();
    return QDir::cleanPath(QDir::isAbsolutePath(access) ? access : m_programFolder + access);
}

bool Settings::useOwnStore(const QString& note, QString* error) {
    return m_file.update(
        [&note](IniDocument& ini) {
            for (const QString& key : {QStringLiteral("ODBC"), QStringLiteral("Access")}) {
                while (ini.commentOut(QStringLiteral("Database"), key, note)) {
                }
            }
        },
        error);
}

QString Settings::serverChangePage() const {
    return readText(QStringLiteral("Server"), QStringLiteral("StChangePage"), kDefaultChangePage);
}

QString Settings::serverBigPage() const {
    return readText(QStringLiteral("Server"), QStringLiteral("BigBuySalePage"), kDefaultBigPage);
}

QString Settings::serverUser() const {
    const QString user = trimBlanks(readText(QStringLiteral("Server"), QStringLiteral("User"), QString()));
    return user.isEmpty() ? kDefaultServerUser : user;
}

QTime Settings::autoStartTime() const {
    return readTime(kAutoStart, QStringLiteral("Time"), m_clock.now().time());
}

bool Settings::autoStartEnabled() const {
    return readBool(kAutoStart, QStringLiteral("Start"), false);
}

QDate Settings::lastStockDate() const {
    return readDate(kLast, QStringLiteral("StockDate"), kNoDate);
}

QDate Settings::lastRunDate() const {
    return readDate(kLast, QStringLiteral("RunDate"), kNoDate);
}

QString Settings::lastCode() const {
    return readText(kLast, QStringLiteral("Code"), QString());
}

int Settings::lastIndex() const {
    return readInteger(kLast, QStringLiteral("Index"), 0);
}

bool Settings::writeLastStock(const QString& code, int index) {
    return update([&](IniDocument& document) {
        document.setValue(kLast, QStringLiteral("Code"), code);
        document.setValue(kLast, QStringLiteral("Index"), QString::number(index));
    });
}

bool Settings::startFreshRun(const QDate& today) {
    return update([&](IniDocument& document) {
        document.setValue(kLast, QStringLiteral("RunDate"), dateText(today));
        document.setValue(kLast, QStringLiteral("Code"), QString());
        document.setValue(kLast, QStringLiteral("Index"), QStringLiteral("0"));
        document.setValue(kLast, QStringLiteral("Failed"), QString());
    });
}

QStringList Settings::failedStocks() const {
    return readText(kLast, QStringLiteral("Failed"), QString()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool Settings::writeFailedStocks(const QStringList& keys) {
    return writeText(kLast, QStringLiteral("Failed"), keys.join(QLatin1Char(' ')));
}

}  // namespace quarrow

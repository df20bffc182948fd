#include "app/Settings.h"

#include "app/ProgramFolder.h"
#include "app/Trim.h"
#include "platform/Clock.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <cmath>

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
        // The stocks the day's mining runs could not capture, kept by the mining run alone.
        {"Mining", "FailedDay", SettingType::Date},
        {"Mining", "Failed", SettingType::Text},
        // The mining page's choice of screening by the exchanges' listing rules.
        {"Mining", "ExchangeRules", SettingType::Boolean},
        // The figures of those rules, in percent, so a rule change needs no new program.
        {"ExchangeRules", "MainDeviation", SettingType::Decimal},
        {"ExchangeRules", "MainAmplitude", SettingType::Decimal},
        {"ExchangeRules", "MainTurnover", SettingType::Decimal},
        {"ExchangeRules", "MainThreeDays", SettingType::Decimal},
        {"ExchangeRules", "RiskThreeDays", SettingType::Decimal},
        {"ExchangeRules", "GrowthChange", SettingType::Decimal},
        {"ExchangeRules", "GrowthAmplitude", SettingType::Decimal},
        {"ExchangeRules", "GrowthTurnover", SettingType::Decimal},
        {"ExchangeRules", "GrowthThreeDays", SettingType::Decimal},
        {"ExchangeRules", "MainLimit", SettingType::Decimal},
        {"ExchangeRules", "RiskLimit", SettingType::Decimal},
        {"ExchangeRules", "GrowthLimit", SettingType::Decimal},
        {"Database", "ODBC", SettingType::Text},
        {"Database", "Access", SettingType::Text},
        {"Server", "StChangePage", SettingType::Text},
        {"Server", "BigBuySalePage", SettingType::Text},
        {"Server", "User", SettingType::Text},
        // Where an interrupted download of each page goes on: the page, the next request's
        // day and ID, and the stock day it was in the middle of (with the user's answer).
        {"Download", "StChangePage", SettingType::Text},
        {"Download", "StChangeDay", SettingType::Date},
        {"Download", "StChangeId", SettingType::Text},
        {"Download", "StChangeStock", SettingType::Text},
        {"Download", "BigBuySalePage", SettingType::Text},
        {"Download", "BigBuySaleDay", SettingType::Date},
        {"Download", "BigBuySaleId", SettingType::Text},
        {"Download", "BigBuySaleStock", SettingType::Text},
        {"Window", "Geometry", SettingType::Text},
        {"Window", "Windows", SettingType::Text},
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

QString exchangeRuleDefault(const QString& key) {
    // The exchanges' figures: main boards (their risk-warned stocks differ only in the
    // three-day sum), then ChiNext and STAR; last the daily price limits.
    static const QHash<QString, QString> figures = {
        {QStringLiteral("MainDeviation"), QStringLiteral("7")},
        {QStringLiteral("MainAmplitude"), QStringLiteral("15")},
        {QStringLiteral("MainTurnover"), QStringLiteral("20")},
        {QStringLiteral("MainThreeDays"), QStringLiteral("20")},
        {QStringLiteral("RiskThreeDays"), QStringLiteral("12")},
        {QStringLiteral("GrowthChange"), QStringLiteral("15")},
        {QStringLiteral("GrowthAmplitude"), QStringLiteral("30")},
        {QStringLiteral("GrowthTurnover"), QStringLiteral("30")},
        {QStringLiteral("GrowthThreeDays"), QStringLiteral("30")},
        {QStringLiteral("MainLimit"), QStringLiteral("10")},
        {QStringLiteral("RiskLimit"), QStringLiteral("5")},
        {QStringLiteral("GrowthLimit"), QStringLiteral("20")},
    };
    for (auto it = figures.cbegin(); it != figures.cend(); ++it) {
        if (it.key().compare(key, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return QString();
}

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
        return name == QLatin1String("QQName") ? kNicknamePlaceholder : QStringLiteral("0");
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
    if (part == QLatin1String("ExchangeRules"))
        return exchangeRuleDefault(name);
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
        case SettingType::Decimal: {
            bool ok = false;
            const double value = text.trimmed().toDouble(&ok);
            return ok && std::isfinite(value);
        }
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

bool Settings::update(const std::function<void(IniDocument&)>& edit, SafeFile::Durability durability) {
    QString error;
    const bool ok = m_file.update(edit, &error, durability);
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
    return !usableNickname(qqName()).isEmpty();
}

QString Settings::usableNickname(const QString& name) {
    const QString trimmed = trimBlanks(name);
    return trimmed == kNicknamePlaceholder ? QString() : trimmed;
}

QString Settings::qqName() const {
    return readText(QStringLiteral("QQ"), QStringLiteral("QQName"), kNicknamePlaceholder);
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
    });
}

}  // namespace quarrow

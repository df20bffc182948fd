// The settings file: whatever a user's editor left in it, a value written reads back as
// written, and every other value reads as it did before.
#include "FuzzSupport.h"

#include "app/Settings.h"
#include "app/SettingsFile.h"
#include "app/Trim.h"

namespace quarrow::fuzz {

namespace {

const QString kSettingsFile = QStringLiteral("quarrow.INI");

struct Place {
    QString section;
    QString key;
};

QList<Place> knownPlaces() {
    QList<Place> places;
    for (const SettingKey& entry : settingKeys()) {
        const QString section = QString::fromLatin1(entry.section);
        const QString key = QString::fromLatin1(entry.key);
        if (entry.familySize == 0)
            places.append({section, key});
        for (int number = 1; number <= entry.familySize && number <= 3; ++number)
            places.append({section, key + QString::number(number)});
    }
    // Spellings of the program's own keys that an editor might leave.
    places.append({QStringLiteral("folder"), QStringLiteral("HUALIN")});
    places.append({QStringLiteral("Extra"), QStringLiteral("Note")});
    return places;
}

// A value the file can hold as it stands: one line, nothing a reader trims or unquotes.
bool keepsAsWritten(const QString& value) {
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n')) || value != trimBlanks(value))
        return false;
    const bool quoted = value.size() >= 2 &&
                        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
                        value.back() == value.front();
    return !quoted && QStringView(value).isValidUtf16();
}

}  // namespace

// The input: one byte choosing the key, one byte giving the length of the value in UTF-8
// that follows, then the settings file as it lies on the disk.
QString checkSettings(const QByteArray& input) {
    if (input.size() < 2)
        return QString();
    const QList<Place> places = knownPlaces();
    const Place& place = places.at(static_cast<uchar>(input.at(0)) % places.size());
    const qsizetype valueLength = std::min<qsizetype>(static_cast<uchar>(input.at(1)), input.size() - 2);
    const QString value = QString::fromUtf8(input.mid(2, valueLength));
    const QString path = writeScratchFile(kSettingsFile, input.mid(2 + valueLength));
    if (path.isEmpty())
        return QStringLiteral("the settings file cannot be written");

    SettingsFile file(path);
    QList<std::optional<QString>> before;
    for (const Place& other : places)
        before.append(file.read(other.section, other.key));

    // A value is one line of the file; one with a line break is refused.
    Findings findings;
    QString error;
    const bool oneLine = !value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n'));
    findings.expect(file.write(place.section, place.key, value, &error) == oneLine,
                    oneLine
                        ? QStringLiteral("writing [%1] %2 failed: %3").arg(place.section, place.key, error)
                        : QStringLiteral("a value with a line break was written"));
    if (keepsAsWritten(value)) {
        const auto read = file.read(place.section, place.key);
        findings.expect(read == value,
                        QStringLiteral("[%1] %2 was written as \"%3\" and reads \"%4\"")
                            .arg(place.section, place.key, value, read.value_or(QStringLiteral("<none>"))));
    }
    for (qsizetype i = 0; i < places.size(); ++i) {
        const Place& other = places.at(i);
        if (other.section.compare(place.section, Qt::CaseInsensitive) == 0 &&
            other.key.compare(place.key, Qt::CaseInsensitive) == 0)
            continue;
        const auto after = file.read(other.section, other.key);
        findings.expect(after == before.at(i),
                        QStringLiteral("[%1] %2 read \"%3\" and reads \"%4\" after [%5] %6 was written")
                            .arg(other.section, other.key, before.at(i).value_or(QStringLiteral("<none>")),
                                 after.value_or(QStringLiteral("<none>")), place.section, place.key));
    }
    return findings.report();
}

}  // namespace quarrow::fuzz

#include "mining/FailedStocks.h"

#include "app/Settings.h"
#include "platform/Clock.h"

namespace quarrow {

namespace {

const QString kSection = QStringLiteral("Mining");
const QString kDayKey = QStringLiteral("FailedDay");
const QString kCodesKey = QStringLiteral("Failed");

QStringList codesOf(const QString& text) {
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

}  // namespace

FailedStocks::FailedStocks(Settings& settings, const Clock& clock) : m_settings(settings), m_clock(clock) {}

QStringList FailedStocks::today() const {
    if (m_settings.readDate(kSection, kDayKey, Settings::kNoDate) != m_clock.today())
        return {};
    return codesOf(m_settings.readText(kSection, kCodesKey, QString()));
}

bool FailedStocks::add(const QString& key) {
    return change(key, true);
}

bool FailedStocks::remove(const QString& key) {
    return change(key, false);
}

bool FailedStocks::change(const QString& key, bool failed) {
    // Most stored stocks never failed: a look costs far less than a rewrite of the file.
    if (today().contains(key) == failed)
        return true;
    const QDate day = m_clock.today();
    bool unchanged = false;
    QStringList codes;
    // Read and written in one go: what another run noted since we last looked stays.
    const bool ok = m_settings.update([&](IniDocument& document) {
        const QDate stored =
            QDate::fromString(document.value(kSection, kDayKey).value_or(QString()), Settings::kDateFormat);
        codes =
            stored == day ? codesOf(document.value(kSection, kCodesKey).value_or(QString())) : QStringList();
        const bool listed = codes.contains(key);
        unchanged = listed == failed && stored == day;
        if (failed && !listed)
            codes.append(key);
        else if (!failed)
            codes.removeAll(key);
        document.setValue(kSection, kDayKey, Settings::dateText(day));
        document.setValue(kSection, kCodesKey, codes.join(QLatin1Char(' ')));
    });
    return ok || unchanged;
}

}  // namespace quarrow

#include "download/DownloadResume.h"

#include "app/Settings.h"

namespace quarrow {

namespace {

const QString kSection = QStringLiteral("Download");

}  // namespace

DownloadResume::DownloadResume(Settings& settings, QString prefix, QString page)
    : m_settings(settings), m_prefix(std::move(prefix)), m_page(std::move(page)) {}

QString DownloadResume::key(const char* name) const {
    return m_prefix + QLatin1String(name);
}

std::optional<DownloadResumePoint> DownloadResume::load() const {
    if (m_page.isEmpty() || m_settings.readText(kSection, key("Page"), QString()) != m_page)
        return std::nullopt;
    DownloadResumePoint point;
    point.day = m_settings.readDate(kSection, key("Day"), QDate());
    bool ok = false;
    point.nextId = m_settings.readText(kSection, key("Id"), QString()).toLongLong(&ok);
    if (!point.day.isValid() || !ok || point.nextId < 0)
        return std::nullopt;
    // "code|yyyy-mm-dd|0 or 1": the stock day the phase was in the middle of.
    const QStringList stock = m_settings.readText(kSection, key("Stock"), QString()).split(QLatin1Char('|'));
    if (stock.size() == 3) {
        point.code = stock.at(0);
        point.codeDay = QDate::fromString(stock.at(1), Settings::kDateFormat);
        point.skipped = stock.at(2) == QLatin1String("1");
    }
    return point;
}

bool DownloadResume::save(const DownloadResumePoint& point) {
    const QString stock = point.code.isEmpty() || !point.codeDay.isValid()
                              ? QString()
                              : QStringList{point.code, Settings::dateText(point.codeDay),
                                            point.skipped ? QStringLiteral("1") : QStringLiteral("0")}
                                    .join(QLatin1Char('|'));
    return m_settings.update(
        [&](IniDocument& document) {
            document.setValue(kSection, key("Page"), m_page);
            document.setValue(kSection, key("Day"), Settings::dateText(point.day));
            document.setValue(kSection, key("Id"), QString::number(point.nextId));
            document.setValue(kSection, key("Stock"), stock);
        },
        SafeFile::Durability::Unsynced);
}

bool DownloadResume::clear() {
    if (m_settings.readText(kSection, key("Page"), QString()).isEmpty())
        return true;
    return m_settings.update([&](IniDocument& document) {
        for (const char* name : {"Page", "Day", "Id", "Stock"})
            document.setValue(kSection, key(name), QString());
    });
}

}  // namespace quarrow

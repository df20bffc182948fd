#include "app/TradingCalendar.h"

#include "app/AppFrame.h"
#include "app/Settings.h"

#include <QRegularExpression>

namespace quarrow {

namespace {

const QString kHolidaySection = QStringLiteral("Holiday");
// The holiday list is read back as "ExceptDay" and written as "Exceptday"; the names of
// sections match without regard to case, so both spellings meet in one section.
const QString kExceptReadSection = QStringLiteral("ExceptDay");
const QString kExceptWriteSection = QStringLiteral("Exceptday");

QString mmddKey(int i) {
    return QStringLiteral("MMDD%1").arg(i);
}

int wholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

}  // namespace

int TradingCalendar::parseLine(const QString& line) {
    QString text = line;
    text.replace(QLatin1Char('/'), QLatin1Char('-'));
    static const QRegularExpression separators(QStringLiteral("[- ]"));
    const QStringList parts = text.split(separators, Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return 0;
    int value = wholeNumber(parts.at(0));
    if (parts.size() > 1)
        value = value * 100 + wholeNumber(parts.at(1));
    // A value that names no day of the year would sit in the list and never match, or
    // not even fit its 16 bits ("2017-10-1" gives 201710): such a line is wrong too.
    const int month = value / 100;
    const int day = value % 100;
    if (value <= 0 || month < 1 || month > 12 || day < 1 || day > QDate(2000, month, 1).daysInMonth())
        return 0;
    return value;
}

void TradingCalendar::load(const Settings& settings) {
    HolidayList.fill(0);
    ExceptDayList.fill(0);
    for (int i = 1; i <= kHolidayCount; ++i) {
        const int value = settings.readInteger(kHolidaySection, mmddKey(i), 0);
        if (value == 0)
            break;
        HolidayList[static_cast<size_t>(i - 1)] = static_cast<quint16>(value);
    }
    for (int i = 1; i <= kExceptDayCount; ++i) {
        const int value = settings.readInteger(kExceptReadSection, mmddKey(i), 0);
        if (value == 0)
            break;
        ExceptDayList[static_cast<size_t>(i - 1)] = static_cast<quint16>(value);
    }
}

QStringList TradingCalendar::memoLines(List list) const {
    const quint16* values = list == List::Holiday ? HolidayList.data() : ExceptDayList.data();
    const int count = list == List::Holiday ? kHolidayCount : kExceptDayCount;
    QStringList lines;
    for (int i = 0; i < count && values[i] != 0; ++i)
        lines << QStringLiteral("%1-%2").arg(values[i] / 100).arg(values[i] % 100);
    return lines;
}

TradingCalendar::CommitResult TradingCalendar::commit(List list, const QStringList& lines, Settings& settings,
                                                      AppFrame& frame) {
    const bool holidays = list == List::Holiday;
    quint16* values = holidays ? HolidayList.data() : ExceptDayList.data();
    const int count = holidays ? kHolidayCount : kExceptDayCount;
    const QString section = holidays ? kHolidaySection : kExceptWriteSection;

    std::fill(values, values + count, quint16(0));
    CommitResult result;
    // The whole section is rebuilt in one write, so the file never holds half a list.
    result.written = settings.update([&](IniDocument& document) {
        document.eraseSection(section);
        for (int i = 1; i <= lines.size(); ++i) {
            const int value = parseLine(lines.at(i - 1));
            if (value == 0) {
                result.wrongLine = i;
                break;
            }
            if (i > count)
                break;
            values[i - 1] = static_cast<quint16>(value);
            ++result.stored;
            document.setValue(section, mmddKey(i), QString::number(value));
            if (i < count)  // a full list needs no closing 0
                document.setValue(section, mmddKey(i + 1), QStringLiteral("0"));
        }
    });
    if (!result.written) {
        frame.notify(QStringLiteral("设置文件写入失败:") + settings.lastError());
        return result;
    }
    if (result.wrongLine > 0) {
        MessageRequest message;
        message.title = QStringLiteral("Quarrow");
        message.text = QStringLiteral("第") + QString::number(result.wrongLine) +
                       QStringLiteral("行日期输入错,每行一个日期,按\"月-日\"输入,例如10-1、10/1或1001");
        frame.showMessage(message);
    }
    return result;
}

bool TradingCalendar::contains(const quint16* values, int count, int key) {
    for (int i = 0; i < count && values[i] != 0; ++i) {
        if (values[i] == key)
            return true;
    }
    return false;
}

bool TradingCalendar::IsTradingDay(const QDate& today, bool ignoreHours) const {
    const int key = today.month() * 100 + today.day();
    if (contains(HolidayList.data(), kHolidayCount, key))
        return false;
    const bool exception = contains(ExceptDayList.data(), kExceptDayCount, key);
    if (today.dayOfWeek() >= 6 && !exception)
        return false;
    // Only the time-of-day-free question is ever asked; with hours it is the same answer.
    Q_UNUSED(ignoreHours);
    return true;
}

}  // namespace quarrow

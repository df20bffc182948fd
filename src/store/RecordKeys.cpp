#include "store/RecordKeys.h"

#include "app/Trim.h"

namespace quarrow {

namespace {

quint64 byteSum(Money amount) {
    quint64 raw = static_cast<quint64>(amount.raw());
    quint64 sum = 0;
    for (int b = 0; b < 8; ++b) {
        sum += raw & 0xFFu;
        raw >>= 8;
    }
    return sum;
}

qint64 recordKey(std::optional<quint64> codeNumber, qint32 deptKey, Money firstAmount, Money secondAmount,
                 bool dayValid, int year, int month, int dayOfMonth) {
    quint64 key = codeNumber ? (*codeNumber & 0xFFFFFFu) << 40 : 0;
    key += static_cast<quint64>(static_cast<quint32>(deptKey)) << 32;
    key += byteSum(secondAmount) << 8;
    key += byteSum(firstAmount);
    if (dayValid) {
        key += static_cast<quint64>(year % 100);
        key += static_cast<quint64>(month) * 128;
        key += static_cast<quint64>(dayOfMonth) * 2048;
    }
    key += static_cast<quint64>(secondAmount.raw());
    key += static_cast<quint64>(firstAmount.raw());
    return static_cast<qint64>(key);
}

}  // namespace

qint32 CalcDeptKey(const QString& text) {
    quint32 sum = 0;
    for (qsizetype index = 0; index < text.size(); ++index) {
        const quint32 unit = text.at(index).unicode();
        const qsizetype position = index + 1;
        if (unit <= 0x7F) {
            switch (position % 4) {
                case 1:
                    sum += unit << 8;
                    break;
                case 2:
                    sum += unit << 16;
                    break;
                case 3:
                    sum += unit << 24;
                    break;
                default:
                    sum += unit;
                    break;
            }
        } else {
            sum += position % 4 == 1 ? unit << 16 : unit;
        }
    }
    return static_cast<qint32>(sum);
}

qint64 CalcRecordKey(const QString& stockCode, const QString& text, Money firstAmount, Money secondAmount,
                     const QDate& day) {
    return CalcRecordKeyOfDeptKey(stockCode, CalcDeptKey(text), firstAmount, secondAmount, day);
}

qint64 CalcRecordKeyOfDeptKey(const QString& stockCode, qint32 deptKey, Money firstAmount, Money secondAmount,
                              const QDate& day) {
    bool ok = false;
    const quint64 code = trimBlanks(stockCode).toULongLong(&ok);
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    day.getDate(&year, &month, &dayOfMonth);
    return recordKey(ok ? std::optional<quint64>(code) : std::nullopt, deptKey, firstAmount, secondAmount,
                     day.isValid(), year, month, dayOfMonth);
}

qint64 CalcRecordKeyOfDeptKey(std::optional<quint64> codeNumber, qint32 deptKey, Money firstAmount,
                              Money secondAmount, qint32 yyyymmdd) {
    const int year = yyyymmdd / 10000;
    const int month = yyyymmdd / 100 % 100;
    const int dayOfMonth = yyyymmdd % 100;
    return recordKey(codeNumber, deptKey, firstAmount, secondAmount, QDate::isValid(year, month, dayOfMonth),
                     year, month, dayOfMonth);
}

}  // namespace quarrow

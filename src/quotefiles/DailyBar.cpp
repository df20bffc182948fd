#include "quotefiles/DailyBar.h"

#include "quotefiles/FileOP.h"

#include <QtEndian>

#include <bit>

namespace quarrow {

DailyBar DailyBar::fromBytes(const char* record) {
    DailyBar bar;
    bar.Date = qFromLittleEndian<qint32>(record);
    bar.Open = qFromLittleEndian<qint32>(record + 4);
    bar.High = qFromLittleEndian<qint32>(record + 8);
    bar.Low = qFromLittleEndian<qint32>(record + 12);
    bar.Close = qFromLittleEndian<qint32>(record + 16);
    bar.Amount = std::bit_cast<float>(qFromLittleEndian<quint32>(record + 20));
    bar.Volume = qFromLittleEndian<qint32>(record + 24);
    bar.Reserved = qFromLittleEndian<quint32>(record + 28);
    return bar;
}

void DailyBar::toBytes(char* record) const {
    qToLittleEndian<qint32>(Date, record);
    qToLittleEndian<qint32>(Open, record + 4);
    qToLittleEndian<qint32>(High, record + 8);
    qToLittleEndian<qint32>(Low, record + 12);
    qToLittleEndian<qint32>(Close, record + 16);
    qToLittleEndian<quint32>(std::bit_cast<quint32>(Amount), record + 20);
    qToLittleEndian<qint32>(Volume, record + 24);
    qToLittleEndian<quint32>(Reserved, record + 28);
}

bool readDailyBar(TFileOP& file, DailyBar& bar) {
    char record[DailyBar::kSize];
    if (file.ReadRecord(record) != 1)
        return false;
    bar = DailyBar::fromBytes(record);
    return true;
}

}  // namespace quarrow

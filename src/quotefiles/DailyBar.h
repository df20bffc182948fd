#pragma once

#include <QString>
#include <QtGlobal>

namespace quarrow {

class TFileOP;

// One record of a daily-bar file: 32 bytes, little-endian, prices in 0.01 yuan.
struct DailyBar {
    static constexpr int kSize = 32;

    qint32 Date = 0;  // YYYYMMDD
    qint32 Open = 0;
    qint32 High = 0;
    qint32 Low = 0;
    qint32 Close = 0;
    float Amount = 0;   // traded value in yuan
    qint32 Volume = 0;  // shares
    quint32 Reserved = 0;

    static DailyBar fromBytes(const char* record);
    void toBytes(char* record) const;
};

// Reads the record at the file's position; false when no whole record is left.
bool readDailyBar(TFileOP& file, DailyBar& bar);

}  // namespace quarrow

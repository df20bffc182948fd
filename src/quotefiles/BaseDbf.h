#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace quarrow {

// The fields we take from one record of the quote program's share-capital table
// base.dbf (a dBase III table of 481-byte records after a 1313-byte header).
struct BaseDbfRecord {
    char market = 0;       // '0' Shenzhen, '1' Shanghai
    QString code;          // trimmed
    QString figuresDate;   // YYYYMMDD text
    QString totalText;     // field 1: total share capital, 10,000 shares, as stored
    QString tradableText;  // field 7: tradable A shares, 10,000 shares, as stored
    QString listingDate;   // YYYYMMDD text
};

struct BaseDbfContents {
    QList<BaseDbfRecord> records;
    // Empty when the file has the layout we read; otherwise why it was refused.
    QString layoutProblem;
};

// Reads every whole record; a partial record at the end and the end-of-file mark are
// ignored. A header that declares another layout is refused rather than read at the
// wrong offsets. Throws RecordFileError when the file cannot be read.
BaseDbfContents readBaseDbf(const QString& path);

namespace BaseDbfLayout {
constexpr int kHeaderSize = 1313;
constexpr int kRecordSize = 481;
}  // namespace BaseDbfLayout

}  // namespace quarrow

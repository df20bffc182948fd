#include "quotefiles/BaseDbf.h"

#include "app/Trim.h"
#include "quotefiles/FileOP.h"

#include <QtEndian>

namespace quarrow {

namespace {

QString asciiField(const char* record, int offset, int width) {
    return QString::fromLatin1(record + offset, width);
}

}  // namespace

BaseDbfContents readBaseDbf(const QString& path) {
    using namespace BaseDbfLayout;
    const QByteArray bytes = readWholeFile(path);

    BaseDbfContents contents;
    // The dBase header states its own sizes: a table of another layout would put other
    // numbers where we expect the share capital, so it is not read at all.
    if (bytes.size() >= 12) {
        const int headerSize = qFromLittleEndian<quint16>(bytes.constData() + 8);
        const int recordSize = qFromLittleEndian<quint16>(bytes.constData() + 10);
        if (headerSize != kHeaderSize || recordSize != kRecordSize) {
            contents.layoutProblem = QStringLiteral("文件头长度%1、记录长度%2,应为%3和%4")
                                         .arg(headerSize)
                                         .arg(recordSize)
                                         .arg(kHeaderSize)
                                         .arg(kRecordSize);
            return contents;
        }
    }
    for (qsizetype offset = kHeaderSize; bytes.size() - offset >= kRecordSize; offset += kRecordSize) {
        const char* record = bytes.constData() + offset;
        BaseDbfRecord entry;
        entry.market = record[1];
        entry.code = trimBlanks(asciiField(record, 2, 6));
        entry.figuresDate = trimBlanks(asciiField(record, 8, 8));
        entry.totalText = asciiField(record, 16, 14);
        entry.tradableText = asciiField(record, 100, 14);
        entry.listingDate = trimBlanks(asciiField(record, 459, 8));
        contents.records.append(entry);
    }
    return contents;
}

}  // namespace quarrow

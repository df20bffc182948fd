#pragma once

#include <QFile>
#include <QString>

#include <stdexcept>

namespace quarrow {

// A failed file operation of TFileOP. It is not caught by the readers: it ends the command
// that ran them, which shows message() to the user.
class RecordFileError : public std::runtime_error {
public:
    RecordFileError(const QString& operation, const QString& fileName, const QString& systemMessage);

    QString message() const { return m_message; }

private:
    QString m_message;
};

// The whole of a small quote-program file (a name table, base.dbf, the hand-kept table),
// read only when it is a regular file. Throws RecordFileError when it cannot be read.
QByteArray readWholeFile(const QString& path);

// A file of fixed-size records. Read mode opens the file read-only and shared, so the
// quote program that owns the daily-bar files can keep writing them while we read.
// Positions and counts are in records; a partial record at the end of a file (a download
// cut short) is never read and never counted.
class TFileOP {
public:
    // RW: 'r' read, 'w' write, 'a' read and write. A missing file in mode 'r' leaves the
    // object closed without an error; in the other modes it is created empty.
    TFileOP(const QString& filenm, int recSize, char RW);
    ~TFileOP();
    TFileOP(const TFileOP&) = delete;
    TFileOP& operator=(const TFileOP&) = delete;

    void Close();
    bool Opend() const { return m_fileOpend; }
    // Mode 'r' keeps the count taken at open; the writable modes look at the file again.
    qint64 RecordCount();
    // True when no whole record is left at the position.
    bool AtEnd();
    // Reads RecordSize bytes into fRecord: 1, or 0 (buffer untouched) when no whole
    // record is left. The position moves on by one record either way.
    int ReadRecord(char* fRecord);
    // Up to count whole records from the position in one read: a reader that needs a run
    // of neighbouring bars asks the system once. Returns the records read; the position
    // moves on by as many.
    qint64 ReadRecords(char* fRecords, qint64 count);
    int WriteRecord(const char* fRecord);
    void AppendRecord(const char* fRecord);
    void SeekToFirst();
    // The last whole record; on an empty file the start, where AtEnd() is true.
    void SeekToLast();
    qint64 SeekToEnd();
    // Clamped to 0 … Records (the end position is allowed).
    qint64 SeekTo(qint64 RecIDX);
    // Clamped to 0 … Records − 1 (never the end position).
    qint64 SkipTo(qint64 skipRecrods);
    void Clear();

    qint64 RecordIDX() const { return m_recordIdx; }
    char ReadWrite() const { return m_readWrite; }
    qint64 Records() const { return m_records; }

private:
    [[noreturn]] void fail(const QString& operation) const;
    qint64 wholeRecordsInFile();
    void seekToIndex(qint64 index);
    // Up to `bytes` bytes at a byte offset, or what the file has there; -1 on an error.
    qint64 readAt(qint64 offset, char* into, qint64 bytes);

#ifdef Q_OS_WIN
    QFile m_fileHandle;
#else
    // Read and written at the record's offset (pread, pwrite): a seek is only the record
    // index, and a file costs its open, its size and its reads. A screening opens 5,000.
    int m_fd = -1;
#endif
    QString m_fileName;
    int m_recordSize = 0;
    bool m_fileOpend = false;
    qint64 m_recordIdx = 0;
    char m_readWrite = 'r';
    qint64 m_records = 0;
    QByteArray m_scratch;  // a record read whole or not at all, made at the first ReadRecord
};

}  // namespace quarrow

#include "quotefiles/FileOP.h"

#include "app/SafeFile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quarrow {

RecordFileError::RecordFileError(const QString& operation, const QString& fileName,
                                 const QString& systemMessage)
    : std::runtime_error(
          QStringLiteral("cannot %1 %2: %3").arg(operation, fileName, systemMessage).toStdString()),
      m_message(QStringLiteral("cannot %1 %2: %3").arg(operation, fileName, systemMessage)) {}

QByteArray readWholeFile(const QString& path) {
    QByteArray bytes;
    QString error;
    if (!SafeFile::readRegular(path, &bytes, &error))
        throw RecordFileError(QStringLiteral("read"), path, error);
    return bytes;
}

TFileOP::TFileOP(const QString& filenm, int recSize, char RW) : m_fileName(filenm) {
    if (recSize <= 0 || (RW != 'r' && RW != 'w' && RW != 'a'))
        throw RecordFileError(
            QStringLiteral("open"), filenm,
            QStringLiteral("record size %1 and mode '%2' are not a valid way to open a record file")
                .arg(recSize)
                .arg(QLatin1Char(RW)));
    // Read mode asks the file system once: a failed open of a missing file is no error.
    if (RW != 'r' && !QFileInfo::exists(filenm)) {
        QFile create(filenm);
        if (!create.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw RecordFileError(QStringLiteral("create"), filenm, create.errorString());
        create.close();
    }
    // Only a regular file is opened: a FIFO in place of a daily-bar file would block the
    // open for ever, and a device would never end.
    QString error;
#ifdef Q_OS_WIN
    QIODevice::OpenMode mode = QIODevice::Unbuffered | QIODevice::ExistingOnly;
    if (RW == 'r')
        mode |= QIODevice::ReadOnly;
    else
        mode |= QIODevice::ReadWrite;  // for 'w' too: a write-only open would truncate the file
    const bool opened = SafeFile::openRegular(m_fileHandle, filenm, mode, &error);
    qint64 bytes = opened ? m_fileHandle.size() : 0;
#else
    qint64 bytes = 0;
    // Read-write for 'w' too: a write-only open would truncate the file.
    m_fd = SafeFile::openRegularDescriptor(filenm, RW != 'r', &bytes, &error);
    const bool opened = m_fd >= 0;
#endif
    if (!opened) {
        if (RW == 'r' && !QFileInfo::exists(filenm))
            return;
        throw RecordFileError(QStringLiteral("open"), filenm, error);
    }
    if (bytes < 0)
        fail(QStringLiteral("size"));
    m_fileOpend = true;
    m_readWrite = RW;
    m_recordSize = recSize;
    m_records = bytes / recSize;
    seekToIndex(0);
}

TFileOP::~TFileOP() {
    Close();
}

void TFileOP::fail(const QString& operation) const {
#ifdef Q_OS_WIN
    throw RecordFileError(operation, m_fileName, m_fileHandle.errorString());
#else
    throw RecordFileError(operation, m_fileName, qt_error_string(errno));
#endif
}

qint64 TFileOP::wholeRecordsInFile() {
#ifdef Q_OS_WIN
    const qint64 bytes = m_fileHandle.size();
#else
    struct stat status {};
    const qint64 bytes = ::fstat(m_fd, &status) == 0 ? static_cast<qint64>(status.st_size) : -1;
#endif
    if (bytes < 0)
        fail(QStringLiteral("size"));
    return bytes / m_recordSize;
}

void TFileOP::seekToIndex(qint64 index) {
    m_recordIdx = index;
#ifdef Q_OS_WIN
    if (!m_fileHandle.seek(index * m_recordSize))
        fail(QStringLiteral("seek in"));
#endif
}

qint64 TFileOP::readAt(qint64 offset, char* into, qint64 bytes) {
#ifdef Q_OS_WIN
    if (m_fileHandle.pos() != offset && !m_fileHandle.seek(offset))
        fail(QStringLiteral("seek in"));
    return m_fileHandle.read(into, bytes);
#else
    qint64 got = 0;
    while (got < bytes) {
        const ssize_t count = ::pread(m_fd, into + got, static_cast<size_t>(bytes - got), offset + got);
        if (count == 0)
            break;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        got += count;
    }
    return got;
#endif
}

void TFileOP::Close() {
    if (!m_fileOpend)
        return;
#ifdef Q_OS_WIN
    m_fileHandle.close();
#else
    ::close(m_fd);
    m_fd = -1;
#endif
    m_fileOpend = false;
}

qint64 TFileOP::RecordCount() {
    if (!m_fileOpend)
        return 0;
    if (m_readWrite != 'r')
        m_records = wholeRecordsInFile();
    return m_records;
}

bool TFileOP::AtEnd() {
    if (!m_fileOpend)
        return true;
    return m_recordIdx >= wholeRecordsInFile();
}

int TFileOP::ReadRecord(char* fRecord) {
    if (!m_fileOpend)
        return 0;
    if (m_readWrite == 'w')
        throw RecordFileError(QStringLiteral("read"), m_fileName,
                              QStringLiteral("the file is open for writing only"));
    if (m_scratch.size() != m_recordSize)
        m_scratch.resize(m_recordSize);
    const qint64 got = readAt(m_recordIdx * m_recordSize, m_scratch.data(), m_recordSize);
    if (got < 0)
        fail(QStringLiteral("read"));
    ++m_recordIdx;
    if (got < m_recordSize)
        return 0;
    std::memcpy(fRecord, m_scratch.constData(), static_cast<size_t>(m_recordSize));
    return 1;
}

qint64 TFileOP::ReadRecords(char* fRecords, qint64 count) {
    if (!m_fileOpend || count <= 0)
        return 0;
    if (m_readWrite == 'w')
        throw RecordFileError(QStringLiteral("read"), m_fileName,
                              QStringLiteral("the file is open for writing only"));
    const qint64 got = readAt(m_recordIdx * m_recordSize, fRecords, count * m_recordSize);
    if (got < 0)
        fail(QStringLiteral("read"));
    // A partial record at the end is left where it is: the next read starts there again.
    const qint64 whole = got / m_recordSize;
    m_recordIdx += whole;
    return whole;
}

int TFileOP::WriteRecord(const char* fRecord) {
    if (!m_fileOpend)
        return 0;
    const qint64 offset = m_recordIdx * m_recordSize;
#ifdef Q_OS_WIN
    if (m_fileHandle.pos() != offset && !m_fileHandle.seek(offset))
        fail(QStringLiteral("seek in"));
    if (m_fileHandle.write(fRecord, m_recordSize) != m_recordSize)
        fail(QStringLiteral("write"));
#else
    qint64 written = 0;
    while (written < m_recordSize) {
        const ssize_t count =
            ::pwrite(m_fd, fRecord + written, static_cast<size_t>(m_recordSize - written), offset + written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            fail(QStringLiteral("write"));
        written += count;
    }
#endif
    ++m_recordIdx;
    if (m_records < m_recordIdx)
        m_records = m_recordIdx;
    return 1;
}

void TFileOP::AppendRecord(const char* fRecord) {
    if (!m_fileOpend)
        return;
    SeekToEnd();
    WriteRecord(fRecord);
}

void TFileOP::SeekToFirst() {
    if (m_fileOpend)
        seekToIndex(0);
}

void TFileOP::SeekToLast() {
    if (m_fileOpend)
        seekToIndex(qMax<qint64>(0, wholeRecordsInFile() - 1));
}

qint64 TFileOP::SeekToEnd() {
    if (!m_fileOpend)
        return 0;
    seekToIndex(wholeRecordsInFile());
    return m_recordIdx;
}

qint64 TFileOP::SeekTo(qint64 RecIDX) {
    if (!m_fileOpend)
        return 0;
    seekToIndex(qBound<qint64>(0, RecIDX, m_records));
    return m_recordIdx;
}

qint64 TFileOP::SkipTo(qint64 skipRecrods) {
    if (!m_fileOpend)
        return 0;
    const qint64 last = qMax<qint64>(0, m_records - 1);
    // Saturate instead of overflowing for offsets near the integer limits.
    qint64 target = 0;
    if (skipRecrods > 0)
        target = skipRecrods > last - m_recordIdx ? last : m_recordIdx + skipRecrods;
    else
        target = -skipRecrods > m_recordIdx ? 0 : m_recordIdx + skipRecrods;
    seekToIndex(qBound<qint64>(0, target, last));
    return m_recordIdx;
}

void TFileOP::Clear() {
    if (!m_fileOpend)
        return;
    seekToIndex(0);
#ifdef Q_OS_WIN
    if (!m_fileHandle.resize(0))
        fail(QStringLiteral("truncate"));
#else
    if (::ftruncate(m_fd, 0) != 0)
        fail(QStringLiteral("truncate"));
#endif
}

}  // namespace quarrow

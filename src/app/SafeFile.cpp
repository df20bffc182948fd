#include "app/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quarrow::SafeFile {

namespace {

const QString kNotRegular = QStringLiteral("not a regular file");

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

// A refused open or read: the reason and the system's error number, and false.
bool refuse(QString* error, int* errorCode, const QString& reason, int code) {
    setError(error, reason);
    if (errorCode)
        *errorCode = code;
    return false;
}

// The file a rewrite must replace: a link the user made is followed, so the link stays and
// its target gets the new contents; a derived file's link is replaced itself.
QString replacedPath(const QString& path, Links links) {
    const QFileInfo info(path);
    if (links == Links::Follow && info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty())
            return target;
    }
    return info.absoluteFilePath();
}

// A name beside the target that no one else uses: hidden, and marked as unfinished.
QString temporaryName(const QString& target) {
    const QFileInfo info(target);
    return info.dir().filePath(QStringLiteral(".%1.%2.tmp")
                                   .arg(info.fileName())
                                   .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
}

#ifdef Q_OS_WIN

bool writeAndReplace(const QString& target, const QByteArray& bytes, Durability durability, Links links,
                     QString* error) {
    const QFileInfo old(target);
    // A link that is not followed is replaced like a missing file: its target is not looked at.
    const bool link = links == Links::Replace && old.isSymLink();
    if (!link && old.exists() && !old.isFile()) {
        setError(error, kNotRegular);
        return false;
    }
    QString temporary;
    QFile file;
    for (int attempt = 0; attempt < 16 && !file.isOpen(); ++attempt) {
        temporary = temporaryName(target);
        file.setFileName(temporary);
        file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered);
    }
    if (!file.isOpen()) {
        setError(error, file.errorString());
        return false;
    }
    const auto giveUp = [&](const QString& reason) {
        setError(error, reason);
        file.close();
        QFile::remove(temporary);
        return false;
    };
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return giveUp(file.errorString());
        done += written;
    }
    if (!file.flush())
        return giveUp(file.errorString());
    if (durability == Durability::Synced &&
        !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()))))
        return giveUp(qt_error_string(static_cast<int>(GetLastError())));
    file.close();
    if (file.error() != QFileDevice::NoError)
        return giveUp(file.errorString());
    if (!link && old.exists())
        QFile::setPermissions(temporary, QFile::permissions(target));
    const std::wstring from = QDir::toNativeSeparators(temporary).toStdWString();
    const std::wstring to = QDir::toNativeSeparators(target).toStdWString();
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const QString reason = qt_error_string(static_cast<int>(GetLastError()));
        QFile::remove(temporary);
        setError(error, reason);
        return false;
    }
    return true;
}

#else

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and tells whether the close itself went well (NFS reports late write
    // errors only here).
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

bool writeAndReplace(const QString& target, const QByteArray& bytes, Durability durability, Links links,
                     QString* error) {
    const QByteArray targetName = QFile::encodeName(target);
    struct stat old {};
    // lstat: a link that is not followed is renamed over like any file, and its target's
    // permissions are none of the new file's business.
    const bool replacing = (links == Links::Replace ? ::lstat(targetName.constData(), &old)
                                                    : ::stat(targetName.constData(), &old)) == 0 &&
                           !S_ISLNK(old.st_mode);
    if (replacing && !S_ISREG(old.st_mode)) {
        setError(error, kNotRegular);
        return false;
    }

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = QFile::encodeName(temporaryName(target));
        // 0666 as for any new file: the umask decides, as it would without the detour.
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        setError(error, qt_error_string(errno));
        return false;
    }
    Descriptor file(fd);
    const auto giveUp = [&] {
        const int code = errno;
        if (file.get() >= 0)
            file.close();
        ::unlink(temporary.constData());
        setError(error, qt_error_string(code));
        return false;
    };
    if (replacing && ::fchmod(file.get(), old.st_mode & 07777) != 0)
        return giveUp();
    if (!writeAll(file.get(), bytes))
        return giveUp();
    if (durability == Durability::Synced && ::fsync(file.get()) != 0)
        return giveUp();
    if (!file.close())
        return giveUp();
    if (::rename(temporary.constData(), targetName.constData()) != 0)
        return giveUp();
    if (durability == Durability::Synced) {
        // The rename itself reaches the disk with the folder. The new file is in place
        // whatever this says, so a failure here is no reason to report the write failed.
        const int folder =
            ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
    return true;
}

#endif

}  // namespace

bool replace(const QString& path, const QByteArray& bytes, QString* error, Durability durability,
             Links links) {
    return writeAndReplace(replacedPath(path, links), bytes, durability, links, error);
}

QString tooLargeReason(qint64 size, qint64 maxBytes) {
    const auto megabytes = [](qint64 bytes) {
        const double value = static_cast<double>(bytes) / (1024.0 * 1024.0);
        return QString::number(value, 'f', value < 10 ? 1 : 0);
    };
    return QStringLiteral("the file is %1 MB, more than the %2 MB such a file may have; it was not read")
        .arg(megabytes(size), megabytes(maxBytes));
}

bool openRegular(QFile& file, const QString& path, QIODevice::OpenMode mode, QString* error, int* errorCode) {
    file.setFileName(path);
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (!info.exists())
        return refuse(error, errorCode, qt_error_string(ENOENT), ENOENT);
    if (!info.isFile())
        return refuse(error, errorCode, kNotRegular, EINVAL);
    if (!file.open(mode | QIODevice::ExistingOnly))
        return refuse(error, errorCode, file.errorString(), EIO);
    return true;
#else
    qint64 size = 0;
    const int fd = openRegularDescriptor(path, (mode & QIODevice::WriteOnly) != 0, &size, error, errorCode);
    if (fd < 0)
        return false;
    // Blocking again, as a QFile expects of its descriptor.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        const int code = errno;
        ::close(fd);
        return refuse(error, errorCode, qt_error_string(code), code);
    }
    if (!file.open(fd, mode & ~QIODevice::ExistingOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refuse(error, errorCode, file.errorString(), EIO);
    }
    return true;
#endif
}

#ifndef Q_OS_WIN
int openRegularDescriptor(const QString& path, bool writable, qint64* size, QString* error, int* errorCode) {
    // Without O_NONBLOCK the open of a FIFO waits for the other end; with it the open
    // returns at once and the type is checked on what was really opened. On a regular
    // file the flag changes nothing.
    const int fd =
        ::open(QFile::encodeName(path).constData(), (writable ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        refuse(error, errorCode, qt_error_string(code), code);
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int code = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        refuse(error, errorCode, kNotRegular, code);
        return -1;
    }
    *size = status.st_size;
    return fd;
}
#endif

bool syncToDisk(QFile& file, QString* error) {
    if (!file.flush())
        return refuse(error, nullptr, file.errorString(), EIO);
#ifdef Q_OS_WIN
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()))))
        return refuse(error, nullptr, qt_error_string(static_cast<int>(GetLastError())), EIO);
#else
    if (::fsync(file.handle()) != 0)
        return refuse(error, nullptr, qt_error_string(errno), errno);
#endif
    return true;
}

bool readRegular(const QString& path, QByteArray* bytes, QString* error, int* errorCode, qint64 maxBytes) {
    const auto tooLarge = [&](qint64 size) {
        return refuse(error, errorCode, tooLargeReason(size, maxBytes), EFBIG);
    };
#ifdef Q_OS_WIN
    QFile file;
    if (!openRegular(file, path, QIODevice::ReadOnly, error, errorCode))
        return false;
    if (maxBytes >= 0 && file.size() > maxBytes)
        return tooLarge(file.size());
    *bytes = file.readAll();
    if (maxBytes >= 0 && bytes->size() > maxBytes)
        return tooLarge(bytes->size());
    if (file.error() != QFileDevice::NoError)
        return refuse(error, errorCode, file.errorString(), EIO);
    return true;
#else
    // The system's calls and nothing else: a batch reads thousands of small documents, and
    // a file object, its engine and the flag changes a QFile needs cost more than the read.
    qint64 size = 0;
    const int fd = openRegularDescriptor(path, false, &size, error, errorCode);
    if (fd < 0)
        return false;
    if (maxBytes >= 0 && size > maxBytes) {
        ::close(fd);
        return tooLarge(size);
    }
    // Room for the size the file had when it was opened and one byte more, so the read
    // that finds the end needs no second buffer; a file that grows meanwhile (the quote
    // program appending) is read to its end all the same.
    QByteArray data(static_cast<qsizetype>(size) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        // A file that grows past the limit while it is read is refused as well.
        if (maxBytes >= 0 && got > maxBytes) {
            ::close(fd);
            return tooLarge(got);
        }
        if (got == data.size())
            data.resize(data.size() * 2);
        const ssize_t count = ::read(fd, data.data() + got, static_cast<size_t>(data.size() - got));
        if (count == 0)
            break;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            const int code = errno;
            ::close(fd);
            return refuse(error, errorCode, qt_error_string(code), code);
        }
        got += count;
    }
    ::close(fd);
    data.truncate(got);
    *bytes = std::move(data);
    return true;
#endif
}

bool matchesPattern(const QString& name, const QString& pattern) {
    const QStringList parts = pattern.split(QLatin1Char('*'));
    if (!name.startsWith(parts.first()) || name.size() < pattern.size() - (parts.size() - 1))
        return false;
    qsizetype at = parts.first().size();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (i == parts.size() - 1)
            return name.size() - part.size() >= at && name.endsWith(part);
        const qsizetype found = name.indexOf(part, at);
        if (found < 0)
            return false;
        at = found + part.size();
    }
    return at == name.size();
}

int removeScraps(const QString& folder, const QString& targetPattern, qint64 olderThan_s) {
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-olderThan_s);
    const QString pattern = QLatin1Char('.') + targetPattern + QStringLiteral(".*.tmp");
    int removed = 0;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo info = entries.fileInfo();
        // Only what replace() names its temporary files, and never through a link.
        if (!info.fileName().startsWith(QLatin1Char('.')) || info.isSymLink() ||
            !matchesPattern(info.fileName(), pattern))
            continue;
        if (info.lastModified().toUTC() < before && QFile::remove(info.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

}  // namespace quarrow::SafeFile

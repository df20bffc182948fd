#include "app/FileLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#ifdef Q_OS_WIN
#include <QLockFile>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace quarrow {

namespace {

QString timedOut(const QString& lock, int wait_ms) {
    return QStringLiteral(
               "another program has been changing it for more than %1 seconds (it holds %2); nothing was "
               "changed, try again when it is done")
        .arg(wait_ms / 1000.0)
        .arg(QDir::toNativeSeparators(lock));
}

QString cannotMake(const QString& lock, const QString& why) {
    return QStringLiteral("its lock %1 cannot be made here (%2)").arg(QDir::toNativeSeparators(lock), why);
}

}  // namespace

QString FileLock::lockFileName(const QString& file) {
    return file + QStringLiteral(".lock");
}

#ifdef Q_OS_WIN

FileLock::FileLock(const QString& file, int wait_ms)
    : m_file(file), m_wait_ms(wait_ms), m_lock(std::make_unique<QLockFile>(lockFileName(file))) {}

FileLock::~FileLock() = default;  // QLockFile lets go of a lock it holds

bool FileLock::acquire(QString* error) {
    if (m_lock->tryLock(m_wait_ms))
        return true;
    const QString lock = lockFileName(m_file);
    const QString reason = m_lock->error() == QLockFile::LockFailedError ? timedOut(lock, m_wait_ms)
                           : m_lock->error() == QLockFile::PermissionError
                               ? cannotMake(lock, QStringLiteral("no permission"))
                               : cannotMake(lock, QStringLiteral("an error"));
    if (error)
        *error = reason;
    return false;
}

#else

FileLock::FileLock(const QString& file, int wait_ms) : m_file(file), m_wait_ms(wait_ms) {}

// Closing the file lets go of the lock.
FileLock::~FileLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

// The system's lock on an open file, not a file made with O_EXCL as Qt's QLockFile does: no
// stale lock to weigh after a crash, and no file made and flushed to the disk at every change
// (a mining run notes where it stands after every stock). The empty file stays, so the next
// change only opens it.
bool FileLock::acquire(QString* error) {
    if (m_fd >= 0)
        return true;
    const QString lock = lockFileName(m_file);
    const int fd =
        ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        if (error)
            *error = cannotMake(lock, qt_error_string(errno));
        return false;
    }
    QDeadlineTimer deadline(m_wait_ms);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
            const int code = errno;
            ::close(fd);
            if (error)
                *error =
                    code == EWOULDBLOCK ? timedOut(lock, m_wait_ms) : cannotMake(lock, qt_error_string(code));
            return false;
        }
        QThread::msleep(5);
    }
    m_fd = fd;
    return true;
}

#endif

}  // namespace quarrow

#include "app/FileLock.h"

#include <QDir>
#include <QLockFile>

namespace quarrow {

FileLock::FileLock(const QString& file, int wait_ms)
    : m_file(file), m_wait_ms(wait_ms), m_lock(std::make_unique<QLockFile>(lockFileName(file))) {}

FileLock::~FileLock() = default;  // QLockFile lets go of a lock it holds

QString FileLock::lockFileName(const QString& file) {
    return file + QStringLiteral(".lock");
}

bool FileLock::acquire(QString* error) {
    if (m_lock->tryLock(m_wait_ms))
        return true;
    QString reason;
    switch (m_lock->error()) {
        case QLockFile::LockFailedError:
            reason = QStringLiteral(
                         "another program has been changing it for more than %1 seconds (it holds %2); "
                         "nothing was changed, try again when it is done")
                         .arg(m_wait_ms / 1000.0)
                         .arg(QDir::toNativeSeparators(lockFileName(m_file)));
            break;
        case QLockFile::PermissionError:
            reason = QStringLiteral("its lock %1 cannot be made here (no permission)")
                         .arg(QDir::toNativeSeparators(lockFileName(m_file)));
            break;
        default:
            reason = QStringLiteral("its lock %1 cannot be made")
                         .arg(QDir::toNativeSeparators(lockFileName(m_file)));
            break;
    }
    if (error)
        *error = reason;
    return false;
}

}  // namespace quarrow

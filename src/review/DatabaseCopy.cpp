#include "review/DatabaseCopy.h"

#include "app/Settings.h"
#include "store/DatabaseBackup.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

DatabaseCopy::DatabaseCopy(Settings& settings, StoreLocation store)
    : m_settings(settings), m_store(std::move(store)) {}

QString DatabaseCopy::proposedPath() const {
    if (!supported())
        return QString();
    return QDir(m_settings.dbCopyFolder()).filePath(QFileInfo(m_store.file).fileName());
}

QString DatabaseCopy::targetFor(const QString& chosen) const {
    if (QFileInfo(chosen).isDir())
        return QDir(chosen).filePath(QFileInfo(m_store.file).fileName());
    return chosen;
}

bool DatabaseCopy::isStoreOwnFile(const QString& target) const {
    static const QStringList companions{QString(), QStringLiteral("-wal"), QStringLiteral("-shm"),
                                        QStringLiteral("-journal")};
    static const QStringList accessLocks{QString(), QStringLiteral(".ldb"), QStringLiteral(".laccdb")};
    if (m_store.kind == StoreKind::Access) {
        const QString base =
            QFileInfo(m_store.file).path() + QLatin1Char('/') + QFileInfo(m_store.file).completeBaseName();
        for (const QString& lock : accessLocks) {
            const QString own = lock.isEmpty() ? m_store.file : base + lock;
            if (DatabaseBackup::isSameFile(target, own))
                return true;
        }
        return false;
    }
    for (const QString& companion : companions) {
        if (DatabaseBackup::isSameFile(target, m_store.file + companion))
            return true;
    }
    return false;
}

DatabaseCopyOutcome DatabaseCopy::copyTo(const QString& chosen) {
    using Status = DatabaseCopyOutcome::Status;
    DatabaseCopyOutcome outcome;
    if (!supported()) {
        outcome.status = Status::Unsupported;
        outcome.notStart(JobReason::InvalidInput, QStringLiteral("an ODBC source has no file to copy"));
        return outcome;
    }
    outcome.target = DatabaseBackup::physicalPath(targetFor(chosen));
    if (isStoreOwnFile(outcome.target)) {
        outcome.status = Status::SamePath;
        outcome.notStart(JobReason::InvalidInput, QStringLiteral("the chosen file is the database itself"));
        return outcome;
    }
    outcome.begin();
    const QString folder = QFileInfo(outcome.target).absolutePath();
    if (!m_settings.writeText(QStringLiteral("Folder"), QStringLiteral("DBCOPY"),
                              QDir::toNativeSeparators(folder + QLatin1Char('/'))))
        outcome.failSettings(m_settings.lastError());
    const bool copied = m_store.kind == StoreKind::SQLite
                            ? DatabaseBackup::copy(m_store.file, outcome.target, &outcome.error)
                            : DatabaseBackup::copyFile(m_store.file, outcome.target, &outcome.error);
    outcome.status = copied ? Status::Copied : Status::Failed;
    if (!copied)
        outcome.fail(JobReason::FilesFailed, outcome.error);
    return outcome;
}

}  // namespace quarrow

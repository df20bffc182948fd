#include "review/DatabaseCopy.h"

#include "app/Settings.h"
#include "store/DatabaseBackup.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

DatabaseCopy::DatabaseCopy(Settings& settings, QString databaseFile)
    : m_settings(settings), m_databaseFile(std::move(databaseFile)) {}

QString DatabaseCopy::proposedPath() const {
    return QDir(m_settings.dbCopyFolder()).filePath(QFileInfo(m_databaseFile).fileName());
}

DatabaseCopyOutcome DatabaseCopy::copyTo(const QString& chosen) {
    using Status = DatabaseCopyOutcome::Status;
    DatabaseCopyOutcome outcome;
    if (DatabaseBackup::isSameFile(chosen, m_databaseFile)) {
        outcome.status = Status::SamePath;
        return outcome;
    }
    const QString folder = QFileInfo(chosen).absolutePath();
    if (!m_settings.writeText(QStringLiteral("Folder"), QStringLiteral("DBCOPY"),
                              QDir::toNativeSeparators(folder + QLatin1Char('/'))))
        outcome.settingError = m_settings.lastError();
    outcome.status =
        DatabaseBackup::copy(m_databaseFile, chosen, &outcome.error) ? Status::Copied : Status::Failed;
    return outcome;
}

}  // namespace quarrow

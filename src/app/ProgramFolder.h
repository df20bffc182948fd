#pragma once

#include <QString>

namespace quarrow {

// The program folder holds the settings file, the database and the report documents.
// It is the executable's folder unless --home or QUARROW_HOME names another.
class ProgramFolder {
public:
    // explicitHome: the --home value, empty when not given.
    static ProgramFolder resolve(const QString& explicitHome);
    explicit ProgramFolder(const QString& path);

    QString path() const { return m_path; }
    QString filePath(const QString& name) const;
    // The folder that keeps one stock's report documents.
    QString stockFolder(const QString& code) const;
    // The settings file, shared by the desktop program and the command line.
    QString settingsFile() const { return filePath(QStringLiteral("quarrow.INI")); }
    QString databaseFile() const { return filePath(QStringLiteral("Quarrow.db")); }

private:
    QString m_path;  // absolute, without a trailing separator
};

}  // namespace quarrow

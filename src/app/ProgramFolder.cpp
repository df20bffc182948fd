#include "app/ProgramFolder.h"

#include "app/Trim.h"

#include <QCoreApplication>
#include <QDir>

namespace quarrow {

ProgramFolder ProgramFolder::resolve(const QString& explicitHome) {
    if (!explicitHome.isEmpty())
        return ProgramFolder(explicitHome);
    const QString fromEnvironment = qEnvironmentVariable("QUARROW_HOME");
    if (!fromEnvironment.isEmpty())
        return ProgramFolder(fromEnvironment);
    return ProgramFolder(QCoreApplication::applicationDirPath());
}

ProgramFolder::ProgramFolder(const QString& path) : m_path(QDir::cleanPath(QDir(path).absolutePath())) {}

QString ProgramFolder::filePath(const QString& name) const {
    return QDir(m_path).filePath(name);
}

QString ProgramFolder::stockFolder(const QString& code) const {
    return filePath(trimBlanks(code));
}

}  // namespace quarrow

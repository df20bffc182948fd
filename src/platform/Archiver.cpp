#include "platform/Archiver.h"

#include <QDir>

namespace quarrow {

namespace {

QString programIn(const QString& folder, const QString& program) {
    if (folder.isEmpty())
        return QString();
    return QDir(folder).filePath(program);
}

}  // namespace

QString Archiver::packerPath(const QString& folder) const {
    return programIn(folder, packerName());
}

QString Archiver::viewerPath(const QString& folder) const {
    return programIn(folder, viewerName());
}

}  // namespace quarrow

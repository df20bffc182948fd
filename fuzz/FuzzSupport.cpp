#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace quarrow::fuzz {

const QList<FuzzCheck>& fuzzChecks() {
    static const QList<FuzzCheck> checks = {
        {"report", &checkReport},        {"table_line", &checkTableLine},
        {"text_codec", &checkTextCodec}, {"daily_bars", &checkDailyBars},
        {"name_table", &checkNameTable}, {"base_dbf", &checkBaseDbf},
        {"hand_kept", &checkHandKept},   {"pasted_list", &checkPastedList},
        {"settings", &checkSettings},    {"download_page", &checkDownloadPage},
    };
    return checks;
}

QString scratchFolder() {
    static const QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("quarrow-fuzz-XXXXXX")));
    return folder.path();
}

QString writeScratchFile(const QString& relative, const QByteArray& bytes) {
    const QString path = QDir(scratchFolder()).filePath(relative);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void removeScratchFile(const QString& relative) {
    QFile::remove(QDir(scratchFolder()).filePath(relative));
}

}  // namespace quarrow::fuzz

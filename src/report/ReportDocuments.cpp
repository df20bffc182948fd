#include "report/ReportDocuments.h"

#include "app/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace quarrow::ReportDocuments {

QString documentName(const QString& code, const QString& reportDate) {
    return code + QLatin1Char('-') + reportDate + QStringLiteral("变动资料.txt");
}

bool writeDocument(const QString& path, const QStringList& lines, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    const QByteArray bytes = TextCodec::encodeGbk(text);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

std::optional<QStringList> readDocument(const QString& path, QString* error, bool* replaced) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return TextCodec::splitLines(TextCodec::decode(file.readAll(), replaced));
}

QStringList listDocuments(const QString& folder, const QString& mask) {
    return QDir(folder).entryList({mask}, QDir::Files | QDir::Hidden, QDir::Name);
}

QString archiverPath(const QString& rarFolder) {
#ifdef Q_OS_WIN
    const QString program = QStringLiteral("RAR.exe");
#else
    const QString program = QStringLiteral("rar");
#endif
    if (rarFolder.isEmpty())
        return QString();
    return QDir(rarFolder).filePath(program);
}

}  // namespace quarrow::ReportDocuments

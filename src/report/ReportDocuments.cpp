#include "report/ReportDocuments.h"

#include "app/SafeFile.h"
#include "app/TextCodec.h"

#include <QDir>

namespace quarrow::ReportDocuments {

QString documentName(const QString& code, const QString& reportDate) {
    return code + QLatin1Char('-') + reportDate + QStringLiteral("变动资料.txt");
}

bool writeDocument(const QString& path, const QStringList& lines, QString* error) {
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return SafeFile::replace(path, TextCodec::encodeGbk(text), error);
}

std::optional<QStringList> readDocument(const QString& path, QString* error, bool* replaced) {
    QByteArray bytes;
    if (!SafeFile::readRegular(path, &bytes, error))
        return std::nullopt;
    return TextCodec::splitLines(TextCodec::decode(bytes, replaced));
}

QStringList listDocuments(const QString& folder, const QString& mask) {
    return QDir(folder).entryList({mask}, QDir::Files | QDir::Hidden, QDir::Name);
}

}  // namespace quarrow::ReportDocuments

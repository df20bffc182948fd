#include "report/ReportDocuments.h"

#include "app/SafeFile.h"
#include "app/TextCodec.h"

#include <QDir>
#include <QDirIterator>

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
    // A mask of the form "*.txt" is an ending, compared without regard to case as QDir
    // compares its masks. QDir would compile a regular expression for the mask at every
    // listing, which costs more than reading a stock's folder.
    const QString ending = mask.mid(1);
    if (!mask.startsWith(QLatin1Char('*')) || ending.contains(QLatin1Char('*')) ||
        ending.contains(QLatin1Char('?')) || ending.contains(QLatin1Char('[')))
        return QDir(folder).entryList({mask}, QDir::Files | QDir::Hidden, QDir::Name);
    QStringList names;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (name.endsWith(ending, Qt::CaseInsensitive))
            names.append(name);
    }
    names.sort();  // QDir::Name's order
    return names;
}

}  // namespace quarrow::ReportDocuments

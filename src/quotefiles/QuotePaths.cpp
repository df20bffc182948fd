#include "quotefiles/QuotePaths.h"

#include <QDir>

#include <initializer_list>

namespace quarrow::QuotePaths {

namespace {

// The quote folder and the parts below it, the quote program's "\" turned into the
// system's separator, put together in one allocation: a screening names 5,000 files.
QString joined(const QString& quoteFolder, std::initializer_list<QStringView> below) {
    const QChar separator = QDir::separator();
    qsizetype size = quoteFolder.size() + 1;
    for (const QStringView part : below)
        size += part.size();
    QString path;
    path.reserve(size);
    path += quoteFolder;
    // A folder typed with forward slashes on Windows gets the system's own, like the rest.
    if (separator != QLatin1Char('/'))
        path.replace(QLatin1Char('/'), separator);
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('\\')))
        path += separator;
    const qsizetype start = path.size();
    for (const QStringView part : below)
        path += part;
    QChar* characters = path.data();
    for (qsizetype i = start; i < path.size(); ++i) {
        if (characters[i] == QLatin1Char('\\'))
            characters[i] = separator;
    }
    return path;
}

}  // namespace

QString quoteFilePath(const QString& quoteFolder, const QString& relative) {
    return joined(quoteFolder, {relative});
}

QString marketOf(const QString& prefixedCode) {
    return prefixedCode.left(2);
}

QString dailyBarFile(const QString& quoteFolder, const QString& prefixedCode) {
    return joined(quoteFolder,
                  {u"Vipdoc\\", QStringView(prefixedCode).left(2), u"\\lday\\", prefixedCode, u".day"});
}

QString nameTableFile(const QString& quoteFolder, const QString& market) {
    return quoteFilePath(quoteFolder, QStringLiteral("T0002\\hq_cache\\") + market + QStringLiteral("m.tnf"));
}

QString baseDbfFile(const QString& quoteFolder) {
    return quoteFilePath(quoteFolder, QStringLiteral("T0002\\hq_cache\\base.dbf"));
}

}  // namespace quarrow::QuotePaths

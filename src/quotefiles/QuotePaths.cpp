#include "quotefiles/QuotePaths.h"

#include <QDir>

namespace quarrow::QuotePaths {

QString quoteFilePath(const QString& quoteFolder, const QString& relative) {
    const QChar separator = QDir::separator();
    QString path = quoteFolder;
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('\\')))
        path += separator;
    QString below = relative;
    below.replace(QLatin1Char('\\'), separator);
    return path + below;
}

QString marketOf(const QString& prefixedCode) {
    return prefixedCode.left(2);
}

QString dailyBarFile(const QString& quoteFolder, const QString& prefixedCode) {
    return quoteFilePath(quoteFolder, QStringLiteral("Vipdoc\\") + marketOf(prefixedCode) +
                                          QStringLiteral("\\lday\\") + prefixedCode + QStringLiteral(".day"));
}

QString nameTableFile(const QString& quoteFolder, const QString& market) {
    return quoteFilePath(quoteFolder, QStringLiteral("T0002\\hq_cache\\") + market + QStringLiteral("m.tnf"));
}

QString baseDbfFile(const QString& quoteFolder) {
    return quoteFilePath(quoteFolder, QStringLiteral("T0002\\hq_cache\\base.dbf"));
}

}  // namespace quarrow::QuotePaths

#pragma once

#include <QString>

namespace quarrow {

// Every file of the quote program's installation folder is named through here, so the
// folder's separator (the program writes "\" below it; Linux wants "/") is decided once.
namespace QuotePaths {

// quoteFolder may end with a separator or not; relative is written the quote program's
// way, with "\" between folders.
QString quoteFilePath(const QString& quoteFolder, const QString& relative);

// "sh" or "sz": the first two characters of a prefixed code.
QString marketOf(const QString& prefixedCode);

// Vipdoc\<market>\lday\<prefixed code>.day
QString dailyBarFile(const QString& quoteFolder, const QString& prefixedCode);
// T0002\hq_cache\<market>m.tnf
QString nameTableFile(const QString& quoteFolder, const QString& market);
// T0002\hq_cache\base.dbf
QString baseDbfFile(const QString& quoteFolder);

}  // namespace QuotePaths

}  // namespace quarrow

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quarrow::ReportDocuments {

// A stock's report documents live in the folder named by its code in the program folder,
// as "<code>-<yyyy-mm-dd>变动资料.txt", so name order is date order.
QString documentName(const QString& code, const QString& reportDate);

// Writes the report lines as GB18030 text with Windows line ends: GBK's own bytes for every
// GBK character, so the files move freely between our installations, and nothing lost for
// the characters GBK lacks. Replaces any old file only once the new one is complete.
bool writeDocument(const QString& path, const QStringList& lines, QString* error);

// Reads a saved or captured report: a byte-order mark decides the encoding, else the
// bytes are GBK unless they clearly are UTF-8 (TextCodec::decode). *replaced tells the
// caller to warn that bytes fitting neither became replacement characters. Nothing when
// the file cannot be read.
std::optional<QStringList> readDocument(const QString& path, QString* error, bool* replaced = nullptr);

// The files (not folders) of a folder that match a mask such as "*.txt", in name order.
QStringList listDocuments(const QString& folder, const QString& mask);

}  // namespace quarrow::ReportDocuments

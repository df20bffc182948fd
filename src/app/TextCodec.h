#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quarrow {

// Text files move between our installations and the users' Windows machines, whose ANSI
// code page is 936 (GBK). Every external text is decoded explicitly, never by locale.
namespace TextCodec {

// A byte-order mark decides; otherwise valid UTF-8 is UTF-8 and anything else is GBK.
QString decode(const QByteArray& bytes);
QString decodeGbk(const QByteArray& bytes);
QByteArray encodeGbk(const QString& text);

// Splits a text into lines the way a memo loads it: CR LF, LF and CR all end a line, and
// a final line break does not add an empty line.
QStringList splitLines(const QString& text);

}  // namespace TextCodec

}  // namespace quarrow

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quarrow {

// Text files move between our installations and the users' Windows machines, whose ANSI
// code page is 936 (GBK). Every external text is decoded explicitly, never by locale.
namespace TextCodec {

// A byte-order mark decides. Without one the bytes are read as UTF-8 only when they look
// like UTF-8 (looksLikeUtf8), otherwise as GBK. *replaced tells whether bytes that fit
// neither reading were turned into replacement characters.
QString decode(const QByteArray& bytes, bool* replaced = nullptr);

// For bytes without a byte-order mark: whether UTF-8 reads them better than GBK. Short
// texts are often valid in both; there GBK wins, as the Windows programs write it.
bool looksLikeUtf8(const QByteArray& bytes);

// GBK text is read and written as GB18030: it keeps GBK's bytes for every GBK character
// and has bytes for every other character too, so nothing is lost on the way to disk.
QString decodeGbk(const QByteArray& bytes, bool* replaced = nullptr);
QByteArray encodeGbk(const QString& text);
// Whether code page 936 itself (what the Windows programs read) holds every character.
bool fitsGbk(const QString& text);
// Whether encodeGbk keeps every character: GB18030 through Qt's converter or the system's;
// not on a system that converts GBK alone (Wine), where the others become "?".
bool keepsEveryCharacter();

// Splits a text into lines the way a memo loads it: CR LF, LF and CR all end a line, and
// a final line break does not add an empty line. Some programs end every line twice
// ("\r\r\n", or "\n\r"): such a text is the same text, not one with a blank line after
// each line, so those end one line too. A blank line of a plain text ("\r\n\r\n") stays.
// Every reader of report text (the clipboard, saved documents, the command line's files)
// goes through this one rule.
QStringList splitLines(const QString& text);

}  // namespace TextCodec

}  // namespace quarrow

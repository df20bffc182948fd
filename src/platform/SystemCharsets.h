#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quarrow::SystemCharsets {

// How sure the system's charset detector is, from 0 to 100, that some bytes are GB18030
// (GBK), weighing the GB characters by how common they are; it reads no more than their
// first 8 KiB. Nothing where the system has no detector (a Windows before 10 version 1903,
// Wine): the caller decides by its own rule then.
std::optional<int> gb18030Confidence(const QByteArray& bytes);

// Whether the system itself converts GB18030: every Windows since XP does, Wine does not (it
// has GBK alone, whose characters GB18030 keeps under the same bytes).
bool convertsGb18030();

// GB18030 through the system's own converter, for a Qt without a converter of its own for
// it (a Qt built without ICU, as on Windows), or GBK where the system lacks GB18030. Nothing
// where Qt's converter serves.
// *replaced tells whether bytes that are no GB18030 became replacement characters, one
// for each such byte.
std::optional<QString> decodeGb18030(const QByteArray& bytes, bool* replaced);
std::optional<QByteArray> encodeGb18030(const QString& text);
// Whether code page 936, the one the Windows programs read, holds every character.
std::optional<bool> fitsCodePage936(const QString& text);

}  // namespace quarrow::SystemCharsets

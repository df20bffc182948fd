#pragma once

#include <QString>

namespace quarrow {

// The one trimming rule of the program: every character up to U+0020 is a blank (space,
// tab, line ends and the other control characters); nothing above it is. So a full-width
// space U+3000 or a no-break space U+00A0 at the end of a name stays part of the name.
// Department names, descriptions and the record keys made from them have always been cut
// this way, and the stored keys of existing databases depend on it.
inline bool isBlank(QChar c) {
    return c.unicode() <= 0x20;
}

// The text without blanks at either end.
QString trimBlanks(const QString& text);

}  // namespace quarrow

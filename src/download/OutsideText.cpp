#include "download/OutsideText.h"

namespace quarrow {

namespace {

bool unsafe(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) ||
           // bidirectional overrides and isolates, line and paragraph separators
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029 ||
           c == 0x200E || c == 0x200F || c == 0x061C;
}

}  // namespace

QString printableText(const QString& text, int maxChars) {
    QString shown = text.size() > maxChars ? text.left(maxChars) : text;
    for (QChar& c : shown) {
        if (unsafe(c.unicode()))
            c = QChar(QChar::ReplacementCharacter);
    }
    if (text.size() > maxChars)
        shown += QChar(0x2026);
    return shown;
}

}  // namespace quarrow

#pragma once

#include <QString>

namespace quarrow {

// Text that came from outside (a server's answer, a cell of its page) made safe to show on
// a terminal or in a message: control characters, and the ones that reorder or hide text,
// become U+FFFD, so a page cannot clear the screen or retitle the window; past maxChars
// the text is cut and ends in "…".
QString printableText(const QString& text, int maxChars = 200);

}  // namespace quarrow

#pragma once

#include <QString>

namespace quarrow {

// Text that came from outside (a server's answer, a cell of its page) made safe to show on
// a terminal or in a message: control characters, and the ones that reorder or hide text,
// become U+FFFD, so a page cannot clear the screen or retitle the window; past maxChars
// the text is cut and ends in "…".
QString printableText(const QString& text, int maxChars = 200);

// A page shown as plain text: tags dropped, cells apart by a tab and rows by a line end,
// the common entities read, at most maxChars of it. Nothing the page names is loaded.
QString pageTextForView(const QString& html, int maxChars = 64 * 1024);

}  // namespace quarrow

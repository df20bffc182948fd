#include "download/OutsideText.h"

#include <utility>

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

QString pageTextForView(const QString& html, int maxChars) {
    static const std::pair<const char*, char16_t> kEntities[] = {{"&amp;", u'&'},  {"&lt;", u'<'},
                                                                 {"&gt;", u'>'},   {"&quot;", u'"'},
                                                                 {"&#39;", u'\''}, {"&nbsp;", u' '}};
    QString text;
    qsizetype i = 0;
    while (i < html.size() && text.size() < maxChars) {
        const QChar c = html.at(i);
        if (c == QLatin1Char('<')) {
            const qsizetype close = html.indexOf(QLatin1Char('>'), i);
            const QStringView tag = QStringView(html).mid(i + 1, close < 0 ? -1 : close - i - 1);
            if (tag.startsWith(QLatin1String("tr"), Qt::CaseInsensitive))
                text += QLatin1Char('\n');
            else if (tag.startsWith(QLatin1String("td"), Qt::CaseInsensitive) ||
                     tag.startsWith(QLatin1String("th"), Qt::CaseInsensitive))
                text += QLatin1Char('\t');
            i = close < 0 ? html.size() : close + 1;
            continue;
        }
        if (c == QLatin1Char('&')) {
            bool known = false;
            for (const auto& [name, value] : kEntities) {
                if (QStringView(html).mid(i).startsWith(QLatin1String(name))) {
                    text += QChar(value);
                    i += qsizetype(qstrlen(name));
                    known = true;
                    break;
                }
            }
            if (known)
                continue;
        }
        text += (c == QLatin1Char('\t') || c == QLatin1Char('\n')) ? c : printableText(QString(c), 1);
        ++i;
    }
    return text;
}

}  // namespace quarrow

#include "report/TableLineSplitter.h"

#include "app/Trim.h"

namespace quarrow {

namespace {

constexpr char16_t kDelimiter = u'|';
constexpr char16_t kQuote = u'"';

}  // namespace

QStringList splitTableLine(const QString& input) {
    QString line = input;
    line.replace(QChar(0xFF5C), QLatin1Char('|'));

    QStringList fields;
    const qsizetype size = line.size();
    const char16_t* text = reinterpret_cast<const char16_t*>(line.constData());
    qsizetype p = 0;
    while (p < size && isBlank(QChar(text[p])))
        ++p;
    while (p < size) {
        QString field;
        if (text[p] == kQuote) {
            ++p;
            while (p < size) {
                if (text[p] == kQuote) {
                    if (p + 1 < size && text[p + 1] == kQuote) {
                        field += QChar(kQuote);
                        p += 2;
                        continue;
                    }
                    ++p;  // the closing quote
                    break;
                }
                field += QChar(text[p]);
                ++p;
            }
        } else {
            const qsizetype start = p;
            while (p < size && !isBlank(QChar(text[p])) && text[p] != kDelimiter)
                ++p;
            field = line.mid(start, p - start);
        }
        fields.append(trimBlanks(field));
        while (p < size && isBlank(QChar(text[p])))
            ++p;
        if (p < size && text[p] == kDelimiter) {
            if (p + 1 == size)
                fields.append(QString());  // a closing delimiter opens one last, empty field
            ++p;
            while (p < size && isBlank(QChar(text[p])))
                ++p;
        }
    }
    return fields;
}

}  // namespace quarrow

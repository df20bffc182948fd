// The text every report and table goes through: the decoder, the line split, and the
// split of a report table's line into fields.
#include "FuzzSupport.h"

#include "app/TextCodec.h"
#include "app/Trim.h"
#include "report/TableLineSplitter.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace quarrow::fuzz {

namespace {

bool isSeparator(QChar c) {
    return isBlank(c) || c == QLatin1Char('|') || c.unicode() == 0xFF5C;
}

QString withoutSeparators(const QString& text) {
    QString kept;
    for (const QChar c : text) {
        if (!isSeparator(c))
            kept += c;
    }
    return kept;
}

// Fields written back as a table line that quotes every one of them.
QString quotedLine(const QStringList& fields) {
    QStringList quoted;
    for (QString field : fields)
        quoted << QLatin1Char('"') + field.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                      QLatin1Char('"');
    return quoted.join(QLatin1Char('|'));
}

// The text less its line breaks: what the lines of a text hold between them, whichever
// way its lines end (a doubled "\r\r\n" or "\n\r" ends one line, not two).
QString withoutLineBreaks(QString text) {
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

qsizetype lineBreaks(const QString& text) {
    return text.count(QLatin1Char('\r')) + text.count(QLatin1Char('\n'));
}

QByteArray utf16Le(const QString& text) {
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::Stateless);
    return encoder.encode(text);
}

}  // namespace

QString checkTableLine(const QByteArray& input) {
    const QString line = QString::fromUtf8(input);
    const QStringList fields = splitTableLine(line);
    Findings findings;
    for (const QString& field : fields) {
        findings.expect(field == trimBlanks(field), QStringLiteral("field \"%1\" is not trimmed").arg(field));
        findings.expect(!field.contains(QChar(0xFF5C)),
                        QStringLiteral("field \"%1\" keeps a full-width bar").arg(field));
        if (!line.contains(QLatin1Char('"'))) {
            findings.expect(!field.contains(QLatin1Char('|')),
                            QStringLiteral("unquoted field \"%1\" holds a bar").arg(field));
            bool blank = false;
            for (const QChar c : field)
                blank = blank || isBlank(c);
            findings.expect(!blank, QStringLiteral("unquoted field \"%1\" holds a blank").arg(field));
        }
    }
    if (!line.contains(QLatin1Char('"')))
        findings.expect(withoutSeparators(fields.join(QString())) == withoutSeparators(line),
                        QStringLiteral("the fields lost or gained characters of the line"));
    findings.expect(splitTableLine(quotedLine(fields)) == fields,
                    QStringLiteral("the fields written back quoted do not split into themselves"));
    return findings.report();
}

QString checkTextCodec(const QByteArray& input) {
    Findings findings;
    const QString text = TextCodec::decode(input);
    const QStringList lines = TextCodec::splitLines(text);
    for (const QString& line : lines)
        findings.expect(!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r')),
                        QStringLiteral("a line holds a line break"));
    findings.expect(withoutLineBreaks(lines.join(QString())) == withoutLineBreaks(text),
                    QStringLiteral("the lines joined again are not the text"));
    // Every line but the last ends with one to three break characters.
    const qsizetype breaks = lineBreaks(text);
    findings.expect(lines.size() <= breaks + 1 && lines.size() * 3 >= breaks,
                    QStringLiteral("the lines are not as many as the text's line breaks end"));

    // Without a byte-order mark the bytes are read as UTF-8 or as GBK, never a third way;
    // read without a replacement, the text is written back to the very bytes.
    bool replaced = true;
    const QString again = TextCodec::decode(input, &replaced);
    findings.expect(again == text, QStringLiteral("the same bytes decode to two texts"));
    if (!QStringConverter::encodingForData(input)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        // The decoder makes the non-characters U+FFFE and U+FFFF replacement characters.
        QString asUtf8 = utf8.decode(input);
        asUtf8.replace(QChar(0xFFFE), QChar::ReplacementCharacter)
            .replace(QChar(0xFFFF), QChar::ReplacementCharacter);
        const bool readAsUtf8 = text == asUtf8 && !(text == TextCodec::decodeGbk(input));
        findings.expect(text == asUtf8 || text == TextCodec::decodeGbk(input),
                        QStringLiteral("the text is neither the UTF-8 nor the GBK reading of the bytes"));
        if (!replaced)
            findings.expect(
                (readAsUtf8 ? text.toUtf8() : TextCodec::encodeGbk(text)) == input,
                QStringLiteral("a text read without a replacement is not written back to its bytes"));
    }

    // Whatever the bytes were, the text they gave comes back from its UTF-8 and UTF-16
    // forms with a mark, and from GB18030, which holds every character. (A text starting
    // with U+0000 has UTF-16's mark read as UTF-32's: that is what the marks mean.)
    findings.expect(
        QStringView(text).isValidUtf16() && !text.contains(QChar(0xFFFE)) && !text.contains(QChar(0xFFFF)),
        QStringLiteral("the text holds a surrogate without its partner or a non-character"));
    findings.expect(TextCodec::decode("\xEF\xBB\xBF" + text.toUtf8()) == text,
                    QStringLiteral("UTF-8 with its mark does not decode as itself"));
    if (!text.startsWith(QChar(0)))
        findings.expect(TextCodec::decode("\xFF\xFE" + utf16Le(text)) == text,
                        QStringLiteral("UTF-16 with its mark does not decode as itself"));
    findings.expect(TextCodec::decodeGbk(TextCodec::encodeGbk(text)) == text,
                    QStringLiteral("the text does not survive being written and read as GBK"));
    return findings.report();
}

}  // namespace quarrow::fuzz

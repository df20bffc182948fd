// The text every report and table goes through: the decoder, the line split, and the
// split of a report table's line into fields.
#include "FuzzSupport.h"

#include "app/TextCodec.h"
#include "report/TableLineSplitter.h"

#include <QStringEncoder>

namespace quarrow::fuzz {

namespace {

bool isSeparator(QChar c) {
    return c.unicode() <= 0x20 || c.isSpace() || c == QLatin1Char('|') || c.unicode() == 0xFF5C;
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

// What the lines of a text joined with LF must give: every line end made LF, less the
// final one.
QString normalisedLineEnds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
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
        findings.expect(field == field.trimmed(), QStringLiteral("field \"%1\" is not trimmed").arg(field));
        findings.expect(!field.contains(QChar(0xFF5C)),
                        QStringLiteral("field \"%1\" keeps a full-width bar").arg(field));
        if (!line.contains(QLatin1Char('"'))) {
            findings.expect(!field.contains(QLatin1Char('|')),
                            QStringLiteral("unquoted field \"%1\" holds a bar").arg(field));
            bool blank = false;
            for (const QChar c : field)
                blank = blank || c.unicode() <= 0x20;
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
    findings.expect(lines.join(QLatin1Char('\n')) == normalisedLineEnds(text),
                    QStringLiteral("the lines joined again are not the text"));

    // Whatever the bytes were, the text they gave comes back from its own UTF-8 and UTF-16
    // forms. (A text starting with U+FEFF has its mark taken for a byte-order mark without
    // one; a text starting with U+0000 has UTF-16's mark read as UTF-32's: both are what
    // the marks mean.)
    if (QStringView(text).isValidUtf16()) {
        const QByteArray utf8 = text.toUtf8();
        if (!text.startsWith(QChar(0xFEFF)))
            findings.expect(TextCodec::decode(utf8) == text,
                            QStringLiteral("UTF-8 does not decode as itself"));
        findings.expect(TextCodec::decode("\xEF\xBB\xBF" + utf8) == text,
                        QStringLiteral("UTF-8 with its mark does not decode as itself"));
        if (!text.startsWith(QChar(0)))
            findings.expect(TextCodec::decode("\xFF\xFE" + utf16Le(text)) == text,
                            QStringLiteral("UTF-16 with its mark does not decode as itself"));
    }
    // A GBK text written again as GBK reads the same.
    const QString gbk = TextCodec::decodeGbk(input);
    if (!gbk.contains(QChar(QChar::ReplacementCharacter)))
        findings.expect(TextCodec::decodeGbk(TextCodec::encodeGbk(gbk)) == gbk,
                        QStringLiteral("GBK text does not survive being written and read again"));
    return findings.report();
}

}  // namespace quarrow::fuzz

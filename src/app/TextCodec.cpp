#include "app/TextCodec.h"

#include "platform/SystemCharsets.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace quarrow::TextCodec {

namespace {

bool isAscii(const QByteArray& bytes) {
    return std::none_of(bytes.begin(), bytes.end(),
                        [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Chinese text in UTF-8 takes three bytes a character. A GBK text that happens to be
// valid UTF-8 is nearly always made of two-byte sequences: the GBK bytes of "水", CB AE,
// are the UTF-8 of "ˮ".
bool holdsWideCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x800 && c != QChar::ReplacementCharacter; });
}

// Without a detector (a Windows without its ICU): UTF-8 when its wide characters outnumber
// the broken sequences by far, so one broken sequence in a long UTF-8 report still leaves
// UTF-8, while GBK read as UTF-8 breaks at nearly every character.
bool utf8ByRule(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    const auto wide = std::count_if(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x800 && c != QChar::ReplacementCharacter;
    });
    const auto broken = text.count(QChar::ReplacementCharacter);
    return wide >= 20 * broken;
}

// The decoders pass a surrogate without its partner (UTF-16) and the non-characters
// U+FFFE and U+FFFF through. Such a text is no text: SQLite, for one, gives back other
// characters than the ones a record key was made from. Each becomes a replacement
// character like any other broken sequence.
bool replaceNonCharacters(QString& text) {
    bool found = false;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate() || c.unicode() >= 0xFFFE) {
            text[i] = QChar(QChar::ReplacementCharacter);
            found = true;
        }
    }
    return found;
}

void report(bool* replaced, bool value) {
    if (replaced)
        *replaced = value;
}

QString decodeWith(QStringDecoder& decoder, const QByteArray& bytes, bool* replaced) {
    QString text = decoder.decode(bytes);
    const bool nonCharacters = replaceNonCharacters(text);
    report(replaced, decoder.hasError() || nonCharacters);
    return text;
}

}  // namespace

bool looksLikeUtf8(const QByteArray& bytes) {
    if (isAscii(bytes))
        return false;  // the same text either way; GBK keeps the Windows programs' encoding
    if (!holdsWideCharacter(QString::fromUtf8(bytes)))
        return false;
    const auto confidence = SystemCharsets::detect(bytes);
    if (!confidence)
        return utf8ByRule(bytes);
    return confidence->utf8 > confidence->gb18030;
}

QString decode(const QByteArray& bytes, bool* replaced) {
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom, QStringDecoder::Flag::Stateless);
        return decodeWith(decoder, bytes, replaced);  // the decoder drops the mark itself
    }
    if (looksLikeUtf8(bytes)) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return decodeWith(decoder, bytes, replaced);
    }
    return decodeGbk(bytes, replaced);
}

QString decodeGbk(const QByteArray& bytes, bool* replaced) {
    QStringDecoder decoder("GB18030", QStringDecoder::Flag::Stateless);
    if (decoder.isValid())
        return decodeWith(decoder, bytes, replaced);
    // A Qt without converters of its own for it: the system's.
    if (auto text = SystemCharsets::decodeGb18030(bytes, replaced)) {
        if (replaceNonCharacters(*text))
            report(replaced, true);
        return *text;
    }
    report(replaced, false);
    return QString::fromLocal8Bit(bytes);
}

QByteArray encodeGbk(const QString& text) {
    QStringEncoder encoder("GB18030", QStringEncoder::Flag::Stateless);
    if (encoder.isValid())
        return encoder.encode(text);
    if (auto bytes = SystemCharsets::encodeGb18030(text))
        return *bytes;
    return text.toLocal8Bit();
}

bool fitsGbk(const QString& text) {
    QStringEncoder encoder("GBK", QStringEncoder::Flag::Stateless);
    if (!encoder.isValid())
        return SystemCharsets::fitsCodePage936(text).value_or(false);
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError();
}

bool keepsEveryCharacter() {
    return QStringEncoder("GB18030").isValid() || SystemCharsets::convertsGb18030();
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

}  // namespace quarrow::TextCodec

#include "app/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <unicode/ucsdet.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

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

struct Confidence {
    int utf8 = 0;
    int gb18030 = 0;
};

// ICU's charset detector: how sure it is, from 0 to 100, that the bytes are UTF-8 and
// that they are GB18030 (GBK). It counts invalid sequences against the valid ones and
// weighs the GB characters by how common they are, so one broken sequence in a long
// UTF-8 report still leaves UTF-8 far ahead.
Confidence detectorConfidence(const QByteArray& bytes) {
    Confidence confidence;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status),
                                                                              &ucsdet_close);
    if (U_FAILURE(status))
        return confidence;
    const auto length =
        static_cast<int32_t>(std::min<qsizetype>(bytes.size(), std::numeric_limits<int32_t>::max()));
    ucsdet_setText(detector.get(), bytes.constData(), length, &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status))
        return confidence;
    for (int32_t i = 0; i < count; ++i) {
        const char* name = ucsdet_getName(matches[i], &status);
        const int32_t value = ucsdet_getConfidence(matches[i], &status);
        if (U_FAILURE(status))
            break;
        if (std::strcmp(name, "UTF-8") == 0)
            confidence.utf8 = std::max(confidence.utf8, static_cast<int>(value));
        else if (std::strcmp(name, "GB18030") == 0)
            confidence.gb18030 = std::max(confidence.gb18030, static_cast<int>(value));
    }
    return confidence;
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
    const Confidence confidence = detectorConfidence(bytes);
    return confidence.utf8 > confidence.gb18030;
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
    if (!decoder.isValid()) {
        report(replaced, false);
        return QString::fromLocal8Bit(bytes);  // a Qt without ICU: the ANSI code page
    }
    return decodeWith(decoder, bytes, replaced);
}

QByteArray encodeGbk(const QString& text) {
    QStringEncoder encoder("GB18030", QStringEncoder::Flag::Stateless);
    if (!encoder.isValid())
        return text.toLocal8Bit();
    return encoder.encode(text);
}

bool fitsGbk(const QString& text) {
    QStringEncoder encoder("GBK", QStringEncoder::Flag::Stateless);
    if (!encoder.isValid())
        return false;
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError();
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

#include "app/TextCodec.h"

#include "platform/SystemCharsets.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

namespace quarrow::TextCodec {

namespace {

// A pass over the bytes as UTF-8: the well-formed sequences of two to four bytes, the
// broken ones (a byte no sequence starts with, a sequence cut short by a byte that does not
// continue it, overlong forms and surrogates), and whether a well-formed sequence of three
// or four bytes is among them. A sequence cut short by the end of the bytes is neither:
// that is a file cut short, not a sign of another encoding.
struct Utf8Census {
    qsizetype highBytes = 0;
    qsizetype valid = 0;
    qsizetype broken = 0;
    bool wide = false;
    // The pass stopped early: so many sequences were broken that the rest of the bytes,
    // however well-formed, could not make them a tenth of the whole (see looksLikeUtf8).
    bool tooBroken = false;
};

Utf8Census utf8Census(const QByteArray& bytes) {
    Utf8Census census;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        ++census.highBytes;
        int length = 0;
        unsigned char low = 0x80;  // the range of the second byte; the others are 80 … BF
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;   // shorter forms belong to two bytes
            high = lead == 0xED ? 0x9F : 0xBF;  // ED A0 … is a surrogate
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;  // beyond U+10FFFF
        }
        if (length == 0) {
            ++census.broken;
            ++i;
        } else {
            qsizetype k = 1;
            for (; k < length && i + k < size; ++k) {
                const unsigned char next = data[i + k];
                if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                    break;
            }
            if (k == length) {
                ++census.valid;
                census.wide = census.wide || length >= 3;
            } else if (i + k < size) {
                ++census.broken;
            }
            i += k;
        }
        // At most one more well-formed sequence for every two bytes left.
        if (census.broken > 0 && census.valid + (size - i) / 2 <= census.broken * 10) {
            census.tooBroken = true;
            break;
        }
    }
    return census;
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
    const Utf8Census census = utf8Census(bytes);
    // Broken sequences are common in GBK read as UTF-8, rare in real UTF-8: with as many
    // as one in ten, UTF-8 is out of the question. Most documents, and every one this
    // program writes (GB18030), are decided here, within their first few hundred bytes.
    if (census.tooBroken || census.valid <= census.broken * 10)
        return false;
    // Plain ASCII is the same text either way; GBK keeps the Windows programs' encoding.
    // Without a character of three bytes or more the bytes are GBK (see the header).
    if (census.highBytes == 0 || !census.wide)
        return false;
    // Well-formed throughout, with a character of three bytes: UTF-8, however short.
    if (census.broken == 0)
        return true;
    // Mostly UTF-8 with a few broken sequences, as in a report damaged in one place: the
    // only case where the bytes leave a real doubt. UTF-8 counts as 25 out of 100 there,
    // the confidence ICU itself gives such bytes, against the GB characters' statistics.
    constexpr int kDamagedUtf8Confidence = 25;
    if (const std::optional<int> gb18030 = SystemCharsets::gb18030Confidence(bytes))
        return kDamagedUtf8Confidence > *gb18030;
    // Without a detector (a Windows without its ICU): UTF-8 while the well-formed sequences
    // outnumber the broken ones by far, since GBK read as UTF-8 breaks at nearly every
    // character.
    return census.valid >= census.broken * 20;
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
    const auto at = [&text, size](qsizetype i) { return i < size ? text.at(i).unicode() : char16_t(0); };
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c != u'\n' && c != u'\r')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && at(i + 1) == u'\r' && at(i + 2) == u'\n')
            i += 2;  // CR CR LF
        else if (c == u'\r' && at(i + 1) == u'\n')
            ++i;  // CR LF
        else if (c == u'\n' && at(i + 1) == u'\r' && at(i + 2) != u'\n')
            ++i;  // LF CR, unless the CR begins a CR LF of its own
        start = i + 1;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

}  // namespace quarrow::TextCodec

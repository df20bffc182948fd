#include "app/SettingsFile.h"

#include "app/FileLock.h"
#include "app/SafeFile.h"
#include "app/TextCodec.h"
#include "app/Trim.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

namespace quarrow {

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The profile functions drop one pair of quotes around a value.
QString unquote(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

}  // namespace

IniDocument IniDocument::parse(const QString& text) {
    IniDocument document;
    if (!text.contains(QStringLiteral("\r\n")) && text.contains(QLatin1Char('\n')))
        document.m_lineEnd = QStringLiteral("\n");
    document.m_lines = TextCodec::splitLines(text);
    return document;
}

QString IniDocument::toText() const {
    QString text;
    for (const QString& line : m_lines) {
        text += line;
        text += m_lineEnd;
    }
    return text;
}

std::optional<QString> IniDocument::sectionName(const QString& line) {
    const QString trimmed = trimBlanks(line);
    if (!trimmed.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return trimBlanks(trimmed.mid(1, close - 1));
}

bool IniDocument::splitEntry(const QString& line, QString* key, QString* value) {
    const QString trimmed = trimBlanks(line);
    if (trimmed.startsWith(QLatin1Char(';')))
        return false;
    const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return false;
    *key = trimBlanks(trimmed.left(equals));
    *value = unquote(trimBlanks(trimmed.mid(equals + 1)));
    return true;
}

std::optional<IniDocument::SectionRange> IniDocument::findSection(const QString& section, int from) const {
    const int count = static_cast<int>(m_lines.size());
    for (int i = from; i < count; ++i) {
        const auto name = sectionName(m_lines.at(i));
        if (!name || !sameName(*name, section))
            continue;
        SectionRange range;
        range.heading = i;
        range.end = i + 1;
        while (range.end < count && !sectionName(m_lines.at(range.end)))
            ++range.end;
        return range;
    }
    return std::nullopt;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const {
    const auto range = findSection(section);
    if (!range)
        return std::nullopt;
    QString name;
    QString value;
    for (int i = range->heading + 1; i < range->end; ++i) {
        if (splitEntry(m_lines.at(i), &name, &value) && sameName(name, key))
            return value;
    }
    return std::nullopt;
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'))) {
        m_refusedValue = true;
        return;
    }
    const auto range = findSection(section);
    if (!range) {
        m_lines << QLatin1Char('[') + section + QLatin1Char(']');
        m_lines << key + QLatin1Char('=') + value;
        return;
    }
    QString name;
    QString old;
    int last = range->heading;
    for (int i = range->heading + 1; i < range->end; ++i) {
        if (!trimBlanks(m_lines.at(i)).isEmpty())
            last = i;
        if (splitEntry(m_lines.at(i), &name, &old) && sameName(name, key)) {
            m_lines[i] = name + QLatin1Char('=') + value;  // the file's own spelling of the key stays
            return;
        }
    }
    m_lines.insert(last + 1, key + QLatin1Char('=') + value);
}

void IniDocument::eraseSection(const QString& section) {
    while (const auto range = findSection(section))
        m_lines.erase(m_lines.begin() + range->heading, m_lines.begin() + range->end);
}

bool IniDocument::commentOut(const QString& section, const QString& key, const QString& note) {
    if (note.contains(QLatin1Char('\r')) || note.contains(QLatin1Char('\n'))) {
        m_refusedValue = true;
        return false;
    }
    const auto range = findSection(section);
    if (!range)
        return false;
    QString name;
    QString value;
    for (int i = range->heading + 1; i < range->end; ++i) {
        if (splitEntry(m_lines.at(i), &name, &value) && sameName(name, key)) {
            m_lines[i] = QStringLiteral(";") + m_lines.at(i);
            m_lines.insert(i, QStringLiteral("; ") + note);
            return true;
        }
    }
    return false;
}

SettingsFile::SettingsFile(QString path)
    : m_path(std::move(path)), m_lockWait_ms(FileLock::kDefaultWait_ms) {}

bool SettingsFile::exists() const {
    return QFileInfo(m_path).isFile();
}

bool SettingsFile::isReadable(QString* error) const {
    return load(error).has_value();
}

std::optional<QByteArray> SettingsFile::load(QString* error) const {
    if (!QFileInfo::exists(m_path))
        return QByteArray();
    QByteArray bytes;
    if (!SafeFile::readRegular(m_path, &bytes, error, nullptr, kMaxBytes))
        return std::nullopt;
    return bytes;
}

std::optional<QString> SettingsFile::read(const QString& section, const QString& key) const {
    const auto bytes = load(nullptr);
    if (!bytes || bytes->isEmpty())
        return std::nullopt;
    return IniDocument::parse(decode(*bytes, detectEncoding(*bytes))).value(section, key);
}

bool SettingsFile::update(const std::function<void(IniDocument&)>& edit, QString* error,
                          SafeFile::Durability durability) {
    FileLock lock(m_path, m_lockWait_ms);
    if (!lock.acquire(error))
        return false;
    const auto bytes = load(error);
    if (!bytes)
        return false;
    SettingsEncoding encoding = bytes->isEmpty() ? SettingsEncoding::Utf8Bom : detectEncoding(*bytes);
    IniDocument document = IniDocument::parse(decode(*bytes, encoding));
    edit(document);
    if (document.refusedValue()) {
        if (error)
            *error = QStringLiteral("a settings value cannot hold a line break");
        return false;
    }
    const QString text = document.toText();
    QByteArray out = encode(text, &encoding);
    // The encoding is told from the bytes at every read. A file without a mark whose new
    // bytes would be told as another encoding (a GBK value among bytes that look like
    // UTF-8) gets a mark instead, so neither the value just written nor anything else in
    // the file reads differently afterwards.
    if (decode(out, detectEncoding(out)) != text) {
        encoding = encoding == SettingsEncoding::Gbk ? SettingsEncoding::Utf16Le : SettingsEncoding::Utf8Bom;
        out = encode(text, &encoding);
    }
    return SafeFile::replace(m_path, out, error, durability);
}

bool SettingsFile::write(const QString& section, const QString& key, const QString& value, QString* error) {
    return update([&](IniDocument& document) { document.setValue(section, key, value); }, error);
}

bool SettingsFile::eraseSection(const QString& section, QString* error) {
    return update([&](IniDocument& document) { document.eraseSection(section); }, error);
}

SettingsEncoding SettingsFile::encoding() const {
    const auto bytes = load(nullptr);
    if (!bytes || bytes->isEmpty())
        return SettingsEncoding::Utf8Bom;
    return detectEncoding(*bytes);
}

SettingsEncoding SettingsFile::detectEncoding(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return SettingsEncoding::Utf8Bom;
    if (bytes.startsWith("\xFF\xFE"))
        return SettingsEncoding::Utf16Le;
    if (bytes.startsWith("\xFE\xFF"))
        return SettingsEncoding::Utf16Be;
    // A file of plain ASCII is most likely one the Windows profile functions wrote, and
    // the first Chinese value written into it should stay readable for them: GBK. So is a
    // short file that reads both ways, such as "hualin=D:\水\". (Files this program
    // creates carry a mark, so they never look like this.)
    return TextCodec::looksLikeUtf8(bytes) ? SettingsEncoding::Utf8 : SettingsEncoding::Gbk;
}

QString SettingsFile::decode(const QByteArray& bytes, SettingsEncoding encoding) {
    switch (encoding) {
        case SettingsEncoding::Utf8Bom:
            return QString::fromUtf8(bytes.mid(3));
        case SettingsEncoding::Utf8:
            return QString::fromUtf8(bytes);
        case SettingsEncoding::Utf16Le: {
            QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
            return decoder.decode(bytes.mid(2));
        }
        case SettingsEncoding::Utf16Be: {
            QStringDecoder decoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
            return decoder.decode(bytes.mid(2));
        }
        case SettingsEncoding::Gbk:
            break;
    }
    return TextCodec::decodeGbk(bytes);
}

QByteArray SettingsFile::encode(const QString& text, SettingsEncoding* encoding) {
    switch (*encoding) {
        case SettingsEncoding::Utf8Bom:
            return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        case SettingsEncoding::Utf8:
            return text.toUtf8();
        case SettingsEncoding::Utf16Le: {
            QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::Stateless);
            return QByteArray("\xFF\xFE") + QByteArray(encoder.encode(text));
        }
        case SettingsEncoding::Utf16Be: {
            QStringEncoder encoder(QStringEncoder::Utf16BE, QStringEncoder::Flag::Stateless);
            return QByteArray("\xFE\xFF") + QByteArray(encoder.encode(text));
        }
        case SettingsEncoding::Gbk:
            break;
    }
    if (TextCodec::fitsGbk(text))
        return TextCodec::encodeGbk(text);
    *encoding = SettingsEncoding::Utf16Le;
    return encode(text, encoding);
}

}  // namespace quarrow

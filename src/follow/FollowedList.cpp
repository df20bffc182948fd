#include "follow/FollowedList.h"

#include "app/SafeFile.h"
#include "app/TextCodec.h"
#include "app/Trim.h"

#include <QFileInfo>

#include <algorithm>

namespace quarrow {

QString followedListFileName() {
    return QStringLiteral("FollowDept.Txt");
}

FollowedList::FollowedList(QString file) : m_file(std::move(file)) {}

std::optional<QString> FollowedList::cleanName(const QString& text) {
    const QString name = trimBlanks(text);
    if (name.isEmpty() || name.size() > kMaxNameLength)
        return std::nullopt;
    // A tab or a line end inside would split the name in a grid, a CSV line or the file.
    if (std::any_of(name.begin(), name.end(), [](QChar c) { return isBlank(c) && c != QLatin1Char(' '); }))
        return std::nullopt;
    return name;
}

QString FollowedList::foldName(const QString& name) {
    QString folded;
    folded.reserve(name.size());
    for (const QChar c : name) {
        if (!isBlank(c))
            folded.append(c);
    }
    return folded;
}

qsizetype FollowedList::indexOf(const QString& name) const {
    const QString wanted = foldName(name);
    for (qsizetype i = 0; i < m_names.size(); ++i) {
        if (foldName(m_names.at(i)) == wanted)
            return i;
    }
    return -1;
}

bool FollowedList::load(QString* error) {
    m_names.clear();
    m_skipped = 0;
    if (!QFileInfo::exists(m_file))
        return true;
    QByteArray bytes;
    if (!SafeFile::readRegular(m_file, &bytes, error))
        return false;
    for (const QString& line : TextCodec::splitLines(TextCodec::decode(bytes))) {
        if (trimBlanks(line).isEmpty())
            continue;
        const std::optional<QString> name = cleanName(line);
        if (!name)
            ++m_skipped;
        else if (!contains(*name))
            m_names.append(*name);
    }
    return true;
}

bool FollowedList::save(QString* error) const {
    QByteArray bytes;
    for (const QString& name : m_names)
        bytes += TextCodec::encodeGbk(name) + "\r\n";
    return SafeFile::replace(m_file, bytes, error);
}

FollowedList::Change FollowedList::add(const QString& name, QString* error) {
    const std::optional<QString> clean = cleanName(name);
    if (!clean)
        return Change::NotAName;
    if (contains(*clean))
        return Change::Unchanged;
    m_names.append(*clean);
    if (save(error))
        return Change::Done;
    // The list stays what the file still holds.
    m_names.removeLast();
    return Change::SaveFailed;
}

FollowedList::Change FollowedList::remove(const QString& name, QString* error) {
    const qsizetype index = indexOf(name);
    if (index < 0)
        return Change::Unchanged;
    const QString removed = m_names.takeAt(index);
    if (save(error))
        return Change::Done;
    m_names.insert(index, removed);
    return Change::SaveFailed;
}

}  // namespace quarrow

#include "follow/FollowedList.h"

#include "app/FileLock.h"
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

void FollowedList::Names::append(const QString& name) {
    names.append(name);
    folded.insert(foldName(name));
}

// One pass with the folded names in a set: a list of tens of thousands of names reads in
// milliseconds, where comparing each name with all before it took a minute.
bool FollowedList::read(Names* read, QString* error) const {
    *read = {};
    if (!QFileInfo::exists(m_file))
        return true;
    QByteArray bytes;
    if (!SafeFile::readRegular(m_file, &bytes, error, nullptr, kMaxBytes))
        return false;
    for (const QString& line : TextCodec::splitLines(TextCodec::decode(bytes))) {
        if (trimBlanks(line).isEmpty())
            continue;
        const std::optional<QString> name = cleanName(line);
        if (!name)
            ++read->skipped;
        else if (!read->contains(*name))
            read->append(*name);
    }
    return true;
}

void FollowedList::adopt(Names names) {
    m_names = std::move(names.names);
    m_folded = std::move(names.folded);
    m_skipped = names.skipped;
}

bool FollowedList::load(QString* error) {
    Names names;
    const bool loaded = read(&names, error);
    adopt(loaded ? std::move(names) : Names());
    return loaded;
}

bool FollowedList::write(const QStringList& names, QString* error) const {
    QByteArray bytes;
    for (const QString& name : names)
        bytes += TextCodec::encodeGbk(name) + "\r\n";
    return SafeFile::replace(m_file, bytes, error);
}

FollowedList::Change FollowedList::add(const QString& name, QString* error) {
    const std::optional<QString> clean = cleanName(name);
    if (!clean)
        return Change::NotAName;
    FileLock lock(m_file);
    Names names;
    if (!lock.acquire(error) || !read(&names, error))
        return Change::SaveFailed;
    const bool listed = names.contains(*clean);
    if (!listed) {
        names.append(*clean);
        if (!write(names.names, error))
            return Change::SaveFailed;
        names.skipped = 0;  // the lines that were no name are gone from the file
    }
    adopt(std::move(names));
    return listed ? Change::Unchanged : Change::Done;
}

FollowedList::Change FollowedList::remove(const QString& name, QString* error) {
    FileLock lock(m_file);
    Names names;
    if (!lock.acquire(error) || !read(&names, error))
        return Change::SaveFailed;
    const QString wanted = foldName(name);
    const qsizetype index =
        names.folded.contains(wanted)
            ? std::find_if(names.names.cbegin(), names.names.cend(),
                           [&](const QString& listed) { return foldName(listed) == wanted; }) -
                  names.names.cbegin()
            : -1;
    if (index >= 0) {
        names.names.removeAt(index);
        names.folded.remove(wanted);
        if (!write(names.names, error))
            return Change::SaveFailed;
        names.skipped = 0;
    }
    adopt(std::move(names));
    return index >= 0 ? Change::Done : Change::Unchanged;
}

}  // namespace quarrow

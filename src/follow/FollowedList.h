#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quarrow {

// The departments the user follows (关注的营业部): one name a line in "FollowDept.Txt" in
// the program folder, in the order they were added, rewritten whole after every change.
// A name is kept trimmed; two names that differ only in blanks are one department.
class FollowedList {
public:
    enum class Change { Done, Unchanged, NotAName, SaveFailed };
    // No department is named with more characters than this; a longer line is no name.
    static constexpr qsizetype kMaxNameLength = 100;

    explicit FollowedList(QString file);

    // A missing file is an empty list. Lines that are no name (too long, control
    // characters inside) are left out and counted in skippedLines(); the file is not
    // rewritten for them, though the next change writes the names alone. False (with the reason) when the
    // file cannot be read.
    bool load(QString* error = nullptr);
    bool save(QString* error = nullptr) const;

    const QStringList& names() const { return m_names; }
    int skippedLines() const { return m_skipped; }
    QString file() const { return m_file; }
    bool contains(const QString& name) const { return indexOf(name) >= 0; }

    // Unchanged (and the file untouched) when the department is listed already; NotAName
    // when the text is none (see cleanName).
    Change add(const QString& name, QString* error = nullptr);
    // Unchanged when it is not listed.
    Change remove(const QString& name, QString* error = nullptr);

    // The name as the list keeps it: trimmed; nothing when the text is no department name
    // (empty, longer than kMaxNameLength, or with a control character inside).
    static std::optional<QString> cleanName(const QString& text);
    // The name without any blank, as names are compared: "中信证券 上海分公司 " and
    // "中信证券上海分公司" are the same department.
    static QString foldName(const QString& name);

private:
    qsizetype indexOf(const QString& name) const;

    QString m_file;
    QStringList m_names;
    int m_skipped = 0;
};

// The followed list's file name, kept in the program folder.
QString followedListFileName();

}  // namespace quarrow

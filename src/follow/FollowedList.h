#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace quarrow {

// The departments the user follows (关注的营业部): one name a line in "FollowDept.Txt" in
// the program folder, in the order they were added, rewritten whole after every change.
// A name is kept trimmed; two names that differ only in blanks are one department.
//
// A change reads the file afresh under its lock (FileLock) and makes itself on what the
// file holds, so a name another program added meanwhile is kept; the list then shows what
// the file holds.
class FollowedList {
public:
    enum class Change { Done, Unchanged, NotAName, SaveFailed };
    // No department is named with more characters than this; a longer line is no name.
    static constexpr qsizetype kMaxNameLength = 100;
    // Tens of thousands of names of the longest kind; a larger file is no list.
    static constexpr qint64 kMaxBytes = 16 * 1024 * 1024;

    explicit FollowedList(QString file);

    // A missing file is an empty list. Lines that are no name (too long, control
    // characters inside) are left out and counted in skippedLines(); the file is not
    // rewritten for them, though the next change writes the names alone. False (with the reason) when the
    // file cannot be read.
    bool load(QString* error = nullptr);

    const QStringList& names() const { return m_names; }
    int skippedLines() const { return m_skipped; }
    QString file() const { return m_file; }
    bool contains(const QString& name) const { return m_folded.contains(foldName(name)); }

    // Unchanged (and the file untouched) when the file lists the department already;
    // NotAName when the text is none (see cleanName).
    Change add(const QString& name, QString* error = nullptr);
    // Unchanged when the file does not list it.
    Change remove(const QString& name, QString* error = nullptr);

    // The name as the list keeps it: trimmed; nothing when the text is no department name
    // (empty, longer than kMaxNameLength, or with a control character inside).
    static std::optional<QString> cleanName(const QString& text);
    // The name without any blank, as names are compared: "中信证券 上海分公司 " and
    // "中信证券上海分公司" are the same department.
    static QString foldName(const QString& name);

private:
    // The names of the file (and the lines that are none), each department once.
    struct Names {
        QStringList names;
        QSet<QString> folded;
        int skipped = 0;

        bool contains(const QString& name) const { return folded.contains(foldName(name)); }
        void append(const QString& name);
    };
    bool read(Names* names, QString* error) const;
    bool write(const QStringList& names, QString* error) const;
    void adopt(Names names);

    QString m_file;
    QStringList m_names;
    QSet<QString> m_folded;
    int m_skipped = 0;
};

// The followed list's file name, kept in the program folder.
QString followedListFileName();

}  // namespace quarrow

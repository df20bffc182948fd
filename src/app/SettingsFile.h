#pragma once

#include "app/SafeFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quarrow {

// How the settings file's bytes are text. Our users' files were written by the Windows
// profile functions (the ANSI code page, GBK) or by hand in an editor (UTF-8 or UTF-16
// with a byte-order mark); a rewrite keeps what it found.
enum class SettingsEncoding { Utf8Bom, Utf8, Utf16Le, Utf16Be, Gbk };

// The text of an INI file in memory for the length of one read or write burst. Section
// and key names match without regard to case, the first of several equal sections or
// keys wins, lines the program does not understand (comments, blank lines) are kept.
class IniDocument {
public:
    static IniDocument parse(const QString& text);
    QString toText() const;

    // Nothing when the section or the key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // Replaces the key's value where it stands; a new key goes to the end of its section,
    // a new section to the end of the file. A value with a line break is refused and
    // changes nothing: its lines would stand in the file as keys and sections of their own.
    void setValue(const QString& section, const QString& key, const QString& value);
    // Whether a value was refused since the text was parsed.
    bool refusedValue() const { return m_refusedValue; }
    // Removes the section with its heading and all its keys (every copy of it).
    void eraseSection(const QString& section);
    // Turns the key's line into a comment, with the note as a comment line above it, so
    // that removing the ";" brings the value back. False when the section has no such key.
    bool commentOut(const QString& section, const QString& key, const QString& note);

private:
    struct SectionRange {
        int heading = -1;  // line of "[name]"
        int end = -1;      // first line after the section
    };
    std::optional<SectionRange> findSection(const QString& section, int from = 0) const;
    static std::optional<QString> sectionName(const QString& line);
    // The key and value of a "key=value" line.
    static bool splitEntry(const QString& line, QString* key, QString* value);

    QStringList m_lines;
    QString m_lineEnd = QStringLiteral("\r\n");
    bool m_refusedValue = false;
};

// The settings file on disk. Nothing keeps it open: every read opens, reads and closes
// it, every write reads it afresh, changes it in memory and replaces it through a
// temporary file, so an edit made outside the program between two operations is seen
// and a crash in the middle of a write leaves the old file whole. A write holds the lock
// beside the file from its read to its rename (see FileLock), so two programs changing
// keys at once both keep their change.
class SettingsFile {
public:
    // Far more than every key of the program with long folder names; a file larger than
    // this is refused, not read (each read takes the whole file).
    static constexpr qint64 kMaxBytes = 1024 * 1024;

    explicit SettingsFile(QString path);
    // How long a write waits for another program's (tests shorten it).
    void setLockWait(int wait_ms) { m_lockWait_ms = wait_ms; }

    QString path() const { return m_path; }
    // False, with the reason, when the file is there but cannot be read (a folder in its
    // place, no permission); a missing file is readable and empty.
    bool isReadable(QString* error) const;
    bool exists() const;

    // The value, or nothing when the file, the section or the key is missing.
    std::optional<QString> read(const QString& section, const QString& key) const;
    // Runs edits on the current contents and writes the result in one go; creates the
    // file when missing. False with a reason when the file cannot be read or written (an
    // unreadable existing file is never overwritten).
    // A note that is cheap to lose (it only saves work next time) need not wait for the disk.
    bool update(const std::function<void(IniDocument&)>& edit, QString* error = nullptr,
                SafeFile::Durability durability = SafeFile::Durability::Synced);
    bool write(const QString& section, const QString& key, const QString& value, QString* error = nullptr);
    bool eraseSection(const QString& section, QString* error = nullptr);

    // The encoding of the file as it is now (a missing file: what a new one gets).
    SettingsEncoding encoding() const;

    static SettingsEncoding detectEncoding(const QByteArray& bytes);
    static QString decode(const QByteArray& bytes, SettingsEncoding encoding);
    // A text that GBK cannot hold is written as UTF-16 with a mark instead of losing
    // characters; the Windows profile functions read that as well.
    static QByteArray encode(const QString& text, SettingsEncoding* encoding);

private:
    // Nothing when the file exists but cannot be read.
    std::optional<QByteArray> load(QString* error) const;

    QString m_path;
    int m_lockWait_ms;
};

}  // namespace quarrow

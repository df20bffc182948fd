#pragma once

#include <QString>

namespace quarrow::DatabaseBackup {

// Copies the SQLite database `source` to `target` as one consistent snapshot, while
// other connections may be writing to it: SQLite's online backup reads the file through
// a connection of its own, committed rows still in the write-ahead log included, which
// a copy of the file's bytes would miss or tear. The copy is made beside the target
// under another name, stored as a single file (no log beside it), checked with
// PRAGMA integrity_check and only then renamed over the target. On any failure the
// target is as it was, nothing is left behind and *error says why.
bool copy(const QString& source, const QString& target, QString* error);

// A byte-for-byte copy of a database file that no SQLite connection of ours writes (a
// user's Access file), made the same careful way: beside the target, every write checked,
// synced to the disk, its size compared with the source's, and only then renamed over the
// target. A file that changed size while it was read is refused.
bool copyFile(const QString& source, const QString& target, QString* error);

// The path as the system reaches it: links and ".." resolved through the folders that
// exist, so a path is compared with another by what it names, not by how it is written.
QString physicalPath(const QString& path);

// Whether two paths name the same file: compared without regard to letter case, as
// the file systems of our users do, and through links where the file exists.
bool isSameFile(const QString& first, const QString& second);

}  // namespace quarrow::DatabaseBackup

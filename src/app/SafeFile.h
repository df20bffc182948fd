#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace quarrow::SafeFile {

// Whether a replaced file must be on the disk before replace() returns. Generated demo
// data is made again in seconds and skips the wait; the user's own files never do.
enum class Durability { Synced, Unsynced };

// What a symbolic link in place of the file means. The user's own files (the settings,
// the lists, report documents) may be links the user made to keep them elsewhere: the link
// stays and its target gets the new contents. A file the program derives on its own (the
// followed records' cache) is never written through a link: whoever can put a link in the
// program folder would otherwise have the program overwrite any file it may write, the
// link takes the new file's place instead.
enum class Links { Follow, Replace };

// Replaces the file at `path` with `bytes` as a whole, or leaves it as it was: the bytes go
// to a temporary file in the same folder, every write, the flush to disk and the close are
// checked, and only then is the temporary file renamed over the old one. On any failure
// the temporary file is removed, the old file is untouched and *error holds the system's
// reason. A replaced file keeps its permissions; a new one gets the usual ones.
bool replace(const QString& path, const QByteArray& bytes, QString* error,
             Durability durability = Durability::Synced, Links links = Links::Follow);

// Opens an existing file in `mode` (ReadOnly or ReadWrite, with any extra flags such as
// Unbuffered) only when it is a regular file. A FIFO, a device or a folder is refused with
// a reason instead: opening a FIFO would wait for a writer for ever, and reading a device
// never ends. On failure *errorCode holds the system's error number (ENOENT for a missing
// file).
bool openRegular(QFile& file, const QString& path, QIODevice::OpenMode mode, QString* error,
                 int* errorCode = nullptr);

#ifndef Q_OS_WIN
// The same check and open for callers that read and write with the system's calls: a
// descriptor opened read-only (or read-write) on a regular file, with the file's size in
// *size, or -1 with the reason. The caller closes it.
int openRegularDescriptor(const QString& path, bool writable, qint64* size, QString* error,
                          int* errorCode = nullptr);
#endif

// Flushes a file written through QFile to the disk itself (not only to the system's
// cache). False, with the reason, when the system refused.
bool syncToDisk(QFile& file, QString* error);

// No limit on the size of a file read whole.
inline constexpr qint64 kAnySize = -1;

// The whole of a regular file. False with the reason when it is missing, not a regular
// file, cannot be read or is larger than maxBytes (EFBIG; nothing of it is read, so a
// file grown out of all measure costs no memory).
bool readRegular(const QString& path, QByteArray* bytes, QString* error, int* errorCode = nullptr,
                 qint64 maxBytes = kAnySize);

// The reason a file too large to read is refused with, in megabytes.
QString tooLargeReason(qint64 size, qint64 maxBytes);

// What a replace() killed half way leaves: ".<name>.<random>.tmp" beside the file. A write
// takes milliseconds, so one untouched for this long is nobody's any more.
inline constexpr qint64 kScrapAge_s = 10 * 60;
// Removes the scraps of the files of `folder` whose names match `targetPattern` (a name,
// or a name with "*" standing for any text: "600000-*变动资料.txt"), when they are older
// than olderThan_s; those of a writer at work are younger and stay. The count removed.
int removeScraps(const QString& folder, const QString& targetPattern, qint64 olderThan_s = kScrapAge_s);
// Whether a name matches a pattern whose "*" stands for any text.
bool matchesPattern(const QString& name, const QString& pattern);

}  // namespace quarrow::SafeFile

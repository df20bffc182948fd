#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace quarrow {

// A lock beside a file of the program folder ("quarrow.INI.lock" beside "quarrow.INI"),
// held for one read-change-write of the file. The window, a scheduled quarrow-cli and a
// second window may share one folder: without it two of them read the same old file and
// each writes back its own change, and one change is lost.
//
// A change holds the lock for the few milliseconds its read and write take, so a writer
// waits for another at most a bounded time and then gives up, saying so. The wait is in
// real time whatever the program's clock: the other program's hold does not follow it. A
// lock left behind by a program that died does not hold: on POSIX systems the lock is the
// system's lock on the open file, which goes with the process (the empty file stays for the
// next change); on Windows Qt's QLockFile names the process that holds it and is removed.
class FileLock {
public:
    static constexpr int kDefaultWait_ms = 10000;

    explicit FileLock(const QString& file, int wait_ms = kDefaultWait_ms);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // False, with a reason that names the file, when another program held the lock for
    // the whole wait or the lock file cannot be made.
    bool acquire(QString* error);

    static QString lockFileName(const QString& file);

private:
    QString m_file;
    int m_wait_ms;
#ifdef Q_OS_WIN
    std::unique_ptr<QLockFile> m_lock;
#else
    int m_fd = -1;  // open and locked while held
#endif
};

}  // namespace quarrow

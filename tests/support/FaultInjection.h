#pragma once

#include <QString>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

struct sqlite3;

namespace quarrow::test {

#ifndef _WIN32
// A full disk for the scope of one test: no file of this process may grow past `bytes`
// (RLIMIT_FSIZE, which needs no root). SIGXFSZ is ignored while it holds, so a write past
// the limit fails with EFBIG as it would with ENOSPC, instead of killing the test. The
// limit is lowered on the soft side only and restored when the scope ends.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    struct sigaction m_savedAction {};
};
#endif

// Makes SQLite's writes fail on demand for every connection opened while it is in scope:
// a VFS wrapped around the default one becomes the default. After `allowedWrites` more
// writes to any database, journal or log file, each write fails with `errorCode`
// (SQLITE_FULL by default). Connections opened before the scope keep their VFS.
class SqliteWriteFaults {
public:
    explicit SqliteWriteFaults(int allowedWrites, int errorCode = 13 /* SQLITE_FULL */);
    ~SqliteWriteFaults();
    SqliteWriteFaults(const SqliteWriteFaults&) = delete;
    SqliteWriteFaults& operator=(const SqliteWriteFaults&) = delete;

    // Moves the failure point: n more writes succeed from now on (-1: never fail).
    void allow(int allowedWrites);
    int writesSeen() const;
    int writesFailed() const;
};

// A second writer: another connection that takes the file's write lock (BEGIN IMMEDIATE)
// and holds it until release() or the end of the scope.
class WriteLockHolder {
public:
    explicit WriteLockHolder(const QString& databaseFile);
    ~WriteLockHolder();
    WriteLockHolder(const WriteLockHolder&) = delete;
    WriteLockHolder& operator=(const WriteLockHolder&) = delete;

    bool holding() const { return m_db != nullptr; }
    void release();

private:
    ::sqlite3* m_db = nullptr;
};

// Runs `release` on another thread after `delay_ms`, for a lock that must go away while
// the code under test waits for it. Joined in the destructor.
class DelayedRelease {
public:
    DelayedRelease(WriteLockHolder& holder, int delay_ms);
    ~DelayedRelease();
    DelayedRelease(const DelayedRelease&) = delete;
    DelayedRelease& operator=(const DelayedRelease&) = delete;

private:
    struct State;
    State* m_state;
};

// Another program writing while the code under test reads: a connection on a thread of
// its own that stores `rowsPerCommit` main-force alerts (tblMainBuySale) per transaction,
// over and over, until stopped. Its rows stay in the write-ahead log (it never
// checkpoints), as a running program's rows do between checkpoints.
class ConcurrentWriter {
public:
    ConcurrentWriter(const QString& databaseFile, int rowsPerCommit);
    ~ConcurrentWriter();
    ConcurrentWriter(const ConcurrentWriter&) = delete;
    ConcurrentWriter& operator=(const ConcurrentWriter&) = delete;

    // Returns once `count` transactions are committed (the test fails when the writer
    // fails or takes longer than a few seconds). Spins; never sleeps.
    void waitForCommits(int count);
    int commits() const;
    // Stops after the transaction in progress; the writer's error, empty when none.
    QString stop();

private:
    struct State;
    State* m_state;
};

}  // namespace quarrow::test

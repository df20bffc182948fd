#include "support/FaultInjection.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace quarrow::test {

#ifndef _WIN32
// ---------------------------------------------------------------------------------------------
// FileSizeLimit: a file size limit, which Windows does not have.

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &m_saved), 0);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    EXPECT_EQ(sigaction(SIGXFSZ, &ignore, &m_savedAction), 0);
    rlimit lowered = m_saved;
    lowered.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_saved);
    sigaction(SIGXFSZ, &m_savedAction, nullptr);
}
#endif

// ---------------------------------------------------------------------------------------------
// SqliteWriteFaults: a pass-through VFS whose files count their writes.

namespace {

std::atomic<int> g_allowed{-1};
std::atomic<int> g_seen{0};
std::atomic<int> g_failed{0};
std::atomic<int> g_errorCode{SQLITE_FULL};
sqlite3_vfs* g_base = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods;

struct FaultyFile {
    sqlite3_file base;  // must come first: SQLite sees a FaultyFile as an sqlite3_file
    sqlite3_file* real;
};

sqlite3_file* realOf(sqlite3_file* file) {
    return reinterpret_cast<FaultyFile*>(file)->real;
}

int faultyClose(sqlite3_file* file) {
    sqlite3_file* real = realOf(file);
    const int rc = real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
    sqlite3_free(real);
    return rc;
}

int faultyRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    return realOf(f)->pMethods->xRead(realOf(f), buffer, amount, offset);
}

int faultyWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    ++g_seen;
    int allowed = g_allowed.load();
    if (allowed == 0) {
        ++g_failed;
        return g_errorCode.load();
    }
    if (allowed > 0)
        g_allowed.compare_exchange_strong(allowed, allowed - 1);
    return realOf(f)->pMethods->xWrite(realOf(f), buffer, amount, offset);
}

int faultyTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return realOf(f)->pMethods->xTruncate(realOf(f), size);
}
int faultySync(sqlite3_file* f, int flags) {
    return realOf(f)->pMethods->xSync(realOf(f), flags);
}
int faultyFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return realOf(f)->pMethods->xFileSize(realOf(f), size);
}
int faultyLock(sqlite3_file* f, int level) {
    return realOf(f)->pMethods->xLock(realOf(f), level);
}
int faultyUnlock(sqlite3_file* f, int level) {
    return realOf(f)->pMethods->xUnlock(realOf(f), level);
}
int faultyCheckReservedLock(sqlite3_file* f, int* out) {
    return realOf(f)->pMethods->xCheckReservedLock(realOf(f), out);
}
int faultyFileControl(sqlite3_file* f, int op, void* arg) {
    return realOf(f)->pMethods->xFileControl(realOf(f), op, arg);
}
int faultySectorSize(sqlite3_file* f) {
    return realOf(f)->pMethods->xSectorSize(realOf(f));
}
int faultyDeviceCharacteristics(sqlite3_file* f) {
    return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f));
}
int faultyShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
    return realOf(f)->pMethods->xShmMap(realOf(f), page, size, extend, out);
}
int faultyShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return realOf(f)->pMethods->xShmLock(realOf(f), offset, n, flags);
}
void faultyShmBarrier(sqlite3_file* f) {
    realOf(f)->pMethods->xShmBarrier(realOf(f));
}
int faultyShmUnmap(sqlite3_file* f, int deleteFlag) {
    return realOf(f)->pMethods->xShmUnmap(realOf(f), deleteFlag);
}
// Memory mapping would let SQLite read and write pages without xRead/xWrite.
int faultyFetch(sqlite3_file*, sqlite3_int64, int, void** out) {
    *out = nullptr;
    return SQLITE_OK;
}
int faultyUnfetch(sqlite3_file*, sqlite3_int64, void*) {
    return SQLITE_OK;
}

int faultyOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* faulty = reinterpret_cast<FaultyFile*>(file);
    faulty->base.pMethods = nullptr;
    faulty->real = static_cast<sqlite3_file*>(sqlite3_malloc(g_base->szOsFile));
    if (!faulty->real)
        return SQLITE_NOMEM;
    std::memset(faulty->real, 0, static_cast<size_t>(g_base->szOsFile));
    const int rc = g_base->xOpen(g_base, name, faulty->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        if (faulty->real->pMethods)
            faulty->real->pMethods->xClose(faulty->real);
        sqlite3_free(faulty->real);
        faulty->real = nullptr;
        return rc;
    }
    faulty->base.pMethods = &g_methods;
    return SQLITE_OK;
}

int faultyDelete(sqlite3_vfs*, const char* name, int syncDir) {
    return g_base->xDelete(g_base, name, syncDir);
}
int faultyAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
    return g_base->xAccess(g_base, name, flags, out);
}
int faultyFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return g_base->xFullPathname(g_base, name, size, out);
}
void* faultyDlOpen(sqlite3_vfs*, const char* name) {
    return g_base->xDlOpen(g_base, name);
}
void faultyDlError(sqlite3_vfs*, int size, char* out) {
    g_base->xDlError(g_base, size, out);
}
void (*faultyDlSym(sqlite3_vfs*, void* handle, const char* symbol))() {
    return g_base->xDlSym(g_base, handle, symbol);
}
void faultyDlClose(sqlite3_vfs*, void* handle) {
    g_base->xDlClose(g_base, handle);
}
int faultyRandomness(sqlite3_vfs*, int size, char* out) {
    return g_base->xRandomness(g_base, size, out);
}
int faultySleep(sqlite3_vfs*, int us) {
    return g_base->xSleep(g_base, us);
}
int faultyCurrentTime(sqlite3_vfs*, double* out) {
    return g_base->xCurrentTime(g_base, out);
}
int faultyGetLastError(sqlite3_vfs*, int size, char* out) {
    return g_base->xGetLastError ? g_base->xGetLastError(g_base, size, out) : 0;
}
int faultyCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
    return g_base->xCurrentTimeInt64(g_base, out);
}

void registerFaultyVfs() {
    if (g_base)
        return;
    g_base = sqlite3_vfs_find(nullptr);
    g_methods = sqlite3_io_methods{};
    g_methods.iVersion = 3;
    g_methods.xClose = faultyClose;
    g_methods.xRead = faultyRead;
    g_methods.xWrite = faultyWrite;
    g_methods.xTruncate = faultyTruncate;
    g_methods.xSync = faultySync;
    g_methods.xFileSize = faultyFileSize;
    g_methods.xLock = faultyLock;
    g_methods.xUnlock = faultyUnlock;
    g_methods.xCheckReservedLock = faultyCheckReservedLock;
    g_methods.xFileControl = faultyFileControl;
    g_methods.xSectorSize = faultySectorSize;
    g_methods.xDeviceCharacteristics = faultyDeviceCharacteristics;
    g_methods.xShmMap = faultyShmMap;
    g_methods.xShmLock = faultyShmLock;
    g_methods.xShmBarrier = faultyShmBarrier;
    g_methods.xShmUnmap = faultyShmUnmap;
    g_methods.xFetch = faultyFetch;
    g_methods.xUnfetch = faultyUnfetch;

    g_vfs = *g_base;
    g_vfs.iVersion = 2;
    g_vfs.szOsFile = static_cast<int>(sizeof(FaultyFile));
    g_vfs.zName = "quarrow-faulty";
    g_vfs.pAppData = nullptr;
    g_vfs.xOpen = faultyOpen;
    g_vfs.xDelete = faultyDelete;
    g_vfs.xAccess = faultyAccess;
    g_vfs.xFullPathname = faultyFullPathname;
    g_vfs.xDlOpen = faultyDlOpen;
    g_vfs.xDlError = faultyDlError;
    g_vfs.xDlSym = faultyDlSym;
    g_vfs.xDlClose = faultyDlClose;
    g_vfs.xRandomness = faultyRandomness;
    g_vfs.xSleep = faultySleep;
    g_vfs.xCurrentTime = faultyCurrentTime;
    g_vfs.xGetLastError = faultyGetLastError;
    g_vfs.xCurrentTimeInt64 = faultyCurrentTimeInt64;
}

}  // namespace

SqliteWriteFaults::SqliteWriteFaults(int allowedWrites, int errorCode) {
    registerFaultyVfs();
    g_seen = 0;
    g_failed = 0;
    g_errorCode = errorCode;
    g_allowed = allowedWrites;
    EXPECT_EQ(sqlite3_vfs_register(&g_vfs, 1), SQLITE_OK);
}

SqliteWriteFaults::~SqliteWriteFaults() {
    g_allowed = -1;
    // Files opened through it keep working: unregistering only stops new opens using it.
    sqlite3_vfs_register(g_base, 1);
}

void SqliteWriteFaults::allow(int allowedWrites) {
    g_allowed = allowedWrites;
}

int SqliteWriteFaults::writesSeen() const {
    return g_seen;
}

int SqliteWriteFaults::writesFailed() const {
    return g_failed;
}

// ---------------------------------------------------------------------------------------------
// WriteLockHolder

WriteLockHolder::WriteLockHolder(const QString& databaseFile) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databaseFile.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK ||
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot take the write lock of " << databaseFile.toStdString() << ": "
                      << (db ? sqlite3_errmsg(db) : "no connection");
        sqlite3_close(db);
        return;
    }
    m_db = db;
}

WriteLockHolder::~WriteLockHolder() {
    release();
}

void WriteLockHolder::release() {
    if (!m_db)
        return;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
    m_db = nullptr;
}

// ---------------------------------------------------------------------------------------------
// DelayedRelease

struct DelayedRelease::State {
    std::thread thread;
};

DelayedRelease::DelayedRelease(WriteLockHolder& holder, int delay_ms) : m_state(new State) {
    m_state->thread = std::thread([&holder, delay_ms] {
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        holder.release();
    });
}

DelayedRelease::~DelayedRelease() {
    m_state->thread.join();
    delete m_state;
}

// ---------------------------------------------------------------------------------------------
// ConcurrentWriter

struct ConcurrentWriter::State {
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<int> commits{0};
    std::atomic<bool> failed{false};
    std::string error;  // written before failed is set
};

ConcurrentWriter::ConcurrentWriter(const QString& databaseFile, int rowsPerCommit) : m_state(new State) {
    m_state->thread = std::thread([state = m_state, file = databaseFile.toUtf8(), rowsPerCommit] {
        sqlite3* db = nullptr;
        const auto fail = [&] {
            state->error = db ? sqlite3_errmsg(db) : "no connection";
            state->failed = true;
        };
        if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            sqlite3_exec(db, "PRAGMA wal_autocheckpoint=0", nullptr, nullptr, nullptr) != SQLITE_OK) {
            fail();
            sqlite3_close(db);
            return;
        }
        sqlite3_busy_timeout(db, 2000);
        while (!state->stop) {
            bool ok = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
            for (int i = 0; ok && i < rowsPerCommit; ++i)
                ok = sqlite3_exec(
                         db,
                         "insert into tblMainBuySale (StCode,StName,StDate,StDept,StBuy,StSale,StRate,StMemo)"
                         " values ('600610','中毅达','2017-03-16','主力买入',60,0,10.2,'')",
                         nullptr, nullptr, nullptr) == SQLITE_OK;
            if (ok)
                ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
            if (!ok) {
                fail();
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                break;
            }
            ++state->commits;
        }
        sqlite3_close(db);
    });
}

ConcurrentWriter::~ConcurrentWriter() {
    stop();
    delete m_state;
}

void ConcurrentWriter::waitForCommits(int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (m_state->commits < count && !m_state->failed && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    if (m_state->failed)
        ADD_FAILURE() << "the concurrent writer failed: " << m_state->error;
    else if (m_state->commits < count)
        ADD_FAILURE() << "the concurrent writer committed only " << m_state->commits << " of " << count;
}

int ConcurrentWriter::commits() const {
    return m_state->commits;
}

QString ConcurrentWriter::stop() {
    m_state->stop = true;
    if (m_state->thread.joinable())
        m_state->thread.join();
    return m_state->failed ? QString::fromStdString(m_state->error) : QString();
}

}  // namespace quarrow::test

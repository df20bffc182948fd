#pragma once

#include "store/DataBase.h"

#include <QtGlobal>

#include <memory>

namespace quarrow {

class Clock;

// Items of a batch stored in groups, one transaction each, committed once about a
// second's work has gathered: committing every item on its own would cost more than
// storing it, and a kill loses at most the open group. A batch notes its progress only
// after a commit, so it never notes an item whose rows are not in the file.
class CommitGroup {
public:
    explicit CommitGroup(TDataBase& db, const Clock& clock, qint64 interval_ms = 1000);

    // Opens a transaction unless one is open. False when the write lock could not be had
    // (the reason is the database's transactionError()).
    bool join();
    // The interval has passed since the last commit.
    bool due() const;
    // Commits the open group (none open: nothing to do). False when the database refused
    // it: everything of the group is rolled back.
    bool commit();
    // Rolls the open group back.
    void abandon() { m_transaction.reset(); }

private:
    TDataBase& m_db;
    const Clock& m_clock;
    qint64 m_interval_ms;
    qint64 m_lastCommit_ms;
    std::unique_ptr<Transaction> m_transaction;
};

}  // namespace quarrow

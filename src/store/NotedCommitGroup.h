#pragma once

#include "store/CommitGroup.h"

#include <QString>

#include <functional>

namespace quarrow {

// The bookkeeping every batch that stores item after item shares: items are stored in a
// CommitGroup, what the finished items stand for (a resume point, the newest day) is noted
// only once their group is committed, and a group the database refuses is rolled back
// together with everything its items had counted. So a batch never notes an item whose
// rows are not in the file, and never reports rows the file does not hold.
class NotedCommitGroup {
public:
    struct Hooks {
        // Takes a snapshot of what the committed items account for (counts, totals).
        std::function<void()> keep;
        // Puts that snapshot back after the database refused a group, and forgets the
        // finished items not yet noted: they will be done again.
        std::function<void()> restore;
        // Notes the items finished since the last commit, now that their rows are stored.
        std::function<void()> note;
    };

    // interval_ms 0 commits every item on its own.
    NotedCommitGroup(TDataBase& db, const Clock& clock, qint64 interval_ms, Hooks hooks);
    ~NotedCommitGroup();
    NotedCommitGroup(const NotedCommitGroup&) = delete;
    NotedCommitGroup& operator=(const NotedCommitGroup&) = delete;

    // Before an item's first write: opens the group's transaction unless one is open.
    // False, with the group failed, when the write lock could not be had.
    bool begin();
    // An item is finished: it waits for the group's commit to be noted. The group is
    // committed when its interval has passed or when commitNow is set.
    bool finishItem(bool commitNow = false);
    // Commits the open group and notes its finished items. False when the database
    // refused it (or refused an earlier group): then everything since the last commit is
    // rolled back and restored.
    bool commit();
    // The database refused a write of the open item: rolls the group back.
    void fail(const QString& error);

    bool failed() const { return !m_error.isEmpty(); }
    // Why the database refused; never empty once failed.
    const QString& error() const { return m_error; }

private:
    TDataBase& m_db;
    CommitGroup m_group;
    Hooks m_hooks;
    bool m_pending = false;
    QString m_error;
};

}  // namespace quarrow

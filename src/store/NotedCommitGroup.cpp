#include "store/NotedCommitGroup.h"

namespace quarrow {

NotedCommitGroup::NotedCommitGroup(TDataBase& db, const Clock& clock, qint64 interval_ms, Hooks hooks)
    : m_db(db), m_group(db, clock, interval_ms), m_hooks(std::move(hooks)) {
    if (m_hooks.keep)
        m_hooks.keep();
}

NotedCommitGroup::~NotedCommitGroup() = default;

bool NotedCommitGroup::begin() {
    if (failed())
        return false;
    if (m_group.join())
        return true;
    fail(m_db.transactionError());
    return false;
}

bool NotedCommitGroup::finishItem(bool commitNow) {
    if (failed())
        return false;
    m_pending = true;
    if (commitNow || m_group.due())
        return commit();
    return true;
}

bool NotedCommitGroup::commit() {
    if (failed())
        return false;
    if (!m_group.commit()) {
        fail(m_db.transactionError());
        return false;
    }
    if (m_pending && m_hooks.note)
        m_hooks.note();
    m_pending = false;
    if (m_hooks.keep)
        m_hooks.keep();
    return true;
}

void NotedCommitGroup::fail(const QString& error) {
    m_group.abandon();
    m_pending = false;
    if (m_hooks.restore)
        m_hooks.restore();
    if (!failed())
        m_error = error.isEmpty() ? QStringLiteral("the database refused the write") : error;
}

}  // namespace quarrow

#include "store/CommitGroup.h"

#include "platform/Clock.h"

namespace quarrow {

CommitGroup::CommitGroup(TDataBase& db, const Clock& clock, qint64 interval_ms)
    : m_db(db), m_clock(clock), m_interval_ms(interval_ms), m_lastCommit_ms(clock.elapsedMs()) {}

bool CommitGroup::join() {
    if (m_transaction)
        return true;
    auto transaction = std::make_unique<Transaction>(m_db);
    if (!transaction->began())
        return false;
    m_transaction = std::move(transaction);
    return true;
}

bool CommitGroup::due() const {
    return m_clock.elapsedMs() - m_lastCommit_ms >= m_interval_ms;
}

bool CommitGroup::commit() {
    const bool committed = !m_transaction || m_transaction->commit();
    m_transaction.reset();  // a refused commit was rolled back
    m_lastCommit_ms = m_clock.elapsedMs();
    return committed;
}

}  // namespace quarrow

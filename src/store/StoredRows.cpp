#include "store/StoredRows.h"

namespace quarrow {

void StoredRows::add(qint64 recordKey, qint32 departmentKey) {
    // Rows beyond this copy's length were added after its snapshot and rolled back since.
    if (m_rows->size() > static_cast<size_t>(m_size))
        m_rows->resize(static_cast<size_t>(m_size));
    m_rows->push_back({recordKey, departmentKey});
    ++m_size;
}

}  // namespace quarrow

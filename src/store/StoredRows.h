#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

namespace quarrow {

// The department rows one run stored, by their record keys (unique in tblStChange) and
// department keys: what tells the run's own rows from the rows stored before it, or by
// another program meanwhile, which a day or an ID range could not.
//
// A batch takes snapshots of its totals and puts one back when the database refuses a
// group; the rows of a snapshot are a prefix of the log, so a copy shares the log and
// keeps only its own length. Only the newest copy adds rows: adding to a copy put back
// drops what the refused group had added.
class StoredRows {
public:
    struct Row {
        qint64 recordKey = 0;
        qint32 departmentKey = 0;
    };

    void add(qint64 recordKey, qint32 departmentKey);

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    const Row& at(qsizetype index) const { return (*m_rows)[static_cast<size_t>(index)]; }

private:
    std::shared_ptr<std::vector<Row>> m_rows = std::make_shared<std::vector<Row>>();
    qsizetype m_size = 0;
};

}  // namespace quarrow

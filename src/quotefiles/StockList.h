#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace quarrow {

struct StockEntry {
    QString key;  // prefixed code, e.g. sh600000
    QString name;
};

// The all-stocks list: Shenzhen stocks first, then Shanghai, each in file order. Rows are
// counted from 0 here; the grid that shows the list puts its titles in row 0, so grid row
// r is entry r − 1.
class StockList {
public:
    void clear();
    void append(const QString& key, const QString& name);

    int size() const { return static_cast<int>(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    const StockEntry& at(int index) const { return m_entries.at(index); }
    const QList<StockEntry>& entries() const { return m_entries; }
    // The first entry with this key, or -1.
    int indexOf(const QString& key) const { return m_index.value(key, -1); }
    QString nameOf(const QString& key) const;

    // False while a load is under way: selections in the list are ignored then.
    bool complete() const { return m_complete; }
    void setComplete(bool complete) { m_complete = complete; }

private:
    QList<StockEntry> m_entries;
    QHash<QString, int> m_index;
    bool m_complete = false;
};

}  // namespace quarrow

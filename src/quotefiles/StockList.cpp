#include "quotefiles/StockList.h"

namespace quarrow {

void StockList::clear() {
    m_entries.clear();
    m_index.clear();
}

void StockList::append(const QString& key, const QString& name) {
    m_index.insert(key, m_index.value(key, static_cast<int>(m_entries.size())));
    m_entries.append({key, name});
}

QString StockList::nameOf(const QString& key) const {
    const int index = indexOf(key);
    return index < 0 ? QString() : m_entries.at(index).name;
}

}  // namespace quarrow

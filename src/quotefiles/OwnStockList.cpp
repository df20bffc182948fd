#include "quotefiles/OwnStockList.h"

#include "app/FileLock.h"
#include "app/SafeFile.h"
#include "app/TextCodec.h"
#include "app/Trim.h"

#include <QFileInfo>
#include <QSet>

namespace quarrow {

QString ownStockFileName() {
    return QStringLiteral("SelfStock.Txt");
}

OwnStockList::OwnStockList(QString file) : m_file(std::move(file)) {}

bool OwnStockList::read(QStringList* items, QString* error) const {
    items->clear();
    if (!QFileInfo::exists(m_file))
        return true;
    QByteArray bytes;
    if (!SafeFile::readRegular(m_file, &bytes, error, nullptr, kMaxBytes))
        return false;
    QSet<QString> seen;
    for (const QString& line : TextCodec::splitLines(TextCodec::decode(bytes))) {
        const QString code = trimBlanks(line);
        if (!code.isEmpty() && !seen.contains(code)) {
            seen.insert(code);
            items->append(code);
        }
    }
    return true;
}

bool OwnStockList::load(QString* error) {
    m_borrowed = false;
    if (read(&m_items, error))
        return true;
    m_items.clear();
    return false;
}

bool OwnStockList::write(const QStringList& items, QString* error) const {
    QByteArray bytes;
    for (const QString& item : items)
        bytes += TextCodec::encodeGbk(item) + "\r\n";
    return SafeFile::replace(m_file, bytes, error);
}

OwnStockList::Change OwnStockList::change(const std::function<bool(QStringList&)>& edit, QString* error) {
    FileLock lock(m_file);
    QStringList items;
    if (!lock.acquire(error) || !read(&items, error))
        return Change::SaveFailed;
    const bool changed = edit(items);
    if (changed && !write(items, error))
        return Change::SaveFailed;
    // The list shows what the file holds now, unless a run borrows it.
    if (!m_borrowed)
        m_items = items;
    return changed ? Change::Done : Change::Unchanged;
}

OwnStockList::Change OwnStockList::add(const QString& prefixedCode, QString* error) {
    if (prefixedCode.isEmpty())
        return Change::Unchanged;
    return change(
        [&](QStringList& items) {
            if (items.contains(prefixedCode))
                return false;
            items.append(prefixedCode);
            return true;
        },
        error);
}

OwnStockList::Change OwnStockList::remove(const QString& prefixedCode, QString* error) {
    return change([&](QStringList& items) { return items.removeAll(prefixedCode) > 0; }, error);
}

}  // namespace quarrow

#include "quotefiles/OwnStockList.h"

#include "app/SafeFile.h"
#include "app/TextCodec.h"
#include "app/Trim.h"

#include <QFile>
#include <QFileInfo>

namespace quarrow {

QString ownStockFileName() {
    return QStringLiteral("SelfStock.Txt");
}

OwnStockList::OwnStockList(QString file) : m_file(std::move(file)) {}

bool OwnStockList::load(QString* error) {
    m_items.clear();
    if (!QFileInfo::exists(m_file))
        return true;
    QByteArray bytes;
    if (!SafeFile::readRegular(m_file, &bytes, error))
        return false;
    for (const QString& line : TextCodec::splitLines(TextCodec::decode(bytes))) {
        const QString code = trimBlanks(line);
        if (!code.isEmpty() && !m_items.contains(code))
            m_items.append(code);
    }
    return true;
}

bool OwnStockList::save(QString* error) const {
    QByteArray bytes;
    for (const QString& item : m_items)
        bytes += TextCodec::encodeGbk(item) + "\r\n";
    return SafeFile::replace(m_file, bytes, error);
}

OwnStockList::Change OwnStockList::add(const QString& prefixedCode, QString* error) {
    if (prefixedCode.isEmpty() || m_items.contains(prefixedCode))
        return Change::Unchanged;
    m_items.append(prefixedCode);
    if (save(error))
        return Change::Done;
    // The list stays what the file still holds.
    m_items.removeLast();
    return Change::SaveFailed;
}

OwnStockList::Change OwnStockList::remove(const QString& prefixedCode, QString* error) {
    const qsizetype index = m_items.indexOf(prefixedCode);
    if (index < 0)
        return Change::Unchanged;
    m_items.removeAt(index);
    if (save(error))
        return Change::Done;
    m_items.insert(index, prefixedCode);
    return Change::SaveFailed;
}

}  // namespace quarrow

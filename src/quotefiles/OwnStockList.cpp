#include "quotefiles/OwnStockList.h"

#include "app/TextCodec.h"
#include "app/Trim.h"

#include <QFile>
#include <QSaveFile>

namespace quarrow {

QString ownStockFileName() {
    return QStringLiteral("SelfStock.Txt");
}

OwnStockList::OwnStockList(QString file) : m_file(std::move(file)) {}

bool OwnStockList::load(QString* error) {
    m_items.clear();
    QFile file(m_file);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    for (const QString& line : TextCodec::splitLines(TextCodec::decode(file.readAll()))) {
        const QString code = trimBlanks(line);
        if (!code.isEmpty() && !m_items.contains(code))
            m_items.append(code);
    }
    return true;
}

bool OwnStockList::save(QString* error) const {
    QSaveFile file(m_file);
    QByteArray bytes;
    for (const QString& item : m_items)
        bytes += TextCodec::encodeGbk(item) + "\r\n";
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

OwnStockList::Change OwnStockList::add(const QString& prefixedCode, QString* error) {
    if (prefixedCode.isEmpty() || m_items.contains(prefixedCode))
        return Change::Unchanged;
    m_items.append(prefixedCode);
    return save(error) ? Change::Done : Change::SaveFailed;
}

OwnStockList::Change OwnStockList::remove(const QString& prefixedCode, QString* error) {
    if (!m_items.removeOne(prefixedCode))
        return Change::Unchanged;
    return save(error) ? Change::Done : Change::SaveFailed;
}

}  // namespace quarrow

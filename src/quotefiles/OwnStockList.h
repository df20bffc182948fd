#pragma once

#include <QString>
#include <QStringList>

namespace quarrow {

// The user's own stocks (自选股): prefixed codes in the order they were added, without
// duplicates, kept in "SelfStock.Txt" and rewritten whole after every change.
class OwnStockList {
public:
    enum class Change { Done, Unchanged, SaveFailed };

    explicit OwnStockList(QString file);

    // A missing file is an empty list. False (with the reason) when the file is unreadable.
    bool load(QString* error = nullptr);
    bool save(QString* error = nullptr) const;

    const QStringList& items() const { return m_items; }
    bool contains(const QString& prefixedCode) const { return m_items.contains(prefixedCode); }
    QString file() const { return m_file; }

    // Unchanged (and the file untouched) when the code is already listed.
    Change add(const QString& prefixedCode, QString* error = nullptr);
    // Unchanged when the code is not listed.
    Change remove(const QString& prefixedCode, QString* error = nullptr);
    // The mining run's retry passes borrow the list; the file is not written.
    void replaceItems(const QStringList& items) { m_items = items; }

private:
    QString m_file;
    QStringList m_items;
};

// The own stock list's file name, kept in the program folder.
QString ownStockFileName();

}  // namespace quarrow

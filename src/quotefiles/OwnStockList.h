#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace quarrow {

// The user's own stocks (自选股): prefixed codes in the order they were added, without
// duplicates, kept in "SelfStock.Txt" and rewritten whole after every change.
//
// Another program on the folder may change the file meanwhile (a second window, quarrow-cli
// own add): a change reads the file afresh under its lock (FileLock), makes its change on
// what the file holds and writes that back, so nobody's change is lost, and the list then
// shows what the file holds.
class OwnStockList {
public:
    enum class Change { Done, Unchanged, SaveFailed };
    // Thousands of stocks take tens of kilobytes; a file larger than this is no list.
    static constexpr qint64 kMaxBytes = 1024 * 1024;

    explicit OwnStockList(QString file);

    // A missing file is an empty list. False (with the reason) when the file is unreadable.
    bool load(QString* error = nullptr);

    const QStringList& items() const { return m_items; }
    bool contains(const QString& prefixedCode) const { return m_items.contains(prefixedCode); }
    QString file() const { return m_file; }

    // Unchanged (and the file untouched) when the file lists the code already.
    Change add(const QString& prefixedCode, QString* error = nullptr);
    // Unchanged when the file does not list the code.
    Change remove(const QString& prefixedCode, QString* error = nullptr);
    // The mining run's retry passes borrow the list: items() gives these until the next
    // load(). A change meanwhile goes to the file alone, which the run loads back at its end.
    void replaceItems(const QStringList& items) {
        m_items = items;
        m_borrowed = true;
    }

private:
    // The file's codes; a missing file has none.
    bool read(QStringList* items, QString* error) const;
    bool write(const QStringList& items, QString* error) const;
    // A change of the file's list under its lock: edit answers whether it changed anything.
    Change change(const std::function<bool(QStringList&)>& edit, QString* error);

    QString m_file;
    QStringList m_items;
    bool m_borrowed = false;
};

// The own stock list's file name, kept in the program folder.
QString ownStockFileName();

}  // namespace quarrow

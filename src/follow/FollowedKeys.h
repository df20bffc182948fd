#pragma once

#include "store/DataBase.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace quarrow {

// The followed names as the store knows them: the department keys of each. The rows
// carry keys, not names, and a key is made from the name exactly as a report or the
// server printed it; so the stored names are compared with the followed ones without
// blanks, and a name stored with other blanks brings its key in too. A name the store
// does not hold yet is followed by its own key, so the seat's rows show as soon as they
// come. A key the store gives another name (a department renamed away, or another name
// folding into the same key) is that other department's, and is not followed.
class FollowedKeys {
public:
    // Reads the stored names. Nothing, with the reason, when the database is closed or
    // the statement fails.
    static std::optional<FollowedKeys> resolve(TDataBase& db, const QStringList& names, QString* error);

    bool isEmpty() const { return m_keys.isEmpty(); }
    // Every key of every followed name, in the order of the names.
    const QList<qint32>& keys() const { return m_keys; }
    bool follows(qint32 key) const { return m_followedName.contains(key); }
    // The followed name a key stands for; empty for a key not followed.
    QString followedName(qint32 key) const { return m_followedName.value(key); }
    // The department's name as stored (trimmed); the followed name while the store has none.
    QString departmentName(qint32 key) const;
    // Whether the store names the key's department.
    bool isStored(qint32 key) const { return m_storedName.contains(key); }
    // Whether a department name (as the grids show it) is one followed.
    bool followsName(const QString& name) const;

private:
    QList<qint32> m_keys;
    QHash<qint32, QString> m_followedName;
    QHash<qint32, QString> m_storedName;
    QSet<QString> m_foldedNames;
};

}  // namespace quarrow

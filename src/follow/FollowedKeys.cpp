#include "follow/FollowedKeys.h"

#include "app/Trim.h"
#include "follow/FollowedList.h"
#include "store/DepartmentNames.h"
#include "store/RecordKeys.h"

namespace quarrow {

std::optional<FollowedKeys> FollowedKeys::resolve(TDataBase& db, const QStringList& names, QString* error) {
    const auto fail = [&](const QString& reason) -> std::optional<FollowedKeys> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    if (!db.DBOpened())
        return fail(QStringLiteral("the database is not open"));
    FollowedKeys resolved;
    QHash<QString, qsizetype> wanted;  // folded name -> index into names
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString folded = FollowedList::foldName(names.at(i));
        if (!folded.isEmpty() && !wanted.contains(folded))
            wanted.insert(folded, i);
    }
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
        resolved.m_foldedNames.insert(it.key());

    QList<QList<qint32>> keysOfName(names.size());
    QString reason;
    const std::optional<QList<DepartmentName>> stored = departmentNames(db, &reason);
    if (!stored)
        return fail(reason);
    for (const DepartmentName& department : *stored) {
        const qint32 key = department.key;
        const QString name = trimBlanks(department.name);
        resolved.m_storedName.insert(key, name);
        const auto found = wanted.constFind(FollowedList::foldName(name));
        if (found != wanted.cend())
            keysOfName[found.value()].append(key);
    }
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        const qint32 own = CalcDeptKey(trimBlanks(names.at(it.value())));
        if (!resolved.m_storedName.contains(own))
            keysOfName[it.value()].prepend(own);
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        for (const qint32 key : std::as_const(keysOfName[i])) {
            if (resolved.m_followedName.contains(key))
                continue;
            resolved.m_followedName.insert(key, trimBlanks(names.at(i)));
            resolved.m_keys.append(key);
        }
    }
    return resolved;
}

QString FollowedKeys::departmentName(qint32 key) const {
    const auto stored = m_storedName.constFind(key);
    return stored != m_storedName.cend() ? stored.value() : m_followedName.value(key);
}

bool FollowedKeys::followsName(const QString& name) const {
    return m_foldedNames.contains(FollowedList::foldName(name));
}

}  // namespace quarrow

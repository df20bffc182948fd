#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace quarrow {

class TDataBase;

// What offering a department name (or a change description) to tblStDepart came to.
struct DepartmentOffer {
    enum class Result {
        Stored,         // the name went in under its key
        AlreadyStored,  // the key was there already (under this name or another)
        Failed,         // the database refused the write (error says why)
    };
    Result result = Result::Failed;
    // The key belongs to another name already: the rows of this name will show under that
    // one. Given only the first time a name meets this in the session, so it is said once.
    QString heldBy;
    QString error;
};

// Offers the name under its key, as both writers (the report parser and the download)
// store every name they meet. The key is a sum over the name's characters, so two names
// can share one; the first stored keeps it, and the rows of the second carry its key.
DepartmentOffer offerDepartment(TDataBase& db, qint32 key, const QString& name);

// Every stored name under its key, in the order stored; nothing when unreadable.
struct DepartmentName {
    qint32 key = 0;
    QString name;
};
std::optional<QList<DepartmentName>> departmentNames(TDataBase& db, QString* error = nullptr);

// The magenta log line that tells the user why a department's rows show another's name.
QString departmentClashLine(const QString& name, const QString& heldBy, qint32 key);

}  // namespace quarrow

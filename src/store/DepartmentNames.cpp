#include "store/DepartmentNames.h"

#include "app/Trim.h"
#include "store/DataBase.h"
#include "store/StoreWrites.h"

namespace quarrow {

namespace {

const QString kInsertDepartment =
    QStringLiteral("insert into tblStDepart (StDeptKey,StDept) values (:StDeptKey,:StDept)");
const QString kNameOfKey = QStringLiteral("select StDept from tblStDepart where StDeptKey=:StDeptKey");

// The name the key is stored under, known or read; the offered name itself when the row
// cannot be read (no clash is claimed without seeing it).
QString storedName(TDataBase& db, qint32 key, const QString& offered) {
    if (db.isKnownDepartment(key))
        return db.knownDepartmentName(key);
    Statement select = db.QueryPublic(kNameOfKey);
    select.bind(QStringLiteral(":StDeptKey"), key);
    if (!select.exec() || !select.next())
        return offered;
    return select.text(0);
}

}  // namespace

DepartmentOffer offerDepartment(TDataBase& db, qint32 key, const QString& name) {
    DepartmentOffer offer;
    if (const std::optional<StoreWrite> refused = refusedWrite(db)) {
        offer.error = refused->error;
        return offer;
    }
    if (!db.isKnownDepartment(key)) {
        Statement insert = db.DBCommand(kInsertDepartment);
        insert.bind(QStringLiteral(":StDeptKey"), key).bind(QStringLiteral(":StDept"), name);
        if (insert.exec()) {
            db.rememberDepartment(key, name);
            offer.result = DepartmentOffer::Result::Stored;
            return offer;
        }
        if (!insert.failedOnUniqueKey()) {
            offer.error = insert.error();
            return offer;
        }
    }
    offer.result = DepartmentOffer::Result::AlreadyStored;
    const QString holder = storedName(db, key, name);
    db.rememberDepartment(key, holder);
    // The query page compares trimmed names: blanks around a name are the same department.
    if (trimBlanks(holder) != trimBlanks(name) && db.firstClashOf(name))
        offer.heldBy = holder;
    return offer;
}

std::optional<QList<DepartmentName>> departmentNames(TDataBase& db, QString* error) {
    Statement stored = db.QueryPublic(QStringLiteral("select StDeptKey, StDept from tblStDepart"));
    if (!stored.exec()) {
        if (error)
            *error = stored.error();
        return std::nullopt;
    }
    QList<DepartmentName> names;
    while (stored.next())
        names.append({static_cast<qint32>(stored.integer(0)), stored.text(1)});
    return names;
}

QString departmentClashLine(const QString& name, const QString& heldBy, qint32 key) {
    return QStringLiteral(
               "\t>>>>>\"%1\"与已保存的\"%2\"代码相同(%3),\"%1\"的数据将显示在\"%2\"名下,"
               "按营业部删除\"%2\"的数据时也会删除它们")
        .arg(trimBlanks(name), trimBlanks(heldBy))
        .arg(key);
}

}  // namespace quarrow

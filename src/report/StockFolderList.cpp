#include "report/StockFolderList.h"

#include "app/ProgramFolder.h"
#include "app/StockCode.h"
#include "store/DataBase.h"

#include <QDir>
#include <QHash>

namespace quarrow {

QList<StockRow> stockFolderList(const ProgramFolder& folder, TDataBase& db) {
    QStringList codes = QDir(folder.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    codes.removeIf([](const QString& name) { return !isStockCode(name); });

    QHash<QString, QString> names;
    if (db.DBOpened()) {
        Statement select = db.QueryPublic(QStringLiteral("select StCode, StName from tblStocks"));
        if (select.exec()) {
            while (select.next())
                names.insert(select.text(0), select.text(1));
        }
    }
    QList<StockRow> rows;
    rows.reserve(codes.size());
    for (const QString& code : codes)
        rows.append({code, names.value(code)});
    return rows;
}

}  // namespace quarrow

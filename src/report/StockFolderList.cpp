#include "report/StockFolderList.h"

#include "app/ProgramFolder.h"
#include "app/StockCode.h"

#include <QDir>
#include <QSet>

namespace quarrow {

QStringList unlistedStockFolders(const ProgramFolder& folder, const QList<StockRow>& rows) {
    QSet<QString> listed;
    listed.reserve(rows.size());
    for (const StockRow& row : rows)
        listed.insert(row.code());
    QStringList unlisted = QDir(folder.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    unlisted.removeIf([&](const QString& name) { return !isStockCode(name) || listed.contains(name); });
    return unlisted;
}

}  // namespace quarrow

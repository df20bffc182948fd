#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace quarrow {

class ProgramFolder;

// One row of the all-stocks list: its key, the prefixed code such as sz000001 whose last
// six characters are the stock code, and its name.
struct StockRow {
    QString key;
    QString name;
    QString code() const { return key.right(6); }
};

// The six-digit stock folders of the program folder, in code order, whose code no row of
// the list carries: the batch walks the list, so their documents would never be read.
QStringList unlistedStockFolders(const ProgramFolder& folder, const QList<StockRow>& rows);

}  // namespace quarrow

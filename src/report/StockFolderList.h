#pragma once

#include <QList>
#include <QString>

namespace quarrow {

class ProgramFolder;
class TDataBase;

// One row of the stock list: its key (the last six characters are the stock code) and
// its name.
struct StockRow {
    QString key;
    QString name;
    QString code() const { return key.right(6); }
};

// The stocks that have report documents: the six-digit folders of the program folder, in
// code order, named from tblStocks where the database knows them.
QList<StockRow> stockFolderList(const ProgramFolder& folder, TDataBase& db);

}  // namespace quarrow

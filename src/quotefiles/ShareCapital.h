#pragma once

#include "app/AppFrame.h"
#include "platform/Clock.h"
#include "quotefiles/StockList.h"
#include "store/DataBase.h"

#include <QStringList>

namespace quarrow {

struct CapitalImportResult {
    bool fileRead = false;  // false when base.dbf is missing or has another layout
    int recordsRead = 0;
    int inserted = 0;
    int changed = 0;
    // The database refused the import (locked, full): nothing was stored, and inserted
    // and changed are 0.
    bool storeFailed = false;
    QString storeError;
    QStringList memo;  // the lines the log page shows: changed, new and nameless stocks
};

// The stock master data in tblStocks: the share capital from the quote program's
// base.dbf, the names from the all-stocks list, and the listing of both.
class ShareCapital {
public:
    // db may be null or closed: the import then only reports stocks without names.
    ShareCapital(TDataBase* db, AppFrame& frame, Clock& clock);

    // Updates changed stocks (StNew 2) and inserts new ones (StNew 1), all in one
    // transaction. Throws RecordFileError when base.dbf cannot be read.
    CapitalImportResult importShareCapital(const QString& quoteFolder, const StockList& list);

    // Stores the list's names where they differ (StNew 3), in one transaction; returns
    // "code|name" per change. When the database refuses, nothing is stored, the list is
    // empty and storeError (when given) tells why.
    QStringList refreshNames(const StockList& list, QString* storeError = nullptr);

private:
    bool databaseOpen() const { return m_db && m_db->DBOpened(); }

    TDataBase* m_db;
    AppFrame& m_frame;
    Clock& m_clock;
};

// The market prefix of a base.dbf market byte, or nothing for a market we do not list.
QString marketOfBaseRecord(char market);

}  // namespace quarrow

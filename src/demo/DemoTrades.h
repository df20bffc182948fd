#pragma once

#include "demo/QuoteFolderGenerator.h"
#include "store/DataBase.h"

namespace quarrow {

struct DemoTradeOptions {
    int rows = 1000;       // tblStChange rows in all, anomaly rows included
    int departments = 50;  // distinct department names
    quint32 seed = 20170316;
};

// Stores department rows on the trading days of the generated stocks that have a whole
// history, keyed the way the parser keys them: each anomaly day an anomaly row, five
// buying and four selling departments. The track record and its benchmark read them back
// against the generated daily bars. False with the reason when the store refuses them.
bool storeDemoTrades(TDataBase& db, const GeneratedQuoteFolder& folder, const DemoTradeOptions& options,
                     QString* error = nullptr);

}  // namespace quarrow

#pragma once

// The store's own helpers for its typed writes: every write of a read-only store is
// refused with one line before it reaches the driver, and a statement's outcome is told
// the same way for every table.

#include "store/DataBase.h"
#include "store/ReportRows.h"
#include "store/StockTable.h"

#include <optional>

namespace quarrow {

inline std::optional<StoreWrite> refusedWrite(TDataBase& db) {
    if (!db.DBOpened())
        return StoreWrite{StoreWrite::Result::Failed, QStringLiteral("the database is not open")};
    if (db.readOnly())
        return StoreWrite{StoreWrite::Result::Failed, TDataBase::readOnlyRefusal()};
    return std::nullopt;
}

inline StoreWrite writeOf(Statement& insert) {
    if (insert.exec())
        return {StoreWrite::Result::Inserted, {}};
    if (insert.failedOnUniqueKey())
        return {StoreWrite::Result::Duplicate, insert.error()};
    return {StoreWrite::Result::Failed,
            insert.error().isEmpty() ? QStringLiteral("unknown database error") : insert.error()};
}

inline std::optional<StoreUpdate> refusedUpdate(TDataBase& db) {
    if (const std::optional<StoreWrite> refused = refusedWrite(db))
        return StoreUpdate{false, 0, refused->error};
    return std::nullopt;
}

inline StoreUpdate updateOf(Statement& update) {
    if (update.exec())
        return {true, update.rowsAffected(), {}};
    return {false, 0, update.error().isEmpty() ? QStringLiteral("unknown database error") : update.error()};
}

}  // namespace quarrow

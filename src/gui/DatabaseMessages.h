#pragma once

#include <QString>

namespace quarrow {

// The database's own error texts are English (SQLite, the ODBC drivers) and mean little
// to our users: the usual ones are said in Chinese, with the original after it for
// whoever has to look further. The program's own (a store that may only be read, no
// Access driver) are said in Chinese alone.
QString databaseErrorText(const QString& error);

// The line the window shows when the store does not open.
QString storeOpenFailureText(const QString& storeName, const QString& error);

// The line the window shows when the store opens only for reading.
QString readOnlyStoreText(const QString& storeName);

}  // namespace quarrow

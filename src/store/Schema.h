#pragma once

#include <QStringList>

namespace quarrow::Schema {

// The statements that bring a database file from version - 1 to version. Version 1
// creates every table, view and index; later versions only add to what is there.
QStringList migration(int version);

// The tables the program reads and writes: a database it did not create itself (an Access
// file reached through ODBC) must hold them all.
QStringList tableNames();

}  // namespace quarrow::Schema

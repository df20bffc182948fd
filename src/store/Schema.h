#pragma once

#include <QStringList>

namespace quarrow::Schema {

// The statements that bring a database file from version - 1 to version. Version 1
// creates every table, view and index; later versions only add to what is there.
QStringList migration(int version);

}  // namespace quarrow::Schema

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quarrow {

// The ODBC drivers this program can load: on Windows the drivers registered for programs
// of its own width (a 64-bit program sees only the 64-bit ones), elsewhere those of
// unixODBC's odbcinst.ini.
QStringList installedOdbcDrivers();

// The Access driver to reach an Access file through: the Access Database Engine's
// "Microsoft Access Driver (*.mdb, *.accdb)" first, then Windows' own "(*.mdb)", which
// exists only for 32-bit programs. Nothing when neither is installed.
std::optional<QString> accessDriverOf(const QStringList& installed);

// Why an Access file cannot be opened when no driver is there, and what to do.
QString accessDriverMissing();

}  // namespace quarrow

#pragma once

// An ODBC source for the tests: unixODBC with the SQLite ODBC driver in place of
// Microsoft's Access driver, over a file laid out as the program's own store or as an
// Access file of the first release.

#include <QString>

namespace quarrow::test {

// Why the ODBC stand-in cannot be had on this system (Qt's ODBC driver or the SQLite ODBC
// driver missing); empty when it can.
QString odbcStandInMissing();

QString standInConnection(const QString& file);

// Makes `file` hold the tables of the first release's Access file as Access declares them
// (CURRENCY, DATETIME, COUNTER, LONG, BIT, TEXT(n)), their unique indexes and the first
// release's views, which show the department names but not their keys; numbers default
// to 0, as Access's table designer makes them. The counters
// count as Access's do: a trigger numbers each new row. False with the reason.
bool makeAccessStandIn(const QString& file, QString* error);

}  // namespace quarrow::test

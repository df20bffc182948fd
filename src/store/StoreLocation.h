#pragma once

#include <QString>

namespace quarrow {

class ProgramFolder;
class Settings;

// Where the program's data live, as the settings file's [Database] section says: the
// program's own SQLite file, a user's existing Access file, or any ODBC source.
enum class StoreKind { SQLite, Access, Odbc };

struct StoreLocation {
    StoreKind kind = StoreKind::SQLite;
    // The SQLite or Access file; empty for another ODBC source.
    QString file;
    // The ODBC connection string (Access and ODBC); empty for SQLite.
    QString connection;

    // ODBC wins over Access, Access over the program's own file.
    static StoreLocation of(const Settings& settings, const ProgramFolder& folder);

    // How messages name the store: the file, or the ODBC source without its password.
    QString displayName() const;
};

}  // namespace quarrow

#pragma once

#include <QString>
#include <QStringList>

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
    // The ODBC connection string (Access and ODBC); empty for SQLite, and for an Access
    // file no driver can reach (unavailable says why).
    QString connection;
    QString unavailable;

    // ODBC wins over Access, Access over the program's own file. An Access file goes
    // through the first Access driver installed (installedOdbcDrivers() when none given).
    static StoreLocation of(const Settings& settings, const ProgramFolder& folder);
    static StoreLocation of(const Settings& settings, const ProgramFolder& folder,
                            const QStringList& drivers);
    // An Access file, or an ODBC source behind the given connection string.
    static StoreLocation ofAccess(const QString& file, const QStringList& drivers);
    static StoreLocation ofOdbc(const QString& connection);

    // The engine behind the store: an ODBC string that names an Access driver reaches an
    // Access file as surely as the Access setting does.
    StoreKind engine() const;
    // How messages name the store: the file, or the ODBC source without its password.
    QString displayName() const;
};

}  // namespace quarrow

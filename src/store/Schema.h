#pragma once

#include <QStringList>

namespace quarrow::Schema {

// The statements that bring a database file from version - 1 to version. Version 1
// creates every table, view and index; later versions add to what is there and keep every
// row the file holds.
QStringList migration(int version);

// The tables the program reads and writes: a database it did not create itself (an Access
// file reached through ODBC) must hold them all.
QStringList tableNames();
// What a migration did to the rows it found, for the user: a statement's index in the
// migration, and the note (with %1 for the rows it changed) to give when it changed any.
struct MigrationNote {
    int statement = 0;
    QString text;
};
QList<MigrationNote> migrationNotes(int version);

}  // namespace quarrow::Schema

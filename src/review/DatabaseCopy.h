#pragma once

#include "app/JobOutcome.h"
#include "store/StoreLocation.h"

#include <QString>

namespace quarrow {

class Settings;

// Done when the copy is in place; not started when there is nothing to copy to (the store
// itself, an ODBC source); failed otherwise. The status tells the cases apart.
struct DatabaseCopyOutcome : JobOutcome {
    enum class Status {
        Copied,       // the copy is in place and passed its check
        SamePath,     // the chosen file is the store or one of its own files: nothing copied
        Unsupported,  // the store is an ODBC source, which has no file to copy
        Failed,       // no copy (error says why); an older file at the path is untouched
    };
    Status status = Status::Failed;
    QString target;  // the file the copy went to (or would have)
    QString error;
    // The folder could not be noted for the next backup (the copy itself may be fine):
    // settingsError of the outcome.
};

// The backup of btnCopyData: the folder the last backup went to (Folder/DBCOPY, the
// program folder at first), the store file's name proposed in it, and the copy to the
// file the user chose. The program's own SQLite file is copied through SQLite's online
// backup and checked; an Access file byte for byte, checked by its size; an ODBC source
// has no file of ours and is refused.
class DatabaseCopy {
public:
    DatabaseCopy(Settings& settings, StoreLocation store);

    bool supported() const { return m_store.kind != StoreKind::Odbc; }
    // The file the dialog proposes: the store file's name in the last backup folder.
    QString proposedPath() const;
    // The file a chosen path stands for: a folder takes the copy under the store file's name.
    QString targetFor(const QString& chosen) const;
    // Notes the chosen file's folder for the next time and copies the store there,
    // replacing a file already there, unless the chosen file is the store itself or one of
    // the files SQLite keeps beside it (its log, its shared memory, its journal), whose
    // replacement would lose committed rows.
    DatabaseCopyOutcome copyTo(const QString& chosen);

private:
    bool isStoreOwnFile(const QString& target) const;

    Settings& m_settings;
    StoreLocation m_store;
};

}  // namespace quarrow

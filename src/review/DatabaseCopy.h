#pragma once

#include <QString>

namespace quarrow {

class Settings;

struct DatabaseCopyOutcome {
    enum class Status {
        Copied,    // the copy is in place and passed its check
        SamePath,  // the chosen file is the database itself: nothing copied, nothing noted
        Failed,    // no copy (error says why); an older file at the path is untouched
    };
    Status status = Status::Failed;
    QString error;
    // The folder could not be noted for the next backup (the copy itself may be fine).
    QString settingError;
};

// The backup of btnCopyData: the folder the last backup went to (Folder/DBCOPY, the
// program folder at first), the database file's name proposed in it, and the copy to the
// file the user chose.
class DatabaseCopy {
public:
    DatabaseCopy(Settings& settings, QString databaseFile);

    // The file the dialog proposes: the database's name in the last backup folder.
    QString proposedPath() const;
    // Notes the chosen file's folder for the next time and copies the database there,
    // replacing a file already there, unless the chosen file is the database itself.
    DatabaseCopyOutcome copyTo(const QString& chosen);

private:
    Settings& m_settings;
    QString m_databaseFile;
};

}  // namespace quarrow

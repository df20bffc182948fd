#include "store/DatabaseBackup.h"

#include "store/DataBase.h"

#include "app/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

namespace quarrow::DatabaseBackup {

namespace {

// One raw connection, closed when the scope ends. Qt's SQL layer offers no online backup.
class Connection {
public:
    Connection() = default;
    ~Connection() { close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool open(const QString& path, int flags, QString* error) {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
        if (rc == SQLITE_OK)
            return true;
        *error = message(rc);
        close();
        return false;
    }
    // False when SQLite could not finish the file (its last writes failed).
    bool close() {
        sqlite3* db = m_db;
        m_db = nullptr;
        return !db || sqlite3_close(db) == SQLITE_OK;
    }
    sqlite3* get() const { return m_db; }
    QString message(int rc) const {
        return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
    }

    // The first column of every row of a statement without parameters.
    bool rows(const char* sql, QStringList* values, QString* error) const {
        sqlite3_stmt* statement = nullptr;
        int rc = sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr);
        if (rc == SQLITE_OK) {
            while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
                *values << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        }
        sqlite3_finalize(statement);
        if (rc == SQLITE_DONE)
            return true;
        *error = message(rc);
        return false;
    }

private:
    sqlite3* m_db = nullptr;
};

// UTF-16 becomes the system's wide names on Windows and UTF-8 elsewhere.
std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

// The unfinished copy, in a fresh folder beside the target that only this user may enter,
// removed with what SQLite left beside the copy unless the copy was renamed into place. The
// folder is made new (a link or anything else already there under its name is no folder of
// ours), so neither the copy nor SQLite's journal beside it is ever written through a link
// someone put in the target's folder.
class PartFile {
public:
    explicit PartFile(const QString& target) : m_target(target) {}
    ~PartFile() {
        if (!m_folder.isEmpty())
            QDir(m_folder).removeRecursively();
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    bool create(QString* error) {
        removeScraps();
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QString folder = QStringLiteral("%1.%2.part")
                                       .arg(m_target)
                                       .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
            if (QDir().mkdir(folder,
                             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
                const QString path = QDir(folder).filePath(QFileInfo(m_target).fileName());
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                    *error = file.errorString();
                    QDir().rmdir(folder);
                    return false;
                }
                m_folder = folder;
                m_path = path;
                return true;
            }
            *error = QStringLiteral("cannot make a folder there");
            if (!QFileInfo::exists(folder) && !QFileInfo(folder).isSymLink())
                break;  // not a clash of names: another name fares no better
        }
        return false;
    }
    QString path() const { return m_path; }
    // A backup killed half way leaves its part file (the size of the whole store) behind;
    // the next backup to the same file takes away those nobody has written to for a while.
    void removeScraps() const {
        const QFileInfo target(m_target);
        const QString pattern = target.fileName() + QStringLiteral(".*.part");
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-SafeFile::kScrapAge_s);
        QDirIterator entries(target.absolutePath(), QDir::Files | QDir::Hidden | QDir::System);
        while (entries.hasNext()) {
            entries.next();
            const QFileInfo info = entries.fileInfo();
            const QString name = info.fileName();
            const bool part = SafeFile::matchesPattern(name, pattern);
            const bool companion = SafeFile::matchesPattern(name, pattern + QStringLiteral("-*"));
            if ((part || companion) && !info.isSymLink() && info.lastModified().toUTC() < before)
                QFile::remove(info.absoluteFilePath());
        }
    }
    bool moveIntoPlace(QString* error) {
        std::error_code code;
        std::filesystem::rename(fsPath(m_path), fsPath(m_target), code);
        if (code) {
            *error = QString::fromLocal8Bit(code.message());
            return false;
        }
        return true;  // the folder goes with what is left in it
    }

private:
    QString m_target;
    QString m_folder;
    QString m_path;
};

bool fail(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return false;
}

// What a copy must not be written over: the checks every kind of copy shares.
bool checkTarget(const QString& source, const QFileInfo& target, QString* error) {
    if (!QFileInfo(source).isFile())
        return fail(error, QStringLiteral("the database file %1 does not exist").arg(source));
    if (target.exists() && !target.isFile())
        return fail(error, QStringLiteral("%1 exists and is not a file").arg(target.filePath()));
    if (!target.absoluteDir().exists())
        return fail(error, QStringLiteral("the folder %1 does not exist").arg(target.absolutePath()));
    return true;
}

}  // namespace

bool copy(const QString& source, const QString& target, QString* error) {
    const QFileInfo targetInfo(target);
    if (!checkTarget(source, targetInfo, error))
        return false;

    QString reason;
    PartFile part(targetInfo.absoluteFilePath());
    if (!part.create(&reason))
        return fail(error,
                    QStringLiteral("cannot create a file in %1: %2").arg(targetInfo.absolutePath(), reason));
    {
        Connection from;
        Connection to;
        // Read-write only so that a file in write-ahead-log mode can be read without the
        // program that wrote it; nothing is written to the source.
        if (!from.open(source, SQLITE_OPEN_READWRITE, &reason))
            return fail(error, QStringLiteral("cannot open %1: %2").arg(source, reason));
        sqlite3_busy_timeout(from.get(), TDataBase::kBusyTimeout_ms);
        if (!to.open(part.path(), SQLITE_OPEN_READWRITE, &reason))
            return fail(error, QStringLiteral("cannot open the copy: %1").arg(reason));
        sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
        if (!backup)
            return fail(error, QStringLiteral("cannot start the copy: %1").arg(to.message(SQLITE_ERROR)));
        // All pages in one step: one read snapshot of the source from the first page to the last.
        const int stepped = sqlite3_backup_step(backup, -1);
        const int finished = sqlite3_backup_finish(backup);
        if (stepped != SQLITE_DONE)
            return fail(
                error, QStringLiteral("the copy failed: %1").arg(QString::fromUtf8(sqlite3_errstr(stepped))));
        if (finished != SQLITE_OK)
            return fail(error, QStringLiteral("the copy failed: %1").arg(to.message(finished)));
        // The pages carry the source's write-ahead-log mark; a copy meant to be carried
        // away is better one file that any reader opens as it is.
        QStringList mode;
        if (!to.rows("PRAGMA journal_mode=DELETE", &mode, &reason))
            return fail(error, QStringLiteral("the copy failed: %1").arg(reason));
        if (mode != QStringList{QStringLiteral("delete")})
            return fail(error, QStringLiteral("the copy stayed in %1 mode").arg(mode.join(QLatin1Char(' '))));
        if (!to.close())
            return fail(error, QStringLiteral("the copy could not be completed"));
    }
    {
        Connection check;
        if (!check.open(part.path(), SQLITE_OPEN_READONLY, &reason))
            return fail(error, QStringLiteral("cannot open the copy to check it: %1").arg(reason));
        QStringList report;
        if (!check.rows("PRAGMA integrity_check", &report, &reason))
            return fail(error, QStringLiteral("cannot check the copy: %1").arg(reason));
        if (report != QStringList{QStringLiteral("ok")})
            return fail(
                error,
                QStringLiteral("the copy failed its integrity check: %1").arg(report.join(QLatin1Char(' '))));
    }
    if (!part.moveIntoPlace(&reason))
        return fail(error, QStringLiteral("cannot put the copy in place as %1: %2").arg(target, reason));
    return true;
}

bool copyFile(const QString& source, const QString& target, QString* error) {
    const QFileInfo targetInfo(target);
    if (!checkTarget(source, targetInfo, error))
        return false;
    QString reason;
    QFile from;
    if (!SafeFile::openRegular(from, source, QIODevice::ReadOnly, &reason))
        return fail(error, QStringLiteral("cannot open %1: %2").arg(source, reason));
    PartFile part(targetInfo.absoluteFilePath());
    if (!part.create(&reason))
        return fail(error,
                    QStringLiteral("cannot create a file in %1: %2").arg(targetInfo.absolutePath(), reason));
    QFile to(part.path());
    if (!to.open(QIODevice::WriteOnly | QIODevice::ExistingOnly))
        return fail(error, QStringLiteral("cannot write the copy: %1").arg(to.errorString()));
    constexpr qint64 kChunk = 1 << 20;
    qint64 copied = 0;
    QByteArray chunk;
    while (true) {
        chunk = from.read(kChunk);
        if (from.error() != QFileDevice::NoError)
            return fail(error, QStringLiteral("cannot read %1: %2").arg(source, from.errorString()));
        if (chunk.isEmpty())
            break;
        if (to.write(chunk) != chunk.size())
            return fail(error, QStringLiteral("cannot write the copy: %1").arg(to.errorString()));
        copied += chunk.size();
    }
    if (!SafeFile::syncToDisk(to, &reason))
        return fail(error, QStringLiteral("cannot write the copy: %1").arg(reason));
    to.close();
    if (to.error() != QFileDevice::NoError)
        return fail(error, QStringLiteral("cannot write the copy: %1").arg(to.errorString()));
    // A file that grew or shrank while it was read (another program writing) is no copy
    // of one moment.
    if (copied != from.size() || QFileInfo(part.path()).size() != copied)
        return fail(error, QStringLiteral("the database changed while it was copied; try again"));
    if (!part.moveIntoPlace(&reason))
        return fail(error, QStringLiteral("cannot put the copy in place as %1: %2").arg(target, reason));
    return true;
}

QString physicalPath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    // The folder as the system resolves it: "link/.." is the link target's parent, which
    // cleaning the text would get wrong.
    QString native = QDir::fromNativeSeparators(path);
    const qsizetype slash = native.lastIndexOf(QLatin1Char('/'));
    const QString folder =
        slash < 0 ? QStringLiteral(".") : (slash == 0 ? QStringLiteral("/") : native.left(slash));
    const QString name = native.mid(slash + 1);
    const QString resolved = QFileInfo(folder).canonicalFilePath();
    if (resolved.isEmpty() || name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return info.absoluteFilePath();
    return QDir(resolved).filePath(name);
}

bool isSameFile(const QString& first, const QString& second) {
    return physicalPath(first).compare(physicalPath(second), Qt::CaseInsensitive) == 0;
}

}  // namespace quarrow::DatabaseBackup

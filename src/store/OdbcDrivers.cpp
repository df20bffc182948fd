#include "store/OdbcDrivers.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace quarrow {

namespace {

const QString kEngineDriver = QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)");
const QString kWindowsDriver = QStringLiteral("Microsoft Access Driver (*.mdb)");

// The section names of an odbcinst.ini but its own [ODBC] section.
QStringList sectionsOf(const QString& path) {
    QFile file(path);
    QStringList sections;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return sections;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            if (name.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) != 0)
                sections << name;
        }
    }
    return sections;
}

}  // namespace

QStringList installedOdbcDrivers() {
#ifdef Q_OS_WIN
    const QSettings drivers(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers"),
                            QSettings::NativeFormat);
    return drivers.childKeys();
#else
    const QString folder = qEnvironmentVariable("ODBCSYSINI", QStringLiteral("/etc"));
    QStringList drivers = sectionsOf(QDir(folder).filePath(QStringLiteral("odbcinst.ini")));
    drivers << sectionsOf(QDir::home().filePath(QStringLiteral(".odbcinst.ini")));
    drivers.removeDuplicates();
    return drivers;
#endif
}

std::optional<QString> accessDriverOf(const QStringList& installed) {
    for (const QString& wanted : {kEngineDriver, kWindowsDriver}) {
        if (installed.contains(wanted, Qt::CaseInsensitive))
            return wanted;
    }
    return std::nullopt;
}

QString accessDriverMissing() {
    return QStringLiteral(
               "no Microsoft Access ODBC driver is installed for this 64-bit program (neither \"%1\" nor "
               "\"%2\"): "
               "install the Microsoft Access Database Engine (64-bit); then `quarrow-cli import-db` (in the "
               "window: "
               "数据 > 导入数据库) copies the Access file into the program's own store, which needs no "
               "driver")
        .arg(kEngineDriver, kWindowsDriver);
}

}  // namespace quarrow

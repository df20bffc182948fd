#include "store/StoreLocation.h"

#include "app/ProgramFolder.h"
#include "app/Settings.h"
#include "store/OdbcDrivers.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace quarrow {

StoreLocation StoreLocation::of(const Settings& settings, const ProgramFolder& folder) {
    // The drivers are looked up only for an Access file.
    if (settings.odbcSource().isEmpty() && !settings.accessFile().isEmpty())
        return of(settings, folder, installedOdbcDrivers());
    return of(settings, folder, QStringList());
}

StoreLocation StoreLocation::of(const Settings& settings, const ProgramFolder& folder,
                                const QStringList& drivers) {
    if (const QString odbc = settings.odbcSource(); !odbc.isEmpty())
        return ofOdbc(odbc);
    if (const QString access = settings.accessFile(); !access.isEmpty())
        return ofAccess(access, drivers);
    StoreLocation location;
    location.file = folder.databaseFile();
    return location;
}

StoreLocation StoreLocation::ofAccess(const QString& file, const QStringList& drivers) {
    StoreLocation location;
    location.kind = StoreKind::Access;
    location.file = file;
    const std::optional<QString> driver = accessDriverOf(drivers);
    if (!driver) {
        location.unavailable = accessDriverMissing();
        return location;
    }
    // The Access driver's settings the program has always used, without ADO's wrapper.
    location.connection = QStringLiteral(
                              "Driver={%1};DBQ=%2;DefaultDir=%3;FIL=MS Access;MaxBufferSize=2048;"
                              "MaxScanRows=8;PageTimeout=5;SafeTransactions=0;Threads=3;"
                              "UserCommitSync=Yes;")
                              .arg(*driver, QDir::toNativeSeparators(file),
                                   QDir::toNativeSeparators(QFileInfo(file).absolutePath()));
    return location;
}

StoreLocation StoreLocation::ofOdbc(const QString& connection) {
    StoreLocation location;
    location.kind = StoreKind::Odbc;
    location.connection = connection;
    return location;
}

StoreKind StoreLocation::engine() const {
    if (kind == StoreKind::Odbc &&
        connection.contains(QLatin1String("Microsoft Access Driver"), Qt::CaseInsensitive))
        return StoreKind::Access;
    return kind;
}

QString StoreLocation::displayName() const {
    if (kind != StoreKind::Odbc)
        return QDir::toNativeSeparators(file);
    // A connection string may carry a password; a message never shows it.
    QString shown = connection;
    static const QRegularExpression password(QStringLiteral("(PWD|Password)\\s*=[^;]*"),
                                             QRegularExpression::CaseInsensitiveOption);
    shown.replace(password, QStringLiteral("\\1=***"));
    return QStringLiteral("ODBC(%1)").arg(shown);
}

}  // namespace quarrow

#include "store/StoreLocation.h"

#include "app/ProgramFolder.h"
#include "app/Settings.h"

#include <QDir>
#include <QRegularExpression>

namespace quarrow {

StoreLocation StoreLocation::of(const Settings& settings, const ProgramFolder& folder) {
    StoreLocation location;
    if (const QString odbc = settings.odbcSource(); !odbc.isEmpty()) {
        location.kind = StoreKind::Odbc;
        location.connection = odbc;
    } else if (const QString access = settings.accessFile(); !access.isEmpty()) {
        location.kind = StoreKind::Access;
        location.file = access;
        location.connection = Settings::accessConnection(access);
    } else {
        location.file = folder.databaseFile();
    }
    return location;
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

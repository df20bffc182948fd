#include "gui/DatabaseMessages.h"

#include "store/DataBase.h"
#include "store/OdbcDrivers.h"

#include <QList>

#include <optional>
#include <utility>

namespace quarrow {

namespace {

// What the usual failures are called by SQLite, Qt's drivers and the ODBC drivers, and
// what they mean for the user.
QString meaningOf(const QString& error) {
    static const QList<std::pair<QStringList, QString>> meanings{
        {{QStringLiteral("readonly"), QStringLiteral("read-only"), QStringLiteral("read only")},
         QStringLiteral("数据库文件是只读的,无法保存数据")},
        {{QStringLiteral("database is locked"), QStringLiteral("database table is locked"),
          QStringLiteral("busy")},
         QStringLiteral("数据库正被其他程序使用,请稍后再试")},
        {{QStringLiteral("disk is full"), QStringLiteral("database or disk is full"),
          QStringLiteral("No space")},
         QStringLiteral("磁盘已满,数据无法保存")},
        {{QStringLiteral("malformed"), QStringLiteral("not a database"), QStringLiteral("corrupt")},
         QStringLiteral("数据库文件已损坏或不是本程序的数据库")},
        {{QStringLiteral("unable to open"), QStringLiteral("cannot open")},
         QStringLiteral("无法打开数据库文件,请检查文件和文件夹是否存在、是否有读写权限")},
        {{QStringLiteral("newer version")}, QStringLiteral("数据库由较新版本的Quarrow写入,请升级本程序")},
        {{QStringLiteral("has no table"), QStringLiteral("no such table")},
         QStringLiteral("数据库缺少本程序需要的数据表")},
        {{QStringLiteral("no such column")},
         QStringLiteral("数据库缺少本程序需要的数据列,可能是旧版本的数据库")},
        {{QStringLiteral("IM002"), QStringLiteral("Data source name not found"),
          QStringLiteral("driver (QODBC) is not installed")},
         QStringLiteral("找不到ODBC数据源或驱动程序,请检查设置文件[Database]中的数据源和驱动程序是否已安装")},
        {{QStringLiteral("disk I/O error"), QStringLiteral("I/O error")},
         QStringLiteral("读写数据库文件时磁盘出错")},
        {{QStringLiteral("UNIQUE constraint")}, QStringLiteral("数据已经存在")},
        {{QStringLiteral("not open")}, QStringLiteral("数据库没有打开")},
    };
    for (const auto& [markers, meaning] : meanings) {
        for (const QString& marker : markers) {
            if (error.contains(marker, Qt::CaseInsensitive))
                return meaning;
        }
    }
    return QStringLiteral("数据库出错");
}

// The program's own messages about the store say all there is to say: the user reads
// them in Chinese alone, with no English after them.
std::optional<QString> ownMessageOf(const QString& error) {
    if (error.contains(TDataBase::readOnlyRefusal()))
        return QStringLiteral("数据库是只读的:可以调阅数据,但不能保存新数据");
    if (error.contains(accessDriverMissing()))
        return QStringLiteral(
            "本机没有64位程序可用的Access数据库驱动程序:请安装微软的\"Microsoft Access Database "
            "Engine\"(64位)。装好后可用菜单\"数据\"中的\"导入数据库\"把数据转入本程序自己的数据库,"
            "以后就不再需要这个驱动程序");
    return std::nullopt;
}

}  // namespace

QString databaseErrorText(const QString& error) {
    if (error.trimmed().isEmpty())
        return QStringLiteral("数据库出错");
    if (const std::optional<QString> own = ownMessageOf(error))
        return *own;
    return meaningOf(error) + QStringLiteral(" (") + error.trimmed() + QLatin1Char(')');
}

QString storeOpenFailureText(const QString& storeName, const QString& error) {
    return QStringLiteral("数据库打开出错! %1: %2。可以查看股票资料,但挖掘和下载的数据不会保存")
        .arg(storeName, databaseErrorText(error));
}

QString readOnlyStoreText(const QString& storeName) {
    return QStringLiteral("数据库%1是只读的:可以调阅数据,但挖掘、下载和删除都无法保存").arg(storeName);
}

}  // namespace quarrow

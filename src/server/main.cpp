// quarrow-server: publishes a Quarrow database in the two pages the download reads, so
// one user who mines every day can serve a group of friends.

#include "download/PageContract.h"
#include "platform/Console.h"
#include "server/PagePublisher.h"
#include "server/PageServer.h"
#include "server/PostgresTables.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QUrl>

#include <cstdio>

namespace {

int fail(const QString& message, int status) {
    std::fprintf(stderr, "quarrow-server: %s\n", message.toUtf8().constData());
    return status;
}

}  // namespace

int main(int argc, char* argv[]) {
    const quarrow::Utf8Console console;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quarrow-server"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Publishes a Quarrow database's operator data for 'quarrow-cli download' and the desktop "
        "program's download command.\n"
        "发布Quarrow数据库中的操盘庄家数据,供'quarrow-cli download'和桌面程序的\"下载操盘数据\"下载。"));
    // Each line in English and then in Chinese, as the desktop program's users read it.
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows this help.\n显示本帮助。")));
    const QCommandLineOption databaseOption(
        QStringLiteral("database"),
        QStringLiteral("The Quarrow database file to publish (only read), or a "
                       "postgresql://user@host:port/name address. The PostgreSQL password is best "
                       "kept out of the address, where the process list shows it: the server reads it "
                       "from PGPASSWORD, from --password-file, or from the password file of PostgreSQL "
                       "(PGPASSFILE, else ~/.pgpass).\n"
                       "要发布的Quarrow数据库文件(只读),或postgresql://user@host:port/name地址。"
                       "密码最好不写在地址中(进程列表会显示它):从PGPASSWORD、--password-file或"
                       "PostgreSQL的密码文件(PGPASSFILE,否则~/.pgpass)读取。"),
        QStringLiteral("PATH|URL"));
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("The port to answer on.\n应答的端口。"), QStringLiteral("N"),
        QString::number(quarrow::PageContract::kDefaultPort));
    const QCommandLineOption listenOption(
        QStringLiteral("listen"),
        QStringLiteral(
            "The address to answer on: 127.0.0.1 (this computer only) or 0.0.0.0 (every network).\n"
            "应答的地址:127.0.0.1(仅本机)或0.0.0.0(所有网络)。"),
        QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption rowsOption(
        QStringLiteral("page-rows"), QStringLiteral("Data rows on one page.\n每页的数据行数。"),
        QStringLiteral("N"), QString::number(quarrow::PagePublisher::kDefaultPageRows));
    const QCommandLineOption passwordFileOption(
        QStringLiteral("password-file"),
        QStringLiteral("A file whose first line is the PostgreSQL password.\n第一行为PostgreSQL密码的文件。"),
        QStringLiteral("FILE"));
    const QCommandLineOption connectionsOption(
        QStringLiteral("max-connections"),
        QStringLiteral(
            "Connections served at once, half of them at most from one address; one more takes "
            "the place of the oldest still sending its request, or is closed when all are answered.\n"
            "同时服务的连接数,来自同一地址的最多一半;再来的连接取代仍在发送请求的最早连接,"
            "或在所有连接都已应答时被关闭。"),
        QStringLiteral("N"), QString::number(quarrow::PageServer::Limits().maxConnections));
    parser.addOptions(
        {databaseOption, portOption, listenOption, rowsOption, passwordFileOption, connectionsOption});
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText(), 2);
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        return 0;
    }
    if (!parser.isSet(databaseOption))
        return fail(QStringLiteral("--database PATH names the database to publish"), 2);
    const QString database = parser.value(databaseOption);
    bool ok = false;
    const int port = parser.value(portOption).toInt(&ok);
    if (!ok || port < 0 || port > 65535)
        return fail(QStringLiteral("--port takes a whole number from 0 to 65535"), 2);
    const int rows = parser.value(rowsOption).toInt(&ok);
    if (!ok || rows < 1 || rows > 100000)
        return fail(QStringLiteral("--page-rows takes a whole number from 1 to 100000"), 2);
    const QHostAddress address(parser.value(listenOption));
    if (address.isNull())
        return fail(QStringLiteral("--listen takes an IP address"), 2);
    quarrow::PageServer::Limits limits;
    limits.maxConnections = parser.value(connectionsOption).toInt(&ok);
    if (!ok || limits.maxConnections < 1 || limits.maxConnections > 100000)
        return fail(QStringLiteral("--max-connections takes a whole number from 1 to 100000"), 2);

    QString error;
    QString password;
    if (parser.isSet(passwordFileOption) &&
        !quarrow::PostgresTables::readPasswordFile(parser.value(passwordFileOption), &password, &error))
        return fail(error, 2);
    quarrow::PagePublisher publisher(database, rows, password);
    if (!publisher.open(&error))
        return fail(QStringLiteral("cannot open the database: %1").arg(error), 1);
    quarrow::PageServer server(publisher, limits);
    // A commit to the database (the miner's, the relay's) is taken in beside the requests.
    server.refreshInBackground(250);
    if (!server.listen(address, static_cast<quint16>(port), &error))
        return fail(
            QStringLiteral("cannot listen on %1 port %2: %3").arg(address.toString()).arg(port).arg(error),
            1);
    // Scripts that start the server on port 0 read the port from this line.
    // The address may carry a password: only its database part is shown.
    const QString shown = quarrow::PostgresTables::isAddress(database)
                              ? QUrl(database).adjusted(QUrl::RemoveUserInfo).toString()
                              : database;
    std::printf("quarrow-server: serving %s on http://%s:%u/\n", shown.toUtf8().constData(),
                address.toString().toUtf8().constData(), static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

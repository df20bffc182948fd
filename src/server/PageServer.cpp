#include "server/PageServer.h"

#include "server/PagePublisher.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <memory>

namespace quarrow {

namespace {

// A request head longer than this is not one of our downloads.
constexpr int kMaxHead = 16 * 1024;
// A client that opens a connection and says nothing gives it back after this.
constexpr int kIdle_ms = 30000;

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 431:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        default:
            return "Internal Server Error";
    }
}

QByteArray message(const PageAnswer& answer, bool withBody) {
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reasonPhrase(answer.status) +
                       "\r\nContent-Type: " + answer.contentType +
                       "\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                       "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
    if (withBody)
        bytes += answer.body;
    return bytes;
}

PageAnswer plain(int status, const char* reason) {
    PageAnswer answer;
    answer.status = status;
    answer.contentType = "text/plain; charset=utf-8";
    answer.body = QByteArray(reason) + '\n';
    return answer;
}

}  // namespace

PageServer::PageServer(PagePublisher& publisher)
    : m_publisher(publisher), m_server(std::make_unique<QTcpServer>()) {
    QObject::connect(m_server.get(), &QTcpServer::newConnection, m_server.get(), [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection())
            serve(socket);
    });
}

PageServer::~PageServer() = default;

bool PageServer::listen(const QHostAddress& address, quint16 port, QString* error) {
    if (m_server->listen(address, port))
        return true;
    *error = m_server->errorString();
    return false;
}

quint16 PageServer::port() const {
    return m_server->serverPort();
}

void PageServer::serve(QTcpSocket* socket) {
    // A page is one write; waiting for the client's delayed acknowledgement before its last
    // segment would hold every page back by tens of milliseconds.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kIdle_ms, socket, [socket] { socket->abort(); });
    struct Request {
        QByteArray head;
        bool answered = false;
    };
    auto request = std::make_shared<Request>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
        QByteArray* buffer = &request->head;
        if (request->answered) {
            socket->readAll();
            return;
        }
        *buffer += socket->readAll();
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        if (end < 0 && buffer->size() <= kMaxHead)
            return;
        QByteArray answer;
        if (end < 0 || end > kMaxHead)
            answer = message(plain(431, "the request head is too long"), true);
        else
            answer = respond(buffer->left(end));
        request->answered = true;
        socket->write(answer);
        socket->disconnectFromHost();
    });
}

QByteArray PageServer::respond(const QByteArray& head) {
    const QByteArray requestLine = head.left(head.indexOf("\r\n") < 0 ? head.size() : head.indexOf("\r\n"));
    const QList<QByteArray> parts = requestLine.split(' ');
    if (parts.size() != 3 || !parts[2].startsWith("HTTP/1."))
        return message(plain(400, "not an HTTP/1 request"), true);
    const bool head_only = parts[0] == "HEAD";
    if (parts[0] != "GET" && !head_only)
        return message(plain(405, "only GET and HEAD are answered"), true);
    const QUrl url = QUrl::fromEncoded(parts[1], QUrl::StrictMode);
    if (!url.isValid() || !parts[1].startsWith('/'))
        return message(plain(400, "the request target is not a path"), true);
    return message(m_publisher.answer(url.path(), QUrlQuery(url)), !head_only);
}

}  // namespace quarrow

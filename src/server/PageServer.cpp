#include "server/PageServer.h"

#include "server/PagePublisher.h"

#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <cstdio>
#include <memory>

namespace quarrow {

namespace {

// A request head longer than this is not one of our downloads.
constexpr int kMaxHead = 16 * 1024;

// Where the head ends: at the first empty line, its line end "\r\n" or a bare "\n".
// -1 while it has not come; otherwise the head's length.
qsizetype headEnd(const QByteArray& buffer) {
    qsizetype from = 0;
    for (;;) {
        const qsizetype newline = buffer.indexOf('\n', from);
        if (newline < 0)
            return -1;
        const qsizetype next = newline + 1;
        if (next < buffer.size() && buffer.at(next) == '\n')
            return newline;
        if (next + 1 < buffer.size() && buffer.at(next) == '\r' && buffer.at(next + 1) == '\n')
            return newline;
        from = next;
    }
}

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

struct PageServer::Refresher {
    QSemaphore stop;
    std::unique_ptr<QThread> thread;
    ~Refresher() {
        stop.release();
        thread->wait();
    }
};

PageServer::PageServer(PagePublisher& publisher, Limits limits)
    : m_publisher(publisher),
      m_limits(limits),
      m_server(std::make_unique<QTcpServer>()),
      m_acceptPause(std::make_unique<QTimer>()) {
    QObject::connect(m_server.get(), &QTcpServer::newConnection, m_server.get(), [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            if (m_open >= m_limits.maxConnections) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            serve(socket);
        }
    });
    // Out of file descriptors the waiting connection stays in the queue and the socket
    // stays readable: trying again at once would spin a core.
    m_acceptPause->setSingleShot(true);
    QObject::connect(m_acceptPause.get(), &QTimer::timeout, m_server.get(),
                     [this] { m_server->resumeAccepting(); });
    QObject::connect(m_server.get(), &QTcpServer::acceptError, m_server.get(),
                     [this](QAbstractSocket::SocketError) {
                         m_server->pauseAccepting();
                         m_acceptPause->start(m_limits.acceptPause_ms);
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

void PageServer::refreshInBackground(int interval_ms) {
    if (m_refresher)
        return;
    m_refresher = std::make_unique<Refresher>();
    Refresher* refresher = m_refresher.get();
    PagePublisher* publisher = &m_publisher;
    m_refresher->thread.reset(QThread::create([refresher, publisher, interval_ms] {
        QString error;
        QString reported;
        do {
            if (!publisher->refresh(&error) && error != reported) {
                // Said once, not at every pass; the pages keep the ranking they had.
                std::fprintf(stderr, "quarrow-server: cannot bring the ranking up to date: %s\n",
                             error.toUtf8().constData());
                reported = error;
            }
        } while (!refresher->stop.tryAcquire(1, interval_ms));
    }));
    m_refresher->thread->start();
}

void PageServer::serve(QTcpSocket* socket) {
    ++m_open;
    QObject::connect(socket, &QObject::destroyed, m_server.get(), [this] { --m_open; });
    // A page is one write; waiting for the client's delayed acknowledgement before its last
    // segment would hold every page back by tens of milliseconds.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    struct Request {
        QByteArray head;
        bool answered = false;
    };
    auto request = std::make_shared<Request>();
    auto drop = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    QTimer::singleShot(m_limits.headTimeout_ms, socket, [request, drop] {
        if (!request->answered)
            drop();
    });
    QTimer::singleShot(m_limits.answerTimeout_ms, socket, drop);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
        QByteArray* buffer = &request->head;
        if (request->answered) {
            socket->readAll();
            return;
        }
        *buffer += socket->readAll();
        const qsizetype end = headEnd(*buffer);
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
    // Lines end in "\r\n" or a bare "\n".
    QByteArray requestLine = head.left(head.indexOf('\n') < 0 ? head.size() : head.indexOf('\n'));
    if (requestLine.endsWith('\r'))
        requestLine.chop(1);
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

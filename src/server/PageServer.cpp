#include "server/PageServer.h"

#include "server/PagePublisher.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <cstdio>
#include <memory>

#ifdef __GLIBC__
#include <malloc.h>
#endif

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

// A page's head: its length is not known before its last row is read, so it goes out
// in chunks, and a client can tell a page cut off from a whole one.
QByteArray chunkedHead(const PageWriter& writer) {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + writer.contentType() +
           "\r\nTransfer-Encoding: chunked\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
}

QByteArray chunk(const QByteArray& part) {
    return QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
}

const QByteArray kLastChunk = "0\r\n\r\n";

// How a request is answered: the bytes that go first and, for a page, what writes the rest.
struct Reply {
    QByteArray start;
    std::unique_ptr<PageWriter> writer;  // none: start is the whole answer
};

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

struct PageServer::Connection {
    QTcpSocket* socket = nullptr;
    QString peer;
    QElapsedTimer age;
    QByteArray head;
    bool answered = false;                     // the head came; the answer is on its way
    bool released = false;                     // no longer counted
    std::list<Connection*>::iterator waiting;  // its place in m_waitingHeads until answered
    std::unique_ptr<PageWriter> writer;        // the rest of a page being written out
};

namespace {

Reply replyTo(PagePublisher& publisher, const QByteArray& head) {
    Reply reply;
    // Lines end in "\r\n" or a bare "\n".
    QByteArray requestLine = head.left(head.indexOf('\n') < 0 ? head.size() : head.indexOf('\n'));
    if (requestLine.endsWith('\r'))
        requestLine.chop(1);
    const QList<QByteArray> parts = requestLine.split(' ');
    if (parts.size() != 3 || !parts[2].startsWith("HTTP/1.")) {
        reply.start = message(plain(400, "not an HTTP/1 request"), true);
        return reply;
    }
    const bool headOnly = parts[0] == "HEAD";
    if (parts[0] != "GET" && !headOnly) {
        reply.start = message(plain(405, "only GET and HEAD are answered"), true);
        return reply;
    }
    const QUrl url = QUrl::fromEncoded(parts[1], QUrl::StrictMode);
    if (!url.isValid() || !parts[1].startsWith('/')) {
        reply.start = message(plain(400, "the request target is not a path"), true);
        return reply;
    }
    std::unique_ptr<PageWriter> writer = publisher.writer(url.path(), QUrlQuery(url));
    if (writer->status() != 200) {
        // A refusal is one short line, sent whole.
        PageAnswer answer;
        answer.status = writer->status();
        answer.contentType = writer->contentType();
        writer->next(0, &answer.body);
        reply.start = message(answer, !headOnly);
        return reply;
    }
    reply.start = chunkedHead(*writer);
    if (!headOnly)
        reply.writer = std::move(writer);
    return reply;
}

}  // namespace

PageServer::PageServer(PagePublisher& publisher, Limits limits)
    : m_publisher(publisher),
      m_limits(limits),
      m_server(std::make_unique<QTcpServer>()),
      m_acceptPause(std::make_unique<QTimer>()),
      m_sweep(std::make_unique<QTimer>()) {
    if (m_limits.perAddress <= 0)
        m_limits.perAddress = std::max(1, m_limits.maxConnections / 2);
    QObject::connect(m_server.get(), &QTcpServer::newConnection, m_server.get(), [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection())
            accept(socket);
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
    QObject::connect(m_sweep.get(), &QTimer::timeout, m_server.get(), [this] { sweep(); });
    m_sweep->start(std::max(50, std::min(m_limits.pressureHeadTimeout_ms, m_limits.headTimeout_ms) / 4));
}

PageServer::~PageServer() {
    // The sockets would go with the listening socket, after the lists they leave: they go
    // first, each with its connection.
    m_sweep->stop();
    const QList<QTcpSocket*> sockets = m_server->findChildren<QTcpSocket*>();
    qDeleteAll(sockets);
}

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

bool PageServer::makeRoom(const QString& peer) {
    // The oldest still sending its head: a client that means to be answered sends it with
    // the connection, one that knocks and waits has been there longest.
    const auto evictOldest = [this](const QString* of) {
        for (Connection* connection : std::as_const(m_waitingHeads)) {
            if (!of || connection->peer == *of) {
                ++m_evicted;
                drop(connection);
                return true;
            }
        }
        return false;
    };
    if (m_perAddress.value(peer) >= m_limits.perAddress && !evictOldest(&peer))
        return false;
    return m_open < m_limits.maxConnections || evictOldest(nullptr);
}

void PageServer::accept(QTcpSocket* socket) {
    const QString peer = socket->peerAddress().toString();
    if (!makeRoom(peer)) {
        ++m_refused;
        socket->abort();
        socket->deleteLater();
        return;
    }
    auto* connection = new Connection;
    connection->socket = socket;
    connection->peer = peer;
    connection->age.start();
    connection->waiting = m_waitingHeads.insert(m_waitingHeads.end(), connection);
    ++m_open;
    ++m_perAddress[peer];
    QObject::connect(socket, &QObject::destroyed, m_server.get(), [this, connection] {
        closed(connection);
        delete connection;
    });
    // A page is written in parts; waiting for the client's delayed acknowledgement before
    // each last segment would hold every part back by tens of milliseconds.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, connection] { read(connection); });
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [this, connection] { send(connection); });
    QTimer::singleShot(m_limits.answerTimeout_ms, socket, [this, connection] { drop(connection); });
    // A client that sent its request with the connection is answered before any later
    // connection could take its place.
    socket->waitForReadyRead(0);
}

void PageServer::closed(Connection* connection) {
    if (connection->released)
        return;
    connection->released = true;
    if (!connection->answered)
        m_waitingHeads.erase(connection->waiting);
    --m_open;
    if (--m_perAddress[connection->peer] <= 0)
        m_perAddress.remove(connection->peer);
    connection->writer.reset();
#ifdef __GLIBC__
    // What the pages of slow readers took goes back to the system once nobody is served.
    if (m_open == 0 && m_sentSinceIdle) {
        m_sentSinceIdle = false;
        malloc_trim(0);
    }
#endif
}

void PageServer::drop(Connection* connection) {
    if (connection->released)
        return;
    QTcpSocket* socket = connection->socket;
    closed(connection);
    socket->abort();
    socket->deleteLater();
}

void PageServer::read(Connection* connection) {
    QTcpSocket* socket = connection->socket;
    if (connection->answered || connection->released) {
        socket->readAll();
        return;
    }
    QByteArray& buffer = connection->head;
    buffer += socket->read(kMaxHead + 2 - buffer.size());
    const qsizetype end = headEnd(buffer);
    if (end < 0 && buffer.size() <= kMaxHead)
        return;
    connection->answered = true;
    m_waitingHeads.erase(connection->waiting);
    m_sentSinceIdle = true;
    if (end < 0 || end > kMaxHead) {
        socket->write(message(plain(431, "the request head is too long"), true));
        socket->disconnectFromHost();
        return;
    }
    Reply reply = replyTo(m_publisher, buffer.left(end));
    buffer = QByteArray();
    socket->readAll();
    socket->write(reply.start);
    connection->writer = std::move(reply.writer);
    if (!connection->writer) {
        socket->disconnectFromHost();
        return;
    }
    send(connection);
}

void PageServer::send(Connection* connection) {
    QTcpSocket* socket = connection->socket;
    while (connection->writer && socket->bytesToWrite() < m_limits.sendWindowBytes) {
        QByteArray part;
        if (!connection->writer->next(PagePublisher::kRowsPerStretch, &part)) {
            // The store failed midway: a page cut off, which the client tells by its chunks.
            std::fprintf(stderr, "quarrow-server: a page could not be read to its end from the database\n");
            drop(connection);
            return;
        }
        if (part.isEmpty()) {
            connection->writer.reset();
            socket->write(kLastChunk);
            socket->disconnectFromHost();
            return;
        }
        socket->write(chunk(part));
    }
}

void PageServer::sweep() {
    const int limit_ms =
        m_open > m_limits.maxConnections / 2 ? m_limits.pressureHeadTimeout_ms : m_limits.headTimeout_ms;
    while (!m_waitingHeads.empty() && m_waitingHeads.front()->age.elapsed() >= limit_ms)
        drop(m_waitingHeads.front());
}

QByteArray PageServer::respond(const QByteArray& head) {
    Reply reply = replyTo(m_publisher, head);
    QByteArray bytes = std::move(reply.start);
    if (!reply.writer)
        return bytes;
    QByteArray part;
    while (reply.writer->next(PagePublisher::kRowsPerStretch, &part) && !part.isEmpty())
        bytes += chunk(part);
    return bytes + kLastChunk;
}

}  // namespace quarrow

#pragma once

#include <QHostAddress>
#include <QString>

#include <memory>

class QTcpServer;
class QTcpSocket;

namespace quarrow {

class PagePublisher;

// A small HTTP/1.1 server for the publisher's pages: GET (and HEAD) only, one request per
// connection, the answer closed by its length. It runs in the thread's event loop.
class PageServer {
public:
    explicit PageServer(PagePublisher& publisher);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Port 0 takes a free one; port() tells which.
    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const;

    // The answer to one request head (the request line and the header lines), as sent.
    QByteArray respond(const QByteArray& head);

private:
    void serve(QTcpSocket* socket);

    PagePublisher& m_publisher;
    std::unique_ptr<QTcpServer> m_server;
};

}  // namespace quarrow

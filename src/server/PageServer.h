#pragma once

#include <QHostAddress>
#include <QString>

#include <memory>

class QTcpServer;
class QTcpSocket;
class QThread;
class QTimer;

namespace quarrow {

class PagePublisher;

// A small HTTP/1.1 server for the publisher's pages: GET (and HEAD) only, one request per
// connection, the answer closed by its length. It runs in the thread's event loop.
//
// It faces a network: at most maxConnections are served at once and a connection past
// them is closed as it comes; a client has headTimeout_ms to send its request head and
// answerTimeout_ms in all; when the system refuses a connection (no file descriptors
// left) the server stops accepting for a moment instead of trying again at once.
class PageServer {
public:
    struct Limits {
        int maxConnections = 128;
        int headTimeout_ms = 5000;
        int answerTimeout_ms = 30000;
        int acceptPause_ms = 250;
    };
    explicit PageServer(PagePublisher& publisher) : PageServer(publisher, Limits()) {}
    PageServer(PagePublisher& publisher, Limits limits);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Port 0 takes a free one; port() tells which.
    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const;
    // Keeps the publisher's ranking up to date from a thread of its own, every interval_ms,
    // until the server goes.
    void refreshInBackground(int interval_ms);
    int openConnections() const { return m_open; }

    // The answer to one request head (the request line and the header lines), as sent.
    QByteArray respond(const QByteArray& head);

private:
    void serve(QTcpSocket* socket);

    PagePublisher& m_publisher;
    Limits m_limits;
    std::unique_ptr<QTcpServer> m_server;
    std::unique_ptr<QTimer> m_acceptPause;
    int m_open = 0;
    struct Refresher;
    std::unique_ptr<Refresher> m_refresher;
};

}  // namespace quarrow

#pragma once

#include <QHash>
#include <QHostAddress>
#include <QString>

#include <list>
#include <memory>

class QTcpServer;
class QTcpSocket;
class QThread;
class QTimer;

namespace quarrow {

class PagePublisher;

// A small HTTP/1.1 server for the publisher's pages: GET (and HEAD) only, one request per
// connection; a page goes out in chunks as the client takes them. It runs in the thread's
// event loop.
//
// It faces a network, where a client may be slow on purpose:
// - at most maxConnections are served at once, and at most perAddress from one address.
//   A connection past either limit takes the place of the oldest connection that is still
//   sending its request head (of that address, for its limit), so connections that send a
//   byte a second cannot keep anyone out; only when every connection is being answered is
//   the new one closed as it comes;
// - a client has headTimeout_ms to send its request head, pressureHeadTimeout_ms while
//   more than half the connections are taken, and answerTimeout_ms in all;
// - what waits to be sent to one client stays below sendWindowBytes: the next rows are
//   read from the store only once the client has taken the last ones, so slow readers
//   cost little memory, and what they cost is given back to the system when the server
//   is idle again;
// - when the system refuses a connection (no file descriptors left) the server stops
//   accepting for a moment instead of trying again at once.
class PageServer {
public:
    struct Limits {
        int maxConnections = 128;
        int perAddress = 0;  // 0: half of maxConnections
        int headTimeout_ms = 5000;
        int pressureHeadTimeout_ms = 1000;
        int answerTimeout_ms = 30000;
        int acceptPause_ms = 250;
        qint64 sendWindowBytes = 64 * 1024;
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
    // Connections closed to make room for a newer one, and closed as they came.
    qint64 evicted() const { return m_evicted; }
    qint64 refused() const { return m_refused; }

    // The whole answer to one request head (the request line and the header lines), as it
    // is sent.
    QByteArray respond(const QByteArray& head);

private:
    struct Connection;
    void accept(QTcpSocket* socket);
    // Makes room for one more connection from `peer`; false when every connection it might
    // take the place of is being answered.
    bool makeRoom(const QString& peer);
    void drop(Connection* connection);
    void closed(Connection* connection);
    void read(Connection* connection);
    void send(Connection* connection);
    void sweep();

    PagePublisher& m_publisher;
    Limits m_limits;
    std::unique_ptr<QTcpServer> m_server;
    std::unique_ptr<QTimer> m_acceptPause;
    std::unique_ptr<QTimer> m_sweep;
    int m_open = 0;
    qint64 m_evicted = 0;
    qint64 m_refused = 0;
    bool m_sentSinceIdle = false;
    // Connections still sending their head, the oldest first.
    std::list<Connection*> m_waitingHeads;
    QHash<QString, int> m_perAddress;
    struct Refresher;
    std::unique_ptr<Refresher> m_refresher;
};

}  // namespace quarrow

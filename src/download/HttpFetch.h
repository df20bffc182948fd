#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QTcpSocket;

namespace quarrow {

// One page asked of a download server over HTTP/1.1 (or HTTPS), on a socket of our own: the
// program's thread reads it, a quarter of a megabyte at a time, and weighs it as it comes.
// While nothing is read (the program stores a page) the socket takes no more, and the
// system's window holds the server back: a page that never ends, or a server faster than
// the program, costs no more than the limit. Qt's network manager reads in a thread of its
// own as fast as the server sends and holds what came, however much, until the program
// looks.
//
// It follows redirects within the server it was sent to (the same scheme, host and port),
// at most kMaxRedirects of them and never back to an address it asked for. It asks for no
// compression and refuses a page that comes compressed all the same. Everything it
// refuses it says in plain English in refusal(); what the network did wrong in error().
class HttpFetch {
public:
    static constexpr int kMaxRedirects = 5;

    HttpFetch(const QUrl& url, qint64 maxBytes);
    ~HttpFetch();
    HttpFetch(const HttpFetch&) = delete;
    HttpFetch& operator=(const HttpFetch&) = delete;

    // The address it was asked for (before any redirect).
    const QUrl& url() const { return m_asked; }
    bool finished() const { return m_finished; }
    // Ends it now with the reason (the time limit, say).
    void refuse(const QString& reason);
    void abort();

    // When it has finished: a refusal, else a network error, else the status and the page.
    const QString& refusal() const { return m_refusal; }
    const QString& error() const { return m_error; }
    int status() const { return m_status; }
    QByteArray takeBody() { return std::move(m_body); }
    const QByteArray& contentType() const { return m_contentType; }

    // When it was sent, on the program's clock and in real time.
    qint64 start_ms = 0;
    QElapsedTimer real;
    // Called once it has finished, whichever way.
    std::function<void()> onFinished;

private:
    enum class Stage { Head, LengthBody, ChunkSize, ChunkData, ChunkEnd, Trailer, CloseBody, Done };

    void send(const QUrl& url);
    void readSome();
    void closed();
    // Parses what has come of the current stage; false when it needs more.
    bool step();
    bool readHead();
    void takeBody(qint64 count);
    void redirect(const QByteArray& location);
    void finish();
    void fail(const QString& why);
    QString tooLarge() const;

    QUrl m_asked;
    QUrl m_current;
    qint64 m_maxBytes;
    std::unique_ptr<QTcpSocket> m_socket;
    // What came and is not parsed yet: m_in from m_at on.
    QByteArrayView pending() const { return QByteArrayView(m_in).sliced(m_at); }

    QByteArray m_in;  // read from the socket; its first m_at bytes are parsed
    qsizetype m_at = 0;
    Stage m_stage = Stage::Head;
    qint64 m_left = 0;  // of the body or of the chunk
    int m_status = 0;
    QByteArray m_contentType;
    QByteArray m_body;
    QString m_refusal;
    QString m_error;
    bool m_finished = false;
    QList<QUrl> m_visited;
    int m_redirects = 0;
};

}  // namespace quarrow

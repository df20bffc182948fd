#include "download/HttpFetch.h"

#include "download/OutsideText.h"

#include <QTcpSocket>
#ifndef QT_NO_SSL
#include <QSslSocket>
#endif

namespace quarrow {

namespace {

// What the socket holds before the program takes it: the bound on what a server can put
// into this process while the program does something else.
constexpr qint64 kReadBuffer = 256 * 1024;
// Far more than any server's head; a longer one is no HTTP answer of ours.
constexpr qsizetype kMaxHead = 64 * 1024;
constexpr qsizetype kMaxChunkLine = 1024;

bool isTls(const QUrl& url) {
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

int portOf(const QUrl& url) {
    return url.port(isTls(url) ? 443 : 80);
}

// Why a redirect leaves the server the page was asked of; empty when it does not.
QString leaves(const QUrl& target, const QUrl& asked) {
    if (target.host().compare(asked.host(), Qt::CaseInsensitive) != 0)
        return QStringLiteral("the server sent the page to another host (%1)").arg(target.host());
    if (target.scheme().compare(asked.scheme(), Qt::CaseInsensitive) != 0)
        return QStringLiteral("the server sent the page to another scheme (%1)").arg(target.scheme());
    if (portOf(target) != portOf(asked))
        return QStringLiteral("the server sent the page to another port of the same host (%1)")
            .arg(portOf(target));
    return QString();
}

QByteArray requestFor(const QUrl& url) {
    QByteArray target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (!target.startsWith('/'))
        target.prepend('/');
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() >= 0 && url.port() != (isTls(url) ? 443 : 80))
        host += ':' + QByteArray::number(url.port());
    return "GET " + target + " HTTP/1.1\r\nHost: " + host +
           "\r\nAccept-Encoding: identity\r\nConnection: close\r\nUser-Agent: Quarrow\r\n\r\n";
}

void dropSocket(std::unique_ptr<QTcpSocket>& socket) {
    if (!socket)
        return;
    QObject::disconnect(socket.get(), nullptr, nullptr, nullptr);
    socket->abort();
    // It may be the socket whose signal is being handled.
    socket.release()->deleteLater();
}

}  // namespace

HttpFetch::HttpFetch(const QUrl& url, qint64 maxBytes) : m_asked(url), m_maxBytes(maxBytes) {
    m_visited << url;
    real.start();
    send(url);
}

HttpFetch::~HttpFetch() {
    dropSocket(m_socket);
}

QString HttpFetch::tooLarge() const {
    return QStringLiteral("the page is larger than %1 bytes").arg(m_maxBytes);
}

void HttpFetch::send(const QUrl& url) {
    dropSocket(m_socket);
    m_current = url;
    m_in.clear();
    m_at = 0;
    m_stage = Stage::Head;
    m_left = 0;
    m_status = 0;
    m_contentType.clear();
    m_body.clear();
    const bool tls = isTls(url);
#ifndef QT_NO_SSL
    if (tls) {
        if (!QSslSocket::supportsSsl()) {
            fail(QStringLiteral("this computer cannot make the encrypted connection an https address needs"));
            return;
        }
        m_socket = std::make_unique<QSslSocket>();
    }
#else
    if (tls) {
        fail(QStringLiteral("this program cannot make the encrypted connection an https address needs"));
        return;
    }
#endif
    if (!m_socket)
        m_socket = std::make_unique<QTcpSocket>();
    QTcpSocket* socket = m_socket.get();
    socket->setReadBufferSize(kReadBuffer);
    const QByteArray request = requestFor(url);
    const auto write = [socket, request] { socket->write(request); };
#ifndef QT_NO_SSL
    if (tls)
        QObject::connect(static_cast<QSslSocket*>(socket), &QSslSocket::encrypted, socket, write);
    else
#endif
        QObject::connect(socket, &QTcpSocket::connected, socket, write);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this] { readSome(); });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, [this] { closed(); });
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket,
                     [this, socket](QAbstractSocket::SocketError error) {
                         // A close is judged by what had come by then.
                         if (error == QAbstractSocket::RemoteHostClosedError)
                             closed();
                         else if (!m_finished)
                             fail(printableText(socket->errorString()));
                     });
#ifndef QT_NO_SSL
    if (tls) {
        static_cast<QSslSocket*>(socket)->connectToHostEncrypted(url.host(),
                                                                 static_cast<quint16>(portOf(url)));
        return;
    }
#endif
    socket->connectToHost(url.host(), static_cast<quint16>(portOf(url)));
}

void HttpFetch::readSome() {
    // At most the socket's buffer at a time: what waits in the system's buffers beyond it
    // stays there until this is done.
    while (!m_finished && m_socket && m_socket->bytesAvailable() > 0) {
        QTcpSocket* socket = m_socket.get();
        m_in += socket->read(socket->bytesAvailable());
        while (!m_finished && step()) {
        }
        if (m_socket.get() != socket)
            return;  // redirected: the next socket reads by itself
        // What was parsed goes once per read, not at every chunk: a body of one-byte chunks
        // would otherwise move the rest of the buffer three times a chunk.
        m_in.remove(0, m_at);
        m_at = 0;
    }
}

void HttpFetch::closed() {
    if (m_finished)
        return;
    readSome();
    if (m_finished)
        return;
    // An answer other than a page is told by its status, however much of its text came.
    if (m_stage == Stage::CloseBody || (m_stage != Stage::Head && m_status != 200))
        finish();
    else if (m_stage == Stage::Head && pending().isEmpty())
        fail(QStringLiteral("the server closed the connection without an answer"));
    else
        fail(QStringLiteral("the server closed the connection before the whole page had come"));
}

bool HttpFetch::step() {
    switch (m_stage) {
        case Stage::Head:
            return readHead();
        case Stage::LengthBody:
        case Stage::ChunkData: {
            const qint64 count = std::min<qint64>(m_left, pending().size());
            if (count == 0)
                return false;
            takeBody(count);
            if (m_finished)
                return false;
            m_left -= count;
            if (m_left == 0) {
                if (m_stage == Stage::LengthBody)
                    finish();
                else
                    m_stage = Stage::ChunkEnd;
            }
            return !pending().isEmpty();
        }
        case Stage::ChunkEnd:
            if (pending().startsWith("\r\n")) {
                m_at += 2;
            } else if (pending().startsWith('\n')) {
                m_at += 1;
            } else {
                if (pending().size() >= 2)
                    fail(QStringLiteral("the server's chunks of the page are not HTTP's"));
                return false;
            }
            m_stage = Stage::ChunkSize;
            return true;
        case Stage::ChunkSize:
        case Stage::Trailer: {
            const QByteArrayView rest = pending();
            const qsizetype end = rest.indexOf('\n');
            if (end < 0) {
                if (rest.size() > kMaxChunkLine)
                    fail(QStringLiteral("the server's chunks of the page are not HTTP's"));
                return false;
            }
            const QByteArray line = rest.first(end).trimmed().toByteArray();
            m_at += end + 1;
            if (m_stage == Stage::Trailer) {
                if (line.isEmpty())
                    finish();
                return true;
            }
            const qsizetype extension = line.indexOf(';');
            bool ok = false;
            const qint64 size =
                line.left(extension < 0 ? line.size() : extension).trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0) {
                fail(QStringLiteral("the server's chunks of the page are not HTTP's"));
                return false;
            }
            // A chunk past the limit is refused as it is announced.
            if (size > m_maxBytes - m_body.size()) {
                refuse(tooLarge());
                return false;
            }
            m_left = size;
            m_stage = size == 0 ? Stage::Trailer : Stage::ChunkData;
            return true;
        }
        case Stage::CloseBody:
            takeBody(pending().size());
            return false;
        case Stage::Done:
            return false;
    }
    return false;
}

bool HttpFetch::readHead() {
    const QByteArrayView rest = pending();
    qsizetype end = rest.indexOf("\r\n\r\n");
    qsizetype length = 4;
    const qsizetype bare = rest.indexOf("\n\n");
    if (bare >= 0 && (end < 0 || bare < end)) {
        end = bare;
        length = 2;
    }
    if (end < 0) {
        if (rest.size() > kMaxHead)
            fail(QStringLiteral("the server's answer head is longer than %1 bytes").arg(kMaxHead));
        return false;
    }
    const QList<QByteArray> lines = rest.first(end).toByteArray().split('\n');
    m_at += end + length;
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    bool ok = false;
    m_status = statusLine.value(1).toInt(&ok);
    if (!statusLine.value(0).startsWith("HTTP/1.") || !ok) {
        fail(QStringLiteral("the server did not answer in HTTP"));
        return false;
    }
    qint64 contentLength = -1;
    bool chunked = false;
    QByteArray encoding;
    QByteArray location;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            const qint64 told = value.toLongLong(&ok);
            if (!ok || told < 0 || (contentLength >= 0 && told != contentLength)) {
                fail(QStringLiteral("the server told no length of the page that HTTP knows"));
                return false;
            }
            contentLength = told;
        } else if (name == "transfer-encoding") {
            chunked = value.toLower().contains("chunked");
        } else if (name == "content-encoding") {
            encoding = value.toLower();
        } else if (name == "location") {
            location = value;
        } else if (name == "content-type") {
            m_contentType = value;
        }
    }
    if (m_status >= 100 && m_status < 200)
        return true;  // an interim answer: the real one follows
    if ((m_status == 301 || m_status == 302 || m_status == 303 || m_status == 307 || m_status == 308) &&
        !location.isEmpty()) {
        redirect(location);
        return false;
    }
    if (!encoding.isEmpty() && encoding != "identity") {
        refuse(QStringLiteral(
                   "the page came compressed (%1), which the download does not ask for; it was refused")
                   .arg(printableText(QString::fromLatin1(encoding), 40)));
        return false;
    }
    if (chunked) {
        m_stage = Stage::ChunkSize;
    } else if (contentLength >= 0) {
        // A length past the limit is refused as soon as the head says it.
        if (contentLength > m_maxBytes) {
            refuse(tooLarge());
            return false;
        }
        m_body.reserve(contentLength);
        m_left = contentLength;
        m_stage = Stage::LengthBody;
        if (contentLength == 0) {
            finish();
            return false;
        }
    } else {
        m_stage = Stage::CloseBody;
    }
    return !pending().isEmpty();
}

void HttpFetch::takeBody(qint64 count) {
    if (m_body.size() + count > m_maxBytes) {
        refuse(tooLarge());
        return;
    }
    m_body.append(m_in.constData() + m_at, count);
    m_at += count;
}

void HttpFetch::redirect(const QByteArray& location) {
    const QUrl target = m_current.resolved(QUrl::fromEncoded(location));
    ++m_redirects;
    QString why = leaves(target, m_asked);
    if (why.isEmpty() && m_visited.contains(target))
        why = QStringLiteral("the server redirected the page in a loop (back to %1)")
                  .arg(target.toString(QUrl::RemoveUserInfo));
    if (why.isEmpty() && m_redirects > kMaxRedirects)
        why = QStringLiteral("the server redirected the page more than %1 times (a redirect loop)")
                  .arg(kMaxRedirects);
    if (!why.isEmpty()) {
        refuse(why);
        return;
    }
    m_visited << target;
    send(target);
}

void HttpFetch::finish() {
    m_stage = Stage::Done;
    m_finished = true;
    dropSocket(m_socket);
    if (onFinished)
        onFinished();
}

void HttpFetch::fail(const QString& why) {
    if (m_finished)
        return;
    m_error = why;
    finish();
}

void HttpFetch::refuse(const QString& reason) {
    if (m_finished)
        return;
    m_refusal = reason;
    m_body = QByteArray();
    finish();
}

void HttpFetch::abort() {
    if (!m_finished)
        finish();
}

}  // namespace quarrow

#include "app/TextCodec.h"
#include "download/OutsideText.h"
#include "download/PageLoader.h"
#include "platform/Clock.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace quarrow {

namespace {

// The wait below sleeps until the next event; this wakes it now and then to look at the
// clock and at the stop command even when the network is silent.
constexpr int kWake_ms = 50;
constexpr int kMaxRedirects = 5;
// What the network's thread may hold of a page before it is taken here and weighed: without
// a bound it reads as fast as the server sends, and a page that never ends fills memory
// long before its size is looked at.
constexpr qint64 kReadBuffer = 256 * 1024;

int portOf(const QUrl& url) {
    return url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
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

QString seconds(qint64 ms) {
    return QString::number(static_cast<double>(ms) / 1000.0);
}

QString pageText(const QByteArray& body, const QString& contentType) {
    const QString type = contentType.toLower();
    if (type.contains(QLatin1String("charset=gb")))
        return TextCodec::decodeGbk(body);
    if (type.contains(QLatin1String("charset=utf-8")))
        return QString::fromUtf8(body);
    return TextCodec::decode(body);
}

struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const {
        reply->abort();
        reply->deleteLater();
    }
};

// The handlers of a load refer to its locals: none may run once the load is over.
struct Connections {
    QList<QMetaObject::Connection> list;
    ~Connections() {
        for (const QMetaObject::Connection& connection : list)
            QObject::disconnect(connection);
    }
};

bool isCompressed(const QNetworkReply* reply) {
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    return !encoding.isEmpty() && encoding != "identity";
}

}  // namespace

// One request and what its handlers learnt, from the moment it is sent: an expected page
// is sent before load() asks for it, and its redirects and size are judged meanwhile.
struct NetworkPageLoader::Fetch {
    QUrl url;
    std::unique_ptr<QNetworkReply, ReplyDeleter> reply;
    QByteArray body;  // what came so far, taken from the reply as it comes
    QString refusal;
    int redirects = 0;
    QList<QUrl> visited;
    qint64 start_ms = 0;
    QElapsedTimer real;
    // Last, so its handlers are gone before the reply is aborted.
    Connections connections;
};

struct NetworkPageLoader::Private {
    QNetworkAccessManager manager;
    std::unique_ptr<Fetch> expected;
};

QString NetworkPageLoader::tooLarge(const QNetworkReply* reply) const {
    if (isCompressed(reply))
        return QStringLiteral(
                   "the page came compressed and unpacks to more than %1 bytes (a compression bomb); "
                   "it was refused")
            .arg(m_limits.maxBytes);
    return QStringLiteral("the page is larger than %1 bytes").arg(m_limits.maxBytes);
}

NetworkPageLoader::NetworkPageLoader(const Clock& clock, EventPump& pump, Limits limits)
    : m_clock(clock), m_pump(pump), m_limits(limits), m_d(new Private) {}

NetworkPageLoader::~NetworkPageLoader() {
    delete m_d;
}

QString NetworkPageLoader::unusable(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QStringLiteral("'%1' is not an http address").arg(url.toString());
    return QString();
}

std::unique_ptr<NetworkPageLoader::Fetch> NetworkPageLoader::start(const QUrl& url) {
    auto fetch = std::make_unique<Fetch>();
    Fetch* f = fetch.get();
    f->url = url;
    f->visited << url;
    f->start_ms = m_clock.elapsedMs();
    f->real.start();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    f->reply.reset(m_d->manager.get(request));
    QNetworkReply* r = f->reply.get();
    r->setReadBufferSize(kReadBuffer);
    const auto refuse = [f, r](const QString& why) {
        if (f->refusal.isEmpty())
            f->refusal = why;
        f->body = QByteArray();
        r->abort();
    };
    // A length past the limit is refused as soon as the head says it, not after a wait
    // for bytes that may never come.
    f->connections.list << QObject::connect(r, &QNetworkReply::metaDataChanged, r, [this, f, r, refuse] {
        if (r->attribute(QNetworkRequest::RedirectionTargetAttribute).isValid())
            return;
        bool known = false;
        const qint64 length = r->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && length > m_limits.maxBytes)
            refuse(tooLarge(r));
        else if (known && !isCompressed(r))
            f->body.reserve(length);
    });
    f->connections.list << QObject::connect(r, &QNetworkReply::readyRead, r, [this, f, r, refuse] {
        f->body += r->read(std::max<qint64>(r->bytesAvailable(), 1));
        if (f->body.size() > m_limits.maxBytes)
            refuse(tooLarge(r));
    });
    f->connections.list << QObject::connect(r, &QNetworkReply::redirected, r, [f, r](const QUrl& target) {
        ++f->redirects;
        f->refusal = leaves(target, f->url);
        if (f->refusal.isEmpty() && f->visited.contains(target))
            f->refusal = QStringLiteral("the server redirected the page in a loop (back to %1)")
                             .arg(target.toString(QUrl::RemoveUserInfo));
        f->visited << target;
        if (f->refusal.isEmpty()) {
            Q_EMIT r->redirectAllowed();
            return;
        }
        r->abort();
    });
    f->connections.list << QObject::connect(r, &QNetworkReply::downloadProgress, r,
                                            [this, r, refuse](qint64 received, qint64 total) {
                                                if (received > m_limits.maxBytes || total > m_limits.maxBytes)
                                                    refuse(tooLarge(r));
                                            });
    return fetch;
}

void NetworkPageLoader::expect(const QUrl& url) {
    if (m_d->expected && m_d->expected->url == url)
        return;
    m_d->expected.reset();
    if (!url.isEmpty() && unusable(url).isEmpty())
        m_d->expected = start(url);
}

PageResult NetworkPageLoader::load(const QUrl& url, const std::function<bool()>& stopRequested) {
    PageResult result;
    result.error = unusable(url);
    if (!result.error.isEmpty())
        return result;
    std::unique_ptr<Fetch> fetch =
        m_d->expected && m_d->expected->url == url ? std::move(m_d->expected) : nullptr;
    m_d->expected.reset();
    if (!fetch)
        fetch = start(url);
    QNetworkReply* r = fetch->reply.get();

    // The wait hands the thread to Qt's event loop until the reply is done, waking now and
    // then to look at the stop command and the clock. The network's silence is real time
    // even when the program runs on a virtual clock (--virtual-clock), so the limit holds
    // on whichever of the two reaches it first.
    QEventLoop wait;
    Connections waiting;
    waiting.list << QObject::connect(r, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    QTimer wake;
    QObject::connect(&wake, &QTimer::timeout, &wait, &QEventLoop::quit);
    wake.start(kWake_ms);
    while (!r->isFinished()) {
        m_pump.processEvents();
        if (stopRequested && stopRequested()) {
            r->abort();
            result.status = PageResult::Status::Stopped;
            return result;
        }
        if (m_clock.elapsedMs() - fetch->start_ms >= m_limits.timeout_ms ||
            fetch->real.elapsed() >= m_limits.timeout_ms) {
            fetch->refusal = QStringLiteral("no page after %1 seconds").arg(seconds(m_limits.timeout_ms));
            r->abort();
            break;
        }
        if (!r->isFinished())
            wait.exec();
    }
    const QString& refusal = fetch->refusal;
    const int redirects = fetch->redirects;
    if (!refusal.isEmpty()) {
        result.error = refusal;
        return result;
    }
    // Past the last redirect allowed Qt ends the reply with an odd status, not a page.
    const int code = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (r->error() == QNetworkReply::TooManyRedirectsError || redirects >= kMaxRedirects ||
        (redirects > 0 && (code < 200 || (code >= 300 && code < 400)))) {
        result.error = QStringLiteral("the server redirected the page more than %1 times (a redirect loop)")
                           .arg(kMaxRedirects);
        return result;
    }
    if (r->error() == QNetworkReply::UnknownContentError && isCompressed(r)) {
        // Qt stops unpacking a page that grows far beyond what came over the network.
        result.error = tooLarge(r);
        return result;
    }
    const int status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // What is left in the reply's buffer joins what was taken as it came.
    QByteArray body = std::move(fetch->body);
    body += r->readAll();
    if (status != 0 && status != 200) {
        // quarrow-server says in one line what was wrong with the request.
        const QString reason = QString::fromUtf8(body.left(200)).section(QLatin1Char('\n'), 0, 0).trimmed();
        result.error = QStringLiteral("the server answered HTTP %1").arg(status);
        if (!reason.isEmpty())
            result.error += QStringLiteral(": ") + printableText(reason);
        return result;
    }
    if (r->error() != QNetworkReply::NoError) {
        result.error = printableText(r->errorString());
        return result;
    }
    if (body.size() > m_limits.maxBytes) {
        result.error = tooLarge(r);
        return result;
    }
    result.status = PageResult::Status::Loaded;
    const QString contentType = r->header(QNetworkRequest::ContentTypeHeader).toString();
    fetch.reset();  // the reply and its buffers go before the page's text is made
    result.html = pageText(body, contentType);
    return result;
}

}  // namespace quarrow

#include "app/TextCodec.h"
#include "download/PageLoader.h"
#include "platform/Clock.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

namespace quarrow {

namespace {

// The wait below sleeps until the next event; this wakes it now and then to look at the
// clock and at the stop command even when the network is silent.
constexpr int kWake_ms = 50;

bool sameOrigin(const QUrl& a, const QUrl& b) {
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && a.port(-1) == b.port(-1);
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

}  // namespace

struct NetworkPageLoader::Private {
    QNetworkAccessManager manager;
};

NetworkPageLoader::NetworkPageLoader(const Clock& clock, EventPump& pump, Limits limits)
    : m_clock(clock), m_pump(pump), m_limits(limits), m_d(new Private) {}

NetworkPageLoader::~NetworkPageLoader() {
    delete m_d;
}

PageResult NetworkPageLoader::load(const QUrl& url, const std::function<bool()>& stopRequested) {
    PageResult result;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        result.error = QStringLiteral("'%1' is not an http address").arg(url.toString());
        return result;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(m_d->manager.get(request));
    QNetworkReply* r = reply.get();
    QString refusal;
    Connections connections;
    connections.list << QObject::connect(r, &QNetworkReply::redirected, r, [&, r](const QUrl& target) {
        if (sameOrigin(target, url)) {
            Q_EMIT r->redirectAllowed();
            return;
        }
        refusal = QStringLiteral("the server sent the page to another host (%1)").arg(target.host());
        r->abort();
    });
    connections.list << QObject::connect(
        r, &QNetworkReply::downloadProgress, r, [&, r](qint64 received, qint64 total) {
            if (received > m_limits.maxBytes || total > m_limits.maxBytes) {
                refusal = QStringLiteral("the page is larger than %1 bytes").arg(m_limits.maxBytes);
                r->abort();
            }
        });

    // The wait hands the thread to Qt's event loop until the reply is done, waking now and
    // then to look at the stop command and the clock.
    QEventLoop wait;
    connections.list << QObject::connect(r, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    QTimer wake;
    QObject::connect(&wake, &QTimer::timeout, &wait, &QEventLoop::quit);
    wake.start(kWake_ms);
    const qint64 start_ms = m_clock.elapsedMs();
    while (!r->isFinished()) {
        m_pump.processEvents();
        if (stopRequested && stopRequested()) {
            r->abort();
            result.status = PageResult::Status::Stopped;
            return result;
        }
        if (m_clock.elapsedMs() - start_ms >= m_limits.timeout_ms) {
            refusal = QStringLiteral("no page after %1 seconds").arg(m_limits.timeout_ms / 1000);
            r->abort();
            break;
        }
        if (!r->isFinished())
            wait.exec();
    }
    if (!refusal.isEmpty()) {
        result.error = refusal;
        return result;
    }
    const int status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = r->readAll();
    if (status != 0 && status != 200) {
        // quarrow-server says in one line what was wrong with the request.
        const QString reason = QString::fromUtf8(body.left(200)).section(QLatin1Char('\n'), 0, 0).trimmed();
        result.error = QStringLiteral("the server answered HTTP %1").arg(status);
        if (!reason.isEmpty())
            result.error += QStringLiteral(": ") + reason;
        return result;
    }
    if (r->error() != QNetworkReply::NoError) {
        result.error = r->errorString();
        return result;
    }
    if (body.size() > m_limits.maxBytes) {
        result.error = QStringLiteral("the page is larger than %1 bytes").arg(m_limits.maxBytes);
        return result;
    }
    result.status = PageResult::Status::Loaded;
    result.html = pageText(body, r->header(QNetworkRequest::ContentTypeHeader).toString());
    return result;
}

}  // namespace quarrow

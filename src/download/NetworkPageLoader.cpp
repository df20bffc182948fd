#include "app/TextCodec.h"
#include "download/HttpFetch.h"
#include "download/OutsideText.h"
#include "download/PageLoader.h"
#include "platform/Clock.h"

#include <QEventLoop>
#include <QTimer>

#include <memory>

namespace quarrow {

namespace {

// The wait below sleeps until the next event; this wakes it now and then to look at the
// clock and at the stop command even when the network is silent.
constexpr int kWake_ms = 50;

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

}  // namespace

struct NetworkPageLoader::Private {
    std::unique_ptr<HttpFetch> expected;
};

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

std::unique_ptr<HttpFetch> NetworkPageLoader::start(const QUrl& url) {
    auto fetch = std::make_unique<HttpFetch>(url, m_limits.maxBytes);
    fetch->start_ms = m_clock.elapsedMs();
    return fetch;
}

void NetworkPageLoader::expect(const QUrl& url) {
    if (m_d->expected && m_d->expected->url() == url)
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
    std::unique_ptr<HttpFetch> fetch =
        m_d->expected && m_d->expected->url() == url ? std::move(m_d->expected) : nullptr;
    m_d->expected.reset();
    if (!fetch)
        fetch = start(url);

    // The wait hands the thread to Qt's event loop until the page is in, waking now and
    // then to look at the stop command and the clock. The network's silence is real time
    // even when the program runs on a virtual clock (--virtual-clock), so the limit holds
    // on whichever of the two reaches it first.
    QEventLoop wait;
    fetch->onFinished = [&wait] { wait.quit(); };
    QTimer wake;
    QObject::connect(&wake, &QTimer::timeout, &wait, &QEventLoop::quit);
    wake.start(kWake_ms);
    while (!fetch->finished()) {
        m_pump.processEvents();
        if (stopRequested && stopRequested()) {
            fetch->onFinished = nullptr;
            fetch->abort();
            result.status = PageResult::Status::Stopped;
            return result;
        }
        if (m_clock.elapsedMs() - fetch->start_ms >= m_limits.timeout_ms ||
            fetch->real.elapsed() >= m_limits.timeout_ms) {
            fetch->refuse(QStringLiteral("no page after %1 seconds").arg(seconds(m_limits.timeout_ms)));
            break;
        }
        if (!fetch->finished())
            wait.exec();
    }
    fetch->onFinished = nullptr;
    if (!fetch->refusal().isEmpty()) {
        result.error = fetch->refusal();
        return result;
    }
    if (!fetch->error().isEmpty()) {
        result.error = fetch->error();
        return result;
    }
    QByteArray body = fetch->takeBody();
    if (fetch->status() != 200) {
        // quarrow-server says in one line what was wrong with the request.
        const QString reason = QString::fromUtf8(body.left(200)).section(QLatin1Char('\n'), 0, 0).trimmed();
        result.error = QStringLiteral("the server answered HTTP %1").arg(fetch->status());
        if (!reason.isEmpty())
            result.error += QStringLiteral(": ") + printableText(reason);
        return result;
    }
    const QString contentType = QString::fromLatin1(fetch->contentType());
    fetch.reset();
    result.status = PageResult::Status::Loaded;
    result.html = pageText(body, contentType);
    return result;
}

}  // namespace quarrow

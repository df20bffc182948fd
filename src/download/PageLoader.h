#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

namespace quarrow {

class Clock;
class EventPump;
class HttpFetch;

struct PageResult {
    enum class Status { Loaded, Stopped, Failed };
    Status status = Status::Failed;
    QString html;   // the page's text when loaded
    QString error;  // why it failed, in plain English
};

// Fetches one page of the download server. The wait keeps the program's window alive and
// ends as soon as stopRequested answers true.
class PageLoader {
public:
    virtual ~PageLoader() = default;
    virtual PageResult load(const QUrl& url, const std::function<bool()>& stopRequested) = 0;
    // The page load() will most likely be asked for next: a loader may start fetching it
    // now, so it comes in while the caller stores the page before. A load() of another
    // address, or an empty one here, drops it. Only a hint: without it every page still
    // comes, a moment later.
    virtual void expect(const QUrl&) {}
};

// Over HTTP on a socket of its own (see HttpFetch). Pages come from anywhere on the
// network, so a page is refused when it grows past maxBytes (or its head says it will),
// comes compressed, is sent to another host, port or scheme by a redirect, or takes longer
// than timeout_ms to arrive, on the Clock or in real time. The error says which, in plain
// English, with what the server sent made printable.
class NetworkPageLoader final : public PageLoader {
public:
    struct Limits {
        qint64 maxBytes = 16 * 1024 * 1024;
        qint64 timeout_ms = 60000;
    };
    NetworkPageLoader(const Clock& clock, EventPump& pump) : NetworkPageLoader(clock, pump, Limits()) {}
    NetworkPageLoader(const Clock& clock, EventPump& pump, Limits limits);
    ~NetworkPageLoader() override;

    PageResult load(const QUrl& url, const std::function<bool()>& stopRequested) override;
    // Sends the request at once; its answer comes in as the caller lets events be handled
    // until load() asks for the same address (the time limit counts from here). While the
    // caller stores a page and handles none, the socket takes no more than its buffer.
    void expect(const QUrl& url) override;

private:
    struct Private;
    // Why the address cannot be asked for; empty when it can.
    static QString unusable(const QUrl& url);
    std::unique_ptr<HttpFetch> start(const QUrl& url);

    const Clock& m_clock;
    EventPump& m_pump;
    Limits m_limits;
    Private* m_d;
};

}  // namespace quarrow

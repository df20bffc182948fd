#pragma once

// quarrow-server as its own process, and plain sockets against it on 127.0.0.1: what the
// tests and bench_hostile do to it from the network's side. Linux only (its figures come
// from /proc).

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <thread>
#include <vector>

namespace quarrow::test {

// A figure of a process's status file in kB ("VmRSS", "VmHWM"); -1 when it cannot be read.
inline long statusFigureKb(const QString& statusFile, const char* field) {
    QFile status(statusFile);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field) + ':'))
            return line.mid(int(qstrlen(field)) + 1).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

class ServerProcess {
public:
    // Starts `program` on a free port of 127.0.0.1, with at most nofile open files when
    // given; false, with what it said, when it did not come up.
    bool start(const QString& program, const QStringList& arguments, std::optional<rlim_t> nofile,
               QString* error) {
        if (nofile) {
            const rlim_t limit = *nofile;
            m_process.setChildProcessModifier([limit] {
                const rlimit files{limit, limit};
                setrlimit(RLIMIT_NOFILE, &files);
            });
        }
        m_process.start(program, arguments + QStringList{QStringLiteral("--port"), QStringLiteral("0")});
        QString banner;
        while (!banner.contains(QLatin1Char('\n')) && m_process.waitForReadyRead(60000))
            banner += QString::fromUtf8(m_process.readAllStandardOutput());
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral(":(\\d+)/")).match(banner);
        if (!match.hasMatch()) {
            *error = banner + QString::fromUtf8(m_process.readAllStandardError());
            return false;
        }
        m_port = quint16(match.captured(1).toUInt());
        return true;
    }
    ~ServerProcess() {
        m_process.kill();
        m_process.waitForFinished();
    }
    quint16 port() const { return m_port; }

    long memoryKb(const char* field) const {
        return statusFigureKb(QStringLiteral("/proc/%1/status").arg(m_process.processId()), field);
    }
    // User and system time so far, in seconds.
    double cpuSeconds() const {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1.0;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
    }
    int openFiles() const {
        return int(QDir(QStringLiteral("/proc/%1/fd").arg(m_process.processId()))
                       .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                       .size());
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

// A connection to 127.0.0.1 under way; -1 when none could be made.
inline int connectTo(quint16 port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0 && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One GET as a download sends it, waited for at most timeout_ms in all: the HTTP status,
// or 0 when no answer came.
inline int httpGet(quint16 port, const QByteArray& target, int timeout_ms) {
    QElapsedTimer timer;
    timer.start();
    const int fd = connectTo(port);
    if (fd < 0)
        return 0;
    const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    qsizetype sent = 0;
    QByteArray answer;
    for (;;) {
        const int left = timeout_ms - int(timer.elapsed());
        pollfd wait{fd, short(sent < request.size() ? POLLOUT : POLLIN), 0};
        if (left <= 0 || poll(&wait, 1, left) <= 0)
            break;
        if (sent < request.size()) {
            const ssize_t n =
                ::send(fd, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += n;
            continue;
        }
        char buffer[65536];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        answer.append(buffer, n);
    }
    ::close(fd);
    return answer.startsWith("HTTP/1.1 ") ? answer.mid(9, 3).toInt() : 0;
}

// Connections that each send one byte of a request head a second and connect again as soon
// as the server cuts them, from a thread of their own until they go.
class Knockers {
public:
    Knockers(quint16 port, int count) : m_port(port), m_fds(size_t(count), -1) {
        m_thread = std::thread([this] { knock(); });
    }
    ~Knockers() {
        m_stop = true;
        m_thread.join();
        for (const int fd : m_fds) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    Knockers(const Knockers&) = delete;
    Knockers& operator=(const Knockers&) = delete;
    long reconnects() const { return m_reconnects; }

private:
    void knock() {
        static const char kHead[] = "GET /StChange?Date=2024-03-01&ID=0 HTTP/1.1\r\nHost: x\r\n";
        QElapsedTimer clock;
        clock.start();
        std::vector<qint64> next(m_fds.size(), 0);
        std::vector<size_t> sent(m_fds.size(), 0);
        while (!m_stop) {
            for (size_t i = 0; i < m_fds.size(); ++i) {
                int& fd = m_fds[i];
                char byte;
                if (fd >= 0 && ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0) {  // cut: knock again
                    ::close(fd);
                    fd = -1;
                }
                if (fd < 0) {
                    fd = connectTo(m_port);
                    sent[i] = 0;
                    next[i] = clock.elapsed();
                    ++m_reconnects;
                }
                if (fd >= 0 && clock.elapsed() >= next[i]) {
                    if (::send(fd, kHead + sent[i] % (sizeof kHead - 1), 1, MSG_NOSIGNAL | MSG_DONTWAIT) <
                            0 &&
                        errno != EAGAIN) {
                        ::close(fd);
                        fd = -1;
                    }
                    ++sent[i];
                    next[i] = clock.elapsed() + 1000;
                }
            }
            ::usleep(5000);
        }
    }

    quint16 m_port;
    std::vector<int> m_fds;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_reconnects{0};
    std::thread m_thread;
};

// Clients that ask for a page and then take it slowly: the smallest receive buffer the
// system grants, and a kilobyte at each readSome().
class SlowReaders {
public:
    SlowReaders(quint16 port, const QByteArray& target, int count) {
        const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        for (int i = 0; i < count; ++i) {
            const int fd = connectTo(port);
            if (fd < 0)
                continue;
            const int small = 4096;
            setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
            pollfd writable{fd, POLLOUT, 0};
            poll(&writable, 1, 2000);
            ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
            m_fds.push_back(fd);
        }
    }
    ~SlowReaders() {
        for (const int fd : m_fds)
            ::close(fd);
    }
    SlowReaders(const SlowReaders&) = delete;
    SlowReaders& operator=(const SlowReaders&) = delete;
    void readSome() {
        for (const int fd : m_fds) {
            char buffer[1024];
            ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        }
    }

private:
    std::vector<int> m_fds;
};

// This process may hold that many files, as far as its hard limit allows.
inline void raiseOwnFileLimit(rlim_t wanted) {
    rlimit own{};
    getrlimit(RLIMIT_NOFILE, &own);
    if (own.rlim_cur < wanted) {
        own.rlim_cur = own.rlim_max < wanted ? own.rlim_max : wanted;
        setrlimit(RLIMIT_NOFILE, &own);
    }
}

}  // namespace quarrow::test

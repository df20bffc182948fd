// What a hostile server costs the download's page reader, and what a hostile network or a
// busy database costs quarrow-server.
//
//   bench_hostile [--part pages|client|idle|commits|slow] [--server PATH] [--idle N] [--nofile N]
//                 [--hold S] [--rows N] [--clients N] [--seconds S] [--keep DIR] [--knockers N]
//                 [--readers N] [--page-rows N]
//
// pages:   each hostile page read by the table reader in a process of its own: the time and
//          the memory it took. Goal: a page nested 30,000 deep is refused or read in under a
//          second and 100 MB.
// idle:    quarrow-server under an open-files limit (--nofile, default 1024) while N idle
//          connections (default 1500) are held open for --hold seconds (default 40): every
//          two seconds a request, the server's open files and its processor time. Goal: answered within
//          seconds, no core spinning.
// commits: --clients (default 20) clients asking for pages of a database of --rows
//          (default 1,000,000) abnormal-move rows for --seconds (default 10), first alone,
//          then while a writer commits a main-force alert every 200 ms, as the relay does.
//          Goal: the commits cost the clients little.
// client:  hostile answers of a server through the download's page loader and reader, each
//          in a process of its own: a 15 MB table that never closes, a chunked body that never
//          ends (in chunks of 64 KB, and of one byte), a 2 GB Content-Length with a few bytes
//          behind it. The time, the peak memory and what the download made of it. Goal: within
//          a small multiple of the 16 MB page limit, an impossible length refused at once, the
//          one-byte chunks cut at the limit in seconds.
// slow:    quarrow-server while 150 connections send a byte a second and knock again when cut
//          (--knockers, --seconds): how many of a client's requests were answered within five
//          seconds; then --readers (default 100) clients reading pages of --page-rows (default
//          100,000) rows a kilobyte at a time: the server's memory while they read and after.
//          Goal: every request answered; the memory a small part of what the pages weigh.
// Without --part every part runs. --server runs another quarrow-server (an older build, for
// a before-and-after figure); --keep keeps the commits' database in DIR for the next run.

#include "download/PageLoader.h"
#include "download/PageTable.h"
#include "platform/Clock.h"
#include "store/DataBase.h"

#include "BenchSupport.h"
#include "support/ServerProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

using namespace quarrow;
using quarrow::bench::argumentValue;
using quarrow::bench::Stopwatch;

namespace {

// ---------------------------------------------------------------------------------------------
// pages

QByteArray neverClosingTable() {
    QByteArray body = "<html><body><table>\n<tr><td>000000<td>1<td>1<td><td><td><td><td>\n";
    const QByteArray row =
        "<tr><td>600610<td>中毅达<td>2024-03-04<td>华泰证券深圳益田路<td>1<td>0<td>7<td>m\n";
    while (body.size() + row.size() < 15 * 1024 * 1024)
        body += row;
    return body;  // no </table>, no </body>
}

struct HostilePage {
    const char* name;
    QString (*make)();
};

QString table(const QString& inside) {
    return QStringLiteral("<table><tr><td>000000<td>0<td>1<td><td><td><td><td>") + inside +
           QStringLiteral("</table>");
}

const HostilePage kPages[] = {
    {"30,000 nested div", [] { return QStringLiteral("<div>").repeated(30000) + table(QString()); }},
    {"30,000 nested div in a cell", [] { return table(QStringLiteral("<div>").repeated(30000)); }},
    {"30,000 nested b", [] { return table(QStringLiteral("<b>").repeated(30000)); }},
    {"30,000 nested tables", [] { return QStringLiteral("<table><tr><td>").repeated(30000); }},
    {"30,000 misnested b and div", [] { return table(QStringLiteral("<b><div></b>").repeated(30000)); }},
    {"30,000 span, div, /span", [] { return table(QStringLiteral("<span><div></span>").repeated(30000)); }},
    {"30,000 li and section", [] { return table(QStringLiteral("<li><section>").repeated(30000)); }},
    {"200 nested div", [] { return table(QStringLiteral("<div>").repeated(200)); }},
    {"250 nested div, 1,000,000 spans",
     [] {
         return table(QStringLiteral("<div>").repeated(250) +
                      QStringLiteral("<span></span>").repeated(1000000));
     }},
    {"16 MB of control characters", [] { return table(QString(16 * 1024 * 1024, QChar(1))); }},
    {"a 15 MB attribute",
     [] {
         return table(QStringLiteral("<a href=\"") + QString(15 * 1024 * 1024, QLatin1Char('x')) +
                      QStringLiteral("\">"));
     }},
    {"1,000,000 unclosed cells", [] { return table(QStringLiteral("<td>1").repeated(1000000)); }},
    {"15 MB table that never closes", [] { return QString::fromUtf8(neverClosingTable()); }},
    {"the same with attributes",
     [] {
         return QString::fromUtf8(neverClosingTable())
             .replace(QStringLiteral("<td>"), QStringLiteral("<td class=c>"));
     }},
};

// One page in this process, which reads nothing else: its peak memory is the page's. The
// page goes through the download's reader: the direct pass, and the full parse when the
// direct pass gives up.
int readOnePage(int index) {
    const QString page = kPages[index].make();
    const long before = bench::peakMemoryKb();
    Stopwatch watch;
    const PageTable read = readPageTable(page);
    std::printf("%.3f %ld %d %d %s\n", watch.seconds(), bench::peakMemoryKb() - before, read.tables,
                read.rowCount(),
                !read.refusal.isEmpty() ? "refused"
                : read.direct           ? "direct"
                                        : "parsed");
    return 0;
}

// What a process of this program prints for one case (`--page 3`), split at its blanks;
// what it said on standard error in *failure.
QStringList childFigures(const QString& self, const char* option, int index, QByteArray* failure) {
    QProcess child;
    child.start(self, {QString::fromLatin1(option), QString::number(index)});
    child.waitForFinished(-1);
    *failure = child.readAllStandardError();
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
}

void pagesPart(const QString& self) {
    std::printf(
        "pages: read by the download's reader in a process each (peak memory above the page's own "
        "text; rows of the first table)\n");
    for (int i = 0; i < int(std::size(kPages)); ++i) {
        QByteArray failure;
        const QStringList figures = childFigures(self, "--page", i, &failure);
        if (figures.size() < 5) {
            std::printf("  %-30s failed: %s\n", kPages[i].name, failure.constData());
            continue;
        }
        std::printf("  %-32s %8.3f s %8.1f MB  %-7s %s tables, %s rows\n", kPages[i].name,
                    figures[0].toDouble(), figures[1].toDouble() / 1024,
                    figures[4].trimmed().toUtf8().constData(), figures[2].toUtf8().constData(),
                    figures[3].toUtf8().constData());
    }
}

// ---------------------------------------------------------------------------------------------
// client

// The memory of this process now and at its peak, from the system's own account.
long statusKb(const char* field) {
    return quarrow::test::statusFigureKb(QStringLiteral("/proc/self/status"), field);
}

// What a hostile server sends on a connection, after the request head, until the client
// goes: `write` is handed a sink that answers false once the client is gone.
struct HostileAnswer {
    const char* name;
    void (*write)(const std::function<bool(const QByteArray&)>& send);
};

const HostileAnswer kAnswers[] = {
    {"15 MB table that never closes",
     [](const std::function<bool(const QByteArray&)>& send) {
         const QByteArray body = neverClosingTable();
         send("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
              QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
     }},
    {"chunked body that never ends",
     [](const std::function<bool(const QByteArray&)>& send) {
         if (!send("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nTransfer-Encoding: "
                   "chunked\r\n\r\n"))
             return;
         const QByteArray part(64 * 1024, 'x');
         const QByteArray chunk = QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
         while (send(chunk)) {
         }
     }},
    {"chunked body of one-byte chunks",
     [](const std::function<bool(const QByteArray&)>& send) {
         if (!send("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nTransfer-Encoding: "
                   "chunked\r\n\r\n"))
             return;
         QByteArray chunks;
         for (int i = 0; i < 16 * 1024; ++i)
             chunks += "1\r\nx\r\n";
         while (send(chunks)) {
         }
     }},
    {"2 GB Content-Length, 6 bytes",
     [](const std::function<bool(const QByteArray&)>& send) {
         send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 2147483648\r\n\r\n<html>");
         // The rest never comes; the client either refuses the length or waits.
         for (int i = 0; i < 700 && send(QByteArray()); ++i)
             QThread::msleep(100);
     }},
};

// One connection served with the answer in a thread of its own.
class HostileServer {
public:
    explicit HostileServer(const HostileAnswer& answer) {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int yes = 1;
        setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listener, 4);
        socklen_t length = sizeof address;
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        m_thread = std::thread([this, &answer] {
            const int fd = accept(m_listener, nullptr, nullptr);
            if (fd < 0)
                return;
            char buffer[4096];
            QByteArray head;
            while (!head.contains("\r\n\r\n")) {
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                head.append(buffer, n);
            }
            answer.write([&](const QByteArray& bytes) {
                if (m_stop)
                    return false;
                if (bytes.isEmpty()) {
                    pollfd gone{fd, POLLIN, 0};
                    return !(poll(&gone, 1, 0) > 0 && ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) == 0);
                }
                for (qsizetype sent = 0; sent < bytes.size();) {
                    const ssize_t n =
                        ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
                    if (n <= 0)
                        return false;
                    sent += n;
                }
                return true;
            });
            ::close(fd);
        });
    }
    ~HostileServer() {
        m_stop = true;
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }
    quint16 port = 0;

private:
    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

int loadOneAnswer(int index) {
    HostileServer server(kAnswers[index]);
    SystemClock clock;
    bench::SilentFrame frame;
    frame.pumpEvents = true;
    NetworkPageLoader loader(clock, frame);
    const long before = statusKb("VmHWM");
    Stopwatch watch;
    PageResult result = loader.load(
        QUrl(QStringLiteral("http://127.0.0.1:%1/StChange?Date=2024-03-01&ID=0").arg(server.port)),
        [] { return false; });
    QString outcome = result.error;
    if (result.status == PageResult::Status::Loaded) {
        const PageTable table = readPageTable(result.html);
        result.html.clear();
        outcome = !table.refusal.isEmpty() ? table.refusal : QStringLiteral("%1 rows").arg(table.rowCount());
    }
    std::printf("%.3f %ld %s\n", watch.seconds(), statusKb("VmHWM") - before, outcome.toUtf8().constData());
    return 0;
}

void clientPart(const QString& self) {
    std::printf(
        "client: hostile answers through the page loader and the reader, a process each (peak memory above "
        "the process's own)\n");
    for (int i = 0; i < int(std::size(kAnswers)); ++i) {
        QByteArray failure;
        const QStringList figures = childFigures(self, "--answer", i, &failure);
        if (figures.size() < 3) {
            std::printf("  %-32s failed: %s\n", kAnswers[i].name, failure.constData());
            continue;
        }
        std::printf("  %-32s %8.3f s %8.1f MB  %s\n", kAnswers[i].name, figures[0].toDouble(),
                    figures[1].toDouble() / 1024, figures.mid(2).join(QLatin1Char(' ')).toUtf8().constData());
    }
}

// ---------------------------------------------------------------------------------------------
// the server as its own process

using quarrow::test::connectTo;
using quarrow::test::httpGet;
using quarrow::test::Knockers;
using quarrow::test::raiseOwnFileLimit;
using quarrow::test::SlowReaders;

// quarrow-server on a database; it says why when it does not come up.
struct Server : quarrow::test::ServerProcess {
    quint16 port = 0;

    bool start(const QString& program, const QString& database, int nofile, const QStringList& more = {}) {
        QString error;
        if (!ServerProcess::start(program, QStringList{QStringLiteral("--database"), database} + more,
                                  nofile > 0 ? std::optional<rlim_t>(rlim_t(nofile)) : std::nullopt,
                                  &error)) {
            std::fprintf(stderr, "bench_hostile: quarrow-server did not start: %s\n",
                         error.toUtf8().constData());
            return false;
        }
        port = ServerProcess::port();
        return true;
    }
};

bool makeSmallDatabase(const QString& file) {
    TDataBase db(file);
    return db.open() &&
           db.execute(QStringLiteral(
               "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
               "values ('600610','2024-03-04',1,1,0,7,'m',1)"));
}

void idlePart(const QString& server, int idle, int nofile, int hold) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Idle.db"));
    if (!makeSmallDatabase(file))
        return;
    Server s;
    if (!s.start(server, file, nofile))
        return;
    raiseOwnFileLimit(idle + 256);
    const QByteArray target = "/StChange?Date=2024-03-01&ID=0&USER=bench";
    std::printf("idle: %d idle connections to a server limited to %d open files\n", idle, nofile);
    std::printf("  before: answered HTTP %d\n", httpGet(s.port, target, 5000));
    const double cpuBefore = s.cpuSeconds();
    Stopwatch watch;
    std::vector<int> held;
    // In groups, as clients arrive: all at once most would wait in the kernel's queue.
    for (int i = 0; i < idle; ++i) {
        const int fd = connectTo(s.port);
        if (fd >= 0)
            held.push_back(fd);
        if (i % 50 == 49)
            QThread::msleep(20);
    }
    std::printf("  %zu connections opened in %.2f s\n", held.size(), watch.seconds());
    // Every two seconds: a request (answered or not, and how fast), the server's open
    // files and its processor time since the last look.
    double answeredWithin = -1;
    double worst = 0;
    int unanswered = 0;
    double cpuMark = s.cpuSeconds();
    Stopwatch interval;
    while (watch.seconds() < hold) {
        Stopwatch one;
        const int status = httpGet(s.port, target, 2000);
        const double took = one.seconds();
        if (status == 200 && answeredWithin < 0)
            answeredWithin = watch.seconds();
        if (status != 200)
            ++unanswered;
        worst = std::max(worst, took);
        QThread::msleep(static_cast<unsigned long>(std::max(0.0, 2000 - took * 1000)));
        const double cpu = s.cpuSeconds();
        std::printf("  %5.1f s: HTTP %d in %.2f s; server %4d files open, %3.0f %% of a core\n",
                    watch.seconds(), status, took, s.openFiles(), 100 * (cpu - cpuMark) / interval.seconds());
        cpuMark = cpu;
        interval = Stopwatch();
    }
    std::printf(
        "  first answer %.2f s after the idle connections began; %d requests unanswered; slowest %.2f s; "
        "%.2f s processor time in all\n",
        answeredWithin, unanswered, worst, s.cpuSeconds() - cpuBefore);
    int closed = 0;
    for (const int fd : held) {
        pollfd wait{fd, POLLIN, 0};
        char byte;
        if (poll(&wait, 1, 0) > 0 && ::recv(fd, &byte, 1, MSG_DONTWAIT) <= 0)
            ++closed;
    }
    std::printf("  %d of the idle connections closed by the server\n", closed);
    for (const int fd : held)
        ::close(fd);
    Stopwatch after;
    const int status = httpGet(s.port, target, 30000);
    std::printf("  after they are gone: HTTP %d in %.2f s\n", status, after.seconds());
}

// ---------------------------------------------------------------------------------------------
// commits

bool makeLargeDatabase(const QString& file, int rows) {
    if (QFileInfo(file).isFile()) {
        TDataBase db(file);
        if (db.open()) {
            Statement count = db.QueryPublic(QStringLiteral("select count(*) from tblStChange"));
            if (count.exec() && count.next() && count.integer(0) == rows)
                return true;
        }
        db.close();
        QFile::remove(file);
    }
    TDataBase db(file);
    if (!db.open())
        return false;
    Stopwatch watch;
    const bool made = db.execute(
        QStringLiteral(
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
            "insert into tblStChange (StCode,StDate,StDeptKey,StBuy,StSale,StRate,StMemo,StKEY) "
            "select printf('%06d', 600000 + i % 3000), date('2020-01-02', '+' || (i * 1500 / %1) || "
            "' days'), i % 3000, i, 0, 7, '涨跌幅大', i from n")
            .arg(rows));
    std::printf("  %d rows made in %.1f s\n", rows, watch.seconds());
    return made;
}

struct Figures {
    int requests = 0;
    int failed = 0;
    double seconds = 0;
    double median_ms = 0;
    double p95_ms = 0;
};

Figures askForPages(quint16 port, int clients, int seconds, int rows) {
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::vector<double> latencies;
    Figures figures;
    std::vector<std::thread> threads;
    Stopwatch watch;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            QRandomGenerator random(quint32(c + 1));
            std::vector<double> own;
            int failed = 0;
            while (!stop) {
                const QByteArray target =
                    "/StChange?Date=2020-01-01&ID=" + QByteArray::number(random.bounded(1, rows)) +
                    "&USER=bench";
                Stopwatch one;
                if (httpGet(port, target, 30000) == 200)
                    own.push_back(one.seconds() * 1000);
                else
                    ++failed;
            }
            std::lock_guard<std::mutex> guard(lock);
            latencies.insert(latencies.end(), own.begin(), own.end());
            figures.failed += failed;
        });
    }
    QThread::sleep(seconds);
    stop = true;
    for (std::thread& t : threads)
        t.join();
    figures.seconds = watch.seconds();
    figures.requests = int(latencies.size());
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        figures.median_ms = latencies[latencies.size() / 2];
        figures.p95_ms = latencies[latencies.size() * 95 / 100];
    }
    return figures;
}

// A main-force alert every period_ms, each in a transaction of its own, as the relay stores them.
class AlertWriter {
public:
    AlertWriter(QString file, int period_ms) : m_file(std::move(file)), m_period_ms(period_ms) {
        m_thread = std::thread([this] { write(); });
    }
    ~AlertWriter() {
        m_stop = true;
        m_thread.join();
    }
    int commits() const { return m_commits; }

private:
    void write() {
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("alert-writer"));
            db.setDatabaseName(m_file);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
            if (!db.open())
                std::fprintf(stderr, "bench_hostile: the alert writer cannot open the database: %s\n",
                             db.lastError().text().toUtf8().constData());
            if (db.isOpen()) {
                QSqlQuery insert(db);
                while (!m_stop) {
                    insert.prepare(
                        QStringLiteral("insert into tblMainBuySale (StCode,StName,StDate,StDept,StBuy,"
                                       "StSale,StRate,StMemo) values ('600610','甲','2024-03-04','主力',"
                                       "1,0,1,:memo)"));
                    insert.bindValue(QStringLiteral(":memo"),
                                     QStringLiteral("alert %1").arg(m_commits.load()));
                    if (insert.exec())
                        ++m_commits;
                    else if (m_commits == 0 && !m_reported.exchange(true))
                        std::fprintf(stderr, "bench_hostile: the alert writer cannot write: %s\n",
                                     insert.lastError().text().toUtf8().constData());
                    QThread::msleep(static_cast<unsigned long>(m_period_ms));
                }
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("alert-writer"));
    }

    QString m_file;
    int m_period_ms;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_commits{0};
    std::atomic<bool> m_reported{false};
    std::thread m_thread;
};

void commitsPart(const QString& server, const QString& keep, int rows, int clients, int seconds) {
    QTemporaryDir temporary;
    const QString dir = keep.isEmpty() ? temporary.path() : keep;
    QDir().mkpath(dir);
    const QString file = QDir(dir).filePath(QStringLiteral("Commits.db"));
    std::printf("commits: %d clients, %d abnormal-move rows\n", clients, rows);
    if (!makeLargeDatabase(file, rows))
        return;
    Server s;
    if (!s.start(server, file, 0))
        return;
    raiseOwnFileLimit(clients * 4 + 256);
    httpGet(s.port, "/StChange?Date=2020-01-01&ID=0", 60000);  // the server's first look at the rows
    auto print = [](const char* what, const Figures& f) {
        std::printf("  %-28s %6d requests in %.1f s = %7.1f/s, median %.1f ms, 95th %.1f ms, %d failed\n",
                    what, f.requests, f.seconds, f.requests / f.seconds, f.median_ms, f.p95_ms, f.failed);
    };
    print("no writer:", askForPages(s.port, clients, seconds, rows));
    AlertWriter writer(file, 200);
    const Figures busy = askForPages(s.port, clients, seconds, rows);
    print("an alert every 200 ms:", busy);
    std::printf("  (%d alerts committed)\n", writer.commits());
}

// ---------------------------------------------------------------------------------------------
// slow

void slowPart(const QString& server, int knockerCount, int seconds, int readerCount, int pageRows) {
    QTemporaryDir dir;
    const QByteArray target = "/StChange?Date=2020-01-01&ID=0&USER=bench";
    {
        const QString file = dir.filePath(QStringLiteral("Knocked.db"));
        if (!makeSmallDatabase(file))
            return;
        Server s;
        if (!s.start(server, file, 0))
            return;
        raiseOwnFileLimit(rlim_t(knockerCount) + 256);
        std::printf("slow: %d connections sending a byte a second, knocking again when cut\n", knockerCount);
        Knockers knockers(s.port, knockerCount);
        QThread::msleep(3000);  // every place taken, the first ones cut
        int asked = 0;
        int answered = 0;
        double slowest = 0;
        long peakKb = 0;
        Stopwatch watch;
        while (watch.seconds() < seconds) {
            Stopwatch one;
            ++asked;
            answered += httpGet(s.port, target, 5000) == 200 ? 1 : 0;
            slowest = std::max(slowest, one.seconds());
            peakKb = std::max(peakKb, s.memoryKb("VmRSS"));
            QThread::msleep(200);
        }
        std::printf(
            "  normal requests answered within 5 s: %d of %d = %.2f (slowest %.2f s); %ld reconnects; server "
            "%.1f MB at the most\n",
            answered, asked, asked > 0 ? double(answered) / asked : 0.0, slowest, knockers.reconnects(),
            peakKb / 1024.0);
    }
    const QString file = dir.filePath(QStringLiteral("Long.db"));
    if (!makeLargeDatabase(file, pageRows))
        return;
    Server s;
    if (!s.start(server, file, 0, {QStringLiteral("--page-rows"), QString::number(pageRows)}))
        return;
    raiseOwnFileLimit(rlim_t(readerCount) + 256);
    Stopwatch whole;
    const int status = httpGet(s.port, target, 120000);
    const double pageSeconds = whole.seconds();
    QThread::msleep(300);
    const long beforeKb = s.memoryKb("VmRSS");
    long peakKb = beforeKb;
    {
        SlowReaders readers(s.port, target, readerCount);
        Stopwatch reading;
        while (reading.seconds() < std::min(seconds, 10)) {
            readers.readSome();
            peakKb = std::max(peakKb, s.memoryKb("VmRSS"));
            QThread::msleep(200);
        }
    }
    QThread::msleep(2000);
    const long afterKb = s.memoryKb("VmRSS");
    std::printf("  one page of %d rows: HTTP %d in %.2f s\n", pageRows, status, pageSeconds);
    std::printf(
        "  %d slow readers of such pages: server %.1f MB before, %.1f MB at the most while they read, %.1f "
        "MB "
        "after they left\n",
        readerCount, beforeKb / 1024.0, peakKb / 1024.0, afterKb / 1024.0);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--page"))
        return readOnePage(arguments.at(2).toInt());
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--answer"))
        return loadOneAnswer(arguments.at(2).toInt());
    auto option = [&](const char* name) {
        const qsizetype at = arguments.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
    };
    const QString part = option("--part");
    QString server = option("--server");
    if (server.isEmpty())
        server = QStringLiteral(QUARROW_SERVER);
    if (part.isEmpty() || part == QLatin1String("pages"))
        pagesPart(QCoreApplication::applicationFilePath());
    if (part.isEmpty() || part == QLatin1String("client"))
        clientPart(QCoreApplication::applicationFilePath());
    if (part.isEmpty() || part == QLatin1String("idle"))
        idlePart(server, argumentValue(arguments, QStringLiteral("--idle"), 1500),
                 argumentValue(arguments, QStringLiteral("--nofile"), 1024),
                 argumentValue(arguments, QStringLiteral("--hold"), 40));
    if (part.isEmpty() || part == QLatin1String("slow"))
        slowPart(server, argumentValue(arguments, QStringLiteral("--knockers"), 150),
                 argumentValue(arguments, QStringLiteral("--seconds"), 20),
                 argumentValue(arguments, QStringLiteral("--readers"), 100),
                 argumentValue(arguments, QStringLiteral("--page-rows"), 100000));
    if (part.isEmpty() || part == QLatin1String("commits"))
        commitsPart(server, option("--keep"), argumentValue(arguments, QStringLiteral("--rows"), 1'000'000),
                    argumentValue(arguments, QStringLiteral("--clients"), 20),
                    argumentValue(arguments, QStringLiteral("--seconds"), 10));
    return 0;
}

#include "server/PagePublisher.h"

#include "download/PageContract.h"
#include "server/PostgresTables.h"
#include "store/Money.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>
#include <utility>

namespace quarrow {

namespace {

QString newConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("quarrow-server-%1").arg(counter.fetchAndAddRelaxed(1));
}

PageAnswer plain(int status, const QString& reason) {
    PageAnswer answer;
    answer.status = status;
    answer.contentType = "text/plain; charset=utf-8";
    answer.body = reason.toUtf8() + '\n';
    return answer;
}

// Cells and rows without their end tags, which HTML leaves out by right: a reader parses
// the page in two thirds of the time.
QString row(const QStringList& cells) {
    QString html = QStringLiteral("<tr>");
    for (const QString& text : cells)
        html += QStringLiteral("<td>") + text.toHtmlEscaped();
    return html + QLatin1Char('\n');
}

QString moneyText(const QVariant& value) {
    return Money::fromDouble(value.toDouble()).toString();
}

// Rows in the order the IDs count them; the names come in full, joined from their tables.
const QString kChangeRows = QStringLiteral(
    "select c.StCode, s.StName, c.StDate, d.StDept, c.StBuy, c.StSale, c.StRate, c.StMemo, c.ID"
    " from tblStChange c"
    " left join tblStocks s on s.StCode = c.StCode"
    " left join tblStDepart d on d.StDeptKey = c.StDeptKey"
    " where c.StDate >= :Date and (c.StDate > :DateP or c.ID >= :ID)"
    " order by c.StDate, c.ID limit :Rows");
const QString kBigRows = QStringLiteral(
    "select b.StCode, s.StName, b.StDate, buyer.StDept, b.StPrice, b.StQTY, b.StAMT, seller.StDept, b.ID"
    " from tblBigBuySale b"
    " left join tblStocks s on s.StCode = b.StCode"
    " left join tblStDepart buyer on buyer.StDeptKey = b.StDeptBuy"
    " left join tblStDepart seller on seller.StDeptKey = b.StDeptSale"
    " where b.StDate >= :Date and (b.StDate > :DateP or b.ID >= :ID)"
    " order by b.StDate, b.ID limit :Rows");

const QString kTables[] = {QStringLiteral("tblStChange"), QStringLiteral("tblBigBuySale")};

// Rows deleted leave the highest ID alone; only a count shows them. Counting a large table
// takes a good part of a second, so it is done at most this often, and only after a commit.
constexpr qint64 kCount_ms = 30000;

// The rows of a ranking and those added after it, both in (day, ID) order, in one. The
// added rows have the higher IDs, so on the same day they come after.
void merge(const QList<qint64>& addedIds, const QStringList& addedDays, QList<qint64>& ids,
           QStringList& days) {
    QList<qint64> mergedIds;
    QStringList mergedDays;
    mergedIds.reserve(ids.size() + addedIds.size());
    mergedDays.reserve(ids.size() + addedIds.size());
    qsizetype a = 0;
    qsizetype b = 0;
    while (a < ids.size() || b < addedIds.size()) {
        if (b >= addedIds.size() || (a < ids.size() && days.at(a) <= addedDays.at(b))) {
            mergedIds.append(ids.at(a));
            mergedDays.append(days.at(a));
            ++a;
        } else {
            mergedIds.append(addedIds.at(b));
            mergedDays.append(addedDays.at(b));
            ++b;
        }
    }
    ids = std::move(mergedIds);
    days = std::move(mergedDays);
}

}  // namespace

PagePublisher::PagePublisher(QString databaseFile, int pageRows, QString password)
    : m_file(std::move(databaseFile)),
      m_password(std::move(password)),
      m_connectionName(newConnectionName()),
      m_pageRows(pageRows) {}

PagePublisher::~PagePublisher() {
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    for (const QString& name : QSqlDatabase::connectionNames()) {
        if (name.startsWith(m_connectionName))
            QSqlDatabase::removeDatabase(name);
    }
}

std::shared_ptr<const PagePublisher::Rankings> PagePublisher::rankings() const {
    QMutexLocker locker(&m_lock);
    return m_rankings;
}

bool PagePublisher::open(QString* error) {
    m_postgres = PostgresTables::isAddress(m_file);
    if (m_postgres) {
        if (!PostgresTables::available(error))
            return false;
        m_db = PostgresTables::connection(m_file, m_connectionName, m_password);
    } else {
        if (!QFileInfo(m_file).isFile()) {
            *error = QStringLiteral("%1 is not a file").arg(m_file);
            return false;
        }
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        m_db.setDatabaseName(m_file);
        // Only read; the program that mines into the file may be writing meanwhile.
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_READONLY"));
    }
    if (!m_db.open()) {
        *error = m_db.lastError().text();
        return false;
    }
    QSqlQuery check(m_db);
    if (!check.exec(QStringLiteral("select count(*) from tblStChange, tblBigBuySale, tblStocks, tblStDepart "
                                   "where 1 = 0"))) {
        *error = QStringLiteral("%1 holds no Quarrow tables (%2)").arg(m_file, check.lastError().text());
        return false;
    }
    check.finish();
    auto first = std::make_shared<Rankings>();
    if (!readRanking(m_db, kTables[0], 0, &first->change, error) ||
        !readRanking(m_db, kTables[1], 0, &first->big, error))
        return false;
    QMutexLocker locker(&m_lock);
    m_rankings = std::move(first);
    return true;
}

bool PagePublisher::readRanking(QSqlDatabase& db, const QString& table, qint64 afterId, Ranking* ranking,
                                QString* error) {
    QSqlQuery highest(db);
    if (!highest.exec(QStringLiteral("select coalesce(max(ID), 0) from %1").arg(table)) || !highest.next()) {
        *error = highest.lastError().text();
        return false;
    }
    const qint64 highestId = highest.value(0).toLongLong();
    highest.finish();
    if (afterId > 0 && highestId == afterId)
        return true;
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    rows.prepare(QStringLiteral(
                     "select ID, StDate from %1 where ID > :After and StDate is not null order by StDate, ID")
                     .arg(table));
    rows.bindValue(QStringLiteral(":After"), afterId);
    if (!rows.exec()) {
        *error = rows.lastError().text();
        return false;
    }
    QList<qint64> ids;
    QStringList days;
    while (rows.next()) {
        ids.append(rows.value(0).toLongLong());
        days.append(rows.value(1).toString());
    }
    if (afterId == 0) {
        ranking->ids = std::move(ids);
        ranking->days = std::move(days);
    } else {
        merge(ids, days, ranking->ids, ranking->days);
    }
    ranking->highestId = highestId;
    return true;
}

bool PagePublisher::rowCount(QSqlDatabase& db, const QString& table, qint64* count, QString* error) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select count(*) from %1 where StDate is not null").arg(table)) ||
        !query.next()) {
        *error = query.lastError().text();
        return false;
    }
    *count = query.value(0).toLongLong();
    return true;
}

QSqlDatabase PagePublisher::refreshConnection(QString* error) {
    // A connection belongs to the thread that made it: one per refreshing thread.
    const QString name =
        QStringLiteral("%1-refresh-%2").arg(m_connectionName).arg(quintptr(QThread::currentThreadId()));
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    QSqlDatabase db;
    if (m_postgres) {
        db = PostgresTables::connection(m_file, name, m_password);
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_READONLY"));
    }
    if (!db.open())
        *error = db.lastError().text();
    return db;
}

bool PagePublisher::refresh(QString* error) {
    QSqlDatabase db = refreshConnection(error);
    if (!db.isOpen())
        return false;
    // SQLite's data_version moves when another connection (the miner, the relay) commits.
    // PostgreSQL's tables are filled by quarrow-cli publish, which numbers each copy in
    // tblPublishInfo; a database published before that is told by its counts.
    QSqlQuery version(db);
    bool read = false;
    if (m_postgres) {
        read = version.exec(QStringLiteral("select Version from tblPublishInfo")) && version.next();
        if (!read)
            read = version.exec(QStringLiteral("select (select count(*) from tblStChange) || '/' || "
                                               "(select coalesce(max(ID), 0) from tblStChange) || '/' || "
                                               "(select count(*) from tblBigBuySale) || '/' || "
                                               "(select coalesce(max(ID), 0) from tblBigBuySale)")) &&
                   version.next();
    } else {
        read = version.exec(QStringLiteral("PRAGMA data_version")) && version.next();
    }
    if (!read) {
        *error = version.lastError().text();
        return false;
    }
    const QString now = version.value(0).toString();
    version.finish();
    if (now != m_dataVersion)
        m_changedSinceCounted = true;
    const bool countNow = !m_postgres && m_changedSinceCounted &&
                          (!m_sinceCounted.isValid() || m_sinceCounted.elapsed() >= kCount_ms);
    if (now == m_dataVersion && !countNow)
        return true;

    const std::shared_ptr<const Rankings> current = rankings();
    auto next = std::make_shared<Rankings>(*current);
    Ranking* parts[] = {&next->change, &next->big};
    for (int t = 0; t < 2; ++t) {
        Ranking& ranking = *parts[t];
        // A copy replaces every row; an ID below the highest known means rows went away.
        bool whole = m_postgres;
        if (!whole) {
            QSqlQuery highest(db);
            if (!highest.exec(QStringLiteral("select coalesce(max(ID), 0) from %1").arg(kTables[t])) ||
                !highest.next()) {
                *error = highest.lastError().text();
                return false;
            }
            whole = highest.value(0).toLongLong() < ranking.highestId;
        }
        if (!whole && !readRanking(db, kTables[t], ranking.highestId, &ranking, error))
            return false;
        if (!whole && countNow) {
            qint64 count = 0;
            if (!rowCount(db, kTables[t], &count, error))
                return false;
            whole = count != ranking.ids.size();
        }
        if (whole) {
            ++m_fullReloads;
            if (!readRanking(db, kTables[t], 0, &ranking, error))
                return false;
        }
    }
    if (countNow) {
        m_sinceCounted.start();
        m_changedSinceCounted = false;
    }
    m_dataVersion = now;
    QMutexLocker locker(&m_lock);
    m_rankings = std::move(next);
    return true;
}

namespace {

// An answer that is one short text.
class PlainWriter final : public PageWriter {
public:
    explicit PlainWriter(PageAnswer answer) : m_answer(std::move(answer)) {}
    int status() const override { return m_answer.status; }
    QByteArray contentType() const override { return m_answer.contentType; }
    bool next(int, QByteArray* part) override {
        *part = std::exchange(m_answer.body, QByteArray());
        return true;
    }

private:
    PageAnswer m_answer;
};

}  // namespace

// A page of rows: the header row, the data rows a stretch at a time, the end row.
class RowPageWriter final : public PageWriter {
public:
    RowPageWriter(PagePublisher& publisher, bool change, const QDate& day, qint64 id)
        : m_publisher(publisher), m_change(change), m_held(publisher.rankings()) {
        const PagePublisher::Ranking& ranking = this->ranking();
        const qint64 total = ranking.ids.size();
        // The first row whose day is not before the day asked for.
        const auto firstOfDay =
            std::lower_bound(ranking.days.cbegin(), ranking.days.cend(), PageContract::dayText(day));
        m_first = std::max(id, static_cast<qint64>(firstOfDay - ranking.days.cbegin()) + 1);
        m_remaining = std::max<qint64>(0, total - m_first + 1);
        m_wanted = std::min<qint64>(m_remaining, publisher.m_pageRows);
    }
    int status() const override { return 200; }
    QByteArray contentType() const override { return "text/html; charset=utf-8"; }

    bool next(int rows, QByteArray* part) override {
        part->clear();
        if (m_stage == Stage::Done)
            return true;
        QString html;
        if (m_stage == Stage::Head) {
            html = QStringLiteral(
                "<html><head><meta charset=\"utf-8\"><title>Quarrow</title></head><body>\n<table>\n");
            html += row({PageContract::kHeader, QString::number(m_remaining), QString::number(m_first),
                         QString(), QString(), QString(), QString(), QString()});
            m_stage = m_wanted > 0 ? Stage::Rows : Stage::Tail;
        } else if (m_stage == Stage::Rows) {
            if (!readStretch(std::max(1, rows), &html))
                return false;
        }
        if (m_stage == Stage::Tail) {
            html += row({PageContract::kEnd, QString(), QString::number(m_first + m_delivered - 1), QString(),
                         QString(), QString(), QString(), QString()});
            html += QStringLiteral("</table>\n</body></html>\n");
            m_stage = Stage::Done;
        }
        *part = html.toUtf8();
        return true;
    }

private:
    enum class Stage { Head, Rows, Tail, Done };

    const PagePublisher::Ranking& ranking() const { return m_change ? m_held->change : m_held->big; }

    // The rows after the last one sent, in (day, ID) order, as far as the page goes. Each
    // stretch goes on from the day and the ID of the row sent last, not from a place in the
    // ranking: a row stored meanwhile with an earlier day (a re-analysis, a download of old
    // days) would otherwise shift the places, and the row at the stretch's end would be
    // sent twice or not at all.
    bool readStretch(int rows, QString* html) {
        QSqlDatabase& db = m_publisher.m_db;
        if (m_delivered == 0) {
            const qint64 at = m_first - 1;  // index into the ranking
            m_nextDay = ranking().days.at(at);
            m_nextId = ranking().ids.at(at);
        }
        const qint64 count = std::min<qint64>(rows, m_wanted - m_delivered);
        if (!db.transaction())
            return false;
        if (m_publisher.m_postgres) {
            QSqlQuery snapshot(db);
            snapshot.exec(QStringLiteral("set transaction isolation level repeatable read"));
        }
        qint64 read = 0;
        {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            query.prepare(m_change ? kChangeRows : kBigRows);
            query.bindValue(QStringLiteral(":Rows"), count);
            query.bindValue(QStringLiteral(":Date"), m_nextDay);
            query.bindValue(QStringLiteral(":DateP"), m_nextDay);
            query.bindValue(QStringLiteral(":ID"), m_nextId);
            if (!query.exec()) {
                db.rollback();
                return false;
            }
            while (query.next()) {
                QStringList cells;
                cells << query.value(0).toString() << query.value(1).toString() << query.value(2).toString()
                      << query.value(3).toString() << moneyText(query.value(4)) << moneyText(query.value(5))
                      << moneyText(query.value(6)) << query.value(7).toString();
                *html += row(cells);
                m_nextDay = query.value(2).toString();
                m_nextId = query.value(8).toLongLong() + 1;
                ++read;
            }
            if (query.lastError().isValid()) {
                db.rollback();
                return false;
            }
        }
        if (!db.commit())
            return false;
        m_delivered += read;
        // Fewer rows than asked for: the store holds no more of them (rows deleted since).
        if (m_delivered >= m_wanted || read < count)
            m_stage = Stage::Tail;
        return true;
    }

    PagePublisher& m_publisher;
    bool m_change;
    std::shared_ptr<const PagePublisher::Rankings> m_held;
    qint64 m_first = 1;
    qint64 m_remaining = 0;
    qint64 m_wanted = 0;
    qint64 m_delivered = 0;
    QString m_nextDay;  // where the next stretch starts: this day, from this ID on
    qint64 m_nextId = 0;
    Stage m_stage = Stage::Head;
};

std::unique_ptr<PageWriter> PagePublisher::writer(const QString& path, const QUrlQuery& query) {
    const bool change = path == PageContract::kChangePath;
    if (!change && path != PageContract::kBigPath)
        return std::make_unique<PlainWriter>(
            plain(404, QStringLiteral("no such page; the pages are %1 and %2")
                           .arg(PageContract::kChangePath, PageContract::kBigPath)));
    const QDate day =
        PageContract::parseDay(query.queryItemValue(QStringLiteral("Date"), QUrl::FullyDecoded));
    if (!day.isValid())
        return std::make_unique<PlainWriter>(
            plain(400, QStringLiteral("Date must be a day written yyyy-mm-dd")));
    bool ok = false;
    const qint64 id = query.queryItemValue(QStringLiteral("ID"), QUrl::FullyDecoded).toLongLong(&ok);
    if (!ok || id < 0)
        return std::make_unique<PlainWriter>(plain(400, QStringLiteral("ID must be a whole number from 0")));
    return std::make_unique<RowPageWriter>(*this, change, day, id);
}

PageAnswer PagePublisher::answer(const QString& path, const QUrlQuery& query) {
    const std::unique_ptr<PageWriter> pageWriter = writer(path, query);
    PageAnswer answer;
    answer.status = pageWriter->status();
    answer.contentType = pageWriter->contentType();
    QByteArray part;
    do {
        if (!pageWriter->next(kRowsPerStretch, &part))
            return plain(500, QStringLiteral("the database cannot be read: %1").arg(m_db.lastError().text()));
        answer.body += part;
    } while (!part.isEmpty());
    return answer;
}

}  // namespace quarrow

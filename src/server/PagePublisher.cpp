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
    "select c.StCode, s.StName, c.StDate, d.StDept, c.StBuy, c.StSale, c.StRate, c.StMemo"
    " from tblStChange c"
    " left join tblStocks s on s.StCode = c.StCode"
    " left join tblStDepart d on d.StDeptKey = c.StDeptKey"
    " where c.StDate >= :Date and (c.StDate > :DateP or c.ID >= :ID)"
    " order by c.StDate, c.ID limit :Rows");
const QString kBigRows = QStringLiteral(
    "select b.StCode, s.StName, b.StDate, buyer.StDept, b.StPrice, b.StQTY, b.StAMT, seller.StDept"
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
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
            *error = QStringLiteral("QtSql has no PostgreSQL driver here (Debian: libqt6sql6-psql)");
            return false;
        }
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

PageAnswer PagePublisher::answer(const QString& path, const QUrlQuery& query) {
    const bool change = path == PageContract::kChangePath;
    if (!change && path != PageContract::kBigPath)
        return plain(404, QStringLiteral("no such page; the pages are %1 and %2")
                              .arg(PageContract::kChangePath, PageContract::kBigPath));
    const QDate day =
        PageContract::parseDay(query.queryItemValue(QStringLiteral("Date"), QUrl::FullyDecoded));
    if (!day.isValid())
        return plain(400, QStringLiteral("Date must be a day written yyyy-mm-dd"));
    bool ok = false;
    const qint64 id = query.queryItemValue(QStringLiteral("ID"), QUrl::FullyDecoded).toLongLong(&ok);
    if (!ok || id < 0)
        return plain(400, QStringLiteral("ID must be a whole number from 0"));
    return page(change, day, id);
}

PageAnswer PagePublisher::page(bool change, const QDate& day, qint64 id) {
    const QString table = change ? QStringLiteral("tblStChange") : QStringLiteral("tblBigBuySale");
    // One snapshot for the counts and the rows, even while the miner writes.
    if (!m_db.transaction())
        return plain(503, QStringLiteral("the database cannot be read: %1").arg(m_db.lastError().text()));
    if (m_postgres) {
        QSqlQuery snapshot(m_db);
        snapshot.exec(QStringLiteral("set transaction isolation level repeatable read"));
    }
    auto fail = [this](const QSqlQuery& query) {
        m_db.rollback();
        return plain(500, QStringLiteral("the database cannot be read: %1").arg(query.lastError().text()));
    };
    const std::shared_ptr<const Rankings> held = rankings();
    const Ranking& ranking = change ? held->change : held->big;
    const qint64 total = ranking.ids.size();
    // The first row whose day is not before the day asked for.
    const auto firstOfDay =
        std::lower_bound(ranking.days.cbegin(), ranking.days.cend(), PageContract::dayText(day));
    const qint64 first = std::max(id, static_cast<qint64>(firstOfDay - ranking.days.cbegin()) + 1);
    const qint64 remaining = std::max<qint64>(0, total - first + 1);

    QString html =
        QStringLiteral("<html><head><meta charset=\"utf-8\"><title>Quarrow</title></head><body>\n<table>\n");
    html += row({PageContract::kHeader, QString::number(remaining), QString::number(first), QString(),
                 QString(), QString(), QString(), QString()});
    qint64 delivered = 0;
    if (remaining > 0) {
        QSqlQuery rows(m_db);
        rows.setForwardOnly(true);
        rows.prepare(change ? kChangeRows : kBigRows);
        rows.bindValue(QStringLiteral(":Rows"), m_pageRows);
        rows.bindValue(QStringLiteral(":Date"), ranking.days.at(first - 1));
        rows.bindValue(QStringLiteral(":DateP"), ranking.days.at(first - 1));
        rows.bindValue(QStringLiteral(":ID"), ranking.ids.at(first - 1));
        if (!rows.exec())
            return fail(rows);
        while (rows.next()) {
            QStringList cells;
            cells << rows.value(0).toString() << rows.value(1).toString() << rows.value(2).toString()
                  << rows.value(3).toString() << moneyText(rows.value(4)) << moneyText(rows.value(5))
                  << moneyText(rows.value(6));
            cells << rows.value(7).toString();
            html += row(cells);
            ++delivered;
        }
        if (rows.lastError().isValid())
            return fail(rows);
    }
    m_db.commit();
    html += row({PageContract::kEnd, QString(), QString::number(first + delivered - 1), QString(), QString(),
                 QString(), QString(), QString()});
    html += QStringLiteral("</table>\n</body></html>\n");
    PageAnswer answer;
    answer.body = html.toUtf8();
    return answer;
}

}  // namespace quarrow

#include "server/PagePublisher.h"

#include "download/PageContract.h"
#include "server/PostgresTables.h"
#include "store/Money.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

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

}  // namespace

PagePublisher::PagePublisher(QString databaseFile, int pageRows)
    : m_file(std::move(databaseFile)), m_connectionName(newConnectionName()), m_pageRows(pageRows) {}

PagePublisher::~PagePublisher() {
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

bool PagePublisher::open(QString* error) {
    m_postgres = PostgresTables::isAddress(m_file);
    if (m_postgres) {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
            *error = QStringLiteral("QtSql has no PostgreSQL driver here (Debian: libqt6sql6-psql)");
            return false;
        }
        m_db = PostgresTables::connection(m_file, m_connectionName);
    } else {
        if (!QFileInfo(m_file).isFile()) {
            *error = QStringLiteral("%1 is not a file").arg(m_file);
            return false;
        }
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        m_db.setDatabaseName(m_file);
        // The program that mines into the file may be writing while we read.
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
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

bool PagePublisher::refreshRankings(QString* error) {
    // SQLite's data_version moves when another connection (the miner) commits: only then
    // can the order of the rows have changed. PostgreSQL's tables are filled by a copy
    // that only adds rows or replaces them all, which their counts and last IDs tell.
    QSqlQuery version(m_db);
    const QString versionSql = m_postgres ? QStringLiteral(
                                                "select (select count(*) from tblStChange) || '/' || "
                                                "(select coalesce(max(ID), 0) from tblStChange) || '/' || "
                                                "(select count(*) from tblBigBuySale) || '/' || "
                                                "(select coalesce(max(ID), 0) from tblBigBuySale)")
                                          : QStringLiteral("PRAGMA data_version");
    if (!version.exec(versionSql) || !version.next()) {
        *error = version.lastError().text();
        return false;
    }
    const QString now = version.value(0).toString();
    version.finish();
    if (now == m_dataVersion)
        return true;
    for (auto [ranking, table] : {std::pair{&m_changeRanking, QStringLiteral("tblStChange")},
                                  std::pair{&m_bigRanking, QStringLiteral("tblBigBuySale")}}) {
        QSqlQuery rows(m_db);
        rows.setForwardOnly(true);
        if (!rows.exec(
                QStringLiteral("select ID, StDate from %1 where StDate is not null order by StDate, ID")
                    .arg(table))) {
            *error = rows.lastError().text();
            return false;
        }
        ranking->ids.clear();
        ranking->days.clear();
        while (rows.next()) {
            ranking->ids.append(rows.value(0).toLongLong());
            ranking->days.append(rows.value(1).toString());
        }
    }
    m_dataVersion = now;
    return true;
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
    Ranking& ranking = change ? m_changeRanking : m_bigRanking;
    QString rankError;
    if (!refreshRankings(&rankError)) {
        m_db.rollback();
        return plain(500, QStringLiteral("the database cannot be read: %1").arg(rankError));
    }
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

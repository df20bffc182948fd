#pragma once

#include "store/Money.h"

#include <QByteArrayView>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace quarrow {

class RowScan;
class TDataBase;

// The reads of tblStChange the subsystems make, with plain rows back.

// A stored row of tblStChange with its stock's name (and, where asked for, its
// department's name).
struct StoredChangeRow {
    qint64 id = 0;
    QString code;
    QString name;
    QDate day;
    qint32 departmentKey = 0;
    QString department;
    Money bought;
    Money sold;
    Money rate;
    QString memo;
    qint64 key = 0;
};

struct StoredChangeRows {
    std::vector<StoredChangeRow> rows;
    QString error;  // not empty when the store could not be read
    bool ok() const { return error.isEmpty(); }
};

// The newest anomaly day stored (invalid when there is none); nothing when unreadable.
std::optional<QDate> newestChangeDay(TDataBase& db, QString* error = nullptr);
// The highest row ID (0 when there are no rows).
std::optional<qint64> newestChangeId(TDataBase& db, QString* error = nullptr);

// The rows with these record keys (without department names), in no particular order.
StoredChangeRows changeRowsWithKeys(TDataBase& db, const QList<qint64>& keys);
// The rows from one day to another (to may be invalid: no end), oldest first and in the
// order stored; of the given departments only, unless the list is longer than a statement
// takes, when every row of the days comes.
StoredChangeRows changeRowsBetween(TDataBase& db, const QDate& from, const QDate& to,
                                   const QList<qint32>& departments);
// The rows of one day with their department names, rates and memos, in the order stored.
StoredChangeRows changeRowsOfDay(TDataBase& db, const QDate& day);
// The number of rows of each department with an ID in (after, upTo].
std::optional<QHash<qint32, qint64>> departmentRowCounts(TDataBase& db, const QList<qint32>& keys,
                                                         qint64 after, qint64 upTo, QString* error = nullptr);
// The days between from and to on which the stock has rows.
std::optional<QList<QDate>> stockChangeDays(TDataBase& db, const QString& code, const QDate& from,
                                            const QDate& to);

// The rows a track record is made of: rows of tblStChange with a bought or a sold amount,
// read one by one straight from the store (a million rows in well under a second).
struct DepartmentRowFilter {
    QDate from;
    QDate to;
    qint64 afterId = 0;         // only rows past this ID
    QList<qint32> departments;  // only these; a list too long for a statement is not applied
};
class DepartmentRowScan {
public:
    DepartmentRowScan(TDataBase& db, const DepartmentRowFilter& filter);
    ~DepartmentRowScan();
    DepartmentRowScan(const DepartmentRowScan&) = delete;
    DepartmentRowScan& operator=(const DepartmentRowScan&) = delete;

    bool exec();
    bool next();
    QString error() const;

    QByteArrayView code() const;  // UTF-8, until the next row
    QByteArrayView day() const;   // 'yyyy-mm-dd'
    qint32 departmentKey() const;
    Money bought() const;
    Money sold() const;
    qint64 key() const;

private:
    std::unique_ptr<RowScan> m_scan;
};

// What the store holds, in a few figures.
struct StoreSummary {
    struct Department {
        QString name;
        qint64 rows = 0;
        Money bought;
        Money sold;
    };
    qint64 stocks = -1;  // -1 where a count could not be read
    qint64 anomalyDays = -1;
    qint64 changeRows = -1;
    qint64 blockTrades = -1;
    qint64 departments = -1;
    bool topBuyersRead = false;
    QList<Department> topBuyers;  // the ten departments that bought most
};
StoreSummary storeSummary(TDataBase& db);

}  // namespace quarrow

#include "store/Schema.h"

namespace quarrow::Schema {

namespace {

// Days are 'yyyy-mm-dd' text; money columns REAL (read back rounded to four decimals);
// record keys INTEGER, because a REAL cannot hold a 64-bit key exactly.
QStringList version1() {
    return {
        QStringLiteral("create table tblStocks ("
                       " StCode text not null,"
                       " StName text,"
                       " StIssueDate text,"
                       " StAmount real default 0,"
                       " StQuantity real default 0,"
                       " StAQuantity real default 0,"
                       " StRefreshDate text,"
                       " StNew integer,"
                       " StDocDate text,"
                       " StLastDate text,"
                       " StBigLast text)"),
        QStringLiteral("create unique index ixStocksCode on tblStocks (StCode)"),

        QStringLiteral("create table tblStChange ("
                       " ID integer primary key autoincrement,"
                       " StCode text,"
                       " StDate text,"
                       " StDeptKey integer,"
                       " StBuy real,"
                       " StSale real,"
                       " StRate real,"
                       " StMemo text,"
                       " StKEY integer not null,"
                       " StArchived integer not null default 0)"),
        QStringLiteral("create unique index ixStChangeKey on tblStChange (StKEY)"),
        QStringLiteral("create index ixStChangeCodeDate on tblStChange (StCode, StDate)"),
        QStringLiteral("create index ixStChangeDate on tblStChange (StDate)"),
        QStringLiteral("create index ixStChangeDept on tblStChange (StDeptKey)"),

        QStringLiteral("create table tblBigBuySale ("
                       " ID integer primary key autoincrement,"
                       " StCode text,"
                       " StDate text,"
                       " StDeptBuy integer,"
                       " StPrice real,"
                       " StQTY real,"
                       " StAMT real,"
                       " StDeptSale integer,"
                       " StKEY integer not null,"
                       " StArchived integer not null default 0)"),
        QStringLiteral("create unique index ixBigKey on tblBigBuySale (StKEY)"),
        QStringLiteral("create index ixBigCodeDate on tblBigBuySale (StCode, StDate)"),
        QStringLiteral("create index ixBigDate on tblBigBuySale (StDate)"),
        QStringLiteral("create index ixBigDeptBuy on tblBigBuySale (StDeptBuy)"),
        QStringLiteral("create index ixBigDeptSale on tblBigBuySale (StDeptSale)"),

        QStringLiteral("create table tblStDepart ("
                       " StDeptKey integer not null,"
                       " StDept text)"),
        QStringLiteral("create unique index ixDepartKey on tblStDepart (StDeptKey)"),

        QStringLiteral("create table tblMainBuySale ("
                       " ID integer primary key autoincrement,"
                       " StCode text,"
                       " StName text,"
                       " StDate text,"
                       " StDept text,"
                       " StBuy real,"
                       " StSale real,"
                       " StRate real,"
                       " StMemo text)"),
        QStringLiteral("create index ixMainCodeDate on tblMainBuySale (StCode, StDate)"),
        QStringLiteral("create index ixMainDate on tblMainBuySale (StDate)"),

        QStringLiteral("create view viewStChange as"
                       " select c.ID, c.StCode, s.StName, c.StDate, d.StDept,"
                       "  c.StBuy, c.StSale, c.StRate, c.StMemo"
                       " from tblStChange c"
                       " left join tblStocks s on s.StCode = c.StCode"
                       " left join tblStDepart d on d.StDeptKey = c.StDeptKey"),
        QStringLiteral("create view viewStBigBuySale as"
                       " select b.ID, b.StCode, s.StName, b.StDate,"
                       "  buyer.StDept as StDeptBuy, seller.StDept as StDeptSale,"
                       "  b.StPrice, b.StQTY, b.StAMT"
                       " from tblBigBuySale b"
                       " left join tblStocks s on s.StCode = b.StCode"
                       " left join tblStDepart buyer on buyer.StDeptKey = b.StDeptBuy"
                       " left join tblStDepart seller on seller.StDeptKey = b.StDeptSale"),
    };
}

// Indexes for the query page's slow cases on a large file. The department drill-down
// (StDept=:StDept) can start from the name and reach its rows through ixStChangeDept and
// ixBigDeptBuy/ixBigDeptSale instead of joining every row to its name; sorting on the
// size of the move or of the trade walks an index instead of sorting a whole table
// before the first row shows.
QStringList version2() {
    return {
        // Partial, so the department list (a bare select of every name) never takes it as a
        // covering index: the list keeps the order the names were stored in, not the
        // names' sort order. A lookup by name implies a name that is not null.
        QStringLiteral("create index ixDepartName on tblStDepart (StDept) where StDept is not null"),
        QStringLiteral("create index ixStChangeAbsRate on tblStChange (abs(StRate))"),
        QStringLiteral("create index ixBigAbsQty on tblBigBuySale (abs(StQTY))"),
    };
}

// The department filter of the query page goes from the name to the department's keys
// and from the keys to the rows (ixStChangeDept, ixBigDeptBuy, ixBigDeptSale): the views
// show the keys beside the names, and the trimmed name the filter compares is indexed.
QStringList version3() {
    return {
        QStringLiteral("drop view viewStChange"),
        QStringLiteral("create view viewStChange as"
                       " select c.ID, c.StCode, s.StName, c.StDate, c.StDeptKey, d.StDept,"
                       "  c.StBuy, c.StSale, c.StRate, c.StMemo"
                       " from tblStChange c"
                       " left join tblStocks s on s.StCode = c.StCode"
                       " left join tblStDepart d on d.StDeptKey = c.StDeptKey"),
        QStringLiteral("drop view viewStBigBuySale"),
        QStringLiteral("create view viewStBigBuySale as"
                       " select b.ID, b.StCode, s.StName, b.StDate,"
                       "  b.StDeptBuy as StDeptBuyKey, buyer.StDept as StDeptBuy,"
                       "  b.StDeptSale as StDeptSaleKey, seller.StDept as StDeptSale,"
                       "  b.StPrice, b.StQTY, b.StAMT"
                       " from tblBigBuySale b"
                       " left join tblStocks s on s.StCode = b.StCode"
                       " left join tblStDepart buyer on buyer.StDeptKey = b.StDeptBuy"
                       " left join tblStDepart seller on seller.StDeptKey = b.StDeptSale"),
        QStringLiteral("create index ixDepartTrimName on tblStDepart (trim(StDept))"),
    };
}

// A main-force alert is stored once: its memo names the month and day, the code, the
// monitor's time, the side and the quantity, and its row the date, so a second row of the
// same date and memo is the same alert read again (a restarted monitor, a second capture).
// Older files may hold look-alikes of one date and memo; none is dropped (two alerts of one
// minute, side and quantity read alike): the second of them becomes "#2", the third "#3",
// as the relay numbers them. Rows without a memo (empty or null) are not alerts the
// monitor named, so the index leaves them alone and they stay as they are.
QStringList version4() {
    return {
        QStringLiteral("update tblMainBuySale set StMemo = StMemo || '#' || r.n"
                       " from (select ID, row_number() over (partition by StDate, StMemo order by ID) as n"
                       "  from tblMainBuySale where StMemo<>'') as r"
                       " where r.ID = tblMainBuySale.ID and r.n > 1"),
        QStringLiteral("create unique index ixMainDayMemo on tblMainBuySale (StDate, StMemo) where StMemo<>''"),
    };
}

// Files migrated by an earlier release of the step above hold a unique index on the memo
// alone, which the memo's yearless day made refuse the same alert a year later (and that
// release dropped repeats of a memo from other days). The day joins the key; no row
// changes, since memos unique alone are unique with their dates too.
QStringList version5() {
    return {
        QStringLiteral("drop index if exists ixMainMemo"),
        QStringLiteral(
            "create unique index if not exists ixMainDayMemo on tblMainBuySale (StDate, StMemo) where StMemo<>''"),
    };
}

}  // namespace

QList<MigrationNote> migrationNotes(int version) {
    if (version == 4)
        return {{0, QStringLiteral("numbered %1 main-force alerts of tblMainBuySale that repeat the memo of "
                                   "another of their day (memo#2, memo#3, ...); every row is kept")}};
    return {};
}

QStringList migration(int version) {
    switch (version) {
        case 1:
            return version1();
        case 2:
            return version2();
        case 3:
            return version3();
        case 4:
            return version4();
        case 5:
            return version5();
        default:
            return {};
    }
}

QStringList tableNames() {
    return {QStringLiteral("tblStocks"), QStringLiteral("tblStChange"), QStringLiteral("tblBigBuySale"),
            QStringLiteral("tblStDepart"), QStringLiteral("tblMainBuySale")};
}

}  // namespace quarrow::Schema

#include "cli/CliCommands.h"
#include "program/ProgramServices.h"

namespace quarrow {

namespace {

qint64 countRows(TDataBase& db, const QString& sql) {
    Statement query = db.QueryPublic(sql);
    return query.exec() && query.next() ? query.integer(0) : -1;
}

// quarrow-cli summary: what the database holds, in a few lines.
int runSummary(CliCall& call) {
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    TDataBase& db = call.services().store();
    QString text;
    text += QStringLiteral("database: %1\n").arg(call.services().storeLocation().displayName());
    text += QStringLiteral("stocks:           %1\n")
                .arg(countRows(db, QStringLiteral("select count(*) from tblStocks")));
    text +=
        QStringLiteral("anomaly days:     %1\n")
            .arg(countRows(
                db,
                QStringLiteral("select count(*) from (select distinct StCode, StDate from tblStChange)")));
    text += QStringLiteral("change rows:      %1\n")
                .arg(countRows(db, QStringLiteral("select count(*) from tblStChange")));
    text += QStringLiteral("block trades:     %1\n")
                .arg(countRows(db, QStringLiteral("select count(*) from tblBigBuySale")));
    text += QStringLiteral("department names: %1\n")
                .arg(countRows(db, QStringLiteral("select count(*) from tblStDepart")));

    Statement top = db.QueryPublic(
        QStringLiteral("select StDept, count(*), sum(StBuy), sum(StSale) from viewStChange"
                       // each anomaly day's first row is the day itself, not a department
                       " where ID not in (select min(ID) from tblStChange group by StCode, StDate)"
                       "  and StDept is not null"
                       " group by StDept order by sum(StBuy) desc limit 10"));
    if (top.exec()) {
        text += QStringLiteral("top buying departments (rows, bought, sold):\n");
        while (top.next()) {
            text += QStringLiteral("  %1  %2  %3  %4\n")
                        .arg(top.text(0))
                        .arg(top.integer(1))
                        .arg(Money::fromDouble(top.real(2)).toFixed(2),
                             Money::fromDouble(top.real(3)).toFixed(2));
        }
    }
    printOut(text);
    return kExitOk;
}

}  // namespace

const CliCommand& summaryCommand() {
    static const CliCommand command{
        .name = QStringLiteral("summary"),
        .summary = QStringLiteral("print what the database holds and the ten departments that bought most"),
        .needs = kNeedsStore,
        .run = &runSummary,
    };
    return command;
}

}  // namespace quarrow

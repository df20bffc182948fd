#include "store/StoreImport.h"

#include "app/AppFrame.h"
#include "app/RunControl.h"
#include "app/Settings.h"
#include "store/DataBase.h"
#include "store/DepartmentNames.h"
#include "store/ReportRows.h"
#include "store/StockTable.h"

#include <QDir>
#include <QHash>
#include <QSet>

#include <functional>

namespace quarrow {

namespace {

// A row's identity in its table: the unique key the table keeps (for an alert its day and
// memo); empty for an alert without a memo, which has none.
using RowKey = QString;

// One table of the copy: its rows as the source gives them, oldest first, and how a row
// goes into the target.
struct TableCopy {
    QString table;
    QString rows;  // the select of the source's rows
    std::function<StoreWrite(const Statement& row, TDataBase& target, RowKey* key)> copy;
    QString keys;  // the select of the target's keys
    std::function<RowKey(const Statement& key)> keyOf;
};

std::optional<Money> figureOrNull(const Statement& row, int column) {
    return row.isNull(column) ? std::nullopt : std::optional<Money>(row.money(column));
}

// An alert without a memo has no key: it is there when a row of the same values is.
StoreWrite copyAlertWithoutMemo(TDataBase& target, const AlertRow& alert) {
    Statement present = target.QueryPublic(QStringLiteral(
        "select count(*) from tblMainBuySale where StCode=:StCode and StDate=:StDate and StDept=:StDept and "
        "(StMemo is null or StMemo='') and StBuy=:StBuy and StSale=:StSale and StRate=:StRate"));
    present.bind(QStringLiteral(":StCode"), alert.code)
        .bind(QStringLiteral(":StDate"), alert.day)
        .bind(QStringLiteral(":StDept"), alert.department)
        .bind(QStringLiteral(":StBuy"), alert.bought)
        .bind(QStringLiteral(":StSale"), alert.sold)
        .bind(QStringLiteral(":StRate"), alert.price);
    if (!present.exec())
        return {StoreWrite::Result::Failed, present.error()};
    if (present.next() && present.integer(0) > 0)
        return {StoreWrite::Result::Duplicate, {}};
    return insertAlert(target, alert);
}

QList<TableCopy> tableCopies() {
    QList<TableCopy> copies;
    copies.append(
        {QStringLiteral("tblStocks"),
         QStringLiteral(
             "select StCode, StName, StIssueDate, StAmount, StQuantity, StAQuantity, StRefreshDate, "
             "StNew, StDocDate, StLastDate, StBigLast from tblStocks order by StCode"),
         [](const Statement& row, TDataBase& target, RowKey* key) {
             *key = row.text(0);
             return insertStockRecord(
                 target,
                 {row.text(0), row.text(1), row.date(2), figureOrNull(row, 3), figureOrNull(row, 4),
                  figureOrNull(row, 5), row.date(6),
                  row.isNull(7) ? std::nullopt : std::optional<qint32>(static_cast<qint32>(row.integer(7))),
                  row.date(8), row.date(9), row.date(10)});
         },
         QStringLiteral("select StCode from tblStocks"), [](const Statement& key) { return key.text(0); }});
    copies.append({QStringLiteral("tblStDepart"), QStringLiteral("select StDeptKey, StDept from tblStDepart"),
                   [](const Statement& row, TDataBase& target, RowKey* key) {
                       const auto departmentKey = static_cast<qint32>(row.integer(0));
                       *key = QString::number(departmentKey);
                       const DepartmentOffer offered = offerDepartment(target, departmentKey, row.text(1));
                       switch (offered.result) {
                           case DepartmentOffer::Result::Stored:
                               return StoreWrite{StoreWrite::Result::Inserted, {}};
                           case DepartmentOffer::Result::AlreadyStored:
                               return StoreWrite{StoreWrite::Result::Duplicate, {}};
                           case DepartmentOffer::Result::Failed:
                               break;
                       }
                       return StoreWrite{StoreWrite::Result::Failed, offered.error};
                   },
                   QStringLiteral("select StDeptKey from tblStDepart"),
                   [](const Statement& key) { return QString::number(key.integer(0)); }});
    copies.append({QStringLiteral("tblStChange"),
                   QStringLiteral("select StCode, StDate, StDeptKey, StBuy, StSale, StRate, StMemo, StKEY, "
                                  "StArchived from tblStChange order by ID"),
                   [](const Statement& row, TDataBase& target, RowKey* key) {
                       const qint64 recordKey = row.key(7);
                       *key = QString::number(recordKey);
                       return insertChangeRow(
                           target,
                           {row.text(0), row.date(1), static_cast<qint32>(row.integer(2)), row.money(3),
                            row.money(4), row.money(5), row.text(6), recordKey, row.value(8).toBool()});
                   },
                   QStringLiteral("select StKEY from tblStChange"),
                   [](const Statement& key) { return QString::number(key.key(0)); }});
    copies.append(
        {QStringLiteral("tblBigBuySale"),
         QStringLiteral("select StCode, StDate, StDeptBuy, StPrice, StQTY, StAMT, StDeptSale, StKEY "
                        "from tblBigBuySale order by ID"),
         [](const Statement& row, TDataBase& target, RowKey* key) {
             const qint64 recordKey = row.key(7);
             *key = QString::number(recordKey);
             return insertBlockTrade(
                 target, {row.text(0), row.date(1), static_cast<qint32>(row.integer(2)), row.money(3),
                          row.money(4), row.money(5), static_cast<qint32>(row.integer(6)), recordKey});
         },
         QStringLiteral("select StKEY from tblBigBuySale"),
         [](const Statement& key) { return QString::number(key.key(0)); }});
    // Two alerts of one day may read alike in a file of the first release; the second is
    // stored as "memo#2", the third as "memo#3", as the program's own file numbers them.
    auto repeats = std::make_shared<QHash<QString, int>>();
    copies.append({QStringLiteral("tblMainBuySale"),
                   QStringLiteral("select StCode, StName, StDate, StDept, StBuy, StSale, StRate, StMemo "
                                  "from tblMainBuySale order by ID"),
                   [repeats](const Statement& row, TDataBase& target, RowKey* key) {
                       AlertRow alert{row.text(0),  row.text(1),  row.date(2),  row.text(3),
                                      row.money(4), row.money(5), row.money(6), row.text(7)};
                       if (alert.memo.isEmpty()) {
                           key->clear();
                           return copyAlertWithoutMemo(target, alert);
                       }
                       const int seen =
                           ++(*repeats)[Statement::dayText(alert.day) + QLatin1Char('|') + alert.memo];
                       if (seen > 1)
                           alert.memo += QLatin1Char('#') + QString::number(seen);
                       *key = Statement::dayText(alert.day) + QLatin1Char('|') + alert.memo;
                       return insertAlert(target, alert);
                   },
                   QStringLiteral("select StDate, StMemo from tblMainBuySale where StMemo<>''"),
                   [](const Statement& key) { return key.text(0) + QLatin1Char('|') + key.text(1); }});
    return copies;
}

std::optional<qint64> rowCount(TDataBase& db, const QString& table, QString* error) {
    Statement count = db.QueryPublic(QStringLiteral("select count(*) from ") + table);
    if (!count.exec() || !count.next()) {
        *error = count.error().isEmpty() ? QStringLiteral("cannot count the rows of %1").arg(table)
                                         : count.error();
        return std::nullopt;
    }
    return count.integer(0);
}

QString finalMessage(const StoreImportOutcome& outcome) {
    qint64 copied = 0;
    qint64 present = 0;
    for (const TableImport& table : outcome.tables) {
        copied += table.copied;
        present += table.present;
    }
    QString text = QStringLiteral("导入数据库:复制%1条记录,%2条已经存在").arg(copied).arg(present);
    if (!outcome.sourceError.isEmpty())
        text += QStringLiteral(",读取源数据库出错:") + outcome.sourceError;
    else if (outcome.storeFailed())
        text += QStringLiteral(",保存出错:") + outcome.storeError();
    else if (outcome.stopped())
        text += QStringLiteral(",已停止(再次导入时接着复制)");
    else if (outcome.verified)
        text += QStringLiteral(",核对无误");
    else
        text += QStringLiteral(",核对发现缺少记录");
    return text;
}

}  // namespace

StoreImport::StoreImport(AppFrame& frame, RunControl& run, Settings& settings)
    : m_frame(frame), m_run(run), m_settings(settings) {}

StoreImportOutcome StoreImport::run(const RunLease& lease, const StoreImportOptions& options) {
    StoreImportOutcome outcome;
    if (!lease) {
        outcome.notStart(JobReason::Busy);
        return outcome;
    }
    if (!m_frame.ask(
            Question::StoreImport,
            QStringLiteral("将把%1中的全部数据复制到本程序自己的数据库%2:已有的记录保留,重复的记录跳过,"
                           "源数据库只读不写。\r是否继续?")
                .arg(options.source.displayName(), QDir::toNativeSeparators(options.target)),
            AppFrame::kHintTitle)) {
        outcome.notStart(JobReason::Declined);
        return outcome;
    }

    TDataBase source(options.source.file);
    if (options.source.kind != StoreKind::SQLite)
        source.useOdbc(options.source.connection, options.source.engine(), options.source.unavailable);
    source.openForReadingOnly();
    if (!source.open()) {
        outcome.sourceError = source.openError();
        outcome.notStart(JobReason::StoreUnreadable, outcome.sourceError);
        return outcome;
    }
    TDataBase target(options.target);
    if (!target.open()) {
        outcome.notStart(JobReason::NoDatabase, target.openError());
        return outcome;
    }
    if (target.readOnly()) {
        outcome.notStart(JobReason::ReadOnlyStore, TDataBase::readOnlyRefusal());
        return outcome;
    }

    const QList<TableCopy> copies = tableCopies();
    int groups = 0;
    for (const TableCopy& copy : copies) {
        TableImport table;
        table.table = copy.table;
        const std::optional<qint64> rows = rowCount(source, copy.table, &outcome.sourceError);
        if (!rows) {
            outcome.notStart(JobReason::StoreUnreadable, outcome.sourceError);
            return outcome;
        }
        table.sourceRows = *rows;
        groups += static_cast<int>((*rows + kGroupRows - 1) / kGroupRows);
        outcome.tables.append(table);
    }
    if (!m_run.start(lease, groups)) {
        outcome.notStart(JobReason::Busy);
        return outcome;
    }
    outcome.begin();
    bool stopped = false;

    // The keys of the source's rows, to be looked for in the target at the end.
    QList<QSet<RowKey>> sourceKeys(copies.size());
    int position = 0;
    for (qsizetype t = 0; t < copies.size() && !stopped && !outcome.storeFailed(); ++t) {
        TableImport& table = outcome.tables[t];
        Statement rows = source.QueryPublic(copies[t].rows);
        if (!rows.exec()) {
            outcome.sourceError = rows.error();
            break;
        }
        qint64 read = 0;
        bool more = rows.next();
        while (more) {
            if (!m_run.beforeItem()) {
                stopped = true;
                outcome.stop();
                break;
            }
            m_run.setPosition(++position);
            Transaction group(target);
            if (!group.began()) {
                outcome.failStore(target.transactionError());
                break;
            }
            qint64 copied = 0;
            qint64 present = 0;
            for (int n = 0; n < kGroupRows && more; ++n, more = rows.next()) {
                ++read;
                RowKey key;
                const StoreWrite written = copies[t].copy(rows, target, &key);
                if (written.failed()) {
                    outcome.failStore(written.error);
                    break;
                }
                ++(written.inserted() ? copied : present);
                if (!key.isEmpty())
                    sourceKeys[t].insert(key);
            }
            if (outcome.storeFailed())
                break;
            if (!group.commit()) {
                outcome.failStore(target.transactionError());
                break;
            }
            table.copied += copied;
            table.present += present;
            m_run.itemFinished();
        }
        if (!stopped && !outcome.storeFailed() && read < table.sourceRows)
            outcome.sourceError =
                QStringLiteral("%1 gave %2 of its %3 rows").arg(table.table).arg(read).arg(table.sourceRows);
        if (!outcome.sourceError.isEmpty())
            break;
    }

    if (!stopped && !outcome.storeFailed() && outcome.sourceError.isEmpty()) {
        outcome.verified = true;
        for (qsizetype t = 0; t < copies.size(); ++t) {
            Statement keys = target.QueryPublic(copies[t].keys);
            if (!keys.exec()) {
                outcome.failStore(keys.error());
                outcome.verified = false;
                break;
            }
            QSet<RowKey> stored;
            while (keys.next())
                stored.insert(copies[t].keyOf(keys));
            for (const RowKey& key : std::as_const(sourceKeys[t]))
                outcome.tables[t].missing += stored.contains(key) ? 0 : 1;
            const TableImport& table = outcome.tables[t];
            outcome.verified =
                outcome.verified && table.missing == 0 && table.copied + table.present == table.sourceRows;
        }
    }
    if (!outcome.sourceError.isEmpty())
        outcome.fail(JobReason::StoreUnreadable, outcome.sourceError);
    else if (!stopped && !outcome.storeFailed() && !outcome.verified)
        outcome.fail(JobReason::StoreFailed,
                     QStringLiteral("the target lacks rows of the source after the copy"));
    if (outcome.verified && options.switchSettings && options.source.kind != StoreKind::SQLite) {
        QString error;
        const QString note = QStringLiteral("imported into %1; remove the \";\" below to use it again")
                                 .arg(QDir::toNativeSeparators(options.target));
        if (m_settings.useOwnStore(note, &error))
            outcome.settingsSwitched = true;
        else
            outcome.failSettings(error);
    }
    outcome.closing = m_run.finish(finalMessage(outcome), false, nullptr);
    return outcome;
}

}  // namespace quarrow

#include "quotefiles/ShareCapital.h"

#include "app/Trim.h"
#include "quotefiles/BaseDbf.h"
#include "quotefiles/QuotePaths.h"
#include "store/StockTable.h"

#include <QFileInfo>

#include <optional>

namespace quarrow {

namespace {

QDate dayOrToday(const QString& yyyymmdd, const QDate& today) {
    const QDate day = Statement::parseDay(yyyymmdd.left(4) + QLatin1Char('-') + yyyymmdd.mid(4, 2) +
                                          QLatin1Char('-') + yyyymmdd.mid(6, 2));
    return day.isValid() ? day : today;
}

Money figureOrZero(const QString& text) {
    return Money::parse(trimBlanks(text)).value_or(Money());
}

bool codeInRange(char market, const QString& code) {
    if (code.size() != 6)
        return false;
    if (market == '0')
        return code >= QLatin1String("000001") && code <= QLatin1String("390000");
    return code >= QLatin1String("500001") && code <= QLatin1String("910000");
}

}  // namespace

QString marketOfBaseRecord(char market) {
    if (market == '0')
        return QStringLiteral("sz");
    if (market == '1')
        return QStringLiteral("sh");
    return QString();
}

ShareCapital::ShareCapital(TDataBase* db, AppFrame& frame, Clock& clock)
    : m_db(db), m_frame(frame), m_clock(clock) {}

CapitalImportResult ShareCapital::importShareCapital(const QString& quoteFolder, const StockList& list) {
    CapitalImportResult result;
    const QString path = QuotePaths::baseDbfFile(quoteFolder);
    if (!QFileInfo::exists(path)) {
        m_frame.ShowPrompt(path + QStringLiteral(" 不存在!需要安装华林证券或东方证券行情分析软件"));
        return result;
    }
    const BaseDbfContents contents = readBaseDbf(path);
    if (!contents.layoutProblem.isEmpty()) {
        m_frame.ShowPrompt(path + QStringLiteral(" 的格式不符(") + contents.layoutProblem +
                           QStringLiteral("),股本数据未导入"));
        return result;
    }
    result.fileRead = true;
    result.recordsRead = static_cast<int>(contents.records.size());

    const QDate today = m_clock.today();
    // One transaction for the whole table: fast, and a failure leaves the stored data as it was.
    std::optional<Transaction> transaction;
    if (databaseOpen())
        transaction.emplace(*m_db);
    bool databaseFailed = transaction && !transaction->began();
    if (databaseFailed)
        result.storeError = m_db->transactionError();
    for (const BaseDbfRecord& record : contents.records) {
        const QString market = marketOfBaseRecord(record.market);
        if (market.isEmpty() || !codeInRange(record.market, record.code))
            continue;
        const QString name = list.nameOf(market + record.code);
        if (name.isEmpty()) {
            result.memo.append(market + record.code + QStringLiteral("----无股票名称,其股票数据未保存."));
            continue;
        }
        if (!databaseOpen() || databaseFailed)
            continue;

        const QDate listed = dayOrToday(record.listingDate, today);
        const QDate figures = dayOrToday(record.figuresDate, today);
        const Money total = figureOrZero(record.totalText);
        const Money tradable = figureOrZero(record.tradableText);

        const StoreUpdate update = updateShareCapital(*m_db, record.code, name, total, tradable, figures);
        if (!update.ok) {
            m_frame.addLog(QStringLiteral("\t>>>>>保存") + record.code + QStringLiteral("的股本数据出错:") +
                               update.error,
                           LogColor::Magenta);
            databaseFailed = true;
            result.storeError = update.error;
            continue;
        }
        if (update.rows > 0) {
            ++result.changed;
            result.memo.append(record.code + QLatin1Char('|') + name);
            continue;
        }
        const StoreWrite insert =
            insertListedStock(*m_db, {record.code, name, listed, total, tradable, figures, today});
        if (insert.inserted()) {
            ++result.inserted;
            result.memo.append(QStringLiteral("增加新股票") + record.code + QLatin1Char('(') + name +
                               QStringLiteral(")的股本数据:总股本=") + record.totalText +
                               QStringLiteral(",流通A股:") + record.tradableText);
        } else if (!insert.duplicate()) {
            // A stored stock with unchanged figures is the expected refusal; anything
            // else is a real failure and must not pass unseen.
            m_frame.addLog(QStringLiteral("\t>>>>>保存") + record.code + QStringLiteral("的股本数据出错:") +
                               insert.error,
                           LogColor::Magenta);
            databaseFailed = true;
            result.storeError = insert.error;
        }
    }
    if (databaseOpen()) {
        if (!databaseFailed && !transaction->commit()) {
            databaseFailed = true;
            result.storeError = m_db->transactionError();
        }
        if (databaseFailed) {
            transaction->rollback();
            m_frame.ShowPrompt(QStringLiteral("股本数据未能存入数据库,数据库保持不变"));
            result.storeFailed = true;
            result.inserted = 0;
            result.changed = 0;
        }
    }
    m_frame.setStatusPanel(StatusPanel::Message,
                           QStringLiteral("取得股本数据的股票数目:") + QString::number(result.recordsRead));
    return result;
}

QStringList ShareCapital::refreshNames(const StockList& list, QString* storeError) {
    QStringList memo;
    if (!databaseOpen())
        return memo;
    auto fail = [&](const QString& error) {
        if (storeError)
            *storeError = error;
        return QStringList();
    };
    Transaction transaction(*m_db);
    if (!transaction.began()) {
        m_frame.ShowPrompt(QStringLiteral("股票名称未能存入数据库,数据库保持不变"));
        return fail(m_db->transactionError());
    }
    for (const StockEntry& entry : list.entries()) {
        const QString code = entry.key.right(6);
        const StoreUpdate update = renameStock(*m_db, code, entry.name);
        if (!update.ok) {
            m_frame.ShowPrompt(QStringLiteral("更新股票名称出错:") + update.error);
            return fail(update.error);
        }
        if (update.rows > 0)
            memo.append(code + QLatin1Char('|') + entry.name);
    }
    if (!transaction.commit()) {
        m_frame.ShowPrompt(QStringLiteral("股票名称未能存入数据库,数据库保持不变"));
        return fail(m_db->transactionError());
    }
    return memo;
}

}  // namespace quarrow

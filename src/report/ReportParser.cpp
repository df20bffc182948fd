#include "report/ReportParser.h"

#include "app/Trim.h"
#include "platform/Clock.h"
#include "report/ReportMarkers.h"
#include "report/TableLineSplitter.h"
#include "store/DepartmentNames.h"
#include "store/RecordKeys.h"
#include "store/ReportRows.h"
#include "store/StockTable.h"

namespace quarrow {

using namespace ReportMarkers;

namespace {

QDate readDay(const QString& text) {
    const QString trimmed = trimBlanks(text);
    // The form every report prints, read digit by digit; anything else goes to QDate's parser.
    const auto at = [&trimmed](qsizetype i) { return trimmed.at(i).unicode() - u'0'; };
    bool plain =
        trimmed.size() == 10 && trimmed.at(4) == QLatin1Char('-') && trimmed.at(7) == QLatin1Char('-');
    for (qsizetype i = 0; plain && i < 10; ++i)
        plain = i == 4 || i == 7 || (at(i) >= 0 && at(i) <= 9);
    if (!plain)
        return QDate::fromString(trimmed, QStringLiteral("yyyy-MM-dd"));
    return QDate(at(0) * 1000 + at(1) * 100 + at(2) * 10 + at(3), at(5) * 10 + at(6), at(8) * 10 + at(9));
}

bool isEmptyAmount(const QString& text) {
    return text.isEmpty() || text == QLatin1String("-");
}

}  // namespace

ReportParser::ReportParser(ExtractionServices& services, ExtractionAccount& account,
                           const ExtractionOptions& options, const QStringList& memo)
    : m_services(services), m_account(account), m_options(options), m_memo(memo) {}

QString ReportParser::duplicateMessage() const {
    return QStringLiteral("\t>>>>>保存") + m_options.code + QStringLiteral("出错!数据可能重复!<<<<<");
}

void ReportParser::noteStorageFailure(const QString& error) {
    if (m_storageFailed)
        return;
    m_storageFailed = true;
    m_storageError = error.isEmpty() ? QStringLiteral("unknown database error") : error;
}

ReportParser::Offer ReportParser::offer(const StoreWrite& write) {
    if (write.inserted())
        return Offer::Stored;
    if (write.duplicate())
        return Offer::Repeated;
    noteStorageFailure(write.error);
    return Offer::Failed;
}

Money ReportParser::readAmount(const QString& text) {
    if (isEmptyAmount(text))
        return Money();
    return Money::parse(text).value_or(Money());
}

ReportParser::Figures ReportParser::readFigures(const QString& text) {
    QList<Money> found;
    for (const QString& figure : findFigures(text, 3))
        found.append(Money::parse(figure).value_or(Money()));

    Figures figures;
    switch (found.size()) {
        case 0:
            break;
        case 1:
            figures.volume = found[0];
            break;
        case 2:  // a turnover day prints no change figure
            figures.volume = found[0];
            figures.amount = found[1];
            figures.rate = Money::fromUnits(20);
            break;
        default:
            figures.rate = found[0];
            figures.volume = found[1];
            figures.amount = found[2];
            break;
    }
    return figures;
}

bool ReportParser::beginChangeBlock() {
    const QString& dateLine = m_memo.at(m_cursor);
    m_turnover = dateLine.contains(kTurnover);
    const auto match = datePattern().match(dateLine);
    if (!match.hasMatch())
        return false;

    m_dateText = trimBlanks(match.captured(0));
    // The description is what follows the date, less the one character after it.
    const qsizetype tailLength = dateLine.size() - (match.capturedStart(0) + 1) - 10;
    m_description = tailLength > 0 ? dateLine.right(tailLength) : QString();
    log(QStringLiteral("\t振幅或换手率异常日期:") + m_dateText, LogColor::Default);

    const QDate day = readDay(m_dateText);
    const QDate today = m_services.clock.today();
    if (day.isValid() && day > today) {
        // A trading day still to come is wrong data, not a day to store.
        log(QStringLiteral("\t>>>>>异常日期") + m_dateText + QStringLiteral("晚于今天,数据有误,未保存<<<<<"),
            LogColor::Red);
        return false;
    }
    m_account.changeDate = day.isValid() ? day : today.addDays(-9125);
    m_rowDay = day.isValid() ? day : today;

    ++m_cursor;
    const QString figuresLine = m_cursor < m_memo.size() ? trimBlanks(m_memo.at(m_cursor)) : QString();
    if (m_turnover) {
        m_figuresText = kTurnover + QStringLiteral(">") + QStringLiteral("20%") + figuresLine;
        m_services.anomalyMemo = QStringLiteral("换手率高");
    } else {
        m_figuresText = figuresLine;
        m_services.anomalyMemo = QStringLiteral("涨跌幅大");
    }
    m_cursor += 2;
    m_figures = readFigures(m_figuresText);
    return true;
}

ReportParser::ChangeOutcome ReportParser::finishChangeBlock() {
    const Figures& figures = m_figures;
    if (!m_services.db.DBOpened())
        return ChangeOutcome::Skipped;

    if (!m_turnover && m_options.percent != 0 && Money::fromUnits(m_options.percent) > figures.rate.abs())
        return ChangeOutcome::Dropped;

    log(QStringLiteral("\t") + m_figuresText, figures.rate.isPositive() ? LogColor::Red : LogColor::Green);

    const qint32 descriptionKey = CalcDeptKey(m_description);
    const QDate day = m_account.changeDate;
    ChangeRow anomaly;
    anomaly.code = m_options.code;
    anomaly.day = day;
    anomaly.departmentKey = descriptionKey;
    anomaly.bought = figures.volume;
    anomaly.sold = figures.amount;
    anomaly.rate = figures.rate;
    anomaly.memo = m_services.anomalyMemo;
    anomaly.key = CalcRecordKey(m_options.code, m_figuresText, figures.volume, figures.amount, day);
    switch (offer(insertChangeRow(m_services.db, anomaly))) {
        case Offer::Failed:
            return ChangeOutcome::Failed;
        case Offer::Repeated:
            log(QStringLiteral("\t>>>>>保存") + m_options.code + QStringLiteral("出错!数据可能重复<<<<<"),
                LogColor::Magenta);
            return ChangeOutcome::Duplicate;
        case Offer::Stored:
            break;
    }
    ++m_account.savedRowCount;
    ++m_account.savedChangeCount;
    m_account.widenDateRange(day);
    storeDepartment(descriptionKey, m_description);
    return m_storageFailed ? ChangeOutcome::Failed : ChangeOutcome::Stored;
}

void ReportParser::storeDepartment(qint32 key, const QString& name) {
    // Every name is offered; the unique key turns away the ones already stored. Names
    // this session has already seen stored are not offered again.
    if (m_services.db.isKnownDepartment(key) && m_services.db.knownDepartmentName(key) == name)
        return;
    const DepartmentOffer offered = offerDepartment(m_services.db, key, name);
    if (offered.result == DepartmentOffer::Result::Failed)
        noteStorageFailure(offered.error);
    else if (!offered.heldBy.isEmpty())
        log(departmentClashLine(name, offered.heldBy, key), LogColor::Magenta);
}

void ReportParser::remember(const TStockSaleBuy& row) {
    if (m_handled.size() < kHandledCapacity)
        m_handled.append(row);
}

bool ReportParser::ParseDeptSection(const QString& heading) {
    const int count = lineCount();
    for (;; ++m_cursor) {
        if (m_cursor >= count)
            return false;
        const QString& current = m_memo.at(m_cursor);
        if (current.contains(kBigTradeSection)) {
            m_bigTradeStart = m_cursor;
            return false;
        }
        if (current.contains(heading))
            break;
    }
    m_cursor += 4;  // heading, border, column titles, border

    bool readRows = false;
    QString name;
    QString buyText;
    QString saleText;
    while (m_cursor < count) {
        const QStringList fields = splitTableLine(m_memo.at(m_cursor));
        if (fields.size() >= 4) {
            readRows = true;
            name = fields[1];
            buyText = fields[2];
            saleText = fields[3];
        }
        // A long name goes on in the next line, whose amount columns are empty.
        ++m_cursor;
        if (m_cursor < count) {
            const QStringList next = splitTableLine(m_memo.at(m_cursor));
            if (next.size() >= 4 && isEmptyAmount(next[2]) && isEmptyAmount(next[3])) {
                name += next[1];
                ++m_cursor;
            }
        }

        const TStockSaleBuy row{m_options.code,       m_rowDay,      name, readAmount(buyText),
                                readAmount(saleText), m_figures.rate};
        if (!isHandled(row)) {
            log(QStringLiteral("\t") + name + QStringLiteral("\t") + buyText + QStringLiteral("\t") +
                    saleText,
                m_figures.rate.isPositive() ? LogColor::Red : LogColor::Green);
            if (m_services.db.DBOpened() && (row.StBuy.isPositive() || row.StSale.isPositive())) {
                remember(row);
                const qint32 key = CalcDeptKey(name);
                const qint64 recordKey = CalcRecordKey(m_options.code, name, row.StBuy, row.StSale, m_rowDay);
                const Offer offered = offer(
                    insertChangeRow(m_services.db, {m_options.code, m_rowDay, key, row.StBuy, row.StSale,
                                                    m_figures.rate, m_services.anomalyMemo, recordKey}));
                if (offered == Offer::Stored) {
                    m_account.storedRows.add(recordKey, key);
                    ++m_account.savedRowCount;
                    m_account.widenDateRange(m_rowDay);
                    storeDepartment(key, name);
                    m_account.departmentsAdded = true;
                } else if (offered == Offer::Repeated) {
                    log(duplicateMessage(), LogColor::Magenta);
                }
                if (m_storageFailed)
                    return readRows;
            }
        }

        m_bigTradeStart = m_cursor;
        if (m_cursor < count && m_memo.at(m_cursor).contains(kRule))
            return readRows;
    }
    return readRows;
}

void ReportParser::raiseBigLast(const QDate& day) {
    const StoreUpdate raised = raiseStockDay(m_services.db, m_options.code, StockDay::LastBlockTrade, day);
    if (!raised.ok)
        noteStorageFailure(raised.error);
}

void ReportParser::ParseBigTrades() {
    const QString& code = m_options.code;
    log(QStringLiteral("\t") + code + QStringLiteral("大宗买卖数据"), LogColor::Default);

    const int count = lineCount();
    m_cursor = m_bigTradeStart;
    while (m_cursor < count && !atStart(m_memo.at(m_cursor), kBigTradeSection))
        ++m_cursor;
    if (m_cursor + 1 >= count || !m_memo.at(m_cursor + 1).contains(kRule))
        return;
    m_handled.clear();
    m_cursor += 1 + 4;  // four lines past the rule under the heading

    // Every trade is compared with the block-trade day the stock had when this step began,
    // so the older trades of one report are not taken for stored ones once the newest is in.
    bool bigLastLoaded = false;
    QDate bigLastAtStart;
    bool stockKnown = false;

    while (m_cursor < count) {
        const QStringList first = splitTableLine(m_memo.at(m_cursor));
        if (first.size() < 7)
            return;
        const QString dateText = first[1];
        const QString priceText = first[2];
        const QString quantityText = first[3];
        const QString amountText = first[4];
        QString buyer = first[5];
        QString seller = first[6];
        for (++m_cursor; m_cursor < count; ++m_cursor) {
            const QStringList more = splitTableLine(m_memo.at(m_cursor));
            if (more.size() < 7 || !more[1].isEmpty())
                break;
            buyer += more[5];
            seller += more[6];
        }

        const Money price = readAmount(priceText);
        const Money quantity = readAmount(quantityText);
        const Money amount = readAmount(amountText);
        const QDate day = readDay(dateText);
        if (day.isValid() && day > m_services.clock.today()) {
            // A trade dated after today is wrong data; it would also move StBigLast past
            // every real trade still to come.
            log(QStringLiteral("\t>>>>>大宗交易日期") + trimBlanks(dateText) +
                    QStringLiteral("晚于今天,数据有误,未保存<<<<<"),
                LogColor::Red);
            continue;
        }
        if (day.isValid())
            ++m_tradesRead;

        bool mustRaise = false;
        if (day.isValid() && !m_options.allChanges && m_services.db.DBOpened()) {
            if (!bigLastLoaded) {
                const StockDayRead read = readStockDay(m_services.db, code, StockDay::LastBlockTrade);
                if (!read.ok) {
                    noteStorageFailure(read.error);
                    return;
                }
                stockKnown = read.stockKnown;
                if (stockKnown)
                    bigLastAtStart = read.day;
                bigLastLoaded = true;
            }
            if (stockKnown && bigLastAtStart.isValid() && bigLastAtStart >= day) {
                log(QStringLiteral("\t>>>>>数据库中已经保存过 ") + code + QStringLiteral(" 的大宗交易数据"),
                    LogColor::Red);
                return;
            }
            mustRaise = true;
        }

        const TStockSaleBuy trade{code, day, buyer, quantity, amount, price};
        if (!isHandled(trade)) {
            log(QStringLiteral("\t") + dateText + QStringLiteral("\t") + buyer + QStringLiteral("\t") +
                    quantityText + QStringLiteral("\t") + amountText + QStringLiteral("\t") + seller,
                price.isPositive() ? LogColor::Red : LogColor::Green);
            if (!day.isValid()) {
                log(QStringLiteral("\t>>>>>大宗交易日期\"") + dateText +
                        QStringLiteral("\"无法识别,未保存<<<<<"),
                    LogColor::Magenta);
            } else if (m_services.db.DBOpened() && (quantity.isPositive() || amount.isPositive())) {
                const bool firstEntered = m_handled.isEmpty();
                remember(trade);
                const qint32 buyerKey = CalcDeptKey(buyer);
                const qint32 sellerKey = CalcDeptKey(seller);
                const Offer offered = offer(
                    insertBlockTrade(m_services.db, {code, day, buyerKey, price, quantity, amount, sellerKey,
                                                     CalcRecordKey(code, buyer, quantity, amount, day)}));
                if (offered == Offer::Failed)
                    return;
                if (offered == Offer::Repeated) {
                    log(duplicateMessage(), LogColor::Magenta);
                    if (mustRaise)
                        raiseBigLast(day);
                    return;
                }
                ++m_account.savedBigCount;
                m_account.widenDateRange(day);
                if (!m_options.allChanges || firstEntered)
                    raiseBigLast(day);
                storeDepartment(sellerKey, seller);
                storeDepartment(buyerKey, buyer);
                m_account.departmentsAdded = true;
                if (m_storageFailed)
                    return;
            }
        }

        if (m_cursor < count && m_memo.at(m_cursor).contains(kRule))
            return;
    }
}

}  // namespace quarrow

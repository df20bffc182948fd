#include "demo/DemoTrades.h"

#include "store/DepartmentNames.h"
#include "store/RecordKeys.h"
#include "store/ReportRows.h"

#include <QRandomGenerator>

#include <algorithm>

namespace quarrow {

namespace {

constexpr int kRowsPerDay = 10;  // the anomaly row, five buyers, four sellers

}  // namespace

bool storeDemoTrades(TDataBase& db, const GeneratedQuoteFolder& folder, const DemoTradeOptions& options,
                     QString* error) {
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (folder.stocks.isEmpty() || folder.tradingDays.isEmpty())
        return fail(QStringLiteral("no stocks or no trading days to trade on"));
    QRandomGenerator random(options.seed);
    const int departments = std::max(1, options.departments);
    QStringList names;
    for (int d = 0; d < departments; ++d)
        names << QStringLiteral("模拟证券第%1营业部").arg(d + 1);
    Transaction transaction(db);
    if (!transaction.began())
        return fail(db.transactionError());
    for (const QString& name : names) {
        const DepartmentOffer offered = offerDepartment(db, CalcDeptKey(name), name);
        if (offered.result == DepartmentOffer::Result::Failed)
            return fail(offered.error);
    }
    const QString description = QStringLiteral("日涨幅偏离值达7%的证券");
    const auto stockCount = static_cast<int>(folder.stocks.size());
    const int daysPerStock = std::max(1, options.rows / kRowsPerDay / stockCount);
    // Days of the first four fifths of the history, so most trades have bars after them.
    const int dayRange = std::max(1, static_cast<int>(folder.tradingDays.size()) * 4 / 5);
    int stored = 0;
    for (int s = 0; s < stockCount && stored < options.rows; ++s) {
        // Only stocks with a whole history trade: a new listing has two bars, and some
        // stocks have no daily-bar file at all.
        const QuoteStockRole role = folder.stocks.at(s).role;
        if (role == QuoteStockRole::NewlyListed || role == QuoteStockRole::NoDailyFile)
            continue;
        const QString code = folder.stocks.at(s).key.mid(2);
        for (int n = 0; n < daysPerStock && stored < options.rows; ++n) {
            const QDate day = folder.tradingDays.at(random.bounded(dayRange));
            for (int r = 0; r < kRowsPerDay; ++r) {
                const bool anomaly = r == 0;
                const QString text =
                    anomaly ? QStringLiteral("涨跌幅:10.00%") : names.at(random.bounded(departments));
                const Money buy = Money::fromRaw(anomaly || r <= 5 ? random.bounded(1, 50000000) : 0);
                const Money sale = Money::fromRaw(anomaly || r > 5 ? random.bounded(1, 50000000) : 0);
                const StoreWrite row =
                    insertChangeRow(db, {code, day, CalcDeptKey(anomaly ? description : text), buy, sale,
                                         Money::fromUnits(10), QStringLiteral("涨跌幅大"),
                                         CalcRecordKey(code, text, buy, sale, day)});
                if (row.inserted())
                    ++stored;
                else if (row.failed())
                    return fail(row.error);
            }
        }
    }
    if (!transaction.commit())
        return fail(db.transactionError());
    return true;
}

}  // namespace quarrow

#include "quotefiles/StockScreening.h"

#include "quotefiles/QuotePaths.h"
#include "store/DataBase.h"
#include "store/StockTable.h"

#include <QFileInfo>

#include <cmath>

namespace quarrow {

StockScreener::StockScreener(QString quoteFolder, TDataBase* db, AppFrame& frame)
    : m_quoteFolder(std::move(quoteFolder)), m_db(db), m_frame(frame) {}

std::optional<double> StockScreener::tradableSharesOf(const QString& code) {
    if (!m_db || !m_db->DBOpened())
        return std::nullopt;
    return tradableShares(code);
}

std::optional<double> StockScreener::tradableShares(const QString& code) {
    if (!m_shares && !m_sharesUnreadable) {
        if (const std::optional<QHash<QString, Money>> all = allTradableShares(*m_db)) {
            QHash<QString, double> shares;
            shares.reserve(all->size());
            for (auto it = all->cbegin(); it != all->cend(); ++it)
                shares.insert(it.key(), it.value().toDouble());
            m_shares = std::move(shares);
        } else {
            m_sharesUnreadable = true;
        }
    }
    if (m_shares) {
        const auto found = m_shares->constFind(code);
        return found == m_shares->constEnd() ? std::nullopt : std::optional<double>(found.value());
    }
    const TradableRead read = quarrow::tradableShares(*m_db, code);
    if (!read.ok) {
        m_frame.addLog(QStringLiteral("\t>>>>>读取") + code + QStringLiteral("的流通股本出错:") + read.error,
                       LogColor::Magenta);
        return std::nullopt;
    }
    if (!read.shares)
        return std::nullopt;
    return read.shares->toDouble();
}

std::optional<Money> StockScreener::turnover(const QString& code, qint32 lastVolume) {
    const std::optional<double> shares = tradableShares(code);
    if (!shares)
        return std::nullopt;
    // Tradable A shares in units of 10,000, taken as a whole number.
    const auto quantity = static_cast<qint64>(std::nearbyint(*shares));
    if (quantity <= 0 || lastVolume <= 0)
        return Money();
    // lastVolume / (quantity × 10,000) × 100 percent, kept to four decimals.
    return Money::fromRaw(divideRoundHalfEven(static_cast<qint64>(lastVolume) * 100, quantity));
}

ScreenResult StockScreener::ScreenStock(const QString& prefixedCode, const QString& name, qint64 days,
                                        int thresholdPercent, const IndexSummaries& indexes) {
    return judgeStock(prefixedCode, name, CalcDailysChanges(m_quoteFolder, prefixedCode, days),
                      thresholdPercent, indexes);
}

std::optional<TStockChange> StockScreener::readStock(const QString& prefixedCode, qint64 days) {
    if (days < 1) {  // nothing is read, so the file is asked after on its own
        if (!QFileInfo::exists(QuotePaths::dailyBarFile(m_quoteFolder, prefixedCode)))
            return std::nullopt;
        return TStockChange();
    }
    bool found = false;
    const TStockChange stock = CalcDailysChanges(m_quoteFolder, prefixedCode, days, &found);
    return found ? std::optional<TStockChange>(stock) : std::nullopt;
}

ScreenResult StockScreener::judgeStock(const QString& prefixedCode, const QString& name,
                                       const TStockChange& stock, int thresholdPercent,
                                       const IndexSummaries& indexes) {
    ScreenResult result;
    result.stock = stock;
    const TStockChange& index = indexes.forStock(prefixedCode);

    if (result.stock.StDateLast != index.StDateLast) {
        result.stale = true;
        const QString which = indexes.isShenzhen(prefixedCode)
                                  ? QStringLiteral("\t股票收盘数据和深证指数日期不符:")
                                  : QStringLiteral("\t股票收盘数据和上证指数日期不符:");
        m_frame.addLog(which + QString::number(result.stock.StDateLast) + QStringLiteral("<>") +
                           QString::number(index.StDateLast),
                       LogColor::Red);
        m_frame.addLog(QStringLiteral("\t请操作证券行情分析系统,下载最新的股市收盘数据!"), LogColor::Red);
        return result;
    }

    const Money threshold = Money::fromUnits(thresholdPercent);
    const Money deviation = result.stock.StChang - index.StChang;
    result.value = deviation;
    result.measure = ScreenMeasure::Deviation;
    if (deviation.abs() < threshold && m_db && m_db->DBOpened()) {
        if (const auto rate = turnover(prefixedCode.mid(2), result.stock.StQTYLast))
            result.value = *rate;
        result.measure = ScreenMeasure::Turnover;
    }

    result.picked = result.value.abs() >= threshold;
    if (result.picked) {
        const QString label =
            result.measure == ScreenMeasure::Turnover ? QStringLiteral("换手率") : QStringLiteral("涨跌幅度");
        m_frame.addLog(QStringLiteral("\t") + prefixedCode + name + label + result.value.toString() +
                           QStringLiteral("%:>") + QString::number(thresholdPercent) + QStringLiteral("%"),
                       result.value.isPositive() ? LogColor::Red : LogColor::Green);
    }
    return result;
}

}  // namespace quarrow

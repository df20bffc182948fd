#pragma once

#include <QRegularExpression>
#include <QString>

namespace quarrow::ReportMarkers {

// What the parser recognises on the quote program's dragon-tiger page.
inline const QString kChangeSection = QStringLiteral(".涨跌幅异动】");
inline const QString kTradingDate = QStringLiteral("【交易日期】");
inline const QString kNoData = QStringLiteral("暂无数据");
inline const QString kTurnover = QStringLiteral("换手率");
inline const QString kBuyTable = QStringLiteral("买入金额排名前5名营业部");
inline const QString kSaleTable = QStringLiteral("卖出金额排名前5名营业部");
inline const QString kRule = QStringLiteral("───────");
inline const QString kBigTradeSection = QStringLiteral(".大宗交易】");
inline const QString kReportTitle = QStringLiteral("☆龙虎榜单☆");

// A section heading counts only near the start of its line (one of the first four
// positions), so the same words inside a sentence do not open a section.
inline bool atStart(const QString& line, const QString& marker) {
    const qsizetype position = line.indexOf(marker);
    return position >= 0 && position <= 3;
}

// yyyy-mm-dd anywhere in a line.
const QRegularExpression& datePattern();
// A figure: optional sign, digits, a point and exactly two decimals (a longer fraction
// matches in its first two).
const QRegularExpression& figurePattern();

}  // namespace quarrow::ReportMarkers

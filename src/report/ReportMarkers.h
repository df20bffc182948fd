#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <limits>

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
// positions), so the same words inside a sentence do not open a section. Only the head
// of the line is searched: a damaged document may hold lines of megabytes.
inline bool atStart(const QString& line, const QString& marker) {
    return QStringView(line).left(3 + marker.size()).contains(marker);
}

// yyyy-mm-dd anywhere in a line.
const QRegularExpression& datePattern();

// The figures of a text, left to right and without overlap, at most `limit` of them. A
// figure is an optional sign, digits, a point and exactly two decimals (a longer fraction
// gives its first two): what the pattern (\-|\+)?\d+\.[0-9]{2} finds, in one pass
// over the text however long its runs of digits are.
QStringList findFigures(const QString& text, qsizetype limit = std::numeric_limits<qsizetype>::max());

}  // namespace quarrow::ReportMarkers

#pragma once

#include "app/FigureFormat.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

class QStandardItem;
class QStandardItemModel;

namespace quarrow {

// What a column of a query result holds, told by its title (the statement's alias).
enum class ResultColumn {
    Text,
    Code,
    Day,
    Department,    // 营业部o涨跌说明, 买方, 卖方
    BuyOrVolume,   // 买入o成交量: a department's buying, or the anomaly day's volume
    SellOrAmount,  // 卖出o成交额: a department's selling, or the anomaly day's turnover
    Rate,          // 涨跌幅度, percent
    Price,
    BoughtShares,  // 买入万股 of the main-force alerts
    SoldShares,    // 卖出万股
    Shares,        // 成交万股 of a block trade
    Amount,        // 成交万元 of a block trade
    NetBuy,        // 净买额: buying less selling, a column of the grid's own
    Memo,          // 注释: the kind of the day's anomaly
};

ResultColumn resultColumnOf(const QString& title);

// The title as the grids show it: the "o" that stands between an alias's two meanings
// becomes "/" ("营业部/涨跌说明"). Statements and --sql keep the alias.
QString shownTitle(const QString& alias);
// The title a grid's CSV file gets: the one shown, with the unit of the figures below it,
// which the file holds as stored while the grid shows each with its own ("买入/成交量(万元/万股)").
QString exportTitle(const QString& alias);

// How one cell shows: its text, its colour (invalid: the grid's own) and whether it is a
// figure (right-aligned). anomalyRow: the row is an anomaly day's, whose buy and sell
// columns hold the day's volume and turnover; turnoverDay: the row is of a day listed for
// its turnover, whose rate is no price change.
struct ShownCell {
    QString text;
    QColor colour;
    bool figure = false;
};
ShownCell showCell(ResultColumn column, const QVariant& value, bool anomalyRow, bool turnoverDay = false);

// Rises and buying in red, falls and selling in green.
QColor riseColour();
QColor fallColour();
// The colour of a figure's tone; invalid for a plain one.
QColor toneColour(FigureFormat::Tone tone);

// A figure's cell of a grid a page fills itself: shown as every page shows it,
// right-aligned, in its tone's colour, copied and exported as the plain number.
QStandardItem* figureItem(const QString& shown, const QString& plain,
                          FigureFormat::Tone tone = FigureFormat::Tone::Plain);
// The titles shown, and the ones a CSV file gets, which name the units the cells leave out.
void setGridTitles(QStandardItemModel& model, const QList<std::pair<QString, QString>>& titles);

}  // namespace quarrow

#pragma once

#include "app/FigureFormat.h"
#include "follow/FollowedTrades.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace quarrow {

// How the followed departments' trades are written out: the columns of the command line's
// table and CSV, the mining log's line and the chat's summary.
namespace FollowedReport {

// code,name,date,department,bought,sold,net,avg1,win1,avg3,win3,avg5,win5,count
QStringList columnTitles();
// The row's cells under those titles: amounts as stored, returns in percent with two
// decimals, empty where the record has no value.
QStringList cells(const FollowedTrade& trade);

// A percent figure with two decimals; empty for none.
QString percentText(const std::optional<double>& value);

// The same cells as users read them in the window's grid and the digest: amounts in 万
// or 亿, buying red, selling green, the net by its sign, average returns toned and shares
// of rises plain; a side with nothing on it and a figure the record lacks stay blank.
std::vector<FigureFormat::Cell> shownCells(const FollowedTrade& trade);
// An amount in 10,000 yuan in the tone given; blank when nothing was bought or sold.
FigureFormat::Cell amountCell(Money amount, FigureFormat::Tone tone);
// A net amount in 10,000 yuan, toned by its sign; none shows as 0.00万.
FigureFormat::Cell netCell(Money net);

// The mining log's one line about the followed departments' rows a run stored.
QString logLine(const std::vector<FollowedTrade>& trades);

// The chat's summary: a heading and a line a row, newest first, at most maxLines in all
// (the last then says how many rows were left out).
QStringList chatLines(const std::vector<FollowedTrade>& trades, int maxLines);

}  // namespace FollowedReport

}  // namespace quarrow

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace quarrow {

// The one way the program writes grids out as text: CSV (RFC 4180) for files and the
// command line, tab-separated text for the clipboard, and aligned columns for a terminal.
namespace TextExport {

// A field quoted only when it must be: a comma, a quote or a line break inside.
QString csvField(const QString& text);
// One record, ended by CR LF as RFC 4180 asks.
QString csvLine(const QStringList& cells);

// A whole grid as the bytes of a CSV file: UTF-8 with a byte-order mark, so spreadsheet
// programs read the Chinese names instead of guessing a local code page.
QByteArray csvFileBytes(const QStringList& titles, const std::vector<QStringList>& rows);

// Cells as a spreadsheet pastes them: tabs between cells, a line feed after each row. A
// tab or line break inside a cell would start a new cell or row, so it becomes a blank.
QString tabSeparated(const std::vector<QStringList>& rows);

// Terminal cells a text takes: a Chinese character takes two.
int displayWidth(const QString& text);
// One line of an aligned table; widths are the columns' display widths. No line ends in
// blanks.
QString tableLine(const QStringList& cells, const std::vector<int>& widths);
// A whole table, titles first, its columns as wide as their widest cell.
QString table(const QStringList& titles, const std::vector<QStringList>& rows);

}  // namespace TextExport

}  // namespace quarrow

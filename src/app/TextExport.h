#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace quarrow {

// The one way the program writes grids out as text: CSV (RFC 4180) for files and the
// command line, tab-separated text for the clipboard, and aligned columns for a terminal.
//
// CSV files and copied cells end up in a spreadsheet, opened by a double click, and their
// texts come from the quote program's pages and from download servers of strangers. A
// spreadsheet takes a cell that begins with =, +, -, @, a tab or a carriage return for a
// formula (=HYPERLINK(...), @SUM(...)|cmd...): such a text gets a leading apostrophe, as the
// spreadsheet makers advise, and shows as it is. A plain number (-1.25, +3) is no formula
// and stays a number. A stock code would lose its leading zeros (000630 shows as 630), so
// in a CSV file a code column's codes are written ="000630", which a spreadsheet shows as
// the text 000630.
namespace TextExport {

// What a column holds, for the spreadsheet to read it as meant.
enum class CsvColumn { Text, Code };
// The columns of a grid by their titles: 代码, 股票代码 and code hold stock codes.
std::vector<CsvColumn> csvColumns(const QStringList& titles);

// The text as a spreadsheet cell shows it rather than runs it.
QString spreadsheetText(const QString& text);

// A field quoted only when it must be: a comma, a quote or a line break inside.
QString csvField(const QString& text, CsvColumn column = CsvColumn::Text);
// One record, ended by CR LF as RFC 4180 asks; cells past the columns given are texts.
QString csvLine(const QStringList& cells, const std::vector<CsvColumn>& columns = {});
// The titles and the rows, the columns told by the titles.
QString csvText(const QStringList& titles, const std::vector<QStringList>& rows);

// A whole grid as the bytes of a CSV file: UTF-8 with a byte-order mark, so spreadsheet
// programs read the Chinese names instead of guessing a local code page.
QByteArray csvFileBytes(const QStringList& titles, const std::vector<QStringList>& rows);

// Cells as a spreadsheet pastes them: tabs between cells, a line feed after each row. A
// tab or line break inside a cell would start a new cell or row, so it becomes a blank;
// a cell that would paste as a formula is made safe as in a CSV file.
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

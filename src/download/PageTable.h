#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace quarrow {

// The first table of a download page as the texts of its cells, read as TDxWebTable
// reads them, and what the download checks about the page before it reads a row.
//
// A page of 16 MB holds hundreds of thousands of cells: a text of its own for each would
// cost several times the page. A cell is where it stands in the page's text (a page read
// directly shares that text) or, when it had to be made (escapes decoded, the full parse),
// in one text of the table's own.
struct PageTable {
    QString refusal;      // why the page was not parsed (it nests too deep); empty when it was
    int tables = 0;       // the tables of the page, nested ones included
    bool direct = false;  // read without the full HTML parse

    int rowCount() const { return static_cast<int>(m_rowStart.size()); }
    // 0 for a row that is not there.
    int cellCount(int row) const;
    // Empty for a missing row or cell: a short row reads like one with empty cells, each
    // as TDxWebTable::CellText reads it.
    QString cell(int column, int row) const;
    QStringList cells(int row) const;

    // While the table is read: a new row, and a cell of the last row.
    void addRow();
    // Text of the page itself (`page` is its text, shared, never copied).
    void addPageCell(const QString& page, qsizetype from, qsizetype length);
    void addCell(QStringView text);

private:
    struct Cell {
        qint32 from;  // in the page; below 0: at -from - 1 in m_made
        qint32 length;
    };
    QString m_page;
    QString m_made;
    std::vector<Cell> m_cells;
    std::vector<qint32> m_rowStart;  // the first cell of each row
};

// Reads a page's first table. A page in the plain form quarrow-server writes (one table of
// rows of cells that hold text alone, a few tags around it, lower-case, the four escapes it
// uses) is read in one pass over its characters, without building a document tree; the
// full parse costs as much as storing the rows. Anything outside that form -- another tag,
// an attribute, a comment, a control character, another entity -- goes through the full
// HTML parse, so both paths read every page alike.
PageTable readPageTable(const QString& html);

// The same, with the full parse in a thread of its own so the window stays alive:
// keepWaiting is called at once and then every few milliseconds until it is done. When it
// answers false (the user stopped) the parse is left to finish unseen and nothing is
// returned.
std::optional<PageTable> readPageTable(const QString& html, const std::function<bool()>& keepWaiting);

}  // namespace quarrow

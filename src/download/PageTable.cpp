#include "download/PageTable.h"

#include "download/DxHtmlParser.h"

#include <QSemaphore>
#include <QThreadPool>

#include <memory>

namespace quarrow {

namespace {

// A character a cell may hold as it stands: the tree builder keeps it as it is. Carriage
// returns (turned into line ends), NUL (dropped), the other controls, surrogates and
// non-characters are left to the full parse.
bool plainCharacter(char16_t c) {
    if (c < 0x80)
        return c == u'\t' || c == u'\n' || (c >= 0x20 && c < 0x7F && c != u'<' && c != u'&');
    return (c >= 0xA0 && c < 0xD800) || (c >= 0xE000 && c < 0xFDD0) || (c >= 0xFDF0 && c <= 0xFFFD);
}

// The page in the plain form, or nothing at the first thing outside it. The form: blanks
// (space, tab, line end) anywhere between tags, then
//   [<html>] [<head> [<meta charset="utf-8">] [<title>TEXT</title>] </head>] [<body>]
//   <table> ( <tr> ( <td> TEXT [</td>] )* [</tr>] )* [</table> [</body>] [</html>]]
// where a cell ends where the next cell, row or the table starts, as HTML closes it; the
// end of the text closes whatever is open, so a table that never closes reads as the full
// parse reads it, without the tree it would cost.
class DirectReader {
public:
    explicit DirectReader(const QString& html)
        : m_html(html), m_begin(QStringView(html).utf16()), m_p(m_begin), m_end(m_p + html.size()) {}

    std::optional<PageTable> read() {
        blanks();
        take(u"<html>");
        blanks();
        if (take(u"<head>")) {
            blanks();
            take(u"<meta charset=\"utf-8\">");
            blanks();
            if (take(u"<title>")) {
                while (m_p < m_end && plainCharacter(*m_p))
                    ++m_p;
                if (!take(u"</title>"))
                    return std::nullopt;
                blanks();
            }
            if (!take(u"</head>"))
                return std::nullopt;
            blanks();
        }
        take(u"<body>");
        blanks();
        if (!take(u"<table>") || !readRows())
            return std::nullopt;
        if (m_p == m_end && !m_closed) {
            m_table.tables = 1;
            m_table.direct = true;
            return std::move(m_table);
        }
        blanks();
        take(u"</body>");
        blanks();
        take(u"</html>");
        blanks();
        if (m_p != m_end)
            return std::nullopt;
        m_table.tables = 1;
        m_table.direct = true;
        return std::move(m_table);
    }

private:
    enum class Place { Table, Row, Cell };

    bool take(std::u16string_view literal) {
        if (static_cast<size_t>(m_end - m_p) < literal.size() ||
            std::u16string_view(m_p, literal.size()) != literal)
            return false;
        m_p += literal.size();
        return true;
    }

    void blanks() {
        while (m_p < m_end && (*m_p == u' ' || *m_p == u'\t' || *m_p == u'\n'))
            ++m_p;
    }

    // From after <table> to after </table>.
    bool readRows() {
        Place place = Place::Table;
        auto endCell = [&] {
            if (place == Place::Cell) {
                if (m_escaped) {
                    m_table.addCell(trimmedCellText(QStringView(m_cell)));
                } else {
                    // A cell without escapes stays where it stands in the page.
                    const QStringView text = trimmedCellText(QStringView(m_cellStart, m_tagStart));
                    m_table.addPageCell(m_html, text.utf16() - m_begin, text.size());
                }
                place = Place::Row;
            }
        };
        auto startCell = [&] {
            m_cellStart = m_p;
            m_escaped = false;
            place = Place::Cell;
        };
        while (m_p < m_end) {
            if (*m_p != u'<') {
                if (place != Place::Cell) {
                    // Only blanks stand between the rows and cells; text there would be moved
                    // out of the table.
                    if (*m_p != u' ' && *m_p != u'\t' && *m_p != u'\n')
                        return false;
                    ++m_p;
                } else if (!cellText()) {
                    return false;
                }
                continue;
            }
            m_tagStart = m_p;
            if (take(u"<td>")) {
                // A cell outside a row would open a row of its own.
                if (place == Place::Table)
                    return false;
                endCell();
                startCell();
            } else if (take(u"<tr>")) {
                endCell();
                m_table.addRow();
                place = Place::Row;
            } else if (take(u"</td>")) {
                if (place != Place::Cell)
                    return false;
                endCell();
            } else if (take(u"</tr>")) {
                if (place == Place::Table)
                    return false;
                endCell();
                place = Place::Table;
            } else if (take(u"</table>")) {
                endCell();
                m_closed = true;
                return true;
            } else {
                return false;
            }
        }
        // The text ended inside the table, which the end closes with all that is open.
        m_tagStart = m_end;
        endCell();
        return true;
    }

    // A run of a cell's text up to the next tag. An escape turns the cell into a copy with
    // its escapes decoded.
    bool cellText() {
        const char16_t* start = m_p;
        while (m_p < m_end && plainCharacter(*m_p))
            ++m_p;
        if (m_escaped)
            m_cell.append(QStringView(start, m_p));
        if (m_p == m_end || *m_p == u'<')
            return true;
        if (*m_p != u'&')
            return false;
        if (!m_escaped) {
            m_escaped = true;
            m_cell.resize(0);
            m_cell.append(QStringView(m_cellStart, m_p));
        }
        static constexpr struct {
            std::u16string_view name;
            char16_t character;
        } kEscapes[] = {{u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}};
        for (const auto& escape : kEscapes) {
            if (take(escape.name)) {
                m_cell.append(QChar(escape.character));
                return true;
            }
        }
        return false;
    }

    const QString& m_html;
    const char16_t* m_begin;
    const char16_t* m_p;
    const char16_t* m_end;
    PageTable m_table;
    bool m_closed = false;  // the table's end tag came
    const char16_t* m_tagStart = nullptr;
    const char16_t* m_cellStart = nullptr;  // where the open cell's text starts in the page
    bool m_escaped = false;                 // the open cell holds an escape: its text is m_cell
    QString m_cell;
};

PageTable parsedTable(const QString& html) {
    const HtmlDocument document(html);
    PageTable table;
    table.refusal = document.refusal();
    table.tables = static_cast<int>(document.tables().size());
    if (table.tables == 0)
        return table;
    const TDxWebTable first(&document, document.tables().first());
    for (int r = 0; r < first.RowCount(); ++r) {
        table.addRow();
        const int count = first.CellCount(r);
        for (int c = 0; c < count; ++c)
            table.addCell(first.CellText(c, r));
    }
    return table;
}

}  // namespace

int PageTable::cellCount(int row) const {
    if (row < 0 || row >= rowCount())
        return 0;
    const auto end = static_cast<size_t>(row) + 1 < m_rowStart.size()
                         ? m_rowStart[static_cast<size_t>(row) + 1]
                         : static_cast<qint32>(m_cells.size());
    return end - m_rowStart[static_cast<size_t>(row)];
}

QString PageTable::cell(int column, int row) const {
    if (column < 0 || column >= cellCount(row))
        return QString();
    const Cell& cell = m_cells[static_cast<size_t>(m_rowStart[static_cast<size_t>(row)] + column)];
    return cell.from >= 0 ? m_page.mid(cell.from, cell.length) : m_made.mid(-cell.from - 1, cell.length);
}

QStringList PageTable::cells(int row) const {
    QStringList texts;
    for (int c = 0; c < cellCount(row); ++c)
        texts << cell(c, row);
    return texts;
}

void PageTable::addRow() {
    m_rowStart.push_back(static_cast<qint32>(m_cells.size()));
}

void PageTable::addPageCell(const QString& page, qsizetype from, qsizetype length) {
    if (m_page.isNull())
        m_page = page;  // shared: the page's own text, not a copy
    Q_ASSERT(m_page.constData() == page.constData());
    m_cells.push_back({static_cast<qint32>(from), static_cast<qint32>(length)});
}

void PageTable::addCell(QStringView text) {
    m_cells.push_back({static_cast<qint32>(-m_made.size() - 1), static_cast<qint32>(text.size())});
    m_made.append(text);
}

PageTable readPageTable(const QString& html) {
    if (std::optional<PageTable> direct = DirectReader(html).read())
        return std::move(*direct);
    return parsedTable(html);
}

std::optional<PageTable> readPageTable(const QString& html, const std::function<bool()>& keepWaiting) {
    // The direct pass is a walk over the characters; it gives up at the first thing outside
    // its form, so a hostile page costs it little.
    if (std::optional<PageTable> direct = DirectReader(html).read()) {
        if (!keepWaiting())
            return std::nullopt;
        return direct;
    }
    // Shared with the parsing thread, which may outlive this call when the user stops.
    struct Parse {
        QString html;
        PageTable table;
        QSemaphore done;
    };
    auto parse = std::make_shared<Parse>();
    parse->html = html;
    QThreadPool::globalInstance()->start([parse] {
        parse->table = parsedTable(parse->html);
        parse->done.release();
    });
    // A wait for work of this computer, not for time to pass: it waits on the parse itself
    // and wakes every few milliseconds to keep the window alive.
    do {
        if (!keepWaiting())
            return std::nullopt;
    } while (!parse->done.tryAcquire(1, 20));
    return std::move(parse->table);
}

}  // namespace quarrow

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
//   <table> ( <tr> ( <td> TEXT [</td>] )* [</tr>] )* </table> [</body>] [</html>]
// where a cell ends where the next cell, row or the table starts, as HTML closes it.
class DirectReader {
public:
    explicit DirectReader(QStringView html) : m_p(html.utf16()), m_end(m_p + html.size()) {}

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
                // A cell without escapes is cut straight from the page: one allocation.
                m_table.rows.last() << trimCellText(m_escaped ? QStringView(m_cell)
                                                              : QStringView(m_cellStart, m_tagStart));
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
                m_table.rows.append(QStringList());
                // Rows are as wide as the first, as a server writes them.
                m_table.rows.last().reserve(m_table.rows.first().size());
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
                return true;
            } else {
                return false;
            }
        }
        return false;  // the text ended inside the table
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

    const char16_t* m_p;
    const char16_t* m_end;
    PageTable m_table;
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
    table.rows.reserve(first.RowCount());
    for (int r = 0; r < first.RowCount(); ++r) {
        QStringList cells;
        const int count = first.CellCount(r);
        cells.reserve(count);
        for (int c = 0; c < count; ++c)
            cells << first.CellText(c, r);
        table.rows << cells;
    }
    return table;
}

}  // namespace

int PageTable::cellCount(int row) const {
    return row >= 0 && row < rows.size() ? static_cast<int>(rows.at(row).size()) : 0;
}

QString PageTable::cell(int column, int row) const {
    return row >= 0 && row < rows.size() ? rows.at(row).value(column) : QString();
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

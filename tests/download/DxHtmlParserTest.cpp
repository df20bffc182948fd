#include "download/DxHtmlParser.h"

#include "support/TestSupport.h"

using namespace quarrow;

namespace {

// What a table reads as: its rows, each the cells' texts joined by '|'.
QStringList readTable(TDxWebTable* table) {
    QStringList rows;
    if (!table)
        return {QStringLiteral("<no table>")};
    for (int r = 0; r < table->RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->CellCount(r); ++c)
            cells << table->CellText(c, r);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

struct TableCase {
    const char* name;
    const char* html;
    QStringList rows;  // of table 0
};

TEST(DxHtmlParser, ReadsTablesAsAnHtml5BrowserBuildsThem) {
    const TableCase cases[] = {
        {"padded code", "<table><tr><td> 600610 \n</td></tr></table>", {"600610"}},
        {"control characters and tabs cut",
         "<table><tr><td>\x01\t\xc2\x85 ab c\x7f</td></tr></table>",
         {"ab c"}},
        {"full-width space stays", "<table><tr><td>名\xe3\x80\x80</td></tr></table>", {"名\u3000"}},
        {"implicit tbody, unclosed cells and rows", "<table><tr><td>a<td>b<tr><td>c</table>", {"a|b", "c"}},
        {"header cells count as cells",
         "<table><tr><th>h1<th>h2</tr><tr><td>1</td></tr></table>",
         {"h1|h2", "1"}},
        {"head, body, foot in the browser's order",
         "<table><tfoot><tr><td>f</tfoot><tbody><tr><td>b</tbody><thead><tr><td>h</thead></table>",
         {"h", "b", "f"}},
        {"nested table's rows stay its own",
         "<table><tr><td>x<table><tr><td>in</td></tr></table></td></tr></table>",
         {"xin"}},
        {"markup inside a cell reads as its text",
         "<table><tr><td><b>中</b>&amp;<i>文</i></td></tr></table>",
         {"中&文"}},
        {"no script runs, its text is not read",
         "<table><tr><td>a<script>document.write('b')</script></td></tr></table>",
         {"a"}},
    };
    for (const TableCase& c : cases) {
        TDxHtmlParser parser;
        parser.setHTML(QString::fromUtf8(c.html));
        EXPECT_EQ(readTable(parser.WebTables().table(0)), c.rows) << c.name;
    }
}

TEST(DxHtmlParser, MissingTablesRowsAndCellsReadEmpty) {
    TDxHtmlParser parser;
    parser.setHTML(QStringLiteral("<table><tr><td>1</td><td>2</td></tr></table><p><table></table>"));
    TDxTableCollection& tables = parser.WebTables();
    EXPECT_EQ(tables.Count(), 2);
    EXPECT_EQ(tables.table(5), nullptr);
    EXPECT_EQ(tables.table(-1), nullptr);
    TDxWebTable* table = tables.table(0);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->RowCount(), 1);
    EXPECT_EQ(table->CellText(0, 1), QString());  // a row beyond RowCount
    EXPECT_EQ(table->CellText(2, 0), QString());  // a cell beyond the row's cells
    EXPECT_EQ(table->CellCount(3), 0);
    EXPECT_EQ(TDxWebTable().InnerHtml(), QString());
    EXPECT_EQ(TDxWebTable().CellText(0, 0), QString());
}

TEST(DxHtmlParser, OneTableObjectReboundAndFollowingTheText) {
    TDxHtmlParser parser;
    parser.setHTML(
        QStringLiteral("<table><tr><td>first</td></tr></table><table><tr><td>second</td></tr></table>"));
    TDxWebTable* first = parser.WebTables().table(0);
    TDxWebTable* second = parser.WebTables().table(1);
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->CellText(0, 0), QStringLiteral("second"));
    EXPECT_EQ(second->InnerHtml(), QStringLiteral("<tr><td>second</td></tr>"));
    EXPECT_EQ(second->InnerText(), QStringLiteral("second\t\n"));

    // The same text again is not parsed again; a new one is, and the collection follows it.
    parser.setHTML(parser.HTML());
    EXPECT_EQ(parser.parseCount(), 1);
    parser.setHTML(QStringLiteral("<p>no tables</p>"));
    EXPECT_EQ(parser.parseCount(), 2);
    EXPECT_EQ(parser.WebTables().Count(), 0);
    EXPECT_EQ(first->TableInterface(), nullptr);  // unbound, not left pointing into the old text
}

}  // namespace

#include "download/DxHtmlParser.h"
#include "download/PageTable.h"

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

// A page from a server we do not control: nested past any table page, or flat but large
// or odd. The deep ones are refused before parsing and read as no tables; the flat ones
// are read as a browser would read them.
TEST(DxHtmlParser, HostilePagesAreRefusedWhenDeepAndReadWhenFlat) {
    auto page = [](const QString& inside) {
        return QStringLiteral("<table><tr><td>600610<td>") + inside + QStringLiteral("</table>");
    };
    auto times = [](const char* piece, int n) { return QString::fromLatin1(piece).repeated(n); };
    struct Case {
        const char* name;
        QString html;
        bool refused;
        QString secondCell;  // of table 0, row 0, when read
    };
    const Case cases[] = {
        {"30,000 nested div before the table", times("<div>", 30000) + page("x"), true, {}},
        {"30,000 nested div in a cell", page(times("<div>", 30000)), true, {}},
        {"30,000 nested b", page(times("<b>", 30000)), true, {}},
        {"30,000 nested tables", times("<table><tr><td>", 30000), true, {}},
        {"30,000 self-closed div, which HTML leaves open", page(times("<div/>", 30000)), true, {}},
        {"misnested b and div", page(times("<b><div></b>", 30000)), true, {}},
        {"an inline end tag does not close a block", page(times("<span><div></span>", 30000)), true, {}},
        {"a list item in a section stays open", page(times("<li><section>", 30000)), true, {}},
        {"upper case tags", page(times("<DIV>", 30000)), true, {}},
        {"an end tag in a comment ends nothing", page(times("<div><!-- </div> -->", 30000)), true, {}},
        {"headings close each other", page(times("</h2><ul></h1><h1>", 30000)), true, {}},
        {"240 nested div", page(times("<div>", 240) + "y"), false, "y"},
        {"300 nested div", page(times("<div>", 300)), true, {}},
        {"unclosed cells and rows", page(times("<tr><td>1<td>2", 20000)), false, {}},
        {"unclosed paragraphs, items and links",
         page(times("<p>a", 5000) + times("<li>b", 5000) + times("<a href=#>d", 5000)),
         false,
         {}},
        {"tags in a script, a comment and an attribute are text",
         page("<script>" + times("<div>", 30000) + "</script><!--" + times("<div>", 30000) + "--><i title='" +
              times("<div>", 30000) + "'>w</i>"),
         false, "w"},
        {"void elements", page(times("<br><img src=/dev/zero><hr>", 20000) + "v"), false, "v"},
        {"control characters", page(QStringLiteral("\x1b[2J\x1b]0;title\x07ok\x01")), false,
         "[2J ]0;title ok"},
        {"a 4 MB attribute", page("<b title=\"" + QString(4 << 20, QLatin1Char('x')) + "\">u</b>"), false,
         "u"},
    };
    for (const Case& c : cases) {
        TDxHtmlParser parser;
        parser.setHTML(c.html);
        EXPECT_EQ(parser.refusal(), c.refused ? "the page nests its elements more than 256 deep" : "")
            << c.name;
        if (c.refused) {
            EXPECT_EQ(parser.WebTables().Count(), 0) << c.name;
            continue;
        }
        TDxWebTable* table = parser.WebTables().table(0);
        ASSERT_NE(table, nullptr) << c.name;
        EXPECT_EQ(table->CellText(0, 0), "600610") << c.name;
        if (!c.secondCell.isNull()) {
            EXPECT_EQ(table->CellText(1, 0), c.secondCell) << c.name;
        }
    }

    // What a table page never holds, and this parser could not be trusted with (one of
    // them stops gumbo on an assertion), is refused whole.
    const QString unexpected[] = {
        "<table><svg><select><title><select><th>",
        page("<math><mi>1</mi></math>"),
        page("<template><tr><td>1</template>"),
        page("<select><option>1</select>"),
        "<frameset><frame></frameset>",
        page("<script><!--<script></script>" + times("<div>", 30000) + "</script>"),
    };
    for (const QString& html : unexpected) {
        TDxHtmlParser parser;
        parser.setHTML(html);
        EXPECT_FALSE(parser.refusal().isEmpty()) << html.left(60).toStdString();
        EXPECT_EQ(parser.WebTables().Count(), 0);
    }

    // A compressed page handed over as it came is bytes without tables, not a crash.
    TDxHtmlParser parser;
    parser.setHTML(QString::fromLatin1(test::dataFile("download/gzip-bomb.gz")));
    EXPECT_EQ(parser.WebTables().Count(), 0);
}

TEST(DxHtmlParser, AParseInItsOwnThreadEndsWhenTheWaitIsGivenUp) {
    TDxHtmlParser parser;
    parser.setHTML(QStringLiteral("<table><tr><td>before</table>"));
    int waits = 0;
    EXPECT_FALSE(parser.setHTML(QStringLiteral("<table><tr><td>after</table>"), [&] { return ++waits < 1; }));
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(parser.WebTables().table(0)->CellText(0, 0), "before");  // the text before stays

    EXPECT_TRUE(parser.setHTML(QStringLiteral("<table><tr><td>after</table>"), [] { return true; }));
    EXPECT_EQ(parser.WebTables().table(0)->CellText(0, 0), "after");
    EXPECT_EQ(parser.parseCount(), 2);
}

}  // namespace

// The download reads a page in quarrow-server's plain form directly and anything else
// through the full parse; either way a page reads as the full parse reads it.
TEST(PageTable, ReadsThePlainFormDirectlyAndEveryPageAsTheFullParse) {
    struct Case {
        const char* name;
        QString html;
        bool direct;
    };
    const Case cases[] = {
        {"the server's form",
         "<html><head><meta charset=\"utf-8\"><title>Quarrow</title></head><body>\n<table>\n"
         "<tr><td>000000<td>1<td>7<td><td><td><td><td>\n"
         "<tr><td>600610<td>中&lt;纺&gt;&amp;机<td>2024-03-04<td>部&quot;二\u3000<td>1.50<td>0<td>7<td>m\n"
         "<tr><td>xxxxxx<td><td>7<td><td><td><td><td>\n</table>\n</body></html>\n",
         true},
        {"closed cells and rows, blanks between", "\n<table>\n <tr>\t<td> a </td><td>b\n</td></tr>\n</table>",
         true},
        {"an empty table", "<table></table>", true},
        {"a row without cells", "<table><tr><tr><td>1</table>", true},
        {"raw > and quote", "<table><tr><td>a>\"b</table>", true},
        {"upper-case tags", "<TABLE><TR><TD>1</TABLE>", false},
        {"an attribute", "<table border=1><tr><td>1</table>", false},
        {"markup in a cell", "<table><tr><td><b>x</b>y</table>", false},
        {"another entity", "<table><tr><td>a&nbsp;b&#20013;</table>", false},
        {"a bare ampersand", "<table><tr><td>a & b</table>", false},
        {"a carriage return", "<table><tr><td>a\r\nb\rc</table>", false},
        {"a control character", "<table><tr><td>a\x01z\x7f</table>", false},
        {"text moved out of the table", "<table>x<tr><td>1</table>", false},
        {"a cell outside a row", "<table><td>1<td>2</table>", false},
        {"two tables", "<table><tr><td>1</table><table><tr><td>2</table>", false},
        {"a comment", "<table><!-- c --><tr><td>1</table>", false},
        {"the text ends in the table", "<table><tr><td>1<td> 2 ", true},
        {"the text ends in a tag", "<table><tr><td>1<t", false},
        {"text after the table", "<table><tr><td>1</table>tail", false},
        {"no table", "<p>none</p>", false},
        {"nested too deep", QString("<div>").repeated(300) + "<table><tr><td>1</table>", false},
        {"more elements than a table page has", "<table>" + QString("<tr class=r><td>1").repeated(110000),
         false},
    };
    for (const Case& c : cases) {
        TDxHtmlParser parser;
        parser.setHTML(c.html);
        const PageTable read = readPageTable(c.html);
        EXPECT_EQ(read.direct, c.direct) << c.name;
        EXPECT_EQ(read.refusal, parser.refusal()) << c.name;
        EXPECT_EQ(read.tables, parser.WebTables().Count()) << c.name;
        QStringList rows;
        for (int r = 0; r < read.rowCount(); ++r)
            rows << read.cells(r).join(QLatin1Char('|'));
        EXPECT_EQ(rows, read.tables > 0 ? readTable(parser.WebTables().table(0)) : QStringList()) << c.name;
    }

    // A tree of so many elements would cost hundreds of megabytes: refused unparsed.
    EXPECT_EQ(readPageTable("<table>" + QString("<tr class=r><td>1").repeated(110000)).refusal,
              QStringLiteral("the page holds more than 200000 elements, more than a table page needs"));

    // Beside the window: a stop ends the wait on either path.
    EXPECT_FALSE(readPageTable(QStringLiteral("<table></table>"), [] { return false; }));
    EXPECT_FALSE(readPageTable(QStringLiteral("<TABLE></TABLE>"), [] { return false; }));
    const auto waited = readPageTable(QStringLiteral("<TABLE><TR><TD>1</TABLE>"), [] { return true; });
    ASSERT_TRUE(waited);
    EXPECT_EQ(waited->cell(0, 0), "1");
    EXPECT_EQ(waited->cell(1, 0), "");
    EXPECT_EQ(waited->cellCount(1), 0);
}

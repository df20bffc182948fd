#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

struct GumboInternalNode;
struct GumboInternalOutput;

namespace quarrow {

// One parsed HTML text. Parsing only: gumbo builds the tree an HTML5 browser would build
// (implicit tbody, cells and rows closed where the next one starts), and nothing runs or
// is fetched. The tree points into the text, so both live and die together.
//
// Pages come from servers we do not control. A page nested thousands deep costs the HTML5
// tree builder time that grows with the square of its depth, a page of millions of tags
// costs its tree gigabytes: such a text is refused before it is parsed (see
// scanPageShape) and reads as a document without tables.
class HtmlDocument {
public:
    // Deeper than any table page needs (a server's page is six levels deep), far below
    // where the tree builder slows down.
    static constexpr int kMaxDepth = 256;
    // A page of 20,000 rows of eight cells; the tree of so many takes some tens of
    // megabytes. quarrow-server's longer pages are read without the tree.
    static constexpr qint64 kMaxNodes = 200000;

    explicit HtmlDocument(const QString& html);
    ~HtmlDocument();
    HtmlDocument(const HtmlDocument&) = delete;
    HtmlDocument& operator=(const HtmlDocument&) = delete;

    // Every table element, nested ones included, in document order.
    const QList<const GumboInternalNode*>& tables() const { return m_tables; }
    // The source between an element's start and end tags, as it was written.
    QString innerHtml(const GumboInternalNode* element) const;
    // Why the text was not parsed, in plain English; empty when it was.
    QString refusal() const { return m_refusal; }

private:
    QByteArray m_utf8;
    QString m_refusal;
    GumboInternalOutput* m_output = nullptr;
    QList<const GumboInternalNode*> m_tables;
};

// A cell's text as CellText gives it: without blanks and control characters at either end.
QString trimCellText(QStringView text);
// The same part of the text, not copied.
QStringView trimmedCellText(QStringView text);

// One table of a document, or none. Without a table every query answers 0 or an empty text.
class TDxWebTable {
public:
    explicit TDxWebTable(const HtmlDocument* document = nullptr, const GumboInternalNode* table = nullptr);

    const GumboInternalNode* TableInterface() const { return m_table; }
    void setTableInterface(const HtmlDocument* document, const GumboInternalNode* table);

    // All rows: those of thead first, then tbody and bare rows in order, then tfoot, as
    // the browser's rows collection lists them.
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // 0 without a table or such a row.
    int CellCount(int row) const;
    // A cell's text without blanks and control characters at either end. Empty when the
    // table, the row or the cell is missing: a short row reads like one with empty cells.
    QString CellText(int column, int row) const;
    QString InnerHtml() const;
    QString InnerText() const;

private:
    const HtmlDocument* m_document = nullptr;
    const GumboInternalNode* m_table = nullptr;
    QList<const GumboInternalNode*> m_rows;
    QList<QList<const GumboInternalNode*>> m_cells;  // of each row
};

// The tables of the parser's document. It follows the document: after a new text the
// same collection lists the new tables.
class TDxTableCollection {
public:
    TDxTableCollection() = default;
    TDxTableCollection(const TDxTableCollection&) = delete;
    TDxTableCollection& operator=(const TDxTableCollection&) = delete;

    void setDocument(const HtmlDocument* document);
    int Count() const;
    // The one table object of this collection bound to the table at index (from 0); the
    // next call rebinds the same object. Nothing when the document has no such table.
    TDxWebTable* table(int index);

private:
    const HtmlDocument* m_document = nullptr;
    TDxWebTable m_webTable;
};

// Turns a page's text into tables. The same text set twice is parsed once.
class TDxHtmlParser {
public:
    TDxHtmlParser();
    ~TDxHtmlParser();
    TDxHtmlParser(const TDxHtmlParser&) = delete;
    TDxHtmlParser& operator=(const TDxHtmlParser&) = delete;

    QString HTML() const { return m_html; }
    void setHTML(const QString& html);
    // The same, parsed in a thread of its own so the window stays alive: keepWaiting is
    // called at once and then every few milliseconds until the parse is done. When it
    // answers false (the user stopped) the parse is left to finish unseen and this
    // returns false with the text before unchanged.
    bool setHTML(const QString& html, const std::function<bool()>& keepWaiting);
    TDxTableCollection& WebTables() { return m_webTables; }
    // Why the text was not parsed (it nests too deep), in plain English; empty when it was.
    QString refusal() const { return m_document->refusal(); }
    // How many times a text was parsed.
    int parseCount() const { return m_parses; }

private:
    void adopt(const QString& html, std::unique_ptr<HtmlDocument> document);

    QString m_html;
    std::unique_ptr<HtmlDocument> m_document;
    TDxTableCollection m_webTables;
    int m_parses = 0;
};

}  // namespace quarrow

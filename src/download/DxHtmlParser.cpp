#include "download/DxHtmlParser.h"

#include "app/Trim.h"

#include <gumbo.h>

namespace quarrow {

namespace {

const GumboVector& childrenOf(const GumboNode* node) {
    return node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
}

const GumboNode* childAt(const GumboVector& children, unsigned int index) {
    return static_cast<const GumboNode*>(children.data[index]);
}

bool isElement(const GumboNode* node, GumboTag tag) {
    return (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) &&
           node->v.element.tag == tag;
}

void collectTables(const GumboNode* node, QList<const GumboNode*>& tables) {
    if (node->type != GUMBO_NODE_DOCUMENT && node->type != GUMBO_NODE_ELEMENT &&
        node->type != GUMBO_NODE_TEMPLATE)
        return;
    if (isElement(node, GUMBO_TAG_TABLE))
        tables.append(node);
    const GumboVector& children = childrenOf(node);
    for (unsigned int i = 0; i < children.length; ++i)
        collectTables(childAt(children, i), tables);
}

void appendRowsOf(const GumboNode* section, QList<const GumboNode*>& rows) {
    const GumboVector& children = section->v.element.children;
    for (unsigned int i = 0; i < children.length; ++i) {
        if (isElement(childAt(children, i), GUMBO_TAG_TR))
            rows.append(childAt(children, i));
    }
}

QList<const GumboNode*> rowsOf(const GumboNode* table) {
    QList<const GumboNode*> head;
    QList<const GumboNode*> body;
    QList<const GumboNode*> foot;
    const GumboVector& children = table->v.element.children;
    for (unsigned int i = 0; i < children.length; ++i) {
        const GumboNode* child = childAt(children, i);
        if (isElement(child, GUMBO_TAG_THEAD))
            appendRowsOf(child, head);
        else if (isElement(child, GUMBO_TAG_TFOOT))
            appendRowsOf(child, foot);
        else if (isElement(child, GUMBO_TAG_TBODY))
            appendRowsOf(child, body);
        else if (isElement(child, GUMBO_TAG_TR))
            body.append(child);
    }
    return head + body + foot;
}

QList<const GumboNode*> cellsOf(const GumboNode* row) {
    QList<const GumboNode*> cells;
    const GumboVector& children = row->v.element.children;
    for (unsigned int i = 0; i < children.length; ++i) {
        const GumboNode* child = childAt(children, i);
        if (isElement(child, GUMBO_TAG_TD) || isElement(child, GUMBO_TAG_TH))
            cells.append(child);
    }
    return cells;
}

// The text a reader sees: text nodes in order, a line break for <br>, cells of a row
// apart by a tab and rows by a line end.
void appendText(const GumboNode* node, QString& text) {
    switch (node->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA:
            text += QString::fromUtf8(node->v.text.text);
            return;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
            break;
        default:
            return;
    }
    const GumboTag tag = node->v.element.tag;
    if (tag == GUMBO_TAG_BR) {
        text += QLatin1Char('\n');
        return;
    }
    if (tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE)
        return;
    const GumboVector& children = node->v.element.children;
    for (unsigned int i = 0; i < children.length; ++i) {
        const GumboNode* child = childAt(children, i);
        appendText(child, text);
        if (isElement(child, GUMBO_TAG_TD) || isElement(child, GUMBO_TAG_TH))
            text += QLatin1Char('\t');
        else if (isElement(child, GUMBO_TAG_TR))
            text += QLatin1Char('\n');
    }
}

// Blanks and control characters at either end; U+007F and the C1 controls are controls too.
QString trimCell(const QString& text) {
    auto cut = [](QChar c) { return isBlank(c) || (c.unicode() >= 0x7F && c.unicode() <= 0x9F); };
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && cut(text.at(first)))
        ++first;
    while (end > first && cut(text.at(end - 1)))
        --end;
    return text.mid(first, end - first);
}

// ---------------------------------------------------------------------------------------------
// HtmlDocument

// The HTML5 parser turns control characters into U+FFFD, which no trimming would take
// away again; as blanks they are cut from the ends of a cell like any other.
QByteArray parserText(const QString& html) {
    QString text = html;
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        const bool control =
            (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\f' && u != u'\r') || (u >= 0x7F && u <= 0x9F);
        if (control)
            c = QLatin1Char(' ');
    }
    return text.toUtf8();
}

}  // namespace

HtmlDocument::HtmlDocument(const QString& html) : m_utf8(parserText(html)) {
    m_output = gumbo_parse_with_options(&kGumboDefaultOptions, m_utf8.constData(),
                                        static_cast<size_t>(m_utf8.size()));
    if (m_output)
        collectTables(m_output->document, m_tables);
}

HtmlDocument::~HtmlDocument() {
    if (m_output)
        gumbo_destroy_output(&kGumboDefaultOptions, m_output);
}

QString HtmlDocument::innerHtml(const GumboNode* element) const {
    const GumboElement& e = element->v.element;
    const qsizetype from = static_cast<qsizetype>(e.start_pos.offset + e.original_tag.length);
    // An element closed by the parser rather than by its own end tag ends where the
    // parser closed it; its end position may then be before the start tag's end.
    const qsizetype to = e.original_end_tag.length > 0 ? static_cast<qsizetype>(e.end_pos.offset) : from;
    if (e.original_tag.length == 0 || to <= from || to > m_utf8.size())
        return QString();
    return QString::fromUtf8(m_utf8.constData() + from, to - from);
}

// ---------------------------------------------------------------------------------------------
// TDxWebTable

TDxWebTable::TDxWebTable(const HtmlDocument* document, const GumboNode* table) {
    setTableInterface(document, table);
}

void TDxWebTable::setTableInterface(const HtmlDocument* document, const GumboNode* table) {
    if (document == m_document && table == m_table)
        return;
    m_document = document;
    m_table = document ? table : nullptr;
    m_rows = m_table ? rowsOf(m_table) : QList<const GumboNode*>();
    m_cells.clear();
    m_cells.reserve(m_rows.size());
    for (const GumboNode* row : m_rows)
        m_cells.append(cellsOf(row));
}

int TDxWebTable::CellCount(int row) const {
    if (row < 0 || row >= m_rows.size())
        return 0;
    return static_cast<int>(m_cells.at(row).size());
}

QString TDxWebTable::CellText(int column, int row) const {
    if (row < 0 || row >= m_rows.size() || column < 0)
        return QString();
    const QList<const GumboNode*>& cells = m_cells.at(row);
    if (column >= cells.size())
        return QString();
    QString text;
    appendText(cells.at(column), text);
    return trimCell(text);
}

QString TDxWebTable::InnerHtml() const {
    return m_table ? m_document->innerHtml(m_table) : QString();
}

QString TDxWebTable::InnerText() const {
    if (!m_table)
        return QString();
    QString text;
    appendText(m_table, text);
    return text;
}

// ---------------------------------------------------------------------------------------------
// TDxTableCollection

void TDxTableCollection::setDocument(const HtmlDocument* document) {
    // The bound table belongs to the old tree, which is about to go.
    m_webTable.setTableInterface(nullptr, nullptr);
    m_document = document;
}

int TDxTableCollection::Count() const {
    return m_document ? static_cast<int>(m_document->tables().size()) : 0;
}

TDxWebTable* TDxTableCollection::table(int index) {
    if (!m_document || index < 0 || index >= m_document->tables().size()) {
        m_webTable.setTableInterface(nullptr, nullptr);
        return nullptr;
    }
    m_webTable.setTableInterface(m_document, m_document->tables().at(index));
    return &m_webTable;
}

// ---------------------------------------------------------------------------------------------
// TDxHtmlParser

TDxHtmlParser::TDxHtmlParser() : m_document(std::make_unique<HtmlDocument>(QString())) {
    m_webTables.setDocument(m_document.get());
}

TDxHtmlParser::~TDxHtmlParser() {
    m_webTables.setDocument(nullptr);
}

void TDxHtmlParser::setHTML(const QString& html) {
    if (html == m_html)
        return;
    m_html = html;
    auto document = std::make_unique<HtmlDocument>(html);
    m_webTables.setDocument(document.get());
    m_document = std::move(document);
    ++m_parses;
}

}  // namespace quarrow

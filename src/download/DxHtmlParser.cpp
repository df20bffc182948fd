#include "download/DxHtmlParser.h"

#include "app/Trim.h"
#include "download/NestingScan.h"

#include <QSemaphore>
#include <QThreadPool>

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

// The walks below recurse; the nesting check before parsing keeps trees far shallower than
// this, and this keeps a tree the check misjudged from using up the stack.
constexpr int kMaxWalkDepth = 4 * HtmlDocument::kMaxDepth;

void collectTables(const GumboNode* node, QList<const GumboNode*>& tables, int depth = 0) {
    if (node->type != GUMBO_NODE_DOCUMENT && node->type != GUMBO_NODE_ELEMENT &&
        node->type != GUMBO_NODE_TEMPLATE)
        return;
    if (isElement(node, GUMBO_TAG_TABLE))
        tables.append(node);
    if (depth >= kMaxWalkDepth)
        return;
    const GumboVector& children = childrenOf(node);
    for (unsigned int i = 0; i < children.length; ++i)
        collectTables(childAt(children, i), tables, depth + 1);
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
void appendText(const GumboNode* node, QString& text, int depth = 0) {
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
    if (tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || depth >= kMaxWalkDepth)
        return;
    const GumboVector& children = node->v.element.children;
    for (unsigned int i = 0; i < children.length; ++i) {
        const GumboNode* child = childAt(children, i);
        appendText(child, text, depth + 1);
        if (isElement(child, GUMBO_TAG_TD) || isElement(child, GUMBO_TAG_TH))
            text += QLatin1Char('\t');
        else if (isElement(child, GUMBO_TAG_TR))
            text += QLatin1Char('\n');
    }
}

// ---------------------------------------------------------------------------------------------
// HtmlDocument

// The HTML5 parser turns control characters into U+FFFD, which no trimming would take
// away again; as blanks they are cut from the ends of a cell like any other. Done on the
// UTF-8 in place, where a C1 control is two bytes: no second copy of a page of megabytes.
QByteArray parserText(const QString& html) {
    QByteArray text = html.toUtf8();
    char* out = text.data();
    const char* in = text.constData();
    const char* const end = in + text.size();
    while (in < end) {
        const auto byte = static_cast<unsigned char>(*in);
        if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\f' && byte != '\r') || byte == 0x7F) {
            *out++ = ' ';
            ++in;
        } else if (byte == 0xC2 && in + 1 < end && static_cast<unsigned char>(in[1]) >= 0x80 &&
                   static_cast<unsigned char>(in[1]) <= 0x9F) {
            *out++ = ' ';
            in += 2;
        } else {
            *out++ = *in++;
        }
    }
    text.truncate(out - text.constData());
    return text;
}

// Nothing reads gumbo's list of parse errors, and each error it records keeps a copy of
// the stack of open elements: on a page of unclosed elements that list alone grows with
// the square of the page.
GumboOptions parseOptions() {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    return options;
}

}  // namespace

HtmlDocument::HtmlDocument(const QString& html) : m_utf8(parserText(html)) {
    switch (scanPageShape(m_utf8, kMaxDepth, kMaxNodes)) {
        case PageShape::Fine:
            break;
        case PageShape::TooDeep:
            m_refusal = QStringLiteral("the page nests its elements more than %1 deep").arg(kMaxDepth);
            break;
        case PageShape::TooManyNodes:
            m_refusal = QStringLiteral("the page holds more than %1 elements, more than a table page needs")
                            .arg(kMaxNodes);
            break;
        case PageShape::Unexpected:
            m_refusal = QStringLiteral(
                "the page holds svg, math, template, frameset or select elements, "
                "which no table page needs");
            break;
        case PageShape::ScriptEscape:
            m_refusal = QStringLiteral("the page holds a script with \"<!--\" in it, which is not read");
            break;
    }
    if (!m_refusal.isEmpty())
        m_utf8.clear();
    const GumboOptions options = parseOptions();
    m_output = gumbo_parse_with_options(&options, m_utf8.constData(), static_cast<size_t>(m_utf8.size()));
    if (m_output)
        collectTables(m_output->document, m_tables);
}

HtmlDocument::~HtmlDocument() {
    if (m_output) {
        const GumboOptions options = parseOptions();
        gumbo_destroy_output(&options, m_output);
    }
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

QStringView trimmedCellText(QStringView text) {
    // U+007F and the C1 controls are controls too.
    auto cut = [](QChar c) { return isBlank(c) || (c.unicode() >= 0x7F && c.unicode() <= 0x9F); };
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && cut(text.at(first)))
        ++first;
    while (end > first && cut(text.at(end - 1)))
        --end;
    return text.mid(first, end - first);
}

QString trimCellText(QStringView text) {
    return trimmedCellText(text).toString();
}

QString TDxWebTable::CellText(int column, int row) const {
    if (row < 0 || row >= m_rows.size() || column < 0)
        return QString();
    const QList<const GumboNode*>& cells = m_cells.at(row);
    if (column >= cells.size())
        return QString();
    QString text;
    appendText(cells.at(column), text);
    return trimCellText(text);
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

void TDxHtmlParser::adopt(const QString& html, std::unique_ptr<HtmlDocument> document) {
    m_html = html;
    m_webTables.setDocument(document.get());
    m_document = std::move(document);
    ++m_parses;
}

void TDxHtmlParser::setHTML(const QString& html) {
    if (html == m_html)
        return;
    adopt(html, std::make_unique<HtmlDocument>(html));
}

bool TDxHtmlParser::setHTML(const QString& html, const std::function<bool()>& keepWaiting) {
    if (html == m_html)
        return keepWaiting();
    // Shared with the parsing thread, which may outlive this call when the user stops.
    struct Parse {
        QString html;
        std::unique_ptr<HtmlDocument> document;
        QSemaphore done;
    };
    auto parse = std::make_shared<Parse>();
    parse->html = html;
    QThreadPool::globalInstance()->start([parse] {
        parse->document = std::make_unique<HtmlDocument>(parse->html);
        parse->done.release();
    });
    // A wait for work of this computer, not for time to pass: it waits on the parse itself
    // and wakes every few milliseconds to keep the window alive.
    do {
        if (!keepWaiting())
            return false;
    } while (!parse->done.tryAcquire(1, 20));
    adopt(html, std::move(parse->document));
    return true;
}

}  // namespace quarrow

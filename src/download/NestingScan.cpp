#include "download/NestingScan.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace quarrow {

namespace {

// The depth the tree builder would reach, read from the tags alone in one pass: a stack of
// the open elements' tags with the closes HTML implies where a table page meets them (a
// cell closes the cell before it, a row the row, a paragraph the paragraph, a list item
// the item). Where the HTML rules are subtler (misnested bold or links, end tags that do
// not match) the stack keeps the elements open, so the estimate errs on the deep side and
// a page it lets through is no deeper than it says. It stops counting past the limit, so
// its stack and its searches stay small whatever the page.
// It counts the nodes the tree builder would make of the tags (elements, comments,
// doctypes) as well: each costs the tree a hundred bytes and more, so a page of millions of
// tags would cost it gigabytes although the text is within its limit.
class NestingScan {
public:
    NestingScan(const QByteArray& text, int limit, qint64 nodeLimit)
        : m_p(text.constData()), m_end(m_p + text.size()), m_limit(limit), m_nodeLimit(nodeLimit) {}

    using Verdict = PageShape;
    Verdict run();

private:
    struct Open {
        GumboTag tag;
        const char* name;  // for elements gumbo does not know, matched by name
        int length;
    };
    using TagSet = std::array<bool, GUMBO_TAG_LAST + 1>;

    static TagSet setOf(std::initializer_list<GumboTag> tags) {
        TagSet set{};
        for (const GumboTag tag : tags)
            set[tag] = true;
        return set;
    }
    static const TagSet& special();
    static const TagSet& formatting();
    static const TagSet& scopeBoundaries();

    bool in(const TagSet& set, std::size_t index) const { return set[m_stack[index].tag]; }
    bool topIs(GumboTag tag) const { return !m_stack.empty() && m_stack.back().tag == tag; }
    void push(const Open& element);
    // Closes the elements from index on. Bold, italics and the other formatting elements
    // closed so, without their own end tag, stay on the parser's list of active
    // formatting and are opened again at the next tag or text: they still count, in the
    // part of the list that began at the nearest cell (or caption, object…) below them,
    // until their end tag comes or that cell closes.
    void closeFrom(std::size_t index);
    int depth() const { return int(m_stack.size()) + m_formattingLeftOpen; }
    bool openInStack(GumboTag tag) const {
        return std::any_of(m_stack.cbegin(), m_stack.cend(),
                           [tag](const Open& open) { return open.tag == tag; });
    }
    bool same(std::size_t index, const Open& element) const;
    // Pops through the nearest open element the test accepts, when nothing in stop sits
    // above it; true when it did.
    template <typename Accept, typename Stop>
    bool closeNearest(Accept accept, Stop stop);
    void startTag(const Open& element);
    void closeParagraph() {
        closeNearest(
            [this](std::size_t i) { return m_stack[i].tag == GUMBO_TAG_P; },
            [this](std::size_t i) { return in(scopeBoundaries(), i) || m_stack[i].tag == GUMBO_TAG_BUTTON; });
    }
    void endTag(const Open& element);
    void skipRawText(const Open& element);
    // Past the attributes and the '>' of a tag; false when the text ended first.
    bool skipAttributes(bool* selfClosing);
    Open readName();
    void closeRawText(const Open& element) {
        if (topIs(element.tag))
            m_stack.pop_back();
    }

    // The formatting elements left open in the part of the list that began at the marker
    // element at stack index `marker` (-1: the document).
    struct Segment {
        std::ptrdiff_t marker;
        std::array<int, GUMBO_TAG_LAST + 1> open{};
    };

    const char* m_p;
    const char* m_end;
    int m_limit;
    qint64 m_nodeLimit;
    qint64 m_nodes = 0;
    std::vector<Open> m_stack;
    std::vector<Segment> m_segments{Segment{-1, {}}};
    int m_formattingLeftOpen = 0;
};

void NestingScan::push(const Open& element) {
    switch (element.tag) {
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
        case GUMBO_TAG_CAPTION:
        case GUMBO_TAG_APPLET:
        case GUMBO_TAG_OBJECT:
        case GUMBO_TAG_MARQUEE:
        case GUMBO_TAG_TEMPLATE:
            m_segments.push_back(Segment{std::ptrdiff_t(m_stack.size()), {}});
            break;
        default:
            break;
    }
    m_stack.push_back(element);
}

void NestingScan::closeFrom(std::size_t index) {
    for (std::size_t i = index; i < m_stack.size(); ++i) {
        const GumboTag tag = m_stack[i].tag;
        if (!formatting()[tag])
            continue;
        for (auto segment = m_segments.rbegin(); segment != m_segments.rend(); ++segment) {
            if (segment->marker < std::ptrdiff_t(i)) {
                ++segment->open[tag];
                ++m_formattingLeftOpen;
                break;
            }
        }
    }
    m_stack.resize(index);
    while (m_segments.size() > 1 && m_segments.back().marker >= std::ptrdiff_t(index)) {
        for (const int open : m_segments.back().open)
            m_formattingLeftOpen -= open;
        m_segments.pop_back();
    }
}

const NestingScan::TagSet& NestingScan::special() {
    static const TagSet set = setOf({
        GUMBO_TAG_ADDRESS,
        GUMBO_TAG_APPLET,
        GUMBO_TAG_AREA,
        GUMBO_TAG_ARTICLE,
        GUMBO_TAG_ASIDE,
        GUMBO_TAG_BASE,
        GUMBO_TAG_BASEFONT,
        GUMBO_TAG_BGSOUND,
        GUMBO_TAG_BLOCKQUOTE,
        GUMBO_TAG_BODY,
        GUMBO_TAG_BR,
        GUMBO_TAG_BUTTON,
        GUMBO_TAG_CAPTION,
        GUMBO_TAG_CENTER,
        GUMBO_TAG_COL,
        GUMBO_TAG_COLGROUP,
        GUMBO_TAG_DD,
        GUMBO_TAG_DETAILS,
        GUMBO_TAG_DIR,
        GUMBO_TAG_DIV,
        GUMBO_TAG_DL,
        GUMBO_TAG_DT,
        GUMBO_TAG_EMBED,
        GUMBO_TAG_FIELDSET,
        GUMBO_TAG_FIGCAPTION,
        GUMBO_TAG_FIGURE,
        GUMBO_TAG_FOOTER,
        GUMBO_TAG_FORM,
        GUMBO_TAG_FRAME,
        GUMBO_TAG_FRAMESET,
        GUMBO_TAG_H1,
        GUMBO_TAG_H2,
        GUMBO_TAG_H3,
        GUMBO_TAG_H4,
        GUMBO_TAG_H5,
        GUMBO_TAG_H6,
        GUMBO_TAG_HEAD,
        GUMBO_TAG_HEADER,
        GUMBO_TAG_HGROUP,
        GUMBO_TAG_HR,
        GUMBO_TAG_HTML,
        GUMBO_TAG_IFRAME,
        GUMBO_TAG_IMG,
        GUMBO_TAG_INPUT,
        GUMBO_TAG_KEYGEN,
        GUMBO_TAG_LI,
        GUMBO_TAG_LINK,
        GUMBO_TAG_LISTING,
        GUMBO_TAG_MAIN,
        GUMBO_TAG_MARQUEE,
        GUMBO_TAG_MENU,
        GUMBO_TAG_META,
        GUMBO_TAG_NAV,
        GUMBO_TAG_NOEMBED,
        GUMBO_TAG_NOFRAMES,
        GUMBO_TAG_NOSCRIPT,
        GUMBO_TAG_OBJECT,
        GUMBO_TAG_OL,
        GUMBO_TAG_P,
        GUMBO_TAG_PARAM,
        GUMBO_TAG_PLAINTEXT,
        GUMBO_TAG_PRE,
        GUMBO_TAG_SCRIPT,
        GUMBO_TAG_SECTION,
        GUMBO_TAG_SELECT,
        GUMBO_TAG_SOURCE,
        GUMBO_TAG_STYLE,
        GUMBO_TAG_SUMMARY,
        GUMBO_TAG_TABLE,
        GUMBO_TAG_TBODY,
        GUMBO_TAG_TD,
        GUMBO_TAG_TEMPLATE,
        GUMBO_TAG_TEXTAREA,
        GUMBO_TAG_TFOOT,
        GUMBO_TAG_TH,
        GUMBO_TAG_THEAD,
        GUMBO_TAG_TITLE,
        GUMBO_TAG_TR,
        GUMBO_TAG_TRACK,
        GUMBO_TAG_UL,
        GUMBO_TAG_WBR,
        GUMBO_TAG_XMP,
        GUMBO_TAG_MI,
        GUMBO_TAG_MO,
        GUMBO_TAG_MN,
        GUMBO_TAG_MS,
        GUMBO_TAG_MTEXT,
        GUMBO_TAG_ANNOTATION_XML,
        GUMBO_TAG_FOREIGNOBJECT,
        GUMBO_TAG_DESC,
        GUMBO_TAG_UNKNOWN,
    });
    return set;
}

const NestingScan::TagSet& NestingScan::formatting() {
    static const TagSet set =
        setOf({GUMBO_TAG_A, GUMBO_TAG_B, GUMBO_TAG_BIG, GUMBO_TAG_CODE, GUMBO_TAG_EM, GUMBO_TAG_FONT,
               GUMBO_TAG_I, GUMBO_TAG_NOBR, GUMBO_TAG_S, GUMBO_TAG_SMALL, GUMBO_TAG_STRIKE, GUMBO_TAG_STRONG,
               GUMBO_TAG_TT, GUMBO_TAG_U});
    return set;
}

// Where a search for an open element "in scope" ends.
const NestingScan::TagSet& NestingScan::scopeBoundaries() {
    static const TagSet set =
        setOf({GUMBO_TAG_APPLET, GUMBO_TAG_CAPTION, GUMBO_TAG_HTML, GUMBO_TAG_TABLE, GUMBO_TAG_TD,
               GUMBO_TAG_TH, GUMBO_TAG_MARQUEE, GUMBO_TAG_OBJECT, GUMBO_TAG_TEMPLATE, GUMBO_TAG_MI,
               GUMBO_TAG_MO, GUMBO_TAG_MN, GUMBO_TAG_MS, GUMBO_TAG_MTEXT, GUMBO_TAG_ANNOTATION_XML,
               GUMBO_TAG_FOREIGNOBJECT, GUMBO_TAG_DESC, GUMBO_TAG_TITLE});
    return set;
}

bool NestingScan::same(std::size_t index, const Open& element) const {
    const Open& open = m_stack[index];
    if (open.tag != element.tag)
        return false;
    return element.tag != GUMBO_TAG_UNKNOWN ||
           (open.length == element.length && qstrnicmp(open.name, element.name, uint(open.length)) == 0);
}

template <typename Accept, typename Stop>
bool NestingScan::closeNearest(Accept accept, Stop stop) {
    for (std::size_t i = m_stack.size(); i-- > 0;) {
        if (accept(i)) {
            closeFrom(i);
            return true;
        }
        if (stop(i))
            return false;
    }
    return false;
}

NestingScan::Open NestingScan::readName() {
    const char* name = m_p;
    while (m_p < m_end && *m_p != '>' && *m_p != '/' && *m_p != ' ' && *m_p != '\t' && *m_p != '\n' &&
           *m_p != '\r' && *m_p != '\f')
        ++m_p;
    const int length = int(m_p - name);
    return {gumbo_tagn_enum(name, uint(length)), name, length};
}

// The attribute states of the HTML tokenizer: a quote opens a value only after '=', and
// a '=' or a quote anywhere else is part of a name. False at the end of the text, where
// the tokenizer drops the unfinished tag.
bool NestingScan::skipAttributes(bool* selfClosing) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; };
    *selfClosing = false;
    while (m_p < m_end) {
        // Before an attribute name.
        while (m_p < m_end && blank(*m_p))
            ++m_p;
        if (m_p >= m_end)
            return false;
        if (*m_p == '>') {
            ++m_p;
            return true;
        }
        if (*m_p == '/') {
            ++m_p;
            if (m_p < m_end && *m_p == '>') {
                ++m_p;
                *selfClosing = true;
                return true;
            }
            continue;
        }
        // The name; its first character may be '='.
        ++m_p;
        while (m_p < m_end && !blank(*m_p) && *m_p != '/' && *m_p != '>' && *m_p != '=')
            ++m_p;
        while (m_p < m_end && blank(*m_p))
            ++m_p;
        if (m_p >= m_end || *m_p != '=')
            continue;
        // A value.
        ++m_p;
        while (m_p < m_end && blank(*m_p))
            ++m_p;
        if (m_p >= m_end)
            return false;
        if (*m_p == '"' || *m_p == '\'') {
            const char* close = static_cast<const char*>(memchr(m_p + 1, *m_p, size_t(m_end - m_p - 1)));
            if (!close)
                return false;
            m_p = close + 1;
        } else {
            while (m_p < m_end && !blank(*m_p) && *m_p != '>')
                ++m_p;
        }
    }
    return false;
}

void NestingScan::skipRawText(const Open& element) {
    while (m_p < m_end) {
        const char* open = static_cast<const char*>(memchr(m_p, '<', size_t(m_end - m_p)));
        if (!open) {
            m_p = m_end;
            return;
        }
        m_p = open + 1;
        if (m_end - m_p > element.length + 1 && *m_p == '/' &&
            qstrnicmp(m_p + 1, element.name, uint(element.length)) == 0) {
            const char after = m_p[1 + element.length];
            if (after == '>' || after == '/' || after == ' ' || after == '\t' || after == '\n' ||
                after == '\r' || after == '\f') {
                m_p += 1 + element.length;
                bool selfClosing = false;
                skipAttributes(&selfClosing);
                return;
            }
        }
    }
}

void NestingScan::startTag(const Open& element) {
    const GumboTag tag = element.tag;
    auto is = [this](std::initializer_list<GumboTag> tags) {
        return [this, set = setOf(tags)](std::size_t i) { return in(set, i); };
    };
    switch (tag) {
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
        case GUMBO_TAG_TR:
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TFOOT:
        case GUMBO_TAG_CAPTION:
        case GUMBO_TAG_COLGROUP:
            // Outside a table the parts of one are dropped.
            if (!openInStack(GUMBO_TAG_TABLE) && !openInStack(GUMBO_TAG_TEMPLATE))
                return;
            break;
        default:
            break;
    }
    // A block closes the paragraph it would otherwise sit in.
    static const TagSet closesParagraph = setOf(
        {GUMBO_TAG_ADDRESS,    GUMBO_TAG_ARTICLE, GUMBO_TAG_ASIDE,  GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_CENTER,
         GUMBO_TAG_DETAILS,    GUMBO_TAG_DIR,     GUMBO_TAG_DIV,    GUMBO_TAG_DL,         GUMBO_TAG_FIELDSET,
         GUMBO_TAG_FIGCAPTION, GUMBO_TAG_FIGURE,  GUMBO_TAG_FOOTER, GUMBO_TAG_HEADER,     GUMBO_TAG_HGROUP,
         GUMBO_TAG_MAIN,       GUMBO_TAG_MENU,    GUMBO_TAG_NAV,    GUMBO_TAG_OL,         GUMBO_TAG_P,
         GUMBO_TAG_SECTION,    GUMBO_TAG_SUMMARY, GUMBO_TAG_UL,     GUMBO_TAG_H1,         GUMBO_TAG_H2,
         GUMBO_TAG_H3,         GUMBO_TAG_H4,      GUMBO_TAG_H5,     GUMBO_TAG_H6,         GUMBO_TAG_PRE,
         GUMBO_TAG_LISTING,    GUMBO_TAG_FORM,    GUMBO_TAG_LI,     GUMBO_TAG_DD,         GUMBO_TAG_DT,
         GUMBO_TAG_PLAINTEXT,  GUMBO_TAG_HR,      GUMBO_TAG_XMP});
    if (closesParagraph[tag] && tag != GUMBO_TAG_LI && tag != GUMBO_TAG_DD && tag != GUMBO_TAG_DT)
        closeParagraph();
    switch (tag) {
        case GUMBO_TAG_HTML:
        case GUMBO_TAG_HEAD:
        case GUMBO_TAG_BODY:
            // Merged into the one html, head and body there are.
            return;
        case GUMBO_TAG_AREA:
        case GUMBO_TAG_BASE:
        case GUMBO_TAG_BASEFONT:
        case GUMBO_TAG_BGSOUND:
        case GUMBO_TAG_BR:
        case GUMBO_TAG_COL:
        case GUMBO_TAG_EMBED:
        case GUMBO_TAG_FRAME:
        case GUMBO_TAG_HR:
        case GUMBO_TAG_IMAGE:
        case GUMBO_TAG_IMG:
        case GUMBO_TAG_INPUT:
        case GUMBO_TAG_KEYGEN:
        case GUMBO_TAG_LINK:
        case GUMBO_TAG_META:
        case GUMBO_TAG_PARAM:
        case GUMBO_TAG_SOURCE:
        case GUMBO_TAG_TRACK:
        case GUMBO_TAG_WBR:
            return;
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
            closeNearest(is({GUMBO_TAG_CAPTION}), is({GUMBO_TAG_TABLE}));
            closeNearest(is({GUMBO_TAG_TD, GUMBO_TAG_TH}),
                         is({GUMBO_TAG_TR, GUMBO_TAG_TABLE, GUMBO_TAG_TBODY, GUMBO_TAG_THEAD, GUMBO_TAG_TFOOT,
                             GUMBO_TAG_TEMPLATE}));
            // A cell straight in a table gets the body and the row HTML implies.
            if (topIs(GUMBO_TAG_TABLE))
                push({GUMBO_TAG_TBODY, nullptr, 0});
            if (topIs(GUMBO_TAG_TBODY) || topIs(GUMBO_TAG_THEAD) || topIs(GUMBO_TAG_TFOOT))
                push({GUMBO_TAG_TR, nullptr, 0});
            break;
        case GUMBO_TAG_TR:
            closeNearest(is({GUMBO_TAG_CAPTION}), is({GUMBO_TAG_TABLE}));
            closeNearest(is({GUMBO_TAG_TR}), is({GUMBO_TAG_TABLE, GUMBO_TAG_TBODY, GUMBO_TAG_THEAD,
                                                 GUMBO_TAG_TFOOT, GUMBO_TAG_TEMPLATE}));
            if (topIs(GUMBO_TAG_TABLE))
                push({GUMBO_TAG_TBODY, nullptr, 0});
            break;
        case GUMBO_TAG_A:
        case GUMBO_TAG_NOBR:
            // A link closes the link still open, when only inline elements are above it;
            // those stay on the list of active formatting, the link does not.
            for (std::size_t i = m_stack.size(); i-- > 0 && !in(special(), i);) {
                if (m_stack[i].tag == tag) {
                    closeFrom(i + 1);
                    m_stack.pop_back();
                    break;
                }
            }
            break;
        case GUMBO_TAG_CAPTION:
        case GUMBO_TAG_COLGROUP:
            // They go straight into the table, closing what is open in it.
            for (std::size_t i = m_stack.size(); i-- > 0;) {
                if (m_stack[i].tag == GUMBO_TAG_TABLE) {
                    closeFrom(i + 1);
                    break;
                }
            }
            break;
        case GUMBO_TAG_TABLE:
            // A table in a table's own body, not in a cell, ends the one before.
            closeNearest(is({GUMBO_TAG_TABLE}), is({GUMBO_TAG_TD, GUMBO_TAG_TH, GUMBO_TAG_CAPTION}));
            break;
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TFOOT:
            closeNearest(is({GUMBO_TAG_TBODY, GUMBO_TAG_THEAD, GUMBO_TAG_TFOOT}),
                         is({GUMBO_TAG_TABLE, GUMBO_TAG_TEMPLATE}));
            break;
        case GUMBO_TAG_LI:
        case GUMBO_TAG_DD:
        case GUMBO_TAG_DT: {
            const auto accept = tag == GUMBO_TAG_LI ? is({GUMBO_TAG_LI}) : is({GUMBO_TAG_DD, GUMBO_TAG_DT});
            closeNearest(accept, [this](std::size_t i) {
                const GumboTag open = m_stack[i].tag;
                return in(special(), i) && open != GUMBO_TAG_ADDRESS && open != GUMBO_TAG_DIV &&
                       open != GUMBO_TAG_P;
            });
            closeParagraph();
            break;
        }
        case GUMBO_TAG_OPTION:
        case GUMBO_TAG_OPTGROUP:
            // Outside a select (which a page may not hold) only an option closes.
            if (topIs(GUMBO_TAG_OPTION))
                m_stack.pop_back();
            break;
        case GUMBO_TAG_H1:
        case GUMBO_TAG_H2:
        case GUMBO_TAG_H3:
        case GUMBO_TAG_H4:
        case GUMBO_TAG_H5:
        case GUMBO_TAG_H6:
            if (!m_stack.empty() && m_stack.back().tag >= GUMBO_TAG_H1 && m_stack.back().tag <= GUMBO_TAG_H6)
                m_stack.pop_back();
            break;
        default:
            // In HTML "/>" closes nothing but the void elements above.
            break;
    }
    push(element);
}

void NestingScan::endTag(const Open& element) {
    const GumboTag tag = element.tag;
    auto matches = [this, &element](std::size_t i) { return same(i, element); };
    switch (tag) {
        case GUMBO_TAG_HTML:
        case GUMBO_TAG_HEAD:
        case GUMBO_TAG_BODY:
        case GUMBO_TAG_BR:
            return;
        case GUMBO_TAG_P:
            closeNearest(matches, [this](std::size_t i) {
                return in(scopeBoundaries(), i) || m_stack[i].tag == GUMBO_TAG_BUTTON;
            });
            return;
        case GUMBO_TAG_LI:
            closeNearest(matches, [this](std::size_t i) {
                return in(scopeBoundaries(), i) || m_stack[i].tag == GUMBO_TAG_OL ||
                       m_stack[i].tag == GUMBO_TAG_UL;
            });
            return;
        case GUMBO_TAG_TABLE:
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TFOOT:
        case GUMBO_TAG_TR:
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
        case GUMBO_TAG_CAPTION:
        case GUMBO_TAG_COLGROUP:
            closeNearest(matches, [this](std::size_t i) {
                return m_stack[i].tag == GUMBO_TAG_TABLE || m_stack[i].tag == GUMBO_TAG_TEMPLATE;
            });
            return;
        default:
            break;
    }
    if (formatting()[tag]) {
        // Misnested formatting is rebuilt by the adoption agency; kept open here, the count
        // stays on the deep side.
        if (!m_stack.empty() && same(m_stack.size() - 1, element)) {
            m_stack.pop_back();
        } else if (int& open = m_segments.back().open[tag]; open > 0) {
            --open;
            --m_formattingLeftOpen;
        }
        return;
    }
    if (tag == GUMBO_TAG_FORM) {
        // The form leaves the stack alone; what was opened in it stays open.
        for (std::size_t i = m_stack.size(); i-- > 0;) {
            if (m_stack[i].tag == GUMBO_TAG_FORM) {
                m_stack.erase(m_stack.begin() + std::ptrdiff_t(i));
                for (Segment& segment : m_segments) {
                    if (segment.marker > std::ptrdiff_t(i))
                        --segment.marker;
                }
                break;
            }
        }
        return;
    }
    // The blocks' end tags close through whatever is open in them.
    static const TagSet blocks = setOf(
        {GUMBO_TAG_ADDRESS,  GUMBO_TAG_ARTICLE,    GUMBO_TAG_ASIDE,   GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_BUTTON,
         GUMBO_TAG_CENTER,   GUMBO_TAG_DETAILS,    GUMBO_TAG_DIR,     GUMBO_TAG_DIV,        GUMBO_TAG_DL,
         GUMBO_TAG_FIELDSET, GUMBO_TAG_FIGCAPTION, GUMBO_TAG_FIGURE,  GUMBO_TAG_FOOTER,     GUMBO_TAG_HEADER,
         GUMBO_TAG_HGROUP,   GUMBO_TAG_LISTING,    GUMBO_TAG_MAIN,    GUMBO_TAG_MENU,       GUMBO_TAG_NAV,
         GUMBO_TAG_OL,       GUMBO_TAG_PRE,        GUMBO_TAG_SECTION, GUMBO_TAG_SUMMARY,    GUMBO_TAG_UL,
         GUMBO_TAG_APPLET,   GUMBO_TAG_MARQUEE,    GUMBO_TAG_OBJECT,  GUMBO_TAG_DD,         GUMBO_TAG_DT,
         GUMBO_TAG_H1,       GUMBO_TAG_H2,         GUMBO_TAG_H3,      GUMBO_TAG_H4,         GUMBO_TAG_H5,
         GUMBO_TAG_H6});
    if (tag >= GUMBO_TAG_H1 && tag <= GUMBO_TAG_H6) {
        // Any heading's end tag closes the heading that is open, whatever its level.
        closeNearest(
            [this](std::size_t i) {
                return m_stack[i].tag >= GUMBO_TAG_H1 && m_stack[i].tag <= GUMBO_TAG_H6;
            },
            [this](std::size_t i) { return in(scopeBoundaries(), i); });
        return;
    }
    if (blocks[tag]) {
        closeNearest(matches, [this](std::size_t i) { return in(scopeBoundaries(), i); });
        return;
    }
    // Any other end tag closes its element unless a special one is open above it.
    closeNearest(matches, [this](std::size_t i) { return in(special(), i); });
}

NestingScan::Verdict NestingScan::run() {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    auto skipTo = [this](char c) {
        const char* found = static_cast<const char*>(memchr(m_p, c, size_t(m_end - m_p)));
        m_p = found ? found + 1 : m_end;
    };
    while (m_p < m_end) {
        if (depth() > m_limit)
            return Verdict::TooDeep;
        const char* open = static_cast<const char*>(memchr(m_p, '<', size_t(m_end - m_p)));
        if (!open)
            break;
        m_p = open + 1;
        if (m_p >= m_end)
            break;
        // A start tag, a comment, a doctype or a bogus comment each make a node; an end tag
        // or a lone '<' makes none.
        if (*m_p == '!' || *m_p == '?' || letter(*m_p)) {
            if (++m_nodes > m_nodeLimit)
                return Verdict::TooManyNodes;
        }
        if (*m_p == '!') {
            ++m_p;
            if (m_end - m_p >= 2 && m_p[0] == '-' && m_p[1] == '-') {
                // A comment: "<!-->" and "<!--->" end at once, others at "-->" or "--!>".
                m_p += 2;
                if (m_p < m_end && *m_p == '>') {
                    ++m_p;
                } else if (m_end - m_p >= 2 && m_p[0] == '-' && m_p[1] == '>') {
                    m_p += 2;
                } else {
                    const char* at = m_p;
                    for (;;) {
                        at = static_cast<const char*>(memchr(at, '-', size_t(m_end - at)));
                        if (!at || m_end - at < 3) {
                            m_p = m_end;
                            break;
                        }
                        if (at[1] == '-' &&
                            (at[2] == '>' || (at[2] == '!' && m_end - at >= 4 && at[3] == '>'))) {
                            m_p = at + (at[2] == '>' ? 3 : 4);
                            break;
                        }
                        ++at;
                    }
                }
            } else {
                // A doctype or a bogus comment: to the first '>'.
                skipTo('>');
            }
        } else if (*m_p == '?') {
            skipTo('>');
        } else if (*m_p == '/') {
            ++m_p;
            if (m_p < m_end && *m_p == '>') {
                ++m_p;
            } else if (m_p < m_end && letter(*m_p)) {
                const Open element = readName();
                bool selfClosing = false;
                if (!skipAttributes(&selfClosing))
                    break;
                endTag(element);
            } else {
                skipTo('>');
            }
        } else if (letter(*m_p)) {
            const Open element = readName();
            // The tree builder of this gumbo has assertions that svg and math content in a
            // table can trip, ending the program; in a template, a frameset or a select it
            // decides differently whether an element's content is text, which this count
            // could not follow. A table page has no use for any of them.
            if (element.tag == GUMBO_TAG_SVG || element.tag == GUMBO_TAG_MATH ||
                element.tag == GUMBO_TAG_TEMPLATE || element.tag == GUMBO_TAG_FRAMESET ||
                element.tag == GUMBO_TAG_SELECT)
                return Verdict::Unexpected;
            bool selfClosing = false;
            if (!skipAttributes(&selfClosing))
                break;
            startTag(element);
            switch (element.tag) {
                case GUMBO_TAG_SCRIPT: {
                    const char* from = m_p;
                    skipRawText(element);
                    // "<!--" in a script starts the escaped states, where "</script>" may
                    // not end it; followed here, a page could hide its markup.
                    static constexpr char kComment[] = "<!--";
                    if (std::search(from, m_p, kComment, kComment + 4) != m_p)
                        return Verdict::ScriptEscape;
                    closeRawText(element);
                    break;
                }
                case GUMBO_TAG_TEXTAREA:
                    skipRawText(element);
                    closeRawText(element);
                    break;
                case GUMBO_TAG_STYLE:
                case GUMBO_TAG_XMP:
                case GUMBO_TAG_IFRAME:
                case GUMBO_TAG_NOEMBED:
                case GUMBO_TAG_NOFRAMES:
                case GUMBO_TAG_TITLE:
                    skipRawText(element);
                    closeRawText(element);
                    break;
                case GUMBO_TAG_PLAINTEXT:
                    // Everything after it is text.
                    return depth() > m_limit ? Verdict::TooDeep : Verdict::Fine;
                default:
                    break;
            }
        }
    }
    return depth() > m_limit ? Verdict::TooDeep : Verdict::Fine;
}

}  // namespace

PageShape scanPageShape(const QByteArray& utf8, int depthLimit, qint64 nodeLimit) {
    return NestingScan(utf8, depthLimit, nodeLimit).run();
}

}  // namespace quarrow

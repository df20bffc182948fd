#pragma once

#include <QByteArray>

namespace quarrow {

// What a look at a page's tags tells before the HTML5 tree builder is let at it. The tree
// builder walks the stack of open elements for most tags, so a page nested thousands deep
// costs time that grows with the square of its depth; each node of the tree costs memory,
// so a page of millions of tags costs gigabytes though its text is within the page limit;
// and this gumbo has assertions that some content can trip. Such a page is refused before
// it is parsed.
enum class PageShape {
    Fine,
    TooDeep,       // nested deeper than the depth limit
    TooManyNodes,  // more elements, comments and doctypes than the node limit
    Unexpected,    // svg, math, template, frameset or select elements
    ScriptEscape,  // a script with "<!--" in it
};

// One pass over the page's UTF-8 text.
PageShape scanPageShape(const QByteArray& utf8, int depthLimit, qint64 nodeLimit);

}  // namespace quarrow

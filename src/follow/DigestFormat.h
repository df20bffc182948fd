#pragma once

#include "follow/DayDigest.h"

#include <QByteArray>
#include <QString>

namespace quarrow::DigestFormat {

// The digest as plain text for a terminal: one section after the other, aligned columns.
QString text(const DayDigest& digest);

// The digest as one self-contained HTML document (UTF-8): the charts are inline SVG, and
// there is no script and nothing the page would load from elsewhere. Every text from the
// store is escaped.
QByteArray html(const DayDigest& digest);

// A text as HTML character data or an attribute value: the markup characters escaped,
// control characters (which no HTML document may hold) replaced.
QString escape(const QString& text);

// The chart of a listing's bars as an SVG element, the day's bar marked; empty without bars.
QString chartSvg(const DigestListing& listing, const QDate& day);

}  // namespace quarrow::DigestFormat

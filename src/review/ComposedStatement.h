#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace quarrow {

// One value bound to a named parameter: a text (QString) or a day (QDate).
struct BoundValue {
    QString name;  // with its leading colon, as it stands in the text
    QVariant value;

    friend bool operator==(const BoundValue&, const BoundValue&) = default;
};

// A statement of the query page as it was composed: the text piece by piece, one line a
// piece, and the values to bind. Values never go into the text, so no name or code can
// change what the statement means.
struct ComposedStatement {
    QStringList lines;
    QList<BoundValue> values;

    QString sql() const { return lines.join(QLatin1Char('\n')); }
    void add(const QString& line) { lines << line; }
    void bind(const QString& name, const QVariant& value) { values.append({name, value}); }
};

}  // namespace quarrow

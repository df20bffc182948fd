#pragma once

#include <QString>
#include <QStringList>

namespace quarrow {

// Splits one line of a report table into its fields. The tables draw their columns with
// the full-width bar "｜", which is first turned into "|". Then "|" delimits fields, and
// so does any run of characters up to U+0020: a department name with a space in it
// falls apart into two fields and shifts the amount columns, exactly as the stored data
// of earlier years were split. A field that starts with a double quote runs to its
// closing quote ("" inside stands for one quote). Every field is trimmed.
//
// "|甲|1.00|2.00|" gives "", "甲", "1.00", "2.00", "": the first column is field 1.
QStringList splitTableLine(const QString& line);

}  // namespace quarrow

#include "app/Trim.h"

namespace quarrow {

QString trimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && isBlank(text.at(first)))
        ++first;
    while (end > first && isBlank(text.at(end - 1)))
        --end;
    if (first == 0 && end == text.size())
        return text;  // shares the data, as most fields have nothing to cut
    return text.mid(first, end - first);
}

}  // namespace quarrow

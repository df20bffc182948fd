#include "report/ReportMarkers.h"

namespace quarrow::ReportMarkers {

const QRegularExpression& datePattern() {
    static const QRegularExpression pattern(QStringLiteral("[0-9]{4}[-][0-9]{2}[-][0-9]{2}"));
    return pattern;
}

QStringList findFigures(const QString& text, qsizetype limit) {
    const auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    QStringList figures;
    const qsizetype size = text.size();
    qsizetype previousEnd = 0;  // a figure's sign can only stand at or after this
    qsizetype p = 0;
    while (p < size && figures.size() < limit) {
        if (!isDigit(text.at(p))) {
            ++p;
            continue;
        }
        // Every figure starting inside a run of digits would end where the run ends, so a
        // run is looked at once; trying each of its digits as a start again costs time
        // growing with the square of the run.
        const qsizetype digits = p;
        while (p < size && isDigit(text.at(p)))
            ++p;
        if (p + 2 < size && text.at(p) == QLatin1Char('.') && isDigit(text.at(p + 1)) &&
            isDigit(text.at(p + 2))) {
            qsizetype start = digits;
            if (start > previousEnd &&
                (text.at(start - 1) == QLatin1Char('-') || text.at(start - 1) == QLatin1Char('+')))
                --start;
            p += 3;
            figures.append(text.mid(start, p - start));
            previousEnd = p;
        }
    }
    return figures;
}

}  // namespace quarrow::ReportMarkers

#include "report/ReportMarkers.h"

namespace quarrow::ReportMarkers {

const QRegularExpression& datePattern() {
    static const QRegularExpression pattern(QStringLiteral("[0-9]{4}[-][0-9]{2}[-][0-9]{2}"));
    return pattern;
}

const QRegularExpression& figurePattern() {
    static const QRegularExpression pattern(QStringLiteral("(\\-|\\+)?\\d+\\.[0-9]{2}"));
    return pattern;
}

}  // namespace quarrow::ReportMarkers

#include "app/TextExport.h"

#include <algorithm>

namespace quarrow::TextExport {

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvLine(const QStringList& cells) {
    QStringList fields;
    fields.reserve(cells.size());
    for (const QString& cell : cells)
        fields << csvField(cell);
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QByteArray csvFileBytes(const QStringList& titles, const std::vector<QStringList>& rows) {
    QString text = csvLine(titles);
    for (const QStringList& row : rows)
        text += csvLine(row);
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString tabSeparated(const std::vector<QStringList>& rows) {
    QString text;
    for (const QStringList& row : rows) {
        QStringList cells;
        cells.reserve(row.size());
        for (QString cell : row) {
            for (QChar& c : cell) {
                if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                    c = QLatin1Char(' ');
            }
            cells << cell;
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

int displayWidth(const QString& text) {
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                          (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
        width += wide ? 2 : 1;
    }
    return width;
}

QString tableLine(const QStringList& cells, const std::vector<int>& widths) {
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += QStringLiteral("  ");
        line += cells.at(i);
        if (i + 1 < cells.size() && static_cast<size_t>(i) < widths.size())
            line += QString(std::max(0, widths[static_cast<size_t>(i)] - displayWidth(cells.at(i))),
                            QLatin1Char(' '));
    }
    return line + QLatin1Char('\n');
}

QString table(const QStringList& titles, const std::vector<QStringList>& rows) {
    std::vector<int> widths;
    for (const QString& title : titles)
        widths.push_back(displayWidth(title));
    for (const QStringList& row : rows) {
        for (qsizetype column = 0; column < row.size(); ++column) {
            const auto at = static_cast<size_t>(column);
            if (at >= widths.size())
                widths.push_back(0);
            widths[at] = std::max(widths[at], displayWidth(row.at(column)));
        }
    }
    QString text = tableLine(titles, widths);
    for (const QStringList& row : rows)
        text += tableLine(row, widths);
    return text;
}

}  // namespace quarrow::TextExport

#include "app/TextExport.h"

#include <QRegularExpression>

#include <algorithm>

namespace quarrow::TextExport {

namespace {

bool startsFormula(const QString& text) {
    if (text.isEmpty())
        return false;
    switch (text.front().unicode()) {
        case u'=':
        case u'+':
        case u'-':
        case u'@':
        case u'\t':
        case u'\r':
            return true;
        default:
            return false;
    }
}

bool isPlainNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^[+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)$"));
    return number.match(text).hasMatch();
}

bool isDigits(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

QString quotedField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

std::vector<CsvColumn> csvColumns(const QStringList& titles) {
    std::vector<CsvColumn> columns;
    columns.reserve(static_cast<size_t>(titles.size()));
    for (const QString& title : titles) {
        const bool code = title == QLatin1String("code") || title == QStringLiteral("代码") ||
                          title == QStringLiteral("股票代码");
        columns.push_back(code ? CsvColumn::Code : CsvColumn::Text);
    }
    return columns;
}

QString spreadsheetText(const QString& text) {
    return startsFormula(text) && !isPlainNumber(text) ? QLatin1Char('\'') + text : text;
}

QString csvField(const QString& text, CsvColumn column) {
    // Only digits go into the formula that keeps the zeros; anything else in a code
    // column is a text like any other.
    if (column == CsvColumn::Code && isDigits(text))
        return quotedField(QStringLiteral("=\"") + text + QLatin1Char('"'));
    return quotedField(spreadsheetText(text));
}

QString csvLine(const QStringList& cells, const std::vector<CsvColumn>& columns) {
    QStringList fields;
    fields.reserve(cells.size());
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const auto at = static_cast<size_t>(i);
        fields << csvField(cells.at(i), at < columns.size() ? columns[at] : CsvColumn::Text);
    }
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QString csvText(const QStringList& titles, const std::vector<QStringList>& rows) {
    const std::vector<CsvColumn> columns = csvColumns(titles);
    QString text = csvLine(titles);
    for (const QStringList& row : rows)
        text += csvLine(row, columns);
    return text;
}

QByteArray csvFileBytes(const QStringList& titles, const std::vector<QStringList>& rows) {
    return QByteArray("\xEF\xBB\xBF") + csvText(titles, rows).toUtf8();
}

QString tabSeparated(const std::vector<QStringList>& rows) {
    QString text;
    for (const QStringList& row : rows) {
        QStringList cells;
        cells.reserve(row.size());
        for (QString cell : row) {
            cell = spreadsheetText(cell);
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

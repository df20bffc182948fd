// The hand-kept code table and the stock-list page a user pastes to make one.
#include "FuzzSupport.h"

#include "app/TextCodec.h"
#include "app/Trim.h"
#include "quotefiles/StockListLoader.h"
#include "quotefiles/StockPicker.h"

#include <QDir>
#include <QFile>

namespace quarrow::fuzz {

namespace {

const QString kTableFile = QStringLiteral("STCodeName.txt");

// The rows a hand-kept table of these lines lists: "market|name|code" lines with a whole
// number for a code, in the range of the last "sz" or "sh" line's market.
QList<StockEntry> listedRows(const QStringList& lines) {
    QList<StockEntry> rows;
    CodeRange range{0, 0};
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char('|'));
        if (line.startsWith(QLatin1Char('/')) || fields.size() != 3)
            continue;
        if (fields.at(0) == QLatin1String("sz"))
            range = CodeRange::shenzhen();
        else if (fields.at(0) == QLatin1String("sh"))
            range = CodeRange::shanghai();
        bool number = false;
        const int code = fields.at(2).toInt(&number);
        if (number && range.contains(code))
            rows.append({fields.at(0) + fields.at(2), fields.at(1)});
    }
    return rows;
}

QString describe(const QList<StockEntry>& rows) {
    QStringList texts;
    for (const StockEntry& row : rows)
        texts << row.key + QLatin1Char('=') + row.name;
    return texts.join(QStringLiteral(", "));
}

void expectList(const StockList& list, const QList<StockEntry>& wanted, Findings& findings) {
    bool same = list.size() == wanted.size();
    for (qsizetype i = 0; same && i < wanted.size(); ++i) {
        const StockEntry& entry = list.at(static_cast<int>(i));
        same = entry.key == wanted.at(i).key && entry.name == wanted.at(i).name;
    }
    findings.expect(same, QStringLiteral("the list holds [%1], the table's rows are [%2]")
                              .arg(describe(list.entries()), describe(wanted)));
}

}  // namespace

QString checkHandKept(const QByteArray& input) {
    Findings findings;
    const QString path = writeScratchFile(kTableFile, input);
    if (path.isEmpty())
        return QStringLiteral("the hand-kept table cannot be written");
    QuietFrame frame;
    StockList list;
    try {
        StockListLoader(frame).loadHandKept(path, list);
    } catch (const std::exception& error) {
        return QStringLiteral("reading the scratch file failed: ") + QString::fromUtf8(error.what());
    }
    findings.expect(list.complete(), QStringLiteral("the list is not marked complete after loading"));
    expectList(list, listedRows(TextCodec::splitLines(TextCodec::decode(input))), findings);

    // Picking a row of the list makes that stock the current one.
    StockPicker picker(list, nullptr, frame);
    for (int index = 0; index < list.size() && index < 8; ++index) {
        picker.pickListEntry(index);
        const StockEntry& entry = list.at(index);
        findings.expect(picker.prefixedCode() == entry.key && picker.name() == entry.name &&
                            picker.codeText() == entry.key.right(6),
                        QStringLiteral("picking row %1 does not make %2 the current stock")
                            .arg(index + 1)
                            .arg(entry.key));
    }
    return findings.report();
}

QString checkPastedList(const QByteArray& input) {
    Findings findings;
    // What the clipboard gives is text already: the input is taken as UTF-8.
    const QStringList pasted = TextCodec::splitLines(QString::fromUtf8(input));
    QStringList composed;
    QuietFrame frame;
    StockListLoader loader(frame);
    const QString path = QDir(scratchFolder()).filePath(kTableFile);
    removeScratchFile(kTableFile);
    findings.expect(loader.saveHandKeptFromWebText(pasted, path, &composed) == HandKeptSave::Saved,
                    QStringLiteral("the table was not saved"));
    findings.expect(composed == composeHandKeptLines(pasted),
                    QStringLiteral("the saved lines are not the composed ones"));

    // Every composed line names a stock of the page: its market's, its code in range.
    bool shanghai = false;
    bool shenzhen = false;
    for (const QString& line : pasted) {
        shanghai = shanghai || line == QStringLiteral("上海股票");
        shenzhen = shenzhen || line == QStringLiteral("深圳股票");
    }
    for (const QString& line : composed) {
        // A name or code with a bar of its own leaves the line's fields in doubt.
        const QStringList fields = line.split(QLatin1Char('|'));
        if (fields.size() != 3)
            continue;
        const QString& market = fields.at(0);
        const QString& code = fields.at(2);
        bool number = false;
        const int value = code.toInt(&number);
        const bool fits =
            (market == QLatin1String("sh") && shanghai && CodeRange::shanghai().contains(value)) ||
            (market == QLatin1String("sz") && shenzhen && CodeRange::shenzhen().contains(value)) ||
            (market.isEmpty() && (number ? value : 0) == 0);
        findings.expect(fits && code == trimBlanks(code) && fields.at(1) == trimBlanks(fields.at(1)),
                        QStringLiteral("composed line \"%1\" is no stock of the page").arg(line));
    }

    // The table on the disk is the composed lines in GBK, and loading it lists the rows of
    // its text. That text is the composed lines again unless the GBK bytes read better as
    // UTF-8: a file without a mark cannot tell, and the names of a real page never do.
    QByteArray saved;
    for (const QString& line : composed)
        saved += TextCodec::encodeGbk(line) + "\r\n";
    QFile file(path);
    findings.expect(file.open(QIODevice::ReadOnly) && file.readAll() == saved,
                    QStringLiteral("the table on the disk is not the composed lines in GBK"));
    StockList list;
    try {
        loader.loadHandKept(path, list);
    } catch (const std::exception& error) {
        return QStringLiteral("reading the scratch file failed: ") + QString::fromUtf8(error.what());
    }
    expectList(list, listedRows(TextCodec::splitLines(TextCodec::decode(saved))), findings);
    if (!TextCodec::looksLikeUtf8(saved))
        expectList(list, listedRows(composed), findings);
    return findings.report();
}

}  // namespace quarrow::fuzz

// The quote program's binary files: daily bars (with the screening and the viewer that
// read them), the name tables and the share-capital table.
#include "FuzzSupport.h"

#include "app/TextCodec.h"
#include "app/Trim.h"
#include "platform/Clock.h"
#include "quotefiles/BaseDbf.h"
#include "quotefiles/DailyBar.h"
#include "quotefiles/DailyViewer.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/ShareCapital.h"
#include "quotefiles/StockListLoader.h"
#include "quotefiles/StockScreening.h"
#include "store/DataBase.h"

#include <QDir>
#include <QtEndian>

#include <algorithm>

namespace quarrow::fuzz {

namespace {

const QString kStock = QStringLiteral("sh600000");

QString quoteFolder() {
    return QDir(scratchFolder()).filePath(QStringLiteral("quote"));
}

QString belowQuoteFolder(const QString& path) {
    return QDir(scratchFolder()).relativeFilePath(path);
}

QList<DailyBar> barsOf(const QByteArray& bytes) {
    QList<DailyBar> bars;
    for (qsizetype offset = 0; bytes.size() - offset >= DailyBar::kSize; offset += DailyBar::kSize)
        bars.append(DailyBar::fromBytes(bytes.constData() + offset));
    return bars;
}

bool sameBytes(const DailyBar& bar, const QByteArray& bytes, qint64 index) {
    char record[DailyBar::kSize];
    bar.toBytes(record);
    return QByteArray(record, DailyBar::kSize) == bytes.mid(index * DailyBar::kSize, DailyBar::kSize);
}

// The screening's sum, from the bars as they stand in the bytes.
TStockChange expectedChange(const QList<DailyBar>& bars, qint64 days) {
    TStockChange change;
    const qint64 count = bars.size();
    if (days < 1 || count == 0)
        return change;
    qint64 first = 0;
    qint32 base = bars.first().Open;
    if (count > days) {
        first = count - days;
        base = bars.at(first - 1).Close;
    }
    change.StDays = static_cast<qint32>(std::min(count, days));
    for (qint64 i = first; i < count; ++i) {
        if (base > 0)
            change.StChang = change.StChang + percentChange(bars.at(i).Close, base);
        base = bars.at(i).Close;
    }
    change.StDateLast = bars.last().Date;
    change.StQTYLast = bars.last().Volume;
    return change;
}

// Moves the reader as the bytes at the start of the file say and checks every read that
// follows against the bytes themselves.
void walkRecords(TFileOP& file, const QByteArray& bytes, Findings& findings) {
    const qint64 records = bytes.size() / DailyBar::kSize;
    findings.expect(file.RecordCount() == records,
                    QStringLiteral("the record count is not the whole records"));
    DailyBar bar;
    for (qint64 i = 0; i < records; ++i) {
        findings.expect(readDailyBar(file, bar) && sameBytes(bar, bytes, i),
                        QStringLiteral("bar %1 does not hold the bytes of its record").arg(i));
    }
    findings.expect(!readDailyBar(file, bar) && file.AtEnd(), QStringLiteral("a bar was read past the end"));

    for (qsizetype step = 0; step + 2 <= std::min<qsizetype>(bytes.size(), 24); step += 2) {
        const auto wanted = static_cast<qint8>(bytes.at(step + 1));
        qint64 expected = 0;
        switch (static_cast<unsigned char>(bytes.at(step)) % 4) {
            case 0:
                expected = std::clamp<qint64>(wanted, 0, records);
                file.SeekTo(wanted);
                break;
            case 1:
                expected = std::clamp<qint64>(file.RecordIDX() + wanted, 0, std::max<qint64>(0, records - 1));
                file.SkipTo(wanted);
                break;
            case 2:
                expected = std::max<qint64>(0, records - 1);
                file.SeekToLast();
                break;
            default:
                expected = records;
                file.SeekToEnd();
                break;
        }
        findings.expect(
            file.RecordIDX() == expected,
            QStringLiteral("the reader stands at %1, not at %2").arg(file.RecordIDX()).arg(expected));
        const bool read = readDailyBar(file, bar);
        findings.expect(
            read == (expected < records),
            QStringLiteral("reading at %1 of %2 records gave %3").arg(expected).arg(records).arg(read));
        if (read)
            findings.expect(sameBytes(bar, bytes, expected),
                            QStringLiteral("bar %1 read after a seek is not its record").arg(expected));
    }
}

void checkViewer(const QList<DailyBar>& bars, qint64 days, Findings& findings) {
    const auto view = loadDailyRows(quoteFolder(), kStock, days);
    if (!view) {
        findings.expect(false, QStringLiteral("the viewer finds no file"));
        return;
    }
    const qint64 count = bars.size();
    const qint64 expectedRows = days == 0 ? count : std::min(days, count);
    findings.expect(view->recordCount == count && view->rows.size() == expectedRows,
                    QStringLiteral("the viewer shows %1 rows of %2 bars for %3 days")
                        .arg(view->rows.size())
                        .arg(count)
                        .arg(days));
    for (qsizetype row = 0; row < view->rows.size() && row < count; ++row) {
        const DailyBar& bar = bars.at(count - 1 - row);
        const qint32 previous = count - 2 - row >= 0 ? bars.at(count - 2 - row).Close : bar.Open;
        const DailyViewRow& shown = view->rows.at(row);
        findings.expect(shown.cells.size() == 7 &&
                            shown.cells.first().startsWith(QString::number(bar.Date)) &&
                            shown.up == (bar.Close > previous),
                        QStringLiteral("viewer row %1 is not the bar of its day").arg(row));
    }
}

}  // namespace

QString checkDailyBars(const QByteArray& input) {
    Findings findings;
    const QString stockFile = QuotePaths::dailyBarFile(quoteFolder(), kStock);
    const QString indexFile = QuotePaths::dailyBarFile(quoteFolder(), shanghaiIndexCode());
    // The index is the stock's own file less up to two records: the same last day or another.
    const QByteArray indexBytes = input.left(
        input.size() - DailyBar::kSize * (input.isEmpty() ? 0 : static_cast<uchar>(input.at(0)) % 3));
    if (writeScratchFile(belowQuoteFolder(stockFile), input).isEmpty() ||
        writeScratchFile(belowQuoteFolder(indexFile), indexBytes).isEmpty())
        return QStringLiteral("the daily-bar files cannot be written");

    const QList<DailyBar> bars = barsOf(input);
    const qint64 count = bars.size();
    try {
        TFileOP file(stockFile, DailyBar::kSize, 'r');
        walkRecords(file, input, findings);

        QuietFrame frame;
        StockScreener screener(quoteFolder(), nullptr, frame);
        for (const qint64 days : {qint64(0), qint64(1), qint64(3), count - 1, count, count + 1}) {
            const TStockChange change = CalcDailysChanges(quoteFolder(), kStock, days);
            findings.expect(change == expectedChange(bars, days),
                            QStringLiteral("the change of the last %1 of %2 bars is not the bars' own")
                                .arg(days)
                                .arg(count));
            // The viewer makes text of every row it shows: the whole file once, and the ends.
            if (days >= 0 && (days == 0 || days == 3 || days == count - 1))
                checkViewer(bars, days, findings);
            if (days < 1)
                continue;
            const IndexSummaries indexes = IndexSummaries::compute(quoteFolder(), days);
            const ScreenResult result =
                screener.ScreenStock(kStock, QStringLiteral("样本"), days, 5, indexes);
            findings.expect(result.stale == (change.StDateLast != indexes.shanghai.StDateLast),
                            QStringLiteral("a stock is called stale when its last day is its index's, or not "
                                           "when it is not"));
            if (!result.stale)
                findings.expect(
                    result.value == change.StChang - indexes.shanghai.StChang &&
                        result.picked == (result.value.abs() >= Money::fromUnits(5)),
                    QStringLiteral("the screening's deviation is not the stock's less the index's"));
        }
    } catch (const RecordFileError& error) {
        findings.expect(false, QStringLiteral("reading the scratch file failed: ") + error.message());
    }
    return findings.report();
}

QString checkNameTable(const QByteArray& input) {
    Findings findings;
    const QString folder = quoteFolder();
    for (const QString& market : {QStringLiteral("sz"), QStringLiteral("sh")}) {
        if (writeScratchFile(belowQuoteFolder(QuotePaths::nameTableFile(folder, market)), input).isEmpty())
            return QStringLiteral("the name tables cannot be written");
    }
    try {
        const QList<NameTableRecord> records =
            readNameTable(QuotePaths::nameTableFile(folder, QStringLiteral("sz")));
        const qsizetype expected = input.size() < 50 ? 0 : (input.size() - 50) / 314;
        findings.expect(records.size() == expected,
                        QStringLiteral("%1 records read of %2 whole ones").arg(records.size()).arg(expected));
        for (qsizetype i = 0; i < records.size(); ++i) {
            const char* record = input.constData() + 50 + i * 314;
            const NameTableRecord& read = records.at(i);
            findings.expect(read.type == qFromLittleEndian<qint32>(record + 72) &&
                                read.flag == qFromLittleEndian<qint16>(record + 272),
                            QStringLiteral("record %1's type or flag is not its bytes").arg(i));
            // A field of plain ASCII must come through as it stands, up to its first NUL.
            const QByteArray codeBytes = QByteArray(record, 7).split('\0').first();
            bool ascii = true;
            for (const char c : codeBytes)
                ascii = ascii && c >= 0x21 && c <= 0x7E;
            if (ascii)
                findings.expect(read.code == QString::fromLatin1(codeBytes),
                                QStringLiteral("record %1's code is not its bytes").arg(i));
            findings.expect(read.code.size() <= 7 && read.name.size() <= 9,
                            QStringLiteral("record %1's fields run past their width").arg(i));
        }

        QuietFrame frame;
        StockList list;
        StockListLoader(frame).loadFromNameTables(folder, list);
        QList<StockEntry> wanted;
        for (const auto& [market, range] : {std::pair{QStringLiteral("sz"), CodeRange::shenzhen()},
                                            std::pair{QStringLiteral("sh"), CodeRange::shanghai()}}) {
            for (const NameTableRecord& record : records) {
                bool number = false;
                const int code = record.code.toInt(&number);
                if (record.type == 2 && record.flag != 0 && range.contains(number ? code : 0))
                    wanted.append({market + record.code, record.name});
            }
        }
        bool same = list.size() == wanted.size() && list.complete();
        for (qsizetype i = 0; same && i < wanted.size(); ++i)
            same = list.at(static_cast<int>(i)).key == wanted.at(i).key &&
                   list.at(static_cast<int>(i)).name == wanted.at(i).name;
        findings.expect(same, QStringLiteral("the stock list is not the listed records of the two tables"));
    } catch (const RecordFileError& error) {
        findings.expect(false, QStringLiteral("reading the scratch file failed: ") + error.message());
    }
    return findings.report();
}

QString checkBaseDbf(const QByteArray& input) {
    using namespace BaseDbfLayout;
    Findings findings;
    const QString folder = quoteFolder();
    const QString path = QuotePaths::baseDbfFile(folder);
    if (writeScratchFile(belowQuoteFolder(path), input).isEmpty())
        return QStringLiteral("base.dbf cannot be written");
    try {
        const BaseDbfContents contents = readBaseDbf(path);
        const bool otherLayout =
            input.size() >= 12 && (qFromLittleEndian<quint16>(input.constData() + 8) != kHeaderSize ||
                                   qFromLittleEndian<quint16>(input.constData() + 10) != kRecordSize);
        findings.expect(otherLayout == !contents.layoutProblem.isEmpty(),
                        QStringLiteral("the layout is refused when it is ours, or read when it is not"));
        const qsizetype expected =
            otherLayout || input.size() < kHeaderSize ? 0 : (input.size() - kHeaderSize) / kRecordSize;
        findings.expect(
            contents.records.size() == expected,
            QStringLiteral("%1 records read of %2 whole ones").arg(contents.records.size()).arg(expected));
        StockList list;
        for (qsizetype i = 0; i < contents.records.size() && i < expected; ++i) {
            const char* record = input.constData() + kHeaderSize + i * kRecordSize;
            const BaseDbfRecord& read = contents.records.at(i);
            findings.expect(read.market == record[1] &&
                                read.code == trimBlanks(QString::fromLatin1(record + 2, 6)) &&
                                read.totalText == QString::fromLatin1(record + 16, 14) &&
                                read.tradableText == QString::fromLatin1(record + 100, 14),
                            QStringLiteral("record %1's fields are not its bytes").arg(i));
            list.append(marketOfBaseRecord(read.market) + read.code, QStringLiteral("股票") + read.code);
        }

        // Every stock with a name goes in; the last record of a code decides its figures.
        TDataBase db(QStringLiteral(":memory:"));
        if (!db.open())
            return QStringLiteral("the in-memory database does not open: ") + db.openError();
        QuietFrame frame;
        VirtualClock clock;
        const CapitalImportResult result = ShareCapital(&db, frame, clock).importShareCapital(folder, list);
        findings.expect(
            result.fileRead == !otherLayout && result.recordsRead == expected,
            QStringLiteral("the import read %1 records of %2").arg(result.recordsRead).arg(expected));
        QHash<QString, const BaseDbfRecord*> last;
        for (const BaseDbfRecord& record : contents.records) {
            const QString& code = record.code;
            const bool inRange =
                code.size() == 6 && ((record.market == '0' && code >= QLatin1String("000001") &&
                                      code <= QLatin1String("390000")) ||
                                     (record.market == '1' && code >= QLatin1String("500001") &&
                                      code <= QLatin1String("910000")));
            if (inRange)
                last.insert(code, &record);
        }
        Statement stocks =
            db.QueryPublic(QStringLiteral("select StCode, StName, StQuantity, StAQuantity from tblStocks"));
        findings.expect(stocks.exec(), QStringLiteral("tblStocks cannot be read"));
        qsizetype rows = 0;
        while (stocks.next()) {
            ++rows;
            const BaseDbfRecord* record = last.value(stocks.text(0));
            if (!record) {
                findings.expect(false,
                                QStringLiteral("stock %1 was stored from no record").arg(stocks.text(0)));
                continue;
            }
            const auto figure = [](const QString& text) {
                return Money::parse(trimBlanks(text)).value_or(Money()).toDouble();
            };
            findings.expect(stocks.text(1) == QStringLiteral("股票") + record->code &&
                                stocks.real(2) == figure(record->totalText) &&
                                stocks.real(3) == figure(record->tradableText),
                            QStringLiteral("stock %1 is not stored with its last record's name and figures")
                                .arg(record->code));
        }
        findings.expect(rows == last.size(),
                        QStringLiteral("%1 stocks stored of %2").arg(rows).arg(last.size()));
    } catch (const RecordFileError& error) {
        findings.expect(false, QStringLiteral("reading the scratch file failed: ") + error.message());
    }
    return findings.report();
}

}  // namespace quarrow::fuzz

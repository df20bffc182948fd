// The dragon-tiger report as the quote program's page gives it: parsed and stored.
#include "FuzzSupport.h"

#include "app/TextCodec.h"
#include "app/Trim.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "report/ReportMarkers.h"
#include "report/StockExtraction.h"
#include "store/RecordKeys.h"

#include <QRegularExpression>
#include <QSet>

namespace quarrow::fuzz {

namespace {

// The code the user would have typed: the first six-digit number of the lines the
// extraction looks for it in; any other report is still walked far enough to be refused.
QString codeOfReport(const QStringList& lines) {
    static const QRegularExpression sixDigits(QStringLiteral("(?<![0-9])[0-9]{6}(?![0-9])"));
    for (qsizetype i = 0; i < 4 && i < lines.size(); ++i) {
        const auto match = sixDigits.match(lines.at(i));
        if (match.hasMatch())
            return match.captured(0);
    }
    return QStringLiteral("600000");
}

// An anomaly row is keyed by its figures line (the line under the date, trimmed, behind
// the turnover note on a turnover day), which no column keeps. Every line of the report
// could have been that line; these are the text parts of their keys.
QSet<qint32> figuresLineKeys(const QStringList& lines) {
    const QString turnoverNote = ReportMarkers::kTurnover + QStringLiteral(">20%");
    QSet<qint32> keys{CalcDeptKey(QString()), CalcDeptKey(turnoverNote)};
    for (const QString& line : lines) {
        keys.insert(CalcDeptKey(trimBlanks(line)));
        keys.insert(CalcDeptKey(turnoverNote + trimBlanks(line)));
    }
    return keys;
}

qint64 count(TDataBase& db, const QString& table) {
    Statement query = db.QueryPublic(QStringLiteral("select count(*) from ") + table);
    return query.exec() && query.next() ? query.integer(0) : -1;
}

}  // namespace

QString checkReport(const QByteArray& input) {
    const QStringList lines = TextCodec::splitLines(TextCodec::decode(input));
    TDataBase db(QStringLiteral(":memory:"));
    if (!db.open())
        return QStringLiteral("the in-memory database does not open: ") + db.openError();
    QuietFrame frame;
    VirtualClock clock(QDateTime(QDate(2017, 3, 21), QTime(16, 0)));
    RefusingLauncher launcher;
    FixedNetworkState network(true);
    PortableArchiver archiver;
    ExtractionServices services{
        db, frame, clock, launcher, archiver, network, ProgramFolder(scratchFolder())};

    // The newest day first, then every day: the second pass meets the rows of the first.
    const QString code = codeOfReport(lines);
    int savedRows = 0;
    int savedTrades = 0;
    for (const bool allChanges : {false, true}) {
        ExtractionAccount totals;
        ExtractionOptions options;
        options.code = code;
        options.name = QStringLiteral("样本");
        options.allChanges = allChanges;
        StockExtraction(services, totals).run(lines, options, ExtractionCaller::Reanalysis);
        savedRows += totals.savedRowCount;
        savedTrades += totals.savedBigCount;
    }

    Findings findings;
    findings.expect(count(db, QStringLiteral("tblStChange")) == savedRows,
                    QStringLiteral("tblStChange holds another number of rows than were counted as saved"));
    findings.expect(count(db, QStringLiteral("tblBigBuySale")) == savedTrades,
                    QStringLiteral("tblBigBuySale holds another number of rows than were counted as saved"));

    const QSet<qint32> figuresKeys = figuresLineKeys(lines);
    Statement changes = db.QueryPublic(
        QStringLiteral("select c.StCode, c.StDate, c.StDeptKey, c.StBuy, c.StSale, c.StKEY, d.StDept, "
                       "d.StDeptKey is null from tblStChange c left join tblStDepart d on "
                       "d.StDeptKey = c.StDeptKey order by c.ID"));
    findings.expect(changes.exec(), QStringLiteral("tblStChange cannot be read: ") + changes.error());
    while (changes.next()) {
        const QString row = QStringLiteral("tblStChange row with key %1").arg(changes.integer(5));
        const QDate day = changes.date(1);
        findings.expect(changes.text(0) == code, row + QStringLiteral(" has another stock's code"));
        findings.expect(day.isValid(), row + QStringLiteral(" has no valid day"));
        const qint32 deptKey = static_cast<qint32>(changes.integer(2));
        findings.expect(changes.integer(7) == 0,
                        row + QStringLiteral(" names a department that is not stored"));
        findings.expect(CalcDeptKey(changes.text(6)) == deptKey,
                        row + QStringLiteral(" names department %1, stored as \"%2\" (key %3)")
                                  .arg(deptKey)
                                  .arg(changes.text(6))
                                  .arg(CalcDeptKey(changes.text(6))));
        // The key minus its text part must be the key of the stored code, amounts and day;
        // the text part is the department's (a department row) or a figures line's.
        const Money buy = changes.money(3);
        const Money sale = changes.money(4);
        const quint64 rest = static_cast<quint64>(changes.integer(5)) -
                             static_cast<quint64>(CalcRecordKey(code, {}, buy, sale, day));
        const auto textKey = static_cast<qint32>(static_cast<quint32>(rest >> 32));
        findings.expect(
            (rest & 0xFFFFFFFFu) == 0,
            row + QStringLiteral(" is not the key of its stored code, amounts (%1, %2) and day %3")
                      .arg(buy.toString(), sale.toString(), Statement::dayText(day)));
        findings.expect(
            textKey == deptKey || figuresKeys.contains(textKey),
            row + QStringLiteral(" has a text part of neither its department nor a figures line"));
    }

    Statement trades = db.QueryPublic(
        QStringLiteral("select b.StCode, b.StDate, b.StQTY, b.StAMT, b.StKEY, buyer.StDept, "
                       "buyer.StDeptKey is null, seller.StDept, seller.StDeptKey is null, b.StDeptSale "
                       "from tblBigBuySale b "
                       "left join tblStDepart buyer on buyer.StDeptKey = b.StDeptBuy "
                       "left join tblStDepart seller on seller.StDeptKey = b.StDeptSale order by b.ID"));
    findings.expect(trades.exec(), QStringLiteral("tblBigBuySale cannot be read: ") + trades.error());
    while (trades.next()) {
        const QString row = QStringLiteral("tblBigBuySale row with key %1").arg(trades.integer(4));
        const QDate day = trades.date(1);
        const Money quantity = trades.money(2);
        const Money amount = trades.money(3);
        findings.expect(trades.text(0) == code, row + QStringLiteral(" has another stock's code"));
        findings.expect(day.isValid(), row + QStringLiteral(" has no valid day"));
        findings.expect(trades.integer(6) == 0 && trades.integer(8) == 0,
                        row + QStringLiteral(" names a buyer or seller that is not stored"));
        findings.expect(CalcDeptKey(trades.text(7)) == static_cast<qint32>(trades.integer(9)),
                        row + QStringLiteral(" names seller %1, stored as \"%2\" (key %3)")
                                  .arg(trades.integer(9))
                                  .arg(trades.text(7))
                                  .arg(CalcDeptKey(trades.text(7))));
        findings.expect(trades.integer(4) == CalcRecordKey(code, trades.text(5), quantity, amount, day),
                        row + QStringLiteral(" is not the key of its stored code, buyer, quantity %1, amount "
                                             "%2 and day %3")
                                  .arg(quantity.toString(), amount.toString(), Statement::dayText(day)));
    }
    return findings.report();
}

}  // namespace quarrow::fuzz

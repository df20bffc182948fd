// A page of the download server: read by the table reader and stored by the download.
#include "FuzzSupport.h"

#include "app/Settings.h"
#include "app/TextCodec.h"
#include "app/Trim.h"
#include "download/DataDownload.h"

#include <QFile>
#include "download/DxHtmlParser.h"
#include "download/PageLoader.h"
#include "download/PageTable.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"
#include "store/DataBase.h"
#include "store/RecordKeys.h"

#include <QSet>

namespace quarrow::fuzz {

namespace {

// The page comes first in each phase; after it the server has nothing more.
class OnePageLoader final : public PageLoader {
public:
    explicit OnePageLoader(QString page) : m_page(std::move(page)) {}
    PageResult load(const QUrl& url, const std::function<bool()>&) override {
        ++requests;
        const bool first = !m_paths.contains(url.path());
        m_paths.insert(url.path());
        return {PageResult::Status::Loaded,
                first ? m_page
                      : QStringLiteral("<table><tr><td>000000<td>0<td>0<td><td><td><td><td>"
                                       "<tr><td>xxxxxx<td><td>-1<td><td><td><td><td></table>"),
                {}};
    }
    int requests = 0;

private:
    QString m_page;
    QSet<QString> m_paths;
};

class NoShutdown final : public Shutdown {
public:
    ShutdownResult powerOff() override { return {false, {}}; }
};

qint64 count(TDataBase& db, const QString& table) {
    Statement query = db.QueryPublic(QStringLiteral("select count(*) from ") + table);
    return query.exec() && query.next() ? query.integer(0) : -1;
}

// The key minus its text part is the key of the stored code, amounts and day, and the
// text part is the stored department key.
bool keyOfFields(const Statement& row, int code, int day, int dept, int first, int second, int key) {
    const quint64 rest = static_cast<quint64>(row.integer(key)) -
                         static_cast<quint64>(CalcRecordKey(row.text(code), {}, row.money(first),
                                                            row.money(second), row.date(day)));
    return (rest & 0xFFFFFFFFu) == 0 &&
           static_cast<qint32>(static_cast<quint32>(rest >> 32)) == static_cast<qint32>(row.integer(dept));
}

}  // namespace

QString checkDownloadPage(const QByteArray& input) {
    const QString html = TextCodec::decode(input);
    Findings findings;

    TDxHtmlParser parser;
    parser.setHTML(html);
    findings.expect(parser.refusal().isEmpty() || parser.WebTables().Count() == 0,
                    QStringLiteral("a refused page still lists tables"));
    for (int t = 0; t < parser.WebTables().Count(); ++t) {
        TDxWebTable* table = parser.WebTables().table(t);
        findings.expect(table != nullptr, QStringLiteral("table %1 of %2 is missing").arg(t));
        for (int r = 0; table && r < table->RowCount(); ++r) {
            const int cells = table->CellCount(r);
            for (int c = 0; c < cells; ++c) {
                const QString text = table->CellText(c, r);
                findings.expect(text.isEmpty() || (!isBlank(text.front()) && !isBlank(text.back())),
                                QStringLiteral("cell %1 of row %2 keeps a blank at an end").arg(c).arg(r));
            }
            findings.expect(table->CellText(cells, r).isEmpty(),
                            QStringLiteral("row %1 reads a cell beyond its last").arg(r));
        }
    }

    // The download's reader, direct or not, reads the page as the full parse does.
    const PageTable read = readPageTable(html);
    findings.expect(read.refusal == parser.refusal() && read.tables == parser.WebTables().Count(),
                    QStringLiteral("the download's reader tells %1 tables (%2) where the parse tells %3 (%4)")
                        .arg(read.tables)
                        .arg(read.refusal, QString::number(parser.WebTables().Count()), parser.refusal()));
    if (TDxWebTable* first = parser.WebTables().table(0)) {
        bool alike = read.rowCount() == first->RowCount();
        for (int r = 0; alike && r < read.rowCount(); ++r) {
            alike = read.cellCount(r) == first->CellCount(r);
            for (int c = 0; alike && c < read.cellCount(r); ++c)
                alike = read.cell(c, r) == first->CellText(c, r);
        }
        findings.expect(alike, QStringLiteral("the download's reader (%1) reads the first table otherwise")
                                   .arg(read.direct ? QStringLiteral("direct") : QStringLiteral("parsed")));
    }

    TDataBase db(QStringLiteral(":memory:"));
    if (!db.open())
        return QStringLiteral("the in-memory database does not open: ") + db.openError();
    QuietFrame frame;
    // Late enough that the seeds' days are not in the future.
    VirtualClock clock(QDateTime(QDate(2030, 1, 1), QTime(12, 0)));
    RunControl run(frame, clock);
    FixedNetworkState network(true);
    NoShutdown shutdown;
    OnePageLoader loader(html);
    DownloadOptions options;
    options.changePage = QStringLiteral("http://127.0.0.1/StChange");
    options.bigPage = QStringLiteral("http://127.0.0.1/BigBuySale");
    options.user = QStringLiteral("fuzz");
    // Each page starts afresh: no resume point of an earlier input.
    const QString settingsFile = scratchFolder() + QStringLiteral("/download.INI");
    QFile::remove(settingsFile);
    Settings settings(settingsFile, scratchFolder(), clock);
    const RunLease lease = run.lease(JobKind::Download);
    const DownloadOutcome outcome =
        DataDownload({db, frame, clock, run, network, shutdown, loader, settings})
            .run(lease, options,
                 [](const QString&, const QString&, const QString&) { return QStringLiteral("2000-01-01"); });
    findings.expect(loader.requests <= 4, QStringLiteral("%1 pages were asked for").arg(loader.requests));
    findings.expect(!outcome.storeFailed(), QStringLiteral("storing failed: ") + outcome.storeError());
    findings.expect(parser.refusal().isEmpty() || outcome.changeStored + outcome.bigStored == 0,
                    QStringLiteral("rows of a refused page were stored"));
    findings.expect(count(db, QStringLiteral("tblStChange")) == outcome.changeStored,
                    QStringLiteral("tblStChange holds another number of rows than were counted as stored"));
    findings.expect(count(db, QStringLiteral("tblBigBuySale")) == outcome.bigStored,
                    QStringLiteral("tblBigBuySale holds another number of rows than were counted as stored"));

    Statement changes = db.QueryPublic(QStringLiteral(
        "select StCode, StDate, StDeptKey, StBuy, StSale, StKEY from tblStChange order by ID"));
    findings.expect(changes.exec(), QStringLiteral("tblStChange cannot be read: ") + changes.error());
    while (changes.next()) {
        const QString row = QStringLiteral("tblStChange row with key %1").arg(changes.integer(5));
        findings.expect(changes.text(0).size() == 6,
                        row + QStringLiteral(" has a code of other than 6 characters"));
        findings.expect(changes.date(1).isValid(), row + QStringLiteral(" has no valid day"));
        findings.expect(changes.money(3) != Money() || changes.money(4) != Money(),
                        row + QStringLiteral(" has no figure"));
        findings.expect(keyOfFields(changes, 0, 1, 2, 3, 4, 5),
                        row + QStringLiteral(" is not the key of its stored fields"));
    }
    Statement trades = db.QueryPublic(QStringLiteral(
        "select StCode, StDate, StDeptBuy, StQTY, StAMT, StKEY from tblBigBuySale order by ID"));
    findings.expect(trades.exec(), QStringLiteral("tblBigBuySale cannot be read: ") + trades.error());
    while (trades.next()) {
        const QString row = QStringLiteral("tblBigBuySale row with key %1").arg(trades.integer(5));
        findings.expect(trades.text(0).size() == 6,
                        row + QStringLiteral(" has a code of other than 6 characters"));
        findings.expect(trades.date(1).isValid(), row + QStringLiteral(" has no valid day"));
        findings.expect(keyOfFields(trades, 0, 1, 2, 3, 4, 5),
                        row + QStringLiteral(" is not the key of its stored fields"));
    }
    return findings.report();
}

}  // namespace quarrow::fuzz

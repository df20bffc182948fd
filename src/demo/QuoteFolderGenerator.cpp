#include "demo/QuoteFolderGenerator.h"

#include "app/SafeFile.h"
#include "app/TextCodec.h"
#include "quotefiles/BaseDbf.h"
#include "quotefiles/DailyBar.h"
#include "quotefiles/DailyChanges.h"
#include "quotefiles/QuotePaths.h"

#include <QDir>
#include <QFileInfo>
#include <QTime>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace quarrow {

namespace {

// A small generator of our own: the standard distributions differ between libraries,
// and the demo folder must be the same everywhere for a seed.
class Random {
public:
    explicit Random(quint64 seed) : m_state(seed) {}
    quint64 next() {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
    double between(double low, double high) { return low + (high - low) * uniform(); }
    int between(int low, int high) {
        return low + static_cast<int>(next() % static_cast<quint64>(high - low + 1));
    }

private:
    quint64 m_state;
};

const char* const kNameHeads[] = {"金桥", "华岳", "民丰", "瑞安", "金龙", "东方", "长江",
                                  "中原", "海天", "新华", "大唐", "天宇", "宏达", "恒信",
                                  "光明", "万科", "南山", "北辰", "西部", "江淮"};
const char* const kNameTails[] = {"银行", "科技", "股份", "电子", "实业", "药业", "能源", "控股",
                                  "地产", "汽车", "传媒", "钢铁", "化工", "电力", "食品"};

QString stockName(int index) {
    constexpr int heads = static_cast<int>(std::size(kNameHeads));
    constexpr int tails = static_cast<int>(std::size(kNameTails));
    return QString::fromUtf8(kNameHeads[index % heads]) +
           QString::fromUtf8(kNameTails[(index / heads) % tails]);
}

QuoteStockRole roleOf(int indexInMarket) {
    static const QuoteStockRole firstRoles[] = {QuoteStockRole::Ordinary,  QuoteStockRole::Surge,
                                                QuoteStockRole::Plunge,    QuoteStockRole::HighTurnover,
                                                QuoteStockRole::Suspended, QuoteStockRole::NewlyListed,
                                                QuoteStockRole::Stale,     QuoteStockRole::NoDailyFile};
    if (indexInMarket < static_cast<int>(std::size(firstRoles)))
        return firstRoles[indexInMarket];
    // Beyond the showcase, a few more large moves scattered through the market.
    if (indexInMarket % 41 == 0)
        return QuoteStockRole::Surge;
    if (indexInMarket % 53 == 0)
        return QuoteStockRole::Plunge;
    return QuoteStockRole::Ordinary;
}

QList<QDate> tradingDays(QDate last, int count) {
    while (last.dayOfWeek() > 5)
        last = last.addDays(-1);
    QList<QDate> days;
    for (QDate day = last; days.size() < count; day = day.addDays(-1)) {
        if (day.dayOfWeek() <= 5)
            days.prepend(day);
    }
    return days;
}

qint32 yyyymmdd(const QDate& day) {
    return day.year() * 10000 + day.month() * 100 + day.day();
}

qint32 moved(qint32 price, double percent) {
    return std::max<qint32>(1, static_cast<qint32>(std::lround(price * (1.0 + percent / 100.0))));
}

// Bars of one series over the given days; the caller adjusts the last days by role.
QByteArray barsFor(const GeneratedQuoteStock* stock, const QList<QDate>& days, Random& random, bool isIndex) {
    QByteArray bytes(days.size() * DailyBar::kSize, '\0');
    qint32 close = isIndex ? random.between(250000, 350000) : random.between(300, 6000);
    const double sharesOut = stock ? stock->tradableShares.toDouble() * 10000.0 : 0.0;
    const QuoteStockRole role = stock ? stock->role : QuoteStockRole::Ordinary;
    for (qsizetype i = 0; i < days.size(); ++i) {
        const qsizetype fromEnd = days.size() - i;  // 1 for the last bar
        double percent = isIndex ? random.between(-1.5, 1.5) : random.between(-3.0, 3.0);
        double turnover = random.between(0.003, 0.03);
        if (role == QuoteStockRole::Surge && fromEnd <= 3) {
            percent = 10.0;
            turnover = 0.08;
        } else if (role == QuoteStockRole::Plunge && fromEnd <= 3) {
            percent = -8.0;
            turnover = 0.06;
        } else if (role == QuoteStockRole::HighTurnover && fromEnd == 1) {
            turnover = 0.25;
        } else if (role == QuoteStockRole::NewlyListed && i == 0) {
            percent = 44.0;  // the first day of a new listing, measured from its open
            turnover = 0.6;
        }
        DailyBar bar;
        bar.Date = yyyymmdd(days.at(i));
        if (role == QuoteStockRole::Suspended && fromEnd == 1) {
            bar.Open = bar.High = bar.Low = bar.Close = close;
            bar.Volume = 0;
            bar.Amount = 0;
        } else {
            const qint32 open = (role == QuoteStockRole::NewlyListed && i == 0)
                                    ? close
                                    : moved(close, random.between(-1.0, 1.0));
            const qint32 next = (role == QuoteStockRole::NewlyListed && i == 0) ? moved(open, percent)
                                                                                : moved(close, percent);
            bar.Open = open;
            bar.Close = next;
            bar.High = moved(std::max(open, next), random.between(0.0, 1.0));
            bar.Low = moved(std::min(open, next), -random.between(0.0, 1.0));
            const double volume = isIndex ? random.between(5.0e8, 1.5e9) : sharesOut * turnover;
            bar.Volume = static_cast<qint32>(std::min(volume, 2.0e9));
            bar.Amount = static_cast<float>(static_cast<double>(bar.Volume) * (open + next) / 200.0);
            close = next;
        }
        // The quote program keeps counts here (rises and falls for an index); we never read it.
        bar.Reserved = isIndex ? (static_cast<quint32>(random.between(100, 900)) << 16) |
                                     static_cast<quint32>(random.between(100, 900))
                               : 0x10000u;
        bar.toBytes(bytes.data() + i * DailyBar::kSize);
    }
    return bytes;
}

// Generated files are made again in seconds, so they do not wait for the disk; a file
// is still either the old one or the whole new one.
bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
    QString reason;
    if (SafeFile::replace(path, bytes, &reason, SafeFile::Durability::Unsynced))
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(path, reason);
    return false;
}

void putText(QByteArray& bytes, qsizetype offset, const QByteArray& text, qsizetype width) {
    const qsizetype length = std::min(text.size(), width);
    std::copy_n(text.constData(), length, bytes.data() + offset);
}

QByteArray nameTable(const QList<GeneratedQuoteStock>& stocks, const QString& market, const QDate& lastDay,
                     Random& random) {
    struct Row {
        QByteArray code;
        QString name;
        qint32 type;
        qint16 flag;
    };
    QList<Row> rows;
    // Indexes and bonds come first in the quote program's tables; they are not stocks.
    if (market == QLatin1String("sz")) {
        rows.append({"399001", QStringLiteral("深证成指"), 2, 0});
        rows.append({"399107", QStringLiteral("深证Ａ指"), 2, 0});
        rows.append({"101698", QStringLiteral("国债0812"), 3, 0});
        rows.append({"390001", QStringLiteral("超限代码"), 2, 1234});
    } else {
        rows.append({"999999", QStringLiteral("上证指数"), 2, 0});
        rows.append({"999998", QStringLiteral("Ａ股指数"), 2, 0});
        rows.append({"010107", QStringLiteral("21国债"), 3, 0});
        rows.append({"610001", QStringLiteral("超限代码"), 2, 1234});
    }
    for (const GeneratedQuoteStock& stock : stocks) {
        if (stock.key.startsWith(market))
            rows.append({stock.key.mid(2).toLatin1(), stock.name, 2,
                         static_cast<qint16>(random.between(1000, 6000))});
    }

    QByteArray bytes(50, '\0');
    putText(bytes, 0, "127.0.0.1", 40);
    qToLittleEndian<quint16>(7709, bytes.data() + 40);
    qToLittleEndian<qint32>(yyyymmdd(lastDay), bytes.data() + 42);
    qToLittleEndian<qint32>(163408, bytes.data() + 46);
    for (const Row& row : rows) {
        QByteArray record(314, '\0');
        putText(record, 0, row.code, 6);
        putText(record, 23, TextCodec::encodeGbk(row.name), 48);
        qToLittleEndian<qint32>(row.type, record.data() + 72);
        qToLittleEndian<qint16>(row.flag, record.data() + 272);
        qToLittleEndian<quint32>(std::bit_cast<quint32>(static_cast<float>(random.between(3.0, 60.0))),
                                 record.data() + 276);
        QByteArray initials;
        for (int i = 0; i < 4; ++i)
            initials += static_cast<char>('A' + random.between(0, 25));
        putText(record, 285, initials, 9);
        bytes += record;
    }
    return bytes;
}

struct DbfField {
    const char* name;
    char type;
    int length;
    int decimals;
};

// The quote program's base.dbf layout: 40 fields making 481-byte records.
QList<DbfField> baseDbfFields() {
    QList<DbfField> fields = {{"SC", 'C', 1, 0}, {"GPDM", 'C', 6, 0}, {"GXRQ", 'N', 8, 0}};
    const char* const numeric[] = {"ZGB",   "GJG",    "FQRFRG", "FRG",  "BG",   "HG",    "LTAG",  "ZGG",
                                   "ZPG",   "ZZC",    "LDZC",   "GDZC", "WXZC", "CQTZ",  "LDFZ",  "CQFZ",
                                   "ZBGJJ", "JZC",    "ZYSY",   "ZYLY", "QTLY", "YYLY",  "TZSY",  "BTSY",
                                   "YYWSZ", "SNSYTZ", "LYZE",   "SHLY", "JLY",  "WFPLY", "TZMGJZ"};
    for (int i = 0; i < 31; ++i)
        fields.append({numeric[i], 'N', 14, i < 9 ? 2 : (i < 30 ? 1 : 3)});
    fields.append({"DY", 'C', 3, 0});
    fields.append({"HY", 'C', 4, 0});
    fields.append({"ZBNB", 'N', 2, 0});
    fields.append({"SSDATE", 'C', 8, 0});
    fields.append({"MODIDATE", 'C', 6, 0});
    fields.append({"GDRS", 'N', 8, 0});
    return fields;
}

QByteArray rightAligned(const QString& text, int width) {
    return text.rightJustified(width, QLatin1Char(' '), true).toLatin1();
}

QByteArray baseDbf(const QList<GeneratedQuoteStock>& stocks, int extraRecords, const QDate& lastDay,
                   Random& random) {
    const QList<DbfField> fields = baseDbfFields();
    QByteArray bytes(BaseDbfLayout::kHeaderSize, '\0');
    bytes[0] = 0x03;
    bytes[1] = static_cast<char>(lastDay.year() % 100);
    bytes[2] = static_cast<char>(lastDay.month());
    bytes[3] = static_cast<char>(lastDay.day());
    qToLittleEndian<quint32>(static_cast<quint32>(stocks.size() + extraRecords), bytes.data() + 4);
    qToLittleEndian<quint16>(BaseDbfLayout::kHeaderSize, bytes.data() + 8);
    qToLittleEndian<quint16>(BaseDbfLayout::kRecordSize, bytes.data() + 10);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        char* descriptor = bytes.data() + 32 + i * 32;
        std::copy_n(fields[i].name, std::strlen(fields[i].name), descriptor);
        descriptor[11] = fields[i].type;
        descriptor[16] = static_cast<char>(fields[i].length);
        descriptor[17] = static_cast<char>(fields[i].decimals);
    }
    bytes[BaseDbfLayout::kHeaderSize - 1] = 0x0D;

    const QString figuresDate = lastDay.toString(QStringLiteral("yyyyMMdd"));
    auto record = [&](char market, const QString& code, Money total, Money tradable, const QDate& listed) {
        QByteArray row;
        row += ' ';
        row += market;
        row += code.toLatin1();
        row += rightAligned(figuresDate, 8);
        for (int f = 0; f < 31; ++f) {
            QString value;
            if (f == 0)
                value = total.toFixed(2);
            else if (f == 6)
                value = tradable.toFixed(2);
            else if (f < 9)
                value = QStringLiteral("0.00");
            else
                value = QString::number(random.between(1000.0, 900000.0), 'f', f == 30 ? 3 : 1);
            row += rightAligned(value, 14);
        }
        row += QByteArray(market == '1' ? "sh " : "sz ");
        row += rightAligned(QString::number(random.between(1, 9999)), 4);
        row += rightAligned(QStringLiteral("12"), 2);
        row += listed.toString(QStringLiteral("yyyyMMdd")).toLatin1();
        row += lastDay.toString(QStringLiteral("yyMMdd")).toLatin1();
        row += rightAligned(QString::number(random.between(10000, 900000)), 8);
        return row;
    };
    for (const GeneratedQuoteStock& stock : stocks)
        bytes += record(stock.key.startsWith(QLatin1String("sz")) ? '0' : '1', stock.key.mid(2),
                        stock.totalShares, stock.tradableShares, stock.listed);
    if (extraRecords > 0)  // a B share: the import takes its figures, the name tables never list it
        bytes += record('1', QStringLiteral("900901"), Money::fromUnits(36000), Money::fromUnits(36000),
                        QDate(1992, 2, 21));
    if (extraRecords > 1)  // a market the program does not know
        bytes += record('2', QStringLiteral("400001"), Money::fromUnits(1000), Money::fromUnits(1000),
                        QDate(2001, 7, 16));
    bytes += '\x1a';
    return bytes;
}

}  // namespace

QuoteFolderGenerator::QuoteFolderGenerator(QuoteFolderOptions options) : m_options(options) {}

StockEntry generatedStockEntry(int index, int count) {
    const int shenzhen = (count + 1) / 2;
    if (index < shenzhen)
        return {QStringLiteral("sz%1").arg(1 + index * 3, 6, 10, QLatin1Char('0')), stockName(index)};
    constexpr int evenCodes = 5001;  // 600000 … 610000
    const int inMarket = index - shenzhen;
    const int code = inMarket < evenCodes ? 600000 + inMarket * 2 : 600001 + (inMarket - evenCodes) * 2;
    return {QStringLiteral("sh%1").arg(code, 6, 10, QLatin1Char('0')), stockName(index)};
}

GeneratedQuoteFolder QuoteFolderGenerator::plan() const {
    GeneratedQuoteFolder folder;
    folder.tradingDays = tradingDays(m_options.lastDay, m_options.barCount);
    folder.extraBaseRecords = 2;
    Random random(m_options.seed);
    const int shenzhen = (m_options.stockCount + 1) / 2;
    for (int i = 0; i < m_options.stockCount; ++i) {
        const int inMarket = i < shenzhen ? i : i - shenzhen;
        const StockEntry entry = generatedStockEntry(i, m_options.stockCount);
        GeneratedQuoteStock stock;
        stock.key = entry.key;
        stock.name = entry.name;
        stock.role = roleOf(inMarket);
        stock.tradableShares = Money::fromDouble(std::round(random.between(5000.0, 200000.0) * 100) / 100);
        stock.totalShares =
            stock.tradableShares + Money::fromDouble(std::round(random.between(0.0, 80000.0) * 100) / 100);
        stock.listed =
            stock.role == QuoteStockRole::NewlyListed
                ? folder.tradingDays.value(folder.tradingDays.size() - 2)
                : QDate(1991 + random.between(0, 20), random.between(1, 12), random.between(1, 28));
        // A few ordinary stocks have no page: the quote program shows them its general one.
        stock.hasReportPage = !(stock.role == QuoteStockRole::Ordinary && inMarket % 9 == 8);
        folder.stocks.append(stock);
    }
    return folder;
}

std::optional<GeneratedReport> QuoteFolderGenerator::reportPage(const GeneratedQuoteFolder& folder,
                                                                const GeneratedQuoteStock& stock) const {
    if (!stock.hasReportPage)
        return std::nullopt;
    const QString code = stock.key.mid(2);
    QList<QDate> days = folder.tradingDays;
    if (stock.role == QuoteStockRole::Stale)
        days.removeLast();
    else if (stock.role == QuoteStockRole::NewlyListed)
        days = days.mid(days.size() - 2);
    const qsizetype count = days.size();
    const auto fromEnd = [&](qsizetype k) { return days.at(count - 1 - k); };  // 0: the last bar

    // Each page from its own seed: the pages do not change when stocks are added.
    Random random(m_options.seed * 0x9E3779B97F4A7C15ULL + code.toULongLong());
    QList<ReportAnomaly> anomalies;
    switch (stock.role) {
        case QuoteStockRole::Surge:
        case QuoteStockRole::Plunge:
            // The newest day lists the three days' summed deviation, as the exchange does
            // once it passes 20 %; the two before it their own day's.
            for (qsizetype k = 0; k < 3; ++k) {
                const bool surge = stock.role == QuoteStockRole::Surge;
                const ReportAnomalyKind kind =
                    k == 0 ? (surge ? ReportAnomalyKind::ThreeDayRise : ReportAnomalyKind::ThreeDayFall)
                           : (surge ? ReportAnomalyKind::Rise : ReportAnomalyKind::Fall);
                anomalies.append({fromEnd(k), kind});
            }
            break;
        case QuoteStockRole::HighTurnover:
            anomalies.append({fromEnd(0), ReportAnomalyKind::Turnover});
            break;
        case QuoteStockRole::NewlyListed:
            anomalies.append({days.first(), ReportAnomalyKind::Rise});
            break;
        default: {
            // Listed some time ago, never in the last days the screening looks at.
            const int wanted = random.between(1, 3);
            for (qsizetype k = random.between(5, 15); anomalies.size() < wanted && k < count;
                 k += random.between(3, 25)) {
                static const ReportAnomalyKind kinds[] = {ReportAnomalyKind::Rise, ReportAnomalyKind::Fall,
                                                          ReportAnomalyKind::Turnover};
                anomalies.append({fromEnd(k), kinds[random.between(0, 2)]});
            }
            if (anomalies.isEmpty())
                anomalies.append({days.first(), ReportAnomalyKind::Rise});
            break;
        }
    }
    ReportGenerator generator(static_cast<quint32>(m_options.seed ^ (code.toUInt() * 2654435761u)));
    return generator.generate({code, stock.name}, days.last(), anomalies, random.between(0, 3));
}

bool QuoteFolderGenerator::write(const QString& quoteFolder, QString* error) const {
    if (m_options.stockCount < 1 || m_options.stockCount > 10000 || m_options.barCount < 5) {
        if (error)
            *error = QStringLiteral("a generated quote folder holds 1 to 10000 stocks of at least 5 bars");
        return false;
    }
    const GeneratedQuoteFolder folder = plan();
    for (const char* sub : {"Vipdoc\\sh\\lday", "Vipdoc\\sz\\lday", "T0002\\hq_cache"}) {
        const QString path = QuotePaths::quoteFilePath(quoteFolder, QString::fromLatin1(sub));
        if (!QDir().mkpath(path)) {
            if (error)
                *error = QStringLiteral("cannot create %1").arg(path);
            return false;
        }
    }
    Random random(m_options.seed ^ 0x5DEECE66DULL);
    const QList<QDate>& days = folder.tradingDays;
    if (!writeFile(QuotePaths::dailyBarFile(quoteFolder, shanghaiIndexCode()),
                   barsFor(nullptr, days, random, true), error) ||
        !writeFile(QuotePaths::dailyBarFile(quoteFolder, shenzhenIndexCode()),
                   barsFor(nullptr, days, random, true), error))
        return false;
    for (const GeneratedQuoteStock& stock : folder.stocks) {
        if (stock.role == QuoteStockRole::NoDailyFile)
            continue;
        QList<QDate> stockDays = days;
        if (stock.role == QuoteStockRole::NewlyListed)
            stockDays = days.mid(days.size() - 2);
        else if (stock.role == QuoteStockRole::Stale)
            stockDays.removeLast();
        if (!writeFile(QuotePaths::dailyBarFile(quoteFolder, stock.key),
                       barsFor(&stock, stockDays, random, false), error))
            return false;
    }
    if (!writeFile(QuotePaths::nameTableFile(quoteFolder, QStringLiteral("sz")),
                   nameTable(folder.stocks, QStringLiteral("sz"), m_options.lastDay, random), error) ||
        !writeFile(QuotePaths::nameTableFile(quoteFolder, QStringLiteral("sh")),
                   nameTable(folder.stocks, QStringLiteral("sh"), m_options.lastDay, random), error) ||
        !writeFile(QuotePaths::baseDbfFile(quoteFolder),
                   baseDbf(folder.stocks, folder.extraBaseRecords, m_options.lastDay, random), error))
        return false;
    return writeSimulatedProgram(quoteFolder, folder, error);
}

// The main-force monitor's alerts of one trading day for the simulated quote program:
// a few for every stock, at random moments of the two trading sessions, selling or
// buying, with a price near the stock's scale and a volume of 1,000 to 40,000 lots (10
// to 400 times 10,000 shares, so some pass the relay's usual threshold of 80 and some do
// not). A feed of its own, seeded apart, so the rest of the folder keeps its bytes.
QByteArray QuoteFolderGenerator::monitorFeed(const GeneratedQuoteFolder& folder) const {
    struct Line {
        int second;
        QString text;
    };
    Random random(quint64(m_options.seed) ^ 0x6D6F6E69746F72ULL);
    constexpr int kMorning = 9 * 3600 + 30 * 60;
    constexpr int kSessionLength = 2 * 3600;
    constexpr int kAfternoon = 13 * 3600;
    QList<Line> lines;
    for (const GeneratedQuoteStock& stock : folder.stocks) {
        const int alerts = random.between(2, 6);
        const double scale = random.between(3.0, 60.0);
        for (int i = 0; i < alerts; ++i) {
            const int offset = random.between(0, 2 * kSessionLength - 1);
            const int second =
                offset < kSessionLength ? kMorning + offset : kAfternoon + offset - kSessionLength;
            const QTime time = QTime(0, 0).addSecs(second);
            const bool selling = random.between(0, 1) == 0;
            const double price = scale * random.between(0.95, 1.05);
            const int lots = random.between(1000, 40000);
            lines.append({second, time.toString(QStringLiteral("HH:mm:ss")) +
                                      (selling ? QStringLiteral("\tS\t") : QStringLiteral("\tB\t")) +
                                      time.toString(QStringLiteral("HH:mm")) + QLatin1Char('\t') +
                                      stock.name + QLatin1Char('\t') + QString::number(price, 'f', 2) +
                                      QLatin1Char('/') + QString::number(lots) + QLatin1Char('\n')});
        }
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.second < b.second; });
    QByteArray bytes;
    for (const Line& line : lines)
        bytes += line.text.toUtf8();
    return bytes;
}

// What the simulated quote program shows: a page per stock, the way its copy comes out
// (lines ending "\r\n"; GBK mostly, UTF-8 now and then), and the names its general page
// gives.
bool QuoteFolderGenerator::writeSimulatedProgram(const QString& quoteFolder,
                                                 const GeneratedQuoteFolder& folder, QString* error) const {
    const QString pages = QuotePaths::quoteFilePath(quoteFolder, QStringLiteral("sim\\pages"));
    if (!QDir().mkpath(pages)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(pages);
        return false;
    }
    QByteArray names;
    for (qsizetype i = 0; i < folder.stocks.size(); ++i) {
        const GeneratedQuoteStock& stock = folder.stocks[i];
        const QString code = stock.key.mid(2);
        names += (code + QLatin1Char(' ') + stock.name + QLatin1Char('\n')).toUtf8();
        const std::optional<GeneratedReport> report = reportPage(folder, stock);
        if (!report)
            continue;
        const QString text = report->lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        const QByteArray bytes =
            i % 4 == 1 || !TextCodec::fitsGbk(text) ? text.toUtf8() : TextCodec::encodeGbk(text);
        if (!writeFile(QuotePaths::quoteFilePath(pages, code + QStringLiteral(".txt")), bytes, error))
            return false;
    }
    return writeFile(QuotePaths::quoteFilePath(quoteFolder, QStringLiteral("sim\\names.txt")), names,
                     error) &&
           writeFile(QuotePaths::quoteFilePath(quoteFolder, QStringLiteral("sim\\monitor.txt")),
                     monitorFeed(folder), error) &&
           writeFile(QuotePaths::quoteFilePath(quoteFolder, QStringLiteral("TdxW.exe")),
                     "Placeholder for the quote program TdxW.exe: Quarrow's simulated desktop starts its "
                     "simulated quote program when this file is run.\n",
                     error);
}

}  // namespace quarrow

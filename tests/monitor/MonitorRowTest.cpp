#include "monitor/MonitorRow.h"

#include "support/TestSupport.h"

using namespace quarrow;

TEST(MonitorRow, SplitsAtRunsOfBlanksAndControlCharactersAndKeepsQuotedFields) {
    const struct {
        QString line;
        QStringList fields;
    } cases[] = {
        {QStringLiteral("10:23\t东方不败\t10.50/12345"),
         {QStringLiteral("10:23"), QStringLiteral("东方不败"), QStringLiteral("10.50/12345")}},
        // An empty cell gives no field: the later ones move forward.
        {QStringLiteral("10:23\t\t 东方不败  \t\t10.50/12345\t"),
         {QStringLiteral("10:23"), QStringLiteral("东方不败"), QStringLiteral("10.50/12345")}},
        {QStringLiteral("10:23\x01\x1f东方不败\r\n10.50/12345"),
         {QStringLiteral("10:23"), QStringLiteral("东方不败"), QStringLiteral("10.50/12345")}},
        {QStringLiteral("\"10 23\"\t\"东方 \"\"不败\"\"\"\tx"),
         {QStringLiteral("10 23"), QStringLiteral("东方 \"不败\""), QStringLiteral("x")}},
        {QStringLiteral("\"\"\tA"), {QString(), QStringLiteral("A")}},
        {QStringLiteral("\"open to the end"), {QStringLiteral("open to the end")}},
        {QStringLiteral(" \t\r\n"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        EXPECT_EQ(splitMonitorRow(c.line), c.fields);
    }
}

// The cells come from another program: an alert is read only from a time of day and a
// price and volume that are plain numbers above zero and of a sane size; a row without the
// three fields or without "/" is no alert at all.
TEST(MonitorRow, ReadsOnlyCellsThatMakeAnAlert) {
    const QString name = QStringLiteral("东方不败");
    const struct {
        QString time;
        QString priceVolume;
        RowKind kind;
        const char* price;  // Alert: P and Q; Malformed: the cell at fault
        const char* quantity;
    } cases[] = {
        {QStringLiteral("10:23"), QStringLiteral("10.50/12345"), RowKind::Alert, "10.5", "123.45"},
        {QStringLiteral("9:31:05"), QStringLiteral("10.50/5000"), RowKind::Alert, "10.5", "50"},
        {QStringLiteral("10:23"), QStringLiteral("3.2/1"), RowKind::Alert, "3.2", "0.01"},
        {QStringLiteral("10:23"), QStringLiteral("10.50"), RowKind::NotAnAlert, "", ""},
        {QStringLiteral("10:23"), QStringLiteral("abc/def"), RowKind::Malformed, "价格", ""},
        {QStringLiteral("10:23"), QStringLiteral("10.50/def"), RowKind::Malformed, "数量", ""},
        {QStringLiteral("10:23"), QStringLiteral("NaN/inf"), RowKind::Malformed, "价格", ""},
        {QStringLiteral("10:23"), QStringLiteral("10.50/1e5"), RowKind::Malformed, "数量", ""},
        {QStringLiteral("10:23"), QStringLiteral("10.50/") + QString(5000, QLatin1Char('9')),
         RowKind::Malformed, "价格/数量", ""},
        {QStringLiteral("10:23"), QStringLiteral("10.50/9") + QString(30, QLatin1Char('0')),
         RowKind::Malformed, "数量", ""},
        {QStringLiteral("10:23"), QStringLiteral("-5/-100"), RowKind::Malformed, "价格", ""},
        {QStringLiteral("10:23"), QStringLiteral("5/-100"), RowKind::Malformed, "数量", ""},
        {QStringLiteral("10:23"), QStringLiteral("0/100"), RowKind::Malformed, "价格", ""},
        {QStringLiteral("10:23"), QStringLiteral("10.50/0"), RowKind::Malformed, "数量", ""},
        {QStringLiteral("10:23"), QStringLiteral("--/7"), RowKind::Malformed, "价格", ""},
        {QString(100000, QLatin1Char('1')), QStringLiteral("10.50/12345"), RowKind::Malformed, "时间", ""},
        {QStringLiteral("25:61"), QStringLiteral("10.50/12345"), RowKind::Malformed, "时间", ""},
        {QStringLiteral("东方"), QStringLiteral("10.50/12345"), RowKind::Malformed, "时间", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.time.left(20) + QLatin1Char('|') + c.priceVolume.left(40)).toStdString());
        const AlertReading reading = parseMonitorAlert({c.time, name, c.priceVolume});
        ASSERT_EQ(reading.kind, c.kind);
        if (c.kind == RowKind::Alert) {
            EXPECT_EQ(reading.alert.time, c.time);
            EXPECT_EQ(reading.alert.price.toString(), QLatin1String(c.price));
            EXPECT_EQ(reading.alert.quantity.toString(), QLatin1String(c.quantity));
        } else if (c.kind == RowKind::Malformed) {
            EXPECT_EQ(reading.problem, QString::fromUtf8(c.price));
        }
    }
    EXPECT_EQ(parseMonitorAlert({QStringLiteral("10:23"), name}).kind, RowKind::NotAnAlert);
    // The log names a refused row by its beginning only.
    EXPECT_EQ(rowExcerpt({QString(100000, QLatin1Char('1')), name}),
              QString(60, QLatin1Char('1')) + QStringLiteral("…"));
}

// The memo names the trading day: Friday's on a weekend, while the row's date stays today.
TEST(MonitorRow, MemoCarriesTheTradingDayAndSide) {
    const MonitorAlert alert{QStringLiteral("10:23"), QStringLiteral("东方不败"),
                             QStringLiteral("10.50/12345"), *Money::parse(QStringLiteral("123.45")),
                             *Money::parse(QStringLiteral("10.5"))};
    const struct {
        QDate today;
        AlertSide side;
        QString memo;
    } cases[] = {
        {QDate(2017, 3, 16), AlertSide::Selling, QStringLiteral("0316-600610-10:23抛123.45")},
        {QDate(2017, 3, 18), AlertSide::Buying, QStringLiteral("0317-600610-10:23买123.45")},
        {QDate(2017, 3, 19), AlertSide::Selling, QStringLiteral("0317-600610-10:23抛123.45")},
        {QDate(2017, 1, 1), AlertSide::Selling, QStringLiteral("1230-600610-10:23抛123.45")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.today.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(alertMemo(memoDayPrefix(c.today), QStringLiteral("600610"), alert, c.side), c.memo);
    }
    // A second alert of the same minute, side and quantity is told apart by its number.
    EXPECT_EQ(alertMemo(QStringLiteral("0316-"), QStringLiteral("600610"), alert, AlertSide::Selling, 2),
              QStringLiteral("0316-600610-10:23抛123.45#2"));
}

TEST(MonitorRow, TradingHoursIncludeBothEndsOfEachSession) {
    const QDate thursday(2017, 3, 16);
    const struct {
        QDate day;
        QTime time;
        bool inHours;
    } cases[] = {
        {thursday, QTime(9, 29, 59), false}, {thursday, QTime(9, 30), true},
        {thursday, QTime(11, 35), true},     {thursday, QTime(11, 36), false},
        {thursday, QTime(13, 0), true},      {thursday, QTime(15, 5), true},
        {thursday, QTime(15, 5, 1), false},  {QDate(2017, 3, 18), QTime(10, 0), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time.toString().toStdString());
        EXPECT_EQ(inMonitorTradingHours(QDateTime(c.day, c.time)), c.inHours);
    }
}

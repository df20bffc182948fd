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

TEST(MonitorRow, ReadsPriceAndQuantityInTenThousandShares) {
    const struct {
        QStringList fields;
        bool alert;
        const char* price;
        const char* quantity;
    } cases[] = {
        {{QStringLiteral("10:23"), QStringLiteral("东方不败"), QStringLiteral("10.50/12345")},
         true,
         "10.5",
         "123.45"},
        {{QStringLiteral("10:23"), QStringLiteral("东方不败"), QStringLiteral("10.50/5000")},
         true,
         "10.5",
         "50"},
        {{QStringLiteral("10:23"), QStringLiteral("东方不败"), QStringLiteral("--/7")}, true, "0", "0.07"},
        {{QStringLiteral("10:23"), QStringLiteral("东方不败"), QStringLiteral("10.50/")}, true, "10.5", "0"},
        {{QStringLiteral("10:23"), QStringLiteral("东方不败"), QStringLiteral("10.50")}, false, "", ""},
        {{QStringLiteral("10:23"), QStringLiteral("东方不败")}, false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields.join(QLatin1Char('|')).toStdString());
        const auto alert = parseMonitorAlert(c.fields);
        ASSERT_EQ(alert.has_value(), c.alert);
        if (!alert)
            continue;
        EXPECT_EQ(alert->price.toString(), QLatin1String(c.price));
        EXPECT_EQ(alert->quantity.toString(), QLatin1String(c.quantity));
    }
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

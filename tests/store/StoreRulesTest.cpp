// The rules a store's values travel by: the record key as Access's currency, the key's form
// on each kind of store, the titles and contents of a select's columns, and which Access
// driver an Access file goes through.

#include "store/OdbcDrivers.h"
#include "store/StoreLocation.h"
#include "store/StoreRules.h"

#include "support/TestSupport.h"

#include <limits>

using namespace quarrow;

TEST(CurrencyKey, EveryKeyIsItsCurrencyValuesRawScaledIntegerBothWays) {
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    const struct {
        qint64 key;
        const char* text;
    } cases[] = {
        {0, "0.0000"},
        {1, "0.0001"},
        {-1, "-0.0001"},
        {10000, "1.0000"},
        {(qint64(1) << 31) + 7, "214748.3655"},
        {(qint64(1) << 40) + 1, "109951162.7777"},
        {-9204596084726196989, "-920459608472619.6989"},
        {kMax, "922337203685477.5807"},
        {kMin, "-922337203685477.5808"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(currencyKeyText(c.key), QString::fromLatin1(c.text));
        EXPECT_EQ(keyOfCurrencyText(QString::fromLatin1(c.text)), c.key);
    }
}

TEST(CurrencyKey, TheTextsDriversGiveAreReadAndNoOtherTextIsAKey) {
    const struct {
        const char* text;
        std::optional<qint64> key;
    } cases[] = {
        {"12.5", 125000},
        {"12", 120000},
        {"+3.0000", 30000},
        {" 1.23450 ", 12345},
        {".5", 5000},
        {"-0", 0},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"abc", std::nullopt},
        {"1.23456", std::nullopt},  // a fifth decimal is no currency
        {"1.2.3", std::nullopt},
        {"1e5", std::nullopt},
        {"922337203685477.5808", std::nullopt},
        {"-922337203685477.5809", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(keyOfCurrencyText(QString::fromLatin1(c.text)), c.key);
    }
}

TEST(KeyForm, AccessAndDecimalsOfFourAreCurrencyAnIntegerColumnIsAnInteger) {
    const struct {
        StoreKind kind;
        int sqlType;
        int decimals;
        KeyForm form;
    } cases[] = {
        {StoreKind::Access, kSqlNumeric, 4, KeyForm::Currency},
        {StoreKind::Access, 12 /* varchar */, 0, KeyForm::Currency},
        {StoreKind::Access, kSqlBigInt, 0, KeyForm::Integer},  // a Large Number column
        {StoreKind::Odbc, kSqlDecimal, 4, KeyForm::Currency},  // SQL Server's money
        {StoreKind::Odbc, kSqlNumeric, 0, KeyForm::Integer},
        {StoreKind::Odbc, kSqlBigInt, 0, KeyForm::Integer},
        {StoreKind::Odbc, 12, 0, KeyForm::Integer},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyFormOf(c.kind, c.sqlType, c.decimals), c.form) << c.sqlType << " " << c.decimals;
}

TEST(SelectColumns, TitlesAreTheStatementsOwnAndEachColumnHoldsWhatItsSourceHolds) {
    const QList<SelectColumn> columns =
        selectColumns(QStringLiteral("Select StCode as 代码, StName as 股票名称,StDate as 交易日,sum(StBuy) "
                                     "as 买入万股, c.StKEY, count(*), "
                                     "max(StLastDate), (select min(ID) from tblStChange where a, b) as first "
                                     "From tblMainBuySale where x in (1, 2)"));
    QStringList titles;
    QList<ColumnKind> kinds;
    for (const SelectColumn& column : columns) {
        titles << column.title;
        kinds << column.kind;
    }
    EXPECT_EQ(titles, (QStringList{"代码", "股票名称", "交易日", "买入万股", "StKEY", "count(*)",
                                   "max(StLastDate)", "first"}));
    EXPECT_EQ(kinds,
              (QList<ColumnKind>{ColumnKind::Other, ColumnKind::Other, ColumnKind::Day, ColumnKind::Money,
                                 ColumnKind::Key, ColumnKind::Whole, ColumnKind::Day, ColumnKind::Whole}));
    EXPECT_TRUE(selectColumns(QStringLiteral("select * from tblStocks")).isEmpty());
    EXPECT_TRUE(selectColumns(QStringLiteral("delete from tblStocks")).isEmpty());
}

TEST(SelectColumns, ValuesComeAsTheOwnFileGivesThem) {
    EXPECT_EQ(normalisedValue(QDateTime(QDate(2017, 3, 16), QTime(0, 0)), ColumnKind::Day, KeyForm::Integer),
              QVariant(QStringLiteral("2017-03-16")));
    EXPECT_EQ(normalisedValue(QDate(2017, 3, 16), ColumnKind::Day, KeyForm::Integer),
              QVariant(QStringLiteral("2017-03-16")));
    EXPECT_EQ(normalisedValue(QStringLiteral("1500.2500"), ColumnKind::Money, KeyForm::Integer),
              QVariant(1500.25));
    EXPECT_EQ(normalisedValue(QStringLiteral("17"), ColumnKind::Whole, KeyForm::Integer),
              QVariant(qint64(17)));
    EXPECT_EQ(normalisedValue(QStringLiteral("-920459608472619.6989"), ColumnKind::Key, KeyForm::Currency),
              QVariant(qint64(-9204596084726196989)));
    EXPECT_EQ(normalisedValue(QStringLiteral("-9204596084726196989"), ColumnKind::Key, KeyForm::Integer),
              QVariant(qint64(-9204596084726196989)));
    EXPECT_TRUE(
        normalisedValue(QVariant(QMetaType::fromType<QDate>()), ColumnKind::Day, KeyForm::Integer).isNull());
}

TEST(AccessDriver, TheEnginesDriverComesFirstThenWindowsOwnElseOneMessageSaysWhatToInstall) {
    const QString engine = QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)");
    const QString windows = QStringLiteral("Microsoft Access Driver (*.mdb)");
    const struct {
        QStringList installed;
        QString chosen;
    } cases[] = {
        {{windows, engine, QStringLiteral("SQL Server")}, engine},
        {{QStringLiteral("SQLite3"), windows}, windows},
        {{QStringLiteral("SQLite3"), QStringLiteral("SQL Server")}, QString()},
        {{}, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installed.join(QStringLiteral(", ")).toStdString());
        const StoreLocation location =
            StoreLocation::ofAccess(QStringLiteral("/data/Quarrow.mdb"), c.installed);
        EXPECT_EQ(location.kind, StoreKind::Access);
        EXPECT_EQ(location.engine(), StoreKind::Access);
        if (c.chosen.isEmpty()) {
            EXPECT_TRUE(location.connection.isEmpty());
            EXPECT_TRUE(
                location.unavailable.contains(QStringLiteral("Microsoft Access Database Engine (64-bit)")));
            EXPECT_TRUE(location.unavailable.contains(QStringLiteral("import-db")));
        } else {
            EXPECT_TRUE(location.connection.startsWith(QStringLiteral("Driver={") + c.chosen +
                                                       QStringLiteral("};DBQ=")))
                << location.connection.toStdString();
            EXPECT_TRUE(location.unavailable.isEmpty());
        }
    }
    EXPECT_EQ(
        StoreLocation::ofOdbc(QStringLiteral("Driver={") + windows + QStringLiteral("};DBQ=x.mdb")).engine(),
        StoreKind::Access);
    EXPECT_EQ(StoreLocation::ofOdbc(QStringLiteral("DSN=Quarrow")).engine(), StoreKind::Odbc);
}

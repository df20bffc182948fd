#include "store/StoreRules.h"

#include "store/Statement.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QStringView>

#include <functional>
#include <limits>

namespace quarrow {

QString currencyKeyText(qint64 key) {
    return Money::fromRaw(key).toFixed(4);
}

std::optional<qint64> keyOfCurrencyText(const QString& input) {
    const QString text = input.trimmed();
    qsizetype i = 0;
    const bool negative = i < text.size() && text[i] == QLatin1Char('-');
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    // The magnitude in ten-thousandths; the most negative key has one more than the most
    // positive, so it is gathered unsigned.
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    quint64 magnitude = 0;
    int digits = 0;
    int decimals = -1;  // -1 until the point
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('.') && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (decimals >= 4) {
            if (digit != 0)
                return std::nullopt;  // a fifth decimal: no currency value
            continue;
        }
        if (magnitude > (limit - digit) / 10)
            return std::nullopt;
        magnitude = magnitude * 10 + digit;
        ++digits;
        if (decimals >= 0)
            ++decimals;
    }
    if (digits == 0)
        return std::nullopt;
    for (int d = decimals < 0 ? 0 : decimals; d < 4; ++d) {
        if (magnitude > limit / 10)
            return std::nullopt;
        magnitude *= 10;
    }
    if (negative)
        return magnitude == 0 ? 0 : -static_cast<qint64>(magnitude - 1) - 1;
    return static_cast<qint64>(magnitude);
}

KeyForm keyFormOf(StoreKind kind, int sqlType, int decimals) {
    if (sqlType == kSqlBigInt)
        return KeyForm::Integer;  // a Large Number, or another engine's 64-bit integer
    if ((sqlType == kSqlNumeric || sqlType == kSqlDecimal) && decimals == 4)
        return KeyForm::Currency;  // how Access's and SQL Server's drivers describe currency
    // The first release's Access files keep the key in a currency column, whatever the
    // driver calls it.
    return kind == StoreKind::Access ? KeyForm::Currency : KeyForm::Integer;
}

ColumnKind columnKindOf(const QString& column) {
    static const QHash<QString, ColumnKind> kinds{
        {QStringLiteral("stdate"), ColumnKind::Day},
        {QStringLiteral("stissuedate"), ColumnKind::Day},
        {QStringLiteral("strefreshdate"), ColumnKind::Day},
        {QStringLiteral("stdocdate"), ColumnKind::Day},
        {QStringLiteral("stlastdate"), ColumnKind::Day},
        {QStringLiteral("stbiglast"), ColumnKind::Day},
        {QStringLiteral("stbuy"), ColumnKind::Money},
        {QStringLiteral("stsale"), ColumnKind::Money},
        {QStringLiteral("strate"), ColumnKind::Money},
        {QStringLiteral("stprice"), ColumnKind::Money},
        {QStringLiteral("stqty"), ColumnKind::Money},
        {QStringLiteral("stamt"), ColumnKind::Money},
        {QStringLiteral("stamount"), ColumnKind::Money},
        {QStringLiteral("stquantity"), ColumnKind::Money},
        {QStringLiteral("staquantity"), ColumnKind::Money},
        {QStringLiteral("stkey"), ColumnKind::Key},
        {QStringLiteral("id"), ColumnKind::Whole},
        {QStringLiteral("stdeptkey"), ColumnKind::Whole},
        {QStringLiteral("stdeptbuykey"), ColumnKind::Whole},
        {QStringLiteral("stdeptsalekey"), ColumnKind::Whole},
        {QStringLiteral("stnew"), ColumnKind::Whole},
        {QStringLiteral("starchived"), ColumnKind::Whole},
    };
    return kinds.value(column.toLower(), ColumnKind::Other);
}

namespace {

// Calls atTopLevel(i) for each position from `from` on that lies outside brackets and
// quotes, until it returns true; that position, or -1.
qsizetype findAtTopLevel(const QString& text, qsizetype from,
                         const std::function<bool(qsizetype)>& atTopLevel) {
    int depth = 0;
    QChar quote;
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (depth == 0 && atTopLevel(i)) {
            return i;
        }
    }
    return -1;
}

// The top-level pieces of a select list, split at commas outside brackets and quotes.
QStringList topLevelItems(const QString& list) {
    QStringList items;
    qsizetype start = 0;
    findAtTopLevel(list, 0, [&](qsizetype i) {
        if (list[i] == QLatin1Char(',')) {
            items << list.mid(start, i - start).trimmed();
            start = i + 1;
        }
        return false;
    });
    items << list.mid(start).trimmed();
    return items;
}

// Where the top-level "from" of a select begins, after position from; -1 when it has none.
qsizetype topLevelFrom(const QString& sql, qsizetype from) {
    const auto wordChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    return findAtTopLevel(sql, from, [&](qsizetype i) {
        return QStringView(sql).mid(i, 4).compare(u"from", Qt::CaseInsensitive) == 0 &&
               (i == 0 || !wordChar(sql[i - 1])) && (i + 4 >= sql.size() || !wordChar(sql[i + 4]));
    });
}

}  // namespace

QList<SelectColumn> selectColumns(const QString& sql) {
    static const QRegularExpression head(QStringLiteral("^\\s*select\\s+(distinct\\s+)?"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression alias(QStringLiteral("\\s+as\\s+([^\\s,]+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression identifier(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*"));
    const auto start = head.match(sql);
    if (!start.hasMatch())
        return {};
    const qsizetype from = topLevelFrom(sql, start.capturedEnd());
    const QString list = sql.mid(start.capturedEnd(), from < 0 ? -1 : from - start.capturedEnd());
    QList<SelectColumn> columns;
    for (QString item : topLevelItems(list)) {
        if (item == QLatin1String("*") || item.endsWith(QLatin1String(".*")))
            return {};
        SelectColumn column;
        if (const auto named = alias.match(item); named.hasMatch()) {
            column.title = named.captured(1);
            item = item.left(named.capturedStart());
        }
        QString last;
        bool counted = item.startsWith(QLatin1String("count("), Qt::CaseInsensitive);
        for (auto it = identifier.globalMatch(item); it.hasNext();) {
            const QString name = it.next().captured(0);
            last = name;
            if (!counted && columnKindOf(name) != ColumnKind::Other)
                column.kind = columnKindOf(name);
        }
        if (counted)
            column.kind = ColumnKind::Whole;
        // Unnamed, a column is called by its own name, an expression by its text.
        static const QRegularExpression plain(
            QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*\\.)?[A-Za-z_][A-Za-z0-9_]*$"));
        if (column.title.isEmpty())
            column.title = plain.match(item.trimmed()).hasMatch() ? last : item.trimmed();
        columns << column;
    }
    return columns;
}

QDate dayOfValue(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QDate:
            return value.toDate();
        case QMetaType::QDateTime:
            // A driver's timestamp of a day without time: the day as written, whatever zone
            // Qt gives the value.
            return value.toDateTime().date();
        default:
            return value.isNull() ? QDate() : Statement::parseDay(value.toString());
    }
}

Money moneyOfValue(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) {
        if (const std::optional<Money> exact = Money::parse(value.toString()))
            return *exact;
    }
    return Money::fromDouble(value.toDouble());
}

qint64 keyOfValue(const QVariant& value, KeyForm form) {
    if (form == KeyForm::Currency)
        return keyOfCurrencyText(value.toString()).value_or(0);
    if (value.typeId() == QMetaType::QString)
        return value.toString().trimmed().toLongLong();
    return value.toLongLong();
}

QVariant normalisedValue(const QVariant& value, ColumnKind kind, KeyForm key) {
    if (value.isNull())
        return value;
    switch (kind) {
        case ColumnKind::Day: {
            const QDate day = dayOfValue(value);
            return day.isValid() ? QVariant(Statement::dayText(day)) : value;
        }
        case ColumnKind::Money:
            return moneyOfValue(value).toDouble();
        case ColumnKind::Whole:
            return value.typeId() == QMetaType::QString ? QVariant(value.toString().trimmed().toLongLong())
                                                        : QVariant(value.toLongLong());
        case ColumnKind::Key:
            return QVariant(keyOfValue(value, key));
        case ColumnKind::Other:
            break;
    }
    return value;
}

}  // namespace quarrow

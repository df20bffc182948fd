#include "store/Statement.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>

namespace quarrow {

Statement::Statement(std::shared_ptr<QSqlQuery> query, bool prepared, QString error, ValueRules rules,
                     QString sql)
    : m_query(std::move(query)),
      m_error(std::move(error)),
      m_sql(std::move(sql)),
      m_rules(rules),
      m_prepared(prepared) {}

Statement::~Statement() {
    // A select left open would hold its read snapshot until the statement is reused.
    if (m_query && m_query->isActive())
        m_query->finish();
}

Statement& Statement::bind(const QString& name, const QString& text) {
    m_query->bindValue(name, text);
    return *this;
}

Statement& Statement::bind(const QString& name, const QDate& day) {
    if (m_rules.odbc) {
        // A date parameter: an Access date column compares and stores it as a day, and
        // the SQLite driver writes it as 'yyyy-mm-dd' text like our own file.
        m_query->bindValue(name, day.isValid() ? QVariant(day) : QVariant(QMetaType::fromType<QDate>()));
        return *this;
    }
    m_query->bindValue(name, day.isValid() ? QVariant(dayText(day)) : QVariant());
    return *this;
}

Statement& Statement::bind(const QString& name, Money amount) {
    m_query->bindValue(name, amount.toDouble());
    return *this;
}

Statement& Statement::bind(const QString& name, qint32 value) {
    m_query->bindValue(name, value);
    return *this;
}

Statement& Statement::bind(const QString& name, qint64 value) {
    m_query->bindValue(name, value);
    return *this;
}

Statement& Statement::bind(const QString& name, bool value) {
    m_query->bindValue(name, value);
    return *this;
}

Statement& Statement::bindKey(const QString& name, qint64 key) {
    if (m_rules.key == KeyForm::Currency)
        m_query->bindValue(name, currencyKeyText(key));
    else
        m_query->bindValue(name, key);
    return *this;
}

Statement& Statement::bindNull(const QString& name) {
    m_query->bindValue(name, QVariant());
    return *this;
}

bool Statement::exec() {
    if (!m_prepared)
        return false;
    if (m_query->exec())
        return true;
    const QSqlError error = m_query->lastError();
    m_error = error.text();
    m_nativeError = error.nativeErrorCode();
    return false;
}

bool Statement::failedOnUniqueKey() const {
    // SQLITE_CONSTRAINT_UNIQUE and SQLITE_CONSTRAINT_PRIMARYKEY.
    if (m_nativeError == QLatin1String("2067") || m_nativeError == QLatin1String("1555"))
        return true;
    // Through ODBC, Qt hands on the driver's own code, not the ODBC state: Microsoft's Access
    // driver says -1605 for a value repeated in a unique index; the SQLite ODBC driver says
    // 19 for every broken constraint and names the kind in its text.
    if (m_nativeError == QLatin1String("-1605"))
        return true;
    return m_nativeError == QLatin1String("19") &&
           m_error.contains(QLatin1String("UNIQUE constraint failed"));
}

ColumnKind Statement::kindOf(int column) const {
    if (!m_columnsRead) {
        m_columns = selectColumns(m_sql);
        m_columnsRead = true;
    }
    if (m_kinds.isEmpty()) {
        // By the statement's own list where it names every column, else by the names.
        const QSqlRecord record = m_query->record();
        for (int i = 0; i < record.count(); ++i)
            m_kinds << (m_columns.size() == record.count() ? m_columns.at(i).kind
                                                           : columnKindOf(record.fieldName(i)));
    }
    return m_kinds.value(column, ColumnKind::Other);
}

QVariant Statement::value(int column) const {
    const QVariant raw = m_query->value(column);
    if (!m_rules.odbc)
        return raw;
    return normalisedValue(raw, kindOf(column), m_rules.key);
}

QStringList Statement::columnNames() const {
    if (!m_columnsRead) {
        m_columns = selectColumns(m_sql);
        m_columnsRead = true;
    }
    const QSqlRecord record = m_query->record();
    QStringList names;
    // The names a driver reports may be cut or padded (the SQLite ODBC driver hands on a
    // Chinese alias with NUL bytes and the rest of an earlier name): the statement's own
    // names stand whenever it names every column.
    const bool named = m_columns.size() == record.count();
    for (int i = 0; i < record.count(); ++i) {
        if (named) {
            names << m_columns.at(i).title;
        } else {
            const QString field = record.fieldName(i);
            names << field.left(field.indexOf(QChar(u'\0')) < 0 ? field.size() : field.indexOf(QChar(u'\0')));
        }
    }
    return names;
}

QDate Statement::date(int column) const {
    return dayOfValue(m_query->value(column));
}

Money Statement::money(int column) const {
    return moneyOfValue(m_query->value(column));
}

qint64 Statement::key(int column) const {
    return keyOfValue(m_query->value(column), m_rules.key);
}

QString Statement::dayText(const QDate& day) {
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    day.getDate(&year, &month, &dayOfMonth);
    if (!day.isValid() || year < 1 || year > 9999)
        return day.toString(QStringLiteral("yyyy-MM-dd"));
    // Written out by hand: every stored row binds a day, and QDate's formatter goes through
    // the locale machinery for each one.
    const auto digit = [](int value) { return QChar(u'0' + value % 10); };
    const QChar text[] = {digit(year / 1000), digit(year / 100), digit(year / 10),
                          digit(year),        QChar(u'-'),       digit(month / 10),
                          digit(month),       QChar(u'-'),       digit(dayOfMonth / 10),
                          digit(dayOfMonth)};
    return QString(text, 10);
}

QDate Statement::parseDay(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{4})[-/](\\d{1,2})[-/](\\d{1,2})"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return QDate();
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

}  // namespace quarrow

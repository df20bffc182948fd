#pragma once

#include <QString>
#include <QtGlobal>

#include <compare>
#include <optional>

namespace quarrow {

// The database's currency: a signed 64-bit integer scaled by 10,000 (four decimals).
// Amounts, rates, prices and quantities are all held this way so sums are exact.
class Money {
public:
    static constexpr qint64 kScale = 10000;

    constexpr Money() = default;
    static constexpr Money fromRaw(qint64 raw) { return Money(raw); }
    static constexpr Money fromUnits(qint64 units) { return Money(units * kScale); }
    // Rounded to four decimals, halves away from zero.
    static Money fromDouble(double value);
    // Decimal text with an optional sign; more than four decimals round half to even.
    // Returns nothing for text that is not a plain decimal number.
    static std::optional<Money> parse(const QString& text);

    constexpr qint64 raw() const { return m_raw; }
    double toDouble() const { return static_cast<double>(m_raw) / kScale; }
    // Shortest decimal text: "12.5", "-0.01", "20".
    QString toString() const;
    // Fixed decimals, as the grids show amounts: toFixed(2) -> "12.50".
    QString toFixed(int decimals) const;

    constexpr Money abs() const { return Money(m_raw < 0 ? -m_raw : m_raw); }
    constexpr bool isPositive() const { return m_raw > 0; }

    friend constexpr Money operator+(Money a, Money b) { return Money(a.m_raw + b.m_raw); }
    friend constexpr Money operator-(Money a, Money b) { return Money(a.m_raw - b.m_raw); }
    friend constexpr auto operator<=>(Money, Money) = default;

private:
    constexpr explicit Money(qint64 raw) : m_raw(raw) {}
    qint64 m_raw = 0;
};

}  // namespace quarrow

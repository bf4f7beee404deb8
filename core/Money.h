#pragma once
// The accounting amount: a signed 64-bit fixed-point number with 4 decimals (value × 10000).
// Products (also with a floating-point rate, see mulRate) and quotients are computed exactly in 128 bits and
// then kept to four decimals by rounding half away from zero, so 1,000,000 × 0.06552 is exactly 65520.0000.

#include <QString>
#include <QtGlobal>
#include <compare>
#include <optional>

class Money {
public:
    static constexpr qint64 Scale = 10000;

    constexpr Money() = default;
    constexpr Money(int units) : m_raw(qint64(units) * Scale) {}
    // Whole units; beyond the range of amounts throws std::overflow_error.
    Money(qint64 units);
    static constexpr Money fromRaw(qint64 raw) {
        Money m;
        m.m_raw = raw;
        return m;
    }
    // Parses "-1234.5678", "1,234", " 12 " (blanks and thousands separators allowed, at most 4 decimals
    // kept by rounding half away from zero). nullopt for anything else.
    static std::optional<Money> parse(const QString& text);
    // For tests and constants: parse or zero.
    static Money fromString(const QString& text) { return parse(text).value_or(Money()); }
    // Nearest 4-decimal value of a double (for values that arrive as floating point, such as rates).
    static Money fromDouble(double v);

    constexpr qint64 raw() const { return m_raw; }
    double toDouble() const { return double(m_raw) / Scale; }
    // Whole units, truncated toward zero.
    constexpr qint64 truncUnits() const { return m_raw / Scale; }
    constexpr bool isZero() const { return m_raw == 0; }
    constexpr bool hasFraction() const { return m_raw % Scale != 0; }

    // Rounds to whole units: mode 0 truncates toward zero, 1 rounds away from zero when a fraction
    // remains, any other mode rounds half away from zero.
    Money roundUnits(int mode) const;
    // Rounds to a multiple of 10^-decimals (decimals 0..4) with the same modes.
    Money roundDecimals(int decimals, int mode) const;

    // "-1234.5" style: no thousands separators, trailing zeros of the fraction removed.
    QString toString() const;
    // Fixed number of decimals (0..4), rounded half away from zero.
    QString toString(int decimals) const;

    // Sums, differences, products and roundings beyond the 64-bit range throw std::overflow_error: a
    // wrapped amount is never a result.
    Money operator-() const;
    Money operator+(Money o) const;
    Money operator-(Money o) const;
    Money operator*(Money o) const;
    Money operator*(qint64 n) const;
    Money operator*(int n) const { return *this * qint64(n); }
    // Product with a rate that arrives as floating point (a table rate such as 0.06552): the rate is
    // taken as the decimal it stands for (nine places) and the product kept to four decimals, so
    // 1,000,000 × 0.06552 is exactly 65520.0000 where a double product would truncate to 65519.
    Money mulRate(double rate) const;
    // Quotient kept to four decimals (half away from zero). Division by zero throws std::domain_error;
    // a product or quotient beyond the 64-bit range throws std::overflow_error.
    Money operator/(Money o) const;
    Money operator/(qint64 n) const;
    Money operator/(int n) const { return *this / qint64(n); }
    // this × factor / divisor kept to four decimals with a tie going to the even last digit (how the
    // tax quotient is taken). Division by zero throws std::domain_error.
    Money mulDivHalfEven(Money factor, Money divisor) const;
    Money& operator+=(Money o) { return *this = *this + o; }
    Money& operator-=(Money o) { return *this = *this - o; }
    Money& operator*=(Money o) { return *this = *this * o; }
    Money& operator/=(Money o) { return *this = *this / o; }

    constexpr auto operator<=>(const Money&) const = default;
    constexpr bool operator==(const Money&) const = default;

private:
    qint64 m_raw = 0;
};

Money abs(Money m);

#include "core/Money.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

using i128 = __int128;

[[noreturn]] void outOfRange() {
    throw std::overflow_error("amount out of range");
}

// num / den rounded half away from zero, or with tiesToEven a tie to the even quotient.
qint64 divRound(i128 num, i128 den, bool tiesToEven = false) {
    if (den == 0)
        throw std::domain_error("division by zero");
    if (den < 0) {
        num = -num;
        den = -den;
    }
    i128 q = num / den;
    i128 r = num % den;
    if (r < 0)
        r = -r;
    if (r * 2 > den || (r * 2 == den && (!tiesToEven || q % 2 != 0)))
        q += (num < 0) ? -1 : 1;
    if (q > std::numeric_limits<qint64>::max() || q < std::numeric_limits<qint64>::min())
        outOfRange();
    return static_cast<qint64>(q);
}

qint64 checkedAdd(qint64 a, qint64 b) {
    qint64 r;
    if (__builtin_add_overflow(a, b, &r))
        outOfRange();
    return r;
}

qint64 checkedMul(qint64 a, qint64 b) {
    qint64 r;
    if (__builtin_mul_overflow(a, b, &r))
        outOfRange();
    return r;
}

qint64 pow10(int n) {
    qint64 v = 1;
    while (n-- > 0)
        v *= 10;
    return v;
}

} // namespace

std::optional<Money> Money::parse(const QString& text) {
    QString t = text.trimmed();
    t.remove(u',');
    if (t.isEmpty())
        return std::nullopt;
    bool negative = false;
    if (t.startsWith(u'-') || t.startsWith(u'+')) {
        negative = t.startsWith(u'-');
        t = t.mid(1);
    }
    const qsizetype dot = t.indexOf(u'.');
    const QString whole = dot < 0 ? t : t.left(dot);
    const QString frac = dot < 0 ? QString() : t.mid(dot + 1);
    if (whole.isEmpty() && frac.isEmpty())
        return std::nullopt;
    for (QChar c : whole + frac)
        if (!c.isDigit() || c.unicode() > '9')
            return std::nullopt;
    if (whole.size() > 15)
        return std::nullopt;
    i128 raw = whole.isEmpty() ? 0 : whole.toLongLong();
    raw *= Scale;
    QString f = frac;
    qint64 fracRaw = 0;
    if (f.size() <= 4) {
        fracRaw = (f + QString(4 - f.size(), u'0')).toLongLong();
    } else {
        const qint64 head = f.left(4).toLongLong();
        fracRaw = head + (f.at(4).digitValue() >= 5 ? 1 : 0);
    }
    raw += fracRaw;
    if (negative)
        raw = -raw;
    // Fifteen digits can still exceed the 64-bit range (above 922,337,203,685,477.5807).
    if (raw > std::numeric_limits<qint64>::max() || raw < std::numeric_limits<qint64>::min())
        return std::nullopt;
    return fromRaw(static_cast<qint64>(raw));
}

Money::Money(qint64 units) : m_raw(checkedMul(units, Scale)) {}

Money Money::fromDouble(double v) {
    const double raw = std::round(v * Scale);
    // 2^63 is exactly representable; anything from there on (and NaN) has no amount.
    if (!(raw >= -9223372036854775808.0 && raw < 9223372036854775808.0))
        outOfRange();
    return fromRaw(static_cast<qint64>(raw));
}

Money Money::operator-() const {
    return fromRaw(checkedMul(m_raw, -1));
}

Money Money::operator+(Money o) const {
    return fromRaw(checkedAdd(m_raw, o.m_raw));
}

Money Money::operator-(Money o) const {
    qint64 r;
    if (__builtin_sub_overflow(m_raw, o.m_raw, &r))
        outOfRange();
    return fromRaw(r);
}

Money Money::operator*(qint64 n) const {
    return fromRaw(checkedMul(m_raw, n));
}

Money Money::roundDecimals(int decimals, int mode) const {
    decimals = qBound(0, decimals, 4);
    const qint64 unit = pow10(4 - decimals);
    qint64 q = m_raw / unit;
    const qint64 r = m_raw % unit;
    if (r != 0) {
        const qint64 ar = r < 0 ? -r : r;
        const bool away = (mode == 0) ? false : (mode == 1) ? true : (ar * 2 >= unit);
        if (away)
            q += (m_raw < 0) ? -1 : 1;
    }
    return fromRaw(checkedMul(q, unit));
}

Money Money::roundUnits(int mode) const {
    return roundDecimals(0, mode);
}

QString Money::toString() const {
    QString s = toString(4);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    return s;
}

QString Money::toString(int decimals) const {
    decimals = qBound(0, decimals, 4);
    const Money r = roundDecimals(decimals, 2);
    qint64 raw = r.m_raw;
    const bool negative = raw < 0;
    quint64 a = negative ? quint64(-(raw + 1)) + 1 : quint64(raw);
    QString s = QString::number(a / Scale);
    if (decimals > 0) {
        const quint64 frac = (a % Scale) / quint64(pow10(4 - decimals));
        s += u'.' + QString::number(frac).rightJustified(decimals, u'0');
    }
    return negative ? u'-' + s : s;
}

Money Money::operator*(Money o) const {
    return fromRaw(divRound(i128(m_raw) * o.m_raw, Scale));
}

Money Money::mulRate(double rate) const {
    constexpr qint64 kRateScale = 1000000000;
    const double scaled = std::round(rate * double(kRateScale));
    if (!(scaled > -9.2e18 && scaled < 9.2e18))
        outOfRange();
    const i128 scaledRate = static_cast<qint64>(scaled);
    return fromRaw(divRound(i128(m_raw) * scaledRate, kRateScale));
}

Money Money::operator/(Money o) const {
    return fromRaw(divRound(i128(m_raw) * Scale, o.m_raw));
}

Money Money::operator/(qint64 n) const {
    return fromRaw(divRound(i128(m_raw), n));
}

Money Money::mulDivHalfEven(Money factor, Money divisor) const {
    return fromRaw(divRound(i128(m_raw) * factor.m_raw, divisor.m_raw, true));
}

Money abs(Money m) {
    return m < Money() ? -m : m;
}

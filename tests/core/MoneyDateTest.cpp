#include "core/Money.h"
#include "core/TDateTime.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

TEST(Money, ExactProductsAndParsing) {
    EXPECT_EQ(Money::fromString(QStringLiteral("0.06555")).raw(), 656); // four decimals, half away from zero
    EXPECT_EQ(Money(1000000).mulRate(0.06552).toString(4), QStringLiteral("65520.0000"));
    EXPECT_EQ(Money(1000000).mulRate(0.06552).truncUnits(), 65520);
    EXPECT_EQ(Money::fromString(QStringLiteral("123.4567")).mulRate(-0.5).toString(4),
              QStringLiteral("-61.7284"));
    const Money exact = Money::fromString(QStringLiteral("0.0655"));
    EXPECT_EQ((Money(1000000) * exact).toString(4), QStringLiteral("65500.0000"));
    EXPECT_EQ((Money(1000000) * Money::fromString(QStringLiteral("0.1670"))).truncUnits(), 167000);
    EXPECT_EQ(Money::fromString(QStringLiteral("-1,234.5")).toString(), QStringLiteral("-1234.5"));
    EXPECT_FALSE(Money::parse(QStringLiteral("12a")).has_value());

    // The 64-bit range ends inside fifteen digits: beyond it a text is unreadable, never wrapped.
    struct Limit {
        const char* text;
        const char* expected; // nullptr: unreadable
    };
    const Limit limits[] = {
        {"922337203685477.5807", "922337203685477.5807"},
        {"-922337203685477.5808", "-922337203685477.5808"},
        {"922337203685477.5808", nullptr},
        {"999999999999999", nullptr},
        {"-999999999999999", nullptr},
    };
    for (const Limit& l : limits) {
        const auto parsed = Money::parse(QString::fromLatin1(l.text));
        if (l.expected)
            EXPECT_EQ(parsed.value_or(Money()).toString(), QString::fromLatin1(l.expected)) << l.text;
        else
            EXPECT_FALSE(parsed.has_value()) << l.text;
    }
    EXPECT_EQ((Money(300000) / 3).toString(), QStringLiteral("100000"));
    EXPECT_EQ((Money(100) / 3).toString(4), QStringLiteral("33.3333"));
    // A result beyond the range is an error, never a wrapped amount.
    EXPECT_THROW(Money(qint64(1000000000000)) * Money(qint64(100000000)), std::overflow_error);
    EXPECT_THROW(Money(qint64(900000000000000)).mulRate(100.0), std::overflow_error);
    EXPECT_THROW(Money(qint64(900000000000000)) / Money::fromString(QStringLiteral("0.01")),
                 std::overflow_error);
}

// Sums, differences, negation, whole-number products and roundings past the 64-bit range raise as products
// and quotients do: 1001 amounts of 999,999,999,999 never add up to a negative total.
TEST(Money, EveryOperationRaisesInsteadOfWrapping) {
    const Money max = Money::fromRaw(std::numeric_limits<qint64>::max());
    const Money min = Money::fromRaw(std::numeric_limits<qint64>::min());
    const Money big(qint64(999999999999));
    Money total;
    EXPECT_THROW(
        {
            for (int i = 0; i < 1001; ++i)
                total += big;
        },
        std::overflow_error);
    EXPECT_GT(total, Money());
    EXPECT_THROW(max + Money::fromRaw(1), std::overflow_error);
    EXPECT_THROW(min - Money::fromRaw(1), std::overflow_error);
    EXPECT_THROW(-min, std::overflow_error);
    EXPECT_THROW(big * qint64(1000), std::overflow_error);
    EXPECT_THROW(big * 1000, std::overflow_error);
    EXPECT_THROW(Money(qint64(1) << 62), std::overflow_error);
    EXPECT_THROW(Money::fromDouble(1e20), std::overflow_error);
    Money m = min;
    EXPECT_THROW(m -= Money(1), std::overflow_error);
    // Rounding the largest amounts to whole units would leave the range.
    for (int mode : {1, 2})
        EXPECT_THROW(max.roundUnits(mode), std::overflow_error) << mode;
    EXPECT_THROW(min.roundUnits(1), std::overflow_error);
    EXPECT_EQ(max.roundUnits(0).toString(), QStringLiteral("922337203685477"));
    EXPECT_EQ((max - Money(1) + Money(1)).raw(), max.raw());
}

TEST(Money, RoundingModes) {
    struct Case {
        const char* value;
        int mode;
        const char* expected;
    };
    const Case cases[] = {
        {"1.5", 0, "1"},    {"1.5", 1, "2"},      {"1.5", 2, "2"},   {"1.4999", 2, "1"},
        {"1.0001", 1, "2"}, {"-1.5", 0, "-1"},    {"-1.5", 1, "-2"}, {"-1.5", 2, "-2"},
        {"-1.4", 2, "-1"},  {"-1.0001", 1, "-2"}, {"2", 1, "2"},     {"0", 2, "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Money::fromString(QString::fromLatin1(c.value)).roundUnits(c.mode).toString(),
                  QString::fromLatin1(c.expected))
            << c.value << " mode " << c.mode;
}

TEST(TDateTime, DayCountConversions) {
    EXPECT_EQ(TDateTime::fromDate(1899, 12, 30).value(), 0.0);
    EXPECT_TRUE(TDateTime::fromDate(1899, 12, 30).isNull());
    EXPECT_EQ(TDateTime::fromDate(2019, 5, 1).value(), 43586.0);
    EXPECT_EQ(TDateTime(43586.75).toDateTime(), QDateTime(QDate(2019, 5, 1), QTime(18, 0)));
    EXPECT_EQ(TDateTime::fromDateTime(1899, 12, 29, 6, 0, 0).value(), -1.25);
    EXPECT_EQ(TDateTime(-1.25).toDate(), QDate(1899, 12, 29));
    EXPECT_EQ(TDateTime(-1.25).toTime(), QTime(6, 0));
    EXPECT_EQ(TDateTime::fromDate(QDate()).value(), 0.0);
    // Before 1899-12-30 a later time of day is a more negative value; the order follows the moment.
    EXPECT_LT(TDateTime::fromDate(1868, 9, 8), TDateTime::fromDateTime(1868, 9, 8, 12, 0, 0));
    EXPECT_LT(TDateTime::fromDateTime(1868, 9, 8, 12, 0, 0), TDateTime::fromDate(1868, 9, 9));
    EXPECT_LT(TDateTime::fromDateTime(1899, 12, 29, 23, 0, 0), TDateTime::fromDate(1899, 12, 30).addDays(0));
}

#include "core/uAccDateCmp.h"

#include <gtest/gtest.h>

namespace {

TDateTime D(int y, int m, int d) {
    return TDateTime::fromDate(y, m, d);
}

class EraTable : public ::testing::Test {
protected:
    void SetUp() override { BuildEraTable(); }
    void TearDown() override { GengoTable.clear(); }
};

} // namespace

TEST_F(EraTable, BuiltInRowsNewestFirst) {
    ASSERT_EQ(GengoTable.size(), 5);
    EXPECT_EQ(GengoTable[0].Name, QStringLiteral("令和"));
    EXPECT_EQ(GengoTable[0].Letter, QStringLiteral("R"));
    EXPECT_EQ(GengoTable[0].StartDate, D(2019, 5, 1));
    EXPECT_EQ(GengoTable[0].StartYear, 2019);
    EXPECT_EQ(GengoTable[4].Name, QStringLiteral("明治"));
    EXPECT_EQ(GengoTable[4].StartDate, D(1868, 9, 8));
    BuildEraTable(); // rebuilding replaces, never appends
    EXPECT_EQ(GengoTable.size(), 5);
}

TEST_F(EraTable, DateToWarekiAtEraBoundaries) {
    struct Case {
        const char* name;
        TDateTime date;
        const char16_t* era;
        const char16_t* letter;
        int year, month, day;
    };
    const Case cases[] = {
        {"reiwaFirstDay", D(2019, 5, 1), u"令和", u"R", 1, 5, 1},
        {"reiwaFirstDayEvening", TDateTime(D(2019, 5, 1).value() + 0.9), u"令和", u"R", 1, 5, 1},
        {"heiseiLastDay", D(2019, 4, 30), u"平成", u"H", 31, 4, 30},
        {"showaLastDay", D(1989, 1, 7), u"昭和", u"S", 64, 1, 7},
        {"heiseiFirstDay", D(1989, 1, 8), u"平成", u"H", 1, 1, 8},
        {"taishoFirstDay", D(1912, 7, 30), u"大正", u"T", 1, 7, 30},
        {"meijiBeforeItsStartDay", D(1868, 1, 1), u"明治", u"M", 1, 1, 1},
        {"beforeOldestEra", D(1867, 12, 31), u"明治", u"M", 0, 12, 31},
        {"noDate", TDateTime(), u"", u"", 1899, 12, 30},
        {"dayBeforeDayCountZero", TDateTime(-1.0), u"明治", u"M", 32, 12, 29},
    };
    for (const Case& c : cases) {
        TWarekiRec w;
        w.Name = QStringLiteral("stale");
        DateToWareki(w, c.date);
        EXPECT_EQ(w.Name, QString::fromUtf16(c.era)) << c.name;
        EXPECT_EQ(w.Letter, QString::fromUtf16(c.letter)) << c.name;
        EXPECT_EQ(w.Year, c.year) << c.name;
        EXPECT_EQ(w.Month, c.month) << c.name;
        EXPECT_EQ(w.Day, c.day) << c.name;
    }
}

TEST_F(EraTable, ConversionFollowsTheTableAsItStands) {
    GengoTable.clear();
    TWarekiRec w;
    DateToWareki(w, D(2024, 4, 1));
    EXPECT_TRUE(w.Name.isEmpty());
    EXPECT_EQ(w.Year, 2024);

    // A row with an empty name ends the walk, as in a table read from GENGO with blank rows.
    GengoTable = {{QStringLiteral("新"), QStringLiteral("N"), D(2030, 1, 1), 2030},
                  {QString(), QString(), D(2000, 1, 1), 2000},
                  {QStringLiteral("令和"), QStringLiteral("R"), D(2019, 5, 1), 2019}};
    DateToWareki(w, D(2031, 2, 3));
    EXPECT_EQ(w.Name, QStringLiteral("新"));
    EXPECT_EQ(w.Year, 2);
    DateToWareki(w, D(2024, 4, 1));
    EXPECT_EQ(w.Name, QStringLiteral("新"));
    EXPECT_EQ(w.Year, -5);
}

TEST(PeriodSlots, MonthToPeriodSlotSkipsSettlementSlots) {
    const int expected[14] = {0, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 0};
    for (int month = 0; month <= 13; ++month)
        EXPECT_EQ(MonthToPeriodSlot(month), expected[month]) << "month " << month;
}

TEST(PeriodSlots, DateToPeriodSlotWithMonthEndClosing) {
    struct Case {
        const char* name;
        int closingDay, settlement;
        TDateTime date;
        int slot;
    };
    const Case cases[] = {
        {"midJune", 99, 0, D(2021, 6, 15), 3},
        {"firstDayOfSecondQuarter", 99, 0, D(2021, 7, 1), 5},
        {"yearEndWithSettlement", 99, 1, D(2022, 3, 31), 16},
        {"yearEndWithoutSettlement", 99, 0, D(2022, 3, 31), 15},
        {"quarterEndWithSettlement", 99, 1, D(2021, 6, 30), 4},
        {"nonQuarterMonthIgnoresSettlement", 99, 1, D(2021, 5, 31), 2},
        {"settlementFlagOtherThanOne", 99, 2, D(2021, 6, 30), 3},
        {"beforeTheYear", 99, 0, D(2021, 3, 31), -1},
        {"afterTheYearCountsAsLastMonth", 99, 0, D(2022, 5, 1), 15},
        {"firstDay", 99, 0, D(2021, 4, 1), 1},
        {"thirdQuarterEndWithSettlement", 99, 1, D(2021, 12, 31), 12},
        // Closing day 20: 2021/04/21 already belongs to the May period.
        {"closing20AfterDay", 20, 0, D(2021, 4, 21), 2},
        {"closing20OnDay", 20, 0, D(2021, 4, 20), 1},
        // Without a valid closing day calendar months count.
        {"noClosingDay", 0, 0, D(2021, 9, 30), 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DateToPeriodSlot(c.closingDay, c.settlement, D(2021, 4, 1), D(2022, 3, 31), c.date), c.slot)
            << c.name;
}

TEST(DateArithmetic, AddMonthsClampsTheDay) {
    struct Case {
        const char* name;
        int months;
        TDateTime from, to;
    };
    const Case cases[] = {
        {"intoLeapFebruary", 1, D(2020, 1, 31), D(2020, 2, 29)},
        {"intoCommonFebruary", 1, D(2021, 1, 31), D(2021, 2, 28)},
        {"backOverYearEnd", -1, D(2021, 1, 15), D(2020, 12, 15)},
        {"toDecember", 11, D(2021, 1, 31), D(2021, 12, 31)},
        {"intoThirtyDayMonth", 2, D(2021, 1, 31), D(2021, 3, 31)},
        {"intoApril", 3, D(2021, 1, 31), D(2021, 4, 30)},
        {"timeDropped", 0, TDateTime(D(2021, 1, 31).value() + 0.5), D(2021, 1, 31)},
        {"manyYearsBack", -25, D(2024, 2, 29), D(2022, 1, 29)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddMonthsClamped(c.months, c.from), c.to) << c.name;
}

TEST(DateArithmetic, ClosingDayDate) {
    struct Case {
        const char* name;
        int shift, closingDay;
        TDateTime date, expected;
    };
    const TDateTime withTime(D(2021, 3, 21).value() + 0.25);
    const Case cases[] = {
        {"dayAfterClosingGoesToNextPeriod", 0, 20, D(2021, 3, 21), D(2021, 4, 20)},
        {"closingDayItself", 0, 20, D(2021, 3, 20), D(2021, 3, 20)},
        {"monthEndLeapFebruary", 0, 99, D(2024, 2, 10), D(2024, 2, 29)},
        {"monthEndCommonFebruary", 0, 99, D(2023, 2, 10), D(2023, 2, 28)},
        {"monthEndShiftedBack", -1, 99, D(2024, 3, 31), D(2024, 2, 29)},
        {"shiftedForward", 2, 25, D(2021, 11, 26), D(2022, 2, 25)},
        {"invalidClosingDayKeepsTime", 0, 30, withTime, withTime},
        {"zeroClosingDay", 3, 0, withTime, withTime},
        {"timeDropped", 0, 99, withTime, D(2021, 3, 31)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClosingDayDate(c.shift, c.closingDay, c.date), c.expected) << c.name;
}

TEST(DateArithmetic, MonthsBetweenPeriods) {
    EXPECT_EQ(MonthsBetween(99, D(2021, 4, 1), D(2022, 3, 31)), 11);
    EXPECT_EQ(MonthsBetween(99, D(2021, 4, 1), D(2021, 3, 31)), -1);
    EXPECT_EQ(MonthsBetween(20, D(2021, 4, 1), D(2021, 4, 21)), 1);
    EXPECT_EQ(MonthsBetween(20, D(2021, 12, 21), D(2022, 1, 20)), 0);
}

TEST(DateArithmetic, SmallHelpers) {
    EXPECT_EQ(AddDays(-1, D(2024, 3, 1)), D(2024, 2, 29));
    EXPECT_EQ(DayOfDate(TDateTime(D(2024, 2, 29).value() + 0.7)), 29);
    EXPECT_TRUE(IsLeapYearSafe(2000));
    EXPECT_TRUE(IsLeapYearSafe(2024));
    EXPECT_FALSE(IsLeapYearSafe(1900));
    EXPECT_FALSE(IsLeapYearSafe(2023));
    EXPECT_FALSE(IsLeapYearSafe(0));
    EXPECT_FALSE(IsLeapYearSafe(10000));
}

#include "core/uAccDateCmp.h"

#include <algorithm>

TGengoArray GengoTable;

const std::array<TGengo2Rec, 5> BuiltInGengoTable = {{
    {u"令和", u"R", u"2019/05/01", 2019},
    {u"平成", u"H", u"1989/01/08", 1989},
    {u"昭和", u"S", u"1926/12/25", 1926},
    {u"大正", u"T", u"1912/07/30", 1912},
    {u"明治", u"M", u"1868/09/08", 1868},
}};

namespace {

int daysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYearSafe(year))
        return 29;
    return kDays[(month - 1) % 12];
}

} // namespace

TGengoArray BuiltInEras() {
    TGengoArray eras;
    for (const TGengo2Rec& row : BuiltInGengoTable) {
        // The built-in texts are fixed "yyyy/mm/dd" whatever the process date format says.
        const QDate start = QDate::fromString(row.StartDate.toString(), QStringLiteral("yyyy/MM/dd"));
        eras.append({row.Name.toString(), row.Letter.toString(), TDateTime::fromDate(start), start.year()});
    }
    return eras;
}

void BuildEraTable() {
    GengoTable = BuiltInEras();
}

void DateToWareki(TWarekiRec& result, TDateTime date) {
    result = TWarekiRec();
    const QDate d = date.toDate();
    const int year = d.year();
    // Only the empty date stays without era: days before 1899-12-30 are negative day counts, and the
    // Meiji years among them convert like any other date.
    if (!date.isNull()) {
        for (const TGengoRec& era : GengoTable) {
            if (era.Name.isEmpty())
                break;
            result.Name = era.Name;
            result.Letter = era.Letter;
            result.Year = qint16(year - (era.StartYear - 1));
            // Any time on the first day already belongs to the new era.
            if (date >= era.StartDate)
                break;
        }
    }
    if (result.Name.isEmpty())
        result.Year = qint16(year);
    result.Month = qint16(d.month());
    result.Day = qint16(d.day());
}

int MonthToPeriodSlot(int month) {
    if (month < 1 || month > 12)
        return 0;
    return month - 1 + (month - 1) / 3;
}

int DateToPeriodSlot(int closingDay, int settlement, TDateTime start, TDateTime end, TDateTime date) {
    const int g = std::min(MonthsBetween(closingDay, start, date), MonthsBetween(closingDay, start, end));
    int flag = settlement == 1 ? 1 : 0;
    if (flag == 1) {
        if (date == end)
            return 16;
        if (g != 2 && g != 5 && g != 8 && g != 11)
            flag = 0;
    }
    if (g < 0 || g > 11)
        return -1;
    return g + 1 + g / 3 + flag;
}

int MonthsBetween(int closingDay, TDateTime from, TDateTime to) {
    const QDate a = ClosingDayDate(0, closingDay, from).toDate();
    const QDate b = ClosingDayDate(0, closingDay, to).toDate();
    return (b.year() - a.year()) * 12 + (b.month() - a.month());
}

TDateTime ClosingDayDate(int shift, int closingDay, TDateTime date) {
    const bool dayClose = closingDay >= 1 && closingDay <= 28;
    if (!dayClose && closingDay != 99)
        return date;
    if (dayClose && closingDay < date.toDate().day())
        ++shift;
    const QDate moved = AddMonthsClamped(shift, date).toDate();
    const int day = dayClose ? closingDay : daysInMonth(moved.year(), moved.month());
    return TDateTime::fromDate(moved.year(), moved.month(), day);
}

TDateTime AddMonthsClamped(int months, TDateTime date) {
    const QDate d = date.toDate();
    const int total = d.year() * 12 + d.month() + months;
    int year = total / 12;
    int month = total % 12;
    if (month == 0) {
        month = 12;
        --year;
    }
    const int day = std::min(d.day(), daysInMonth(year, month));
    return TDateTime::fromDate(year, month, day);
}

TDateTime AddDays(int days, TDateTime date) {
    return date.addDays(days);
}

int DayOfDate(TDateTime date) {
    return date.toDate().day();
}

bool IsLeapYearSafe(int year) {
    if (year < 1 || year > 9999)
        return false;
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

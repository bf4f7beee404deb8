#pragma once
// Fiscal-period and era arithmetic on the framework's day-count dates.
//
// A fiscal year has sixteen period slots (1..16): three months, then a settlement slot, four times.
// A closing day is 1..28 (the month closes on that day) or 99 (month end); any other value means dates
// are used without closing-day adjustment.

#include "core/PellanWarekiLib.h"

#include <array>

// The process-wide era table, newest era first. Empty until a dataset's system database is opened.
extern TGengoArray GengoTable;
// The built-in eras, newest first: 令和, 平成, 昭和, 大正, 明治.
extern const std::array<TGengo2Rec, 5> BuiltInGengoTable;

// The built-in eras as an era table.
TGengoArray BuiltInEras();
// Fills GengoTable with the built-in eras.
void BuildEraTable();
// Converts a date to era form with GengoTable as it stands; the empty date (0) gets no era and the
// Gregorian year 1899, a date before the oldest era keeps that era with a year of 0 or less.
void DateToWareki(TWarekiRec& result, TDateTime date);

// Zero-based slot index of month position 1..12 of the fiscal year (settlement slots skipped); 0 for
// any other value.
int MonthToPeriodSlot(int month);
// Slot 1..16 of a date in the fiscal year start..end, or -1 before the start; dates after the end count
// as its last month. settlement 1 puts the last day of a quarter's last month into the settlement slot
// (the fiscal-year end itself into slot 16).
int DateToPeriodSlot(int closingDay, int settlement, TDateTime start, TDateTime end, TDateTime date);
// Months from the period of `from` to the period of `to` (negative when `to` lies earlier).
int MonthsBetween(int closingDay, TDateTime from, TDateTime to);
// Closing date of the month period containing date, moved by shift months; an invalid closing day
// returns the date unchanged.
TDateTime ClosingDayDate(int shift, int closingDay, TDateTime date);
// The date moved by whole months, its day clamped to the new month's length; no time part.
TDateTime AddMonthsClamped(int months, TDateTime date);
TDateTime AddDays(int days, TDateTime date);
int DayOfDate(TDateTime date);
// Gregorian leap year; false for years outside 1..9999.
bool IsLeapYearSafe(int year);

#pragma once
// The framework's date-time: days since 1899-12-30 as a double, the fraction being the time of day.
// The value 0 means "no date". Dates before 1899-12-30 are negative, with the fraction counted
// forward from midnight as the class library does (-1.25 is 1899-12-29 06:00).

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <compare>

class TDateTime {
public:
    constexpr TDateTime() = default;
    constexpr explicit TDateTime(double days) : m_value(days) {}
    static TDateTime fromDate(const QDate& date);
    static TDateTime fromDateTime(const QDateTime& dateTime);
    static TDateTime fromDate(int year, int month, int day) { return fromDate(QDate(year, month, day)); }
    static TDateTime fromDateTime(int y, int mo, int d, int h, int mi, int s, int ms = 0);
    static TDateTime now();
    static TDateTime today();

    constexpr double value() const { return m_value; }
    constexpr bool isNull() const { return m_value == 0.0; }
    // Whole days (the date part), as the class library's Trunc.
    int dayNumber() const;
    QDate toDate() const;
    QTime toTime() const;
    QDateTime toDateTime() const;
    TDateTime dateOnly() const { return fromDate(toDate()); }

    TDateTime addDays(int days) const;

    // Ordered by the moment it stands for: before 1899-12-30 a later time of day is a more negative
    // number, so the raw values are not compared as they are.
    std::partial_ordering operator<=>(const TDateTime& other) const { return moment() <=> other.moment(); }
    constexpr bool operator==(const TDateTime&) const = default;

private:
    // Days and the time of day as one increasing number.
    double moment() const;

    double m_value = 0.0;
};

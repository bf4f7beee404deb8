#include "core/TDateTime.h"

#include <cmath>

namespace {
// Julian day of 1899-12-30, day 0. A plain constant, so dates built during static initialisation of
// other files are right too.
constexpr qint64 kEpochJulianDay = 2415019;
constexpr double kMsPerDay = 86400000.0;
} // namespace

TDateTime TDateTime::fromDate(const QDate& date) {
    if (!date.isValid())
        return TDateTime();
    return TDateTime(double(date.toJulianDay() - kEpochJulianDay));
}

TDateTime TDateTime::fromDateTime(const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return TDateTime();
    const double days = double(dateTime.date().toJulianDay() - kEpochJulianDay);
    const double frac = dateTime.time().msecsSinceStartOfDay() / kMsPerDay;
    // Negative values keep the time as a positive fraction after the minus sign.
    return TDateTime(days >= 0 ? days + frac : days - frac);
}

TDateTime TDateTime::fromDateTime(int y, int mo, int d, int h, int mi, int s, int ms) {
    return fromDateTime(QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms)));
}

TDateTime TDateTime::now() {
    return fromDateTime(QDateTime::currentDateTime());
}

TDateTime TDateTime::today() {
    return fromDate(QDate::currentDate());
}

double TDateTime::moment() const {
    const double day = std::trunc(m_value);
    return day + std::fabs(m_value - day);
}

int TDateTime::dayNumber() const {
    return int(std::trunc(m_value));
}

QDate TDateTime::toDate() const {
    return QDate::fromJulianDay(kEpochJulianDay + dayNumber());
}

QTime TDateTime::toTime() const {
    double frac = std::fabs(m_value - std::trunc(m_value));
    qint64 ms = std::llround(frac * kMsPerDay);
    if (ms >= qint64(kMsPerDay))
        ms = qint64(kMsPerDay) - 1;
    return QTime::fromMSecsSinceStartOfDay(int(ms));
}

QDateTime TDateTime::toDateTime() const {
    return QDateTime(toDate(), toTime());
}

TDateTime TDateTime::addDays(int days) const {
    return TDateTime(m_value + days);
}

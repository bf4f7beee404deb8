#include "core/DateTimeFormat.h"

namespace {

const char16_t* const kWeekdays[7] = {u"月", u"火", u"水", u"木", u"金", u"土", u"日"};

QString pad(int value, int digits) {
    return QString::asprintf("%.*d", digits, value);
}

// Letters of the short date format in the order they appear: "YMD", "MDY" or "DMY".
QString dateOrder(const QString& shortFormat) {
    QString order;
    for (QChar c : shortFormat.toUpper()) {
        if ((c == u'Y' || c == u'M' || c == u'D') && !order.contains(c))
            order += c;
    }
    return order.size() == 3 ? order : QStringLiteral("YMD");
}

int expandTwoDigitYear(int year) {
    const int pivot = QDate::currentDate().year() - 50;
    int full = pivot / 100 * 100 + year;
    if (full < pivot)
        full += 100;
    return full;
}

// Reads digits at pos, skipping blanks before them; -1 when there are none.
int scanNumber(const QString& s, qsizetype& pos, int* digits = nullptr) {
    while (pos < s.size() && s.at(pos) == u' ')
        ++pos;
    const qsizetype start = pos;
    qint64 value = 0;
    while (pos < s.size() && s.at(pos) >= u'0' && s.at(pos) <= u'9' && pos - start < 9)
        value = value * 10 + (s.at(pos++).unicode() - u'0');
    if (digits)
        *digits = int(pos - start);
    return pos == start ? -1 : int(value);
}

bool scanChar(const QString& s, qsizetype& pos, QChar c) {
    while (pos < s.size() && s.at(pos) == u' ')
        ++pos;
    if (pos < s.size() && s.at(pos) == c) {
        ++pos;
        return true;
    }
    return false;
}

std::optional<QDate> scanDate(const QString& s, qsizetype& pos, const TProcessFormats& settings) {
    int n[3] = {-1, -1, -1};
    int digits[3] = {0, 0, 0};
    int count = 0;
    qsizetype p = pos;
    n[0] = scanNumber(s, p, &digits[0]);
    if (n[0] < 0)
        return std::nullopt;
    count = 1;
    while (count < 3) {
        qsizetype q = p;
        if (!scanChar(s, q, settings.DateSeparator))
            break;
        const int v = scanNumber(s, q, &digits[count]);
        if (v < 0)
            break;
        n[count++] = v;
        p = q;
    }
    if (count < 2)
        return std::nullopt;
    const QString order = dateOrder(settings.ShortDateFormat);
    int y = 0, m = 0, d = 0;
    if (count == 2) {
        // Month and day in the order of the format, in the current year.
        y = QDate::currentDate().year();
        const bool dayFirst = order.indexOf(u'D') < order.indexOf(u'M');
        m = dayFirst ? n[1] : n[0];
        d = dayFirst ? n[0] : n[1];
    } else {
        int yearDigits = 0;
        for (int i = 0; i < 3; ++i) {
            const QChar f = order.at(i);
            if (f == u'Y') {
                y = n[i];
                yearDigits = digits[i];
            } else if (f == u'M') {
                m = n[i];
            } else {
                d = n[i];
            }
        }
        if (yearDigits <= 2)
            y = expandTwoDigitYear(y);
    }
    const QDate date(y, m, d);
    if (!date.isValid() || y < 1 || y > 9999)
        return std::nullopt;
    pos = p;
    return date;
}

std::optional<QTime> scanTime(const QString& s, qsizetype& pos, const TProcessFormats& settings) {
    qsizetype p = pos;
    const int h = scanNumber(s, p);
    if (h < 0 || !scanChar(s, p, settings.TimeSeparator))
        return std::nullopt;
    const int mi = scanNumber(s, p);
    if (mi < 0)
        return std::nullopt;
    int sec = 0, ms = 0;
    qsizetype q = p;
    if (scanChar(s, q, settings.TimeSeparator)) {
        sec = scanNumber(s, q);
        if (sec < 0)
            return std::nullopt;
        p = q;
        qsizetype r = p;
        if (scanChar(s, r, u'.')) {
            ms = scanNumber(s, r);
            if (ms < 0)
                return std::nullopt;
            p = r;
        }
    }
    const QTime t(h, mi, sec, ms);
    if (!t.isValid())
        return std::nullopt;
    pos = p;
    return t;
}

bool atEnd(const QString& s, qsizetype pos) {
    while (pos < s.size() && s.at(pos) == u' ')
        ++pos;
    return pos >= s.size();
}

} // namespace

QString FormatDateTime(const QString& format, TDateTime value, const TProcessFormats& settings) {
    const QDate date = value.toDate();
    const QTime time = value.toTime();
    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        const QChar u = c.toUpper();
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run).toUpper() == u)
            ++run;
        if (c == u'"' || c == u'\'') {
            const qsizetype close = format.indexOf(c, i + 1);
            const qsizetype end = close < 0 ? format.size() : close;
            out += format.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (u == u'Y') {
            out += run <= 2 ? pad(date.year() % 100, 2) : pad(date.year(), 4);
            afterHour = false;
        } else if (u == u'M') {
            if (afterHour && run <= 2)
                out += run == 1 ? QString::number(time.minute()) : pad(time.minute(), 2);
            else if (run <= 2)
                out += run == 1 ? QString::number(date.month()) : pad(date.month(), 2);
            else
                out += QString::number(date.month()) + u'月';
            afterHour = false;
        } else if (u == u'D') {
            if (run <= 2)
                out += run == 1 ? QString::number(date.day()) : pad(date.day(), 2);
            else if (run <= 4)
                out += QString::fromUtf16(kWeekdays[date.dayOfWeek() - 1]) +
                       (run == 4 ? QStringLiteral("曜日") : QString());
            else
                out += FormatDateTime(run == 5 ? settings.ShortDateFormat : settings.LongDateFormat, value,
                                      settings);
            afterHour = false;
        } else if (u == u'H') {
            out += run == 1 ? QString::number(time.hour()) : pad(time.hour(), 2);
            afterHour = true;
        } else if (u == u'N') {
            out += run == 1 ? QString::number(time.minute()) : pad(time.minute(), 2);
            afterHour = false;
        } else if (u == u'S') {
            out += run == 1 ? QString::number(time.second()) : pad(time.second(), 2);
            afterHour = false;
        } else if (u == u'Z') {
            out += run < 3 ? QString::number(time.msec()) : pad(time.msec(), 3);
            afterHour = false;
        } else if (c == u'/') {
            out += QString(run, settings.DateSeparator);
        } else if (c == u':') {
            out += QString(run, settings.TimeSeparator);
        } else {
            out += format.mid(i, run);
        }
        i += run;
    }
    return out;
}

std::optional<TDateTime> TryStrToDate(const QString& text, const TProcessFormats& settings) {
    qsizetype pos = 0;
    const auto date = scanDate(text, pos, settings);
    if (!date || !atEnd(text, pos))
        return std::nullopt;
    return TDateTime::fromDate(*date);
}

std::optional<TDateTime> TryStrToDateTime(const QString& text, const TProcessFormats& settings) {
    qsizetype pos = 0;
    QDate date(1899, 12, 30);
    if (const auto d = scanDate(text, pos, settings))
        date = *d;
    else
        pos = 0;
    QTime time(0, 0);
    if (!atEnd(text, pos)) {
        const auto t = scanTime(text, pos, settings);
        if (!t || !atEnd(text, pos))
            return std::nullopt;
        time = *t;
    } else if (pos == 0) {
        return std::nullopt;
    }
    return TDateTime::fromDateTime(QDateTime(date, time));
}

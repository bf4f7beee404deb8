#include "core/DateTimeFormat.h"

#include <gtest/gtest.h>

TEST(DateTimeFormat, FormatWords) {
    const TDateTime value = TDateTime::fromDateTime(2009, 4, 5, 7, 8, 9, 45); // a Sunday
    struct Case {
        const char16_t* format;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"yyyy/mm/dd hh:nn:ss", u"2009/04/05 07:08:09"},
        {u"yy/m/d h:n:s", u"09/4/5 7:8:9"},
        {u"y", u"09"},
        {u"yyy", u"2009"},
        {u"hh:mm", u"07:08"}, // m right after an hour is the minute
        {u"YYYY/MM/DD", u"2009/04/05"},
        {u"yyyy年m月d日", u"2009年4月5日"},
        {u"mmm dddd ddd", u"4月 日曜日 日"},
        {u"'yyyy'yyyy\"mm\"", u"yyyy2009mm"},
        {u"ss.zzz", u"09.045"},
        {u"ddddd", u"2009/04/05"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromUtf16(c.format), value), QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.format).toStdString();

    TProcessFormats dashes;
    dashes.DateSeparator = u'-';
    dashes.TimeSeparator = u'.';
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn"), value, dashes),
              QStringLiteral("2009-04-05 07.08"));
}

TEST(DateTimeFormat, ReadsDateTexts) {
    struct Case {
        const char* text;
        bool withTime;
        TDateTime expected; // 0 = refused
    };
    const Case cases[] = {
        {"2024/04/01", false, TDateTime::fromDate(2024, 4, 1)},
        {" 2024/4/1 ", false, TDateTime::fromDate(2024, 4, 1)},
        {"2024/13/01", false, TDateTime()},
        {"2024/04", false, TDateTime()}, // two numbers read as month and day of this year: 2024 is no month
        {"2024/04/01/02", false, TDateTime()},
        {"2024-04-01", false, TDateTime()},
        {"2024/04/01 10:20", false, TDateTime()},
        {"2024/04/01 10:20", true, TDateTime::fromDateTime(2024, 4, 1, 10, 20, 0)},
        {"2024/04/01 10:20:30.5", true, TDateTime::fromDateTime(2024, 4, 1, 10, 20, 30, 5)},
        {"12:00", true, TDateTime(0.5)},
        {"2024/04/01 10", true, TDateTime()},
        {"", true, TDateTime()},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        const auto r = c.withTime ? TryStrToDateTime(text) : TryStrToDate(text);
        EXPECT_EQ(r.value_or(TDateTime()), c.expected) << c.text;
    }
    TProcessFormats dmy;
    dmy.DateSeparator = u'.';
    dmy.ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    EXPECT_EQ(TryStrToDate(QStringLiteral("1.4.2024"), dmy).value_or(TDateTime()),
              TDateTime::fromDate(2024, 4, 1));
}

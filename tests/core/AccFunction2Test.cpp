#include "core/uAccDateCmp.h"
#include "core/uAccFunction2.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

namespace {

QString S(const char16_t* text) {
    return QString::fromUtf16(text);
}

QByteArray B(std::initializer_list<unsigned char> bytes) {
    QByteArray out;
    for (unsigned char b : bytes)
        out.append(char(b));
    return out;
}

TDateTime D(int y, int m, int d) {
    return TDateTime::fromDate(y, m, d);
}

// Era display on or off, with the built-in era table, restored afterwards.
class DateTexts : public ::testing::Test {
protected:
    void SetUp() override { BuildEraTable(); }
    void TearDown() override {
        ResetProcessState();
        GengoTable.clear();
    }
    void eraDisplay(bool on) { SystemDef.WarekiDisp = on ? 1 : 0; }
};

} // namespace

TEST(Numbers, RoundKingakuEveryModeBothSigns) {
    struct Case {
        int mode;
        const char* amount;
        qint64 expected;
    };
    const Case cases[] = {
        {0, "-2.9", -2},    {0, "2.9", 2},   {0, "-0.0001", 0}, {1, "2.0000", 2}, {1, "0.0001", 1},
        {1, "-0.0001", -1}, {1, "-3", -3},   {2, "-0.5", -1},   {2, "0.4999", 0}, {2, "2.5", 3},
        {2, "-2.4999", -2}, {3, "-2.5", -3}, {-1, "2.5", 3},    {99, "-7.5", -8},
    };
    for (const Case& c : cases) {
        const Money r = RoundKingaku(c.mode, Money::fromString(QString::fromLatin1(c.amount)));
        EXPECT_EQ(r, Money(c.expected)) << "mode " << c.mode << " of " << c.amount;
        EXPECT_FALSE(r.hasFraction());
    }
}

TEST(Numbers, SmallConversions) {
    EXPECT_EQ(IntToComma(1234567), QStringLiteral("1,234,567"));
    EXPECT_EQ(IntToComma(-1500), QStringLiteral("-1,500"));
    EXPECT_EQ(IntToComma(-999), QStringLiteral("-999"));
    EXPECT_EQ(IntToComma(1000), QStringLiteral("1,000"));
    EXPECT_EQ(IntToComma(0), QStringLiteral("0"));

    EXPECT_EQ(StrToCurrSafe(QStringLiteral(" 123.45 ")), Money::fromString(QStringLiteral("123.45")));
    EXPECT_EQ(StrToCurrSafe(QStringLiteral("-7")), Money(-7));
    EXPECT_EQ(StrToCurrSafe(QStringLiteral("1,234")), Money());
    EXPECT_EQ(StrToCurrSafe(QStringLiteral("12円")), Money());
    EXPECT_EQ(StrToCurrSafe(QStringLiteral("999999999999999")), Money()); // beyond the amount range

    EXPECT_EQ(CombineWord(3, 5, 1000), 3005);
    EXPECT_EQ(CombineWord(70, 0, 1000), 70000 % 65536); // computed in 16 bits

    quint32 flags = 0;
    SetFlagBit(flags, 11);
    EXPECT_EQ(flags, 0x400u);
    SetFlagBit(flags, 24);
    SetFlagBit(flags, 25);
    SetFlagBit(flags, 0);
    EXPECT_EQ(flags, 0x800400u);
    EXPECT_TRUE(IsFlagBitSet(0x400, 11));
    EXPECT_TRUE(IsFlagBitSet(0x400, 43)); // shift modulo 32
    EXPECT_FALSE(IsFlagBitSet(0x400, 10));
    EXPECT_EQ(BoolToInt(true), 1);

    EXPECT_EQ(ToGrayColor(0xFFFFFF), 0xFFFFFFu);
    EXPECT_EQ(ToGrayColor(0), 0u);
    EXPECT_EQ(ToGrayColor(0x0000FF), 0x555555u); // 85 = 255 / 3
    EXPECT_EQ(ToGrayColor(0x000002), 0x010101u); // 0.67 rounds to 1
    EXPECT_EQ(ToGrayColor(0xFFAF80), 0xBABABAu); // (0x80 + 0xAF + 0xFF) / 3 = 186
}

TEST(ByteWidth, CutsAndPadsOnDoubleByteText) {
    struct Case {
        const char* name;
        QString (*fn)(const QString&, int);
        const char16_t* text;
        int n;
        const char16_t* expected;
    };
    const Case cases[] = {
        {"leftCutHalvesKana", LeftStrB, u"ABあ", 3, u"AB "},
        {"leftPads", LeftStrB, u"ABあ", 6, u"ABあ  "},
        {"leftExact", LeftStrB, u"ABあ", 4, u"ABあ"},
        {"leftZero", LeftStrB, u"ABあ", 0, u""},
        {"leftAllDoubleOdd", LeftStrB, u"あいう", 5, u"あい "},
        {"leftHalfWidthKanaIsOneByte", LeftStrB, u"ｱｲｳ", 2, u"ｱｲ"},
        {"leftUnencodableKeptAsOneByte", LeftStrB, u"😀あ", 2, u"😀 "},
        {"rightPads", RightStrB, u"abc", 5, u"  abc"},
        {"rightCut", RightStrB, u"abcdef", 2, u"ef"},
        {"rightHalvedKanaBecomesBlank", RightStrB, u"あいう", 3, u" う"},
        {"zeroPad", ZeroPadLeft, u"123", 6, u"000123"},
        {"zeroPadKeepsRightmost", ZeroPadLeft, u"1234567", 3, u"567"},
        {"zeroPadWide", ZeroPadLeft, u"全", 4, u"00全"},
    };
    for (const Case& c : cases) {
        const QString r = c.fn(S(c.text), c.n);
        EXPECT_EQ(r, S(c.expected)) << c.name;
        EXPECT_EQ(cp932::byteLength(r), c.n) << c.name;
    }
}

// The head is never filled and never splits a character, a pair of UTF-16 units included.
TEST(ByteWidth, HeadStaysWithinTheBytes) {
    EXPECT_EQ(HeadStrB(S(u"ABあ"), 3), S(u"AB"));
    EXPECT_EQ(HeadStrB(S(u"ABあ"), 4), S(u"ABあ"));
    EXPECT_EQ(HeadStrB(S(u"ABあ"), 6), S(u"ABあ"));
    EXPECT_EQ(HeadStrB(S(u"ABあ"), 0), QString());
    EXPECT_EQ(HeadStrB(S(u"😀あ"), 2), S(u"😀"));
}

TEST(ByteWidth, EveryWidthIsExact) {
    // No fixed buffer limits the width.
    for (int n : {255, 256, 257, 510, 511, 1024}) {
        EXPECT_EQ(cp932::byteLength(LeftStrB(QStringLiteral("x"), n)), n) << n;
        EXPECT_EQ(cp932::byteLength(LeftStrB(QString(600, QChar(0x3042)), n)), n) << n;
        EXPECT_EQ(LeftStrB(QByteArray("x"), n).size(), n) << n;
        const QString padded = ZeroPadLeft(QStringLiteral("7"), n);
        EXPECT_EQ(padded.size(), n) << n;
        EXPECT_EQ(padded, QString(n - 1, u'0') + u'7') << n;
        EXPECT_EQ(RightStrB(QByteArray("ab"), n).size(), n) << n;
    }
}

TEST(ByteWidth, RawBytes) {
    const QByteArray aBa = B({'A', 'B', 0x82, 0xA0}); // "ABあ"
    EXPECT_EQ(LeftStrB(aBa, 3), QByteArray("AB "));
    EXPECT_EQ(LeftStrB(aBa, 6), aBa + "  ");
    // The right cut does not repair: it may start with a trail byte.
    EXPECT_EQ(RightStrB(B({0x82, 0xA0, 0x82, 0xA2}), 3), B({0xA0, 0x82, 0xA2}));

    struct Case {
        const char* name;
        QByteArray in, out;
    };
    const Case repairs[] = {
        {"leadWithoutTrail", B({0x82, 0x20, 'x'}), QByteArray("  x")},
        {"loneLeadAtEnd", B({'a', 0x82}), QByteArray("a ")},
        {"leadBeforeControl", B({0xE0, 0x0D}), QByteArray("  ")},
        {"validPairs", B({0x82, 0xA0, 0x81, 0x40}), B({0x82, 0xA0, 0x81, 0x40})},
        {"asciiTrailIsValid", B({0x83, 0x41}), B({0x83, 0x41})},
        {"trailLikeLeadAfterLead", B({0x82, 0x9F, 0x82}), B({0x82, 0x9F, ' '})},
    };
    for (const Case& c : repairs)
        EXPECT_EQ(RepairMbcs(c.in), c.out) << c.name;

    const QByteArray mixed = B({'a', 0x82, 0xA0, 0x83, 0x81, 'b', 0x82}); // a あ ミ b lead
    EXPECT_FALSE(IsLeadByteAt(mixed, 1));
    EXPECT_TRUE(IsLeadByteAt(mixed, 2));
    EXPECT_FALSE(IsLeadByteAt(mixed, 3));
    EXPECT_TRUE(IsLeadByteAt(mixed, 4));
    EXPECT_FALSE(IsLeadByteAt(mixed, 5)); // 0x81 is a lead value but the partner here
    EXPECT_TRUE(IsLeadByteAt(mixed, 99)); // beyond the end: the last byte
    EXPECT_FALSE(IsLeadByteAt(mixed, 0));
    EXPECT_TRUE(IsLeadByteAt(S(u"aあ"), 2));
    EXPECT_FALSE(IsLeadByteAt(S(u"aあ"), 3));
}

TEST(Cleaning, TrimDeleteAndUpperCase) {
    EXPECT_EQ(TrimZenkaku(S(u"　 abc　　")), QStringLiteral("abc"));
    EXPECT_EQ(TrimZenkaku(S(u"\t　x y\r\n")), QStringLiteral("x y"));
    // ａ is 82 81: its trail byte and a following "@" look like a full-width blank only byte by byte.
    EXPECT_EQ(TrimZenkaku(S(u"ａ@")), S(u"ａ@"));
    EXPECT_EQ(TrimZenkaku(S(u"　")), QString());
    EXPECT_EQ(DeleteAllSpaces(S(u" a b　c\td ")), QStringLiteral("abc\td"));
    EXPECT_EQ(DeleteCtrlChars(QStringLiteral("a\tb\r\nc d")), QStringLiteral("abc d"));
    EXPECT_TRUE(HasText(QStringLiteral(" ")));
    EXPECT_FALSE(HasText(QString()));

    EXPECT_EQ(ZenkakuUpperCase(S(u"ａｂｚ1a")), S(u"ＡＢＺ1a"));
    // Every trail byte 0x81-0x9A is lowered the same way: メ (83 81) becomes チ (83 60), ム (83 80)
    // stays; both sides of a search map alike.
    EXPECT_EQ(ZenkakuUpperCase(S(u"メム")), S(u"チム"));
    EXPECT_EQ(ZenkakuUpperCase(B({'a', 0x82, 0x81, 0x82})), B({'a', 0x82, 0x60, 0x82}));
}

TEST(Cleaning, SplitStrShowsEveryPart) {
    struct Case {
        const char* name;
        const char16_t* text;
        char16_t separator;
        QStringList parts;
        int result;
    };
    const Case cases[] = {
        {"emptyMiddle", u"a,,b", u',', {"a", "", "b"}, 2},
        {"commentDropped", u"x//y,z", u',', {"x"}, 0},
        {"leadingSeparator", u",a", u',', {"", "a"}, 1},
        {"trailingSeparator", u"a,", u',', {"a", ""}, 1},
        // "－" is 81 7C: its second byte is the "|" byte, yet the character is not split.
        {"doubleByteHoldingSeparatorByte", u"－|x", u'|', {S(u"－"), "x"}, 1},
    };
    for (const Case& c : cases) {
        QStringList parts{"stale"};
        EXPECT_EQ(SplitStr(S(c.text), QChar(c.separator), parts), c.result) << c.name;
        EXPECT_EQ(parts, c.parts) << c.name;
    }

    QStringList untouched{"keep"};
    EXPECT_EQ(SplitStr(QString(), u',', untouched), 0);
    EXPECT_EQ(untouched, QStringList{"keep"});
    EXPECT_EQ(SplitStr(QStringLiteral("//only a comment"), u',', untouched), 0);
    EXPECT_EQ(untouched, QStringList{"keep"});

    // Far more parts than any fixed array held: all of them reach the caller.
    QStringList many;
    QStringList expected;
    for (int i = 0; i < 300; ++i)
        expected << QString::number(i);
    EXPECT_EQ(SplitStr(expected.join(u','), u',', many), 299);
    EXPECT_EQ(many, expected);
}

TEST(Cleaning, LinesAndNames) {
    EXPECT_EQ(GetLineOfText(QStringLiteral("a,b,c"), QStringLiteral(","), 2), QStringLiteral("b"));
    EXPECT_EQ(GetLineOfText(QStringLiteral("a\r\nb,c"), QStringLiteral(","), 3), QStringLiteral("c"));
    EXPECT_EQ(GetLineOfText(QStringLiteral("a,b,"), QStringLiteral(","), 3), QString()); // no empty last line
    EXPECT_EQ(GetLineOfText(QStringLiteral("a,,b"), QStringLiteral(","), 2), QString());
    EXPECT_EQ(GetLineOfText(QStringLiteral("a,,b"), QStringLiteral(","), 3), QStringLiteral("b"));
    EXPECT_EQ(GetLineOfText(QStringLiteral("a,b"), QStringLiteral(","), 0), QString());
    EXPECT_EQ(GetLineOfText(QStringLiteral("a,b"), QStringLiteral(","), 3), QString());

    const QString lines = QStringLiteral("SyoriType=3\r\nDataType=1\nX=a=b");
    EXPECT_EQ(GetValueOfName(lines, QStringLiteral("DataType")), QStringLiteral("DataType=1"));
    EXPECT_EQ(GetValueOfName(lines, QStringLiteral("datatype")), QStringLiteral("DataType=1"));
    EXPECT_EQ(GetValueOfName(lines, QStringLiteral("X")), QStringLiteral("X=a=b"));
    EXPECT_EQ(GetValueOfName(lines, QStringLiteral("Data")), QString());
    EXPECT_EQ(GetValueOfName(lines, QString()), QString());
    EXPECT_EQ(GetValueOfName(QString(), QStringLiteral("X")), QString());
}

TEST(Versions, CompareFieldByField) {
    struct Case {
        const char* a;
        const char* b;
        bool newer, atLeast;
    };
    const Case cases[] = {
        {"13.0.1", "13.0.0", true, true},
        {"13.0.0", "13.0.0", false, true},
        {"13.0.0.5", "13.0.0.1", false, true}, // the build is not compared
        {"12.9.9", "13.0.0", false, false},
        {"11.1.0", "11.0.9", true, true},
        {"13", "13.0.0", false, true},
        {"1.255.255", "1.255.254", true, true},
        {"1.300.0", "2.0.0", false, false}, // no carry from a wide field
        {"2.0.0", "1.300.0", true, true},
        {"1.0.256", "1.1.0", false, false},
        {"", "0.0.0", false, true},
    };
    for (const Case& c : cases) {
        const QString a = QString::fromLatin1(c.a), b = QString::fromLatin1(c.b);
        EXPECT_EQ(IsVersionNewer(a, b), c.newer) << c.a << " vs " << c.b;
        EXPECT_EQ(IsVersionAtLeast(a, b), c.atLeast) << c.a << " vs " << c.b;
    }

    const TVersionRec empty = ParseVersion(QString());
    EXPECT_EQ(std::tie(empty.Major, empty.Minor, empty.Release, empty.Build), std::make_tuple(0, 0, 0, 0));
    EXPECT_TRUE(empty.Text.isEmpty());
    const TVersionRec v = ParseVersion(QStringLiteral("2.1"));
    EXPECT_EQ(std::tie(v.Major, v.Minor, v.Release, v.Build), std::make_tuple(2, 1, 0, 0));
    EXPECT_EQ(v.Text, QStringLiteral("2.1"));
    const TVersionRec odd = ParseVersion(QStringLiteral("1.x.3.4.5"));
    EXPECT_EQ(std::tie(odd.Major, odd.Minor, odd.Release, odd.Build), std::make_tuple(1, 0, 3, 4));
}

TEST_F(DateTexts, DateToStrFmtWithEraDisplay) {
    eraDisplay(true);
    struct Case {
        const char* name;
        TDateTime date;
        const char16_t* word;
        int kind;
        const char16_t* expected;
    };
    const TDateTime d = D(2024, 4, 1);
    const Case cases[] = {
        {"eraName", d, u"yyyy/mm/dd", 1, u"令和 06/04/01"},
        {"eraLetter", d, u"yyyy/mm/dd", 2, u"R 06/04/01"},
        {"letterNoBlanks", d, u"yyyy/mm/dd", 3, u"R06/04/01"},
        {"noEraTrimmed", d, u"yyyy/mm/dd", 0, u"06/04/01"},
        {"otherKindIsName", d, u"yy/mm/dd", 7, u"令和 06/04/01"},
        {"yearMonth", d, u"yyyy/mm", 1, u"令和 06/04"},
        {"yearOnly", d, u"yy", 2, u"R 06"},
        {"blankFilled", d, u"y/m/d", 2, u"R  6/ 4/ 1"},
        {"blankFilledNoBlanks", d, u"yyyy/m/d", 3, u"R6/4/1"},
        {"blankFilledNoEra", d, u"yy/m/d", 0, u"6/ 4/ 1"},
        {"blankFilledYearMonth", d, u"y/m", 1, u"令和  6/ 4"},
        {"singleY", d, u"y", 2, u"R  6"},
        {"joined", d, u"yy2/mm/dd", 2, u"R06/04/01"},
        {"unlistedWord", d, u"dd/mm/yyyy", 1, u""},
        {"heiseiLastDay", D(2019, 4, 30), u"yyyy/mm/dd", 2, u"H 31/04/30"},
        {"reiwaFirstDay", D(2019, 5, 1), u"yyyy/mm/dd", 2, u"R 01/05/01"},
        {"showaLastDay", D(1989, 1, 7), u"yyyy/mm/dd", 1, u"昭和 64/01/07"},
        {"heiseiFirstDay", D(1989, 1, 8), u"yyyy/mm/dd", 1, u"平成 01/01/08"},
        {"noDate", TDateTime(), u"yyyy/mm/dd", 2, u" 1899/12/30"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DateToStrFmt(S(c.word), c.kind, c.date), S(c.expected)) << c.name;
}

TEST_F(DateTexts, DateToStrFmtWithoutEraDisplay) {
    eraDisplay(false);
    struct Case {
        const char16_t* word;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"yyyy/mm/dd", u"2024/04/01"},
        {u"yyyy/m/d", u"2024/ 4/ 1"},
        {u"y/m/d", u"24/ 4/ 1"},
        {u"yy/m/d", u"24/ 4/ 1"},
        {u"yyyy/m", u"2024/ 4"},
        {u"yy/m", u"24/ 4"},
        {u"y/m/", u"24/ 4"},
        {u"yy2/mm/dd", u"24/04/01"},
        {u"yy/mm/dd", u"24/04/01"},
        {u"mm-dd", u"04-01"},
        {u"y/m", u"24/4"},
        {u"yyyy年mm月dd日", u"2024年04月01日"},
    };
    for (const Case& c : cases)
        for (int kind : {0, 1, 2, 3})
            EXPECT_EQ(DateToStrFmt(S(c.word), kind, D(2024, 4, 1)), S(c.expected))
                << QString::fromUtf16(c.word).toStdString() << " kind " << kind;
    EXPECT_EQ(DateToStrFmt(QStringLiteral("yyyy/m/d"), 1, D(2009, 12, 25)), QStringLiteral("2009/12/25"));
    EXPECT_EQ(DateToStrFmt(QStringLiteral("y/m/d"), 1, D(2009, 4, 1)), QStringLiteral(" 9/ 4/ 1"));
}

TEST_F(DateTexts, DateToStrJpnBothDisplays) {
    struct Case {
        const char* name;
        bool era;
        TDateTime date;
        const char16_t* word;
        int kind;
        const char16_t* expected;
    };
    const TDateTime d9 = D(2009, 4, 1), d24 = D(2024, 4, 1);
    const Case cases[] = {
        {"offYearMonth", false, d9, u"yy年m月", 1, u"09年 4月"},
        {"offBlankYear", false, d9, u"yy年m月d日", 1, u" 9年 4月 1日"},
        {"offFull", false, d9, u"yyyy年m月d日", 1, u"2009年 4月 1日"},
        {"offFullMonth", false, d9, u"yyyy年m月", 1, u"2009年 4月"},
        {"offSpaced", false, d9, u"yyyy年 m月 d日", 1, u"2009年 4月 1日"},
        {"offSpacedMonth", false, d9, u"yyyy年 m月", 0, u"2009年 4月"},
        {"offSpacedShort", false, d9, u"y年 m月 d日", 1, u"09年 4月 1日"},
        {"offSpacedShortMonth", false, d9, u"yy年 m月", 1, u"09年 4月"},
        {"offWordAsFormat", false, d9, u"yyyy年mm月dd日", 1, u"2009年04月01日"},
        {"onName", true, d24, u"yyyy年m月d日", 1, u"令和  6年 4月 1日"},
        {"onKind3IsName", true, d24, u"yyyy年m月d日", 3, u"令和  6年 4月 1日"},
        {"onNoEra", true, d24, u"yyyy年m月d日", 0, u"6年 4月 1日"},
        {"onLetterPadded", true, d24, u"yy年mm月", 2, u"R 06年04月"},
        {"onYearOnly", true, d24, u"yyyy年", 1, u"令和 06年"},
        {"onSingleY", true, d24, u"y", 2, u"R  6年"},
        {"onSpaced", true, d24, u"y年 m月 d日", 1, u"令和  6年 4月 1日"},
        {"onSpacedPadded", true, d24, u"yyyy年 mm月 dd日", 2, u"R 06年 04月 01日"},
        {"onSpacedMonth", true, d24, u"yy年 m月", 1, u"令和  6年 4月"},
        {"onUnlisted", true, d24, u"mm月dd日", 1, u""},
    };
    for (const Case& c : cases) {
        eraDisplay(c.era);
        EXPECT_EQ(DateToStrJpn(S(c.word), c.kind, c.date), S(c.expected)) << c.name;
    }
}

TEST_F(DateTexts, KikanToStrAndKindTexts) {
    eraDisplay(true);
    const QString era = KikanToStr(D(2023, 4, 1), D(2024, 3, 31));
    EXPECT_EQ(era, S(u"R 05/04/01 ～ R 06/03/31"));
    EXPECT_TRUE(cp932::encode(era).contains(B({' ', 0x81, 0x60, ' '})));
    EXPECT_EQ(KikanToStr(D(2019, 4, 1), D(2020, 3, 31)), S(u"H 31/04/01 ～ R 02/03/31"));
    eraDisplay(false);
    EXPECT_EQ(KikanToStr(D(2023, 4, 1), D(2024, 3, 31)), S(u"2023/04/01 ～ 2024/03/31"));

    const TDateTime withTime = TDateTime::fromDateTime(2024, 4, 1, 13, 5, 0);
    EXPECT_EQ(DateToStrKind(2, withTime), QStringLiteral("24/04/01"));
    EXPECT_EQ(DateToStrKind(4, withTime), QStringLiteral("2024/04/01"));
    EXPECT_EQ(DateToStrKind(1, withTime), QStringLiteral("2024/04/01 13:05"));
    for (int kind : {0, 1, 2, 4})
        EXPECT_TRUE(DateToStrKind(kind, TDateTime()).isEmpty()) << kind;
}

TEST_F(DateTexts, ReadingDateTexts) {
    EXPECT_EQ(StrToDateSafe(QStringLiteral("2024/04/01")), D(2024, 4, 1));
    EXPECT_EQ(StrToDateSafe(QStringLiteral("2024/4/1")), D(2024, 4, 1));
    EXPECT_EQ(StrToDateSafe(QStringLiteral("2024/02/30")), TDateTime());
    EXPECT_EQ(StrToDateSafe(QStringLiteral("2024/04/01 10:00")), TDateTime());
    EXPECT_EQ(StrToDateSafe(QStringLiteral("abc")), TDateTime());
    EXPECT_EQ(StrToDateSafe(QString()), TDateTime());

    // The fixed reader ignores whatever the process formats say.
    FormatSettings.DateSeparator = u'-';
    FormatSettings.ShortDateFormat = QStringLiteral("dd-MM-yyyy");
    EXPECT_EQ(StrToDateSafe(QStringLiteral("01-04-2024")), D(2024, 4, 1));
    EXPECT_EQ(StrToDateFixed(QStringLiteral("2024/04/01")), D(2024, 4, 1));
    EXPECT_EQ(StrToDateFixed(QStringLiteral("2024/04/01 12:34:56")),
              TDateTime::fromDateTime(2024, 4, 1, 12, 34, 56));
    EXPECT_EQ(StrToDateFixed(QStringLiteral("2024/04/01 25:00")), TDateTime());
    EXPECT_EQ(StrToDateFixed(QStringLiteral("01-04-2024")), TDateTime());
    EXPECT_EQ(StrToDateFixed(QStringLiteral("x")), TDateTime());
}

TEST(Scrambling, RoundTrips) {
    struct Case {
        const char* name;
        const char* plain;
        int target, length;
        const char16_t* key;
    };
    const Case cases[] = {
        {"password", "Ab3xZ9q0", 8, 8, u"quelvor"},
        {"shortFilled", "abc12", 8, 5, u"quelvor"},
        {"emptyPlain", "", 8, 0, u"quelvor"},
        {"longKey", "zzzzzzzzzzzz", 12, 12, u"a much longer key than the text"},
        {"doubleByteKey", "Z0Z0Z0", 6, 6, u"鍵ｷｰ"},
    };
    for (const Case& c : cases) {
        TEasyEncodeInfo info;
        info.Key = S(c.key);
        EasyEncodeClear(info);
        info.TargetLength = c.target;
        info.PlainLength = c.length;
        info.PlainText = QString::fromLatin1(c.plain);
        ASSERT_TRUE(EasyEncode(info)) << c.name;
        EXPECT_EQ(info.CodedText.size(), std::max(c.target, c.length)) << c.name;
        const QString coded = info.CodedText;
        EasyEncodeClear(info);
        info.PlainLength = c.length;
        info.CodedText = coded;
        ASSERT_TRUE(EasyDecode(info)) << c.name;
        EXPECT_EQ(info.PlainText, QString::fromLatin1(c.plain)) << c.name;
    }
}

TEST(Scrambling, CodingRules) {
    TEasyEncodeInfo info;
    info.Key = QStringLiteral("q"); // 0x71 = 113: sums 113, 226 give alphabet indexes 51, 40
    info.TargetLength = 2;
    info.PlainLength = 2;
    info.PlainText = QStringLiteral("AA");
    ASSERT_TRUE(EasyEncode(info));
    EXPECT_EQ(info.CodedText, QStringLiteral("pe")); // the same letter codes differently

    EasyEncodeClear(info);
    EXPECT_EQ(info.Key, QStringLiteral("q"));
    EXPECT_EQ(info.TargetLength, 0);
    EXPECT_TRUE(info.PlainText.isEmpty() && info.CodedText.isEmpty());

    // Filler letters A, B, C make up the target length and decoding drops them again.
    info.TargetLength = 8;
    info.PlainLength = 5;
    info.PlainText = QStringLiteral("hello");
    ASSERT_TRUE(EasyEncode(info));
    EXPECT_EQ(info.PlainText, QStringLiteral("helloABC"));
    EXPECT_EQ(info.CodedText.size(), 8);
    info.PlainText.clear();
    ASSERT_TRUE(EasyDecode(info));
    EXPECT_EQ(info.PlainText, QStringLiteral("hello"));

    // Without a key the running sum stays 0 and a text codes to itself.
    TEasyEncodeInfo plain;
    plain.TargetLength = plain.PlainLength = 6;
    plain.PlainText = QStringLiteral("Same09");
    ASSERT_TRUE(EasyEncode(plain));
    EXPECT_EQ(plain.CodedText, QStringLiteral("Same09"));

    // A character outside the alphabet is a failure, not a shortened secret.
    TEasyEncodeInfo bad;
    bad.Key = QStringLiteral("quelvor");
    bad.TargetLength = bad.PlainLength = 5;
    bad.PlainText = QStringLiteral("ab-cd");
    EXPECT_FALSE(EasyEncode(bad));
    EXPECT_TRUE(bad.CodedText.isEmpty());
    bad.CodedText = QStringLiteral("ab-cd");
    EXPECT_FALSE(EasyDecode(bad));
    EXPECT_TRUE(bad.PlainText.isEmpty());
    // Past PlainLength the coded text is not looked at.
    bad.PlainLength = 2;
    EXPECT_TRUE(EasyDecode(bad));
    EXPECT_EQ(bad.PlainText.size(), 2);
}

#include "platform/Cp932Map.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

using namespace cp932;

TEST(Cp932Map, MappingsStayInsideCp932) {
    struct Case {
        const char* name;
        quint32 flags;
        const char16_t* in;
        const char16_t* out;
    };
    const Case cases[] = {
        {"asciiToFull", MapFullWidth, u"Ab1 -~", u"Ａｂ１　－～"},
        {"halfKanaToFull", MapFullWidth, u"ｱｲｳｶﾞﾊﾟｳﾞｰ｡", u"アイウガパヴー。"},
        {"voicedMarkAloneToFull", MapFullWidth, u"ﾞｱﾞ", u"゛ア゛"},
        {"waWithMarkStaysTwo", MapFullWidth, u"ﾜﾞ", u"ワ゛"},
        {"fullToHalf", MapHalfWidth, u"Ａｂ１　ガパヴ「」・", u"Ab1 ｶﾞﾊﾟｳﾞ｢｣･"},
        {"noHalfForm", MapHalfWidth, u"ヶあ漢", u"ヶあ漢"},
        {"toKatakana", MapKatakana, u"ひらがなゝ", u"ヒラガナヽ"},
        {"toHiragana", MapHiragana, u"カタカナヽ", u"かたかなゝ"},
        {"hiraganaOutsideCp932Kept", MapHiragana, u"ヴヵヶ", u"ヴヵヶ"},
        {"halfKanaToHiragana", MapFullWidth | MapHiragana, u"ｶﾞｯｺｳ", u"がっこう"},
        {"hiraganaToHalfKatakana", MapHalfWidth | MapKatakana, u"がっこう", u"ｶﾞｯｺｳ"},
        {"upper", MapUpperCase, u"abｚαя", u"ABＺΑЯ"},
        {"lower", MapLowerCase, u"ABＺΑЯ", u"abｚαя"},
        {"fullUpper", MapFullWidth | MapUpperCase, u"abc", u"ＡＢＣ"},
        {"noFlags", 0, u"ｱa", u"ｱa"},
    };
    for (const Case& c : cases) {
        const QString r = mapString(c.flags, QString::fromUtf16(c.in));
        EXPECT_EQ(r, QString::fromUtf16(c.out)) << c.name;
        EXPECT_TRUE(canEncode(r)) << c.name;
    }
}

TEST(Cp932Map, CharUnitsCarryWidths) {
    const QString text = QString::fromUtf16(u"aあｱ😀");
    const QList<CharUnit> units = charUnits(text);
    ASSERT_EQ(units.size(), 4);
    EXPECT_EQ(units[0].width, 1);
    EXPECT_EQ(units[1].width, 2);
    EXPECT_EQ(units[2].width, 1);
    EXPECT_EQ(units[3].width, 1); // not in CP932: one "?" wherever it is encoded lossily
    EXPECT_EQ(units[3].len, 2);
    EXPECT_EQ(units[3].pos, 3);
}

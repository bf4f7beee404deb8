#include "core/TMojiBunkatu.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

namespace {
QString S(const char16_t* text) {
    return QString::fromUtf16(text);
}
} // namespace

TEST(MojiBunkatu, SplitsAtTheSeparator) {
    struct Case {
        const char* name;
        char16_t separator;
        const char16_t* text;
        QStringList parts;
    };
    const Case cases[] = {
        {"version", u'.', u"1.0.0", {"1", "0", "0"}},
        {"shortVersion", u'.', u"4.0", {"4", "0"}},
        {"emptyBetween", u',', u"a,,b", {"a", "", "b"}},
        {"separatorAtEnd", u',', u"a,", {"a", ""}},
        {"separatorAtStart", u',', u",a", {"", "a"}},
        {"blankAfterSeparator", u',', u"a, b", {"a", "b"}},
        {"blankEndsValue", u',', u"a b,c", {"a", "b", "c"}},
        {"separatorThenBlankAtEnd", u',', u"a, ", {"a"}},
        {"leadingControls", u',', u"\t\r\n a,b", {"a", "b"}},
        {"quotedHoldsSeparator", u',', u"\"x,y\",z", {"x,y", "z"}},
        {"quotedHoldsBlank", u',', u"\"x y\" ,z", {"x y", "z"}},
        {"doubledQuote", u',', u"\"say \"\"hi\"\"\",z", {"say \"hi\"", "z"}},
        {"emptyQuotes", u',', u"\"\",z", {"", "z"}},
        {"unclosedQuote", u',', u"a,\"b,c", {"a", "b,c"}},
        {"empty", u',', u"", {""}},
        {"blanksOnly", u',', u"   \t", {""}},
        {"fullWidthBlankIsAValue", u',', u"　", {S(u"　")}},
        // ソ is 83 5C and 表 is 95 5C in CP932: their second byte is the "\" byte.
        {"doubleByteWithBackslashByte", u'\\', u"ソフト表\\データ", {S(u"ソフト表"), S(u"データ")}},
    };
    for (const Case& c : cases) {
        TMojiBunkatu m;
        m.Separator = QChar(c.separator);
        m.Bunkatu(QString::fromUtf16(c.text));
        EXPECT_EQ(m.Parts, c.parts) << c.name;
        EXPECT_EQ(m.Count, c.parts.size()) << c.name;
    }
    TMojiBunkatu m;
    m.Bunkatu(QString::fromUtf16(u"a,b\0,c", 6)); // NUL ends the text
    EXPECT_EQ(m.Parts, QStringList({"a", "b"}));
}

TEST(MojiBunkatu, SplitsIntoByteWidthPieces) {
    struct Case {
        const char* name;
        QString text;
        int width;
        QList<int> pieceBytes;
    };
    const QString twenty(20, u'a');
    // 15 single bytes, then あ would occupy bytes 16 and 17.
    const QString leadAt16 = QString(15, u'b') + S(u"あいう");
    const Case cases[] = {
        {"twentySingles", twenty, 16, {16, 4}},
        {"leadByteAt16", leadAt16, 16, {15, 6}},
        {"exactlyTwoPieces", QString(32, u'c'), 16, {16, 16}},
        {"allDouble", S(u"あいうえおかきく"), 5, {4, 4, 4, 4}},
        {"widthTwo", S(u"aあb"), 2, {1, 2, 1}},
        {"empty", QString(), 16, {0}},
    };
    for (const Case& c : cases) {
        TMojiBunkatu m;
        ASSERT_TRUE(m.BunkatuByte(c.text, c.width)) << c.name;
        ASSERT_EQ(m.Count, c.pieceBytes.size()) << c.name;
        for (int i = 0; i < m.Count; ++i)
            EXPECT_EQ(cp932::byteLength(m.GetMoji(i)), c.pieceBytes[i]) << c.name << " piece " << i;
        EXPECT_EQ(m.Parts.join(QString()), c.text) << c.name;
    }
    TMojiBunkatu m;
    m.BunkatuByte(leadAt16, 16);
    EXPECT_TRUE(m.GetMoji(1).startsWith(S(u"あ")));
}

TEST(MojiBunkatu, RefusesWidthsThatCannotHoldACharacter) {
    TMojiBunkatu m;
    for (int width : {1, 0, -3}) {
        m.Bunkatu(QStringLiteral("a,b"));
        EXPECT_FALSE(m.BunkatuByte(S(u"あい"), width)) << width;
        EXPECT_EQ(m.Count, 1) << width;
        EXPECT_EQ(m.GetMoji(0), QString()) << width;
    }
}

TEST(MojiBunkatu, PartsByIndexAndClear) {
    TMojiBunkatu m;
    EXPECT_EQ(m.Separator, QChar(u','));
    EXPECT_EQ(m.ListMode, 0);
    EXPECT_EQ(m.Count, 0);
    EXPECT_EQ(m.GetMoji(0), QString());
    m.Bunkatu(QStringLiteral("x,y"));
    EXPECT_EQ(m.GetMoji(1), QStringLiteral("y"));
    EXPECT_EQ(m.GetMoji(-1), QString());
    EXPECT_EQ(m.GetMoji(m.Count), QString());
    m.Bunkatu(QStringLiteral("z")); // each split replaces the one before
    EXPECT_EQ(m.Count, 1);
    EXPECT_EQ(m.GetMoji(1), QString());
    m.Clear();
    EXPECT_EQ(m.Count, 0);
    EXPECT_TRUE(m.Parts.isEmpty());
}

#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "core/uAccTaxCmp.h"
#include "core/z5SiwakeIO.h"
#include "platform/Cp932.h"
#include "platform/UserInteraction.h"

#include <gtest/gtest.h>

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TDateTime D(int y, int m, int d) {
    return TDateTime::fromDate(y, m, d);
}

const QString kKaribarai = QStringLiteral("1950");
const QString kKariuke = QStringLiteral("2950");
const QString kShokuchi = QStringLiteral("9999");
const QString kOther = QStringLiteral("5110");

// A dataset of version 13.0.0 with general taxation and its three special accounts.
class TaxTest : public ::testing::Test {
protected:
    void SetUp() override {
        AccInf.MAJOR = 13;
        AccInf.KaribaraiTaxUserCode = kKaribarai;
        AccInf.KariukeTaxUserCode = kKariuke;
        AccInf.ShokuchiUserCode = kShokuchi;
        BuildTaxRateList();
    }
    void TearDown() override {
        ResetProcessState();
        TaxRateList.clear();
        GengoTable.clear();
    }
};

} // namespace

TEST_F(TaxTest, CodeTableHoldsNinetyThreeCodesWithTheirKinds) {
    int valid = 0;
    for (int code = 0; code < 1000; ++code) {
        QString group, name;
        int category = -1, taxable = -1, side = -1;
        if (!TaxCodeInfo(code, group, name, category, taxable, side))
            continue;
        ++valid;
        EXPECT_EQ(cp932::byteLength(name), 24) << code;
    }
    EXPECT_EQ(valid, 93);

    struct Case {
        int code;
        const char* group;
        const char* name; // before the padding
        int category, taxable, side;
    };
    const Case cases[] = {
        {110, "売上", "課税売上", 1, 1, 3},
        {113, "売上", "第３種課税売上", 2, 1, 3},
        {150, "売上", "非課税売上（輸出等）", 0, 0, 3},
        {220, "貸倒回収", "免税売上", 0, 0, 3},
        {316, "返還", "第６種課税返還", 2, 1, 1},
        {410, "貸倒", "課税売上", 0, 1, 1},
        {533, "仕入", "非課税売上対調整（棚卸）", 0, 2, 1},
        {582, "仕入", "共通売上対応特定仕入返還", 0, 2, 3},
        {610, "仮受", "売上", 1, 0, 3},
        {634, "仮受", "第４種課税返還", 2, 0, 1},
        {725, "仮払", "共通売上対応課税輸入(国)", 0, 0, 1},
        {733, "仮払", "非課売上対応調整（棚卸）", 0, 0, 1},
        {776, "仮払", "非課売対課税輸入返還(国)", 0, 0, 3},
        {810, "課税対象外", "課税対象外・不課税", 0, 0, 0},
        {910, "区分未定", "区分未定　　　　　　", 0, 0, 0},
    };
    for (const Case& c : cases) {
        QString group, name;
        int category = -1, taxable = -1, side = -1;
        ASSERT_TRUE(TaxCodeInfo(c.code, group, name, category, taxable, side)) << c.code;
        EXPECT_EQ(group, S(c.group)) << c.code;
        EXPECT_EQ(name, S(c.name).leftJustified(24 - (cp932::byteLength(S(c.name)) - S(c.name).size()), u' '))
            << c.code;
        EXPECT_EQ(category, c.category) << c.code;
        EXPECT_EQ(taxable, c.taxable) << c.code;
        EXPECT_EQ(side, c.side) << c.code;
    }

    QString group, name;
    int category = 0, taxable = 5, side = 5;
    EXPECT_FALSE(TaxCodeInfo(500, group, name, category, taxable, side));
    EXPECT_EQ(group, QStringLiteral("Error").leftJustified(20));
    EXPECT_EQ(name, QStringLiteral(" "));
    EXPECT_EQ(category, 9);
    EXPECT_EQ(taxable, 0);
    EXPECT_EQ(side, 0);
}

TEST_F(TaxTest, NormalisesCodesForTheTaxationKind) {
    struct Case {
        int kanni, jigyou, code, expected;
    };
    const Case cases[] = {
        {0, 3, 112, 110}, {0, 3, 316, 310}, {0, 3, 611, 610}, {0, 3, 636, 630}, {0, 3, 110, 110},
        {1, 3, 110, 113}, {1, 6, 310, 316}, {1, 1, 610, 611}, {1, 2, 630, 632}, {1, 3, 112, 112},
        {0, 3, 540, 540}, {1, 3, 540, 540}, {1, 3, 210, 210},
    };
    for (const Case& c : cases) {
        AccInf.TAXKANNI = c.kanni;
        AccInf.TAXJIGYOU = c.jigyou;
        int code = c.code;
        EXPECT_EQ(NormaliseTaxCode(code), c.expected) << c.kanni << " " << c.code;
        EXPECT_EQ(code, c.expected);
    }
}

TEST_F(TaxTest, ChecksWithTheirMessages) {
    enum Check { Account, Partner, Sundry, Specified };
    struct Case {
        Check check;
        const QString& account;
        int kanni;
        int code;
        bool ok;
        const char* message; // nullptr: the message is left as it was
        int codeAfter;
        int rateKind = 0;
        TDateTime date = TDateTime::fromDate(2020, 4, 1);
        bool eraDisplay = false;
    };
    const char* const karibaraiCodes = "仮払消費税の税コードは[700番台,810,910]を使用してください。";
    const char* const kariukeCodes = "仮受消費税の税コードは[600番台,810,910]を使用してください。";
    const char* const specifiedRate =
        "特定課税仕入れ用の消費税コード[551,552,553,581,582,583]では税率[%1]は使用できません。";
    // clang-format off
    const Case cases[] = {
        {Account, kKaribarai, 0, 711, true, "", 711},
        {Account, kKaribarai, 0, 776, true, "", 776},
        {Account, kKaribarai, 0, 910, true, "", 910},
        {Account, kKaribarai, 0, 611, false, karibaraiCodes, 611},
        {Account, kKaribarai, 0, 741, false, karibaraiCodes, 741},
        {Account, kOther, 0, 711, false, "税コードが[700番台]は、科目に仮払消費税を使用してください。", 711},
        {Account, kKariuke, 0, 610, true, "", 610},
        {Account, kKariuke, 0, 640, true, "", 640},
        {Account, kKariuke, 0, 612, true, "注意：原則課税が選択されています。", 612},
        {Account, kKariuke, 0, 110, false, kariukeCodes, 110},
        {Account, kKariuke, 1, 612, true, "", 612},
        {Account, kKariuke, 1, 630, true, "注意：簡易課税が選択されています。", 630},
        {Account, kKariuke, 1, 810, true, "", 810},
        {Account, kKariuke, 1, 711, false, "税コードが[700番台]は、科目に仮払消費税を使用してください。",
         711},
        {Account, kKariuke, 1, 650, false, kariukeCodes, 650},
        {Account, kKariuke, 2, 110, true, nullptr, 110},
        {Account, kOther, 0, 610, false, "税コードが[600番台]は、科目に仮受消費税を使用してください。", 610},
        {Account, kOther, 0, 511, true, nullptr, 511},
        {Partner, kKariuke, 0, 511, false,
         "仮受消費税、仮払消費税の相手税コードは[810,910]を使用してください。", 810},
        {Partner, kKaribarai, 0, 110, false,
         "仮受消費税、仮払消費税の相手税コードは[810,910]を使用してください。", 810},
        {Partner, kKaribarai, 0, 910, true, nullptr, 910},
        {Partner, kOther, 0, 110, true, nullptr, 110},
        {Sundry, kShokuchi, 0, 110, false, "諸口の消費税コードは、[810,910]を使用してください。", 810},
        {Sundry, kShokuchi, 0, 810, true, nullptr, 810},
        {Sundry, kOther, 0, 110, true, nullptr, 110},
        {Specified, kOther, 0, 551, false,
         "特定課税仕入れ用の消費税コード[551,552,553,581,582,583]では[2015/10/01]より前の取引を登録できません。",
         551, 0, D(2015, 9, 30)},
        {Specified, kOther, 0, 583, false,
         "特定課税仕入れ用の消費税コード[551,552,553,581,582,583]では[H 27/10/01]より前の取引を登録できません。",
         583, 0, D(2015, 9, 30), true},
        {Specified, kOther, 0, 551, true, nullptr, 551, 0, D(2015, 10, 1)},
        {Specified, kOther, 0, 552, true, nullptr, 552, 3, D(2015, 10, 1)},
        {Specified, kOther, 0, 553, false, specifiedRate, 553, 1},
        {Specified, kOther, 0, 581, false, specifiedRate, 581, 2},
        {Specified, kOther, 0, 582, false, specifiedRate, 582, 4},
        {Specified, kOther, 0, 511, true, nullptr, 511, 2, D(2010, 1, 1)},
    };
    // clang-format on
    const QString before = QStringLiteral("前のメッセージ");
    BuildEraTable();
    for (const Case& c : cases) {
        AccInf.TAXKANNI = c.kanni;
        SystemDef.WarekiDisp = c.eraDisplay ? 1 : 0;
        QString message = before;
        int code = c.code;
        bool ok = false;
        switch (c.check) {
        case Account:
            ok = CheckTaxAccountCode(message, c.account, code);
            break;
        case Partner:
            ok = CheckTaxPartnerCode(message, c.account, code);
            break;
        case Sundry:
            ok = CheckSundryTaxCode(message, c.account, code);
            break;
        case Specified:
            ok = CheckSpecifiedPurchase(message, code, c.rateKind, c.date);
            break;
        }
        const QString rateName = c.rateKind == 1 ? S("3%") : c.rateKind == 2 ? S("5%") : S("軽減8%");
        const QString expected =
            c.message == nullptr ? before
                                 : (c.message == specifiedRate ? S(c.message).arg(rateName) : S(c.message));
        EXPECT_EQ(ok, c.ok) << c.check << " " << c.account.toStdString() << " " << c.code;
        EXPECT_EQ(message, expected) << c.check << " " << c.account.toStdString() << " " << c.code;
        EXPECT_EQ(code, c.codeAfter) << c.check << " " << c.code;
    }
}

TEST(TaxRounding, RoundCurrencyEveryMode) {
    struct Case {
        int mode;
        const char* amount;
        qint64 expected;
    };
    const Case cases[] = {
        {0, "1234.5678", 1234}, {1, "1234.5678", 1235}, {2, "1234.5678", 1235}, {2, "1234.4999", 1234},
        {1, "1234", 1234},      {2, "-2.5", -3},        {0, "-2.5", -2},        {7, "0.5", 1},
        {1, "0.0001", 1},       {0, "0.9999", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RoundCurrency(c.mode, Money::fromString(QString::fromLatin1(c.amount))), Money(c.expected))
            << c.mode << " " << c.amount;
}

TEST_F(TaxTest, EntryTaxInEveryModeIncludedAndExcluded) {
    struct Case {
        const char* name;
        int salesMode, purchaseMode;
        const char* kingaku;
        int zeigaku, autcalcu, taxcalcu;
        QString debitAccount;
        int debitCode, debitKind;
        int creditCode, creditKind;
        int oldRate;
        // expected
        qint64 lNuk, lZei;
        int lRit;
        qint64 rNuk, rZei;
        int rRit;
        qint64 zeigakuAfter;
        int oldRateAfter, taxcalcuAfter;
    };
    const QString& o = kOther;
    // clang-format off
    const Case cases[] = {
        // name, sales and purchase modes, KINGAKU, ZEIGAKU, AUTCALCU, TAXCALCU, debit account, code, kind,
        // credit code, kind, OLDRATE -> debit NUK, ZEI, RIT, credit NUK, ZEI, RIT, ZEIGAKU, OLDRATE, TAXCALCU
        // tax included, purchase side, 8% and 10% in each mode
        {"incl 8% m0",      2, 0, "10800",  0, 1, 0, o, 511, 3, 810, 3, 3,  10000,  800,  8,  10800,   0,  0,  800, 3, 0},
        {"incl 10% m0",     2, 0, "10000",  0, 1, 0, o, 511, 0, 810, 0, 0,   9091,  909, 10,  10000,   0,  0,  909, 0, 0},
        {"incl 10% m1",     2, 1, "10000",  0, 1, 0, o, 511, 0, 810, 0, 0,   9090,  910, 10,  10000,   0,  0,  910, 0, 0},
        {"incl 10% m2",     0, 2, "10000",  0, 1, 0, o, 511, 0, 810, 0, 0,   9091,  909, 10,  10000,   0,  0,  909, 0, 0},
        {"incl 10% m2 up",  0, 2, "10050",  0, 1, 0, o, 511, 0, 810, 0, 0,   9136,  914, 10,  10050,   0,  0,  914, 0, 0},
        {"incl 10% m0 neg", 0, 0, "-10050", 0, 1, 0, o, 511, 0, 810, 0, 0,  -9137, -913, 10, -10050,   0,  0,    0, 0, 0},
        {"incl 10% m2 neg", 0, 2, "-10050", 0, 1, 0, o, 511, 0, 810, 0, 0,  -9136, -914, 10, -10050,   0,  0,    0, 0, 0},
        // tax included, sales side on the credit: the sales mode applies
        {"incl sales m1",   1, 0, "10050",  0, 1, 0, o, 810, 0, 110, 0, 0,  10050,    0,  0,   9136, 914, 10,  914, 0, 0},
        {"incl sales m0",   0, 1, "10050",  0, 1, 0, o, 810, 0, 110, 0, 0,  10050,    0,  0,   9137, 913, 10,  913, 0, 0},
        // tax excluded: the untaxed side carries the amount with tax
        {"excl 10% m0",     2, 0, "10000",  0, 1, 1, o, 511, 0, 810, 0, 0,  10000, 1000, 10,  11000,   0,  0, 1000, 0, 1},
        {"excl 8% m0",      0, 0, "10007",  0, 1, 1, o, 810, 3, 110, 3, 3,  10807,    0,  0,  10007, 800,  8,  800, 3, 1},
        {"excl 8% m1",      1, 0, "10007",  0, 1, 1, o, 810, 3, 110, 3, 3,  10808,    0,  0,  10007, 801,  8,  801, 3, 1},
        {"excl 8% m2",      2, 0, "10007",  0, 1, 1, o, 810, 3, 110, 3, 3,  10808,    0,  0,  10007, 801,  8,  801, 3, 1},
        {"excl 8% m2 down", 2, 0, "10005",  0, 1, 1, o, 810, 3, 110, 3, 3,  10805,    0,  0,  10005, 800,  8,  800, 3, 1},
        {"excl 5% m1",      2, 1, "999",    0, 1, 1, o, 511, 2, 810, 2, 2,    999,   50,  5,   1049,   0,  0,   50, 2, 1},
        // the amount is cut to whole yen first
        {"cut amount",      0, 2, "10800.9", 0, 1, 0, o, 511, 3, 810, 3, 3, 10000,  800,  8,  10800,   0,  0,  800, 3, 0},
        // tax given with the entry
        {"given incl",      0, 0, "10800", 799, 0, 0, o, 511, 3, 810, 3, 3,  10001,  799,  8,  10800,   0,  0,  799, 3, 0},
        {"given excl",      0, 0, "10000", 799, 0, 1, o, 511, 3, 810, 3, 3,  10000,  799,  8,  10799,   0,  0,  799, 3, 1},
        {"given none",      0, 0, "10000", 799, 0, 2, o, 511, 3, 810, 3, 3,  10000,    0,  8,  10000,   0,  0,    0, 3, 2},
        // specified purchases carry no tax
        {"specified",       0, 0, "10000",  0, 1, 0, o, 551, 0, 810, 0, 0,  10000,    0, 10,  10000,   0,  0,    0, 0, 2},
        // provisional tax account: no tax, but its rate unless outside the tax
        {"karibarai",       0, 0, "800",    0, 1, 0, kKaribarai, 711, 3, 810, 3, 0, 800, 0, 8, 800,  0,  0,    0, 3, 0},
        {"karibarai 810",   0, 0, "800",    0, 1, 0, kKaribarai, 810, 3, 810, 3, 0, 800, 0, 0, 800,  0,  0,    0, 0, 0},
        // rates of both sides: equal kinds settle the entry's kind, different kinds leave it
        {"both same",       0, 0, "10800",  0, 1, 0, o, 511, 3, 110, 3, 0,  10000,  800,  8,  10000, 800,  8,  800, 3, 0},
        {"both differ",     0, 0, "11000",  0, 1, 0, o, 511, 0, 110, 3, 2,  10000, 1000, 10,  10186, 814,  8, 1000, 2, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        AccInf.TAXU_HASUU = c.salesMode;
        AccInf.TAXH_HASUU = c.purchaseMode;
        TSWKREC e;
        e.KINGAKU = Money::fromString(QString::fromLatin1(c.kingaku));
        e.ZEIGAKU = Money(c.zeigaku);
        e.AUTCALCU = c.autcalcu;
        e.TAXCALCU = c.taxcalcu;
        e.OLDRATE = c.oldRate;
        e.L.KCODE = c.debitAccount;
        e.L.TAXCODE = c.debitCode;
        e.L.RateKind = c.debitKind;
        e.R.KCODE = kOther;
        e.R.TAXCODE = c.creditCode;
        e.R.RateKind = c.creditKind;
        ASSERT_TRUE(CalcSiwakeTax(e)) << c.name;
        EXPECT_EQ(e.L.NUK, Money(c.lNuk)) << c.name;
        EXPECT_EQ(e.L.ZEI, Money(c.lZei)) << c.name;
        EXPECT_EQ(e.L.RIT, Money(c.lRit)) << c.name;
        EXPECT_EQ(e.R.NUK, Money(c.rNuk)) << c.name;
        EXPECT_EQ(e.R.ZEI, Money(c.rZei)) << c.name;
        EXPECT_EQ(e.R.RIT, Money(c.rRit)) << c.name;
        EXPECT_EQ(e.ZEIGAKU, Money(c.zeigakuAfter)) << c.name;
        EXPECT_EQ(e.OLDRATE, c.oldRateAfter) << c.name;
        EXPECT_EQ(e.TAXCALCU, c.taxcalcuAfter) << c.name;
    }
}

TEST_F(TaxTest, SideTaxKeepsTheQuotientToFourDecimalsTiesToEven) {
    // 0.001 yen × 5 / 100 is 0.00005: kept as 0.0000, so rounding up a remaining fraction adds nothing.
    AccInf.TAXH_HASUU = 1;
    TSWKREC e;
    e.AUTCALCU = 1;
    e.TAXCALCU = 1;
    e.OLDRATE = 2;
    e.L.RateKind = 2;
    e.L.TAXCODE = 511;
    e.KINGAKU = Money::fromRaw(10);
    ASSERT_TRUE(CalcSideTax(e, e.L));
    EXPECT_EQ(e.L.ZEI, Money());
    e.KINGAKU = Money::fromRaw(30); // 0.00015 becomes 0.0002
    ASSERT_TRUE(CalcSideTax(e, e.L));
    EXPECT_EQ(e.L.ZEI, Money(1));
}

TEST_F(TaxTest, SideTaxThatCannotBeComputedShowsItsBox) {
    ui::ScopedScriptedUi shown;
    AccInf.TAXH_HASUU = 0;
    TaxRateList[0].Rate = Money(-100); // a tax-included quotient over zero
    TSWKREC e;
    e.AUTCALCU = 1;
    e.TAXCALCU = 0;
    e.L.TAXCODE = 511;
    e.R.TAXCODE = 810;
    e.KINGAKU = Money(1000);
    EXPECT_FALSE(CalcSiwakeTax(e));
    ASSERT_EQ(shown->shown().size(), 1u);
    EXPECT_EQ(shown->shown()[0].message.kind, ui::MsgKind::Error);
    EXPECT_EQ(shown->messageTexts()[0].trimmed(), S("仕訳の消費税額が計算できません。"));
}

TEST_F(TaxTest, RateKindForDatesAroundEachChange) {
    struct Case {
        const char* version;
        int kind;
        TDateTime date;
        int expected;
    };
    const Case cases[] = {
        {"11.1.0", 0, D(1985, 1, 1), 0},  {"11.1.0", 0, D(1989, 3, 31), 0}, {"11.1.0", 0, D(1989, 4, 1), 1},
        {"11.1.0", 0, D(1997, 3, 31), 1}, {"11.1.0", 0, D(1997, 4, 1), 2},  {"11.1.0", 0, D(2014, 3, 31), 2},
        {"11.1.0", 0, D(2014, 4, 1), 3},  {"11.1.0", 0, D(2015, 6, 1), 3},  {"11.1.0", 0, D(2019, 9, 30), 3},
        {"11.1.0", 0, D(2019, 10, 1), 0}, {"11.1.0", 1, D(2019, 10, 1), 1}, {"11.1.0", 1, D(1989, 3, 31), 0},
        {"11.1.0", 2, D(2015, 6, 1), 2},  {"11.1.0", 2, D(1997, 3, 31), 1}, {"11.1.0", 3, D(2010, 1, 1), 2},
        {"11.1.0", 3, D(2014, 4, 1), 3},  {"11.1.0", 3, D(2019, 10, 1), 3}, {"11.1.0", 4, D(2015, 6, 1), 4},
        {"11.1.0", 4, D(2019, 10, 1), 4}, {"11.1.0", 9, D(2019, 10, 1), 0}, {"11.0.9", 0, D(2014, 3, 31), 2},
        {"11.0.9", 0, D(2014, 4, 1), 0},  {"11.0.9", 0, D(2019, 10, 1), 0}, {"11.0.9", 2, D(2019, 10, 1), 2},
        {"11.0.9", 2, D(1997, 3, 31), 1}, {"11.0.9", 3, D(2015, 6, 1), 0},  {"11.0.9", 4, D(2020, 1, 1), 0},
        {"11.0.9", 0, D(1989, 3, 31), 0},
    };
    for (const Case& c : cases) {
        const QStringList v = QString::fromLatin1(c.version).split(u'.');
        AccInf.MAJOR = v[0].toInt();
        AccInf.MINOR1 = v[1].toInt();
        AccInf.MINOR2 = v[2].toInt();
        BuildTaxRateList();
        EXPECT_EQ(RateKindForDate(c.kind, c.date), c.expected)
            << c.version << " kind " << c.kind << " " << c.date.toDate().toString().toStdString();
    }
}

TEST_F(TaxTest, RateListFollowsTheDataVersion) {
    ASSERT_EQ(TaxRateList.size(), 5u);
    EXPECT_EQ(TaxRateList[0].Name, S("10%"));
    EXPECT_EQ(TaxRateList[1].Name, S("8*%"));
    EXPECT_EQ(TaxRateList[1].Standard, 0);
    EXPECT_EQ(RateOfKind(0), Money(10));
    EXPECT_EQ(RateOfKind(4), Money(8));
    EXPECT_EQ(RateOfKind(1), Money(3));
    EXPECT_EQ(RateOfKind(7), Money(10));

    AccInf.MAJOR = 11;
    AccInf.MINOR1 = 0;
    AccInf.MINOR2 = 99;
    BuildTaxRateList();
    ASSERT_EQ(TaxRateList.size(), 3u);
    EXPECT_EQ(TaxRateList[0].Name, S("8%"));
    EXPECT_EQ(TaxRateList[0].Kind, 0);
    EXPECT_EQ(RateOfKind(0), Money(8));
    EXPECT_EQ(RateOfKind(2), Money(5));
    EXPECT_EQ(RateOfKind(4), Money(8));

    // An empty list is built on first use.
    TaxRateList.clear();
    AccInf.MAJOR = 12;
    EXPECT_EQ(RateOfKind(0), Money(10));
    EXPECT_EQ(TaxRateList.size(), 5u);
}

// The column texts of the depreciation rows, computed from one asset record without a database.

#include "app/hj19.h"
#include "core/uAccDateCmp.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

using namespace hj19;

namespace {

TDateTime date(int y, int m, int d) {
    return TDateTime::fromDate(y, m, d);
}

Money yen(qint64 units) {
    return Money(units);
}

// A fiscal year from 1 April to 31 March, twelve months of data.
THj19Dataset fiscalYear(int startYear, int roundMode = 0) {
    THj19Dataset ds;
    ds.KISHU = date(startYear, 4, 1);
    ds.KIMATU = date(startYear + 1, 3, 31);
    ds.DataMonths = 12;
    ds.RoundMode = roundMode;
    return ds;
}

TKsSisanRec asset(TDateTime acquired) {
    // The era table as a dataset without its own eras leaves it.
    BuildEraTable();
    TKsSisanRec r;
    r.KNAME = QStringLiteral("器具備品");
    r.MEISYOU = QStringLiteral("複合機");
    r.SYUTODATE = acquired;
    r.TAIYOUYY = 10;
    r.SYUTOKIN = yen(1000000);
    r.KISOKIN = yen(1000000);
    r.SYOURITU = Money::fromString(QStringLiteral("0.2"));
    r.SYOUKIKANSTR = 1;
    r.SYOUKIKANEND = 12;
    r.FUTUSYOUKIN = yen(200000);
    r.SYOUKINKEI = yen(200000);
    r.MATUMISYOUKIN = yen(800000);
    return r;
}

// The row's texts by column suffix.
class RowTexts {
public:
    RowTexts(int group, const QStringList& texts) : m_names(ColumnNames(group)), m_texts(texts) {
        EXPECT_EQ(m_texts.size(), m_names.size());
    }
    QString operator[](const char* suffix) const {
        for (int i = 0; i < m_names.size(); ++i)
            if (m_names[i].endsWith(u'_' + QLatin1String(suffix)))
                return m_texts[i];
        ADD_FAILURE() << "no column " << suffix;
        return {};
    }
    // Suffixes of the columns that have a text.
    QStringList filled() const {
        QStringList list;
        for (int i = 0; i < m_names.size(); ++i)
            if (!m_texts[i].isEmpty())
                list << m_names[i].mid(m_names[i].lastIndexOf(u'_') + 1);
        return list;
    }

private:
    QStringList m_names;
    QStringList m_texts;
};

// Each column's text, by suffix.
void expectColumns(const RowTexts& row, std::initializer_list<std::pair<const char*, QString>> expected) {
    for (const auto& [suffix, text] : expected)
        EXPECT_EQ(row[suffix], text) << suffix;
}

RowTexts row(int group, const TKsSisanRec& r, const THj19Dataset& ds) {
    return RowTexts(group, MakeRow(group, r, ds));
}

} // namespace

TEST(Hj19Columns, NameTablesHaveTheFormsColumnCountsAndOrder) {
    const int counts[] = {0, 61, 69, 60, 17, 15, 15};
    for (int g = 1; g <= GroupCount; ++g)
        EXPECT_EQ(ColumnNames(g).size(), counts[g]) << g;
    EXPECT_EQ(IkkatuToukiNames().size(), 9);
    EXPECT_EQ(ColumnNames(Teigaku).first(), "TEIGAKU_MEISAI_19_ZOKUSEI");
    EXPECT_EQ(ColumnNames(Teigaku).last(), "TEIGAKU_MEISAI_19_4700");
    const QStringList& teiritu = ColumnNames(Teiritu);
    EXPECT_EQ(teiritu.indexOf("TEIRITU_MEISAI_19_2510") + 1, teiritu.indexOf("TEIRITU_MEISAI_19_2500"));
    EXPECT_EQ(teiritu.indexOf("TEIRITU_MEISAI_19_2610") + 1, teiritu.indexOf("TEIRITU_MEISAI_19_2600"));
    EXPECT_EQ(teiritu.last(), "TEIRITU_MEISAI_19_5100");
    EXPECT_EQ(ColumnNames(Lease).last(), "LEASE_MEISAI_4300");
    EXPECT_EQ(ColumnNames(Kintou).last(), "KINTOUSHOUKYAKU_MEISAI_1200");
    EXPECT_EQ(ColumnNames(Shougaku).first(), "SHOUGAKU_MEISAI_0110");
    EXPECT_EQ(ColumnNames(Ikkatu).mid(5, 2), (QStringList{"IKKATU_MEISAI_0160", "IKKATU_MEISAI_0200"}));
    EXPECT_EQ(IkkatuToukiNames().first(), "IKKATU_TOUKI_0200");
    EXPECT_EQ(IkkatuToukiNames().last(), "IKKATU_TOUKI_1000");
    const int methods[] = {0, 1, 2, 6, 3, 5, 4};
    for (int g = 1; g <= GroupCount; ++g)
        EXPECT_EQ(MethodOfGroup(g), methods[g]);
}

TEST(Hj19Columns, RateTablesMatchTheOrdinanceRows) {
    struct Case {
        int life;
        const char *revised250, *guarantee250, *revised200, *guarantee200;
    } cases[] = {
        {0, "0.000", "0.00000", "0.000", "0.00000"},   {1, "0.000", "0.00000", "0.000", "0.00000"},
        {2, "0.000", "0.00000", "0.000", "0.00000"},   {3, "1.000", "0.02789", "1.000", "0.11089"},
        {5, "1.000", "0.06249", "0.500", "0.10800"},   {10, "0.334", "0.04448", "0.250", "0.06552"},
        {20, "0.143", "0.02517", "0.112", "0.03486"},  {50, "0.053", "0.01072", "0.042", "0.01440"},
        {100, "0.026", "0.00546", "0.020", "0.00742"},
    };
    for (const Case& c : cases) {
        const auto r250 = TeirituRate(TTeirituTable::Rate250, c.life);
        const auto r200 = TeirituRate(TTeirituTable::Rate200, c.life);
        ASSERT_TRUE(r250 && r200);
        EXPECT_EQ(Rate3(*r250), c.revised250) << c.life;
        EXPECT_EQ(Rate5(*r250), c.guarantee250) << c.life;
        EXPECT_EQ(Rate3(*r200), c.revised200) << c.life;
        EXPECT_EQ(Rate5(*r200), c.guarantee200) << c.life;
    }
    EXPECT_FALSE(TeirituRate(TTeirituTable::Rate200, -1));
    EXPECT_FALSE(TeirituRate(TTeirituTable::Rate250, 101));
}

TEST(Hj19Columns, TextForms) {
    EXPECT_EQ(Amount(yen(0)), "");
    EXPECT_EQ(Amount(Money::fromString("0.4999")), "");
    EXPECT_EQ(Amount(Money::fromString("0.5")), "1");
    EXPECT_EQ(Amount(Money::fromString("-1234.5")), "-1235");
    EXPECT_EQ(Amount0(yen(0)), "0");
    EXPECT_EQ(Amount0(Money::fromString("12.5")), "13");
    EXPECT_EQ(Rate3(Money::fromString("0.0625")), "0.063");
    EXPECT_EQ(Rate3(Money::fromString("0.2")), "0.200");
    // Kept to four decimals exactly: a double product would truncate to 65519.
    EXPECT_EQ(Trunc(yen(1000000).mulRate(0.06552)), yen(65520));

    // Five double-byte characters: 10 bytes and 6 blanks.
    EXPECT_EQ(Name16(QStringLiteral("工具器具備")), QStringLiteral("工具器具備      "));
    // Fourteen double-byte characters are cut to eight.
    EXPECT_EQ(Name16(QStringLiteral("一二三四五六七八九十一二三四")), QStringLiteral("一二三四五六七八"));
    // A double-byte character cut in two at the end becomes a blank.
    const QString cut = Name16(QStringLiteral("A一二三四五六七八"));
    EXPECT_EQ(cut, QStringLiteral("A一二三四五六七 "));
    EXPECT_EQ(cp932::byteLength(cut), 16);
}

TEST(Hj19Columns, LumpSumThirdsRoundTheExactQuotientWithTheDatasetMode) {
    struct Case {
        const char* total;
        int mode;
        const char* third;
    } cases[] = {
        {"300000", 0, "100000"}, {"300000", 1, "100000"},  {"300000", 2, "100000"}, {"100001", 0, "33333"},
        {"100001", 1, "33334"},  {"100001", 2, "33334"},   {"100000", 2, "33333"},  {"0.0001", 1, "1"},
        {"0.0001", 2, ""},       {"-100001", 1, "-33334"}, {"4.5", 2, "2"},         {"4.4999", 2, "1"},
    };
    for (const Case& c : cases) {
        const QStringList t = IkkatuTouki(Money::fromString(c.total), c.mode);
        ASSERT_EQ(t.size(), 9);
        EXPECT_EQ(t[2], c.third) << c.total << " mode " << c.mode;
        EXPECT_EQ(t[3], c.third);
    }
    const QStringList t = IkkatuTouki(yen(300000), 0);
    EXPECT_EQ(t, (QStringList{"300000", "12", "100000", "100000", "", "", "", "", ""}));
}

TEST(Hj19Straight, OldAndNewRulesSplitAt20070401) {
    const THj19Dataset ds = fiscalYear(2006);
    TKsSisanRec old = asset(date(2007, 3, 31));
    old.WARISYOUKIN = yen(5000);
    const RowTexts o = row(Teigaku, old, ds);
    expectColumns(o, {{"ZOKUSEI", "2"},
                      {"0100", QStringLiteral("器具備品        ")},
                      {"0300", QStringLiteral("複合機          ")},
                      {"0410", QStringLiteral("平成")},
                      {"0420", "19"},
                      {"0430", "3"},
                      {"0440", "31"},
                      {"0510", QStringLiteral("平成")},
                      {"0540", "12"},
                      {"0550", "12"},
                      {"0600", "10"},
                      {"1700", "100000"},
                      {"1800", "50000"},
                      {"1900", "900000"},
                      {"2000", "0.200"},
                      {"2220", "5000"},
                      {"2310", "(21)+(22)"},
                      {"2320", "200000"},
                      {"2500", ""},
                      {"2900", ""}});
    EXPECT_EQ(o.filled(), (QStringList{"ZOKUSEI", "0100", "0300", "0410", "0420", "0430", "0440", "0510",
                                       "0520",    "0530", "0540", "0550", "0600", "0700", "0900", "1000",
                                       "1300",    "1400", "1600", "1700", "1800", "1900", "2000", "2100",
                                       "2220",    "2310", "2320", "3000", "3400", "3500"}));

    const RowTexts n = row(Teigaku, asset(date(2007, 4, 1)), ds);
    expectColumns(n, {{"1700", ""},
                      {"2500", "1000000"},
                      {"2600", "0.200"},
                      {"2700", "200000"},
                      {"2820", ""},
                      {"2900", "200000"},
                      {"3000", "200000"},
                      {"3500", "200000"}});
    EXPECT_EQ(n.filled(),
              (QStringList{"ZOKUSEI", "0100", "0300", "0410", "0420", "0430", "0440", "0510", "0520",
                           "0530",    "0540", "0550", "0600", "0700", "0900", "1000", "1300", "1400",
                           "1600",    "2500", "2600", "2700", "2900", "3000", "3400", "3500"}));
}

TEST(Hj19Straight, FiveYearPhaseNeedsAFiscalYearFrom20070401AndALowBookValue) {
    TKsSisanRec r = asset(date(1998, 4, 1));
    r.SYUTOKIN = yen(1000000);
    r.MATUMISYOUKIN = yen(30000);
    r.SYOUKINKEI = yen(10000);
    r.FUTUSYOUKIN = yen(10000);

    const RowTexts p = row(Teigaku, r, fiscalYear(2007));
    EXPECT_TRUE(IsFiveYearPhase(r, fiscalYear(2007)));
    for (const char* c : {"1900", "2000", "2100", "2220", "2310", "2320"})
        EXPECT_EQ(p[c], "") << c;
    for (const char* c : {"2400", "3000", "3400", "3500"})
        EXPECT_EQ(p[c], "10000") << c;
    EXPECT_EQ(p["1800"], "50000");

    // The same asset in a fiscal year before the new rules, and with a book value above the limit.
    EXPECT_FALSE(IsFiveYearPhase(r, fiscalYear(2006)));
    EXPECT_EQ(row(Teigaku, r, fiscalYear(2006))["2320"], "10000");
    r.MATUMISYOUKIN = yen(40001);
    EXPECT_FALSE(IsFiveYearPhase(r, fiscalYear(2007)));
    // Exactly at the limit it is still the phase.
    r.MATUMISYOUKIN = yen(40000);
    EXPECT_TRUE(IsFiveYearPhase(r, fiscalYear(2007)));
    // A period depreciation of 0: "0" in the limit column, 1400 empty.
    r.SYOUKINKEI = yen(0);
    const RowTexts z = row(Teigaku, r, fiscalYear(2007));
    expectColumns(z, {{"1400", ""}, {"2400", "0"}, {"3500", "0"}});
}

TEST(Hj19Declining, TableChoiceByAcquisitionDateAndFlags) {
    struct Case {
        int fyStart;
        TDateTime acquired;
        int t250, t200;
        TTeirituTable table;
    } cases[] = {
        {2006, date(2007, 4, 1), 0, 1, TTeirituTable::Rate250}, // fiscal year ends before the new rules
        {2011, date(2012, 3, 31), 0, 0, TTeirituTable::Rate250},
        {2011, date(2012, 3, 31), 1, 1, TTeirituTable::Rate200},
        {2012, date(2012, 4, 1), 0, 0, TTeirituTable::Rate200},
        {2012, date(2012, 4, 1), 1, 0, TTeirituTable::Rate250},
        {2012, date(2012, 4, 1), 1, 1, TTeirituTable::Rate200},
    };
    for (const Case& c : cases) {
        TKsSisanRec r = asset(c.acquired);
        r.TEIRITU250 = c.t250;
        r.TEIRITU200 = c.t200;
        EXPECT_EQ(ChooseTable(r, fiscalYear(c.fyStart)), c.table)
            << c.acquired.toDate().toString().toStdString();
    }
    // The chosen table's guarantee rate is written.
    TKsSisanRec r = asset(date(2012, 4, 1));
    EXPECT_EQ(row(Teiritu, r, fiscalYear(2012))["2700"], "0.06552");
    r.TEIRITU250 = 1;
    const RowTexts t = row(Teiritu, r, fiscalYear(2012));
    EXPECT_EQ(t["2700"], "0.04448");
    EXPECT_EQ(t["0450"], "1");
}

TEST(Hj19Declining, GuaranteeSwitchesToTheRevisedRate) {
    const THj19Dataset ds = fiscalYear(2020);
    // Computed 0.2 x 300,000 = 60,000 is below the guarantee 1,000,000 x 0.06552 = 65,520.
    TKsSisanRec r = asset(date(2013, 4, 1));
    r.KISOKIN = yen(300000);
    r.FUTUSYOUKIN = yen(65520);
    r.SYOUKINKEI = yen(65520);
    r.MATUMISYOUKIN = yen(234480);
    r.KAITEISYUTOKUKAGAKU = yen(327680);
    r.KAITEISYUTOKUKAGAKU_INPUT = yen(327000);
    const RowTexts g = row(Teiritu, r, ds);
    expectColumns(g, {{"1800", "300000"},
                      {"2500", "0.200"},
                      {"2600", "60000"},
                      {"2700", "0.06552"},
                      {"2800", "65520"},
                      {"2900", "327680"},
                      {"3000", "0.250"},
                      {"3100", "65520"},
                      {"3300", "65520"},
                      {"3400", "65520"},
                      {"3900", "65520"},
                      {"0910", ""}});
    r.ISINPKAITEISYUTOKUKAGAKU = 1;
    EXPECT_EQ(row(Teiritu, r, ds)["2900"], "327000");

    // Equal amounts do not switch: the comparison is strict, on the values before truncation.
    r.KISOKIN = yen(327600);
    const RowTexts e = row(Teiritu, r, ds);
    expectColumns(e, {{"2600", "65520"}, {"2900", ""}, {"3000", ""}, {"3100", ""}});
    // A computed amount only a fraction below the guarantee still switches.
    r.KISOKIN = Money::fromString("327599.999");
    const RowTexts f = row(Teiritu, r, ds);
    EXPECT_EQ(f["2600"], "65519");
    EXPECT_EQ(f["3000"], "0.250");
}

TEST(Hj19Declining, TwoHundredPercentWithAdjustedCost) {
    TKsSisanRec r = asset(date(2012, 4, 1));
    r.TEIRITU200 = 1;
    r.SYUTOKUKAGAKUCHOSEI = yen(999999);
    r.KISOKIN = yen(300000);
    const RowTexts t = row(Teiritu, r, fiscalYear(2020));
    EXPECT_EQ(t["0910"], "1");
    // trunc(999,999 x 0.06552) = trunc(65519.93448) = 65519
    EXPECT_EQ(t["2800"], "65519");
    EXPECT_EQ(t["3000"], "0.250");
}

TEST(Hj19Declining, OldRuleRowsAndLifeOutsideTheTables) {
    TKsSisanRec old = asset(date(2000, 4, 1));
    old.TAIYOUYY = 150; // old rules read no rate table
    const RowTexts o = row(Teiritu, old, fiscalYear(2006));
    expectColumns(o, {{"1900", "50000"},
                      {"2000", "0.200"},
                      {"2320", "200000"},
                      {"2500", ""},
                      {"3400", "200000"},
                      {"3800", "200000"}});

    TKsSisanRec bad = asset(date(2015, 4, 1));
    bad.MEISYOU = QStringLiteral("特殊機械");
    bad.TAIYOUYY = 101;
    try {
        MakeRow(Teiritu, bad, fiscalYear(2020));
        FAIL() << "no error";
    } catch (const EDataExportError& e) {
        EXPECT_EQ(e.Code, 4);
        EXPECT_EQ(e.Detail, QStringLiteral("資産名:特殊機械"));
    }
}

TEST(Hj19OtherGroups, LeaseEqualSmallAndLumpSumColumns) {
    const THj19Dataset ds = fiscalYear(2020);
    TKsSisanRec r = asset(date(2020, 10, 15));
    r.SYOUKIKANSTR = 7;
    r.SYOUKIKANEND = 12;
    r.ZANKAHOSYOUGAKU = yen(100000);
    r.TAIYOUYY = 5;

    const RowTexts l = row(Lease, r, ds);
    EXPECT_EQ(l.filled(), (QStringList{"ZOKUSEI", "0100", "0300", "0410", "0420", "0430", "0440", "0510",
                                       "0520", "0530", "1700", "1800", "1900", "2420", "2500", "2600"}));
    expectColumns(l, {{"ZOKUSEI", "1"},
                      {"0410", QStringLiteral("令和")},
                      {"0420", "2"},
                      {"1900", "900000"},
                      {"2420", "5"},
                      {"2500", "6"}});

    const RowTexts k = row(Kintou, r, ds);
    EXPECT_EQ(k.filled(), (QStringList{"ZOKUSEI", "0110", "0130", "0210", "0220", "0230", "0300", "0400",
                                       "0500", "0600", "0700"}));
    expectColumns(
        k,
        {{"0110", QStringLiteral("器具備品        ")}, {"0230", "10"}, {"0400", "60"}, {"0600", "200000"}});

    const RowTexts i = row(Ikkatu, r, ds);
    EXPECT_EQ(i.filled(), (QStringList{"0200", "0300", "0400", "0500"}));
    EXPECT_EQ(i["0300"], "6");

    const RowTexts s = row(Shougaku, r, ds);
    EXPECT_EQ(s.filled(), (QStringList{"0110", "0310", "0410", "0420", "0430", "0500", "0700"}));
    EXPECT_EQ(s["0110"], QStringLiteral("器具備品")); // pieces are not filled with blanks
}

TEST(Hj19OtherGroups, SmallAmountNamesInSixteenBytePieces) {
    struct Case {
        QString name, first, second;
    } cases[] = {
        {QStringLiteral("一二三四五六七八九十"), QStringLiteral("一二三四五六七八"), QStringLiteral("九十")},
        // Three pieces (16 + 16 + 8 bytes): the two columns take the first two.
        {QStringLiteral("一二三四五六七八九十一二三四五六七八九十"), QStringLiteral("一二三四五六七八"),
         QStringLiteral("九十一二三四五六")},
        // The 16th byte is a lead byte: a piece of 15 bytes, the character starts the next piece.
        {QStringLiteral("A一二三四五六七八"), QStringLiteral("A一二三四五六七"), QStringLiteral("八")},
        {QString(), QString(), QString()},
    };
    for (const Case& c : cases) {
        TKsSisanRec r = asset(date(2020, 10, 1));
        r.MEISYOU = c.name;
        r.KNAME = c.name;
        const RowTexts s = row(Shougaku, r, fiscalYear(2020));
        expectColumns(s, {{"0310", c.first}, {"0320", c.second}, {"0110", c.first}, {"0120", c.second}});
    }
}

// One maker for a whole run gives every row as a maker of its own would, whatever the maker keeps from the
// rows before: dates on the same day number modulo its table, the eve of a new era, names that return.
TEST(Hj19Rows, RowsOfOneRunAreTheRowsMadeOneByOne) {
    const THj19Dataset ds = fiscalYear(2024);
    const TDateTime dates[] = {date(2019, 4, 30),
                               date(2019, 5, 1),
                               TDateTime(date(2019, 5, 1).value() + 1024),
                               TDateTime(date(2019, 5, 1).value() + 2048),
                               date(2019, 4, 30),
                               date(1989, 1, 7),
                               date(1989, 1, 8),
                               date(2024, 6, 1)};
    const QString names[] = {QStringLiteral("器具備品"), QStringLiteral("車両運搬具と工具器具備品の一括償却"),
                             QStringLiteral("器具備品")};
    for (int group = 1; group <= GroupCount; ++group) {
        RowMaker maker(ds);
        int n = 0;
        for (const TDateTime& d : dates) {
            TKsSisanRec r = asset(d);
            r.KNAME = names[n % 3];
            r.MEISYOU = names[(n + 1) % 3];
            ++n;
            EXPECT_EQ(maker.Make(group, r), MakeRow(group, r, ds)) << group << " " << n;
        }
    }
}

#include "app/hj19.h"

#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/TMojiBunkatu.h"
#include "core/uAccDateCmp.h"
#include "core/uAccFunction2.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbError.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QHash>
#include <exception>
#include <future>
#include <limits>
#include <stdexcept>

namespace hj19 {

namespace {

const QString kAmountOutOfRange = QStringLiteral("金額が扱える範囲を超えています。");

// Revised and guarantee rates of the declining-balance method by useful life, from the ordinance on useful
// lives of depreciable assets (減価償却資産の耐用年数等に関する省令), appended table 9 (250 %) and appended
// table 10 (200 %). Lives 0 and 1 have no rates, life 2 has no revised or guarantee rate.
// Columns: 250 % revised (x 1/1000), 250 % guarantee (x 1/100000), 200 % revised, 200 % guarantee.
constexpr int kRates[101][4] = {
    {0, 0, 0, 0},              // 0
    {0, 0, 0, 0},              // 1
    {0, 0, 0, 0},              // 2
    {1000, 2789, 1000, 11089}, // 3
    {1000, 5274, 1000, 12499}, // 4
    {1000, 6249, 500, 10800},  // 5
    {500, 5776, 334, 9911},    // 6
    {500, 5496, 334, 8680},    // 7
    {334, 5111, 334, 7909},    // 8
    {334, 4731, 250, 7126},    // 9
    {334, 4448, 250, 6552},    // 10
    {250, 4123, 200, 5992},    // 11
    {250, 3870, 200, 5566},    // 12
    {200, 3633, 167, 5180},    // 13
    {200, 3389, 167, 4854},    // 14
    {200, 3217, 143, 4565},    // 15
    {167, 3063, 143, 4294},    // 16
    {167, 2905, 125, 4038},    // 17
    {143, 2757, 112, 3884},    // 18
    {143, 2616, 112, 3693},    // 19
    {143, 2517, 112, 3486},    // 20
    {125, 2408, 100, 3335},    // 21
    {125, 2296, 100, 3182},    // 22
    {112, 2226, 91, 3052},     // 23
    {112, 2157, 84, 2969},     // 24
    {112, 2058, 84, 2841},     // 25
    {100, 1989, 84, 2716},     // 26
    {100, 1902, 77, 2624},     // 27
    {91, 1866, 72, 2568},      // 28
    {91, 1803, 72, 2463},      // 29
    {84, 1766, 72, 2366},      // 30
    {84, 1688, 67, 2286},      // 31
    {84, 1655, 67, 2216},      // 32
    {77, 1585, 63, 2161},      // 33
    {77, 1532, 63, 2097},      // 34
    {72, 1532, 59, 2051},      // 35
    {72, 1494, 59, 1974},      // 36
    {72, 1425, 56, 1950},      // 37
    {67, 1393, 56, 1882},      // 38
    {67, 1370, 53, 1860},      // 39
    {67, 1317, 53, 1791},      // 40
    {63, 1306, 50, 1741},      // 41
    {63, 1261, 50, 1694},      // 42
    {59, 1248, 48, 1664},      // 43
    {59, 1210, 46, 1664},      // 44
    {59, 1175, 46, 1634},      // 45
    {56, 1175, 44, 1601},      // 46
    {56, 1153, 44, 1532},      // 47
    {53, 1126, 44, 1499},      // 48
    {53, 1102, 42, 1475},      // 49
    {53, 1072, 42, 1440},      // 50
    {50, 1053, 40, 1422},      // 51
    {50, 1036, 39, 1422},      // 52
    {48, 1028, 39, 1370},      // 53
    {48, 1015, 38, 1370},      // 54
    {46, 1007, 38, 1337},      // 55
    {46, 961, 38, 1288},       // 56
    {46, 952, 36, 1281},       // 57
    {44, 945, 35, 1281},       // 58
    {44, 934, 35, 1240},       // 59
    {44, 895, 34, 1240},       // 60
    {42, 892, 34, 1201},       // 61
    {42, 882, 33, 1201},       // 62
    {42, 847, 33, 1165},       // 63
    {40, 847, 32, 1165},       // 64
    {39, 847, 32, 1130},       // 65
    {39, 828, 31, 1130},       // 66
    {38, 828, 31, 1097},       // 67
    {38, 810, 30, 1097},       // 68
    {38, 800, 30, 1065},       // 69
    {38, 771, 30, 1034},       // 70
    {36, 771, 29, 1034},       // 71
    {36, 751, 29, 1006},       // 72
    {35, 751, 27, 1063},       // 73
    {35, 738, 27, 1035},       // 74
    {34, 738, 27, 1007},       // 75
    {34, 726, 27, 980},        // 76
    {33, 726, 27, 954},        // 77
    {33, 716, 27, 929},        // 78
    {33, 693, 26, 929},        // 79
    {32, 693, 26, 907},        // 80
    {32, 683, 26, 884},        // 81
    {31, 683, 24, 929},        // 82
    {31, 673, 24, 907},        // 83
    {31, 653, 24, 885},        // 84
    {30, 653, 24, 864},        // 85
    {30, 645, 23, 885},        // 86
    {30, 627, 23, 864},        // 87
    {29, 627, 23, 844},        // 88
    {29, 620, 22, 863},        // 89
    {29, 603, 22, 844},        // 90
    {27, 649, 22, 825},        // 91
    {27, 632, 22, 807},        // 92
    {27, 615, 22, 790},        // 93
    {27, 598, 21, 807},        // 94
    {27, 594, 21, 790},        // 95
    {27, 578, 21, 773},        // 96
    {27, 563, 21, 757},        // 97
    {27, 549, 20, 773},        // 98
    {26, 549, 20, 757},        // 99
    {26, 546, 20, 742},        // 100
};

// The element names of the groups, as suffixes after the row element name and "_".
QStringList suffixes(std::initializer_list<const char*> fixed, int from = 0, int to = -1, int step = 100) {
    QStringList list;
    for (const char* s : fixed)
        list << QString::fromLatin1(s);
    for (int n = from; n <= to; n += step)
        list << QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
    return list;
}

QStringList prefixed(const QString& rowName, const QStringList& list) {
    QStringList names;
    for (const QString& s : list)
        names << rowName + u'_' + s;
    return names;
}

const char* const kRowNames[GroupCount + 1] = {"",
                                               "TEIGAKU_MEISAI_19",
                                               "TEIRITU_MEISAI_19",
                                               "LEASE_MEISAI",
                                               "KINTOUSHOUKYAKU_MEISAI",
                                               "SHOUGAKU_MEISAI",
                                               "IKKATU_MEISAI"};

QStringList buildSuffixes(int group) {
    switch (group) {
    case Teigaku:
        return suffixes({"ZOKUSEI", "0100", "0200", "0300", "0410", "0420", "0430", "0440", "0510", "0520",
                         "0530",    "0540", "0550", "0600", "0700", "0800", "0900", "1000", "1100", "1200",
                         "1300",    "1400", "1500", "1600", "1700", "1800", "1900", "2000", "2100", "2210",
                         "2220",    "2310", "2320", "2400", "2500", "2600", "2700", "2810", "2820", "2900",
                         "3000",    "3110", "3120", "3130", "3210", "3220", "3300", "3400", "3500"},
                        3600, 4700);
    case Teiritu:
        return suffixes({"ZOKUSEI", "0100", "0200", "0300", "0410", "0420", "0430", "0440", "0450", "0510",
                         "0520",    "0530", "0540", "0550", "0600", "0700", "0800", "0900", "0910", "1000",
                         "1100",    "1200", "1300", "1400", "1500", "1600", "1700", "1800", "1900", "2000",
                         "2100",    "2210", "2220", "2310", "2320", "2400", "2510", "2500", "2610", "2600",
                         "2700",    "2800", "2900", "3000", "3100", "3210", "3220", "3300", "3400", "3510",
                         "3520",    "3530", "3610", "3620", "3700"},
                        3800, 5100);
    case Lease:
        return suffixes({"ZOKUSEI", "0100", "0200", "0300", "0410", "0420", "0430", "0440", "0510",
                         "0520",    "0530", "0600", "0700", "0800", "0900", "1000", "1110", "1120",
                         "1130",    "1140", "1150", "1160", "1170", "1180", "1200", "1300", "1400",
                         "1500",    "1600", "1700", "1800", "1900", "2000", "2100", "2200", "2300",
                         "2410",    "2420", "2500", "2600", "2710", "2720", "2730", "2810", "2820"},
                        2900, 4300);
    case Kintou:
        return suffixes({"ZOKUSEI", "0110", "0120", "0130", "0210", "0220", "0230"}, 300, 1200);
    case Shougaku:
        return suffixes({"0110", "0120", "0130", "0210", "0220", "0230", "0310", "0320", "0330", "0410",
                         "0420", "0430", "0500", "0600", "0700"});
    case Ikkatu:
        return suffixes({"0110", "0120", "0130", "0140", "0150", "0160"}, 200, 1000);
    }
    return {};
}

// A suffix of at most eight letters as one number, so that a column is found by comparing numbers.
quint64 suffixKey(QLatin1StringView suffix) {
    if (suffix.size() > 8)
        throw std::logic_error("column suffix too long");
    quint64 key = 0;
    for (qsizetype i = 0; i < suffix.size(); ++i)
        key |= quint64(static_cast<unsigned char>(suffix[i].toLatin1())) << (8 * i);
    return key;
}

// Column positions by suffix, built once per group.
struct Columns {
    QStringList names;
    std::vector<quint64> keys;
};

const Columns& columns(int group) {
    static const std::array<Columns, GroupCount + 1> all = [] {
        std::array<Columns, GroupCount + 1> a;
        for (int g = 1; g <= GroupCount; ++g) {
            const QStringList s = buildSuffixes(g);
            a[g].names = prefixed(QString::fromLatin1(kRowNames[g]), s);
            for (const QString& suffix : s)
                a[g].keys.push_back(suffixKey(QLatin1StringView(suffix.toLatin1())));
        }
        return a;
    }();
    return all[group];
}

} // namespace

// The texts that repeat from asset to asset, made once: the era parts of an acquisition date and the cut
// names (assets of one account follow each other).
struct RowMaker::Cache {
    struct Era {
        double value = 0;
        bool made = false;
        std::array<QString, 4> parts;
    };
    // By day: the dates of a run lie within a few thousand days of each other.
    std::array<Era, 1024> eras;
    struct Cut {
        QString text;
        bool made = false;
        QString head, second;
    };
    Cut cutName, pieces;

    const std::array<QString, 4>& eraParts(TDateTime date) {
        const double v = date.value();
        Era& e = eras[size_t(static_cast<quint64>(qint64(v)) % eras.size())];
        if (!e.made || e.value != v) {
            TWarekiRec w;
            DateToWareki(w, date);
            e.parts = {w.Name, QString::number(w.Year), QString::number(w.Month), QString::number(w.Day)};
            e.value = v;
            e.made = true;
        }
        return e.parts;
    }
    const QString& name16(const QString& text) {
        if (!cutName.made || cutName.text != text) {
            cutName.head = Name16(text);
            cutName.text = text;
            cutName.made = true;
        }
        return cutName.head;
    }
    // The first two pieces of 16 bytes.
    const Cut& twoPieces(const QString& text) {
        if (!pieces.made || pieces.text != text) {
            TMojiBunkatu cut;
            cut.BunkatuByte(text, 16);
            pieces.head = cut.GetMoji(0);
            pieces.second = cut.GetMoji(1);
            pieces.text = text;
            pieces.made = true;
        }
        return pieces;
    }
};

namespace {

// A row under construction: every column empty until set.
class Row {
public:
    Row(int group, RowMaker::Cache& cache) : m_columns(columns(group)), m_cache(cache) {
        m_texts.resize(m_columns.names.size());
    }
    void set(QLatin1StringView suffix, QString text) { m_texts[find(suffix)] = std::move(text); }
    QString get(QLatin1StringView suffix) { return m_texts[find(suffix)]; }
    QStringList take() { return std::move(m_texts); }
    RowMaker::Cache& cache() { return m_cache; }

private:
    // Columns are mostly set in the order of the form: the search starts after the last one found.
    qsizetype find(QLatin1StringView suffix) {
        const quint64 key = suffixKey(suffix);
        const quint64* keys = m_columns.keys.data();
        const qsizetype n = qsizetype(m_columns.keys.size());
        for (qsizetype i = m_cursor; i < n; ++i)
            if (keys[i] == key)
                return m_cursor = i;
        for (qsizetype i = 0; i < m_cursor; ++i)
            if (keys[i] == key)
                return m_cursor = i;
        throw std::logic_error("unknown column");
    }

    const Columns& m_columns;
    RowMaker::Cache& m_cache;
    QStringList m_texts;
    qsizetype m_cursor = 0;
};

const TDateTime& newRulesStart() {
    static const TDateTime d = TDateTime::fromDate(2007, 4, 1);
    return d;
}

QString assetDetail(const TKsSisanRec& rec) {
    return QStringLiteral("資産名:%1").arg(rec.MEISYOU);
}

// The depreciated months of the period: first and last month lie within the year, in that order.
QString months(const TKsSisanRec& rec) {
    const int from = rec.SYOUKIKANSTR, to = rec.SYOUKIKANEND;
    if (from < 1 || from > 12 || to < 1 || to > 12 || from > to)
        throw EDataExportError(QStringLiteral("償却期間の月が正しくありません。(%1～%2)").arg(from).arg(to),
                               4, assetDetail(rec));
    return QString::number(to - from + 1);
}

void setNames16(Row& row, const TKsSisanRec& rec, QLatin1StringView kname, QLatin1StringView meisyou) {
    row.set(kname, row.cache().name16(rec.KNAME));
    row.set(meisyou, Name16(rec.MEISYOU));
}

void setEra(Row& row, const TKsSisanRec& rec, std::initializer_list<QLatin1StringView> cols) {
    const std::array<QString, 4>& parts = row.cache().eraParts(rec.SYUTODATE);
    size_t i = 0;
    for (QLatin1StringView c : cols)
        row.set(c, parts[i++]);
}

// ZOKUSEI, the names, the acquisition date in era parts and its copy: the head of the straight-line,
// declining-balance and lease rows.
void setHead(Row& row, const TKsSisanRec& r, const QString& zokusei) {
    using namespace Qt::Literals::StringLiterals;
    row.set("ZOKUSEI"_L1, zokusei);
    setNames16(row, r, "0100"_L1, "0300"_L1);
    setEra(row, r, {"0410"_L1, "0420"_L1, "0430"_L1, "0440"_L1});
    row.set("0510"_L1, row.get("0410"_L1));
    row.set("0520"_L1, row.get("0420"_L1));
    row.set("0530"_L1, row.get("0430"_L1));
}

// The columns the straight-line and declining-balance schedules share up to line 16.
void setScheduleHead(Row& row, const TKsSisanRec& r, const THj19Dataset& ds) {
    using namespace Qt::Literals::StringLiterals;
    setHead(row, r, u"2"_s);
    row.set("0540"_L1, months(r));
    row.set("0550"_L1, QString::number(ds.DataMonths));
    row.set("0600"_L1, QString::number(r.TAIYOUYY));
    row.set("0700"_L1, Amount(r.SYUTOKIN));
    row.set("0900"_L1, Amount(r.SYUTOKIN));
    row.set("1000"_L1, Amount(r.MATUMISYOUKIN));
    row.set("1300"_L1, Amount(r.MATUMISYOUKIN));
    row.set("1400"_L1, Amount(r.SYOUKINKEI));
    row.set("1600"_L1, Amount(r.MATUMISYOUKIN + r.SYOUKINKEI));
}

// The old-rule lines, the same in both schedules; returns the limit column.
QLatin1StringView setOldRuleLines(Row& row, const TKsSisanRec& r, const THj19Dataset& ds) {
    using namespace Qt::Literals::StringLiterals;
    if (IsFiveYearPhase(r, ds))
        return "2400"_L1;
    row.set("2000"_L1, Rate3(r.SYOURITU));
    row.set("2100"_L1, Amount(r.FUTUSYOUKIN));
    row.set("2220"_L1, Amount(r.WARISYOUKIN));
    row.set("2310"_L1, u"(21)+(22)"_s);
    return "2320"_L1;
}

// The depreciation of the period in the limit column and in the final columns that repeat it.
void setLimit(Row& row, const TKsSisanRec& r, QLatin1StringView limitColumn,
              std::initializer_list<QLatin1StringView> repeats) {
    const QString limit = Amount0(r.SYOUKINKEI);
    row.set(limitColumn, limit);
    for (QLatin1StringView c : repeats)
        row.set(c, limit);
}

QStringList teigakuRow(const TKsSisanRec& r, const THj19Dataset& ds, RowMaker::Cache& cache) {
    using namespace Qt::Literals::StringLiterals;
    Row row(Teigaku, cache);
    setScheduleHead(row, r, ds);
    QLatin1StringView limitColumn;
    if (IsOldRules(r)) {
        const Money tenth = Trunc(r.SYUTOKIN.mulRate(0.1));
        row.set("1700"_L1, Amount(tenth));
        row.set("1800"_L1, Amount(Trunc(r.SYUTOKIN.mulRate(0.05))));
        if (!IsFiveYearPhase(r, ds))
            row.set("1900"_L1, Amount(r.SYUTOKIN - tenth));
        limitColumn = setOldRuleLines(row, r, ds);
    } else {
        row.set("2500"_L1, Amount(r.KISOKIN));
        row.set("2600"_L1, Rate3(r.SYOURITU));
        row.set("2700"_L1, Amount(r.FUTUSYOUKIN));
        row.set("2820"_L1, Amount(r.WARISYOUKIN));
        limitColumn = "2900"_L1;
    }
    setLimit(row, r, limitColumn, {"3000"_L1, "3400"_L1, "3500"_L1});
    return row.take();
}

QStringList teirituRow(const TKsSisanRec& r, const THj19Dataset& ds, RowMaker::Cache& cache) {
    using namespace Qt::Literals::StringLiterals;
    Row row(Teiritu, cache);
    setScheduleHead(row, r, ds);
    row.set("0450"_L1, QString::number(r.TEIRITU250));
    row.set("1800"_L1, Amount(r.KISOKIN));
    QLatin1StringView limitColumn;
    if (IsOldRules(r)) {
        row.set("1900"_L1, Amount(Trunc(r.SYUTOKIN.mulRate(0.05))));
        limitColumn = setOldRuleLines(row, r, ds);
    } else {
        const std::optional<TTeirituRate> rate = TeirituRate(ChooseTable(r, ds), r.TAIYOUYY);
        if (!rate)
            throw EDataExportError(QStringLiteral("耐用年数が償却率表の範囲(0～100年)にありません。"), 4,
                                   QStringLiteral("資産名:%1").arg(r.MEISYOU));
        if (r.TEIRITU200 == 1)
            row.set("0910"_L1, Amount(r.SYUTOKIN - r.SYUTOKUKAGAKUCHOSEI));
        const Money computed = r.SYOURITU * r.KISOKIN;
        // The guarantee rate has five decimals: the product is exact in 128 bits and kept to four.
        const Money guaranteed = r.TEIRITU200 == 1
                                     ? Trunc(r.SYUTOKUKAGAKUCHOSEI.mulRate(rate->guarantee / 100000.0))
                                     : r.SYUTOKIN.mulRate(rate->guarantee / 100000.0);
        row.set("2500"_L1, Rate3(r.SYOURITU));
        row.set("2600"_L1, Amount(Trunc(computed)));
        row.set("2700"_L1, Rate5(*rate));
        row.set("2800"_L1, Amount(Trunc(guaranteed)));
        // The comparison takes both amounts before they are truncated.
        if (guaranteed > computed) {
            row.set("2900"_L1, Amount(r.ISINPKAITEISYUTOKUKAGAKU == 1 ? r.KAITEISYUTOKUKAGAKU_INPUT
                                                                      : r.KAITEISYUTOKUKAGAKU));
            row.set("3000"_L1, Rate3(*rate));
            row.set("3100"_L1, Amount(r.FUTUSYOUKIN));
        }
        row.set("3220"_L1, Amount(r.WARISYOUKIN));
        limitColumn = "3300"_L1;
    }
    setLimit(row, r, limitColumn, {"3400"_L1, "3800"_L1, "3900"_L1});
    return row.take();
}

QStringList leaseRow(const TKsSisanRec& r, RowMaker::Cache& cache) {
    using namespace Qt::Literals::StringLiterals;
    Row row(Lease, cache);
    setHead(row, r, u"1"_s);
    row.set("1700"_L1, Amount(r.SYUTOKIN));
    row.set("1800"_L1, Amount(r.ZANKAHOSYOUGAKU));
    row.set("1900"_L1, Amount(r.SYUTOKIN - r.ZANKAHOSYOUGAKU));
    row.set("2420"_L1, QString::number(r.TAIYOUYY));
    row.set("2500"_L1, months(r));
    row.set("2600"_L1, Amount(r.FUTUSYOUKIN));
    return row.take();
}

// The base amount, the months and the period's depreciation twice: equal-amortisation and lump-sum rows.
void setBaseMonthsDepreciation(Row& row, const TKsSisanRec& r,
                               const std::array<QLatin1StringView, 4>& columns) {
    row.set(columns[0], Amount(r.KISOKIN));
    row.set(columns[1], months(r));
    row.set(columns[2], Amount(r.SYOUKINKEI));
    row.set(columns[3], Amount(r.SYOUKINKEI));
}

QStringList kintouRow(const TKsSisanRec& r, RowMaker::Cache& cache) {
    using namespace Qt::Literals::StringLiterals;
    Row row(Kintou, cache);
    row.set("ZOKUSEI"_L1, u"1"_s);
    setNames16(row, r, "0110"_L1, "0130"_L1);
    setEra(row, r, {"0210"_L1, "0220"_L1, "0230"_L1});
    row.set("0400"_L1, QString::number(qint64(r.TAIYOUYY) * 12));
    setBaseMonthsDepreciation(row, r, {"0300"_L1, "0500"_L1, "0600"_L1, "0700"_L1});
    return row.take();
}

QStringList shougakuRow(const TKsSisanRec& r, RowMaker::Cache& cache) {
    using namespace Qt::Literals::StringLiterals;
    Row row(Shougaku, cache);
    // Two columns per name: a name of three or more pieces keeps its first two.
    const RowMaker::Cache::Cut& kname = row.cache().twoPieces(r.KNAME);
    row.set("0110"_L1, kname.head);
    row.set("0120"_L1, kname.second);
    TMojiBunkatu pieces;
    pieces.BunkatuByte(r.MEISYOU, 16);
    row.set("0310"_L1, pieces.GetMoji(0));
    row.set("0320"_L1, pieces.GetMoji(1));
    setEra(row, r, {"0410"_L1, "0420"_L1, "0430"_L1});
    row.set("0500"_L1, Amount(r.SYUTOKIN));
    row.set("0700"_L1, Amount(r.SYUTOKIN));
    return row.take();
}

QStringList ikkatuRow(const TKsSisanRec& r, RowMaker::Cache& cache) {
    using namespace Qt::Literals::StringLiterals;
    Row row(Ikkatu, cache);
    setBaseMonthsDepreciation(row, r, {"0200"_L1, "0300"_L1, "0400"_L1, "0500"_L1});
    return row.take();
}

} // namespace

int MethodOfGroup(int group) {
    static const int methods[GroupCount + 1] = {0, 1, 2, 6, 3, 5, 4};
    return group >= 1 && group <= GroupCount ? methods[group] : 0;
}

const QStringList& ColumnNames(int group) {
    static const QStringList none;
    return group >= 1 && group <= GroupCount ? columns(group).names : none;
}

const QStringList& IkkatuToukiNames() {
    static const QStringList names = prefixed(QStringLiteral("IKKATU_TOUKI"), suffixes({}, 200, 1000));
    return names;
}

std::optional<TTeirituRate> TeirituRate(TTeirituTable table, int life) {
    if (life < 0 || life > 100)
        return std::nullopt;
    const int* row = kRates[life];
    return table == TTeirituTable::Rate250 ? TTeirituRate{row[0], row[1]} : TTeirituRate{row[2], row[3]};
}

QString Name16(const QString& text) {
    return LeftStrB(text, 16);
}

QString Amount(Money value) {
    const qint64 units = RoundKingaku(2, value).truncUnits();
    return units == 0 ? QString() : QString::number(units);
}

QString Amount0(Money value) {
    return QString::number(RoundKingaku(2, value).truncUnits());
}

QString Rate3(Money rate) {
    return rate.toString(3);
}

QString Rate3(const TTeirituRate& rate) {
    return QString::asprintf("%d.%03d", rate.revised / 1000, rate.revised % 1000);
}

QString Rate5(const TTeirituRate& rate) {
    return QString::asprintf("%d.%05d", rate.guarantee / 100000, rate.guarantee % 100000);
}

Money Trunc(Money value) {
    return RoundKingaku(0, value);
}

Money DivideRounded(Money total, int divisor, int mode) {
    // total.raw() / (divisor × 10000) units, rounded on the exact quotient.
    const qint64 unit = qint64(divisor) * Money::Scale;
    const qint64 raw = total.raw() < 0 ? -total.raw() : total.raw();
    qint64 q = raw / unit;
    const qint64 r = raw % unit;
    if (r != 0 && (mode == 1 || (mode != 0 && r * 2 >= unit)))
        ++q;
    return Money(total.raw() < 0 ? -q : q);
}

bool IsOldRules(const TKsSisanRec& rec) {
    return rec.SYUTODATE < newRulesStart();
}

bool IsFiveYearPhase(const TKsSisanRec& rec, const THj19Dataset& ds) {
    return IsOldRules(rec) && ds.KISHU >= newRulesStart() && ds.KIMATU >= newRulesStart() &&
           Trunc(rec.SYUTOKIN.mulRate(0.05)) >= rec.MATUMISYOUKIN + rec.SYOUKINKEI;
}

TTeirituTable ChooseTable(const TKsSisanRec& rec, const THj19Dataset& ds) {
    if (ds.KIMATU < newRulesStart())
        return TTeirituTable::Rate250;
    if (rec.SYUTODATE < TDateTime::fromDate(2012, 4, 1))
        return rec.TEIRITU200 == 1 ? TTeirituTable::Rate200 : TTeirituTable::Rate250;
    return rec.TEIRITU250 == 1 && rec.TEIRITU200 != 1 ? TTeirituTable::Rate250 : TTeirituTable::Rate200;
}

RowMaker::RowMaker(const THj19Dataset& ds) : m_dataset(ds), m_cache(std::make_unique<Cache>()) {}

RowMaker::~RowMaker() = default;

QStringList RowMaker::Make(int group, const TKsSisanRec& rec) {
    Cache& cache = *m_cache;
    switch (group) {
    case Teigaku:
        return teigakuRow(rec, m_dataset, cache);
    case Teiritu:
        return teirituRow(rec, m_dataset, cache);
    case Lease:
        return leaseRow(rec, cache);
    case Kintou:
        return kintouRow(rec, cache);
    case Shougaku:
        return shougakuRow(rec, cache);
    case Ikkatu:
        return ikkatuRow(rec, cache);
    }
    throw std::logic_error("unknown depreciation group");
}

QStringList MakeRow(int group, const TKsSisanRec& rec, const THj19Dataset& ds) {
    return RowMaker(ds).Make(group, rec);
}

QStringList IkkatuTouki(Money total, int roundMode) {
    QStringList texts(IkkatuToukiNames().size());
    const QString third = Amount(DivideRounded(total, 3, roundMode));
    texts[0] = Amount(total);
    texts[1] = QStringLiteral("12");
    texts[2] = third;
    texts[3] = third;
    return texts;
}

QStringList AssetColumns(fb::Transaction& transaction) {
    // The columns of the rows; the rate-table flags and the adjusted cost are missing from the tables of
    // older versions.
    QStringList list = {QStringLiteral("MEISYOU"),
                        QStringLiteral("SYUTODATE"),
                        QStringLiteral("TAIYOUYY"),
                        QStringLiteral("SYUTOKIN"),
                        QStringLiteral("KISOKIN"),
                        QStringLiteral("SYOURITU"),
                        QStringLiteral("SYOUKIKANSTR"),
                        QStringLiteral("SYOUKIKANEND"),
                        QStringLiteral("FUTUSYOUKIN"),
                        QStringLiteral("WARISYOUKIN"),
                        QStringLiteral("SYOUKINKEI"),
                        QStringLiteral("MATUMISYOUKIN"),
                        QStringLiteral("KAITEISYUTOKUKAGAKU"),
                        QStringLiteral("KAITEISYUTOKUKAGAKU_INPUT"),
                        QStringLiteral("ISINPKAITEISYUTOKUKAGAKU"),
                        QStringLiteral("ZANKAHOSYOUGAKU")};
    fb::Query q(transaction, QStringLiteral("SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS"
                                            " WHERE RDB$RELATION_NAME='KS_SISAN' AND RDB$FIELD_NAME IN"
                                            " ('TEIRITU250','TEIRITU200','SYUTOKUKAGAKUCHOSEI')"
                                            " ORDER BY RDB$FIELD_NAME DESC"));
    for (q.open(); !q.eof(); q.next())
        list << q.field(0).asString();
    return list;
}

void PrepareAssetQuery(fb::Query& query, int group, const THj19Dataset& ds, const QStringList& columns) {
    // No index serves the order KANRI, REC, and the engine sorts whole result rows in memory. Only the
    // keys are sorted: the inner select puts the RECs of the group in order, and each row is then read
    // through the primary key. The plan is fixed, so the sorted stream leads the joins and the rows come
    // in its order; the rows and their order are those of a plain ORDER BY KS.KANRI,KS.REC.
    QString select = QStringLiteral("SELECT ");
    for (const QString& c : columns)
        select += QStringLiteral("KS.") + c + u',';
    select += QStringLiteral("K.KNAME FROM (SELECT REC FROM KS_SISAN");
    const QString joins = QStringLiteral("ORDER BY KANRI,REC) O INNER JOIN KS_SISAN KS ON (KS.REC=O.REC)"
                                         " INNER JOIN KAMOKUMST K ON (KS.KCODE=K.KCODE)"
                                         " PLAN JOIN (SORT (O KS_SISAN NATURAL), KS INDEX (PK_KS_SISAN),"
                                         " K INDEX (PK_KAMOKUMST))");
    if (group == Shougaku) {
        // Only the small-amount assets acquired within the fiscal year.
        query.setSql(QStringList{select, QStringLiteral("WHERE (GSHOUHOU=5)"),
                                 QStringLiteral("AND (SYUTODATE>=:KIKAN1 AND SYUTODATE<=:KIKAN2)"), joins});
        fb::setDateTime(query, "KIKAN1", ds.KISHU);
        fb::setDateTime(query, "KIKAN2", ds.KIMATU);
    } else {
        query.setSql(QStringList{select, QStringLiteral("WHERE GSHOUHOU=:GSHOUHOU"), joins});
        query.setInt("GSHOUHOU", MethodOfGroup(group));
    }
}

} // namespace hj19

THj19Dataset THj19Dataset::FromAccInf() {
    THj19Dataset ds;
    ds.KISHU = AccInf.KISHU;
    ds.KIMATU = AccInf.KIMATU;
    ds.DataMonths = AccInf.TermMonths - AccInf.KaisiMonths + 1;
    ds.RoundMode = AccInf.SDAI_HASUU1;
    return ds;
}
THojinZeiGenka19DataMake::THojinZeiGenka19DataMake(const THj19Dataset& dataset) : m_dataset(dataset) {}

QString THojinZeiGenka19DataMake::GetGroupName(int group) const {
    static const char* const names[hj19::GroupCount + 1] = {
        "", "HJK160119", "HJK160219", "HJK160419", "HJK160619", "HJK160719", "HJK160819"};
    return group >= 1 && group <= hj19::GroupCount ? QString::fromLatin1(names[group]) : QString();
}

QString THojinZeiGenka19DataMake::GetRowName(int group, int kind) const {
    if (group < 1 || group > hj19::GroupCount)
        return {};
    if (kind == 0)
        return QString::fromLatin1(hj19::kRowNames[group]);
    if (group == hj19::Lease)
        return QStringLiteral("LEASE_OTHER");
    if (group == hj19::Ikkatu)
        return QStringLiteral("IKKATU_TOUKI");
    return {};
}

int THojinZeiGenka19DataMake::MakeData(TXmlSaveDoc& writer) {
    m_result = 3;
    m_columns.clear();
    fb::Transaction& transaction = DM->IBTransactionDAT;
    const bool started = !transaction.isActive();
    // The maker only reads: the transaction it started is committed on success and on failure alike.
    auto endTransaction = [&] {
        if (started && transaction.isActive())
            transaction.commit();
    };
    // The rows go into the file as they are read, so nothing grows with the number of assets; a failure
    // takes back everything written since this mark.
    const TXmlSaveDoc::Mark mark = writer.GetMark();
    QString failure;
    try {
        if (started)
            transaction.start();
        const auto data = writer.AddNode(TXmlSaveDoc::NoNode, QStringLiteral("DATA"));
        // The groups are loaded straight-line, declining-balance, equal amortisation, small-amount,
        // lump-sum, lease, and the first failure in that order is the one reported. The lease rows come
        // third in the file: a failure of theirs waits until the three groups loaded before them have
        // loaded without one.
        std::exception_ptr leaseFailure;
        for (int group :
             {hj19::Teigaku, hj19::Teiritu, hj19::Lease, hj19::Kintou, hj19::Shougaku, hj19::Ikkatu}) {
            if (group != hj19::Lease) {
                Load(group, writer, data);
                continue;
            }
            try {
                Load(group, writer, data);
            } catch (...) {
                leaseFailure = std::current_exception();
            }
        }
        if (leaseFailure)
            std::rethrow_exception(leaseFailure);
        endTransaction();
    } catch (const fb::Error& e) {
        failure = QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽ ｴﾗｰ\r") + e.message() + QStringLiteral("\r\r");
    } catch (const EDataExportError& e) {
        // The detail names the asset that stopped the export.
        failure = QStringLiteral("例外エラー\r") + e.Message + u'\r' + e.Detail + u'\r';
    } catch (const std::exception& e) {
        failure = QStringLiteral("例外エラー\r") + QString::fromUtf8(e.what()) + QStringLiteral("\r\r");
    }
    if (!failure.isEmpty()) {
        try {
            endTransaction();
        } catch (const fb::Error&) {
            // The load has failed already; its error is the one reported.
        }
        DM->IBQACC1.close();
        writer.Rollback(mark);
        ui::showMessage(ui::MsgKind::Error, failure);
        m_result = 16;
        return m_result;
    }
    return m_result;
}

void THojinZeiGenka19DataMake::Load(int group, TXmlSaveDoc& writer, TXmlSaveDoc::Node data) {
    const QStringList& names = hj19::ColumnNames(group);
    fb::Query& query = DM->IBQACC1;
    query.close();
    if (m_columns.isEmpty())
        m_columns = hj19::AssetColumns(query.transaction());
    hj19::PrepareAssetQuery(query, group, m_dataset, m_columns);
    query.open();
    // Column positions once per query; the rate-table flags and the adjusted cost may be missing in
    // databases of older versions and then count as 0.
    auto at = [&](const char* name) { return query.fieldIndex(QLatin1StringView(name)); };
    const int cKNAME = at("KNAME"), cMEISYOU = at("MEISYOU"), cSYUTODATE = at("SYUTODATE"),
              cTAIYOUYY = at("TAIYOUYY"), cSYUTOKIN = at("SYUTOKIN"), cKISOKIN = at("KISOKIN"),
              cSYOURITU = at("SYOURITU"), cSTR = at("SYOUKIKANSTR"), cEND = at("SYOUKIKANEND"),
              cFUTU = at("FUTUSYOUKIN"), cWARI = at("WARISYOUKIN"), cKEI = at("SYOUKINKEI"),
              cMATUMI = at("MATUMISYOUKIN"), cKAITEI = at("KAITEISYUTOKUKAGAKU"),
              cKAITEIIN = at("KAITEISYUTOKUKAGAKU_INPUT"), cISINP = at("ISINPKAITEISYUTOKUKAGAKU"),
              cZANKA = at("ZANKAHOSYOUGAKU"), c250 = at("TEIRITU250"), c200 = at("TEIRITU200"),
              cCHOSEI = at("SYUTOKUKAGAKUCHOSEI");
    // The group element comes with its first row: a group without rows is not written.
    TXmlSaveDoc::Node groupNode = TXmlSaveDoc::NoNode;
    TXmlSaveDoc::NameId rowName = 0;
    std::vector<TXmlSaveDoc::NameId> columns;
    const QString line = QStringLiteral("line");
    QByteArray encoded, previousEncoded;
    encoded.reserve(4096);
    previousEncoded.reserve(4096);
    std::vector<qsizetype> ends, previousEnds;
    QStringList previousTexts;
    std::vector<QByteArrayView> views;
    qsizetype count = 0;
    Money total;
    hj19::RowMaker rows(m_dataset);
    // The rows are read in batches while the batch before is made into rows and written on a thread of
    // its own: the database's fetch and the rows' texts overlap. Batches are made in order, so the first
    // failure in the order of the rows is the one reported.
    constexpr size_t kBatch = 512;
    QHash<QByteArray, QString> accountNames;
    auto fetchBatch = [&](std::vector<TKsSisanRec>& out) {
        out.clear();
        while (!query.eof() && out.size() < kBatch) {
            TKsSisanRec& rec = out.emplace_back();
            rec.GSHOUHOU = hj19::MethodOfGroup(group);
            // Account names repeat from row to row: each is decoded once.
            const QByteArray account = query.field(cKNAME).asBytes();
            auto known = accountNames.constFind(account);
            if (known == accountNames.constEnd()) {
                if (accountNames.size() >= 1024)
                    accountNames.clear();
                known = accountNames.insert(account, query.field(cKNAME).asString());
            }
            rec.KNAME = *known;
            rec.MEISYOU = query.field(cMEISYOU).asString();
            rec.SYUTODATE = fb::asDateTime(query.field(cSYUTODATE));
            rec.TAIYOUYY = query.field(cTAIYOUYY).asInt();
            rec.SYUTOKIN = fb::asMoney(query.field(cSYUTOKIN));
            rec.KISOKIN = fb::asMoney(query.field(cKISOKIN));
            rec.SYOURITU = fb::asMoney(query.field(cSYOURITU));
            rec.SYOUKIKANSTR = query.field(cSTR).asInt();
            rec.SYOUKIKANEND = query.field(cEND).asInt();
            rec.FUTUSYOUKIN = fb::asMoney(query.field(cFUTU));
            rec.WARISYOUKIN = fb::asMoney(query.field(cWARI));
            rec.SYOUKINKEI = fb::asMoney(query.field(cKEI));
            rec.MATUMISYOUKIN = fb::asMoney(query.field(cMATUMI));
            rec.KAITEISYUTOKUKAGAKU = fb::asMoney(query.field(cKAITEI));
            rec.KAITEISYUTOKUKAGAKU_INPUT = fb::asMoney(query.field(cKAITEIIN));
            rec.ISINPKAITEISYUTOKUKAGAKU = query.field(cISINP).asInt();
            rec.ZANKAHOSYOUGAKU = fb::asMoney(query.field(cZANKA));
            rec.TEIRITU250 = c250 >= 0 ? query.field(c250).asInt() : 0;
            rec.TEIRITU200 = c200 >= 0 ? query.field(c200).asInt() : 0;
            if (rec.TEIRITU200 == 1 && cCHOSEI >= 0)
                rec.SYUTOKUKAGAKUCHOSEI = fb::asMoney(query.field(cCHOSEI));
            query.next();
        }
    };
    auto writeBatch = [&](const std::vector<TKsSisanRec>& batch) {
        for (const TKsSisanRec& rec : batch) {
            if (group != hj19::Ikkatu && rec.SYUTODATE.value() == 0)
                throw EDataExportError(QStringLiteral("取得年月が設定されていません。"), 4,
                                       hj19::assetDetail(rec));
            QStringList texts;
            try {
                texts = rows.Make(group, rec);
                if (group == hj19::Ikkatu)
                    total += rec.KISOKIN;
            } catch (const std::overflow_error&) {
                throw EDataExportError(hj19::kAmountOutOfRange, 4, hj19::assetDetail(rec));
            }
            if (groupNode == TXmlSaveDoc::NoNode) {
                groupNode = writer.AddNode(data, GetGroupName(group));
                rowName = writer.Intern(GetRowName(group, 0));
                for (const QString& name : names)
                    columns.push_back(writer.Intern(name));
            }
            ++count;
            const auto rowNode = writer.AddNode(groupNode, rowName, line, QString::number(count));
            // The row's texts in one buffer, then its elements in one go. A text the row before had in the
            // same column (the account name, the era) takes its bytes from there.
            std::swap(encoded, previousEncoded);
            std::swap(ends, previousEnds);
            encoded.resize(0); // keeps the buffer of the rows before
            ends.clear();
            const bool samePrevious = previousTexts.size() == texts.size();
            for (qsizetype c = 0; c < texts.size(); ++c) {
                const qsizetype from = encoded.size();
                if (samePrevious && !texts[c].isEmpty() && texts[c].isSharedWith(previousTexts[c]) &&
                    texts[c].constData() == previousTexts[c].constData() &&
                    texts[c].size() == previousTexts[c].size()) {
                    const qsizetype at = c == 0 ? 0 : previousEnds[size_t(c - 1)];
                    encoded.append(previousEncoded.constData() + at, previousEnds[size_t(c)] - at);
                    ends.push_back(encoded.size());
                    continue;
                }
                try {
                    writer.EncodeText(encoded, texts[c]);
                } catch (const std::runtime_error& e) {
                    throw EDataExportError(QString::fromUtf8(e.what()), 4,
                                           hj19::assetDetail(rec) + QStringLiteral("\r項目:") + names[c]);
                }
                if (encoded.size() - from > std::numeric_limits<quint16>::max())
                    throw EDataExportError(QStringLiteral("項目の値が長すぎます。"), 4,
                                           hj19::assetDetail(rec) + QStringLiteral("\r項目:") + names[c]);
                ends.push_back(encoded.size());
            }
            views.clear();
            for (qsizetype c = 0, from = 0; c < texts.size(); from = ends[size_t(c)], ++c)
                views.emplace_back(encoded.constData() + from, ends[size_t(c)] - from);
            writer.AddEncodedTextNodes(rowNode, columns.data(), views.data(), qsizetype(views.size()));
            previousTexts = std::move(texts);
        }
    };
    std::vector<TKsSisanRec> fetched, ready;
    fetchBatch(ready);
    while (!ready.empty()) {
        // The written batch is emptied on its thread too: the reading goes on meanwhile.
        auto written = std::async(std::launch::async, [&] {
            writeBatch(ready);
            ready.clear();
        });
        std::exception_ptr fetchFailure;
        try {
            fetchBatch(fetched);
        } catch (...) {
            fetchFailure = std::current_exception();
        }
        // The rows of the batch written come before those fetched: their failure is reported first.
        written.get();
        if (fetchFailure)
            std::rethrow_exception(fetchFailure);
        std::swap(fetched, ready);
    }
    query.close();
    if (group == hj19::Ikkatu) {
        try {
            m_toukiTexts = hj19::IkkatuTouki(total, m_dataset.RoundMode);
        } catch (const std::overflow_error&) {
            throw EDataExportError(hj19::kAmountOutOfRange, 4, QStringLiteral("IKKATU_TOUKI"));
        }
    }
    if (count == 0)
        return;
    m_result = 1;
    if (group == hj19::Lease) {
        const auto other = writer.AddNode(groupNode, GetRowName(group, 1));
        writer.AddTextNode(other, QStringLiteral("LEASE_BIKOU_UP"), QString());
        writer.AddTextNode(other, QStringLiteral("LEASE_BIKOU_DW"), QString());
    } else if (group == hj19::Ikkatu) {
        const auto touki = writer.AddNode(groupNode, GetRowName(group, 1));
        const QStringList& toukiNames = hj19::IkkatuToukiNames();
        for (int c = 0; c < toukiNames.size(); ++c)
            writer.AddTextNode(touki, toukiNames[c], m_toukiTexts.value(c));
    }
}

void THojinZeiGenkaDataExport::SetDataNode(TXmlSaveDoc& writer) {
    THojinZeiGenka19DataMake maker;
    switch (maker.MakeData(writer)) {
    case 3:
        throw EDataExportError(QStringLiteral("対象の減価償却資産が登録されていません。"), 16);
    case 16:
        throw EDataExportError(QStringLiteral("減価償却資産の取得に失敗しました。"), 7);
    default:
        break;
    }
}

// The model cash-flow statement of step 0.1.4: kind 1 starts its operating section from the profit
// before tax, kind 0 lists operating receipts and payments. The lines and their account rules are kept
// here once; the second form's investing, financing and balance lines follow from the first.

#include "dbupdate/z5DbUpdateScript.h"
#include "dbupdate/z5DbUpdateSteps.h"

#include <QRegularExpression>
#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace {

struct TCashFlowLine {
    int rec;
    int group;
    int order;
    const char16_t* name;
    // Account rules: entries separated by ";", each a sign, a code or a range "first-last", ":" and the
    // amount type, e.g. "-1141-1142:2".
    const char* rules;
};

// Kind 1, lines 1 to 59.
const TCashFlowLine kKind1[] = {
    {1, 10, 1, u"Ⅰ　営業活動によるキャッシュ・フロー", ""},
    {2, 11, 1, u"税引前当期純利益（損失）", "+9999:1"},
    {3, 11, 2, u"減価償却費", "+5606:2;+6204:2"},
    {4, 11, 3, u"貸倒引当金の増加額", "+1320:2;+1620:2"},
    {5, 11, 4, u"退職給付引当金の増加", ""},
    {6, 11, 5, u"賞与引当金の増加額", "+2115:2"},
    {7, 11, 6, u"その他の引当金の増加額", ""},
    {8, 11, 7, u"受取利息及び受取配当金", "-7101:2;-7104:2"},
    {9, 11, 8, u"支払利息", "+7201:2"},
    {10, 11, 9, u"為替換算差損", ""},
    {11, 11, 10, u"有価証券売却益", "-7103:2"},
    {12, 11, 11, u"有価証券売却損", "+7203:2"},
    {13, 11, 12, u"固定資産売却益", "-8101:2"},
    {14, 11, 13, u"固定資産売却損", "+8201:2"},
    {15, 11, 14, u"固定資産除却損", "+8202:2"},
    {16, 11, 15, u"投資有価証券売却益", ""},
    {17, 11, 16, u"投資有価証券売却損", ""},
    {18, 11, 17, u"売上債権の増加（減少）額", "-1141-1142:2"},
    {19, 11, 18, u"たな卸資産の増加（減少）額", "-1201-1206:2"},
    {20, 11, 19, u"仕入債務の減少（増加）額", "+2101-2102:2"},
    {21, 11, 20, u"未払消費税等の増加（減少）額", "-1307:2;+2108:2;+2112:2"},
    {22, 11, 21, u"割引手形の増加（減少）額", "+2111:2"},
    {23, 11, 22, u"役員賞与の支払額", ""},
    {24, 11, 23, u"その他資産・負債の増減額",
     "-1143:2;-1145:2;-1147:2;-1301-1302:2;-1304-1306:2;-1308-1309:2;-1311:2;-1603-1605:2;-1607:2;"
     "+2104-2107:2;+2109-2110:2;+2117-2121:2;+3501:4"},
    {25, 12, 1, u"小　計", ""},
    {26, 13, 1, u"利息及び配当金の受取額", "+7101:2;+7104:2"},
    {27, 13, 2, u"利息の支払額", "-7201:2"},
    {28, 13, 3, u"法人税等の支払額", "-1310:2;-1608:2;+2114:2;+2116:2;+2206:2;-8301-8304:2"},
    {29, 15, 1, u"営業活動によるキャッシュ・フロー", ""},
    {30, 20, 1, u"Ⅱ　投資活動によるキャッシュ・フロー", ""},
    {31, 21, 1, u"有価証券の取得による支出", "-1146:3"},
    {32, 21, 2, u"有価証券の売却による収入", "+1146:4"},
    {33, 21, 3, u"有形固定資産の取得による支出", "-1401-1409:3;+1409:4;-1410-1412:3;+3311:4"},
    {34, 21, 4, u"有形固定資産の売却による収入",
     "+1401-1408:4;+1410-1412:4;+1416:2;-6204:2;-3311:3;+8101:2;-8201-8202:2"},
    {35, 21, 5, u"投資有価証券の取得による支出", "-1602:3;-1601:3;+3309:4"},
    {36, 21, 6, u"投資有価証券の売却による収入", "+1602:4;+1601:4;-3309:3"},
    {37, 21, 7, u"貸付けによる支出", "-1303:3;-1606:3"},
    {38, 21, 8, u"貸付金の回収による収入", "+1303:4;+1606:4"},
    {39, 21, 9, u"その他投資活動による支出", "-1122-1125:3;-1127-1130:3;-1501-1506:3;-1701-1703:3"},
    {40, 21, 10, u"その他投資活動による収入", "+1122-1125:4;+1127-1130:4;+1501-1506:4;+1701-1703:4"},
    {41, 25, 1, u"投資活動によるキャッシュ・フロー", ""},
    {42, 30, 1, u"Ⅲ　財務活動によるキャッシュ・フロー", ""},
    {43, 31, 1, u"短期借入れによる収入", "+2103:4"},
    {44, 31, 2, u"短期借入金の返済による支出", "-2103:3"},
    {45, 31, 3, u"長期借入れによる収入", "+2202:4"},
    {46, 31, 4, u"長期借入金の返済による支出", "-2202:3"},
    {47, 31, 5, u"社債の発行による収入", ""},
    {48, 31, 6, u"社債の償還による支出", ""},
    {49, 31, 7, u"株式の発行による収入", "+3101:4;+3111:2;+3201:4"},
    {50, 31, 8, u"自己株式の売却による収入", "+3313-3314:4"},
    {51, 31, 9, u"自己株式の取得による支出", "-3313-3314:3"},
    {52, 31, 10, u"配当金の支払額", "-2113:2"},
    {53, 31, 11, u"その他財務活動による収入",
     "+2201:4;+2203-2205:4;+2207:4;+2301-2302:4;+3401-3402:4;+3202-3203:4;+3301-3305:4;+3312:4;"
     "+3315-3317:4"},
    {54, 31, 12, u"その他財務活動による支出",
     "-2201:3;-2203-2205:3;-2207:3;-2301-2302:3;-3101:3;-3201:3;-3401-3402:3;-3202-3203:3;-3301-3305:3;"
     "-3312:3;-3315:3;-3317:3;-3501:3"},
    {55, 35, 1, u"財務活動によるキャッシュ・フロー", ""},
    {56, 40, 1, u"Ⅳ　現金及び現金同等物に係る換算差額", ""},
    {57, 50, 1, u"Ⅴ　現金及び現金同等物の増加額", ""},
    {58, 60, 1, u"Ⅵ　現金及び現金同等物の期首残高", "+1101-1105:0;+1112-1116:0;+1132:0"},
    {59, 70, 1, u"Ⅶ　現金及び現金同等物の期末残高", "+1101-1105:1;+1112-1116:1;+1132:1"},
};

// Kind 0, lines 60 to 72: the operating section. Lines 73 to 102 follow from kind-1 lines 30 to 59.
const TCashFlowLine kKind0Operating[] = {
    {60, 10, 1, u"Ⅰ　営業活動によるキャッシュ・フロー", ""},
    {61, 11, 1, u"営業収入", "-1141-1142:2;+1320:2;-1308:2;+2106:2;+2111:2;+4101-4110:2;-4115:2"},
    {62, 11, 2, u"原材料又は商品の仕入れによる支出", "+2101-2102:2;-5201-5210:2;-5215:2;-5402-5405:2"},
    {63, 11, 3, u"人件費の支出", "+2115:2;+3501:4;-5501-5508:2;-6101:2;-6200-6203:2;-6215-6216:2;-6218:2"},
    {64, 11, 4, u"その他の営業収入", "-1304:2;+2107:2;+2109:2;+7105-7106:2"},
    {65, 11, 5, u"その他の営業支出",
     "-1301-1302:2;-1305-1306:2;-1604-1605:2;-1607:2;+2104-2105:2;-5601-5605:2;-5607-5608:2;-5621:2;"
     "-6102-6109:2;-6205-6214:2;-6217:2;-6219-6225:2;-6231:2;-7206:2"},
    {66, 11, 6, u"未払消費税等の増加（減少）額", "-1307:2;-1309:2;+2108:2;+2112:2"},
    {67, 11, 7, u"その他", "+8104:2;-8204:2"},
    {68, 12, 1, u"小　計", ""},
    {69, 13, 1, u"利息及び配当金の受取額", "+7101:2;+7104:2"},
    {70, 13, 2, u"利息の支払額", "-7201:2"},
    {71, 13, 3, u"法人税等の支払額", "-1310:2;-1608:2;+2114:2;+2116:2;+2206:2;-8301-8304:2"},
    {72, 15, 1, u"営業活動によるキャッシュ・フロー", ""},
};

constexpr int kKind0Offset = 43; // kind-0 line = kind-1 line + 43 from line 73 on

struct TRule {
    QChar sign;
    int code;
    int type;
    bool operator==(const TRule&) const = default;
};

std::vector<TRule> expand(const char* rules) {
    static const QRegularExpression entry(QStringLiteral("^([+-])(\\d{4})(?:-(\\d{4}))?:(\\d)$"));
    std::vector<TRule> out;
    for (const QString& e : QString::fromLatin1(rules).split(u';', Qt::SkipEmptyParts)) {
        const auto m = entry.match(e);
        if (!m.hasMatch())
            throw std::logic_error("cash-flow rule " + e.toStdString());
        const int first = m.captured(2).toInt();
        const int last = m.capturedLength(3) ? m.captured(3).toInt() : first;
        for (int code = first; code <= last; ++code)
            out.push_back({m.captured(1).at(0), code, m.captured(4).toInt()});
    }
    return out;
}

// The rules of a kind-0 line from 73 on: those of its kind-1 line with the differences of the second form.
std::vector<TRule> kind0Rules(int rec, const TCashFlowLine& kind1) {
    std::vector<TRule> rules = expand(kind1.rules);
    const auto at = [&](const TRule& r) { return std::find(rules.begin(), rules.end(), r); };
    switch (rec) {
    case 76: // the acquisition of 1409 comes right after 1405
        rules.erase(at({u'-', 1409, 3}));
        rules.insert(at({u'-', 1405, 3}) + 1, {u'-', 1409, 3});
        break;
    case 77: // no sale gain or losses
        rules.resize(rules.size() - 3);
        break;
    case 97: // 3316 between 3315 and 3317
        rules.insert(at({u'-', 3317, 3}), {u'-', 3316, 3});
        break;
    default:
        break;
    }
    return rules;
}

// CM_DEL, CM_MKU, CM_MARGIN by the kind of line.
void lineFlags(const TCashFlowLine& l, int& del, int& mku, int& margin) {
    const bool heading = l.group == 10 || l.group == 20 || l.group == 30 || l.group == 40 || l.group == 50;
    const bool total = l.group == 12 || l.group == 15 || l.group == 25 || l.group == 35;
    const bool balance = l.group == 60 || l.group == 70;
    const bool profit = std::string_view(l.rules) == "+9999:1";
    del = heading || total || balance || profit ? 1 : 0;
    mku = heading || total || profit ? 1 : 0;
    margin = heading || balance ? 0 : total ? 2 : 1;
}

QString lineInsert(const TCashFlowLine& l, int rec, int kind) {
    int del = 0, mku = 0, margin = 0;
    lineFlags(l, del, mku, margin);
    return QStringLiteral("INSERT INTO CASHFMST (CM_REC, CM_KIND, CM_GROUP, CM_ORDER, CM_DEL, CM_MKU, CM_MARGIN, "
                          "CM_NAME1, CM_HOSEI) VALUES (%1, %2, %3, %4, %5, %6, %7, %8, 0);")
        .arg(rec)
        .arg(kind)
        .arg(l.group)
        .arg(l.order)
        .arg(del)
        .arg(mku)
        .arg(margin)
        .arg(SqlQuote(QString::fromUtf16(l.name)));
}

void ruleInserts(int rec, const std::vector<TRule>& rules, QStringList& lines) {
    for (const TRule& r : rules)
        lines << QStringLiteral("INSERT INTO CASHFMKU (CF_REC, CM_REC, CF_CAL, CF_KCODE, CF_CTYPE) VALUES (0, %1, "
                                "'%2', '%3', %4);")
                     .arg(rec)
                     .arg(r.sign)
                     .arg(r.code)
                     .arg(r.type);
}

} // namespace

void CashFlowMasterStatements(QStringList& lines) {
    lines << QStringLiteral("DROP TRIGGER CASHFMST_SISETU_BEFORE_INSERT;")
          << QStringLiteral("DROP TRIGGER CASHFMST_AFTER_INSERT;")
          << QStringLiteral("ALTER TABLE CASHFMST_SISETU DROP CONSTRAINT CASHFMST_SISETU_SCODE;")
          << QStringLiteral("ALTER TABLE CASHFMST_SISETU DROP CONSTRAINT CASHFMST_SISET_REC;")
          << QStringLiteral("DROP TABLE CASHFMST_SISETU;");
    CashFlowStatementRows(lines);
}

void CashFlowStatementRows(QStringList& lines) {
    lines << QStringLiteral("DELETE FROM CASHFMKU;") << QStringLiteral("DELETE FROM CASHFMST;") << QStringLiteral("SET GENERATOR CASHFMST_GEN TO 0;")
          << QStringLiteral("SET GENERATOR CASHFMKU_GEN TO 0;") << QStringLiteral("COMMIT;");

    for (const TCashFlowLine& l : kKind1)
        lines << lineInsert(l, l.rec, 1);
    for (const TCashFlowLine& l : kKind1)
        ruleInserts(l.rec, expand(l.rules), lines);

    for (const TCashFlowLine& l : kKind0Operating)
        lines << lineInsert(l, l.rec, 0);
    for (const TCashFlowLine& l : kKind1)
        if (l.rec >= 30)
            lines << lineInsert(l, l.rec + kKind0Offset, 0);
    for (const TCashFlowLine& l : kKind0Operating)
        ruleInserts(l.rec, expand(l.rules), lines);
    for (const TCashFlowLine& l : kKind1)
        if (l.rec >= 30)
            ruleInserts(l.rec + kKind0Offset, kind0Rules(l.rec + kKind0Offset, l), lines);
    lines << QStringLiteral("COMMIT;");
}

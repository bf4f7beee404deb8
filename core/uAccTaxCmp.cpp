#include "core/uAccTaxCmp.h"

#include "core/uAccFunction2.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "core/z5SiwakeIO.h"

#include <array>
#include <map>
#include <stdexcept>

TZeiRituList TaxRateList;

namespace {

struct TaxCodeRow {
    QString group;
    QString name; // padded to 24 bytes
    int category = 0;
    int taxable = 0;
    int side = 0;
};

using TaxCodeTable = std::map<int, TaxCodeRow>;

// Name variants of the purchase groups, codes x1, x2, x3: for taxable sales, common, for non-taxable sales.
using Triple = std::array<const char*, 3>;
constexpr Triple kPurchase{"課税売上対応課税仕入", "共通売上対応課税仕入", "非課売上対応課税仕入"};
constexpr Triple kImport{"課税売上対応課税輸入", "共通売上対応課税輸入", "非課売上対応課税輸入"};
constexpr Triple kImportNational{"課税売上対応課税輸入(国)", "共通売上対応課税輸入(国)",
                                 "非課売上対応課税輸入(国)"};
constexpr Triple kSpecified{"課税売上対応特定課税仕入", "共通売上対応特定課税仕入",
                            "非課売上対応特定課税仕入"};
constexpr Triple kPurchaseReturn{"課税売上対応課税仕入返還", "共通売上対応課税仕入返還",
                                 "非課売上対応課税仕入返還"};
constexpr Triple kImportReturn{"課税売上対応課税輸入返還", "共通売上対応課税輸入返還",
                               "非課売上対応課税輸入返還"};
constexpr Triple kImportNationalReturn{"課税売対課税輸入返還(国)", "共通売対課税輸入返還(国)",
                                       "非課売対課税輸入返還(国)"};
constexpr Triple kSpecifiedReturn{"課税売上対応特定仕入返還", "共通売上対応特定仕入返還",
                                  "非課売上対応特定仕入返還"};
constexpr Triple kStock{"課税売上対応調整（棚卸）", "共通売上対応調整（棚卸）", "非課売上対応調整（棚卸）"};
// The purchase group writes the third stock-adjustment name differently from the provisional group.
constexpr Triple kStockPurchase{"課税売上対応調整（棚卸）", "共通売上対応調整（棚卸）",
                                "非課税売上対調整（棚卸）"};
// Codes x20, x30, x40, x50 of the sales-side groups.
constexpr std::array<const char*, 4> kOutsideSales{"免税売上", "非課税売上", "非課税売上（有価証券）",
                                                   "非課税売上（輸出等）"};

const TaxCodeTable& taxCodeTable() {
    static const TaxCodeTable table = [] {
        TaxCodeTable t;
        const auto add = [&t](int code, const char* group, const QString& name, int category, int taxable,
                              int side) {
            t[code] = {QString::fromUtf8(group), LeftStrB(name, 24), category, taxable, side};
        };
        const auto add1 = [&add](int code, const char* group, const char* name, int category, int taxable,
                                 int side) {
            add(code, group, QString::fromUtf8(name), category, taxable, side);
        };
        // "第１種" … "第６種" (full-width digits) before the tail, codes first..first+5.
        const auto addCategories = [&add](int first, const char* group, const char* tail, int taxable,
                                          int side) {
            for (int n = 1; n <= 6; ++n)
                add(first + n - 1, group,
                    QStringLiteral("第") + QChar(0xFF10 + n) + QStringLiteral("種") + QString::fromUtf8(tail),
                    2, taxable, side);
        };
        const auto addOutsideSales = [&add1](int base, const char* group, int side) {
            for (int i = 0; i < 4; ++i)
                add1(base + 20 + 10 * i, group, kOutsideSales[i], 0, 0, side);
        };
        const auto addTriple = [&add1](int first, const char* group, const Triple& names, int taxable,
                                       int side) {
            for (int i = 0; i < 3; ++i)
                add1(first + i, group, names[i], 0, taxable, side);
        };

        add1(110, "売上", "課税売上", 1, 1, 3);
        addCategories(111, "売上", "課税売上", 1, 3);
        addOutsideSales(100, "売上", 3);
        add1(210, "貸倒回収", "課税売上", 0, 1, 3);
        addOutsideSales(200, "貸倒回収", 3);
        add1(310, "返還", "課税売上", 1, 1, 1);
        addCategories(311, "返還", "課税返還", 1, 1);
        addOutsideSales(300, "返還", 1);
        add1(410, "貸倒", "課税売上", 0, 1, 1);
        addOutsideSales(400, "貸倒", 1);

        addTriple(511, "仕入", kPurchase, 2, 1);
        addTriple(521, "仕入", kImport, 2, 1);
        addTriple(531, "仕入", kStockPurchase, 2, 1);
        add1(540, "仕入", "非課税仕入", 0, 0, 1);
        addTriple(551, "仕入", kSpecified, 2, 1);
        addTriple(561, "仕入", kPurchaseReturn, 2, 3);
        addTriple(571, "仕入", kImportReturn, 2, 3);
        addTriple(581, "仕入", kSpecifiedReturn, 2, 3);

        add1(610, "仮受", "売上", 1, 0, 3);
        addCategories(611, "仮受", "課税売上", 0, 3);
        add1(620, "仮受", "貸倒回収", 0, 0, 3);
        add1(630, "仮受", "返還", 1, 0, 1);
        addCategories(631, "仮受", "課税返還", 0, 1);
        add1(640, "仮受", "貸倒", 0, 0, 1);

        addTriple(711, "仮払", kPurchase, 0, 1);
        addTriple(721, "仮払", kImport, 0, 1);
        addTriple(724, "仮払", kImportNational, 0, 1);
        addTriple(731, "仮払", kStock, 0, 1);
        addTriple(761, "仮払", kPurchaseReturn, 0, 3);
        addTriple(771, "仮払", kImportReturn, 0, 3);
        addTriple(774, "仮払", kImportNationalReturn, 0, 3);

        add1(810, "課税対象外", "課税対象外・不課税", 0, 0, 0);
        add(910, "区分未定", QStringLiteral("区分未定") + QString(6, QChar(0x3000)), 0, 0, 0);
        return t;
    }();
    return table;
}

bool inRange(int code, int from, int to) {
    return code >= from && code <= to;
}

bool isKaribaraiTax(const QString& accountUserCode) {
    return !AccInf.KaribaraiTaxUserCode.isEmpty() && accountUserCode == AccInf.KaribaraiTaxUserCode;
}

bool isKariukeTax(const QString& accountUserCode) {
    return !AccInf.KariukeTaxUserCode.isEmpty() && accountUserCode == AccInf.KariukeTaxUserCode;
}

bool isTaxAccount(const QString& accountUserCode) {
    return isKaribaraiTax(accountUserCode) || isKariukeTax(accountUserCode);
}

bool isOutsideTax(int code) {
    return code == 810 || code == 910;
}

void addRate(TZeiRituList& list, const QString& name, int rate, int kind, int order, const QString& start,
             int version, int flag1, int flag2, int standard, int useIndex) {
    TZeiRituRec r;
    r.Name = name;
    r.Rate = Money(rate);
    r.Kind = kind;
    r.Order = order;
    r.StartDate = start;
    r.Version = version;
    r.Flag1 = flag1;
    r.Flag2 = quint8(flag2);
    r.Standard = quint8(standard);
    r.UseIndex = useIndex;
    r.UseFlag = AccInf.TaxRateUse.at(useIndex);
    list.push_back(r);
}

const TZeiRituList& rateList() {
    if (TaxRateList.empty())
        BuildTaxRateList();
    return TaxRateList;
}

const TZeiRituRec* rowOfKind(int kind) {
    for (const TZeiRituRec& r : rateList())
        if (r.Kind == kind)
            return &r;
    return nullptr;
}

TDateTime startOf(const TZeiRituRec& r) {
    return StrToDateFixed(r.StartDate);
}

} // namespace

// ---- tax codes ---------------------------------------------------------------------------------------

int NormaliseTaxCode(int& code) {
    if (AccInf.TAXKANNI == 1) {
        if (code == 110 || code == 310 || code == 610 || code == 630)
            code += AccInf.TAXJIGYOU;
    } else if (inRange(code, 111, 116) || inRange(code, 311, 316) || inRange(code, 611, 616) ||
               inRange(code, 631, 636)) {
        code = code / 10 * 10;
    }
    return code;
}

bool TaxCodeInfo(int code, QString& group, QString& name, int& category, int& taxable, int& side) {
    const TaxCodeTable& table = taxCodeTable();
    const auto it = table.find(code);
    if (it == table.end()) {
        group = LeftStrB(QStringLiteral("Error"), 20);
        name = QStringLiteral(" ");
        category = 9;
        taxable = 0;
        side = 0;
        return false;
    }
    group = it->second.group;
    name = it->second.name;
    category = it->second.category;
    taxable = it->second.taxable;
    side = it->second.side;
    return true;
}

bool IsSpecifiedPurchaseCode(int code) {
    return inRange(code, 551, 553) || inRange(code, 581, 583);
}

// ---- checks ----------------------------------------------------------------------------------------------

bool CheckTaxAccountCode(QString& message, const QString& accountUserCode, int code) {
    const bool karibarai = isKaribaraiTax(accountUserCode);
    if (karibarai) {
        if (inRange(code, 711, 713) || inRange(code, 721, 726) || inRange(code, 731, 733) ||
            inRange(code, 761, 763) || inRange(code, 771, 776) || isOutsideTax(code)) {
            message.clear();
        } else {
            message = QStringLiteral("仮払消費税の税コードは[700番台,810,910]を使用してください。");
            return false;
        }
    } else if (inRange(code, 700, 799)) {
        message = QStringLiteral("税コードが[700番台]は、科目に仮払消費税を使用してください。");
        return false;
    }

    if (isKariukeTax(accountUserCode)) {
        const QString refused = QStringLiteral("仮受消費税の税コードは[600番台,810,910]を使用してください。");
        const bool categoryCode = inRange(code, 611, 616) || inRange(code, 631, 636);
        if (AccInf.TAXKANNI == 0) {
            if (code == 610 || code == 620 || code == 630 || code == 640 || isOutsideTax(code)) {
                message.clear();
                return true;
            }
            if (categoryCode) {
                message = QStringLiteral("注意：原則課税が選択されています。");
                return true;
            }
            message = refused;
            return false;
        }
        if (AccInf.TAXKANNI == 1) {
            if (categoryCode || code == 620 || code == 640 || isOutsideTax(code)) {
                message.clear();
                return true;
            }
            if (code == 610 || code == 630) {
                message = QStringLiteral("注意：簡易課税が選択されています。");
                return true;
            }
            message = refused;
            return false;
        }
        return true;
    }
    if (inRange(code, 600, 699)) {
        message = QStringLiteral("税コードが[600番台]は、科目に仮受消費税を使用してください。");
        return false;
    }
    return true;
}

bool CheckTaxPartnerCode(QString& message, const QString& accountUserCode, int& partnerCode) {
    if (isTaxAccount(accountUserCode) && !isOutsideTax(partnerCode)) {
        message = QStringLiteral("仮受消費税、仮払消費税の相手税コードは[810,910]を使用してください。");
        partnerCode = 810;
        return false;
    }
    return true;
}

bool CheckSundryTaxCode(QString& message, const QString& accountUserCode, int& code) {
    if (!AccInf.ShokuchiUserCode.isEmpty() && accountUserCode == AccInf.ShokuchiUserCode &&
        !isOutsideTax(code)) {
        message = QStringLiteral("諸口の消費税コードは、[810,910]を使用してください。");
        code = 810;
        return false;
    }
    return true;
}

bool CheckSpecifiedPurchase(QString& message, int& code, int rateKind, TDateTime date) {
    if (!IsSpecifiedPurchaseCode(code))
        return true;
    const QString head = QStringLiteral("特定課税仕入れ用の消費税コード[551,552,553,581,582,583]では");
    const TDateTime firstDay = TDateTime::fromDate(QDate(2015, 10, 1));
    if (date < firstDay) {
        message = head + QStringLiteral("[") + DateToStrFmt(QStringLiteral("yyyy/mm/dd"), 2, firstDay) +
                  QStringLiteral("]より前の取引を登録できません。");
        return false;
    }
    QString rateName;
    switch (rateKind) {
    case 1:
        rateName = QStringLiteral("3%");
        break;
    case 2:
        rateName = QStringLiteral("5%");
        break;
    case 4:
        rateName = QStringLiteral("軽減8%");
        break;
    default:
        return true;
    }
    message = head + QStringLiteral("税率[") + rateName + QStringLiteral("]は使用できません。");
    return false;
}

// ---- computation
// -------------------------------------------------------------------------------------------

Money RoundCurrency(int mode, Money amount) {
    return RoundKingaku(mode, amount);
}

bool CalcSideTax(const TSWKREC& entry, TSwkBalance& side) {
    try {
        QString group, name;
        int category = 0;
        TaxCodeInfo(side.TAXCODE, group, name, category, side.TAXUH, side.TAXDC);
        side.NUK = Money();
        side.ZEI = Money();
        side.RIT = Money();

        Money rate = RateOfKind(entry.OLDRATE);
        if (side.RateKind != entry.OLDRATE)
            rate = RateOfKind(side.RateKind);
        if (side.TAXUH != 0)
            side.RIT = rate;

        const bool taxAccount = isTaxAccount(side.KCODE);
        if (side.TAXUH == 0 || taxAccount) {
            side.NUK = entry.KINGAKU;
            side.ZEI = Money();
            side.RIT = taxAccount && !isOutsideTax(side.TAXCODE) ? rate : Money();
            return true;
        }

        if (entry.AUTCALCU == 0) {
            side.NUK = entry.TAXCALCU == 0 ? entry.KINGAKU - entry.ZEIGAKU : entry.KINGAKU;
            side.ZEI = entry.TAXCALCU == 0 || entry.TAXCALCU == 1 ? entry.ZEIGAKU : Money();
            return true;
        }

        const int mode = side.TAXUH == 1 ? AccInf.TAXU_HASUU : AccInf.TAXH_HASUU;
        if (entry.TAXCALCU == 0) {
            side.ZEI = RoundCurrency(mode, entry.KINGAKU.mulDivHalfEven(rate, Money(100) + rate));
            side.NUK = entry.KINGAKU - side.ZEI;
        } else if (entry.TAXCALCU == 1) {
            side.ZEI = RoundCurrency(mode, entry.KINGAKU.mulDivHalfEven(rate, Money(100)));
            side.NUK = entry.KINGAKU;
        } else {
            side.NUK = entry.KINGAKU;
            side.ZEI = Money();
        }
        return true;
    } catch (const std::exception&) {
        ShowCommaMessage(QStringLiteral("仕訳の消費税額が計算できません。"), ui::MsgKind::Error);
        return false;
    }
}

bool CalcSiwakeTax(TSWKREC& entry) {
    if (IsSpecifiedPurchaseCode(entry.L.TAXCODE) || IsSpecifiedPurchaseCode(entry.R.TAXCODE))
        entry.TAXCALCU = 2;
    entry.KINGAKU = RoundCurrency(0, entry.KINGAKU);
    entry.ZEIGAKU = RoundCurrency(0, entry.ZEIGAKU);
    if (!CalcSideTax(entry, entry.L) || !CalcSideTax(entry, entry.R))
        return false;

    const bool debitRated = entry.L.RIT > Money();
    const bool creditRated = entry.R.RIT > Money();
    if (debitRated && !creditRated)
        entry.OLDRATE = entry.L.RateKind;
    else if (creditRated && !debitRated)
        entry.OLDRATE = entry.R.RateKind;
    else if (debitRated && creditRated && entry.L.RateKind == entry.R.RateKind)
        entry.OLDRATE = entry.L.RateKind;

    if (entry.TAXCALCU == 1) {
        const Money debitSum = entry.L.NUK + entry.L.ZEI;
        const Money creditSum = entry.R.NUK + entry.R.ZEI;
        if (debitSum != creditSum) {
            TSwkBalance& smaller = debitSum < creditSum ? entry.L : entry.R;
            smaller.NUK = std::max(debitSum, creditSum);
            smaller.ZEI = Money();
        }
    }
    entry.ZEIGAKU = entry.L.ZEI > entry.R.ZEI ? entry.L.ZEI : entry.R.ZEI;
    return true;
}

// ---- tax rates
// -----------------------------------------------------------------------------------------------

void BuildTaxRateList() {
    const QString version =
        QStringLiteral("%1.%2.%3").arg(AccInf.MAJOR).arg(AccInf.MINOR1).arg(AccInf.MINOR2);
    TZeiRituList list;
    if (IsVersionAtLeast(version, QStringLiteral("11.1.0"))) {
        addRate(list, QStringLiteral("10%"), 10, 0, 4, QStringLiteral("2019/10/01"), 11, 1, 1, 1, 4);
        addRate(list, QStringLiteral("8*%"), 8, 4, 3, QStringLiteral("2019/10/01"), 11, 1, 1, 0, 3);
        addRate(list, QStringLiteral("8%"), 8, 3, 2, QStringLiteral("2014/04/01"), 6, 1, 0, 1, 2);
    } else {
        addRate(list, QStringLiteral("8%"), 8, 0, 2, QStringLiteral("2014/04/01"), 6, 1, 1, 1, 2);
    }
    addRate(list, QStringLiteral("5%"), 5, 2, 1, QStringLiteral("1997/04/01"), 1, 0, 0, 1, 1);
    addRate(list, QStringLiteral("3%"), 3, 1, 0, QStringLiteral("1989/04/01"), 1, 0, 0, 1, 0);
    TaxRateList = std::move(list);
}

Money RateOfKind(int kind) {
    if (const TZeiRituRec* row = rowOfKind(kind))
        return row->Rate;
    return rateList().front().Rate;
}

int RateKindForDate(int kind, TDateTime date) {
    const TZeiRituRec* requested = rowOfKind(kind);
    if (requested && requested->Standard == 0)
        return kind;
    int answer = 0;
    for (const TZeiRituRec& r : rateList()) {
        if (startOf(r) <= date) {
            answer = r.Kind;
            break;
        }
    }
    if (answer != kind && requested && startOf(*requested) <= date)
        return kind;
    return answer;
}

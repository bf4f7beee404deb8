// Accounting database steps 3.0.4 to 9.0.5: the probes that choose script files, the changes made in
// code before a script runs (sub-account switches and converted balances, the placeholder trigger, the
// data password) and after it (account groups and evaluation rules, job permissions by program name,
// rounded budgets, closing-statement print settings, daily-report numbers).

#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QDebug>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace {

bool tavrinoEdition() {
    return TavrinoEdition == 1 || TavrinoEdition == 2;
}

int countOf(fb::Query& q) {
    q.open();
    const int n = q.field(0).asInt();
    q.close();
    return n;
}

// ---- account groups and evaluation rules

constexpr qint64 kRate95 = 9500, kRate105 = 10500; // four decimals

struct TGroupRows {
    const char16_t* name;
    std::initializer_list<const char*> codes;
};

void insertGroups(fb::Transaction& t, std::initializer_list<TGroupRows> groups) {
    fb::Query q(
        t, QStringLiteral(
               "INSERT INTO KAMOKU_KOSEI_GROUP (FGNAME, FKCODE, FHCODE) VALUES (:FGNAME, :FKCODE, ' ')"));
    for (const TGroupRows& g : groups)
        for (const char* code : g.codes) {
            q.setString("FGNAME", QString::fromUtf16(g.name));
            q.setString("FKCODE", QString::fromLatin1(code));
            q.execute();
        }
}

const char16_t* const kTax = u"法人税等";
const char16_t* const kDepreciation = u"減価償却費";
const char16_t* const kShortLoan = u"短期借入金返済";
const char16_t* const kLongLoan = u"長期借入金返済";
const char16_t* const kInventory = u"期首期末棚卸";

enum class TRuleSet { Corporate, Individual, Medical };

struct TEvalRule {
    const char* code;
    const char16_t* corporate; // null: not a rule of that data
    const char16_t* individual;
    const char16_t* medical;
    bool income; // income and profit items are good above the budget, cost and loss items below it
};

const TEvalRule kEvalRules[] = {
    {"4800", u"売上", u"売上", u"事業収益", true},
    {"5100", u"変動費", u"変動費", u"変動費", false},
    {"5400", u"限界利益", u"限界利益", u"限界利益", true},
    {"5600", u"人件費", u"人件費", u"人件費", false},
    {"5700", u"固定費", u"固定費", u"固定費", false},
    {"6200", u"営業利益", u"営業利益", u"事業利益", true},
    {"7180", u"営業外収益", u"営業外収益", u"事業外収益", true},
    {"7280", u"営業外費用", u"営業外費用", u"事業外費用", false},
    {"7300", u"経常利益", u"経常利益", u"経常利益", true},
    {"8180", u"特別利益", nullptr, u"臨時利益", true},
    {"8280", u"特別損失", nullptr, u"臨時損失", false},
    {"8290", u"税引前当期純利益", nullptr, nullptr, true},
    {"8300", nullptr, nullptr, u"税引前当期純利益", true},
    {"8400", nullptr, u"青申特別控除前所得", nullptr, true},
};

void insertEvalRules(fb::Transaction& t, TRuleSet set) {
    fb::Query q(
        t, QStringLiteral("INSERT INTO SOLVARNE_YOJITU_HYOKARULE (FGCODE, FMEISHOU, FBAD_RATE, FBAD_HANI, "
                          "FGOOD_RATE, FGOOD_HANI) VALUES (:FGCODE, :FMEISHOU, :FBAD_RATE, :FBAD_HANI, "
                          ":FGOOD_RATE, :FGOOD_HANI)"));
    for (const TEvalRule& r : kEvalRules) {
        const char16_t* name = set == TRuleSet::Corporate    ? r.corporate
                               : set == TRuleSet::Individual ? r.individual
                                                             : r.medical;
        if (!name)
            continue;
        q.setString("FGCODE", QString::fromLatin1(r.code));
        q.setString("FMEISHOU", QString::fromUtf16(name));
        q.setScaled("FBAD_RATE", r.income ? kRate95 : kRate105, 4);
        q.setInt("FBAD_HANI", r.income ? 0 : 1);
        q.setScaled("FGOOD_RATE", r.income ? kRate105 : kRate95, 4);
        q.setInt("FGOOD_HANI", r.income ? 1 : 0);
        q.execute();
    }
}

// The same rule per account, by classification number: income (true) or cost (false), in this order.
void setAccountRules(fb::Transaction& t, std::initializer_list<std::pair<int, bool>> groups) {
    fb::Query q(t, QStringLiteral(
                       "UPDATE KAMOKUMST SET SOLVARNE_YOJITU_RATE1=:RATE1, SOLVARNE_YOJITU_KIND1=:KIND1, "
                       "SOLVARNE_YOJITU_RATE2=:RATE2, SOLVARNE_YOJITU_KIND2=:KIND2 WHERE GROUPM1=:GROUPM1"));
    for (const auto& [group, income] : groups) {
        q.setScaled("RATE1", income ? kRate95 : kRate105, 4);
        q.setInt("KIND1", income ? 0 : 1);
        q.setScaled("RATE2", income ? kRate105 : kRate95, 4);
        q.setInt("KIND2", income ? 1 : 0);
        q.setInt("GROUPM1", group);
        q.execute();
    }
}

// ---- job permissions

struct TMenuProgram {
    int menuNo;
    const char* procId;
    const char* option = nullptr;
};

const TMenuProgram kPage0[] = {
    {0, "QzSolvarne1"}, {1, "QzYojituHendoPL"}, {10, "QzHikakuSuiihyo"}, {19, "QzTusinSettei"}};
const TMenuProgram kPage1[] = {
    {0, "QzSimulation"},     {1, "QzGetujiHikakuGraph"}, {2, "QzSankiHikakuGraph"}, {3, "QzSankiKamokuGraph"},
    {4, "QzKeieiBunseki2"},  {5, "QzSogoHikakuPL"},      {6, "QzYojitutaihi"},      {7, "QzYosoku2"},
    {8, "QzGetujiHikaku"},   {9, "QzSankiHikaku"},       {10, "QzBumonHikakuBL"},   {11, "QzSikinguri"},
    {12, "QzSitenHikakuBL"}, {19, "QzZenkamoku2"}};
const TMenuProgram kPage2[] = {
    {0, "QzSiwake", "SyoriType=0"}, {1, "QzMonitor"}, {2, "QzMotocho", "SyoriType=0"}, {3, "QzSisanhyo"}};
const TMenuProgram kPage2Edition[] = {
    {17, "QzKobetuIchiranhyo"}, {18, "QzKobetuMeisaihyo"}, {19, "QzKobetuMotocho"}};
const TMenuProgram kPage3[] = {
    {0, "QzHojinKessansyo"}, {1, "QzCashFlow"},      {2, "QzIkkatuPrint"},    {3, "QzGaikyosyo"},
    {5, "QzKojinKessansyo"}, {6, "QzGenkaSyokyaku"}, {7, "QzTouzaChoseihyo"}, {10, "QzTaxSinkokusyo"},
    {11, "QzTaxUtiwakesyo"}, {12, "QzTaxSyukeihyo"}, {13, "QzTaxSisanhyo"},   {15, "QzTaxSinkokusyoSyusei"}};
const TMenuProgram kPage3Medical[] = {
    {0, "QzMBKessansyo"},    {1, "QzMBKessansyoSisetsu"}, {2, "QzMBHokukuJigyo"},
    {3, "QzMBHokukuZaisan"}, {4, "QzMBHokukuKansa"},      {5, "QzCashFlow"},
    {6, "QzIkkatuPrint"},    {7, "QzGaikyosyo"},          {8, "QzGenkaSyokyaku"},
    {9, "QzTouzaChoseihyo"}, {10, "QzTaxSinkokusyo"},     {11, "QzTaxUtiwakesyo"},
    {12, "QzTaxSyukeihyo"},  {13, "QzTaxSisanhyo"},       {15, "QzTaxSinkokusyoSyusei"}};

template <size_t N> bool lookUp(const TMenuProgram (&page)[N], int menuNo, QString& procId, QString& option) {
    for (const TMenuProgram& p : page)
        if (p.menuNo == menuNo) {
            procId = QString::fromLatin1(p.procId);
            option = p.option ? QString::fromLatin1(p.option) : QString();
            return true;
        }
    return false;
}

} // namespace

void OnOwnAccConnection(const std::function<void(fb::Query& query)>& work) {
    if (!DM || !DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 0))
        throw std::runtime_error("データベースに接続できません。");
    struct Disconnect {
        ~Disconnect() {
            try {
                if (DM->IBTransactionDAT.isActive())
                    DM->IBTransactionDAT.rollback();
            } catch (const std::exception&) {
                // The disconnect ends it.
            }
            DM->fnAccDatDisConnected(SystemDef.DataDir, 0, 0);
        }
    } disconnect;
    fb::Transaction t(DM->IBDatabaseDAT);
    fb::Query q(t);
    work(q);
    q.close();
    t.commit();
}

// ---- probes

bool MedicalCorporationData() {
    return AccInf.DATATYPE == 3 && AccInf.CODETYPE == 1;
}

bool TriggerExists(fb::Query& query, const QString& name) {
    query.close();
    query.setSql(QStringLiteral("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME=:TRIGGER_NAME"));
    query.setString("TRIGGER_NAME", name);
    return countOf(query) > 0;
}

int GetMedicalKamokuKind(fb::Query& query) {
    if (!MedicalCorporationData())
        return 0;
    query.close();
    query.setSql(QStringLiteral("SELECT COUNT(*) FROM KAMOKUMST"));
    switch (countOf(query)) {
    case 377:
        return 1;
    case 567:
        return 2;
    default:
        return 0;
    }
}

bool ProbeAccTrigger(const QString& name) {
    bool exists = false;
    OnOwnAccConnection([&](fb::Query& q) { exists = TriggerExists(q, name); });
    return exists;
}

int ProbeMedicalKamokuKind() {
    int kind = 0;
    if (MedicalCorporationData())
        OnOwnAccConnection([&](fb::Query& q) { kind = GetMedicalKamokuKind(q); });
    return kind;
}

bool TaxCode116Exists() {
    bool exists = false;
    OnOwnAccConnection([&](fb::Query& q) {
        q.setSql(QStringLiteral("SELECT COUNT(TAX_CODE) AS RECCNT FROM TAXMST WHERE TAX_CODE=116"));
        exists = countOf(q) > 0;
    });
    return exists;
}

// ---- 3.0.6

void SetMedicalHojoSw(fb::Query& query) {
    if (!MedicalCorporationData())
        return;
    query.close();
    query.setSql(
        QStringLiteral("UPDATE KAMOKUMST SET HOJOSW=:HOJOSW WHERE KCODE IN (SELECT KCODE FROM ACCDEF2 "
                       "WHERE KNAME IN (:NAME1, :NAME2, :NAME3, :NAME4))"));
    query.setString("HOJOSW", QStringLiteral("×"));
    query.setString("NAME1", QStringLiteral("仮払消費税"));
    query.setString("NAME2", QStringLiteral("仮受消費税"));
    query.setString("NAME3", QStringLiteral("前期繰越利益"));
    query.setString("NAME4", QStringLiteral("諸口"));
    query.execute();
}

// Converted data carry their opening balances into the prior-year balance of the opening slot, net of
// tax. Started with the year, only balance-sheet accounts are carried (for individuals not the owner's
// accounts); a profit-and-loss account is passed over, the rows after it are still carried.
void RepairConvertedNukizan(fb::Transaction& transaction) {
    if (AccInf.CONVERT != 1)
        return;
    const int kaisino = AccInf.KAISINO;
    const int slot = OpeningSlot(kaisino);
    QStringList owners;
    if (AccInf.DATATYPE == 2 && kaisino == 1)
        for (const QString& code :
             {AccInf.JigyonushiKasiKCODE, AccInf.JigyonushiKariKCODE, AccInf.MotoirekinKCODE})
            if (!code.isEmpty())
                owners << code;
    if (slot < 0) {
        qWarning().noquote() << QStringLiteral(
                                    "開始月 %1 に期首の区分がないため、過年度残高を書き換えませんでした。")
                                    .arg(kaisino);
        return;
    }
    WriteOpeningBalancesToSlot(transaction, slot, true, [&](const QString& kcode, const QString& bpflg) {
        if (bpflg == QStringLiteral("B"))
            return !owners.contains(kcode);
        return bpflg == QStringLiteral("P") && kaisino != 1;
    });
}

qint32 PreMigration306(TStepDb& db) {
    SetMedicalHojoSw(db.query);
    RepairConvertedNukizan(db.transaction);
    return StepDone;
}

// ---- 3.0.7

qint32 PreMigration307(TStepDb& db) {
    if (TriggerExists(db.query, QStringLiteral("KAMOKUSZ_AFTER_DELETE2")))
        return StepDone;
    db.query.setSql(QStringLiteral("CREATE TRIGGER KAMOKUSZ_AFTER_DELETE2 FOR KAMOKU_SZ ACTIVE AFTER DELETE "
                                   "POSITION 0 AS DECLARE VARIABLE dvSITEN INTEGER; BEGIN END"));
    db.query.execute();
    return StepDone;
}

// ---- 7.0.0

qint32 MigrateDataPassword(TStepDb&) {
    const QString group = QStringLiteral("基本設定");
    const QString plainKey = QStringLiteral("データパスワード");
    const QString password = TrimZenkaku(GetAccReg(group, plainKey, typeword::Text, QString()).toString());
    TEasyEncodeInfo info;
    if (!password.isEmpty()) {
        info.Key = DataPasswordCodeKey;
        EasyEncodeClear(info);
        info.TargetLength = DataPasswordCodeLength;
        info.PlainLength = DataPasswordCodeLength;
        info.PlainText = password;
        // Dropping a password that cannot be coded would leave the dataset open to everyone.
        if (!EasyEncode(info) || info.CodedText.isEmpty())
            throw std::runtime_error("データパスワードに英数字以外の文字が含まれているため、変換できません。"
                                     "データパスワードを変更してから"
                                     "やり直してください。");
    }
    DeleteAccReg(group, plainKey);
    if (!password.isEmpty())
        PutAccReg(group, QStringLiteral("データパスワードV2"), typeword::Text, info.CodedText);
    return StepDone;
}

// ---- 8.0.2 to 9.0.5

void AddCorporateGroupsAndRules(TStepDb& db) {
    if (AccInf.DATATYPE != 1)
        return;
    if (TavrinoEdition == 0)
        insertGroups(db.transaction, {{kTax, {"8301", "8302"}},
                                      {kDepreciation, {"5606", "6204"}},
                                      {kShortLoan, {"2103"}},
                                      {kLongLoan, {"2202"}},
                                      {kInventory, {"5101", "5301", "5401", "5411", "5701", "5801"}}});
    else if (tavrinoEdition())
        insertGroups(db.transaction, {{kTax, {"98100", "98300", "98400", "98500"}},
                                      {kDepreciation, {"55400", "68400"}},
                                      {kShortLoan, {"31100"}},
                                      {kLongLoan, {"37100"}},
                                      {kInventory,
                                       {"49700", "49800", "50800", "50900", "59400", "59500", "59600",
                                        "59300", "59700", "59800", "59900"}}});
    insertEvalRules(db.transaction, TRuleSet::Corporate);
    setAccountRules(db.transaction, {{7100, true}, {7200, false}, {8100, true}, {8200, false}});
}

void JobControlProgram(int dataType, int edition, int pageNo, int menuNo, QString& procId, QString& option) {
    procId.clear();
    option.clear();
    switch (pageNo) {
    case 0:
        lookUp(kPage0, menuNo, procId, option);
        break;
    case 1:
        lookUp(kPage1, menuNo, procId, option);
        break;
    case 2:
        if (!lookUp(kPage2, menuNo, procId, option) && (edition == 1 || edition == 2))
            lookUp(kPage2Edition, menuNo, procId, option);
        break;
    case 3:
        if (dataType == 3)
            lookUp(kPage3Medical, menuNo, procId, option);
        else
            lookUp(kPage3, menuNo, procId, option);
        break;
    case 4:
        if (menuNo >= 0 && menuNo <= 16)
            procId = QStringLiteral("QzUtiwake%1").arg(menuNo + 1, 2, 10, QChar(u'0'));
        else if (menuNo == 19)
            procId = QStringLiteral("QzUtiwakeAll");
        break;
    default:
        break;
    }
}

void ConvertJobControl(TStepDb& db) {
    const int level = AccInf.DATATYPE == 3 ? 1200 : 200;
    struct TPosition {
        int pageNo, menuNo;
    };
    std::vector<TPosition> positions;
    fb::Query read(db.transaction,
                   QStringLiteral("SELECT LEVELNO, PAGENO, MENUNO FROM JOBCONTROL WHERE LEVELNO=:LEVELNO "
                                  "ORDER BY PAGENO, MENUNO"));
    read.setInt("LEVELNO", level);
    for (read.open(); !read.eof(); read.next())
        positions.push_back({read.field("PAGENO").asInt(), read.field("MENUNO").asInt()});
    read.close();
    // A position kept twice in the old table gives its program once.
    fb::Query write(db.transaction,
                    QStringLiteral("UPDATE OR INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID, PROC_OPTION) "
                                   "VALUES (:LEVELNO, :PROC_ID, :PROC_OPTION) MATCHING (LEVELNO, PROC_ID)"));
    QString procId, option;
    for (const TPosition& p : positions) {
        JobControlProgram(AccInf.DATATYPE, TavrinoEdition, p.pageNo, p.menuNo, procId, option);
        if (procId.isEmpty())
            continue;
        write.setInt("LEVELNO", level);
        write.setString("PROC_ID", procId);
        write.setString("PROC_OPTION", option);
        write.execute();
    }
}

void AddKojinGroupsAndRules(TStepDb& db) {
    if (AccInf.DATATYPE != 2)
        return;
    const int codeType = AccInf.CODETYPE;
    if (TavrinoEdition == 0) {
        if (codeType == 1 || codeType == 3)
            insertGroups(db.transaction, {{kDepreciation, {"5606", "6202"}},
                                          {kShortLoan, {"2103"}},
                                          {kLongLoan, {"2202"}},
                                          {kInventory, {"5101", "5301", "5401", "5411", "5701", "5801"}}});
        else if (codeType == 2)
            insertGroups(db.transaction,
                         {{kDepreciation, {"6202"}}, {kShortLoan, {"2103"}}, {kLongLoan, {"2202"}}});
        else if (codeType == 4)
            insertGroups(db.transaction, {{kDepreciation, {"6204"}},
                                          {kShortLoan, {"2103"}},
                                          {kLongLoan, {"2202"}},
                                          {kInventory, {"5101", "5301", "6301", "6302"}}});
    } else if (tavrinoEdition()) {
        if (codeType == 1)
            insertGroups(db.transaction, {{kDepreciation, {"55400", "68400"}},
                                          {kShortLoan, {"31100"}},
                                          {kLongLoan, {"37100"}},
                                          {kInventory,
                                           {"49700", "49800", "50800", "50900", "59400", "59500", "59600",
                                            "59300", "59700", "59800", "59900"}}});
        else if (codeType == 2)
            insertGroups(db.transaction,
                         {{kDepreciation, {"68400"}}, {kShortLoan, {"31100"}}, {kLongLoan, {"37100"}}});
        else if (codeType == 4)
            insertGroups(db.transaction, {{kDepreciation, {"68400"}},
                                          {kShortLoan, {"31100"}},
                                          {kLongLoan, {"37100"}},
                                          {kInventory, {"49700", "49800", "69300", "69400"}}});
    }
    insertEvalRules(db.transaction, TRuleSet::Individual);
    setAccountRules(db.transaction, {{7100, true}, {7200, false}});
}

void AddMedicalEvalRules(TStepDb& db) {
    if (AccInf.DATATYPE != 3)
        return;
    insertEvalRules(db.transaction, TRuleSet::Medical);
    setAccountRules(db.transaction, {{7110, true}, {7210, false}, {8110, true}, {8210, false}});
}

void RoundBudgetAmounts(TStepDb& db) {
    fb::Query q(db.transaction,
                QStringLiteral("UPDATE KAMOKU_MS SET BYOSAN=F_ROUND(BYOSAN), BYOSAN2=F_ROUND(BYOSAN2), "
                               "BYOSAN3=F_ROUND(BYOSAN3)"));
    q.execute();
}

void CopyKessanPrintSettings(TStepDb& db) {
    if (AccInf.DATATYPE == 3)
        return;
    const bool corporate = AccInf.DATATYPE == 1;
    const auto value = [corporate](int v) { return corporate ? v : 0; };
    const int zeroPrint = SystemDef.ZeroPrint;
    fb::Query q(db.transaction,
                QStringLiteral("UPDATE KESSAN SET ZEROKAMOKUPRINT=:ZEROKAMOKUPRINT, ZEROPRINT=:ZEROPRINT, "
                               "SONSHITUSANKAKU=:SONSHITUSANKAKU, SOTOWAKUKAHEN=:SOTOWAKUKAHEN, "
                               "FUSAINOBUKAIPAGE=:FUSAINOBUKAIPAGE, HANBAIHIKUMIIRE=:HANBAIHIKUMIIRE, "
                               "TEGATASOSAI=:TEGATASOSAI WHERE REC=1"));
    q.setInt("ZEROKAMOKUPRINT", value(zeroPrint == 1 || zeroPrint == 2 ? 1 : 0));
    q.setInt("ZEROPRINT", value(zeroPrint == 1 ? 1 : 0));
    q.setInt("SONSHITUSANKAKU", value(SystemDef.SankakuPlus));
    q.setInt("SOTOWAKUKAHEN", value((SystemDef.Reserve2 & 2) != 0 ? 1 : 0));
    q.setInt("FUSAINOBUKAIPAGE", value((SystemDef.Reserve2 & 1) != 0 ? 1 : 0));
    q.setInt("HANBAIHIKUMIIRE", value(SystemDef.HanbaiInclude));
    q.setInt("TEGATASOSAI", value(SystemDef.TegataOffset));
    q.execute();
}

void ClearSiwakeDnum(TStepDb& db) {
    fb::Query q(db.transaction, QStringLiteral("UPDATE SIWAKE SET DNUM=0"));
    q.execute();
}

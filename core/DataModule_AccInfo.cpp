#include "core/DataModule.h"

#include "core/FbValues.h"
#include "core/TMojiBunkatu.h"
#include "core/uAccDateCmp.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccKamokuTotal.h"
#include "core/uAccRecord.h"
#include "core/uAccSikinguriCmp.h"
#include "core/uAccTaxCmp.h"
#include "platform/UserInteraction.h"

#include <optional>
#include <stdexcept>

namespace {

const QString kGetAccInfoFailed = QStringLiteral("基本情報の取得に失敗しました。");
const QString kAccTotalNameFailed = QStringLiteral("集計名称の取得に失敗しました。");
const QString kDataBaseVerFailed = QStringLiteral("データベースのバージョンの取得に失敗しました。");

const QString kKihon = QStringLiteral("基本設定");

QString detailText(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

[[noreturn]] void throwText(const QString& text) {
    throw std::runtime_error(text.toStdString());
}

// Commits an own transaction while another error is on its way; a failing commit must not replace it.
void commitOnError(std::optional<OwnTransaction>& own) {
    if (!own)
        return;
    try {
        own->commit();
    } catch (const std::exception&) {
        // The first error is the one the caller hears of.
    }
}

QVariant accReg(const QString& key, const QString& typeWord, const QString& defText,
                const QString& group = kKihon) {
    return GetAccReg(group, key, typeWord, defText);
}

int accRegInt(const QString& key, const QString& group = kKihon) {
    return accReg(key, typeword::Integer, QStringLiteral("0"), group).toInt();
}

int toIntOrZero(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

// The ACCDEF1 row into AccInf in record order. The type names come right after their numbers, so an
// unsupported type stops the copy there.
void copyCompanyRow(TDM& dm, const fb::Query& q) {
    const auto text = [&](const char* column) { return q.field(column).asString(); };
    const auto number = [&](const char* column) { return q.field(column).asInt(); };
    const auto date = [&](const char* column) { return fb::asDateTime(q.field(column)); };
    const auto money = [&](const char* column) { return fb::asMoney(q.field(column)); };
    const auto has = [&](const char* column) { return q.hasColumn(column); };
    TACCINF& a = AccInf;

    a.GROUPID = number("GROUPID");
    a.ENTTEXT = text("ENTTEXT");
    a.SERIAL = text("SERIAL");
    a.TANTOU = number("TANTOU");
    a.GYOUSHU = number("GYOUSHU");
    a.DATATYPE = number("DATATYPE");
    dm.GetDataTypeName(a.DATATYPE, a.DataTypeName);
    a.CODETYPE = number("CODETYPE");
    dm.GetDataKindName(a.DATATYPE, a.CODETYPE, a.CodeTypeName, false);
    a.SCODE1 = text("SCODE1");
    a.SCODE2 = text("SCODE2");
    a.SKANA = text("SKANA");
    a.SHOUGOU = text("SHOUGOU");
    a.POST = text("POST");
    a.ADD1 = text("ADD1");
    a.ADD2 = text("ADD2");
    a.TEL = text("TEL");
    a.AO_ADD1 = text("AO_ADD1");
    a.AO_ADD2 = text("AO_ADD2");
    a.AO_KANA = text("AO_KANA");
    a.AO_SIMEI = text("AO_SIMEI");
    a.AO_GYOUSHU = text("AO_GYOUSHU");
    a.AO_YAGO = text("AO_YAGO");
    a.AO_KANYU = text("AO_KANYU");
    a.AO_TEL = text("AO_TEL");
    a.AO_SHOKUGYO1 = text("AO_SHOKUGYO1");
    a.AO_SHOKUGYO2 = text("AO_SHOKUGYO2");
    a.MAIL = text("MAIL");
    a.zzKISHU = date("ZZKISHU");
    a.zKISHU = date("ZKISHU");
    a.NENDO = number("NENDO");
    a.KISHU = date("KISHU");
    a.KIMATU = date("KIMATU");
    a.KAISI = date("KAISI");
    a.SIME = number("SIME");
    a.KAISINO = number("KAISINO");
    a.GENGOU_FLG = number("GENGOU_FLG");
    a.GENGOU_HOSEI = number("GENGOU_HOSEI");
    a.GENGOU_NAME = text("GENGOU_NAME");
    a.YAKUMEI[1] = text("YAKUMEI1");
    a.YAKUMEI[2] = text("YAKUMEI2");
    a.YAKUMEI[3] = text("YAKUMEI3");
    a.OLD_TAX_RATE1 = money("OLD_TAX_RATE1");
    a.OLD_TAX_RATE2 = money("OLD_TAX_RATE2");
    a.OLD_TAX_RATE3 = money("OLD_TAX_RATE3");
    a.OLD_TAX_RATE4 = money("OLD_TAX_RATE4");
    a.OLD_TAX_RATE5 = money("OLD_TAX_RATE5");
    a.NEW_TAX_RATE1 = money("NEW_TAX_RATE1");
    a.NEW_TAX_RATE2 = money("NEW_TAX_RATE2");
    a.NEW_TAX_RATE3 = money("NEW_TAX_RATE3");
    a.NEW_TAX_RATE4 = money("NEW_TAX_RATE4");
    a.NEW_TAX_RATE5 = money("NEW_TAX_RATE5");
    a.CHG_DAYS1 = date("CHG_DAYS1");
    a.CHG_DAYS2 = date("CHG_DAYS2");
    a.CHG_DAYS3 = date("CHG_DAYS3");
    a.CHG_DAYS4 = date("CHG_DAYS4");
    a.CHG_DAYS5 = date("CHG_DAYS5");
    a.KANSA_FIXDATE = date("KANSA_FIXDATE");
    a.KANSA_DATE = date("KANSA_DATE");
    a.CALCU = number("CALCU");
    a.TAXU_HASUU = number("TAXU_HASUU");
    a.TAXH_HASUU = number("TAXH_HASUU");
    a.TAXDEFUH = number("TAXDEFUH");
    a.TAXKANNI = number("TAXKANNI");
    a.TAXJIGYOU = number("TAXJIGYOU");
    a.GENKAPRINT = number("GENKAPRINT");
    a.KANSA_LOCK = number("KANSA_LOCK");
    a.TEGATADICSW = number("TEGATADICSW");
    // Columns of newer datasets: an older dataset leaves them as the reset record has them.
    if (has("KESSAN_KIKAN"))
        a.KESSAN_KIKAN = number("KESSAN_KIKAN");
    if (has("CASHFLOW_KIKAN1"))
        a.CASHFLOW_KIKAN1 = number("CASHFLOW_KIKAN1");
    if (has("CASHFLOW_KIKAN2"))
        a.CASHFLOW_KIKAN2 = number("CASHFLOW_KIKAN2");
    a.CASHFLOWSW = number("CASHFLOWSW");
    a.SDAI_HASUU1 = number("SDAI_HASUU1");
    a.SDAI_HASUU2 = number("SDAI_HASUU2");
    a.SDAI_HASUU3 = has("SDAI_HASUU3") ? number("SDAI_HASUU3") : 0;
    a.CONVERT = number("CONVERT");
    a.SHOUHYOU = number("SHOUHYOU");
    a.SITEN = number("SITEN");
    a.BUMON = number("BUMON");
    a.DATALOCK = number("DATALOCK");
    a.GENKA_USE = number("GENKA_USE");
    a.GENKA_HWORD1 = text("GENKA_HWORD1");
    a.GENKA_HWORD2 = text("GENKA_HWORD2");
    a.GENKA_HWORD3 = text("GENKA_HWORD3");
    a.GENKA_HWORD4 = text("GENKA_HWORD4");
    a.GENKA_HWORD5 = text("GENKA_HWORD5");
    a.PASWORD = text("PASWORD");
    a.WEB_HOLDER = has("WEB_HOLDER") ? text("WEB_HOLDER") : QString();
    a.FUMEI_KCODE = text("FUMEI_KCODE");
    a.TAXDEFUH2 = a.TAXDEFUH;
    a.KURIKOSI1 = has("KURIKOSI1") ? number("KURIKOSI1") : a.TAXDEFUH;
    a.KURIKOSI2 = has("KURIKOSI2") ? number("KURIKOSI2") : a.TAXDEFUH;
    if (has("GENKA_HWORD6"))
        a.GENKA_HWORD6 = text("GENKA_HWORD6");
    a.CLOUD_LINE = has("CLOUD_LINE") ? number("CLOUD_LINE") : 0;
    a.CLOUD_TIME = has("CLOUD_TIME") ? date("CLOUD_TIME") : TDateTime();
    a.READ_ONLY = has("READ_ONLY") ? number("READ_ONLY") : 0;
}

void computePeriods() {
    TACCINF& a = AccInf;
    a.StartSlot = MonthToPeriodSlot(a.KAISINO);
    const TDateTime yearEnd = AddDays(-1, AddMonthsClamped(12, a.KISHU));
    a.EndSlot = DateToPeriodSlot(a.SIME, 0, a.KISHU, yearEnd, a.KIMATU);
    a.KaisiMonths = MonthsBetween(a.SIME, a.KISHU, a.KAISI);
    a.TermMonths = MonthsBetween(a.SIME, a.KISHU, a.KIMATU);

    a.ThisKISHU = a.KISHU;
    a.ThisKIMATU = a.KIMATU;
    a.ThisKAISI = a.KAISI;
    a.PrevKISHU = !a.zKISHU.isNull() ? a.zKISHU : AddMonthsClamped(-12, a.ThisKISHU);
    a.PrevPrevKISHU = !a.zzKISHU.isNull() ? a.zzKISHU : AddMonthsClamped(-12, a.PrevKISHU);
    a.PrevKIMATU = AddDays(-1, a.ThisKISHU);
    a.PrevPrevKIMATU = AddDays(-1, a.PrevKISHU);
    a.PrevKAISI = a.PrevKISHU;
    a.PrevPrevKAISI = a.PrevPrevKISHU;
}

void readSystemAccounts(TDM& dm) {
    TACCINF& a = AccInf;
    dm.SetSystemCode(QStringLiteral("現金"), a.CashKCODE, a.CashUserCode);
    dm.SetSystemCode(QStringLiteral("仮払消費税"), a.KaribaraiTaxKCODE, a.KaribaraiTaxUserCode);
    dm.SetSystemCode(QStringLiteral("仮受消費税"), a.KariukeTaxKCODE, a.KariukeTaxUserCode);
    dm.SetSystemCode(QStringLiteral("繰越利益剰余金"), a.KurikosiKCODE, a.KurikosiUserCode);
    dm.SetSystemCode(QStringLiteral("諸口"), a.ShokuchiKCODE, a.ShokuchiUserCode);
    if (a.DATATYPE == 1) {
        dm.SetSystemCode(QStringLiteral("受取手形"), a.UketoriTegataKCODE, a.UketoriTegataUserCode);
        dm.SetSystemCode(QStringLiteral("割引手形"), a.WaribikiTegataKCODE, a.WaribikiTegataUserCode);
        dm.SetSystemCode(QStringLiteral("裏書手形"), a.UragakiTegataKCODE, a.UragakiTegataUserCode);
    }
    for (QString* code : {&a.JigyonushiKasiKCODE, &a.JigyonushiKariKCODE, &a.MotoirekinKCODE,
                          &a.JigyonushiKasiUserCode, &a.JigyonushiKariUserCode, &a.MotoirekinUserCode})
        code->clear();
    if (a.DATATYPE == 2) {
        dm.SetSystemCode(QStringLiteral("事業主貸"), a.JigyonushiKasiKCODE, a.JigyonushiKasiUserCode);
        dm.SetSystemCode(QStringLiteral("事業主借"), a.JigyonushiKariKCODE, a.JigyonushiKariUserCode);
        dm.SetSystemCode(QStringLiteral("元入金"), a.MotoirekinKCODE, a.MotoirekinUserCode);
    }
    for (QString* code : {&a.KyuryoKCODE, &a.ShoyoKCODE, &a.ShoyoHikiateKCODE, &a.TaishokuKCODE,
                          &a.KyuryoUserCode, &a.ShoyoUserCode, &a.ShoyoHikiateUserCode, &a.TaishokuUserCode})
        code->clear();
    if (a.DATATYPE == 3 && a.CODETYPE == 1) {
        dm.SetSystemCode(QStringLiteral("給料"), a.KyuryoKCODE, a.KyuryoUserCode);
        dm.SetSystemCode(QStringLiteral("賞与"), a.ShoyoKCODE, a.ShoyoUserCode);
        dm.SetSystemCode(QStringLiteral("賞与引当金繰入額"), a.ShoyoHikiateKCODE, a.ShoyoHikiateUserCode);
        dm.SetSystemCode(QStringLiteral("退職給付費用"), a.TaishokuKCODE, a.TaishokuUserCode);
        dm.SetSystemCode(QStringLiteral("前期繰越利益"), a.KurikosiKCODE, a.KurikosiUserCode);
    }
    dm.GetKamokuUserCode(a.FUMEI_KCODE, a.FumeiUserCode);
}

// The typed settings the load reads; a missing key is created with its default on the way.
void readTypedSettings() {
    TACCINF& a = AccInf;
    a.KakoMeisai = accRegInt(QStringLiteral("過去明細取り込み"));
    try {
        a.GassanKbn = quint8(accRegInt(QStringLiteral("合算データ区分")));
    } catch (const std::exception&) {
        a.GassanKbn = 0;
    }
    a.GassanCount = accRegInt(QStringLiteral("合算データ数"));
    // Bulk tax-exclusive processing is not offered: the setting is read (so it exists) and not used.
    accRegInt(QStringLiteral("一括税抜処理"));
    a.IkkatuZeinuki = 0;
    a.KamokuDigits = quint8(accRegInt(QStringLiteral("科目コード桁数")));
    a.HojoDigits = quint8(accRegInt(QStringLiteral("補助コード桁数")));
    a.BumonDigits = quint8(accRegInt(QStringLiteral("部門コード桁数")));
    const QString genka = QStringLiteral("減価償却設定");
    accRegInt(QStringLiteral("250%定率法で償却する経過措置"), genka);
    accRegInt(QStringLiteral("200%定率法で償却する経過措置"), genka);
    a.PrintKikanUse = accRegInt(QStringLiteral("印刷用期間使用区分"));
    a.PrintKISHU =
        accReg(QStringLiteral("印刷用期間（期首）"), typeword::Date, QStringLiteral("0")).value<TDateTime>();
    a.PrintKIMATU =
        accReg(QStringLiteral("印刷用期間（期末）"), typeword::Date, QStringLiteral("0")).value<TDateTime>();
    a.KobetuGenkaUse = accRegInt(QStringLiteral("個別原価使用区分"));
    a.KobetuGenkaName =
        accReg(QStringLiteral("個別原価別名"), typeword::Text, QStringLiteral("個別原価")).toString();
    a.KobetuGenkaDigits = quint8(accRegInt(QStringLiteral("個別原価コード桁数")));
    a.MyNumberUse = accRegInt(QStringLiteral("＃USE"));
    a.MyNumberKey = accReg(QStringLiteral("＃KEY"), typeword::Text, QString()).toString();
    a.MyNumberValue = accReg(QStringLiteral("＃VALUE"), typeword::Text, QString()).toString();
    a.CloudKbn = accRegInt(QStringLiteral("クラウド区分"), QStringLiteral("通信設定"));
}

// From data version 7 the password is kept coded. Its first eight characters are the password; a
// coded text whose characters there lie outside the alphabet is a password nobody can enter, never "no
// password".
void readDataPassword() {
    TACCINF& a = AccInf;
    a.DataPassword =
        TrimZenkaku(accReg(QStringLiteral("データパスワード"), typeword::Text, QString()).toString());
    a.DataPasswordUnreadable = 0;
    if (a.MAJOR < 7)
        return;
    const QString coded =
        TrimZenkaku(accReg(QStringLiteral("データパスワードV2"), typeword::Text, QString()).toString());
    a.DataPassword.clear();
    if (coded.isEmpty())
        return;
    TEasyEncodeInfo info;
    info.Key = DataPasswordCodeKey;
    EasyEncodeClear(info);
    info.TargetLength = DataPasswordCodeLength;
    info.PlainLength = DataPasswordCodeLength;
    info.CodedText = coded;
    if (EasyDecode(info))
        a.DataPassword = info.PlainText;
    else
        a.DataPasswordUnreadable = 1;
}

void readTaxRateUse() {
    TACCINF& a = AccInf;
    a.TaxRateUse[0] =
        accReg(QStringLiteral("使用税率3%"), typeword::Bool, QStringLiteral("FALSE")).toBool() ? 1 : 0;
    a.TaxRateUse[1] =
        accReg(QStringLiteral("使用税率5%"), typeword::Bool, QStringLiteral("FALSE")).toBool() ? 1 : 0;
    a.TaxRateUse[2] =
        accReg(QStringLiteral("使用税率8%"), typeword::Bool, QStringLiteral("TRUE")).toBool() ? 1 : 0;
    a.TaxRateUse[3] = 1;
    a.TaxRateUse[4] = 1;
    BuildTaxRateList();
}

} // namespace

bool TDM::fnGetAccInfo() {
    AccInf = TACCINF();
    std::optional<OwnTransaction> own;
    try {
        own.emplace(IBTransactionDAT);
        IBQACC1.setSql(QStringLiteral("SELECT * FROM ACCDEF1"));
        IBQACC1.open();
        if (IBQACC1.eof())
            throwText(QStringLiteral("基本設定(ACCDEF1)のレコードが見つかりませんでした。"));
        copyCompanyRow(*this, IBQACC1);
        IBQACC1.close();

        // The six group codes sit at the same positions in both variants of the tables.
        const struct {
            QString* name;
            int position;
        } plusNames[] = {{&AccInf.PlusName1, 69}, {&AccInf.PlusName2, 61}, {&AccInf.PlusName3, 63},
                         {&AccInf.PlusName4, 65}, {&AccInf.PlusName6, 88}, {&AccInf.PlusName5, 66}};
        for (const auto& p : plusNames)
            fnGetAccTotalName(KamokuTotalCodes[p.position - 1], QStringLiteral("PLUSNAME"), *p.name);
        AccInf.IryoFlag = quint8(SetKamokuTotalTable());

        computePeriods();
        readSystemAccounts(*this);
        AccInf.TusinHolder[0] = AccInf.WEB_HOLDER;
        AccInf.TusinPasword[0] = AccInf.PASWORD;
        GetTusinId(1, 1);
        readTypedSettings();

        AccInf.BumonCount = 0;
        if (AccInf.BUMON != 0) {
            IBQACC1.setSql(QStringList{QStringLiteral("SELECT COUNT(BCODE) AS RECCNT FROM BUMONMST"),
                                       QStringLiteral("WHERE BCODE<>''")});
            AccInf.BumonCount = IBQACC1.openInt("RECCNT");
        }
        AccInf.MAJOR = AccInf.MINOR1 = AccInf.MINOR2 = 0;
        IBQACC1.setSql(QStringList{QStringLiteral("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION"),
                                   QStringLiteral("ORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC")});
        IBQACC1.open();
        if (!IBQACC1.eof()) {
            AccInf.MAJOR = IBQACC1.field("MAJOR").asInt();
            AccInf.MINOR1 = IBQACC1.field("MINOR1").asInt();
            AccInf.MINOR2 = IBQACC1.field("MINOR2").asInt();
        }
        IBQACC1.close();
        own->commit();

        readDataPassword();
        readTaxRateUse();
        return true;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.fnGetAccInfo"), kGetAccInfoFailed + u'\r', true);
    } catch (const std::exception& e) {
        ShowErrDetail(kGetAccInfoFailed, detailText(e), ui::MsgKind::Error);
    }
    commitOnError(own);
    return false;
}

void TDM::GetDataTypeName(int dataType, QString& name) {
    switch (dataType) {
    case 1:
        name = QStringLiteral("法人");
        return;
    case 2:
        name = QStringLiteral("個人");
        return;
    case 3:
        name = QStringLiteral("医療法人");
        return;
    default:
        throwText(
            QStringLiteral("このプログラムでは、該当のデータタイプを処理することが出来ません。(DataType=%1)")
                .arg(dataType));
    }
}

void TDM::GetDataKindName(int dataType, int codeType, QString& name, bool combined) {
    QString typeName;
    GetDataTypeName(dataType, typeName);
    QString kindName;
    bool supported = codeType == 1;
    if (dataType == 2) {
        static const QString kKinds[] = {QStringLiteral("一般"), QStringLiteral("不動産"),
                                         QStringLiteral("クリニック"), QStringLiteral("農業")};
        supported = codeType >= 1 && codeType <= 4;
        if (supported)
            kindName = kKinds[codeType - 1];
    }
    if (!supported)
        throwText(
            QStringLiteral("このプログラムでは、該当のコードタイプを処理することが出来ません。(CodeType=%1)")
                .arg(codeType));
    if (!combined)
        name = kindName;
    else if (kindName.isEmpty())
        name = typeName;
    else
        name = typeName + QStringLiteral("／") + kindName;
}

// The column is taken from the statement's own columns, so no caller's text ever becomes SQL.
void TDM::fnGetAccTotalName(const QString& group, const QString& column, QString& text) {
    text.clear();
    std::optional<OwnTransaction> own;
    try {
        try {
            own.emplace(IBTransactionDAT);
            IBQACC1.setSql(QStringList{QStringLiteral("SELECT * FROM ACCTOTALNAME"),
                                       QStringLiteral("WHERE KGROUP=:KGROUP")});
            IBQACC1.setString("KGROUP", group);
            IBQACC1.open();
            if (column.isEmpty() || !IBQACC1.hasColumn(column))
                throwText(QStringLiteral("ACCTOTALNAMEに項目「%1」はありません。").arg(column));
            for (; !IBQACC1.eof(); IBQACC1.next())
                text = IBQACC1.field(column).asString();
            IBQACC1.close();
            own->commit();
        } catch (const std::exception&) {
            IBQACC1.close();
            commitOnError(own);
            throw;
        }
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.fnGetAccTotalName"), kAccTotalNameFailed);
    } catch (const std::exception& e) {
        ShowErrDetail(kAccTotalNameFailed, detailText(e), ui::MsgKind::Error);
    }
}

int TDM::SetKamokuTotalTable() {
    return SetKamokuTotalTableEx(AccInf.DATATYPE, AccInf.CODETYPE);
}

int TDM::SetKamokuTotalTableEx(int dataType, int codeType) {
    const bool medical = dataType == 3 && codeType == 1;
    FillTotalAccountTables(medical);
    SelectCashFlowItems(medical);
    return medical ? 1 : 0;
}

void TDM::SetSystemCode(const QString& accountName, QString& kcode, QString& userCode) {
    kcode.clear();
    userCode.clear();
    std::optional<OwnTransaction> own;
    try {
        own.emplace(IBTransactionDAT);
        IBQACC1.setSql(QStringList{QStringLiteral("SELECT A.KCODE,K.USERCODE FROM ACCDEF2 A"),
                                   QStringLiteral("INNER JOIN KAMOKUMST K ON (A.KCODE=K.KCODE)"),
                                   QStringLiteral("WHERE A.KNAME=:NAME")});
        IBQACC1.setString("NAME", accountName);
        IBQACC1.open();
        if (!IBQACC1.eof()) {
            kcode = IBQACC1.field("KCODE").asString();
            userCode = IBQACC1.field("USERCODE").asString();
        }
        IBQACC1.close();
        own->commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.SetSystemCode"), QString());
        if (own) {
            try {
                own->rollback();
            } catch (const fb::Error&) {
                // The connection is gone; the error already reported is passed on.
            }
        }
        throw;
    }
}

void TDM::GetKamokuUserCode(const QString& kcode, QString& userCode) {
    userCode.clear();
    if (kcode.trimmed().isEmpty())
        return;
    std::optional<OwnTransaction> own;
    try {
        own.emplace(IBTransactionDAT);
        IBQACC1.setSql(QStringList{QStringLiteral("SELECT USERCODE FROM KAMOKUMST"),
                                   QStringLiteral("WHERE KCODE=:KCODE")});
        IBQACC1.setString("KCODE", kcode);
        IBQACC1.open();
        if (!IBQACC1.eof())
            userCode = IBQACC1.field("USERCODE").asString();
        IBQACC1.close();
        own->commit();
    } catch (const std::exception&) {
        commitOnError(own);
        throw;
    }
}

void TDM::GetTusinId(int rec, int index) {
    QString& holder = AccInf.TusinHolder.at(index);
    QString& password = AccInf.TusinPasword.at(index);
    holder.clear();
    password.clear();
    std::optional<OwnTransaction> own;
    try {
        // The table probe runs in the accounting transaction, so it is started first.
        own.emplace(IBTransactionDAT);
        if (fnExistence_Table(QStringLiteral("TUSIN_ID"))) {
            IBQACC1.setSql(QStringList{QStringLiteral("SELECT REC,HOLDER,PASWORD FROM TUSIN_ID"),
                                       QStringLiteral("WHERE REC=:REC")});
            IBQACC1.setInt("REC", rec);
            for (IBQACC1.open(); !IBQACC1.eof(); IBQACC1.next()) {
                holder = IBQACC1.field("HOLDER").asString();
                password = IBQACC1.field("PASWORD").asString();
            }
            IBQACC1.close();
        }
        own->commit();
    } catch (const std::exception&) {
        commitOnError(own);
        throw;
    }
}

// Reads in a transaction of its own; a transaction the caller has running is neither ended nor used
// for the read's failure.
QString TDM::fnGetDataBaseVer() {
    QString result = QStringLiteral("0.0.0");
    try {
        OwnTransaction own(IBTransactionDAT);
        IBQACC1.setSql(QStringLiteral("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION WHERE REC=1"));
        IBQACC1.open();
        if (!IBQACC1.eof())
            result = QStringLiteral("%1.%2.%3")
                         .arg(IBQACC1.field("MAJOR").asInt())
                         .arg(IBQACC1.field("MINOR1").asInt())
                         .arg(IBQACC1.field("MINOR2").asInt());
        IBQACC1.close();
        own.commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.fnGetDataBaseVer"), kDataBaseVerFailed);
    } catch (const std::exception& e) {
        ShowErrDetail(kDataBaseVerFailed, detailText(e), ui::MsgKind::Error);
    }
    return result;
}

void TDM::LoadGengoTable() {
    GengoTable.clear();
    std::optional<OwnTransaction> own;
    try {
        own.emplace(IBTransactionDEF);
        IBSQLDEF.setSql(QStringList{QStringLiteral("SELECT GNAME,GSIGN,STARTDATE,YEAROFFSET FROM GENGO"),
                                    QStringLiteral("ORDER BY YEAROFFSET DESC")});
        for (IBSQLDEF.open(); !IBSQLDEF.eof(); IBSQLDEF.next())
            GengoTable.append({IBSQLDEF.field("GNAME").asString(), IBSQLDEF.field("GSIGN").asString(),
                               fb::asDateTime(IBSQLDEF.field("STARTDATE")),
                               IBSQLDEF.field("YEAROFFSET").asInt()});
        IBSQLDEF.close();
        own->commit();
    } catch (const std::exception&) {
        // Half a table would misdate every era it lacks: the built-in eras stand in.
        GengoTable.clear();
        commitOnError(own);
    }
    if (GengoTable.isEmpty())
        BuildEraTable();
}

// A data root may itself lie below a folder named like the data folder; the dataset's own folder is
// the one after the last such name.
void TDM::SplitDataPath(const QString& path, QString& first, QString& second) {
    first.clear();
    second.clear();
    TMojiBunkatu parts;
    parts.Separator = u'/';
    parts.Bunkatu(DeleteAllSpaces(path));
    int dataIndex = -1;
    for (int i = 0; i < parts.Count; ++i) {
        const QString part = parts.GetMoji(i);
        if (part.compare(QStringLiteral("DATA"), Qt::CaseInsensitive) == 0 ||
            part.compare(QStringLiteral("CB_DATA"), Qt::CaseInsensitive) == 0)
            dataIndex = i;
    }
    if (dataIndex < 0)
        return;
    first = parts.GetMoji(dataIndex + 1);
    second = parts.GetMoji(dataIndex + 2);
}

void TDM::GetDataListRec(const QString& path, qint32& rec, qint32& rowNo) {
    rec = 0;
    rowNo = 0;
    if (TrimZenkaku(path).isEmpty())
        return;
    if (ConnectMode == 0) {
        QString first, second;
        SplitDataPath(path, first, second);
        rec = toIntOrZero(first);
        rowNo = toIntOrZero(second);
        return;
    }
    try {
        OwnTransaction own(IBTransactionDEF);
        IBSQLDEF.setSql(
            QStringList{QStringLiteral("SELECT REC FROM DATALIST"),
                        QStringLiteral("WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)")});
        IBSQLDEF.setInt("GROUPID", SystemDef.GROUPID);
        IBSQLDEF.setString("PASNAME", path.toUpper());
        for (IBSQLDEF.open(); !IBSQLDEF.eof(); IBSQLDEF.next())
            rec = IBSQLDEF.field("REC").asInt();
        IBSQLDEF.close();
        own.commit();
    } catch (const std::exception&) {
        // Not found: the caller sees list number 0.
    }
}

bool TDM::CheckDataPassword() {
    if (AccInf.DataPassword.isEmpty() && AccInf.DataPasswordUnreadable == 0)
        return true;
    ui::InputRequest request;
    request.caption = QStringLiteral("パスワードの確認");
    request.prompt = QStringLiteral("パスワードを入力して下さい。");
    request.password = true;
    request.maxLength = DataPasswordCodeLength;
    request.lettersAndDigitsOnly = true;
    request.hint = QStringLiteral("パスワード(英数字8文字以内)を入力し、[OK]ボタンを押して下さい。"
                                  "3回続けて失敗すると「データ選択」画面に戻ります。");
    for (int attempt = 1; attempt <= 3; ++attempt) {
        if (attempt > 1) {
            request.prompt = QStringLiteral("正しいパスワードを入力して下さい。");
            request.promptAlert = true;
            request.initial.clear();
        }
        const std::optional<QString> entry = ui::current().input(request);
        if (!entry)
            return false;
        if (AccInf.DataPasswordUnreadable == 0 && TrimZenkaku(*entry) == AccInf.DataPassword)
            return true;
    }
    return false;
}

int TDM::AdjustIkkatuZeinuki1(int flag) {
    return flag;
}

int TDM::AdjustIkkatuZeinuki2(int flag) {
    return flag;
}

// The logged-on operator's settings: SYSDEF, SYSREG, SYSTEMINI and the texts of STYLECOLOR.
#include "core/DataModule.h"

#include "core/uAccFunction2.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QFont>
#include <QFontDatabase>
#include <array>
#include <optional>
#include <vector>

namespace {

const QString kGetSysRegFailed = QStringLiteral("システム共通変数の取得に失敗しました。");
const QString kPutSysRegFailed = QStringLiteral("システム共通変数の保存に失敗しました。");
const QString kGetSysDefFailed =
    QStringLiteral("システム情報の取得に失敗しました。\rアプリケーションを終了します。");
const QString kPutSysDefFailed =
    QStringLiteral("システム情報の書き込みに失敗しました。\r現在のシステム設定は保存されません。");

QString detailOf(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

// RECCNT of a count statement with the parameters bind sets.
// SYSREG knows five of the store's type words.
bool isSysRegTypeWord(const QString& word) {
    return word == typeword::Text || word == typeword::Bool || word == typeword::Date ||
           word == typeword::Integer || word == typeword::Amount;
}

QVariant sysRegValueOfText(const QString& word, const QString& text) {
    if (!isSysRegTypeWord(word))
        return QStringLiteral("Data Type Error");
    // Unlike the dataset's store, only the exact upper-case text counts as true here.
    if (word == typeword::Bool)
        return text == QStringLiteral("TRUE");
    return AccRegValueOfText(word, text);
}

QString sysRegTextOfValue(const QString& word, const QVariant& value) {
    if (!isSysRegTypeWord(word))
        throw EAccRegTypeError(word);
    return AccRegTextOfValue(word, value);
}

// ---- SYSDEF columns ------------------------------------------------------------------------------

// A SYSDEF column and its SystemDef field of the same name: an integer or a text.
struct Column {
    const char* name;
    qint32 TSystemDef::*number = nullptr;
    QString TSystemDef::*text = nullptr;
};

// Every column the settings loader reads and writes back, in the order of the update statement.
const std::array<Column, 64> kColumns{{
    {"DataDir", nullptr, &TSystemDef::DataDir},
    {"PrinterName", nullptr, &TSystemDef::PrinterName},
    {"MFTop", &TSystemDef::MFTop},
    {"MFLeft", &TSystemDef::MFLeft},
    {"MFWidth", &TSystemDef::MFWidth},
    {"MFHeight", &TSystemDef::MFHeight},
    {"LastMenu", &TSystemDef::LastMenu},
    {"FontName", nullptr, &TSystemDef::FontName},
    {"FontSize", &TSystemDef::FontSize},
    {"FontStyle", &TSystemDef::FontStyle},
    {"FontCharSet", &TSystemDef::FontCharSet},
    {"FontHeight", &TSystemDef::FontHeight},
    {"GridResize", &TSystemDef::GridResize},
    {"ShowHint", &TSystemDef::ShowHint},
    {"GridMaxRow", &TSystemDef::GridMaxRow},
    {"GridRsiz", &TSystemDef::GridRsiz},
    {"ClientColor", &TSystemDef::ClientColor},
    {"ClientColor1", &TSystemDef::ClientColor1},
    {"ClientColor2", &TSystemDef::ClientColor2},
    {"ClientColor3", &TSystemDef::ClientColor3},
    {"ForeColor", &TSystemDef::ForeColor},
    {"BorderColor", &TSystemDef::BorderColor},
    {"ActiveColor", &TSystemDef::ActiveColor},
    {"ThruBorderColor", &TSystemDef::ThruBorderColor},
    {"ColHeaderColor", &TSystemDef::ColHeaderColor},
    {"FixedTopColor", &TSystemDef::FixedTopColor},
    {"RowHeaderColor", &TSystemDef::RowHeaderColor},
    {"FixedLeftColor", &TSystemDef::FixedLeftColor},
    {"TotalColor", &TSystemDef::TotalColor},
    {"NetColor1", &TSystemDef::NetColor1},
    {"NetColor2", &TSystemDef::NetColor2},
    {"PLineColor1", &TSystemDef::PLineColor1},
    {"PLineColor2", &TSystemDef::PLineColor2},
    {"PreviewZOOM", &TSystemDef::PreviewZOOM},
    {"PanelColor", &TSystemDef::PanelColor},
    {"PanelBackColor", &TSystemDef::PanelBackColor},
    {"MenuPrintSw", &TSystemDef::MenuPrintSw},
    {"HojWait", &TSystemDef::HojWait},
    {"DicSwitch", &TSystemDef::DicSwitch},
    {"DicTekAuto", &TSystemDef::DicTekAuto},
    {"DicTorAuto", &TSystemDef::DicTorAuto},
    {"DicUsednt", &TSystemDef::DicUsednt},
    {"DicType", &TSystemDef::DicType},
    {"DicNum1", &TSystemDef::DicNum1},
    {"DicNum2", &TSystemDef::DicNum2},
    {"DicSortType", &TSystemDef::DicSortType},
    {"ColHeaderGradColor1", &TSystemDef::ColHeaderGradColor1},
    {"ColHeaderGradColor2", &TSystemDef::ColHeaderGradColor2},
    {"ShowDataSentaku", &TSystemDef::ShowDataSentaku},
    {"ZenkaiDrive", nullptr, &TSystemDef::ZenkaiDrive},
    {"UserPrint", &TSystemDef::UserPrint},
    {"SwkTotal", &TSystemDef::SwkTotal},
    {"SwkLine", &TSystemDef::SwkLine},
    {"KingakuPlus", &TSystemDef::KingakuPlus},
    {"ZeroPrint", &TSystemDef::ZeroPrint},
    {"SankakuPlus", &TSystemDef::SankakuPlus},
    {"TEK_AUTOUP", &TSystemDef::TEK_AUTOUP},
    {"TOR_AUTOUP", &TSystemDef::TOR_AUTOUP},
    {"Reserve1", &TSystemDef::Reserve1},
    {"Reserve2", &TSystemDef::Reserve2},
    {"Reserve3", &TSystemDef::Reserve3},
    {"Reserve4", &TSystemDef::Reserve4},
    {"Reserve5", &TSystemDef::Reserve5},
    {"SSTR", nullptr, &TSystemDef::SSTR},
}};

// ---- SYSREG keys -----------------------------------------------------------------------------------

enum class WriteBack { Yes, OrgOnly, No };

// One SYSREG setting of the operator and the SystemDef field it loads into.
struct RegKey {
    const char* name;
    qint32 TSystemDef::*i32 = nullptr;
    quint8 TSystemDef::*u8 = nullptr;
    QString TSystemDef::*text = nullptr;
    std::array<QString, 4> TSystemDef::*titles = nullptr;
    int titleIndex = 0;
    // Read first in the organisation edition, with this default; nullptr: not read there.
    const char* orgFirstDefault = nullptr;
    // Read with the others (false: the organisation edition's first read only).
    bool laterRead = true;
    // Default of that read: the field's current value, or def (orgDef in the organisation edition when
    // it is given).
    bool currentAsDefault = false;
    const char* def = nullptr;
    const char* orgDef = nullptr;
    WriteBack write = WriteBack::Yes;
    bool groupKey = false;
};

// In the order the settings are read and written.
const std::vector<RegKey>& regKeys() {
    using S = TSystemDef;
    constexpr WriteBack orgOnly = WriteBack::OrgOnly;
    // clang-format off
    static const std::vector<RegKey> keys{
        {.name = "次項目移動区分", .i32 = &S::NextItemMove, .orgFirstDefault = "1", .laterRead = false, .write = orgOnly},
        {.name = "科目コード桁数", .u8 = &S::KamokuDigits, .orgFirstDefault = "0", .laterRead = false, .write = orgOnly},
        {.name = "補助コード桁数", .u8 = &S::HojoDigits, .orgFirstDefault = "0", .laterRead = false, .write = orgOnly},
        {.name = "部門コード桁数", .u8 = &S::BumonDigits, .orgFirstDefault = "1", .laterRead = false, .write = orgOnly},
        {.name = "仕訳日付フォーカス", .u8 = &S::DateFocus, .orgFirstDefault = "1", .laterRead = false, .write = orgOnly},
        {.name = "元帳１行出力区分", .i32 = &S::LedgerOneLine, .orgFirstDefault = "0", .laterRead = false, .write = orgOnly},
        {.name = "元帳付箋マーク出力区", .i32 = &S::LedgerTagMark, .orgFirstDefault = "0", .currentAsDefault = true},
        {.name = "連想辞書抽出条件区分", .i32 = &S::AssocCondition, .orgFirstDefault = "1", .laterRead = false, .write = orgOnly},
        {.name = "元帳最終行残高出力区", .i32 = &S::LedgerLastBalance, .currentAsDefault = true},
        {.name = "試算表集計出力区分", .i32 = &S::TrialTotalOut, .currentAsDefault = true},
        {.name = "元帳タイトル出力区分", .i32 = &S::LedgerTitleOut, .def = "0", .orgDef = "1"},
        {.name = "試算表ＢＳ改ページ区", .i32 = &S::TrialBsPage, .def = "1", .orgDef = "0"},
        {.name = "試算表タイトル出力区", .i32 = &S::TrialTitleOut, .def = "0", .orgDef = "1"},
        {.name = "試算表期間出力区分", .i32 = &S::TrialPeriodOut, .def = "0", .orgDef = "1"},
        {.name = "試算表タイトル", .text = &S::TrialTitle, .def = "試　算　表"},
        {.name = "２期試算表タイトル", .text = &S::TrialTitle2, .def = "２期比較試算表"},
        {.name = "全科目ＢＳタイトル", .titles = &S::BsTitles, .titleIndex = 1, .def = "資産・負債・純資産"},
        {.name = "全科目資産タイトル", .titles = &S::AssetTitles, .titleIndex = 1, .def = "資産の部"},
        {.name = "全科目負債タイトル", .titles = &S::LiabilityTitles, .titleIndex = 1, .def = "負債・純資産の部"},
        {.name = "全科目ＰＬタイトル", .titles = &S::PlTitles, .titleIndex = 1, .def = "損益"},
        {.name = "定形A4資産タイトル", .titles = &S::AssetTitles, .titleIndex = 2, .def = "資産の部"},
        {.name = "定形A4負債タイトル", .titles = &S::LiabilityTitles, .titleIndex = 2, .def = "負債・純資産の部"},
        {.name = "定形A4ＰＬタイトル", .titles = &S::PlTitles, .titleIndex = 2, .def = "損益"},
        {.name = "定形A4販売費タイトル", .titles = &S::SgaTitles, .titleIndex = 2, .def = "販売費・一般管理費"},
        {.name = "定形A3ＢＳタイトル", .titles = &S::BsTitles, .titleIndex = 3, .def = "資産・負債・純資産"},
        {.name = "定形A3ＰＬタイトル", .titles = &S::PlTitles, .titleIndex = 3, .def = "損益"},
        {.name = "データ破損チェック区", .i32 = &S::DataCheck, .def = "1", .write = WriteBack::No, .groupKey = true},
        {.name = "サーバのデータの場所", .i32 = &S::ServerDataPlace, .def = "0"},
        {.name = "摘要項目の編集モード", .i32 = &S::TekiyoEditMode, .def = "0"},
        {.name = "摘要項目の入力区分", .i32 = &S::TekiyoInput, .def = "0"},
        {.name = "取引先項目の入力区分", .i32 = &S::TorihikiInput, .def = "0"},
        {.name = "裏面の罫線印刷区分", .i32 = &S::BackRuleLine, .def = "0"},
        {.name = "消費税コード印刷区分", .i32 = &S::TaxCodePrint, .def = "1"},
        {.name = "決算書手形相殺区分", .i32 = &S::TegataOffset, .def = "0"},
        {.name = "決算書販売費組入区分", .i32 = &S::HanbaiInclude, .def = "0"},
        {.name = "試算表行数調整区分", .i32 = &S::TrialRowAdjust, .def = "0", .write = WriteBack::No},
        {.name = "連想辞書コード入力区", .i32 = &S::AssocCodeInput, .def = "0"},
        {.name = "連想辞書リスト並び順", .i32 = &S::AssocListOrder, .def = "0"},
        {.name = "摘要＿辞書開く区分", .i32 = &S::TekDicOpen, .def = "1"},
        {.name = "摘要＿連想開く区分", .i32 = &S::TekAssocOpen, .def = "0"},
        {.name = "摘要＿自動開く区分", .i32 = &S::TekAutoOpen, .def = "0"},
        {.name = "摘要＿入力なし区分", .i32 = &S::TekNoInput, .def = "0"},
        {.name = "取引先＿辞書開く区分", .i32 = &S::TorDicOpen, .def = "1"},
        {.name = "取引先＿連想開く区分", .i32 = &S::TorAssocOpen, .def = "0"},
        {.name = "取引先＿自動開く区分", .i32 = &S::TorAutoOpen, .def = "0"},
        {.name = "取引先＿入力なし区分", .i32 = &S::TorNoInput, .def = "0"},
    };
    // clang-format on
    return keys;
}

bool isTextKey(const RegKey& k) {
    return k.text || k.titles;
}

QVariant fieldValue(const RegKey& k) {
    if (k.i32)
        return SystemDef.*k.i32;
    if (k.u8)
        return int(SystemDef.*k.u8);
    if (k.text)
        return SystemDef.*k.text;
    return (SystemDef.*k.titles)[k.titleIndex];
}

void setField(const RegKey& k, const QVariant& value) {
    if (k.i32)
        SystemDef.*k.i32 = value.toInt();
    else if (k.u8)
        SystemDef.*k.u8 = quint8(value.toInt());
    else if (k.text)
        SystemDef.*k.text = value.toString();
    else
        (SystemDef.*k.titles)[k.titleIndex] = value.toString();
}

qint32 keyOf(const RegKey& k) {
    return k.groupKey ? SystemDef.GROUPID * 10000 + 9999 : SystemDef.OPCODE;
}

// Reads one key into its field; a failed read (already reported) leaves 0 or an empty text.
void loadKey(TDM& dm, const RegKey& k, const QString& defaultText) {
    QVariant value;
    dm.funcGetSysReg(QString::fromUtf8(k.name), isTextKey(k) ? typeword::Text : typeword::Integer, value,
                     keyOf(k), defaultText);
    setField(k, value);
}

// The eight dictionary keys a new operator starts with, in their order.
const std::array<const char*, 8> kDictionaryKeys{
    "摘要＿辞書開く区分",   "摘要＿連想開く区分",   "摘要＿自動開く区分",   "摘要＿入力なし区分",
    "取引先＿辞書開く区分", "取引先＿連想開く区分", "取引先＿自動開く区分", "取引先＿入力なし区分"};

void putDictionaryKeys(TDM& dm, const std::array<int, 8>& values) {
    for (size_t i = 0; i < kDictionaryKeys.size(); ++i)
        dm.PutSysReg(QString::fromUtf8(kDictionaryKeys[i]), typeword::Integer, values[i]);
}

// Creates the SYSDEF row of a new operator key with its defaults.
void insertDefaultSysDef(TDM& dm) {
    const TSysDefColorDefaults& c = SysDefColorDefaults;
    const bool org = TavrinoEdition != 0;
    fb::Query& q = dm.IBQSysDefPut;
    q.setSql(QStringList{
        QStringLiteral(
            "INSERT INTO SYSDEF(OPCODE,SankakuPlus,ColHeaderColor,ColHeaderGradColor1,ColHeaderGradColor2,"),
        QStringLiteral(
            "ClientColor,ClientColor1,ClientColor2,TotalColor,ActiveColor,NetColor1,NetColor2,PLineColor1,"
            "PLineColor2,DICSWITCH,DicTekAuto,DicTorAuto)"),
        QStringLiteral("VALUES(:OPCODE,1,:ColHeaderColor,:ColHeaderGradColor1,:ColHeaderGradColor2,"),
        QStringLiteral(
            ":ClientColor,:ClientColor1,:ClientColor2,:TotalColor,:ActiveColor,:NetColor1,:NetColor2,"
            ":PLineColor1,:PLineColor2,:DICSWITCH,:DicTekAuto,:DicTorAuto)")});
    q.setInt("OPCODE", SystemDef.OPCODE);
    q.setInt("ColHeaderColor", c.ColHeaderColor);
    q.setInt("ColHeaderGradColor1", c.ColHeaderGradColor1);
    q.setInt("ColHeaderGradColor2", c.ColHeaderGradColor2);
    q.setInt("ClientColor", c.ClientColor);
    q.setInt("ClientColor1", c.ClientColor1);
    q.setInt("ClientColor2", c.ClientColor2);
    q.setInt("TotalColor", c.TotalColor);
    q.setInt("ActiveColor", c.ActiveColor);
    q.setInt("NetColor1", c.NetColor1);
    q.setInt("NetColor2", c.NetColor2);
    q.setInt("PLineColor1", c.PLineColor1);
    q.setInt("PLineColor2", c.PLineColor2);
    q.setInt("DICSWITCH", org ? 2 : 0);
    q.setInt("DicTekAuto", org ? 2 : 1);
    q.setInt("DicTorAuto", org ? 0 : 1);
    q.execute();
}

// The SYSREG keys a new operator key starts with.
void writeFirstKeys(TDM& dm) {
    putDictionaryKeys(dm, {1, 0, 1, 0, 1, 0, 1, 0});
    if (TavrinoEdition == 0)
        return;
    const std::array<std::pair<const char*, int>, 10> orgKeys{{{"次項目移動区分", 1},
                                                               {"科目コード桁数", 0},
                                                               {"補助コード桁数", 0},
                                                               {"部門コード桁数", 1},
                                                               {"仕訳日付フォーカス", 1},
                                                               {"元帳最終行残高出力区", 1},
                                                               {"試算表集計出力区分", 1},
                                                               {"元帳１行出力区分", 0},
                                                               {"元帳付箋マーク出力区", 0},
                                                               {"連想辞書抽出条件区分", 1}}};
    for (const auto& [name, value] : orgKeys)
        dm.PutSysReg(QString::fromUtf8(name), typeword::Integer, value);
    putDictionaryKeys(dm, {0, 1, 1, 0, 1, 0, 0, 0});
}

void readSysDefRow(const fb::Query& q) {
    for (const Column& c : kColumns) {
        const fb::Field f = q.field(QLatin1StringView(c.name));
        if (c.number)
            SystemDef.*c.number = f.asInt();
        else
            SystemDef.*c.text = f.asString();
    }
    if (SystemDef.ColHeaderGradColor1 == 0)
        SystemDef.ColHeaderGradColor1 = 0xFFFFFF;
    if (SystemDef.ColHeaderGradColor2 == 0)
        SystemDef.ColHeaderGradColor2 = 0xBBBBBB;
}

void loadSystemIni(TDM& dm) {
    SystemDef.SysIniName.clear();
    SystemDef.SysIniAddress.clear();
    SystemDef.SysIniTel.clear();
    SystemDef.SysIni10Reserve1 = SystemDef.SysIni10Reserve2 = SystemDef.SysIni10Reserve3 = 0;
    TSystemIniRec site;
    site.REC = 10;
    if (dm.GetSysIni(site)) {
        dm.GetXstrValue(site.SSTR, QStringLiteral("NAME"), SystemDef.SysIniName);
        dm.GetXstrValue(site.SSTR, QStringLiteral("JYUSHO"), SystemDef.SysIniAddress);
        dm.GetXstrValue(site.SSTR, QStringLiteral("TEL"), SystemDef.SysIniTel);
        SystemDef.SysIni10Reserve1 = site.RESERVE1;
        SystemDef.SysIni10Reserve2 = site.RESERVE2;
        SystemDef.SysIni10Reserve3 = site.RESERVE3;
    }
    SystemDef.AllSisetuSwitch = 0;
    TSystemIniRec facilities;
    facilities.REC = 20;
    if (dm.GetSysIni(facilities))
        SystemDef.AllSisetuSwitch = facilities.RESERVE1;
}

void loadRegKeys(TDM& dm) {
    const bool org = TavrinoEdition != 0;
    SystemDef.NextItemMove = 0;
    SystemDef.KamokuDigits = SystemDef.HojoDigits = SystemDef.BumonDigits = 0;
    SystemDef.DateFocus = 2;
    SystemDef.TrialTotalOut = 0;
    SystemDef.LedgerOneLine = SystemDef.LedgerTagMark = SystemDef.AssocCondition = 0;
    if (org) {
        for (const RegKey& k : regKeys()) {
            if (QByteArrayView(k.name) == QByteArrayView("元帳１行出力区分")) {
                SystemDef.LedgerLastBalance = 1;
                SystemDef.TrialTotalOut = 1;
            }
            if (k.orgFirstDefault)
                loadKey(dm, k, QString::fromUtf8(k.orgFirstDefault));
        }
    }
    for (const RegKey& k : regKeys()) {
        if (!k.laterRead)
            continue;
        const char* def = org && k.orgDef ? k.orgDef : k.def;
        loadKey(dm, k, k.currentAsDefault ? fieldValue(k).toString() : QString::fromUtf8(def));
    }
    SystemDef.BsTitles[2].clear();
    SystemDef.AssetTitles[3].clear();
    SystemDef.LiabilityTitles[3].clear();
    SystemDef.SgaTitles[1].clear();
    SystemDef.SgaTitles[3].clear();
    if (!org)
        SystemDef.TaxCodePrint = 1;
}

// Character sets are a Windows notion: a Qt font finds its glyphs by family, so FontCharSet is not used.
void applyDisplayFont() {
    QFont* font = SystemDef.DisplayFont;
    if (!font || !QFontDatabase::families().contains(SystemDef.FontName))
        return;
    font->setFamily(SystemDef.FontName);
    if (SystemDef.FontSize > 0)
        font->setPointSize(SystemDef.FontSize);
    if (SystemDef.FontStyle >= 0 && SystemDef.FontStyle <= 3) {
        font->setBold((SystemDef.FontStyle & 1) != 0);
        font->setItalic((SystemDef.FontStyle & 2) != 0);
    }
}

} // namespace

// ---- SYSREG ------------------------------------------------------------------------------------------

bool TDM::funcGetSysReg(const QString& name, const QString& typeWord, QVariant& value, qint32 key,
                        const QString& defaultText) {
    try {
        OwnTransaction own(IBTransactionDEF);
        fb::Query& q = QueryDef;
        q.setSql(QStringLiteral("SELECT STEXT FROM SYSREG WHERE OPCODE=:OPCODE AND SCODE=:SCODE "));
        q.setInt("OPCODE", key);
        q.setString("SCODE", name);
        q.open();
        QString text;
        if (!q.eof()) {
            text = q.field("STEXT").asString();
            q.close();
        } else {
            q.close();
            q.setSql(QStringLiteral(
                "INSERT INTO SYSREG(OPCODE,SCODE,STYPE,STEXT) VALUES(:OPCODE,:SCODE,:STYPE,:STEXT )"));
            q.setInt("OPCODE", key);
            q.setString("SCODE", name);
            q.setString("STYPE", typeWord);
            q.setString("STEXT", defaultText);
            q.execute();
            text = defaultText;
        }
        if (text.isEmpty())
            text = QStringLiteral(" ");
        value = sysRegValueOfText(typeWord, text);
        own.commit();
        return true;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.funcGetSysReg"), kGetSysRegFailed);
    } catch (const std::exception& e) {
        ShowErrDetail(kGetSysRegFailed, detailOf(e), ui::MsgKind::Error);
    }
    return false;
}

bool TDM::GetSysReg(const QString& name, const QString& typeWord, QVariant& value,
                    const QString& defaultText) {
    return funcGetSysReg(name, typeWord, value, SystemDef.OPCODE, defaultText);
}

bool TDM::funcPutSysReg(const QString& name, const QString& typeWord, qint32 key, const QVariant& value) {
    try {
        OwnTransaction own(IBTransactionDEF);
        const QString text = sysRegTextOfValue(typeWord, value);
        fb::Query& q = QueryDef;
        q.setSql(QStringLiteral(
            "SELECT COUNT(OPCODE) AS RECCNT FROM SYSREG WHERE OPCODE=:OPCODE AND SCODE=:SCODE"));
        q.setInt("OPCODE", key);
        q.setString("SCODE", name);
        const int count = q.openInt("RECCNT");
        if (count != 0) {
            q.setSql(QStringLiteral("UPDATE SYSREG SET STEXT=:STEXT WHERE OPCODE=:OPCODE AND SCODE=:SCODE "));
        } else {
            q.setSql(QStringLiteral(
                "INSERT INTO SYSREG(OPCODE,SCODE,STYPE,STEXT) VALUES(:OPCODE,:SCODE,:STYPE,:STEXT )"));
            q.setString("STYPE", typeWord);
        }
        q.setInt("OPCODE", key);
        q.setString("SCODE", name);
        q.setString("STEXT", text);
        q.execute();
        own.commit();
        return true;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.funcPutSysReg"), kPutSysRegFailed);
    } catch (const std::exception& e) {
        ShowErrDetail(kPutSysRegFailed, detailOf(e), ui::MsgKind::Error);
    }
    return false;
}

bool TDM::PutSysReg(const QString& name, const QString& typeWord, const QVariant& value) {
    return funcPutSysReg(name, typeWord, SystemDef.OPCODE, value);
}

// ---- SYSDEF --------------------------------------------------------------------------------------------

// A transaction the caller started stays the caller's: it is neither committed nor rolled back here.
bool TDM::fnGetSysDef() {
    try {
        OwnTransaction own(IBTransactionDEF);
        fb::Query& q = IBQSysDefGet;
        q.setSql(QStringLiteral("SELECT * FROM SYSDEF WHERE OPCODE=:OPCODE"));
        q.setInt("OPCODE", SystemDef.OPCODE);
        q.open();
        if (q.eof()) {
            q.close();
            insertDefaultSysDef(*this);
            q.open();
            writeFirstKeys(*this);
        }
        SystemDef.HostMenuResult = 0;
        readSysDefRow(q);
        q.close();
        SystemDef.UnpackReserveFlags();
        loadSystemIni(*this);
        loadRegKeys(*this);
        SystemDef.TransferProgress = nullptr;
        GetSystemDbVersion();
        applyDisplayFont();
        own.commit();
        return true;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.fnGetSysDef"), kGetSysDefFailed);
    } catch (const std::exception& e) {
        ShowErrDetail(kGetSysDefFailed, detailOf(e), ui::MsgKind::Error);
    }
    return false;
}

// The bit-set columns are shared with other programs: the bits this program knows are set from the
// flags, every other bit keeps what the row holds at the time of writing.
bool TDM::fnPutSysDef() {
    try {
        {
            OwnTransaction own(IBTransactionDEF);
            fb::Query& q = IBQSysDefPut;
            q.setSql(QStringLiteral("SELECT RESERVE2,RESERVE4 FROM SYSDEF WHERE OPCODE=:OPCODE"));
            q.setInt("OPCODE", SystemDef.OPCODE);
            q.open();
            if (!q.eof()) {
                SystemDef.Reserve2 = q.field("RESERVE2").asInt();
                SystemDef.Reserve4 = q.field("RESERVE4").asInt();
            }
            q.close();
            SystemDef.PackReserveFlags();

            QStringList items;
            for (const Column& c : kColumns) {
                const QString name = QString::fromLatin1(c.name);
                items << name + QStringLiteral("=:") + name;
            }
            q.setSql(QStringList{QStringLiteral("UPDATE SYSDEF SET"), items.join(u','),
                                 QStringLiteral("WHERE OPCODE=:OPCODE")});
            for (const Column& c : kColumns) {
                if (c.number)
                    q.setInt(QLatin1StringView(c.name), SystemDef.*c.number);
                else
                    q.setString(QLatin1StringView(c.name), SystemDef.*c.text);
            }
            q.setInt("OPCODE", SystemDef.OPCODE);
            q.execute();
            own.commit();
        }
        const bool org = TavrinoEdition != 0;
        for (const RegKey& k : regKeys()) {
            if (k.write == WriteBack::Yes || (k.write == WriteBack::OrgOnly && org))
                PutSysReg(QString::fromUtf8(k.name), isTextKey(k) ? typeword::Text : typeword::Integer,
                          fieldValue(k));
        }
        return true;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.fnPutSysDef"), kPutSysDefFailed);
    } catch (const std::exception& e) {
        ShowErrDetail(kPutSysDefFailed, detailOf(e), ui::MsgKind::Error);
    }
    return false;
}

// ---- SYSTEMINI
// ---------------------------------------------------------------------------------------------

namespace {

// Runs one SYSTEMINI operation in the system transaction. A caller's transaction gets the error back
// unreported; an own one is rolled back after the report and the answer is false.
template <typename Work>
bool systemIniCall(TDM& dm, const QString& context, const QString& message, Work work) {
    const bool callerTransaction = dm.IBTransactionDEF.isActive();
    std::optional<OwnTransaction> own;
    try {
        own.emplace(dm.IBTransactionDEF);
        work();
        own->commit();
        return true;
    } catch (const std::exception& e) {
        if (callerTransaction)
            throw;
        try {
            if (own)
                own->rollback();
        } catch (const fb::Error&) {
        }
        if (const auto* fbError = dynamic_cast<const fb::Error*>(&e))
            ErrFbAccess(*fbError, context, message);
        else
            ShowErrDetail(message, detailOf(e), ui::MsgKind::Error);
        return false;
    }
}

} // namespace

bool TDM::GetSysIni(TSystemIniRec& record) {
    record.RESERVE1 = record.RESERVE2 = record.RESERVE3 = record.RESERVE4 = record.RESERVE5 = 0;
    record.SSTR.clear();
    return systemIniCall(*this, QStringLiteral("TDM.GetSysIni"), kGetSysDefFailed, [&] {
        fb::Query& q = IBQSysDefGet;
        q.setSql(QStringList{
            QStringLiteral("SELECT RESERVE1,RESERVE2,RESERVE3,RESERVE4,RESERVE5,SSTR FROM SYSTEMINI"),
            QStringLiteral("WHERE REC=:REC")});
        q.setInt("REC", record.REC);
        q.open();
        int rows = 0;
        TSystemIniRec found = record;
        for (; !q.eof(); q.next()) {
            ++rows;
            found.RESERVE1 = q.field("RESERVE1").asInt();
            found.RESERVE2 = q.field("RESERVE2").asInt();
            found.RESERVE3 = q.field("RESERVE3").asInt();
            found.RESERVE4 = q.field("RESERVE4").asInt();
            found.RESERVE5 = q.field("RESERVE5").asInt();
            found.SSTR = q.field("SSTR").asString();
        }
        q.close();
        if (rows == 1)
            record = found;
    });
}

bool TDM::SetSysIni(const TSystemIniRec& record) {
    return systemIniCall(*this, QStringLiteral("TDM.SetSysIni"), kPutSysDefFailed, [&] {
        fb::Query& q = IBQSysDefPut;
        q.setSql(QStringList{QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM SYSTEMINI"),
                             QStringLiteral("WHERE REC=:REC")});
        q.setInt("REC", record.REC);
        const int count = q.openInt("RECCNT");
        if (count != 0)
            q.setSql(QStringList{
                QStringLiteral("UPDATE SYSTEMINI SET RESERVE1=:RESERVE1,RESERVE2=:RESERVE2,"
                               "RESERVE3=:RESERVE3,RESERVE4=:RESERVE4,RESERVE5=:RESERVE5,SSTR=:SSTR"),
                QStringLiteral("WHERE REC=:REC")});
        else
            q.setSql(QStringList{
                QStringLiteral(
                    "INSERT INTO SYSTEMINI(REC,RESERVE1,RESERVE2,RESERVE3,RESERVE4,RESERVE5,SSTR)"),
                QStringLiteral("VALUES(:REC,:RESERVE1,:RESERVE2,:RESERVE3,:RESERVE4,:RESERVE5,:SSTR)")});
        q.setInt("REC", record.REC);
        q.setInt("RESERVE1", record.RESERVE1);
        q.setInt("RESERVE2", record.RESERVE2);
        q.setInt("RESERVE3", record.RESERVE3);
        q.setInt("RESERVE4", record.RESERVE4);
        q.setInt("RESERVE5", record.RESERVE5);
        q.setString("SSTR", record.SSTR);
        q.execute();
    });
}

// ---- STYLECOLOR texts and the system database version ---------------------------------------------------

// ---- STYLECOLOR rows -----------------------------------------------------------------------------

namespace {
const QString kStyleWhere = QStringLiteral("WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
}

void ReadStyleColorRow(fb::Query& q, qint32 key, const QString& styleName, QString& text) {
    q.setSql(QStringList{QStringLiteral("SELECT SSTR FROM STYLECOLOR"), kStyleWhere});
    q.setInt("OPCODE", key);
    q.setString("STYLENAME", styleName);
    for (q.open(); !q.eof(); q.next())
        text = q.field("SSTR").asString();
    q.close();
}

void WriteStyleColorRow(fb::Query& q, qint32 key, const QString& styleName, const QString& text) {
    q.setSql(QStringList{QStringLiteral("SELECT COUNT(OPCODE) AS RECCNT FROM STYLECOLOR"), kStyleWhere});
    q.setInt("OPCODE", key);
    q.setString("STYLENAME", styleName);
    const int count = q.openInt("RECCNT");
    if (count > 0)
        q.setSql(QStringList{
            QStringLiteral("UPDATE STYLECOLOR SET OPCODE=:OPCODE,STYLENAME=:STYLENAME,LINECOLOR1=:LINECOLOR1,"
                           "LINECOLOR2=:LINECOLOR2,LINECOLOR3=:LINECOLOR3,LINECOLOR4=:LINECOLOR4,"
                           "LINECOLOR5=:LINECOLOR5,NETCOLOR1=:NETCOLOR1,NETCOLOR2=:NETCOLOR2,SSTR=:SSTR"),
            kStyleWhere});
    else
        q.setSql(QStringList{
            QStringLiteral("INSERT INTO STYLECOLOR(OPCODE,STYLENAME,LINECOLOR1,LINECOLOR2,LINECOLOR3,"
                           "LINECOLOR4,LINECOLOR5,NETCOLOR1,NETCOLOR2,SSTR)"),
            QStringLiteral("VALUES(:OPCODE,:STYLENAME,:LINECOLOR1,:LINECOLOR2,:LINECOLOR3,:LINECOLOR4,"
                           ":LINECOLOR5,:NETCOLOR1,:NETCOLOR2,:SSTR)")});
    q.setInt("OPCODE", key);
    q.setString("STYLENAME", styleName);
    for (const char* colour :
         {"LINECOLOR1", "LINECOLOR2", "LINECOLOR3", "LINECOLOR4", "LINECOLOR5", "NETCOLOR1", "NETCOLOR2"})
        q.setInt(QLatin1StringView(colour), -1);
    q.setString("SSTR", text);
    q.execute();
}

void TDM::GetStyleColorText(qint32 key, const QString& styleName, QString& text) {
    text.clear();
    try {
        OwnTransaction own(IBTransactionDEF);
        ReadStyleColorRow(IBSQLDEF, key, styleName, text);
        own.commit();
    } catch (const std::exception&) {
        // A missing style reads as empty; the guard has rolled back an own transaction.
    }
}

void TDM::PutStyleColorText(qint32 key, const QString& styleName, const QString& text) {
    try {
        OwnTransaction own(IBTransactionDEF);
        WriteStyleColorRow(IBSQLDEF, key, styleName, text);
        own.commit();
    } catch (const std::exception&) {
        // The style text is a convenience; a failed write is dropped after the guard's rollback.
    }
}

void TDM::GetSystemDbVersion() {
    std::optional<OwnTransaction> own;
    try {
        own.emplace(IBTransactionDEF);
        SystemDef.SysDbMAJOR = SystemDef.SysDbMINOR1 = SystemDef.SysDbMINOR2 = 0;
        fb::Query& q = IBSQLDEF;
        q.setSql(QStringList{QStringLiteral("SELECT MAJOR,MINOR1,MINOR2 FROM VERSION"),
                             QStringLiteral("ORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC")});
        q.open();
        if (!q.eof()) {
            SystemDef.SysDbMAJOR = q.field("MAJOR").asInt();
            SystemDef.SysDbMINOR1 = q.field("MINOR1").asInt();
            SystemDef.SysDbMINOR2 = q.field("MINOR2").asInt();
        }
        q.close();
        own->commit();
    } catch (const std::exception&) {
        SystemDef.SysDbMAJOR = SystemDef.SysDbMINOR1 = SystemDef.SysDbMINOR2 = 0;
        try {
            if (own)
                own->commit();
        } catch (const fb::Error&) {
        }
    }
}

// Accounting database steps 0.1.1 to 0.1.5: fixed assets, the current-account reconciliation, the audit
// items, the cash-flow statement master, the dictionary references and the blue-return tables.

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "dbupdate/z5DbUpdateSteps.h"

namespace {

QString sqlText(const char* text) {
    return text ? SqlQuote(QString::fromUtf8(text)) : QStringLiteral("NULL");
}

// ---- 0.1.1: the initial journal settings of the fixed-asset accounts

struct TInitClass {
    int kgroup;
    std::vector<int> accounts;
    // GSTAISYOU, GSKEIJYO, GSKAHI, GSHOUHOU, SETSWK of an account's own row and of the class's default row
    int own[5];
    int dflt[5];
    // RUIKEIKCODE, SYOKYAKU1_KCODE, SYOKYAKU2_KCODE, JIGYOUNUSI_KCODE (both rows)
    const char* codes[4];
    bool saleAccounts; // the loss-on-sale, loss-on-disposal and gain-on-sale accounts are set
};

std::vector<int> codeRange(int first, int last, std::initializer_list<int> more = {}) {
    std::vector<int> codes;
    for (int c = first; c <= last; ++c)
        codes.push_back(c);
    codes.insert(codes.end(), more);
    return codes;
}

} // namespace

void FixedAssetTemplateRows(int accGroup, QStringList& lines) {
    const TInitClass classes[] = {
        {0, codeRange(1401, 1412, {1416}), {0, 1, 0, 1, 1}, {0, 1, 0, 1, 1}, {"1416", "6204", "5606", "1608"}, true},
        {1, codeRange(1501, 1506), {1, 0, 0, 3, 0}, {0, 0, 1, 3, 0}, {nullptr, nullptr, nullptr, nullptr}, false},
        {2, codeRange(1601, 1608, {1620}), {2, 0, 0, 3, 0}, {0, 0, 2, 3, 0}, {nullptr, nullptr, nullptr, nullptr},
         false},
        {3, codeRange(1701, 1703), {3, 0, 0, 1, 1}, {0, 0, 3, 1, 1}, {nullptr, "6204", "5606", "1608"}, true},
    };
    // BAISONKCODE, JYOSONKCODE, BAIEKIKCODE by accounting group
    static const char* const sale[2][3] = {{"8201", "8202", "8101"}, {"1608", "1608", "2205"}};
    for (const TInitClass& c : classes) {
        std::vector<std::pair<QString, const int*>> rows;
        for (int account : c.accounts)
            rows.emplace_back(SqlQuote(QString::number(account)), c.own);
        rows.emplace_back(QStringLiteral("NULL"), c.dflt);
        for (const auto& [kcode, v] : rows) {
            const char* const* s = sale[accGroup - 1];
            lines << QStringLiteral("INSERT INTO KS_SETSWK_INIT VALUES (0, %1, %2, %3, 1, '購入', %4, %5, %6, %7, 0, "
                                    "%8, %9, %10, %11, %12, '償却', %13, '売却', %14, '除却', %15, '売却');")
                         .arg(accGroup)
                         .arg(c.kgroup)
                         .arg(kcode)
                         .arg(v[0])
                         .arg(v[1])
                         .arg(v[2])
                         .arg(v[3])
                         .arg(v[4])
                         .arg(sqlText(c.codes[0]), sqlText(c.codes[1]), sqlText(c.codes[2]),
                              sqlText(c.codes[3]), sqlText(c.saleAccounts ? s[0] : nullptr),
                              sqlText(c.saleAccounts ? s[1] : nullptr), sqlText(c.saleAccounts ? s[2] : nullptr));
        }
    }
}

namespace {

// The settings columns of ACCDEF1 that the framework reads when they exist.
void accdef1Columns(QStringList& lines) {
    if (!ProbeAccField(QStringLiteral("ACCDEF1"), QStringLiteral("SDAI_HASUU3")))
        lines << QStringLiteral("ALTER TABLE ACCDEF1") << QStringLiteral("ADD SDAI_HASUU3 INTEGER DEFAULT 0;")
              << QStringLiteral("UPDATE ACCDEF1 SET SDAI_HASUU3=0 WHERE REC=1;") << QStringLiteral("COMMIT;");
}

void accdef1PeriodColumns(QStringList& lines) {
    if (!ProbeAccField(QStringLiteral("ACCDEF1"), QStringLiteral("KESSAN_KIKAN")))
        lines << QStringLiteral("ALTER TABLE ACCDEF1") << QStringLiteral("ADD KESSAN_KIKAN INTEGER DEFAULT -1,")
              << QStringLiteral("ADD CASHFLOW_KIKAN1 INTEGER DEFAULT -1,")
              << QStringLiteral("ADD CASHFLOW_KIKAN2 INTEGER DEFAULT -1;")
              << QStringLiteral(
                     "UPDATE ACCDEF1 SET KESSAN_KIKAN=-1,CASHFLOW_KIKAN1=-1,CASHFLOW_KIKAN2=-1 WHERE REC=1;")
              << QStringLiteral("COMMIT;");
}

// ---- 0.1.2: the two list procedures of the reconciliation statement share one text

QStringList reconciliationList(bool up) {
    QString text = StepSqlLines(QStringLiteral("acc012_list.sql")).join(u'\n');
    const QString dir = up ? QStringLiteral(" DESC") : QString();
    text.replace(QStringLiteral("@NAME@"),
                 up ? QStringLiteral("SP_TOUZACHOSEIHYO_LISTUP") : QStringLiteral("SP_TOUZACHOSEIHYO_LISTDOWN"));
    text.replace(QStringLiteral("@KEYDATE@"), up ? QStringLiteral("PEHIZUKE") : QStringLiteral("PSHIZUKE"));
    text.replace(QStringLiteral("@ORDER@"), QStringLiteral("HIZUKE%1, KESSAN%1, SDAYNUM%1, SWKNO%1, TAISHAKU%1").arg(dir));
    text.replace(
        QStringLiteral("@QUALIFY@"),
        up ? QStringLiteral("V_KEYB < V_KEYA OR (V_KEYB = V_KEYA AND (HIZUKE < PEHIZUKE OR PSWKNO = 0 OR SWKNO "
                            "< PSWKNO OR (SWKNO = PSWKNO AND TAISHAKU <= PTAISHAKU)))")
           : QStringLiteral("(V_KEYB > V_KEYA AND MNUM <= PMNUM) OR (V_KEYB = V_KEYA AND (HIZUKE > PSHIZUKE OR "
                            "PSWKNO = 0 OR SWKNO > PSWKNO OR (SWKNO = PSWKNO AND TAISHAKU >= PTAISHAKU)))"));
    return QStringList{QStringLiteral("SET TERM ^ ;")} << text.split(u'\n') << QStringLiteral("SET TERM ; ^");
}

} // namespace

bool ProbeAccField(const QString& table, const QString& field) {
    if (!DM)
        return false;
    bool exists = false;
    if (DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 0))
        exists = DM->fnExistence_Field(table, field);
    DM->fnAccDatDisConnected(SystemDef.DataDir, 0, 0);
    return exists;
}

TStepContent z5UserDbUpdate011::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << StepSqlLines(QStringLiteral("acc011_drop.sql")) << StepSqlLines(QStringLiteral("acc011_tables.sql"))
              << StepSqlLines(QStringLiteral("acc011_procs.sql")) << StepSqlLines(QStringLiteral("acc011_triggers.sql"));
        FixedAssetTemplateRows(1, lines);
        lines << QStringLiteral("COMMIT;");
        FixedAssetTemplateRows(2, lines);
        lines << QStringLiteral("COMMIT;");
        lines << StepSqlLines(QStringLiteral("acc011_after.sql"))
              << StepSqlLines(QStringLiteral("acc011_SP_MB_SELECT_SYUGYOU.sql"))
              << StepSqlLines(QStringLiteral("acc011_version.sql"));
        accdef1Columns(lines);
        accdef1PeriodColumns(lines);
    };
    return c;
}

TStepContent z5UserDbUpdate012::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << reconciliationList(true) << reconciliationList(false) << QStringLiteral("SET TERM ^ ;")
              << StepSqlLines(QStringLiteral("acc012_zenzan.sql")) << QStringLiteral("SET TERM ; ^");
    };
    return c;
}

TStepContent z5UserDbUpdate013::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << StepSqlLines(QStringLiteral("acc013.sql"));
        accdef1Columns(lines);
        accdef1PeriodColumns(lines);
    };
    return c;
}

TStepContent z5UserDbUpdate014::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        CashFlowMasterStatements(lines);
        accdef1PeriodColumns(lines);
    };
    return c;
}

TStepContent z5UserDbUpdate015::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << StepSqlLines(QStringLiteral("acc015_keys.sql"))
              << StepSqlLines(QStringLiteral("acc015_triggers.sql"));
        if (!ProbeAccField(QStringLiteral("KESSAN"), QStringLiteral("CHUKI_TITLEPRINT")))
            lines << QStringLiteral("/* KESSANテーブルへ注記表タイトル印字区分を追加 */")
                  << QStringLiteral("ALTER TABLE KESSAN") << QStringLiteral("ADD CHUKI_TITLEPRINT INTEGER DEFAULT 0;")
                  << QStringLiteral("UPDATE KESSAN SET CHUKI_TITLEPRINT=0 WHERE REC=1;") << QStringLiteral("COMMIT;");
        lines << StepSqlLines(QStringLiteral("acc015_aotables.sql"));
    };
    return c;
}

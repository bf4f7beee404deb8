// Accounting database steps 0.4.1 to 2.0.4: the audit items, the opening-slot trigger, the prior-year
// balance repair, the journal, monitor and ledger lists, the journal maintenance procedures, the
// total-item names, the budget/actual thresholds and the release 10 data format, the communication ID
// and the real-estate fixed-asset templates.

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QDebug>

namespace {

QStringList terminated(const QStringList& body) {
    return QStringList{QStringLiteral("SET TERM ^ ;")} << body << QStringLiteral("SET TERM ; ^");
}

QStringList procedureFiles(std::initializer_list<const char*> names) {
    QStringList lines;
    for (const char* name : names)
        lines << StepSqlLines(QStringLiteral("procedures/%1.sql").arg(QLatin1String(name)));
    return lines;
}

// ---- The list procedures: one frame, filled per procedure

struct TListForm {
    const char* name;
    const char* params;
    const char* prepare;
    const char* where;
    const char* order;
    const char* qualify;
    int nameWidth, textWidth, partnerWidth;
    bool reserves = true; // RESERVE1 and RESERVE2 read from the view; otherwise null
};

const char* const kMonitorParams =
    "PSCODE VARCHAR(6) CHARACTER SET ASCII, PSWKREC INTEGER, PSWKNO INTEGER, PDELFLG1 INTEGER, "
    "PDELFLG2 INTEGER, PDELFLG3 INTEGER, POFFSET INTEGER, PLIMIT INTEGER";
const char* const kJournalParams =
    "PSCODE VARCHAR(6) CHARACTER SET ASCII, PKESSAN INTEGER, PSHIZUKE DATE, PEHIZUKE DATE, PSWKNO INTEGER, "
    "PDELFLG INTEGER, POFFSET INTEGER, PLIMIT INTEGER";
const char* const kLedgerParams =
    "PPROCTYPE INTEGER, PSCODE VARCHAR(6) CHARACTER SET ASCII, PKCODE VARCHAR(6) CHARACTER SET ASCII, "
    "PHCODE VARCHAR(6) CHARACTER SET ASCII, PBCODE VARCHAR(6) CHARACTER SET ASCII, PKESSAN INTEGER, "
    "PSHIZUKE DATE, PEHIZUKE DATE, PSWKNO INTEGER, PTAISHAKU INTEGER, PDELFLG INTEGER, POFFSET INTEGER, "
    "PLIMIT INTEGER";

const char* const kNewestInput =
    "    IF (PSWKREC = 0) THEN\n"
    "        SELECT MAX(SWKREC), MAX(SWKNO) FROM SIWAKE WHERE SCODE = :PSCODE INTO :PSWKREC, :PSWKNO;";
const char* const kMonitorDel = " AND (:PDELFLG1 = -1 OR DELFLG IN (:PDELFLG1, :PDELFLG2, :PDELFLG3))";
const char* const kStartRepair = "    IF (PEHIZUKE < PSHIZUKE) THEN\n"
                                 "        SELECT KISHU FROM ACCDEF1 WHERE REC = 1 INTO :PSHIZUKE;";
// '' stands for every facility, sub-account or department. It is told apart by its length: compared
// with =, ' ' (the head office, no sub-account, no department) equals '' too.
const char* const kLedgerWhere =
    "HIZUKE BETWEEN :PSHIZUKE AND :PEHIZUKE AND DELFLG = :PDELFLG AND (CHAR_LENGTH(:PSCODE) = 0 OR SCODE = :PSCODE) "
    "AND (CHAR_LENGTH(:PHCODE) = 0 OR HCODE = :PHCODE) AND (CHAR_LENGTH(:PBCODE) = 0 OR BCODE = :PBCODE) "
    "AND (KCODE = :PKCODE OR (:PPROCTYPE IN (1, 2) AND TAXUH = :PPROCTYPE AND ZEI > 0))";

QStringList listProcedure(const TListForm& f) {
    QStringList out;
    const QString where = QString::fromUtf8(f.where);
    for (QString line : StepSqlLines(QStringLiteral("acc_list.sql"))) {
        line.replace(QStringLiteral("@NAME@"), QLatin1String(f.name))
            .replace(QStringLiteral("@PARAMS@"), QLatin1String(f.params))
            .replace(QStringLiteral("@WHERE@"), where)
            .replace(QStringLiteral("@ORDER@"), QLatin1String(f.order))
            .replace(QStringLiteral("@QUALIFY@"), QLatin1String(f.qualify))
            .replace(QStringLiteral("@N@"), QString::number(f.nameWidth))
            .replace(QStringLiteral("@T@"), QString::number(f.textWidth))
            .replace(QStringLiteral("@P@"), QString::number(f.partnerWidth))
            .replace(QStringLiteral("@RESERVE1@"), f.reserves ? QStringLiteral("RESERVE1") : QStringLiteral("CAST(NULL AS INTEGER)"))
            .replace(QStringLiteral("@RESERVE2@"), f.reserves ? QStringLiteral("RESERVE2") : QStringLiteral("CAST(NULL AS INTEGER)"));
        if (line == QStringLiteral("@PREPARE@")) {
            if (*f.prepare)
                out << QString::fromUtf8(f.prepare).split(u'\n');
            continue;
        }
        out << line;
    }
    return out;
}

// The monitor lists by input sequence: release 1.0.3 compares the journal number, 2.0.0 and later the
// input sequence; 2.0.0 orders by entry number, 2.0.4 by input sequence.
enum class TMonitorForm { V103, V200, V204 };

QStringList monitorUpDown(TMonitorForm form) {
    const bool v103 = form == TMonitorForm::V103;
    const int n = v103 ? 56 : 112, t = v103 ? 200 : 400, p = v103 ? 80 : 160;
    const QByteArray col = v103 ? "SWKNO" : "SITREC";
    const QByteArray upOrder = form == TMonitorForm::V200 ? "SWKREC DESC" : "SITREC DESC, REC DESC";
    const QByteArray downOrder = form == TMonitorForm::V200 ? "SWKREC" : "SITREC, REC";
    const QByteArray upWhere = "SCODE = :PSCODE AND TAISHAKU = 1 AND " + col + " <= :PSWKNO" + kMonitorDel;
    const QByteArray downWhere = "SCODE = :PSCODE AND TAISHAKU = 1 AND " + col + " >= :PSWKNO" + kMonitorDel;
    const QByteArray upQ = "PSWKREC = 0 OR (" + col + " = PSWKNO AND SWKREC <= PSWKREC) OR " + col + " < PSWKNO";
    const QByteArray downQ = "PSWKREC = 0 OR (" + col + " = PSWKNO AND SWKREC >= PSWKREC) OR " + col + " > PSWKNO";
    return listProcedure({"SP_MONITOR_LISTUP", kMonitorParams, kNewestInput, upWhere.constData(), upOrder.constData(),
                          upQ.constData(), n, t, p}) +
           listProcedure({"SP_MONITOR_LISTDOWN", kMonitorParams, "", downWhere.constData(), downOrder.constData(),
                          downQ.constData(), n, t, p});
}

QStringList monitorEntryOrder() {
    const QByteArray up = QByteArray("SCODE = :PSCODE AND TAISHAKU = 1 AND SWKREC <= :PSWKREC") + kMonitorDel;
    const QByteArray down = QByteArray("SCODE = :PSCODE AND TAISHAKU = 1 AND SWKREC >= :PSWKREC") + kMonitorDel;
    return listProcedure({"SP_MONITOR_LISTUP_ENTRYORDER", kMonitorParams, kNewestInput, up.constData(),
                          "SWKREC DESC", "1 = 1", 112, 400, 160}) +
           listProcedure({"SP_MONITOR_LISTDOWN_ENTRYORDER", kMonitorParams, "", down.constData(), "SWKREC", "1 = 1",
                          112, 400, 160});
}

QStringList journalBook() {
    const char* base = "SCODE = :PSCODE AND TAISHAKU = 1 AND HIZUKE BETWEEN :PSHIZUKE AND :PEHIZUKE";
    const QByteArray updown = QByteArray(base) + " AND (:PDELFLG = -1 OR DELFLG = :PDELFLG)";
    const QByteArray in = QByteArray(base) + " AND DELFLG = :PDELFLG AND (:PKESSAN = -1 OR KESSAN = :PKESSAN)";
    const QByteArray upPrepare = QByteArray(kStartRepair) +
                                 "\n    V_KEYA = PEHIZUKE;\n    IF (PKESSAN = 1) THEN\n        V_KEYA = V_KEYA + 1;";
    const char* downPrepare = "    IF (PEHIZUKE < PSHIZUKE) THEN\n"
                              "        SELECT KIMATU FROM ACCDEF1 WHERE REC = 1 INTO :PEHIZUKE;\n"
                              "    V_KEYA = PSHIZUKE;\n    IF (PKESSAN = 1) THEN\n        V_KEYA = V_KEYA + 1;";
    return listProcedure({"SP_SIWAKE_LISTUP", kJournalParams, upPrepare.constData(), updown.constData(),
                          "HIZUKE DESC, KESSAN DESC, SDAYNUM DESC, SWKNO DESC",
                          "V_KEYB < V_KEYA OR (V_KEYB = V_KEYA AND (HIZUKE < PEHIZUKE OR SWKNO <= PSWKNO OR "
                          "PSWKNO = 0))",
                          28, 100, 40}) +
           listProcedure({"SP_SIWAKE_LISTDOWN", kJournalParams, downPrepare, updown.constData(),
                          "HIZUKE, KESSAN, SDAYNUM, SWKNO",
                          "V_KEYB > V_KEYA OR (V_KEYB = V_KEYA AND (HIZUKE > PSHIZUKE OR SWKNO >= PSWKNO OR "
                          "PSWKNO = 0))",
                          28, 100, 40}) +
           listProcedure({"SP_SIWAKE_LISTIN", kJournalParams, kStartRepair, in.constData(), "SWKNO DESC",
                          "HIZUKE < PEHIZUKE OR (HIZUKE = PEHIZUKE AND (SWKNO <= PSWKNO OR PSWKNO = 0))", 28, 100,
                          40});
}

QStringList ledger() {
    const QByteArray prepare = QByteArray("    IF (PPROCTYPE IS NULL OR PPROCTYPE NOT IN (0, 1, 2)) THEN\n        EXIT;\n") +
                               kStartRepair;
    const QByteArray upPrepare = prepare + "\n    V_KEYA = PEHIZUKE;\n    IF (PKESSAN = 1) THEN\n        V_KEYA = V_KEYA + 1;";
    const QByteArray downPrepare = prepare + "\n    V_KEYA = PSHIZUKE;\n    IF (PKESSAN = 1) THEN\n        V_KEYA = V_KEYA + 1;";
    const QByteArray in = QByteArray(kLedgerWhere) + " AND (:PKESSAN = -1 OR KESSAN = :PKESSAN)";
    TListForm up{"SP_MOTOCHO_LISTUP", kLedgerParams, upPrepare.constData(), kLedgerWhere,
                 "HIZUKE DESC, KESSAN DESC, SDAYNUM DESC, SWKNO DESC, TAISHAKU DESC",
                 "V_KEYB < V_KEYA OR (V_KEYB = V_KEYA AND (HIZUKE < PEHIZUKE OR PSWKNO = 0 OR SWKNO < PSWKNO OR "
                 "(SWKNO = PSWKNO AND TAISHAKU <= PTAISHAKU)))",
                 112, 400, 160, false};
    TListForm down{"SP_MOTOCHO_LISTDOWN", kLedgerParams, downPrepare.constData(), kLedgerWhere,
                   "HIZUKE, KESSAN, SDAYNUM, SWKNO, TAISHAKU",
                   "V_KEYB > V_KEYA OR (V_KEYB = V_KEYA AND (HIZUKE > PSHIZUKE OR PSWKNO = 0 OR SWKNO > PSWKNO OR "
                   "(SWKNO = PSWKNO AND TAISHAKU >= PTAISHAKU)))",
                   112, 400, 160, false};
    TListForm list{"SP_MOTOCHO_LISTIN", kLedgerParams, prepare.constData(), in.constData(), "SWKNO DESC",
                   "HIZUKE < PEHIZUKE OR (HIZUKE = PEHIZUKE AND (SWKNO <= PSWKNO OR PSWKNO = 0))", 112, 400, 160,
                   false};
    return listProcedure(up) + listProcedure(down) + listProcedure(list);
}

// ---- Seed rows

void auditItems(int dataType, QStringList& lines) {
    const bool corporate = dataType == 1;
    struct Item {
        const char16_t* text;
        const char16_t* note;
        int choubo, kensaku;
        const char* motCorporate;
        const char* motOther;
        const char* toz;
    };
    static const Item items[] = {
        {u"監査済み仕訳の修正チェック", u"前回監査から今回監査までの間に訂正・追加・削除した監査済み仕訳を確認しました。", 1, 1, nullptr, nullptr, nullptr},
        {u"現・預金の残高確認", u"現金及び預金の残高を確認しました。", 0, 0, nullptr, nullptr, nullptr},
        {u"当座残高調整表の作成", u"当座残高調整表を作成し、残高照合表と元帳の差額を確認しました。", 3, 0, nullptr, nullptr, "1102"},
        {u"売掛残の確認", u"売掛金の残高を確認しました。", 0, 0, nullptr, nullptr, nullptr},
        {u"買掛残の確認", u"買掛金の残高を確認しました。", 0, 0, nullptr, nullptr, nullptr},
        {u"受取手形の確認", u"受取手形の残高を確認しました。", 0, 0, nullptr, nullptr, nullptr},
        {u"支払手形の確認", u"支払手形の残高を確認しました。", 0, 0, nullptr, nullptr, nullptr},
        {u"経過勘定の確認", u"仮払金、未払金等経過勘定の明細を確認しました。", 2, 0, "1306", "2104", nullptr},
        {u"不明勘定の確認", u"帳簿入力で相手科目の指定がなかった仕訳を確認し、正しい科目を割り当てました。", 2, 0, "1101", "1101", nullptr},
        {u"資本的支出の確認", u"修繕費の中に資本的支出（維持管理・原状回復費用）が含まれているかどうかを確認しました。", 2, 0, "6206", "6109", nullptr},
        {u"高額経費の確認", u"経費処理した取引の中に資産計上すべき取引がなかったかを確認しました。", 1, 1, nullptr, nullptr, nullptr},
        {u"消費税区分の確認", u"商品券の購入を課税取引とするなど、消費税の取り扱いに誤りがないか確認しました。", 2, 0, "6212", "6107", nullptr},
    };
    const auto code = [](const char* c) { return c ? SqlQuote(QLatin1String(c)) : QStringLiteral("NULL"); };
    lines << QStringLiteral("DELETE FROM KANSA_ITEM;");
    int rec = 0;
    for (const Item& i : items) {
        ++rec;
        lines << QStringLiteral("INSERT INTO KANSA_ITEM VALUES (%1,%1,%2,%3,0,0,%4,%5,NULL,NULL,%6,NULL,NULL,%7,NULL,NULL);")
                     .arg(rec)
                     .arg(SqlQuote(QString::fromUtf16(i.text)), SqlQuote(QString::fromUtf16(i.note)))
                     .arg(i.choubo)
                     .arg(i.kensaku)
                     .arg(code(corporate ? i.motCorporate : i.motOther), code(i.toz));
    }
    lines << QStringLiteral("COMMIT;");
}

void comparisonGroups(QStringList& lines) {
    struct Row {
        std::initializer_list<int> recs;
        const char* a1;
        const char* a2;
        const char* b1;
        const char* b2;
    };
    static const Row rows[] = {{{1}, "4100", "5820", "", ""},
                               {{13, 14, 15, 16, 22, 23, 25}, "4100", "4110", "", ""},
                               {{26}, "", "", "", ""},
                               {{28, 29}, "5100", "5300", "5510", "5530"},
                               {{31}, "", "", "", ""},
                               {{35}, "1400", "1410", "", ""}};
    for (const Row& r : rows)
        for (int rec : r.recs)
            lines << QStringLiteral("UPDATE SOLVARNE_HIKAKU SET GROUPA1='%1',GROUPA2='%2',GROUPB1='%3',GROUPB2='%4' "
                                    "WHERE REC=%5;")
                         .arg(QLatin1String(r.a1), QLatin1String(r.a2), QLatin1String(r.b1), QLatin1String(r.b2))
                         .arg(rec);
    lines << QStringLiteral("COMMIT;");
}

// The total-item names of the dataset's kind: corporate, general or real-estate individual data; none
// for any other kind.
void totalNames(int dataType, int codeType, QStringList& lines) {
    QString file;
    if (dataType == 1)
        file = QStringLiteral("acc105_totalname_1.sql");
    else if (dataType == 2 && codeType == 1)
        file = QStringLiteral("acc105_totalname_2.sql");
    else if (dataType == 2 && codeType == 2)
        file = QStringLiteral("acc105_totalname_3.sql");
    if (!file.isEmpty())
        lines << StepSqlLines(file);
}

// ---- 1.0.2: the prior-year balances of the opening slot, rewritten from the opening balances

} // namespace

int OpeningSlot(int kaisino) {
    return kaisino >= 1 && kaisino <= 12 ? (kaisino - 1) + (kaisino - 1) / 3 : -1;
}

void WriteOpeningBalancesToSlot(fb::Transaction& transaction, int slot, bool clearTax,
                                const std::function<bool(const QString& kcode, const QString& bpflg)>& take) {
    fb::Query read(transaction, QStringLiteral("SELECT SZ.SCODE, SZ.KCODE, SZ.HCODE, SZ.BCODE, SZ.KAISIZAN, K.BPFLG "
                                               "FROM KAMOKU_SZ SZ INNER JOIN KAMOKUMST K ON (SZ.KCODE=K.KCODE) "
                                               "ORDER BY K.GROUPM0, SZ.SCODE, SZ.KCODE, SZ.HCODE, SZ.BCODE"));
    fb::Query write(transaction, QStringLiteral("UPDATE KAMOKU_PZ SET NUKIZAN=:NUKIZAN%1 WHERE SCODE=:SCODE AND "
                                                "KCODE=:KCODE AND HCODE=:HCODE AND BCODE=:BCODE AND MNUM=:MNUM")
                                     .arg(clearTax ? QStringLiteral(", ZEIGAKU=0") : QString()));
    for (read.open(); !read.eof(); read.next()) {
        const QString kcode = read.field("KCODE").asString();
        if (!take(kcode, read.field("BPFLG").asString()))
            continue;
        write.setString("SCODE", read.field("SCODE").asString());
        write.setString("KCODE", kcode);
        write.setString("HCODE", read.field("HCODE").asString());
        write.setString("BCODE", read.field("BCODE").asString());
        write.setScaled("NUKIZAN", read.field("KAISIZAN").asScaled(4), 4);
        write.setInt("MNUM", slot);
        write.execute();
    }
    read.close();
}

// The prior-year balance repair of step 1.0.2 on the dataset's open transaction: all or nothing. A start
// month without an opening slot writes nothing and is logged. Returns false after a rollback and the
// error box.
bool RepairPriorYearBalances(fb::Transaction& transaction) {
    if (!transaction.isActive())
        transaction.start();
    try {
        fb::Query read(transaction);
        read.setSql(QStringLiteral("SELECT DATATYPE, KISHU, KAISI, KAISINO FROM ACCDEF1 WHERE REC = 1"));
        read.open();
        const int dataType = read.field("DATATYPE").asInt();
        const bool fromYearStart = read.field("KISHU").asDayCount() == read.field("KAISI").asDayCount();
        const int kaisino = read.field("KAISINO").asInt();
        read.close();

        QStringList owners;
        if (dataType == 2 && fromYearStart) {
            for (const char16_t* name : {u"事業主貸", u"事業主借", u"元入金"}) {
                read.setSql(QStringLiteral("SELECT KCODE FROM ACCDEF2 WHERE KNAME=:KNAME "));
                read.setString("KNAME", QString::fromUtf16(name));
                read.open();
                if (!read.eof())
                    owners << read.field("KCODE").asString();
                read.close();
            }
        }
        const int slot = fromYearStart ? 0 : OpeningSlot(kaisino);
        if (slot < 0)
            qWarning().noquote() << QStringLiteral("開始月 %1 に期首の区分がないため、過年度残高を書き換えませんでした。")
                                        .arg(kaisino);
        else
            WriteOpeningBalancesToSlot(transaction, slot, false, [&](const QString& kcode, const QString& bpflg) {
                if (fromYearStart && bpflg != QStringLiteral("B"))
                    return false;
                return !(fromYearStart && dataType == 2 && owners.contains(kcode));
            });
        transaction.commit();
        return true;
    } catch (const std::exception&) {
        try {
            if (transaction.isActive())
                transaction.rollback();
        } catch (const std::exception&) {
            // Ending the transaction is all that is left to do.
        }
        ui::showError(QStringLiteral("Ver 1.0.2のデータベース更新に失敗しました。(過年度残高の評価と修復)"));
        return false;
    }
}

// The fixed-asset template decision of step 2.0.4, made on its own connection that is closed on every
// path: the facility codes whose templates are rebuilt, none when account 1401 already has a template.
QStringList RealEstateTemplateFacilities() {
    QStringList codes;
    int count = 0;
    OnOwnAccConnection([&](fb::Query& q) {
        q.setSql(QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM KS_SETSWK_INIT WHERE KCODE='1401'"));
        q.open();
        count = q.field("RECCNT").asInt();
        q.close();
        if (AccInf.SITEN != 0) {
            q.setSql(QStringLiteral("SELECT SCODE FROM SISETUMST ORDER BY SCODE"));
            for (q.open(); !q.eof(); q.next())
                codes << q.field("SCODE").asString();
            q.close();
        } else {
            codes << QStringLiteral(" ");
        }
    });
    return count == 0 ? codes : QStringList{};
}

// The whole rebuild of the real-estate templates for those facilities; nothing for none.
void RealEstateTemplateStatements(const QStringList& facilities, QStringList& lines) {
    if (facilities.isEmpty())
        return;
    lines << QStringLiteral("SET GENERATOR KSSETSWKINIT_GEN TO 0;") << QStringLiteral("DELETE FROM KS_SETSWK_INIT;");
    lines << StepSqlLines(QStringLiteral("acc204_templates.sql"));
    lines << QStringLiteral("SET GENERATOR KSSETSWK_GEN TO 0;") << QStringLiteral("DELETE FROM KS_SETSWK;");
    for (const QString& code : facilities)
        lines << QStringLiteral("EXECUTE PROCEDURE SP_KS_INSSETSWK_CALL_SISETU(%1);").arg(SqlQuote(code));
    lines << QStringLiteral("COMMIT;");
}

// The list procedures in the form a step installs (exposed for the tests).
QStringList ListProcedureStatements(int form) {
    switch (form) {
    case 103:
        return monitorUpDown(TMonitorForm::V103);
    case 200:
        return monitorUpDown(TMonitorForm::V200) + monitorEntryOrder() + journalBook() + ledger();
    default:
        return monitorUpDown(TMonitorForm::V204) + monitorEntryOrder() + journalBook() + ledger();
    }
}

TStepContent z5UserDbUpdate041::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) { auditItems(AccInf.DATATYPE, lines); };
    return c;
}

TStepContent z5UserDbUpdate100::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << QStringLiteral("UPDATE SOLVARNE_HIKAKU SET MEISHOU='一人当たり人件費' WHERE REC=31;")
              << QStringLiteral("COMMIT;") << QStringLiteral("SET TERM ^;")
              << StepSqlLines(QStringLiteral("acc100_KAMOKUSZ_AFTER_UPDATE.sql")) << QStringLiteral("SET TERM ;^");
    };
    return c;
}

TStepContent z5UserDbUpdate101::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << terminated(procedureFiles({"SP_UPDATE_KANENDOZAN_SUB", "SP_UPDATE_KANENDOZAN", "SP_KANENDO_ZANDAKA", "SP_KANENDO_BUMON_ZANDAKA",
                                            "SP_KANENDO_GROUPZANDAKA"}));
        comparisonGroups(lines);
        lines << QStringLiteral("DELETE FROM OPINF;") << QStringLiteral("COMMIT;");
    };
    return c;
}

TStepContent z5UserDbUpdate102::Content() {
    TStepContent c;
    c.PreMigration = [](TStepDb& db) { return RepairPriorYearBalances(db.transaction) ? StepDone : StepScriptFailed; };
    c.Statements = [](QStringList& lines) {
        lines << terminated(StepSqlLines(QStringLiteral("acc102_fixedassets.sql")))
              << QStringLiteral("EXECUTE PROCEDURE ONE_TIME_PROC;") << QStringLiteral("Commit;")
              << QStringLiteral("DROP PROCEDURE ONE_TIME_PROC;")
              << terminated(StepSqlLines(QStringLiteral("acc102_SP_SIWAKE_REPAIR.sql")))
              << QStringLiteral("DELETE FROM ACCDEF2 WHERE KNAME NOT IN ('現金','仮受消費税','仮払消費税','繰越利益剰余金',"
                                "'諸口','事業主借','事業主貸','元入金');")
              << QStringLiteral("Commit;") << terminated(procedureFiles({"SP_ZEIGAKU_ADD", "SP_SISANHYO_BUMON"}))
              << QStringLiteral("COMMIT;");
    };
    return c;
}

TStepContent z5UserDbUpdate103::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        if (AccInf.SITEN == 1) {
            lines << QStringLiteral("UPDATE KAMOKU_PZ SET NUKIZAN=0,ZEIGAKU=0") << QStringLiteral("WHERE SCODE=' ';")
                  << QStringLiteral("UPDATE KAMOKU_SZ SET KAKOZAN=0") << QStringLiteral("WHERE SCODE=' ';")
                  << QStringLiteral("UPDATE KAMOKU_MS SET BYOSAN=0") << QStringLiteral("WHERE SCODE=' ';")
                  << QStringLiteral("Commit;");
        }
        lines << terminated(procedureFiles({"SP_MOTOIREKIN_KURIIRE", "SP_ZEIGAKU_ADD", "SP_SISANHYO_BUMON"}))
              << QStringLiteral("COMMIT;")
              << terminated(procedureFiles({"SP_SISANHYO_BUMON_AX", "SP_SISANHYO_BUMON_A4"})) << QStringLiteral("COMMIT;")
              << terminated(procedureFiles({"SP_SISANHYO_BUMON_A3"})) << QStringLiteral("COMMIT;")
              << terminated(ListProcedureStatements(103)) << QStringLiteral("COMMIT;");
    };
    return c;
}

TStepContent z5UserDbUpdate105::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << terminated(StepSqlLines(QStringLiteral("acc105_orgdic.sql")))
              << QStringLiteral("EXECUTE PROCEDURE ONE_TIME_PROC;") << QStringLiteral("Commit;")
              << QStringLiteral("DROP PROCEDURE ONE_TIME_PROC;") << StepSqlLines(QStringLiteral("acc105_tables.sql"));
        totalNames(AccInf.DATATYPE, AccInf.CODETYPE, lines);
        lines << QStringLiteral("Commit;");
    };
    return c;
}

TStepContent z5UserDbUpdate200::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        const QStringList lists = ListProcedureStatements(200);
        // Groups 1 to 3: the monitor, journal and ledger lists.
        lines << terminated(lists);
        // Group 4.
        lines << StepSqlLines(QStringLiteral("acc200_tables.sql"))
              << terminated(procedureFiles({"SP_SIWAKE_DEL", "SP_CONVERT_12TO16", "SP_YOJITU_HENDOU_SONEKI"}));
        // Group 5.
        lines << terminated(procedureFiles({"SP_YOJITU_HENDOUSONEKI_BUMON"}));
        // Group 6.
        lines << StepSqlLines(QStringLiteral("acc200_dictionaries.sql"));
        if (AccInf.DATATYPE == 2)
            lines << QStringLiteral("UPDATE KS_SETSWK_INIT SET GSKEIJYO=0 WHERE ACCGROUP=2;")
                  << QStringLiteral("UPDATE KS_SETSWK_INIT SET SYOKYAKU1_KCODE='6202' WHERE ACCGROUP=2 AND "
                                    "SYOKYAKU1_KCODE='6204';")
                  << QStringLiteral("Commit;");
        // Groups 7 to 10: the trial balances.
        lines << terminated(procedureFiles({"SP_SISANHYO_AX", "SP_SISANHYO_A4", "SP_SISANHYO_A3"}))
              << terminated(procedureFiles({"SP_SISANHYO_BUMON_AX", "SP_SISANHYO_BUMON_A4"}))
              << terminated(procedureFiles({"SP_SISANHYO_BUMON_A3"}))
              << terminated(procedureFiles({"SP_SISANHYO_KESSAN"}));
        // Group 11.
        lines << terminated(procedureFiles({"SP_YOSAN_READ", "SP_UPDATE_YOSANSUB", "SP_UPDATE_YOSAN"}) +
                            StepSqlLines(QStringLiteral("acc200_SISETUMST_AFTER_INSERT2.sql")))
              << terminated(StepSqlLines(QStringLiteral("acc200_cashflow.sql")))
              << QStringLiteral("EXECUTE PROCEDURE ONE_TIME_PROC;") << QStringLiteral("DROP PROCEDURE ONE_TIME_PROC;");
        // Group 12.
        lines << terminated(procedureFiles({"SP_KURIKOSI_ZEIGAKU_ADD", "SP_SETHOJOKAISIZAN", "SP_KURIKOSIBUMONZANDAKA",
                                            "SP_KURIKOSIZANDAKA"}));
        lines << QStringLiteral("Commit;");
    };
    return c;
}

TStepContent z5UserDbUpdate204::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << terminated(monitorUpDown(TMonitorForm::V204));
        if (AccInf.DATATYPE == 2 && AccInf.CODETYPE == 2)
            RealEstateTemplateStatements(RealEstateTemplateFacilities(), lines);
        lines << terminated(procedureFiles({"SP_SISANHYO_AX", "SP_SISANHYO_A4", "SP_SISANHYO_A3"}))
              << terminated(procedureFiles({"SP_SISANHYO_BUMON_AX", "SP_SISANHYO_BUMON_A4"}))
              << terminated(procedureFiles({"SP_SISANHYO_BUMON_A3"}))
              << terminated(procedureFiles({"SP_SISANHYO_KESSAN"}));
        lines << QStringLiteral("RECREATE TABLE TUSIN_ID (") << QStringLiteral("    REC INTEGER NOT NULL,")
              << QStringLiteral("    HOLDER VARCHAR(30) CHARACTER SET ASCII DEFAULT '',")
              << QStringLiteral("    PASWORD VARCHAR(16) CHARACTER SET ASCII DEFAULT '',")
              << QStringLiteral("    CONSTRAINT PK_TUSIN_ID PRIMARY KEY (REC));")
              << QStringLiteral("INSERT INTO TUSIN_ID (REC, HOLDER, PASWORD) VALUES (1, '', '');")
              << terminated(procedureFiles({"SP_SIWAKE_INS", "SP_SIWAKE_UPD"}))
              << QStringLiteral("RECREATE TABLE SUITOTYO_SABUN (SWKREC INTEGER NOT NULL, "
                                "CONSTRAINT PK_SUITOTYO_SABUN PRIMARY KEY (SWKREC));");
        lines << terminated(procedureFiles({"SP_KANENDO_BUMON_ZANDAKA_A4", "SP_KANENDO_BUMON_GROUPZANDAKA"}));
        lines << terminated(StepSqlLines(QStringLiteral("acc204_SP_HOJO_KAMOKUSZ_INS.sql")));
        lines << QStringLiteral("Commit;");
    };
    return c;
}

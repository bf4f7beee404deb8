// The accounting steps 0.4.1 to 2.0.4 through real isql-fb on a dataset built from the base and brought
// to 0.4.0: the driver's run, the prior-year balance repair, the journal maintenance procedures as the
// journal writer calls them, and the paging of the journal, monitor and ledger lists.

#include "UpgradeTestSupport.h"
#include "core/uAccRecord.h"
#include "core/z5SiwakeIO.h"
#include "dbupdate/z5DbUpdate.h"
#include "dbupdate/z5DbUpdateStep.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/firebird/FbDatabase.h"
#include "support/DmFixture.h"
#include "ui_z5DbUpdate.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct LaterStepsTest : ::testing::Test {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});
    TArrayDbUpdateListRec steps = BuildSteps(TDbKind::Accounting);
    size_t next = 0;

    LaterStepsTest() {
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
        testenv::createDatabaseFromScript(testenv::sourceDir() + QStringLiteral("/sql/base/placc_base.sql"),
                                          ds.database);
        SystemDef.DataDir = ds.folder;
    }

    // Runs the pending steps up to and including the version; each must succeed and stamp its version.
    void runTo(const TDbVersion& last) {
        for (; next < steps.size() && !(last < steps[next].version()); ++next) {
            ASSERT_EQ(steps[next].StepProc(), StepDone) << steps[next].version().text().toStdString() << "\n"
                                                        << e.ui->messageTexts().join(u'\n').toStdString() << "\n"
                                                        << lastFailure().toStdString();
            ASSERT_EQ(accountingVersion(ds), steps[next].version().text());
        }
    }
    // The tool output of the last failed script.
    static QString lastFailure() {
        QFile f(SystemDef.LogDir + QStringLiteral("/ErrDataup.txt"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }
    size_t indexOf(const TDbVersion& v) const {
        for (size_t i = 0; i < steps.size(); ++i)
            if (steps[i].version() == v)
                return i;
        return steps.size();
    }
    void exec(const QString& sql) const { ds.execute(sql); }
    QStringList rows(const QString& sql) const { return queryRows(*ds.connect(), sql); }
    QString one(const QString& sql) const {
        const QStringList r = rows(sql);
        return r.isEmpty() ? QStringLiteral("<none>") : r.first();
    }
};

// The upgrade dialog runs the eight steps on a dataset at 0.4.0; every one is done.
TEST_F(LaterStepsTest, TheDriverBringsTheEvaluationReleaseTo204) {
    runTo({0, 4, 0});
    const size_t first = indexOf({0, 4, 1}), last = indexOf({2, 0, 4}) + 1;
    ASSERT_EQ(last - first, 8u);
    TDbUpdateBox box;
    box.Updater.UserSteps.assign(steps.begin() + first, steps.begin() + last);
    box.SetupPendingList(1, QString());
    ASSERT_TRUE(box.IsPending());
    box.form().cboxAgree->setChecked(true);
    box.cboxAgreeClick();
    box.btnOkClick();
    EXPECT_EQ(box.result(), ui::mrOk) << e.ui->messageTexts().join(u'\n').toStdString();
    for (int i = 0; i < box.form().ListView1->topLevelItemCount(); ++i)
        EXPECT_EQ(box.form().ListView1->topLevelItem(i)->text(2), QStringLiteral("完了"));
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("2.0.4"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KANSA_ITEM")), QStringLiteral("12"));
    EXPECT_EQ(one(QStringLiteral("SELECT REC, HOLDER, PASWORD FROM TUSIN_ID")), QStringLiteral("1||"));
}

// Step by step, each stamping its own version.
TEST_F(LaterStepsTest, EachStepStampsItsVersion) {
    runTo({2, 0, 4});
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("2.0.4"));
}

} // namespace

namespace {

// The prior-year balance repair on the newest schema with three accounts: an asset, an expense and the
// owner's capital, each with an opening balance and a prior-year row in slots 0 and 4.
struct PriorYearRepairTest : ::testing::Test {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});

    PriorYearRepairTest() {
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
        for (const char* sql :
             {"DELETE FROM KAMOKU_PZ", "DELETE FROM KAMOKU_SZ",
              "INSERT INTO KAMOKUMST (KCODE, USERCODE, BPFLG) VALUES ('T1', 'T1', 'B')",
              "INSERT INTO KAMOKUMST (KCODE, USERCODE, BPFLG) VALUES ('T2', 'T2', 'P')",
              "INSERT INTO KAMOKUMST (KCODE, USERCODE, BPFLG) VALUES ('T3', 'T3', 'B')",
              "UPDATE OR INSERT INTO ACCDEF2 (KNAME, KCODE) VALUES ('元入金', 'T3') MATCHING (KNAME)"})
            ds.execute(QString::fromUtf8(sql));
        int amount = 100;
        for (const char* k : {"T1", "T2", "T3"}) {
            ds.execute(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE, KAISIZAN) VALUES (' ', '%1', ' ', ' ', %2)")
                           .arg(QLatin1String(k))
                           .arg(amount));
            for (int m : {0, 4})
                ds.execute(QStringLiteral("INSERT INTO KAMOKU_PZ (SCODE, KCODE, HCODE, BCODE, MNUM, NUKIZAN) VALUES "
                                          "(' ', '%1', ' ', ' ', %2, 7)")
                               .arg(QLatin1String(k))
                               .arg(m));
            amount += 100;
        }
    }
    QStringList balances() const {
        return queryRows(*ds.connect(), QStringLiteral("SELECT KCODE, MNUM, NUKIZAN FROM KAMOKU_PZ WHERE KCODE "
                                                       "STARTING WITH 'T' ORDER BY KCODE, MNUM"));
    }
    bool repair() const {
        auto db = ds.connect();
        fb::Transaction t(*db);
        return RepairPriorYearBalances(t);
    }
};

TEST_F(PriorYearRepairTest, OpeningBalancesReachTheOpeningSlotByKindOfData) {
    struct Case {
        const char* name;
        int dataType;
        const char* kaisi;
        int kaisino;
        QStringList after;
    } cases[] = {
        // Started with the year: only balance-sheet accounts, and for individuals not the owner's capital.
        {"individual at the year start", 2, "2024-01-01", 1,
         {"T1|0|100", "T1|4|7", "T2|0|7", "T2|4|7", "T3|0|7", "T3|4|7"}},
        {"corporate at the year start", 1, "2024-01-01", 1,
         {"T1|0|100", "T1|4|7", "T2|0|7", "T2|4|7", "T3|0|300", "T3|4|7"}},
        // Started mid-year: every account, in the slot before the start month.
        {"individual from April", 2, "2024-04-01", 4,
         {"T1|0|7", "T1|4|100", "T2|0|7", "T2|4|200", "T3|0|7", "T3|4|300"}},
        {"corporate from April", 1, "2024-04-01", 4,
         {"T1|0|7", "T1|4|100", "T2|0|7", "T2|4|200", "T3|0|7", "T3|4|300"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ds.execute(QStringLiteral("UPDATE KAMOKU_PZ SET NUKIZAN = 7"));
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET DATATYPE = %1, KISHU = '2024-01-01', KAISI = '%2', KAISINO = %3 "
                                  "WHERE REC = 1")
                       .arg(c.dataType)
                       .arg(QLatin1String(c.kaisi))
                       .arg(c.kaisino));
        EXPECT_TRUE(repair());
        EXPECT_EQ(balances().join(u' ').toStdString(), c.after.join(u' ').toStdString());
    }
}

// A start month without an opening slot writes nothing for that data instead of another row's slot.
TEST_F(PriorYearRepairTest, AStartMonthWithoutASlotIsSkipped) {
    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET DATATYPE = 1, KISHU = '2024-01-01', KAISI = '2024-04-01', "
                              "KAISINO = 13 WHERE REC = 1"));
    const QStringList before = balances();
    EXPECT_TRUE(repair());
    EXPECT_EQ(balances(), before);
}

// A failing repair rolls back every balance already written and says so.
TEST_F(PriorYearRepairTest, AFailureLeavesTheDataAsItWas) {
    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET DATATYPE = 1, KISHU = '2024-01-01', KAISI = '2024-04-01', "
                              "KAISINO = 4 WHERE REC = 1"));
    ds.execute(QStringLiteral("CREATE EXCEPTION T_STOP 'stop'"));
    ds.execute(QStringLiteral("CREATE TRIGGER T_STOP_PZ FOR KAMOKU_PZ BEFORE UPDATE AS BEGIN "
                              "IF (NEW.KCODE = 'T3') THEN EXCEPTION T_STOP; END"));
    const QStringList before = balances();
    EXPECT_FALSE(repair());
    EXPECT_EQ(balances(), before);
    EXPECT_EQ(e.ui->messageTexts().join(u'\n'),
              QStringLiteral("Ver 1.0.2のデータベース更新に失敗しました。(過年度残高の評価と修復)"));
}

} // namespace

namespace {

// The real-estate template rebuild quotes the facility codes it calls the rebuild with, and the template
// decision reads the templates and the facilities on a connection it closes again.
TEST(RealEstateTemplates, CodesAreQuotedAndOnlyDataWithoutTheTemplateIsRebuilt) {
    QStringList lines;
    RealEstateTemplateStatements({QStringLiteral(" "), QStringLiteral("A'1")}, lines);
    EXPECT_EQ(lines.filter(QStringLiteral("SP_KS_INSSETSWK_CALL_SISETU")),
              (QStringList{"EXECUTE PROCEDURE SP_KS_INSSETSWK_CALL_SISETU(' ');",
                           "EXECUTE PROCEDURE SP_KS_INSSETSWK_CALL_SISETU('A''1');"}));
    EXPECT_EQ(lines.filter(QStringLiteral("INSERT INTO KS_SETSWK_INIT")).size(), 35);
    lines.clear();
    RealEstateTemplateStatements({}, lines);
    EXPECT_TRUE(lines.isEmpty());

    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    SystemDef.DataDir = ds.folder;
    AccInf.SITEN = 0;
    // Without a template of account 1401 the company's own facility is rebuilt; with one, nothing.
    ds.execute(QStringLiteral("DELETE FROM KS_SETSWK_INIT WHERE KCODE = '1401'"));
    EXPECT_EQ(RealEstateTemplateFacilities(), QStringList{QStringLiteral(" ")});
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
    ds.execute(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, BPFLG) VALUES ('1401', '1401', 'B')"));
    ds.execute(QStringLiteral("INSERT INTO KS_SETSWK_INIT (REC, ACCGROUP, KGROUP, KCODE, RUIKEIKCODE, SYOKYAKU1_KCODE, SYOKYAKU2_KCODE, JIGYOUNUSI_KCODE, BAISONKCODE, JYOSONKCODE, BAIEKIKCODE) VALUES (0, 2, 0, '1401', NULL, NULL, NULL, NULL, NULL, NULL, NULL)"));
    EXPECT_EQ(RealEstateTemplateFacilities(), QStringList{});
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
}

} // namespace

namespace {

// On a dataset brought to 2.0.4: twelve entries of one facility, the repair of tampered totals, the
// deletion of an unknown entry and the paging of the journal and monitor lists.
TEST_F(LaterStepsTest, JournalProceduresOnAnUpgradedDataset) {
    runTo({2, 0, 4});
    exec(QStringLiteral("UPDATE ACCDEF1 SET KISHU = '2024-01-01', KIMATU = '2024-12-31' WHERE REC = 1"));
    for (const char* k : {"1101", "4101"})
        exec(QStringLiteral("UPDATE OR INSERT INTO KAMOKUMST (KCODE, USERCODE) VALUES ('%1', '%1') MATCHING (KCODE)")
                 .arg(QLatin1String(k)));
    exec(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE, KAISIZAN) "
                        "SELECT ' ', KCODE, ' ', ' ', 0 FROM KAMOKUMST WHERE KCODE IN ('1101', '4101') "
                        "AND NOT EXISTS (SELECT 1 FROM KAMOKU_SZ Z WHERE Z.KCODE = KAMOKUMST.KCODE)"));
    for (int w = 1; w <= 12; ++w)
        for (int side = 1; side <= 2; ++side)
            exec(QStringLiteral("INSERT INTO SIWAKE (REC, SITREC, SWKREC, SWKNO, DELFLG, TAISHAKU, HIZUKE, MNUM, KESSAN, "
                                "SCODE, KCODE, R_KCODE, NUK, ZEI, TAXUH, KINGAKU) VALUES (%1, %2, %2, %2, %3, %4, "
                                "'2024-01-%5', 1, %6, ' ', '%7', '%8', 100, 0, 0, 100)")
                     .arg(2 * w - 2 + side)
                     .arg(w)
                     .arg(w == 12 ? 1 : 0)
                     .arg(side)
                     .arg(w <= 6 ? 10 : 20)
                     .arg(w == 3 ? 1 : 0)
                     .arg(QLatin1String(side == 1 ? "1101" : "4101"), QLatin1String(side == 1 ? "4101" : "1101")));
    exec(QStringLiteral("UPDATE KAMOKU_MS SET KAR_NUK = 999"));
    // Eleven live entries, two rows each.
    EXPECT_EQ(one(QStringLiteral("SELECT RPCNT FROM SP_SIWAKE_REPAIR")), QStringLiteral("22"));
    // The deleted entry 12 adds nothing; the tampered 999 is gone.
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, SUM(KAR_NUK), SUM(KAS_NUK) FROM KAMOKU_MS WHERE KCODE IN ('1101', "
                                  "'4101') GROUP BY KCODE ORDER BY KCODE")),
              (QStringList{"1101|1100|0", "4101|0|1100"}));
    EXPECT_EQ(one(QStringLiteral("SELECT RESULT FROM SP_SIWAKE_DEL(999, 1)")), QStringLiteral("0"));

    // Monitor: a limit of 5 from the newest input; 0 means 50.
    EXPECT_EQ(rows(QStringLiteral("SELECT RECORDCNT, SWKREC FROM SP_MONITOR_LISTUP(' ', 0, 0, -1, 0, 0, 0, 5)")),
              (QStringList{"1|12", "2|11", "3|10", "4|9", "5|8"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT SWKREC FROM SP_MONITOR_LISTDOWN(' ', 0, 0, 0, 0, 0, 0, 0)")).size(), 11);
    // Journal book down from the 10th: the closing entry of the 10th follows its ordinary entries.
    const QStringList down = rows(QStringLiteral(
        "SELECT SWKNO, KESSAN FROM SP_SIWAKE_LISTDOWN(' ', 0, '2024-01-10', '2024-01-31', 0, 0, 0, 0)"));
    ASSERT_EQ(down.size(), 11);
    EXPECT_EQ(down.mid(4, 2), (QStringList{"6|0", "3|1"}));
    // Up from the 20th with an end before the start: from the year start, the closing entry first on the 10th.
    const QStringList up = rows(QStringLiteral(
        "SELECT SWKNO, KESSAN FROM SP_SIWAKE_LISTUP(' ', 0, '2024-12-31', '2024-01-20', 0, -1, 0, 0)"));
    ASSERT_EQ(up.size(), 12);
    EXPECT_EQ(up.mid(6, 2), (QStringList{"3|1", "6|0"}));
    // Ledger of the cash account over every facility, sub-account and department: one side per entry.
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM SP_MOTOCHO_LISTIN(0, '', '1101', '', '', -1, '2024-01-01', "
                                  "'2024-01-31', 0, 1, 0, 0, 0)")),
              QStringList{"11"});
}

} // namespace

namespace {

// The journal writer's corrections and deletions through SP_SIWAKE_UPD and SP_SIWAKE_DEL, the calls
// exactly as the writer makes them: an entry written, its comment changed, its amount corrected (an entry
// the cash book sent), its date corrected, a stale copy corrected after someone else did, and deleted.
void WriterCorrectsAndDeletes(testenv::DmEnvironment& e, const testenv::Dataset& ds) {
    for (const char* sql :
         {"UPDATE OR INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME) VALUES ('T101', 'U101', '現金') MATCHING (KCODE)",
          "UPDATE OR INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME) VALUES ('T401', 'U401', '売上高') MATCHING (KCODE)",
          "UPDATE OR INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE) VALUES (' ', 'T101', ' ', ' ') MATCHING "
          "(SCODE, KCODE, HCODE, BCODE)",
          "UPDATE OR INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE) VALUES (' ', 'T401', ' ', ' ') MATCHING "
          "(SCODE, KCODE, HCODE, BCODE)"})
        ds.execute(QString::fromUtf8(sql));
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    SystemDef.OPCODE = 7;
    const auto rows = [&](const QString& sql) { return queryRows(e.dm->IBDatabaseDAT, sql); };
    const auto entryRows = [&](int swkrec) {
        return rows(QStringLiteral("SELECT REC, SITREC, SWKNO, DELFLG, TAISHAKU, KCODE, R_KCODE, NUK, COMMENT, "
                                   "FUSEN1, LINKKEY, LINKKUB, LINKREC FROM SIWAKE WHERE SWKREC = %1 ORDER BY REC")
                        .arg(swkrec));
    };
    TSiwakeWrite w;
    w.SetTransaction(e.dm->IBTransactionDAT);
    const auto put = [&](TSWKREC& entry) {
        w.OwnTransaction = 1;
        return w.PutSiwake(entry);
    };

    TSWKREC first;
    w.InitSiwakeRec(first, 0, TDateTime::fromDate(2024, 5, 10));
    first.MNUM = 5;
    first.SCODE = QStringLiteral(" ");
    first.L.KCODE = QStringLiteral("U101");
    first.R.KCODE = QStringLiteral("U401");
    first.L.HCODE = first.R.HCODE = first.L.BCODE = first.R.BCODE = QStringLiteral(" ");
    first.KINGAKU = first.L.NUK = first.R.NUK = Money(1000);
    first.TEKTEXT = QStringLiteral("売上");
    first.LINKKEY = QStringLiteral("K1");
    const int rec = put(first);
    ASSERT_GT(rec, 0);
    const int w1 = first.SWKREC;
    EXPECT_EQ(rec, 2 * w1 - 1);
    const int sitrec = rows(QStringLiteral("SELECT SITREC FROM SIWAKE WHERE REC = %1").arg(rec)).value(0).toInt();

    // The comment and a tag only: the entry keeps its rows and numbers.
    TSWKREC comment = first;
    comment.COMMENT = QStringLiteral("確認済");
    comment.FUSEN1 = 1;
    EXPECT_EQ(put(comment), 0);
    EXPECT_EQ(comment.REC, rec);
    EXPECT_EQ(comment.SWKREC, w1);
    EXPECT_EQ(comment.SWKNO, w1);
    EXPECT_EQ(entryRows(w1),
              (QStringList{QStringLiteral("%1|%2|%3|0|1|T101|T401|1000|確認済|1|K1|0|0").arg(rec).arg(sitrec).arg(w1),
                           QStringLiteral("%1|%2|%3|0|2|T401|T101|1000|確認済|1|K1|0|0").arg(rec + 1).arg(sitrec).arg(w1)}));
    const TSWKREC stale = comment;

    // The amount of an entry the cash book sent: the old rows are corrected, a new pair takes the next
    // entry number, the input sequence and journal number of the old one, and links to the old debit row.
    TSWKREC amount = comment;
    amount.KINGAKU = amount.L.NUK = amount.R.NUK = Money(1200);
    amount.LINKKUB = 10;
    EXPECT_EQ(put(amount), 0);
    const int w2 = amount.SWKREC;
    EXPECT_GT(w2, w1);
    EXPECT_EQ(amount.REC, 2 * w2 - 1);
    EXPECT_EQ(amount.SWKNO, w1);
    EXPECT_EQ(entryRows(w1),
              (QStringList{QStringLiteral("%1|%2|%3|2|1|T101|T401|1000|確認済|1|null|0|0").arg(rec).arg(sitrec).arg(w1),
                           QStringLiteral("%1|%2|%3|2|2|T401|T101|1000|確認済|1|null|0|0").arg(rec + 1).arg(sitrec).arg(w1)}));
    EXPECT_EQ(entryRows(w2),
              (QStringList{QStringLiteral("%1|%2|%3|0|1|T101|T401|1200|確認済|1|K1|10|%4").arg(2 * w2 - 1).arg(sitrec).arg(w1).arg(rec),
                           QStringLiteral("%1|%2|%3|0|2|T401|T101|1200|確認済|1|K1|10|%4").arg(2 * w2).arg(sitrec).arg(w1).arg(rec)}));
    // The day number the writer reads back is the one stored.
    EXPECT_EQ(rows(QStringLiteral("SELECT SDAYNUM FROM SIWAKE WHERE REC = %1").arg(amount.REC)),
              QStringList{QString::number(amount.SDAYNUM)});

    // Someone still holding the entry as it was learns of the correction and writes nothing.
    TSWKREC late = stale;
    late.KINGAKU = late.L.NUK = late.R.NUK = Money(900);
    EXPECT_EQ(put(late), -2);
    EXPECT_EQ(late.REC, amount.REC);
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM SIWAKE")), QStringList{QStringLiteral("4")});

    // Another date: every row of the old journal number takes the new entry number as its journal number.
    TSWKREC date = amount;
    date.HIZUKE = TDateTime::fromDate(2024, 5, 20);
    EXPECT_EQ(put(date), 0);
    const int w3 = date.SWKREC;
    EXPECT_EQ(date.SWKNO, w3);
    EXPECT_EQ(rows(QStringLiteral("SELECT SWKREC, DELFLG, SWKNO FROM SIWAKE WHERE TAISHAKU = 1 ORDER BY REC")),
              (QStringList{QStringLiteral("%1|2|%2").arg(w1).arg(w3), QStringLiteral("%1|2|%2").arg(w2).arg(w3),
                           QStringLiteral("%1|0|%2").arg(w3).arg(w3)}));
    // The stale copy still finds the live entry under its new journal number.
    late = stale;
    late.KINGAKU = late.L.NUK = late.R.NUK = Money(800);
    EXPECT_EQ(put(late), -2);
    EXPECT_EQ(late.REC, date.REC);

    // Deleted: every row loses its link and names the operator; a later correction writes nothing, and
    // deleting an entry that does not exist changes nothing.
    w.OwnTransaction = 1;
    EXPECT_EQ(w.DeleteSiwake(w3), 1);
    EXPECT_EQ(rows(QStringLiteral("SELECT DELFLG, LINKKEY, LINKKUB, LINKREC, OPCODE FROM SIWAKE WHERE SWKREC = %1")
                       .arg(w3)),
              (QStringList{"1||0|0|7", "1||0|0|7"}));
    TSWKREC deleted = date;
    deleted.KINGAKU = deleted.L.NUK = deleted.R.NUK = Money(1);
    EXPECT_EQ(put(deleted), -1);
    EXPECT_EQ(deleted.REC, date.REC);
    const QStringList before = rows(QStringLiteral("SELECT REC, DELFLG, NUK, OPCODE FROM SIWAKE ORDER BY REC"));
    EXPECT_EQ(before.size(), 6);
    w.OwnTransaction = 1;
    EXPECT_EQ(w.DeleteSiwake(w3 + 100), 1);
    EXPECT_EQ(rows(QStringLiteral("SELECT REC, DELFLG, NUK, OPCODE FROM SIWAKE ORDER BY REC")), before);
    EXPECT_FALSE(e.dm->IBTransactionDAT.isActive());
    EXPECT_TRUE(e.ui->messageTexts().isEmpty()) << e.ui->messageTexts().join(u'\n').toStdString();
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
}

TEST_F(LaterStepsTest, TheJournalWriterOnADatasetBroughtTo204) {
    runTo({2, 0, 4});
    AccInf.MAJOR = 2;
    AccInf.MINOR1 = 0;
    AccInf.MINOR2 = 4;
    WriterCorrectsAndDeletes(e, ds);
}

TEST(JournalWriterOnTheNewestSchema, CorrectsAndDeletes) {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    AccInf.MAJOR = 13;
    AccInf.MINOR1 = 0;
    AccInf.MINOR2 = 0;
    WriterCorrectsAndDeletes(e, ds);
}

} // namespace

namespace {

// One journal entry written as its two rows: the debit row 2W - 1 and the credit row 2W, each with the
// other side in its R_ columns. The credit side may carry tax.
struct FixtureEntry {
    int w, sitrec, swkno, delflg;
    const char* date;
    int kessan, sdaynum;
    const char* scode;
    const char* debit;
    const char* credit;
    const char* debitSub = " ";
    const char* bcode = " ";
    int creditTaxuh = 0, creditZei = 0;
};

void addEntry(fb::Query& insert, const FixtureEntry& x) {
    for (int side = 1; side <= 2; ++side) {
        const bool debit = side == 1;
        insert.setInt("REC", 2 * x.w - 2 + side);
        insert.setInt("SITREC", x.sitrec);
        insert.setInt("SWKREC", x.w);
        insert.setInt("SWKNO", x.swkno);
        insert.setInt("DELFLG", x.delflg);
        insert.setInt("TAISHAKU", side);
        insert.setString("HIZUKE", QLatin1String(x.date));
        insert.setInt("KESSAN", x.kessan);
        insert.setInt("SDAYNUM", x.sdaynum);
        insert.setString("SCODE", QLatin1String(x.scode));
        insert.setString("KCODE", QLatin1String(debit ? x.debit : x.credit));
        insert.setString("HCODE", QLatin1String(debit ? x.debitSub : " "));
        insert.setString("BCODE", QLatin1String(x.bcode));
        insert.setInt("TAXUH", debit ? 0 : x.creditTaxuh);
        insert.setInt("ZEI", debit ? 0 : x.creditZei);
        insert.setString("R_KCODE", QLatin1String(debit ? x.credit : x.debit));
        insert.setString("R_HCODE", QLatin1String(debit ? " " : x.debitSub));
        insert.setInt("R_TAXUH", debit ? x.creditTaxuh : 0);
        insert.setInt("R_ZEI", debit ? x.creditZei : 0);
        insert.execute();
    }
}

// A journal of facility ' ' in January 2024 with one entry of facility 'B': ordinary, closing (on the
// 10th and the 31st), deleted and corrected entries, an entry with cash on both sides and sales carrying
// received tax; and sixty entries of facility 'L' in March for the page sizes.
void addFixtureJournal(const testenv::Dataset& ds) {
    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET KISHU = '2024-01-01', KIMATU = '2024-12-31' WHERE REC = 1"));
    for (const char* k : {"1101", "2105", "4101", "6101"})
        ds.execute(QStringLiteral("UPDATE OR INSERT INTO KAMOKUMST (KCODE, USERCODE) VALUES ('%1', 'U%1') MATCHING (KCODE)")
                       .arg(QLatin1String(k)));
    const FixtureEntry entries[] = {
        {1, 1, 1, 0, "2024-01-10", 0, 1, " ", "1101", "4101"},
        {2, 2, 2, 2, "2024-01-10", 0, 3, " ", "1101", "4101"}, // corrected by 8
        {3, 3, 3, 0, "2024-01-10", 1, 1, " ", "6101", "1101"}, // closing
        {4, 4, 4, 0, "2024-01-11", 0, 1, " ", "1101", "4101", " ", " ", 1, 10},
        {5, 5, 5, 1, "2024-01-09", 0, 1, " ", "6101", "1101"}, // deleted
        {6, 1, 6, 0, "2024-01-11", 0, 1, "B", "1101", "4101", "01", "01"},
        {7, 6, 7, 0, "2024-01-12", 0, 1, " ", "6101", "4101", " ", " ", 1, 0},
        {8, 2, 2, 0, "2024-01-10", 0, 2, " ", "1101", "4101"},
        {9, 7, 9, 0, "2024-01-12", 0, 2, " ", "1101", "1101", "01"},
        {10, 8, 10, 0, "2024-01-31", 1, 1, " ", "6101", "1101"},
        {11, 9, 11, 0, "2024-02-01", 0, 1, " ", "1101", "4101"},
    };
    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query insert(t, QStringLiteral(
                            "INSERT INTO SIWAKE (REC, SITREC, SWKREC, SWKNO, DELFLG, TAISHAKU, HIZUKE, MNUM, KESSAN, "
                            "SDAYNUM, SCODE, KCODE, HCODE, BCODE, TAXUH, NUK, ZEI, R_KCODE, R_HCODE, R_BCODE, R_TAXUH, "
                            "R_NUK, R_ZEI, KINGAKU) VALUES (:REC, :SITREC, :SWKREC, :SWKNO, :DELFLG, :TAISHAKU, "
                            ":HIZUKE, 1, :KESSAN, :SDAYNUM, :SCODE, :KCODE, :HCODE, :BCODE, :TAXUH, 100, :ZEI, "
                            ":R_KCODE, :R_HCODE, :BCODE, :R_TAXUH, 100, :R_ZEI, 100)"));
    for (const FixtureEntry& x : entries)
        addEntry(insert, x);
    std::vector<QByteArray> dates;
    for (int i = 1; i <= 60; ++i) {
        dates.push_back(QStringLiteral("2024-03-%1").arg(1 + i % 20, 2, 10, QLatin1Char('0')).toLatin1());
        addEntry(insert, {100 + i, i, 100 + i, 0, dates.back().constData(), 0, i, "L", "1101", "4101"});
    }
    t.commit();
}

// The journal, monitor and ledger pages over the fixture journal, in the forms of 1.0.3, 2.0.0 and 2.0.4.
TEST_F(LaterStepsTest, PagingProceduresOverAFixtureJournal) {
    runTo({1, 0, 3});
    addFixtureJournal(ds);
    const auto swkrecs = [&](const QString& call) {
        return rows(QStringLiteral("SELECT SWKREC FROM ") + call).join(u',').toStdString();
    };
    // The monitor up from entry 9 and sequence 9: 1.0.3 compares the journal number, 2.0.0 the input
    // sequence in the order of the entry numbers, 2.0.4 in the order of the input sequence.
    const QString monitorUp = QStringLiteral("SP_MONITOR_LISTUP(' ', 9, 9, 0, 0, 0, 0, 0)");
    EXPECT_EQ(swkrecs(monitorUp), "9,7,4,3,8,1");
    runTo({2, 0, 0});
    EXPECT_EQ(swkrecs(monitorUp), "10,9,8,7,4,3,1");
    runTo({2, 0, 4});
    EXPECT_EQ(swkrecs(monitorUp), "10,9,7,4,3,8,1");

    struct Case {
        const char* call;
        const char* swkrecs;
    } journal[] = {
        // Monitor: anchor 0 starts at the newest input of the facility; -1 takes every deletion state.
        {"SP_MONITOR_LISTUP(' ', 0, 0, 0, 0, 0, 0, 0)", "11,10,9,7,4,3,8,1"},
        {"SP_MONITOR_LISTUP(' ', 4, 4, 0, 0, 0, 0, 0)", "4,3,8,1"},
        {"SP_MONITOR_LISTDOWN(' ', 3, 3, -1, 0, 0, 0, 0)", "3,4,5,7,9,10,11"},
        {"SP_MONITOR_LISTDOWN(' ', 3, 3, 1, 2, 2, 0, 0)", "5"},
        {"SP_MONITOR_LISTDOWN('B', 0, 0, 0, 0, 0, 0, 0)", "6"},
        {"SP_MONITOR_LISTUP('Z', 0, 0, 0, 0, 0, 0, 0)", ""},
        {"SP_MONITOR_LISTUP_ENTRYORDER(' ', 9, 0, 0, 0, 0, 0, 0)", "9,8,7,4,3,1"},
        {"SP_MONITOR_LISTDOWN_ENTRYORDER(' ', 7, 0, 0, 0, 0, 0, 0)", "7,8,9,10,11"},
        // Journal book: the closing entry of the 10th after the ordinary entries going down, before them
        // going up; anchored on it, down starts with it and up excludes nothing of the day before.
        {"SP_SIWAKE_LISTDOWN(' ', 0, '2024-01-10', '2024-01-12', 0, 0, 0, 0)", "1,8,3,4,7,9"},
        {"SP_SIWAKE_LISTDOWN(' ', 1, '2024-01-10', '2024-01-12', 3, 0, 0, 0)", "3,4,7,9"},
        {"SP_SIWAKE_LISTUP(' ', 1, '2024-01-01', '2024-01-10', 0, 0, 0, 0)", "3,8,1"},
        {"SP_SIWAKE_LISTUP(' ', 0, '2024-01-01', '2024-01-10', 2, 0, 0, 0)", "8,1"},
        {"SP_SIWAKE_LISTUP(' ', 0, '2024-01-31', '2024-01-10', 0, 0, 0, 0)", "8,1"},
        {"SP_SIWAKE_LISTDOWN(' ', 0, '2024-01-01', '2024-01-11', 0, -1, 0, 0)", "5,1,8,2,3,4"},
        {"SP_SIWAKE_LISTIN(' ', -1, '2024-01-01', '2024-01-31', 0, 0, 0, 0)", "10,9,7,4,3,8,1"},
        {"SP_SIWAKE_LISTIN(' ', 0, '2024-01-01', '2024-01-31', 0, 0, 0, 0)", "9,7,4,8,1"},
        {"SP_SIWAKE_LISTIN(' ', -1, '2024-01-01', '2024-01-11', 4, 0, 0, 0)", "4,3,8,1"},
    };
    for (const Case& c : journal)
        EXPECT_EQ(swkrecs(QLatin1String(c.call)), c.swkrecs) << c.call;

    const auto lines = [&](const QString& call) {
        return rows(QStringLiteral("SELECT SWKREC, TAISHAKU FROM ") + call).join(u',').toStdString();
    };
    const Case ledger[] = {
        // All '' codes: every facility, sub-account and department; both sides of entry 9 in side order.
        {"SP_MOTOCHO_LISTDOWN(0, '', '1101', '', '', 0, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)",
         "1|1,8|1,3|2,4|1,6|1,9|1,9|2,10|2"},
        {"SP_MOTOCHO_LISTDOWN(0, ' ', '1101', '', '', 0, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)",
         "1|1,8|1,3|2,4|1,9|1,9|2,10|2"},
        {"SP_MOTOCHO_LISTDOWN(0, '', '1101', '01', '', 0, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)", "6|1,9|1"},
        {"SP_MOTOCHO_LISTDOWN(0, '', '1101', '', '01', 0, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)", "6|1"},
        // Up from the debit line of entry 9: its credit line is excluded, the closing line of the 10th is not.
        {"SP_MOTOCHO_LISTUP(0, ' ', '1101', '', '', 0, '2024-01-01', '2024-01-12', 9, 1, 0, 0, 0)",
         "9|1,4|1,3|2,8|1,1|1"},
        {"SP_MOTOCHO_LISTUP(0, ' ', '1101', '', '', 0, '2024-01-01', '2024-01-12', 0, 0, 0, 0, 0)",
         "9|2,9|1,4|1,3|2,8|1,1|1"},
        // An end before the start moves the start to the year start, not the end.
        {"SP_MOTOCHO_LISTDOWN(0, ' ', '1101', '', '', 0, '2024-01-31', '2024-01-10', 0, 0, 0, 0, 0)", "1|1,8|1,3|2"},
        // Down from the closing line of the 31st: the ordinary lines of the 1st of the next month follow.
        {"SP_MOTOCHO_LISTDOWN(0, ' ', '1101', '', '', 1, '2024-01-31', '2024-02-29', 10, 2, 0, 0, 0)",
         "10|2,11|1"},
        // The ledgers of the tax accounts add every line with tax of their kind; other kinds list nothing.
        {"SP_MOTOCHO_LISTDOWN(1, '', '2105', '', '', 0, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)", "4|2"},
        {"SP_MOTOCHO_LISTDOWN(2, '', '2105', '', '', 0, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)", ""},
        {"SP_MOTOCHO_LISTDOWN(0, '', '2105', '', '', 0, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)", ""},
        {"SP_MOTOCHO_LISTDOWN(3, '', '1101', '', '', 0, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)", ""},
        {"SP_MOTOCHO_LISTIN(2, ' ', '1101', ' ', '', -1, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)",
         "10|2,9|2,4|1,3|2,8|1,1|1"},
        {"SP_MOTOCHO_LISTIN(0, ' ', '1101', ' ', '', 0, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)",
         "9|2,4|1,8|1,1|1"},
        {"SP_MOTOCHO_LISTIN(1, ' ', '2105', '', '', 1, '2024-01-01', '2024-01-31', 0, 0, 0, 0, 0)", ""},
    };
    for (const Case& c : ledger)
        EXPECT_EQ(lines(QLatin1String(c.call)), c.swkrecs) << c.call;

    // Page sizes over the sixty entries of facility 'L': 0 means 50, the offset counts on.
    const Case pages[] = {
        {"SP_MONITOR_LISTDOWN('L', 0, 0, 0, 0, 0, 0, 0)", "50|1|50"},
        {"SP_MONITOR_LISTUP('L', 0, 0, 0, 0, 0, 0, 10)", "10|1|10"},
        {"SP_MONITOR_LISTDOWN('L', 0, 0, 0, 0, 0, 5, 10)", "10|6|15"},
        {"SP_MONITOR_LISTDOWN_ENTRYORDER('L', 0, 0, 0, 0, 0, 55, 10)", "5|56|60"},
        {"SP_SIWAKE_LISTDOWN('L', 0, '2024-03-01', '2024-03-31', 0, 0, 0, 0)", "50|1|50"},
        {"SP_SIWAKE_LISTUP('L', 0, '2024-03-01', '2024-03-31', 0, 0, 0, 7)", "7|1|7"},
        {"SP_SIWAKE_LISTIN('L', -1, '2024-03-01', '2024-03-31', 0, 0, 40, 0)", "20|41|60"},
        {"SP_MOTOCHO_LISTDOWN(0, 'L', '1101', '', '', 0, '2024-03-01', '2024-03-31', 0, 0, 0, 0, 0)", "50|1|50"},
        {"SP_MOTOCHO_LISTUP(0, '', '4101', '', '', 0, '2024-03-01', '2024-03-31', 0, 0, 0, 45, 0)", "15|46|60"},
    };
    for (const Case& c : pages)
        EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*), MIN(RECORDCNT), MAX(RECORDCNT) FROM %1").arg(QLatin1String(c.call)))
                      .toStdString(),
                  c.swkrecs)
            << c.call;
}

// The ten list procedures return the same columns in the same order.
TEST_F(LaterStepsTest, ListProceduresReturnTheJournalColumns) {
    runTo({2, 0, 4});
    const QString columns = QStringLiteral(
        "RECORDCNT,REC,SWKREC,SWKNO,DELFLG,TAISHAKU,HIZUKE,MNUM,KESSAN,DNUM,SNUM,MDAYNUM,SDAYNUM,SCODE,SITREC,"
        "KGROUP,KCODE,USERCODE,HCODE,BCODE,KNAME,HNAME,BNAME,TAXCODE,TAXUH,TAXDC,NUK,ZEI,RIT,SIKIN,"
        "R_KGROUP,R_KCODE,R_USERCODE,R_HCODE,R_BCODE,R_KNAME,R_HNAME,R_BNAME,R_TAXCODE,R_TAXUH,R_TAXDC,"
        "R_NUK,R_ZEI,R_RIT,R_SIKIN,KINGAKU,ZEIGAKU,ZEIRITUNO,AUTCALCU,TAXCALCU,OLDRATE,TEKCODE,TEKTEXT,"
        "TORCODE,TORTEXT,FUSEN1,FUSEN2,FUSEN3,FUSEN4,FUSEN5,CTIME,COMMENT,AO_COMMENT,LINKKEY,LINKKUB,"
        "LINKREC,LOCALFLG,RESERVE1,RESERVE2,RTIME,OPCODE");
    for (const char* name : {"SP_MONITOR_LISTUP", "SP_MONITOR_LISTDOWN", "SP_MONITOR_LISTUP_ENTRYORDER",
                             "SP_MONITOR_LISTDOWN_ENTRYORDER", "SP_SIWAKE_LISTUP", "SP_SIWAKE_LISTDOWN",
                             "SP_SIWAKE_LISTIN", "SP_MOTOCHO_LISTUP", "SP_MOTOCHO_LISTDOWN", "SP_MOTOCHO_LISTIN"})
        EXPECT_EQ(rows(QStringLiteral("SELECT TRIM(RDB$PARAMETER_NAME) FROM RDB$PROCEDURE_PARAMETERS WHERE "
                                      "RDB$PROCEDURE_NAME = '%1' AND RDB$PARAMETER_TYPE = 1 ORDER BY "
                                      "RDB$PARAMETER_NUMBER")
                           .arg(QLatin1String(name)))
                      .join(u','),
                  columns)
            << name;
}

} // namespace

namespace {

// 0.4.1 writes the audit items with the account codes of the dataset's data type; 1.0.5 the total-item
// names of its data and code type, and none for any other kind of data.
TEST_F(LaterStepsTest, SeedRowsFollowTheKindOfData) {
    runTo({0, 4, 0});
    const size_t audit = indexOf({0, 4, 1});
    const struct {
        int dataType;
        const char* codes;
    } auditCases[] = {
        {1, "3|null|1102,8|1306|null,9|1101|null,10|6206|null,12|6212|null"},
        {2, "3|null|1102,8|2104|null,9|1101|null,10|6109|null,12|6107|null"},
        {3, "3|null|1102,8|2104|null,9|1101|null,10|6109|null,12|6107|null"},
    };
    for (const auto& c : auditCases) {
        SCOPED_TRACE(c.dataType);
        exec(QStringLiteral("UPDATE ACCDEF1 SET DATATYPE = %1 WHERE REC = 1").arg(c.dataType));
        AccInf.DATATYPE = c.dataType;
        ASSERT_EQ(steps[audit].StepProc(), StepDone) << lastFailure().toStdString();
        EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KANSA_ITEM")), QStringLiteral("12"));
        EXPECT_EQ(rows(QStringLiteral("SELECT REC, MOT_KCODE, TOZ_KCODE FROM KANSA_ITEM WHERE MOT_KCODE IS NOT NULL "
                                      "OR TOZ_KCODE IS NOT NULL ORDER BY REC"))
                      .join(u',')
                      .toStdString(),
                  c.codes);
    }
    next = audit + 1;
    runTo({1, 0, 3});
    const size_t names = indexOf({1, 0, 5});
    const struct {
        int dataType, codeType;
        const char* first;
    } nameCases[] = {
        {1, 1, "38|当座資産|当座資産合計"}, {1, 3, "38|当座資産|当座資産合計"}, {2, 1, "31|当座資産|当座資産計"},
        {2, 2, "24|当座資産計|当座資産計"}, {2, 3, "0|null|null"},        {2, 4, "0|null|null"},
        {3, 1, "0|null|null"},
    };
    for (const auto& c : nameCases) {
        SCOPED_TRACE(QStringLiteral("%1/%2").arg(c.dataType).arg(c.codeType).toStdString());
        exec(QStringLiteral("UPDATE ACCDEF1 SET DATATYPE = %1 WHERE REC = 1").arg(c.dataType));
        AccInf.DATATYPE = c.dataType;
        AccInf.CODETYPE = c.codeType;
        ASSERT_EQ(steps[names].StepProc(), StepDone) << lastFailure().toStdString();
        EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*), MAX(IIF(REC = 1, KOUMOKU, NULL)), "
                                     "MAX(IIF(REC = 1, PLUSNAME, NULL)) FROM ACCTOTALNAME")),
                  QString::fromUtf8(c.first));
    }
}

// The sub-account procedure of 2.0.4 gives a new sub-account its opening rows in every facility and
// department that has rows of the account, in the departments only as the department setting allows,
// and in the common department with the whole allocation in every period.
TEST_F(LaterStepsTest, NewSubAccountRowsAt204) {
    runTo({2, 0, 4});
    for (const char* sql :
         {"UPDATE OR INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('00', '共通') MATCHING (BCODE)",
          "UPDATE OR INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('10', '営業') MATCHING (BCODE)",
          "UPDATE OR INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('B', '支店') MATCHING (SCODE)",
          "UPDATE OR INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1) VALUES ('T1', 'T1', 1110) MATCHING (KCODE)",
          "UPDATE OR INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1) VALUES ('T5', 'T5', 5100) MATCHING (KCODE)"})
        exec(QString::fromUtf8(sql));
    for (const char* k : {"T1", "T5"})
        for (const char* sb : {"' ', ' '", "' ', '00'", "' ', '10'", "'B', ' '"})
            exec(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, BCODE, KCODE, HCODE) VALUES (%1, '%2', ' ')")
                     .arg(QLatin1String(sb), QLatin1String(k)));
    const struct {
        int bumon;
        const char* account;
        QStringList rows; // facility, department, allocations of periods 1 and 16, opening balance
    } cases[] = {
        {0, "T5", {" | |0|0|0", "B| |0|0|0"}},
        {1, "T1", {" | |0|0|0", "B| |0|0|0"}},
        {1, "T5", {" | |0|0|0", " |00|100|100|0", " |10|0|0|0", "B| |0|0|0"}},
        {2, "T1", {" | |0|0|0", " |00|100|100|0", " |10|0|0|0", "B| |0|0|0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.bumon).arg(QLatin1String(c.account)).toStdString());
        exec(QStringLiteral("DELETE FROM KAMOKU_SZ WHERE HCODE = 'N1'"));
        exec(QStringLiteral("UPDATE ACCDEF1 SET BUMON = %1 WHERE REC = 1").arg(c.bumon));
        EXPECT_EQ(rows(QStringLiteral("SELECT OUT_SCODE, OUT_KCODE, OUT_HCODE FROM SP_HOJO_KAMOKUSZ_INS('B', '%1', 'N1')")
                           .arg(QLatin1String(c.account))),
                  QStringList{QStringLiteral("B|%1|N1").arg(QLatin1String(c.account))});
        EXPECT_EQ(rows(QStringLiteral("SELECT SCODE, BCODE, HAIBUN01, HAIBUN16, KAISIZAN FROM KAMOKU_SZ WHERE "
                                      "HCODE = 'N1' ORDER BY SCODE, BCODE"))
                      .join(u',')
                      .toStdString(),
                  c.rows.join(u',').toStdString());
    }
}

} // namespace

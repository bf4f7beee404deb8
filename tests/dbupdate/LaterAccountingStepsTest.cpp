// The accounting steps 0.4.1 to 2.0.4 through real isql-fb on a dataset built from the base and brought
// to 0.4.0: the driver's run, the prior-year balance repair, the journal maintenance procedures as the
// journal writer calls them, and the paging of the journal, monitor and ledger lists.

#include "UpgradeTestSupport.h"
#include "core/uAccRecord.h"
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

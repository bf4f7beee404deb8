// The opening-balance, prior-year and carry-forward procedures that the accounting steps 0.2.1 to 0.3.3
// bring, on a dataset built from the base and upgraded by the steps themselves: two facilities ('10' keeps
// departments, '20' does not), the common department '00' shared out at partial rates, sub-accounts and a
// data start in month 4. Every expected figure is worked out by hand beside its fixture rows.

#include "UpgradeTestSupport.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateStep.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "support/DmFixture.h"

#include <gtest/gtest.h>
#include <map>
#include <ostream>

// Row lists print one row a line in failure messages.
static void PrintTo(const QStringList& rows, std::ostream* os) {
    *os << "\n" << rows.join(u'\n').toStdString();
}

namespace {

struct OpeningBalanceStepsTest : ::testing::Test {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});
    TArrayDbUpdateListRec steps = BuildSteps(TDbKind::Accounting);
    size_t next = 0;

    OpeningBalanceStepsTest() {
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
        testenv::createDatabaseFromScript(testenv::sourceDir() + QStringLiteral("/sql/base/placc_base.sql"),
                                          ds.database);
        SystemDef.DataDir = ds.folder;
    }

    void runTo(const TDbVersion& last) {
        for (; next < steps.size() && !(last < steps[next].version()); ++next)
            ASSERT_EQ(steps[next].StepProc(), StepDone) << steps[next].version().text().toStdString() << "\n"
                                                        << e.ui->messageTexts().join(u'\n').toStdString();
    }
    void exec(const QString& sql) const { ds.execute(sql); }
    QStringList rows(const QString& sql) const { return queryRows(*ds.connect(), sql); }

    void sz(const char* s, const char* k, const char* h, const char* b, int zan) const {
        exec(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE, KAISIZAN) VALUES ('%1', '%2', '%3', "
                            "'%4', %5)")
                 .arg(QLatin1String(s), QLatin1String(k), QLatin1String(h), QLatin1String(b))
                 .arg(zan));
    }
    void pz(const char* s, const char* k, const char* h, const char* b, int mnum, int zan, int haibun = 0) const {
        exec(QStringLiteral("INSERT INTO KAMOKU_PZ (SCODE, KCODE, HCODE, BCODE, MNUM, NUKIZAN, ZEIGAKU, HAIBUN) "
                            "VALUES ('%1', '%2', '%3', '%4', %5, %6, 0, %7)")
                 .arg(QLatin1String(s), QLatin1String(k), QLatin1String(h), QLatin1String(b))
                 .arg(mnum)
                 .arg(zan)
                 .arg(haibun));
    }
    void ms(const char* s, const char* k, const char* h, const char* b, int mnum, int yosan) const {
        exec(QStringLiteral("INSERT INTO KAMOKU_MS (SCODE, KCODE, HCODE, BCODE, MNUM, BYOSAN) VALUES ('%1', '%2', "
                            "'%3', '%4', %5, %6)")
                 .arg(QLatin1String(s), QLatin1String(k), QLatin1String(h), QLatin1String(b))
                 .arg(mnum)
                 .arg(yosan));
    }

    // The masters of a dataset at 0.2.2 or later: a corporation keeping departments on every account,
    // whose data starts in month 4.
    void masters() const {
        exec(QStringLiteral("UPDATE ACCDEF1 SET DATATYPE = 1, BUMON = 2, KAISINO = 4 WHERE REC = 1"));
        exec(QStringLiteral("INSERT INTO SISETUMST (SCODE, SNAME, BUMEX) VALUES ('10', '本店', 1)"));
        exec(QStringLiteral("INSERT INTO SISETUMST (SCODE, SNAME, BUMEX) VALUES ('20', '支店', 0)"));
        for (const char* b : {"00", "01", "02"})
            exec(QStringLiteral("INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('%1', '部門%1')").arg(QLatin1String(b)));
        exec(QStringLiteral("INSERT INTO GROUPMST (GCODE, GNAME) VALUES ('G1', '営業系')"));
        exec(QStringLiteral("INSERT INTO GROUPLIST (GCODE, BCODE) VALUES ('G1', '01')"));
        exec(QStringLiteral("INSERT INTO GROUPLIST (GCODE, BCODE) VALUES ('G1', '02')"));
        struct Acc {
            const char *k, *name, *group;
            int dac;
            const char* bp;
        };
        const Acc accounts[] = {
            {"1110", "現金", "1110", 1, "B"},     {"1141", "受取手形", "1130", 1, "B"},
            {"1300", "事業主貸", "1300", 1, "B"}, {"2110", "買掛金", "2110", 2, "B"},
            {"3110", "繰越利益", "3110", 2, "B"}, {"3120", "事業主借", "3120", 2, "B"},
            {"3210", "元入金", "3210", 2, "B"},   {"6110", "給料手当", "6000", 1, "P"},
            {"7110", "支払利息", "7100", 1, "P"},
            {"9999", "諸口", "9900", 1, "B"},
        };
        for (const Acc& a : accounts)
            exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME, GROUPM0, GROUPM1, GROUPM2, DAC, BPFLG, "
                                "USE) VALUES ('%1', '%1', '%2', '%3', %3, %3, %4, '%5', 1)")
                     .arg(QLatin1String(a.k), QString::fromUtf8(a.name), QLatin1String(a.group))
                     .arg(a.dac)
                     .arg(QLatin1String(a.bp)));
        exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('1141', 'A1', '甲社')"));
        exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('1141', 'A2', '乙社')"));
        for (const auto& [name, code] : std::map<QString, QString>{{"諸口", "9999"},
                                                                   {"繰越利益剰余金", "3110"},
                                                                   {"元入金", "3210"},
                                                                   {"事業主貸", "1300"},
                                                                   {"事業主借", "3120"}})
            exec(QStringLiteral("UPDATE OR INSERT INTO ACCDEF2 (KNAME, KCODE) VALUES ('%1', '%2') MATCHING (KNAME)")
                     .arg(name, code));
        // Only the balances each test enters.
        for (const char* table : {"KAMOKU_SZ", "KAMOKU_PZ", "KAMOKU_MS"})
            exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
    }
};

// The 63 figures of a prior-year row, ZANM32 ... ZANM00, ZANP01 ... ZANP15, YOSAN01 ... YOSAN15, as the
// select list that reads them and as the expected text: every column not named is 0.
QStringList figureColumns(bool withBudget) {
    QStringList c;
    for (int i = 32; i >= 0; --i)
        c << QStringLiteral("ZANM%1").arg(i, 2, 10, QLatin1Char('0'));
    for (int i = 1; i <= 15; ++i)
        c << QStringLiteral("ZANP%1").arg(i, 2, 10, QLatin1Char('0'));
    if (withBudget)
        for (int i = 1; i <= 15; ++i)
            c << QStringLiteral("YOSAN%1").arg(i, 2, 10, QLatin1Char('0'));
    return c;
}
QString figureSelect(bool withBudget) {
    QStringList c = figureColumns(withBudget);
    for (QString& s : c)
        s = QStringLiteral("CAST(%1 AS INTEGER)").arg(s);
    return c.join(QStringLiteral(", "));
}
QString figures(const QString& keys, const std::map<QString, int>& set, bool withBudget = true) {
    QStringList out{keys};
    for (const QString& c : figureColumns(withBudget))
        out << QString::number(set.contains(c) ? set.at(c) : 0);
    return out.join(u'|');
}

} // namespace

// The one-time repair of 0.2.1: rates copied back into both previous years, and balances on the
// department-less rows of earlier periods cleared only where the account is kept by department.
TEST_F(OpeningBalanceStepsTest, TheRepairClearsDepartmentLessPriorBalancesOnlyWhereDepartmentsExist) {
    runTo({0, 2, 0});
    exec(QStringLiteral("INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('10', '本店')"));
    exec(QStringLiteral("INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('20', '支店')"));
    exec(QStringLiteral("INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('01', '営業')"));
    exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1) VALUES ('1110', '1110', 1110)"));
    sz("10", "1110", " ", "01", 0);
    sz("10", "1110", " ", " ", 0);
    sz("20", "1110", " ", " ", 0);
    for (const char* s : {"10", "20"}) {
        pz(s, "1110", " ", " ", 5, 0, 40);
        pz(s, "1110", " ", " ", -11, 8, 0);
        pz(s, "1110", " ", " ", -27, 6, 0);
        pz(s, "1110", " ", " ", 1, 3, 0);
    }
    exec(QStringLiteral("UPDATE KAMOKU_PZ SET ZEIGAKU = 1 WHERE MNUM = -11"));
    runTo({0, 2, 1});
    EXPECT_EQ(rows(QStringLiteral("SELECT SCODE, MNUM, CAST(NUKIZAN AS INTEGER), CAST(ZEIGAKU AS INTEGER), "
                                  "CAST(HAIBUN AS INTEGER) FROM KAMOKU_PZ ORDER BY SCODE, MNUM")),
              (QStringList{"10|-27|0|0|40", "10|-11|0|0|40", "10|1|3|0|0", "10|5|0|0|40", //
                           "20|-27|6|0|40", "20|-11|8|1|40", "20|1|3|0|0", "20|5|0|0|40"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'ONE_TIME_PROC'")),
              QStringList{"0"});
}

// The group procedure of 0.2.2 takes the group's department rows one after the other (the last
// department's balance stands); 0.3.1's form sums them. Budgets are summed by both.
TEST_F(OpeningBalanceStepsTest, TheGroupBalanceTakesOneDepartmentBeforeAndTheSumAfter031) {
    runTo({0, 2, 2});
    masters();
    sz("10", "6110", " ", "01", 0);
    sz("10", "6110", " ", "02", 0);
    sz("10", "6110", " ", "00", 0);
    pz("10", "6110", " ", "01", -15, 20);
    pz("10", "6110", " ", "02", -15, 30);
    pz("10", "6110", " ", "00", -15, 500); // not in the group
    ms("10", "6110", " ", "01", 1, 7);
    ms("10", "6110", " ", "02", 1, 8);
    const QString sql = QStringLiteral("SELECT USERCODE, KCODE, HCODE, %1 FROM SP_KANENDO_BUMON_GROUPZANDAKA('10', '%2')")
                            .arg(figureSelect(true));
    EXPECT_EQ(rows(sql.arg(QStringLiteral("G1"))),
              QStringList{figures(QStringLiteral("6110|6110| "), {{"ZANM15", 30}, {"YOSAN01", 15}})});
    runTo({0, 3, 1});
    EXPECT_EQ(rows(sql.arg(QStringLiteral("G1"))),
              QStringList{figures(QStringLiteral("6110|6110| "), {{"ZANM15", 50}, {"YOSAN01", 15}})});
    EXPECT_TRUE(rows(sql.arg(QStringLiteral("G9"))).isEmpty());
}

struct OpeningBalanceAt040 : OpeningBalanceStepsTest {
    OpeningBalanceAt040() {
        runTo({0, 4, 0});
        masters();
    }
};

// Opening-balance lists: the suspense account never, an account with sub-accounts only by its
// sub-accounts, BUMONZAN null without department rows and equal to KAISIZAN when all lies on them.
TEST_F(OpeningBalanceAt040, OpeningBalanceListsLeaveOutTheSuspenseAccountAndListSubAccounts) {
    sz("10", "1110", " ", " ", 1000);
    sz("10", "1110", " ", "01", 200);
    sz("10", "1141", " ", " ", 0);
    sz("10", "1141", "A1", " ", 100);
    sz("10", "1141", "A2", "01", 30);
    sz("10", "9999", " ", " ", 5);
    sz("10", "6110", " ", "00", 40);
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM SP_KAISIZAN_LIST('10', 0)")),
              (QStringList{"1110|1110|1110|現金| ||1|B|1200|200",
                           "1130|1141|1141|受取手形|A1|甲社|1|B|100|null",
                           "1130|1141|1141|受取手形|A2|乙社|1|B|30|30",
                           "6000|6110|6110|給料手当| ||1|P|40|null"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM SP_KAISIZAN_COUNT('10', 0)")), QStringList{"4"});
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM SP_BUMONKAISIZAN_LIST('10')")),
              (QStringList{"00|6000|6110|6110| |給料手当||1|1|40|40",
                           "01|1110|1110|1110| |現金||1|1|200|1200",
                           "01|1130|1141|1141|A2|受取手形|乙社|0|1|30|30"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM SP_BUMONKAISIZAN_COUNT('10')")), QStringList{"1"});
}

// Prior balances for the entry: periods below the bound of month 4 (period 5), the '9900'
// classification left out, a blank department reading all departments.
TEST_F(OpeningBalanceAt040, PriorBalanceReadingStopsAtTheDataStart) {
    sz("10", "6110", " ", "01", 0);
    sz("10", "9999", " ", "01", 0);
    pz("10", "6110", " ", "01", -32, 1);
    pz("10", "6110", " ", "01", 0, 2);
    pz("10", "6110", " ", "01", 4, 3);
    pz("10", "6110", " ", "01", 5, 4);
    pz("10", "6110", " ", "02", 0, 10);
    pz("10", "9999", " ", "01", 0, 9);
    const QString sql =
        QStringLiteral("SELECT KGROUP, USERCODE, KCODE, KNAME, HCODE, HNAME, BSPL, TAISHAKU, %1 FROM "
                       "SP_KANENDOZAN_YOMIKOMI('10', '%2')")
            .arg(figureSelect(false));
    EXPECT_EQ(rows(sql.arg(QStringLiteral("01"))),
              QStringList{figures(QStringLiteral("6000|6110|6110|給料手当| ||P|1"),
                                  {{"ZANM32", 1}, {"ZANM00", 2}, {"ZANP04", 3}}, false)});
    sz("10", "6110", " ", " ", 0);
    EXPECT_EQ(rows(sql.arg(QStringLiteral(" "))),
              QStringList{figures(QStringLiteral("6000|6110|6110|給料手当| ||P|1"),
                                  {{"ZANM32", 1}, {"ZANM00", 12}, {"ZANP04", 3}}, false)});
}

// KAKOZAN follows the largest earlier balance on a change of NUKIZAN only.
TEST_F(OpeningBalanceAt040, PriorBalanceChangesMarkTheOpeningBalance) {
    sz("20", "1110", " ", " ", 0);
    pz("20", "1110", " ", " ", -32, 900);
    pz("20", "1110", " ", " ", -5, 0);
    pz("20", "1110", " ", " ", -4, 12);
    const QString kakozan =
        QStringLiteral("SELECT CAST(KAKOZAN AS INTEGER) FROM KAMOKU_SZ WHERE SCODE = '20' AND KCODE = '1110'");
    exec(QStringLiteral("UPDATE KAMOKU_PZ SET NUKIZAN = 30 WHERE SCODE = '20' AND MNUM = -5"));
    EXPECT_EQ(rows(kakozan), QStringList{"30"});
    exec(QStringLiteral("UPDATE KAMOKU_SZ SET KAKOZAN = 7 WHERE SCODE = '20'"));
    exec(QStringLiteral("UPDATE KAMOKU_PZ SET ZEIGAKU = 3 WHERE SCODE = '20' AND MNUM = -5"));
    EXPECT_EQ(rows(kakozan), QStringList{"7"});
    exec(QStringLiteral("UPDATE KAMOKU_PZ SET NUKIZAN = 0 WHERE SCODE = '20' AND MNUM = -5"));
    EXPECT_EQ(rows(kakozan), QStringList{"12"});
    exec(QStringLiteral("UPDATE KAMOKU_PZ SET NUKIZAN = 0 WHERE SCODE = '20' AND MNUM = -4"));
    EXPECT_EQ(rows(kakozan), QStringList{"0"});
}

// One facility, all facilities ('') and the blank facility (' '); a row after an account with figures
// in every period shows 0 where its own account has none.
TEST_F(OpeningBalanceAt040, PriorYearBalancesByFacility) {
    sz(" ", "1110", " ", " ", 0);
    sz("10", "1110", " ", "01", 0);
    sz(" ", "1141", " ", " ", 0);
    std::map<QString, int> all;
    std::map<QString, int> blank;
    for (int p = -32; p <= 15; ++p) {
        pz(" ", "1110", " ", " ", p, 100 + p);
        const QString c = p <= 0 ? QStringLiteral("ZANM%1").arg(-p, 2, 10, QLatin1Char('0'))
                                 : QStringLiteral("ZANP%1").arg(p, 2, 10, QLatin1Char('0'));
        if (p < 4) // the data starts in month 4
            blank[c] = all[c] = 100 + p;
        if (p >= 1) {
            ms(" ", "1110", " ", " ", p, p);
            blank[QStringLiteral("YOSAN%1").arg(p, 2, 10, QLatin1Char('0'))] = p;
            all[QStringLiteral("YOSAN%1").arg(p, 2, 10, QLatin1Char('0'))] = p;
        }
    }
    pz("10", "1110", " ", "01", 1, 5);
    all[QStringLiteral("ZANP01")] += 5;
    pz(" ", "1141", " ", " ", -1, 9);
    const QString sql =
        QStringLiteral("SELECT USERCODE, KCODE, HCODE, %1 FROM SP_KANENDO_ZANDAKA('%2')").arg(figureSelect(true));
    EXPECT_EQ(rows(sql.arg(QString())), (QStringList{figures(QStringLiteral("1110|1110| "), all),
                                                    figures(QStringLiteral("1141|1141| "), {{"ZANM01", 9}})}));
    EXPECT_EQ(rows(sql.arg(QStringLiteral(" "))), (QStringList{figures(QStringLiteral("1110|1110| "), blank),
                                                              figures(QStringLiteral("1141|1141| "), {{"ZANM01", 9}})}));
    EXPECT_EQ(rows(sql.arg(QStringLiteral("10"))),
              QStringList{figures(QStringLiteral("1110|1110| "), {{"ZANP01", 5}, {"YOSAN01", 0}})});
}

// The common department's figures shared out at 50%: halves of both signs rounded upward, R(x) =
// FLOOR(0.5 + x), so 2.5 gives 3 and -2.5 gives -2.
TEST_F(OpeningBalanceAt040, DepartmentBalancesShareTheCommonDepartment) {
    sz("10", "6110", " ", "00", 0);
    sz("10", "6110", " ", "01", 0);
    exec(QStringLiteral("UPDATE KAMOKU_SZ SET HAIBUN01 = 50, HAIBUN02 = 50 WHERE KCODE = '6110'"));
    ms("10", "6110", " ", "00", 1, 5);
    ms("10", "6110", " ", "00", 2, -5);
    ms("10", "6110", " ", "01", 1, 100);
    ms("10", "6110", " ", "01", 2, 10);
    pz("10", "6110", " ", "00", -15, 7, 50);
    pz("10", "6110", " ", "00", -14, -7, 50);
    pz("10", "6110", " ", "01", -15, 20, 50);
    pz("10", "6110", " ", "01", -14, 0, 50);
    pz("10", "6110", " ", "01", 3, 1, 50);
    pz("10", "6110", " ", "01", 5, 99, 50); // after the data start
    const QString sql = QStringLiteral("SELECT USERCODE, KCODE, HCODE, %1 FROM SP_KANENDO_BUMON_ZANDAKA('10', '%2', %3)")
                            .arg(figureSelect(true));
    struct Case {
        const char* bcode;
        int hibun;
        std::map<QString, int> expected;
    };
    const Case cases[] = {
        // 5 × 0.5 = 2.5 → 3; -5 × 0.5 = -2.5 → -2; 7 × 0.5 = 3.5 → 4; -7 × 0.5 = -3.5 → -3.
        {"00", 1, {{"YOSAN01", 3}, {"YOSAN02", -2}, {"ZANM15", 4}, {"ZANM14", -3}}},
        {"01", 1, {{"YOSAN01", 103}, {"YOSAN02", 8}, {"ZANM15", 24}, {"ZANM14", -3}, {"ZANP03", 1}}},
        {"01", 0, {{"YOSAN01", 100}, {"YOSAN02", 10}, {"ZANM15", 20}, {"ZANP03", 1}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rows(sql.arg(QLatin1String(c.bcode)).arg(c.hibun)),
                  QStringList{figures(QStringLiteral("6110|6110| "), c.expected)})
            << c.bcode << " " << c.hibun;
}

// Retained earnings for a corporation, owner's capital for an individual; each procedure does
// nothing for the other data type. Facility '20' keeps no departments, so only ' ' is carried.
TEST_F(OpeningBalanceAt040, CarryForwardByDataType) {
    sz("20", "1110", " ", " ", 2500);
    sz("20", "2110", " ", " ", 120);
    sz("20", "3110", " ", " ", 999);
    sz("20", "6110", " ", " ", 50); // profit and loss: not counted
    const QString balances = QStringLiteral("SELECT KCODE, CAST(KAISIZAN AS INTEGER) FROM KAMOKU_SZ WHERE SCODE = '20' "
                                            "ORDER BY KCODE");
    EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM SP_MOTOIREKIN_KURIIRE('20')")).isEmpty());
    // 2500 - 120 = 2380.
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM SP_ZENKURI('20', '')")), QStringList{" |2380"});
    EXPECT_EQ(rows(balances), (QStringList{"1110|2500", "2110|120", "3110|2380", "6110|50"}));

    exec(QStringLiteral("UPDATE ACCDEF1 SET DATATYPE = 2 WHERE REC = 1"));
    EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM SP_ZENKURI('20', '')")).isEmpty());
    EXPECT_EQ(rows(balances), (QStringList{"1110|2500", "2110|120", "3110|2380", "6110|50"}));
    // The retained earnings are an individual's capital now: 3110 cleared, capital, drawings (debit side)
    // and contributions (credit side) entered.
    exec(QStringLiteral("UPDATE KAMOKU_SZ SET KAISIZAN = 0 WHERE KCODE = '3110'"));
    sz("20", "3210", " ", " ", 1000);
    sz("20", "1300", " ", " ", 70);
    sz("20", "3120", " ", " ", 40);
    // Debit 2500 + 70 = 2570, credit 120 + 40 + 1000 = 1160; new capital 1000 + 1410 + 40 - 70 = 2380, the
    // other balance-sheet rows alone: 2500 - 120.
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM SP_MOTOIREKIN_KURIIRE('20')")),
              QStringList{" |2380|1000|70|40|2570|1160"});
    EXPECT_EQ(rows(balances),
              (QStringList{"1110|2500", "1300|0", "2110|120", "3110|0", "3120|0", "3210|2380", "6110|50"}));
}

// With departments on every account and a facility that keeps them, every department is carried.
TEST_F(OpeningBalanceAt040, CarryForwardPerDepartment) {
    sz("10", "1110", " ", "01", 300);
    sz("10", "2110", " ", "01", 100);
    sz("10", "3110", " ", "01", 0);
    sz("10", "1110", " ", "02", 50);
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM SP_ZENKURI('10', '')")),
              (QStringList{" |0", "00|0", "01|200", "02|50"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT BCODE, CAST(KAISIZAN AS INTEGER) FROM KAMOKU_SZ WHERE KCODE = '3110'")),
              QStringList{"01|200"});
}

// Budgets month by month: profit-and-loss accounts only, periods 4, 8, 12 and 16 skipped, departments
// summed or one department alone; a row after an account with every month filled shows 0 where its own
// account has none.
TEST_F(OpeningBalanceAt040, BudgetsMonthByMonth) {
    for (const char* b : {"01", "02"})
        for (const char* k : {"6110", "7110", "1110", "9999"})
            sz("10", k, " ", b, 0);
    for (int p = 1; p <= 16; ++p)
        ms("10", "6110", " ", "01", p, p * 10);
    ms("10", "6110", " ", "02", 1, 5);
    ms("10", "7110", " ", "01", 5, 7);
    ms("10", "1110", " ", "01", 1, 99); // balance sheet
    ms("10", "9999", " ", "01", 1, 1);  // from '9900'
    QStringList months;
    for (int m = 1; m <= 12; ++m)
        months << QStringLiteral("CAST(T_YOSAN%1 AS INTEGER)").arg(m);
    const QString sql = QStringLiteral("SELECT KGROUP, KCODE, BCODE, KNAME, BNAME, %1 FROM SP_MB_SELECT_YOSAN('10', '%2')")
                            .arg(months.join(QStringLiteral(", ")));
    EXPECT_EQ(rows(sql.arg(QStringLiteral(" "))),
              (QStringList{"6000|6110||給料手当||15|20|30|50|60|70|90|100|110|130|140|150",
                           "7100|7110||支払利息||0|0|0|7|0|0|0|0|0|0|0|0"}));
    EXPECT_EQ(rows(sql.arg(QString())), rows(sql.arg(QStringLiteral(" "))));
    EXPECT_EQ(rows(sql.arg(QStringLiteral("02"))),
              (QStringList{"6000|6110|02|給料手当|部門02|5|0|0|0|0|0|0|0|0|0|0|0"}));

    QStringList entry;
    for (int m = 1; m <= 12; ++m)
        entry << QStringLiteral("CAST(YOSAN%1 AS INTEGER)").arg(m, 2, 10, QLatin1Char('0'));
    EXPECT_EQ(rows(QStringLiteral("SELECT KGROUP, USERCODE, KCODE, KNAME, HCODE, TAISHAKU, %1 FROM "
                                  "SP_YOSAN_READ('10', '01')")
                       .arg(entry.join(QStringLiteral(", ")))),
              (QStringList{"6000|6110|6110|給料手当| |1|10|20|30|50|60|70|90|100|110|130|140|150",
                           "7100|7110|7110|支払利息| |1|0|0|0|7|0|0|0|0|0|0|0|0"}));
}

// Earlier-period balances per account for the budget entry, with and without their tax.
TEST_F(OpeningBalanceAt040, BudgetEntryPriorBalancesWithAndWithoutTax) {
    sz("10", "6110", " ", "01", 0);
    pz("10", "6110", " ", "01", -32, 1);
    pz("10", "6110", " ", "01", 0, 100);
    pz("10", "6110", " ", "01", 16, 5);
    exec(QStringLiteral("UPDATE KAMOKU_PZ SET ZEIGAKU = MNUM / 2 + 9 WHERE MNUM >= 0")); // 9 and 17
    const QString sql = QStringLiteral("SELECT KGROUP, KCODE, BCODE, DAC, CAST(ZZZ_ZAN16 AS INTEGER), "
                                       "CAST(Z_ZAN16 AS INTEGER), CAST(T_ZAN16 AS INTEGER), CAST(T_ZAN1 AS INTEGER) "
                                       "FROM SP_MB_SELECT_KANENDOZAN('10', '%1', %2)");
    EXPECT_EQ(rows(sql.arg(QStringLiteral(" ")).arg(0)), QStringList{"6000|6110||1|1|109|22|0"});
    EXPECT_EQ(rows(sql.arg(QStringLiteral("01")).arg(1)), QStringList{"6000|6110|01|1|1|100|5|0"});
}

// Next year's budget from last year's actual figures: months 4 to 6 become 25 × 1.1 = 27.5, rounded to
// 28; the other months keep their monthly budget of 10 when the budget is written back.
TEST_F(OpeningBalanceAt040, BudgetFromLastYearsActualFigures) {
    EXPECT_EQ(rows(QStringLiteral("SELECT CAST(F_ROUND(2.5) AS INTEGER), CAST(F_ROUND(-2.5) AS INTEGER), "
                                  "CAST(F_ROUND(2.4999) AS INTEGER) FROM RDB$DATABASE")),
              QStringList{"3|-3|2"});
    sz("10", "6110", " ", "01", 0);
    // Running totals: a budget of 10 a month, actual figures of 25 a month (period p of last year is p - 16).
    for (int p = 1; p <= 16; ++p) {
        const int monthsSoFar = p - p / 4;
        ms("10", "6110", " ", "01", p, 10 * monthsSoFar);
        if (p <= 15)
            pz("10", "6110", " ", "01", p - 16, 25 * monthsSoFar);
    }
    exec(QStringLiteral("EXECUTE PROCEDURE SP_MB_UPDATE_JISSEKIYOSAN('10', '6110', '01', 1.1, 4, 6)"));
    QStringList months;
    for (int m = 1; m <= 12; ++m)
        months << QStringLiteral("CAST(T_YOSAN%1 AS INTEGER)").arg(m);
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_MB_SELECT_YOSAN('10', '01')").arg(months.join(QStringLiteral(", ")))),
              QStringList{"10|20|30|58|86|114|124|134|144|154|164|174"});
}

// ---- Department trial balances

namespace {

// The figures of a trial-balance row after its keys: KAISIZAN, KAR01 ... KAR16, KAS01 ... KAS16, every
// column not named being 0.
QStringList trialColumns() {
    QStringList c{QStringLiteral("KAISIZAN")};
    for (const char* side : {"KAR", "KAS"})
        for (int i = 1; i <= 16; ++i)
            c << QStringLiteral("%1%2").arg(QLatin1String(side)).arg(i, 2, 10, QLatin1Char('0'));
    return c;
}
QString trialSelect() {
    QStringList c = trialColumns();
    for (QString& s : c)
        s = QStringLiteral("CAST(%1 AS INTEGER)").arg(s);
    return QStringLiteral("USERCODE, KCODE, BSPL, HOJCNT, HCODE, HNAME, TAISHAKU, ") + c.join(QStringLiteral(", "));
}
QString trial(const QString& keys, const std::map<QString, int>& set) {
    QStringList out{keys};
    for (const QString& c : trialColumns())
        out << QString::number(set.contains(c) ? set.at(c) : 0);
    return out.join(u'|');
}

} // namespace

struct DepartmentTrialBalance : OpeningBalanceAt040 {
    // One movement row: debit amount and tax, credit amount and tax.
    void mv(const char* s, const char* k, const char* h, const char* b, int mnum, int karNuk, int karTax = 0,
            int kasNuk = 0, int kasTax = 0) const {
        exec(QStringLiteral("INSERT INTO KAMOKU_MS (SCODE, KCODE, HCODE, BCODE, MNUM, KAR_NUK, KAR_TAX, KAS_NUK, KAS_TAX) "
                            "VALUES ('%1', '%2', '%3', '%4', %5, %6, %7, %8, %9)")
                 .arg(QLatin1String(s), QLatin1String(k), QLatin1String(h), QLatin1String(b))
                 .arg(mnum)
                 .arg(karNuk)
                 .arg(karTax)
                 .arg(kasNuk)
                 .arg(kasTax));
    }
    // Allocation rates in percent on the account's own row in a department.
    void rates(const char* k, const char* b, const std::map<int, int>& percent) const {
        for (const auto& [slot, p] : percent)
            exec(QStringLiteral("UPDATE KAMOKU_SZ SET HAIBUN%1 = %2 WHERE SCODE = '10' AND KCODE = '%3' AND HCODE = ' ' "
                                "AND BCODE = '%4'")
                     .arg(slot, 2, 10, QLatin1Char('0'))
                     .arg(p)
                     .arg(QLatin1String(k), QLatin1String(b)));
    }
    QStringList bumon(int tax, int share, const char* bcode) const {
        return rows(QStringLiteral("SELECT %1 FROM SP_SISANHYO_BUMON(%2, %3, '10', '%4')")
                        .arg(trialSelect())
                        .arg(tax)
                        .arg(share)
                        .arg(QLatin1String(bcode)));
    }
    QStringList group(int tax, const char* gcode) const {
        return rows(QStringLiteral("SELECT %1 FROM SP_SISANHYO_BUMON_GROUP(%2, '10', '%3')")
                        .arg(trialSelect())
                        .arg(tax)
                        .arg(QLatin1String(gcode)));
    }
};

// The data starts in month 4: an account's opening balance is shared by the rate of period 5, the
// movements period by period. R(x) = FLOOR(0.5 + x) rounds halves upward: 1.5 → 2, -1.5 → -1, -3.5 → -3.
// The account that follows has movements only in period 3 and shows 0 everywhere else.
TEST_F(DepartmentTrialBalance, TheCommonDepartmentIsSharedOutByTheAccountsRates) {
    sz("10", "6110", " ", "00", 1001);
    sz("10", "6110", " ", "01", 100);
    sz("10", "7110", " ", "01", 0);
    rates("6110", "01", {{1, 50}, {2, 30}, {5, 25}});
    rates("6110", "00", {{1, 50}, {2, 70}, {5, 75}});
    mv("10", "6110", " ", "00", 1, 3);
    mv("10", "6110", " ", "00", 2, -5);
    for (int p = 1; p <= 16; ++p)
        p == 1 ? mv("10", "6110", " ", "01", 1, 100, 10, 20, 2) : mv("10", "6110", " ", "01", p, p);
    mv("10", "7110", " ", "01", 3, 0, 0, 7);
    std::map<QString, int> movements;
    for (int p = 3; p <= 16; ++p)
        movements[QStringLiteral("KAR%1").arg(p, 2, 10, QLatin1Char('0'))] = p;
    auto with = [&](std::map<QString, int> m, const std::map<QString, int>& more) {
        for (const auto& [k, v] : more)
            m[k] = v;
        return m;
    };
    const QString interest = trial(QStringLiteral("7110|7110|P|0|||1"), {{"KAS03", 7}});
    // 100 + R(1001 × 0.25) = 350; 110 + R(3 × 0.5) = 112; 2 + R(-5 × 0.3) = 1.
    EXPECT_EQ(bumon(0, 1, "01"),
              (QStringList{trial(QStringLiteral("6110|6110|P|0|||1"),
                                 with(movements, {{"KAISIZAN", 350}, {"KAR01", 112}, {"KAR02", 1}, {"KAS01", 22}})),
                           interest}));
    // Without sharing, and without tax.
    EXPECT_EQ(bumon(0, 0, "01"),
              (QStringList{trial(QStringLiteral("6110|6110|P|0|||1"),
                                 with(movements, {{"KAISIZAN", 100}, {"KAR01", 110}, {"KAR02", 2}, {"KAS01", 22}})),
                           interest}));
    EXPECT_EQ(bumon(1, 0, "01").first(),
              trial(QStringLiteral("6110|6110|P|0|||1"),
                    with(movements, {{"KAISIZAN", 100}, {"KAR01", 100}, {"KAR02", 2}, {"KAS01", 20}})));
    // The common department keeps R(1001 × 0.75) = 751, R(3 × 0.5) = 2 and R(-5 × 0.7) = -3.
    EXPECT_EQ(bumon(0, 1, "00"),
              QStringList{trial(QStringLiteral("6110|6110|P|0|||1"), {{"KAISIZAN", 751}, {"KAR01", 2}, {"KAR02", -3}})});
    // Rates of 0 leave nothing in the common department; at a data start in the first month its opening
    // balance goes too.
    exec(QStringLiteral("UPDATE KAMOKU_SZ SET HAIBUN01 = 0, HAIBUN02 = 0, HAIBUN05 = 0 WHERE BCODE = '00'"));
    exec(QStringLiteral("UPDATE ACCDEF1 SET KAISINO = 1 WHERE REC = 1"));
    EXPECT_EQ(bumon(0, 1, "00"), QStringList{trial(QStringLiteral("6110|6110|P|0|||1"), {})});
    // From the first month the opening balance is shared by the rate of period 1: 100 + R(1001 × 0.5) = 601.
    EXPECT_EQ(bumon(0, 1, "01").first(),
              trial(QStringLiteral("6110|6110|P|0|||1"),
                    with(movements, {{"KAISIZAN", 601}, {"KAR01", 112}, {"KAR02", 1}, {"KAS01", 22}})));
}

// Sub-accounts follow their account: the own part ' ' only when it holds a figure, every other
// sub-account always. A sub-account's opening balance is shared by the rate of the period before the
// first month (period 3 for month 4), the account's by that of the first month (period 5).
TEST_F(DepartmentTrialBalance, SubAccountsFollowTheirAccountAndShareTheirOwnOpeningBalance) {
    sz("10", "1141", " ", "01", 0);
    sz("10", "1141", "A1", "01", 500);
    sz("10", "1141", "A2", "01", 0);
    sz("10", "1141", " ", "00", 0);
    sz("10", "1141", "A1", "00", 1000);
    rates("1141", "01", {{1, 50}, {3, 40}, {5, 20}});
    rates("1141", "00", {{1, 50}, {3, 60}, {5, 80}});
    mv("10", "1141", " ", "01", 1, 0);
    mv("10", "1141", "A1", "01", 1, 10);
    mv("10", "1141", "A2", "01", 1, 0);
    mv("10", "1141", "A1", "00", 1, 5);
    // 500 + R(1000 × 0.2) = 700 and 10 + R(5 × 0.5) = 13 on the account; 500 + R(1000 × 0.4) = 900 on A1.
    EXPECT_EQ(bumon(0, 1, "01"),
              (QStringList{trial(QStringLiteral("1141|1141|B|2|||1"), {{"KAISIZAN", 700}, {"KAR01", 13}}),
                           trial(QStringLiteral("1141|1141|B|0|A1|甲社|1"), {{"KAISIZAN", 900}, {"KAR01", 13}}),
                           trial(QStringLiteral("1141|1141|B|0|A2|乙社|1"), {})}));
    // The common department: R(1000 × 0.8) = 800 on the account, R(1000 × 0.6) = 600 on A1.
    EXPECT_EQ(bumon(0, 1, "00"),
              (QStringList{trial(QStringLiteral("1141|1141|B|1|||1"), {{"KAISIZAN", 800}, {"KAR01", 3}}),
                           trial(QStringLiteral("1141|1141|B|0|A1|甲社|1"), {{"KAISIZAN", 600}, {"KAR01", 3}})}));
    // The own part appears as soon as it holds a figure, under the account's name.
    mv("10", "1141", " ", "01", 2, 0, 0, 4);
    EXPECT_EQ(bumon(0, 0, "01"),
              (QStringList{trial(QStringLiteral("1141|1141|B|2|||1"), {{"KAISIZAN", 500}, {"KAR01", 10}, {"KAS02", 4}}),
                           trial(QStringLiteral("1141|1141|B|0| |受取手形|1"), {{"KAS02", 4}}),
                           trial(QStringLiteral("1141|1141|B|0|A1|甲社|1"), {{"KAISIZAN", 500}, {"KAR01", 10}}),
                           trial(QStringLiteral("1141|1141|B|0|A2|乙社|1"), {})}));
}

// A group sums its departments and shares nothing out; the common department '00' outside the group
// stays out.
TEST_F(DepartmentTrialBalance, AGroupSumsItsDepartments) {
    sz("10", "1141", " ", "01", 0);
    sz("10", "1141", "A1", "01", 500);
    sz("10", "1141", "A2", "01", 0);
    sz("10", "1141", " ", "02", 30);
    sz("10", "1141", "A1", "02", 50);
    sz("10", "1141", "A1", "00", 1000);
    mv("10", "1141", "A1", "01", 1, 10);
    mv("10", "1141", "A2", "01", 1, 0);
    mv("10", "1141", "A1", "02", 1, 1);
    mv("10", "1141", " ", "02", 2, 0, 0, 4, 1);
    mv("10", "1141", "A1", "00", 1, 5);
    EXPECT_EQ(group(0, "G1"),
              (QStringList{trial(QStringLiteral("1141|1141|B|2|||1"), {{"KAISIZAN", 580}, {"KAR01", 11}, {"KAS02", 5}}),
                           trial(QStringLiteral("1141|1141|B|0| |受取手形|1"), {{"KAISIZAN", 30}, {"KAS02", 5}}),
                           trial(QStringLiteral("1141|1141|B|0|A1|甲社|1"), {{"KAISIZAN", 550}, {"KAR01", 11}}),
                           trial(QStringLiteral("1141|1141|B|0|A2|乙社|1"), {})}));
    EXPECT_EQ(group(1, "G1").first(),
              trial(QStringLiteral("1141|1141|B|2|||1"), {{"KAISIZAN", 580}, {"KAR01", 11}, {"KAS02", 4}}));
    EXPECT_TRUE(group(0, "G9").isEmpty());
}

// The tax accounts get the department's consumption tax only when amounts are without tax: the
// department form only when it shares out (the tax shared by the department's rates), the group form only
// with departments on every account (each department's tax whole).
TEST_F(DepartmentTrialBalance, TaxAccountsGetTheDepartmentsTaxExactlyWhenAsked) {
    exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME, GROUPM0, GROUPM1, GROUPM2, DAC, BPFLG, USE) "
                        "VALUES ('2180', '2180', '仮受消費税', '2100', 2100, 2100, 2, 'B', 1)"));
    exec(QStringLiteral("UPDATE OR INSERT INTO ACCDEF2 (KNAME, KCODE) VALUES ('仮受消費税', '2180') MATCHING (KNAME)"));
    for (const char* b : {"00", "01", "02"})
        sz("10", "2180", " ", b, 0);
    rates("2180", "01", {{1, 50}});
    mv("10", "2180", " ", "01", 1, 0, 0, 8);
    exec(QStringLiteral("INSERT INTO KAMOKU_TAX (SCODE, BCODE, KKUBUN, MNUM, KAR, KAS) VALUES ('10', '01', 1, 1, 0, 30)"));
    exec(QStringLiteral("INSERT INTO KAMOKU_TAX (SCODE, BCODE, KKUBUN, MNUM, KAR, KAS) VALUES ('10', '02', 1, 1, 0, 12)"));
    exec(QStringLiteral("INSERT INTO KAMOKU_TAX (SCODE, BCODE, KKUBUN, MNUM, KAR, KAS) VALUES ('10', '01', 2, 1, 99, 0)"));
    const QString keys = QStringLiteral("2180|2180|B|0|||2");
    struct Case {
        int tax, share;
        int kas01;
    };
    // 8 + R(30 × 0.5) = 23 only when both ask for it.
    for (const Case& c : {Case{1, 1, 23}, Case{1, 0, 8}, Case{0, 1, 8}, Case{0, 0, 8}})
        EXPECT_EQ(bumon(c.tax, c.share, "01"), QStringList{trial(keys, {{"KAS01", c.kas01}})}) << c.tax << c.share;
    // The group: 8 + 30 + 12 with departments on every account, 8 otherwise.
    EXPECT_EQ(group(1, "G1"), QStringList{trial(keys, {{"KAS01", 50}})});
    EXPECT_EQ(group(0, "G1"), QStringList{trial(keys, {{"KAS01", 8}})});
    exec(QStringLiteral("UPDATE ACCDEF1 SET BUMON = 1 WHERE REC = 1"));
    EXPECT_EQ(group(1, "G1"), QStringList{trial(keys, {{"KAS01", 8}})});
}

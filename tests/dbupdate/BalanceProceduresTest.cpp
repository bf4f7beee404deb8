// The balance procedures of the newest accounting schema (sql/placc.sql with sql/procedures/): trial balances by
// print line, facility group and department, the carry-forward into a new year, budgets and prior-year
// balances, each on a small set of balances whose expected figures are worked out by hand below.

#include "UpgradeTestSupport.h"
#include "dbupdate/z5DbUpdateStep.h"
#include "platform/firebird/FbDatabase.h"
#include "support/DataRootFixture.h"
#include "support/TestEnv.h"

#include <QDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct BalanceProceduresTest : ::testing::Test {
    testenv::TempEnvironment env;
    QString path = env.path() + QStringLiteral("/placc.fdb");
    std::unique_ptr<fb::Database> db;

    BalanceProceduresTest() {
        testenv::createDatabaseFromScript(testenv::accountingSchemaScript(), path);
        db = std::make_unique<fb::Database>(path, testenv::databaseUser());
        db->attach();
        masters();
    }

    void exec(const QString& sql) const {
        fb::Transaction t(*db);
        fb::Query q(t, sql);
        q.execute();
        t.commit();
    }
    QStringList rows(const QString& sql) const { return queryRows(*db, sql); }
    // The output values of an EXECUTE PROCEDURE, joined by "|".
    QString execRow(const QString& sql) const {
        fb::Transaction t(*db);
        fb::Query q(t, sql);
        q.execute();
        QStringList f;
        for (int i = 0; i < q.fieldCount(); ++i)
            f << q.field(i).asString();
        t.commit();
        return f.join(u'|');
    }

    // Facilities S1 and S2 form the group G1, S3 stands outside it; departments '00' (common), '01', '02'.
    void masters() const {
        for (const char* s : {"S1", "S2", "S3"})
            exec(QStringLiteral("INSERT INTO SISETUMST (SCODE, SNAME, BUMEX) VALUES ('%1', '%1', 1)").arg(s));
        exec(QStringLiteral("INSERT INTO SISETUGROUP (GCODE, GNAME) VALUES ('G1', 'グループ')"));
        exec(QStringLiteral("INSERT INTO SISETUGROUPLIST (GCODE, SCODE) VALUES ('G1', 'S1')"));
        exec(QStringLiteral("INSERT INTO SISETUGROUPLIST (GCODE, SCODE) VALUES ('G1', 'S2')"));
        exec(QStringLiteral("INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('00', '共通')"));
        exec(QStringLiteral("INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('01', '営業')"));
        exec(QStringLiteral("INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('02', '製造')"));
        // KCODE, name, group, side, B/P, A4 line, A3 line, closing-statement line
        struct Acc {
            const char* k;
            const char* name;
            int group, dac;
            const char* bp;
            int a4, a3, ks;
        };
        const Acc accounts[] = {
            {"1110", "現金", 1110, 1, "B", 1, 1, 1},       {"1121", "普通預金", 1120, 1, "B", 2, 1, 2},
            {"1122", "当座預金", 1120, 1, "B", 2, 1, 2},   {"1150", "仮払金", 1150, 1, "B", 3, 3, 3},
            {"1160", "立替金", 1150, 1, "B", 2, 3, 3},     {"1190", "仮払消費税", 1190, 1, "B", 4, 4, 4},
            {"1300", "事業主貸", 1300, 1, "B", 0, 0, 0},   {"2110", "買掛金", 2110, 2, "B", 0, 0, 0},
            {"2190", "仮受消費税", 2190, 2, "B", 5, 5, 5}, {"3110", "元入金", 3110, 2, "B", 0, 0, 0},
            {"3120", "事業主借", 3120, 2, "B", 0, 0, 0},   {"4110", "売上高", 4100, 2, "P", 0, 0, 0},
            {"6110", "給料手当", 6000, 1, "P", 0, 0, 0},
        };
        for (const Acc& a : accounts) {
            exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME, GROUPM0, GROUPM1, GROUPM2, DAC,"
                                " BPFLG, EXT1_A4, EXT1_A3, EXT1_KS, USE) VALUES ('%1', '%1', '%2', %3, %3, %3,"
                                " %4, '%5', %6, %7, %8, 1)")
                     .arg(a.k, QString::fromUtf8(a.name))
                     .arg(a.group)
                     .arg(a.dac)
                     .arg(a.bp)
                     .arg(a.a4)
                     .arg(a.a3)
                     .arg(a.ks));
        }
        exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('6110', 'H1', '正社員')"));
        exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('6110', 'H2', 'パート')"));
        exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('3110', 'H1', '追加出資')"));
        const QList<QPair<QString, QString>> system = {{"仮受消費税", "2190"}, {"仮払消費税", "1190"},
                                                       {"元入金", "3110"},     {"事業主貸", "1300"},
                                                       {"事業主借", "3120"}};
        for (const auto& [name, code] : system)
            exec(QStringLiteral("INSERT INTO ACCDEF2 (KNAME, KCODE) VALUES ('%1', '%2')").arg(name, code));
        // Print lines: one named after its account, one without a name of its own, one named otherwise.
        const QList<QPair<int, QString>> a4 = {
            {1, "現金"}, {2, ""}, {3, "その他"}, {4, "仮払消費税"}, {5, "仮受消費税"}};
        for (const auto& [rec, name] : a4) {
            for (const char* table : {"EXTERA4", "EXTERKS"})
                exec(QStringLiteral("INSERT INTO %1 (REC, KGROUP, SUBREC, KNAME1) VALUES (%2, '%3', 1, '%4')")
                         .arg(table)
                         .arg(rec)
                         .arg(1000 + rec)
                         .arg(name));
        }
        exec(QStringLiteral("INSERT INTO EXTERA3 (REC, KGROUP, SUBREC, KNAME1) VALUES (1, '1001', 1, '現金預金')"));
    }

    void setDef(const QString& assignments) const {
        exec(QStringLiteral("UPDATE ACCDEF1 SET %1 WHERE REC = 1").arg(assignments));
    }
    // An opening-balance row with its sixteen allocation percentages, and a zero movement row for every
    // period, as the accounting application keeps them.
    void balance(const QString& s, const QString& k, const QString& h, const QString& b, int opening,
                 const QList<int>& percent = {}) const {
        QStringList haibun;
        for (int i = 0; i < 16; ++i)
            haibun << QString::number(percent.isEmpty() ? 0 : percent.value(i, percent.last()));
        exec(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE, KAISIZAN, HAIBUN01, HAIBUN02,"
                            " HAIBUN03, HAIBUN04, HAIBUN05, HAIBUN06, HAIBUN07, HAIBUN08, HAIBUN09, HAIBUN10,"
                            " HAIBUN11, HAIBUN12, HAIBUN13, HAIBUN14, HAIBUN15, HAIBUN16)"
                            " VALUES ('%1', '%2', '%3', '%4', %5, %6)")
                 .arg(s, k, h, b)
                 .arg(opening)
                 .arg(haibun.join(u',')));
        for (int m = 1; m <= 16; ++m)
            exec(QStringLiteral("INSERT INTO KAMOKU_MS (SCODE, KCODE, HCODE, BCODE, MNUM) VALUES"
                                " ('%1', '%2', '%3', '%4', %5)")
                     .arg(s, k, h, b)
                     .arg(m));
    }
    // Movements of one period: debit without tax, its tax, credit without tax, its tax.
    void move(const QString& s, const QString& k, const QString& h, const QString& b, int slot, int karNuk,
              int karTax, int kasNuk, int kasTax) const {
        exec(QStringLiteral("UPDATE OR INSERT INTO KAMOKU_MS (SCODE, KCODE, HCODE, BCODE, MNUM, KAR_NUK, KAR_TAX,"
                            " KAS_NUK, KAS_TAX) VALUES ('%1', '%2', '%3', '%4', %5, %6, %7, %8, %9)")
                 .arg(s, k, h, b)
                 .arg(slot)
                 .arg(karNuk)
                 .arg(karTax)
                 .arg(kasNuk)
                 .arg(kasTax));
    }
    // Tax totals of a facility, department and tax kind (1 received, 2 paid) in one period; a new
    // facility has its rows already.
    void tax(const QString& s, const QString& b, int kind, int slot, int kar, int kas) const {
        exec(QStringLiteral("UPDATE OR INSERT INTO KAMOKU_TAX (SCODE, BCODE, KKUBUN, MNUM, KAR, KAS)"
                            " VALUES ('%1', '%2', %3, %4, %5, %6) MATCHING (SCODE, BCODE, KKUBUN, MNUM)")
                 .arg(s, b)
                 .arg(kind)
                 .arg(slot)
                 .arg(kar)
                 .arg(kas));
    }
    // A prior-year balance of an account (sub-account ' ') with its tax part and its percentage.
    void prior(const QString& s, const QString& k, int mnum, int nukizan, int zeigaku = 0,
               const QString& b = QStringLiteral(" "), int haibun = 0) const {
        exec(QStringLiteral("INSERT INTO KAMOKU_PZ (SCODE, KCODE, HCODE, BCODE, MNUM, NUKIZAN, ZEIGAKU, KOMIZAN,"
                            " HAIBUN) VALUES ('%1', '%2', ' ', '%3', %4, %5, %6, %5 + %6, %7)")
                 .arg(s, k, b)
                 .arg(mnum)
                 .arg(nukizan)
                 .arg(zeigaku)
                 .arg(haibun));
    }
    void budget(const QString& s, const QString& k, const QString& h, const QString& b, int slot,
                const QString& column, int value) const {
        exec(QStringLiteral("UPDATE KAMOKU_MS SET %1 = %2 WHERE SCODE = '%3' AND KCODE = '%4' AND HCODE = '%5'"
                            " AND BCODE = '%6' AND MNUM = %7")
                 .arg(column)
                 .arg(value)
                 .arg(s, k, h, b)
                 .arg(slot));
    }

    // Cash in all three facilities, two deposits and a suspense payment in S1, the tax accounts with tax
    // totals in every facility; an account without opening rows has a movement that must not count.
    void facilityBalances() const {
        balance("S1", "1110", " ", " ", 100);
        balance("S2", "1110", " ", " ", 200);
        balance("S3", "1110", " ", " ", 400);
        move("S1", "1110", " ", " ", 1, 50, 5, 30, 0);
        move("S2", "1110", " ", " ", 1, 7, 0, 0, 0);
        move("S2", "1110", " ", " ", 16, 0, 0, 3, 0);
        move("S3", "1110", " ", " ", 1, 1000, 0, 0, 0);
        balance("S1", "1121", " ", " ", 10);
        balance("S1", "1122", " ", " ", 20);
        move("S1", "1160", " ", " ", 1, 99, 0, 0, 0);
        balance("S1", "1150", " ", " ", 5);
        for (const char* s : {"S1", "S2", "S3"}) {
            balance(s, "1190", " ", " ", 0);
            balance(s, "2190", " ", " ", 0);
        }
        move("S1", "1190", " ", " ", 2, 8, 0, 0, 0);
        tax("S1", " ", 2, 2, 5, 0);
        tax("S2", " ", 2, 2, 7, 0);
        tax("S3", " ", 2, 2, 1000, 0);
        tax("S1", " ", 1, 3, 0, 11);
        tax("S3", " ", 1, 3, 0, 500);
    }
};

const QString kLine = QStringLiteral("MSTREC, USERCODE, KCODE, KNAME, KAISIZAN, KAR01, KAS01, KAR02, KAS03, KAS16");

TEST_F(BalanceProceduresTest, TrialBalanceByPrintLineForCompanyFacilityAndGroup) {
    facilityBalances();
    // Group G1 = S1 + S2, without tax: cash 100 + 200 opening, debits 50 + 7; the deposits line has no name of
    // its own and two accounts ('-', named after the first); the suspense line is named otherwise ('-'); the
    // tax-paid line adds the paid tax of S1 and S2 (5 + 7) to its movement 8, not that of S3.
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_SISANHYO_A4(1, '', 'G1')").arg(kLine)),
              QStringList({"1|1110|1110|現金|300|57|30|0|0|3", "2|-|-|普通預金|30|0|0|0|0|0",
                           "3|-|-|その他|5|0|0|0|0|0", "4|1190|1190|仮払消費税|0|0|0|20|0|0",
                           "5|2190|2190|仮受消費税|0|0|0|0|11|0"}));
    // With tax the debit carries its tax and the tax lines take nothing from the tax totals.
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_SISANHYO_A4(0, '', 'G1') WHERE MSTREC IN (1, 4, 5)")
                       .arg(kLine)),
              QStringList({"1|1110|1110|現金|300|62|30|0|0|3", "4|1190|1190|仮払消費税|0|0|0|8|0|0",
                           "5|2190|2190|仮受消費税|0|0|0|0|0|0"}));
    // The whole company takes every facility's tax; S3 alone has neither deposits nor suspense payments.
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_SISANHYO_A4(1, '', '') WHERE MSTREC IN (1, 4, 5)")
                       .arg(kLine)),
              QStringList({"1|1110|1110|現金|700|1057|30|0|0|3", "4|1190|1190|仮払消費税|0|0|0|1020|0|0",
                           "5|2190|2190|仮受消費税|0|0|0|0|511|0"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_SISANHYO_A4(1, 'S3', '')").arg(kLine)),
              QStringList({"1|1110|1110|現金|400|1000|0|0|0|0", "4|1190|1190|仮払消費税|0|0|0|1000|0|0",
                           "5|2190|2190|仮受消費税|0|0|0|0|500|0"}));
    // A facility of the group together with the group.
    EXPECT_EQ(rows(QStringLiteral("SELECT KAISIZAN, KAR02 FROM SP_SISANHYO_A4(1, 'S2', 'G1')"
                                  " WHERE MSTREC IN (1, 4)")),
              QStringList({"200|0", "0|7"}));
    // The A3 form reads its own lines: cash and both deposits on one line.
    EXPECT_EQ(rows(QStringLiteral("SELECT MSTREC, KCODE, KNAME, KAISIZAN, KAR01 FROM SP_SISANHYO_A3(1, '', 'G1')"
                                  " WHERE MSTREC = 1")),
              QStringList({"1|-|現金預金|330|57"}));
}

TEST_F(BalanceProceduresTest, TaxAddedByDepartmentIsSharedAndRoundedHalfUp) {
    tax("S1", "01", 1, 1, 0, 5);
    tax("S1", "01", 1, 2, 0, 4);
    tax("S1", "02", 1, 1, 0, 100);
    QStringList args;
    for (int i = 1; i <= 16; ++i)
        args << QStringLiteral("0");
    for (int i = 1; i <= 16; ++i)
        args << (i == 3 ? QStringLiteral("9") : QStringLiteral("0"));
    QStringList half = args;
    for (int i = 1; i <= 16; ++i)
        half << QStringLiteral("0.5");
    // Shares 2.5 -> 3 and 2 -> 2; a period without tax keeps its amount.
    const QStringList r = execRow(QStringLiteral("EXECUTE PROCEDURE SP_ZEIGAKU_ADD ('S1', '01', 1, %1)")
                                      .arg(half.join(u',')))
                              .split(u'|');
    ASSERT_EQ(r.size(), 32);
    EXPECT_EQ(r.mid(16, 3), QStringList({"3", "2", "9"}));
    // The facility alone sums its departments, unshared.
    const QStringList all = execRow(QStringLiteral("EXECUTE PROCEDURE SP_ZEIGAKU_ADD ('S1', '', 1, %1)")
                                        .arg(half.join(u',')))
                                .split(u'|');
    EXPECT_EQ(all.mid(16, 2), QStringList({"105", "4"}));
}

TEST_F(BalanceProceduresTest, ClosingTrialBalanceWithPriorYear) {
    facilityBalances();
    prior("S1", "1110", -15, 80, 8);
    prior("S1", "1110", 0, 90, 9);
    prior("S1", "1110", 15, 1, 1);
    prior("S2", "1190", 0, 4, 6);
    const QString cols = QStringLiteral("MSTREC, KCODE, KAISIZAN, KAR01, KAR02, ZANM15, ZANM00, ZANP15");
    // Without tax the prior-year tax is left out, except on the tax accounts.
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_SISANHYO_KESSAN(1) WHERE MSTREC IN (1, 4)").arg(cols)),
              QStringList({"1|1110|700|1057|0|80|90|1", "4|1190|0|0|1020|0|10|0"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_SISANHYO_KESSAN(0) WHERE MSTREC IN (1, 4)").arg(cols)),
              QStringList({"1|1110|700|1062|0|88|99|2", "4|1190|0|0|8|0|10|0"}));
}

// Cash of facility S1: the common department holds 1000 and keeps 40 %; department 01 holds 100 and
// receives 30 % of the common amounts (25 % in period 3, 35 % in period 5).
struct DepartmentTest : BalanceProceduresTest {
    DepartmentTest() {
        setDef(QStringLiteral("BUMON = 2"));
        balance("S1", "1110", " ", "00", 1000, {40});
        balance("S1", "1110", " ", "01", 100, {30, 30, 25, 30, 35, 30});
        move("S1", "1110", " ", "00", 1, 201, 20, 0, 0);
        move("S1", "1110", " ", "00", 2, 0, 0, 15, 0);
        move("S1", "1110", " ", "01", 1, 10, 0, 0, 0);
    }
    QStringList line(const QString& call) const {
        return rows(QStringLiteral("SELECT KCODE, KAISIZAN, KAR01, KAS02 FROM %1").arg(call));
    }
};

TEST_F(DepartmentTest, PrintLineTrialBalanceSharesTheCommonDepartment) {
    const struct {
        const char* call;
        const char* expected;
    } cases[] = {
        // 100 + R(1000 x 0.3); 10 + R(221 x 0.3) = 10 + 66; R(15 x 0.3) = R(4.5) = 5
        {"SP_SISANHYO_BUMON_A4(0, 1, 'S1', '01')", "1110|400|76|5"},
        // without tax the common debit is 201: 10 + R(60.3)
        {"SP_SISANHYO_BUMON_A4(1, 1, 'S1', '01')", "1110|400|70|5"},
        // the common department keeps R(1000 x 0.4), R(221 x 0.4) = R(88.4), R(15 x 0.4)
        {"SP_SISANHYO_BUMON_A4(0, 1, 'S1', '00')", "1110|400|88|6"},
        // without sharing each department shows its own amounts
        {"SP_SISANHYO_BUMON_A4(0, 0, 'S1', '01')", "1110|100|10|0"},
        {"SP_SISANHYO_BUMON_A4(0, 0, 'S1', '00')", "1110|1000|221|15"},
        {"SP_SISANHYO_BUMON_A3(0, 1, 'S1', '01')", "-|400|76|5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(line(QString::fromUtf8(c.call)), QStringList({QString::fromUtf8(c.expected)})) << c.call;
    // A facility without rows of the account has no line.
    EXPECT_TRUE(line(QStringLiteral("SP_SISANHYO_BUMON_A4(0, 1, 'S2', '01')")).isEmpty());
}

TEST_F(DepartmentTest, MidYearStartSharesTheOpeningBalanceByItsPeriod) {
    // Started with the year: period 1's 30 % in both forms (departments kept on every account).
    EXPECT_EQ(line(QStringLiteral("SP_SISANHYO_BUMON(0, 1, 'S1', '01')")), QStringList({"1110|400|76|5"}));
    // Started in month 4: the print-line form takes period 3 (25 %), the account form period 5 (35 %).
    setDef(QStringLiteral("KAISINO = 4"));
    EXPECT_EQ(line(QStringLiteral("SP_SISANHYO_BUMON_A4(0, 1, 'S1', '01')")), QStringList({"1110|350|76|5"}));
    EXPECT_EQ(line(QStringLiteral("SP_SISANHYO_BUMON(0, 1, 'S1', '01')")), QStringList({"1110|450|76|5"}));
    EXPECT_EQ(line(QStringLiteral("SP_SISANHYO_BUMON(0, 0, 'S1', '01')")), QStringList({"1110|100|10|0"}));
    // Started with the year without departments on every account: the opening balance is not shared.
    setDef(QStringLiteral("KAISINO = 1, BUMON = 1"));
    EXPECT_EQ(line(QStringLiteral("SP_SISANHYO_BUMON(0, 1, 'S1', '01')")), QStringList({"1110|100|76|5"}));
}

TEST_F(DepartmentTest, AccountRowThenItsSubAccounts) {
    balance("S1", "6110", " ", "01", 0, {30});
    balance("S1", "6110", "H1", "01", 0);
    balance("S1", "6110", "H2", "01", 0);
    move("S1", "6110", "H1", "01", 1, 50, 0, 0, 0);
    move("S1", "6110", "H2", "01", 2, 20, 0, 0, 0);
    // The blank sub-account holds nothing and is left out; H2 shows only its own period 2, not H1's period 1.
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, HOJCNT, HCODE, HNAME, KAISIZAN, KAR01, KAR02"
                                  " FROM SP_SISANHYO_BUMON(0, 0, 'S1', '01')")),
              QStringList({"1110|0|||100|10|0", "6110|2|||0|50|20", "6110|0|H1|正社員|0|50|0",
                           "6110|0|H2|パート|0|0|20"}));
    // A blank sub-account with an amount is listed under the account's name.
    move("S1", "6110", " ", "01", 3, 1, 0, 0, 0);
    EXPECT_EQ(rows(QStringLiteral("SELECT HCODE, HNAME, KAR03 FROM SP_SISANHYO_BUMON(0, 0, 'S1', '01')"
                                  " WHERE KCODE = '6110' AND HOJCNT = 0")),
              QStringList({" |給料手当|1", "H1|正社員|0", "H2|パート|0"}));
    // Shared: the common department's sub-account adds its share to the same sub-account, R(100 x 0.3).
    balance("S1", "6110", " ", "00", 0, {40});
    balance("S1", "6110", "H1", "00", 0);
    move("S1", "6110", "H1", "00", 1, 100, 0, 0, 0);
    EXPECT_EQ(rows(QStringLiteral("SELECT HCODE, KAR01, KAR02 FROM SP_SISANHYO_BUMON(0, 1, 'S1', '01')"
                                  " WHERE KCODE = '6110'")),
              QStringList({"|80|20", " |0|0", "H1|80|0", "H2|0|20"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT HCODE, KAR01 FROM SP_SISANHYO_BUMON(0, 1, 'S1', '00')"
                                  " WHERE KCODE = '6110'")),
              QStringList({"|40", "H1|40"}));
}

TEST_F(BalanceProceduresTest, CarryForwardListsAndClosesTheYear) {
    balance("S1", "1110", " ", " ", 100);
    move("S1", "1110", " ", " ", 1, 50, 5, 0, 0);
    move("S1", "1110", " ", " ", 2, 0, 0, 30, 0);
    balance("S1", "2110", " ", " ", 100);
    move("S1", "2110", " ", " ", 1, 50, 0, 30, 0);
    balance("S1", "1190", " ", " ", 0);
    move("S1", "1190", " ", " ", 2, 8, 0, 0, 0);
    tax("S1", " ", 2, 2, 5, 0);
    balance("S1", "4110", " ", " ", 70);
    move("S1", "4110", " ", " ", 1, 0, 0, 500, 50);
    balance("S2", "1110", " ", " ", 1);
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, HCODE, BCODE, BSPL, TAISHAKU, KAISIZAN, KAR01, KAS01, KAR02, KAS02"
                                  " FROM SP_KURIKOSIZANDAKA(1, 'S1')")),
              QStringList({"1110| | |B|1|100|50|0|0|30", "1190| | |B|1|0|0|0|13|0", "2110| | |B|2|100|50|30|0|0",
                           "4110| | |P|2|70|0|500|0|0"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, KAR01, KAS01 FROM SP_KURIKOSIBUMONZANDAKA(0, 'S1')"
                                  " WHERE KCODE IN ('1110', '4110')")),
              QStringList({"1110|55|0", "4110|0|550"}));
    // Without tax: 100 + 50 - 30 for the asset, 100 + 30 - 50 for the liability, 8 + 5 tax paid; the
    // profit-and-loss opening becomes 0.
    EXPECT_EQ(execRow(QStringLiteral("EXECUTE PROCEDURE SP_SETHOJOKAISIZAN (1)")), QStringLiteral("4|1"));
    EXPECT_EQ(rows(QStringLiteral("SELECT SCODE, KCODE, KAISIZAN FROM KAMOKU_SZ ORDER BY SCODE, KCODE")),
              QStringList({"S1|1110|120", "S1|1190|13", "S1|2110|80", "S1|4110|0", "S2|1110|1"}));
}

TEST_F(BalanceProceduresTest, CarryForwardWithTaxAddsTheTaxOfTheMovements) {
    balance("S1", "1110", " ", " ", 100);
    move("S1", "1110", " ", " ", 1, 50, 5, 30, 3);
    balance("S1", "1190", " ", " ", 0);
    tax("S1", " ", 2, 2, 5, 0);
    EXPECT_EQ(execRow(QStringLiteral("EXECUTE PROCEDURE SP_SETHOJOKAISIZAN (0)")), QStringLiteral("2|0"));
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, KAISIZAN FROM KAMOKU_SZ ORDER BY KCODE")),
              QStringList({"1110|122", "1190|0"}));
}

TEST_F(BalanceProceduresTest, OwnersCapitalStandsOnceInTheAccountRow) {
    setDef(QStringLiteral("DATATYPE = 2"));
    balance("S1", "1110", " ", " ", 700);
    balance("S1", "2110", " ", " ", 100);
    balance("S1", "3110", " ", " ", 500);
    balance("S1", "3110", "H1", " ", 50);
    balance("S1", "1300", " ", " ", 40);
    balance("S1", "3120", " ", " ", 30);
    // Debit side 700 + 40, credit side 100 + 500 + 50 + 30; new capital 550 + 60 + 30 - 40 = 600 = 700 - 100.
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM SP_MOTOIREKIN_KURIIRE('S1')")),
              QStringList({" |600|550|40|30|740|680"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, HCODE, KAISIZAN FROM KAMOKU_SZ WHERE KCODE IN ('1300', '3110', '3120')"
                                  " ORDER BY KCODE, HCODE")),
              QStringList({"1300| |0", "3110| |600", "3110|H1|0", "3120| |0"}));
    // A corporation's dataset is left alone.
    setDef(QStringLiteral("DATATYPE = 1"));
    EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM SP_MOTOIREKIN_KURIIRE('S1')")).isEmpty());
}

TEST_F(BalanceProceduresTest, OwnersCapitalPerDepartment) {
    setDef(QStringLiteral("DATATYPE = 2, BUMON = 2"));
    balance("S1", "1110", " ", "01", 300);
    balance("S1", "3110", " ", "01", 100);
    balance("S1", "1110", " ", "02", 50);
    EXPECT_EQ(rows(QStringLiteral("SELECT BCODE, MOTOIREZAN FROM SP_MOTOIREKIN_KURIIRE('S1')")),
              QStringList({" |0", "00|0", "01|300", "02|50"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT BCODE, KAISIZAN FROM KAMOKU_SZ WHERE KCODE = '3110'")),
              QStringList({"01|300"}));
}

TEST_F(BalanceProceduresTest, MonthToPeriod) {
    const int cases[][2] = {{1, 1}, {3, 4}, {4, 5}, {6, 8}, {9, 12}, {10, 13}, {12, 16}, {13, 13}, {0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(execRow(QStringLiteral("EXECUTE PROCEDURE SP_CONVERT_12TO16 (%1)").arg(c[0])),
                  QString::number(c[1]))
            << c[0];
}

TEST_F(BalanceProceduresTest, BudgetsAreStoredAndReadPerField) {
    balance("S1", "4110", " ", " ", 0);
    balance("S1", "1110", " ", " ", 0);
    exec(QStringLiteral("UPDATE KAMOKU_MS SET BYOSAN = 7"));
    // Movements of 10 a month become running totals; each closing period repeats the month before it.
    exec(QStringLiteral("EXECUTE PROCEDURE SP_UPDATE_YOSAN (1, 1, 'S1', '4110', ' ', '', "
                        "10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10)"));
    EXPECT_EQ(rows(QStringLiteral("SELECT LIST(CAST(RYOSAN AS INTEGER), ',') FROM (SELECT RYOSAN FROM KAMOKU_MS"
                                  " WHERE KCODE = '4110' ORDER BY MNUM)")),
              QStringList({"10,20,30,30,40,50,60,60,70,80,90,90,100,110,120,120"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT DISTINCT BYOSAN FROM KAMOKU_MS")), QStringList({"7"}));
    // Values stored as given.
    exec(QStringLiteral("EXECUTE PROCEDURE SP_UPDATE_YOSAN (0, 0, 'S1', '4110', ' ', ' ', "
                        "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12)"));
    EXPECT_EQ(rows(QStringLiteral("SELECT LIST(CAST(BYOSAN AS INTEGER), ',') FROM (SELECT BYOSAN FROM KAMOKU_MS"
                                  " WHERE KCODE = '4110' ORDER BY MNUM)")),
              QStringList({"1,2,3,3,4,5,6,6,7,8,9,9,10,11,12,12"}));
    // Reading lists the profit-and-loss accounts only, one value per month.
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, YOSAN01, YOSAN03, YOSAN04, YOSAN12 FROM SP_YOSAN_READ(1, 'S1', ' ')")),
              QStringList({"4110|10|30|40|120"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, YOSAN01, YOSAN03, YOSAN04, YOSAN12 FROM SP_YOSAN_READ(0, 'S1', ' ')")),
              QStringList({"4110|1|3|4|12"}));
}

// Sixteen amounts, the given ones first and zeros after them.
QString sixteen(const QList<int>& values) {
    QStringList out;
    for (int i = 0; i < 16; ++i)
        out << QString::number(values.value(i, 0));
    return out.join(QStringLiteral(", "));
}

TEST_F(BalanceProceduresTest, PriorYearSeriesFromMovements) {
    setDef(QStringLiteral("DATATYPE = 2"));
    for (const char* k : {"1110", "4110", "3110"}) {
        prior("S1", k, -16, 100, 0);
        exec(QStringLiteral("EXECUTE PROCEDURE SP_UPDATE_KANENDOZAN (1, 'S1', '%1', ' ', ' ', -15, 0, %2)")
                 .arg(k, sixteen({10, 20, 30})));
    }
    // A balance-sheet account continues from the balance before; profit and loss, and an individual's
    // capital, start from 0.
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, LIST(CAST(NUKIZAN AS INTEGER), ',') FROM (SELECT KCODE, NUKIZAN"
                                  " FROM KAMOKU_PZ WHERE MNUM BETWEEN -15 AND -12 ORDER BY KCODE, MNUM)"
                                  " GROUP BY KCODE")),
              QStringList({"1110|110,130,160,160", "3110|10,30,60,60", "4110|10,30,60,60"}));
    // Balances given as they are; tax kind 1 stores the tax part.
    exec(QStringLiteral("EXECUTE PROCEDURE SP_UPDATE_KANENDOZAN (0, 'S1', '1110', ' ', ' ', 1, 0, %1)")
             .arg(sixteen({5, 6})));
    exec(QStringLiteral("EXECUTE PROCEDURE SP_UPDATE_KANENDOZAN (0, 'S1', '1110', ' ', ' ', 1, 1, %1)")
             .arg(sixteen({1, 2})));
    EXPECT_EQ(rows(QStringLiteral("SELECT MNUM, NUKIZAN, ZEIGAKU, KOMIZAN FROM KAMOKU_PZ WHERE KCODE = '1110'"
                                  " AND MNUM IN (1, 2, 16) ORDER BY MNUM")),
              QStringList({"1|5|1|6", "2|6|2|8", "16|0|0|0"}));
}


// Deposits of facility S1 by department, with prior-year balances of periods -32, 0 and 15 and budgets of
// period 1: department 01 receives 30 % of the common department (which keeps 40 %), department 02 has
// its own small balance; S2 belongs to the group G1, S3 does not.
struct PriorYearTest : BalanceProceduresTest {
    PriorYearTest() {
        balance("S1", "1121", " ", "00", 0, {40});
        balance("S1", "1121", " ", "01", 0, {30});
        balance("S1", "1121", " ", "02", 0, {30});
        balance("S1", "1122", " ", "00", 0, {40});
        balance("S1", "1122", " ", "01", 0, {30});
        balance("S2", "1121", " ", " ", 0);
        balance("S3", "1121", " ", " ", 0);
        prior("S1", "1121", -32, 3, 0, "01", 30);
        prior("S1", "1121", 0, 100, 0, "01", 30);
        prior("S1", "1121", 15, 7, 0, "01", 30);
        prior("S1", "1121", 0, 1000, 0, "00", 40);
        prior("S1", "1121", 15, 0, 0, "00", 40);
        prior("S1", "1121", 0, 5, 0, "02", 30);
        prior("S1", "1121", 15, 0, 0, "02", 30);
        prior("S1", "1122", 0, 20, 0, "01", 30);
        prior("S1", "1122", 15, 0, 0, "01", 30);
        prior("S2", "1121", 0, 50);
        prior("S2", "1121", 15, 0);
        prior("S3", "1121", 0, 9999);
        prior("S3", "1121", 15, 0);
        budget("S1", "1121", " ", "01", 1, "BYOSAN", 10);
        budget("S1", "1121", " ", "00", 1, "BYOSAN", 201);
        exec(QStringLiteral("INSERT INTO GROUPLIST (GCODE, BCODE) VALUES ('BG', '01')"));
        exec(QStringLiteral("INSERT INTO GROUPLIST (GCODE, BCODE) VALUES ('BG', '02')"));
    }
};

const QString kPriorCols = QStringLiteral("KCODE, HCODE, ZANM32, ZANM00, ZANP15, YOSAN01");

TEST_F(PriorYearTest, ThreePeriodFiguresByFacilityGroupAndDepartment) {
    const struct {
        const char* call;
        QStringList expected;
    } cases[] = {
        // 1122 has no row of period -32: it shows 0, not the 3 of the account before it
        {"SP_KANENDO_ZANDAKA('S1')", {"1121| |3|1105|7|211", "1122| |0|20|0|0"}},
        {"SP_KANENDO_ZANDAKA('')", {"1121| |3|11154|7|211", "1122| |0|20|0|0"}},
        {"SP_KANENDO_GROUPZANDAKA('G1')", {"1121| |3|1155|7|211", "1122| |0|20|0|0"}},
        {"SP_KANENDO_BUMON_GROUPZANDAKA('S1', 'BG')", {"1121| |3|105|7|10", "1122| |0|20|0|0"}},
        // shared: 100 + R(1000 x 0.3); budget 10 + R(201 x 0.3)
        {"SP_KANENDO_BUMON_ZANDAKA('S1', '01', 1)", {"1121| |3|400|7|70", "1122| |0|20|0|0"}},
        {"SP_KANENDO_BUMON_ZANDAKA('S1', '00', 1)", {"1121| |0|400|0|80", "1122| |0|0|0|0"}},
        {"SP_KANENDO_BUMON_ZANDAKA('S1', '01', 0)", {"1121| |3|100|7|10", "1122| |0|20|0|0"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM %2").arg(kPriorCols, QString::fromUtf8(c.call))), c.expected)
            << c.call;
}

TEST_F(PriorYearTest, ThreePeriodFiguresByPrintLine) {
    const QString cols = QStringLiteral("GROUPM1, MSTREC, ZANM32, ZANM00, ZANP15, YOSAN01");
    // Shared: one row per account of the deposits line.
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_KANENDO_BUMON_ZANDAKA_A4('S1', '01', 1)").arg(cols)),
              QStringList({"1120|2|3|400|7|70", "1120|2|0|20|0|0"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_KANENDO_BUMON_ZANDAKA_A4('S1', '00', 1)").arg(cols)),
              QStringList({"1120|2|0|400|0|80", "1120|2|0|0|0|0"}));
    // Not shared: one row per line, named by its group; its budgets are those of profit-and-loss accounts.
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_KANENDO_BUMON_ZANDAKA_A4('S1', '01', 0)").arg(cols)),
              QStringList({"1002|2|3|120|7|0"}));
    EXPECT_TRUE(rows(QStringLiteral("SELECT %1 FROM SP_KANENDO_BUMON_ZANDAKA_A4('S2', '01', 0)").arg(cols))
                    .isEmpty());
}

// Sales of three facilities against their management-analysis budget, wages with two sub-accounts.
struct VarianceTest : BalanceProceduresTest {
    VarianceTest() {
        exec(QStringLiteral("UPDATE KAMOKUMST SET SOLVARNE_YOJITU_RATE1 = 0.9, SOLVARNE_YOJITU_KIND1 = 0,"
                            " SOLVARNE_YOJITU_RATE2 = 1.1, SOLVARNE_YOJITU_KIND2 = 1, KEIHKUBU = 2"
                            " WHERE KCODE = '4110'"));
        exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME, GROUPM0, GROUPM1, DAC, BPFLG)"
                            " VALUES ('7110', '7110', '受取利息', 6101, 6101, 2, 'P')"));
        for (const char* s : {"S1", "S2", "S3"})
            balance(s, "4110", " ", " ", 0);
        move("S1", "4110", " ", " ", 1, 0, 0, 500, 50);
        move("S2", "4110", " ", " ", 1, 0, 0, 100, 0);
        move("S3", "4110", " ", " ", 1, 0, 0, 1, 0);
        budget("S1", "4110", " ", " ", 1, "RYOSAN", 450);
        budget("S1", "4110", " ", " ", 16, "RYOSAN", 5000);
        balance("S1", "7110", " ", " ", 0);
        move("S1", "7110", " ", " ", 1, 0, 0, 9, 0);
        balance("S1", "1110", " ", " ", 0);
        move("S1", "1110", " ", " ", 1, 9, 0, 0, 0);
        balance("S1", "6110", " ", " ", 0);
        balance("S1", "6110", "H1", " ", 0);
        balance("S1", "6110", "H2", " ", 0);
        move("S1", "6110", "H1", " ", 2, 30, 0, 0, 0);
        move("S1", "6110", "H2", " ", 3, 40, 0, 0, 0);
        budget("S1", "6110", "H2", " ", 16, "RYOSAN", 77);
    }
};

TEST_F(VarianceTest, BudgetAgainstActualByFacilityAndGroup) {
    const QString cols = QStringLiteral("KCODE, KEIHKUBU, HOJCNT, HCODE, HNAME, TAISHAKU, BRATE, BKIND, GRATE, GKIND,"
                                        " KAS01, KAR02, KAR03, YOSAN01, YOSAN16");
    // Group G1 without tax: sales 500 + 100; the slot-16 budget shows on sub-account rows only; H2 does not
    // carry H1's period 2; interest (6101) and cash are not listed.
    EXPECT_EQ(rows(QStringLiteral("SELECT %1 FROM SP_YOJITU_HENDOU_SONEKI(1, '', 'G1')").arg(cols)),
              QStringList({"4110|2|0|||2|0.9|0|1.1|1|600|0|0|450|0", "6110|0|2|||1|null|0|null|0|0|30|40|0|0",
                           "6110|0|0|H1|正社員|1|null|0|null|0|0|30|0|0|0",
                           "6110|0|0|H2|パート|1|null|0|null|0|0|0|40|0|77"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, KAS01 FROM SP_YOJITU_HENDOU_SONEKI(0, '', '') WHERE HCODE = ''")),
              QStringList({"4110|651", "6110|0"}));
    // Started in month 4: periods 1 to 4 are the changes of the prior balances 100, 150, 150, 180.
    setDef(QStringLiteral("KAISINO = 4"));
    for (int m = 1; m <= 4; ++m)
        prior("S1", "4110", m, QList<int>{100, 150, 150, 180}[m - 1]);
    EXPECT_EQ(rows(QStringLiteral("SELECT KAR01, KAS01, KAS02, KAS03, KAS04 FROM SP_YOJITU_HENDOU_SONEKI(1, 'S1', '')"
                                  " WHERE KCODE = '4110'")),
              QStringList({"0|100|50|0|30"}));
}

// Sales of facility S1 by department: the common department keeps 40 %, department 01 receives 30 % in
// period 1 and 50 % in period 2; budgets are cumulative.
struct DepartmentVarianceTest : BalanceProceduresTest {
    DepartmentVarianceTest() {
        balance("S1", "4110", " ", "00", 0, {40});
        balance("S1", "4110", " ", "01", 0, {30, 50, 30});
        budget("S1", "4110", " ", "00", 1, "RYOSAN", 100);
        budget("S1", "4110", " ", "00", 2, "RYOSAN", 300);
        budget("S1", "4110", " ", "01", 1, "RYOSAN", 20);
        budget("S1", "4110", " ", "01", 2, "RYOSAN", 40);
    }
    QStringList figures(const QString& call) const {
        return rows(QStringLiteral("SELECT KCODE, KAS01, KAS02, KAS03, KAS04, KAS05, YOSAN01, YOSAN02 FROM %1")
                        .arg(call));
    }
};

TEST_F(DepartmentVarianceTest, CommonDepartmentSharedByPeriod) {
    move("S1", "4110", " ", "00", 1, 0, 0, 201, 0);
    move("S1", "4110", " ", "01", 1, 0, 0, 10, 0);
    // Department 01: 10 + R(201 x 0.3); budgets 20 + R(100 x 0.3) and 40 + R(300 x 0.3), the first period's
    // percentage for every budget.
    EXPECT_EQ(figures(QStringLiteral("SP_YOJITU_HENDOUSONEKI_BUMON(1, 1, 'S1', '01')")),
              QStringList({"4110|70|0|0|0|0|50|130"}));
    EXPECT_EQ(figures(QStringLiteral("SP_YOJITU_HENDOUSONEKI_BUMON(1, 1, 'S1', '00')")),
              QStringList({"4110|80|0|0|0|0|40|120"}));
    EXPECT_EQ(figures(QStringLiteral("SP_YOJITU_HENDOUSONEKI_BUMON(1, 0, 'S1', '01')")),
              QStringList({"4110|10|0|0|0|0|20|40"}));
}

TEST_F(DepartmentVarianceTest, MidYearStartSharesTheCommonPriorBalances) {
    setDef(QStringLiteral("KAISINO = 4"));
    move("S1", "4110", " ", "00", 5, 0, 0, 201, 0);
    move("S1", "4110", " ", "01", 5, 0, 0, 10, 0);
    const QList<int> common = {100, 150, 150, 180}, own = {10, 20, 20, 30};
    for (int m = 1; m <= 4; ++m) {
        prior("S1", "4110", m, common[m - 1], 0, "00", 40);
        prior("S1", "4110", m, own[m - 1], 0, "01", 30);
    }
    // Own changes 10, 10, 0, 10; shared balances R(30), R(75), R(45), R(54) change by 30, 45, -30, 9.
    EXPECT_EQ(figures(QStringLiteral("SP_YOJITU_HENDOUSONEKI_BUMON(1, 1, 'S1', '01')")),
              QStringList({"4110|40|55|-30|19|70|50|130"}));
}

// The upgrade steps embed the same procedure files that the schema takes in.
TEST(ProcedureFiles, EveryFileOfTheSchemaIsAStepResource) {
    const QDir procs(testenv::sourceDir() + QStringLiteral("/sql/procedures"));
    const QStringList files = procs.entryList({QStringLiteral("*.sql")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& f : files) {
        QFile source(procs.filePath(f));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << f.toStdString();
        QStringList lines = QString::fromUtf8(source.readAll()).split(u'\n');
        if (lines.back().isEmpty())
            lines.removeLast();
        EXPECT_EQ(StepSqlLines(QStringLiteral("procedures/") + f), lines) << f.toStdString();
    }
}

} // namespace

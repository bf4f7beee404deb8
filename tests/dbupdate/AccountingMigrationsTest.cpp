// The work in code of the accounting steps 3.0.3 to 9.0.5 on fixture rows of a test dataset: the probes,
// the sub-account switches and converted balances of 3.0.6, the placeholder trigger of 3.0.7, the data
// password of 7.0.0 read back by the dataset's information, the groups, rules and job permissions of 8.0.2
// to 9.0.2, the rounded budgets, the print settings, and a failing post-migration (19, the driver's
// restore). The steps run through the common step run and real isql-fb, without their script files.

#include "UpgradeTestSupport.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdate.h"
#include "dbupdate/z5DbUpdateStep.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/firebird/FbDatabase.h"
#include "support/DmFixture.h"
#include "ui_z5DbUpdate.h"

#include <gtest/gtest.h>

namespace {

struct MigrationTest : ::testing::Test {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});
    quint8 savedEdition = TavrinoEdition;

    MigrationTest() {
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
        SystemDef.DataDir = ds.folder;
        AccInf = TACCINF();
        AccInf.DATATYPE = 1;
        AccInf.CODETYPE = 1;
        TavrinoEdition = 0;
        // The closing-statement settings row of the dataset.
        exec(QStringLiteral("UPDATE OR INSERT INTO KESSAN (REC) VALUES (1) MATCHING (REC)"));
    }
    ~MigrationTest() override { TavrinoEdition = savedEdition; }

    void exec(const QString& sql) const { ds.execute(sql); }
    // The account, named in the system accounts in place of any other of that name.
    void systemAccount(const QString& name, const QString& kcode) const {
        ds.addAccount({kcode, QString(), QString(), 0});
        ds.execute(
            QStringLiteral(
                "UPDATE OR INSERT INTO ACCDEF2 (KNAME, KCODE) VALUES (:KNAME, :KCODE) MATCHING (KNAME)"),
            [&](fb::Query& q) {
                q.setString("KNAME", name);
                q.setString("KCODE", kcode);
            });
    }
    QStringList rows(const QString& sql) const { return queryRows(*ds.connect(), sql); }
    QString one(const QString& sql) const {
        const QStringList r = rows(sql);
        return r.isEmpty() ? QStringLiteral("<none>") : r.first();
    }
    void stamp(const char* version) const {
        const QStringList v = QString::fromLatin1(version).split(u'.');
        exec(QStringLiteral("UPDATE ACCVERSION SET MAJOR=%1, MINOR1=%2, MINOR2=%3 WHERE REC=1")
                 .arg(v[0], v[1], v[2]));
    }
    // The step of the registry with its own work in code and no script files.
    static qint32 runStep(const TDbVersion& version, TStepContent content) {
        content.Files = nullptr;
        content.Statements = nullptr;
        content.StatementsAfterFiles = nullptr;
        return RunStep(*FindStep(TDbKind::Accounting, version), content);
    }
    // The information the dataset's reader gives after the step.
    void readAccInfo() const {
        ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
        e.dm->fnGetAccInfo();
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    }
    // Replaces the fixture's accounts starting with "Z" so that the chart holds count accounts.
    void setAccountCount(int count) const {
        exec(QStringLiteral("DELETE FROM KAMOKUMST WHERE KCODE STARTING WITH 'Z'"));
        const int missing = count - one(QStringLiteral("SELECT COUNT(*) FROM KAMOKUMST")).toInt();
        ASSERT_GE(missing, 0);
        if (missing > 0)
            exec(QStringLiteral(
                     "INSERT INTO KAMOKUMST (KCODE, USERCODE) WITH RECURSIVE N AS (SELECT 1 AS I FROM "
                     "RDB$DATABASE UNION ALL SELECT I + 1 FROM N WHERE I < %1) SELECT 'Z' || I, 'Z' || I "
                     "FROM N")
                     .arg(missing));
    }
};

// ---- 3.0.3, 3.0.4, 3.0.6, 3.0.7, 4.0.0, 7.0.4: own statements and probes

TEST_F(MigrationTest, ProbesAskTheirOwnConnectionAndCloseIt) {
    EXPECT_FALSE(ProbeAccTrigger(QStringLiteral("KAMOKUMST_AFTER_UPDATE2")));
    EXPECT_FALSE(TaxCode116Exists());
    exec(QStringLiteral("UPDATE OR INSERT INTO TAXMST (TAX_CODE) VALUES (116) MATCHING (TAX_CODE)"));
    EXPECT_TRUE(TaxCode116Exists());
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());

    // The placeholder trigger of 3.0.7 is created once; a second run (after a restore) finds it.
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(runStep({3, 0, 7}, z5UserDbUpdate307::Content()), StepDone)
            << e.ui->messageTexts().join(u'\n').toStdString();
        EXPECT_TRUE(ProbeAccTrigger(QStringLiteral("KAMOKUSZ_AFTER_DELETE2")));
    }
    EXPECT_EQ(one(QStringLiteral(
                  "SELECT RDB$TRIGGER_TYPE, RDB$TRIGGER_SEQUENCE, RDB$TRIGGER_INACTIVE FROM RDB$TRIGGERS "
                  "WHERE RDB$TRIGGER_NAME='KAMOKUSZ_AFTER_DELETE2'")),
              QStringLiteral("6|0|0")); // after delete, position 0, active
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
}

TEST_F(MigrationTest, MedicalAccountKindFollowsTheNumberOfAccounts) {
    struct Case {
        int dataType, codeType, accounts, kind;
    } cases[] = {{3, 1, 377, 1}, {3, 1, 567, 2}, {3, 1, 400, 0}, {3, 2, 377, 0}, {1, 1, 567, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dataType << "/" << c.codeType << " " << c.accounts);
        AccInf.DATATYPE = c.dataType;
        AccInf.CODETYPE = c.codeType;
        setAccountCount(c.accounts);
        EXPECT_EQ(ProbeMedicalKamokuKind(), c.kind);
    }
}

TEST_F(MigrationTest, Step306SetsTheSystemAccountsOfMedicalDataWithoutSubAccounts) {
    int n = 0;
    for (const char16_t* name : {u"仮払消費税", u"仮受消費税", u"前期繰越利益", u"諸口", u"現金"})
        systemAccount(QString::fromUtf16(name), QStringLiteral("S%1").arg(++n));
    exec(QStringLiteral("UPDATE KAMOKUMST SET HOJOSW='○' WHERE KCODE STARTING WITH 'S'"));
    const QString switches =
        QStringLiteral("SELECT KCODE, HOJOSW FROM KAMOKUMST WHERE KCODE STARTING WITH 'S' ORDER BY KCODE");
    AccInf.DATATYPE = 1;
    ASSERT_EQ(runStep({3, 0, 6}, z5UserDbUpdate306::Content()), StepDone);
    EXPECT_EQ(rows(switches), (QStringList{"S1|○", "S2|○", "S3|○", "S4|○", "S5|○"}));
    AccInf.DATATYPE = 3;
    ASSERT_EQ(runStep({3, 0, 6}, z5UserDbUpdate306::Content()), StepDone);
    EXPECT_EQ(rows(switches), (QStringList{"S1|×", "S2|×", "S3|×", "S4|×", "S5|○"}));
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("3.0.6"));
}

// Converted data: four accounts in GROUPM0 order: an asset, an expense, a liability and the owner's
// capital, each with an opening balance and prior-year rows in slots 0 and 8.
TEST_F(MigrationTest, Step306CarriesConvertedOpeningBalancesPastProfitAndLossAccounts) {
    struct Account {
        const char* kcode;
        const char* bp;
        int groupm0;
        const char* amount;
    };
    const Account accounts[] = {{"TB1", "B", 100, "100.1234"},
                                {"TP1", "P", 200, "200"},
                                {"TB2", "B", 300, "300"},
                                {"TOW", "B", 400, "400"}};
    exec(QStringLiteral("DELETE FROM KAMOKU_PZ"));
    exec(QStringLiteral("DELETE FROM KAMOKU_SZ"));
    for (const Account& a : accounts) {
        exec(QStringLiteral(
                 "INSERT INTO KAMOKUMST (KCODE, USERCODE, BPFLG, GROUPM0) VALUES ('%1', '%1', '%2', %3)")
                 .arg(QLatin1String(a.kcode), QLatin1String(a.bp))
                 .arg(a.groupm0));
        exec(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE, KAISIZAN) VALUES (' ', '%1', "
                            "' ', ' ', %2)")
                 .arg(QLatin1String(a.kcode), QLatin1String(a.amount)));
        for (int slot : {0, 8})
            exec(QStringLiteral(
                     "INSERT INTO KAMOKU_PZ (SCODE, KCODE, HCODE, BCODE, MNUM, NUKIZAN, ZEIGAKU) VALUES "
                     "(' ', '%1', ' ', ' ', %2, 7, 5)")
                     .arg(QLatin1String(a.kcode))
                     .arg(slot));
    }
    struct Case {
        const char* name;
        int convert, dataType, kaisino;
        QStringList after; // KCODE|MNUM|NUKIZAN|ZEIGAKU
    } cases[] = {
        // From the year start: balance-sheet accounts only, and the liability after the expense too.
        {"corporate from January",
         1,
         1,
         1,
         {"TB1|0|100.1234|0", "TB1|8|7|5", "TB2|0|300|0", "TB2|8|7|5", "TOW|0|400|0", "TOW|8|7|5",
          "TP1|0|7|5", "TP1|8|7|5"}},
        // Individuals keep the owner's accounts.
        {"individual from January",
         1,
         2,
         1,
         {"TB1|0|100.1234|0", "TB1|8|7|5", "TB2|0|300|0", "TB2|8|7|5", "TOW|0|7|5", "TOW|8|7|5", "TP1|0|7|5",
          "TP1|8|7|5"}},
        // From July every account reaches slot 8.
        {"individual from July",
         1,
         2,
         7,
         {"TB1|0|7|5", "TB1|8|100.1234|0", "TB2|0|7|5", "TB2|8|300|0", "TOW|0|7|5", "TOW|8|400|0",
          "TP1|0|7|5", "TP1|8|200|0"}},
        {"not converted",
         0,
         1,
         1,
         {"TB1|0|7|5", "TB1|8|7|5", "TB2|0|7|5", "TB2|8|7|5", "TOW|0|7|5", "TOW|8|7|5", "TP1|0|7|5",
          "TP1|8|7|5"}},
        // A start month without an opening slot writes nothing rather than slot 0.
        {"start month 13",
         1,
         1,
         13,
         {"TB1|0|7|5", "TB1|8|7|5", "TB2|0|7|5", "TB2|8|7|5", "TOW|0|7|5", "TOW|8|7|5", "TP1|0|7|5",
          "TP1|8|7|5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exec(QStringLiteral("UPDATE KAMOKU_PZ SET NUKIZAN=7, ZEIGAKU=5"));
        AccInf.CONVERT = c.convert;
        AccInf.DATATYPE = c.dataType;
        AccInf.KAISINO = c.kaisino;
        AccInf.MotoirekinKCODE = c.dataType == 2 ? QStringLiteral("TOW") : QString();
        ASSERT_EQ(runStep({3, 0, 6}, z5UserDbUpdate306::Content()), StepDone);
        const QStringList after =
            rows(QStringLiteral("SELECT KCODE, MNUM, CAST(NUKIZAN AS NUMERIC(18,4)), ZEIGAKU "
                                "FROM KAMOKU_PZ ORDER BY KCODE, MNUM"));
        QStringList trimmed;
        for (QString r : after) {
            // "100.1234" stays, "300.0000" reads "300".
            r.replace(QStringLiteral(".0000"), QString());
            trimmed << r;
        }
        EXPECT_EQ(trimmed.join(u' ').toStdString(), c.after.join(u' ').toStdString());
    }
}

TEST_F(MigrationTest, OwnStatementsOf303And400QuoteTheirCodes) {
    QStringList lines;
    AccInf.DATATYPE = 2;
    AccInf.CODETYPE = 1;
    Statements303(lines);
    EXPECT_TRUE(lines.isEmpty());
    AccInf.CODETYPE = 2;
    Statements303(lines);
    EXPECT_EQ(lines, (QStringList{"UPDATE EXTERKS SET KNAMELOCK=0", "WHERE KGROUP='4100' AND SUBREC=3;",
                                  "COMMIT;"}));

    lines.clear();
    AccInf.DATATYPE = 3;
    AccInf.CODETYPE = 1;
    AccInf.ShokuchiKCODE = QStringLiteral("S'1");
    AccInf.SITEN = 1;
    AppendStep400Statements(lines);
    ASSERT_EQ(lines.size(), 2 + 8 + 1 + 1);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("WHERE (KCODE='S''1' AND HCODE<>''))=0")))
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("WHERE (KCODE='S''1') AND (HOJOSW='×');"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("UPDATE CASHFMST SET CM_GROUP=70,CM_ORDER=41,")));
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("INSERT INTO CASHFMST")) &&
                lines[5].contains(QStringLiteral("(43,15,1,40,38,")));
    EXPECT_TRUE(lines[9].contains(QStringLiteral("(89,15,0,40,36,")));
    EXPECT_EQ(lines[10], QStringLiteral("UPDATE ACCDEF5 SET NUM1=0 WHERE (SCODE='');"));
    EXPECT_EQ(lines.last(), QStringLiteral("COMMIT;"));

    // The sundry account's switch on the dataset: "×" without sub-accounts becomes "－", "○" stays.
    systemAccount(QStringLiteral("諸口"), QStringLiteral("S'1"));
    const QString update = lines[0] + u' ' + lines[1].chopped(1);
    for (const auto& [before, after] : {std::pair{"×", "－"}, std::pair{"○", "○"}}) {
        exec(QStringLiteral("UPDATE KAMOKUMST SET HOJOSW='%1' WHERE KCODE='S''1'")
                 .arg(QString::fromUtf8(before)));
        exec(update);
        EXPECT_EQ(one(QStringLiteral("SELECT HOJOSW FROM KAMOKUMST WHERE KCODE='S''1'")),
                  QString::fromUtf8(after));
    }
}

// ---- 7.0.0: the data password

TEST_F(MigrationTest, DataPasswordMovesToItsCodedSettingAndTheReaderReadsIt) {
    const QString group = QStringLiteral("基本設定");
    const QString passwordRows =
        QStringLiteral("SELECT ACODE FROM ACCREG WHERE AGROUP='基本設定' AND ACODE STARTING WITH "
                       "'データパスワード' ORDER BY ACODE");
    struct Case {
        const char* name;
        const char16_t* stored; // null: no row
        const char* password;
        QStringList rowsAfter;
    } cases[] = {
        {"a password", u" abc12 ", "abc12", {"データパスワードV2"}},
        {"blanks only", u" 　 ", "", {}},
        {"no row", nullptr, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exec(QStringLiteral(
            "DELETE FROM ACCREG WHERE AGROUP='基本設定' AND ACODE STARTING WITH 'データパスワード'"));
        if (c.stored)
            ds.setAccReg(group, QStringLiteral("データパスワード"), QStringLiteral("文字"),
                         QString::fromUtf16(c.stored));
        stamp("6.1.3");
        ASSERT_EQ(runStep({7, 0, 0}, z5UserDbUpdate700::Content()), StepDone);
        EXPECT_EQ(rows(passwordRows), c.rowsAfter);
        if (!c.rowsAfter.isEmpty()) {
            EXPECT_NE(one(QStringLiteral("SELECT ATEXT FROM ACCREG WHERE ACODE='データパスワードV2'")),
                      QStringLiteral("abc12"));
        }
        readAccInfo();
        EXPECT_EQ(AccInf.MAJOR, 7);
        EXPECT_EQ(AccInf.DataPassword, QString::fromLatin1(c.password));
        EXPECT_EQ(AccInf.DataPasswordUnreadable, 0);
    }
}

// A password the code cannot hold ends the step before anything changes, instead of leaving the dataset
// without a password.
TEST_F(MigrationTest, APasswordThatCannotBeCodedStopsTheStep) {
    ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("データパスワード"), QStringLiteral("文字"),
                 QStringLiteral("pa-ss"));
    stamp("6.1.3");
    EXPECT_EQ(runStep({7, 0, 0}, z5UserDbUpdate700::Content()), StepScriptFailed);
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("6.1.3"));
    EXPECT_EQ(
        rows(QStringLiteral("SELECT ACODE, ATEXT FROM ACCREG WHERE ACODE STARTING WITH 'データパスワード'")),
        QStringList{QStringLiteral("データパスワード|pa-ss")});
    EXPECT_TRUE(e.ui->messageTexts().join(u'\n').contains(
        QStringLiteral("Ver 7.0.0のデータベース更新に失敗しました。")));
}

// ---- 8.0.2 to 9.0.5: post-migrations

struct PostMigrationTest : MigrationTest {
    PostMigrationTest() {
        for (int g : {7100, 7200, 8100, 8200, 7110, 7210, 8110, 8210})
            ds.addAccount({QStringLiteral("R%1").arg(g), QString(), QString(), g});
        int rec = 0;
        // Level 200 and the medical level 1200, in no particular order.
        for (const auto& [level, page, menu] : {std::tuple{200, 4, 19},
                                                {200, 2, 0},
                                                {200, 3, 5},
                                                {200, 2, 18},
                                                {200, 0, 2},
                                                {200, 3, 4},
                                                {200, 3, 14},
                                                {200, 4, 17},
                                                {1200, 3, 5},
                                                {1200, 3, 4},
                                                {300, 2, 1}})
            exec(QStringLiteral(
                     "INSERT INTO JOBCONTROL (REC, LEVELNO, PAGENO, MENUNO) VALUES (%1, %2, %3, %4)")
                     .arg(++rec)
                     .arg(level)
                     .arg(page)
                     .arg(menu));
        clear(); // as before the steps that fill the groups, rules and program permissions
    }
    void clear() const {
        for (const char* t : {"KAMOKU_KOSEI_GROUP", "SOLVARNE_YOJITU_HYOKARULE", "JOBCONTROL2"})
            exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
        exec(QStringLiteral("UPDATE KAMOKUMST SET SOLVARNE_YOJITU_RATE1=NULL, SOLVARNE_YOJITU_KIND1=NULL, "
                            "SOLVARNE_YOJITU_RATE2=NULL, SOLVARNE_YOJITU_KIND2=NULL"));
    }
    QStringList groups() const {
        return rows(
            QStringLiteral("SELECT FGNAME, FKCODE, FHCODE FROM KAMOKU_KOSEI_GROUP ORDER BY FGNAME, FKCODE"));
    }
    QStringList ruleCodes() const {
        return rows(QStringLiteral("SELECT FGCODE FROM SOLVARNE_YOJITU_HYOKARULE ORDER BY FGCODE"));
    }
    QStringList accountRules() const {
        return rows(QStringLiteral(
            "SELECT GROUPM1, CAST(SOLVARNE_YOJITU_RATE1 AS NUMERIC(9,2)), SOLVARNE_YOJITU_KIND1, "
            "CAST(SOLVARNE_YOJITU_RATE2 AS NUMERIC(9,2)), SOLVARNE_YOJITU_KIND2 FROM KAMOKUMST "
            "WHERE KCODE STARTING WITH 'R' AND SOLVARNE_YOJITU_RATE1 IS NOT NULL ORDER BY GROUPM1"));
    }
    QStringList jobs() const {
        return rows(QStringLiteral(
            "SELECT LEVELNO, PROC_ID, PROC_OPTION FROM JOBCONTROL2 ORDER BY LEVELNO, PROC_ID"));
    }
};

TEST_F(PostMigrationTest, Step802GroupsRulesAndJobsByDataTypeAndEdition) {
    const QStringList corporateGroups{"期首期末棚卸|5101| ",   "期首期末棚卸|5301| ", "期首期末棚卸|5401| ",
                                      "期首期末棚卸|5411| ",   "期首期末棚卸|5701| ", "期首期末棚卸|5801| ",
                                      "減価償却費|5606| ",     "減価償却費|6204| ",   "短期借入金返済|2103| ",
                                      "長期借入金返済|2202| ", "法人税等|8301| ",     "法人税等|8302| "};
    const QStringList corporateRules{"4800", "5100", "5400", "5600", "5700", "6200",
                                     "7180", "7280", "7300", "8180", "8280", "8290"};
    const QStringList corporateAccounts{"7100|0.95|0|1.05|1", "7200|1.05|1|0.95|0", "8100|0.95|0|1.05|1",
                                        "8200|1.05|1|0.95|0"};
    const QStringList jobs200{"200|QzKojinKessansyo|", "200|QzSiwake|SyoriType=0", "200|QzUtiwakeAll|"};
    struct Case {
        const char* name;
        int dataType, edition;
        int groupRows;
        QStringList rules, accounts, jobs;
    } cases[] = {
        {"corporation", 1, 0, 12, corporateRules, corporateAccounts, jobs200},
        {"corporation, edition 1",
         1,
         1,
         19,
         corporateRules,
         corporateAccounts,
         {"200|QzKobetuMeisaihyo|", "200|QzKojinKessansyo|", "200|QzSiwake|SyoriType=0",
          "200|QzUtiwakeAll|"}},
        {"individual", 2, 0, 0, {}, {}, jobs200},
        {"medical corporation", 3, 0, 0, {}, {}, {"1200|QzCashFlow|", "1200|QzMBHokukuKansa|"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        AccInf.DATATYPE = c.dataType;
        TavrinoEdition = quint8(c.edition);
        ASSERT_EQ(runStep({8, 0, 2}, z5UserDbUpdate802::Content()), StepDone)
            << e.ui->messageTexts().join(u'\n').toStdString();
        const QStringList g = groups();
        EXPECT_EQ(g.size(), c.groupRows);
        if (c.dataType == 1 && c.edition == 0) {
            EXPECT_EQ(g, corporateGroups);
        }
        if (c.edition == 1) {
            EXPECT_TRUE(g.contains(QStringLiteral("法人税等|98500| "))) << g.join(u' ').toStdString();
        }
        EXPECT_EQ(ruleCodes(), c.rules);
        EXPECT_EQ(accountRules(), c.accounts);
        EXPECT_EQ(jobs(), c.jobs);
        if (c.dataType == 1) {
            EXPECT_EQ(one(QStringLiteral("SELECT FMEISHOU, FBAD_RATE, FBAD_HANI, FGOOD_RATE, FGOOD_HANI FROM "
                                         "SOLVARNE_YOJITU_HYOKARULE WHERE FGCODE='7280'")),
                      QStringLiteral("営業外費用|1.05|1|0.95|0"));
        }
    }
    // The old permissions stay.
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM JOBCONTROL")), QStringLiteral("11"));
}

TEST_F(PostMigrationTest, JobConversionTableByPage) {
    struct Case {
        int dataType, edition, page, menu;
        const char* procId;
        const char* option;
    } cases[] = {
        {1, 0, 0, 19, "QzTusinSettei", ""},
        {1, 0, 1, 4, "QzKeieiBunseki2", ""},
        {1, 0, 2, 2, "QzMotocho", "SyoriType=0"},
        {1, 0, 2, 17, "", ""},
        {2, 2, 2, 17, "QzKobetuIchiranhyo", ""},
        {1, 3, 2, 19, "", ""},
        {2, 0, 3, 0, "QzHojinKessansyo", ""},
        {3, 0, 3, 0, "QzMBKessansyo", ""},
        {1, 0, 3, 4, "", ""},
        {1, 0, 4, 0, "QzUtiwake01", ""},
        {1, 0, 4, 16, "QzUtiwake17", ""},
        {1, 0, 4, 17, "", ""},
        {1, 0, 5, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dataType << " " << c.edition << " " << c.page << "/" << c.menu);
        QString procId = QStringLiteral("x"), option = QStringLiteral("x");
        JobControlProgram(c.dataType, c.edition, c.page, c.menu, procId, option);
        EXPECT_EQ(procId, QString::fromLatin1(c.procId));
        EXPECT_EQ(option, QString::fromLatin1(c.option));
    }
}

TEST_F(PostMigrationTest, IndividualAndMedicalGroupsAndRules) {
    struct Case {
        const char* name;
        TDbVersion step;
        TStepContent (*content)();
        int dataType, codeType, edition, groupRows;
        QStringList rules, accounts;
    } cases[] = {
        {"individual general",
         {8, 0, 3},
         z5UserDbUpdate803::Content,
         2,
         1,
         0,
         10,
         {"4800", "5100", "5400", "5600", "5700", "6200", "7180", "7280", "7300", "8400"},
         {"7100|0.95|0|1.05|1", "7200|1.05|1|0.95|0"}},
        {"individual clinic", {8, 0, 3}, z5UserDbUpdate803::Content, 2, 3, 0, 10, {}, {}},
        {"individual real estate", {8, 0, 3}, z5UserDbUpdate803::Content, 2, 2, 0, 3, {}, {}},
        {"individual agriculture, edition 2", {8, 0, 3}, z5UserDbUpdate803::Content, 2, 4, 2, 7, {}, {}},
        {"individual general, edition 1", {8, 0, 3}, z5UserDbUpdate803::Content, 2, 1, 1, 15, {}, {}},
        {"corporation at 8.0.3", {8, 0, 3}, z5UserDbUpdate803::Content, 1, 1, 0, 0, {}, {}},
        {"medical",
         {9, 0, 2},
         z5UserDbUpdate902::Content,
         3,
         1,
         0,
         0,
         {"4800", "5100", "5400", "5600", "5700", "6200", "7180", "7280", "7300", "8180", "8280", "8300"},
         {"7110|0.95|0|1.05|1", "7210|1.05|1|0.95|0", "8110|0.95|0|1.05|1", "8210|1.05|1|0.95|0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        AccInf.DATATYPE = c.dataType;
        AccInf.CODETYPE = c.codeType;
        TavrinoEdition = quint8(c.edition);
        ASSERT_EQ(runStep(c.step, c.content()), StepDone) << e.ui->messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(groups().size(), c.groupRows);
        if (!c.rules.isEmpty() || c.dataType == 1) {
            EXPECT_EQ(ruleCodes(), c.rules);
            EXPECT_EQ(accountRules(), c.accounts);
        }
    }
    EXPECT_EQ(one(QStringLiteral("SELECT FMEISHOU FROM SOLVARNE_YOJITU_HYOKARULE WHERE FGCODE='4800'")),
              QStringLiteral("事業収益"));
}

TEST_F(PostMigrationTest, Step903RoundsBudgetsHalfAwayFromZero) {
    ds.addAccount({QStringLiteral("B1"), QString(), QString(), 0});
    int mnum = 0;
    for (const char* values : {"2.5, 0.5, -0.5", "-2.5, 1.4999, 7", "1234.5678, -1234.5, 0"})
        exec(QStringLiteral(
                 "INSERT INTO KAMOKU_MS (SCODE, BCODE, KCODE, HCODE, MNUM, BYOSAN, BYOSAN2, BYOSAN3) "
                 "VALUES (' ', ' ', 'B1', ' ', %1, %2)")
                 .arg(++mnum)
                 .arg(QLatin1String(values)));
    ASSERT_EQ(runStep({9, 0, 3}, z5UserDbUpdate903::Content()), StepDone)
        << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(rows(QStringLiteral(
                  "SELECT CAST(BYOSAN AS INTEGER), CAST(BYOSAN2 AS INTEGER), CAST(BYOSAN3 AS INTEGER), "
                  "BYOSAN - CAST(BYOSAN AS INTEGER) FROM KAMOKU_MS WHERE KCODE='B1' ORDER BY MNUM")),
              (QStringList{"3|1|-1|0", "-3|1|7|0", "1235|-1235|0|0"}));
}

TEST_F(PostMigrationTest, Step904CopiesTheOperatorsPrintSettings) {
    const QString kessan =
        QStringLiteral("SELECT ZEROKAMOKUPRINT, ZEROPRINT, SONSHITUSANKAKU, SOTOWAKUKAHEN, "
                       "FUSAINOBUKAIPAGE, HANBAIHIKUMIIRE, TEGATASOSAI FROM KESSAN WHERE REC=1");
    struct Case {
        const char* name;
        int dataType, zeroPrint, reserve2;
        const char* after;
    } cases[] = {
        {"corporation, zero accounts printed", 1, 2, 3, "1|0|1|1|1|1|1"},
        {"corporation, zero amounts printed", 1, 1, 2, "1|1|1|1|0|1|1"},
        {"corporation, nothing", 1, 0, 0, "0|0|1|0|0|1|1"},
        {"individual", 2, 1, 3, "0|0|0|0|0|0|0"},
        {"medical corporation", 3, 1, 3, "9|9|9|9|9|9|9"},
    };
    // The logged-on operator's settings row and typed settings, loaded as a logon loads them.
    e.connectSystem();
    ASSERT_TRUE(e.dm->fnGetSysDef());
    for (const char16_t* name : {u"決算書手形相殺区分", u"決算書販売費組入区分"})
        e.executeSystem(
            QStringLiteral("UPDATE OR INSERT INTO SYSREG (OPCODE, SCODE, STYPE, STEXT) VALUES (%1, '%2', "
                           "'整数', '1') MATCHING (OPCODE, SCODE)")
                .arg(SystemDef.OPCODE)
                .arg(QString::fromUtf16(name)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exec(QStringLiteral(
            "UPDATE KESSAN SET ZEROKAMOKUPRINT=9, ZEROPRINT=9, SONSHITUSANKAKU=9, SOTOWAKUKAHEN=9, "
            "FUSAINOBUKAIPAGE=9, HANBAIHIKUMIIRE=9, TEGATASOSAI=9"));
        e.executeSystem(
            QStringLiteral("UPDATE SYSDEF SET ZEROPRINT=%1, RESERVE2=%2, SANKAKUPLUS=1 WHERE OPCODE=%3")
                .arg(c.zeroPrint)
                .arg(c.reserve2)
                .arg(SystemDef.OPCODE));
        ASSERT_TRUE(e.dm->fnGetSysDef());
        SystemDef.DataDir = ds.folder; // the settings row carries a data folder of its own
        AccInf.DATATYPE = c.dataType;
        ASSERT_EQ(runStep({9, 0, 4}, z5UserDbUpdate904::Content()), StepDone)
            << e.ui->messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(one(kessan), QString::fromLatin1(c.after));
    }
}

TEST_F(PostMigrationTest, Step905ClearsDailyReportNumbersOnlyInTheEditions) {
    ds.addAccount({QStringLiteral("D1"), QString(), QString(), 0});
    exec(QStringLiteral(
        "INSERT INTO SIWAKE (REC, SWKREC, SWKNO, TAISHAKU, SCODE, KCODE, DNUM) VALUES (1, 1, 1, 1, ' ', "
        "'D1', 4)"));
    EXPECT_FALSE(z5UserDbUpdate905::Content().PostMigration);
    ASSERT_EQ(runStep({9, 0, 5}, z5UserDbUpdate905::Content()), StepDone);
    EXPECT_EQ(one(QStringLiteral("SELECT DNUM FROM SIWAKE WHERE REC=1")), QStringLiteral("4"));
    TavrinoEdition = 2;
    ASSERT_EQ(runStep({9, 0, 5}, z5UserDbUpdate905::Content()), StepDone);
    EXPECT_EQ(one(QStringLiteral("SELECT DNUM FROM SIWAKE WHERE REC=1")), QStringLiteral("0"));
}

// A group row that is there already makes the last group insert of 8.0.2 fail: the step gives 19 with the
// rows before it and its version committed; the driver then restores the dataset as it was.
TEST_F(PostMigrationTest, AFailingPostMigrationGives19AndTheDriverRestores) {
    exec(QStringLiteral(
        "INSERT INTO KAMOKU_KOSEI_GROUP (FGNAME, FKCODE, FHCODE) VALUES ('期首期末棚卸', '5801', ' ')"));
    AccInf.DATATYPE = 1;
    stamp("8.0.0");
    EXPECT_EQ(runStep({8, 0, 2}, z5UserDbUpdate802::Content()), StepMigrationFailed);
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("8.0.2"));
    EXPECT_EQ(groups().size(), 12); // eleven inserted and the one that was there
    EXPECT_TRUE(ruleCodes().isEmpty());
    EXPECT_TRUE(e.ui->messageTexts().join(u'\n').contains(
        QStringLiteral("Ver 8.0.2のデータベース更新に失敗しました。")));

    clear();
    exec(QStringLiteral(
        "INSERT INTO KAMOKU_KOSEI_GROUP (FGNAME, FKCODE, FHCODE) VALUES ('期首期末棚卸', '5801', ' ')"));
    stamp("8.0.0");
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    e.dm->fnGetAccInfo();
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    AccInf.DATATYPE = 1;
    TDbUpdateBox box;
    TDbUpdateListRec entry;
    RegisterStep(*FindStep(TDbKind::Accounting, {8, 0, 2}), entry);
    entry.StepProc = [] { return runStep({8, 0, 2}, z5UserDbUpdate802::Content()); };
    box.Updater.UserSteps = {entry};
    box.SetupPendingList(1, QString());
    ASSERT_TRUE(box.IsPending());
    box.form().cboxAgree->setChecked(true);
    box.cboxAgreeClick();
    box.btnOkClick();
    EXPECT_EQ(box.result(), ui::mrRetry);
    EXPECT_EQ(box.form().ListView1->topLevelItem(0)->text(2), QStringLiteral("失敗"));
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("8.0.0"));
    EXPECT_EQ(groups(), QStringList{QStringLiteral("期首期末棚卸|5801| ")});
    EXPECT_TRUE(jobs().isEmpty());
}

} // namespace

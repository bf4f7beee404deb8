// The accounting database's first upgrade steps (0.1.1 to 0.1.5) through real isql-fb, on a dataset built
// from the base at 0.1.0: the driver's run, the fixed-asset tables against the newest schema, the column
// probes, and the triggers and procedures the steps bring, on small fixtures.

#include "UpgradeTestSupport.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdate.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "dbupdate/z5DbUpdateStep.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/firebird/FbDatabase.h"
#include "support/DbCompare.h"
#include "support/DmFixture.h"
#include "ui_z5DbUpdate.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

struct AccountingStepsTest : ::testing::Test {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});
    TArrayDbUpdateListRec steps = BuildSteps(TDbKind::Accounting);
    size_t next = 0;

    AccountingStepsTest() {
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
        testenv::createDatabaseFromScript(testenv::sourceDir() + QStringLiteral("/sql/base/placc_base.sql"),
                                          ds.database);
        SystemDef.DataDir = ds.folder;
    }

    // Runs the pending steps up to and including the version; each must succeed.
    void runTo(const TDbVersion& last) {
        for (; next < steps.size() && !(last < steps[next].version()); ++next)
            ASSERT_EQ(steps[next].StepProc(), StepDone) << steps[next].version().text().toStdString() << "\n"
                                                        << e.ui->messageTexts().join(u'\n').toStdString();
    }
    void exec(const QString& sql) const { ds.execute(sql); }
    // Every row as its fields joined by "|", in the statement's order; what it wrote is committed.
    QStringList rows(const QString& sql) const { return queryRows(*ds.connect(), sql); }
    QString one(const QString& sql) const {
        const QStringList r = rows(sql);
        return r.isEmpty() ? QStringLiteral("<none>") : r.first();
    }
    // Runs the steps [first, last) through the upgrade dialog, as the operator would: each must be done,
    // and the only boxes are those of the reconnect, whose company information reads tables that later
    // steps bring.
    void runWithDriver(size_t first, size_t last) {
        TDbUpdateBox box;
        box.Updater.UserSteps.assign(steps.begin() + first, steps.begin() + last);
        box.SetupPendingList(1, QString());
        ASSERT_TRUE(box.IsPending()) << e.ui->messageTexts().join(u'\n').toStdString();
        box.form().cboxAgree->setChecked(true);
        box.cboxAgreeClick();
        box.btnOkClick();
        EXPECT_EQ(box.result(), ui::mrOk) << e.ui->messageTexts().join(u'\n').toStdString();
        ASSERT_EQ(box.form().ListView1->topLevelItemCount(), int(last - first));
        for (int i = 0; i < box.form().ListView1->topLevelItemCount(); ++i)
            EXPECT_EQ(box.form().ListView1->topLevelItem(i)->text(2), QStringLiteral("完了"));
        for (const QString& m : e.ui->messageTexts())
            EXPECT_TRUE(m.contains(QStringLiteral("ACCTOTALNAME"))) << m.toStdString();
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
        next = last;
    }
    // The composed script of an accounting step, as it would be written now.
    static QString script(const TDbVersion& v) {
        const TStepSpec* spec = FindStep(TDbKind::Accounting, v);
        QStringList lines;
        EXPECT_TRUE(spec && ComposeStepScript(*spec, spec->Content(), lines));
        return lines.join(u'\n');
    }
};

// An asset names its payment and receipt accounts only when it has them: their empty defaults name no
// sub-account.
const QString kNoPaymentAccounts = QStringLiteral(", SIHAKCODE, SIHAHCODE, SYUNYUKCODE, SYUNYUHCODE");
const QString kNulls = QStringLiteral(", NULL, NULL, NULL, NULL");

// The schema lines of the five fixed-asset tables (columns, keys, triggers).
QStringList fixedAssetSchema(const QString& path, const QStringList& leaveOut = {}) {
    fb::Database db(path, testenv::databaseUser());
    db.attach();
    const QStringList all = testenv::describeSchema(db);
    db.detach();
    static const QRegularExpression table(
        QStringLiteral("^(COLUMN|INDEX|TRIGGER) ([A-Z0-9_]+\\|)?(KS_SISAN|KS_BUMONHB|KS_DAICHO|KS_SETSWK|"
                       "KS_SETSWK_INIT)\\|"));
    QStringList lines;
    for (const QString& l : all) {
        if (!table.match(l).hasMatch())
            continue;
        if (std::any_of(leaveOut.begin(), leaveOut.end(),
                        [&](const QString& c) { return l.startsWith(QStringLiteral("COLUMN KS_SISAN|")) &&
                                                       l.contains(u'|' + c + u'|'); }))
            continue;
        lines << l;
    }
    return lines;
}

TEST_F(AccountingStepsTest, TheDriverBringsTheBaseToTheLastStepOfTheFirstSeries) {
    runWithDriver(0, 5);
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("0.1.5"));
    // The memo of these steps is the time alone.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(one(QStringLiteral("SELECT MEMO FROM ACCVERSION WHERE REC = 1")))
                    .hasMatch());

    // The fixed-asset tables are those of the newest schema, less the columns later steps add.
    const QStringList upgraded = fixedAssetSchema(ds.database);
    const QStringList newest =
        fixedAssetSchema(e.root->addDataset({}).database,
                         {QStringLiteral("TEIRITU250"), QStringLiteral("TEIRITU200"),
                          QStringLiteral("SYUTOKUKAGAKUCHOSEI")});
    EXPECT_GT(upgraded.size(), 150);
    EXPECT_EQ(upgraded, newest);

    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*), MIN(REC), MAX(REC) FROM KS_SETSWK_INIT")), QStringLiteral("70|1|70"));
    EXPECT_EQ(one(QStringLiteral("SELECT GDNAM FROM GENKADIV WHERE CODE = 6")), QStringLiteral("リース期間定額法"));
    // Every fixed-asset account of the company's own facility has its settings (13 + 6 + 9 + 3).
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KS_SETSWK WHERE SCODE = ' '")), QStringLiteral("31"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME STARTING WITH 'AO_'")),
              QStringLiteral("8"));
}

// The ACCDEF1 columns are probed while each script is written, after the earlier steps ran.
TEST_F(AccountingStepsTest, SettingsColumnsAreAddedOnlyByTheFirstScriptThatFindsThemMissing) {
    const QString hasuu = QStringLiteral("ADD SDAI_HASUU3 INTEGER DEFAULT 0;");
    const QString kikan = QStringLiteral("ADD KESSAN_KIKAN INTEGER DEFAULT -1,");
    const QString chuki = QStringLiteral("ADD CHUKI_TITLEPRINT INTEGER DEFAULT 0;");
    // The base has the ACCDEF1 columns: no script adds them.
    for (const TDbVersion v : {TDbVersion{0, 1, 1}, TDbVersion{0, 1, 3}, TDbVersion{0, 1, 4}})
        EXPECT_FALSE(script(v).contains(QStringLiteral("ALTER TABLE ACCDEF1"))) << v.text().toStdString();
    exec(QStringLiteral("ALTER TABLE KESSAN ADD CHUKI_TITLEPRINT INTEGER"));
    EXPECT_FALSE(script({0, 1, 5}).contains(chuki));
    exec(QStringLiteral("ALTER TABLE KESSAN DROP CHUKI_TITLEPRINT"));

    for (const char* c : {"SDAI_HASUU3", "KESSAN_KIKAN", "CASHFLOW_KIKAN1", "CASHFLOW_KIKAN2"})
        exec(QStringLiteral("ALTER TABLE ACCDEF1 DROP %1").arg(QLatin1String(c)));
    const QString first = script({0, 1, 1});
    EXPECT_TRUE(first.contains(QStringLiteral("ALTER TABLE ACCDEF1\n") + hasuu));
    EXPECT_TRUE(first.contains(QStringLiteral("ALTER TABLE ACCDEF1\n") + kikan +
                               QStringLiteral("\nADD CASHFLOW_KIKAN1 INTEGER DEFAULT -1,\n"
                                              "ADD CASHFLOW_KIKAN2 INTEGER DEFAULT -1;\n"
                                              "UPDATE ACCDEF1 SET KESSAN_KIKAN=-1,CASHFLOW_KIKAN1=-1,"
                                              "CASHFLOW_KIKAN2=-1 WHERE REC=1;\nCOMMIT;")));
    runTo({0, 1, 2});
    EXPECT_FALSE(script({0, 1, 3}).contains(QStringLiteral("ACCDEF1")));
    runTo({0, 1, 3});
    EXPECT_FALSE(script({0, 1, 4}).contains(QStringLiteral("ACCDEF1")));
    const QString last = script({0, 1, 5});
    EXPECT_TRUE(last.contains(QStringLiteral("/* KESSANテーブルへ注記表タイトル印字区分を追加 */\nALTER TABLE KESSAN\n") +
                              chuki));
    runTo({0, 1, 5});
    EXPECT_EQ(one(QStringLiteral("SELECT SDAI_HASUU3, KESSAN_KIKAN, CASHFLOW_KIKAN1, CASHFLOW_KIKAN2 FROM ACCDEF1")),
              QStringLiteral("0|-1|-1|-1"));
    EXPECT_EQ(one(QStringLiteral("SELECT CHUKI_TITLEPRINT FROM KESSAN WHERE REC = 1")), QStringLiteral("0"));
}

// The version table keeps its rows when it has a 0.1.0 row, and is reduced to row 1 otherwise.
TEST_F(AccountingStepsTest, VersionTableIsResetOnlyWithoutAnEarlierRow) {
    struct Case {
        const char* name;
        int minor1, minor2;
        QStringList after;
    } cases[] = {
        {"with 0.1.0", 1, 0, {"1|0|1|1", "2|5|0|0"}},
        {"without", 0, 9, {"1|0|1|1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testenv::createDatabaseFromScript(testenv::sourceDir() + QStringLiteral("/sql/base/placc_base.sql"),
                                          ds.database);
        exec(QStringLiteral("UPDATE ACCVERSION SET MINOR1 = %1, MINOR2 = %2 WHERE REC = 1").arg(c.minor1).arg(c.minor2));
        exec(QStringLiteral("INSERT INTO ACCVERSION (REC, MAJOR, MINOR1, MINOR2) VALUES (2, 5, 0, 0)"));
        EXPECT_EQ(steps[0].StepProc(), StepDone) << e.ui->messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(rows(QStringLiteral("SELECT REC, MAJOR, MINOR1, MINOR2 FROM ACCVERSION ORDER BY REC")), c.after);
    }
}

// A new facility gets everything it needs; a new account its own sub-account row and, in the
// fixed-asset classes, settings rows for every facility.
TEST_F(AccountingStepsTest, NewFacilityAndNewAccountGetTheirRows) {
    runTo({0, 1, 1});
    exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('1401', 'A1', '')"));
    exec(QStringLiteral("INSERT INTO BUMONMST (BCODE) VALUES ('02')"));
    exec(QStringLiteral("INSERT INTO BUMONMST (BCODE) VALUES ('01')"));
    exec(QStringLiteral("INSERT INTO ORGDIC_1 (REC, CREC, SORTCODE, TEXT) VALUES (1, 5, 1, '売上')"));
    exec(QStringLiteral("INSERT INTO ORGDIC_1 (REC, CREC, SORTCODE, TEXT) VALUES (2, 6, 2, '経費')"));
    exec(QStringLiteral("INSERT INTO ORGDIC_2 VALUES (1, 5, 'ｱ', '現金売上', 1, 2, '1401', 'X9', 3, '1402', NULL, 4)"));
    exec(QStringLiteral("INSERT INTO ORGDIC_2 VALUES (2, 6, 'ｲ', '備品', 3, 4, '1401', 'A1', 5, '1402', ' ', 6)"));
    exec(QStringLiteral("INSERT INTO SISETUMST (SCODE, SNAME, BUMEX) VALUES ('10', '支店', 1)"));

    const auto count = [&](const char* table) {
        return one(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE SCODE = '10'").arg(QLatin1String(table)));
    };
    EXPECT_EQ(count("TORDICTI"), QStringLiteral("50"));
    EXPECT_EQ(count("SWKDICTI"), QStringLiteral("50"));
    EXPECT_EQ(one(QStringLiteral("SELECT * FROM SWKDICTI WHERE SCODE = '10' AND REC = 7")),
              QStringLiteral("7|10|7||1|0|1|0|0|0"));
    EXPECT_EQ(rows(QStringLiteral("SELECT CREC, SORTCODE, TEXT FROM TEKDICTI WHERE SCODE = '10' ORDER BY CREC")),
              (QStringList{"1|1|売上", "2|2|経費"}));
    // A model sub-account the account lacks becomes the account's own row.
    EXPECT_EQ(rows(QStringLiteral("SELECT CREC, KANA, FNUM, TEXT, \"ROW\", COL, KAR_KCODE, KAR_HCODE, KAR_BCODE, "
                                  "KAR_TAXCODE, KAS_KCODE, KAS_HCODE, KAS_BCODE, KAS_TAXCODE, HAIBUN, RTIME FROM "
                                  "TEKDIC WHERE SCODE = '10' ORDER BY CREC")),
              (QStringList{"1|ｱ|0|現金売上|1|2|1401| |null|3|1402|null|null|4|0|null",
                           "2|ｲ|0|備品|3|4|1401|A1|null|5|1402| |null|6|0|null"}));
    EXPECT_EQ(one(QStringLiteral("SELECT * FROM KS_TRANSSWK WHERE SCODE = '10'")), QStringLiteral("10|-1|-1|-1|-1|-1|"));
    EXPECT_EQ(count("KS_SETSWK"), QStringLiteral("31"));
    EXPECT_EQ(one(QStringLiteral("SELECT NOTLIST, TEKIYO, GSKEIJYO, RUIKEIKCODE, RUIKEIHCODE, SYOKYAKU1_KCODE, "
                                 "BAISONKCODE, BAIEKITEKIYO, DUMMY FROM KS_SETSWK WHERE SCODE = '10' AND KCODE = '1401'")),
              QStringLiteral("1|購入|1|1416|null|6204|8201|売却|"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*), MIN(MNUM), MAX(MNUM) FROM ACCDEF5 WHERE SCODE = '10' AND BCODE = ' '")),
              QStringLiteral("48|-31|16"));
    EXPECT_EQ(rows(QStringLiteral("SELECT BCODE FROM YOSOKUINF WHERE SCODE = '10'")), QStringList{" "});
    EXPECT_EQ(rows(QStringLiteral("SELECT BCODE FROM SISETUBUM WHERE SCODE = '10' ORDER BY BCODE")),
              (QStringList{"01", "02"}));
    // Every sub-account of the 37 accounts in use, the new one included.
    EXPECT_EQ(count("KAMOKU_SZ"), QStringLiteral("38"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KAMOKU_TAX WHERE SCODE = '10' AND BCODE = ' '")),
              QStringLiteral("480"));

    // A class-1 account without its own initial row takes the class default; an account outside the
    // classes gets no settings, but its own sub-account row all the same.
    exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1, USE, TAX_LCODE, TAX_RCODE, BPFLG) "
                        "VALUES ('1650', '1650', 1650, 1, 2, 3, 1)"));
    exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1, USE) VALUES ('3001', '3001', 2000, 1)"));
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, HNAME, TAX_LCODE, TAX_RCODE, BPFLG FROM HOJOMST WHERE KCODE IN "
                                  "('1650', '3001') ORDER BY KCODE")),
              (QStringList{"1650||2|3|1", "3001||0|0|"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT SCODE, GSTAISYOU, GSKEIJYO, GSKAHI, GSHOUHOU, SETSWK, RUIKEIKCODE FROM "
                                  "KS_SETSWK WHERE KCODE = '1650' ORDER BY SCODE")),
              (QStringList{" |0|0|1|3|0|null", "10|0|0|1|3|0|null"}));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KS_SETSWK WHERE KCODE = '3001'")), QStringLiteral("0"));
}

// The class of an account follows its classification number; data without initial rows gets empty
// settings.
TEST_F(AccountingStepsTest, SettingsRowsByClassAndDataType) {
    runTo({0, 1, 1});
    struct Case {
        int groupm1;
        const char* row; // GSKAHI, GSKEIJYO, RUIKEIKCODE of the new row; null: no row
    } cases[] = {{1400, "0|1|1416"}, {1599, "0|1|1416"}, {1600, "1|0|null"}, {1799, "2|0|null"},
                 {1800, "3|0|null"}, {1801, nullptr},    {1399, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.groupm1);
        exec(QStringLiteral("DELETE FROM KS_SETSWK"));
        exec(QStringLiteral("EXECUTE PROCEDURE SP_KS_INSSETSWK (' ', %1, '1401')").arg(c.groupm1));
        const QStringList r = rows(QStringLiteral("SELECT GSKAHI, GSKEIJYO, RUIKEIKCODE FROM KS_SETSWK"));
        EXPECT_EQ(r, c.row ? QStringList{QString::fromLatin1(c.row)} : QStringList());
    }
    // No row for a facility that does not exist.
    exec(QStringLiteral("EXECUTE PROCEDURE SP_KS_INSSETSWK ('99', 1400, '1401')"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KS_SETSWK")), QStringLiteral("0"));
    exec(QStringLiteral("UPDATE ACCDEF1 SET DATATYPE = 3"));
    exec(QStringLiteral("EXECUTE PROCEDURE SP_KS_INSSETSWK (' ', 1410, '1401')"));
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, NOTLIST, TEKIYO, GSKAHI, RUIKEIKCODE, DUMMY FROM KS_SETSWK")),
              QStringList{"1401|null|null|null|null|"});
}

// Journal lines move the totals and the entry count; deletion takes them away and restoration adds
// them again.
TEST_F(AccountingStepsTest, JournalLinesMoveTotalsAndEntryCount) {
    runTo({0, 1, 1});
    exec(QStringLiteral("INSERT INTO KAMOKU_MS (SCODE, KCODE, HCODE, BCODE, MNUM) VALUES (' ', '1401', ' ', '01', 1)"));
    exec(QStringLiteral("EXECUTE PROCEDURE SP_KAMOKU_TAX_INSERT (' ', '01')"));
    const auto line = [&](int rec, int side, int nuk, int zei) {
        exec(QStringLiteral("INSERT INTO SIWAKE (REC, SWKREC, SWKNO, TAISHAKU, DELFLG, SCODE, BCODE, KCODE, HCODE, "
                            "MNUM, NUK, ZEI, TAXUH) VALUES (%1, %1, %1, %2, 0, ' ', '01', '1401', ' ', 1, %3, %4, 2)")
                 .arg(rec)
                 .arg(side)
                 .arg(nuk)
                 .arg(zei));
    };
    // count | debit, tax | credit, tax | tax totals: debit and credit of department ' ', debit of 01
    const auto state = [&] {
        return one(QStringLiteral(
            "SELECT (SELECT SIWAKECOUNT FROM SISETUMST WHERE SCODE = ' '), CAST(KAR_NUK AS INTEGER), "
            "CAST(KAR_TAX AS INTEGER), CAST(KAS_NUK AS INTEGER), CAST(KAS_TAX AS INTEGER), "
            "(SELECT CAST(KAR AS INTEGER) FROM KAMOKU_TAX WHERE SCODE = ' ' AND BCODE = ' ' AND KKUBUN = 2 AND MNUM = 1), "
            "(SELECT CAST(KAS AS INTEGER) FROM KAMOKU_TAX WHERE SCODE = ' ' AND BCODE = ' ' AND KKUBUN = 2 AND MNUM = 1), "
            "(SELECT CAST(KAR AS INTEGER) FROM KAMOKU_TAX WHERE SCODE = ' ' AND BCODE = '01' AND KKUBUN = 2 AND MNUM = 1) "
            "FROM KAMOKU_MS WHERE SCODE = ' ' AND KCODE = '1401' AND HCODE = ' ' AND BCODE = '01' AND MNUM = 1"));
    };
    line(1, 1, 1000, 100);
    EXPECT_EQ(state(), QStringLiteral("1|1000|100|0|0|100|0|0"));
    line(2, 2, 300, 30); // a credit line counts no entry
    EXPECT_EQ(state(), QStringLiteral("1|1000|100|300|30|100|30|0"));
    exec(QStringLiteral("UPDATE SIWAKE SET DELFLG = 1 WHERE REC = 1"));
    EXPECT_EQ(state(), QStringLiteral("0|0|0|300|30|0|30|0"));
    exec(QStringLiteral("UPDATE SIWAKE SET DELFLG = 0 WHERE REC = 1"));
    EXPECT_EQ(state(), QStringLiteral("1|1000|100|300|30|100|30|0"));
    exec(QStringLiteral("UPDATE SIWAKE SET DELFLG = 2 WHERE REC = 2"));
    EXPECT_EQ(state(), QStringLiteral("1|1000|100|0|0|100|0|0"));
    // A corrected line back to 0, or an amount changed on a live line, moves nothing.
    exec(QStringLiteral("UPDATE SIWAKE SET DELFLG = 0 WHERE REC = 2"));
    exec(QStringLiteral("UPDATE SIWAKE SET NUK = 5 WHERE REC = 1"));
    EXPECT_EQ(state(), QStringLiteral("1|1000|100|0|0|100|0|0"));
    // With tax totals per department the tax goes to the line's department.
    exec(QStringLiteral("UPDATE ACCDEF1 SET BUMON = 2"));
    line(3, 1, 50, 5);
    EXPECT_EQ(state(), QStringLiteral("2|1050|105|0|0|100|0|5"));
}

// A fixed-asset line flags its assets as transferred; deleting the last line of an asset clears it.
TEST_F(AccountingStepsTest, FixedAssetLinesFlagTheirAssets) {
    runTo({0, 1, 1});
    exec(QStringLiteral("UPDATE HOJOMST SET REC = 77 WHERE KCODE = '1401' AND HCODE = ' '"));
    for (const char* asset : {"1, ' ', '1401'", "2, ' ', '1401'", "3, ' ', '1402'"})
        exec(QStringLiteral("INSERT INTO KS_SISAN (REC, SCODE, KCODE%1) VALUES (%2%3)")
                 .arg(kNoPaymentAccounts, QLatin1String(asset), kNulls));
    const auto flags = [&] { return rows(QStringLiteral("SELECT TRANSKBN FROM KS_SISAN ORDER BY REC")).join(u','); };
    const auto line = [&](int rec, const char* key, int linkrec) {
        exec(QStringLiteral("INSERT INTO SIWAKE (REC, TAISHAKU, DELFLG, SCODE, KCODE, MNUM, LINKKUB, LINKKEY, LINKREC) "
                            "VALUES (%1, 1, 0, ' ', '1401', 1, 8, '%2', %3)")
                 .arg(rec)
                 .arg(QLatin1String(key))
                 .arg(linkrec));
    };
    // "2-A" names the sub-account row: every asset of that account and sub-account.
    line(10, "2-A01", 77);
    EXPECT_EQ(flags(), QStringLiteral("1,1,null"));
    line(11, "1-B", 3);
    EXPECT_EQ(flags(), QStringLiteral("1,1,1"));
    // The deletion clears the link, so no line of the asset is left.
    exec(QStringLiteral("UPDATE SIWAKE SET DELFLG = 1, LINKKUB = 0 WHERE REC = 11"));
    EXPECT_EQ(flags(), QStringLiteral("1,1,0"));
    // A deleted line that keeps its link still counts.
    exec(QStringLiteral("UPDATE SIWAKE SET DELFLG = 1 WHERE REC = 10"));
    EXPECT_EQ(flags(), QStringLiteral("1,1,0"));
}

// The keys of the fixed-asset tables: what goes with an asset, a department, a sub-account or an
// account, and what is refused.
TEST_F(AccountingStepsTest, FixedAssetKeysCascadeAndRefuse) {
    runTo({0, 1, 1});
    exec(QStringLiteral("INSERT INTO KS_SISAN (REC, SCODE, KCODE%1) VALUES (1, ' ', '1401'%2)").arg(kNoPaymentAccounts, kNulls));
    EXPECT_EQ(one(QStringLiteral("SELECT HCODE, JYOKYO, GSHOUHOU, HANBAIHIWARIAI, JIGYOUWARIAI, TRANSKBN, DUMMY "
                                 "FROM KS_SISAN")),
              QStringLiteral(" |1|1|100|100|null|"));
    exec(QStringLiteral("INSERT INTO SISETUBUM (SCODE, BCODE) VALUES (' ', '00')"));
    exec(QStringLiteral("INSERT INTO SISETUBUM (SCODE, BCODE) VALUES (' ', '01')"));
    exec(QStringLiteral("INSERT INTO KS_BUMONHB (KS_REC, SCODE, BCODE, HAIBUN) VALUES (1, ' ', '00', 60)"));
    exec(QStringLiteral("INSERT INTO KS_BUMONHB (KS_REC, SCODE, BCODE, HAIBUN) VALUES (1, ' ', '01', 40)"));
    exec(QStringLiteral("INSERT INTO KS_DAICHO (REC, HIZUKE, DTYPE) VALUES (1, '2026-04-01', 1)"));
    exec(QStringLiteral("DELETE FROM SISETUBUM WHERE BCODE = '01'"));
    EXPECT_EQ(rows(QStringLiteral("SELECT BCODE FROM KS_BUMONHB")), QStringList{"00"});
    exec(QStringLiteral("DELETE FROM KS_SISAN WHERE REC = 1"));
    EXPECT_EQ(one(QStringLiteral("SELECT (SELECT COUNT(*) FROM KS_BUMONHB) + (SELECT COUNT(*) FROM KS_DAICHO) "
                                 "FROM RDB$DATABASE")),
              QStringLiteral("0"));

    // A deleted sub-account empties only the pair that named it.
    exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE) VALUES ('1416', 'A1')"));
    exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE) VALUES ('6204', 'B1')"));
    exec(QStringLiteral("UPDATE KS_SETSWK SET RUIKEIHCODE = 'A1', SYOKYAKU1_HCODE = 'B1' WHERE KCODE = '1401'"));
    exec(QStringLiteral("DELETE FROM HOJOMST WHERE KCODE = '1416' AND HCODE = 'A1'"));
    EXPECT_EQ(one(QStringLiteral("SELECT RUIKEIKCODE, RUIKEIHCODE, SYOKYAKU1_KCODE, SYOKYAKU1_HCODE FROM KS_SETSWK "
                                 "WHERE KCODE = '1401'")),
              QStringLiteral("null|null|6204|B1"));
    // A deleted account takes its settings rows along.
    exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, GROUPM1, USE) VALUES ('1650', 1650, 1)"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KS_SETSWK WHERE KCODE = '1650'")), QStringLiteral("1"));
    exec(QStringLiteral("DELETE FROM KAMOKUMST WHERE KCODE = '1650'"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KS_SETSWK WHERE KCODE = '1650'")), QStringLiteral("0"));
    // The sub-account of an asset's own account cannot go while the asset exists.
    exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE) VALUES ('1401', 'A2')"));
    exec(QStringLiteral("INSERT INTO KS_SISAN (REC, SCODE, KCODE, HCODE%1) VALUES (2, ' ', '1401', 'A2'%2)")
             .arg(kNoPaymentAccounts, kNulls));
    EXPECT_THROW(exec(QStringLiteral("DELETE FROM HOJOMST WHERE KCODE = '1401' AND HCODE = 'A2'")), std::exception);
}

// The allocation procedures: missing rows are added with rate 0, rates that do not add up to 100 are
// repaired on department 00, equal values change nothing and nulls never count as a difference.
TEST_F(AccountingStepsTest, AllocationRowsAndTheRateRepair) {
    runTo({0, 1, 1});
    for (const char* site : {"10", "20", "30", "40"})
        exec(QStringLiteral("INSERT INTO SISETUMST (SCODE) VALUES ('%1')").arg(QLatin1String(site)));
    for (const char* sb : {"'10', '00'", "'10', '01'", "'10', '02'", "'20', '00'", "'40', '01'", "'40', '02'"})
        exec(QStringLiteral("INSERT INTO SISETUBUM (SCODE, BCODE) VALUES (%1)").arg(QLatin1String(sb)));
    for (const char* a : {"1, '10'", "2, '10'", "3, '20'", "4, '30'", "5, '40'"})
        exec(QStringLiteral("INSERT INTO KS_SISAN (REC, SCODE, KCODE%1) VALUES (%2, '1401'%3)")
                 .arg(kNoPaymentAccounts, QLatin1String(a), kNulls));
    for (const char* r : {"1, '10', '00', 50", "1, '10', '01', 30", "1, '10', '02', 30", "2, '10', '00', 100",
                          "2, '10', '01', 0", "2, '10', '02', 0", "3, '20', '00', 80", "5, '40', '01', 60"})
        exec(QStringLiteral("INSERT INTO KS_BUMONHB (KS_REC, SCODE, BCODE, HAIBUN) VALUES (%1)").arg(QLatin1String(r)));
    const auto rates = [&](int asset) {
        return rows(QStringLiteral("SELECT BCODE || '=' || CAST(HAIBUN AS INTEGER) FROM KS_BUMONHB WHERE KS_REC = %1 "
                                   "ORDER BY BCODE")
                        .arg(asset))
            .join(u',');
    };
    const auto repair = [&](const char* site) {
        return rows(QStringLiteral("SELECT SYUFUKU FROM SP_KS_SISAN_SYUFUKU_HAIBUNRITU('%1')").arg(QLatin1String(site)));
    };
    EXPECT_EQ(repair("10"), QStringList{"1"});
    EXPECT_EQ(rates(1), QStringLiteral("00=40,01=30,02=30"));
    EXPECT_EQ(rates(2), QStringLiteral("00=100,01=0,02=0"));
    EXPECT_EQ(repair("10"), QStringList{"0"});
    EXPECT_EQ(repair("20"), QStringList{"1"});
    EXPECT_EQ(rates(3), QStringLiteral("00=100"));
    EXPECT_TRUE(repair("30").isEmpty()); // no departments: no result row

    exec(QStringLiteral("EXECUTE PROCEDURE SP_KS_BUMONHB_ADD ('40')"));
    EXPECT_EQ(rates(5), QStringLiteral("01=60,02=0"));
    // The same values change nothing; a stored null stays; another value is written.
    exec(QStringLiteral("UPDATE KS_BUMONHB SET HAIBUN = NULL WHERE KS_REC = 5 AND BCODE = '02'"));
    exec(QStringLiteral("EXECUTE PROCEDURE SP_KS_BUMONHB_REC_ADD (5, '40', '02', 30, '')"));
    exec(QStringLiteral("EXECUTE PROCEDURE SP_KS_BUMONHB_REC_ADD (5, '40', '01', 60, '')"));
    EXPECT_EQ(rates(5), QStringLiteral("01=60,null"));
    exec(QStringLiteral("EXECUTE PROCEDURE SP_KS_BUMONHB_REC_ADD (5, '40', '01', 55, 'x')"));
    EXPECT_EQ(rates(5), QStringLiteral("01=55,null"));

    // Register lines: inserted, then updated when a value differs.
    exec(QStringLiteral("EXECUTE PROCEDURE SP_KS_DAICHO_UPDATE (1, '2026-04-01', 1, '取得', 100, 0, 0, 100, '')"));
    exec(QStringLiteral("EXECUTE PROCEDURE SP_KS_DAICHO_UPDATE (1, '2026-04-01', 1, '取得', 100, 0, 10, 90, '')"));
    EXPECT_EQ(rows(QStringLiteral("SELECT TEKIYO, CAST(SYOKYAKU AS INTEGER), CAST(BOKAGAKU AS INTEGER) FROM KS_DAICHO")),
              QStringList{"取得|10|90"});
}

// Deleting a department or a sub-account blanks it in the dictionaries and audit items instead of
// removing or emptying their rows; a deleted sub-account leaves its history row; no account reference
// of the dictionaries remains.
TEST_F(AccountingStepsTest, DeletedDepartmentsAndSubAccountsAreBlankedInTheDictionaries) {
    runTo({0, 1, 5});
    exec(QStringLiteral("INSERT INTO BUMONMST (BCODE) VALUES ('03')"));
    exec(QStringLiteral("INSERT INTO HOJOMST (REC, KCODE, HCODE, HKANA, HNAME, SIME, BANK, KARIDADD, OPCODE) VALUES "
                        "(41, '1401', 'H1', 'ｶﾅ', '取引先', 20, '銀行', '東京', 10)"));
    exec(QStringLiteral("INSERT INTO SWKDIC (REC, L_KCODE, L_HCODE, L_BCODE, R_KCODE, R_HCODE, R_BCODE) VALUES "
                        "(1, '1401', 'H1', '03', '1402', ' ', '03')"));
    exec(QStringLiteral("INSERT INTO TEKDIC (TEKCODE, KAR_KCODE, KAR_HCODE, KAR_BCODE, KAS_KCODE, KAS_HCODE, KAS_BCODE) "
                        "VALUES (5, '1401', 'H1', '03', '1402', ' ', ' ')"));
    exec(QStringLiteral("INSERT INTO TORDIC (TEKCODE, KAR_KCODE, KAR_HCODE, KAR_BCODE, KAS_KCODE, KAS_HCODE, KAS_BCODE) "
                        "VALUES (1, '1402', ' ', '03', '1401', 'H1', ' ')"));
    exec(QStringLiteral("INSERT INTO KANSA_ITEM (REC, MOT_KCODE, MOT_HCODE, MOT_BCODE, TOZ_KCODE, TOZ_HCODE, TOZ_BCODE) "
                        "VALUES (2, '1401', 'H1', '03', '1402', ' ', '03')"));
    const auto sides = [&] {
        return rows(QStringLiteral(
            "SELECT L_KCODE || '/' || L_HCODE || '/' || L_BCODE || ' ' || R_KCODE || '/' || R_HCODE || '/' || R_BCODE FROM SWKDIC "
            "UNION ALL SELECT KAR_KCODE || '/' || KAR_HCODE || '/' || KAR_BCODE || ' ' || KAS_KCODE || '/' || KAS_HCODE || '/' || KAS_BCODE FROM TEKDIC "
            "UNION ALL SELECT KAR_KCODE || '/' || KAR_HCODE || '/' || KAR_BCODE || ' ' || KAS_KCODE || '/' || KAS_HCODE || '/' || KAS_BCODE FROM TORDIC "
            "UNION ALL SELECT MOT_KCODE || '/' || MOT_HCODE || '/' || MOT_BCODE || ' ' || TOZ_KCODE || '/' || TOZ_HCODE || '/' || TOZ_BCODE FROM KANSA_ITEM WHERE REC = 2"));
    };
    exec(QStringLiteral("DELETE FROM BUMONMST WHERE BCODE = '03'"));
    EXPECT_EQ(sides(), (QStringList{"1401/H1/  1402/ / ", "1401/H1/  1402/ / ", "1402/ /  1401/H1/ ",
                                    "1401/H1/  1402/ / "}));
    exec(QStringLiteral("DELETE FROM HOJOMST WHERE KCODE = '1401' AND HCODE = 'H1'"));
    EXPECT_EQ(sides(), (QStringList{"1401/ /  1402/ / ", "1401/ /  1402/ / ", "1402/ /  1401/ / ",
                                    "1401/ /  1402/ / "}));
    EXPECT_EQ(rows(QStringLiteral("SELECT LOGREC, REC, KCODE, HCODE, HKANA, HNAME, SIME, BANK, KARIDADD, OPCODE FROM HOJOLOG "
                                  "WHERE HCODE = 'H1'")),
              QStringList{"1|41|1401|H1|ｶﾅ|取引先|20|銀行|東京|10"});

    // An account goes without touching the lines and items that name it.
    exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, GROUPM1, USE) VALUES ('3001', 2000, 1)"));
    exec(QStringLiteral("INSERT INTO SWKDIC (REC, L_KCODE, L_HCODE, R_KCODE) VALUES (2, '3001', ' ', '3001')"));
    exec(QStringLiteral("INSERT INTO KANSA_ITEM (REC, MOT_KCODE, TOZ_KCODE) VALUES (3, '3001', '3001')"));
    exec(QStringLiteral("DELETE FROM KAMOKUMST WHERE KCODE = '3001'"));
    EXPECT_EQ(one(QStringLiteral("SELECT L_KCODE, L_HCODE, R_KCODE FROM SWKDIC WHERE REC = 2")), QStringLiteral("3001| |3001"));
    EXPECT_EQ(one(QStringLiteral("SELECT MOT_KCODE, TOZ_KCODE FROM KANSA_ITEM WHERE REC = 3")), QStringLiteral("3001|3001"));
}

// A changed opening balance goes to the previous-years balance of the month before the data starts,
// except for retained earnings.
TEST_F(AccountingStepsTest, OpeningBalanceReachesThePreviousYearsBalance) {
    runTo({0, 1, 5});
    exec(QStringLiteral("INSERT INTO ACCDEF2 (KNAME, KCODE) VALUES ('繰越利益剰余金', '2205')"));
    for (const char* k : {"1401", "2205"}) {
        exec(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE) VALUES (' ', '%1', ' ', ' ')")
                 .arg(QLatin1String(k)));
        for (const int m : {0, 4, 14})
            exec(QStringLiteral("INSERT INTO KAMOKU_PZ (SCODE, KCODE, HCODE, BCODE, MNUM) VALUES (' ', '%1', ' ', ' ', %2)")
                     .arg(QLatin1String(k))
                     .arg(m));
    }
    const auto balances = [&](const char* k) {
        return rows(QStringLiteral("SELECT CAST(NUKIZAN AS INTEGER) FROM KAMOKU_PZ WHERE KCODE = '%1' ORDER BY MNUM")
                        .arg(QLatin1String(k)))
            .join(u',');
    };
    struct Case {
        int kaisino, amount;
        const char* after; // month numbers 0, 4, 14
    } cases[] = {{4, 500, "0,500,0"}, {1, 600, "600,500,0"}, {12, 700, "600,500,700"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kaisino);
        exec(QStringLiteral("UPDATE ACCDEF1 SET KAISINO = %1").arg(c.kaisino));
        exec(QStringLiteral("UPDATE KAMOKU_SZ SET KAISIZAN = %1 WHERE KCODE IN ('1401', '2205')").arg(c.amount));
        EXPECT_EQ(balances("1401"), QLatin1String(c.after));
        EXPECT_EQ(balances("2205"), QStringLiteral("0,0,0"));
    }
}

TEST_F(AccountingStepsTest, BlueReturnTablesAndBalanceColumns) {
    runTo({0, 1, 4});
    exec(QStringLiteral("INSERT INTO EXTERKS (REC) VALUES (1)"));
    runTo({0, 1, 5});
    exec(QStringLiteral("INSERT INTO EXTERKS (REC) VALUES (2)"));
    EXPECT_EQ(rows(QStringLiteral("SELECT REC, CAST(AO_KISHUZAN AS INTEGER), CAST(AO_KIMATUZAN AS INTEGER) FROM EXTERKS "
                                  "ORDER BY REC")),
              (QStringList{"1|0|0", "2|null|null"}));
    exec(QStringLiteral("INSERT INTO AO_KYUUYO (REC, KYUUYO, SHOUYO) VALUES (1, 100, 50)"));
    exec(QStringLiteral("INSERT INTO AO_KYUUYO (REC, KYUUYO) VALUES (2, 100)"));
    EXPECT_EQ(rows(QStringLiteral("SELECT CAST(GOUKEI AS INTEGER), NUMBER, NENREI FROM AO_KYUUYO ORDER BY REC")),
              (QStringList{"150|0|0", "null|0|0"}));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'AO_SINKOKU'")),
              QStringLiteral("25"));
}

// The audit report's heading and model item; the cash-flow statement in both forms with its rules.
TEST_F(AccountingStepsTest, AuditItemsAndCashFlowMaster) {
    exec(QStringLiteral("INSERT INTO KANSA (REC, TITLE) VALUES (7, 'old')"));
    runTo({0, 1, 4});
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM KANSA")),
              QStringList{"1|監査報告書|監査対象期間において、下記項目の監査が完了致しましたのでご報告申し上げます。||"});
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM KANSA_ITEM")),
              QStringList{"1|1|現・預金の残高確認|現・預金の残高を確認しました。|0|0|0|0|null|null|null|null|null|null|null|null"});
    exec(QStringLiteral("INSERT INTO SWK_SEARCH (REC) VALUES (5)"));
    exec(QStringLiteral("INSERT INTO KANSA_ITEM (REC, SWK_KENSAKU, MOT_KENSAKU) VALUES (2, 5, 5)"));
    exec(QStringLiteral("DELETE FROM SWK_SEARCH"));
    EXPECT_EQ(one(QStringLiteral("SELECT REC, SWK_KENSAKU, MOT_KENSAKU FROM KANSA_ITEM WHERE REC = 2")),
              QStringLiteral("2|null|null"));

    EXPECT_EQ(rows(QStringLiteral("SELECT CM_KIND, COUNT(*) FROM CASHFMST GROUP BY CM_KIND ORDER BY CM_KIND")),
              (QStringList{"0|43", "1|59"}));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*), MIN(CF_REC), MAX(CF_REC) FROM CASHFMKU")), QStringLiteral("491|1|491"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM CASHFMKU WHERE CM_REC <= 59")), QStringLiteral("220"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'CASHFMST_SISETU'")),
              QStringLiteral("0"));
    const auto rules = [&](int line) {
        return rows(QStringLiteral("SELECT CF_CAL || CF_KCODE || ':' || CF_CTYPE FROM CASHFMKU WHERE CM_REC = %1 "
                                   "ORDER BY CF_REC")
                        .arg(line))
            .join(u' ');
    };
    EXPECT_EQ(rules(2), QStringLiteral("+9999:1"));
    EXPECT_EQ(rules(3), QStringLiteral("+5606:2 +6204:2"));
    EXPECT_FALSE(rules(65).contains(QStringLiteral("5606")));
    EXPECT_TRUE(rules(65).contains(QStringLiteral("-5605:2 -5607:2")));
    const QString opening = QStringLiteral("+1101:0 +1102:0 +1103:0 +1104:0 +1105:0 +1112:0 +1113:0 +1114:0 +1115:0 "
                                           "+1116:0 +1132:0");
    EXPECT_EQ(rules(58), opening);
    EXPECT_EQ(rules(101), opening);
    EXPECT_EQ(rules(102), QString(opening).replace(QStringLiteral(":0"), QStringLiteral(":1")));
    // The second form's differences.
    EXPECT_EQ(rules(76), QStringLiteral("-1401:3 -1402:3 -1403:3 -1404:3 -1405:3 -1409:3 -1406:3 -1407:3 -1408:3 "
                                        "+1409:4 -1410:3 -1411:3 -1412:3 +3311:4"));
    EXPECT_EQ(rules(77), QStringLiteral("+1401:4 +1402:4 +1403:4 +1404:4 +1405:4 +1406:4 +1407:4 +1408:4 +1410:4 "
                                        "+1411:4 +1412:4 +1416:2 -6204:2 -3311:3"));
    EXPECT_TRUE(rules(97).endsWith(QStringLiteral("-3315:3 -3316:3 -3317:3 -3501:3")));
    EXPECT_EQ(rows(QStringLiteral("SELECT CM_REC, CM_KIND, CM_GROUP, CM_ORDER, CM_DEL, CM_MKU, CM_MARGIN, CM_NAME1, CM_HOSEI "
                                  "FROM CASHFMST WHERE CM_REC IN (1, 2, 3, 25, 59, 61, 102) ORDER BY CM_REC")),
              (QStringList{"1|1|10|1|1|1|0|Ⅰ　営業活動によるキャッシュ・フロー|0", "2|1|11|1|1|1|1|税引前当期純利益（損失）|0",
                           "3|1|11|2|0|0|1|減価償却費|0", "25|1|12|1|1|1|2|小　計|0",
                           "59|1|70|1|1|0|0|Ⅶ　現金及び現金同等物の期末残高|0", "61|0|11|1|0|0|1|営業収入|0",
                           "102|0|70|1|1|0|0|Ⅶ　現金及び現金同等物の期末残高|0"}));
}

// Head counts by month for three years; '' stands for every facility or department.
TEST_F(AccountingStepsTest, HeadCountsOfThreeYears) {
    runTo({0, 1, 1});
    for (const char* r : {"' ', -31, 3", "' ', -17, 4", "' ', -15, 5", "' ', 0, 99", "' ', 1, 6", "' ', 15, 7",
                          "'01', 1, 2"})
        exec(QStringLiteral("INSERT INTO ACCDEF5 (SCODE, MNUM, NUM1, BCODE) VALUES (%1, ' ')").arg(QLatin1String(r)));
    exec(QStringLiteral("INSERT INTO ACCDEF5 (SCODE, BCODE, MNUM, NUM1) VALUES (' ', '02', 5, 8)"));
    const QString cols = QStringLiteral("ZZ_NINZU1, ZZ_NINZU12, Z_NINZU1, Z_NINZU12, T_NINZU1, T_NINZU4, T_NINZU12");
    EXPECT_EQ(one(QStringLiteral("SELECT %1 FROM SP_MB_SELECT_SYUGYOU('', '')").arg(cols)),
              QStringLiteral("3|4|5|null|8|8|7"));
    EXPECT_EQ(one(QStringLiteral("SELECT %1 FROM SP_MB_SELECT_SYUGYOU('01', ' ')").arg(cols)),
              QStringLiteral("null|null|null|null|2|null|null"));
    EXPECT_EQ(one(QStringLiteral("SELECT %1 FROM SP_MB_SELECT_SYUGYOU(' ', '02')").arg(cols)),
              QStringLiteral("null|null|null|null|null|8|null"));
}

// The reconciliation statement's procedures over a small journal of account 1112 (one side per line):
//   line  date   month closing day-no entry side amount tax tag2 deleted
//   1     04-01  1     0       1      1     1    100    0   0    0
//   2     04-01  1     0       2      2     2     30    0   0    0
//   3     04-05  1     0       1      3     1     50    5   1    0
//   4     04-10  1     0       1      4     2     20    0   0    0
//   5     04-10  1     1       2      5     1      7    0   0    0
//   6     05-02  2     0       1      6     1     40    0   0    0
//   7     05-03  2     0       1      7     2     10    0   0    1
struct ReconciliationTest : AccountingStepsTest {
    ReconciliationTest() {
        runTo({0, 1, 2});
        exec(QStringLiteral("UPDATE ACCDEF1 SET KISHU = '2026-04-01'"));
        const char* lines[] = {"1, 1, '2026-04-01', 1, 0, 1, 100, 0, 0, 0", "2, 2, '2026-04-01', 1, 0, 2, 30, 0, 0, 0",
                               "3, 1, '2026-04-05', 1, 0, 1, 50, 5, 1, 0",  "4, 2, '2026-04-10', 1, 0, 1, 20, 0, 0, 0",
                               "5, 1, '2026-04-10', 1, 1, 2, 7, 0, 0, 0",   "6, 1, '2026-05-02', 2, 0, 1, 40, 0, 0, 0",
                               "7, 2, '2026-05-03', 2, 0, 1, 10, 0, 0, 1"};
        for (const char* l : lines)
            exec(QStringLiteral("INSERT INTO SIWAKE (REC, TAISHAKU, HIZUKE, MNUM, KESSAN, SDAYNUM, NUK, ZEI, FUSEN2, "
                                "DELFLG, SWKREC, SWKNO, SCODE, KCODE) VALUES (%1, %2, %2, ' ', '1112')")
                     .arg(QLatin1String(l), QString::fromLatin1(l).section(u',', 0, 0)));
    }
    // "RECORDCNT|REC" of the rows of a list procedure.
    QStringList list(const char* proc, const QString& args) const {
        return rows(QStringLiteral("SELECT RECORDCNT, REC FROM SP_TOUZACHOSEIHYO_%1(%2)").arg(QLatin1String(proc), args));
    }
};

TEST_F(ReconciliationTest, ListUpPagesBackwardsFromTheReferenceLine) {
    // type, closing flag, from, to, entry no., side, offset, limit
    struct Case {
        const char* name;
        const char* args;
        QStringList expected;
    } cases[] = {
        {"closing entry of the day comes after it", "0, 0, '2026-04-01', '2026-04-10', 0, 0, 0, 0",
         {"1|4", "2|3", "3|2", "4|1"}},
        {"reference is a closing entry", "0, 1, '2026-04-01', '2026-04-10', 0, 0, 0, 0",
         {"1|5", "2|4", "3|3", "4|2", "5|1"}},
        {"offset counted, limit kept", "0, 0, '2026-04-01', '2026-04-10', 0, 0, 1, 2", {"2|3", "3|2"}},
        {"reconciliation list leaves tagged lines out", "1, 0, '2026-04-01', '2026-04-10', 0, 0, 0, 0",
         {"1|4", "2|2", "3|1"}},
        {"reference entry and side", "0, 0, '2026-04-01', '2026-04-10', 4, 1, 0, 0", {"1|3", "2|2", "3|1"}},
        {"end before start starts at the fiscal year", "0, 0, '2026-05-01', '2026-04-05', 0, 0, 0, 0",
         {"1|3", "2|2", "3|1"}},
        {"unknown type", "2, 0, '2026-04-01', '2026-04-10', 0, 0, 0, 0", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList a = QString::fromLatin1(c.args).split(QStringLiteral(", "));
        EXPECT_EQ(list("LISTUP", QStringLiteral("%1, '', '1112', '', '', 0, %2, %3, %4, %5, %6, 0, %7, %8")
                                     .arg(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7])),
                  c.expected);
    }
}

TEST_F(ReconciliationTest, ListDownPagesForwardsWithinTheMonth) {
    // month limit, from
    const auto down = [&](int month, const char* from) {
        return list("LISTDOWN", QStringLiteral("0, '', '1112', '', '', %1, 0, '%2', '2026-05-31', 0, 0, 0, 0, 0")
                                    .arg(month)
                                    .arg(QLatin1String(from)));
    };
    EXPECT_EQ(down(1, "2026-04-05"), (QStringList{"1|3", "2|4", "3|5"}));
    EXPECT_EQ(down(2, "2026-04-05"), (QStringList{"1|3", "2|4", "3|5", "4|6"}));
    // Lines of a later month stay out, except on the reference day itself.
    EXPECT_EQ(down(0, "2026-04-05"), QStringList{"1|3"});
    // Deleted lines are listed when asked for.
    EXPECT_EQ(list("LISTDOWN", QStringLiteral("0, '', '1112', '', '', 2, 0, '2026-05-01', '2026-05-31', 0, 0, 1, 0, 0")),
              QStringList{"1|7"});
}

TEST_F(ReconciliationTest, AFullPageIsFiftyLines) {
    {
        auto db = ds.connect();
        fb::Transaction t(*db);
        fb::Query q(t, QStringLiteral("INSERT INTO SIWAKE (REC, SWKREC, SWKNO, TAISHAKU, HIZUKE, MNUM, SDAYNUM, DELFLG, "
                                      "SCODE, KCODE) VALUES (:REC, :REC, :REC, 1, '2026-04-01', 1, :DAY, 0, ' ', '1113')"));
        for (int i = 1; i <= 60; ++i) {
            q.setInt("REC", 100 + i);
            q.setInt("DAY", i);
            q.execute();
        }
        t.commit();
    }
    const QString args = QStringLiteral("0, '', '1113', '', '', 0, 0, '2026-04-01', '2026-04-30', 0, 0, 0, %1, 0");
    QStringList page = list("LISTUP", args.arg(0));
    ASSERT_EQ(page.size(), 50);
    EXPECT_EQ(page.first(), QStringLiteral("1|160"));
    EXPECT_EQ(page.last(), QStringLiteral("50|111"));
    page = list("LISTUP", args.arg(10));
    ASSERT_EQ(page.size(), 50);
    EXPECT_EQ(page.first(), QStringLiteral("11|150"));
    EXPECT_EQ(page.last(), QStringLiteral("60|101"));
}

// The balance runs from the given start the opposite way from the ledger: with debit as the normal
// side, a debit line takes its amount (and tax, when included) away and a credit line adds it.
TEST_F(ReconciliationTest, BalanceUpToALine) {
    // type, calculation, tax treatment, month, date, entry key, side
    struct Case {
        const char* name;
        const char* args;
        const char* balance;
    } cases[] = {
        {"up to the month", "0, 1, 0, 1, '2026-04-30', 0, 0", "888"},          // 1000-100+30-55+20-7
        {"tax excluded", "0, 1, 1, 1, '2026-04-30', 0, 0", "893"},             // 1000-100+30-50+20-7
        {"stops before the given line", "0, 0, 0, 1, '2026-04-10', 4, 2", "875"}, // 1000-100+30-55
        {"given line not chosen", "0, 0, 0, 1, '2026-04-10', 99, 1", "888"},
        {"reconciliation list", "1, 1, 0, 1, '2026-04-30', 0, 0", "943"},      // 1000-100+30+20-7
        {"next month", "0, 1, 0, 2, '2026-05-31', 0, 0", "848"},               // 888-40
        {"unknown type", "2, 1, 0, 1, '2026-04-30', 0, 0", "1000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList a = QString::fromLatin1(c.args).split(QStringLiteral(", "));
        EXPECT_EQ(rows(QStringLiteral("SELECT CAST(ZANDAKA AS INTEGER) FROM SP_TOUZACHOSEIHYO_ZENZAN(%1, %2, '', '1112', "
                                      "'', '', %3, %4, %5, 0, 1, %6, %7, 1000)")
                           .arg(a[0], a[1], a[2], a[3], a[4], a[5], a[6])),
                  QStringList{QLatin1String(c.balance)});
    }
}

} // namespace

// ---- Steps 0.2.0 to 0.4.0

// "NAME|type|length|character set|default|computed" of the table's or view's columns in their order.
QStringList columnsOf(const AccountingStepsTest& f, const char* relation) {
    return f.rows(QStringLiteral(
                      "SELECT TRIM(RF.RDB$FIELD_NAME), F.RDB$FIELD_TYPE, COALESCE(F.RDB$CHARACTER_LENGTH, "
                      "F.RDB$FIELD_PRECISION), COALESCE(F.RDB$CHARACTER_SET_ID, 0), "
                      "TRIM(COALESCE(RF.RDB$DEFAULT_SOURCE, F.RDB$DEFAULT_SOURCE, '')), "
                      "TRIM(COALESCE(F.RDB$COMPUTED_SOURCE, '')) FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON "
                      "F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE WHERE RF.RDB$RELATION_NAME = '%1' ORDER BY "
                      "RF.RDB$FIELD_POSITION")
                      .arg(QLatin1String(relation)));
}

// The driver runs the nine steps on a dataset at 0.1.5.
TEST_F(AccountingStepsTest, TheDriverBringsTheFirstSeriesToTheEvaluationRelease) {
    runTo({0, 1, 5});
    ASSERT_EQ(steps[13].version(), (TDbVersion{0, 4, 0}));
    runWithDriver(5, 14);
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("0.4.0"));
}

// Step by step from 0.1.5: the version after each step, and what the steps leave in the tables on a
// small dataset with a facility, a department, two sub-accounts and rows a user had entered.
TEST_F(AccountingStepsTest, StepsFrom020To040ChangeTheAccountMasterAndItsTables) {
    runTo({0, 1, 4});
    const QStringList cashFlowAfter014 =
        rows(QStringLiteral("SELECT * FROM CASHFMST ORDER BY CM_REC")) + rows(QStringLiteral("SELECT * FROM CASHFMKU ORDER BY CF_REC"));
    runTo({0, 1, 5});
    // What a user changed since.
    exec(QStringLiteral("UPDATE CASHFMST SET CM_NAME1 = '変更' WHERE CM_REC = 3"));
    exec(QStringLiteral("DELETE FROM CASHFMKU WHERE CM_REC = 2"));
    exec(QStringLiteral("INSERT INTO CASHFMKU (CF_REC, CM_REC, CF_CAL, CF_KCODE, CF_CTYPE) VALUES (0, 3, '+', '1101', 2)"));
    exec(QStringLiteral("INSERT INTO AO_RISI (REC, KIMARU) VALUES (5, 100)"));
    exec(QStringLiteral("INSERT INTO AO_SINKOKU (REC) VALUES (1)"));
    exec(QStringLiteral("INSERT INTO CHARTINF (OPCODE, CTYPE1) VALUES (9, 4)"));
    exec(QStringLiteral("INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('10', '支店')"));
    exec(QStringLiteral("INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('01', '営業')"));
    exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1, GROUPM2, KNAME, DAC, BPFLG) VALUES "
                        "('1141', '141', 1130, 1140, '受取手形', 1, 0)"));
    for (const char* k : {"1142", "1144"})
        exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1, GROUPM2) VALUES ('%1', '%1', 1130, 1140)")
                 .arg(QLatin1String(k)));
    exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('1141', 'A1', '甲社')"));
    exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('1141', 'A2', '乙社')"));
    // Opening balances: one whose sub-account is missing and one whose department is missing stay out
    // of the view.
    for (const char* r : {"'10', '1141', 'A1', '01', 100", "'10', '1141', ' ', ' ', 5", "'10', '1141', 'ZZ', '01', 7",
                          "'10', '1141', 'A2', '99', 9"})
        exec(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE, KAISIZAN) VALUES (%1)").arg(QLatin1String(r)));

    for (const TDbVersion v : {TDbVersion{0, 2, 0}, TDbVersion{0, 2, 1}, TDbVersion{0, 2, 2}, TDbVersion{0, 3, 0},
                               TDbVersion{0, 3, 1}, TDbVersion{0, 3, 2}, TDbVersion{0, 3, 3}, TDbVersion{0, 3, 4},
                               TDbVersion{0, 4, 0}}) {
        runTo(v);
        EXPECT_EQ(accountingVersion(ds), v.text());
        if (v == TDbVersion{0, 2, 2}) {
            // 0.3.4 moves the quick assets later.
            EXPECT_EQ(one(QStringLiteral("SELECT GROUPM0, GROUPM2 FROM KAMOKUMST WHERE KCODE = '1141'")),
                      QStringLiteral("1130|1140"));
        }
    }

    // The account master's classification and the view.
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KAMOKUMST WHERE GROUPM0 IS DISTINCT FROM CAST(GROUPM1 AS VARCHAR(6))")),
              QStringLiteral("0"));
    EXPECT_EQ(columnsOf(*this, "KAMOKU_VIEW").replaceInStrings(QRegularExpression(QStringLiteral("\\|.*")), QString()),
              (QStringList{"SCODE", "SNAME", "GROUPM0", "GROUPM1", "GROUPM2", "KCODE", "USERCODE", "KNAME", "DAC",
                           "BCODE", "BNAME", "BPFLG", "HCODE", "HNAME", "KAISIZAN"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT SCODE, SNAME, GROUPM0, GROUPM1, GROUPM2, KCODE, USERCODE, KNAME, DAC, BCODE, "
                                  "BNAME, BPFLG, HCODE, HNAME, CAST(KAISIZAN AS INTEGER) FROM KAMOKU_VIEW WHERE "
                                  "KCODE = '1141' ORDER BY HCODE")),
              (QStringList{"10|支店|1130|1130|1130|1141|141|受取手形|1| ||0| ||5",
                           "10|支店|1130|1130|1130|1141|141|受取手形|1|01|営業|0|A1|甲社|100"}));

    // Chart settings: emptied, with their defaults.
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM CHARTINF")), QStringLiteral("0"));
    exec(QStringLiteral("INSERT INTO CHARTINF (OPCODE) VALUES (1)"));
    EXPECT_EQ(one(QStringLiteral("SELECT * FROM CHARTINF")),
              QStringLiteral("1|0|0|0|0|16777215|0|3|2|16711680|65535|255|16776960|20|1|0|0|0|0|0"));

    // Fixed-asset templates numbered anew; the new facility has its settings too.
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*), MIN(REC), MAX(REC) FROM KS_SETSWK_INIT")), QStringLiteral("70|1|70"));
    EXPECT_EQ(rows(QStringLiteral("SELECT SCODE, COUNT(*) FROM KS_SETSWK GROUP BY SCODE ORDER BY SCODE")),
              (QStringList{" |31", "10|31"}));
    EXPECT_EQ(one(QStringLiteral("SELECT MIN(REC), MAX(REC) FROM KS_SETSWK")), QStringLiteral("1|62"));
    EXPECT_EQ(rows(QStringLiteral("SELECT ACCGROUP, BAISONKCODE, JYOSONKCODE, BAIEKIKCODE FROM KS_SETSWK_INIT WHERE "
                                  "KCODE = '1401' ORDER BY ACCGROUP")),
              (QStringList{"1|8201|8202|8101", "2|1608|1608|2205"}));
    // The copier now classifies by GROUPM0: a facility added later gets settings from it.
    exec(QStringLiteral("UPDATE KAMOKUMST SET GROUPM1 = 0 WHERE KCODE = '1401'"));
    exec(QStringLiteral("INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('20', '')"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KS_SETSWK WHERE SCODE = '20' AND KCODE = '1401'")), QStringLiteral("1"));

    // Blue-return tables.
    EXPECT_EQ(rows(QStringLiteral("SELECT REC, TEGAKI FROM AO_SINKOKU")), QStringList{"1|0"});
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM AO_RISI ORDER BY REC")),
              (QStringList{"1|null|null|null|null|null", "2|null|null|null|null|null"}));
    EXPECT_EQ(columnsOf(*this, "AO_RISI").join(u' ').contains(QStringLiteral("KIMATU|")), true);
    EXPECT_EQ(columnsOf(*this, "AO_FUDOUSAN").filter(QStringLiteral("KAISI")),
              (QStringList{"KAISI_YY|8|0|0|DEFAULT 0|", "KAISI_MM|8|0|0|DEFAULT 0|"}));

    // The cash-flow statement is that of 0.1.4 again.
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM CASHFMST ORDER BY CM_REC")) +
                  rows(QStringLiteral("SELECT * FROM CASHFMKU ORDER BY CF_REC")),
              cashFlowAfter014);

    // The communication folder.
    EXPECT_EQ(columnsOf(*this, "ACCDEF1").filter(QStringLiteral("WEB_HOLDER")), QStringList{"WEB_HOLDER|37|30|2||"});
    EXPECT_EQ(one(QStringLiteral("SELECT WEB_HOLDER FROM ACCDEF1")), QString());

    // Quick assets: six accounts and print lines 7 to 12; 1144 keeps its classification.
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, GROUPM2 FROM KAMOKUMST WHERE KCODE IN ('1141', '1142', '1144') ORDER BY KCODE")),
              (QStringList{"1141|1130", "1142|1130", "1144|1140"}));
    for (const char* table : {"EXTERA3", "EXTERA4"})
        EXPECT_EQ(rows(QStringLiteral("SELECT REC, KGROUP, SUBREC FROM %1 WHERE REC BETWEEN 6 AND 12 ORDER BY REC")
                           .arg(QLatin1String(table))),
                  (QStringList{"6|1140|6", "7|1130|1", "8|1130|2", "9|1130|3", "10|1130|4", "11|1130|5", "12|1130|6"}))
            << table;
}

// The breakdown statements: their keys, rules, seed rows and computed totals.
TEST_F(AccountingStepsTest, BreakdownStatementTables) {
    runTo({0, 2, 1});
    exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1) VALUES ('1102', '1102', 1110)"));
    exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('1102', 'B1', '')"));
    exec(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('1102', 'B2', '')"));
    runTo({0, 2, 2});

    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME STARTING WITH 'UTIWAKE'")),
              QStringLiteral("27"));
    EXPECT_EQ(one(QStringLiteral("SELECT * FROM UTIWAKE05_INI")), QStringLiteral("1|0|||"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*), MIN(REC), MAX(REC), MAX(SIHARAI_YY), SUM(KIMATUZAN) FROM UTIWAKE09B")),
              QStringLiteral("4|1|4||0"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*), MIN(REC), MAX(REC), MAX(SYURUI) FROM UTIWAKE10B")),
              QStringLiteral("12|1|12|"));
    EXPECT_EQ(one(QStringLiteral("SELECT REC, TEGAKI, SOUGAKU_KEI, KAZOKU_KEI FROM UTIWAKE14B")),
              QStringLiteral("1|0|0|0"));
    EXPECT_EQ(one(QStringLiteral("SELECT * FROM UTIWAKE17_TITLE")), QStringLiteral("1|||||"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM UTIWAKE01")), QStringLiteral("0"));

    // The seven tables filled from accounts follow their sub-account: renaming carries over, deleting
    // clears the codes.
    const char* linked[] = {"UTIWAKE01", "UTIWAKE03", "UTIWAKE04A", "UTIWAKE04B", "UTIWAKE09", "UTIWAKE10A", "UTIWAKE11"};
    for (const char* t : linked) {
        exec(QStringLiteral("INSERT INTO %1 (REC, KCODE, HCODE) VALUES (1, '1102', 'B1')").arg(QLatin1String(t)));
        exec(QStringLiteral("INSERT INTO %1 (REC, KCODE, HCODE) VALUES (2, '1102', 'B2')").arg(QLatin1String(t)));
    }
    exec(QStringLiteral("UPDATE HOJOMST SET HCODE = 'C1' WHERE KCODE = '1102' AND HCODE = 'B1'"));
    exec(QStringLiteral("DELETE FROM HOJOMST WHERE KCODE = '1102' AND HCODE = 'B2'"));
    for (const char* t : linked)
        EXPECT_EQ(rows(QStringLiteral("SELECT REC, KCODE, HCODE, KGROUP, MEISAIKUBUN, NUMBER FROM %1 ORDER BY REC")
                           .arg(QLatin1String(t))),
                  (QStringList{"1|1102|C1|0|0|0", "2|null|null|0|0|0"}))
            << t;
    // A line may not name a sub-account that does not exist.
    EXPECT_ANY_THROW(exec(QStringLiteral("INSERT INTO UTIWAKE09 (REC, KCODE, HCODE) VALUES (3, '1102', 'XX')")));

    // Officers' pay totals leave out retirement pay; land sales add the brokerage fee.
    exec(QStringLiteral("INSERT INTO UTIWAKE14 (REC, SIYOUNIN, TEIKIDOUGAKU, JIZENTODOKE, RIEKIRENDOU, SONOTA, TAISYOKU) "
                        "VALUES (1, 1, 20, 300, 4000, 50000, 600000)"));
    EXPECT_EQ(one(QStringLiteral("SELECT CAST(GOUKEI AS INTEGER) FROM UTIWAKE14")), QStringLiteral("54321"));
    exec(QStringLiteral("INSERT INTO UTIWAKE12 (REC, URIAGE, TESURYO) VALUES (1, 1000, 30)"));
    EXPECT_EQ(one(QStringLiteral("SELECT CAST(GOUKEI AS INTEGER) FROM UTIWAKE12")), QStringLiteral("1030"));
    exec(QStringLiteral("INSERT INTO UTIWAKE14B (REC, SOUGAKU1, SOUGAKU2, SOUGAKU3, KAZOKU1, KAZOKU2, KAZOKU3) "
                        "VALUES (2, 1, 2, 3, 10, 20, 30)"));
    EXPECT_EQ(one(QStringLiteral("SELECT CAST(SOUGAKU_KEI AS INTEGER), CAST(KAZOKU_KEI AS INTEGER) FROM UTIWAKE14B WHERE REC = 2")),
              QStringLiteral("6|60"));
    // Two-part keys of the order and the other-accounts statement.
    exec(QStringLiteral("INSERT INTO UTIWAKE_ORDER (UTIWAKE, KGROUP) VALUES (1, 1)"));
    exec(QStringLiteral("INSERT INTO UTIWAKE_ORDER (UTIWAKE, KGROUP) VALUES (2, 1)"));
    EXPECT_ANY_THROW(exec(QStringLiteral("INSERT INTO UTIWAKE_ORDER (UTIWAKE, KGROUP) VALUES (1, 1)")));
    exec(QStringLiteral("INSERT INTO UTIWAKE17 (UTIWAKE, REC) VALUES (1, 1)"));
    exec(QStringLiteral("INSERT INTO UTIWAKE17 (UTIWAKE, REC) VALUES (2, 1)"));
    EXPECT_EQ(columnsOf(*this, "UTIWAKE12").filter(QRegularExpression(QStringLiteral("^URIAGE_"))),
              (QStringList{"URIAGE_GG|37|3|5||", "URIAGE_YY|37|2|2||", "URIAGE_MM|37|3|2||"}));
}

// The evaluation-release steps, and 0.2.2 on an account master that already has GROUPM0, write the version
// stamp alone.
TEST_F(AccountingStepsTest, StepsThatOnlyStamp) {
    const auto expectStampOnly = [](const TDbVersion& v) {
        SCOPED_TRACE(v.text().toStdString());
        const QStringList lines = script(v).split(u'\n');
        ASSERT_EQ(lines.size(), 7) << lines.join(u'\n').toStdString();
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("/* ")));
        EXPECT_EQ(lines[1], QString());
        EXPECT_TRUE(lines[2].startsWith(QStringLiteral("CONNECT '")));
        EXPECT_TRUE(lines[3].startsWith(QStringLiteral("UPDATE ACCVERSION SET MAJOR=%1,MINOR1=%2,MINOR2=%3,MEMO='")
                                            .arg(v.MAJOR)
                                            .arg(v.MINOR1)
                                            .arg(v.MINOR2)));
        EXPECT_EQ(lines.mid(4), (QStringList{"WHERE REC=1;", "COMMIT;", "EXIT;"}));
    };
    for (const TDbVersion v : {TDbVersion{0, 2, 0}, TDbVersion{0, 3, 0}, TDbVersion{0, 3, 2}, TDbVersion{0, 4, 0}})
        expectStampOnly(v);

    runTo({0, 2, 1});
    EXPECT_TRUE(script({0, 2, 2}).contains(QStringLiteral("DROP TABLE CHARTINF;")));
    exec(QStringLiteral("ALTER TABLE KAMOKUMST ADD GROUPM0 VARCHAR(6)"));
    expectStampOnly({0, 2, 2});
    exec(QStringLiteral("INSERT INTO CHARTINF (OPCODE, CTYPE1) VALUES (9, 4)"));
    runTo({0, 2, 2});
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("0.2.2"));
    EXPECT_EQ(one(QStringLiteral("SELECT OPCODE, CTYPE1 FROM CHARTINF")), QStringLiteral("9|4"));
}

// The order of the statements that matter in the scripts of 0.2.2 to 0.3.4: the statement groups, the
// drops before the view they free, and every procedure after those it calls.
TEST_F(AccountingStepsTest, ScriptsKeepTheirStatementOrder) {
    static const QRegularExpression head(QStringLiteral(
        "^(SET TERM .*|COMMIT;|Commit;|DROP VIEW \\w+;|CREATE VIEW \\w+|(RECREATE|ALTER) (PROCEDURE|TRIGGER) \\w+|"
        "ALTER TABLE \\w+ ADD \\w+|RECREATE TABLE (UTIWAKE_ORDER|UTIWAKE17|SOLVARNE_HIKAKU\\w*)\\b|"
        "DROP TABLE CHARTINF;|(EXECUTE|DROP) PROCEDURE \\w+;|DELETE FROM CASHFMKU;|UPDATE (KAMOKUMST|EXTERA\\d) "
        "SET (GROUPM2|KGROUP)='1130'[^W]*WHERE (KCODE='1141'|REC=7);)"));
    const auto heads = [](const TDbVersion& v) {
        QStringList out;
        for (const QString& l : script(v).split(u'\n')) {
            const QRegularExpressionMatch m = head.match(l);
            if (m.hasMatch())
                out << m.captured(1);
        }
        return out;
    };
    const QString recreate = QStringLiteral("RECREATE PROCEDURE ");
    QStringList group1{"DROP TABLE CHARTINF;", "Commit;", "Commit;", "SET TERM ^ ;", "RECREATE PROCEDURE ONE_TIME_PROC",
                       "SET TERM ; ^", "EXECUTE PROCEDURE ONE_TIME_PROC;", "Commit;", "DROP PROCEDURE ONE_TIME_PROC;",
                       "ALTER TABLE AO_SINKOKU ADD TEGAKI", "COMMIT;", "COMMIT;", "ALTER TABLE KAMOKUMST ADD GROUPM0"};
    for (const char* p : {"SP_BUMONKAISIZAN_COUNT", "SP_BUMONKAISIZAN_LIST", "SP_KAISIZAN_COUNT", "SP_KAISIZAN_LIST",
                          "SP_KANENDOZAN_YOMIKOMI", "SP_KANENDO_BUMON_GROUPZANDAKA", "SP_KANENDO_BUMON_ZANDAKA",
                          "SP_KANENDO_ZANDAKA", "SP_MB_SELECT_KANENDOZAN", "SP_MB_SELECT_YOSAN", "SP_MB_SELECT_YOSOKU",
                          "SP_MB_UPDATE_JISSEKIYOSAN", "SP_SISANHYO_BUMON", "SP_SISANHYO_BUMON_GROUP", "SP_YOSAN_READ",
                          "SP_ZENKURI"})
        group1 << QStringLiteral("DROP PROCEDURE %1;").arg(QLatin1String(p));
    group1 << QStringLiteral("DROP VIEW KAMOKU_VIEW;") << QStringLiteral("COMMIT;")
           << QStringLiteral("CREATE VIEW KAMOKU_VIEW") << QStringLiteral("SET TERM ^ ;");
    for (const char* p : {"SP_BUMONKAISIZAN_COUNT", "SP_BUMONKAISIZAN_LIST", "SP_KAISIZAN_LIST", "SP_KAISIZAN_COUNT",
                          "SP_KANENDOZAN_YOMIKOMI", "SP_KANENDO_BUMON_GROUPZANDAKA"})
        group1 << recreate + QLatin1String(p);
    group1 << QStringLiteral("SET TERM ; ^") << QStringLiteral("SET TERM ^ ;");
    for (const char* p : {"SP_KANENDO_BUMON_ZANDAKA", "SP_KANENDO_ZANDAKA", "SP_MB_SELECT_KANENDOZAN",
                          "SP_MB_SELECT_YOSAN", "SP_MB_SELECT_YOSOKU", "SP_MB_UPDATE_JISSEKIYOSAN"})
        group1 << recreate + QLatin1String(p);
    group1 << QStringLiteral("SET TERM ; ^") << QStringLiteral("SET TERM ^ ;");
    for (const char* p : {"SP_SISANHYO_BUMON", "SP_SISANHYO_BUMON_GROUP", "SP_YOSAN_READ", "SP_ZENKURI"})
        group1 << recreate + QLatin1String(p);
    // The copier is altered: the facility trigger depends on it.
    group1 << QStringLiteral("ALTER PROCEDURE SP_KS_INSSETSWK_CALL_SISETU") << QStringLiteral("SET TERM ; ^")
           << QStringLiteral("COMMIT;") << QStringLiteral("RECREATE TABLE UTIWAKE_ORDER")
           << QStringLiteral("RECREATE TABLE UTIWAKE17") << QStringLiteral("COMMIT;")
           << QStringLiteral("DELETE FROM CASHFMKU;") << QStringLiteral("COMMIT;") << QStringLiteral("COMMIT;")
           << QStringLiteral("COMMIT;");
    EXPECT_EQ(heads({0, 2, 2}), group1);
    EXPECT_EQ(heads({0, 3, 1}),
              (QStringList{"ALTER TABLE ACCDEF1 ADD WEB_HOLDER", "COMMIT;", "SET TERM ^ ;",
                           "RECREATE PROCEDURE SP_KANENDO_BUMON_GROUPZANDAKA", "ALTER TRIGGER KAMOKU_PZ_AFTER_UPDATE",
                           "SET TERM ; ^", "COMMIT;"}));
    EXPECT_EQ(heads({0, 3, 3}),
              (QStringList{"SET TERM ^ ;", "RECREATE PROCEDURE SP_MOTOIREKIN_KURIIRE", "SET TERM ; ^",
                           "ALTER TABLE KAMOKUMST ADD Solvarne_BadRate", "RECREATE TABLE SOLVARNE_HIKAKU_COL",
                           "RECREATE TABLE SOLVARNE_HIKAKU", "COMMIT;", "COMMIT;"}));
    EXPECT_EQ(heads({0, 3, 4}),
              (QStringList{"SET TERM ^ ;", "ALTER PROCEDURE SYSKMKCODEINF", "SET TERM ; ^",
                           "UPDATE KAMOKUMST SET GROUPM2='1130' WHERE KCODE='1141';",
                           "UPDATE EXTERA4 SET KGROUP='1130',SUBREC=1 WHERE REC=7;",
                           "UPDATE EXTERA3 SET KGROUP='1130',SUBREC=1 WHERE REC=7;", "COMMIT;", "COMMIT;"}));
}

// The per-account values of 0.3.3 by the dataset's kind, checked on accounts at the edges of the lists'
// ranges and switches: "key|bad rate|bad kind|good rate|good kind", or null when the list leaves the
// account alone.
TEST_F(AccountingStepsTest, AccountThresholdsByKindOfData) {
    const char* dflt = "0.95|0|1.05|1";
    const char* rev = "1.05|1|0.95|0";
    struct Spot {
        const char* kcode;
        const char* key;
        const char* pair; // null: not in the list
    };
    struct Case {
        const char* name;
        int dataType, codeType;
        int accounts;
        std::vector<Spot> spots;
    } cases[] = {
        {"corporation", 1, 2, 250,
         {{"1101", "genki", dflt}, {"1103", "", dflt}, {"1144", nullptr, nullptr}, {"2100", nullptr, nullptr},
          {"2101", "shiha", rev}, {"2121", "", rev}, {"3101", "shiho", dflt}, {"3402", "", dflt},
          {"3313", "jikok", dflt}, {"4115", "uriag", dflt}, {"5101", "kisyu", rev}, {"6200", "yakui", rev},
          {"6219", "ri-su", rev}, {"6226", nullptr, nullptr}, {"7101", "uketo", dflt}, {"7106", "zassy", dflt},
          {"7201", "sihar", rev}, {"8101", "kotei", dflt}, {"8105", "", dflt}, {"8201", "kotei", rev},
          {"8304", "", rev}, {"9999", "syoku", "0|0|0|0"}}},
        {"general individual", 2, 1, 222,
         {{"1101", "genki", dflt}, {"1310", "maeba", dflt}, {"1608", "jigyo", dflt}, {"2205", "jigyo", rev},
          {"3101", "motoi", dflt}, {"3111", nullptr, nullptr}, {"3305", "", dflt}, {"4103", "kajis", dflt},
          {"5101", "kisyu", rev}, {"6200", nullptr, nullptr}, {"6226", "", rev}, {"7105", "kashi", dflt},
          {"7202", "senjy", rev}, {"8101", nullptr, nullptr}, {"9999", "syoku", "0|0|0|0"}}},
        {"medical corporation", 3, 1, 222, {{"1101", "genki", dflt}, {"6206", "rishi", rev}}},
        {"real estate", 2, 2, 162,
         {{"1142", "misyu", dflt}, {"1201", "", dflt}, {"2113", "hosyo", rev}, {"3101", "motoi", dflt},
          {"4101", "chint", dflt}, {"5101", nullptr, nullptr}, {"6101", "sozei", rev}, {"6206", "karii", rev},
          {"6231", "sonot", rev}, {"7101", nullptr, nullptr}, {"7202", "senjy", rev}, {"9999", "syoku", "0|0|0|0"}}},
        {"clinic", 2, 3, 0, {{"1101", nullptr, nullptr}}},
        {"agriculture", 2, 4, 0, {}},
    };
    static const QRegularExpression update(QStringLiteral(
        "^UPDATE KAMOKUMST SET KKANA='([a-z-]*)',Solvarne_BadRate=([0-9.]+),Solvarne_BadKind=(\\d),"
        "Solvarne_GoodRate=([0-9.]+),Solvarne_GoodKind=(\\d) WHERE KCODE='(\\d{4})';$"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMap<QString, QString> values;
        for (const QString& l : AccountThresholdStatements(c.dataType, c.codeType)) {
            const QRegularExpressionMatch m = update.match(l);
            ASSERT_TRUE(m.hasMatch()) << l.toStdString();
            EXPECT_FALSE(values.contains(m.captured(6))) << l.toStdString();
            values.insert(m.captured(6), QStringList{m.captured(1), m.captured(2), m.captured(3), m.captured(4),
                                                      m.captured(5)}
                                             .join(u'|'));
        }
        EXPECT_EQ(values.size(), c.accounts);
        for (const Spot& s : c.spots) {
            SCOPED_TRACE(s.kcode);
            if (!s.pair)
                EXPECT_FALSE(values.contains(QLatin1String(s.kcode)));
            else
                EXPECT_EQ(values.value(QLatin1String(s.kcode)),
                          QLatin1String(s.key) + u'|' + QLatin1String(s.pair));
        }
    }
}

// 0.3.3 on a database: the analysis tables hold exactly their rows, every account gets the new
// columns, and the list of the dataset's kind is written; the lookup of 0.3.4 answers with one row.
TEST_F(AccountingStepsTest, AnalysisTablesThresholdsAndSystemAccountLookup) {
    runTo({0, 3, 2});
    exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1) VALUES ('1101', '1101', 1110)"));
    exec(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, GROUPM1) VALUES ('9999', '9999', 9900)"));
    exec(QStringLiteral("RECREATE TABLE SOLVARNE_HIKAKU (REC INTEGER NOT NULL PRIMARY KEY)"));
    exec(QStringLiteral("INSERT INTO SOLVARNE_HIKAKU VALUES (99)"));
    AccInf.DATATYPE = 1;
    AccInf.CODETYPE = 1;
    runTo({0, 3, 3});
    EXPECT_EQ(rows(QStringLiteral("SELECT KCODE, KKANA, SOLVARNE_BADRATE, SOLVARNE_BADKIND, SOLVARNE_GOODRATE, "
                                  "SOLVARNE_GOODKIND FROM KAMOKUMST WHERE KCODE IN ('1101', '1401', '2205', '9999') "
                                  "ORDER BY KCODE")),
              (QStringList{"1101|genki|0.95|0|1.05|1", "1401|tatem|0.95|0|1.05|1", "2205||1.05|1|0.95|0",
                           "9999|syoku|0|0|0|0"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM SOLVARNE_HIKAKU_COL ORDER BY REC")),
              (QStringList{"1|1|過去3ヶ月", "2|2|過去6ヶ月", "3|3|過去12ヶ月", "4|4|過去24ヶ月", "5|5|当期平均",
                           "6|6|前期平均", "7|7|前々期平均", "8|8|２期平均"}));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*), MIN(REC), MAX(REC) FROM SOLVARNE_HIKAKU")), QStringLiteral("35|1|35"));
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM SOLVARNE_HIKAKU WHERE REC IN (1, 13, 23, 27) ORDER BY REC")),
              (QStringList{"1|1|売上総利益率|％|0.95|0|1.05|1|4100|5280||",
                           "13|2|受取債権回転率|回|0.95|0|1.05|1|1130|1130|4100|4110",
                           "23|4|売上高対支払利息比率|％|1.05|1|0.95|0|4100|4110|7100|7200",
                           "27|4|従業員延人数|人|1.05|1|0.95|0||||"}));

    runTo({0, 3, 4});
    exec(QStringLiteral("INSERT INTO ACCDEF2 (KNAME, KCODE) VALUES ('元入金', '3101')"));
    exec(QStringLiteral("INSERT INTO ACCDEF2 (KNAME, KCODE) VALUES ('諸口', NULL)"));
    EXPECT_EQ(rows(QStringLiteral("SELECT CODE FROM SYSKMKCODEINF('元入金')")), QStringList{"3101"});
    EXPECT_EQ(rows(QStringLiteral("SELECT CODE FROM SYSKMKCODEINF('諸口')")), QStringList{""});
    EXPECT_EQ(rows(QStringLiteral("SELECT CODE FROM SYSKMKCODEINF('ない科目')")), QStringList{""});
}

// Data kinds without a list still get the tables and the new columns at their defaults, kinds 0 on the
// accounts that were there before.
TEST_F(AccountingStepsTest, ClinicDataGetsNoAccountValues) {
    runTo({0, 3, 2});
    AccInf.DATATYPE = 2;
    AccInf.CODETYPE = 3;
    EXPECT_FALSE(script({0, 3, 3}).contains(QStringLiteral("UPDATE KAMOKUMST SET KKANA")));
    runTo({0, 3, 3});
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*), MAX(KKANA), MAX(SOLVARNE_BADRATE), MAX(SOLVARNE_BADKIND), "
                                 "MAX(SOLVARNE_GOODRATE), MAX(SOLVARNE_GOODKIND) FROM KAMOKUMST")),
              QStringLiteral("37||null|0|null|0"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM SOLVARNE_HIKAKU")), QStringLiteral("35"));
}

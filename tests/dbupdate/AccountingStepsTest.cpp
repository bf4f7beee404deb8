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
    QStringList rows(const QString& sql) const {
        auto db = ds.connect();
        fb::Transaction t(*db);
        fb::Query q(t, sql);
        QStringList out;
        for (q.open(); !q.eof(); q.next()) {
            QStringList f;
            for (int i = 0; i < q.fieldCount(); ++i)
                f << (q.field(i).isNull() ? QStringLiteral("null") : q.field(i).asString());
            out << f.join(u'|');
        }
        q.close();
        t.commit();
        return out;
    }
    QString one(const QString& sql) const {
        const QStringList r = rows(sql);
        return r.isEmpty() ? QStringLiteral("<none>") : r.first();
    }
    // The composed script of an accounting step, as it would be written now.
    static QString script(const TDbVersion& v) {
        const TStepSpec* spec = FindStep(TDbKind::Accounting, v);
        QStringList lines;
        EXPECT_TRUE(spec && ComposeStepScript(*spec, spec->Content(), lines));
        return lines.join(u'\n');
    }
};

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
    TDbUpdateBox box;
    box.Updater.UserSteps.assign(steps.begin(), steps.begin() + 5);
    box.SetupPendingList(1, QString());
    ASSERT_TRUE(box.IsPending()) << e.ui->messageTexts().join(u'\n').toStdString();
    box.form().cboxAgree->setChecked(true);
    box.cboxAgreeClick();
    box.btnOkClick();
    EXPECT_EQ(box.result(), ui::mrOk) << e.ui->messageTexts().join(u'\n').toStdString();
    // Every step is done; the only boxes are those of the reconnect, whose company information reads
    // tables that later steps bring.
    for (int i = 0; i < box.form().ListView1->topLevelItemCount(); ++i)
        EXPECT_EQ(box.form().ListView1->topLevelItem(i)->text(2), QStringLiteral("完了"));
    for (const QString& m : e.ui->messageTexts())
        EXPECT_TRUE(m.contains(QStringLiteral("ACCTOTALNAME"))) << m.toStdString();
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
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

} // namespace

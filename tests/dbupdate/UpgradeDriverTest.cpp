// The upgrade driver on a real dataset with test steps: a good run ends at the newest version without a
// backup; a failed step after another ran restores the database and keeps the backup; a dataset held by
// another process is refused.

#include "UpgradeTestSupport.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdate.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DbCompare.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"
#include "ui_z5DbUpdate.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Statements = std::function<void(QStringList&)>;

struct UpgradeDriverTest : ::testing::Test {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});
    TDbUpdateBox box;
    TBackupWorkerProc savedWorker = DbUpdateBackupWorker;
    int workerRuns = 0;

    UpgradeDriverTest() {
        SystemDef.DataDir = ds.folder;
        DbUpdateBackupWorker = [this](const TBackupJob& job, TErrInfomation& result) {
            ++workerRuns;
            return RunBackupJobOnThread(job, result);
        };
    }
    ~UpgradeDriverTest() override { DbUpdateBackupWorker = savedWorker; }

    // A step of the accounting registry that runs the statements through the common step run.
    static TDbUpdateListRec step(TDbVersion v, int backup, Statements statements) {
        auto spec = std::make_shared<TStepSpec>(TStepSpec{TDbKind::Accounting, v, backup, TScriptLayout::A,
                                                          true, 0, TMissingFileRule::Stop, TStampMemo::Time,
                                                          TStepMigration::None, false, u"test", u"test"});
        TDbUpdateListRec r;
        r.MAJOR = v.MAJOR;
        r.MINOR1 = v.MINOR1;
        r.MINOR2 = v.MINOR2;
        r.NeedBackup = backup;
        r.Title = QStringLiteral("テスト ") + v.text();
        r.Description = QStringLiteral("説明");
        r.StepProc = [spec, statements] {
            TStepContent c;
            c.Statements = statements;
            return RunStep(*spec, c);
        };
        return r;
    }
    static Statements sql(const QStringList& lines) {
        return [lines](QStringList& script) { script << lines; };
    }
    void prepare(TArrayDbUpdateListRec steps) {
        box.Updater.UserSteps = std::move(steps);
        box.SetupPendingList(1, QString());
        ASSERT_TRUE(box.IsPending()) << e.ui->messageTexts().join(u'\n').toStdString();
        box.form().cboxAgree->setChecked(true);
        box.cboxAgreeClick();
    }
    QString version() const { return accountingVersion(ds); }
    QStringList statuses() {
        QStringList s;
        for (int i = 0; i < box.form().ListView1->topLevelItemCount(); ++i)
            s << box.form().ListView1->topLevelItem(i)->text(2);
        return s;
    }
    QStringList backups() const {
        return QDir(e.root->tempDir()).entryList({QStringLiteral("dataup*")}, QDir::Files);
    }
};

const QStringList kCreateRows{
    QStringLiteral("CREATE TABLE UPG_T (A INTEGER NOT NULL PRIMARY KEY, B VARCHAR(10));"),
    QStringLiteral("COMMIT;"), QStringLiteral("INSERT INTO UPG_T VALUES (1, 'いち');"),
    QStringLiteral("UPDATE ACCDEF1 SET NENDO=NENDO+1 WHERE REC=1;"), QStringLiteral("COMMIT;")};

TEST_F(UpgradeDriverTest, AGoodRunEndsAtTheNewestVersionWithoutBackup) {
    // What the accounting application saved before its own updates is not ours to remove.
    const QString savedDocs = SystemDef.DocumentsDir;
    SystemDef.DocumentsDir = e.env.path() + QStringLiteral("/docs");
    const QString kept = SystemDef.DocumentsDir + QStringLiteral("/更新前データ/placc.fdb");
    ASSERT_TRUE(testenv::writeFile(kept, "saved"));
    prepare({step({20, 0, 1}, 1, sql(kCreateRows)), step({20, 1, 0}, 0, {})});
    box.btnOkClick();
    SystemDef.DocumentsDir = savedDocs;
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_EQ(box.result(), ui::mrOk) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(box.Updater.IsUpdated);
    EXPECT_EQ(box.Updater.DbVersion, (TDbVersion{20, 1, 0}));
    EXPECT_EQ(statuses(), (QStringList{QStringLiteral("完了"), QStringLiteral("完了")}));
    EXPECT_EQ(version(), QStringLiteral("20.1.0"));
    EXPECT_EQ(workerRuns, 1);
    EXPECT_TRUE(backups().isEmpty()) << backups().join(u' ').toStdString();
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(e.dm->IBDatabaseDAT.isConnected()); // reconnected for the caller
    EXPECT_EQ(box.form().ProgressBar1->value(), 2);
    EXPECT_TRUE(box.form().pnlProgress->isHidden());
}

TEST_F(UpgradeDriverTest, StepsWithoutBackupFlagRunWithoutWorker) {
    prepare({step({20, 0, 1}, 0, sql(kCreateRows))});
    box.btnOkClick();
    EXPECT_EQ(box.result(), ui::mrOk);
    EXPECT_EQ(workerRuns, 0);
    EXPECT_EQ(version(), QStringLiteral("20.0.1"));
}

// The second of three steps fails after the first changed the database: the database comes back as it
// was before the run, the backup is kept and named, the third step never runs.
TEST_F(UpgradeDriverTest, AFailedStepRestoresTheDatabaseAndKeepsTheBackup) {
    struct Case {
        const char* name;
        std::function<qint32()> failing;
        QString status;
        bool throughTool;
    } cases[] = {
        {"script",
         [] {
             return step({20, 0, 2}, 1, sql({QStringLiteral("INSERT INTO NO_SUCH VALUES (1);")})).StepProc();
         },
         QStringLiteral("失敗"), true},
        {"file missing", [] { return qint32(StepFileMissing); }, QStringLiteral("ﾌｧｲﾙ不足"), false},
        {"exception", []() -> qint32 { throw std::runtime_error("broken step"); }, QStringLiteral("失敗"),
         false},
    };
    const QStringList keptNames{QStringLiteral("dataup.fbk"), QStringLiteral("dataup_2.fbk"),
                                QStringLiteral("dataup_3.fbk")};
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        e.ui->clear();
        const testenv::Dataset d = e.root->addDataset({});
        ds = d;
        SystemDef.DataDir = d.folder;
        // The reconnect after the run loads the company information, which writes its default settings:
        // they are in place before the copy.
        ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), d.folder, 0));
        e.dm->fnGetAccInfo();
        e.dm->fnAccDatDisConnected(d.folder, 0, 0);
        const QString before = e.env.temp() + QStringLiteral("/before.fdb");
        QFile::remove(before);
        ASSERT_TRUE(QFile::copy(d.database, before));
        TDbUpdateListRec failing = step({20, 0, 2}, 1, {});
        failing.StepProc = c.failing;
        TDbUpdateListRec first = step({20, 0, 1}, 1, sql(kCreateRows));
        if (!c.throughTool) {
            // Changes the data without the tool; the restore must undo it all the same.
            first.StepProc = [d] {
                d.execute(QStringLiteral("UPDATE ACCDEF1 SET NENDO=NENDO+5 WHERE REC=1"));
                d.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=20, MINOR1=0, MINOR2=1 WHERE REC=1"));
                return qint32(StepDone);
            };
        }
        prepare({first, failing, step({20, 0, 3}, 1, {})});
        box.btnOkClick();
        EXPECT_EQ(box.result(), ui::mrRetry);
        EXPECT_FALSE(box.Updater.IsUpdated);
        EXPECT_EQ(statuses(), (QStringList{QStringLiteral("完了"), c.status, QString()}));
        EXPECT_EQ(version(), QStringLiteral("13.0.0"));
        e.dm->fnAccDatDisConnected(d.folder, 0, 0);
        if (c.throughTool) {
            const QStringList diff = testenv::compareDatabases(before, d.database);
            EXPECT_TRUE(diff.isEmpty()) << diff.join(u'\n').toStdString();
        } else {
            auto db = d.connect();
            fb::Transaction t(*db);
            fb::Query q(t, QStringLiteral("SELECT NENDO FROM ACCDEF1 WHERE REC=1"));
            EXPECT_EQ(q.openInt("NENDO"), d.company.nendo);
        }
        // Each failure keeps its backup; an earlier one is never overwritten.
        ++run;
        EXPECT_EQ(backups(), keptNames.mid(0, run));
        const QString kept = e.root->tempDir() + u'/' + keptNames.at(run - 1);
        const QString shown = e.ui->messageTexts().join(u'\n');
        EXPECT_TRUE(shown.contains(QStringLiteral("会計データの更新に失敗しました。")))
            << shown.toStdString();
        EXPECT_TRUE(shown.contains(kept)) << shown.toStdString();
    }
}

// Backups kept by failed runs stay until a good run of the same database; those of other datasets stay.
TEST_F(UpgradeDriverTest, AGoodRunRemovesTheBackupsKeptForItsDatabase) {
    const auto failingRun = [this](const testenv::Dataset& d) {
        SystemDef.DataDir = d.folder;
        TDbUpdateListRec failing = step({20, 0, 1}, 1, {});
        failing.StepProc = [] { return qint32(StepFileMissing); };
        e.ui->clear();
        prepare({failing});
        box.btnOkClick();
        EXPECT_EQ(box.result(), ui::mrRetry);
        e.dm->fnAccDatDisConnected(d.folder, 0, 0);
        return e.ui->messageTexts().join(u'\n');
    };
    const testenv::Dataset other = e.root->addDataset({});
    failingRun(other);
    for (const char* kept : {"dataup_2.fbk", "dataup_3.fbk"}) {
        const QString shown = failingRun(ds);
        EXPECT_TRUE(shown.contains(e.root->tempDir() + u'/' + QLatin1String(kept))) << shown.toStdString();
    }
    EXPECT_EQ(backups().join(u' '), QStringLiteral("dataup.fbk dataup_2.fbk dataup_3.fbk"));

    SystemDef.DataDir = ds.folder;
    e.ui->clear();
    prepare({step({20, 0, 1}, 0, sql(kCreateRows))});
    box.btnOkClick();
    EXPECT_EQ(box.result(), ui::mrOk) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(backups().join(u' '), QStringLiteral("dataup.fbk"));
    EXPECT_TRUE(testenv::readFile(e.root->tempDir() + QStringLiteral("/upgrade-dataup.run"))
                    .contains(other.database.toUtf8()));
}

// Without isql-fb no step can run: the run stops before it takes a backup.
TEST_F(UpgradeDriverTest, AMissingIsqlStopsTheRunBeforeTheBackup) {
    const testenv::ScopedEnv isql("QV_ISQL", e.env.path() + QStringLiteral("/no-such/isql-fb"));
    prepare({step({20, 0, 1}, 1, sql(kCreateRows))});
    box.btnOkClick();
    EXPECT_EQ(box.result(), ui::mrRetry);
    EXPECT_EQ(workerRuns, 0);
    EXPECT_TRUE(backups().isEmpty()) << backups().join(u' ').toStdString();
    EXPECT_EQ(e.ui->messageTexts(),
              (QStringList{QStringLiteral("ISQL.EXEが起動できません。\r処理を中止します。"),
                           QStringLiteral("会計データの更新に失敗しました。")}));
    EXPECT_EQ(version(), QStringLiteral("13.0.0"));
}

TEST_F(UpgradeDriverTest, ADatasetHeldByAnotherProcessIsRefused) {
    prepare({step({20, 0, 1}, 1, sql(kCreateRows))});
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    {
        testenv::HoldingProcess holder(ds.database);
        ASSERT_TRUE(holder.holding());
        box.btnOkClick();
    }
    EXPECT_EQ(box.result(), ui::mrRetry);
    // The refusal; the reconnect afterwards meets the same holder and says so.
    ASSERT_FALSE(e.ui->messageTexts().isEmpty());
    EXPECT_EQ(
        e.ui->messageTexts().first(),
        QStringLiteral("現在、他のオペレータが会計データを利用中です。\r"
                       "データベースの更新を行うには、会計データの利用を停止するようにご連絡して下さい。"));
    EXPECT_EQ(workerRuns, 0);
    EXPECT_EQ(version(), QStringLiteral("13.0.0"));
    EXPECT_EQ(statuses(), QStringList{QString()});
}

TEST_F(UpgradeDriverTest, NothingPendingOrAFailedBackupRunsNothing) {
    box.SetupPendingList(1, QStringLiteral("99.0.0"));
    box.btnOkClick();
    EXPECT_EQ(box.result(), ui::mrRetry);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{QStringLiteral("会計データの更新に失敗しました。")});

    e.ui->clear();
    DbUpdateBackupWorker = [this](const TBackupJob&, TErrInfomation& r) {
        ++workerRuns;
        r.Error = true;
        r.Message = QStringLiteral("バックアップできません。");
        r.Detail = QStringLiteral("disk full");
        return false;
    };
    prepare({step({20, 0, 1}, 1, sql(kCreateRows))});
    box.btnOkClick();
    EXPECT_EQ(box.result(), ui::mrRetry);
    EXPECT_EQ(workerRuns, 1);
    EXPECT_EQ(statuses(), QStringList{QString()});
    EXPECT_EQ(version(), QStringLiteral("13.0.0"));
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral(
                  "会計データの更新に失敗しました。\r[エラー内容]\rバックアップできません。\rdisk full")});
}

// Keys and clicks while the steps run change nothing: the run alone decides the result. Afterwards Esc
// cancels, and F12 presses OK, which finds nothing left to run.
TEST_F(UpgradeDriverTest, KeysDuringARunChangeNothing) {
    TDbUpdateListRec only = step({20, 0, 1}, 0, {});
    only.StepProc = [this] {
        QTest::keyClick(&box, Qt::Key_Escape);
        QTest::keyClick(&box, Qt::Key_F12);
        box.form().btnOk->click();
        box.btnCancelClick();
        if (!qEnvironmentVariableIsEmpty("QV_SCREENSHOT_DIR"))
            box.grab().save(qEnvironmentVariable("QV_SCREENSHOT_DIR") +
                            QStringLiteral("/dbupdate-running.png"));
        ds.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=20, MINOR1=0, MINOR2=1 WHERE REC=1"));
        return qint32(StepDone);
    };
    prepare({only});
    box.btnOkClick();
    EXPECT_EQ(box.result(), ui::mrOk);
    EXPECT_EQ(statuses(), QStringList{QStringLiteral("完了")});
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();

    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_EQ(box.result(), ui::mrCancel);
    QTest::keyClick(&box, Qt::Key_F12);
    EXPECT_EQ(box.result(), ui::mrRetry);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{QStringLiteral("会計データの更新に失敗しました。")});
    EXPECT_EQ(version(), QStringLiteral("20.0.1"));
}

// The system database in use on the server: the run is refused with the operators logged on in the group.
TEST_F(UpgradeDriverTest, TheSystemDatabaseInUseIsRefusedWithItsOperators) {
    const QString server = qEnvironmentVariable("QV_FB_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    e.executeSystem(QStringLiteral(
        "INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL) VALUES (10000, 20, '経理太郎', 1)"));
    e.executeSystem(QStringLiteral("INSERT INTO LOGONUSERLIST (GROUPID, OPERATORCODE, PCNAME, OPCODE) VALUES "
                                   "(10000, 20, 'PC2', 100000020)"));
    ConnectMode = 1;
    SystemDef.HOSTNAME = server;
    fb::Database other(server + u':' + e.root->systemDatabase(), testenv::databaseUser());
    other.attach();
    box.SetupPendingList(0, QStringLiteral("11.0.1"));
    box.btnOkClick();
    other.detach();
    EXPECT_EQ(box.result(), ui::mrRetry);
    EXPECT_EQ(workerRuns, 0);
    ASSERT_FALSE(e.ui->shown().empty());
    EXPECT_EQ(e.ui->shown().front().message.caption, QStringLiteral("情報"));
    EXPECT_EQ(e.ui->messageTexts().first(),
              QStringLiteral("現在、他のオペレータがシステムを利用中です。\r"
                             "データベースの更新を行うには、システムを終了するようにご連絡して下さい。\r"
                             "利用中のオペレータ (異常終了時のオペレータ含む)\r\r[ 0020 ]:  経理太郎\r"));
    EXPECT_TRUE(e.dm->IBDatabaseDEF.isConnected()); // reconnected for the caller
    e.dm->IBDatabaseDEF.detach();
    ConnectMode = 0;
    SystemDef.HOSTNAME.clear();
}

} // namespace

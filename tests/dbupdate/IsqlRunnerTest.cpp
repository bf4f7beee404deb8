// The runner on a real isql-fb: how a run is judged, what is logged, and that no password is written.

#include "UpgradeTestSupport.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"

#include <QDir>
#include <QDirIterator>
#include <gtest/gtest.h>

namespace {

// The operator memo padded to 127 bytes: the version tables hold it whole.
const TStepSpec kStep{
    TDbKind::Accounting,     {20, 0, 1},           1,     TScriptLayout::A, true,   0, TMissingFileRule::Stop,
    TStampMemo::Operator127, TStepMigration::None, false, u"test",          u"test"};

struct IsqlRunnerTest : ::testing::Test {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});

    IsqlRunnerTest() { SystemDef.DataDir = ds.folder; }

    QString version() const { return accountingVersion(ds); }
    static TStepContent statements(const QStringList& sql) {
        TStepContent c;
        c.Statements = [sql](QStringList& lines) { lines << sql; };
        return c;
    }
    // Every file in the log and temporary folders (where scripts, outputs and logs go) holding the text.
    QStringList filesHolding(const QByteArray& text) const {
        QStringList found;
        for (const QString& folder : {e.root->logDir(), e.root->tempDir(), e.env.temp()}) {
            QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                if (testenv::readFile(path).contains(text))
                    found << path;
            }
        }
        return found;
    }
};

TEST_F(IsqlRunnerTest, AFailingStatementGives16AndBothLogs) {
    const qint32 result =
        RunStep(kStep, statements({QStringLiteral("INSERT INTO NO_SUCH_TABLE VALUES (1);")}));
    EXPECT_EQ(result, StepScriptFailed);
    const QByteArray last = testenv::readFile(e.root->logDir() + QStringLiteral("/ErrDataup.txt"));
    EXPECT_TRUE(last.contains("Statement failed")) << last.toStdString();
    EXPECT_TRUE(last.contains("NO_SUCH_TABLE"));
    EXPECT_TRUE(
        testenv::readFile(e.root->logDir() + QStringLiteral("/ErrDataup.log")).contains("NO_SUCH_TABLE"));
    EXPECT_TRUE(e.ui->messageTexts().contains(QStringLiteral("Ver 20.0.1のデータベース更新に失敗しました。")))
        << e.ui->messageTexts().join(u'\n').toStdString();
    // A second failure replaces the last output and adds to the log.
    EXPECT_EQ(RunStep(kStep, statements({QStringLiteral("INSERT INTO OTHER_MISSING VALUES (1);")})),
              StepScriptFailed);
    EXPECT_FALSE(
        testenv::readFile(e.root->logDir() + QStringLiteral("/ErrDataup.txt")).contains("NO_SUCH_TABLE"));
    const QByteArray log = testenv::readFile(e.root->logDir() + QStringLiteral("/ErrDataup.log"));
    EXPECT_TRUE(log.contains("NO_SUCH_TABLE") && log.contains("OTHER_MISSING"));
    EXPECT_TRUE(filesHolding(SystemDef.PASSWORD.toUtf8()).isEmpty())
        << filesHolding(SystemDef.PASSWORD.toUtf8()).join(u' ').toStdString();
    EXPECT_TRUE(QDir(e.env.temp()).entryList({QStringLiteral("plzdataup*")}, QDir::AllEntries).isEmpty());
}

// Words of the tool's own failure report inside names and literals are no failure.
TEST_F(IsqlRunnerTest, FailedAndErrorInNamesAndTextsGive1) {
    const qint32 result = RunStep(
        kStep,
        statements({QStringLiteral("CREATE TABLE FAILED_ERROR_LOG (MSG VARCHAR(60));"),
                    QStringLiteral("COMMIT;"),
                    QStringLiteral("INSERT INTO FAILED_ERROR_LOG VALUES ('Statement failed, Error: 失敗');"),
                    QStringLiteral("COMMIT;")}));
    EXPECT_EQ(result, StepDone) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(version(), QStringLiteral("20.0.1"));
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_FALSE(QFileInfo::exists(e.root->logDir() + QStringLiteral("/ErrDataup.log")));
    EXPECT_TRUE(filesHolding(SystemDef.PASSWORD.toUtf8()).isEmpty());
}

TEST_F(IsqlRunnerTest, NoToolGives17AndNoScriptGives18) {
    SetIsqlToolPath(e.env.path() + QStringLiteral("/bin/isql-fb"));
    EXPECT_EQ(RunStep(kStep, {}), StepToolNotStarted);
    SetIsqlToolPath({});
    EXPECT_TRUE(
        e.ui->messageTexts().contains(QStringLiteral("ISQL.EXEが起動できません。\r処理を中止します。")));
    EXPECT_EQ(version(), QStringLiteral("13.0.0"));
    e.ui->clear();
    const QString missing = e.env.temp() + QStringLiteral("/gone/plzdataup.sql");
    EXPECT_EQ(RunIsqlScript(QStringLiteral("20.0.1"), missing), StepFileMissing);
    EXPECT_EQ(
        e.ui->messageTexts(),
        QStringList{QStringLiteral("更新ファイル(%1)が見つかりません。\r処理を中止します。").arg(missing)});
    EXPECT_TRUE(QDir(e.env.temp()).entryList({QStringLiteral("plzdataup*")}, QDir::AllEntries).isEmpty());
}

// The connect line through the server that test.sh starts.
TEST_F(IsqlRunnerTest, ScriptsReachTheDatabaseThroughTheServer) {
    const QString server = qEnvironmentVariable("QV_FB_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    ConnectMode = 1;
    SystemDef.HOSTNAME = server;
    EXPECT_EQ(ScriptDatabaseName(TDbKind::Accounting), server + u':' + ds.database);
    EXPECT_EQ(RunStep(kStep, statements({QStringLiteral("UPDATE ACCDEF1 SET NENDO=7 WHERE REC=1;")})),
              StepDone)
        << e.ui->messageTexts().join(u'\n').toStdString();
    ConnectMode = 0;
    SystemDef.HOSTNAME.clear();
    EXPECT_EQ(version(), QStringLiteral("20.0.1"));
}

// Data migrations in code run on the step's database around the script: before it (a failure ends the step
// with 16 and no script runs) and after a good script (an error makes the step 19; what the migration did
// before the error is committed, as the script's work is).
TEST_F(IsqlRunnerTest, MigrationsRunAroundTheScript) {
    const auto nendo = [this] {
        auto db = ds.connect();
        fb::Transaction t(*db);
        fb::Query q(t, QStringLiteral("SELECT NENDO FROM ACCDEF1 WHERE REC=1"));
        return q.openInt("NENDO");
    };
    const auto update = [](TStepDb& db, const QString& sql) {
        db.query.setSql(sql);
        db.query.execute();
    };
    TStepContent c;
    c.PreMigration = [&](TStepDb& db) {
        update(db, QStringLiteral("UPDATE ACCDEF1 SET NENDO=41 WHERE REC=1"));
        return qint32(StepDone);
    };
    c.PostMigration = [&](TStepDb& db) {
        update(db, QStringLiteral("UPDATE ACCDEF1 SET NENDO=NENDO+1 WHERE REC=1"));
    };
    EXPECT_EQ(RunStep(kStep, c), StepDone) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(nendo(), 42);
    EXPECT_EQ(version(), QStringLiteral("20.0.1"));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());

    c.PostMigration = [&](TStepDb& db) {
        update(db, QStringLiteral("UPDATE ACCDEF1 SET NENDO=50 WHERE REC=1"));
        throw std::runtime_error("post-migration failed");
    };
    EXPECT_EQ(RunStep(kStep, c), StepMigrationFailed);
    EXPECT_EQ(nendo(), 50);

    ds.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=13, MINOR1=0, MINOR2=0 WHERE REC=1"));
    c.PreMigration = [](TStepDb&) -> qint32 { throw std::runtime_error("pre-migration failed"); };
    EXPECT_EQ(RunStep(kStep, c), StepScriptFailed);
    c.PreMigration = [](TStepDb&) { return qint32(StepScriptFailed); };
    EXPECT_EQ(RunStep(kStep, c), StepScriptFailed);
    EXPECT_EQ(version(), QStringLiteral("13.0.0"));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
    EXPECT_TRUE(e.ui->messageTexts().join(u'\n').contains(QStringLiteral("pre-migration failed")));
}

} // namespace
